// A worker thread's balloon: the call returns at once and the UI thread shows it.
#include <gtest/gtest.h>

#include <QThread>
#include <QWidget>
#include <thread>

#include "controls/CBalloonHelp.h"
#include "platform/ui/WindowTimers.h"

TEST(BalloonWorkerTest, AWorkersCallIsQueuedToTheUiThread) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, "", "Owner", WS_OVERLAPPED, CRect(0, 0, 300, 200), nullptr, 0));
  owner.ShowWindow(SW_SHOW);
  const std::size_t before = CBalloonHelp::Balloons().size();

  std::thread worker([&owner] {
    CBalloonHelp::ShowBalloon("Process", "Step 3 done", nullptr, 0, 33216, 3000, &owner);
  });
  worker.join();  // returns without the UI thread's help
  EXPECT_EQ(CBalloonHelp::Balloons().size(), before);

  PumpPendingMessages();
  const auto balloons = CBalloonHelp::Balloons();
  ASSERT_EQ(balloons.size(), before + 1);
  CBalloonHelp* balloon = balloons.back();
  ASSERT_NE(balloon->GetWidget(), nullptr);
  EXPECT_EQ(balloon->GetWidget()->thread(), QThread::currentThread());
  EXPECT_EQ(balloon->GetWindowText(), "Process");
  owner.DestroyWindow();
  EXPECT_EQ(CBalloonHelp::Balloons().size(), before);
}
