#include "plant/DemoSimulation.h"

#include <algorithm>

#include "plant/PlantModel.h"
#include "shapes/ProcessDataGen.h"
#include "shapes/PumpShape.h"

namespace {

// The start factors are single-precision values used in double precision
// (0.9 acts as 0.8999999761581421).
constexpr float kTankerFill = 0.9f;
constexpr float kMixerTemperatureShare = 0.5f;
constexpr float kCntrFglPumpShare = 0.6f;
constexpr float kGearPumpShare = 0.7f;
constexpr double kMovedPerSpeedUnit = 0.001;

float Scaled(float value, float factor) {
  return static_cast<float>(static_cast<double>(value) * static_cast<double>(factor));
}

C_Vessel& VesselAt(int index) { return g_vessels[static_cast<std::size_t>(index)]; }

float Level(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); }
float MinLevel(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeMinLevel); }
float MaxLevel(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeMaxLevel); }
void SetLevel(PlantObjectId vessel, double level) {
  SetShapeAttribFloat(vessel, eCodeLevel, static_cast<float>(level));
}

// Up to `amount` into `vessel`, never above its maximum; what it gained (a
// refused change gains nothing).
double Fill(PlantObjectId vessel, double amount) {
  const float before = Level(vessel);
  amount = std::min(amount, static_cast<double>(MaxLevel(vessel)) - static_cast<double>(before));
  if (!(amount > 0.0)) return 0.0;
  SetLevel(vessel, static_cast<double>(before) + amount);
  return static_cast<double>(Level(vessel)) - static_cast<double>(before);
}

// Up to `amount` out of `vessel`, never below its minimum; what it lost.
double Drain(PlantObjectId vessel, double amount) {
  const float before = Level(vessel);
  amount = std::min(amount, static_cast<double>(before) - static_cast<double>(MinLevel(vessel)));
  if (!(amount > 0.0)) return 0.0;
  SetLevel(vessel, static_cast<double>(before) - amount);
  return static_cast<double>(before) - static_cast<double>(Level(vessel));
}

// Water goes into the one mixer whose water direction valve reports open;
// Water-Ex into Batcher02 only while its water valve reports open.
bool ChargesNow(int material, int mixer) {
  if (material == 0) return GetDischargeDirection(0) == mixer;
  if (material == 3) return g_valves[ePlantWaterDirectionValve5].GetAttribBool(eValveDiOnOffPosition);
  return true;
}

// A pump runs once the plant form accepted its start, as a device would: while
// the form still decides (and reads the start level of the charge), the
// command on the shape moves nothing yet.
bool RunsNow(PlantObjectId pump) {
  const auto* shape = dynamic_cast<const C_PumpShape*>(FindPlantShape(pump));
  return shape && shape->GetAttribBool(ePumpDoOnOffSpeed) && shape->IsRunCommandAccepted();
}

// Nothing simulated disappears: the tanker loses exactly what the weigher
// gained, which stops at the weigher's maximum and at what the tanker holds
// above its minimum. Without a tanker the supply is outside the plant.
void Charge(const CMaterial& material, int mixer) {
  const PlantObjectId pump = material.GetChargePumpId();
  if (!RunsNow(pump) || !ChargesNow(material.GetIndex(), mixer)) return;
  double amount = GetShapeAttribFloat(pump, eCodeMainValue) * kMovedPerSpeedUnit;
  const PlantObjectId tanker = material.GetSourceTankerId();
  if (tanker != kNoPlantObject)
    amount = std::min(amount, static_cast<double>(Level(tanker)) - static_cast<double>(MinLevel(tanker)));
  const double moved = Fill(GetMaterialWeigherId(material.GetIndex(), mixer), amount);
  if (tanker != kNoPlantObject && moved > 0.0) SetLevel(tanker, static_cast<double>(Level(tanker)) - moved);
}

// The mixer of the batcher's direction receives exactly what left the batcher:
// no more than the mixer has room for, and with no direction nothing leaves.
void Discharge(const CMaterial& material, int mixer) {
  const PlantObjectId valve = material.GetDischargeValveId();
  // As a pump, a valve lets material through once the plant form accepted it.
  const auto* shape = dynamic_cast<const C_Valve*>(FindPlantShape(valve));
  if (!shape || !shape->IsOpenCommandAccepted()) return;
  const PlantObjectId target = GetMixerId(GetDischargeDirection(material.GetIndex()));
  if (target == kNoPlantObject) return;
  const double room = static_cast<double>(MaxLevel(target)) - static_cast<double>(Level(target));
  const double amount = std::min(GetShapeAttribFloat(valve, eCodeMainValue) * kMovedPerSpeedUnit, room);
  const double moved = Drain(GetMaterialWeigherId(material.GetIndex(), mixer), amount);
  if (moved > 0.0) SetLevel(target, static_cast<double>(Level(target)) + moved);
}

void DrainDailyTanker() {
  const C_Valve& valve = g_valves[ePlantTankerDailyDischargeValve];
  C_Vessel& tanker = VesselAt(ePlantTankerDaily);
  if (!valve.GetAttribBool(eValveDiOnOffPosition)) return;
  const float min = tanker.GetAttribFloat(eVesselMinVluLevel);
  const float level = tanker.GetAttribFloat(eVesselLevel);
  if (!(min < level)) return;
  const double next = level - valve.GetAttribFloat(eValvePosition) * kMovedPerSpeedUnit;
  tanker.SetAttribFloat(eVesselLevel, next < min ? min : static_cast<float>(next));
}

void StartVessel(C_Vessel& vessel, float level) {
  vessel.SetAttribFloat(eVesselLevel, level);
  vessel.SetAttribBool(eVesselAutoCntrlSpeed, true);
  vessel.SetAttribBool(eVesselDoOnOffSpeed, true);
}

}  // namespace

void CDemoSimulation::InitDemoValues() {
  m_forgetMirrored.store(true);
  if (C_ProcessDataGen* data = GetProcessDataGen()) {
    for (int flag = ePrcMixer1IsInLocalMode; flag <= ePrcBatcher1IsInLocalMode + 4; ++flag)
      data->SetAttribBool(flag, false);
  }
  for (C_Valve& valve : g_valves) valve.SetAttribFloat(eValvePosition, valve.GetAttribFloat(eValveMaxVluPosition));
  for (int index = ePlantTankerBatcherFirst; index <= ePlantTankerBatcherLast; ++index) {
    C_Vessel& tanker = VesselAt(index);
    StartVessel(tanker, Scaled(tanker.GetAttribFloat(eVesselMaxVluLevel), kTankerFill));
  }
  for (int index = ePlantBatcher01; index <= ePlantBatcher05; ++index) {
    C_Vessel& batcher = VesselAt(index);
    StartVessel(batcher, batcher.GetAttribFloat(eVesselMinVluLevel));
  }
  for (int index = ePlantMixer1; index <= ePlantMixer4; ++index) {
    C_Vessel& mixer = VesselAt(index);
    mixer.SetAttribFloat(eVesselLevel, mixer.GetAttribFloat(eVesselMinVluLevel));
    mixer.SetAttribFloat(eVesselSpeed, mixer.GetAttribFloat(eVesselMaxVluSpeed));
    mixer.SetAttribFloat(eVesselTemperature,
                         Scaled(mixer.GetAttribFloat(eVesselMaxVluTemperature), kMixerTemperatureShare));
    mixer.SetAttribBool(eVesselAutoCntrlSpeed, true);
    mixer.SetAttribBool(eVesselDoOnOffSpeed, true);
    mixer.SetAttribBool(eVesselDiOnOffSpeed, true);
  }
  C_Vessel& daily = VesselAt(ePlantTankerDaily);
  StartVessel(daily, Scaled(daily.GetAttribFloat(eVesselMaxVluLevel), kTankerFill));
  for (C_CntrFglPmp& pump : g_cntrFglPumps)
    pump.SetAttribFloat(ePumpSpeed, Scaled(pump.GetAttribFloat(ePumpMaxVluSpeed), kCntrFglPumpShare));
  for (C_GearPump& pump : g_gearPumps)
    pump.SetAttribFloat(ePumpSpeed, Scaled(pump.GetAttribFloat(ePumpMaxVluSpeed), kGearPumpShare));
}

void CDemoSimulation::SimulateDemoLevels() {
  // Materials 1..8 do not depend on the mixer: they move once per mixer, four
  // times a pass; water moves once, into the mixer its valve leads to.
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) {
    for (int index = 0; index < kChargedMaterialCount; ++index) {
      const CMaterial& material = g_materials[static_cast<std::size_t>(index)];
      Charge(material, mixer);
      Discharge(material, mixer);
    }
  }
  DrainDailyTanker();
}

void CDemoSimulation::MirrorDemoFeedback() {
  if (m_forgetMirrored.exchange(false)) m_mirrored.fill(Mirrored{});
  for (C_CntrFglPmp& pump : g_cntrFglPumps) pump.SetAttribBool(ePumpDiOnOffSpeed, pump.GetAttribBool(ePumpDoOnOffSpeed));
  for (C_GearPump& pump : g_gearPumps) pump.SetAttribBool(ePumpDiOnOffSpeed, pump.GetAttribBool(ePumpDoOnOffSpeed));
  for (C_Vessel& vessel : g_vessels)
    vessel.SetAttribBool(eVesselDiOnOffSpeed, vessel.GetAttribBool(eVesselDoOnOffSpeed));
  // The direction valves' feedbacks are the plant form's to judge; only the others follow here.
  for (int index = ePlantDirectionValveLast + 1; index < kPlantValveCount; ++index) {
    C_Valve& valve = g_valves[static_cast<std::size_t>(index)];
    valve.SetAttribBool(eValveDiOnOffPosition, valve.GetAttribBool(eValveDoOnOffPosition));
  }
  for (int index = 0; index < kChargedMaterialCount; ++index) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(index)];
    const PlantObjectId dischargeValve = material.GetDischargeValveId();
    const int direction = GetDischargeDirection(index);
    if (direction == -1 || dischargeValve == kNoPlantObject) continue;
    const bool command = GetShapeAttribBool(dischargeValve, eCodeOnOffCommand);
    // Materials that share a batcher share its valves: one memory per batcher.
    const int batcher = static_cast<int>(dischargeValve & 0xFF) - ePlantBatcher01DischargeValve;
    if (batcher < 0 || batcher >= static_cast<int>(m_mirrored.size())) continue;
    Mirrored& last = m_mirrored[static_cast<std::size_t>(batcher)];
    if (last.known && last.direction == direction && last.command == command) continue;
    last = Mirrored{true, direction, command};
    SetShapeAttribBool(GetMaterialDirValveId(index, direction), eCodeOnOffCommand, command);
  }
}
