// The plant model's inventory and shared functions, with ids, mixers and codes
// that name nothing.
#include <gtest/gtest.h>

#include "PlantModelTestSupport.h"

namespace {

using PlantModelTest = PlantModelFixture;

TEST_F(PlantModelTest, TheInventoryHasItsIdsSectionsAndMaterialRows) {
  ASSERT_EQ(GetPlantShapes().size(), 59u);
  for (C_BaseShape* shape : GetPlantShapes()) EXPECT_EQ(FindPlantShape(shape->GetObjectId()), shape);
  EXPECT_EQ(GetMixerId(0), 0x0101000Eu);
  EXPECT_EQ(g_valves[30].GetObjectId(), 0x0104001Eu);
  EXPECT_EQ(g_valves[30].GetDeviceName(), "Batcher05-DisChargeValve");
  EXPECT_EQ(g_vessels[14].GetSectionName(), "Vessel.Mixer1");
  EXPECT_EQ(g_valves[5].GetRecord().x, 260);  // Batcher02-DirectionValve2
  EXPECT_EQ(g_cntrFglPumps[1].GetDeviceName(), "Batcher04-ChargePump2");

  const CMaterial& lab = g_materials[2];
  EXPECT_EQ(lab.GetName(), "L.A.B.S");
  EXPECT_EQ(lab.GetCode(), 303);
  EXPECT_EQ(lab.GetSecondPumpId(), GearPumpId(1));
  EXPECT_EQ(lab.GetSourceTankerId(), VesselId(3));
  EXPECT_EQ(lab.GetDischargeValveId(), ValveId(27));
  EXPECT_EQ(lab.GetDirValveId(3), ValveId(7));
  EXPECT_EQ(lab.GetDirValveId(4), kNoPlantObject);
  EXPECT_EQ(g_materials[6].GetChargePumpId(), MakeObjectId(eShapeKindCntrFglPump, 0));
  EXPECT_EQ(g_materials[10].GetUnit(), "Sec");
  EXPECT_EQ(GetMaterial(11), nullptr);
}

TEST_F(PlantModelTest, IdsNamesAndDirectionsAtTheirEdges) {
  EXPECT_EQ(GetMaterialWeigherId(0, 2), VesselId(16));  // water is weighed in the mixer
  // A mixer outside 0..3 names no device (never Batcher05 or the daily tanker).
  EXPECT_EQ(GetMixerId(-1), kNoPlantObject);
  EXPECT_EQ(GetMixerId(4), kNoPlantObject);
  EXPECT_EQ(GetMaterialWeigherId(0, -1), kNoPlantObject);
  EXPECT_EQ(GetMaterialDirValveId(11, 0), kNoPlantObject);
  EXPECT_EQ(GetDirectionValveMixer(22), 2);
  EXPECT_EQ(GetDirectionValveMixer(24), -1);
  EXPECT_EQ(GetMaterialIndexByName("water"), -2);
  EXPECT_EQ(GetMaterialIndexByName("-1"), -1);
  EXPECT_EQ(GetMixerName(4), "");
  EXPECT_EQ(GetMixerIndexByName("mixer2"), -1);

  ValveAt(21).SetAttribBool(eValveDiOnOffPosition, true);
  ValveAt(23).SetAttribBool(eValveDiOnOffPosition, true);
  EXPECT_EQ(GetDischargeDirection(0), 1);
  EXPECT_EQ(SetDischargeDirection(3, 2), 1);
  EXPECT_EQ(GetDischargeDirection(2), 2);  // L.A.B.S and Water-Ex share Batcher02's bits
  SetDischargeDirection(7, 9);  // no such direction: both bits off
  EXPECT_EQ(GetDischargeDirection(6), 0);
  EXPECT_EQ(SetDischargeDirection(0, 2), 1);  // water has no bits
  EXPECT_EQ(GetDischargeDirection(0), 1);
  SetProcessDataGen(nullptr);  // without general data the bits read off
  EXPECT_EQ(GetDischargeDirection(2), 0);
}

TEST_F(PlantModelTest, AutomaticOperationStopsAtLocalSwitches) {
  EXPECT_TRUE(IsAutoOperationAllowed(1, 1, 7));  // charging a batcher looks at no mixer
  EXPECT_FALSE(IsAutoOperationAllowed(1, 2, 7));
  EXPECT_FALSE(IsAutoOperationAllowed(9, 1, 0));
  data.SetAttribBool(ePrcMixer1IsInLocalMode + 2, true);
  EXPECT_FALSE(IsAutoOperationAllowed(0, 1, 2));
  EXPECT_TRUE(IsAutoOperationAllowed(0, 1, 1));
  data.SetAttribBool(ePrcBatcher1IsInLocalMode + 1, true);
  EXPECT_FALSE(IsAutoOperationAllowed(3, 1, 0));
  EXPECT_TRUE(IsAutoOperationAllowed(4, 2, 0));
}

TEST_F(PlantModelTest, AttributesByIdAndCodeReachOnlyWhatTheyName) {
  SetShapeAttribFloat(GetMixerId(1), eCodeLevel, 120.0f);
  EXPECT_EQ(VesselAt(15).GetAttribFloat(eVesselLevel), 120.0f);
  EXPECT_EQ(GetShapeAttribFloat(VesselId(15) | 0x0100, eCodeMainValue), 120.0f);  // index bits 0-7 only
  SetShapeAttribBool(GearPumpId(2), eCodeIncreaseOrHighFlow, true);
  EXPECT_TRUE(g_gearPumps[2].GetAttribBool(ePumpDoIncreaseSpeed));

  // A kind without devices here, an index past the array, a code the kind lacks.
  EXPECT_EQ(GetShapeAttribFloat(MakeObjectId(eShapeKindBelt, 0), eCodeMainValue), 0.0f);
  EXPECT_EQ(GetShapeAttribFloat(VesselId(19), eCodeLevel), 0.0f);
  EXPECT_EQ(GetShapeAttribFloat(VesselId(14), 999), 0.0f);
  EXPECT_FALSE(GetShapeAttribBool(kNoPlantObject, eCodeOnOffCommand));
  SetShapeAttribFloat(MakeObjectId(eShapeKindBelt, 14), eCodeLevel, 5.0f);
  SetShapeAttribBool(GearPumpId(7), eCodeOnOffCommand, true);
  for (const C_GearPump& pump : g_gearPumps) EXPECT_FALSE(pump.GetAttribBool(ePumpDoOnOffSpeed));
  EXPECT_EQ(VesselAt(14).GetAttribFloat(eVesselLevel), 0.0f);
}

}  // namespace
