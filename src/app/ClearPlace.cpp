#include "app/ClearPlace.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/ui/CPoint.h"

namespace {

// Every place where one of the window's edges meets an edge of the area or of
// an obstacle. When some place meets nothing, sliding it right and then down
// until it touches something ends at one of these; and the area covered,
// bilinear between them, is least at one of them too.
std::vector<int> RestingPlaces(int areaStart, int areaEnd, int extent, const std::vector<CRect>& obstacles,
                               bool horizontal) {
  const int last = std::max(areaStart, areaEnd - extent);
  std::vector<int> places{last, areaStart};
  for (const CRect& obstacle : obstacles) {
    for (const int edge : {horizontal ? obstacle.left : obstacle.top, horizontal ? obstacle.right : obstacle.bottom}) {
      places.push_back(edge);
      places.push_back(edge - extent);
    }
  }
  for (int& place : places) place = std::clamp(place, areaStart, last);
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  return places;
}

std::int64_t CoveredArea(const CRect& window, const std::vector<CRect>& obstacles) {
  std::int64_t covered = 0;
  for (const CRect& obstacle : obstacles) {
    const int width = std::min(window.right, obstacle.right) - std::max(window.left, obstacle.left);
    const int height = std::min(window.bottom, obstacle.bottom) - std::max(window.top, obstacle.top);
    if (width > 0 && height > 0) covered += static_cast<std::int64_t>(width) * height;
  }
  return covered;
}

}  // namespace

CRect FindClearPlace(const CRect& area, const CSize& size, const std::vector<CRect>& shapes,
                     const std::vector<CRect>& labels, int gap) {
  const auto widened = [gap](const std::vector<CRect>& rects) {
    std::vector<CRect> kept;  // each with the gap around it
    for (CRect rect : rects) {
      if (rect.Width() <= 0 || rect.Height() <= 0) continue;
      rect.InflateRect(gap, gap);
      kept.push_back(rect);
    }
    return kept;
  };
  const std::vector<CRect> keptShapes = widened(shapes);
  const std::vector<CRect> keptLabels = widened(labels);
  std::vector<CRect> all = keptShapes;
  all.insert(all.end(), keptLabels.begin(), keptLabels.end());
  // A shape hidden weighs more than any amount of label.
  const auto cost = [&](const CRect& place) {
    const std::int64_t labelCovered = CoveredArea(place, keptLabels);
    return CoveredArea(place, keptShapes) * (static_cast<std::int64_t>(area.Width()) * area.Height() + 1) +
           labelCovered;
  };
  const std::vector<int> lefts = RestingPlaces(area.left, area.right, size.cx, all, true);
  const std::vector<int> tops = RestingPlaces(area.top, area.bottom, size.cy, all, false);
  CRect best(CPoint(lefts.back(), tops.back()), size);
  std::int64_t bestCost = cost(best);
  // Right to left, bottom to top: the first of the least covering places wins.
  for (auto left = lefts.rbegin(); left != lefts.rend() && bestCost > 0; ++left) {
    for (auto top = tops.rbegin(); top != tops.rend(); ++top) {
      const CRect place(CPoint(*left, *top), size);
      const std::int64_t covered = cost(place);
      if (covered < bestCost) {
        best = place;
        bestCost = covered;
        if (covered == 0) break;
      }
    }
  }
  return best;
}
