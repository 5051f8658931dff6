#pragma once
// What the recipe rows need to know of the plant's materials: the unit a dose
// is given in and whether the material's batcher has a discharge valve (only
// then may a step discharge).
#include <array>
#include <string>

#include "records/MaterialNames.h"

struct RecipeMaterialInfo {
  std::string unit;
  bool hasDischargeValve = false;
};

// The eleven materials in index order.
using RecipeMaterials = std::array<RecipeMaterialInfo, kMaterialCount>;
const RecipeMaterials& GetRecipeMaterials();
