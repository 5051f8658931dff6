#include "controls/BalloonPlacement.h"

namespace balloon_placement {

int Quadrant(const POINT& anchor, const CRect& workArea) {
  const CPoint centre = workArea.CenterPoint();
  int quadrant = anchor.y >= centre.y ? 2 : 0;
  if (anchor.x < centre.x) quadrant += 1;
  return quadrant;
}

Layout TailAndBody(const SIZE& size, int quadrant) {
  const int w = size.cx;
  const int h = size.cy;
  const int q = (w - kTailBand) / 4;
  Layout layout;
  layout.quadrant = quadrant;
  // Right-hand quadrants lean the tail to the right of the body, left-hand ones to the left.
  const bool left = (quadrant & 1) != 0;
  const int baseFar = left ? q + kTailBand : 3 * q;
  const int tipX = left ? q : 3 * q + kTailBand;
  if (quadrant < 2) {
    layout.body = CRect(0, kTailBand, w, h);
    layout.tail[0] = POINT{baseFar, 21};
    layout.tail[1] = POINT{tipX, 1};
    layout.tail[2] = POINT{tipX, 21};
  } else {
    layout.body = CRect(0, 0, w, h - kTailBand);
    layout.tail[0] = POINT{baseFar, h - 22};
    layout.tail[1] = POINT{tipX, h - 2};
    layout.tail[2] = POINT{tipX, h - 22};
  }
  for (POINT& p : layout.tail) p.x = std::clamp<LONG>(p.x, kBorder, std::max(kBorder, w - kBorder));
  return layout;
}

Layout Place(const SIZE& size, const POINT& anchor, const CRect& workArea) {
  Layout layout = TailAndBody(size, Quadrant(anchor, workArea));
  POINT& tip = layout.tail[1];
  layout.origin = CPoint(anchor.x - tip.x, anchor.y - tip.y);
  // Sideways the window stays in the work area and the tip moves the other way,
  // so the tail still points at the anchor.
  if (layout.origin.x < workArea.left) {
    const int shift = workArea.left - layout.origin.x;
    layout.origin.x += shift;
    tip.x -= shift;
  } else if (layout.origin.x + size.cx > workArea.right) {
    const int shift = layout.origin.x + size.cx - workArea.right;
    layout.origin.x -= shift;
    tip.x += shift;
  }
  if (layout.origin.y + kTailBand < workArea.top) {
    layout.origin.y += workArea.top - (layout.origin.y + kTailBand);
  } else if (layout.origin.y + size.cy - kTailBand > workArea.bottom) {
    layout.origin.y -= layout.origin.y + size.cy - kTailBand - workArea.bottom;
  }
  return layout;
}

CRect ClientArea(const SIZE& size, int quadrant) {
  CRect client(kBorder, kBorder, size.cx - kBorder, size.cy - kBorder);
  if (quadrant < 2) client.top += kTailBand;
  else client.bottom -= kTailBand;
  return client;
}

}  // namespace balloon_placement
