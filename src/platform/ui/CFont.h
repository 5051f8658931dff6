#pragma once
// A font from a logical description or a point size. Sizes assume 96 dots per
// inch, the fixed resolution every context reports.
#include "platform/ui/GdiObject.h"

class CDC;

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* logFont);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const std::string& faceName);
  // pointSize in tenths of a point (the framework's convention: 100 = 10 points).
  BOOL CreatePointFont(int pointSize, const std::string& faceName, CDC* dc = nullptr);
  // lfHeight in tenths of a point.
  BOOL CreatePointFontIndirect(const LOGFONT* logFont, CDC* dc = nullptr);
  BOOL GetLogFont(LOGFONT* logFont) const;
  // The Qt font for widgets that show text themselves (needs the Qt application);
  // a default font when this object holds none.
  QFont GetQFont() const;
  static CFont* FromHandle(HFONT handle);  // a wrapper kept for the thread's lifetime, or nullptr

  // The Qt font a description gives (pixel sizes; face names the machine lacks
  // fall back to a sans-serif family).
  static QFont ResolveLogFont(const LOGFONT& logFont);
};

// Dots per inch of every context and of the point-size conversions.
constexpr int kLogicalDpi = 96;
