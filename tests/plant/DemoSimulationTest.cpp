// The Demo data source: the start values, one pass of charging and
// discharging at the edges of the levels, and the feedbacks and direction
// valves following their commands.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlantModelTestSupport.h"
#include "plant/MaterialLedger.h"

namespace {

class DemoSimulationTest : public PlantModelFixture {
 protected:
  DemoSimulationTest() : folder(kNoHardwareTagFile) { EXPECT_EQ(SetEngineRoot(&engine), TRUE); }
  ~DemoSimulationTest() override {
    ReleasePlant();
    SetEngineRoot(nullptr);
  }
  static float Level(int vessel) { return VesselAt(vessel).GetAttribFloat(eVesselLevel); }
  static void SetLevel(int vessel, float level) { VesselAt(vessel).SetAttribFloat(eVesselLevel, level); }
  // Opened first: the opening picks a flow, which sets a position of its own.
  static void OpenValve(int valve, float position) {
    ValveAt(valve).SetAttribBool(eValveDoOnOffPosition, true);
    ValveAt(valve).SetAttribFloat(eValvePosition, position);
  }

  PlantFolder folder;
  PlantEngine engine;
};

TEST_F(DemoSimulationTest, ChoosingDemoSetsTheStartValues) {
  C_Vessel& mixer3 = VesselAt(16);
  mixer3.SetAttribFloat(eVesselMaxVluTemperature, 80.0f);
  mixer3.SetAttribFloat(eVesselMinVluLevel, 5.0f);
  data.SetAttribBool(ePrcBatcher1IsInLocalMode + 4, true);
  EXPECT_EQ(engine.InitDemoValues(), FALSE);  // not Demo: nothing changes
  EXPECT_EQ(Level(0), 0.0f);

  ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
  EXPECT_EQ(mixer3.GetAttribFloat(eVesselTemperature), 40.0f);
  EXPECT_EQ(mixer3.GetAttribFloat(eVesselLevel), 5.0f);
  EXPECT_EQ(mixer3.GetAttribFloat(eVesselSpeed), mixer3.GetAttribFloat(eVesselMaxVluSpeed));
  EXPECT_FALSE(data.GetAttribBool(ePrcBatcher1IsInLocalMode + 4));
  EXPECT_EQ(Level(2), static_cast<float>(VesselAt(2).GetAttribFloat(eVesselMaxVluLevel) * static_cast<double>(0.9f)));
  EXPECT_TRUE(VesselAt(9).GetAttribBool(eVesselDoOnOffSpeed));
  EXPECT_EQ(ValveAt(24).GetAttribFloat(eValvePosition), ValveAt(24).GetAttribFloat(eValveMaxVluPosition));
  // 0.6 as a single-precision factor used in double precision: not quite 60.
  const float centrifugalSpeed = g_cntrFglPumps[1].GetAttribFloat(ePumpSpeed);
  EXPECT_EQ(centrifugalSpeed, static_cast<float>(100.0 * static_cast<double>(0.6f)));
  EXPECT_NE(centrifugalSpeed, 60.0f);
  EXPECT_EQ(boxes.Count(), 0u);
}

// The Demo's levels were never material of the plant: at the switch to Real
// they leave the ledger; what a charge in Real brought stays through None.
TEST_F(DemoSimulationTest, WhatTheDemoHeldLeavesTheLedgerWhenRealStarts) {
  CMaterialLedger& ledger = GetMaterialLedger();
  ledger.Clear();
  constexpr int kBatcher02 = ePlantBatcher01 + 1, kLabs = 2;
  const auto charge = [&](float kg) {
    ledger.OpenCharge(kLabs, VesselId(kBatcher02), -1, -1);
    SetLevel(kBatcher02, Level(kBatcher02) + kg);
    ledger.NotePumpStopped(kLabs);
    ledger.SettleStoppedCharges(kLabs);
  };
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
  charge(20.0f);
  ASSERT_NEAR(ledger.HeldExcept(VesselId(kBatcher02), {}), 20.0, 1e-3);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceRealHW), TRUE);
  EXPECT_EQ(ledger.HeldExcept(VesselId(kBatcher02), {}), 0.0);
  charge(15.0f);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceNone), TRUE);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceRealHW), TRUE);
  EXPECT_NEAR(ledger.HeldExcept(VesselId(kBatcher02), {}), 15.0, 1e-3);
  ledger.Clear();
}

TEST_F(DemoSimulationTest, ChargingMovesFourTimesAPassAndWaterNeedsAnOpenValve) {
  g_gearPumps[0].SetAttribFloat(ePumpSpeed, 1000.0f);  // Caus. Soda from TankerBatcher1A into Batcher01
  g_gearPumps[0].SetAttribBool(ePumpDoOnOffSpeed, true);
  g_gearPumps[6].SetAttribFloat(ePumpSpeed, 1000.0f);  // water and Water-Ex, with no valve open
  g_gearPumps[6].SetAttribBool(ePumpDoOnOffSpeed, true);
  SetLevel(0, 100.0f);
  engine.SimulateDemo();
  EXPECT_EQ(Level(9), 4.0f);
  EXPECT_EQ(Level(0), 96.0f);
  EXPECT_EQ(Level(10) + Level(14) + Level(15) + Level(16) + Level(17), 0.0f);

  SetLevel(0, 0.5f);  // the tanker gives what it holds above its minimum, then nothing
  ValveAt(24).SetAttribBool(eValveDiOnOffPosition, true);  // Water-Ex into Batcher02, from outside the plant
  ValveAt(21).SetAttribBool(eValveDiOnOffPosition, true);  // water into Mixer2, once a pass
  engine.SimulateDemo();
  EXPECT_EQ(Level(9), 4.5f);
  EXPECT_EQ(Level(0), 0.0f);
  EXPECT_EQ(Level(10), 4.0f);
  EXPECT_EQ(Level(15), 1.0f);

  // A weigher stops at its maximum: the tanker loses only what it took.
  SetLevel(0, 100.0f);
  SetLevel(9, VesselAt(9).GetAttribFloat(eVesselMaxVluLevel) - 1.5f);
  engine.SimulateDemo();
  EXPECT_EQ(Level(9), VesselAt(9).GetAttribFloat(eVesselMaxVluLevel));
  EXPECT_EQ(Level(0), 98.5f);
}

TEST_F(DemoSimulationTest, ADischargeMovesOnlyWhatLeftAndTheDailyTankerStopsAtItsMinimum) {
  SetDischargeDirection(2, 1);
  OpenValve(27, 1000.0f);  // Batcher02's discharge, shared by L.A.B.S and Water-Ex
  SetLevel(10, 10.0f);
  engine.SimulateDemo();
  EXPECT_EQ(Level(10), 2.0f);
  EXPECT_EQ(Level(15), 8.0f);
  SetLevel(10, 1.5f);  // less than a step: the level stops at its minimum
  engine.SimulateDemo();
  EXPECT_EQ(Level(10), 0.0f);
  EXPECT_EQ(Level(15), 9.5f);
  SetLevel(10, 10.0f);  // the mixer takes only what it has room for; the rest stays
  SetLevel(15, VesselAt(15).GetAttribFloat(eVesselMaxVluLevel) - 3.0f);
  engine.SimulateDemo();
  EXPECT_EQ(Level(10), 7.0f);
  EXPECT_EQ(Level(15), VesselAt(15).GetAttribFloat(eVesselMaxVluLevel));
  SetLevel(10, 0.0f);
  SetLevel(15, 9.5f);

  VesselAt(18).SetAttribFloat(eVesselMinVluLevel, 1.0f);
  SetLevel(18, 1.5f);
  OpenValve(25, 1000.0f);
  engine.SimulateDemo();
  EXPECT_EQ(Level(18), 1.0f);
  EXPECT_EQ(Level(15), 9.5f);  // its outflow goes nowhere here
}

TEST_F(DemoSimulationTest, FeedbacksFollowOnlyInDemoAndARefusedDirectionIsAskedOnce) {
  g_gearPumps[5].SetAttribBool(ePumpDoOnOffSpeed, true);
  engine.MirrorDemoFeedback();  // data source None
  EXPECT_FALSE(g_gearPumps[5].GetAttribBool(ePumpDiOnOffSpeed));

  ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
  std::string settings;
  for (int valve : {4, 5, 6, 27}) settings += "[" + ValveAt(valve).GetSectionName() + "]\r\nX=1\r\n";
  folder.dir.Write("valves.ini", settings);
  UseSettings(folder.dir.File("valves.ini"));
  CreateWindows({&ValveAt(4), &ValveAt(5), &ValveAt(6), &ValveAt(27)});
  form.refusals.push_back({ValveId(5), eValveDoOnOffPosition});
  SetDischargeDirection(3, 1);
  ValveAt(27).SetAttribBool(eValveDoOnOffPosition, true);
  form.offers.clear();

  boxes.Expect(IDOK, "Error at Valve operating!");
  engine.MirrorDemoFeedback();
  engine.MirrorDemoFeedback();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(std::count_if(form.offers.begin(), form.offers.end(),
                          [](const auto& offer) { return offer.id == ValveId(5); }),
            1);
  EXPECT_TRUE(g_gearPumps[5].GetAttribBool(ePumpDiOnOffSpeed));

  SetDischargeDirection(2, 2);  // a new direction is told at once, and its closing too
  engine.MirrorDemoFeedback();
  EXPECT_TRUE(ValveAt(6).GetAttribBool(eValveDoOnOffPosition));
  ValveAt(27).SetAttribBool(eValveDoOnOffPosition, false);
  engine.MirrorDemoFeedback();
  EXPECT_FALSE(ValveAt(6).GetAttribBool(eValveDoOnOffPosition));
}

}  // namespace
