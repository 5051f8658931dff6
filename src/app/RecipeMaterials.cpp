#include "app/RecipeMaterials.h"

#include "plant/Material.h"
#include "plant/PlantModel.h"

// Read once from the plant model: units and valves are fixed by the plant's tables.
const RecipeMaterials& GetRecipeMaterials() {
  static const RecipeMaterials materials = [] {
    RecipeMaterials info;
    for (int i = 0; i < kMaterialCount; ++i) {
      if (const CMaterial* material = GetMaterial(i)) {
        info[i].unit = material->GetUnit();
        info[i].hasDischargeValve = material->GetDischargeValveId() != kNoPlantObject;
      }
    }
    return info;
  }();
  return materials;
}
