#pragma once
// A width and height (the platform's SIZE with helpers).
#include "platform/base/WinTypes.h"

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

class CSize : public SIZE {
 public:
  CSize() = default;
  CSize(int initCx, int initCy) { cx = initCx; cy = initCy; }
  CSize(const SIZE& s) { cx = s.cx; cy = s.cy; }  // NOLINT: implicit as in the framework

  bool operator==(const SIZE& s) const { return cx == s.cx && cy == s.cy; }
  bool operator!=(const SIZE& s) const { return !(*this == s); }
  CSize operator+(const SIZE& s) const { return CSize(cx + s.cx, cy + s.cy); }
  CSize operator-(const SIZE& s) const { return CSize(cx - s.cx, cy - s.cy); }
  CSize& operator+=(const SIZE& s) { cx += s.cx; cy += s.cy; return *this; }
  CSize& operator-=(const SIZE& s) { cx -= s.cx; cy -= s.cy; return *this; }
};
