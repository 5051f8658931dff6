#pragma once
// The plant's eleven materials in their fixed order: the shift's material totals
// and the recipe steps' material indexes count in this order. Index -1 means a
// step without material.
#include <array>
#include <string>

constexpr int kMaterialCount = 11;
constexpr int kNoMaterial = -1;
// What a stored recipe gives for a material name that no material has.
constexpr int kUnknownMaterial = -2;

const std::array<const char*, kMaterialCount>& MaterialNames();

// The name of material 0..10, "-1" for -1, "" for any other index.
std::string GetMaterialNameByIndex(int index);
// -1 for "-1", the index of the material whose name equals the text exactly
// (case-sensitive), or kUnknownMaterial when none does.
int GetMaterialIndexByName(const std::string& name);
