// The whole program in Demo, as an operator starts it: the start up to the
// painted plant form, the work of one 200 ms pass of both cycles, a full
// repaint of the form, and the resident memory after the start and after an
// hour of Demo. Each benchmark starts the program from the default files in a
// temporary folder on a database made from the schema.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWidget>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "platform/base/IniProfile.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/SchemaBuilder.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/QtServices.h"
#include "platform/ui/WindowTimers.h"
#include "plant/RuvEngineApp.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

double ResidentMegabytes() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Nobody answers boxes in a benchmark: a box means the start went wrong, so its
// text is printed and the run ends instead of waiting for ever.
class BoxesEndTheRun final : public IMessageBoxService {
 public:
  int Show(const std::string& text, const std::string& caption, UINT) override {
    std::fprintf(stderr, "unexpected box \"%s\": %s\n", caption.c_str(), text.c_str());
    std::_Exit(3);
  }
};

// A program folder with the committed default files and an empty database.
class ProgramFolder {
 public:
  ProgramFolder() {
    const std::string path = m_dir.path().toStdString();
    for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
      std::ofstream(path + "/" + name, std::ios::binary) << ReadFile(std::string(RUV_DATA_DIR "/") + name);
    std::string error;
    ruv::db::CreateDatabaseFromSchema(ReadFile(RUV_DATA_DIR "/schema.sql"), path + "/Qelo-DataBase.mdb", &error);
    SetProgramFolderOverride(path);
    ini::ClearCache();
  }
  ~ProgramFolder() {
    ini::ClearCache();
    SetProgramFolderOverride("");
  }

 private:
  QTemporaryDir m_dir;
};

// The application started as main starts it; closed as main closes it. The
// single-instance lock is held until the process ends, so every start takes it
// in a runtime folder of its own.
class RunningPlant {
 public:
  RunningPlant() {
    ::setenv("XDG_RUNTIME_DIR", m_runtimeDir.path().toUtf8().constData(), 1);
    if (!theApp.InitInstance()) {
      std::fprintf(stderr, "the program refused to start\n");
      std::_Exit(3);
    }
    auto* main = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
    auto* child = main ? dynamic_cast<CChildFrame*>(main->MDIGetActive()) : nullptr;
    view = child ? dynamic_cast<CRuvFrameView*>(child->GetActiveView()) : nullptr;
    PumpPendingMessages();
  }
  ~RunningPlant() {
    if (theApp.m_pMainWnd) theApp.m_pMainWnd->DestroyWindow();
    theApp.Run();
    theApp.CloseAllDocuments();
    // Closed windows' widgets are deleted later, from an event loop; this
    // program has none running between starts, so they go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // The form with every shape painted into a picture.
  void Paint() const { benchmark::DoNotOptimize(view->GetWidget()->grab()); }

  CRuvFrameView* view = nullptr;

 private:
  QTemporaryDir m_runtimeDir;
};

// One pass of the data obtainer's Demo work and of the process cycle.
void CyclePass(CRuvEngineApp& engine) {
  engine.SimulateDemo();
  engine.MirrorDemoFeedback();
  engine.CommonDataCycle();
  engine.ProcessCycle();
}

void BM_StartToPaintedPlantForm(benchmark::State& state) {
  ProgramFolder folder;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    auto plant = std::make_unique<RunningPlant>();
    plant->Paint();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    plant.reset();
  }
}
BENCHMARK(BM_StartToPaintedPlantForm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The cycles' work of one 200 ms period; "core_share_%" is that work as a
// share of one core.
void BM_CyclePassInDemo(benchmark::State& state) {
  ProgramFolder folder;
  RunningPlant plant;
  CRuvEngineApp& engine = *GetEngineRoot();
  engine.StopThreads();
  double seconds = 0.0;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    CyclePass(engine);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    PumpPendingMessages();
  }
  state.counters["core_share_%"] =
      benchmark::Counter(100.0 * seconds / (0.2 * static_cast<double>(state.iterations())));
}
BENCHMARK(BM_CyclePassInDemo)->Unit(benchmark::kMicrosecond);

void BM_FullRepaintOfThePlantForm(benchmark::State& state) {
  ProgramFolder folder;
  RunningPlant plant;
  GetEngineRoot()->StopThreads();
  for (auto _ : state) plant.Paint();
}
BENCHMARK(BM_FullRepaintOfThePlantForm)->Unit(benchmark::kMillisecond);

// Demo time with the form's once-a-second refresh (which also records the
// levels); memory before and after. RUV_BENCH_DEMO_PASSES=18000 makes it an
// hour; by default a minute, so the quick run under CTest stays quick.
void BM_ResidentMemoryOverDemoTime(benchmark::State& state) {
  const char* passesText = std::getenv("RUV_BENCH_DEMO_PASSES");
  const int passes = passesText ? std::atoi(passesText) : 300;
  ProgramFolder folder;
  RunningPlant plant;
  CRuvEngineApp& engine = *GetEngineRoot();
  engine.StopThreads();
  const double afterStart = ResidentMegabytes();
  for (auto _ : state) {
    for (int pass = 1; pass <= passes; ++pass) {
      CyclePass(engine);
      if (pass % 5 == 0) FireTimerNow(plant.view->GetSafeHwnd(), kRefreshTimer);
      PumpPendingMessages();
    }
  }
  state.counters["rss_after_start_MB"] = afterStart;
  state.counters["rss_after_MB"] = ResidentMegabytes();
  state.counters["demo_minutes"] = passes / 300.0;
}
BENCHMARK(BM_ResidentMemoryOverDemoTime)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // as the program's main
  QApplication::setQuitOnLastWindowClosed(false);
  QtServices services;
  BoxesEndTheRun boxes;
  SetMessageBoxService(&boxes);
  modal_script::SetUnscriptedAnswer(IDCANCEL);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
