// The splash window: its shape from the bitmap, placement, drawing, the display
// timer and closing on a click or key, each of which deletes it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QMouseEvent>
#include <QWidget>

#include "ControlHost.h"
#include "controls/CSplashScreenEx.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/WindowTimers.h"

namespace {

constexpr UINT kTestBitmap = 39001;

// 6 x 3: row 0 "MxxMMx", row 1 "xxxxxx", row 2 "MMMMMx" (M magenta, x grey).
QImage ShapedImage() {
  QImage image(6, 3, QImage::Format_RGB32);
  image.fill(QColor(128, 128, 128));
  for (int x : {0, 3, 4}) image.setPixel(x, 0, qRgb(255, 0, 255));
  for (int x = 0; x < 5; ++x) image.setPixel(x, 2, qRgb(255, 0, 255));
  return image;
}

class SplashScreenExTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterBitmapResource(kTestBitmap, ShapedImage()); }
  // Made on the heap: it deletes itself.
  CSplashScreenEx* Make(DWORD displayTime, DWORD style) {
    auto* splash = new CSplashScreenEx();
    EXPECT_TRUE(splash->Create(&owner, "Starting", displayTime, style));
    splash->SetBitmap(kTestBitmap, 255, 0, 255);
    return splash;
  }
  ControlHost owner{CRect(100, 80, 500, 380)};
};

}  // namespace

TEST_F(SplashScreenExTest, TheTransparentColourCutsAnOwnedTopMostPopupIntoRunsFromTheBottomRowUp) {
  const std::vector<RECT> runs = CSplashScreenEx::OpaqueRuns(ShapedImage(), RGB(255, 0, 255));
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(CRect(runs[0]), CRect(5, 2, 6, 3));
  EXPECT_EQ(CRect(runs[1]), CRect(0, 1, 6, 2));
  EXPECT_EQ(CRect(runs[2]), CRect(1, 0, 3, 1));
  EXPECT_EQ(CRect(runs[3]), CRect(5, 0, 6, 1));

  CSplashScreenEx* splash = Make(0, 0);
  EXPECT_EQ(splash->GetClassName(), "SplashScreenExClass");
  EXPECT_EQ(splash->GetExStyle() & 0x88u, 0x88u);
  EXPECT_EQ(splash->GetOwner(), &owner);
  EXPECT_EQ(splash->GetTextFormat(), 0x15u);
  EXPECT_FALSE(splash->SetBitmap(39999, 255, 0, 255));
  EXPECT_EQ(splash->GetBitmapSize(), CSize(6, 3));
  EXPECT_FALSE(splash->GetWidget()->mask().contains(QPoint(3, 0)));
  EXPECT_TRUE(splash->GetWidget()->mask().contains(QPoint(3, 1)));
  // 65535 in a component: the whole rectangle stays.
  ASSERT_TRUE(splash->SetBitmap(kTestBitmap, 255, 0, CSplashScreenEx::kNoColor));
  EXPECT_TRUE(splash->GetWidget()->mask().contains(QPoint(3, 1)));
  // The owner's window takes the splash with it.
  const HWND handle = splash->GetSafeHwnd();
  owner.DestroyWindow();
  EXPECT_EQ(CWnd::FromHandle(handle), nullptr);
}

TEST_F(SplashScreenExTest, PlacedAtTheOriginOrCentredAndShownThereWithoutTheFocus) {
  CSplashScreenEx* atOrigin = Make(0, 0);
  EXPECT_EQ(atOrigin->GetPosition(), CPoint(0, 0));
  CSplashScreenEx* onScreen = Make(0, CSplashScreenEx::kCenterScreen);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(onScreen->GetPosition(),
            CPoint(screen.x() + (screen.width() - 6) / 2, screen.y() + (screen.height() - 3) / 2));
  CSplashScreenEx* onOwner = Make(0, CSplashScreenEx::kCenterOwner);
  CRect ownerRect;
  owner.GetWindowRect(&ownerRect);
  EXPECT_EQ(onOwner->GetPosition(),
            CPoint(ownerRect.left + (ownerRect.Width() - 6) / 2, ownerRect.top + (ownerRect.Height() - 3) / 2));
  onOwner->Show();
  CRect shown;
  onOwner->GetWindowRect(&shown);
  EXPECT_EQ(shown, CRect(onOwner->GetPosition(), CSize(6, 3)));
  EXPECT_TRUE(onOwner->IsWindowVisible());
  EXPECT_TRUE(onOwner->GetWidget()->testAttribute(Qt::WA_ShowWithoutActivating));
  for (CSplashScreenEx* splash : {atOrigin, onScreen, onOwner}) splash->Hide();
}

TEST_F(SplashScreenExTest, DrawingCopiesTheBitmapAndWritesTheTextInItsFontAndColour) {
  CSplashScreenEx* splash = Make(0, 0);
  splash->SetTextFont("Arial", 90, 1 | 2 | 4);
  LOGFONT font;
  splash->GetTextFont().GetLogFont(&font);
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfItalic + font.lfUnderline, 2);
  splash->SetTextColor(RGB(200, 0, 0));
  splash->SetTextRect(CRect(0, 10, 60, 30));
  splash->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  splash->SetText("WWWW");
  QImage image(60, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&image));
  EXPECT_EQ(splash->SendMessage(CSplashScreenEx::kPrintClientMessage, reinterpret_cast<WPARAM>(&dc), 0), 1);
  dc.Detach();
  EXPECT_EQ(image.pixel(1, 1), qRgb(128, 128, 128));
  int textPixels = 0;
  for (int y = 10; y < 30; ++y)
    for (int x = 0; x < 60; ++x) textPixels += qRed(image.pixel(x, y)) > 150 && qGreen(image.pixel(x, y)) < 100;
  EXPECT_GT(textPixels, 10);
  splash->Hide();
}

TEST_F(SplashScreenExTest, TheDisplayTimerOrAClickOrKeyWithItsStyleHidesAndDeletesIt) {
  CSplashScreenEx* timed = Make(1500, 0);
  const HWND timedHandle = timed->GetSafeHwnd();
  timed->Show();
  ASSERT_EQ(ArmedTimersOf(timedHandle).size(), 1u);
  EXPECT_EQ(ArmedTimersOf(timedHandle)[0].elapseMs, 1500u);
  timed->PreTranslateMessage(WM_KEYDOWN, VK_ESCAPE, 0);  // not without kHideOnClick
  ASSERT_TRUE(FireTimerNow(timedHandle, CSplashScreenEx::kDisplayTimer));
  EXPECT_EQ(CWnd::FromHandle(timedHandle), nullptr);

  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    CSplashScreenEx* clicked = Make(0, CSplashScreenEx::kHideOnClick | CSplashScreenEx::kFadeOut);
    clicked->Show();
    EXPECT_TRUE(ArmedTimersOf(clicked->GetSafeHwnd()).empty());
    const HWND handle = clicked->GetSafeHwnd();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 1), QPointF(3, 1), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(clicked->GetWidget(), &press);
    EXPECT_EQ(CWnd::FromHandle(handle), nullptr) << button;
  }
  CSplashScreenEx* keyed = Make(0, CSplashScreenEx::kHideOnClick);
  const HWND handle = keyed->GetSafeHwnd();
  EXPECT_FALSE(keyed->PreTranslateMessage(WM_MOUSEMOVE, 0, 0));
  EXPECT_TRUE(keyed->PreTranslateMessage(WM_SYSKEYDOWN, VK_MENU, 0));
  EXPECT_EQ(CWnd::FromHandle(handle), nullptr);
}
