// The colour button: its caption, its swatch and the colour dialog's two answers.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "ControlHost.h"
#include "controls/CColorButton.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/CommonDialogs.h"

namespace {

common_dialog_script::Answer Chosen(bool accepted, COLORREF color) {
  common_dialog_script::Answer answer;
  answer.accepted = accepted;
  answer.color = color;
  return answer;
}

}  // namespace

TEST(ColorButtonTest, TheCaptionMovesRightAndTheSwatchIsAtLeast24Wide) {
  ControlHost host;
  CColorButton button;
  ASSERT_TRUE(button.Create("BUTTON", "Fill", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | 0x300, CRect(10, 10, 110, 30),
                            &host, 2001));
  EXPECT_EQ(button.GetWindowText(), "          Fill");
  EXPECT_EQ(button.GetStyle() & 0x300, 0x100u);

  // 20 pixels high: a swatch 11 high but 24 wide.
  const CRect swatch = CColorButton::SwatchRect(CRect(0, 0, 100, 20));
  EXPECT_EQ(swatch, CRect(5, 4, 29, 15));
  EXPECT_EQ(CColorButton::SwatchRect(CRect(0, 0, 100, 60)).Width(), 51);

  button.SetColor(RGB(0, 200, 0));
  const QImage face = button.GetWidget()->grab().toImage();
  EXPECT_EQ(QRgbToColorRef(face.pixel(15, 9)), RGB(0, 200, 0));
  EXPECT_EQ(QRgbToColorRef(face.pixel(5, 9)), RGB(0, 0, 0));  // the frame
}

TEST(ColorButtonTest, OkChangesTheColourAndNotifiesCancelDoesNeither) {
  ControlHost host;
  CColorButton button;
  ASSERT_TRUE(button.Create("BUTTON", "Line", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 110, 40), &host, 2002));
  button.SetColor(RGB(10, 20, 30));
  common_dialog_script::Clear();
  common_dialog_script::Push([](const common_dialog_script::Request&) { return Chosen(true, RGB(200, 100, 0)); });
  button.Click();
  EXPECT_EQ(button.GetColor(), RGB(200, 100, 0));
  EXPECT_EQ(host.clicks, 1);
  ASSERT_FALSE(common_dialog_script::Seen().empty());
  EXPECT_EQ(common_dialog_script::Seen().back().initialColor, RGB(10, 20, 30));
  EXPECT_EQ(common_dialog_script::Seen().back().flags, CC_RGBINIT | CC_FULLOPEN);

  common_dialog_script::Push([](const common_dialog_script::Request&) { return Chosen(false, RGB(1, 1, 1)); });
  button.Click();
  EXPECT_EQ(button.GetColor(), RGB(200, 100, 0));
  EXPECT_EQ(host.clicks, 1);
  EXPECT_EQ(common_dialog_script::Pending(), 0);
}
