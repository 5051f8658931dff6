#pragma once
// Where a balloon goes: the quadrant around its anchor, its tail and body in
// window coordinates, and its origin kept inside the work area. Pure arithmetic,
// so the placement rules can be checked without a screen.
#include "platform/ui/CRect.h"

namespace balloon_placement {

// The border on every side, and the band that holds the tail.
constexpr int kBorder = 8;
constexpr int kTailBand = 20;

struct Layout {
  // 0 and 1: tail at the top (balloon below the anchor); 2 and 3: tail at the
  // bottom; odd quadrants have the anchor in the left half.
  int quadrant = 0;
  POINT tail[3]{};  // the triangle in window coordinates; tail[1] is the tip
  CRect body;       // the rounded body in window coordinates
  CPoint origin;    // the window's top-left corner in screen coordinates
};

int Quadrant(const POINT& anchor, const CRect& workArea);
// Tail and body of a window of `size` in `quadrant`, before any shift.
Layout TailAndBody(const SIZE& size, int quadrant);
// The whole placement for an anchor in screen coordinates.
Layout Place(const SIZE& size, const POINT& anchor, const CRect& workArea);
// The client area in window coordinates: the border, plus the tail band on the tail's side.
CRect ClientArea(const SIZE& size, int quadrant);

}  // namespace balloon_placement
