#pragma once
// The vessel's picture as plain geometry, computed from the window size: the
// outline polygon, its filled part at a level, and the agitator.
//
// The outline has 100 rows; row k lies at y = k * H / 99 and has a left and a
// right point. The polygon runs down the left points (0..99) and back up the
// right points (200 points in all).
#include <array>
#include <vector>

#include "platform/ui/CPoint.h"

inline constexpr int VESSEL_OUTLINE_ROWS = 100;

// The outline of vessel form `form` (1..8) in a `width` x `height` client;
// empty for form 3 (no outline) and for unknown forms.
//
// Forms 1, 2 and 8 follow `shapeCode`: six 4-bit digits d0..d5 (bits 0-23)
// and a body percentage p = (bits 24-31) mod 100, at least 1. From the top:
// a neck of width d0/15, an upper cone, the body (p rows), a lower cone and an
// outlet of width d5/15; d1..d4 share the rows left to them.
// Form 4 is a neck, a dome, the body and rounded bottom corners; forms 5 (silo
// with a conical bottom), 6 (bottle) and 7 (dished heads) ignore the code.
std::vector<POINT> ComputeVesselOutline(int form, int shapeCode, int width, int height);

// The part of `outline` filled at `percent` (whole percent, 0..100): the rows
// above the level moved onto the level row 100 - percent. Empty at 0 percent
// or for an empty outline.
std::vector<POINT> ComputeVesselContent(const std::vector<POINT>& outline, int percent);

// The agitator's swing: the blades' reach as a share of their full reach
// (-0.9..0.9) and the way it moves.
struct AgitatorState {
  double phase = 0.9;
  int direction = -1;
};

// One redraw tick of a running agitator: the phase moves by 0.0015 x the speed
// percentage and turns back at +-0.9.
void AdvanceAgitator(AgitatorState& state, float speedPercent);

// The agitator at row y `rowY`: a shaft from the top down to the row and two
// blades, seen from the side, whose reach follows the phase.
struct AgitatorPicture {
  std::array<POINT, 4> shaft;
  std::array<POINT, 4> leftBlade;
  std::array<POINT, 4> rightBlade;
};
AgitatorPicture ComputeAgitator(int width, int height, int rowY, double phase);
