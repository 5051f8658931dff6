#include "plant/DefaultConfiguration.h"

#include <memory>
#include <vector>

#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/RAttrib.h"
#include "plant/PlantModel.h"
#include "shapes/ProcessDataGen.h"

namespace {

constexpr const char* kLineEnd = "\r\n";

// The attributes of each kind that get a tag, in attribute order.
const std::vector<int>& BoundAttributes(const C_BaseShape& shape) {
  static const std::vector<int> vessel = {eVesselLevel,          eVesselSpeed,          eVesselTemperature,
                                          eVesselDoIncreaseLevel, eVesselDoDecreaseLevel, eVesselDoIncreaseSpeed,
                                          eVesselDoDecreaseSpeed, eVesselDoOnOffSpeed,    eVesselDoIncreaseTemperature,
                                          eVesselDoDecreaseTemperature};
  // The position's port value carries the same name: its one key binds both.
  static const std::vector<int> valve = {eValvePosition, eValveDoOnOffPosition, eValveDoLowFlow, eValveDoHighFlow};
  static const std::vector<int> pump = {ePumpSpeed, ePumpDoIncreaseSpeed, ePumpDoDecreaseSpeed, ePumpDoOnOffSpeed};
  static const std::vector<int> processData = [] {
    std::vector<int> flags;
    for (int index = ePrcInputElecIs2Phase; index < ePrcReserveInt2; ++index) flags.push_back(index);
    return flags;
  }();
  static const std::vector<int> none;
  switch (shape.GetDeviceKind()) {
    case eShapeKindVessel: return vessel;
    case eShapeKindValve: return valve;
    case eShapeKindGearPump:
    case eShapeKindCntrFglPump: return pump;
    case eShapeKindPrcGeneral: return processData;
    default: return none;
  }
}

struct Binding {
  std::string key;
  std::string tagName;
  VARTYPE type;
};

struct Setting {
  std::string key;
  std::string value;
};

struct Section {
  std::string name;
  std::vector<Binding> bindings;
  std::vector<Setting> settings;  // values that differ from the shape's built-in ones
};

// A mixer's built-in temperature range is its form's (thousands of degrees):
// the plant's mixers top at 100 °C, which is what Demo starts them at half of.
constexpr const char* kMixerMaxTemperature = "100";

// Every device of the model, then the general data.
std::vector<Section> DefaultSections() {
  const auto data = std::make_unique<C_ProcessDataGen>(1);
  std::vector<C_BaseShape*> devices = GetPlantShapes();
  devices.push_back(data.get());
  std::vector<Section> sections;
  for (const C_BaseShape* shape : devices) {
    Section section{shape->GetSectionName(), {}, {}};
    for (int index : BoundAttributes(*shape)) {
      const std::string attribute = shape->GetAttribNameAt(index);
      section.bindings.push_back(
          {shape->GetIniKeyName(index, eAttribIniTag), shape->GetDeviceName() + "." + attribute,
           shape->FindAttribVarType(index)});
    }
    if (GetMixerIndexByName(shape->GetDeviceName()) >= 0)
      section.settings.push_back({shape->GetIniKeyName(eVesselMaxVluTemperature, eAttribIniData), kMixerMaxTemperature});
    sections.push_back(std::move(section));
  }
  return sections;
}

}  // namespace

std::string MakeDefaultSettingsText() {
  std::string text;
  text += std::string("[Application]") + kLineEnd;
  text += std::string("ProcessPriority=Normal") + kLineEnd;
  text += std::string("RecordProcessInformationInterval=60") + kLineEnd;
  for (const Section& section : DefaultSections()) {
    text += kLineEnd;
    text += "[" + section.name + "]" + kLineEnd;
    for (const Binding& binding : section.bindings) text += binding.key + "=" + binding.tagName + kLineEnd;
    for (const Setting& setting : section.settings) text += setting.key + "=" + setting.value + kLineEnd;
  }
  return text;
}

std::string MakeDefaultTagFileText() {
  std::string text;
  for (const Section& section : DefaultSections()) {
    for (const Binding& binding : section.bindings) {
      CDCTag tag;
      tag.SetTagName(binding.tagName);
      tag.SetHWType(eHWNull);
      tag.SetIOType(eIONull);
      tag.SetDataType(binding.type);
      std::string line;
      tag.FormatDCTLine(line);
      text += line + kLineEnd;
    }
  }
  return text;
}
