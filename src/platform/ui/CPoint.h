#pragma once
// A point in device or logical coordinates (the platform's POINT with helpers).
#include "platform/base/WinTypes.h"

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

class CSize;

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(int initX, int initY) { x = initX; y = initY; }
  CPoint(const POINT& p) { x = p.x; y = p.y; }  // NOLINT: implicit as in the framework
  // A point packed in an LPARAM as mouse messages carry it (signed 16-bit halves).
  static CPoint FromLParam(LPARAM lParam) {
    return CPoint(static_cast<std::int16_t>(lParam & 0xFFFF),
                  static_cast<std::int16_t>((lParam >> 16) & 0xFFFF));
  }

  void SetPoint(int newX, int newY) { x = newX; y = newY; }
  void Offset(int dx, int dy) { x += dx; y += dy; }
  void Offset(const POINT& p) { x += p.x; y += p.y; }

  bool operator==(const POINT& p) const { return x == p.x && y == p.y; }
  bool operator!=(const POINT& p) const { return !(*this == p); }
  CPoint& operator+=(const POINT& p) { x += p.x; y += p.y; return *this; }
  CPoint& operator-=(const POINT& p) { x -= p.x; y -= p.y; return *this; }
  CPoint operator+(const POINT& p) const { return CPoint(x + p.x, y + p.y); }
  CPoint operator-(const POINT& p) const { return CPoint(x - p.x, y - p.y); }
  CPoint operator-() const { return CPoint(-x, -y); }
};
