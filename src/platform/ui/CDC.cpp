#include "platform/ui/CDC.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/ui/ColorRef.h"
#include "platform/ui/QtGeometry.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/TextLayout.h"

struct CDC::State {
  std::shared_ptr<GdiObjectData> pen;
  std::shared_ptr<GdiObjectData> brush;
  std::shared_ptr<GdiObjectData> font;
  std::shared_ptr<GdiObjectData> bitmap;  // memory contexts only
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  CPoint position;
  CPoint windowOrg;
  CPoint viewportOrg;
  CPoint brushOrg;
  bool clipped = false;
  QRegion clip;  // device coordinates
};

namespace {

constexpr size_t kMaxWrappers = 64;

QRect ExclusiveQRect(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return QRect(left, top, right - left, bottom - top);
}

// Rectangles and ellipses with a pen include their right and bottom edge minus
// one pixel; Qt's outline covers width + 1 pixels, so the box shrinks by one.
QRect OutlineBox(int left, int top, int right, int bottom) {
  QRect r = ExclusiveQRect(left, top, right, bottom);
  return QRect(r.left(), r.top(), std::max(0, r.width() - 1), std::max(0, r.height() - 1));
}

double RadialAngle(const QRectF& box, int x, int y) {
  // Angle on the ellipse's parameter circle of the radial through (x, y), in degrees
  // counter-clockwise from three o'clock (Qt's arc convention).
  double rx = std::max(box.width() / 2.0, 0.5);
  double ry = std::max(box.height() / 2.0, 0.5);
  double dx = (x - box.center().x()) / rx;
  double dy = (box.center().y() - y) / ry;
  return std::atan2(dy, dx) * 180.0 / M_PI;
}

void ArcAngles(const QRectF& box, int x3, int y3, int x4, int y4, int* start16, int* span16) {
  double a = RadialAngle(box, x3, y3);
  double b = RadialAngle(box, x4, y4);
  double span = b - a;
  while (span <= 0) span += 360.0;
  while (span > 360.0) span -= 360.0;
  *start16 = static_cast<int>(std::lround(a * 16));
  *span16 = static_cast<int>(std::lround(span * 16));
}

QImage Colourise(const QImage& mono, COLORREF zeroColor, COLORREF oneColor) {
  QImage out(mono.size(), QImage::Format_RGB32);
  QImage m = mono.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < m.height(); ++y) {
    for (int x = 0; x < m.width(); ++x) {
      bool one = (m.pixel(x, y) & 0x00FFFFFFu) != 0;
      out.setPixel(x, y, ColorRefToQColor(one ? oneColor : zeroColor).rgb());
    }
  }
  return out;
}

QColor Interpolate(COLORREF from, COLORREF to, int i, int count) {
  if (count <= 1) return ColorRefToQColor(from);
  auto mix = [&](int a, int b) { return a + (b - a) * i / (count - 1); };
  return QColor(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
                mix(GetBValue(from), GetBValue(to)));
}

}  // namespace

CDC::CDC() : m_state(std::make_unique<State>()) { ResetState(); }

CDC::CDC(QPainter* painter) : CDC() { AttachPainter(painter); }

CDC::~CDC() { DeleteDC(); }

void CDC::ResetState() {
  *m_state = State();
  m_state->pen = LookupGdiObject(GetStockObject(BLACK_PEN));
  m_state->brush = LookupGdiObject(GetStockObject(WHITE_BRUSH));
  m_state->font = LookupGdiObject(GetStockObject(SYSTEM_FONT));
  m_saved.clear();
}

// ---------------------------------------------------------------- surfaces

BOOL CDC::CreateCompatibleDC(CDC*) {
  DeleteDC();
  m_memory = true;
  // The platform gives a new memory context a 1x1 bitmap; drawing on it is harmless.
  auto initial = std::make_shared<BitmapData>();
  initial->image = QImage(1, 1, QImage::Format_RGB32);
  initial->image.fill(Qt::black);
  RegisterGdiObject(initial);
  SelectMemoryBitmap(initial);
  return TRUE;
}

BOOL CDC::AttachImage(QImage* image) {
  DeleteDC();
  if (!image || image->isNull()) return FALSE;
  m_ownedPainter = std::make_unique<QPainter>();
  if (!m_ownedPainter->begin(image)) {
    m_ownedPainter.reset();
    return FALSE;
  }
  m_painter = m_ownedPainter.get();
  m_image = image;
  return TRUE;
}

BOOL CDC::AttachPainter(QPainter* painter) {
  DeleteDC();
  if (!painter || !painter->isActive()) return FALSE;
  m_painter = painter;
  if (painter->device() && painter->device()->devType() == QInternal::Image) {
    m_image = static_cast<QImage*>(painter->device());
  }
  return TRUE;
}

void CDC::Detach() { DeleteDC(); }

void CDC::EndMemoryPainter() {
  if (m_ownedPainter && m_ownedPainter->isActive()) m_ownedPainter->end();
  m_ownedPainter.reset();
  m_painter = nullptr;
  m_image = nullptr;
  if (m_state && m_state->bitmap) {
    if (auto b = std::dynamic_pointer_cast<BitmapData>(m_state->bitmap)) b->selected = false;
  }
}

BOOL CDC::DeleteDC() {
  bool had = m_painter != nullptr || m_memory;
  EndMemoryPainter();
  m_memory = false;
  ResetState();
  m_wrappers.clear();
  return had ? TRUE : FALSE;
}

void CDC::SelectMemoryBitmap(const std::shared_ptr<GdiObjectData>& data) {
  EndMemoryPainter();
  m_state->bitmap = data;
  auto bitmap = std::dynamic_pointer_cast<BitmapData>(data);
  if (!bitmap || bitmap->image.isNull()) return;
  if (bitmap->monochrome) {
    // One-bit bitmaps are drawn on as colour and kept one-bit for masks.
    bitmap->image = bitmap->image.convertToFormat(QImage::Format_RGB32);
    bitmap->monochrome = false;
  }
  m_ownedPainter = std::make_unique<QPainter>();
  if (!m_ownedPainter->begin(&bitmap->image)) {
    m_ownedPainter.reset();
    return;
  }
  bitmap->selected = true;
  m_painter = m_ownedPainter.get();
  m_image = &bitmap->image;
}

QSize CDC::DeviceSize() const {
  if (m_image) return m_image->size();
  if (m_painter && m_painter->device()) {
    return QSize(m_painter->device()->width(), m_painter->device()->height());
  }
  return QSize();
}

// ---------------------------------------------------------------- state

template <typename T>
T* CDC::Wrapper(const std::shared_ptr<GdiObjectData>& data) {
  if (!data) return nullptr;
  for (auto& w : m_wrappers) {
    if (w->Data() == data) {
      if (auto* typed = dynamic_cast<T*>(w.get())) return typed;
    }
  }
  if (m_wrappers.size() >= kMaxWrappers) {
    // Forget the oldest wrapper of an object that is no longer selected.
    auto selected = [this](const std::shared_ptr<GdiObjectData>& d) {
      return d == m_state->pen || d == m_state->brush || d == m_state->font || d == m_state->bitmap;
    };
    for (auto it = m_wrappers.begin(); it != m_wrappers.end(); ++it) {
      if (!selected((*it)->Data())) {
        m_wrappers.erase(it);
        break;
      }
    }
  }
  auto wrapper = std::make_unique<T>();
  wrapper->SetData(data);
  T* raw = wrapper.get();
  m_wrappers.push_back(std::move(wrapper));
  return raw;
}

template <typename Data, typename T>
T* CDC::SwapSelected(T* object, std::shared_ptr<GdiObjectData>& slot) {
  auto data = object ? std::dynamic_pointer_cast<Data>(object->Data()) : nullptr;
  if (!data) return nullptr;
  auto previous = slot;
  slot = data;
  return Wrapper<T>(previous);
}

CPen* CDC::SelectObject(CPen* pen) { return SwapSelected<PenData>(pen, m_state->pen); }

CBrush* CDC::SelectObject(CBrush* brush) { return SwapSelected<BrushData>(brush, m_state->brush); }

CFont* CDC::SelectObject(CFont* font) { return SwapSelected<FontData>(font, m_state->font); }

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  auto data = bitmap ? std::dynamic_pointer_cast<BitmapData>(bitmap->Data()) : nullptr;
  if (!data || !m_memory) return nullptr;
  if (data == m_state->bitmap) return Wrapper<CBitmap>(data);
  if (data->selected) return nullptr;  // a bitmap is in one context at a time
  auto previous = m_state->bitmap;
  SelectMemoryBitmap(data);
  return Wrapper<CBitmap>(previous);
}

int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }

HGDIOBJ CDC::SelectObject(HGDIOBJ handle) {
  auto data = LookupGdiObject(handle);
  if (!data) return nullptr;
  std::shared_ptr<GdiObjectData> previous;
  switch (data->kind) {
    case GdiKind::Pen: previous = m_state->pen; m_state->pen = data; break;
    case GdiKind::Brush: previous = m_state->brush; m_state->brush = data; break;
    case GdiKind::Font: previous = m_state->font; m_state->font = data; break;
    case GdiKind::Bitmap: {
      auto bitmap = std::static_pointer_cast<BitmapData>(data);
      if (!m_memory || (bitmap->selected && data != m_state->bitmap)) return nullptr;
      previous = m_state->bitmap;
      if (data != previous) SelectMemoryBitmap(data);
      break;
    }
    case GdiKind::Region: {
      CRgn region;
      region.SetData(data);
      SelectClipRgn(&region);
      return nullptr;
    }
  }
  if (previous) Wrapper<CGdiObject>(previous);  // keeps the previous object alive with the context
  return previous ? previous->handle : nullptr;
}

CGdiObject* CDC::SelectStockObject(int index) {
  auto data = LookupGdiObject(GetStockObject(index));
  if (!data) return nullptr;
  switch (data->kind) {
    case GdiKind::Pen: { auto prev = m_state->pen; m_state->pen = data; return Wrapper<CPen>(prev); }
    case GdiKind::Brush: { auto prev = m_state->brush; m_state->brush = data; return Wrapper<CBrush>(prev); }
    case GdiKind::Font: { auto prev = m_state->font; m_state->font = data; return Wrapper<CFont>(prev); }
    default: return nullptr;
  }
}

CPen* CDC::GetCurrentPen() { return Wrapper<CPen>(m_state->pen); }
CBrush* CDC::GetCurrentBrush() { return Wrapper<CBrush>(m_state->brush); }
CFont* CDC::GetCurrentFont() { return Wrapper<CFont>(m_state->font); }
CBitmap* CDC::GetCurrentBitmap() { return m_memory ? Wrapper<CBitmap>(m_state->bitmap) : nullptr; }

int CDC::SaveDC() {
  m_saved.push_back(*m_state);
  return static_cast<int>(m_saved.size());
}

BOOL CDC::RestoreDC(int savedLevel) {
  int count = static_cast<int>(m_saved.size());
  int level = savedLevel < 0 ? count + 1 + savedLevel : savedLevel;
  if (level < 1 || level > count) return FALSE;
  State restored = m_saved[static_cast<size_t>(level - 1)];
  m_saved.resize(static_cast<size_t>(level - 1));
  auto currentBitmap = m_state->bitmap;
  *m_state = restored;
  if (m_memory && restored.bitmap != currentBitmap) {
    m_state->bitmap = currentBitmap;
    SelectMemoryBitmap(restored.bitmap);
  }
  return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF color) { return std::exchange(m_state->textColor, color & 0xFFFFFFu); }
COLORREF CDC::GetTextColor() const { return m_state->textColor; }
COLORREF CDC::SetBkColor(COLORREF color) { return std::exchange(m_state->bkColor, color & 0xFFFFFFu); }
COLORREF CDC::GetBkColor() const { return m_state->bkColor; }
int CDC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return std::exchange(m_state->bkMode, mode);
}
int CDC::GetBkMode() const { return m_state->bkMode; }
UINT CDC::SetTextAlign(UINT flags) { return std::exchange(m_state->textAlign, flags); }
UINT CDC::GetTextAlign() const { return m_state->textAlign; }
int CDC::SetROP2(int mode) { return std::exchange(m_state->rop2, mode); }
int CDC::GetROP2() const { return m_state->rop2; }
int CDC::SetPolyFillMode(int mode) { return std::exchange(m_state->polyFillMode, mode); }
int CDC::SetStretchBltMode(int mode) { return std::exchange(m_state->stretchMode, mode); }
CPoint CDC::SetBrushOrg(int x, int y) { return std::exchange(m_state->brushOrg, CPoint(x, y)); }

CPoint CDC::SetWindowOrg(int x, int y) { return std::exchange(m_state->windowOrg, CPoint(x, y)); }
CPoint CDC::GetWindowOrg() const { return m_state->windowOrg; }
CPoint CDC::SetViewportOrg(int x, int y) { return std::exchange(m_state->viewportOrg, CPoint(x, y)); }
CPoint CDC::GetViewportOrg() const { return m_state->viewportOrg; }
CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  CPoint old = m_state->viewportOrg;
  m_state->viewportOrg.Offset(dx, dy);
  return old;
}
CPoint CDC::OffsetWindowOrg(int dx, int dy) {
  CPoint old = m_state->windowOrg;
  m_state->windowOrg.Offset(dx, dy);
  return old;
}

void CDC::LPtoDP(POINT* points, int count) const {
  for (int i = 0; points && i < count; ++i) {
    points[i].x += m_state->viewportOrg.x - m_state->windowOrg.x;
    points[i].y += m_state->viewportOrg.y - m_state->windowOrg.y;
  }
}

void CDC::DPtoLP(POINT* points, int count) const {
  for (int i = 0; points && i < count; ++i) {
    points[i].x -= m_state->viewportOrg.x - m_state->windowOrg.x;
    points[i].y -= m_state->viewportOrg.y - m_state->windowOrg.y;
  }
}

void CDC::LPtoDP(RECT* rect) const {
  if (!rect) return;
  CRect r(*rect);
  r.OffsetRect(m_state->viewportOrg.x - m_state->windowOrg.x, m_state->viewportOrg.y - m_state->windowOrg.y);
  *rect = r;
}

void CDC::DPtoLP(RECT* rect) const {
  if (!rect) return;
  CRect r(*rect);
  r.OffsetRect(m_state->windowOrg.x - m_state->viewportOrg.x, m_state->windowOrg.y - m_state->viewportOrg.y);
  *rect = r;
}

QTransform CDC::LogicalToDevice() const {
  return QTransform::fromTranslate(m_state->viewportOrg.x - m_state->windowOrg.x,
                                   m_state->viewportOrg.y - m_state->windowOrg.y);
}

// ---------------------------------------------------------------- clipping

int CDC::SelectClipRgn(CRgn* region) {
  if (!region) {
    m_state->clipped = false;
    m_state->clip = QRegion();
    return SIMPLEREGION;
  }
  if (!region->IsValid()) return RGN_ERROR;
  m_state->clipped = true;
  m_state->clip = region->GetQRegion();
  return CRgn::KindOf(m_state->clip);
}

int CDC::SelectClipRgn(CRgn* region, int mode) {
  if (mode == RGN_COPY) return SelectClipRgn(region);
  if (!region || !region->IsValid()) return RGN_ERROR;
  QRegion current = m_state->clipped ? m_state->clip : QRegion(QRect(QPoint(0, 0), DeviceSize()));
  QRegion other = region->GetQRegion();
  switch (mode) {
    case RGN_AND: current &= other; break;
    case RGN_OR: current |= other; break;
    case RGN_XOR: current ^= other; break;
    case RGN_DIFF: current -= other; break;
    default: return RGN_ERROR;
  }
  m_state->clipped = true;
  m_state->clip = current;
  return CRgn::KindOf(current);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  CRect r(left, top, right, bottom);
  LPtoDP(&r);
  QRegion area(ExclusiveQRect(r.left, r.top, r.right, r.bottom));
  m_state->clip = m_state->clipped ? (m_state->clip & area) : area;
  m_state->clipped = true;
  return CRgn::KindOf(m_state->clip);
}

int CDC::IntersectClipRect(const RECT* rect) {
  return rect ? IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom) : RGN_ERROR;
}

int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  CRect r(left, top, right, bottom);
  LPtoDP(&r);
  QRegion area(ExclusiveQRect(r.left, r.top, r.right, r.bottom));
  QRegion base = m_state->clipped ? m_state->clip : QRegion(QRect(QPoint(0, 0), DeviceSize()));
  m_state->clip = base - area;
  m_state->clipped = true;
  return CRgn::KindOf(m_state->clip);
}

int CDC::ExcludeClipRect(const RECT* rect) {
  return rect ? ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom) : RGN_ERROR;
}

int CDC::GetClipBox(RECT* rect) const {
  QRect box = m_state->clipped ? m_state->clip.boundingRect() : QRect(QPoint(0, 0), DeviceSize());
  if (rect) {
    *rect = FromQRect(box);
    DPtoLP(rect);
  }
  if (m_state->clipped) return CRgn::KindOf(m_state->clip);
  return box.isEmpty() ? NULLREGION : SIMPLEREGION;
}

BOOL CDC::PtVisible(int x, int y) const {
  CPoint p(x, y);
  LPtoDP(&p);
  if (m_state->clipped) return m_state->clip.contains(QPoint(p.x, p.y));
  return QRect(QPoint(0, 0), DeviceSize()).contains(QPoint(p.x, p.y));
}

BOOL CDC::RectVisible(const RECT* rect) const {
  if (!rect) return FALSE;
  CRect r(*rect);
  LPtoDP(&r);
  QRect q = ExclusiveQRect(r.left, r.top, r.right, r.bottom);
  if (m_state->clipped) return m_state->clip.intersects(q);
  return QRect(QPoint(0, 0), DeviceSize()).intersects(q);
}

// ---------------------------------------------------------------- drawing helpers

bool CDC::Begin() {
  if (!m_painter || !m_painter->isActive()) return false;
  PrepareToDraw();
  QPainter& p = *m_painter;
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, m_state->stretchMode == HALFTONE);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.resetTransform();
  if (m_state->clipped) {
    p.setClipRegion(m_state->clip);
  } else {
    p.setClipping(false);
  }
  p.setTransform(LogicalToDevice());
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setOpacity(1.0);
  return true;
}

bool CDC::PenIsNull() const {
  auto pen = std::dynamic_pointer_cast<PenData>(m_state->pen);
  return !pen || (static_cast<int>(pen->log.lopnStyle) & PS_STYLE_MASK) == PS_NULL;
}

int CDC::PenWidth() const {
  auto pen = std::dynamic_pointer_cast<PenData>(m_state->pen);
  return pen ? std::max<LONG>(1, pen->log.lopnWidth) : 1;
}

QPen CDC::MakePen() const {
  auto pen = std::dynamic_pointer_cast<PenData>(m_state->pen);
  if (!pen || PenIsNull()) return QPen(Qt::NoPen);
  int width = std::max<LONG>(1, pen->log.lopnWidth);
  QColor color = ColorRefToQColor(pen->log.lopnColor);
  if (m_state->rop2 == R2_BLACK) color = Qt::black;
  if (m_state->rop2 == R2_WHITE) color = Qt::white;
  QPen q(color);
  q.setWidth(width);
  if (width <= 1) {
    q.setCosmetic(true);
    q.setCapStyle(Qt::FlatCap);  // the last pixel of a line is not drawn
    q.setJoinStyle(Qt::MiterJoin);
    switch (static_cast<int>(pen->log.lopnStyle) & PS_STYLE_MASK) {
      case PS_DASH: q.setDashPattern({18, 6}); break;
      case PS_DOT: q.setDashPattern({3, 3}); break;
      case PS_DASHDOT: q.setDashPattern({9, 6, 3, 6}); break;
      case PS_DASHDOTDOT: q.setDashPattern({9, 3, 3, 3, 3, 3}); break;
      default: break;
    }
  } else {
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
  }
  return q;
}

QBrush CDC::MakeBrush(const std::shared_ptr<GdiObjectData>& data) const {
  auto brush = std::dynamic_pointer_cast<BrushData>(data);
  if (!brush) return QBrush(Qt::NoBrush);
  QColor color = ColorRefToQColor(brush->log.lbColor);
  QBrush q;
  switch (brush->log.lbStyle) {
    case BS_SOLID: q = QBrush(color); break;
    case BS_HATCHED: {
      Qt::BrushStyle style = Qt::SolidPattern;
      switch (static_cast<int>(brush->log.lbHatch)) {
        case HS_HORIZONTAL: style = Qt::HorPattern; break;
        case HS_VERTICAL: style = Qt::VerPattern; break;
        case HS_FDIAGONAL: style = Qt::FDiagPattern; break;
        case HS_BDIAGONAL: style = Qt::BDiagPattern; break;
        case HS_CROSS: style = Qt::CrossPattern; break;
        default: style = Qt::DiagCrossPattern; break;
      }
      q = QBrush(color, style);
      break;
    }
    case BS_PATTERN: {
      QImage tile = brush->monochrome ? Colourise(brush->pattern, m_state->textColor, m_state->bkColor)
                                      : brush->pattern.convertToFormat(QImage::Format_RGB32);
      q = QBrush(tile);
      break;
    }
    default: return QBrush(Qt::NoBrush);
  }
  // Patterns line up with the device origin (plus the brush origin), not the logical one.
  QTransform toDevice = LogicalToDevice();
  q.setTransform(QTransform::fromTranslate(-toDevice.dx() + m_state->brushOrg.x,
                                           -toDevice.dy() + m_state->brushOrg.y));
  return q;
}

QPainter::CompositionMode CDC::CompositionFor(int rop2) const {
  switch (rop2) {
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

bool CDC::DrawWithPenAndBrush(const std::function<void(QPainter&)>& draw, bool fill) {
  if (m_state->rop2 == R2_NOP || !Begin()) return false;
  QPainter& p = *m_painter;
  p.setCompositionMode(CompositionFor(m_state->rop2));
  QPen pen = MakePen();
  if (pen.style() == Qt::CustomDashLine && m_state->bkMode == OPAQUE) {
    // The gaps of a styled pen show the background colour in opaque mode.
    QPen gaps = pen;
    gaps.setStyle(Qt::SolidLine);
    gaps.setColor(ColorRefToQColor(m_state->bkColor));
    p.setPen(gaps);
    p.setBrush(Qt::NoBrush);
    draw(p);
  }
  if (fill && HatchShowsBackground(m_state->brush)) {
    p.setPen(Qt::NoPen);
    p.setBrush(ColorRefToQColor(m_state->bkColor));
    draw(p);
  }
  p.setPen(pen);
  p.setBrush(fill ? MakeBrush(m_state->brush) : QBrush(Qt::NoBrush));
  draw(p);
  return true;
}

void CDC::FillLogicalRect(const QRect& logical, const QBrush& brush, QPainter::CompositionMode mode) {
  if (logical.isEmpty() || brush.style() == Qt::NoBrush || !Begin()) return;
  m_painter->setCompositionMode(mode);
  bool hatched = brush.style() >= Qt::HorPattern && brush.style() <= Qt::DiagCrossPattern;
  if (hatched && m_state->bkMode == OPAQUE) {
    m_painter->fillRect(logical, ColorRefToQColor(m_state->bkColor));
  }
  m_painter->fillRect(logical, brush);
}

bool CDC::HatchShowsBackground(const std::shared_ptr<GdiObjectData>& data) const {
  auto brush = std::dynamic_pointer_cast<BrushData>(data);
  return brush && brush->log.lbStyle == BS_HATCHED && m_state->bkMode == OPAQUE;
}

QFont CDC::CurrentQFont() const {
  auto font = std::dynamic_pointer_cast<FontData>(m_state->font);
  if (font) return font->Resolved();
  auto stock = LookupGdiObjectAs<FontData>(GetStockObject(SYSTEM_FONT));
  return stock ? stock->Resolved() : QFont();
}

LONG CDC::CurrentEscapement() const {
  auto font = std::dynamic_pointer_cast<FontData>(m_state->font);
  return font ? font->log.lfEscapement : 0;
}

// ---------------------------------------------------------------- lines and shapes

CPoint CDC::MoveTo(int x, int y) { return std::exchange(m_state->position, CPoint(x, y)); }

BOOL CDC::LineTo(int x, int y) {
  CPoint from = m_state->position;
  m_state->position = CPoint(x, y);
  return DrawWithPenAndBrush([&](QPainter& p) {
    if (from == CPoint(x, y)) return;
    p.drawLine(QPoint(from.x, from.y), QPoint(x, y));
  }, false);
}

CPoint CDC::GetCurrentPosition() const { return m_state->position; }

BOOL CDC::Polyline(const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].x, points[i].y);
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawPolyline(polygon); }, false);
}

BOOL CDC::Polygon(const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].x, points[i].y);
  Qt::FillRule rule = m_state->polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawPolygon(polygon, rule); }, true);
}

BOOL CDC::PolyPolygon(const POINT* points, const int* counts, int polygonCount) {
  if (!points || !counts || polygonCount <= 0) return FALSE;
  QPainterPath path;
  path.setFillRule(m_state->polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  int offset = 0;
  for (int i = 0; i < polygonCount; ++i) {
    QPolygon polygon;
    for (int k = 0; k < counts[i]; ++k) polygon << QPoint(points[offset + k].x, points[offset + k].y);
    offset += counts[i];
    if (polygon.size() >= 2) {
      polygon << polygon.first();
      path.addPolygon(polygon);
    }
  }
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawPath(path); }, true);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  return DrawWithPenAndBrush([&](QPainter& p) {
    p.drawRect(OutlineBox(left, top, right, bottom));
  }, true);
}

BOOL CDC::Rectangle(const RECT* rect) {
  return rect ? Rectangle(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CDC::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return DrawWithPenAndBrush([&](QPainter& p) {
    QRect box = OutlineBox(left, top, right, bottom);
    qreal rx = std::min<qreal>(std::abs(ellipseWidth) / 2.0, box.width() / 2.0);
    qreal ry = std::min<qreal>(std::abs(ellipseHeight) / 2.0, box.height() / 2.0);
    p.drawRoundedRect(box, rx, ry, Qt::AbsoluteSize);
  }, true);
}

BOOL CDC::RoundRect(const RECT* rect, const POINT& ellipse) {
  return rect ? RoundRect(rect->left, rect->top, rect->right, rect->bottom, ellipse.x, ellipse.y) : FALSE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawEllipse(OutlineBox(left, top, right, bottom)); }, true);
}

BOOL CDC::Ellipse(const RECT* rect) {
  return rect ? Ellipse(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CDC::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QRect box = OutlineBox(x1, y1, x2, y2);
  int start = 0;
  int span = 0;
  ArcAngles(box, x3, y3, x4, y4, &start, &span);
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawArc(box, start, span); }, false);
}

BOOL CDC::Arc(const RECT* rect, const POINT& s, const POINT& e) {
  return rect ? Arc(rect->left, rect->top, rect->right, rect->bottom, s.x, s.y, e.x, e.y) : FALSE;
}

BOOL CDC::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QRect box = OutlineBox(x1, y1, x2, y2);
  int start = 0;
  int span = 0;
  ArcAngles(box, x3, y3, x4, y4, &start, &span);
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawPie(box, start, span); }, true);
}

BOOL CDC::Pie(const RECT* rect, const POINT& s, const POINT& e) {
  return rect ? Pie(rect->left, rect->top, rect->right, rect->bottom, s.x, s.y, e.x, e.y) : FALSE;
}

BOOL CDC::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QRect box = OutlineBox(x1, y1, x2, y2);
  int start = 0;
  int span = 0;
  ArcAngles(box, x3, y3, x4, y4, &start, &span);
  return DrawWithPenAndBrush([&](QPainter& p) { p.drawChord(box, start, span); }, true);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
  FillLogicalRect(QRect(x, y, 1, 1), QBrush(ColorRefToQColor(color)));
  return color & 0xFFFFFFu;
}

COLORREF CDC::GetPixel(int x, int y) const {
  CPoint p(x, y);
  LPtoDP(&p);
  if (m_image) {
    if (!m_image->rect().contains(p.x, p.y)) return CLR_INVALID;
    return QRgbToColorRef(m_image->pixel(p.x, p.y));
  }
  QImage one = GrabDevice(QRect(p.x, p.y, 1, 1));
  if (one.isNull()) return CLR_INVALID;
  return QRgbToColorRef(one.pixel(0, 0));
}

// ---------------------------------------------------------------- fills and frames

void CDC::FillRect(const RECT* rect, CBrush* brush) {
  if (!rect || !brush) return;
  FillLogicalRect(ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom), MakeBrush(brush->Data()));
}

void CDC::FillRect(const RECT* rect, HBRUSH brush) {
  if (!rect) return;
  auto data = LookupGdiObject(brush);
  if (!data) return;
  FillLogicalRect(ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom), MakeBrush(data));
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  if (!rect) return;
  // As the framework does it: through the background colour, which stays set.
  SetBkColor(color);
  FillLogicalRect(ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom),
                  QBrush(ColorRefToQColor(color)));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  CRect r(x, y, x + cx, y + cy);
  FillSolidRect(&r, color);
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) {
  if (!rect || !brush) return;
  QRect r = ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom);
  if (r.isEmpty()) return;
  QBrush b = MakeBrush(brush->Data());
  FillLogicalRect(QRect(r.left(), r.top(), r.width(), 1), b);
  FillLogicalRect(QRect(r.left(), r.bottom(), r.width(), 1), b);
  FillLogicalRect(QRect(r.left(), r.top(), 1, r.height()), b);
  FillLogicalRect(QRect(r.right(), r.top(), 1, r.height()), b);
}

void CDC::InvertRect(const RECT* rect) {
  if (!rect) return;
  FillLogicalRect(ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom), QBrush(Qt::white),
                  QPainter::RasterOp_NotDestination);
}

BOOL CDC::FillRgn(CRgn* region, CBrush* brush) {
  if (!region || !brush || !region->IsValid() || !Begin()) return FALSE;
  QBrush b = MakeBrush(brush->Data());
  for (const QRect& r : region->GetQRegion()) m_painter->fillRect(r, b);
  return TRUE;
}

BOOL CDC::PaintRgn(CRgn* region) {
  if (!region || !region->IsValid() || !Begin()) return FALSE;
  QBrush b = MakeBrush(m_state->brush);
  for (const QRect& r : region->GetQRegion()) m_painter->fillRect(r, b);
  return TRUE;
}

BOOL CDC::FrameRgn(CRgn* region, CBrush* brush, int width, int height) {
  if (!region || !brush || !region->IsValid() || width <= 0 || height <= 0) return FALSE;
  // The frame is the part of the region within width/height of its outside.
  QRegion whole = region->GetQRegion();
  QRegion inner = whole;
  for (int dx = -width; dx <= width; ++dx) {
    if (dx != 0) inner &= whole.translated(dx, 0);
  }
  for (int dy = -height; dy <= height; ++dy) {
    if (dy != 0) inner &= whole.translated(0, dy);
  }
  QRegion frame = whole - inner;
  if (!Begin()) return FALSE;
  QBrush b = MakeBrush(brush->Data());
  for (const QRect& r : frame) m_painter->fillRect(r, b);
  return TRUE;
}

BOOL CDC::InvertRgn(CRgn* region) {
  if (!region || !region->IsValid() || !Begin()) return FALSE;
  m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
  for (const QRect& r : region->GetQRegion()) m_painter->fillRect(r, Qt::white);
  return TRUE;
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  if (!rect) return;
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  if (cx <= 0 || cy <= 0) return;
  QBrush tl(ColorRefToQColor(topLeft));
  QBrush br(ColorRefToQColor(bottomRight));
  FillLogicalRect(QRect(x, y, cx - 1, 1), tl);
  FillLogicalRect(QRect(x, y, 1, cy - 1), tl);
  FillLogicalRect(QRect(x + cx - 1, y, 1, cy), br);
  FillLogicalRect(QRect(x, y + cy - 1, cx, 1), br);
}

BOOL CDC::DrawEdge(RECT* rect, UINT edge, UINT flags) {
  if (!rect) return FALSE;
  CRect r(*rect);
  auto ring = [&](COLORREF tl, COLORREF br) {
    if (r.IsRectEmpty()) return;
    QBrush tlb(ColorRefToQColor(tl));
    QBrush brb(ColorRefToQColor(br));
    if (flags & BF_TOP) FillLogicalRect(QRect(r.left, r.top, r.Width(), 1), tlb);
    if (flags & BF_LEFT) FillLogicalRect(QRect(r.left, r.top, 1, r.Height()), tlb);
    if (flags & BF_BOTTOM) FillLogicalRect(QRect(r.left, r.bottom - 1, r.Width(), 1), brb);
    if (flags & BF_RIGHT) FillLogicalRect(QRect(r.right - 1, r.top, 1, r.Height()), brb);
    if (flags & BF_LEFT) r.left += 1;
    if (flags & BF_TOP) r.top += 1;
    if (flags & BF_RIGHT) r.right -= 1;
    if (flags & BF_BOTTOM) r.bottom -= 1;
  };
  if (flags & BF_MONO) {
    if (edge & BDR_OUTER) ring(RGB(0, 0, 0), RGB(0, 0, 0));
    if (edge & BDR_INNER) ring(RGB(0, 0, 0), RGB(0, 0, 0));
  } else if (flags & BF_FLAT) {
    if (edge & BDR_OUTER) ring(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
    if (edge & BDR_INNER) ring(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
  } else {
    if (edge & BDR_RAISEDOUTER) {
      ring(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    } else if (edge & BDR_SUNKENOUTER) {
      ring(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    }
    if (edge & BDR_RAISEDINNER) {
      ring(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    } else if (edge & BDR_SUNKENINNER) {
      ring(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    }
  }
  if ((flags & BF_MIDDLE) && !r.IsRectEmpty()) {
    FillLogicalRect(ToQRect(r), QBrush(ColorRefToQColor(GetSysColor(COLOR_BTNFACE))));
  }
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

void CDC::DrawFocusRect(const RECT* rect) {
  if (!rect) return;
  QRect r = ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom);
  if (r.isEmpty() || !Begin()) return;
  // Every other pixel of the frame, inverted; the pattern follows device pixels.
  QImage tile(2, 2, QImage::Format_RGB32);
  tile.setPixel(0, 0, qRgb(255, 255, 255));
  tile.setPixel(1, 1, qRgb(255, 255, 255));
  tile.setPixel(1, 0, qRgb(0, 0, 0));
  tile.setPixel(0, 1, qRgb(0, 0, 0));
  QBrush dots(tile);
  QTransform toDevice = LogicalToDevice();
  dots.setTransform(QTransform::fromTranslate(-toDevice.dx(), -toDevice.dy()));
  m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  m_painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), dots);
  if (r.height() > 1) m_painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dots);
  if (r.height() > 2) {
    m_painter->fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), dots);
    if (r.width() > 1) m_painter->fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), dots);
  }
}

void CDC::GradientFillRect(const RECT* rect, COLORREF from, COLORREF to, bool vertical) {
  if (!rect) return;
  QRect r = ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom);
  if (r.isEmpty() || !Begin()) return;
  // One band per pixel column (or row), each channel interpolated linearly.
  int count = vertical ? r.height() : r.width();
  for (int i = 0; i < count; ++i) {
    QColor c = Interpolate(from, to, i, count);
    if (vertical) {
      m_painter->fillRect(QRect(r.left(), r.top() + i, r.width(), 1), c);
    } else {
      m_painter->fillRect(QRect(r.left() + i, r.top(), 1, r.height()), c);
    }
  }
}

BOOL CDC::GradientFill(const TRIVERTEX* vertices, UINT vertexCount, const GRADIENT_RECT* rects,
                       UINT rectCount, UINT mode) {
  if (!vertices || !rects || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) return FALSE;
  for (UINT i = 0; i < rectCount; ++i) {
    if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount) return FALSE;
    const TRIVERTEX& a = vertices[rects[i].UpperLeft];
    const TRIVERTEX& b = vertices[rects[i].LowerRight];
    CRect r(a.x, a.y, b.x, b.y);
    r.NormalizeRect();
    GradientFillRect(&r, RGB(a.Red >> 8, a.Green >> 8, a.Blue >> 8), RGB(b.Red >> 8, b.Green >> 8, b.Blue >> 8),
                     mode == GRADIENT_FILL_RECT_V);
  }
  return TRUE;
}

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
  QRect r = ExclusiveQRect(x, y, x + width, y + height);
  switch (rop) {
    case PATCOPY: FillLogicalRect(r, MakeBrush(m_state->brush)); return TRUE;
    case PATINVERT:
      FillLogicalRect(r, MakeBrush(m_state->brush), QPainter::RasterOp_SourceXorDestination);
      return TRUE;
    case DSTINVERT: FillLogicalRect(r, QBrush(Qt::white), QPainter::RasterOp_NotDestination); return TRUE;
    case BLACKNESS: FillLogicalRect(r, QBrush(Qt::black)); return TRUE;
    case WHITENESS: FillLogicalRect(r, QBrush(Qt::white)); return TRUE;
    default: return FALSE;
  }
}

// ---------------------------------------------------------------- text

BOOL CDC::TextOut(int x, int y, const std::string& text) { return ExtTextOut(x, y, 0, nullptr, text); }

BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const std::string& utf8,
                     const int* widths) {
  if (!Begin()) return FALSE;
  QString text = QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
  QFont font = CurrentQFont();
  QFontMetrics metrics(font);
  int width = 0;
  if (widths) {
    for (int i = 0; i < text.size(); ++i) width += widths[i];
  } else {
    width = metrics.horizontalAdvance(text);
  }
  int height = metrics.ascent() + metrics.descent();
  UINT align = m_state->textAlign;
  if (align & TA_UPDATECP) {
    x = m_state->position.x;
    y = m_state->position.y;
  }
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) {
    left = x - width / 2;
  } else if (align & TA_RIGHT) {
    left = x - width;
  }
  int top = y;
  if ((align & TA_BASELINE) == TA_BASELINE) {
    top = y - metrics.ascent();
  } else if (align & TA_BOTTOM) {
    top = y - height;
  }
  QPainter& p = *m_painter;
  QRect box = rect ? ExclusiveQRect(rect->left, rect->top, rect->right, rect->bottom) : QRect();
  if ((options & ETO_OPAQUE) && rect) p.fillRect(box, ColorRefToQColor(m_state->bkColor));
  if (options & ETO_CLIPPED && rect) p.setClipRect(box, Qt::IntersectClip);
  LONG escapement = CurrentEscapement();
  p.save();
  if (escapement != 0) {
    p.translate(x, y);
    p.rotate(-escapement / 10.0);
    p.translate(-x, -y);
  }
  if (m_state->bkMode == OPAQUE && !text.isEmpty()) {
    p.fillRect(QRect(left, top, width, height), ColorRefToQColor(m_state->bkColor));
  }
  p.setFont(font);
  p.setPen(ColorRefToQColor(m_state->textColor));
  if (widths) {
    int cx = left;
    for (int i = 0; i < text.size(); ++i) {
      p.drawText(QPoint(cx, top + metrics.ascent()), QString(text[i]));
      cx += widths[i];
    }
  } else {
    p.drawText(QPoint(left, top + metrics.ascent()), text);
  }
  p.restore();
  if (align & TA_UPDATECP) m_state->position.x += ((align & TA_RIGHT) && (align & TA_CENTER) != TA_CENTER) ? -width : width;
  return TRUE;
}

void CDC::DrawTextLine(int x, int y, const QString& text, const std::vector<int>& underlined,
                       const TextLayout& layout) {
  QPainter& p = *m_painter;
  QFontMetrics metrics(p.font());
  std::vector<int> offsets = layout.PieceOffsets(text);
  int baseline = y + metrics.ascent();
  if (offsets.size() == 1) {
    p.drawText(QPoint(x, baseline), text);
  } else {
    QStringList pieces = text.split(QLatin1Char('\t'));
    for (int i = 0; i < pieces.size() && i < static_cast<int>(offsets.size()); ++i) {
      p.drawText(QPoint(x + offsets[static_cast<size_t>(i)], baseline), pieces[i]);
    }
  }
  for (int pos : underlined) {
    if (pos >= text.size()) continue;
    int start = x + layout.Width(text.left(pos));
    int end = x + layout.Width(text.left(pos + 1));
    p.fillRect(QRect(start, baseline + 1, std::max(1, end - start), 1), p.pen().color());
  }
}

int CDC::DrawText(const std::string& utf8, RECT* rect, UINT format) {
  if (!rect) return 0;
  QString text = QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
  QFont font = CurrentQFont();
  QFontMetrics metrics(font);
  TextLayout layout(metrics, format);
  CRect r(*rect);
  std::vector<TextLine> lines = layout.Lay(text, std::max(0, r.Width()));
  int lineHeight = layout.LineHeight();
  int textHeight = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (const TextLine& line : lines) widest = std::max(widest, line.width);

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + textHeight;
    return textHeight;
  }

  int y = r.top;
  bool single = (format & DT_SINGLELINE) != 0;
  if (single && (format & DT_VCENTER)) {
    y = r.top + (r.Height() - textHeight) / 2;
  } else if (single && (format & DT_BOTTOM)) {
    y = r.bottom - textHeight;
  }
  if (!Begin()) return 0;
  QPainter& p = *m_painter;
  if (!(format & DT_NOCLIP)) p.setClipRect(ToQRect(r), Qt::IntersectClip);
  p.setFont(font);
  p.setPen(ColorRefToQColor(m_state->textColor));
  int lineY = y;
  for (const TextLine& line : lines) {
    int x = r.left;
    if (format & DT_CENTER) {
      x = r.left + (r.Width() - line.width) / 2;
    } else if (format & DT_RIGHT) {
      x = r.right - line.width;
    }
    if (m_state->bkMode == OPAQUE && line.width > 0) {
      p.fillRect(QRect(x, lineY, line.width, lineHeight), ColorRefToQColor(m_state->bkColor));
    }
    DrawTextLine(x, lineY, line.text, line.underlined, layout);
    lineY += lineHeight;
  }
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return (y - r.top) + textHeight;
  return textHeight;
}

CSize CDC::GetTextExtent(const std::string& utf8) const {
  QFontMetrics metrics(CurrentQFont());
  QString text = QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
  return CSize(metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent());
}

CSize CDC::GetTabbedTextExtent(const std::string& utf8) const {
  QFontMetrics metrics(CurrentQFont());
  TextLayout layout(metrics, DT_EXPANDTABS);
  QString text = QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
  return CSize(layout.Width(text), layout.LineHeight());
}

BOOL CDC::GetTextMetrics(TEXTMETRIC* tm) const {
  if (!tm) return FALSE;
  QFont font = CurrentQFont();
  QFontMetrics metrics(font);
  *tm = TEXTMETRIC();
  tm->tmAscent = metrics.ascent();
  tm->tmDescent = metrics.descent();
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  int em = font.pixelSize() > 0 ? font.pixelSize() : tm->tmHeight;
  tm->tmInternalLeading = std::max<LONG>(0, tm->tmHeight - em);
  tm->tmExternalLeading = std::max(0, metrics.leading());
  tm->tmAveCharWidth = metrics.averageCharWidth();
  tm->tmMaxCharWidth = metrics.maxWidth();
  tm->tmWeight = font.weight();
  tm->tmItalic = font.italic() ? 1 : 0;
  tm->tmUnderlined = font.underline() ? 1 : 0;
  tm->tmStruckOut = font.strikeOut() ? 1 : 0;
  auto data = std::dynamic_pointer_cast<FontData>(m_state->font);
  tm->tmPitchAndFamily = data ? data->log.lfPitchAndFamily : 0;
  tm->tmCharSet = data ? data->log.lfCharSet : DEFAULT_CHARSET;
  return TRUE;
}

int CDC::GetDeviceCaps(int index) const {
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return kLogicalDpi;
    case HORZRES: return DeviceSize().width();
    case VERTRES: return DeviceSize().height();
    case BITSPIXEL: return 32;
    default: return 0;
  }
}

// ---------------------------------------------------------------- pictures

QImage CDC::GrabDevice(const QRect& deviceRect) const {
  if (!m_image) return QImage();
  return m_image->copy(deviceRect);
}

QImage CDC::SourcePixels(CDC* source, int xSrc, int ySrc, int width, int height) const {
  if (!source) return QImage();
  CPoint origin(xSrc, ySrc);
  source->LPtoDP(&origin);
  return source->GrabDevice(QRect(origin.x, origin.y, width, height));
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
  if (rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS) {
    return PatBlt(x, y, width, height, rop);
  }
  if (width <= 0 || height <= 0) return FALSE;
  // Another picture of the right format is drawn from where it lies: copying
  // a large one first cost more than drawing it.
  CPoint origin(xSrc, ySrc);
  if (source) source->LPtoDP(&origin);
  const QRect from(origin.x, origin.y, width, height);
  const QImage* direct = source && source->m_image && source->m_image != m_image &&
                                 source->m_image->format() == QImage::Format_RGB32 &&
                                 source->m_image->rect().contains(from)
                             ? source->m_image
                             : nullptr;
  QImage pixels;
  if (!direct) pixels = SourcePixels(source, xSrc, ySrc, width, height);
  if ((!direct && pixels.isNull()) || !Begin()) return FALSE;
  QPainter::CompositionMode mode;
  switch (rop) {
    case SRCCOPY: mode = QPainter::CompositionMode_Source; break;
    case SRCPAINT: mode = QPainter::RasterOp_SourceOrDestination; break;
    case SRCAND: mode = QPainter::RasterOp_SourceAndDestination; break;
    case SRCINVERT: mode = QPainter::RasterOp_SourceXorDestination; break;
    case NOTSRCCOPY: mode = QPainter::RasterOp_NotSource; break;
    default: return FALSE;
  }
  m_painter->setCompositionMode(mode);
  if (direct) {
    m_painter->drawImage(QPoint(x, y), *direct, from);
  } else {
    m_painter->drawImage(QPoint(x, y), pixels.convertToFormat(QImage::Format_RGB32));
  }
  return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, DWORD rop) {
  if (width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return FALSE;
  QImage pixels = SourcePixels(source, std::min(xSrc, xSrc + srcWidth), std::min(ySrc, ySrc + srcHeight),
                               std::abs(srcWidth), std::abs(srcHeight));
  if (pixels.isNull()) return FALSE;
  bool flipX = (width < 0) != (srcWidth < 0);
  bool flipY = (height < 0) != (srcHeight < 0);
  if (flipX || flipY) pixels = pixels.mirrored(flipX, flipY);
  if (!Begin()) return FALSE;
  QPainter::CompositionMode mode;
  switch (rop) {
    case SRCCOPY: mode = QPainter::CompositionMode_Source; break;
    case SRCPAINT: mode = QPainter::RasterOp_SourceOrDestination; break;
    case SRCAND: mode = QPainter::RasterOp_SourceAndDestination; break;
    case SRCINVERT: mode = QPainter::RasterOp_SourceXorDestination; break;
    case NOTSRCCOPY: mode = QPainter::RasterOp_NotSource; break;
    default: return FALSE;
  }
  m_painter->setCompositionMode(mode);
  QRect target = ExclusiveQRect(x, y, x + width, y + height);
  m_painter->drawImage(target, pixels.convertToFormat(QImage::Format_RGB32));
  return TRUE;
}

BOOL CDC::TransparentBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, COLORREF transparent) {
  if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return FALSE;
  QImage pixels = SourcePixels(source, xSrc, ySrc, srcWidth, srcHeight);
  if (pixels.isNull()) return FALSE;
  QImage masked = pixels.convertToFormat(QImage::Format_ARGB32);
  QRgb key = ColorRefToQColor(transparent).rgb() & 0x00FFFFFFu;
  for (int row = 0; row < masked.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(row));
    for (int col = 0; col < masked.width(); ++col) {
      if ((line[col] & 0x00FFFFFFu) == key) line[col] = 0;
    }
  }
  if (!Begin()) return FALSE;
  m_painter->drawImage(QRect(x, y, width, height), masked);
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) { return DrawIconEx(x, y, icon, 0, 0); }

BOOL CDC::DrawIconEx(int x, int y, HICON icon, int width, int height) {
  QImage image = IconImage(icon);
  if (image.isNull() || !Begin()) return FALSE;
  QRect target(x, y, width > 0 ? width : image.width(), height > 0 ? height : image.height());
  m_painter->drawImage(target, image);
  return TRUE;
}

namespace {

// The platform's disabled look: the picture's shape embossed, highlight
// offset by one pixel under shadow.
QImage Embossed(const QImage& source) {
  QImage argb = source.convertToFormat(QImage::Format_ARGB32);
  QImage out(argb.width() + 1, argb.height() + 1, QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  QRgb highlight = ColorRefToQColor(GetSysColor(COLOR_BTNHIGHLIGHT)).rgb();
  QRgb shadow = ColorRefToQColor(GetSysColor(COLOR_BTNSHADOW)).rgb();
  auto dark = [&](int x, int y) {
    QRgb c = argb.pixel(x, y);
    return qAlpha(c) > 127 && qGray(c) < 192;
  };
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      if (dark(x, y)) out.setPixel(x + 1, y + 1, highlight);
    }
  }
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      if (dark(x, y)) out.setPixel(x, y, shadow);
    }
  }
  return out;
}

}  // namespace

BOOL CDC::DrawState(const POINT& p, const SIZE& size, HICON icon, UINT flags) {
  QImage image = IconImage(icon);
  if (image.isNull()) return FALSE;
  if (size.cx > 0 && size.cy > 0) image = image.scaled(size.cx, size.cy);
  if (flags & DSS_DISABLED) image = Embossed(image);
  if (!Begin()) return FALSE;
  m_painter->drawImage(QPoint(p.x, p.y), image);
  return TRUE;
}

BOOL CDC::DrawState(const POINT& p, const SIZE& size, CBitmap* bitmap, UINT flags) {
  if (!bitmap) return FALSE;
  QImage image = bitmap->Image();
  if (image.isNull()) return FALSE;
  if (size.cx > 0 && size.cy > 0) image = image.copy(0, 0, size.cx, size.cy);
  if (flags & DSS_DISABLED) image = Embossed(image);
  if (!Begin()) return FALSE;
  m_painter->drawImage(QPoint(p.x, p.y), image);
  return TRUE;
}

BOOL CDC::ScrollDC(int dx, int dy, const RECT* scrollRect, const RECT* clipRect, CRgn* update,
                   RECT* updateRect) {
  QRect device(QPoint(0, 0), DeviceSize());
  QRect area = device;
  if (scrollRect) {
    CRect r(*scrollRect);
    LPtoDP(&r);
    area = ToQRect(r) & device;
  }
  QRect limit = area;
  if (clipRect) {
    CRect c(*clipRect);
    LPtoDP(&c);
    limit = area & ToQRect(c);
  }
  QRegion uncovered = QRegion(limit) - QRegion(area.translated(dx, dy) & limit);
  QImage pixels = GrabDevice(area);
  bool ok = !pixels.isNull() && Begin();
  if (ok) {
    m_painter->resetTransform();
    m_painter->setClipRect(limit, Qt::IntersectClip);
    m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    m_painter->drawImage(area.topLeft() + QPoint(dx, dy), pixels);
  } else {
    uncovered = QRegion(limit);  // nothing moved: all of it needs painting
  }
  if (update && update->IsValid()) update->CreateFromQRegion(uncovered);
  if (updateRect) {
    *updateRect = FromQRect(uncovered.boundingRect());
    DPtoLP(updateRect);
  }
  return ok ? TRUE : FALSE;
}
