#pragma once
// Running a shape's property sheet or action dialog inside a test: the body
// runs while the modal window is open (through the modal-dialog script), and
// the window is closed afterwards when the body left it open.
#include <functional>

#include "KindTestSupport.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WindowTimers.h"
#include "shapes/PropertyPageBase.h"
#include "shapes/ShapeDialogIds.h"
#include "shapes/ShapePropSheet.h"

class ShapeDialogTest : public KindTest {
 protected:
  ShapeDialogTest() {
    AddSection("Vessel.Mixer1");  // the test kind's
    modal_script::Clear();
    common_dialog_script::Clear();
    C_BaseShapePropSheet::SetLastActivePage(0);
  }
  ~ShapeDialogTest() override { modal_script::Clear(); }

  // Opens `open` (ShowProperties, "&Action"...) and runs `body` on the modal window it opens.
  template <class Window>
  void WhileOpen(const std::function<void()>& open, const std::function<void(Window&)>& body) {
    bool ran = false;
    modal_script::Push([&](CDialog& dialog) {
      auto* window = dynamic_cast<Window*>(&dialog);
      ASSERT_NE(window, nullptr);
      ran = true;
      body(*window);
      if (window->GetSafeHwnd() && window->IsWindowVisible()) Click(*window, IDCANCEL);
    });
    open();
    EXPECT_TRUE(ran);
  }
  void WithSheet(C_BaseShape& shape, const std::function<void(C_BaseShapePropSheet&)>& body) {
    WhileOpen<C_BaseShapePropSheet>([&] { shape.ShowProperties(); }, body);
  }

  template <class Page>
  static Page* FindPage(const C_BaseShapePropSheet& sheet) {
    for (int i = 0; i < sheet.GetPageCount(); ++i)
      if (auto* page = dynamic_cast<Page*>(sheet.GetPage(i))) return page;
    return nullptr;
  }
  // Makes the page active (shown) and gives it back.
  template <class Page>
  static Page& Show(C_BaseShapePropSheet& sheet) {
    Page* page = FindPage<Page>(sheet);
    EXPECT_NE(page, nullptr);
    sheet.SetActivePage(page);
    return *page;
  }

  static void Click(CWnd& dialog, UINT id) {
    if (auto* button = dynamic_cast<CButton*>(dialog.GetDlgItem(id))) button->Click();
    else dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
  static void Type(CWnd& dialog, UINT id, const std::string& text) { dialog.GetDlgItem(id)->SetWindowText(text); }
  static std::string Text(const CWnd& dialog, UINT id) { return dialog.GetDlgItem(id)->GetWindowText(); }
  static bool Enabled(const CWnd& dialog, UINT id) { return dialog.GetDlgItem(id)->IsWindowEnabled() != FALSE; }
  static void FireTimer(const CWnd& window, UINT_PTR id) { EXPECT_TRUE(FireTimerNow(window.GetSafeHwnd(), id)); }
  // Clears (or checks) the sheet's "Auto &Refresh" box as the operator does.
  static void SetAutoRefresh(C_BaseShapePropSheet& sheet, bool on) {
    if ((sheet.IsAutoRefresh() != FALSE) != on) sheet.GetAutoRefreshBox().Click();
  }

  // The attribute indexes the plant form was asked about (5375), in order; then forgotten.
  std::vector<int> StoredIndexes() {
    std::vector<int> indexes;
    for (const auto& asked : m_form.Of(GetAttribsPackMessageId())) indexes.push_back(static_cast<int>(asked.lParam));
    m_form.Forget();
    return indexes;
  }
};
