#include <gtest/gtest.h>

#include "platform/ui/RecordingWnd.h"

namespace {

constexpr UINT kTagMessage = 5374;
constexpr UINT kShapeNotify = 5375;

TEST(Messages, PostedMessagesArriveInOrderThroughWindowProc) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  for (LPARAM code = 0; code < 16; ++code) EXPECT_TRUE(wnd.PostMessage(kTagMessage, 0x1234, code));
  EXPECT_TRUE(wnd.Only(kTagMessage).empty());  // queued, not run
  EXPECT_TRUE(WaitPumping([&] { return wnd.Only(kTagMessage).size() == 16; }, 10000));
  const auto seen = wnd.Only(kTagMessage);
  for (LPARAM code = 0; code < 16; ++code) {
    EXPECT_EQ(seen[code].lParam, code);
    EXPECT_EQ(seen[code].wParam, 0x1234u);
  }
  wnd.DestroyWindow();
}

TEST(Messages, PointerSizedParametersSurvive) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  int payload = 0;
  const WPARAM pointer = reinterpret_cast<WPARAM>(&payload);
  wnd.PostMessage(kTagMessage, pointer, static_cast<LPARAM>(-5));
  PumpPendingMessages();
  ASSERT_TRUE(WaitPumping([&] { return !wnd.Only(kTagMessage).empty(); }, 10000));
  EXPECT_EQ(wnd.Only(kTagMessage)[0].wParam, pointer);
  EXPECT_EQ(wnd.Only(kTagMessage)[0].lParam, -5);
  wnd.DestroyWindow();
}

TEST(Messages, SendOnTheUiThreadRunsAtOnceAndReturnsTheAnswer) {
  RecordingWnd wnd;
  wnd.answeredMessage = kShapeNotify;
  wnd.answer = 1;  // a refusal
  ASSERT_TRUE(wnd.CreateTopLevel());
  EXPECT_EQ(wnd.SendMessage(kShapeNotify, 0x01010002, 30), 1);
  ASSERT_EQ(wnd.Only(kShapeNotify).size(), 1u);
  wnd.DestroyWindow();
}

TEST(Messages, ADeadHandleDropsPostsAndSends) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND handle = wnd.GetSafeHwnd();
  wnd.answeredMessage = kShapeNotify;
  wnd.answer = 7;
  EXPECT_TRUE(PostMessage(handle, kTagMessage, 0, 2));  // queued while alive...
  wnd.DestroyWindow();                                  // ...dead at delivery
  EXPECT_FALSE(PostMessage(handle, kTagMessage, 0, 3));
  EXPECT_EQ(SendMessage(handle, kShapeNotify, 0, 0), 0);
  PumpPendingMessages();
  EXPECT_TRUE(wnd.Only(kTagMessage).empty());
  EXPECT_TRUE(wnd.Only(kShapeNotify).empty());
}

TEST(Messages, HandlersThatCallTheDefaultAndCommandsRouteToOnCmdMsg) {
  struct CommandWnd : RecordingWnd {
    std::vector<UINT> commands;
    BOOL OnCmdMsg(UINT id, int) override {
      if (id == 114) {
        commands.push_back(id);
        return TRUE;
      }
      return FALSE;
    }
  } wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  wnd.SendMessage(WM_COMMAND, 114, 0);
  wnd.SendMessage(WM_COMMAND, 115, 0);
  EXPECT_EQ(wnd.commands, (std::vector<UINT>{114}));
  wnd.DestroyWindow();
}

TEST(Messages, CustomMessagesAboveTheSystemRangeReachWindowProc) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  for (UINT message : {5374u, 5375u, 5376u, 5377u, 5378u, 5381u, 5382u, 0x402u, 1143u}) wnd.SendMessage(message, 1, 2);
  EXPECT_EQ(wnd.Sequence({5374, 5375, 5376, 5377, 5378, 5381, 5382, 0x402, 1143}),
            (std::vector<UINT>{5374, 5375, 5376, 5377, 5378, 5381, 5382, 0x402, 1143}));
  wnd.DestroyWindow();
}

TEST(Messages, AWindowMayDestroyItselfInsideItsOwnHandler) {
  struct SelfDestroying : RecordingWnd {
    void OnLButtonDown(UINT, CPoint) override { DestroyWindow(); }
  } wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
  EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
  PumpPendingMessages();  // the widget goes later, safely
}

TEST(Messages, PackingHelpersKeepSignedCoordinates) {
  const LPARAM packed = MAKELPARAM(-3, 700);
  EXPECT_EQ(GET_X_LPARAM(packed), -3);
  EXPECT_EQ(GET_Y_LPARAM(packed), 700);
  const WPARAM wheel = MAKEWPARAM(MK_CONTROL, -240);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel), -240);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(wheel), MK_CONTROL);
}

}  // namespace
