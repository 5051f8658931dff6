#include "app/RecipeMaterials.h"

// The plant model's values: water charges straight into the mixer, the two
// pseudo-materials (confirmation and delay) have no batcher at all.
const RecipeMaterials& GetRecipeMaterials() {
  static const RecipeMaterials materials{{
      {"Kg", false},  // Water
      {"Kg", true},   // Caus. Soda
      {"Kg", true},   // L.A.B.S
      {"Kg", true},   // Water-Ex
      {"Kg", true},   // DiEthanol
      {"Kg", true},   // Litron
      {"Kg", true},   // Color
      {"Kg", true},   // Essence
      {"Kg", true},   // Preservative
      {"-", false},   // Confirmation
      {"Sec", false}, // Delay Step
  }};
  return materials;
}
