#pragma once
// The plant model: this plant's fixed devices and materials as process-wide
// objects, and the functions the engine, the dosing, the supervisor and the
// plant form share to reach them.
//
// The objects are built before main, in this order, and destroyed in reverse:
// the process engine, the report text, the 11 materials, then the 19 vessels,
// 31 valves, 7 gear pumps and 2 centrifugal pumps (settings index 1, each
// shape's index its position in its array). Their windows exist only while
// the plant form does. The general process data is made by the application,
// which registers it here (SetProcessDataGen).
//
// Devices are named by PlantObjectId: kind in bits 16-23 (1 vessel, 4 valve,
// 6 gear pump, 7 centrifugal pump), index in bits 0-7; -1 is no device. The
// attribute accessors take an AttribCode (1000..1033) and go through the
// shape's own getter or setter, so a write is offered to the plant form (5375)
// and written to the bound tag. An id or code that names nothing reads 0.0 or
// false, and a write to it does nothing.
#include <array>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"
#include "plant/Material.h"
#include "plant/ProcessReport.h"
#include "records/MaterialNames.h"
#include "shapes/CntrFglPmp.h"
#include "shapes/GearPump.h"
#include "shapes/Valve.h"
#include "shapes/Vessel.h"

class C_ProcessDataGen;

inline constexpr int kPlantVesselCount = 19;
inline constexpr int kPlantValveCount = 31;
inline constexpr int kPlantGearPumpCount = 7;
inline constexpr int kPlantCntrFglPumpCount = 2;
inline constexpr int kPlantShapeCount = kPlantVesselCount + kPlantValveCount + kPlantGearPumpCount + kPlantCntrFglPumpCount;
inline constexpr int kPlantMixerCount = 4;
// Materials 0..8 are charged and weighed; 9 and 10 are the recipe's pseudo-materials.
inline constexpr int kChargedMaterialCount = 9;

// Vessel indices.
enum EPlantVessel : int {
  ePlantTankerBatcherFirst = 0,  // TankerBatcher1A .. TankerBatcher3B at 8
  ePlantTankerBatcherLast = 8,
  ePlantBatcher01 = 9,  // .. Batcher05 at 13
  ePlantBatcher05 = 13,
  ePlantMixer1 = 14,  // .. Mixer4 at 17
  ePlantMixer4 = 17,
  ePlantTankerDaily = 18,
};

// Valve indices: 0..19 the direction valves 1..4 of Batcher01..Batcher05
// (direction valve n leads to Mixer n), then the water line and the discharges.
enum EPlantValve : int {
  ePlantDirectionValveLast = 23,
  ePlantWaterDirectionValve1 = 20,  // .. 4 at 23
  ePlantWaterDirectionValve5 = 24,  // the water into Batcher02
  ePlantTankerDailyDischargeValve = 25,
  ePlantBatcher01DischargeValve = 26,  // .. Batcher05 at 30
};

// ---- the process-wide objects ----
extern CProcessReport g_strProcessReport;
extern std::array<CMaterial, kMaterialCount> g_materials;
extern std::array<C_Vessel, kPlantVesselCount> g_vessels;
extern std::array<C_Valve, kPlantValveCount> g_valves;
extern std::array<C_GearPump, kPlantGearPumpCount> g_gearPumps;
extern std::array<C_CntrFglPmp, kPlantCntrFglPumpCount> g_cntrFglPumps;

// The 59 shapes in table order: vessels, valves, gear pumps, centrifugal pumps.
std::vector<C_BaseShape*> GetPlantShapes();
// The shape an id names (bits 0-7 select it), or null.
C_BaseShape* FindPlantShape(PlantObjectId id);
// Material 0..10, or null.
CMaterial* GetMaterial(int index);

// The general process data, registered by the application (null: none; its
// flags then read false and writes to them do nothing).
C_ProcessDataGen* GetProcessDataGen();
void SetProcessDataGen(C_ProcessDataGen* data);

// ---- ids ----
// The id of device `index` of `kind` with settings index 1.
PlantObjectId MakeObjectId(int kind, int index);
// Mixer 0..3 (Mixer1..Mixer4); -1 for any other mixer.
PlantObjectId GetMixerId(int mixer);
// Water (0) is weighed in the mixer; other materials in their batcher.
PlantObjectId GetMaterialWeigherId(int material, int mixer);
PlantObjectId GetMaterialDirValveId(int material, int mixer);
bool IsDirectionValveIndex(int valveIndex);
// The mixer a direction valve leads to (index mod 4), -1 for other valves.
int GetDirectionValveMixer(int valveIndex);

// ---- discharge directions ----
// Water: the first of the water direction valves 1..4 whose feedback is on
// (-1: none). Materials 1..8: their batcher's two direction bits in the
// general process data (bit 0 + 2 × bit 1). Others: 0.
int GetDischargeDirection(int material);
// Materials 1..8: the batcher's two bits (a direction outside 0..3 clears
// both); others nothing. Always 1.
int SetDischargeDirection(int material, int direction);

// ---- full weighers ----
// The weigher a run of material `material`'s charge pump fills now: water the
// mixer its direction leads to, Water-Ex Batcher02 while its water valve
// reports open, materials 1..8 their batcher; -1 when it fills none.
PlantObjectId GetChargedWeigherId(int material);
// The weigher at its maximum ("MaxVluLevel") that pump `pump` fills now, or -1.
PlantObjectId GetFullWeigherOfPump(PlantObjectId pump);

// ---- names ----
inline std::string GetMaterialName(int index) { return GetMaterialNameByIndex(index); }
// "Mixer1".."Mixer4" for 0..3, else "".
std::string GetMixerName(int mixer);
// 0..3 by exact name, else -1.
int GetMixerIndexByName(const std::string& name);

// ---- attributes by id and code ----
float GetShapeAttribFloat(PlantObjectId id, int code);
bool GetShapeAttribBool(PlantObjectId id, int code);
void SetShapeAttribFloat(PlantObjectId id, int code, float value);
void SetShapeAttribBool(PlantObjectId id, int code, bool value);

// Whether automatic operation may go on: purpose 1 charges the material's
// batcher, 2 discharges it into mixer `mixer`. The source's local-mode switch
// refuses; water and discharging also need the mixer out of local mode.
bool IsAutoOperationAllowed(int material, int purpose, int mixer);

// Attribute codes the plant's code uses.
enum EAttribCode : int {
  eCodeMainValue = 1000,  // vessel "Level", valve "Position", pump "Speed"
  eCodeLevel = 1004,
  eCodeLoadInWay = 1009,
  eCodeMinLevel = 1011,
  eCodeMaxLevel = 1015,
  eCodeLowAlarmLevel = 1019,
  eCodeOnOffCommand = 1026,  // "DoOnOffSpeed" / "DoOnOffPosition"
  eCodeIncreaseOrHighFlow = 1027,
  eCodeDecreaseOrLowFlow = 1028,
};
