// The normal cell type drawn into an image and probed: text places, border
// bits, colours, word breaking and the ellipsis; its best size, overflow
// source and notifications.
#include "grid/CUGCellType.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "grid/CUGCell.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CPen.h"

namespace {

constexpr int kWidth = 60;
constexpr int kHeight = 20;
constexpr QRgb kCellWhite = 0xFFFFFFFF;

struct Ink {
  int left = -1, right = -1, top = -1, bottom = -1;  // bounds of the pixels darker than `threshold`
  int darkest = 255;                                  // grey level of the darkest one
};

Ink Measure(const QImage& image, int threshold = 128) {
  Ink ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int grey = qGray(image.pixel(x, y));
      ink.darkest = std::min(ink.darkest, grey);
      if (grey >= threshold) continue;
      if (ink.left < 0 || x < ink.left) ink.left = x;
      ink.right = std::max(ink.right, x);
      if (ink.top < 0) ink.top = y;
      ink.bottom = y;
    }
  }
  return ink;
}

class NormalTypeDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    font.CreateFont(-16, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    grid.m_GI->m_drawGridLines = 0;
    cell.SetTextColor(0x000000);
    cell.SetBackColor(0xFFFFFF);
    cell.SetFont(&font);
  }
  // Draws the cell over a white image of the given size and answers the image.
  QImage Draw(int width = kWidth, int height = kHeight) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kCellWhite);
    CDC dc;
    EXPECT_TRUE(dc.AttachImage(&image));
    RECT rect{0, 0, width, height};
    type().OnDraw(&dc, &rect, 0, 0, &cell, 0, 0);
    dc.Detach();
    return image;
  }
  CUGCellType& type() { return grid.m_normalCellType; }

  CUGCtrl grid;
  CUGCell cell;
  CFont font;
};

TEST_F(NormalTypeDrawing, AlignmentsPlaceTheTextAtTheMarginsOrInTheMiddle) {
  cell.SetText("88");
  cell.SetAlignment(CUGCellType::kAlignLeft);
  const Ink left = Measure(Draw());
  EXPECT_GE(left.left, 4);
  EXPECT_LE(left.left, 6);
  EXPECT_LE(left.top, 4);  // one pixel below the top, plus the font's leading

  cell.SetAlignment(CUGCellType::kAlignRight);
  const Ink right = Measure(Draw());
  EXPECT_LE(right.right, kWidth - 4 - 1);  // ends 4 pixels before the edge
  EXPECT_GE(right.right, kWidth - 4 - 3);

  cell.SetAlignment(CUGCellType::kAlignCenter | CUGCellType::kAlignBottom);
  const Ink centre = Measure(Draw(kWidth, 40));
  EXPECT_NEAR((centre.left + centre.right) / 2.0, kWidth / 2.0, 2.0);
  EXPECT_GT(centre.top, 15);
}

TEST_F(NormalTypeDrawing, BordersFollowTheirBitsAndGridLinesCloseTheCell) {
  RECT rect{0, 0, kWidth, kHeight};
  RECT out{};
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(kCellWhite);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&image));

  // No border and no grid lines: nothing drawn, nothing taken.
  type().DrawBorder(&dc, &rect, &out, &cell);
  EXPECT_EQ(CRect(out), CRect(rect));
  EXPECT_EQ(image.pixel(kWidth - 1, 5), kCellWhite);

  CPen red(PS_SOLID, 1, 0x0000FF);
  cell.SetBorderColor(&red);
  cell.SetBorder(0x1 | 0x20 | 0x400);  // left thin, top two pixels, right three
  type().DrawBorder(&dc, &rect, &out, &cell);
  EXPECT_EQ(CRect(out), CRect(1, 2, kWidth - 3, kHeight));
  EXPECT_EQ(image.pixel(0, 10), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(10, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(kWidth - 3, 10), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 10), kCellWhite);

  // Grid lines add the right and bottom lines in the sheet's pen.
  image.fill(kCellWhite);
  cell.ClearProperty(CUGCell::kPropBorder | CUGCell::kPropBorderPen);
  grid.m_GI->m_drawGridLines = 1;
  type().DrawBorder(&dc, &rect, &out, &cell);
  EXPECT_EQ(CRect(out), CRect(0, 0, kWidth - 1, kHeight - 1));
  EXPECT_EQ(image.pixel(kWidth - 1, 10), qRgb(0xDC, 0xDC, 0xDC));
  EXPECT_EQ(image.pixel(10, kHeight - 1), qRgb(0xDC, 0xDC, 0xDC));

  // A raised edge replaces the grid lines, once per edge depth.
  image.fill(kCellWhite);
  cell.SetBorder(0x2000);
  grid.m_GI->m_edgeDepth = 2;
  type().DrawBorder(&dc, &rect, &out, &cell);
  EXPECT_EQ(CRect(out), CRect(2, 2, kWidth - 2, kHeight - 2));
  const QRgb shadow = image.pixel(kWidth - 1, 10);
  EXPECT_EQ(image.pixel(kWidth - 2, 10), shadow);
  EXPECT_NE(shadow, qRgb(0xDC, 0xDC, 0xDC));
  EXPECT_NE(image.pixel(0, 10), shadow);
  dc.Detach();
}

TEST_F(NormalTypeDrawing, DisabledSelectedAndCurrentColours) {
  cell.SetText("88");
  cell.SetCellTypeEx(CUGCellType::kExDisabled);
  EXPECT_EQ(Measure(Draw()).darkest, 0x8C);

  cell.ClearProperty(CUGCell::kPropCellTypeEx);
  cell.SetHBackColor(0x000000);
  cell.SetHTextColor(0xFFFFFF);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&image));
  RECT rect{0, 0, kWidth, kHeight};
  type().OnDraw(&dc, &rect, 0, 0, &cell, 1, 0);  // selected
  EXPECT_EQ(image.pixel(kWidth - 2, 2), qRgb(0, 0, 0));
  type().OnDraw(&dc, &rect, 0, 0, &cell, 0, 1);  // current, highlight style without bit 2
  EXPECT_EQ(image.pixel(kWidth - 2, 2), kCellWhite);
  grid.m_GI->m_highlightStyle = 2;
  type().OnDraw(&dc, &rect, 0, 0, &cell, 0, 1);
  EXPECT_EQ(image.pixel(kWidth - 2, 2), qRgb(0, 0, 0));
  dc.Detach();
}

TEST_F(NormalTypeDrawing, WordBreakUsesSeveralLinesAndTheEllipsisStartsThreePixelsIn) {
  cell.SetText("alpha beta gamma delta");
  const Ink oneLine = Measure(Draw(kWidth, 80));
  cell.SetCellTypeEx(CUGCellType::kExMultiLine);
  const Ink broken = Measure(Draw(kWidth, 80));
  EXPECT_GT(broken.bottom, oneLine.bottom + 15);

  cell.SetText("llllllllllllllllllllllll");
  cell.ClearProperty(CUGCell::kPropCellTypeEx);
  const Ink plain = Measure(Draw());
  cell.SetCellTypeEx(CUGCellType::kExEllipsis);
  const Ink ellipsis = Measure(Draw());
  EXPECT_EQ(ellipsis.left, plain.left - 1);
  EXPECT_LT(ellipsis.right, kWidth);
}

TEST_F(NormalTypeDrawing, BestSizeOverflowSourceAndName) {
  QImage image(4, 4, QImage::Format_RGB32);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&image));
  dc.SelectObject(&font);
  cell.SetText("Level");
  CSize size(0, 20);
  type().GetBestSize(&dc, &size, &cell);
  RECT text{0, 0, 0, 0};
  dc.DrawText("Level", &text, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(size.cx, text.right + 6);
  EXPECT_EQ(size.cy, text.bottom + 2);
  EXPECT_STREQ(type().GetName(), "Normal Cell Type (default)");

  // Column 0's long text runs over the empty column 1 into column 2 only as far as it reaches.
  grid.ResizeCols(4, FALSE);
  grid.ResizeRows(1, FALSE);
  grid.PutCellText(0, 0, "a long text for one column");
  grid.PutCellText(3, 0, "x");
  CUGCell empty;
  grid.FetchCell(1, 0, &empty);
  int source = -1;
  EXPECT_EQ(type().GetOverflowSource(&dc, 1, 0, &source, &empty), -75);
  EXPECT_EQ(source, 0);
  grid.ChangeColumnWidth(0, 400);
  EXPECT_EQ(type().GetOverflowSource(&dc, 1, 0, &source, &empty), 0);
  grid.SetTextOverflow(0);
  grid.ChangeColumnWidth(0, 10);
  EXPECT_EQ(type().GetOverflowSource(&dc, 1, 0, &source, &empty), 0);
  dc.Detach();
}

class NotifiedGrid : public CUGCtrl {
 public:
  int OnCellTypeNotify(long typeId, int col, long row, long message, std::intptr_t param) override {
    last = {typeId, col, row, message};
    lastParam = param;
    return 5;
  }
  std::vector<long> last;
  std::intptr_t lastParam = 0;
};

TEST(NormalType, NotifyControlHandsAllFiveValuesOnPointerSized) {
  NotifiedGrid grid;
  std::string choices = "True\nFalse\n";
  const auto address = reinterpret_cast<std::intptr_t>(&choices);
  EXPECT_EQ(grid.m_dropListType.NotifyControl(1, 2, 3, 100, address), 5);
  EXPECT_EQ(grid.last, (std::vector<long>{1, 2, 3, 100}));
  EXPECT_EQ(grid.lastParam, address);
  CUGCellType unregistered;
  EXPECT_EQ(unregistered.NotifyControl(0, 0, 0, 53, 1), 0);
  unregistered.SetEditFlag(7);
  EXPECT_EQ(unregistered.GetEditFlag(), 1);
}

}  // namespace
