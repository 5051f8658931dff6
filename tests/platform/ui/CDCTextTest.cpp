// Text through the device context: measurement, DrawText formats, ExtTextOut clipping.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/TextLayout.h"

namespace {

constexpr COLORREF kPaperWhite = RGB(255, 255, 255);
constexpr COLORREF kInkBlack = RGB(0, 0, 0);

struct TextCanvas {
  QImage image;
  CDC dc;
  CFont font;
  TextCanvas(int w, int h) : image(w, h, QImage::Format_RGB32) {
    image.fill(Qt::white);
    dc.AttachImage(&image);
    LOGFONT lf;
    lf.lfHeight = -14;
    lf.lfFaceName = "DejaVu Sans";
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
  }
  // Rows [top, bottom) that hold any non-white pixel inside columns [left, right).
  bool Inked(int left, int top, int right, int bottom) const {
    for (int y = std::max(0, top); y < std::min(bottom, image.height()); ++y) {
      for (int x = std::max(0, left); x < std::min(right, image.width()); ++x) {
        if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
      }
    }
    return false;
  }
  int FirstInkedColumn() const {
    for (int x = 0; x < image.width(); ++x) {
      if (Inked(x, 0, x + 1, image.height())) return x;
    }
    return -1;
  }
  int LastInkedColumn() const {
    for (int x = image.width() - 1; x >= 0; --x) {
      if (Inked(x, 0, x + 1, image.height())) return x;
    }
    return -1;
  }
  int FirstInkedRow() const {
    for (int y = 0; y < image.height(); ++y) {
      if (Inked(0, y, image.width(), y + 1)) return y;
    }
    return -1;
  }
};

TEST(CDCTextTest, ExtentGrowsWithTextAndFontSize) {
  TextCanvas c(10, 10);
  CSize one = c.dc.GetTextExtent("Mixer");
  CSize two = c.dc.GetTextExtent("MixerMixer");
  EXPECT_GT(one.cx, 0);
  EXPECT_EQ(two.cx, 2 * one.cx);  // no kerning across the join
  TEXTMETRIC tm;
  ASSERT_TRUE(c.dc.GetTextMetrics(&tm));
  EXPECT_EQ(one.cy, tm.tmHeight);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 14);
  CFont big;
  big.CreatePointFont(200, "DejaVu Sans");  // 20 points at 96 dpi: 27 pixels
  LOGFONT lf;
  big.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -27);
  c.dc.SelectObject(&big);
  EXPECT_GT(c.dc.GetTextExtent("Mixer").cx, one.cx);
  EXPECT_EQ(big.GetQFont().pixelSize(), 27);
  // A positive height is the cell height: ascent plus descent.
  CFont cell;
  LOGFONT byCell;
  byCell.lfHeight = 30;
  byCell.lfFaceName = "DejaVu Sans";
  cell.CreateFontIndirect(&byCell);
  c.dc.SelectObject(&cell);
  c.dc.GetTextMetrics(&tm);
  EXPECT_NEAR(tm.tmHeight, 30, 1);
}

TEST(CDCTextTest, BoldWeightWidensText) {
  TextCanvas c(10, 10);
  LOGFONT lf;
  lf.lfHeight = -14;
  lf.lfWeight = FW_BOLD;
  lf.lfFaceName = "DejaVu Sans";
  CFont bold;
  bold.CreateFontIndirect(&lf);
  int normal = c.dc.GetTextExtent("Batcher").cx;
  c.dc.SelectObject(&bold);
  EXPECT_GT(c.dc.GetTextExtent("Batcher").cx, normal);
}

TEST(CDCTextTest, CalcRectMeasuresWithoutDrawing) {
  TextCanvas c(200, 100);
  CRect r(10, 10, 200, 10);
  int h = c.dc.DrawText("Level", &r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.Width(), c.dc.GetTextExtent("Level").cx);
  EXPECT_EQ(r.Height(), h);
  EXPECT_EQ(r.left, 10);
  EXPECT_FALSE(c.Inked(0, 0, 200, 100));
}

TEST(CDCTextTest, WordBreakWrapsAtSpacesAndNarrowsToTheWidestLine) {
  TextCanvas c(300, 300);
  int word = c.dc.GetTextExtent("pump").cx;
  int space = c.dc.GetTextExtent(" ").cx;
  TEXTMETRIC tm;
  c.dc.GetTextMetrics(&tm);
  CRect r(0, 0, 2 * word + space + 2, 0);
  c.dc.DrawText("pump pump pump pump pump", &r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(r.Height(), 3 * tm.tmHeight);  // two words per line
  EXPECT_EQ(r.Width(), 2 * word + space);
  // A word wider than the rectangle is not split; it stands on its own line.
  CRect narrow(0, 0, word / 2, 0);
  c.dc.DrawText("pump pump", &narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(narrow.Height(), 2 * tm.tmHeight);
  EXPECT_EQ(narrow.Width(), word);
  // Hard line breaks always break, CR LF counting once.
  CRect hard(0, 0, 300, 0);
  c.dc.DrawText("a\r\nb\nc", &hard, DT_CALCRECT);
  EXPECT_EQ(hard.Height(), 3 * tm.tmHeight);
  CRect single(0, 0, 300, 0);
  c.dc.DrawText("a\r\nb", &single, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(single.Height(), tm.tmHeight);
}

TEST(CDCTextTest, HorizontalAndVerticalPlacement) {
  TEXTMETRIC tm;
  {
    TextCanvas c(200, 60);
    c.dc.GetTextMetrics(&tm);
    CRect r(0, 0, 200, 60);
    int offset = c.dc.DrawText("Mixer", &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    EXPECT_EQ(offset, (60 - tm.tmHeight) / 2 + tm.tmHeight);
    int w = c.dc.GetTextExtent("Mixer").cx;
    EXPECT_GE(c.FirstInkedColumn(), (200 - w) / 2 - 1);
    EXPECT_LE(c.LastInkedColumn(), (200 + w) / 2 + 1);
    EXPECT_GE(c.FirstInkedRow(), (60 - tm.tmHeight) / 2);
  }
  {
    TextCanvas c(200, 60);
    CRect r(0, 0, 190, 60);
    c.dc.DrawText("Mixer", &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_LE(c.LastInkedColumn(), 189);
    EXPECT_GT(c.LastInkedColumn(), 180);
    EXPECT_GE(c.FirstInkedRow(), 60 - tm.tmHeight);
  }
  {
    TextCanvas c(200, 60);
    CRect r(0, 0, 200, 60);
    c.dc.DrawText("Mixer", &r, DT_VCENTER);  // vertical centring needs a single line
    EXPECT_LT(c.FirstInkedRow(), tm.tmHeight);
  }
}

TEST(CDCTextTest, EndEllipsisShortensToTheWidth) {
  TextCanvas c(300, 40);
  int full = c.dc.GetTextExtent("Batcher01-DirectionValve1").cx;
  CRect r(0, 0, full / 2, 0);
  c.dc.DrawText("Batcher01-DirectionValve1", &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(r.Width(), full / 2);
  EXPECT_GT(r.Width(), c.dc.GetTextExtent("...").cx);
  QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans")));
  TextLayout layout(metrics, DT_SINGLELINE | DT_END_ELLIPSIS);
  std::vector<TextLine> lines = layout.Lay(QStringLiteral("Batcher01-DirectionValve1"), 60);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].text.endsWith(QStringLiteral("...")));
  EXPECT_TRUE(QStringLiteral("Batcher01-DirectionValve1").startsWith(lines[0].text.chopped(3)));
  // Text that fits keeps every character.
  std::vector<TextLine> fits = layout.Lay(QStringLiteral("Bat"), 300);
  EXPECT_EQ(fits[0].text, QStringLiteral("Bat"));
}

TEST(CDCTextTest, PrefixCharactersAreUnderlinedUnlessNoPrefix) {
  QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans")));
  TextLayout prefixed(metrics, DT_SINGLELINE);
  auto lines = prefixed.Lay(QStringLiteral("&Stop && go"), 1000);
  EXPECT_EQ(lines[0].text, QStringLiteral("Stop & go"));
  ASSERT_EQ(lines[0].underlined.size(), 1u);
  EXPECT_EQ(lines[0].underlined[0], 0);
  TextLayout raw(metrics, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(raw.Lay(QStringLiteral("&Stop"), 1000)[0].text, QStringLiteral("&Stop"));
  TextCanvas c(100, 10);
  CRect a(0, 0, 100, 0);
  CRect b(0, 0, 100, 0);
  c.dc.DrawText("&Stop", &a, DT_SINGLELINE | DT_CALCRECT);
  c.dc.DrawText("&Stop", &b, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_LT(a.Width(), b.Width());
}

TEST(CDCTextTest, ExpandTabsReachesTheNextStop) {
  TextCanvas c(10, 10);
  TEXTMETRIC tm;
  c.dc.GetTextMetrics(&tm);
  CRect r(0, 0, 1000, 0);
  c.dc.DrawText("a\tb", &r, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(r.Width(), 8 * tm.tmAveCharWidth + c.dc.GetTextExtent("b").cx);
}

TEST(CDCTextTest, DrawTextClipsToItsRectangleUnlessNoClip) {
  TextCanvas c(200, 40);
  CRect r(0, 0, 20, 40);
  c.dc.DrawText("Batcher01 Batcher01", &r, DT_SINGLELINE);
  EXPECT_TRUE(c.Inked(0, 0, 20, 40));
  EXPECT_FALSE(c.Inked(20, 0, 200, 40));
  TextCanvas d(200, 40);
  d.dc.DrawText("Batcher01 Batcher01", &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_TRUE(d.Inked(20, 0, 200, 40));
}

TEST(CDCTextTest, OpaqueBackgroundFillsBehindText) {
  TextCanvas c(100, 30);
  c.dc.SetBkMode(OPAQUE);
  c.dc.SetBkColor(RGB(255, 255, 0));
  c.dc.TextOut(0, 0, "Mix");
  EXPECT_EQ(c.dc.GetPixel(1, 1), RGB(255, 255, 0));
  int w = c.dc.GetTextExtent("Mix").cx;
  EXPECT_EQ(c.dc.GetPixel(w + 2, 1), kPaperWhite);
}

TEST(CDCTextTest, ExtTextOutClipsAndOpaques) {
  TextCanvas c(200, 30);
  c.dc.SetBkColor(RGB(0, 255, 0));
  CRect r(0, 0, 30, 30);
  c.dc.SetTextColor(kInkBlack);
  c.dc.ExtTextOut(0, 0, ETO_CLIPPED | ETO_OPAQUE, &r, "Batcher01 Batcher01");
  EXPECT_EQ(c.dc.GetPixel(29, 29), RGB(0, 255, 0));
  EXPECT_FALSE(c.Inked(30, 0, 200, 30));
}

TEST(CDCTextTest, TextAlignRightAndBaseline) {
  TextCanvas c(200, 40);
  c.dc.SetTextAlign(TA_RIGHT | TA_TOP);
  c.dc.TextOut(100, 0, "Valve");
  EXPECT_LE(c.LastInkedColumn(), 100);
  EXPECT_GT(c.LastInkedColumn(), 90);
  TextCanvas d(200, 40);
  TEXTMETRIC tm;
  d.dc.GetTextMetrics(&tm);
  d.dc.SetTextAlign(TA_BASELINE);
  d.dc.TextOut(0, 30, "Valve");
  EXPECT_GE(d.FirstInkedRow(), 30 - tm.tmAscent);
  EXPECT_FALSE(d.Inked(0, 0, 200, 30 - tm.tmAscent));
}

TEST(CDCTextTest, EscapementTurnsTheText) {
  TextCanvas c(100, 100);
  LOGFONT lf;
  lf.lfHeight = -14;
  lf.lfEscapement = 900;  // upwards
  lf.lfFaceName = "DejaVu Sans";
  CFont turned;
  turned.CreateFontIndirect(&lf);
  c.dc.SelectObject(&turned);
  c.dc.TextOut(50, 90, "MixerMixer");
  // Turned text goes up from the reference point and stays narrow.
  EXPECT_TRUE(c.Inked(40, 30, 70, 90));
  EXPECT_FALSE(c.Inked(75, 0, 100, 100));
}

}  // namespace
