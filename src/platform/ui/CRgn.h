#pragma once
// A region: rectangles, polygons, rounded rectangles and ellipses, combined
// with AND, OR, DIFF and XOR. Window masks are regions too: the window layer
// applies GetQRegion() with QWidget::setMask.
#include <vector>

#include "platform/ui/CRect.h"
#include "platform/ui/GdiObject.h"

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
  BOOL CreateEllipticRgnIndirect(const RECT* rect);
  // fillMode ALTERNATE or WINDING.
  BOOL CreatePolygonRgn(const POINT* points, int count, int fillMode);
  // ellipseWidth and ellipseHeight: the size of the ellipse that rounds the corners.
  BOOL CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  // A region that is the union of the rectangles (e.g. runs of opaque pixels).
  BOOL CreateFromRects(const std::vector<RECT>& rects);
  BOOL CreateFromQRegion(const QRegion& region);

  // Combines a and b into this region (which must exist); RGN_COPY copies a.
  // Returns NULLREGION, SIMPLEREGION, COMPLEXREGION or RGN_ERROR.
  int CombineRgn(const CRgn* a, const CRgn* b, int mode);
  int CopyRgn(const CRgn* source);
  BOOL SetRectRgn(int left, int top, int right, int bottom);
  int OffsetRgn(int dx, int dy);
  BOOL PtInRegion(int x, int y) const;
  BOOL PtInRegion(const POINT& p) const { return PtInRegion(p.x, p.y); }
  BOOL RectInRegion(const RECT* rect) const;
  BOOL EqualRgn(const CRgn* other) const;
  // The bounding box; returns the region's kind (RGN_ERROR without a region).
  int GetRgnBox(RECT* rect) const;

  QRegion GetQRegion() const;
  static int KindOf(const QRegion& region);
  static CRgn* FromHandle(HRGN handle);  // a wrapper kept for the thread's lifetime, or nullptr

 private:
  std::shared_ptr<RegionData> Region() const;
};
