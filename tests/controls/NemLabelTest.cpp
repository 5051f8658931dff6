// The label: blinking, gradients, transparency, the text margin and the automatic font size.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "ControlHost.h"
#include "controls/CNemLabel.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/WindowTimers.h"

namespace {

bool MakeLabel(CNemLabel& label, ControlHost& host, DWORD style, const CRect& rect, const std::string& text = "") {
  return label.Create("STATIC", text, WS_CHILD | WS_VISIBLE | style, rect, &host, 100) != FALSE;
}

QImage Drawn(CNemLabel& label, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  CDC dc;
  dc.AttachImage(&image);
  label.DrawLabel(&dc, CRect(0, 0, width, height));
  dc.Detach();
  return image;
}

COLORREF At(const QImage& image, int x, int y) { return QRgbToColorRef(image.pixel(x, y)); }

}  // namespace

TEST(NemLabelTest, BlinkThreeTimesTogglesSixTimesThenStopsOnTheNormalColour) {
  ControlHost host;
  CNemLabel label;
  ASSERT_TRUE(MakeLabel(label, host, SS_LEFT, CRect(10, 10, 210, 40), "Demo"));
  label.SetTextColor(RGB(0, 0, 128)).SetBlinkColor(RGB(255, 0, 0));
  label.SetBlink(true, 333, 3);
  const auto armed = ArmedTimersOf(label.GetSafeHwnd());
  ASSERT_EQ(armed.size(), 1u);
  EXPECT_EQ(armed[0].id, CNemLabel::kBlinkTimer);
  EXPECT_EQ(armed[0].elapseMs, 333u);

  std::vector<COLORREF> seen;
  for (int tick = 0; tick < 6; ++tick) {
    ASSERT_TRUE(FireTimerNow(label.GetSafeHwnd(), CNemLabel::kBlinkTimer));
    seen.push_back(label.GetTextColor());
  }
  EXPECT_EQ(seen, (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 0, 128), RGB(255, 0, 0), RGB(0, 0, 128),
                                         RGB(255, 0, 0), RGB(0, 0, 128)}));
  EXPECT_TRUE(label.IsBlinking());
  ASSERT_TRUE(FireTimerNow(label.GetSafeHwnd(), CNemLabel::kBlinkTimer));
  EXPECT_FALSE(label.IsBlinking());
  EXPECT_TRUE(ArmedTimersOf(label.GetSafeHwnd()).empty());
  EXPECT_EQ(label.GetTextColor(), RGB(0, 0, 128));

  // Stopped halfway: the normal colour comes back.
  label.SetBlink(true, 333, 0);
  FireTimerNow(label.GetSafeHwnd(), CNemLabel::kBlinkTimer);
  EXPECT_EQ(label.GetTextColor(), RGB(255, 0, 0));
  label.SetBlink(false);
  EXPECT_EQ(label.GetTextColor(), RGB(0, 0, 128));
}

TEST(NemLabelTest, GradientsRunLeftToRightOrTopToBottom) {
  ControlHost host;
  CNemLabel label;
  ASSERT_TRUE(MakeLabel(label, host, SS_CENTER, CRect(0, 0, 200, 100)));
  label.SetBkColor(RGB(255, 0, 0)).SetGradientColor(RGB(0, 0, 255));
  QImage across = Drawn(label, 200, 100);
  EXPECT_GT(GetRValue(At(across, 1, 50)), 240);
  EXPECT_GT(GetBValue(At(across, 198, 50)), 240);
  EXPECT_EQ(At(across, 100, 2), At(across, 100, 97));  // one colour per column

  label.SetGradientVertical(true);
  QImage down = Drawn(label, 200, 100);
  EXPECT_GT(GetRValue(At(down, 100, 1)), 240);
  EXPECT_GT(GetBValue(At(down, 100, 98)), 240);
  EXPECT_EQ(At(down, 2, 50), At(down, 197, 50));  // one colour per row

  // Transparency switches the gradient off and paints no background at all.
  label.SetTransparent(true);
  QImage clear = Drawn(label, 200, 100);
  EXPECT_EQ(At(clear, 5, 5), RGB(255, 255, 255));
}

TEST(NemLabelTest, ATransparentLabelShowsItsParent) {
  ControlHost host;
  CNemLabel label;
  ASSERT_TRUE(MakeLabel(label, host, SS_LEFT, CRect(20, 20, 220, 60)));
  label.SetBkColor(RGB(255, 0, 0));
  QImage solid = host.GetWidget()->grab().toImage();
  EXPECT_EQ(QRgbToColorRef(solid.pixel(100, 30)), RGB(255, 0, 0));
  label.SetTransparent(true);
  QImage through = host.GetWidget()->grab().toImage();
  EXPECT_EQ(through.pixel(100, 30), through.pixel(5, 5));
}

TEST(NemLabelTest, RightAlignedTextKeepsTenPixelsFromTheRightEdge) {
  ControlHost host;
  CNemLabel label;
  ASSERT_TRUE(MakeLabel(label, host, SS_RIGHT, CRect(0, 0, 200, 30), "WWW"));
  label.SetBkColor(RGB(255, 255, 255)).SetTextColor(RGB(0, 0, 0));
  const QImage image = Drawn(label, 200, 30);
  int rightmost = -1;
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 128) rightmost = x;
  EXPECT_LE(rightmost, 200 - 10 - 1);
  EXPECT_GE(rightmost, 200 - 10 - 4);
}

TEST(NemLabelTest, AutoSizeFollowsTheHeight) {
  ControlHost host;
  CNemLabel label;
  ASSERT_TRUE(MakeLabel(label, host, SS_LEFT, CRect(0, 0, 200, 40), "Mixer1"));
  label.SetFontSize(-1);
  EXPECT_TRUE(label.IsAutoSize());
  EXPECT_EQ(label.GetFontSize(), 30);
  EXPECT_EQ(label.GetLogFontInUse().lfHeight, -40);
  label.MoveWindow(0, 0, 200, 80);
  EXPECT_EQ(label.GetFontSize(), 60);
  EXPECT_EQ(label.GetLogFontInUse().lfHeight, -80);
  label.SetFontSize(12);  // a fixed size ends the automatic one
  label.MoveWindow(0, 0, 200, 40);
  EXPECT_EQ(label.GetFontSize(), 12);
}
