#include "plant/PlantOutputs.h"

#include <vector>

#include "engine/EngineTables.h"
#include "plant/PlantModel.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"

namespace {

// Materials whose direction bits reset every batcher's (2, 4 and 6 stand for their partners).
constexpr int kDirectionMaterials[] = {1, 2, 4, 6, 8};

template <class Pump>
void StopPump(Pump& pump) {
  pump.SetAttribBool(ePumpDoOnOffSpeed, false);
  pump.SetAttribBool(ePumpDoDecreaseSpeed, false);
  pump.SetAttribBool(ePumpDoIncreaseSpeed, false);
}

}  // namespace

void ResetPlantOutputs() {
  for (C_Vessel& vessel : g_vessels) vessel.SetAttribBool(eVesselDoOnOffSpeed, false);
  for (C_Valve& valve : g_valves) {
    valve.SetAttribBool(eValveDoOnOffPosition, false);
    valve.SetAttribBool(eValveDoLowFlow, false);
    valve.SetAttribBool(eValveDoHighFlow, false);
  }
  for (C_GearPump& pump : g_gearPumps) StopPump(pump);
  for (C_CntrFglPmp& pump : g_cntrFglPumps) StopPump(pump);
  for (int material : kDirectionMaterials) SetDischargeDirection(material, 0);
}

void UpdatePumpSpeeds() {
  for (C_GearPump& pump : g_gearPumps) {
    const float max = pump.GetAttribFloat(ePumpMaxVluSpeed);
    if (pump.GetAttribBool(ePumpDoDecreaseSpeed)) pump.SetAttribFloat(ePumpSpeed, max * 0.5f);
    if (pump.GetAttribBool(ePumpDoIncreaseSpeed)) pump.SetAttribFloat(ePumpSpeed, max);
  }
}

void StopPumpsAtFullWeighers() {
  const auto stopAtFull = [](auto& pumps, int kind) {
    for (std::size_t index = 0; index < pumps.size(); ++index) {
      auto& pump = pumps[index];
      if (!pump.GetAttribBool(ePumpDoOnOffSpeed)) continue;
      if (GetFullWeigherOfPump(MakeObjectId(kind, static_cast<int>(index))) != kNoPlantObject)
        pump.SetAttribBool(ePumpDoOnOffSpeed, false);
    }
  };
  stopAtFull(g_gearPumps, eShapeKindGearPump);
  stopAtFull(g_cntrFglPumps, eShapeKindCntrFglPump);
}

void UpdateMaterialTotals() {
  CRecipeRS* recipe = g_pRecipeRS.load();
  const CShiftRS* shift = g_pShiftRS.load();
  if (!recipe || !shift) return;
  // The recipe's lock, then the shift's: never both at once.
  std::vector<int> used;
  {
    auto lock = recipe->LockActive();
    for (int step = 0; step < CRecipeRS::kStepCount; ++step) {
      const int material = recipe->Active().GetStep(step).GetMaterialIndex();
      if (material >= 0 && material < kMaterialCount) used.push_back(material);
    }
  }
  auto lock = shift->LockActive();
  // Totals of a stopped shift, or of no shift at all, belong to no one now.
  if (!shift->HasActiveRecord() || shift->Active().IsShiftStopped()) return;
  for (int material : used) g_materials[static_cast<std::size_t>(material)].SetTotal(shift->Active().GetTotalMaterial(material));
}
