#include "platform/ui/CRgn.h"

#include <QPainterPath>
#include <QPolygon>
#include <map>

namespace {

QRect ExclusiveRect(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return QRect(left, top, right - left, bottom - top);
}

// Pixels whose centres lie inside the path, the way the platform rasterises
// round shapes into regions.
QRegion RegionFromPath(const QPainterPath& path) {
  return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

}  // namespace

std::shared_ptr<RegionData> CRgn::Region() const { return std::dynamic_pointer_cast<RegionData>(Data()); }

BOOL CRgn::CreateFromQRegion(const QRegion& region) {
  auto data = std::make_shared<RegionData>();
  data->region = region;
  SetData(data);
  return TRUE;
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  return CreateFromQRegion(QRegion(ExclusiveRect(left, top, right, bottom)));
}

BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
  QRect box = ExclusiveRect(left, top, right, bottom);
  if (box.isEmpty()) return CreateFromQRegion(QRegion());
  return CreateFromQRegion(QRegion(box, QRegion::Ellipse));
}

BOOL CRgn::CreateEllipticRgnIndirect(const RECT* rect) {
  return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 0) return FALSE;
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].x, points[i].y);
  if (count < 3) return CreateFromQRegion(QRegion());
  return CreateFromQRegion(QRegion(polygon, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

BOOL CRgn::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                              int ellipseHeight) {
  QRect box = ExclusiveRect(left, top, right, bottom);
  if (box.isEmpty()) return CreateFromQRegion(QRegion());
  QPainterPath path;
  path.addRoundedRect(QRectF(box), std::abs(ellipseWidth) / 2.0, std::abs(ellipseHeight) / 2.0);
  return CreateFromQRegion(RegionFromPath(path) & QRegion(box));
}

BOOL CRgn::CreateFromRects(const std::vector<RECT>& rects) {
  QRegion region;
  for (const RECT& r : rects) region += ExclusiveRect(r.left, r.top, r.right, r.bottom);
  return CreateFromQRegion(region);
}

int CRgn::KindOf(const QRegion& region) {
  if (region.isEmpty()) return NULLREGION;
  return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
  auto target = Region();
  auto ra = a ? a->Region() : nullptr;
  auto rb = b ? b->Region() : nullptr;
  if (!target || !ra || (mode != RGN_COPY && !rb)) return RGN_ERROR;
  QRegion result;
  switch (mode) {
    case RGN_AND: result = ra->region & rb->region; break;
    case RGN_OR: result = ra->region | rb->region; break;
    case RGN_XOR: result = ra->region ^ rb->region; break;
    case RGN_DIFF: result = ra->region - rb->region; break;
    case RGN_COPY: result = ra->region; break;
    default: return RGN_ERROR;
  }
  target->region = result;
  return KindOf(result);
}

int CRgn::CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }

BOOL CRgn::SetRectRgn(int left, int top, int right, int bottom) {
  auto r = Region();
  if (!r) return FALSE;
  r->region = QRegion(ExclusiveRect(left, top, right, bottom));
  return TRUE;
}

int CRgn::OffsetRgn(int dx, int dy) {
  auto r = Region();
  if (!r) return RGN_ERROR;
  r->region.translate(dx, dy);
  return KindOf(r->region);
}

BOOL CRgn::PtInRegion(int x, int y) const {
  auto r = Region();
  return r && r->region.contains(QPoint(x, y));
}

BOOL CRgn::RectInRegion(const RECT* rect) const {
  auto r = Region();
  if (!r || !rect) return FALSE;
  return r->region.intersects(ExclusiveRect(rect->left, rect->top, rect->right, rect->bottom));
}

BOOL CRgn::EqualRgn(const CRgn* other) const {
  auto a = Region();
  auto b = other ? other->Region() : nullptr;
  return a && b && a->region == b->region;
}

int CRgn::GetRgnBox(RECT* rect) const {
  auto r = Region();
  if (!r) return RGN_ERROR;
  if (rect) {
    QRect box = r->region.boundingRect();
    rect->left = box.left();
    rect->top = box.top();
    rect->right = box.left() + box.width();
    rect->bottom = box.top() + box.height();
  }
  return KindOf(r->region);
}

QRegion CRgn::GetQRegion() const {
  auto r = Region();
  return r ? r->region : QRegion();
}

CRgn* CRgn::FromHandle(HRGN handle) {
  thread_local std::map<HRGN, std::unique_ptr<CRgn>> wrappers;
  auto data = LookupGdiObjectAs<RegionData>(handle);
  if (!data) return nullptr;
  auto& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<CRgn>();
  slot->SetData(data);
  return slot.get();
}
