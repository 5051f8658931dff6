#include "records/MaterialNames.h"

const std::array<const char*, kMaterialCount>& MaterialNames() {
  static const std::array<const char*, kMaterialCount> names = {
      "Water",  "Caus. Soda", "L.A.B.S", "Water-Ex",     "DiEthanol", "Litron",
      "Color",  "Essence",    "Preservative", "Confirmation", "Delay Step"};
  return names;
}

std::string GetMaterialNameByIndex(int index) {
  if (index == kNoMaterial) return "-1";
  if (index < 0 || index >= kMaterialCount) return std::string();
  return MaterialNames()[static_cast<std::size_t>(index)];
}

int GetMaterialIndexByName(const std::string& name) {
  if (name == "-1") return kNoMaterial;
  for (int i = 0; i < kMaterialCount; ++i)
    if (name == MaterialNames()[static_cast<std::size_t>(i)]) return i;
  return kUnknownMaterial;
}
