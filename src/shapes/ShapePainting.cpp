#include "shapes/ShapePainting.h"

#include <cmath>

#include "engine/AlarmPack.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPen.h"

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

void FillShapePolygon(CDC& dc, const POINT* points, int count, COLORREF fill, std::optional<COLORREF> edge) {
  if (!points || count <= 0) return;
  CBrush brush(fill);
  CBrush* oldBrush = dc.SelectObject(&brush);
  CPen pen(edge ? PS_SOLID : PS_NULL, 1, edge.value_or(0));
  CPen* oldPen = dc.SelectObject(&pen);
  dc.Polygon(points, count);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
}

void DrawShapeBandText(CDC& dc, const CRect& client, int sixteenths, const std::string& text, COLORREF color) {
  const int centre = client.top + sixteenths * client.Height() / 16;
  CRect band(client.left, centre - 10, client.right, centre + 10);
  const int oldMode = dc.SetBkMode(TRANSPARENT);
  const COLORREF oldColor = dc.SetTextColor(color);
  dc.DrawText(text, &band, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
  dc.SetTextColor(oldColor);
  dc.SetBkMode(oldMode);
}

CAlarmStruct* FindFirstUnacknowledgedAlarm(const CAlarmPack& alarms) {
  for (int i = 0; i < alarms.GetAlarmCount(); ++i) {
    CAlarmStruct* alarm = alarms.GetAlarmAt(i);
    if (alarm && alarm->IsActive() && !alarm->IsAcknowledged()) return alarm;
  }
  return nullptr;
}
