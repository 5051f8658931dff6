#pragma once
// Drawing helpers the shape kinds share.
#include <functional>
#include <vector>

#include "platform/ui/CRect.h"
#include "platform/ui/GdiTypes.h"

class CDC;
class CWnd;

// Paints a window's picture into a memory bitmap of its client size, then
// copies it to `target` at once, so a repaint never shows half a picture.
// `draw` gets the memory context and the client rectangle.
void PaintShapeBuffered(CWnd& window, CDC* target, const std::function<void(CDC& dc, const CRect& client)>& draw);

// The outline of a gear or an impeller: `count` vertices around (cx, cy),
// vertex j at angle `start` + j × `step` (radians, screen y downwards) on the
// inner radius for even j and the outer radius for odd j, rounded to pixels.
std::vector<POINT> MakeToothedOutline(double cx, double cy, double innerRadius, double outerRadius, int count,
                                      double start, double step);
