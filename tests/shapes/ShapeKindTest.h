#pragma once
// A fixture for the real device kinds: each shape made here gets a section in
// the settings file (so no missing-section box), lives as a child window of
// the plant form double and goes before the form does.
#include <memory>
#include <string>
#include <vector>

#include "ShapesTestSupport.h"
#include "platform/ui/CMenu.h"

class ShapeKindTest : public ShapeTest {
 protected:
  ~ShapeKindTest() override {
    for (const auto& shape : m_kinds) shape->DestroyWindow();
  }

  // A shape of `Kind` with `record`, its section holding `settings` lines.
  template <class Kind>
  Kind& Make(const ShapeRecord& record, int instanceIndex, const std::string& settings = std::string()) {
    return static_cast<Kind&>(Adopt(std::make_unique<Kind>(1, record, instanceIndex), settings));
  }

  // Gives `shape` its section and its window under the plant form.
  C_BaseShape& Adopt(std::unique_ptr<C_BaseShape> shape, const std::string& settings = std::string()) {
    m_sections += "[" + shape->GetSectionName() + "]\nBaseReserveInt1.Data=0\n" + settings;
    WriteSettings(m_sections);
    if (!m_form.GetSafeHwnd()) {
      EXPECT_TRUE(m_form.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 600, 400), nullptr, 0));
    }
    EXPECT_TRUE(shape->CreateShape(&m_form));
    DeliverPosted();
    C_BaseShape& made = *shape;
    m_kinds.push_back(std::move(shape));
    m_form.Forget();
    return made;
  }

  // Opens the shape's pop-up, chooses `command` (0: none) and returns the text
  // item `item` showed.
  static std::string ChooseFromPopup(C_BaseShape& shape, UINT item, UINT command) {
    std::string shown;
    SetPopupMenuChooser([&](CMenu& menu, int, int, HWND) -> UINT {
      shown = menu.GetMenuString(item, MF_BYCOMMAND);
      return command;
    });
    shape.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
    SetPopupMenuChooser(nullptr);
    DeliverPosted();
    return shown;
  }

  // The 1143 notices the plant form received since the last Forget.
  std::vector<LPARAM> Notices() const {
    std::vector<LPARAM> codes;
    for (const auto& notice : m_form.Of(SHAPE_NOTIFY_MESSAGE)) codes.push_back(notice.lParam);
    return codes;
  }

 private:
  std::string m_sections;
  std::vector<std::unique_ptr<C_BaseShape>> m_kinds;
};
