// Real worker threads against the UI thread: posting, sending, the pumping wait,
// and the operations the threading rules allow from any thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QWidget>

#include "platform/ui/CPaintDC.h"
#include "platform/ui/RecordingWnd.h"
#include "platform/ui/WindowTimers.h"

namespace {

constexpr UINT kTagMessage = 5374;
constexpr UINT kShapeNotify = 5375;

TEST(CrossThread, PostsFromAWorkerKeepTheirOrder) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND handle = wnd.GetSafeHwnd();
  std::thread worker([handle] {
    for (LPARAM i = 0; i < 500; ++i) PostMessage(handle, kTagMessage, 0, i);
  });
  worker.join();
  ASSERT_TRUE(WaitPumping([&] { return wnd.Only(kTagMessage).size() == 500; }, 30000));
  const auto seen = wnd.Only(kTagMessage);
  for (LPARAM i = 0; i < 500; ++i) {
    ASSERT_EQ(seen[i].lParam, i);
    EXPECT_EQ(seen[i].thread, std::this_thread::get_id());
  }
  wnd.DestroyWindow();
}

// The UI thread waits for a worker that is itself blocked sending to a window:
// the wait keeps servicing the send, so both finish.
TEST(CrossThread, ASendFromAWorkerRunsOnTheUiThreadWhileTheUiThreadWaits) {
  RecordingWnd wnd;
  wnd.answeredMessage = kShapeNotify;
  wnd.answer = 1;
  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND handle = wnd.GetSafeHwnd();
  std::atomic<bool> finished{false};
  std::atomic<LRESULT> answer{0};
  std::thread worker([&] {
    answer = SendMessage(handle, kShapeNotify, 0x01010000, 30);
    finished = true;
  });
  EXPECT_TRUE(WaitPumping([&] { return finished.load(); }, 60000));
  worker.join();
  EXPECT_EQ(answer.load(), 1);
  const auto seen = wnd.Only(kShapeNotify);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, std::this_thread::get_id());
  wnd.DestroyWindow();
}

// A wait for a worker (a link's stop, the close) runs the worker's send but
// nothing posted meanwhile: no command or menu choice runs inside that wait.
TEST(CrossThread, AWaitServicingSendsRunsTheSendAndLeavesThePostsForLater) {
  RecordingWnd wnd;
  wnd.answeredMessage = kShapeNotify;
  wnd.answer = 1;
  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND handle = wnd.GetSafeHwnd();
  std::atomic<bool> finished{false};
  PostMessage(handle, kTagMessage, 0, 1);
  std::thread worker([&] {
    PostMessage(handle, kTagMessage, 0, 2);
    EXPECT_EQ(SendMessage(handle, kShapeNotify, 0, 30), 1);
    finished = true;
  });
  EXPECT_TRUE(WaitServicingSends([&] { return finished.load(); }, 60000));
  worker.join();
  EXPECT_EQ(wnd.Only(kShapeNotify).size(), 1u);
  EXPECT_TRUE(wnd.Only(kTagMessage).empty());
  ASSERT_TRUE(WaitPumping([&] { return wnd.Only(kTagMessage).size() == 2; }, 10000));
  wnd.DestroyWindow();
}

TEST(CrossThread, AWorkersSendToADeadWindowIsDropped) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  const HWND handle = wnd.GetSafeHwnd();
  wnd.DestroyWindow();
  LRESULT answer = -1;
  BOOL posted = TRUE;
  std::thread worker([&] {
    answer = SendMessage(handle, kShapeNotify, 0, 0);
    posted = PostMessage(handle, kTagMessage, 0, 0);
  });
  worker.join();
  EXPECT_EQ(answer, 0);
  EXPECT_FALSE(posted);
  EXPECT_TRUE(wnd.Only(kShapeNotify).empty());
}

TEST(CrossThread, TextInvalidateAndTimersFromAWorkerReachTheUiThread) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel("RuvFrame"));
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int ms = 200; ms < 260; ms += 10) wnd.SetWindowText("RuvFrame [Refresh = " + std::to_string(ms) + " ms]");
    wnd.Invalidate();
    wnd.SetTimer(6600, 1000);
    wnd.SetTimer(6600, 500);
    wnd.SetTimer(103, 1000);
    wnd.KillTimer(103);
    done = true;
  });
  ASSERT_TRUE(WaitPumping([&] { return done.load(); }, 60000));
  worker.join();
  PumpPendingMessages();
  EXPECT_EQ(wnd.GetWindowText(), "RuvFrame [Refresh = 250 ms]");
  const auto armed = ArmedTimersOf(wnd.GetSafeHwnd());
  ASSERT_EQ(armed.size(), 1u);
  EXPECT_EQ(armed[0].id, 6600u);
  EXPECT_EQ(armed[0].elapseMs, 500u);
  wnd.DestroyWindow();
}

// Counts its paints.
class PaintCountingWnd : public RecordingWnd {
 public:
  void OnPaint() override {
    CPaintDC dc(this);
    ++paints;
  }
  std::atomic<int> paints{0};
};

// A cycle sets the same title pass after pass: only a new text reaches the UI
// thread, so an unchanged title never redraws the window.
TEST(CrossThread, AWorkersUnchangedTextDoesNotRedrawTheWindow) {
  PaintCountingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel("RuvFrame [Refresh = 200 ms]"));
  wnd.ShowWindow(SW_SHOW);
  PumpPendingMessages();
  QCoreApplication::processEvents();
  const int before = wnd.paints.load();
  for (int pass = 0; pass < 5; ++pass) {
    std::thread worker([&] { wnd.SetWindowText("RuvFrame [Refresh = 200 ms]"); });
    worker.join();
    PumpPendingMessages();
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(wnd.paints.load(), before);
  std::thread worker([&] { wnd.SetWindowText("RuvFrame [Refresh = 210 ms]"); });
  worker.join();
  ASSERT_TRUE(WaitPumping([&] { return wnd.GetWidget()->windowTitle() == "RuvFrame [Refresh = 210 ms]"; }, 10000));
  wnd.DestroyWindow();
}

}  // namespace

namespace {

// A worker ends a window through DestroyWindow (run on the UI thread) before it
// deletes the object: the object's own parts must not go while its widget
// still delivers events.
TEST(CrossThread, AWorkerDestroysAWindowOnTheUiThreadThenDeletesIt) {
  auto* wnd = new RecordingWnd();
  ASSERT_TRUE(wnd->CreateTopLevel());
  const HWND handle = wnd->GetSafeHwnd();
  std::atomic<bool> done{false};
  std::atomic<bool> destroyed{false};
  std::thread worker([&] {
    destroyed = wnd->DestroyWindow() != FALSE;
    delete wnd;
    done = true;
  });
  EXPECT_TRUE(WaitPumping([&] { return done.load(); }, 60000));
  worker.join();
  EXPECT_TRUE(destroyed.load());
  EXPECT_FALSE(IsWindow(handle));
}

}  // namespace

namespace {

// A worker keeps arming a timer on a window the UI thread destroys meanwhile: once
// the window is gone, no timer of its handle may be left armed.
TEST(CrossThread, ATimerArmedWhileItsWindowIsDestroyedDoesNotOutliveIt) {
  int leftArmed = 0;
  for (int round = 0; round < 300; ++round) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    const HWND handle = wnd.GetSafeHwnd();
    std::atomic<bool> armedOnce{false};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
      while (!stop.load()) {
        SetWindowTimer(handle, 7, 50);
        armedOnce = true;
      }
    });
    while (!armedOnce.load()) std::this_thread::yield();
    wnd.DestroyWindow();
    stop = true;
    worker.join();
    PumpPendingMessages();
    if (!ArmedTimersOf(handle).empty()) {
      ++leftArmed;
      KillAllWindowTimers(handle);
    }
  }
  EXPECT_EQ(leftArmed, 0);
}

}  // namespace
