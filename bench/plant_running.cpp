// The whole program as it runs on a plant PC: started as main starts it
// (single-instance check, splash, engine, the worker cycles and every window
// timer for real), left in Demo at rest for a while, then with a recipe
// running. For each part: the process's share of one core (getrusage: all
// threads, user and system time) and the paints per second of the plant form
// and of its shapes (other windows' paints, the labels' mostly, apart).
//
// RUV_BENCH_RUN_SECONDS sets the length of each part (3 s by default, so the
// run under CTest stays brief); the figures in docs/performance.md are 60 s
// parts. Offscreen by default; QT_QPA_PLATFORM=xcb under Xvfb for a screen.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <sys/resource.h>

#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/MessageCore.h"
#include "plant/PlantModel.h"
#include "shapes/ProcessDataGen.h"
#include "support/PlantBenchSupport.h"

namespace {

constexpr int kSettleMs = 2000;        // the splash's last step and the first passes
constexpr int kStartWatchdogMs = 60000;  // a run that does not begin by then never will

double PartSeconds() {
  const char* text = std::getenv("RUV_BENCH_RUN_SECONDS");
  const double seconds = text ? std::atof(text) : 3.0;
  return seconds > 0.0 ? seconds : 3.0;
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the application's event loop for `ms` (timers, posted work, paints).
void RunEventLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until `done` holds, looking every 50 ms; false when the
// watchdog ran out first.
bool RunEventLoopUntil(const std::function<bool()>& done, int watchdogMs) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > watchdogMs) return false;
    RunEventLoopFor(50);
  }
  return true;
}

// Counts the paints the widgets get, by who gets them.
class PaintCounter final : public QObject {
 public:
  PaintCounter(QWidget* form, std::set<const QObject*> shapes) : m_form(form), m_shapes(std::move(shapes)) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
  PaintCounter(const PaintCounter&) = delete;
  PaintCounter& operator=(const PaintCounter&) = delete;

  struct Counts {
    long form = 0;
    long shapes = 0;
    long others = 0;
  };
  Counts Get() const { return m_counts; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    if (watched == m_form) ++m_counts.form;
    else if (m_shapes.count(watched) != 0) ++m_counts.shapes;
    else ++m_counts.others;
    return false;
  }

 private:
  const QObject* m_form;
  std::set<const QObject*> m_shapes;
  Counts m_counts;
};

// One measured part of the run.
class Part {
 public:
  explicit Part(const PaintCounter& counter)
      : m_counter(counter), m_begin(std::chrono::steady_clock::now()), m_cpu(ProcessCpuSeconds()),
        m_paints(counter.Get()) {}

  void Report(benchmark::State& state, const char* name) const {
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_begin).count();
    const double cpu = ProcessCpuSeconds() - m_cpu;
    const PaintCounter::Counts paints = m_counter.Get();
    const std::string prefix(name);
    state.counters[prefix + "_core_%"] = 100.0 * cpu / wall;
    state.counters[prefix + "_form_paints/s"] = static_cast<double>(paints.form - m_paints.form) / wall;
    state.counters[prefix + "_shape_paints/s"] = static_cast<double>(paints.shapes - m_paints.shapes) / wall;
    state.counters[prefix + "_other_paints/s"] = static_cast<double>(paints.others - m_paints.others) / wall;
  }

 private:
  const PaintCounter& m_counter;
  std::chrono::steady_clock::time_point m_begin;
  double m_cpu;
  PaintCounter::Counts m_paints;
};

std::set<const QObject*> ShapeWidgets() {
  std::set<const QObject*> widgets;
  for (C_BaseShape* shape : GetPlantShapes()) widgets.insert(shape->GetWidget());
  if (C_ProcessDataGen* data = GetProcessDataGen()) widgets.insert(data->GetWidget());
  return widgets;
}

// Targets: at most 2 % of one core at rest, 4 % with a recipe running.
void BM_WholeProgramAtRestThenWithARecipe(benchmark::State& state) {
  const int partMs = static_cast<int>(PartSeconds() * 1000.0);
  bench::ProgramFolder folder;
  QTemporaryDir runtimeDir;  // the single-instance lock is held until the process ends
  ::setenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8().constData(), 1);
  for (auto _ : state) {
    CRuvFrameView* view = bench::StartProgram();
    if (!view) bench::RecipeOperator::Fail("no plant form");
    PaintCounter counter(view->GetWidget(), ShapeWidgets());
    RunEventLoopFor(kSettleMs);
    {
      const Part atRest(counter);
      RunEventLoopFor(partMs);
      atRest.Report(state, "rest");
    }
    {
      bench::RecipeOperator recipe(*view);
      recipe.PressStart();
      if (!RunEventLoopUntil(bench::RecipeOperator::IsRunning, kStartWatchdogMs))
        bench::RecipeOperator::Fail("the recipe did not start");
      const Part withRecipe(counter);
      QElapsedTimer running;
      running.start();
      while (running.elapsed() < partMs) {
        RunEventLoopFor(std::min<int>(250, partMs - static_cast<int>(running.elapsed()) + 1));
        // A run that ended starts again, as the operator would start the next batch.
        if (!bench::RecipeOperator::IsRunning() && !GetProcessEngine().IsStarted()) recipe.PressStart();
      }
      withRecipe.Report(state, "recipe");
    }
    // Closed as the operator's confirmed close ends the program.
    bench::CloseProgram();
  }
  state.SetLabel("targets: rest_core_% <= 2, recipe_core_% <= 4");
}
BENCHMARK(BM_WholeProgramAtRestThenWithARecipe)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return bench::RunProgramBenchmarks(argc, argv); }
