// Control wrappers: scroll-bar range rules, radio groups, edits, lists, tabs,
// spins, owner-drawn buttons, and the application-wide hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QWidget>

#include "platform/ui/ApplicationHooks.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/CSpinButtonCtrl.h"
#include "platform/ui/CTabCtrl.h"
#include "platform/ui/ScrollRange.h"
#include "platform/ui/WindowFade.h"

namespace {

constexpr UINT kControls = 9501;
constexpr UINT kRadio1 = 601, kRadio2 = 602, kRadio3 = 603, kOther = 604, kEdit = 605, kMemo = 606, kList = 607,
               kTabs = 608, kSpin = 609, kBuddy = 610, kDrawn = 611, kPlain = 612;

class ControlsDialog : public CDialog {
 public:
  ControlsDialog() : CDialog(kControls) {
    DialogTemplate t;
    t.id = kControls;
    t.caption = "Controls";
    t.cx = 300;
    t.cy = 200;
    t.items = {
        {kRadio1, kButtonClass, "A", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 5, 5, 40, 10},
        {kRadio2, kButtonClass, "B", WS_VISIBLE | BS_AUTORADIOBUTTON, 5, 17, 40, 10},
        {kRadio3, kButtonClass, "C", WS_VISIBLE | BS_AUTORADIOBUTTON, 5, 29, 40, 10},
        {kOther, kButtonClass, "D", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 5, 41, 40, 10},
        {kEdit, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 60, 5, 80, 12},
        {kMemo, kEditClass, "", WS_VISIBLE | ES_MULTILINE, 60, 20, 80, 30},
        {kList, kListBoxClass, "", WS_VISIBLE | LBS_NOTIFY | LBS_SORT, 150, 5, 80, 60},
        {kTabs, kTabControlClass, "", WS_VISIBLE, 5, 70, 200, 60},
        {kBuddy, kEditClass, "", WS_VISIBLE, 210, 70, 30, 12},
        {kSpin, kSpinClass, "", WS_VISIBLE | UDS_SETBUDDYINT, 240, 70, 10, 12},
        {kDrawn, kButtonClass, "Drawn", WS_VISIBLE | BS_OWNERDRAW, 210, 100, 50, 14},
        {kPlain, kButtonClass, "Plain", WS_VISIBLE | BS_PUSHBUTTON, 210, 120, 50, 14},
    };
    RegisterDialogTemplate(t);
    BindControl(kDrawn, drawn);
  }
  void DoDataExchange(CDataExchange* dx) override { DDX_Radio(dx, kRadio1, radio); }
  BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    notes.push_back(header->code);
    if (header->code == TCN_SELCHANGING) *result = refuseTabChange ? TRUE : FALSE;
    return TRUE;
  }
  void OnVScroll(UINT code, UINT pos, CScrollBar*) override { scrolls.push_back({code, pos}); }

  class DrawnButton : public CButton {
   public:
    void DrawItem(LPDRAWITEMSTRUCT item) override {
      ++draws;
      item->hDC->FillSolidRect(&item->rcItem, 0x0000FF);
    }
    int draws = 0;
  } drawn;
  int radio = 1;
  bool refuseTabChange = false;
  std::vector<UINT> notes;
  std::vector<std::pair<UINT, UINT>> scrolls;
};

template <typename T>
T* Get(CDialog& d, UINT id) {
  return dynamic_cast<T*>(d.GetDlgItem(id));
}

}  // namespace

TEST(ScrollRangeRules, PositionStaysWithinTheLastPage) {
  ScrollRange range;
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  info.nPos = 95;
  EXPECT_EQ(range.Set(info), 90);  // 99 - 10 + 1
  EXPECT_EQ(range.SetPos(-4), 90);
  EXPECT_EQ(range.Pos(), 0);
  info.fMask = SIF_PAGE;
  info.nPage = 500;
  range.Set(info);
  EXPECT_EQ(range.Page(), 100u);  // never more than the range holds
  EXPECT_TRUE(range.NothingToScroll());
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = 50;
  info.nPage = 0;
  range.Set(info);
  range.SetPos(60);
  EXPECT_EQ(range.Pos(), 50);  // without a page the position reaches the maximum
}

TEST(ControlWrappers, AutoRadiosExcludeWithinTheirGroupOnly) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  EXPECT_EQ(Get<CButton>(dialog, kRadio2)->GetCheck(), BST_CHECKED);  // loaded from radio = 1
  Get<CButton>(dialog, kOther)->Click();
  Get<CButton>(dialog, kRadio3)->Click();
  EXPECT_EQ(Get<CButton>(dialog, kRadio2)->GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(Get<CButton>(dialog, kRadio3)->GetCheck(), BST_CHECKED);
  EXPECT_EQ(Get<CButton>(dialog, kOther)->GetCheck(), BST_CHECKED);
  ASSERT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_EQ(dialog.radio, 2);
  dialog.DestroyWindow();
}

TEST(ControlWrappers, EditSelectionLimitAndLineEnds) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  auto* edit = Get<CEdit>(dialog, kEdit);
  edit->SetWindowText("abcdef");
  edit->SetSel(1, 3);
  int start = 0, end = 0;
  edit->GetSel(start, end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);
  edit->ReplaceSel("XY");
  EXPECT_EQ(edit->GetWindowText(), "aXYdef");
  EXPECT_TRUE(edit->Undo());
  EXPECT_EQ(edit->GetWindowText(), "abcdef");
  edit->SetLimitText(6);
  edit->SetSel(6, 6);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, "g");
  QApplication::sendEvent(edit->GetWidget(), &key);
  EXPECT_EQ(edit->GetWindowText(), "abcdef");
  EXPECT_TRUE(edit->SetReadOnly(TRUE));
  EXPECT_TRUE(edit->GetStyle() & ES_READONLY);

  auto* memo = Get<CEdit>(dialog, kMemo);
  memo->SetWindowText("one\r\ntwo");
  EXPECT_EQ(memo->GetLineCount(), 2);
  EXPECT_EQ(memo->GetWindowText(), "one\r\ntwo");
  dialog.DestroyWindow();
}

TEST(ControlWrappers, ListBoxSortsAndKeepsData) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  auto* list = Get<CListBox>(dialog, kList);
  list->AddString("Water");
  list->AddString("Cement");
  const int sand = list->AddString("Sand");
  EXPECT_EQ(sand, 1);
  list->SetItemData(sand, 7);
  EXPECT_EQ(list->GetText(0), "Cement");
  EXPECT_EQ(list->FindStringExact(-1, "water"), 2);
  EXPECT_EQ(list->SetCurSel(1), 1);
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_EQ(list->GetItemData(1), 7u);
  EXPECT_EQ(list->DeleteString(0), 2);
  EXPECT_EQ(list->GetItemData(0), 7u);
  dialog.DestroyWindow();
}

TEST(ControlWrappers, TabChangeNotifiesAndMayBeRefused) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  auto* tabs = Get<CTabCtrl>(dialog, kTabs);
  tabs->InsertItem(0, "General");
  tabs->InsertItem(1, "Graphic");
  EXPECT_EQ(tabs->GetCurSel(), 0);
  auto* bar = tabs->GetWidget()->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  dialog.notes.clear();
  emit bar->tabBarClicked(1);
  bar->setCurrentIndex(1);
  EXPECT_EQ(dialog.notes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
  dialog.refuseTabChange = true;
  emit bar->tabBarClicked(0);
  bar->setCurrentIndex(0);
  EXPECT_EQ(tabs->GetCurSel(), 1);
  dialog.DestroyWindow();
}

TEST(ControlWrappers, SpinStepsWithinItsRangeAndWritesTheBuddy) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  auto* spin = Get<CSpinButtonCtrl>(dialog, kSpin);
  spin->SetBuddy(dialog.GetDlgItem(kBuddy));
  spin->SetRange(0, 3);
  spin->SetPos(2);
  spin->Step(+1);
  spin->Step(+1);
  EXPECT_EQ(spin->GetPos(), 3);
  EXPECT_EQ(dialog.GetDlgItemText(kBuddy), "3");
  ASSERT_EQ(dialog.scrolls.size(), 2u);
  EXPECT_EQ(dialog.scrolls[0], (std::pair<UINT, UINT>{SB_THUMBPOSITION, 3}));
  dialog.DestroyWindow();
}

TEST(ControlWrappers, OwnerDrawnButtonPaintsThroughDrawItem) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  dialog.ShowWindow(SW_SHOW);
  const QImage image = dialog.drawn.GetWidget()->grab().toImage();
  EXPECT_GE(dialog.drawn.draws, 1);
  EXPECT_EQ(image.pixelColor(2, 2), QColor(255, 0, 0));
  dialog.DestroyWindow();
}

namespace {
// A library button turns itself owner-drawn when attached and watches BM_SETSTYLE.
class LateOwnerDrawn : public CButton {
 public:
  void PreSubclassWindow() override { ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == BM_SETSTYLE) {
      styles.push_back(static_cast<UINT>(wParam));
      wParam = (wParam & ~static_cast<WPARAM>(0x1F)) | BS_OWNERDRAW;  // stays owner-drawn
    }
    return CButton::WindowProc(message, wParam, lParam);
  }
  void DrawItem(LPDRAWITEMSTRUCT item) override {
    ++draws;
    item->hDC->FillSolidRect(&item->rcItem, 0x00FF00);
  }
  std::vector<UINT> styles;
  int draws = 0;
};
}  // namespace

TEST(ControlWrappers, ButtonMadeOwnerDrawnWhenAttachedPaintsItself) {
  ControlsDialog dialog;
  LateOwnerDrawn late;
  ASSERT_TRUE(dialog.Create(kControls));
  CDataExchange dx(&dialog, FALSE);
  DDX_Control(&dx, kPlain, late);
  ASSERT_EQ(dialog.GetDlgItem(kPlain), &late);
  EXPECT_EQ(late.GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
  dialog.SetDefID(kPlain);
  EXPECT_EQ(late.styles, (std::vector<UINT>{BS_DEFPUSHBUTTON}));
  dialog.ShowWindow(SW_SHOW);
  const QImage image = late.GetWidget()->grab().toImage();
  EXPECT_GE(late.draws, 1);
  EXPECT_EQ(image.pixelColor(1, 1), QColor(0, 255, 0));
  dialog.DestroyWindow();
}

TEST(ApplicationHooksTest, KeyboardHookSeesAndMaySwallowKeys) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  dialog.ShowWindow(SW_SHOW);
  auto* edit = Get<CEdit>(dialog, kEdit);
  QApplication::setActiveWindow(dialog.GetWidget());
  edit->SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), edit->GetWidget());
  std::vector<int> seen;
  const int id = app_hooks::AddKeyboardHook([&](int vk, bool down) {
    if (down) seen.push_back(vk);
    return vk == 'X';
  });
  QWidget* target = edit->GetWidget();
  for (auto [key, text] : {std::pair{Qt::Key_X, "x"}, std::pair{Qt::Key_Y, "y"}}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
  }
  app_hooks::Remove(id);
  EXPECT_EQ(app_hooks::Count(), 0);
  EXPECT_EQ(seen, (std::vector<int>{'X', 'Y'}));
  EXPECT_EQ(edit->GetWindowText(), "y");
  dialog.DestroyWindow();
}

TEST(ApplicationHooksTest, MouseHookSeesEachClickOnceWithTheWindowUnderIt) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  dialog.ShowWindow(SW_SHOW);
  std::vector<std::pair<UINT, HWND>> seen;
  const int id = app_hooks::AddMouseHook([&](UINT message, CPoint, HWND window) {
    seen.push_back({message, window});
    return false;
  });
  QWidget* list = dialog.GetDlgItem(kList)->GetWidget();
  QWidget* target = list->childAt(5, 5) ? list->childAt(5, 5) : list;
  const QPoint at = target->mapFromGlobal(list->mapToGlobal(QPoint(5, 5)));
  QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  app_hooks::Remove(id);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, WM_RBUTTONDOWN);
  EXPECT_EQ(seen[0].second, dialog.GetDlgItem(kList)->GetSafeHwnd());
  dialog.DestroyWindow();
}

TEST(ApplicationHooksTest, MoveHookFollowsTheWatchedWindow) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  dialog.ShowWindow(SW_SHOW);
  int moves = 0;
  const int id = app_hooks::AddWindowMoveHook(dialog.GetSafeHwnd(), [&](HWND) { ++moves; });
  dialog.GetWidget()->move(dialog.GetWidget()->pos() + QPoint(15, 5));
  QApplication::processEvents();
  app_hooks::Remove(id);
  EXPECT_GE(moves, 1);
  dialog.DestroyWindow();
}

TEST(WindowFadeTest, WithoutACompositorTheFadeEndsAtOnce) {
  ControlsDialog dialog;
  ASSERT_TRUE(dialog.Create(kControls));
  bool done = false;
  FadeWindow(&dialog, 0, 255, 400, [&] { done = true; });
  ASSERT_FALSE(WindowOpacitySupported());  // the tests run offscreen
  EXPECT_TRUE(done);
  dialog.DestroyWindow();
}
