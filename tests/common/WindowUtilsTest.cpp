#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <thread>
#include <vector>

#include "common/CommonUtils.h"

namespace {

class Recorder final : public IMessageTarget {
 public:
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM) override {
    received.push_back(message);
    return 0;
  }
  std::vector<UINT> received;
};

TEST(PumpWindowMessage, DeliversQueuedMessagesOnTheUiThreadOnly) {
  Recorder recorder;
  HWND window = RegisterMessageTarget(&recorder);
  ASSERT_TRUE(PostMessage(window, 5378, 0, 0));

  std::thread worker([window] { PumpWindowMessage(window); });  // no queue of its own
  worker.join();
  EXPECT_TRUE(recorder.received.empty());

  PumpWindowMessage(window);
  EXPECT_EQ(recorder.received, std::vector<UINT>{5378});

  ASSERT_TRUE(PostMessage(window, 5379, 0, 0));
  PumpWindowMessage();
  EXPECT_EQ(recorder.received, (std::vector<UINT>{5378, 5379}));

  // A dead window pumps nothing; the queued post to it is dropped at delivery.
  ASSERT_TRUE(PostMessage(window, 5380, 0, 0));
  UnregisterMessageTarget(window);
  PumpWindowMessage(window);
  PumpWindowMessage();
  EXPECT_EQ(recorder.received.size(), 2u);
}

class WindowPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_frame.CreateEx(0, "", "frame", WS_OVERLAPPEDWINDOW, CRect(40, 30, 440, 330), nullptr, 0));
  }
  void TearDown() override { m_frame.DestroyWindow(); }
  bool AddChild(CWnd& child, const CRect& rect, DWORD visible = WS_VISIBLE) {
    return child.Create("", "", WS_CHILD | visible, rect, &m_frame, 100) != FALSE;
  }
  CWnd m_frame;
};

TEST_F(WindowPlacement, RectangleInParentAndAnchorPoints) {
  CWnd child;
  ASSERT_TRUE(AddChild(child, CRect(10, 20, 31, 61)));
  CRect rect;
  EXPECT_EQ(GetWindowRectInParent(rect, &child), CRect(10, 20, 31, 61));

  const std::vector<CPoint> expected{{10, 20}, {20, 20}, {31, 20}, {10, 40}, {20, 40},
                                     {31, 40}, {10, 61}, {20, 61}, {31, 61}};
  for (int code = 0; code < 9; ++code) {
    CPoint point;
    EXPECT_EQ(GetWindowAnchorPoint(point, &child, code), expected[static_cast<std::size_t>(code)]) << code;
  }
  for (int code : {9, -1, 100}) {
    CPoint point(5, 5);
    EXPECT_EQ(GetWindowAnchorPoint(point, &child, code), CPoint(0, 0)) << code;
  }
  child.DestroyWindow();
}

TEST_F(WindowPlacement, AnchorHalvesTruncateTowardZero) {
  CWnd child;
  ASSERT_TRUE(AddChild(child, CRect(-31, -61, -10, -20)));
  CPoint point;
  EXPECT_EQ(GetWindowAnchorPoint(point, &child, 4), CPoint(-20, -40));  // -41/2, -81/2
  child.DestroyWindow();
}

TEST_F(WindowPlacement, ForceForegroundShowsAndFocusesALiveWindowOnly) {
  CWnd child;
  ASSERT_TRUE(AddChild(child, CRect(0, 0, 50, 20), 0));
  ASSERT_FALSE(child.IsWindowVisible());
  ForceForegroundWindow(nullptr);

  m_frame.ShowWindow(SW_SHOW);
  ForceForegroundWindow(&child);
  PumpPendingMessages();
  EXPECT_TRUE(child.IsWindowVisible());
  EXPECT_EQ(QApplication::activeWindow(), m_frame.GetWidget());

  CWnd gone;
  ASSERT_TRUE(AddChild(gone, CRect(0, 0, 5, 5), 0));
  gone.DestroyWindow();
  ForceForegroundWindow(&gone);  // no handle: nothing happens
  EXPECT_FALSE(gone.IsWindowVisible());
  child.DestroyWindow();
}

TEST_F(WindowPlacement, ForceForegroundLeavesAnActiveOwnedWindowAlone) {
  m_frame.ShowWindow(SW_SHOW);
  CWnd dialog;
  ASSERT_TRUE(dialog.CreateEx(0, "", "dialog", WS_POPUPWINDOW | WS_VISIBLE, CRect(60, 60, 160, 160), &m_frame, 0));
  dialog.SetForegroundWindow();
  PumpPendingMessages();
  if (QApplication::activeWindow() != dialog.GetWidget()) GTEST_SKIP() << "this platform does not activate windows";
  ForceForegroundWindow(&m_frame);
  PumpPendingMessages();
  EXPECT_EQ(QApplication::activeWindow(), dialog.GetWidget());
  dialog.DestroyWindow();
}

TEST_F(WindowPlacement, FindComboItemByDataGivesTheFirstMatch) {
  CComboBox combo;
  ASSERT_TRUE(combo.Create("", "", WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 100, 200), &m_frame, 7));
  EXPECT_EQ(FindComboItemByData(&combo, 0), -1);  // empty box
  for (const char* text : {"COM1", "COM2", "COM3"}) combo.AddString(text);
  combo.SetItemData(0, 10);
  combo.SetItemData(1, 0xFFFFFFFFu);
  combo.SetItemData(2, 10);
  EXPECT_EQ(FindComboItemByData(&combo, 10), 0);
  EXPECT_EQ(FindComboItemByData(&combo, 0xFFFFFFFFu), 1);
  EXPECT_EQ(FindComboItemByData(&combo, 11), -1);
  EXPECT_EQ(FindComboItemByData(nullptr, 10), -1);
  combo.DestroyWindow();
}

}  // namespace
