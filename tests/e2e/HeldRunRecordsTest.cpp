// What the records say after a run was held at a full weigher or interrupted
// and the operator then did what a hold invites: emptied the weigher by hand,
// started again, gave the run up for another recipe, lowered the dose,
// switched the data source or closed the program. After each of these the
// Event2 rows, the shift's totals, the batches and the learnt in-flight amount
// must still tell one story.
#include <cmath>
#include <string>

#include "e2e/PlantScenarioFixture.h"
#include "plant/DosingStateMachine.h"

namespace {

constexpr int kLabsPump = 1;  // "L.A.B.S"'s charge pump among the gear pumps
constexpr float kKg = 0.01f;  // what two sums of the same bookings may differ by

class HeldRunRecordsTest : public PlantScenarioFixture {
 protected:
  // The plant's shapes outlive the program: the capacity goes back for the next test.
  void TearDown() override {
    PlantScenarioFixture::TearDown();
    SetMaxPhy(m_capacity);
    SetShapeAttribFloat(MakeObjectId(eShapeKindGearPump, kLabsPump), eCodeLoadInWay, m_loadInWay);
    // Nor does the process engine: a test that failed mid-run leaves no run behind.
    GetProcessEngine().SetStarted(0, 1);
    GetProcessEngine().ResetSteps();
  }
  void StartWithShiftAndBatch(const std::string& rows = std::string()) {
    StartInDemo(rows);
    m_capacity = GetShapeAttribFloat(Batcher(), eCodeMaxLevel);
    m_loadInWay = LabsLoadInWay();
    OpenShift("A");
    EnterBatchNumber("701");
  }
  void MakeActiveRecipe(std::initializer_list<StepInput> steps) {
    FillRecipe(steps);
    ActivateRecipe();
    ASSERT_TRUE(g_pRecipeRS.load()->HasActiveRecord());
  }
  static PlantObjectId Batcher() { return GetMaterialWeigherId(kLabs, 0); }
  static PlantObjectId Tanker() { return g_materials[kLabs].GetSourceTankerId(); }  // TankerBatcher2A
  static float Level(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); }
  static void SetMaxPhy(float capacity) { SetShapeAttribFloat(Batcher(), eCodeMaxLevel, capacity); }
  // The first row's discharge box cleared: the charge stays in the batcher.
  void KeepInBatcher() {
    auto* discharge = dynamic_cast<CButton*>(view->GetRecipeDlg()->GetRow(0).GetDlgItem(IDC_STEP_DISCHARGE));
    ASSERT_NE(discharge, nullptr);
    discharge->SetCheck(BST_UNCHECKED);
  }
  static float LabsLoadInWay() { return GetShapeAttribFloat(MakeObjectId(eShapeKindGearPump, kLabsPump), eCodeLoadInWay); }

  // Start, Yes, and passes until the full batcher held the run.
  void StartUntilHeld() {
    StartProcess();
    boxes.Expect(IDOK, CDosingStateMachine::MakeFullWeigherText(1, "L.A.B.S", "Batcher02"));
    ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 400));
    ASSERT_TRUE(ChargeEndsDone());
    ASSERT_EQ(Phase(1), 1);
    ASSERT_EQ(boxes.Pending(), 0u);
  }
  // Start, Yes, and passes until the end-of-recipe box stopped the process.
  void StartToTheEnd() {
    StartProcess();
    boxes.Expect(IDOK, kRunEnd);
    ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }));
    ASSERT_TRUE(ChargeEndsDone());
    ASSERT_EQ(boxes.Pending(), 0u);
  }
  // The batcher's direction valve to Mixer 1 and its discharge valve opened by
  // hand until it is empty, then closed.
  void EmptyBatcherByHand() {
    const PlantObjectId direction = GetMaterialDirValveId(kLabs, 0);
    const PlantObjectId discharge = g_materials[kLabs].GetDischargeValveId();
    SetShapeAttribBool(direction, eCodeOnOffCommand, true);
    SetShapeAttribBool(discharge, eCodeOnOffCommand, true);
    ASSERT_TRUE(PassUntil([] { return Level(Batcher()) <= GetShapeAttribFloat(Batcher(), eCodeMinLevel); }, 400));
    SetShapeAttribBool(discharge, eCodeOnOffCommand, false);
    SetShapeAttribBool(direction, eCodeOnOffCommand, false);
    for (int pass = 0; pass < 5; ++pass) Pass();
    ASSERT_TRUE(ChargeEndsDone());
  }
  // The recipe dialog's De Activate (the same button as Activate).
  void DeActivate() {
    view->GetRecipeDlg()->OnActivate();
    for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
    PumpPendingMessages();
  }

  float m_capacity = 100.0f;
  float m_loadInWay = 0.0f;

  float SqlFloat(const std::string& query) { return std::stof(Sql(query)); }
  float EventCharged(const char* material) {
    return SqlFloat(std::string("SELECT TOTAL(m_fEndMatrialDose - m_fStartMatrialDose) FROM Event2 "
                                "WHERE m_strBatchedMatrialName = '") +
                    material + "'");
  }
  float ShiftLabs() { return SqlFloat("SELECT m_fTtlActlMtrlLABS FROM Shift"); }
  // Each L.A.B.S row: start, end, direction, batch, the three flags.
  std::string LabsRows() {
    return Sql("SELECT GROUP_CONCAT(printf('%.1f', m_fStartMatrialDose) || '>' || printf('%.1f', m_fEndMatrialDose) "
               "|| ' ' || m_strDisChargeDir || ' ' || m_nBatchNumber || ' ' || m_bIsAutoBatching || m_bChrageIsEnd || "
               "m_bBatchIsCompleted, '; ') FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'");
  }
  // The ledger: each material's rows sum to the shift's total for it, nothing
  // booked is negative, and the total produced is what was booked.
  void ExpectLedgerBalances() {
    EXPECT_NEAR(EventCharged("Water"), SqlFloat("SELECT m_fTtlActlMtrlWater FROM Shift"), kKg) << LabsRows();
    EXPECT_NEAR(EventCharged("L.A.B.S"), ShiftLabs(), kKg) << LabsRows();
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_fEndMatrialDose < m_fStartMatrialDose - 0.001"), "0")
        << LabsRows();
    EXPECT_GE(ShiftLabs(), 0.0f);
    EXPECT_NEAR(SqlFloat("SELECT m_fTotalProduced FROM Shift"),
                SqlFloat("SELECT m_fTtlActlMtrlWater + m_fTtlActlMtrlLABS FROM Shift"), kKg);
  }
  // Every L.A.B.S row went to Mixer 1 with batch 701 and is completed.
  void ExpectEveryLabsRowCreditedToTheBatch() {
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S' AND NOT "
                  "(m_strDisChargeDir = 'Mixer1' AND m_nBatchNumber = 701 AND m_bBatchIsCompleted = 1)"),
              "0")
        << LabsRows();
  }
  // What the Demo's restart emptied out of a batcher left the plant into no
  // mixer: its row is completed with no direction and no batch.
  std::string GoneWithTheRestart() {
    return Sql("SELECT GROUP_CONCAT(printf('%.1f', m_fEndMatrialDose - m_fStartMatrialDose), ' ') FROM Event2 "
               "WHERE m_strBatchedMatrialName = 'L.A.B.S' AND m_strDisChargeDir = '?' AND m_nBatchNumber = -1 "
               "AND m_bBatchIsCompleted = 1");
  }
  // Every L.A.B.S row went to Mixer 1 with batch 701, or left with a restart.
  void ExpectEveryLabsRowCreditedOrGone() {
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S' AND NOT "
                  "(m_strDisChargeDir = 'Mixer1' AND m_nBatchNumber = 701 AND m_bBatchIsCompleted = 1) AND NOT "
                  "(m_strDisChargeDir = '?' AND m_nBatchNumber = -1 AND m_bBatchIsCompleted = 1)"),
              "0")
        << LabsRows();
  }
  // L.A.B.S 90 into Mixer 1, discharged; after Activate Batcher02 holds 60 at most.
  void HoldAtSixty() {
    ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "90", "0", true}}));
    SetMaxPhy(60.0f);
    ASSERT_NO_FATAL_FAILURE(StartUntilHeld());
    ASSERT_FLOAT_EQ(Level(Batcher()), 60.0f);
  }
};

// The L.A.B.S pump switched on by hand with Batcher02's valves shut and left
// on past the batcher's maximum: the pump goes off at the maximum, the tank
// loses what the batcher and the row gained, and switching it on again is
// refused with one box while the batcher is full.
TEST_F(HeldRunRecordsTest, AHandPumpGoesOffAtItsFullWeigherAndTheTankLosesWhatTheWeigherGained) {
  StartWithShiftAndBatch();
  const float tank = Level(Tanker());
  const PlantObjectId pump = MakeObjectId(eShapeKindGearPump, kLabsPump);
  SetShapeAttribBool(pump, eCodeOnOffCommand, true);
  ASSERT_TRUE(PassUntil([] { return Level(Batcher()) >= GetShapeAttribFloat(Batcher(), eCodeMaxLevel); }, 200));
  for (int pass = 0; pass < 5; ++pass) Pass();
  EXPECT_FALSE(GetShapeAttribBool(pump, eCodeOnOffCommand));
  SetShapeAttribBool(pump, eCodeOnOffCommand, false);
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_NEAR(tank - Level(Tanker()), Level(Batcher()), kKg);
  EXPECT_NEAR(EventCharged("L.A.B.S"), Level(Batcher()), kKg) << LabsRows();

  const std::size_t shown = boxes.Count();
  boxes.Expect(IDOK, MakeFullWeigherPumpText("Batcher02-ChargePump", "Batcher02"));
  SetShapeAttribBool(pump, eCodeOnOffCommand, true);
  for (int pass = 0; pass < 5; ++pass) Pass();
  EXPECT_FALSE(GetShapeAttribBool(pump, eCodeOnOffCommand));
  EXPECT_EQ(boxes.Count(), shown + 1);
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2"), "1") << LabsRows();
}

// Batcher02's maximum lowered to 85 under a charge of 80 whose pump overshoots
// it: what left the tank is what reached Mixer 1 and what the rows hold.
TEST_F(HeldRunRecordsTest, ACapacityTheChargeOvershootsTakesFromTheTankOnlyWhatTheRowsHold) {
  StartWithShiftAndBatch();
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "80", "0", true}}));
  SetMaxPhy(85.0f);
  const float tank = Level(Tanker());
  StartToTheEnd();
  EXPECT_NEAR(tank - Level(Tanker()), EventCharged("L.A.B.S"), kKg) << LabsRows();
  EXPECT_NEAR(Level(GetMixerId(0)), EventCharged("L.A.B.S"), kKg) << LabsRows();
  ExpectLedgerBalances();
}

// L.A.B.S 80 with 25 kg learned in the pipe and Batcher02's maximum lowered to
// 60: the pump's stop (55) is under the maximum, the dose is not. The charge
// stops at the maximum and the run holds there, never ending 20 kg short.
TEST_F(HeldRunRecordsTest, ADoseAboveTheMaximumHoldsAtItWhateverTheInPipeAmount) {
  StartWithShiftAndBatch();
  SetShapeAttribFloat(MakeObjectId(eShapeKindGearPump, kLabsPump), eCodeLoadInWay, 25.0f);
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "80", "0", true}}));
  SetMaxPhy(60.0f);
  ASSERT_NO_FATAL_FAILURE(StartUntilHeld());
  EXPECT_NEAR(Level(Batcher()), 60.0f, kKg);
  ExpectLedgerBalances();
}

TEST_F(HeldRunRecordsTest, AHeldChargeIsBookedAsItsRowSaysAndAHandEmptyingBeforeTheCloseChangesNothing) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  // Held: the charge that ran is on its row and in the shift alike.
  ExpectLedgerBalances();
  EXPECT_NEAR(ShiftLabs(), 60.0f, kKg);
  EmptyBatcherByHand();
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();
  CloseWithYes();
  ExpectLedgerBalances();
  EXPECT_NEAR(ShiftLabs(), 60.0f, kKg);
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "0");
}

TEST_F(HeldRunRecordsTest, ADischargeTheCloseEndsCreditsTheBatchBeforeTheTablesClose) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  // The operator empties the batcher by hand and closes the program with the valves open.
  SetShapeAttribBool(GetMaterialDirValveId(kLabs, 0), eCodeOnOffCommand, true);
  SetShapeAttribBool(g_materials[kLabs].GetDischargeValveId(), eCodeOnOffCommand, true);
  ASSERT_TRUE(PassUntil([] { return Level(Batcher()) <= GetShapeAttribFloat(Batcher(), eCodeMinLevel); }, 400));
  CloseWithYes();
  ExpectEveryLabsRowCreditedToTheBatch();
  ExpectLedgerBalances();
}

TEST_F(HeldRunRecordsTest, AHeldChargeEmptiedByHandAndGivenUpForAnotherRecipeStaysBookedOnce) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  EmptyBatcherByHand();
  SetMaxPhy(100.0f);
  DeActivate();
  ASSERT_FALSE(g_pRecipeRS.load()->HasActiveRecord());
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "30", "0", true}}));
  StartToTheEnd();
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();
  EXPECT_NEAR(ShiftLabs(), EventCharged("L.A.B.S"), kKg);
  EXPECT_GT(ShiftLabs(), 89.0f);
  EXPECT_NEAR(Level(GetMixerId(0)), EventCharged("L.A.B.S"), kKg);
}

TEST_F(HeldRunRecordsTest, AHeldStepEmptiedByHandChargesWhatItsDoseStillLacksAndFinishes) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  const float learnt = LabsLoadInWay();
  EmptyBatcherByHand();
  // The hand discharge is a new baseline: 30 kg are still missing, and they fit.
  StartToTheEnd();
  EXPECT_EQ(Phase(1), 0);
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "2") << LabsRows();
  // The second part stopped at the 30 kg still lacking (and the Demo pump's run-on), not at a full batcher.
  EXPECT_GE(ShiftLabs(), 90.0f);
  EXPECT_LT(ShiftLabs(), 60.0f + 55.0f);
  EXPECT_NEAR(Level(GetMixerId(0)), EventCharged("L.A.B.S"), kKg);
  // A charge cut in two teaches the in-flight amount nothing.
  EXPECT_FLOAT_EQ(LabsLoadInWay(), learnt);
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
}

TEST_F(HeldRunRecordsTest, AResumedHoldCreditsBothOfItsRowsToTheReceivingBatch) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  const float learnt = LabsLoadInWay();
  SetMaxPhy(100.0f);
  StartToTheEnd();
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "2") << LabsRows();
  EXPECT_NEAR(Level(GetMixerId(0)), ShiftLabs(), kKg);
  EXPECT_FLOAT_EQ(LabsLoadInWay(), learnt);
}

TEST_F(HeldRunRecordsTest, AHeldChargeTheProgramWasClosedOnLeavesWithTheDemosEmptyStart) {
  // What a session closed during a hold left: its row charged, never discharged.
  StartWithShiftAndBatch(
      "INSERT INTO Event2 (m_strBatchedMatrialName, m_fStartMatrialDose, m_fEndMatrialDose, m_strDisChargeDir, "
      "m_nBatchNumber, m_bIsAutoBatching, m_bChrageIsEnd, m_bBatchIsCompleted) "
      "VALUES ('L.A.B.S', 0, 20, '?', -1, 1, 1, 0)");
  // The Demo starts with empty batchers: those 20 kg reach no batch.
  EXPECT_EQ(GoneWithTheRestart(), "20.0");
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "30", "0", true}}));
  StartToTheEnd();
  ExpectEveryLabsRowCreditedOrGone();
  EXPECT_EQ(GoneWithTheRestart(), "20.0");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "2") << LabsRows();
}

TEST_F(HeldRunRecordsTest, AStepDoesNotStartItsPumpOnAFullWeigherAndARowKeepsTheCycleItStartedIn) {
  StartWithShiftAndBatch();
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kWater, "20", "0", false}}));
  // Mixer 1 full: the water step says so and stops the process without a charge.
  const float full = GetShapeAttribFloat(GetMixerId(0), eCodeMaxLevel);
  SetShapeAttribFloat(GetMixerId(0), eCodeLevel, full);
  StartProcess();
  boxes.Expect(IDOK, CDosingStateMachine::MakeFullWeigherText(1, "Water", "Mixer1"));
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 20));
  for (int pass = 0; pass < 10; ++pass) Pass();
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_EQ(Phase(1), 0);
  EXPECT_FALSE(WaterPumpOn());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2"), "0");
  ExpectLedgerBalances();

  // Room again; the run's pass starts the pump and the operator stops the
  // process before the form has written the charge's row: the row is still
  // the run's own.
  SetShapeAttribFloat(GetMixerId(0), eCodeLevel, 0.0f);
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return GetProcessEngine().IsCycleActive() != 0; }, 5));
  CRuvEngineApp& engine = *GetEngineRoot();
  for (int pass = 0; pass < 5 && !WaterPumpOn(); ++pass) {
    clock.Advance(200);
    engine.SimulateDemo();
    engine.MirrorDemoFeedback();
    engine.CommonDataCycle();
    engine.ProcessCycle();
    if (WaterPumpOn()) break;
    PumpPendingMessages();
  }
  ASSERT_TRUE(WaterPumpOn());
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  for (int pass = 0; pass < 5; ++pass) Pass();
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || m_bIsAutoBatching) FROM Event2"), "Water 1");
  ExpectLedgerBalances();
}

TEST_F(HeldRunRecordsTest, ARunDoesNotStartChargingAWeigherThatStillHoldsAGivenUpCharge) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  // Given up for another recipe into the same batcher, with room for it now.
  SetMaxPhy(100.0f);
  DeActivate();
  ASSERT_FALSE(g_pRecipeRS.load()->HasActiveRecord());
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "30", "0", true}}));
  const std::string rows = LabsRows();
  StartProcess();
  boxes.Expect(IDOK, CDosingStateMachine::MakeLeftInWeigherText(1, "L.A.B.S", "Batcher02", 60.0f));
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 20));
  for (int pass = 0; pass < 20; ++pass) Pass();
  ASSERT_TRUE(ChargeEndsDone());
  // Said once; the process stopped before anything was charged.
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(Phase(1), 0);
  EXPECT_EQ(LabsRows(), rows);
  EXPECT_FALSE(g_gearPumps[kLabsPump].GetAttribBool(ePumpDoOnOffSpeed));
  ExpectLedgerBalances();

  // Emptied by hand, the next Start runs the new recipe.
  EmptyBatcherByHand();
  StartToTheEnd();
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();
  EXPECT_NEAR(Level(GetMixerId(0)), EventCharged("L.A.B.S"), kKg);
}

TEST_F(HeldRunRecordsTest, ARunThatLeftItsChargeInTheBatcherMakesTheNextStartAskForItToBeEmptied) {
  StartWithShiftAndBatch();
  ASSERT_NO_FATAL_FAILURE(FillRecipe({{kLabs, "80", "0", true}}));
  ASSERT_NO_FATAL_FAILURE(KeepInBatcher());
  ActivateRecipe();
  ASSERT_TRUE(g_pRecipeRS.load()->HasActiveRecord());
  StartToTheEnd();
  const float left = Level(Batcher());
  ASSERT_GT(left, 79.0f);
  ExpectLedgerBalances();
  const std::string rows = LabsRows();
  StartProcess();
  boxes.Expect(IDOK, CDosingStateMachine::MakeLeftInWeigherText(1, "L.A.B.S", "Batcher02", left));
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 20));
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_EQ(LabsRows(), rows);
  EXPECT_FLOAT_EQ(Level(Batcher()), left);
  ExpectLedgerBalances();
}

TEST_F(HeldRunRecordsTest, ADemoResetWhileStoppedAsAChargeSettlesKeepsEvent2AndTheShiftTogether) {
  StartWithShiftAndBatch();
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kWater, "20", "0", false}, {kLabs, "75", "1", true}}));
  StartProcess();
  // Stopped while L.A.B.S settles in its batcher.
  ASSERT_TRUE(PassUntil([] { return Phase(2) == 2 || Phase(2) == 3; }));
  const float learnt = LabsLoadInWay();
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  for (int pass = 0; pass < 5; ++pass) Pass();
  ASSERT_TRUE(ChargeEndsDone());
  ASSERT_GT(EventCharged("L.A.B.S"), 70.0f);
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_NONE);
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_DEMO);
  ASSERT_EQ(GetEngineRoot()->GetDataSourceType(), eDataSourceDemo);
  ASSERT_TRUE(PassUntil([] { return Level(Batcher()) == 0.0f; }, 5));
  ASSERT_TRUE(ChargeEndsDone());
  ExpectLedgerBalances();
  StartToTheEnd();
  ExpectLedgerBalances();
  EXPECT_GT(ShiftLabs(), 70.0f);
  // The charge reached its dose in one go before the Stop: it teaches.
  EXPECT_NE(LabsLoadInWay(), learnt);
}

TEST_F(HeldRunRecordsTest, ADemoResetDuringAHoldKeepsTheHeldChargeBookedOnceAndTheStepChargesOnlyWhatItLacks) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  const float learnt = LabsLoadInWay();
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_NONE);
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_DEMO);
  ASSERT_EQ(Level(Batcher()), 0.0f);
  // Room for the whole dose: what the restart took never reached Mixer 1.
  SetMaxPhy(100.0f);
  StartToTheEnd();
  ExpectLedgerBalances();
  // The Demo's restart took the held 60 kg out of the plant: their row says
  // so, booked once, and the step's discharge credits the batch with the
  // dose it charged again.
  EXPECT_EQ(GoneWithTheRestart(), "60.0");
  ExpectEveryLabsRowCreditedOrGone();
  const float credited = SqlFloat("SELECT SUM(m_fEndMatrialDose - m_fStartMatrialDose) FROM Event2 WHERE "
                                  "m_strBatchedMatrialName = 'L.A.B.S' AND m_strDisChargeDir = 'Mixer1'");
  EXPECT_GE(credited, 90.0f - learnt) << LabsRows();
  EXPECT_NEAR(ShiftLabs(), 60.0f + credited, 0.05f);
  EXPECT_FLOAT_EQ(LabsLoadInWay(), learnt);
}

// L.A.B.S 30 into Mixer 1 stopped while its charge settles; Batcher02 opened
// by hand towards Mixer 2 for one pass and closed again, so part of the charge
// went there and the rest stays in the batcher on a row of its own. Start: the
// rest is still the run's charge, the step charges what its dose lacks on top
// of it, and the run ends with every kilogram it lacked in Mixer 1.
TEST_F(HeldRunRecordsTest, ASplitChargeLeftInTheBatcherIsTheRunsOwnWhenTheStepChargesAgain) {
  StartWithShiftAndBatch();
  modal_script::Push([](CDialog& numbers) {
    dynamic_cast<CBatchNumDlg&>(numbers).NumberEdit(1).SetWindowText("702");
    Click(numbers, IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  ASSERT_NO_FATAL_FAILURE(MakeActiveRecipe({{kLabs, "30", "0", true}}));
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return Phase(1) == 2 || Phase(1) == 3; }, 400));
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  for (int pass = 0; pass < 2; ++pass) Pass();
  const float charged = Level(Batcher());

  const PlantObjectId towardsMixer2 = GetMaterialDirValveId(kLabs, 1);
  const PlantObjectId discharge = g_materials[kLabs].GetDischargeValveId();
  SetShapeAttribBool(towardsMixer2, eCodeOnOffCommand, true);
  SetShapeAttribBool(discharge, eCodeOnOffCommand, true);
  Pass();
  SetShapeAttribBool(discharge, eCodeOnOffCommand, false);
  SetShapeAttribBool(towardsMixer2, eCodeOnOffCommand, false);
  for (int pass = 0; pass < 2; ++pass) Pass();
  ASSERT_TRUE(ChargeEndsDone());
  const float intoMixer2 = Level(GetMixerId(1));
  ASSERT_GT(intoMixer2, 1.0f);
  ASSERT_GT(Level(Batcher()), 1.0f) << "the discharge must leave part of the charge in the batcher";

  StartToTheEnd();
  ExpectLedgerBalances();
  const float credited = SqlFloat("SELECT SUM(m_fEndMatrialDose - m_fStartMatrialDose) FROM Event2 WHERE "
                                  "m_strBatchedMatrialName = 'L.A.B.S' AND m_strDisChargeDir = 'Mixer1' AND "
                                  "m_nBatchNumber = 701 AND m_bBatchIsCompleted = 1");
  EXPECT_GE(credited, 30.0f - LabsLoadInWay()) << LabsRows();
  EXPECT_NEAR(credited + intoMixer2, ShiftLabs(), kKg) << LabsRows();
  EXPECT_NEAR(Level(GetMixerId(0)), credited, kKg);
  EXPECT_GT(ShiftLabs(), charged);
}

TEST_F(HeldRunRecordsTest, AHeldRecipeIsDeActivatedWithoutADoseCheckAndAStartTakesTheDoseSavedSince) {
  StartWithShiftAndBatch();
  HoldAtSixty();
  // The saved dose, lowered to what the batcher holds, is what the held run finishes with.
  CRecipeDlg& recipe = *view->GetRecipeDlg();
  recipe.GetRow(0).SetDlgItemText(IDC_STEP_DOSE, "55");
  ASSERT_TRUE(recipe.OnSaveRecipe());
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  StartToTheEnd();
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'L.A.B.S'"), "1") << LabsRows();
  ExpectLedgerBalances();
  ExpectEveryLabsRowCreditedToTheBatch();

  // Held again with the dose back at 90: De Activate is not refused by the capacity.
  recipe.GetRow(0).SetDlgItemText(IDC_STEP_DOSE, "90");
  SetMaxPhy(100.0f);
  ASSERT_TRUE(recipe.OnSaveRecipe());
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  SetMaxPhy(60.0f);
  ASSERT_NO_FATAL_FAILURE(StartUntilHeld());
  DeActivate();
  EXPECT_FALSE(g_pRecipeRS.load()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Recipe WHERE m_bRecipeIsActv <> 0"), "0");
  ExpectLedgerBalances();
}

}  // namespace
