#include "shapes/ShapePainting.h"

#include <cmath>

#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CWnd.h"

void PaintShapeBuffered(CWnd& window, CDC* target, const std::function<void(CDC& dc, const CRect& client)>& draw) {
  if (!target) return;
  CRect client;
  window.GetClientRect(&client);
  if (client.Width() <= 0 || client.Height() <= 0) return;
  CBitmap bitmap;  // outlives the context it is selected into
  CDC memory;
  if (!memory.CreateCompatibleDC(target) || !bitmap.CreateCompatibleBitmap(target, client.Width(), client.Height()) ||
      !memory.SelectObject(&bitmap)) {
    draw(*target, client);  // no memory bitmap: straight onto the target
    return;
  }
  draw(memory, client);
  target->BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
}

std::vector<POINT> MakeToothedOutline(double cx, double cy, double innerRadius, double outerRadius, int count,
                                      double start, double step) {
  std::vector<POINT> outline;
  outline.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int j = 0; j < count; ++j) {
    const double angle = start + j * step;
    const double radius = j % 2 == 0 ? innerRadius : outerRadius;
    outline.push_back(POINT{static_cast<LONG>(std::lround(cx + std::cos(angle) * radius)),
                            static_cast<LONG>(std::lround(cy + std::sin(angle) * radius))});
  }
  return outline;
}
