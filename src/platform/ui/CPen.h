#pragma once
// A pen: style (solid, dashes, null, inside frame), width in pixels and colour.
// As on the platform, dash styles apply to pens one pixel wide; wider ones are solid.
#include "platform/ui/GdiObject.h"

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }

  BOOL CreatePen(int style, int width, COLORREF color);
  BOOL CreatePenIndirect(const LOGPEN* logPen);
  BOOL GetLogPen(LOGPEN* logPen) const;
  static CPen* FromHandle(HPEN handle);  // a wrapper kept for the thread's lifetime, or nullptr
};
