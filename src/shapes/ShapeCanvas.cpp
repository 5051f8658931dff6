#include "shapes/ShapeCanvas.h"

#include "engine/AlarmPack.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CPen.h"

CShapeCanvas::CShapeCanvas(CDC* target, int width, int height)
    : m_target(target), m_width(width), m_height(height) {
  m_memory.CreateCompatibleDC(target);
  m_bitmap.CreateCompatibleBitmap(target, width, height);
  m_oldBitmap = m_memory.SelectObject(&m_bitmap);
  m_memory.SetBkMode(TRANSPARENT);
}

CShapeCanvas::~CShapeCanvas() { m_memory.SelectObject(m_oldBitmap); }

void CShapeCanvas::FillPolygon(const POINT* points, int count, COLORREF fill, std::optional<COLORREF> edge) {
  if (count <= 0) return;
  CBrush brush(fill);
  CBrush* oldBrush = m_memory.SelectObject(&brush);
  CPen pen(edge ? PS_SOLID : PS_NULL, 1, edge.value_or(0));
  CPen* oldPen = m_memory.SelectObject(&pen);
  m_memory.Polygon(points, count);
  m_memory.SelectObject(oldPen);
  m_memory.SelectObject(oldBrush);
}

void CShapeCanvas::DrawBandText(int sixteenths, const std::string& text, COLORREF color) {
  const int centre = sixteenths * m_height / 16;
  CRect band(0, centre - 10, m_width, centre + 10);
  const COLORREF oldColor = m_memory.SetTextColor(color);
  m_memory.DrawText(text, &band, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
  m_memory.SetTextColor(oldColor);
}

void CShapeCanvas::CopyToTarget() {
  if (m_target) m_target->BitBlt(0, 0, m_width, m_height, &m_memory, 0, 0, SRCCOPY);
}

CAlarmStruct* FindFirstUnacknowledgedAlarm(const CAlarmPack& alarms) {
  for (int i = 0; i < alarms.GetAlarmCount(); ++i) {
    CAlarmStruct* alarm = alarms.GetAlarmAt(i);
    if (alarm && alarm->IsActive() && !alarm->IsAcknowledged()) return alarm;
  }
  return nullptr;
}
