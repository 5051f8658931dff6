#pragma once
// The packed identifier of a plant object and the map from device-independent
// attribute codes (1000..1033) to each device kind's own attribute index.
#include <cstdint>

#include "platform/base/WinTypes.h"

// Settings-file index in bits 24-31, device kind in bits 16-23, index within the kind in bits 0-15.
using PlantObjectId = DWORD;

// The process shapes' pi: acos(-1) rounded to single precision, held as a double.
constexpr double kShapePi = 3.1415927410125732;

PlantObjectId MakePlantObjectId(BYTE settingsIndex, BYTE kind, BYTE index);
inline int PlantObjectKind(PlantObjectId id) { return static_cast<int>((id >> 16) & 0xFF); }

// The attribute index of `code` for the device kind of `id`, or -1 when the kind has none.
int MapAttribCode(PlantObjectId id, int code);
