// The clipboard and key-state services from a worker thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <atomic>
#include <thread>

#include "platform/ui/MessageCore.h"
#include "platform/ui/QtClipboard.h"
#include "platform/ui/QtKeyState.h"
#include "platform/ui/RecordingWnd.h"

namespace {

TEST(QtServicesThread, AWorkerPutsTextOnTheClipboardThroughTheUiThread) {
  QtClipboard clipboard;
  std::atomic<bool> done{false};
  std::atomic<bool> stored{false};
  std::thread worker([&] {
    stored = clipboard.SetText("DataCenter TagName: Mixer1.Level");
    done = true;
  });
  ASSERT_TRUE(WaitPumping([&] { return done.load(); }, 60000));
  worker.join();
  EXPECT_TRUE(stored.load());
  EXPECT_EQ(clipboard.Text(), "DataCenter TagName: Mixer1.Level");
}

TEST(QtServicesThread, KeysHeldOnTheUiThreadAreSeenFromAWorker) {
  QtKeyState keys;
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  QApplication::sendEvent(wnd.GetWidget(), &shift);
  QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::ShiftModifier);
  QApplication::sendEvent(wnd.GetWidget(), &f2);
  bool shiftSeen = false, f2Seen = false, ctrlSeen = true;
  std::thread worker([&] {
    shiftSeen = keys.IsDown(VK_SHIFT);
    f2Seen = keys.IsDown(VK_F2);
    ctrlSeen = keys.IsDown(VK_CONTROL);
  });
  worker.join();
  EXPECT_TRUE(shiftSeen);
  EXPECT_TRUE(f2Seen);
  EXPECT_FALSE(ctrlSeen);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  QApplication::sendEvent(wnd.GetWidget(), &release);
  std::thread again([&] { shiftSeen = keys.IsDown(VK_SHIFT); });
  again.join();
  EXPECT_FALSE(shiftSeen);
  wnd.DestroyWindow();
}

}  // namespace
