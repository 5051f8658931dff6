// A recipe run in Demo that the operator interrupts off the happy path: a
// change of data source, a Stop and a Start, a batch finished while the run
// doses into its mixer, a recipe saved mid-run, and a recovery file read while
// the process cycle already runs. Each run must either go on to its end or say
// why it waits.
#include <gtest/gtest.h>

#include "common/Conversions.h"
#include "e2e/PlantScenarioFixture.h"
#include "platform/base/Text.h"
#include "plant/DosingStateMachine.h"

namespace {

class RunInterruptionsTest : public PlantScenarioFixture {
 protected:
  // The shift, the recipe of MakeRecipe, batch 1001 in Mixer 1, Start, and
  // passes until the water flows into the mixer.
  void StartTheWater() {
    PrepareRun("1001");
    StartProcess();
    ASSERT_TRUE(PassUntil([] { return WaterPumpOn() && MixerLevel() > 0.0f; }, 50));
  }
  void StopProcess() {
    main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
    // Until the cycle has handled the Stop: the data source waits for that.
    ASSERT_TRUE(PassUntil(
        [] {
          return !GetProcessEngine().IsStarted() && !WaterPumpOn() &&
                 !GetEngineRoot()->GetRecipeSupervisor().HasStopToHandle();
        },
        5));
  }
  void ChooseDataSource(UINT command, int expected) {
    main->SendMessage(WM_COMMAND, command);
    EXPECT_EQ(GetEngineRoot()->GetDataSourceType(), expected);
  }
  // The batch-number dialog, Finish on Mixer 1, then Cancel.
  void FinishMixer1() {
    modal_script::Push([](CDialog& numbers) {
      Click(numbers, IDC_BATCH_FINISH_FIRST);
      Click(numbers, IDCANCEL);
    });
    main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  }
  float ShiftTotal(const std::string& column) { return std::stof(Sql("SELECT " + column + " FROM Shift")); }
};

const char* const kFinishQuestion = "آيا ميخواهيد بچ با مشخصات زير را الان تمام كنيد؟";

TEST_F(RunInterruptionsTest, ADataSourceChangeWhileStartedIsRefusedAndTheRunGoesOnAfterStopAndStart) {
  StartTheWater();
  // Data Source → None, then Demo, while the water runs: both refused, nothing switched off.
  boxes.Expect(IDOK, kDataSourceChangeRefusal);
  ChooseDataSource(ID_DATA_SOURCE_NONE, eDataSourceDemo);
  EXPECT_EQ(boxes.Boxes().back().caption, kDataSourceChangeCaption);
  EXPECT_TRUE(WaterPumpOn());
  boxes.Expect(IDOK, kDataSourceChangeRefusal);
  ChooseDataSource(ID_DATA_SOURCE_DEMO, eDataSourceDemo);
  EXPECT_EQ(Phase(1), 1);

  StopProcess();
  StartProcess();
  RunToTheEnd();
  const float water = ShiftTotal("m_fTtlActlMtrlWater");
  const float labs = ShiftTotal("m_fTtlActlMtrlLABS");
  EXPECT_GE(water, 20.0f);
  EXPECT_GE(labs, 6.0f);
  EXPECT_FLOAT_EQ(MixerLevel(), water + labs);
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
}

TEST_F(RunInterruptionsTest, DataSourceChangesAfterAStopLeaveNoStepStandingAfterTheNextStart) {
  StartTheWater();
  // Stopped mid-water, None switches every output off (the water's direction valve too), Demo.
  StopProcess();
  ChooseDataSource(ID_DATA_SOURCE_NONE, eDataSourceNone);
  for (int pass = 0; pass < 75; ++pass) Pass();
  // Nothing would answer the run's outputs: Start is refused until a source is chosen.
  boxes.Expect(IDOK, kNoDataSourceText);
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  ChooseDataSource(ID_DATA_SOURCE_DEMO, eDataSourceDemo);
  ASSERT_EQ(Phase(1), 1);
  // Start: the valve opens again, then the pump, and the water goes on.
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return WaterPumpOn(); }, 5));

  // Stopped while L.A.B.S discharges: None closes its valves; Start opens them again.
  ASSERT_TRUE(PassUntil([] { return Phase(2) == 5; }));
  StopProcess();
  ChooseDataSource(ID_DATA_SOURCE_NONE, eDataSourceNone);
  ChooseDataSource(ID_DATA_SOURCE_DEMO, eDataSourceDemo);
  StartProcess();
  RunToTheEnd();
  EXPECT_GE(ShiftTotal("m_fTtlActlMtrlWater"), 20.0f);
  EXPECT_GE(ShiftTotal("m_fTtlActlMtrlLABS"), 6.0f);
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
}

TEST_F(RunInterruptionsTest, FinishIsRefusedWhileTheRunDosesIntoTheMixerAndAcceptedAfterTheRun) {
  StartTheWater();
  boxes.Expect(IDOK, ruv::Format(CBatchNumDlg::kFinishDuringRunFormat, "Mixer1"));
  FinishMixer1();
  EXPECT_EQ(Sql("SELECT bBatchIsFinshed FROM Batch"), "0");
  EXPECT_EQ(g_pShiftRS.load()->GetActiveMixerBatchNumber(0, false), 1001);

  RunToTheEnd();
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(nBatchNumber) FROM Batch"), "1001");
  EXPECT_EQ(Sql("SELECT m_nBatchNumber FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "1001");
  // With the run over the batch may be finished.
  boxes.Expect(IDYES, kFinishQuestion);
  FinishMixer1();
  EXPECT_EQ(Sql("SELECT bBatchIsFinshed FROM Batch"), "-1");
}

TEST_F(RunInterruptionsTest, AStepWaitingForABatchNumberSaysSoOnce) {
  StartTheWater();
  // Stopped while L.A.B.S charges, Mixer 1's batch finished (allowed: stopped),
  // and the recipe saved with Mixer 2: the run goes on with its own copy, into Mixer 1.
  ASSERT_TRUE(PassUntil([] { return Phase(2) >= 1; }));
  StopProcess();
  ASSERT_LE(Phase(2), 3);
  boxes.Expect(IDYES, kFinishQuestion);
  FinishMixer1();
  CRecipeDlg& recipe = *view->GetRecipeDlg();
  for (int row = 0; row < 4; ++row)
    dynamic_cast<CComboBox*>(recipe.GetRow(row).GetDlgItem(IDC_STEP_MIXER))->SetCurSel(1);
  ASSERT_TRUE(recipe.OnSaveRecipe());
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  modal_script::Push([](CDialog& numbers) {
    dynamic_cast<CBatchNumDlg&>(numbers).NumberEdit(1).SetWindowText("1003");
    Click(numbers, IDOK);
  });
  boxes.Expect(IDYES, kLevelQuestion);
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);

  // Charged, L.A.B.S waits for Mixer 1's number: told once, not on every pass.
  boxes.Expect(IDOK, CDosingStateMachine::MakeNoBatchNumberText(2, "L.A.B.S", "Mixer1"));
  ASSERT_TRUE(PassUntil([] { return Phase(2) == 4; }));
  for (int pass = 0; pass < 30; ++pass) Pass();
  EXPECT_EQ(Phase(2), 4);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Boxes().back().caption, CDosingStateMachine::kNoBatchNumberCaption);

  EnterBatchNumber("1002");
  RunToTheEnd();
  EXPECT_EQ(Sql("SELECT m_nBatchNumber FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "1002");
}

TEST_F(RunInterruptionsTest, ThePhasesOfARecoveryFileEndNoRunBeforeTheFormResetsThem) {
  StartInDemo();
  OpenShift("A");
  MakeRecipe();
  // A recovery file in which every used step has ended.
  CProcessEngineApp& process = GetProcessEngine();
  for (int step = 0; step < 4; ++step) process.SetStepPhase(step, CRecipeOneItemDlg::kEndedPhase);
  ASSERT_EQ(process.SaveToFile(), 1);
  process.ResetSteps();

  // The form's start reads it while the process cycle runs: a pass lands before the reset.
  ASSERT_EQ(process.LoadFromFile(), 1);
  ASSERT_EQ(process.GetEnginePhase(), CRecipeOneItemDlg::kEndedPhase);
  Pass();
  process.ResetSteps();
  Pass();
  EXPECT_EQ(boxes.Count(), 1u);  // the new recipe's only: no run ended
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "0");
}

TEST_F(RunInterruptionsTest, TheDelayCountDownShowsTheRunsOwnDoseAfterTheRecipeIsSavedMidRun) {
  StartTheWater();
  ASSERT_TRUE(PassUntil([] { return Phase(3) == CRecipeOneItemDlg::kDelayPhase; }));
  // The delay made 60 s in the dialog and saved: this run keeps its 2 s.
  CRecipeDlg& recipe = *view->GetRecipeDlg();
  recipe.GetRow(2).SetDlgItemText(IDC_STEP_DOSE, "60");
  ASSERT_TRUE(recipe.OnSaveRecipe());
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  recipe.OnRefreshTimer();
  const int elapsed = GetProcessEngine().GetStepTimer(2).GetElapsedWholeSeconds();
  EXPECT_EQ(recipe.GetRow(2).GetDlgItem(IDC_STEP_NEXT)->GetWindowText(),
            FloatToText(2.0f - static_cast<float>(elapsed)) + " >");
  RunToTheEnd();
}

}  // namespace
