#pragma once
// Conversions between the platform's rectangles and points and Qt's.
#include <QPoint>
#include <QRect>

#include "platform/ui/CRect.h"

inline QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }
inline CRect FromQRect(const QRect& r) { return CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }
inline QPoint ToQPoint(const POINT& p) { return QPoint(p.x, p.y); }
inline CPoint FromQPoint(const QPoint& p) { return CPoint(p.x(), p.y()); }
