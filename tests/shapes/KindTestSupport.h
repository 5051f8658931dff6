#pragma once
// A fixture for the shape kinds: the shape test environment with a settings
// file holding the kinds' sections, shapes created under the plant form
// double, drawing into an image, and the pop-up menu read through the chooser.
#include <QImage>
#include <functional>
#include <memory>
#include <utility>

#include "ShapesTestSupport.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/WindowTimers.h"

class KindTest : public ShapeTest {
 protected:
  KindTest() {
    WriteSettings(
        "[GearPump.Batcher01-ChargePump]\nOther=1\n"
        "[CntrFglPump.Batcher04-ChargePump1]\nOther=1\n"
        "[PrcGeneral.PrcGeneral]\nOther=1\n");
  }
  ~KindTest() override {
    for (const auto& shape : m_made)
      if (shape->GetSafeHwnd()) shape->DestroyWindow();
  }

  // A shape of the kind, kept by the fixture, with its window created under
  // the plant form double (the settings loaded, the messages so far forgotten).
  template <class Kind, class... Args>
  Kind& Make(Args&&... args) {
    auto made = std::make_unique<Kind>(std::forward<Args>(args)...);
    Kind& shape = *made;
    m_made.push_back(std::move(made));
    if (!m_form.GetSafeHwnd()) {
      EXPECT_TRUE(m_form.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 900, 700), nullptr, 0));
    }
    EXPECT_TRUE(shape.CreateShape(&m_form));
    DeliverPosted();
    m_form.Forget();
    return shape;
  }

  // The picture the shape draws, at its client size.
  static QImage Picture(C_BaseShape& shape) {
    CRect client;
    shape.GetClientRect(&client);
    QImage image(client.Width(), client.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    CDC dc;
    dc.AttachImage(&image);
    shape.Draw(&dc);
    dc.Detach();
    return image;
  }
  static COLORREF PixelOf(const QImage& image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
  }

  // Opens the shape's pop-up and hands the menu, as it would show, to `look`.
  void OpenPopup(C_BaseShape& shape, const std::function<void(CMenu&)>& look, UINT choose = 0) {
    SetPopupMenuChooser([&](CMenu& menu, int, int, HWND) -> UINT {
      look(menu);
      return choose;
    });
    shape.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
    SetPopupMenuChooser(nullptr);
    DeliverPosted();
  }

  static bool TimerArmed(const C_BaseShape& shape, UINT_PTR id) {
    for (const ArmedTimer& timer : ArmedTimersOf(shape.GetSafeHwnd()))
      if (timer.id == id) return true;
    return false;
  }

 private:
  std::vector<std::unique_ptr<C_BaseShape>> m_made;
};
