// The rules of every data source: all outputs off (each change offered to the
// plant form once), the gear pumps' speed commands, the pumps stopped at full
// weighers, and the materials' totals from the active shift.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "PlantModelTestSupport.h"
#include "engine/EngineTables.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"

namespace {

class PlantOutputsTest : public PlantModelFixture {
 protected:
  PlantOutputsTest() : folder(kNoHardwareTagFile) { EXPECT_EQ(SetEngineRoot(&engine), TRUE); }
  ~PlantOutputsTest() override {
    ReleasePlant();
    SetEngineRoot(nullptr);
    for (CMaterial& material : g_materials) material.SetTotal(0.0f);
  }

  PlantFolder folder;
  PlantEngine engine;
};

TEST_F(PlantOutputsTest, ResettingTheOutputsOffersEachChangeOnce) {
  C_Valve& discharge = ValveAt(26);
  C_GearPump& gear = g_gearPumps[0];
  folder.dir.Write("devices.ini", "[" + discharge.GetSectionName() + "]\r\nX=1\r\n[" + gear.GetSectionName() + "]\r\nX=1\r\n");
  UseSettings(folder.dir.File("devices.ini"));
  CreateWindows({&discharge, &gear});
  VesselAt(14).SetAttribBool(eVesselDoOnOffSpeed, true);
  discharge.SetAttribBool(eValveDoHighFlow, true);  // opens the valve too
  gear.SetAttribBool(ePumpDoIncreaseSpeed, true);
  g_cntrFglPumps[0].SetAttribBool(ePumpDoDecreaseSpeed, true);
  SetDischargeDirection(8, 3);
  form.offers.clear();

  EXPECT_EQ(engine.ResetOutputs(), TRUE);
  std::vector<std::pair<PlantObjectId, int>> offered;
  for (const auto& offer : form.offers) offered.emplace_back(offer.id, offer.index);
  // The command, the feedback following it and the flow; the pump's one change.
  const std::vector<std::pair<PlantObjectId, int>> expected = {{discharge.GetObjectId(), eValveDoOnOffPosition},
                                                               {discharge.GetObjectId(), eValveDiOnOffPosition},
                                                               {discharge.GetObjectId(), eValveDoHighFlow},
                                                               {gear.GetObjectId(), ePumpDoIncreaseSpeed}};
  EXPECT_EQ(offered, expected);
  EXPECT_FALSE(VesselAt(14).GetAttribBool(eVesselDoOnOffSpeed));
  EXPECT_FALSE(g_cntrFglPumps[0].GetAttribBool(ePumpDoDecreaseSpeed));
  EXPECT_EQ(GetDischargeDirection(8), 0);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(PlantOutputsTest, APumpGoesOffWhenTheWeigherItFillsNowIsAtItsMaximum) {
  C_GearPump& water = g_gearPumps[6];  // water into the mixer of its direction, Water-Ex into Batcher02
  C_CntrFglPmp& centrifugal = g_cntrFglPumps[1];  // into Batcher04
  water.SetAttribBool(ePumpDoOnOffSpeed, true);
  centrifugal.SetAttribBool(ePumpDoOnOffSpeed, true);
  VesselAt(15).SetAttribFloat(eVesselLevel, VesselAt(15).GetAttribFloat(eVesselMaxVluLevel));  // Mixer2 full
  VesselAt(12).SetAttribFloat(eVesselLevel, VesselAt(12).GetAttribFloat(eVesselMaxVluLevel) - 1.0f);
  engine.CommonDataCycle();  // no water direction: the full mixer is not its weigher
  EXPECT_TRUE(water.GetAttribBool(ePumpDoOnOffSpeed));
  ValveAt(21).SetAttribBool(eValveDiOnOffPosition, true);
  engine.CommonDataCycle();
  EXPECT_FALSE(water.GetAttribBool(ePumpDoOnOffSpeed));
  EXPECT_TRUE(centrifugal.GetAttribBool(ePumpDoOnOffSpeed));
  VesselAt(12).SetAttribFloat(eVesselLevel, VesselAt(12).GetAttribFloat(eVesselMaxVluLevel));
  engine.CommonDataCycle();
  EXPECT_FALSE(centrifugal.GetAttribBool(ePumpDoOnOffSpeed));
}

TEST_F(PlantOutputsTest, GearPumpsRunAtHalfOrFullSpeedInEveryDataSource) {
  C_GearPump& gear = g_gearPumps[1];
  gear.SetAttribFloat(ePumpMaxVluSpeed, 1200.0f);
  gear.SetAttribFloat(ePumpSpeed, 100.0f);
  gear.SetAttribBool(ePumpDoDecreaseSpeed, true);
  g_cntrFglPumps[1].SetAttribBool(ePumpDoDecreaseSpeed, true);
  const float centrifugalSpeed = g_cntrFglPumps[1].GetAttribFloat(ePumpSpeed);
  engine.CommonDataCycle();
  EXPECT_EQ(gear.GetAttribFloat(ePumpSpeed), 600.0f);
  EXPECT_EQ(g_cntrFglPumps[1].GetAttribFloat(ePumpSpeed), centrifugalSpeed);  // gear pumps only
  gear.SetAttribBool(ePumpDoIncreaseSpeed, true);
  engine.CommonDataCycle();
  EXPECT_EQ(gear.GetAttribFloat(ePumpSpeed), 1200.0f);
}

TEST_F(PlantOutputsTest, TotalsComeFromARunningShiftForTheRecipesMaterials) {
  ASSERT_TRUE(folder.MakeDatabase());
  ASSERT_EQ(engine.Init(), TRUE);
  CRecipeRS* recipe = g_pRecipeRS.load();
  CShiftRS* shift = g_pShiftRS.load();
  ASSERT_NE(recipe, nullptr);
  ASSERT_NE(shift, nullptr);
  {
    auto lock = recipe->LockActive();
    for (int step = 0; step < CRecipeRS::kStepCount; ++step) recipe->Active().GetStep(step).SetMaterialIndex(-1);
    recipe->Active().GetStep(0).SetMaterialIndex(4);
    recipe->Active().GetStep(5).SetMaterialIndex(12);  // no such material: skipped
  }
  auto setShift = [&](int recordId, bool stopped, float total) {
    auto lock = shift->LockActive();
    shift->Active().m_nRecordID = recordId;
    shift->Active().SetShiftStopped(stopped);
    shift->Active().SetTotalMaterial(4, total);
    shift->Active().SetTotalMaterial(5, total);
  };
  g_materials[5].SetTotal(1.0f);

  setShift(3, false, 55.5f);
  EXPECT_EQ(engine.UpdateMaterialTotals(), TRUE);
  EXPECT_EQ(g_materials[4].GetTotal(), 55.5f);
  EXPECT_EQ(g_materials[5].GetTotal(), 1.0f);  // not in the recipe

  setShift(3, true, 99.0f);  // a stopped shift books nothing
  engine.UpdateMaterialTotals();
  setShift(-1, false, 99.0f);  // nor does no shift at all
  engine.UpdateMaterialTotals();
  EXPECT_EQ(g_materials[4].GetTotal(), 55.5f);

  setShift(3, false, 99.0f);
  engine.DeleteRecordsets();
  EXPECT_EQ(engine.UpdateMaterialTotals(), TRUE);
  EXPECT_EQ(g_materials[4].GetTotal(), 55.5f);
}

}  // namespace
