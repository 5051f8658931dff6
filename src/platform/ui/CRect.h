#pragma once
// A rectangle whose right and bottom edges are exclusive (the platform's RECT
// with helpers). Width is right - left; an empty rectangle has no area.
#include <algorithm>

#include "platform/ui/CPoint.h"
#include "platform/ui/CSize.h"

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

class CRect : public RECT {
 public:
  CRect() = default;
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }  // NOLINT
  CRect(const POINT& topLeft, const SIZE& size)
      : CRect(topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy) {}
  CRect(const POINT& topLeft, const POINT& bottomRight)
      : CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y) {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool PtInRect(const POINT& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }

  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(const RECT* r) { if (r) *this = CRect(*r); }
  bool EqualRect(const RECT* r) const { return r && *this == CRect(*r); }

  void InflateRect(int x, int y) { left -= x; top -= y; right += x; bottom += y; }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void InflateRect(const SIZE& s) { InflateRect(s.cx, s.cy); }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void DeflateRect(const SIZE& s) { InflateRect(-s.cx, -s.cy); }
  void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  void OffsetRect(const POINT& p) { OffsetRect(p.x, p.y); }
  void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
  void MoveToX(int x) { OffsetRect(x - left, 0); }
  void MoveToY(int y) { OffsetRect(0, y - top); }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }

  // Both return false and leave an empty rectangle when there is nothing.
  bool IntersectRect(const RECT* a, const RECT* b) {
    CRect r(std::max(a->left, b->left), std::max(a->top, b->top),
            std::min(a->right, b->right), std::min(a->bottom, b->bottom));
    if (r.IsRectEmpty()) { SetRectEmpty(); return false; }
    *this = r;
    return true;
  }
  bool UnionRect(const RECT* a, const RECT* b) {
    CRect ra(*a), rb(*b);
    if (ra.IsRectEmpty()) { *this = rb; } else if (rb.IsRectEmpty()) { *this = ra; } else {
      SetRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top),
              std::max(ra.right, rb.right), std::max(ra.bottom, rb.bottom));
    }
    if (IsRectEmpty()) { SetRectEmpty(); return false; }
    return true;
  }

  bool operator==(const RECT& r) const {
    return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
  }
  bool operator!=(const RECT& r) const { return !(*this == r); }
  CRect& operator+=(const POINT& p) { OffsetRect(p); return *this; }
  CRect& operator-=(const POINT& p) { OffsetRect(-p.x, -p.y); return *this; }
  CRect operator+(const POINT& p) const { CRect r(*this); r.OffsetRect(p); return r; }
  CRect operator-(const POINT& p) const { CRect r(*this); r.OffsetRect(-p.x, -p.y); return r; }
  CRect operator&(const RECT& r) const { CRect out; out.IntersectRect(this, &r); return out; }
  CRect operator|(const RECT& r) const { CRect out; out.UnionRect(this, &r); return out; }
  // The framework passes rectangles where a RECT pointer is asked for.
  operator LPRECT() { return this; }         // NOLINT
  operator LPCRECT() const { return this; }  // NOLINT
};
