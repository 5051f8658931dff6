#pragma once
// Drawing helpers the shape kinds share.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/CRect.h"
#include "platform/ui/GdiTypes.h"

class CAlarmPack;
class CAlarmStruct;
class CDC;
class CFont;

// A coordinate rounded to the nearest pixel.
inline int RoundToPixel(double value) { return static_cast<int>(std::lround(value)); }

// The outline of a gear or an impeller: `count` vertices around (cx, cy),
// vertex j at angle `start` + j × `step` (radians, screen y downwards) on the
// inner radius for even j and the outer radius for odd j, rounded to pixels.
std::vector<POINT> MakeToothedOutline(double cx, double cy, double innerRadius, double outerRadius, int count,
                                      double start, double step);

// Fills `points` with `fill`, edged with a 1-pixel pen of `edge` when given
// (no edge otherwise); the context's pen and brush are put back.
void FillShapePolygon(CDC& dc, const POINT* points, int count, COLORREF fill,
                      std::optional<COLORREF> edge = std::nullopt);

// One line of `text` centred in the band `sixteenths` × height / 16 ± 10
// pixels of `client`, over whatever is drawn there. A text wider than the
// shape is drawn in a smaller size of the context's font, so it shows whole.
// With a backdrop colour the text stands on a box of it, so that a picture
// crossing the band (a mixer's agitator shaft) does not run through the letters.
void DrawShapeBandText(CDC& dc, const CRect& client, int sixteenths, const std::string& text, COLORREF color,
                       std::optional<COLORREF> backdrop = std::nullopt);
// Makes `smaller` a size of the context's font in which `text` is at most
// `width` pixels wide (never below a legible least); false when the context's
// own font fits and nothing was made.
bool MakeBandFontToFit(CDC& dc, const std::string& text, int width, CFont& smaller);

// The first alarm of the list that is active and not acknowledged, or null.
CAlarmStruct* FindFirstUnacknowledgedAlarm(const CAlarmPack& alarms);
