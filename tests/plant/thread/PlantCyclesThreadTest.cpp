// The Demo simulation and the pump rule on the data obtainer's thread while
// the operator works on the UI thread (run under ThreadSanitizer): levels,
// commands, directions and the report text shared between the two.
#include <gtest/gtest.h>

#include <string>

#include "plant/PlantModelTestSupport.h"
#include "plant/PlantOutputs.h"

namespace {

class PlantCyclesThreadTest : public PlantModelFixture {
 protected:
  ~PlantCyclesThreadTest() override {
    engine.StopThreads();
    ReleasePlant();
    SetEngineRoot(nullptr);
  }

  PlantFolder folder{kNoHardwareTagFile};
  PlantEngine engine;
};

float MixerLevels() {
  float total = 0.0f;
  for (int mixer = ePlantMixer1; mixer <= ePlantMixer4; ++mixer) total += VesselAt(mixer).GetAttribFloat(eVesselLevel);
  return total;
}

TEST_F(PlantCyclesThreadTest, DemoRunsOnTheDataObtainerWhileTheOperatorWorks) {
  ASSERT_EQ(SetEngineRoot(&engine), TRUE);
  std::vector<C_BaseShape*> windows = {&VesselAt(0), &VesselAt(9), &g_gearPumps[0], &ValveAt(26)};
  for (int valve = 0; valve < 4; ++valve) windows.push_back(&ValveAt(valve));
  std::string settings;
  for (C_BaseShape* shape : windows) settings += "[" + shape->GetSectionName() + "]\r\nX=1\r\n";
  folder.dir.Write("devices.ini", settings);
  UseSettings(folder.dir.File("devices.ini"));
  CreateWindows(windows);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
  g_gearPumps[0].SetAttribBool(ePumpDoOnOffSpeed, true);  // Caus. Soda into Batcher01
  ValveAt(26).SetAttribBool(eValveDoOnOffPosition, true);
  ValveAt(26).SetAttribFloat(eValvePosition, 500.0f);

  engine.AttachView(&form);
  int round = 0;
  ASSERT_TRUE(WaitPumping(
      [&] {
        // Each change is offered to the plant form, whose answers the cycle waits for.
        g_gearPumps[0].SetAttribBool(ePumpDoDecreaseSpeed, round % 2 == 0);
        SetDischargeDirection(1, round % 4);
        g_strProcessReport.Set("round " + std::to_string(round));
        (void)g_strProcessReport.Get();
        (void)GetDischargeDirection(0);
        ++round;
        return round >= 20 && MixerLevels() > 10.0f;
      },
      30000));
  EXPECT_EQ(engine.StopThreads(), TRUE);
  // Materials charged are conserved into the mixers the directions chose.
  EXPECT_GT(VesselAt(9).GetAttribFloat(eVesselLevel) + MixerLevels(), 10.0f);
  EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
