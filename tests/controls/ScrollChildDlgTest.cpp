// Scrolling child dialog: line and page steps, limits, and a content no taller
// than its area.
#include <gtest/gtest.h>

#include "controls/CChildDlgCtrl.h"
#include "controls/CScrollChildDlg.h"

namespace {

constexpr UINT kHost = 9301, kRows = 9302, kPlaceholder = 401, kRow = 9303;

void RegisterTemplates() {
  DialogTemplate host;
  host.id = kHost;
  host.caption = "Recipe";
  host.cx = 300;
  host.cy = 200;
  host.items = {{kPlaceholder, kStaticClass, "", WS_VISIBLE | SS_ETCHEDFRAME, 10, 10, 200, 120}};
  RegisterDialogTemplate(host);
  DialogTemplate rows;
  rows.id = kRows;
  rows.style = WS_CHILD | WS_VSCROLL;
  rows.cx = 200;
  rows.cy = 120;
  rows.items = {{402, kEditClass, "first", WS_VISIBLE, 5, 5, 80, 12}};
  RegisterDialogTemplate(rows);
  DialogTemplate row;
  row.id = kRow;
  row.style = WS_CHILD | WS_VISIBLE;
  row.cx = 100;
  row.cy = 20;
  RegisterDialogTemplate(row);
}

class StepRow : public CChildDlgCtrl {
 public:
  UINT GetTemplateID() const override { return kRow; }
};

}  // namespace

TEST(ScrollChildDlg, StandsOnThePlaceholderAndStepsByLineAndPage) {
  RegisterTemplates();
  CDialog host(kHost);
  ASSERT_TRUE(host.Create(kHost));
  CScrollChildDlg rows(&host, kPlaceholder, kRows);
  ASSERT_NE(rows.GetSafeHwnd(), nullptr);
  CRect placeholder, mine;
  host.GetDlgItem(kPlaceholder)->GetWindowRect(&placeholder);
  rows.GetWindowRect(&mine);
  EXPECT_EQ(placeholder, mine);

  CRect client;
  rows.GetClientRect(&client);
  rows.SetFullRect(0, 0, client.Width(), client.Height() + 400);  // range 400
  ASSERT_EQ(rows.ScrollRangeSize(), 400);
  rows.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 20);  // 400/20
  rows.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 60);  // + 400/10
  EXPECT_EQ(rows.GetScrollPos(SB_VERT), 60);
  rows.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 398), 0);
  rows.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 400);  // only the 2 left
  rows.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 400);
  rows.SendMessage(WM_VSCROLL, SB_TOP, 0);  // not a code it follows
  EXPECT_EQ(rows.GetScrollPosition(), 400);
  rows.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), 0);
  rows.SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 0);
  // The wheel turns by lines.
  rows.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(rows.GetScrollPosition(), 20);
  // Children moved with the content.
  CRect edit;
  rows.GetDlgItem(402)->GetWindowRect(&edit);
  rows.ScreenToClient(&edit);
  EXPECT_EQ(edit.top, DialogUnitsToPixelsY(5) - 20);
  host.DestroyWindow();
}

TEST(ScrollChildDlg, SmallContentDoesNotScrollAndStepsAreAtLeastFive) {
  RegisterTemplates();
  CDialog host(kHost);
  ASSERT_TRUE(host.Create(kHost));
  CScrollChildDlg rows(&host, kPlaceholder, kRows);
  CRect client;
  rows.GetClientRect(&client);
  rows.SetFullRect(0, 0, client.Width(), client.Height());
  rows.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 0);
  rows.SetFullRect(0, 0, client.Width(), client.Height() + 30);
  rows.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(rows.GetScrollPosition(), 5);
  host.DestroyWindow();
}

TEST(ChildDlgCtrl, CreatedAtThePositionPlusOffset) {
  RegisterTemplates();
  CDialog host(kHost);
  ASSERT_TRUE(host.Create(kHost));
  StepRow row;
  ASSERT_TRUE(row.CreateAt(&host, CPoint(70, 10), 42, CPoint(85, 0)));
  CRect rect;
  row.GetWindowRect(&rect);
  host.ScreenToClient(&rect);
  EXPECT_EQ(rect.TopLeft(), CPoint(155, 10));
  EXPECT_EQ(rect.Width(), DialogUnitsToPixelsX(100));
  EXPECT_EQ(row.GetOwnerData(), 42u);
  host.DestroyWindow();
}
