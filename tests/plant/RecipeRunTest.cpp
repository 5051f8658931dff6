// Recipe runs in Demo, pass by pass: a whole recipe from the level question to
// the saved cycle count, then one scenario for each rule the dosing and the
// supervisor keep (commands read back, Stop, full weighers, steps without a
// discharge valve, shared pumps and batchers, the start interlock, preconditions,
// batch numbers, the run's own recipe copy, the manual-dosing reminder).
#include <gtest/gtest.h>

#include "RecipeRunTestSupport.h"
#include "plant/DosingStateMachine.h"
#include "plant/RecipeSupervisor.h"

namespace {

constexpr const char* kConfirmationStep4 =
    "توقف در استپ شماره 4\n لطفا براي ادامه پروسس بچ، در صفحه فرمولاسيون دكمه مربوطه را كليك كنيد";
constexpr const char* kRecipeEnded = "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد";

class RecipeRunTest : public RecipeRunFixture {
 protected:
  void SetLoadInWay(int pump, float value) { g_gearPumps[static_cast<std::size_t>(pump)].SetAttribFloat(eShapeLoadInWay, value); }
  static float LoadInWay(int pump) { return g_gearPumps[static_cast<std::size_t>(pump)].GetAttribFloat(eShapeLoadInWay); }
  static PlantObjectId Valve(int index) { return MakeObjectId(eShapeKindValve, index); }
  // The dosing's refusals inform with a box that does not wait.
  void AnswerRefusals() { boxes.SetDefaultAnswer(IDOK); }
};

TEST_F(RecipeRunTest, AFullRecipeRunsItsStepsInOrderBooksLearnsAndEnds) {
  SetStep(1, kWater, 0, 10.0f);
  SetStep(2, kLabs, 0, 20.0f, 1, true);
  SetStep(3, kDelayStep, -1, 5.0f, 2);
  SetStep(4, kConfirmation, -1, 0.0f, 3);
  SetLoadInWay(kLabsPump, 3.0f);
  Start();
  boxes.Expect(IDOK, "توقف در استپ شماره 4");
  boxes.Expect(IDOK, kRecipeEnded);

  std::map<int, std::vector<int>> phases;
  int delayPasses = 0;
  for (int pass = 0; pass < 1000 && Phase(4) != 9; ++pass) {
    Pass();
    if (Phase(3) == 8) ++delayPasses;
    for (int number = 1; number <= 4; ++number)
      if (phases[number].empty() || phases[number].back() != Phase(number)) phases[number].push_back(Phase(number));
  }
  EXPECT_EQ(phases[1], (std::vector<int>{0, 1, 2, 3, 11}));     // water waits a pass for its valve
  EXPECT_EQ(phases[2], (std::vector<int>{0, 1, 2, 3, 5, 6, 11}));  // charged and discharged at once
  EXPECT_EQ(phases[3], (std::vector<int>{0, 8, 11}));
  EXPECT_EQ(phases[4], (std::vector<int>{0, 9}));
  EXPECT_EQ(delayPasses, 30);  // 5 s end in the pass that shows 6 whole seconds (the 30th after)
  // Water 3 kg a pass: 12 kg weighed for 10, so 2 kg run on next time; L.A.B.S
  // stops 3 kg early (at 18 for 20), so 1 kg.
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kWater), 12.0f);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kLabs), 18.0f);
  EXPECT_FLOAT_EQ(g_materials[kLabs].GetTotal(), 18.0f);
  EXPECT_FLOAT_EQ(LoadInWay(kWaterPump), 2.0f);
  EXPECT_FLOAT_EQ(LoadInWay(kLabsPump), 1.0f);
  EXPECT_FLOAT_EQ(Level(kMixer1), 30.0f);
  EXPECT_FALSE(ValveAt(27).GetAttribBool(eValveDoOnOffPosition));
  EXPECT_FALSE(ValveAt(4).GetAttribBool(eValveDoOnOffPosition));
  EXPECT_FALSE(ValveAt(20).GetAttribBool(eValveDoOnOffPosition));

  GetProcessEngine().SetStepPhase(3, 11);  // the recipe dialog's Next
  Pass();
  EXPECT_EQ(mainWindow.stopCommands.load(), 1);
  EXPECT_EQ(GetProcessEngine().IsStarted(), 0);
  EXPECT_EQ(GetProcessEngine().IsCycleActive(), 0);
  for (int number = 1; number <= 4; ++number) EXPECT_EQ(Phase(number), 0);
  EXPECT_EQ(g_strProcessReport.Get(), "LoadInWay -> Water:2.00,  L.A.B.S:1.00,  ");
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_TRUE(shown[0].waited);
  EXPECT_EQ(shown[1].text, kConfirmationStep4);
  EXPECT_EQ(shown[1].caption, "Start stepping message");
  EXPECT_EQ(shown[1].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL));
  EXPECT_FALSE(shown[1].waited);
  EXPECT_EQ(shown[2].text, kRecipeEnded);
  EXPECT_EQ(shown[2].caption, "Recipe Status");
  EXPECT_EQ(shown[2].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL));
  EXPECT_FALSE(shown[2].waited);

  // Saved: the bookings and the one cycle.
  ASSERT_TRUE(shift->MoveFirst());
  EXPECT_EQ(shift->Current().m_nShiftTotalCycle, 1);
  EXPECT_FLOAT_EQ(shift->Current().GetTotalMaterial(kWater), 12.0f);
  EXPECT_FLOAT_EQ(shift->Current().GetTotalMaterial(kLabs), 18.0f);
  Pass();  // stopped: nothing more
  EXPECT_EQ(boxes.Count(), 3u);
}

TEST_F(RecipeRunTest, CommandsThatDidNotTakeHoldThePhase) {
  AnswerRefusals();
  SetStep(1, kCausSoda, 0, 30.0f);
  SetStep(2, kLabs, 0, 6.0f, 0, true);
  SetStep(3, kWaterEx, 1, 6.0f, 2);
  const PlantObjectId pump = PumpId(0);
  plantForm.Refuse(pump, ePumpDoOnOffSpeed, true);
  plantForm.Refuse(Valve(27), eValveDoOnOffPosition, true);
  plantForm.Refuse(Valve(24), eValveDoOnOffPosition, false);
  Start();
  for (int pass = 0; pass < 5; ++pass) Pass();
  // A refused switch-on is asked once a Start.
  EXPECT_EQ(Phase(1), 0);
  EXPECT_EQ(plantForm.Offers(pump, ePumpDoOnOffSpeed, true), 1);

  // The discharge valve refused: its direction valve is closed again, the step waits in 4.
  PassUntil(2, 4);
  for (int pass = 0; pass < 5; ++pass) Pass();
  EXPECT_EQ(Phase(2), 4);
  EXPECT_EQ(plantForm.Offers(Valve(4), eValveDoOnOffPosition, true), 1);
  EXPECT_EQ(plantForm.Offers(Valve(27), eValveDoOnOffPosition, true), 1);
  EXPECT_FALSE(ValveAt(4).GetAttribBool(eValveDoOnOffPosition));

  // The next Start asks again, and now both take.
  Stop();
  Pass();
  plantForm.Accept(pump, ePumpDoOnOffSpeed, true);
  plantForm.Accept(Valve(27), eValveDoOnOffPosition, true);
  Start();
  Pass();
  EXPECT_EQ(Phase(1), 1);
  EXPECT_GE(Phase(2), 5);

  // A refused off is repeated each pass and holds the phase.
  plantForm.Refuse(pump, ePumpDoOnOffSpeed, false);
  PassUntil(1, 1);
  for (int pass = 0; pass < 15; ++pass) Pass();
  EXPECT_EQ(Phase(1), 1);
  EXPECT_GE(plantForm.Offers(pump, ePumpDoOnOffSpeed, false), 4);
  plantForm.Accept(pump, ePumpDoOnOffSpeed, false);
  Pass();
  EXPECT_EQ(Phase(1), 2);

  // Water-Ex books once although its water valve does not close.
  PassUntil(3, 3);
  const float before = shift->GetActiveTotalMaterial(kWaterEx);
  for (int pass = 0; pass < 90; ++pass) Pass();
  EXPECT_EQ(Phase(3), 3);
  EXPECT_GT(plantForm.Offers(Valve(24), eValveDoOnOffPosition, false), 3);
  const float booked = shift->GetActiveTotalMaterial(kWaterEx) - before;
  EXPECT_GT(booked, 5.0f);
  plantForm.Accept(Valve(24), eValveDoOnOffPosition, false);
  ExpectRunEnd();
  PassUntil(3, 11);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kWaterEx) - before, booked);
}

TEST_F(RecipeRunTest, StopSwitchesChargingPumpsOffOnceAndTheNextStartOn) {
  SetStep(1, kCausSoda, 0, 30.0f);
  Start();
  PassUntil(1, 1);
  Pass();
  Pass();
  const float start = ChargeStart(kCausSoda);
  Stop();
  for (int pass = 0; pass < 4; ++pass) Pass();
  EXPECT_EQ(Phase(1), 1);
  EXPECT_FALSE(PumpOn(0));
  EXPECT_EQ(plantForm.Offers(PumpId(0), ePumpDoOnOffSpeed, false), 1);
  const float stoppedAt = Level(9);
  EXPECT_FLOAT_EQ(ChargeStart(kCausSoda), start);

  Start();
  Pass();
  EXPECT_TRUE(PumpOn(0));
  Pass();
  EXPECT_GT(Level(9), stoppedAt);
  ExpectRunEnd();
  PassUntil(1, 11);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kCausSoda), 30.0f);
}

TEST_F(RecipeRunTest, AFullWeigherHoldsTheRunWithTheStepStillChargingAndWhatItGotBooked) {
  SetStep(1, kCausSoda, 0, 500.0f);
  SetLoadInWay(0, 1.0f);
  VesselAt(9).SetAttribFloat(eVesselMaxVluLevel, 20.0f);
  Start();
  boxes.Expect(IDOK, "maximum level");
  const int stops = mainWindow.stopCommands.load();
  for (int pass = 0; pass < 50 && mainWindow.stopCommands.load() == stops; ++pass) Pass();
  EXPECT_EQ(mainWindow.stopCommands.load(), stops + 1);
  for (int pass = 0; pass < 20; ++pass) Pass();
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  EXPECT_FALSE(PumpOn(0));
  EXPECT_EQ(Phase(1), 1);
  // What went in is booked as a part of the charge, never as the dose.
  const float held = Level(9) - ChargeStart(kCausSoda);
  EXPECT_GT(held, 0.0f);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kCausSoda), held);
  EXPECT_FLOAT_EQ(LoadInWay(0), 1.0f);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].text, CDosingStateMachine::MakeFullWeigherText(1, "Caus. Soda", "Batcher01"));
  EXPECT_FALSE(boxes.Boxes()[1].waited);

  // Room made meanwhile: the next Start charges what the dose still lacks, and
  // the held charge teaches the in-flight amount nothing.
  VesselAt(9).SetAttribFloat(eVesselMaxVluLevel, 1000.0f);
  Start();
  ExpectRunEnd();
  PassUntil(1, 11);
  EXPECT_GE(shift->GetActiveTotalMaterial(kCausSoda), 499.0f);
  EXPECT_LT(shift->GetActiveTotalMaterial(kCausSoda), 510.0f);
  EXPECT_FLOAT_EQ(LoadInWay(0), 1.0f);
}

TEST_F(RecipeRunTest, TheLearntRunOnFollowsTheBookedAmount) {
  SetStep(1, kCausSoda, 0, 10.0f);
  SetLoadInWay(0, 3.0f);
  g_gearPumps[0].SetAttribFloat(ePumpSpeed, 0.0f);  // the test weighs
  Start();
  PassUntil(1, 1);
  const float start = Level(9);
  VesselAt(9).SetAttribFloat(eVesselLevel, start + 6.98f);  // 7 kg less 0.1 % not reached
  Pass();
  EXPECT_EQ(Phase(1), 1);
  VesselAt(9).SetAttribFloat(eVesselLevel, start + 6.995f);
  Pass();
  EXPECT_EQ(Phase(1), 2);
  VesselAt(9).SetAttribFloat(eVesselLevel, start + 10.5f);
  ExpectRunEnd();
  PassUntil(1, 11);
  EXPECT_NEAR(LoadInWay(0), 3.5f, 1e-4);
}

TEST_F(RecipeRunTest, StepsThatCannotRunWaitWithoutTouchingADevice) {
  SetStep(1, kWater, 1, 6.0f, 0, true);   // water "discharging": ends after its booking
  SetStep(2, kCausSoda, 0, 6.0f, 31);     // a precondition no step can meet
  SetStep(3, kCausSoda, 4, 6.0f);         // no such mixer
  SetStep(4, 11, 0, 6.0f);                // no such material
  SetStep(5, kLabs, 2, 6.0f, 0, true);    // Mixer3 without a batch number
  shift->SetActiveMixerBatchNumber(1, 0);
  shift->SetActiveMixerBatchNumber(2, 0);
  Start();
  // The plant form would ask for the batch number inside the store: the step
  // waits instead, and says so once however many passes it waits.
  boxes.Expect(IDOK, CDosingStateMachine::MakeNoBatchNumberText(1, "Water", "Mixer2"));
  boxes.Expect(IDOK, CDosingStateMachine::MakeNoBatchNumberText(5, "L.A.B.S", "Mixer3"));
  for (int pass = 0; pass < 10; ++pass) Pass();
  EXPECT_EQ(Phase(1), 0);
  EXPECT_EQ(plantForm.Offers(Valve(21), eValveDoOnOffPosition, true), 0);
  PassUntil(5, 4);
  for (int pass = 0; pass < 5; ++pass) Pass();
  EXPECT_EQ(Phase(5), 4);
  EXPECT_EQ(plantForm.Offers(Valve(6), eValveDoOnOffPosition, true), 0);

  shift->SetActiveMixerBatchNumber(1, 7);
  shift->SetActiveMixerBatchNumber(2, 8);
  PassUntil(1, 11);
  PassUntil(5, 11);
  for (int number = 2; number <= 4; ++number) EXPECT_EQ(Phase(number), 0);
  EXPECT_EQ(plantForm.Offers(PumpId(0), ePumpDoOnOffSpeed, true), 0);
  EXPECT_NE(GetProcessEngine().GetEnginePhase(), 11);
  EXPECT_EQ(boxes.Count(), 3u);  // the level question and each wait once
}

TEST_F(RecipeRunTest, WaterStepsSharingThePumpOpenTheirValvesInTurn) {
  SetStep(1, kDelayStep, -1, 0.0f);
  SetStep(2, kWater, 0, 6.0f, 1);
  SetStep(3, kWater, 1, 6.0f, 1);
  Start();
  ExpectRunEnd();
  bool overlapped = false;
  for (int pass = 0; pass < 300 && mainWindow.stopCommands.load() == 0; ++pass) {
    Pass();
    if (Phase(2) <= 3 && ValveAt(21).GetAttribBool(eValveDoOnOffPosition)) overlapped = true;
  }
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(mainWindow.stopCommands.load(), 1);
  EXPECT_FLOAT_EQ(Level(kMixer1), 6.0f);
  EXPECT_FLOAT_EQ(Level(kMixer1 + 1), 6.0f);
}

TEST_F(RecipeRunTest, AnOpenBatcherValveHoldsItsMaterialsInPhaseZero) {
  SetStep(1, kLabs, 0, 6.0f);
  SetStep(2, kWaterEx, 1, 6.0f);
  Start();
  for (const int valve : {27, 4, 5, 6, 7}) {
    // The discharge valve's feedback follows its command (Demo opens its
    // direction valve too: closed again by hand); a direction valve's is set by hand.
    if (valve == 27) {
      // Opened by no step of the run: each waiting step says so, once a Start.
      boxes.Expect(IDOK, CDosingStateMachine::MakeValvesOpenText(1, "L.A.B.S", "Batcher02"));
      boxes.Expect(IDOK, CDosingStateMachine::MakeValvesOpenText(2, "Water-Ex", "Batcher02"));
      ValveAt(valve).SetAttribBool(eValveDoOnOffPosition, true);
      Pass();
      ValveAt(4).SetAttribBool(eValveDoOnOffPosition, false);
      ASSERT_FALSE(ValveAt(4).GetAttribBool(eValveDiOnOffPosition));
    } else {
      ValveAt(valve).SetAttribBool(eValveDiOnOffPosition, true);
    }
    for (int pass = 0; pass < 3; ++pass) Pass();
    EXPECT_EQ(Phase(1), 0) << valve;
    EXPECT_EQ(Phase(2), 0) << valve;
    ValveAt(valve).SetAttribBool(valve == 27 ? eValveDoOnOffPosition : eValveDiOnOffPosition, false);
    ValveAt(valve).SetAttribBool(eValveDiOnOffPosition, false);
    Pass();
    EXPECT_EQ(Phase(1), 1) << valve;
    // Back to the beginning for the next valve.
    g_gearPumps[kLabsPump].SetAttribBool(ePumpDoOnOffSpeed, false);
    GetProcessEngine().ResetSteps();
  }
  ValveAt(0).SetAttribBool(eValveDiOnOffPosition, true);  // Batcher01's: no matter
  Pass();
  EXPECT_EQ(Phase(1), 1);
}

TEST_F(RecipeRunTest, BatcherSharersChargeInTurnAndNeitherDischargesWhileTheOtherWeighs) {
  SetStep(1, kDelayStep, -1, 0.0f);
  SetStep(2, kCausSoda, 0, 6.0f, 1);
  SetStep(3, kLabs, 0, 6.0f, 1, true, 5);
  SetStep(4, kWaterEx, 0, 9.0f, 1);
  SetStep(5, kConfirmation, -1, 0.0f);
  Start();
  boxes.Expect(IDOK, "توقف در استپ شماره 5");
  // The delay's end releases Caus. Soda and L.A.B.S in the same pass; Water-Ex
  // would weigh into the same batcher and waits.
  PassUntil(1, 11);
  EXPECT_EQ(Phase(2), 1);
  EXPECT_EQ(Phase(3), 1);
  EXPECT_EQ(Phase(4), 0);
  for (int pass = 0; pass < 200 && Phase(3) < 4; ++pass) {
    Pass();
    if (Phase(3) <= 3) {
      EXPECT_EQ(Phase(4), 0);
    }
  }
  // L.A.B.S waits for the confirmation; Water-Ex weighs meanwhile.
  PassUntil(4, 1);
  GetProcessEngine().SetStepPhase(4, 11);
  for (int pass = 0; pass < 200 && Phase(4) < 4; ++pass) {
    EXPECT_EQ(Phase(3), 4);
    Pass();
  }
  Pass();
  EXPECT_EQ(Phase(3), 5);
}

TEST_F(RecipeRunTest, WaterWaitsWhileItsMixerIsDischargedInto) {
  SetStep(1, kLabs, 0, 18.0f, 0, true);
  SetStep(2, kConfirmation, -1, 0.0f);
  SetStep(3, kWater, 0, 30.0f, 2);
  Start();
  boxes.Expect(IDOK, "توقف در استپ شماره 2");
  PassUntil(1, 5);
  GetProcessEngine().SetStepPhase(1, 11);  // Next: water may start, but L.A.B.S flows into Mixer1
  for (int pass = 0; pass < 100; ++pass) {
    Pass();
    if (Phase(1) == 11) break;
    EXPECT_EQ(Phase(3), 0);
    EXPECT_EQ(plantForm.Offers(Valve(20), eValveDoOnOffPosition, true), 0);
  }
  Pass();  // the pass L.A.B.S ended in opened the water's valve
  EXPECT_EQ(Phase(3), 1);
}

TEST_F(RecipeRunTest, ARunKeepsItsRecipeCopyAndAnotherRecipeStartsOver) {
  SetStep(1, kCausSoda, 0, 6.0f);
  SetStep(2, kDelayStep, -1, 100.0f, 1);
  Start();
  Pass();
  {
    auto lock = recipe->LockActive();  // saved meanwhile: for the next run
    recipe->Active().GetStep(1).SetStepActive(false);
    recipe->Active().GetStep(0).SetDose(60.0f);
  }
  EXPECT_TRUE(GetProcessEngine().IsStepUsed(1));
  PassUntil(1, 11);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kCausSoda), 6.0f);
  EXPECT_EQ(Phase(2), 8);

  Stop();
  Pass();
  {
    auto lock = recipe->LockActive();
    recipe->Active().m_nRecordID = 2;
  }
  Start();
  Pass();
  EXPECT_EQ(engine.GetRecipeSupervisor().GetRunRecipeID(), 2);
  EXPECT_FALSE(GetProcessEngine().IsStepUsed(1));
  EXPECT_EQ(Phase(2), 0);
  EXPECT_EQ(Phase(1), 1);  // from the beginning, with the new dose
}

TEST_F(RecipeRunTest, AHeldChargeLeftForAnotherRecipeIsBookedOnceWithWhatTheWeigherGot) {
  SetStep(1, kCausSoda, 0, 500.0f);
  VesselAt(9).SetAttribFloat(eVesselMaxVluLevel, 20.0f);
  Start();
  boxes.Expect(IDOK, "maximum level");
  const int stops = mainWindow.stopCommands.load();
  for (int pass = 0; pass < 50 && mainWindow.stopCommands.load() == stops; ++pass) Pass();
  ASSERT_EQ(mainWindow.stopCommands.load(), stops + 1);
  Pass();
  ASSERT_EQ(Phase(1), 1);
  const float charged = Level(9) - ChargeStart(kCausSoda);
  ASSERT_GT(charged, 0.0f);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kCausSoda), charged);

  // The operator gives the held run up for another recipe: what went into the
  // weigher stays counted, once.
  {
    auto lock = recipe->LockActive();
    recipe->Active().m_nRecordID = 2;
    recipe->Active().GetStep(0).SetStepActive(false);
  }
  Start();
  Pass();
  EXPECT_EQ(engine.GetRecipeSupervisor().GetRunRecipeID(), 2);
  EXPECT_EQ(Phase(1), 0);
  EXPECT_FLOAT_EQ(shift->GetActiveTotalMaterial(kCausSoda), charged);
}

TEST_F(RecipeRunTest, TheManualDosingReminderIsShownOncePerStepAndStart) {
  SetStep(1, kCausSoda, 0, 6.0f).m_bIsManualDosing = true;
  SetStep(2, kLabs, 0, 6.0f).m_bIsManualDosing = true;
  const std::size_t before = CBalloonHelp::Balloons().size();
  Start();
  for (int pass = 0; pass < 4; ++pass) Pass();
  auto balloons = CBalloonHelp::Balloons();
  ASSERT_EQ(balloons.size(), before + 2);
  EXPECT_EQ(balloons.back()->GetText(), "Manual Dosing is under construction!");
  EXPECT_EQ(balloons.back()->GetOptions() & 33216u, 33216u);
  EXPECT_EQ(balloons.back()->GetTimeout(), 3000u);
  EXPECT_EQ(Phase(1), 0);
  Stop();
  Pass();
  Start();
  Pass();
  Pass();
  EXPECT_EQ(CBalloonHelp::Balloons().size(), before + 4);
  EXPECT_EQ(plantForm.Offers(PumpId(0), ePumpDoOnOffSpeed, true), 0);
}

}  // namespace
