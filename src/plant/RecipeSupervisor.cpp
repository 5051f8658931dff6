#include "plant/RecipeSupervisor.h"

#include "controls/CBalloonHelp.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"
#include "plant/DosingStateMachine.h"
#include "plant/PlantOperatorServices.h"
#include "plant/ProcessReport.h"
#include "plant/PlantModel.h"
#include "plant/RuvEngineApp.h"
#include "records/ShiftRS.h"

namespace {

// "Stopped at step number " ... "please click the step's button on the recipe page to go on with the batch".
constexpr const char* kConfirmationStart = "توقف در استپ شماره ";
constexpr const char* kConfirmationEnd = " لطفا براي ادامه پروسس بچ، در صفحه فرمولاسيون دكمه مربوطه را كليك كنيد";
// "Every step of the active recipe has been carried out."
constexpr const char* kRecipeEndText = "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد";

constexpr int kMaterialConfirmation = 9;
constexpr int kMaterialDelayStep = 10;
constexpr int kPhaseStart = 0;
constexpr int kPhaseDelay = 8;
constexpr int kPhaseConfirmation = 9;
constexpr int kPhaseEnded = 11;

}  // namespace

CRecipeSupervisor::CRecipeSupervisor(CRuvEngineApp& engine, CDosingStateMachine& dosing)
    : m_engine(engine), m_dosing(dosing) {}

std::string CRecipeSupervisor::MakeConfirmationText(int stepNumber) {
  return kConfirmationStart + std::to_string(stepNumber) + "\n" + kConfirmationEnd;
}

std::string CRecipeSupervisor::GetRecipeEndText() { return kRecipeEndText; }

bool CRecipeSupervisor::HasStopToHandle() const {
  return m_wasStarted.load() && GetProcessEngine().IsStarted() == 0;
}

void CRecipeSupervisor::SuperviseRecipeSteps() {
  CProcessEngineApp& engine = GetProcessEngine();
  const bool started = engine.IsStarted() != 0;
  // The first pass after a Stop: pumps still charging stop (the operator may run them by hand).
  if (!started && m_wasStarted) m_dosing.OnStop();
  m_wasStarted = started;

  if (started && !engine.IsCycleActive()) {
    engine.SetCycleActive(1);
    if (ConfirmLevelReport()) {
      BeginStart();
    } else {
      engine.SetCycleActive(0);
      SendStopCommand();
      // Nothing ran since the last Stop, but that Stop may not have been
      // handled yet (the Start came before a pass saw it): its pumps go off now.
      m_dosing.OnStop();
      m_wasStarted = false;
    }
  }
  if (engine.IsStarted() && engine.IsCycleActive()) StepThroughRecipe();
  // Only a run this supervisor holds can end: phases read from the recovery
  // file at start-up, before the form resets them, are no run.
  if (m_hasRun && engine.GetEnginePhase() == kPhaseEnded) EndRun();
}

void CRecipeSupervisor::BeginStart() {
  const CRecipeRS* recipe = g_pRecipeRS.load();
  const int activeID = recipe ? recipe->GetActiveRecipeID() : -1;
  // Both followed: the run's recipe may have been written since it was copied.
  if (recipe) m_runRecipeID = recipe->FollowRecordId(m_runRecipeID);
  if (m_hasRun && activeID != m_runRecipeID) {
    // Another recipe: its steps start from the beginning. What the given-up
    // run charged and did not book yet (a held step's weigher) is booked first.
    m_dosing.BookCutCharges();
    GetProcessEngine().ResetSteps();
    m_dosing.OnRunEnd();
    m_hasRun = false;
  }
  if (!m_hasRun) {
    TakeRunCopy();
  } else if (m_dosing.HasHeldStep()) {
    // Lowering a dose is how the operator lets a held step finish.
    TakeSavedDoses();
  }
  m_reminded.fill(false);
  m_dosing.OnStart();
}

void CRecipeSupervisor::TakeRunCopy() {
  m_run.Reset();
  if (CRecipeRS* recipe = g_pRecipeRS.load()) {
    auto lock = recipe->LockActive();
    m_run.CopyFrom(recipe->Active());
  }
  const CRecipeRS* followed = g_pRecipeRS.load();
  m_runRecipeID = followed ? followed->FollowRecordId(m_run.GetRecordID()) : m_run.GetRecordID();
  GetProcessEngine().SetRunRecipe(m_run);
  m_dosing.SetRunSteps(&m_run);
  m_hasRun = true;
}

void CRecipeSupervisor::TakeSavedDoses() {
  CRecipeRS* recipe = g_pRecipeRS.load();
  if (!recipe) return;
  {
    auto lock = recipe->LockActive();
    for (int i = 0; i < CRecipeRS::kStepCount; ++i) m_run.GetStep(i).SetDose(recipe->Active().GetStep(i).GetDose());
  }
  GetProcessEngine().SetRunRecipe(m_run);
}

void CRecipeSupervisor::StepThroughRecipe() {
  if (!m_hasRun) TakeRunCopy();
  m_dosing.BeginPass();
  std::string report = kReportStart;
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    // A held step stops the process: nothing else starts in this pass.
    if (m_dosing.IsHoldRequested()) break;
    const CRecipeStepInfo& step = m_run.GetStep(i);
    if (!step.IsStepActive()) continue;
    if (step.m_bIsManualDosing) {
      if (!m_reminded[static_cast<std::size_t>(i)]) {
        m_reminded[static_cast<std::size_t>(i)] = true;
        // Queued to the user-interface thread; the balloon sits at the cursor.
        CBalloonHelp::ShowBalloon(kManualDosingTitle, kManualDosingText, nullptr, IDI_INFORMATION, kBalloonOptions,
                                  kBalloonTimeoutMs);
      }
      continue;
    }
    const int material = step.GetMaterialIndex();
    if (material >= 0 && material < kChargedMaterialCount) {
      m_engine.DoDosingStep(step, report);
    } else {
      RunPseudoStep(i, step);
    }
  }
  g_strProcessReport.Set(report);
  if (m_dosing.TakeHoldRequest()) SendStopCommand();
}

void CRecipeSupervisor::RunPseudoStep(int i, const CRecipeStepInfo& step) {
  const int material = step.GetMaterialIndex();
  if (material != kMaterialConfirmation && material != kMaterialDelayStep) return;  // never started
  CProcessEngineApp& engine = GetProcessEngine();
  if (engine.GetStepPhase(i) == kPhaseStart && CDosingStateMachine::PreconditionHolds(step.GetPrEndStpNmbr())) {
    if (material == kMaterialConfirmation) {
      // The step waits in phase 9 for the recipe dialog's button; the cycle goes on.
      if (engine.CompareAndSetStepPhase(i, kPhaseStart, kPhaseConfirmation))
        ShowMessageBoxWithoutWaiting(MakeConfirmationText(i + 1), kConfirmationCaption,
                                     MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    } else {
      engine.CompareAndSetStepPhase(i, kPhaseStart, kPhaseDelay);
    }
  }
  if (engine.GetStepPhase(i) == kPhaseDelay &&
      step.GetDose() < static_cast<float>(engine.GetStepTimer(i).GetElapsedWholeSeconds()))
    engine.CompareAndSetStepPhase(i, kPhaseDelay, kPhaseEnded);
}

void CRecipeSupervisor::EndRun() {
  SendStopCommand();
  ShowMessageBoxWithoutWaiting(kRecipeEndText, kRecipeEndCaption, MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
  CProcessEngineApp& engine = GetProcessEngine();
  engine.SetCycleActive(0);
  engine.ResetSteps();
  engine.ClearRunUsedSteps();
  m_dosing.SetRunSteps(nullptr);
  m_dosing.OnRunEnd();
  m_hasRun = false;
  m_runRecipeID = -1;
  m_wasStarted = engine.IsStarted() != 0;
  if (CShiftRS* shift = g_pShiftRS.load()) {
    shift->IncActiveShiftTotalCycle();
    shift->NotifyOwner(kTableActiveShiftChanged);
  }
}

void CRecipeSupervisor::SendStopCommand() {
  CWnd* main = AfxGetMainWnd();
  if (main && main->GetSafeHwnd()) {
    main->SendMessage(WM_COMMAND, kStopProcessCommand, 0);
  } else {
    // No window to ask: the start request is cleared as the command would.
    GetProcessEngine().SetStarted(0, 1);
  }
}
