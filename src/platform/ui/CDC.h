#pragma once
// A device context over QPainter, with the platform's drawing model: a current
// pen, brush, font and (for memory contexts) bitmap, text and background
// colours, background mode, text alignment, a current position, a clip region
// and a window/viewport origin. Coordinates are whole pixels; the right and
// bottom edges of rectangles are exclusive, lines leave out their last pixel.
//
// Three ways to get one:
//  - a memory context: CreateCompatibleDC, then select a bitmap (double buffering);
//  - over an image: AttachImage (tests, and windows that paint into a backing image);
//  - over a painter the window layer opened in its paint event: AttachPainter
//    (the window layer's paint and client contexts derive from CDC and do this).
// Calls on a context without a drawing surface do nothing and report failure.
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/CBitmap.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CPen.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CRgn.h"
#include "platform/ui/GdiTypes.h"

// DrawState flags (icon and bitmap forms with the disabled look).
constexpr UINT DST_ICON = 0x0003;
constexpr UINT DST_BITMAP = 0x0004;
constexpr UINT DSS_NORMAL = 0x0000;
constexpr UINT DSS_DISABLED = 0x0020;
// DrawIconEx flags.
constexpr UINT DI_NORMAL = 0x0003;

class CDC {
 public:
  CDC();
  // A context over a painter the caller keeps active (see AttachPainter).
  explicit CDC(QPainter* painter);
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  // ---- surfaces ----
  // A memory context (the reference context is not needed: every memory
  // context draws 32-bit colour). It has no bitmap until one is selected.
  BOOL CreateCompatibleDC(CDC* reference);
  // Draws on the image, which must outlive the attachment.
  BOOL AttachImage(QImage* image);
  // Draws with a painter that stays owned by the caller and must stay active
  // while attached. The context's state starts fresh.
  BOOL AttachPainter(QPainter* painter);
  // Ends drawing on the current surface (the image or painter stays intact).
  void Detach();
  BOOL DeleteDC();
  bool HasSurface() const { return m_painter != nullptr; }
  bool IsMemoryDC() const { return m_memory; }
  // The painter in use (nullptr without a surface), for code that needs Qt directly.
  QPainter* Painter() const { return m_painter; }

  // ---- selection and state ----
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  // Memory contexts only; returns the previous bitmap (nullptr on failure).
  CBitmap* SelectObject(CBitmap* bitmap);
  // Selects a copy of the region as the clip region; returns the region kind.
  int SelectObject(CRgn* region);
  // Stock pens, brushes and fonts; returns the previous object of that kind.
  CGdiObject* SelectStockObject(int index);
  HGDIOBJ SelectObject(HGDIOBJ handle);
  CPen* GetCurrentPen();
  CBrush* GetCurrentBrush();
  CFont* GetCurrentFont();
  CBitmap* GetCurrentBitmap();

  // Returns a positive level; RestoreDC(-1) restores the last save.
  int SaveDC();
  BOOL RestoreDC(int savedLevel);

  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);
  int GetBkMode() const;
  UINT SetTextAlign(UINT flags);
  UINT GetTextAlign() const;
  int SetROP2(int mode);
  int GetROP2() const;
  int SetPolyFillMode(int mode);
  int SetStretchBltMode(int mode);
  CPoint SetBrushOrg(int x, int y);

  CPoint SetWindowOrg(int x, int y);
  CPoint GetWindowOrg() const;
  CPoint SetViewportOrg(int x, int y);
  CPoint GetViewportOrg() const;
  CPoint OffsetViewportOrg(int dx, int dy);
  CPoint OffsetWindowOrg(int dx, int dy);
  void LPtoDP(POINT* points, int count = 1) const;
  void DPtoLP(POINT* points, int count = 1) const;
  void LPtoDP(RECT* rect) const;
  void DPtoLP(RECT* rect) const;

  // ---- clipping (regions are in device coordinates, as on the platform) ----
  int SelectClipRgn(CRgn* region);  // nullptr removes the clip
  int SelectClipRgn(CRgn* region, int mode);
  int IntersectClipRect(int left, int top, int right, int bottom);
  int IntersectClipRect(const RECT* rect);
  int ExcludeClipRect(int left, int top, int right, int bottom);
  int ExcludeClipRect(const RECT* rect);
  int GetClipBox(RECT* rect) const;  // in logical coordinates
  BOOL PtVisible(int x, int y) const;
  BOOL RectVisible(const RECT* rect) const;

  // ---- lines and shapes ----
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(const POINT& p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y);
  BOOL LineTo(const POINT& p) { return LineTo(p.x, p.y); }
  CPoint GetCurrentPosition() const;
  BOOL Polyline(const POINT* points, int count);
  BOOL Polygon(const POINT* points, int count);
  BOOL PolyPolygon(const POINT* points, const int* counts, int polygonCount);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(const RECT* rect);
  BOOL RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  BOOL RoundRect(const RECT* rect, const POINT& ellipse);
  BOOL Ellipse(int left, int top, int right, int bottom);
  BOOL Ellipse(const RECT* rect);
  // Counter-clockwise from the radial through (x3,y3) to the one through (x4,y4).
  BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  BOOL Arc(const RECT* rect, const POINT& start, const POINT& end);
  BOOL Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  BOOL Pie(const RECT* rect, const POINT& start, const POINT& end);
  BOOL Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  COLORREF SetPixel(int x, int y, COLORREF color);
  COLORREF GetPixel(int x, int y) const;  // CLR_INVALID outside or unreadable

  // ---- fills and frames ----
  void FillRect(const RECT* rect, CBrush* brush);
  void FillRect(const RECT* rect, HBRUSH brush);
  void FillSolidRect(const RECT* rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void FrameRect(const RECT* rect, CBrush* brush);
  void InvertRect(const RECT* rect);
  BOOL FillRgn(CRgn* region, CBrush* brush);
  BOOL FrameRgn(CRgn* region, CBrush* brush, int width, int height);
  BOOL PaintRgn(CRgn* region);
  BOOL InvertRgn(CRgn* region);
  void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  // Edges and sides as the platform's DrawEdge; BF_ADJUST shrinks rect by the edge.
  BOOL DrawEdge(RECT* rect, UINT edge, UINT flags);
  // A dotted frame drawn by inverting, so drawing it twice removes it.
  void DrawFocusRect(const RECT* rect);
  // vertical false: left to right; true: top to bottom.
  void GradientFillRect(const RECT* rect, COLORREF from, COLORREF to, bool vertical);
  BOOL GradientFill(const TRIVERTEX* vertices, UINT vertexCount, const GRADIENT_RECT* rects,
                    UINT rectCount, UINT mode);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop);

  // ---- text ----
  BOOL TextOut(int x, int y, const std::string& text);
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const std::string& text,
                  const int* widths = nullptr);
  // Returns the text height (with DT_VCENTER / DT_BOTTOM: the offset from the
  // rectangle's top to the bottom of the text); with DT_CALCRECT only measures
  // and widens or narrows rect to the text.
  int DrawText(const std::string& text, RECT* rect, UINT format);
  CSize GetTextExtent(const std::string& text) const;
  CSize GetOutputTextExtent(const std::string& text) const { return GetTextExtent(text); }
  CSize GetTabbedTextExtent(const std::string& text) const;
  BOOL GetTextMetrics(TEXTMETRIC* metrics) const;
  int GetDeviceCaps(int index) const;

  // ---- pictures ----
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, DWORD rop);
  // Pixels of the source equal to the transparent colour are not copied.
  BOOL TransparentBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, COLORREF transparent);
  BOOL DrawIcon(int x, int y, HICON icon);
  BOOL DrawIcon(const POINT& p, HICON icon) { return DrawIcon(p.x, p.y, icon); }
  BOOL DrawIconEx(int x, int y, HICON icon, int width, int height);
  // DST_ICON or DST_BITMAP with DSS_NORMAL or DSS_DISABLED (embossed grey).
  BOOL DrawState(const POINT& p, const SIZE& size, HICON icon, UINT flags);
  BOOL DrawState(const POINT& p, const SIZE& size, CBitmap* bitmap, UINT flags);
  // Scrolls the pixels of scrollRect (all of the surface when null) by dx,dy,
  // inside clipRect when given. The area uncovered is given back in update
  // (device coordinates). False when the surface's pixels cannot be read.
  BOOL ScrollDC(int dx, int dy, const RECT* scrollRect, const RECT* clipRect, CRgn* update,
                RECT* updateRect);

  // Reads the surface's device pixels (memory and image contexts; the window
  // layer overrides this for widgets). A null image when unreadable.
  virtual QImage GrabDevice(const QRect& deviceRect) const;
  // The size of the drawing surface in device pixels.
  QSize DeviceSize() const;

 protected:
  // Called before each drawing call; the window layer may extend it.
  virtual void PrepareToDraw() {}

 private:
  struct State;
  void ResetState();
  bool Begin();  // applies state to the painter; false without a surface
  QTransform LogicalToDevice() const;
  QPen MakePen() const;
  QBrush MakeBrush(const std::shared_ptr<GdiObjectData>& brush) const;
  bool PenIsNull() const;
  // Hatched brushes show the background colour between their lines in opaque mode.
  bool HatchShowsBackground(const std::shared_ptr<GdiObjectData>& brush) const;
  int PenWidth() const;
  QFont CurrentQFont() const;
  LONG CurrentEscapement() const;
  QPainter::CompositionMode CompositionFor(int rop2) const;
  void FillLogicalRect(const QRect& logical, const QBrush& brush, QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver);
  void DrawTextLine(int x, int y, const QString& text, const std::vector<int>& underlined,
                    const class TextLayout& layout);
  void SelectMemoryBitmap(const std::shared_ptr<GdiObjectData>& bitmap);
  void EndMemoryPainter();
  bool DrawWithPenAndBrush(const std::function<void(QPainter&)>& draw, bool fill);
  QImage SourcePixels(CDC* source, int xSrc, int ySrc, int width, int height) const;
  template <typename T>
  T* Wrapper(const std::shared_ptr<GdiObjectData>& data);
  // Puts `object`'s data, when it is of kind `Data`, into the state slot and
  // wraps what the slot held before.
  template <typename Data, typename T>
  T* SwapSelected(T* object, std::shared_ptr<GdiObjectData>& slot);

  QPainter* m_painter = nullptr;
  std::unique_ptr<QPainter> m_ownedPainter;
  QImage* m_image = nullptr;  // the surface when it is an image we can read
  bool m_memory = false;
  std::unique_ptr<State> m_state;
  std::vector<State> m_saved;
  std::vector<std::unique_ptr<CGdiObject>> m_wrappers;  // handed out by SelectObject
};
