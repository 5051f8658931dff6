#include <gtest/gtest.h>

#include <QWidget>

#include "platform/ui/RecordingWnd.h"

namespace {

TEST(WindowLifetime, ObjectExistsWithoutWindowAndOutlivesIt) {
  RecordingWnd wnd;
  EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
  EXPECT_EQ(wnd.GetWidget(), nullptr);
  EXPECT_FALSE(wnd.PostMessage(5374, 1, 2));  // nothing to post to yet

  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND first = wnd.GetSafeHwnd();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(IsWindow(first));
  EXPECT_EQ(CWnd::FromHandle(first), &wnd);
  EXPECT_EQ(CWnd::FromWidget(wnd.GetWidget()), &wnd);

  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
  EXPECT_EQ(CWnd::FromHandle(first), nullptr);
  EXPECT_EQ(wnd.Sequence({WM_CREATE, WM_DESTROY, WM_NCDESTROY}),
            (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));

  // The same object makes a new window with a new handle; the old one stays dead.
  ASSERT_TRUE(wnd.CreateTopLevel());
  EXPECT_NE(wnd.GetSafeHwnd(), first);
  EXPECT_FALSE(IsWindow(first));
  wnd.DestroyWindow();
}

TEST(WindowLifetime, CreateFailsWhenOnCreateAnswersMinusOne) {
  RecordingWnd wnd;
  wnd.answeredMessage = WM_CREATE;
  wnd.answer = -1;
  EXPECT_FALSE(wnd.CreateTopLevel());
  EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
}

TEST(WindowLifetime, ChildrenCarry32BitIdsAndDieWithTheirParent) {
  RecordingWnd parent, child, other;
  ASSERT_TRUE(parent.CreateTopLevel());
  const UINT plantObjectId = 0x01040003;  // settings index 1, kind 4, instance 3
  ASSERT_TRUE(child.CreateChildOf(&parent, plantObjectId, CRect(5, 6, 25, 46)));
  ASSERT_TRUE(other.CreateChildOf(&parent, 0x01040004));

  EXPECT_EQ(parent.GetDlgItem(plantObjectId), &child);
  EXPECT_EQ(parent.GetDlgItem(0x0003), nullptr);  // the full id counts, not its low word
  EXPECT_EQ(child.GetDlgCtrlID(), plantObjectId);
  EXPECT_EQ(child.GetParent(), &parent);
  EXPECT_TRUE(parent.IsChild(&child));
  EXPECT_EQ(child.GetTopLevelParent(), &parent);

  CRect client;
  child.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 20, 40));

  const HWND childHandle = child.GetSafeHwnd();
  parent.DestroyWindow();
  EXPECT_FALSE(IsWindow(childHandle));
  EXPECT_EQ(child.GetSafeHwnd(), nullptr);
  EXPECT_EQ(child.Sequence({WM_DESTROY, WM_NCDESTROY}), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(parent.GetDlgItem(plantObjectId), nullptr);
}

TEST(WindowLifetime, DeletingAChildObjectTakesItsWindowAway) {
  RecordingWnd parent;
  ASSERT_TRUE(parent.CreateTopLevel());
  HWND handle = nullptr;
  {
    RecordingWnd child;
    ASSERT_TRUE(child.CreateChildOf(&parent, 7));
    handle = child.GetSafeHwnd();
  }
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(parent.GetDlgItem(7), nullptr);
  EXPECT_TRUE(parent.GetChildren().empty());
}

TEST(WindowLifetime, CloseDestroysByDefaultAndAHandlerMayRefuse) {
  RecordingWnd closable;
  ASSERT_TRUE(closable.CreateTopLevel());
  closable.SendMessage(WM_CLOSE);
  EXPECT_EQ(closable.GetSafeHwnd(), nullptr);

  RecordingWnd refusing;
  refusing.answeredMessage = WM_CLOSE;
  ASSERT_TRUE(refusing.CreateTopLevel());
  refusing.GetWidget()->close();  // the window's own close button
  EXPECT_NE(refusing.GetSafeHwnd(), nullptr);
  EXPECT_EQ(refusing.Only(WM_CLOSE).size(), 1u);
  refusing.DestroyWindow();
}

TEST(WindowLifetime, TextStylesAndPlacementAreKept) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel("first"));
  EXPECT_EQ(wnd.GetWindowText(), "first");
  wnd.SetWindowText("RuvFrame [Refresh = 200 ms]");
  EXPECT_EQ(wnd.GetWindowText(), "RuvFrame [Refresh = 200 ms]");
  EXPECT_EQ(wnd.GetWidget()->windowTitle().toStdString(), "RuvFrame [Refresh = 200 ms]");

  char buffer[9];
  EXPECT_EQ(wnd.SendMessage(WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 8);
  EXPECT_STREQ(buffer, "RuvFrame");

  EXPECT_EQ(wnd.GetStyle() & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(wnd.ModifyStyle(WS_THICKFRAME, WS_VSCROLL));
  EXPECT_EQ(wnd.GetStyle() & (WS_THICKFRAME | WS_VSCROLL), WS_VSCROLL);
  EXPECT_FALSE(wnd.ModifyStyle(0, WS_VSCROLL));

  EXPECT_FALSE(wnd.IsWindowVisible());
  wnd.ShowWindow(SW_SHOW);
  EXPECT_TRUE(wnd.IsWindowVisible());
  EXPECT_TRUE(wnd.GetStyle() & WS_VISIBLE);
  wnd.MoveWindow(20, 30, 200, 100);
  CRect client;
  wnd.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 200, 100));

  EXPECT_FALSE(wnd.EnableWindow(FALSE));
  EXPECT_FALSE(wnd.IsWindowEnabled());
  EXPECT_TRUE(wnd.GetStyle() & WS_DISABLED);
  EXPECT_TRUE(wnd.EnableWindow(TRUE));
  wnd.DestroyWindow();
}

TEST(WindowLifetime, ClientToScreenAndBackAgree) {
  RecordingWnd parent, child;
  ASSERT_TRUE(parent.CreateTopLevel());
  ASSERT_TRUE(child.CreateChildOf(&parent, 1, CRect(40, 50, 140, 150)));
  parent.ShowWindow(SW_SHOW);
  CPoint inParent(0, 0), inChild(0, 0);
  parent.ClientToScreen(&inParent);
  child.ClientToScreen(&inChild);
  EXPECT_EQ(inChild - inParent, CPoint(40, 50));
  child.ScreenToClient(&inChild);
  EXPECT_EQ(inChild, CPoint(0, 0));
  parent.DestroyWindow();
}

}  // namespace

namespace {

TEST(WindowTree, SiblingsAndDialogItemTexts) {
  RecordingWnd parent, first, second;
  ASSERT_TRUE(parent.CreateTopLevel());
  ASSERT_TRUE(first.CreateChildOf(&parent, 1041));
  ASSERT_TRUE(second.CreateChildOf(&parent, 1042));
  EXPECT_EQ(parent.GetWindow(GW_CHILD), &first);
  EXPECT_EQ(first.GetWindow(GW_HWNDNEXT), &second);
  EXPECT_EQ(second.GetWindow(GW_HWNDNEXT), nullptr);
  EXPECT_EQ(second.GetWindow(GW_HWNDPREV), &first);

  parent.SetDlgItemText(1041, "Batch 12");
  EXPECT_EQ(parent.GetDlgItemText(1041), "Batch 12");
  BOOL ok = FALSE;
  parent.SetDlgItemInt(1042, -15);
  EXPECT_EQ(parent.GetDlgItemInt(1042, &ok), -15);
  EXPECT_TRUE(ok);
  parent.SetDlgItemText(1042, "1.5");
  EXPECT_EQ(parent.GetDlgItemInt(1042, &ok), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(parent.GetDlgItemText(9999), "");
  parent.DestroyWindow();
}

TEST(WindowTree, CaptureMovesBetweenWindowsAndTellsTheLoser) {
  RecordingWnd parent, a, b;
  ASSERT_TRUE(parent.CreateTopLevel());
  ASSERT_TRUE(a.CreateChildOf(&parent, 1));
  ASSERT_TRUE(b.CreateChildOf(&parent, 2));
  EXPECT_EQ(a.SetCapture(), nullptr);
  EXPECT_EQ(CWnd::GetCapture(), &a);
  EXPECT_EQ(b.SetCapture(), &a);
  ASSERT_EQ(a.Only(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(a.Only(WM_CAPTURECHANGED)[0].lParam), b.GetSafeHwnd());
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_EQ(b.Only(WM_CAPTURECHANGED).size(), 1u);
  // A destroyed window lets go of the capture.
  a.SetCapture();
  a.DestroyWindow();
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  parent.DestroyWindow();
}

}  // namespace
