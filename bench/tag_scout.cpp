// The tag scout over 10,000 generated tags while a worker changes about 5% of
// them every 200 ms, next to Qt's table view over a model reading the same tags
// and refreshed by a 500 ms timer, in the same run: opening, one refresh tick,
// a full repaint and a one-row scroll step.
#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "common/Conversions.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "grid/CDataCenterScoutDlg.h"
#include "grid/CUGGrid.h"
#include "platform/base/InputState.h"
#include "platform/base/ProfileStore.h"

namespace {

constexpr int kTags = 10000;
constexpr int kCols = 9;
constexpr int kChangedPerTick = kTags / 20;
constexpr auto kWorkerPeriod = std::chrono::milliseconds(200);

class BenchEngine final : public IEngineServices {
 public:
  BenchEngine() {
    for (int i = 0; i < kTags; ++i) {
      auto tag = std::make_unique<CDCTag>();
      tag->SetTagID(i);
      tag->SetTagName("Plant.Device" + std::to_string(i / 10) + ".Value" + std::to_string(i % 10));
      tag->SetAccessPath("PATH" + std::to_string(i));
      tag->SetHWType(eHWAdv);
      tag->SetIOType(eIODuplex);
      switch (i % 4) {
        case 0:
          tag->SetDataType(VT_BOOL);
          tag->SetValue(Variant::Bool(i % 8 == 0));
          break;
        case 1:
          tag->SetDataType(VT_R4);
          tag->SetValue(Variant::R4(static_cast<float>(i)));
          tag->SetMinValue(Variant::R4(0.0f));
          tag->SetMaxValue(Variant::R4(static_cast<float>(kTags)));
          break;
        case 2:
          tag->SetDataType(VT_I4);
          tag->SetValue(Variant::I4(i));
          break;
        default:
          tag->SetDataType(VT_R4);
          tag->SetValue(Variant::R4(i * 0.5f));
          break;
      }
      dataCenter.AddTag(tag);
    }
    SetEngine(this);
    worker = std::thread([this] {
      std::mt19937 random(7);
      std::uniform_int_distribution<int> pick(0, kTags - 1);
      while (!stop.load()) {
        for (int n = 0; n < kChangedPerTick; ++n) {
          CDCTag* tag = dataCenter.GetTagAt(pick(random));
          const Variant value = tag->GetValue();
          if (value.vt == VT_BOOL) tag->SetValue(Variant::Bool(!VariantToBool(value)));
          else if (value.vt == VT_I4) tag->SetValue(Variant::I4(value.lVal + 1));
          else tag->SetValue(Variant::R4(value.fltVal + 0.25f));
        }
        std::this_thread::sleep_for(kWorkerPeriod);
      }
    });
  }
  ~BenchEngine() override {
    stop = true;
    worker.join();
    SetEngine(nullptr);
  }
  int GetDataSourceType() const override { return eDataSourceDemo; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return const_cast<CDataCenterBase*>(&dataCenter); }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }

  CDataCenterBase dataCenter;
  std::atomic<bool> stop{false};
  std::thread worker;
};

BenchEngine& Engine() {
  static BenchEngine engine;
  return engine;
}

// The scout opens only with Ctrl and Shift held.
InjectedKeyState& Keys() {
  static InjectedKeyState keys;
  return keys;
}

std::unique_ptr<CDataCenterScoutDlg> OpenScout() {
  Engine();
  auto scout = std::make_unique<CDataCenterScoutDlg>();
  scout->Create(IDD_DATACENTER_SCOUT);
  scout->ShowWindow(SW_SHOW);
  QApplication::processEvents();
  return scout;
}

void PaintNow(QWidget* window) {
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window, &request);
}

// ---------------------------------------------------------------- the scout

void BM_ScoutOpen(benchmark::State& state) {
  for (auto _ : state) {
    auto scout = OpenScout();
    state.PauseTiming();
    scout->DestroyWindow();
    scout.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ScoutOpen)->Unit(benchmark::kMillisecond);

void BM_ScoutRefreshTick(benchmark::State& state) {
  auto scout = OpenScout();
  for (auto _ : state) {
    scout->Grid().SendMessage(WM_TIMER, CDataCenterScoutGrid::kRefreshTimer, 0);
    PaintNow(scout->GetWidget()->window());
  }
}
BENCHMARK(BM_ScoutRefreshTick)->Unit(benchmark::kMicrosecond);

void BM_ScoutFullRepaint(benchmark::State& state) {
  auto scout = OpenScout();
  for (auto _ : state) scout->Grid().m_CUGGrid->Update();
}
BENCHMARK(BM_ScoutFullRepaint)->Unit(benchmark::kMillisecond);

void BM_ScoutScrollStep(benchmark::State& state) {
  auto scout = OpenScout();
  CDataCenterScoutGrid& grid = scout->Grid();
  grid.SetTopRow(0);
  for (auto _ : state) {
    if (grid.FirstVisibleRow() >= kTags - 100) {
      state.PauseTiming();
      grid.SetTopRow(0);
      state.ResumeTiming();
    }
    grid.SetTopRow(grid.FirstVisibleRow() + 1);
  }
}
BENCHMARK(BM_ScoutScrollStep)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- Qt's table view

class TagModel : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex&) const override { return Engine().dataCenter.GetTagCount(); }
  int columnCount(const QModelIndex&) const override { return kCols; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    const CDCTag* tag = Engine().dataCenter.GetTagAt(index.row());
    if (!tag) return {};
    switch (index.column()) {
      case 0: return tag->GetTagID();
      case 1: return QString::fromStdString(tag->GetTagName());
      case 2: return QString::fromStdString(HWTypeToText(tag->GetHWType()));
      case 3: return QString::fromStdString(tag->GetAccessPath());
      case 4: return QString::fromStdString(IOTypeToText(tag->GetIOType()));
      case 5: return QString::fromStdString(VarTypeToText(tag->GetDataType()));
      case 6:
      case 7: return QString::fromStdString(VariantToText(tag->GetValue()));
      default: return {};
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const char* const kHeadings[kCols] = {"ID",      "Tag Name",  "HW Type",  "Access Path", "IO Type",
                                                 "Data Type", "Tag Value", "Modifier", "New Value"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return QString(kHeadings[section]);
  }
  // What the 500 ms timer does: the visible rows' values are announced changed.
  void Refresh(int first, int last) { emit dataChanged(index(first, 6), index(last, 7)); }
};

struct TableView {
  TableView() {
    view.setModel(&model);
    view.resize(750, 455);
    const int widths[kCols] = {30, 250, 40, 120, 50, 40, 50, 120, 40};
    for (int col = 0; col < kCols; ++col) view.setColumnWidth(col, widths[col]);
    view.verticalHeader()->hide();
    view.show();
    QApplication::processEvents();
  }
  void Tick() {
    const int first = view.rowAt(0);
    int last = view.rowAt(view.viewport()->height() - 1);
    if (last < 0) last = model.rowCount({}) - 1;
    model.Refresh(first, last);
    PaintNow(view.window());
  }
  TagModel model;
  QTableView view;
};

void BM_TableViewOpen(benchmark::State& state) {
  Engine();
  for (auto _ : state) {
    auto table = std::make_unique<TableView>();
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TableViewOpen)->Unit(benchmark::kMillisecond);

void BM_TableViewRefreshTick(benchmark::State& state) {
  Engine();
  TableView table;
  for (auto _ : state) table.Tick();
}
BENCHMARK(BM_TableViewRefreshTick)->Unit(benchmark::kMicrosecond);

void BM_TableViewFullRepaint(benchmark::State& state) {
  Engine();
  TableView table;
  for (auto _ : state) {
    table.view.viewport()->update();
    PaintNow(table.view.window());
  }
}
BENCHMARK(BM_TableViewFullRepaint)->Unit(benchmark::kMillisecond);

void BM_TableViewScrollStep(benchmark::State& state) {
  Engine();
  TableView table;
  QScrollBar* bar = table.view.verticalScrollBar();
  for (auto _ : state) {
    if (bar->value() >= bar->maximum()) {
      state.PauseTiming();
      bar->setValue(0);
      PaintNow(table.view.window());
      state.ResumeTiming();
    }
    bar->setValue(bar->value() + 1);
    PaintNow(table.view.window());
  }
}
BENCHMARK(BM_TableViewScrollStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The scout keeps its view state in a profile of the run's own.
  const std::string profilePath = QDir::tempPath().toStdString() + "/tag_scout_bench_profile.ini";
  profile::SetPathOverride(profilePath);
  Keys().Press(VK_CONTROL);
  Keys().Press(VK_SHIFT);
  SetKeyState(&Keys());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SetKeyState(nullptr);
  // Nothing of the run stays behind in the temporary folder.
  profile::SetPathOverride("");
  std::remove(profilePath.c_str());
  return 0;
}
