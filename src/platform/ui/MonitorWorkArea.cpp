#include "platform/ui/MonitorWorkArea.h"

#include <QGuiApplication>
#include <QScreen>
#include <climits>

#include "platform/ui/SystemMetrics.h"

CRect GetWorkAreaNearestPoint(const POINT& screenPoint) {
  const QPoint point(screenPoint.x, screenPoint.y);
  QScreen* best = nullptr;
  long long bestDistance = LLONG_MAX;
  if (QGuiApplication::instance()) {
    for (QScreen* screen : QGuiApplication::screens()) {
      const QRect area = screen->geometry();
      const long long dx = point.x() < area.left() ? area.left() - point.x()
                           : point.x() > area.right() ? point.x() - area.right() : 0;
      const long long dy = point.y() < area.top() ? area.top() - point.y()
                           : point.y() > area.bottom() ? point.y() - area.bottom() : 0;
      const long long distance = dx * dx + dy * dy;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = screen;
      }
    }
  }
  if (!best) return CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const QRect area = best->availableGeometry();
  return CRect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
}
