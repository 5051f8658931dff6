#pragma once
// A fixture for the shape kinds: the shape test environment with a settings
// file holding a section for every shape made here (no missing-section box),
// shapes created under the plant form double, drawing into an image, the
// pop-up menu read through the chooser, and the codes of the 1143 notices.
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ShapesTestSupport.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/WindowTimers.h"

class KindTest : public ShapeTest {
 protected:
  KindTest() {
    AddSection("GearPump.Batcher01-ChargePump");
    AddSection("CntrFglPump.Batcher04-ChargePump1");
    AddSection("PrcGeneral.PrcGeneral");
  }
  ~KindTest() override {
    for (const auto& shape : m_made)
      if (shape->GetSafeHwnd()) shape->DestroyWindow();
  }

  // Adds a settings section holding `lines` (each ending in a line break).
  void AddSection(const std::string& section, const std::string& lines = std::string()) {
    m_sections += "[" + section + "]\nOther=1\n" + lines;
    WriteSettings(m_sections);
  }

  // A shape of the kind, kept by the fixture, with its window created under
  // the plant form double (the settings loaded, the messages so far forgotten).
  template <class Kind, class... Args>
  Kind& Make(Args&&... args) {
    return static_cast<Kind&>(Adopt(std::make_unique<Kind>(std::forward<Args>(args)...)));
  }
  // The same for a shape made elsewhere; it gets a section when it has none yet.
  C_BaseShape& Adopt(std::unique_ptr<C_BaseShape> made) {
    C_BaseShape& shape = *made;
    m_made.push_back(std::move(made));
    const std::string section = shape.GetSectionName();
    if (m_sections.find("[" + section + "]\n") == std::string::npos) AddSection(section);
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

  // The text of pop-up item `item` as the menu shows it; `choose` is then chosen (0: none).
  std::string PopupText(C_BaseShape& shape, UINT item, UINT choose = 0) {
    std::string shown;
    OpenPopup(shape, [&](CMenu& menu) { shown = menu.GetMenuString(item, MF_BYCOMMAND); }, choose);
    return shown;
  }

  // The codes of the parent notifications (1143) received; then forgotten.
  std::vector<int> NoticeCodes() {
    DeliverPosted();
    std::vector<int> codes;
    for (const auto& notice : m_form.Of(SHAPE_NOTIFY_MESSAGE)) codes.push_back((notice.lParam >> 8) & 0xFF);
    m_form.Forget();
    return codes;
  }

  static bool TimerArmed(const C_BaseShape& shape, UINT_PTR id) {
    for (const ArmedTimer& timer : ArmedTimersOf(shape.GetSafeHwnd()))
      if (timer.id == id) return true;
    return false;
  }

 private:
  std::string m_sections;
  std::vector<std::unique_ptr<C_BaseShape>> m_made;
};
