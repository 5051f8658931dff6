// The owner-drawn button and the lamp: adapting the control, the image choice,
// hover, clicks, check state and the derived icons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "ControlHost.h"
#include "controls/CButtonLamp.h"
#include "controls/CButtonST.h"
#include "controls/ControlPictures.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

namespace {

bool MakeButton(CButtonST& button, ControlHost& host, DWORD type, const std::string& caption = "",
                const CRect& rect = CRect(10, 10, 110, 50)) {
  return button.Create("BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | type, rect, &host, 1001) != FALSE;
}

// The button drawn as its owner-draw request with `state` would draw it.
QImage Drawn(CButtonST& button, UINT state, int width = 100, int height = 40) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  CDC dc;
  dc.AttachImage(&image);
  DRAWITEMSTRUCT item;
  item.hDC = &dc;
  item.rcItem = RECT{0, 0, width, height};
  item.itemState = state;
  button.DrawItem(&item);
  dc.Detach();
  return image;
}

// The lamp's "on" lens is bright green, its "off" lens dark green.
bool ShowsLampOn(const QImage& image) { return qGreen(image.pixel(image.width() / 2, image.height() / 2)) > 160; }

void Hover(CButtonST& button, UINT flags = 0) {
  button.SendMessage(WM_MOUSEMOVE, flags, MAKELPARAM(20, 20));
}

}  // namespace

TEST(ButtonSTTest, AdaptingTheControlReadsTypeDefaultAndCheckBox) {
  ControlHost host;
  CButtonST plain, byDefault, box;
  ASSERT_TRUE(MakeButton(plain, host, BS_PUSHBUTTON, "Run"));
  ASSERT_TRUE(MakeButton(byDefault, host, BS_DEFPUSHBUTTON, "OK"));
  ASSERT_TRUE(MakeButton(box, host, BS_AUTOCHECKBOX, "Auto"));
  EXPECT_EQ(plain.GetStyle() & 0x1F, BS_OWNERDRAW);
  EXPECT_FALSE(plain.IsDefaultButton());
  EXPECT_TRUE(byDefault.IsDefaultButton());
  EXPECT_EQ(byDefault.GetOriginalType(), BS_PUSHBUTTON);
  EXPECT_TRUE(box.IsCheckBox());
  EXPECT_FALSE(plain.IsCheckBox());

  // The dialog moving its default: push type clears the flag, the style stays owner-drawn.
  byDefault.SetButtonStyle(BS_PUSHBUTTON);
  EXPECT_FALSE(byDefault.IsDefaultButton());
  EXPECT_EQ(byDefault.GetStyle() & 0x0F, BS_OWNERDRAW);
  byDefault.SetButtonStyle(BS_DEFPUSHBUTTON);
  EXPECT_TRUE(byDefault.IsDefaultButton());

  // BM_SETCHECK 2 checks; SetCheck on a plain button changes nothing.
  box.SendMessage(BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(box.GetCheck(), 1);
  EXPECT_EQ(box.SendMessage(BM_GETCHECK, 0, 0), 1);
  box.SendMessage(BM_SETCHECK, 3, 0);
  EXPECT_EQ(box.GetCheck(), 0);
  plain.SetCheck(1);
  EXPECT_EQ(plain.GetCheck(), 0);

  EXPECT_EQ(plain.SetPressedStyle(1), CButtonST::kOk);
  EXPECT_EQ(plain.GetPressedOffset(), CPoint(0, 2));
  EXPECT_EQ(plain.SetPressedStyle(7), CButtonST::kInvalidPressedStyle);
  EXPECT_EQ(plain.GetPressedOffset(), CPoint(0, 2));
  EXPECT_EQ(plain.SetBtnCursor(39999), CButtonST::kInvalidResource);
  EXPECT_EQ(plain.GetBtnCursor(), 0u);
  EXPECT_EQ(plain.SetBtnCursor(IDC_HAND_POINTER), CButtonST::kOk);
  EXPECT_NE(plain.GetBtnCursor(), 0u);
}

TEST(ButtonSTTest, TheOutImageShowsUntilHoveredOrPressedExceptOnACheckBox) {
  ControlHost host;
  CButtonLamp lamp;
  ASSERT_TRUE(MakeButton(lamp, host, BS_PUSHBUTTON));
  EXPECT_FALSE(ShowsLampOn(Drawn(lamp, 0)));
  EXPECT_TRUE(ShowsLampOn(Drawn(lamp, ODS_SELECTED)));
  Hover(lamp);
  ASSERT_TRUE(lamp.IsHovered());
  EXPECT_TRUE(ShowsLampOn(Drawn(lamp, 0)));
  lamp.SendMessage(WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(lamp.IsHovered());
  EXPECT_FALSE(ShowsLampOn(Drawn(lamp, 0)));

  // Only an "in" icon: it shows in every state.
  lamp.SetIcon(static_cast<int>(IDI_LAMP_ON), 0);
  EXPECT_TRUE(ShowsLampOn(Drawn(lamp, 0)));

  // A check box: hovering keeps the "out" image; checked shows "in".
  CButtonLamp box;
  ASSERT_TRUE(MakeButton(box, host, BS_AUTOCHECKBOX, "", CRect(10, 60, 110, 100)));
  Hover(box);
  ASSERT_TRUE(box.IsHovered());
  EXPECT_FALSE(ShowsLampOn(Drawn(box, 0)));
  box.SetCheck(1);
  EXPECT_TRUE(ShowsLampOn(Drawn(box, 0)));
}

TEST(ButtonSTTest, HoverNeedsAFlatButtonAndNoHeldButton) {
  ControlHost host;
  CButtonST flat, raised;
  ASSERT_TRUE(MakeButton(flat, host, BS_PUSHBUTTON, "Flat"));
  ASSERT_TRUE(MakeButton(raised, host, BS_PUSHBUTTON, "Raised", CRect(10, 60, 110, 100)));
  raised.SetFlat(FALSE);
  Hover(flat, MK_LBUTTON);
  EXPECT_FALSE(flat.IsHovered());
  Hover(flat);
  EXPECT_TRUE(flat.IsHovered());
  Hover(flat, MK_LBUTTON);  // already hovered: holding the button keeps it
  EXPECT_TRUE(flat.IsHovered());
  flat.EnableWindow(FALSE);
  EXPECT_FALSE(flat.IsHovered());
  Hover(raised);
  EXPECT_FALSE(raised.IsHovered());
}

TEST(ButtonSTTest, ADoubleClickCountsAsTwoClicks) {
  ControlHost host;
  CButtonST button;
  ASSERT_TRUE(MakeButton(button, host, BS_PUSHBUTTON, "Take On/Off"));
  QWidget* widget = button.GetWidget();
  const QPoint at(20, 20);
  const QPoint global = widget->mapToGlobal(at);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  EXPECT_EQ(host.clicks, 2);

  // A check box toggles on each click.
  CButtonST box;
  ASSERT_TRUE(MakeButton(box, host, BS_CHECKBOX, "Auto", CRect(10, 60, 110, 100)));
  box.Click();
  EXPECT_EQ(box.GetCheck(), 1);
  box.Click();
  EXPECT_EQ(box.GetCheck(), 0);
  EXPECT_EQ(host.clicks, 4);
}

TEST(ButtonSTTest, DerivedIconsKeepTheMaskAndBlack) {
  QImage source(4, 2, QImage::Format_ARGB32);
  source.fill(0);
  source.setPixel(0, 0, qRgba(200, 100, 50, 255));
  source.setPixel(1, 0, qRgba(0, 0, 0, 255));
  source.setPixel(2, 0, qRgba(255, 255, 255, 255));
  HICON icon = CreateIconFromImage(source);
  HICON grey = CButtonST::CreateGrayscaleIcon(icon);
  HICON darker = CButtonST::CreateDarkerIcon(icon);
  const QImage greyImage = IconImage(grey).convertToFormat(QImage::Format_ARGB32);
  const QImage darkerImage = IconImage(darker).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(greyImage.size(), QSize(4, 2));
  EXPECT_EQ(greyImage.pixel(0, 0), qRgba(124, 124, 124, 255));  // 0.299*200 + 0.587*100 + 0.114*50 = 124.2
  EXPECT_EQ(greyImage.pixel(1, 0), qRgba(0, 0, 0, 255));
  EXPECT_EQ(greyImage.pixel(2, 0), qRgba(255, 255, 255, 255));
  EXPECT_EQ(qAlpha(greyImage.pixel(3, 1)), 0);
  EXPECT_EQ(darkerImage.pixel(0, 0), qRgba(150, 75, 37, 255));
  EXPECT_EQ(darkerImage.pixel(2, 0), qRgba(191, 191, 191, 255));
  EXPECT_EQ(qAlpha(darkerImage.pixel(3, 1)), 0);
  EXPECT_EQ(CButtonST::DarkenColor(RGB(100, 100, 100), 1.5), RGB(100, 100, 100));
  for (HICON h : {icon, grey, darker}) DestroyIcon(h);

  // Asked for by id: -2 gives the grey copy of the "in" icon.
  ControlHost host;
  CButtonST button;
  ASSERT_TRUE(MakeButton(button, host, BS_PUSHBUTTON));
  ASSERT_EQ(button.SetIcon(static_cast<int>(IDI_LAMP_ON), CButtonST::kAutoGray), CButtonST::kOk);
  const QImage out = IconImage(button.GetIconOut()).convertToFormat(QImage::Format_ARGB32);
  const QRgb centre = out.pixel(out.width() / 2, out.height() / 2);
  EXPECT_EQ(qRed(centre), qGreen(centre));
  EXPECT_EQ(qGreen(centre), qBlue(centre));
}

TEST(ButtonSTTest, TheLampHasItsCursorItsTwoIconsAndNoBorder) {
  ControlHost host;
  CButtonLamp lamp;
  ASSERT_TRUE(MakeButton(lamp, host, BS_PUSHBUTTON));
  EXPECT_NE(lamp.GetBtnCursor(), 0u);
  EXPECT_FALSE(lamp.GetDrawBorder());
  HICON on = LoadIconResource(IDI_LAMP_ON);
  HICON off = LoadIconResource(IDI_LAMP_OFF);
  EXPECT_EQ(IconImage(lamp.GetIconIn()), IconImage(on));
  EXPECT_EQ(IconImage(lamp.GetIconOut()), IconImage(off));
  DestroyIcon(on);
  DestroyIcon(off);
}
