// The plant model's inventory and shared functions: ids and sections of the
// devices, the material rows, discharge directions, names, the automatic-
// operation interlock and attributes by id and code, with ids, mixers and
// codes that name nothing.
#include <gtest/gtest.h>

#include "PlantModelTestSupport.h"

namespace {

using PlantModelTest = PlantModelFixture;

TEST_F(PlantModelTest, TheInventoryHasItsIdsSectionsAndMaterialRows) {
  ASSERT_EQ(GetPlantShapes().size(), 59u);
  EXPECT_EQ(GetMixerId(0), 0x0101000Eu);
  EXPECT_EQ(g_vessels[14].GetObjectId(), 0x0101000Eu);
  EXPECT_EQ(g_valves[30].GetObjectId(), 0x0104001Eu);
  EXPECT_EQ(g_valves[30].GetDeviceName(), "Batcher05-DisChargeValve");
  EXPECT_EQ(g_vessels[14].GetSectionName(), "Vessel.Mixer1");
  EXPECT_EQ(g_valves[5].GetSectionName(), "Valve.Batcher02-DirectionValve2");
  EXPECT_EQ(g_valves[5].GetRecord().x, 260);
  EXPECT_EQ(g_gearPumps[6].GetObjectId(), 0x01060006u);
  EXPECT_EQ(g_cntrFglPumps[1].GetDeviceName(), "Batcher04-ChargePump2");
  EXPECT_EQ(g_vessels[15].GetRecord().shapeCode, 0x40214122);
  for (C_BaseShape* shape : GetPlantShapes()) EXPECT_EQ(FindPlantShape(shape->GetObjectId()), shape);

  const CMaterial& soda = g_materials[1];
  EXPECT_EQ(soda.GetName(), "Caus. Soda");
  EXPECT_EQ(soda.GetCode(), 302);
  EXPECT_EQ(soda.GetChargePumpId(), GearPumpId(0));
  EXPECT_EQ(soda.GetSecondPumpId(), GearPumpId(0));
  EXPECT_EQ(soda.GetSourceTankerId(), VesselId(0));
  EXPECT_EQ(soda.GetDischargeValveId(), ValveId(26));
  EXPECT_EQ(soda.GetWeigherId(), VesselId(9));
  EXPECT_EQ(soda.GetDirValveId(3), ValveId(3));
  EXPECT_EQ(soda.GetDirValveId(4), kNoPlantObject);
  EXPECT_EQ(soda.GetSecondDelayMs(), 15000);
  EXPECT_EQ(g_materials[0].GetFirstDelayMs(), 5000);
  EXPECT_EQ(g_materials[6].GetChargePumpId(), MakeObjectId(eShapeKindCntrFglPump, 0));
  EXPECT_EQ(g_materials[3].GetSourceTankerId(), kNoPlantObject);
  EXPECT_EQ(g_materials[7].GetDirValveId(0), ValveId(12));
  EXPECT_EQ(g_materials[9].GetUnit(), "-");
  EXPECT_EQ(g_materials[10].GetUnit(), "Sec");
  EXPECT_EQ(g_materials[10].GetCode(), -1);
  EXPECT_EQ(g_materials[10].GetChargeStartLevel(), -1.0f);
  EXPECT_EQ(GetMaterial(11), nullptr);
  EXPECT_EQ(GetMaterial(-1), nullptr);
}

TEST_F(PlantModelTest, WeighersAndDirectionValvesFollowTheMixerAndStayInRange) {
  EXPECT_EQ(GetMaterialWeigherId(0, 2), VesselId(16));  // water is weighed in the mixer
  EXPECT_EQ(GetMaterialWeigherId(5, 2), VesselId(11));
  EXPECT_EQ(GetMaterialDirValveId(0, 1), ValveId(21));
  EXPECT_EQ(GetMaterialDirValveId(8, 0), ValveId(16));
  // A mixer outside 0..3 names no device (never Batcher05 or the daily tanker).
  EXPECT_EQ(GetMixerId(-1), kNoPlantObject);
  EXPECT_EQ(GetMixerId(4), kNoPlantObject);
  EXPECT_EQ(GetMaterialWeigherId(0, -1), kNoPlantObject);
  EXPECT_EQ(GetMaterialDirValveId(2, -1), kNoPlantObject);
  EXPECT_EQ(GetMaterialDirValveId(11, 0), kNoPlantObject);
  EXPECT_TRUE(IsDirectionValveIndex(23));
  EXPECT_FALSE(IsDirectionValveIndex(24));
  EXPECT_EQ(GetDirectionValveMixer(22), 2);
  EXPECT_EQ(GetDirectionValveMixer(24), -1);
  EXPECT_EQ(GetDirectionValveMixer(-4), -1);
}

TEST_F(PlantModelTest, DischargeDirectionsComeFromTheWaterValvesAndTheBatchersBits) {
  EXPECT_EQ(GetDischargeDirection(0), -1);
  ValveAt(21).SetAttribBool(eValveDiOnOffPosition, true);
  ValveAt(23).SetAttribBool(eValveDiOnOffPosition, true);
  EXPECT_EQ(GetDischargeDirection(0), 1);

  EXPECT_EQ(SetDischargeDirection(3, 2), 1);
  EXPECT_EQ(GetDischargeDirection(2), 2);  // L.A.B.S and Water-Ex share Batcher02's bits
  EXPECT_TRUE(data.GetAttribBool(ePrcBatcher1DischargeDirBit1 + 1));
  EXPECT_EQ(SetDischargeDirection(7, 3), 1);
  EXPECT_EQ(GetDischargeDirection(6), 3);
  EXPECT_EQ(SetDischargeDirection(7, 9), 1);  // no such direction: both bits off
  EXPECT_EQ(GetDischargeDirection(7), 0);
  EXPECT_EQ(SetDischargeDirection(0, 2), 1);  // water has no bits
  EXPECT_EQ(GetDischargeDirection(0), 1);
  EXPECT_EQ(GetDischargeDirection(9), 0);

  SetProcessDataGen(nullptr);  // no general data: the bits read off, writes go nowhere
  EXPECT_EQ(GetDischargeDirection(2), 0);
  EXPECT_EQ(SetDischargeDirection(2, 1), 1);
  SetProcessDataGen(&data);
  EXPECT_EQ(GetDischargeDirection(2), 2);
}

TEST_F(PlantModelTest, NamesMatchExactly) {
  EXPECT_EQ(GetMaterialIndexByName("water"), -2);
  EXPECT_EQ(GetMaterialIndexByName("-1"), -1);
  EXPECT_EQ(GetMaterialIndexByName("Delay Step"), 10);
  EXPECT_EQ(GetMaterialName(8), "Preservative");
  EXPECT_EQ(GetMaterialName(-1), "-1");
  EXPECT_EQ(GetMaterialName(11), "");
  EXPECT_EQ(GetMixerName(3), "Mixer4");
  EXPECT_EQ(GetMixerName(4), "");
  EXPECT_EQ(GetMixerIndexByName("Mixer2"), 1);
  EXPECT_EQ(GetMixerIndexByName("mixer2"), -1);
}

TEST_F(PlantModelTest, AutomaticOperationStopsAtLocalSwitches) {
  EXPECT_TRUE(IsAutoOperationAllowed(1, 1, 7));  // charging a batcher looks at no mixer
  EXPECT_FALSE(IsAutoOperationAllowed(1, 2, 7));
  EXPECT_TRUE(IsAutoOperationAllowed(1, 2, 3));
  EXPECT_FALSE(IsAutoOperationAllowed(0, 1, -1));  // water always goes into a mixer
  EXPECT_FALSE(IsAutoOperationAllowed(9, 1, 0));
  data.SetAttribBool(ePrcMixer1IsInLocalMode + 2, true);
  EXPECT_FALSE(IsAutoOperationAllowed(0, 1, 2));
  EXPECT_TRUE(IsAutoOperationAllowed(0, 1, 1));
  data.SetAttribBool(ePrcBatcher1IsInLocalMode + 1, true);
  EXPECT_FALSE(IsAutoOperationAllowed(3, 1, 0));
  EXPECT_TRUE(IsAutoOperationAllowed(4, 2, 0));
  data.SetAttribBool(ePrcInputValvesAreInLocalMode, true);
  EXPECT_FALSE(IsAutoOperationAllowed(0, 1, 1));
}

TEST_F(PlantModelTest, AttributesByIdAndCodeReachOnlyWhatTheyName) {
  SetShapeAttribFloat(GetMixerId(1), eCodeLevel, 120.0f);
  EXPECT_EQ(VesselAt(15).GetAttribFloat(eVesselLevel), 120.0f);
  EXPECT_EQ(GetShapeAttribFloat(GetMixerId(1), eCodeMainValue), 120.0f);
  SetShapeAttribBool(ValveId(25), eCodeOnOffCommand, true);
  EXPECT_TRUE(ValveAt(25).GetAttribBool(eValveDoOnOffPosition));
  SetShapeAttribBool(GearPumpId(2), eCodeIncreaseOrHighFlow, true);
  EXPECT_TRUE(g_gearPumps[2].GetAttribBool(ePumpDoIncreaseSpeed));
  EXPECT_EQ(GetShapeAttribFloat(VesselId(3), eCodeMaxLevel), 3500.0f);
  // Only bits 0-7 of the index count.
  EXPECT_EQ(GetShapeAttribFloat(VesselId(15) | 0x0100, eCodeLevel), 120.0f);

  // A kind without devices here, an index past the array, a code the kind lacks.
  EXPECT_EQ(GetShapeAttribFloat(MakeObjectId(eShapeKindBelt, 0), eCodeMainValue), 0.0f);
  EXPECT_EQ(GetShapeAttribFloat(VesselId(19), eCodeLevel), 0.0f);
  EXPECT_FALSE(GetShapeAttribBool(ValveId(31), eCodeOnOffCommand));
  EXPECT_EQ(GetShapeAttribFloat(VesselId(14), 999), 0.0f);
  EXPECT_EQ(GetShapeAttribFloat(kNoPlantObject, eCodeLevel), 0.0f);
  SetShapeAttribFloat(VesselId(19), eCodeLevel, 5.0f);
  SetShapeAttribFloat(MakeObjectId(eShapeKindBelt, 14), eCodeLevel, 5.0f);
  SetShapeAttribBool(GearPumpId(7), eCodeOnOffCommand, true);
  for (const C_GearPump& pump : g_gearPumps) EXPECT_FALSE(pump.GetAttribBool(ePumpDoOnOffSpeed));
  EXPECT_EQ(VesselAt(14).GetAttribFloat(eVesselLevel), 0.0f);
}

}  // namespace
