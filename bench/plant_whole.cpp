// The whole program in Demo, as an operator starts it: the start up to the
// painted plant form, the work of one 200 ms pass of both cycles (idle, and
// with a recipe running), a full repaint of the form, and the resident memory
// after the start and after an hour of Demo. Each benchmark starts the program
// from the default files in a temporary folder on a database made from the
// schema.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

#include "app/BaseTableDlg.h"
#include "app/BatchNumDlg.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/NewShiftDlg.h"
#include "app/RecipeDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "controls/CBalloonHelp.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Clock.h"
#include "platform/base/IniProfile.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/SchemaBuilder.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/QtServices.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "plant/RecipeSupervisor.h"
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

// The boxes of a recipe run, answered as the operator answers them; any other
// box still ends the run with its text.
class RecipeRunBoxes final : public IMessageBoxService {
 public:
  RecipeRunBoxes() : m_unexpected(MessageBoxService()) { SetMessageBoxService(this); }
  ~RecipeRunBoxes() override { SetMessageBoxService(&m_unexpected); }
  RecipeRunBoxes(const RecipeRunBoxes&) = delete;
  RecipeRunBoxes& operator=(const RecipeRunBoxes&) = delete;

  int Show(const std::string& text, const std::string& caption, UINT style) override {
    const struct {
      std::string text;
      int answer;
    } expected[] = {
        {"The level of Batchers & Mixers is:", IDYES},  // asked at each Start
        {CRecipeDlg::kNewRecipeText, IDOK},
        {CRecipeSupervisor::GetRecipeEndText(), IDOK},
    };
    for (const auto& box : expected)
      if (text.find(box.text) != std::string::npos) return box.answer;
    return m_unexpected.Show(text, caption, style);
  }

 private:
  IMessageBoxService& m_unexpected;
};

// A recipe running in Demo, set up as an operator does it: a shift opened
// through the shift dialog, a recipe made in the recipe dialog's rows, saved
// and activated, a batch number for Mixer 1, then Start with the numbers
// confirmed and the level question answered Yes. The recipe charges water
// into Mixer 1 while five batchers charge at once and discharge into it once
// the water is weighed, then a delay step: a run lasts about 480 passes.
class RecipeRunInDemo {
 public:
  static constexpr std::uint32_t kPassPeriodMs = 200;

  explicit RecipeRunInDemo(RunningPlant& plant) : m_view(*plant.view), m_main(*theApp.m_pMainWnd) {
    OpenShift();
    MakeRecipe();
    EnterBatchNumber();
  }
  // The operator's Stop before the program closes: the process engine outlives
  // this start, and the next start in this process must find no run under way.
  ~RecipeRunInDemo() {
    m_main.SendMessage(WM_COMMAND, ID_STOP_PROCESS);
    PumpPendingMessages();
  }
  RecipeRunInDemo(const RecipeRunInDemo&) = delete;
  RecipeRunInDemo& operator=(const RecipeRunInDemo&) = delete;

  static bool IsRunning() {
    CProcessEngineApp& engine = GetProcessEngine();
    return engine.IsStarted() && engine.IsCycleActive();
  }

  // A new run into an emptied Mixer 1 (the Demo has no outflow from the
  // mixers): Start, and the pass that asks the level question and begins.
  void Start(CRuvEngineApp& engine) {
    const PlantObjectId mixer = GetMixerId(0);
    SetShapeAttribFloat(mixer, eCodeLevel, GetShapeAttribFloat(mixer, eCodeMinLevel));
    modal_script::Push([](CDialog& numbers) { Click(numbers, IDOK); });
    m_main.SendMessage(WM_COMMAND, ID_START_PROCESS);
    NextPeriod();
    CyclePass(engine);
    PumpPendingMessages();
    if (!IsRunning()) Fail("the recipe did not start");
  }

  // The time between two passes of the plant.
  static void NextPeriod() { ThePacedClock().Skip(kPassPeriodMs); }

 private:
  struct Step {
    int material;  // index in the plant's material table
    const char* dose;
    const char* startAfter;  // the step number it waits for, 0 for none
  };
  static constexpr int kWater = 0, kCausticSoda = 1, kLabs = 2, kDiEthanol = 4, kBatcher04Material = 6,
                       kBatcher05Material = 8, kDelay = 10;

  static void Click(CWnd& window, UINT id) { window.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  [[noreturn]] static void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::_Exit(3);
  }

  void OpenShift() {
    modal_script::Push([](CDialog& shifts) {
      Click(shifts, IDC_TABLE_NEW);
      Click(shifts, IDCANCEL);
    });
    modal_script::Push([](CDialog& asking) {
      asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("A");
      Click(asking, IDOK);
    });
    m_main.SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
  }

  void MakeRecipe() {
    CRecipeDlg* dialog = m_view.GetRecipeDlg();
    if (!dialog) Fail("no recipe dialog");
    dialog->OnNewRecipe();
    dialog->SetDlgItemText(IDC_RECIPE_NAME, "Soap");
    const Step steps[] = {
        {kWater, "1500", "0"},           {kCausticSoda, "60", "0"}, {kLabs, "60", "0"},
        {kDiEthanol, "40", "0"},         {kBatcher04Material, "40", "0"},
        {kBatcher05Material, "40", "0"}, {kDelay, "10", "1"},
    };
    for (int index = 0; index < static_cast<int>(std::size(steps)); ++index) FillStep(*dialog, index, steps[index]);
    if (!dialog->OnSaveRecipe()) Fail("the recipe was not saved");
    dialog->OnActivate();
    for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
    PumpPendingMessages();
  }

  // A row filled as the operator fills it; the discharge follows the material.
  static void FillStep(CRecipeDlg& dialog, int index, const Step& step) {
    CRecipeOneItemDlg& row = dialog.GetRow(index);
    auto* active = dynamic_cast<CButton*>(row.GetDlgItem(IDC_STEP_ACTIVE));
    auto* material = dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MATERIAL));
    auto* mixer = dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MIXER));
    if (!active || !material || !mixer) Fail("a recipe row without its controls");
    active->SetCheck(BST_CHECKED);
    row.OnCmdMsg(IDC_STEP_ACTIVE, static_cast<int>(BN_CLICKED));
    for (int item = 0; item < material->GetCount(); ++item)
      if (static_cast<int>(material->GetItemData(item)) == step.material) material->SetCurSel(item);
    row.OnCmdMsg(IDC_STEP_MATERIAL, static_cast<int>(CBN_SELCHANGE));
    row.SetDlgItemText(IDC_STEP_DOSE, step.dose);
    row.SetDlgItemText(IDC_STEP_START_AFTER, step.startAfter);
    mixer->SetCurSel(0);  // Mixer 1
  }

  void EnterBatchNumber() {
    modal_script::Push([](CDialog& opened) {
      dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(0).SetWindowText("501");
      Click(opened, IDOK);
    });
    m_main.SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  }

  RecipeRunBoxes m_boxes;
  CRuvFrameView& m_view;
  CWnd& m_main;
};

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
  ProgramFolder folder;
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
  ProgramFolder folder;
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
  SetClock(&ThePacedClock());
  BoxesEndTheRun boxes;
  SetMessageBoxService(&boxes);
  modal_script::SetUnscriptedAnswer(IDCANCEL);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SetClock(nullptr);
  return 0;
}
