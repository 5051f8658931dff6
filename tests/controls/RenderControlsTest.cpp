// One control of each kind rendered offscreen into an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstdlib>

#include "ControlHost.h"
#include "controls/BCMenu.h"
#include "controls/CBalloonHelp.h"
#include "controls/CButtonLamp.h"
#include "controls/CButtonST.h"
#include "controls/CColorButton.h"
#include "controls/CNemLabel.h"
#include "controls/ControlPictures.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

namespace {

// With RUV_RENDER_DIR set, the pictures are kept there for a person to look at.
bool ShowsSomething(const QImage& image, const char* name) {
  if (const char* dir = std::getenv("RUV_RENDER_DIR")) image.save(QString("%1/%2.png").arg(dir).arg(name));
  if (image.isNull() || image.width() < 10) return false;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return true;
  return false;
}

QImage Grab(CWnd& window) { return window.GetWidget()->grab().toImage(); }

}  // namespace

TEST(RenderControls, EachKindDrawsToAnImage) {
  ControlHost form;
  CNemLabel label;
  ASSERT_TRUE(label.Create("STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER, CRect(10, 10, 310, 50), &form, 1));
  label.SetText("Data Source: Demo").SetTextColor(RGB(255, 255, 255)).SetBkColor(RGB(0, 0, 128));
  label.SetGradientColor(RGB(100, 160, 255)).SetFontFace(14, true, false, "Tahoma");
  EXPECT_TRUE(ShowsSomething(Grab(label), "label"));

  CButtonST button;
  ASSERT_TRUE(button.Create("BUTTON", "Save", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 60, 130, 100), &form, 2));
  button.SetIcon(static_cast<int>(IDI_INFORMATION), CButtonST::kAutoGray);
  button.SetFlat(FALSE);
  EXPECT_TRUE(ShowsSomething(Grab(button), "button"));

  CButtonLamp lamp;
  ASSERT_TRUE(lamp.Create("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(140, 60, 180, 100), &form, 3));
  EXPECT_TRUE(ShowsSomething(Grab(lamp), "lamp"));

  CColorButton color;
  ASSERT_TRUE(color.Create("BUTTON", "Fill colour", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(190, 60, 330, 92),
                           &form, 4));
  color.SetColor(RGB(220, 40, 40));
  EXPECT_TRUE(ShowsSomething(Grab(color), "colour_button"));

  BCMenu menu;
  BCMenuData item("&Take On/Off\tCtrl+T", MF_OWNERDRAW, 301);
  QImage menuImage(180, 22, QImage::Format_RGB32);
  menuImage.fill(Qt::white);
  {
    CDC dc;
    dc.AttachImage(&menuImage);
    DRAWITEMSTRUCT draw;
    draw.hDC = &dc;
    draw.rcItem = RECT{0, 0, 180, 22};
    draw.itemState = ODS_SELECTED | ODS_CHECKED;
    draw.itemData = reinterpret_cast<std::uintptr_t>(&item);
    menu.DrawItem(&draw);
    dc.Detach();
  }
  EXPECT_TRUE(ShowsSomething(menuImage, "menu_item"));

  CBalloonHelp::ShowBalloon("Recipe", "The recipe was saved.\nIts steps are sorted by mixer.", &button,
                            IDI_INFORMATION, 33216 | CBalloonHelp::ShowCloseButton | CBalloonHelp::InnerShadow,
                            3000, &form);
  CBalloonHelp* balloon = CBalloonHelp::Balloons().back();
  EXPECT_TRUE(ShowsSomething(Grab(*balloon), "balloon"));
}
