// Input box: empty values refused, digits-only typing and pasting, browsing, edit colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QWidget>

#include "support/ScriptedMessageBox.h"
#include "controls/EditFocusColors.h"
#include "controls/CInputBox.h"
#include "platform/base/InputState.h"
#include "platform/ui/CControlBase.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/ModalDialogScript.h"

namespace {
void Type(CWnd* edit, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit->GetWidget(), &press);
  }
}
void Press(CWnd* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(target->GetWidget(), &press);
}
}  // namespace

TEST(InputBox, EmptyValueIsRefusedAndTheBoxStays) {
  ScriptedMessageBox boxes;
  modal_script::Push([&](CDialog& dialog) {
    auto& box = static_cast<CInputBox&>(dialog);
    EXPECT_EQ(box.GetWindowText(), "Recording Interval");
    EXPECT_FALSE(box.GetDlgItem(IDC_INPUT_BROWSE)->IsWindowVisible());
    EXPECT_EQ(box.GetDlgItem(IDC_INPUT_LABEL)->GetWindowText(), "unit: Second, Zero: no recording");
    box.GetDlgItem(IDC_INPUT_VALUE)->SetWindowText("");
    boxes.Expect(IDOK, "Please enter a non-empty value!");
    Press(box.GetDlgItem(IDC_INPUT_VALUE), Qt::Key_Return);
    EXPECT_TRUE(box.IsWindowVisible());
    box.GetDlgItem(IDC_INPUT_VALUE)->SetFocus();
    Type(box.GetDlgItem(IDC_INPUT_VALUE), "6a0");
    Press(box.GetDlgItem(IDC_INPUT_VALUE), Qt::Key_Return);
  });
  std::string result = "unchanged";
  const int answer = CInputBox::Ask(result, "Recording Interval", "Please enter recording Vessels Level interval.",
                                    "unit: Second, Zero: no recording", "60", CInputBox::kDigitsOnly, 3034,
                                    CInputBox::kNoBrowse);
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(result, "60");  // typed "60" after clearing; the letter was dropped
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Please enter a non-empty value!");
}

TEST(InputBox, CancelGivesAnEmptyResult) {
  modal_script::Push([](CDialog& dialog) { Press(dialog.GetDlgItem(IDC_INPUT_VALUE), Qt::Key_Escape); });
  std::string result = "x";
  EXPECT_EQ(CInputBox::Ask(result, "T", "D", "L", "5", 0, 0, 0), IDCANCEL);
  EXPECT_EQ(result, "");
}

TEST(InputBox, DigitsOnlyPasteKeepsOnlyDigits) {
  MemoryClipboard clipboard;
  SetClipboard(&clipboard);
  clipboard.SetText("12a3");
  modal_script::Push([](CDialog& dialog) {
    CWnd* edit = dialog.GetDlgItem(IDC_INPUT_VALUE);
    edit->SetWindowText("");
    Press(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->GetWindowText(), "123");
    dialog.EndDialog(IDCANCEL);
  });
  CInputBox box("T", "D", "L", "", 0, 0, CInputBox::kDigitsOnly, false);
  box.DoModal();
  SetClipboard(nullptr);
}

TEST(InputBox, BrowsingForAFolderEndsWithOneBackslash) {
  EXPECT_EQ(CInputBox::FolderWithOneBackslash("C:\\data"), "C:\\data\\");
  EXPECT_EQ(CInputBox::FolderWithOneBackslash("C:\\data\\\\"), "C:\\data\\");
  common_dialog_script::Clear();
  common_dialog_script::Push([](const common_dialog_script::Request& r) {
    EXPECT_EQ(r.title, "Browse");
    return common_dialog_script::Answer{true, "D:\\logs\\", 0};
  });
  modal_script::Push([](CDialog& dialog) {
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_INPUT_BROWSE, BN_CLICKED), 0);
    EXPECT_EQ(dialog.GetDlgItem(IDC_INPUT_VALUE)->GetWindowText(), "D:\\logs\\");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  CInputBox box("T", "D", "Folder:", "", 0, CInputBox::kFolder, 0, false);
  EXPECT_EQ(box.DoModal(), IDOK);
  EXPECT_EQ(box.GetValue(), "D:\\logs\\");
}

TEST(InputBox, TheEditIsYellowWithTheFocusAndGreenWithout) {
  modal_script::Push([](CDialog& dialog) {
    CWnd* edit = dialog.GetDlgItem(IDC_INPUT_VALUE);
    QApplication::setActiveWindow(dialog.GetWidget());
    edit->SetFocus();
    CDC focused;
    EXPECT_NE(dialog.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(&focused),
                                 reinterpret_cast<LPARAM>(edit->GetSafeHwnd())),
              0);
    EXPECT_EQ(focused.GetBkColor(), kBatchFocusedEditColor);
    dialog.GetDlgItem(IDOK)->SetFocus();
    CDC other;
    dialog.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(&other), reinterpret_cast<LPARAM>(edit->GetSafeHwnd()));
    EXPECT_EQ(other.GetBkColor(), kBatchOtherEditColor);
    // What the operator sees: the edit's own background follows at its next paint.
    auto* control = dynamic_cast<CControlBase*>(edit);
    ASSERT_NE(control, nullptr);
    control->UpdateControlColors();
    EXPECT_EQ(edit->GetWidget()->palette().color(QPalette::Base), QColor(200, 255, 200));
    edit->SetFocus();
    control->UpdateControlColors();
    EXPECT_EQ(edit->GetWidget()->palette().color(QPalette::Base), QColor(255, 255, 157));
    dialog.EndDialog(IDCANCEL);
  });
  CInputBox box("T", "D", "L", "5", 0, 0, CInputBox::kDigitsOnly, false);
  box.DoModal();
}
