#pragma once
// A brush: solid colour, hollow, hatched, or an 8x8 pattern bitmap.
#include "platform/ui/GdiObject.h"

class CBitmap;

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }

  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreateHatchBrush(int hatch, COLORREF color);
  // The top-left 8x8 pixels of the bitmap tile the area. A one-bit bitmap draws
  // its 0 bits in the context's text colour and its 1 bits in the background colour.
  BOOL CreatePatternBrush(const CBitmap* bitmap);
  BOOL CreateSysColorBrush(int index);
  BOOL CreateBrushIndirect(const LOGBRUSH* logBrush);
  BOOL GetLogBrush(LOGBRUSH* logBrush) const;
  static CBrush* FromHandle(HBRUSH handle);  // a wrapper kept for the thread's lifetime, or nullptr
};
