// Tab, Return and Escape in a dialog by what the focused window asks for
// through WM_GETDLGCODE; the default look that follows the focus; where the
// focus goes from a control disabled or hidden, selecting nothing; registered
// message numbers; right-to-left styles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <vector>

#include "platform/ui/CButton.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageCore.h"

namespace {

constexpr UINT kKeysDialog = 9402;
constexpr UINT kPlainId = 201, kEditId = 202;

// A window of its own painting that may ask for the dialog's keys.
class PlainWindow : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_GETDLGCODE) return dialogCode;
    if (message == WM_KEYDOWN) keys.push_back(static_cast<UINT>(wParam));
    return CWnd::WindowProc(message, wParam, lParam);
  }
  UINT dialogCode = 0;
  std::vector<UINT> keys;
};

class KeysDialog : public CDialog {
 public:
  KeysDialog() : CDialog(kKeysDialog) {
    DialogTemplate t;
    t.id = kKeysDialog;
    t.cx = 200;
    t.cy = 100;
    t.items = {
        {kPlainId, kStaticClass, "", WS_VISIBLE | WS_TABSTOP, 5, 5, 50, 20},
        {kEditId, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 5, 30, 100, 12},
        {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 90, 80, 50, 14},
        {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP, 145, 80, 50, 14},
    };
    RegisterDialogTemplate(t);
    BindControl(kPlainId, plain);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(LOWORD(wParam));
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnOK() override {}
  void OnCancel() override {}
  PlainWindow plain;
  std::vector<UINT> commands;
};

void Press(CWnd* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(window->GetWidget(), &press);
}

// Created, shown and active, as the operator finds it.
void Open(KeysDialog& dialog) {
  ASSERT_TRUE(dialog.Create(kKeysDialog));
  dialog.ShowWindow(SW_SHOW);
  QApplication::setActiveWindow(dialog.GetWidget());
}

TEST(DialogKeys, AWindowGetsTheKeysItAsksForAndTheDialogTheOthers) {
  KeysDialog dialog;
  ASSERT_NO_FATAL_FAILURE(Open(dialog));

  // Not asked for: Return presses the default button, Escape cancels, Tab moves on.
  dialog.plain.SetFocus();
  Press(&dialog.plain, Qt::Key_Return);
  Press(&dialog.plain, Qt::Key_Escape);
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDOK), static_cast<UINT>(IDCANCEL)}));
  Press(&dialog.plain, Qt::Key_Tab);
  EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(kEditId));
  Press(dialog.GetDlgItem(kEditId), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(CWnd::GetFocus(), &dialog.plain);
  EXPECT_TRUE(dialog.plain.keys.empty());

  // Asked for: the window gets all three, the dialog none, the focus stays.
  dialog.commands.clear();
  dialog.plain.dialogCode = DLGC_WANTALLKEYS;
  for (int key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Escape}) Press(&dialog.plain, key);
  EXPECT_EQ(dialog.plain.keys, (std::vector<UINT>{VK_TAB, VK_RETURN, VK_ESCAPE}));
  EXPECT_TRUE(dialog.commands.empty());
  EXPECT_EQ(CWnd::GetFocus(), &dialog.plain);

  // Tab alone.
  dialog.plain.keys.clear();
  dialog.plain.dialogCode = DLGC_WANTTAB;
  Press(&dialog.plain, Qt::Key_Tab);
  Press(&dialog.plain, Qt::Key_Escape);
  EXPECT_EQ(dialog.plain.keys, (std::vector<UINT>{VK_TAB}));
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDCANCEL)}));
  dialog.DestroyWindow();
}

bool LooksDefault(CWnd* button) {
  auto* push = qobject_cast<QPushButton*>(button->GetWidget());
  return (button->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON && push && push->isDefault();
}

TEST(DialogKeys, TheFocusedPushButtonLooksDefaultAndReturnPressesIt) {
  KeysDialog dialog;
  ASSERT_NO_FATAL_FAILURE(Open(dialog));
  CWnd* edit = dialog.GetDlgItem(kEditId);
  CWnd* ok = dialog.GetDlgItem(IDOK);
  CWnd* cancel = dialog.GetDlgItem(IDCANCEL);

  // Focused as a mouse click leaves it: the look goes with the focus, the
  // dialog's default id stays, Return presses the button that looks default.
  cancel->SetFocus();
  EXPECT_TRUE(LooksDefault(cancel));
  EXPECT_FALSE(LooksDefault(ok));
  EXPECT_EQ(LOWORD(dialog.GetDefID()), static_cast<UINT>(IDOK));
  Press(cancel, Qt::Key_Return);
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDCANCEL)}));

  // Anything but a push button gives the look back to the default button.
  edit->SetFocus();
  EXPECT_TRUE(LooksDefault(ok));
  EXPECT_FALSE(LooksDefault(cancel));
  const QImage defaultOnly = ok->GetWidget()->grab().toImage();
  Press(edit, Qt::Key_Return);
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDCANCEL), static_cast<UINT>(IDOK)}));

  // A focused push button shows its focus, however it got it.
  ok->SetFocus();
  EXPECT_TRUE(LooksDefault(ok));
  EXPECT_NE(ok->GetWidget()->grab().toImage(), defaultOnly);
  dialog.DestroyWindow();
}

// A focused control the dialog disables or hides hands the focus to the
// default button, or to the first field when the default button is the one
// going: never to the next push button, which would look default and take
// the next Return.
TEST(DialogKeys, AFocusedControlDisabledOrHiddenHandsTheFocusToTheDefaultButtonOrTheFirstField) {
  KeysDialog dialog;
  ASSERT_NO_FATAL_FAILURE(Open(dialog));
  CWnd* ok = dialog.GetDlgItem(IDOK);
  CWnd* cancel = dialog.GetDlgItem(IDCANCEL);

  cancel->SetFocus();
  cancel->EnableWindow(FALSE);
  EXPECT_EQ(CWnd::GetFocus(), ok);
  cancel->EnableWindow(TRUE);
  ok->SetFocus();
  ok->EnableWindow(FALSE);
  EXPECT_EQ(CWnd::GetFocus(), &dialog.plain);
  EXPECT_FALSE(LooksDefault(cancel));
  ok->EnableWindow(TRUE);
  ok->SetFocus();
  ok->ShowWindow(SW_HIDE);
  EXPECT_EQ(CWnd::GetFocus(), &dialog.plain);
  Press(&dialog.plain, Qt::Key_Return);
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDOK)}));
  dialog.DestroyWindow();
}

// The field handed the focus from a disabled button selects nothing: the keys
// the operator goes on typing add to its value instead of replacing it.
TEST(DialogKeys, AFieldHandedTheFocusFromADisabledControlKeepsItsText) {
  KeysDialog dialog;
  ASSERT_NO_FATAL_FAILURE(Open(dialog));
  CWnd* edit = dialog.GetDlgItem(kEditId);
  CWnd* ok = dialog.GetDlgItem(IDOK);
  edit->SetWindowText("12");
  dialog.plain.EnableWindow(FALSE);
  ok->SetFocus();
  ok->EnableWindow(FALSE);
  ASSERT_EQ(CWnd::GetFocus(), edit);
  QKeyEvent five(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
  QApplication::sendEvent(edit->GetWidget(), &five);
  EXPECT_EQ(edit->GetWindowText(), "125");
  dialog.DestroyWindow();
}

TEST(RegisteredMessages, OneNumberPerNameFromC000) {
  const UINT first = RegisterWindowMessage("ruv test message A");
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessage("RUV Test Message a"), first);
  const UINT second = RegisterWindowMessage("ruv test message B");
  EXPECT_NE(second, first);
  EXPECT_GE(second, 0xC000u);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST(RightToLeftStyles, FollowQtsLayoutDirection) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(WS_EX_RTLREADING, "", "", WS_OVERLAPPED, CRect(0, 0, 50, 50), nullptr, 0));
  EXPECT_EQ(parent.GetWidget()->layoutDirection(), Qt::RightToLeft);
  CWnd child;
  ASSERT_TRUE(child.CreateEx(0, "", "", WS_CHILD, CRect(0, 0, 10, 10), &parent, 1));
  EXPECT_EQ(child.GetWidget()->layoutDirection(), Qt::RightToLeft);  // inherited, as a mirrored layout is
  parent.ModifyStyleEx(WS_EX_RTLREADING, 0);
  EXPECT_EQ(parent.GetWidget()->layoutDirection(), Qt::LeftToRight);
  child.ModifyStyleEx(0, WS_EX_LAYOUTRTL);
  EXPECT_EQ(child.GetWidget()->layoutDirection(), Qt::RightToLeft);
  EXPECT_TRUE(child.GetExStyle() & WS_EX_LAYOUTRTL);
  parent.DestroyWindow();
}

}  // namespace
