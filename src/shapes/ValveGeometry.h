#pragma once
// The valve symbol as plain geometry, computed from the window size on each
// paint: two halves meeting at the centre and the actuator's stem.
#include <array>

#include "platform/ui/CPoint.h"

struct ValveSymbol {
  std::array<POINT, 6> firstHalf;   // upstream: left (form 1) or top (form 2)
  std::array<POINT, 6> secondHalf;  // downstream
  std::array<POINT, 4> actuator;
};

// Form 2 lies vertically, every other form horizontally. The closed look is a
// bow tie pinched at the centre; the open look two blocks that leave the way
// through.
ValveSymbol ComputeValveSymbol(int form, int width, int height, bool openLook);
