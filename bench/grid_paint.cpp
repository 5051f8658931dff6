// What the grid's cell area costs to paint, next to Qt's own table view over
// the same texts at the same size: a full repaint, and one-row scroll steps
// (Down at the last visible row, and the top row moved by one). The counter
// "cells" is the number of cells drawn per step.
#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <memory>
#include <string>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"

namespace {

constexpr int kCols = 9;
constexpr int kRows = 10000;
constexpr int kWidth = 1280;
constexpr int kHeight = 800;

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> all;
    all.reserve(static_cast<size_t>(kCols) * kRows);
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < kCols; ++col) all.push_back("Tag" + std::to_string(row) + "." + std::to_string(col));
    return all;
  }();
  return texts;
}

class CountingType : public CUGCellType {
 public:
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override {
    ++drawn;
    CUGCellType::OnDraw(dc, rect, col, row, cell, selected, current);
  }
  long drawn = 0;
};

class BenchGrid : public CUGCtrl {
 public:
  BenchGrid() {
    CreateEx(0, "", "grid", WS_OVERLAPPED, CRect(0, 0, kWidth, kHeight), nullptr, 0);
    typeId = RegisterCellType(&counting);
    ResizeCols(kCols, FALSE);
    ResizeRows(kRows, FALSE);
    for (int col = 0; col < kCols; ++col) ChangeColumnWidth(col, 130);
    SetPaintingEnabled(1);
    ShowWindow(SW_SHOW);
    QApplication::processEvents();
  }
  ~BenchGrid() override { DestroyWindow(); }
  void OnGetCell(int col, long row, CUGCell* cell) override {
    if (col < 0 || row < 0) return;
    cell->SetCellType(typeId);
    cell->SetText(Texts()[static_cast<size_t>(row) * kCols + static_cast<size_t>(col)].c_str());
  }
  CountingType counting;
  int typeId = 0;
};

class TextModel : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex&) const override { return kRows; }
  int columnCount(const QModelIndex&) const override { return kCols; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    ++fetched;
    return QString::fromStdString(Texts()[static_cast<size_t>(index.row()) * kCols + static_cast<size_t>(index.column())]);
  }
  mutable long fetched = 0;
};

void PaintNow(QWidget* window) {
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window, &request);
}

void BM_GridFullRepaint(benchmark::State& state) {
  BenchGrid grid;
  grid.counting.drawn = 0;
  for (auto _ : state) grid.m_CUGGrid->Update();
  state.counters["cells"] = benchmark::Counter(static_cast<double>(grid.counting.drawn), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GridFullRepaint)->Unit(benchmark::kMillisecond);

void BM_GridDownAtLastVisibleRow(benchmark::State& state) {
  BenchGrid grid;
  grid.GotoRow(grid.m_GI->m_bottomRow - 1);
  grid.counting.drawn = 0;
  for (auto _ : state) {
    if (grid.m_GI->m_currentRow >= kRows - 2) {
      state.PauseTiming();
      grid.GotoRow(0);
      grid.SetTopRow(0);
      grid.GotoRow(grid.m_GI->m_bottomRow - 1);
      state.ResumeTiming();
    }
    grid.m_CUGGrid->SendMessage(WM_KEYDOWN, VK_DOWN, 1);
    grid.m_CUGGrid->SendMessage(WM_KEYUP, VK_DOWN, 1);
  }
  state.counters["cells"] = benchmark::Counter(static_cast<double>(grid.counting.drawn), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GridDownAtLastVisibleRow)->Unit(benchmark::kMicrosecond);

void BM_GridTopRowByOne(benchmark::State& state) {
  BenchGrid grid;
  grid.counting.drawn = 0;
  for (auto _ : state) {
    if (grid.m_GI->m_topRow >= grid.m_GI->m_maxTopRow) {
      state.PauseTiming();
      grid.SetTopRow(0);
      state.ResumeTiming();
    }
    grid.SetTopRow(grid.m_GI->m_topRow + 1);
  }
  state.counters["cells"] = benchmark::Counter(static_cast<double>(grid.counting.drawn), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GridTopRowByOne)->Unit(benchmark::kMicrosecond);

struct TableView {
  TableView() {
    view.setModel(&model);
    view.resize(kWidth, kHeight);
    for (int col = 0; col < kCols; ++col) view.setColumnWidth(col, 130);
    view.verticalHeader()->setDefaultSectionSize(20);
    view.show();
    QApplication::processEvents();
  }
  TextModel model;
  QTableView view;
};

void BM_TableViewFullRepaint(benchmark::State& state) {
  TableView table;
  table.model.fetched = 0;
  for (auto _ : state) {
    table.view.viewport()->update();
    PaintNow(table.view.window());
  }
  state.counters["cells"] = benchmark::Counter(static_cast<double>(table.model.fetched), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TableViewFullRepaint)->Unit(benchmark::kMillisecond);

void BM_TableViewDownAtLastVisibleRow(benchmark::State& state) {
  TableView table;
  const int visible = table.view.viewport()->height() / 20;
  table.view.setCurrentIndex(table.model.index(visible - 1, 0));
  PaintNow(table.view.window());
  table.model.fetched = 0;
  for (auto _ : state) {
    int row = table.view.currentIndex().row();
    if (row >= kRows - 2) {
      state.PauseTiming();
      table.view.scrollToTop();
      table.view.setCurrentIndex(table.model.index(visible - 1, 0));
      PaintNow(table.view.window());
      state.ResumeTiming();
      row = visible - 1;
    }
    const QModelIndex next = table.model.index(row + 1, 0);
    table.view.setCurrentIndex(next);
    table.view.scrollTo(next);
    PaintNow(table.view.window());
  }
  state.counters["cells"] = benchmark::Counter(static_cast<double>(table.model.fetched), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TableViewDownAtLastVisibleRow)->Unit(benchmark::kMicrosecond);

void BM_TableViewTopRowByOne(benchmark::State& state) {
  TableView table;
  QScrollBar* bar = table.view.verticalScrollBar();
  table.model.fetched = 0;
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
  state.counters["cells"] = benchmark::Counter(static_cast<double>(table.model.fetched), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TableViewTopRowByOne)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
