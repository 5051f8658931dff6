#pragma once
// The pipes between the plant's shapes: thick coloured polylines whose every
// point follows from an anchor point of a shape window, so a moved shape takes
// its pipes along. Drawn by the plant form under its shape windows.
#include <string>

#include "platform/ui/CPoint.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/GdiTypes.h"

class CDC;
class C_BaseShape;

inline constexpr int kPipeWidth = 3;
inline constexpr COLORREF kWaterPipeColor = RGB(155, 220, 255);
inline constexpr COLORREF kMixerOutletPipeColor = RGB(255, 215, 110);
// The feed and direction-valve pipes of Batcher01..Batcher05.
inline constexpr COLORREF kBatcherPipeColors[5] = {RGB(170, 170, 255), RGB(235, 165, 0), RGB(200, 255, 50),
                                                   RGB(245, 50, 110), RGB(50, 150, 250)};

// The plant shape of that device name, or null.
C_BaseShape* FindPlantShapeByName(const std::string& name);
// Anchor `code` (0..8, row by row) of the named shape's window in the plant
// form's client coordinates; (0, 0) for a shape that is not there.
CPoint PlantAnchor(const std::string& name, int code);

// All twelve pipe groups in their order: water, the five feeds, the five
// batchers' direction valves, the mixer outlets.
void DrawPlantPipes(CDC& dc);
