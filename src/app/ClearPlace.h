#pragma once
// Where a window goes so that it hides as little as it can of what lies under
// it: the plant's shapes and labels, for a dialog opened beside the plant.
#include <vector>

#include "platform/ui/CRect.h"

// The rectangle of `size` inside `area` that meets neither `shapes` nor
// `labels` with `gap` pixels to spare, the farthest right and then the lowest
// such place. Where the area has no such place, the one that covers the least
// of the shapes, and of the labels among those. A window larger than the area
// keeps its size from the area's top-left corner.
CRect FindClearPlace(const CRect& area, const CSize& size, const std::vector<CRect>& shapes,
                     const std::vector<CRect>& labels = {}, int gap = 8);
