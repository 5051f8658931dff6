#include "shapes/ShapePainting.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/AlarmPack.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
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

bool MakeBandFontToFit(CDC& dc, const std::string& text, int width, CFont& smaller) {
  constexpr LONG kLeastHeight = 8;
  if (width <= 0 || dc.GetTextExtent(text).cx <= width) return false;
  LOGFONT font;
  CFont* current = dc.GetCurrentFont();
  if (!current || !current->GetLogFont(&font)) return false;
  const LONG sign = font.lfHeight < 0 ? -1 : 1;
  LONG height = font.lfHeight == 0 ? 13 : std::labs(font.lfHeight);
  for (;;) {
    // One pixel less each time: the width does not shrink in exact proportion.
    height = std::max(kLeastHeight, height - 1);
    font.lfHeight = sign * height;
    font.lfWidth = 0;
    smaller.DeleteObject();
    if (!smaller.CreateFontIndirect(&font)) return false;
    CFont* previous = dc.SelectObject(&smaller);
    const int drawn = dc.GetTextExtent(text).cx;
    dc.SelectObject(previous);
    if (drawn <= width || height == kLeastHeight) return true;
  }
}

void DrawShapeBandText(CDC& dc, const CRect& client, int sixteenths, const std::string& text, COLORREF color,
                       std::optional<COLORREF> backdrop) {
  const int centre = client.top + sixteenths * client.Height() / 16;
  CRect band(client.left, centre - 10, client.right, centre + 10);
  CFont smaller;
  CFont* previousFont = MakeBandFontToFit(dc, text, client.Width(), smaller) ? dc.SelectObject(&smaller) : nullptr;
  const int oldMode = dc.SetBkMode(backdrop ? OPAQUE : TRANSPARENT);
  const COLORREF oldBack = backdrop ? dc.SetBkColor(*backdrop) : 0;
  const COLORREF oldColor = dc.SetTextColor(color);
  dc.DrawText(text, &band, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
  dc.SetTextColor(oldColor);
  if (backdrop) dc.SetBkColor(oldBack);
  dc.SetBkMode(oldMode);
  if (previousFont) dc.SelectObject(previousFont);
}

CAlarmStruct* FindFirstUnacknowledgedAlarm(const CAlarmPack& alarms) {
  for (int i = 0; i < alarms.GetAlarmCount(); ++i) {
    CAlarmStruct* alarm = alarms.GetAlarmAt(i);
    if (alarm && alarm->IsActive() && !alarm->IsAcknowledged()) return alarm;
  }
  return nullptr;
}
