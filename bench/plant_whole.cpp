// The whole program in Demo, as an operator starts it: the start up to the
// painted plant form, the work of one 200 ms pass of both cycles (idle, and
// with a recipe running), a full repaint of the form, and the resident memory
// after the start and after an hour of Demo. Each benchmark starts the program
// from the default files in a temporary folder on a database made from the
// schema.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPixmap>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Clock.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "plant/RuvEngineApp.h"
#include "support/PlantBenchSupport.h"

namespace {

double ResidentMegabytes() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The process clock: the system's, moved on by the periods the benchmark skips
// instead of waiting for them, so back-to-back passes see 200 ms between them
// as the plant's do and a recipe's delays end after as many passes. Time never
// goes back, so it stays installed for the whole benchmark program.
class PacedClock final : public IClock {
 public:
  std::uint32_t TickCount() override { return m_system.TickCount() + m_skippedMs.load(); }
  DateTimeFields LocalNow() override {
    DateTimeFields now = m_system.LocalNow();
    DATE date = 0;
    if (OleDateFromFields(now, date)) FieldsFromOleDate(date + m_skippedMs.load() / 86400000.0, now);
    return now;
  }
  void SleepMs(std::uint32_t ms) override { m_system.SleepMs(ms); }
  void Skip(std::uint32_t ms) { m_skippedMs.fetch_add(ms); }

 private:
  SystemClock m_system;
  std::atomic<std::uint32_t> m_skippedMs{0};
};

PacedClock& ThePacedClock() {
  static PacedClock clock;
  return clock;
}

// The application started as main starts it; closed as main closes it. The
// single-instance lock is held until the process ends, so every start takes it
// in a runtime folder of its own.
class RunningPlant {
 public:
  RunningPlant() {
    ::setenv("XDG_RUNTIME_DIR", m_runtimeDir.path().toUtf8().constData(), 1);
    view = bench::StartProgram();
    PumpPendingMessages();
  }
  ~RunningPlant() {
    bench::CloseProgram();
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

// A recipe running in Demo, set up as an operator does it (see
// bench::RecipeOperator); the cycles are driven pass by pass here.
class RecipeRunInDemo {
 public:
  static constexpr std::uint32_t kPassPeriodMs = 200;

  explicit RecipeRunInDemo(RunningPlant& plant) : m_operator(*plant.view) {}

  static bool IsRunning() { return bench::RecipeOperator::IsRunning(); }

  // A new run into an emptied Mixer 1: Start, and the pass that asks the level
  // question and begins.
  void Start(CRuvEngineApp& engine) {
    m_operator.PressStart();
    NextPeriod();
    CyclePass(engine);
    PumpPendingMessages();
    if (!IsRunning()) bench::RecipeOperator::Fail("the recipe did not start");
  }

  // The time between two passes of the plant.
  static void NextPeriod() { ThePacedClock().Skip(kPassPeriodMs); }

 private:
  bench::RecipeOperator m_operator;
};

void BM_StartToPaintedPlantForm(benchmark::State& state) {
  bench::ProgramFolder folder;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    auto plant = std::make_unique<RunningPlant>();
    plant->Paint();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    plant.reset();
  }
}
BENCHMARK(BM_StartToPaintedPlantForm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The seconds of one pass; the user-interface work it causes follows and
// counts only in the benchmark's own time.
double TimedCyclePass(CRuvEngineApp& engine) {
  const auto begin = std::chrono::steady_clock::now();
  CyclePass(engine);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  PumpPendingMessages();
  return seconds;
}

// The passes' work as a share of one core, a pass every 200 ms.
benchmark::Counter CoreShare(double seconds, const benchmark::State& state) {
  return benchmark::Counter(100.0 * seconds / (0.2 * static_cast<double>(state.iterations())));
}

// The cycles' work of one 200 ms period; "core_share_%" is that work as a
// share of one core.
void BM_CyclePassInDemo(benchmark::State& state) {
  bench::ProgramFolder folder;
  RunningPlant plant;
  CRuvEngineApp& engine = *GetEngineRoot();
  engine.StopThreads();
  double seconds = 0.0;
  for (auto _ : state) seconds += TimedCyclePass(engine);
  state.counters["core_share_%"] = CoreShare(seconds, state);
}
BENCHMARK(BM_CyclePassInDemo)->Unit(benchmark::kMicrosecond);

// The same with a recipe running, so the recipe supervisor does its step work:
// only passes of a running recipe are measured; a run that ended is started
// again between two passes, outside the measurement ("recipe_runs" counts the
// runs started).
void BM_CyclePassWithARecipeRunning(benchmark::State& state) {
  bench::ProgramFolder folder;
  RunningPlant plant;
  CRuvEngineApp& engine = *GetEngineRoot();
  engine.StopThreads();
  RecipeRunInDemo recipe(plant);
  recipe.Start(engine);
  double seconds = 0.0;
  int runs = 1;
  for (auto _ : state) {
    if (!RecipeRunInDemo::IsRunning()) {
      state.PauseTiming();
      recipe.Start(engine);
      ++runs;
      state.ResumeTiming();
    }
    RecipeRunInDemo::NextPeriod();
    seconds += TimedCyclePass(engine);
  }
  state.counters["core_share_%"] = CoreShare(seconds, state);
  state.counters["recipe_runs"] = runs;
}
BENCHMARK(BM_CyclePassWithARecipeRunning)->Unit(benchmark::kMicrosecond);

void BM_FullRepaintOfThePlantForm(benchmark::State& state) {
  bench::ProgramFolder folder;
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
  bench::ProgramFolder folder;
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

int main(int argc, char** argv) { return bench::RunProgramBenchmarks(argc, argv, &ThePacedClock()); }
