#include "plant/PlantModel.h"

#include <atomic>
#include <utility>

#include "common/TimeAndKeys.h"
#include "engine/ProcessEngineApp.h"
#include "plant/MaterialLedger.h"
#include "shapes/ProcessDataGen.h"

namespace {

constexpr BYTE kSettingsIndex = 1;
constexpr int kDirectionFlags = 0xa;  // the valves' and gear pumps' draw flags
constexpr int kTankerFlags = 0x8400;
constexpr int kMixerFlags = 0x593c7;

constexpr PlantObjectId IdOf(int kind, int index) {
  return (static_cast<PlantObjectId>(kSettingsIndex) << 24) | (static_cast<PlantObjectId>(kind & 0xFF) << 16) |
         static_cast<PlantObjectId>(index & 0xFF);
}
constexpr PlantObjectId Vessel(int index) { return IdOf(eShapeKindVessel, index); }
constexpr PlantObjectId Valve(int index) { return IdOf(eShapeKindValve, index); }
constexpr PlantObjectId GearPump(int index) { return IdOf(eShapeKindGearPump, index); }
constexpr PlantObjectId CntrFglPump(int index) { return IdOf(eShapeKindCntrFglPump, index); }

// Gear pumps by index.
constexpr int kBatcher01Pump = 0, kBatcher02Pump = 1, kBatcher3APump = 2, kBatcher3BPump = 3, kBatcher05Pump = 4,
              kWaterPump = 6;

ShapeRecord Record(const char* name, int x, int y, int width, int height, int drawFlags, unsigned shapeCode,
                   int form) {
  return ShapeRecord(x, y, width, height, static_cast<int>(shapeCode), form, name, drawFlags);
}

std::array<ShapeRecord, kPlantVesselCount> VesselRecords() {
  return {{
      Record("TankerBatcher1A", 10, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher1B", 90, 5, 70, 90, kTankerFlags, 0x50400104, 4),
      Record("TankerBatcher1C", 170, 5, 70, 90, kTankerFlags, 0x50400104, 4),
      Record("TankerBatcher2A", 290, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher2B", 370, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher2C", 450, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher2D", 530, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher3A", 650, 5, 70, 90, kTankerFlags, 0x50400113, 4),
      Record("TankerBatcher3B", 730, 5, 70, 90, kTankerFlags, 0x50400104, 4),
      Record("Batcher01", 80, 195, 100, 90, kTankerFlags, 0x40214102, 1),
      Record("Batcher02", 200, 195, 100, 90, kTankerFlags, 0x40214102, 1),
      Record("Batcher03", 320, 195, 100, 90, kTankerFlags, 0x40214102, 1),
      Record("Batcher04", 440, 195, 80, 90, kTankerFlags, 0x40214102, 1),
      Record("Batcher05", 560, 195, 80, 90, kTankerFlags, 0x40214102, 1),
      Record("Mixer1", 30, 425, 150, 180, kMixerFlags, 0x40405123, 4),
      Record("Mixer2", 230, 425, 150, 180, kMixerFlags, 0x40214122, 4),
      Record("Mixer3", 430, 425, 150, 180, kMixerFlags, 0x40405123, 4),
      Record("Mixer4", 630, 425, 150, 180, kMixerFlags, 0x40405123, 4),
      Record("TankerDaily", 830, 35, 70, 90, kTankerFlags, 0x40214122, 4),
  }};
}

std::array<ShapeRecord, kPlantValveCount> ValveRecords() {
  std::array<ShapeRecord, kPlantValveCount> records;
  // Direction valve n of batcher b sits 200 pixels right of valve n - 1, and
  // 30 right of the same valve of batcher b - 1.
  for (int batcher = 0; batcher < 5; ++batcher) {
    for (int direction = 0; direction < 4; ++direction) {
      const std::string name =
          "Batcher0" + std::to_string(batcher + 1) + "-DirectionValve" + std::to_string(direction + 1);
      records[static_cast<std::size_t>(batcher * 4 + direction)] =
          ShapeRecord(30 + 200 * direction + 30 * batcher, 385, 22, 30, 0, 1, name, kDirectionFlags);
    }
  }
  for (int direction = 0; direction < 4; ++direction) {
    records[static_cast<std::size_t>(ePlantWaterDirectionValve1 + direction)] = ShapeRecord(
        180 + 200 * direction, 400, 22, 30, 0, 1, "Water-DirectionValve" + std::to_string(direction + 1),
        kDirectionFlags);
  }
  const char* const hidden[] = {"Water-DirectionValve5",    "TankerDaily-DisChargeValve", "Batcher01-DisChargeValve",
                                "Batcher02-DisChargeValve", "Batcher03-DisChargeValve",   "Batcher04-DisChargeValve",
                                "Batcher05-DisChargeValve"};
  for (std::size_t i = 0; i < std::size(hidden); ++i)
    records[ePlantWaterDirectionValve5 + i] = ShapeRecord(-1, -1, 22, 30, 0, 1, hidden[i], kDirectionFlags);
  return records;
}

std::array<ShapeRecord, kPlantGearPumpCount> GearPumpRecords() {
  std::array<ShapeRecord, kPlantGearPumpCount> records;
  const char* const names[] = {"Batcher01-ChargePump", "Batcher02-ChargePump", "Batcher3A-ChargePump",
                               "Batcher3B-ChargePump", "Batcher05-ChargePump", "Mixer-GearPump",
                               "Water-ChargePump"};
  for (std::size_t i = 0; i < records.size(); ++i)
    records[i] = ShapeRecord(-1, -1, 25, 38, 0, 1, names[i], kDirectionFlags);
  return records;
}

std::array<ShapeRecord, kPlantCntrFglPumpCount> CntrFglPumpRecords() {
  return {{
      ShapeRecord(730, 135, 35, 35, 0, 4, "Batcher04-ChargePump1", 0x10),
      ShapeRecord(730, 180, 35, 35, 0, 4, "Batcher04-ChargePump2", 0x10),
  }};
}

// Shapes are neither copied nor moved: each element is built in place.
template <class Shape, std::size_t N, std::size_t... I>
std::array<Shape, N> BuildShapes(const std::array<ShapeRecord, N>& records, std::index_sequence<I...>) {
  return {{Shape(kSettingsIndex, records[I], static_cast<int>(I))...}};
}

template <class Shape, std::size_t N>
std::array<Shape, N> BuildShapes(const std::array<ShapeRecord, N>& records) {
  return BuildShapes<Shape>(records, std::make_index_sequence<N>());
}

std::array<PlantObjectId, 4> DirectionValvesOf(int firstValve) {
  return {Valve(firstValve), Valve(firstValve + 1), Valve(firstValve + 2), Valve(firstValve + 3)};
}

std::array<CMaterial::Definition, kMaterialCount> MaterialDefinitions() {
  using D = CMaterial::Definition;
  const PlantObjectId none = kNoPlantObject;
  const std::array<PlantObjectId, 4> noValves{none, none, none, none};
  const auto& names = MaterialNames();
  auto charged = [&](int index, int code, PlantObjectId pump, int firstDelay, int secondDelay, PlantObjectId valve,
                     PlantObjectId weigher, int firstDirValve, PlantObjectId tanker) {
    return D{names[static_cast<std::size_t>(index)], index, "Kg", code, pump, firstDelay, secondDelay, valve,
             weigher, DirectionValvesOf(firstDirValve), tanker};
  };
  return {{
      charged(0, 301, GearPump(kWaterPump), 5000, 5000, none, Vessel(ePlantMixer1), ePlantWaterDirectionValve1, none),
      charged(1, 302, GearPump(kBatcher01Pump), 0, 15000, Valve(26), Vessel(9), 0, Vessel(0)),
      charged(2, 303, GearPump(kBatcher02Pump), 0, 15000, Valve(27), Vessel(10), 4, Vessel(3)),
      charged(3, 304, GearPump(kWaterPump), 0, 15000, Valve(27), Vessel(10), 4, none),
      charged(4, 305, GearPump(kBatcher3APump), 0, 10000, Valve(28), Vessel(11), 8, Vessel(7)),
      charged(5, 306, GearPump(kBatcher3BPump), 0, 10000, Valve(28), Vessel(11), 8, none),
      charged(6, 307, CntrFglPump(0), 0, 10000, Valve(29), Vessel(12), 12, none),
      charged(7, 308, CntrFglPump(1), 0, 10000, Valve(29), Vessel(12), 12, none),
      charged(8, 309, GearPump(kBatcher05Pump), 0, 10000, Valve(30), Vessel(13), 16, none),
      D{names[9], 9, "-", -1, none, 0, 10000, none, none, noValves, none},
      D{names[10], 10, "Sec", -1, none, 0, 10000, none, none, noValves, none},
  }};
}

template <std::size_t... I>
std::array<CMaterial, kMaterialCount> BuildMaterials(std::index_sequence<I...>) {
  const auto definitions = MaterialDefinitions();
  return {{CMaterial(definitions[I])...}};
}

// The engine is made first, so it goes last: the devices never outlive it.
[[maybe_unused]] const bool g_processEngineMade = (GetProcessEngine(), true);

std::atomic<C_ProcessDataGen*> g_processDataGen{nullptr};

template <class Shape, std::size_t N>
Shape* At(std::array<Shape, N>& shapes, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? &shapes[static_cast<std::size_t>(index)] : nullptr;
}

// The batcher (0..4) of materials 1..8; -1 for water and the pseudo-materials.
int BatcherOfMaterial(int material) {
  switch (material) {
    case 1: return 0;
    case 2: case 3: return 1;
    case 4: case 5: return 2;
    case 6: case 7: return 3;
    case 8: return 4;
    default: return -1;
  }
}

bool ReadProcessFlag(int index) {
  const C_ProcessDataGen* data = g_processDataGen.load();
  return data && data->GetAttribBool(index);
}

void WriteProcessFlag(int index, bool value) {
  if (C_ProcessDataGen* data = g_processDataGen.load()) data->SetAttribBool(index, value);
}

// The shape and the attribute index an id and a code name, or none.
std::pair<C_BaseShape*, int> Resolve(PlantObjectId id, int code) {
  C_BaseShape* shape = FindPlantShape(id);
  if (!shape) return {nullptr, -1};
  const int index = MapAttribCode(id, code);
  if (index < 0 || index >= shape->GetAttribCount()) return {nullptr, -1};
  return {shape, index};
}

}  // namespace

CProcessReport g_strProcessReport;
std::array<CMaterial, kMaterialCount> g_materials = BuildMaterials(std::make_index_sequence<kMaterialCount>());
std::array<C_Vessel, kPlantVesselCount> g_vessels = BuildShapes<C_Vessel>(VesselRecords());
std::array<C_Valve, kPlantValveCount> g_valves = BuildShapes<C_Valve>(ValveRecords());
std::array<C_GearPump, kPlantGearPumpCount> g_gearPumps = BuildShapes<C_GearPump>(GearPumpRecords());
std::array<C_CntrFglPmp, kPlantCntrFglPumpCount> g_cntrFglPumps = BuildShapes<C_CntrFglPmp>(CntrFglPumpRecords());

CMaterialLedger& GetMaterialLedger() {
  static CMaterialLedger ledger([](PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); },
                                [](PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeMinLevel); },
                                [] { return GetNowDate(); });
  return ledger;
}

std::vector<C_BaseShape*> GetPlantShapes() {
  std::vector<C_BaseShape*> shapes;
  shapes.reserve(kPlantShapeCount);
  for (auto& shape : g_vessels) shapes.push_back(&shape);
  for (auto& shape : g_valves) shapes.push_back(&shape);
  for (auto& shape : g_gearPumps) shapes.push_back(&shape);
  for (auto& shape : g_cntrFglPumps) shapes.push_back(&shape);
  return shapes;
}

C_BaseShape* FindPlantShape(PlantObjectId id) {
  const int index = static_cast<int>(id & 0xFF);
  switch (PlantObjectKind(id)) {
    case eShapeKindVessel: return At(g_vessels, index);
    case eShapeKindValve: return At(g_valves, index);
    case eShapeKindGearPump: return At(g_gearPumps, index);
    case eShapeKindCntrFglPump: return At(g_cntrFglPumps, index);
    default: return nullptr;
  }
}

CMaterial* GetMaterial(int index) { return At(g_materials, index); }

C_ProcessDataGen* GetProcessDataGen() { return g_processDataGen.load(); }
void SetProcessDataGen(C_ProcessDataGen* data) { g_processDataGen.store(data); }

PlantObjectId MakeObjectId(int kind, int index) {
  return MakePlantObjectId(kSettingsIndex, static_cast<BYTE>(kind), static_cast<BYTE>(index));
}

PlantObjectId GetMixerId(int mixer) {
  // Outside 0..3 the vessel next to the mixers (a batcher or the daily tanker) would answer.
  if (mixer < 0 || mixer >= kPlantMixerCount) return kNoPlantObject;
  return MakeObjectId(eShapeKindVessel, ePlantMixer1 + mixer);
}

PlantObjectId GetMaterialWeigherId(int material, int mixer) {
  if (material == 0) return GetMixerId(mixer);
  const CMaterial* found = GetMaterial(material);
  return found ? found->GetWeigherId() : kNoPlantObject;
}

PlantObjectId GetMaterialDirValveId(int material, int mixer) {
  const CMaterial* found = GetMaterial(material);
  return found ? found->GetDirValveId(mixer) : kNoPlantObject;
}

bool IsDirectionValveIndex(int valveIndex) { return valveIndex >= 0 && valveIndex <= ePlantDirectionValveLast; }

int GetDirectionValveMixer(int valveIndex) { return IsDirectionValveIndex(valveIndex) ? valveIndex % 4 : -1; }

int GetDischargeDirection(int material) {
  if (material == 0) {
    for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) {
      if (g_valves[static_cast<std::size_t>(ePlantWaterDirectionValve1 + mixer)].GetAttribBool(eValveDiOnOffPosition))
        return mixer;
    }
    return -1;
  }
  const int batcher = BatcherOfMaterial(material);
  if (batcher < 0) return 0;
  const int bit0 = ReadProcessFlag(ePrcBatcher1DischargeDirBit0 + batcher) ? 1 : 0;
  const int bit1 = ReadProcessFlag(ePrcBatcher1DischargeDirBit1 + batcher) ? 1 : 0;
  return bit0 + 2 * bit1;
}

int SetDischargeDirection(int material, int direction) {
  const int batcher = BatcherOfMaterial(material);
  if (batcher < 0) return 1;
  const bool valid = direction >= 0 && direction < kPlantMixerCount;
  WriteProcessFlag(ePrcBatcher1DischargeDirBit0 + batcher, valid && (direction & 1) != 0);
  WriteProcessFlag(ePrcBatcher1DischargeDirBit1 + batcher, valid && (direction & 2) != 0);
  return 1;
}

PlantObjectId GetChargedWeigherId(int material) {
  if (material < 0 || material >= kChargedMaterialCount) return kNoPlantObject;
  if (material == 0) return GetMixerId(GetDischargeDirection(0));
  if (material == 3 && !g_valves[ePlantWaterDirectionValve5].GetAttribBool(eValveDiOnOffPosition))
    return kNoPlantObject;
  return GetMaterialWeigherId(material, 0);
}

PlantObjectId GetFullWeigherOfPump(PlantObjectId pump) {
  if (pump == kNoPlantObject) return kNoPlantObject;
  for (int material = 0; material < kChargedMaterialCount; ++material) {
    if (g_materials[static_cast<std::size_t>(material)].GetChargePumpId() != pump) continue;
    const PlantObjectId weigher = GetChargedWeigherId(material);
    if (weigher != kNoPlantObject &&
        !(GetShapeAttribFloat(weigher, eCodeLevel) < GetShapeAttribFloat(weigher, eCodeMaxLevel)))
      return weigher;
  }
  return kNoPlantObject;
}

std::string GetMixerName(int mixer) {
  if (mixer < 0 || mixer >= kPlantMixerCount) return std::string();
  return "Mixer" + std::to_string(mixer + 1);
}

int GetMixerIndexByName(const std::string& name) {
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
    if (name == GetMixerName(mixer)) return mixer;
  return -1;
}

float GetShapeAttribFloat(PlantObjectId id, int code) {
  const auto [shape, index] = Resolve(id, code);
  return shape ? shape->GetAttribFloat(index) : 0.0f;
}

bool GetShapeAttribBool(PlantObjectId id, int code) {
  const auto [shape, index] = Resolve(id, code);
  return shape ? shape->GetAttribBool(index) : false;
}

void SetShapeAttribFloat(PlantObjectId id, int code, float value) {
  const auto [shape, index] = Resolve(id, code);
  if (shape) shape->SetAttribFloat(index, value);
}

void SetShapeAttribBool(PlantObjectId id, int code, bool value) {
  const auto [shape, index] = Resolve(id, code);
  if (shape) shape->SetAttribBool(index, value);
}

bool IsAutoOperationAllowed(int material, int purpose, int mixer) {
  int localFlag = -1;
  if (material == 0) {
    localFlag = ePrcInputValvesAreInLocalMode;
  } else if (const int batcher = BatcherOfMaterial(material); batcher >= 0) {
    localFlag = ePrcBatcher1IsInLocalMode + batcher;
  }
  if (localFlag < 0 || ReadProcessFlag(localFlag)) return false;
  if (purpose == 1 && material != 0) return true;
  if (mixer < 0 || mixer >= kPlantMixerCount) return false;
  return !ReadProcessFlag(ePrcMixer1IsInLocalMode + mixer);
}
