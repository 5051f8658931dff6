// Regions: shapes, combination, hit tests and their use as a clip and a mask.
#include <gtest/gtest.h>

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

namespace {

TEST(CRgnTest, CombineModes) {
  CRgn a, b, out;
  a.CreateRectRgn(0, 0, 20, 20);
  b.CreateRectRgn(10, 10, 30, 30);
  out.CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(out.CombineRgn(&a, &b, RGN_AND), SIMPLEREGION);
  CRect box;
  out.GetRgnBox(&box);
  EXPECT_EQ(box, CRect(10, 10, 20, 20));
  EXPECT_EQ(out.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(out.PtInRegion(25, 25));
  EXPECT_FALSE(out.PtInRegion(25, 5));
  out.CombineRgn(&a, &b, RGN_DIFF);
  EXPECT_TRUE(out.PtInRegion(5, 5));
  EXPECT_FALSE(out.PtInRegion(15, 15));
  out.CombineRgn(&a, &b, RGN_XOR);
  EXPECT_TRUE(out.PtInRegion(5, 5));
  EXPECT_TRUE(out.PtInRegion(25, 25));
  EXPECT_FALSE(out.PtInRegion(15, 15));
  CRgn far;
  far.CreateRectRgn(100, 100, 110, 110);
  EXPECT_EQ(out.CombineRgn(&a, &far, RGN_AND), NULLREGION);
  CRgn none;  // never created
  EXPECT_EQ(out.CombineRgn(&a, &none, RGN_OR), RGN_ERROR);
}

TEST(CRgnTest, RightAndBottomEdgesAreOutside) {
  CRgn r;
  r.CreateRectRgn(0, 0, 10, 10);
  EXPECT_TRUE(r.PtInRegion(9, 9));
  EXPECT_FALSE(r.PtInRegion(10, 9));
  EXPECT_FALSE(r.PtInRegion(9, 10));
}

TEST(CRgnTest, PolygonEllipseAndRoundRectShapes) {
  POINT tail[] = {{0, 0}, {20, 0}, {10, 20}};
  CRgn triangle;
  triangle.CreatePolygonRgn(tail, 3, ALTERNATE);
  EXPECT_TRUE(triangle.PtInRegion(10, 5));
  EXPECT_FALSE(triangle.PtInRegion(1, 18));
  CRgn ellipse;
  ellipse.CreateEllipticRgn(0, 0, 40, 20);
  EXPECT_TRUE(ellipse.PtInRegion(20, 10));
  EXPECT_FALSE(ellipse.PtInRegion(1, 1));
  CRgn rounded;
  rounded.CreateRoundRectRgn(0, 0, 100, 50, 24, 24);
  EXPECT_TRUE(rounded.PtInRegion(50, 25));
  EXPECT_TRUE(rounded.PtInRegion(50, 0));
  EXPECT_FALSE(rounded.PtInRegion(0, 0));
  EXPECT_FALSE(rounded.PtInRegion(99, 49));
  // A balloon: rounded body united with a tail below it.
  CRgn balloon;
  balloon.CreateRectRgn(0, 0, 0, 0);
  POINT lower[] = {{30, 49}, {50, 49}, {50, 70}};
  CRgn tri;
  tri.CreatePolygonRgn(lower, 3, ALTERNATE);
  balloon.CombineRgn(&rounded, &tri, RGN_OR);
  EXPECT_TRUE(balloon.PtInRegion(48, 60));
  CRgn same;
  same.CreateRectRgn(0, 0, 0, 0);
  same.CopyRgn(&balloon);
  EXPECT_TRUE(same.EqualRgn(&balloon));
  EXPECT_FALSE(same.EqualRgn(&rounded));
}

TEST(CRgnTest, RegionFromPixelRunsAndAsWindowMask) {
  std::vector<RECT> runs = {{0, 0, 5, 1}, {2, 1, 8, 2}};
  CRgn mask;
  mask.CreateFromRects(runs);
  EXPECT_TRUE(mask.PtInRegion(4, 0));
  EXPECT_FALSE(mask.PtInRegion(6, 0));
  EXPECT_TRUE(mask.PtInRegion(7, 1));
  QRegion q = mask.GetQRegion();
  EXPECT_TRUE(q.contains(QPoint(7, 1)));
  mask.OffsetRgn(10, 0);
  EXPECT_TRUE(mask.PtInRegion(17, 1));
}

TEST(CRgnTest, FillAndFrameRegion) {
  QImage image(60, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  CDC dc;
  dc.AttachImage(&image);
  CRgn body;
  body.CreateRectRgn(10, 10, 50, 50);
  CBrush red(RGB(255, 0, 0));
  CBrush black(RGB(0, 0, 0));
  dc.FillRgn(&body, &red);
  dc.FrameRgn(&body, &black, 1, 1);
  EXPECT_EQ(dc.GetPixel(10, 30), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetPixel(49, 30), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetPixel(11, 30), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(9, 30), RGB(255, 255, 255));
}

}  // namespace
