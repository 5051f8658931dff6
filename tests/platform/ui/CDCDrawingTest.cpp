// Drawing into images through the device context, checked at a few pixels.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// A memory context over a white bitmap of the size.
struct Canvas {
  CDC dc;
  CBitmap bitmap;
  CBitmap* previous = nullptr;
  Canvas(int w, int h) {
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateCompatibleBitmap(&dc, w, h);
    previous = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, kWhite);
    dc.SetBkColor(kWhite);
  }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};

TEST(ColorRefTest, PacksRedInTheLowByte) {
  EXPECT_EQ(RGB(0, 0, 255), 16711680u);
  EXPECT_EQ(RGB(60, 180, 110), 7255100u);
  EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
  EXPECT_EQ(GetGValue(RGB(1, 2, 3)), 2);
  EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
  EXPECT_EQ(QColorToColorRef(ColorRefToQColor(RGB(200, 10, 30))), RGB(200, 10, 30));
}

TEST(SystemMetricsTest, FixedValuesByDefault) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
  EXPECT_EQ(GetSysColor(999), 0u);
  EXPECT_NE(GetSysColorBrush(COLOR_BTNFACE), nullptr);
}

TEST(CDCShapesTest, RectangleOutlinesWithPenAndFillsWithBrush) {
  Canvas c(40, 40);
  CPen pen(PS_SOLID, 1, kRed);
  CBrush brush(kBlue);
  CPen* oldPen = c.dc.SelectObject(&pen);
  CBrush* oldBrush = c.dc.SelectObject(&brush);
  ASSERT_NE(oldPen, nullptr);
  ASSERT_NE(oldBrush, nullptr);
  c.dc.Rectangle(10, 10, 20, 20);
  EXPECT_EQ(c.At(10, 10), kRed);
  EXPECT_EQ(c.At(19, 19), kRed);   // right and bottom edges are one pixel inside
  EXPECT_EQ(c.At(20, 20), kWhite);
  EXPECT_EQ(c.At(15, 15), kBlue);
  c.dc.SelectObject(oldPen);
  c.dc.SelectObject(oldBrush);
  c.dc.Rectangle(30, 30, 35, 35);  // back to the stock black pen and white brush
  EXPECT_EQ(c.At(30, 30), kBlack);
  EXPECT_EQ(c.At(32, 32), kWhite);
}

TEST(CDCShapesTest, HollowBrushAndNullPenLeaveTheirPartUntouched) {
  Canvas c(40, 40);
  c.dc.FillSolidRect(0, 0, 40, 40, kGreen);
  CPen pen(PS_SOLID, 1, kRed);
  c.dc.SelectObject(&pen);
  c.dc.SelectStockObject(HOLLOW_BRUSH);
  c.dc.Rectangle(5, 5, 30, 30);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(15, 15), kGreen);
  CBrush blue(kBlue);
  c.dc.SelectObject(&blue);
  c.dc.SelectStockObject(NULL_PEN);
  c.dc.Rectangle(5, 5, 30, 30);
  EXPECT_EQ(c.At(5, 5), kBlue);
  EXPECT_EQ(c.At(15, 15), kBlue);
}

TEST(CDCShapesTest, LineToLeavesOutItsLastPixelAndMovesThePosition) {
  Canvas c(30, 30);
  CPen pen(PS_SOLID, 1, kBlack);
  c.dc.SelectObject(&pen);
  c.dc.MoveTo(2, 5);
  c.dc.LineTo(12, 5);
  EXPECT_EQ(c.At(2, 5), kBlack);
  EXPECT_EQ(c.At(11, 5), kBlack);
  EXPECT_EQ(c.At(12, 5), kWhite);
  EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(12, 5));
}

TEST(CDCShapesTest, WidePenCoversItsWidth) {
  Canvas c(40, 40);
  CPen pen(PS_SOLID, 3, kRed);
  c.dc.SelectObject(&pen);
  POINT pts[] = {{5, 20}, {35, 20}};
  c.dc.Polyline(pts, 2);
  EXPECT_EQ(c.At(20, 19), kRed);
  EXPECT_EQ(c.At(20, 20), kRed);
  EXPECT_EQ(c.At(20, 21), kRed);
  EXPECT_EQ(c.At(20, 23), kWhite);
}

TEST(CDCShapesTest, DashedPenHasGaps) {
  Canvas c(60, 10);
  CPen pen(PS_DASH, 1, kBlack);
  c.dc.SelectObject(&pen);
  c.dc.MoveTo(0, 5);
  c.dc.LineTo(60, 5);
  int black = 0;
  for (int x = 0; x < 48; ++x) black += c.At(x, 5) == kBlack ? 1 : 0;
  EXPECT_GT(black, 20);
  EXPECT_LT(black, 48);
  // In opaque mode the gaps take the background colour.
  c.dc.SetBkMode(OPAQUE);
  c.dc.SetBkColor(RGB(0, 0, 255));
  c.dc.MoveTo(0, 7);
  c.dc.LineTo(60, 7);
  for (int x = 0; x < 48; ++x) {
    COLORREF at = c.At(x, 7);
    EXPECT_TRUE(at == kBlack || at == RGB(0, 0, 255)) << x;
  }
}

TEST(CDCShapesTest, PolygonEllipseAndPieFillTheirInside) {
  Canvas c(100, 100);
  CBrush red(kRed);
  c.dc.SelectObject(&red);
  c.dc.SelectStockObject(NULL_PEN);
  POINT triangle[] = {{0, 0}, {40, 0}, {0, 40}};
  c.dc.Polygon(triangle, 3);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(35, 35), kWhite);
  CBrush blue(kBlue);
  c.dc.SelectObject(&blue);
  c.dc.Ellipse(50, 50, 100, 100);
  EXPECT_EQ(c.At(75, 75), kBlue);
  EXPECT_EQ(c.At(51, 51), kWhite);  // corner outside the ellipse
  CBrush green(kGreen);
  c.dc.SelectObject(&green);
  // Quarter from three o'clock counter-clockwise to twelve: the upper right quarter.
  c.dc.Pie(0, 50, 50, 100, 50, 75, 25, 50);
  EXPECT_EQ(c.At(35, 65), kGreen);
  EXPECT_EQ(c.At(15, 85), kWhite);
}

TEST(CDCShapesTest, ArcRunsCounterClockwiseBetweenTheRadials) {
  Canvas c(41, 41);
  CPen pen(PS_SOLID, 1, kRed);
  c.dc.SelectObject(&pen);
  // From twelve o'clock counter-clockwise to six: the left half of the circle.
  c.dc.Arc(0, 0, 41, 41, 20, 0, 20, 40);
  EXPECT_EQ(c.At(0, 20), kRed);
  EXPECT_EQ(c.At(39, 20), kWhite);
  EXPECT_EQ(c.At(20, 20), kWhite);  // an arc has no inside
}

TEST(CDCShapesTest, RoundRectKeepsCornersOut) {
  Canvas c(50, 50);
  CBrush red(kRed);
  c.dc.SelectObject(&red);
  c.dc.SelectStockObject(NULL_PEN);
  c.dc.RoundRect(0, 0, 50, 50, 20, 20);
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(25, 25), kRed);
  EXPECT_EQ(c.At(25, 1), kRed);
}

TEST(CDCFillsTest, FillRectFrameRectAnd3dRect) {
  Canvas c(40, 40);
  CBrush blue(kBlue);
  CRect r(5, 5, 15, 15);
  c.dc.FillRect(&r, &blue);
  EXPECT_EQ(c.At(5, 5), kBlue);
  EXPECT_EQ(c.At(14, 14), kBlue);
  EXPECT_EQ(c.At(15, 15), kWhite);
  CBrush red(kRed);
  CRect f(20, 20, 30, 30);
  c.dc.FrameRect(&f, &red);
  EXPECT_EQ(c.At(20, 25), kRed);
  EXPECT_EQ(c.At(29, 25), kRed);
  EXPECT_EQ(c.At(25, 25), kWhite);
  c.dc.Draw3dRect(0, 30, 10, 10, kGreen, kBlack);
  EXPECT_EQ(c.At(0, 30), kGreen);
  EXPECT_EQ(c.At(9, 39), kBlack);
  EXPECT_EQ(c.At(9, 30), kBlack);  // the top right corner belongs to the dark side
}

TEST(CDCFillsTest, FillSolidRectLeavesTheBackgroundColourSet) {
  Canvas c(10, 10);
  c.dc.FillSolidRect(0, 0, 5, 5, kRed);
  EXPECT_EQ(c.dc.GetBkColor(), kRed);
}

TEST(CDCFillsTest, DrawEdgeUsesSystemColoursAndAdjusts) {
  Canvas c(20, 20);
  CRect r(0, 0, 20, 20);
  c.dc.DrawEdge(&r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, CRect(2, 2, 18, 18));
  EXPECT_EQ(c.At(0, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(19, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(1, 5), GetSysColor(COLOR_3DDKSHADOW));
}

TEST(CDCFillsTest, FocusRectTwiceRestoresThePixels) {
  Canvas c(20, 20);
  CRect r(2, 2, 18, 18);
  c.dc.DrawFocusRect(&r);
  int changed = 0;
  for (int x = 2; x < 18; ++x) changed += c.At(x, 2) != kWhite ? 1 : 0;
  EXPECT_GT(changed, 4);
  EXPECT_LT(changed, 16);
  c.dc.DrawFocusRect(&r);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c.At(x, 2), kWhite);
}

TEST(CDCFillsTest, GradientRunsFromStartToEndColour) {
  Canvas c(256, 10);
  CRect r(0, 0, 256, 10);
  c.dc.GradientFillRect(&r, RGB(0, 0, 0), RGB(255, 0, 0), false);
  EXPECT_EQ(c.At(0, 5), RGB(0, 0, 0));
  EXPECT_EQ(c.At(255, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetRValue(c.At(128, 5)), 128);
  Canvas v(10, 100);
  CRect rv(0, 0, 10, 100);
  v.dc.GradientFillRect(&rv, kBlue, kGreen, true);
  EXPECT_EQ(v.At(5, 0), kBlue);
  EXPECT_EQ(v.At(5, 99), kGreen);
  EXPECT_EQ(v.At(0, 0), v.At(9, 0));  // vertical: rows are uniform
}

TEST(CDCFillsTest, GradientFillTakesSixteenBitVertexColours) {
  Canvas c(100, 10);
  TRIVERTEX v[2];
  v[0].x = 0;
  v[0].y = 0;
  v[0].Red = 0xFF00;
  v[1].x = 100;
  v[1].y = 10;
  v[1].Blue = 0xFF00;
  GRADIENT_RECT r{0, 1};
  EXPECT_TRUE(c.dc.GradientFill(v, 2, &r, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.At(0, 5), RGB(255, 0, 0));
  EXPECT_EQ(c.At(99, 5), RGB(0, 0, 255));
  GRADIENT_RECT bad{0, 7};
  EXPECT_FALSE(c.dc.GradientFill(v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(CDCFillsTest, PatternBrushTilesEightByEight) {
  Canvas c(16, 16);
  CBitmap pattern;
  // One-bit checkerboard rows (each padded to 16 bits): 0 bits take the text colour.
  const unsigned char bits[] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
  ASSERT_TRUE(pattern.CreateBitmap(8, 8, 1, 1, bits));
  CBrush brush;
  ASSERT_TRUE(brush.CreatePatternBrush(&pattern));
  c.dc.SetTextColor(kRed);
  c.dc.SetBkColor(kBlue);
  CRect r(0, 0, 16, 16);
  c.dc.FillRect(&r, &brush);
  EXPECT_EQ(c.At(0, 0), kBlue);   // bit 1
  EXPECT_EQ(c.At(1, 0), kRed);    // bit 0
  EXPECT_EQ(c.At(8, 0), kBlue);   // the tile repeats
  EXPECT_EQ(c.At(0, 1), kRed);
}

TEST(CDCFillsTest, HatchBrushShowsBackgroundOnlyInOpaqueMode) {
  Canvas c(16, 16);
  CBrush hatch;
  ASSERT_TRUE(hatch.CreateHatchBrush(HS_CROSS, kRed));
  c.dc.SetBkColor(kBlue);
  c.dc.SetBkMode(TRANSPARENT);
  CRect r(0, 0, 16, 16);
  c.dc.FillRect(&r, &hatch);
  int red = 0, white = 0;
  for (int x = 0; x < 16; ++x) {
    for (int y = 0; y < 16; ++y) {
      red += c.At(x, y) == kRed ? 1 : 0;
      white += c.At(x, y) == kWhite ? 1 : 0;
    }
  }
  EXPECT_GT(red, 0);
  EXPECT_GT(white, 0);
  c.dc.SetBkMode(OPAQUE);
  c.dc.FillRect(&r, &hatch);
  for (int x = 0; x < 16; ++x) {
    for (int y = 0; y < 16; ++y) EXPECT_NE(c.At(x, y), kWhite);
  }
}

TEST(CDCStateTest, SaveAndRestoreBringBackObjectsAndColours) {
  Canvas c(20, 20);
  CPen red(PS_SOLID, 1, kRed);
  c.dc.SelectObject(&red);
  c.dc.SetTextColor(kBlue);
  int level = c.dc.SaveDC();
  CPen green(PS_SOLID, 1, kGreen);
  c.dc.SelectObject(&green);
  c.dc.SetTextColor(kGreen);
  c.dc.IntersectClipRect(0, 0, 5, 5);
  EXPECT_TRUE(c.dc.RestoreDC(level));
  EXPECT_EQ(c.dc.GetTextColor(), kBlue);
  c.dc.MoveTo(0, 10);
  c.dc.LineTo(20, 10);
  EXPECT_EQ(c.At(15, 10), kRed);  // red pen, and no clip any more
  EXPECT_FALSE(c.dc.RestoreDC(-1));
}

TEST(CDCStateTest, DeletedPenStaysUsableWhileSelected) {
  Canvas c(20, 20);
  auto pen = std::make_unique<CPen>(PS_SOLID, 1, kRed);
  c.dc.SelectObject(pen.get());
  pen.reset();
  c.dc.MoveTo(0, 3);
  c.dc.LineTo(10, 3);
  EXPECT_EQ(c.At(5, 3), kRed);
}

TEST(CDCStateTest, ClipRegionAndOriginsAreHonoured) {
  Canvas c(40, 40);
  CRgn clip;
  clip.CreateRectRgn(0, 0, 20, 40);
  c.dc.SelectClipRgn(&clip);
  c.dc.FillSolidRect(0, 0, 40, 40, kRed);
  EXPECT_EQ(c.At(10, 10), kRed);
  EXPECT_EQ(c.At(30, 10), kWhite);
  c.dc.SelectClipRgn(nullptr);
  c.dc.SetWindowOrg(10, 10);  // logical (10,10) is device (0,0)
  c.dc.FillSolidRect(10, 10, 5, 5, kBlue);
  EXPECT_EQ(c.dc.GetPixel(10, 10), kBlue);
  c.dc.SetWindowOrg(0, 0);
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_EQ(c.At(6, 6), kRed);
}

TEST(CDCStateTest, NoSurfaceMeansNoDrawingAndNoCrash) {
  CDC dc;
  EXPECT_FALSE(dc.HasSurface());
  EXPECT_FALSE(dc.Rectangle(0, 0, 10, 10));
  EXPECT_EQ(dc.GetPixel(0, 0), CLR_INVALID);
  CRect r(0, 0, 10, 10);
  EXPECT_EQ(dc.DrawText("x", &r, DT_SINGLELINE), 0);
}

TEST(CDCBlitTest, DoubleBufferedPaintCopiesTheMemoryBitmap) {
  QImage window(50, 50, QImage::Format_RGB32);
  window.fill(Qt::white);
  CDC target;
  ASSERT_TRUE(target.AttachImage(&window));
  CDC memory;
  memory.CreateCompatibleDC(&target);
  CBitmap buffer;
  buffer.CreateCompatibleBitmap(&target, 50, 50);
  CBitmap* old = memory.SelectObject(&buffer);
  memory.FillSolidRect(0, 0, 50, 50, kBlack);
  CPen pen(PS_SOLID, 3, RGB(170, 170, 255));
  memory.SelectObject(&pen);
  memory.MoveTo(0, 25);
  memory.LineTo(50, 25);
  EXPECT_TRUE(target.BitBlt(0, 0, 50, 50, &memory, 0, 0, SRCCOPY));
  memory.SelectObject(old);
  target.Detach();
  EXPECT_EQ(QRgbToColorRef(window.pixel(10, 10)), kBlack);
  EXPECT_EQ(QRgbToColorRef(window.pixel(10, 25)), RGB(170, 170, 255));
}

TEST(CDCBlitTest, StretchBltScalesAndSourceOffsetsApply) {
  Canvas src(10, 10);
  src.dc.FillSolidRect(5, 0, 5, 10, kRed);
  Canvas dst(40, 20);
  EXPECT_TRUE(dst.dc.StretchBlt(0, 0, 40, 20, &src.dc, 0, 0, 10, 10, SRCCOPY));
  EXPECT_EQ(dst.At(5, 10), kWhite);
  EXPECT_EQ(dst.At(35, 10), kRed);
  Canvas part(10, 10);
  EXPECT_TRUE(part.dc.BitBlt(0, 0, 5, 5, &src.dc, 5, 0, SRCCOPY));
  EXPECT_EQ(part.At(0, 0), kRed);
}

TEST(CDCBlitTest, TransparentBltSkipsTheKeyColour) {
  Canvas src(10, 10);
  src.dc.FillSolidRect(0, 0, 10, 10, RGB(255, 0, 255));
  src.dc.FillSolidRect(0, 0, 5, 10, kBlue);
  Canvas dst(10, 10);
  dst.dc.TransparentBlt(0, 0, 10, 10, &src.dc, 0, 0, 10, 10, RGB(255, 0, 255));
  EXPECT_EQ(dst.At(2, 2), kBlue);
  EXPECT_EQ(dst.At(8, 2), kWhite);
}

TEST(CDCBlitTest, BitmapAndIconResourcesDrawByIdentifier) {
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(QColor(0, 128, 0));
  RegisterBitmapResource(3001, picture);
  CBitmap bitmap;
  EXPECT_TRUE(bitmap.LoadBitmap(3001));
  EXPECT_FALSE(CBitmap().LoadBitmap(987654));
  BITMAP info;
  bitmap.GetBitmap(&info);
  EXPECT_EQ(info.bmWidth, 4);
  Canvas c(20, 20);
  CDC memory;
  memory.CreateCompatibleDC(&c.dc);
  memory.SelectObject(&bitmap);
  c.dc.BitBlt(2, 2, 4, 4, &memory, 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(3, 3), RGB(0, 128, 0));

  QImage iconPicture(16, 16, QImage::Format_ARGB32);
  iconPicture.fill(Qt::transparent);
  for (int i = 0; i < 8; ++i) iconPicture.setPixel(i, i, qRgb(255, 0, 0));
  RegisterIconResource(3031, iconPicture);
  HICON icon = LoadIconResource(3031);
  ASSERT_NE(icon, nullptr);
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  EXPECT_EQ(ii.xHotspot * 2, 16u);  // icon sizes are read as twice the hot spot
  c.dc.DrawIcon(10, 0, icon);
  EXPECT_EQ(c.At(13, 3), kRed);
  EXPECT_EQ(c.At(13, 4), kWhite);  // transparent pixels keep the background
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconInfo(icon, &ii));
  ClearImageResources();
}

TEST(CDCBlitTest, ScrollDCMovesPixelsAndReportsTheUncoveredStrip) {
  Canvas c(20, 20);
  c.dc.FillSolidRect(0, 0, 20, 10, kRed);
  CRgn update;
  update.CreateRectRgn(0, 0, 0, 0);
  CRect updateRect;
  EXPECT_TRUE(c.dc.ScrollDC(0, 5, nullptr, nullptr, &update, &updateRect));
  EXPECT_EQ(c.At(5, 12), kRed);
  EXPECT_EQ(c.At(5, 16), kWhite);
  EXPECT_EQ(updateRect, CRect(0, 0, 20, 5));
  EXPECT_TRUE(update.PtInRegion(3, 3));
}

}  // namespace
