#include "e2e/OperatorWalk.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "app/BaseTableDlg.h"
#include "app/BatchNumDlg.h"
#include "app/NewShiftDlg.h"
#include "app/RecipeDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "app/ShiftDlg.h"
#include "controls/CBalloonHelp.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/IniProfile.h"
#include "platform/ui/CButton.h"
#include "platform/ui/ModalDialogScript.h"
#include "plant/PlantModel.h"
#include "plant/RecipeSupervisor.h"
#include "records/AdoDatabase.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "shapes/AnalogCalibrationPage.h"
#include "shapes/AnalogCalibratorCtrl.h"
#include "shapes/ShapeDialogIds.h"
#include "shapes/ShapePropSheet.h"

namespace {

constexpr int kWalkWaterEx = 3;
constexpr int kConfirmationWaits = 9;
constexpr int kCharging = 1, kSettling = 2, kDischarging = 5;
// The operators the shift changes hand over to, in turn.
constexpr const char* kShiftOperators[] = {"B", "C", "D", "A"};
// Passes a wait for a step's charge or discharge goes on at most.
constexpr int kWaitPasses = 400;
// Passes a run started with nothing said gets to reach its end: a few runs' worth.
constexpr int kRunEndPasses = 1500;
constexpr const char* kThreadsNotClosed = "All of threads not closed!";

// OK, and Cancel when the dialog refused OK (it stays open and says why).
void ConfirmOrCancel(CDialog& dialog) {
  dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  if (dialog.IsWindowVisible()) dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CloseBalloons() {
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  PumpPendingMessages();
}

}  // namespace

bool OperatorWalk::Outcome::Has(const std::string& tag) const {
  return std::any_of(findings.begin(), findings.end(), [&](const Finding& finding) { return finding.Tag() == tag; });
}

std::string OperatorWalk::Outcome::Tags() const {
  std::string tags;
  for (const Finding& finding : findings) tags += finding.Tag();
  return tags;
}

std::string OperatorWalk::Outcome::Describe(const std::vector<WalkAction>& walk) const {
  std::string text;
  for (const Finding& finding : findings) {
    const std::size_t at = static_cast<std::size_t>(finding.after);
    text += "\n  after action " + std::to_string(finding.after + 1) + " (" + (at < walk.size() ? walk[at].Text() : "?") +
            "): " + finding.text;
  }
  return text;
}

void OperatorWalk::TearDown() {
  if (view) CloseApplication();
  boxes.SetAnswerer(nullptr);
  modal_script::Clear();
}

// ---------------------------------------------------------------- the plant

namespace {

// What a new process of the program would start without: the process
// engine's flags, steps and run copy, and what the materials remember of the
// last charge (the recovery file, the settings and the database stay).
void ForgetProcessWideState() {
  CProcessEngineApp& engine = GetProcessEngine();
  engine.SetStarted(0, 1);
  engine.ResetSteps();
  engine.ClearRunUsedSteps();
  for (CMaterial& material : g_materials) {
    material.SetTotal(0.0f);
  }
}

}  // namespace

void OperatorWalk::StartApplicationAgain() {
  ForgetProcessWideState();
  // Each start takes the single-instance lock for good: a lock folder of its own.
  const std::string lockFolder = dir.File("lock-" + std::to_string(++m_starts));
  std::filesystem::create_directories(lockFolder);
  ::setenv("XDG_RUNTIME_DIR", lockFolder.c_str(), 1);
  ini::ClearCache();
  // On the test's clock from the start: the cycles pace themselves by a real
  // millisecond each until they are stopped, and the start waits no real period.
  clock.SetYieldOnSleep(true);
  clock.Install();
  if (!StartApplication()) return;
  StopCycles();
  m_chargeEndArmedAt.clear();
}

void OperatorWalk::StartNewPlant() {
  m_other.reset();  // another program's lock of the last walk goes with it
  if (view) CloseApplication();
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) std::filesystem::remove_all(entry.path());
  for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
    dir.Write(name, ReadFile(std::string(RUV_DATA_DIR "/") + name));
  ini::ClearCache();
  boxes.Clear();
  boxes.SetAnswerer([this](const std::string& text, const std::string&, UINT style) { return AnswerBox(text, style); });
  modal_script::Clear();
  ASSERT_EQ(::MakeDatabase(DatabasePath(), ReadFile(RUV_SCHEMA_SQL)), "");
  StartApplicationAgain();
  ASSERT_NE(view, nullptr);
  clock.Install();
  ASSERT_EQ(GetEngineRoot()->GetDataSourceType(), eDataSourceDemo);
  OpenShift("A");
  MakeWalkRecipes();
  modal_script::Push([](CDialog& opened) {
    dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(0).SetWindowText("701");
    dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(1).SetWindowText("702");
    Click(opened, IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  modal_script::Clear();

  const char* trace = std::getenv("RUV_WALK_TRACE");
  m_trace = trace && *trace && *trace != '0';
  // Thousands of walks by hand: the form refreshes every five seconds, not every second.
  m_refreshEveryPasses = 25;
  m_invariants = std::make_unique<RecordInvariants>(DatabasePath());
  m_runEnd = std::make_unique<RunEndCheck>(DatabasePath());
  for (float dose : {80.0f, 30.0f, 90.0f, 70.0f, 40.0f, 60.0f, 95.0f}) m_invariants->AllowDose(kLabs, dose);
  m_invariants->AllowDose(kWater, 20.0f);
  m_invariants->AllowDose(kWalkWaterEx, 10.0f);
  m_invariants->TakeLearnedBaseline();
  m_levelAnswer = IDYES;
  m_finishAnswer = IDYES;
  m_passesSinceStart = 0;
  m_lockActionsLeft = 0;
  m_retryLate = false;
  m_retryPending = false;
  m_otherRows = 0;
  m_threadsBox = false;
  m_shiftChanges = 0;
  m_watchedStartBoxes = kNotWatched;
  m_truth.Reset();
}

void OperatorWalk::SaveRecipe(const char* name, std::initializer_list<StepInput> steps, bool dischargeLabs) {
  CRecipeDlg& dialog = *view->GetRecipeDlg();
  dialog.OnNewRecipe();
  dialog.SetDlgItemText(IDC_RECIPE_NAME, name);
  int index = 0;
  for (const StepInput& input : steps) {
    FillStep(dialog, index, input);
    if (input.material == kLabs && !dischargeLabs) {
      auto* discharge = dynamic_cast<CButton*>(dialog.GetRow(index).GetDlgItem(IDC_STEP_DISCHARGE));
      discharge->SetCheck(BST_UNCHECKED);
      dialog.GetRow(index).OnCmdMsg(IDC_STEP_DISCHARGE, static_cast<int>(BN_CLICKED));
    }
    ++index;
  }
  EXPECT_TRUE(dialog.OnSaveRecipe()) << name;
  CloseBalloons();
}

// Recipes 1 to 5: L.A.B.S into Mixer 1 kept in its batcher, a small and a
// near-capacity L.A.B.S discharged, water with L.A.B.S, a delay and a
// confirmation, and water with L.A.B.S and Water-Ex.
void OperatorWalk::MakeWalkRecipes() {
  SaveRecipe("Keep80", {{kLabs, "80", "0"}}, false);
  SaveRecipe("Small30", {{kLabs, "30", "0"}});
  SaveRecipe("Near90", {{kLabs, "90", "0"}});
  SaveRecipe("Soap", {{kWater, "20", "0"}, {kLabs, "70", "1"}, {kDelay, "2", "2"}, {kConfirmation, "0", "3"}});
  SaveRecipe("WaterEx", {{kWater, "20", "0"}, {kLabs, "30", "0"}, {kWalkWaterEx, "10", "2"}});
}

// ---------------------------------------------------------------- the actions

int OperatorWalk::AnswerBox(const std::string& text, UINT style) {
  if (text.find(kThreadsNotClosed) != std::string::npos) m_threadsBox = true;
  if (text.find(kLevelQuestion) != std::string::npos) return m_levelAnswer;
  if (text.find("Application will be closed.") != std::string::npos) return IDYES;
  if (text.find("آيا ميخواهيد بچ") != std::string::npos) return m_finishAnswer;
  switch (style & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

void OperatorWalk::WalkPass() {
  CRuvEngineApp& engine = *GetEngineRoot();
  clock.Advance(200);
  m_truth.BeforeMove();
  engine.SimulateDemo();
  m_truth.AfterMove();
  engine.MirrorDemoFeedback();
  engine.CommonDataCycle();
  engine.ProcessCycle();
  PumpPendingMessages();
  RunDueChargeEndTimers();
  if (++m_passes % m_refreshEveryPasses == 0) FireTimerNow(view->GetSafeHwnd(), kRefreshTimer);
  if (GetProcessEngine().IsStarted()) m_invariants->NoteChargingSteps();
  m_runEnd->NotePass();
}

void OperatorWalk::RunPasses(int count) {
  for (int pass = 0; pass < count; ++pass) {
    WalkPass();
    if (GetProcessEngine().IsStarted()) ++m_passesSinceStart;
  }
}

void OperatorWalk::SettleChargeEnds() {
  for (int pass = 0; pass < 100 && !m_chargeEndArmedAt.empty(); ++pass) WalkPass();
}

// Passes while the process runs until a step of the run stands in `phase`
// (charging: with its pump on).
void OperatorWalk::WaitForPhase(int phase) {
  CProcessEngineApp& engine = GetProcessEngine();
  const auto reached = [&] {
    for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
      CRecipeStepInfo step;
      if (!engine.GetRunStep(i, step)) return false;
      const int material = step.GetMaterialIndex();
      if (!step.IsStepActive() || engine.GetStepPhase(i) != phase || material < 0 || material >= kChargedMaterialCount)
        continue;
      if (phase != kCharging ||
          GetShapeAttribBool(g_materials[static_cast<std::size_t>(material)].GetChargePumpId(), eCodeOnOffCommand))
        return true;
    }
    return false;
  };
  for (int pass = 0; pass < kWaitPasses && engine.IsStarted() && !reached(); ++pass) RunPasses(1);
}

void OperatorWalk::DoStart(bool levelYes) {
  m_levelAnswer = levelYes ? IDYES : IDNO;
  m_runEnd->NoteStart(m_other != nullptr || m_retryPending);
  const bool wasStarted = GetProcessEngine().IsStarted() != 0;
  const std::size_t boxesBefore = boxes.Count();
  modal_script::Push([](CDialog& numbers) { ConfirmOrCancel(numbers); });
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  modal_script::Clear();
  // A Start the process took (a fresh run or one resumed part-way) is watched to its end.
  if (levelYes && !wasStarted && GetProcessEngine().IsStarted()) m_watchedStartBoxes = boxesBefore;
  // The level question comes in the next pass.
  RunPasses(1);
  m_passesSinceStart = 0;
}

void OperatorWalk::DoStop() {
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  RunPasses(2);
}

void OperatorWalk::DoDataSource(UINT command) {
  // A pump the operator left running charges on after the Demo's fresh start, on a row of its own.
  m_invariants->BeginHandAction();
  const bool started = GetProcessEngine().IsStarted() != 0;
  main->SendMessage(WM_COMMAND, command);
  RunPasses(1);
  m_invariants->EndHandAction(started, kNoPlantObject);
}

void OperatorWalk::DoByHand(const WalkAction& action) {
  const bool on = action.sign == '+';
  const bool started = GetProcessEngine().IsStarted() != 0;
  PlantObjectId pumpStarted = kNoPlantObject;
  m_invariants->BeginHandAction();
  if (action.kind == 'V' && action.number >= 0 && action.number < kPlantValveCount)
    g_valves[static_cast<std::size_t>(action.number)].SetAttribBool(eValveDoOnOffPosition, on);
  if (action.kind == 'P' && action.number >= 0 && action.number < kPlantGearPumpCount) {
    C_GearPump& pump = g_gearPumps[static_cast<std::size_t>(action.number)];
    if (on && !pump.GetAttribBool(ePumpDoOnOffSpeed)) pumpStarted = MakeObjectId(eShapeKindGearPump, action.number);
    pump.SetAttribBool(ePumpDoOnOffSpeed, on);
  }
  PumpPendingMessages();
  RunPasses(1);
  m_invariants->EndHandAction(started, pumpStarted);
}

// Batcher02's property sheet, its level's calibration, Max Phy typed and applied.
void OperatorWalk::DoMaxPhy(int kg) {
  m_invariants->NoteCapacityChange();
  modal_script::Push([kg](CDialog& dialog) {
    auto* sheet = dynamic_cast<C_BaseShapePropSheet*>(&dialog);
    if (!sheet) return;
    for (int i = 0; i < sheet->GetPageCount(); ++i) {
      auto* page = dynamic_cast<CAnalogCalibrationPage*>(sheet->GetPage(i));
      if (!page) continue;
      sheet->SetActivePage(page);
      if (sheet->IsAutoRefresh()) sheet->GetAutoRefreshBox().Click();
      CAnalogCalibratorCtrl* level = page->GetCalibrator(eVesselChannelLevel);
      if (!level) break;
      level->GetDlgItem(IDC_CALIB_MAX)->SetWindowText(std::to_string(kg));
      Click(*level, IDC_CALIB_APPLY);
      break;
    }
    if (sheet->GetSafeHwnd() && sheet->IsWindowVisible()) Click(*sheet, IDCANCEL);
  });
  g_vessels[static_cast<std::size_t>(ePlantBatcher01 + 1)].ShowProperties();
}

// Another program's connection takes the lock and writes a row of its own
// into Event2 and into Batch.
void OperatorWalk::TakeLock(const WalkAction& action) {
  if (m_other) return;
  RetryKept();
  m_invariants->NoteLockTaken();
  m_other = std::make_unique<RawDatabase>(DatabasePath());
  if (m_other->Exec(action.kind == 'X' ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE") != SQLITE_OK) {
    m_other.reset();
    m_invariants->NoteLockGone();
    return;
  }
  const std::string number = std::to_string(900 + ++m_otherRows);
  m_other->Exec("INSERT INTO Event2 (m_strDataSourceType, m_strBatchedMatrialName, m_fStartMatrialDose, "
                "m_fEndMatrialDose, m_strDisChargeDir, m_nBatchNumber, m_bIsAutoBatching, m_bChrageIsEnd, "
                "m_bBatchIsCompleted) VALUES ('Other program', 'L.A.B.S', 10, 15.5, 'Mixer4', " + number + ", 1, 1, 1)");
  m_otherEvent2 = std::stoi(m_other->Text("SELECT last_insert_rowid()"));
  m_other->Exec("INSERT INTO Batch (strDataSourceType, nBatchNumber, bBatchIsFinshed, strMixerName) VALUES "
                "('Other program', " + number + ", -1, 'Mixer4')");
  m_otherBatch = std::stoi(m_other->Text("SELECT last_insert_rowid()"));
  m_lockActionsLeft = std::max(1, action.number);
  m_otherCommits = action.sign != '-';
  m_retryLate = action.sign == '~';
}

void OperatorWalk::ReleaseLock(bool retryNow) {
  if (!m_other) return;
  m_other->Exec(m_otherCommits ? "COMMIT" : "ROLLBACK");
  m_other.reset();
  // As written, before the program's kept writes go in after them.
  m_invariants->NoteForeignRow("Event2", m_otherEvent2, m_otherCommits ? m_invariants->RowText("Event2", m_otherEvent2) : "");
  m_invariants->NoteForeignRow("Batch", m_otherBatch, m_otherCommits ? m_invariants->RowText("Batch", m_otherBatch) : "");
  m_retryPending = true;
  if (retryNow || !m_retryLate) RetryKept();
}

void OperatorWalk::RetryKept() {
  if (!m_retryPending) return;
  m_retryPending = false;
  // The database's retry timer writes what it kept.
  if (CRuvEngineApp* engine = GetEngineRoot())
    if (CADODatabase* database = engine->GetDatabase()) database->WriteKept();
  PumpPendingMessages();
  m_invariants->NoteLockGone();
}

void OperatorWalk::ChangeShift() {
  const std::string next = kShiftOperators[m_shiftChanges % std::size(kShiftOperators)];
  bool changed = false;
  modal_script::Push([&changed](CDialog& shifts) {
    Click(shifts, IDC_SHIFT_STOP);
    // Refused while the process runs: the shift goes on.
    const CShiftRS* table = g_pShiftRS.load();
    if (table && !table->HasActiveRecord()) {
      Click(shifts, IDC_TABLE_NEW);
      changed = table->HasActiveRecord();
    }
    Click(shifts, IDCANCEL);
  });
  modal_script::Push([next](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText(next);
    Click(asking, IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
  modal_script::Clear();
  if (!changed) return;
  ++m_shiftChanges;
  // The new shift has no batch numbers: what still flows into a mixer is its open batch's.
  m_truth.KeepBatchesOpen();
}

void OperatorWalk::DoFinish(bool yes) {
  m_finishAnswer = yes ? IDYES : IDNO;
  modal_script::Push([](CDialog& numbers) {
    Click(numbers, IDC_BATCH_FINISH_FIRST);
    Click(numbers, IDCANCEL);
  });
  main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
}

void OperatorWalk::ShowRecipe(int number) {
  CRecipeDlg& dialog = *view->GetRecipeDlg();
  CRecipeRS* table = dialog.GetRecipeTable();
  for (int step = 0; step < 20 && !table->IsFirstRecord(); ++step) Click(dialog, IDC_TABLE_PREVIOUS);
  for (int step = 1; step < number; ++step) Click(dialog, IDC_TABLE_NEXT);
}

void OperatorWalk::ShowActiveRecipe() { Click(*view->GetRecipeDlg(), IDC_TABLE_FIND_ACTIVE); }

void OperatorWalk::PushActivate() {
  view->GetRecipeDlg()->OnActivate();
  CloseBalloons();
}

void OperatorWalk::AnswerConfirmation() {
  for (int i = 0; i < CRecipeDlg::kRowCount; ++i) {
    if (GetProcessEngine().GetStepPhase(i) != kConfirmationWaits) continue;
    Click(view->GetRecipeDlg()->GetRow(i), IDC_STEP_NEXT);
    return;
  }
}

void OperatorWalk::SaveActiveDose(int kg) {
  ShowActiveRecipe();
  CRecipeDlg& dialog = *view->GetRecipeDlg();
  CRecipeRS* table = dialog.GetRecipeTable();
  {
    auto lock = table->LockActive();
    if (!table->IsCurrentActive()) return;
  }
  for (int i = 0; i < CRecipeDlg::kRowCount; ++i) {
    const CRecipeStepInfo& step = table->Current().GetStep(i);
    if (!step.IsStepActive() || step.GetMaterialIndex() != kLabs) continue;
    dialog.GetRow(i).SetDlgItemText(IDC_STEP_DOSE, std::to_string(kg));
    m_invariants->AllowDose(kLabs, static_cast<float>(kg));
    dialog.OnSaveRecipe();
    CloseBalloons();
    return;
  }
}

void OperatorWalk::CloseAndStartAgain(bool underTheLock) {
  // The other program lets go before the close, unless its lock is to outlast
  // the program: the records it kept then wait in the journal, and the start
  // must read them as kept.
  if (!underTheLock) ReleaseLock();
  main->SendMessage(WM_CLOSE);
  if (!IsQuitPosted()) return;
  main = nullptr;
  child = nullptr;
  view = nullptr;
  theApp.Run();
  theApp.CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  StartApplicationAgain();
}

void OperatorWalk::Do(const WalkAction& action) {
  switch (action.kind) {
    case 'S': DoStart(true); break;
    case 's': DoStart(false); break;
    case 'T':
      if (action.number == 1) WaitForPhase(kDischarging);
      DoStop();
      break;
    case 'Z':
      // Stop in the pass a discharge starts and finish the batch before it drained.
      WaitForPhase(kDischarging);
      main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
      DoFinish(true);
      Do(WalkAction{'B', action.number, 0});
      break;
    case 'w': WaitForPhase(action.number == 5 ? kDischarging : action.number == 2 ? kSettling : kCharging); break;
    case 'G': ChangeShift(); break;
    case 'L':
    case 'X': TakeLock(action); break;
    case 'N': DoDataSource(ID_DATA_SOURCE_NONE); break;
    case 'D': DoDataSource(ID_DATA_SOURCE_DEMO); break;
    case 'V':
    case 'P': DoByHand(action); break;
    case 'F': DoFinish(true); break;
    case 'f': DoFinish(false); break;
    case 'B':
    case 'b': {
      const std::string number = std::to_string(action.number);
      const int mixer = action.kind == 'B' ? 0 : 1;
      modal_script::Push([number, mixer](CDialog& numbers) {
        dynamic_cast<CBatchNumDlg&>(numbers).NumberEdit(mixer).SetWindowText(number);
        ConfirmOrCancel(numbers);
      });
      main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
      break;
    }
    case 'R':
      ShowRecipe(action.number);
      PushActivate();
      break;
    case 'A': {
      ShowActiveRecipe();
      CRecipeRS* table = view->GetRecipeDlg()->GetRecipeTable();
      bool shownIsActive = false;
      {
        auto lock = table->LockActive();
        shownIsActive = table->IsCurrentActive();
      }
      if (shownIsActive) PushActivate();
      break;
    }
    case 'C': AnswerConfirmation(); break;
    case 'M': DoMaxPhy(action.number); break;
    case 'W': SaveActiveDose(action.number); break;
    case 'Q': CloseAndStartAgain(); break;
    case 'K': CloseAndStartAgain(true); break;
    case 'p': RunPasses(std::max(1, action.number)); break;
    default: break;
  }
  modal_script::Clear();
  if (view) PumpPendingMessages();
}

// ---------------------------------------------------------------- walks

void OperatorWalk::Trace(const WalkAction& action, std::size_t boxesBefore) {
  std::string phases;
  for (int i = 0; i < 5; ++i) phases += std::to_string(GetProcessEngine().GetStepPhase(i)) + ",";
  std::printf("%-6s started %d phases %s Batcher02 %.2f/%.0f Mixer1 %.2f\n", action.Text().c_str(),
              GetProcessEngine().IsStarted(), phases.c_str(),
              static_cast<double>(GetShapeAttribFloat(GetMaterialWeigherId(kLabs, 0), eCodeLevel)),
              static_cast<double>(GetShapeAttribFloat(GetMaterialWeigherId(kLabs, 0), eCodeMaxLevel)),
              static_cast<double>(MixerLevel()));
  const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
  for (std::size_t k = boxesBefore; k < shown.size(); ++k) std::printf("         box: %s\n", shown[k].text.c_str());
  std::string entered;
  for (const auto& [key, kg] : m_truth.Entered())
    entered += " Mixer" + std::to_string(key.first + 1) + "/" + std::to_string(key.second) + " " + std::to_string(kg);
  double labsTank = 0.0;
  m_truth.TankLoss(kLabs, labsTank);
  std::printf("         truth: entered%s; L.A.B.S tank lost %.2f; vanished %.2f; rounding bound %.4f\n", entered.c_str(),
              labsTank, m_truth.Vanished(), m_truth.Rounding());
  std::printf("         Event2: %s\n         Shift: %s\n",
              Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || printf('%.2f', "
                  "m_fStartMatrialDose) || '->' || printf('%.2f', m_fEndMatrialDose) || ' ' || m_strDisChargeDir || ' ' || "
                  "m_nBatchNumber || ' ' || m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2")
                  .c_str(),
              Sql("SELECT printf('%.2f', m_fTotalProduced) || ' water ' || printf('%.2f', m_fTtlActlMtrlWater) || ' labs ' || "
                  "printf('%.2f', m_fTtlActlMtrlLABS) || ' waterex ' || printf('%.2f', m_fTtlActlMtrlWaterEx) || ' cycles ' || "
                  "m_nShiftTotalCycle FROM Shift")
                  .c_str());
  std::fflush(stdout);
}

OperatorWalk::Outcome OperatorWalk::RunWalk(const std::vector<WalkAction>& walk) {
  Outcome outcome;
  const char* ignoredTags = std::getenv("RUV_WALK_IGNORE");
  const std::string ignored = ignoredTags ? ignoredTags : "";
  const auto note = [&](int after, const std::string& text) {
    Finding finding{after, text};
    if (!ignored.empty() && ignored.find(finding.Tag()) != std::string::npos) return;
    if (!outcome.Has(finding.Tag())) outcome.findings.push_back(finding);
  };
  StartNewPlant();
  if (!view || !m_invariants) {
    note(-1, "(-) the plant did not start");
    return outcome;
  }
  std::size_t boxesAtStart = boxes.Count();
  std::size_t boxesShown = boxes.Count();
  for (std::size_t k = 0; k < walk.size(); ++k) {
    const WalkAction& action = walk[k];
    const std::size_t boxesBeforeAction = boxes.Count();
    Do(action);
    if (!view) {
      note(static_cast<int>(k), "(-) the program did not start again");
      return outcome;
    }
    // A Start that asked the level question starts anew; its own pass may
    // already say why a step waits. (A Start while started asks nothing.)
    if (action.kind == 'S' || action.kind == 's') {
      const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
      std::size_t since = shown.size();
      bool asked = false;
      for (std::size_t b = boxesBeforeAction; b < shown.size(); ++b) {
        if (shown[b].text.find(kLevelQuestion) != std::string::npos)
          asked = true;
        else
          since = std::min(since, b);
      }
      if (asked) boxesAtStart = since;
    }
    // Another program's lock lasts its actions, then goes (a lock taken by
    // this action counts from the next).
    // A retry left for after this action comes now (a lock taken meanwhile waits for it).
    if (action.kind != 'L' && action.kind != 'X') RetryKept();
    if (m_other && action.kind != 'L' && action.kind != 'X' && --m_lockActionsLeft <= 0) ReleaseLock(false);
    if (m_trace) Trace(action, boxesShown);
    boxesShown = boxes.Count();
    const bool started = GetProcessEngine().IsStarted() != 0;
    if (!started) SettleChargeEnds();
    m_truth.Look();
    RecordInvariants::QuietPoint point;
    point.started = started;
    point.locked = m_other != nullptr || m_retryPending;
    // A box excuses only the step it names ("Step 2: ...").
    const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
    for (std::size_t b = boxesAtStart; b < shown.size(); ++b) {
      const std::size_t at = shown[b].text.find("Step ");
      if (at != std::string::npos) point.excusedSteps.insert(std::atoi(shown[b].text.c_str() + at + 5));
    }
    point.passesSinceStart = m_passesSinceStart;
    std::vector<std::string> findings = m_invariants->Check(point, m_truth);
    for (std::string& finding : CheckRunEnd(boxesBeforeAction)) findings.push_back(std::move(finding));
    for (std::string& finding : CheckStartedRun(action, boxesBeforeAction, point.locked))
      findings.push_back(std::move(finding));
    if (m_threadsBox) findings.push_back(std::string("(x1) the program said \"") + kThreadsNotClosed + "\"");
    m_threadsBox = false;
    for (const std::string& finding : findings) {
      note(static_cast<int>(k), finding);
      if (m_trace) std::printf("         finding: %s\n", finding.c_str());
    }
  }
  // A lock still held at the end goes, and the records are checked once more.
  if (m_other || m_retryPending) {
    ReleaseLock();
    RetryKept();
    SettleChargeEnds();
    m_truth.Look();
    RecordInvariants::QuietPoint point;
    point.started = GetProcessEngine().IsStarted() != 0;
    for (const std::string& finding : m_invariants->Check(point, m_truth)) note(static_cast<int>(walk.size()) - 1, finding);
    for (const std::string& finding : CheckRunEnd(boxes.Count())) note(static_cast<int>(walk.size()) - 1, finding);
  }
  return outcome;
}

std::vector<std::string> OperatorWalk::CheckStartedRun(const WalkAction& action, std::size_t since, bool locked) {
  std::vector<std::string> findings;
  // What the program said: a box that tells how many kilograms of another
  // charge a batcher holds must not count the run's own (rows kept under a
  // lock are not there to tell).
  const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
  for (std::size_t b = since; b < shown.size() && !locked; ++b)
    if (shown[b].text.find("that this run did not charge") != std::string::npos && m_runEnd->RunFrom() >= 0)
      for (std::string& finding : m_invariants->CheckLeftInWeigherBox(shown[b].text, m_runEnd->RunFrom()))
        findings.push_back(std::move(finding));
  if (m_watchedStartBoxes == kNotWatched) return findings;
  // The operator's own Stop, or a close, ends the watch.
  if (action.kind == 'T' || action.kind == 'Z' || action.kind == 'Q' || action.kind == 'K') {
    m_watchedStartBoxes = kNotWatched;
    return findings;
  }
  // Ended, or told why it stands (a hold, a wait, a question): one box says so.
  for (std::size_t b = m_watchedStartBoxes; b < shown.size(); ++b) {
    if (shown[b].text.find(kLevelQuestion) != std::string::npos) continue;
    m_watchedStartBoxes = kNotWatched;
    return findings;
  }
  const bool started = GetProcessEngine().IsStarted() != 0;
  // A confirmation waits for the operator: its box came when it began, maybe before this Start.
  bool confirming = false;
  for (int i = 0; i < CRecipeRS::kStepCount; ++i)
    confirming = confirming || GetProcessEngine().GetStepPhase(i) == kConfirmationWaits;
  if (started && (m_passesSinceStart < kRunEndPasses || confirming)) return findings;
  m_watchedStartBoxes = kNotWatched;
  findings.push_back(started ? "(r2) the run went " + std::to_string(m_passesSinceStart) +
                                   " passes after its Start without its end message, and nothing said why"
                             : std::string("(r2) the process stopped without the end-of-recipe message, and nothing "
                                           "said why"));
  return findings;
}

std::vector<std::string> OperatorWalk::CheckRunEnd(std::size_t since) {
  const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
  for (std::size_t b = since; b < shown.size(); ++b)
    if (shown[b].text == CRecipeSupervisor::GetRecipeEndText()) m_runEnd->RunEnded();
  // Rows kept under another program's lock are written at the retry after it goes.
  return m_other || m_retryPending ? std::vector<std::string>() : m_runEnd->Check();
}

std::vector<WalkAction> OperatorWalk::Shrink(std::vector<WalkAction> walk, const std::string& tag, int budget) {
  // Nothing after the action that first showed it is needed.
  const Outcome first = RunWalk(walk);
  --budget;
  for (const Finding& finding : first.findings)
    if (finding.Tag() == tag && static_cast<std::size_t>(finding.after) + 1 < walk.size())
      walk.resize(static_cast<std::size_t>(finding.after) + 1);
  const auto stillFails = [&](const std::vector<WalkAction>& candidate) {
    --budget;
    return RunWalk(candidate).Has(tag);
  };
  std::size_t chunk = std::max<std::size_t>(1, walk.size() / 2);
  while (budget > 0) {
    bool dropped = false;
    for (std::size_t from = 0; from < walk.size() && budget > 0;) {
      std::vector<WalkAction> candidate(walk.begin(), walk.begin() + static_cast<std::ptrdiff_t>(from));
      candidate.insert(candidate.end(), walk.begin() + static_cast<std::ptrdiff_t>(std::min(walk.size(), from + chunk)),
                       walk.end());
      if (!candidate.empty() && stillFails(candidate)) {
        walk = std::move(candidate);
        dropped = true;
      } else {
        from += chunk;
      }
    }
    if (chunk == 1 && !dropped) break;
    if (!dropped) chunk = std::max<std::size_t>(1, chunk / 2);
  }
  return walk;
}

void OperatorWalk::ReplayWalk(const std::string& text, const std::string& only) {
  const std::vector<WalkAction> walk = WalkAction::Parse(text);
  Outcome outcome = RunWalk(walk);
  if (!only.empty())
    std::erase_if(outcome.findings, [&](const Finding& finding) { return only.find(finding.Tag()) == std::string::npos; });
  if (outcome.Failed()) ADD_FAILURE() << "The records disagree in \"" << text << "\":" << outcome.Describe(walk);
}
