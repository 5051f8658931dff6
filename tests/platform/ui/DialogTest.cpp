// Dialogs from templates: modal runs ended by keys, data exchange, notifications
// and control colours, property sheets and the common-dialog scripts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QLineEdit>

#include "support/ScriptedMessageBox.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CControlBase.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/WindowStacking.h"

namespace {

constexpr UINT kTestDialog = 9001;
constexpr UINT kName = 101, kCount = 102, kRatio = 103, kEnabled = 104, kChoice = 105, kMemoEdit = 106;

void RegisterTestTemplate() {
  DialogTemplate t;
  t.id = kTestDialog;
  t.caption = "Test";
  t.cx = 200;
  t.cy = 120;
  t.items = {
      {kName, kEditClass, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 100, 12},
      {kCount, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 5, 20, 100, 12},
      {kRatio, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 5, 35, 100, 12},
      {kEnabled, kButtonClass, "Enabled", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 5, 50, 100, 10},
      {kChoice, kComboBoxClass, "", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 5, 62, 100, 60},
      {kMemoEdit, kEditClass, "", WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 110, 5, 80, 40},
      {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 90, 100, 50, 14},
      {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP, 145, 100, 50, 14},
  };
  RegisterDialogTemplate(t);
}

class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(kTestDialog) { RegisterTestTemplate(); }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, kName, name);
    DDX_Text(dx, kCount, count);
    DDV_MinMaxInt(dx, count, 0, 90);
    DDX_Text(dx, kRatio, ratio);
    DDX_Check(dx, kEnabled, enabled);
    DDX_CBIndex(dx, kChoice, choice);
  }
  BOOL OnInitDialog() override {
    ++initCalls;
    if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kChoice))) {
      combo->AddString("Low Speed");
      combo->AddString("High Speed");
      combo->AddString("High/Low Speed");
    }
    const BOOL result = CDialog::OnInitDialog();
    if (endInInit) EndDialog(77);
    return result;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back({LOWORD(wParam), HIWORD(wParam)});
    return CDialog::OnCommand(wParam, lParam);
  }
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) override {
    if (kind != CTLCOLOR_EDIT) return nullptr;
    const bool focused = control == GetFocus();
    const COLORREF colour = focused ? RGB(151, 255, 151) : RGB(255, 255, 157);
    dc->SetBkColor(colour);
    return static_cast<HBRUSH>((focused ? green : yellow).GetSafeHandle());
  }

  std::string name = "pump";
  int count = 5;
  double ratio = 2.5;
  int enabled = 1;
  int choice = 1;
  bool endInInit = false;
  int initCalls = 0;
  std::vector<std::pair<UINT, UINT>> commands;
  CBrush yellow{RGB(255, 255, 157)};
  CBrush green{RGB(151, 255, 151)};
};

void PressKey(CWnd* target, int key) {
  QWidget* widget = target->GetWidget();
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

CWnd* Item(CDialog& dialog, UINT id) { return dialog.GetDlgItem(id); }

}  // namespace

TEST(DialogModal, EnterPressesDefaultButtonAndDataComesBack) {
  TestDialog dialog;
  modal_script::Push([](CDialog& d) {
    d.GetDlgItem(kName)->SetWindowText("valve 7");
    d.GetDlgItem(kCount)->SetWindowText("42");
    d.GetDlgItem(kName)->SetFocus();
    PressKey(d.GetDlgItem(kName), Qt::Key_Return);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.initCalls, 1);
  EXPECT_EQ(dialog.name, "valve 7");
  EXPECT_EQ(dialog.count, 42);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(DialogModal, EscapeCancelsAndKeepsMembers) {
  TestDialog dialog;
  modal_script::Push([](CDialog& d) {
    d.GetDlgItem(kName)->SetWindowText("changed");
    PressKey(d.GetDlgItem(kName), Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.name, "pump");
}

TEST(DialogModal, UnscriptedDialogIsCancelledInTests) {
  const int before = modal_script::UnscriptedCount();
  TestDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(modal_script::UnscriptedCount(), before + 1);
}

TEST(DialogModal, EndedInsideInitDialogNeverShows) {
  TestDialog dialog;
  dialog.endInInit = true;
  EXPECT_EQ(dialog.DoModal(), 77);
  EXPECT_EQ(modal_script::Pending(), 0);
}

// The window that had the keyboard before a modal dialog has it again after:
// with no window manager nothing else gives it back.
TEST(DialogModal, TheKeyboardGoesBackToTheWindowThatHadItBefore) {
  const auto activeSoon = [](QWidget* window) {
    for (int i = 0; i < 100 && !window->isActiveWindow(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return window->isActiveWindow();
  };
  QWidget plant;
  plant.resize(300, 200);
  plant.show();
  plant.activateWindow();
  ASSERT_TRUE(activeSoon(&plant));
  TestDialog dialog;
  modal_script::Push([&](CDialog& d) {
    d.GetWidget()->activateWindow();
    EXPECT_TRUE(activeSoon(d.GetWidget()));
    d.EndDialog(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(activeSoon(&plant));
}

// Which of the windows it watches was raised last.
class LastRaised : public QObject {
 public:
  void Watch(CWnd& window) { window.GetWidget()->installEventFilter(this); }
  QObject* last = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) last = watched;
    return false;
  }
};

// With no window manager only the program keeps a modal dialog on top: the
// main window brought forward raises its owned window (the recipe dialog),
// which may also bring itself forward (its placement restored, a row waiting
// for the operator); the modal dialog goes above them again each time.
TEST(DialogModal, StaysAboveTheOtherWindowsBroughtForwardWhileItIsOpen) {
  CWnd main, owned;
  ASSERT_TRUE(main.CreateEx(0, std::string(), "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300), nullptr, 0));
  ASSERT_TRUE(owned.CreateEx(0, std::string(), "Owned", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
  window_stacking::KeepOwnedAbove(owned, main);
  main.ShowWindow(SW_SHOW);
  owned.ShowWindow(SW_SHOW);
  LastRaised raised;
  raised.Watch(main);
  raised.Watch(owned);
  TestDialog dialog;
  modal_script::Push([&](CDialog& d) {
    raised.Watch(d);
    main.SetForegroundWindow();
    EXPECT_EQ(raised.last, d.GetWidget()) << "under the main window's owned window";
    owned.ShowWindow(SW_SHOWNOACTIVATE);
    owned.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(raised.last, d.GetWidget()) << "under the owned window brought forward";
    d.EndDialog(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  owned.DestroyWindow();
  main.DestroyWindow();
}

TEST(DialogModal, EnterInWantReturnEditDoesNotEnd) {
  TestDialog dialog;
  modal_script::Push([](CDialog& d) {
    d.GetDlgItem(kMemoEdit)->SetFocus();
    PressKey(d.GetDlgItem(kMemoEdit), Qt::Key_Return);
    EXPECT_TRUE(d.IsWindowVisible());
    d.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(DialogDataExchange, LoadsControlsAndSavesThemBack) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  EXPECT_EQ(Item(dialog, kName)->GetWindowText(), "pump");
  EXPECT_EQ(Item(dialog, kCount)->GetWindowText(), "5");
  EXPECT_EQ(Item(dialog, kRatio)->GetWindowText(), "2.5");
  EXPECT_EQ(dynamic_cast<CButton*>(Item(dialog, kEnabled))->GetCheck(), BST_CHECKED);
  EXPECT_EQ(dynamic_cast<CComboBox*>(Item(dialog, kChoice))->GetCurSel(), 1);

  Item(dialog, kRatio)->SetWindowText("0.125");
  dynamic_cast<CButton*>(Item(dialog, kEnabled))->Click();
  dynamic_cast<CComboBox*>(Item(dialog, kChoice))->SetCurSel(2);
  ASSERT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_DOUBLE_EQ(dialog.ratio, 0.125);
  EXPECT_EQ(dialog.enabled, BST_UNCHECKED);
  EXPECT_EQ(dialog.choice, 2);
  dialog.DestroyWindow();
}

TEST(DialogDataExchange, BadNumberAndRangeAreRefusedWithMessages) {
  ScriptedMessageBox boxes;
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  Item(dialog, kCount)->SetWindowText("12a");
  boxes.Expect(IDOK, "Please enter an integer.");
  EXPECT_FALSE(dialog.UpdateData(TRUE));
  EXPECT_EQ(dialog.count, 5);
  Item(dialog, kCount)->SetWindowText("91");
  boxes.Expect(IDOK, "Please enter an integer between 0 and 90.");
  EXPECT_FALSE(dialog.UpdateData(TRUE));
  Item(dialog, kRatio)->SetWindowText("x");
  Item(dialog, kCount)->SetWindowText("3");
  boxes.Expect(IDOK, "Please enter a number.");
  EXPECT_FALSE(dialog.UpdateData(TRUE));
  EXPECT_EQ(boxes.Boxes().size(), 3u);
  dialog.DestroyWindow();
}

TEST(DialogNotifications, ControlsNotifyTheParent) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  dialog.commands.clear();
  Item(dialog, kName)->SetWindowText("x");
  dynamic_cast<CButton*>(Item(dialog, kEnabled))->Click();
  auto* combo = dynamic_cast<CComboBox*>(Item(dialog, kChoice));
  emit qobject_cast<QComboBox*>(combo->GetWidget())->activated(0);
  const std::vector<std::pair<UINT, UINT>> expected = {
      {kName, EN_UPDATE}, {kName, EN_CHANGE}, {kEnabled, BN_CLICKED}, {kChoice, CBN_SELCHANGE}};
  EXPECT_EQ(dialog.commands, expected);
  dialog.DestroyWindow();
}

namespace {
class SwallowingCombo : public CComboBox {
 public:
  BOOL OnReflectedCommand(UINT code) override {
    seen.push_back(code);
    return code == CBN_DROPDOWN;
  }
  std::vector<UINT> seen;
};
}  // namespace

TEST(DialogNotifications, ReflectionComesFirstAndMayKeepItFromTheParent) {
  TestDialog dialog;
  SwallowingCombo combo;
  dialog.BindControl(kChoice, combo);
  ASSERT_TRUE(dialog.Create(kTestDialog));
  dialog.commands.clear();
  combo.NotifyParent(CBN_DROPDOWN);
  combo.NotifyParent(CBN_SELCHANGE);
  EXPECT_EQ(combo.seen, (std::vector<UINT>{CBN_DROPDOWN, CBN_SELCHANGE}));
  EXPECT_EQ(dialog.commands, (std::vector<std::pair<UINT, UINT>>{{kChoice, CBN_SELCHANGE}}));
  dialog.DestroyWindow();
}

TEST(DialogControls, DdxControlBuildsTheObjectInPlace) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  CEdit own;
  CDataExchange dx(&dialog, FALSE);
  DDX_Control(&dx, kName, own);
  EXPECT_EQ(dialog.GetDlgItem(kName), &own);
  EXPECT_EQ(own.GetWindowText(), "pump");
  dialog.DestroyWindow();
}

TEST(DialogColours, EditsAskTheParentAndTheFocusedOneDiffers) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  auto* name = dynamic_cast<CControlBase*>(Item(dialog, kName));
  auto* count = dynamic_cast<CControlBase*>(Item(dialog, kCount));
  dialog.ShowWindow(SW_SHOW);
  QApplication::setActiveWindow(dialog.GetWidget());
  name->SetFocus();
  ASSERT_EQ(CWnd::GetFocus(), name);
  name->UpdateControlColors();
  count->UpdateControlColors();
  EXPECT_EQ(QColorToColorRef(count->GetWidget()->palette().color(QPalette::Base)), RGB(255, 255, 157));
  EXPECT_EQ(QColorToColorRef(name->GetWidget()->palette().color(QPalette::Base)), RGB(151, 255, 151));
  // The focus moves on: the colours follow at the next paint.
  count->SetFocus();
  name->UpdateControlColors();
  count->UpdateControlColors();
  EXPECT_EQ(QColorToColorRef(name->GetWidget()->palette().color(QPalette::Base)), RGB(255, 255, 157));
  EXPECT_EQ(QColorToColorRef(count->GetWidget()->palette().color(QPalette::Base)), RGB(151, 255, 151));
  dialog.DestroyWindow();
}

TEST(DialogControls, ComboFindsByPrefixAndKeepsItemData) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(kTestDialog));
  auto* combo = dynamic_cast<CComboBox*>(Item(dialog, kChoice));
  EXPECT_EQ(combo->FindString(-1, "high"), 1);
  EXPECT_EQ(combo->FindString(1, "high"), 2);
  EXPECT_EQ(combo->FindString(-1, "analog"), CB_ERR);
  combo->SetItemData(2, 99);
  EXPECT_EQ(combo->GetItemData(2), 99u);
  combo->DeleteString(0);
  EXPECT_EQ(combo->GetItemData(1), 99u);
  EXPECT_EQ(combo->SetCurSel(5), CB_ERR);
  EXPECT_EQ(combo->GetCurSel(), -1);
  dialog.DestroyWindow();
}

namespace {
constexpr UINT kPageA = 9101, kPageB = 9102;
class CountingPage : public CPropertyPage {
 public:
  explicit CountingPage(UINT id) : CPropertyPage(id) {
    DialogTemplate t;
    t.id = id;
    t.caption = id == kPageA ? "General" : "Graphic";
    t.style = WS_CHILD;
    t.cx = 150;
    t.cy = 80;
    t.items = {{201, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 5, 5, 80, 12}};
    RegisterDialogTemplate(t);
  }
  BOOL OnApply() override {
    ++applied;
    return CPropertyPage::OnApply();
  }
  int applied = 0;
};
}  // namespace

TEST(PropertySheet, PagesAreCreatedEagerlyAndButtonsCanBeRearranged) {
  CountingPage a(kPageA), b(kPageB);
  CPropertySheet sheet("Properties", nullptr, 7);
  sheet.AddPage(&a);
  sheet.AddPage(&b);
  modal_script::Push([&](CDialog&) {
    EXPECT_NE(a.GetSafeHwnd(), nullptr);
    EXPECT_NE(b.GetSafeHwnd(), nullptr);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);  // 7 clamped to the last page
    EXPECT_TRUE(b.IsWindowVisible());
    EXPECT_FALSE(a.IsWindowVisible());
    ASSERT_NE(sheet.GetDlgItem(ID_APPLY_NOW), nullptr);
    EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
    a.SetModified();
    EXPECT_TRUE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
    sheet.GetDlgItem(IDOK)->ShowWindow(SW_HIDE);
    sheet.GetDlgItem(IDCANCEL)->SetWindowText("Close");
    EXPECT_TRUE(sheet.SetActivePage(0));
    EXPECT_TRUE(a.IsWindowVisible());
    sheet.SendMessage(WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
    EXPECT_EQ(a.applied, 1);
    EXPECT_EQ(b.applied, 0);
    dynamic_cast<CButton*>(sheet.GetDlgItem(IDCANCEL))->Click();
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
}

TEST(CommonDialogs, ScriptsAnswerColourAndFileChoosers) {
  common_dialog_script::Clear();
  common_dialog_script::Push([](const common_dialog_script::Request& r) {
    EXPECT_EQ(r.initialColor, RGB(1, 2, 3));
    EXPECT_TRUE(r.flags & CC_FULLOPEN);
    return common_dialog_script::Answer{true, "", RGB(10, 20, 30)};
  });
  CColorDialog colour(RGB(1, 2, 3), CC_FULLOPEN);
  ASSERT_EQ(colour.DoModal(), IDOK);
  EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30));

  common_dialog_script::Push([](const common_dialog_script::Request&) { return common_dialog_script::Answer{}; });
  CFileDialog open(TRUE, "", "keep.txt");
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  EXPECT_EQ(open.GetPathName(), "keep.txt");
  EXPECT_EQ(QtFilterFromPlatformFilter("All files (*.*)|*.*||"), "All files (*.*)");
}
