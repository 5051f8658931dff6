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

std::optional<RecipeWeigher> FindRecipeWeigher(int material) {
  const CMaterial* found = GetMaterial(material);
  if (!found) return std::nullopt;
  const PlantObjectId weigher = found->GetWeigherId();
  const int vessel = static_cast<int>(weigher & 0xFF);
  if (PlantObjectKind(weigher) != eShapeKindVessel || vessel < ePlantBatcher01 || vessel > ePlantBatcher05)
    return std::nullopt;
  const C_BaseShape* shape = FindPlantShape(weigher);
  if (!shape) return std::nullopt;
  return RecipeWeigher{shape->GetCaption(), GetShapeAttribFloat(weigher, eCodeMaxLevel)};
}

std::string GetRecipeMaterialName(int material) {
  const CMaterial* found = GetMaterial(material);
  return found ? found->GetName() : std::string();
}
