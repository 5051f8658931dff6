// What a recipe run leaves in the database when the operator does the
// unexpected: a dose the weigher cannot hold, a Stop or a close in the middle
// of a charge, Water-Ex beside the water. The program runs in Demo from the
// default files; the worker cycles are stopped and the test makes their passes
// on a fake clock, with every box and dialog scripted.
#include <string>

#include "e2e/PlantScenarioFixture.h"
#include "plant/DosingStateMachine.h"

namespace {

constexpr int kWaterEx = 3;  // a material of a step

class RunRecordsTest : public PlantScenarioFixture {
 protected:
  // The program up in Demo with a shift, the worker cycles handed to the test.
  void StartWithShift() {
    StartInDemo();
    OpenShift("A");
  }
  void MakeActiveRecipe(std::initializer_list<StepInput> steps) {
    FillRecipe(steps);
    ActivateRecipe();
    ASSERT_TRUE(g_pRecipeRS.load()->HasActiveRecord());
  }

  float SqlFloat(const std::string& query) { return std::stof(Sql(query)); }
  // Each Event2 row: material, direction, batch, the three flags.
  std::string EventRows() {
    return Sql("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || m_nBatchNumber || ' ' || "
               "m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2");
  }
  // What Event2 says was charged of `material`, all rows together.
  float EventCharged(const char* material) {
    return SqlFloat(std::string("SELECT TOTAL(m_fEndMatrialDose - m_fStartMatrialDose) FROM Event2 "
                                "WHERE m_strBatchedMatrialName = '") +
                    material + "'");
  }
  static float Level(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); }
};

TEST_F(RunRecordsTest, ADoseThatIsNoNumberOrAboveTheBatchersCapacityIsRefusedAtSaveAndAtActivate) {
  StartWithShift();
  const float capacity = GetShapeAttribFloat(GetMaterialWeigherId(kLabs, 0), eCodeMaxLevel);
  ASSERT_FLOAT_EQ(capacity, 100.0f);
  FillRecipe({{kWater, "20", "0"}, {kLabs, "150", "1"}});
  CRecipeDlg& dialog = *view->GetRecipeDlg();

  // Save: the step, the dose and the capacity named; nothing saved.
  boxes.Expect(IDOK, "The dose of L.A.B.S, 150 Kg, is more than Batcher02 holds: its capacity is 100 Kg.");
  EXPECT_FALSE(dialog.OnSaveRecipe());
  EXPECT_NE(boxes.LastText().find(CRecipeOneItemDlg::kStepErrorPrefix + std::string("2")), std::string::npos);
  // Activate: the same refusal, and the recipe does not become active.
  boxes.Expect(IDOK, "its capacity is 100");
  ActivateRecipe();
  EXPECT_FALSE(g_pRecipeRS.load()->HasActiveRecord());

  for (const char* dose : {"nan", "inf", "1e39"}) {
    view->GetRecipeDlg()->GetRow(1).SetDlgItemText(IDC_STEP_DOSE, dose);
    boxes.Expect(IDOK, "is not a finite number.");
    EXPECT_FALSE(dialog.OnSaveRecipe()) << dose;
  }
  // Water is weighed in the mixer: no batcher limits it. A full batcher is allowed.
  view->GetRecipeDlg()->GetRow(0).SetDlgItemText(IDC_STEP_DOSE, "150");
  view->GetRecipeDlg()->GetRow(1).SetDlgItemText(IDC_STEP_DOSE, "100");
  ActivateRecipe();
  EXPECT_TRUE(g_pRecipeRS.load()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Recipe"), "1");
}

TEST_F(RunRecordsTest, AWeigherFullBeforeTheDoseIsInHoldsTheRunAndBooksOnlyWhatItsRowSays) {
  StartWithShift();
  MakeActiveRecipe({{kLabs, "80", "0"}});
  EnterBatchNumber("701");
  // The batcher's capacity lowered after Activate: 80 kg do not fit in 60.
  const PlantObjectId batcher = GetMaterialWeigherId(kLabs, 0);
  const float capacity = GetShapeAttribFloat(batcher, eCodeMaxLevel);
  SetShapeAttribFloat(batcher, eCodeMaxLevel, 60.0f);
  StartProcess();
  boxes.Expect(IDOK, CDosingStateMachine::MakeFullWeigherText(1, "L.A.B.S", "Batcher02"));
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 200));
  for (int pass = 0; pass < 100; ++pass) Pass();
  // Held: the pump off, the step still charging, what its row holds booked,
  // nothing discharged or counted.
  EXPECT_FALSE(g_gearPumps[1].GetAttribBool(ePumpDoOnOffSpeed));
  EXPECT_EQ(Phase(1), 1);
  EXPECT_FLOAT_EQ(Level(batcher), 60.0f);
  EXPECT_FLOAT_EQ(EventCharged("L.A.B.S"), 60.0f);
  EXPECT_EQ(Sql("SELECT m_fTtlActlMtrlLABS || ' ' || m_nShiftTotalCycle FROM Shift"), "60 0");
  EXPECT_EQ(EventRows(), "L.A.B.S ? -1 110");
  EXPECT_FLOAT_EQ(Level(GetMixerId(0)), 0.0f);

  // The operator's next Start: the weigher is still full, so the pump stays off,
  // and the run holds again and says so.
  const std::string rows = Sql("SELECT COUNT(*) FROM Event2");
  StartProcess();
  boxes.Expect(IDOK, CDosingStateMachine::MakeFullWeigherText(1, "L.A.B.S", "Batcher02"));
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }, 200));
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2"), rows);
  EXPECT_EQ(Phase(1), 1);
  EXPECT_EQ(Sql("SELECT m_fTtlActlMtrlLABS || ' ' || m_nShiftTotalCycle FROM Shift"), "60 0");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_bBatchIsCompleted <> 0"), "0");
  SetShapeAttribFloat(batcher, eCodeMaxLevel, capacity);
}

TEST_F(RunRecordsTest, WaterExGetsARowOnlyWhenItIsChargedAndEachRowAgreesWithTheShift) {
  StartWithShift();
  // Water and L.A.B.S at once (L.A.B.S in Batcher02, Water-Ex's batcher), then Water-Ex.
  MakeActiveRecipe({{kWater, "20", "0"}, {kLabs, "30", "0"}, {kWaterEx, "10", "2"}});
  EnterBatchNumber("702");
  StartProcess();
  // A Stop while the water runs, then Start again.
  ASSERT_TRUE(PassUntil([] { return WaterPumpOn() && Level(GetMixerId(0)) > 0.0f; }, 50));
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  ASSERT_TRUE(PassUntil([] { return !WaterPumpOn(); }, 5));
  ASSERT_TRUE(ChargeEndsDone());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2 WHERE m_strBatchedMatrialName = 'Water-Ex'"), "0");
  StartProcess();
  boxes.Expect(IDOK, kRunEnd);
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }));
  ASSERT_TRUE(ChargeEndsDone());

  // The water in two rows (the Stop cut it), L.A.B.S and Water-Ex each in one,
  // every row with its mixer and batch and ended; nothing else.
  EXPECT_EQ(EventRows(),
            "L.A.B.S Mixer1 702 111; Water Mixer1 702 110; Water Mixer1 702 110; Water-Ex Mixer1 702 111");
  EXPECT_FLOAT_EQ(EventCharged("Water"), SqlFloat("SELECT m_fTtlActlMtrlWater FROM Shift"));
  EXPECT_FLOAT_EQ(EventCharged("L.A.B.S"), SqlFloat("SELECT m_fTtlActlMtrlLABS FROM Shift"));
  EXPECT_FLOAT_EQ(EventCharged("Water-Ex"), SqlFloat("SELECT m_fTtlActlMtrlWaterEx FROM Shift"));
  EXPECT_GE(EventCharged("Water-Ex"), 10.0f);
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
}

TEST_F(RunRecordsTest, ClosingMidChargeBooksWhatEvent2RecordsAsCharged) {
  StartWithShift();
  MakeActiveRecipe({{kWater, "200", "0"}, {kLabs, "90", "0"}});
  EnterBatchNumber("703");
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return Level(GetMixerId(0)) > 10.0f; }, 100));
  ASSERT_EQ(Phase(1), 1);
  ASSERT_EQ(Phase(2), 1);
  CloseWithYes();

  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || m_bChrageIsEnd, '; ') FROM Event2"),
            "L.A.B.S 1; Water 1");
  const float water = EventCharged("Water");
  const float labs = EventCharged("L.A.B.S");
  EXPECT_GT(water, 10.0f);
  EXPECT_LT(water, 200.0f);
  EXPECT_GT(labs, 0.0f);
  EXPECT_FLOAT_EQ(SqlFloat("SELECT m_fTtlActlMtrlWater FROM Shift"), water);
  EXPECT_FLOAT_EQ(SqlFloat("SELECT m_fTtlActlMtrlLABS FROM Shift"), labs);
  // The run did not end: no cycle counted.
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "0");
}

}  // namespace
