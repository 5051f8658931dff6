#pragma once
// What the recipe rows need to know of the plant's materials: the unit a dose
// is given in and whether the material's batcher has a discharge valve (only
// then may a step discharge).
#include <array>
#include <optional>
#include <string>

#include "records/MaterialNames.h"

struct RecipeMaterialInfo {
  std::string unit;
  bool hasDischargeValve = false;
};

// The eleven materials in index order.
using RecipeMaterials = std::array<RecipeMaterialInfo, kMaterialCount>;
const RecipeMaterials& GetRecipeMaterials();

// The batcher a material is weighed in, read now from the plant: its name and
// its capacity (the top of its Level range). None for a material weighed
// elsewhere (water, in its mixer) or not weighed at all.
struct RecipeWeigher {
  std::string name;
  float capacity = 0.0f;
};
std::optional<RecipeWeigher> FindRecipeWeigher(int material);
// The material's name as the plant knows it (empty when there is none).
std::string GetRecipeMaterialName(int material);
