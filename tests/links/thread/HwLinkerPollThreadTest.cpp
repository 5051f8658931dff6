#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "../HwLinkerTestSupport.h"
#include "datacenter/ThreadEngine.h"
#include "platform/ui/MessageCore.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

TEST(HwLinkerPollThread, PollsWhileStartedAndStopsWithTheEngine) {
  ScriptedMessageBox boxes;
  LinkTestEngineRoot root;
  root.SetDataSource(eDataSourceRealHW);
  auto tag = MakeHardwareTag("Bit", eHWAdv, eIOInput, VT_BOOL);
  TestLink link({tag.get()}, true);

  ASSERT_TRUE(link.Start());
  CThreadEngine* thread = link.GetPollThread();
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(WaitPumping([&] { return link.polls.load() >= 2; }, 60000));
  EXPECT_TRUE(link.Start());  // already started: no second thread
  EXPECT_EQ(link.GetPollThread(), thread);

  EXPECT_TRUE(link.Stop());
  EXPECT_FALSE(thread->IsRunning());
  const int afterStop = link.polls.load();

  ASSERT_TRUE(link.Start());  // the same thread object runs again
  EXPECT_EQ(link.GetPollThread(), thread);
  EXPECT_TRUE(WaitPumping([&] { return link.polls.load() > afterStop; }, 60000));
  link.Stop();
  EXPECT_EQ(boxes.Count(), 0u);
}

// A link whose card call hangs until the test lets it go, and which uses its own
// members after the hang.
class HangingCardLink final : public CHwLinkerEngine {
 public:
  HangingCardLink(std::atomic<bool>* release, std::atomic<bool>* destroyed)
      : m_release(release), m_destroyed(destroyed) {
    SetUsePollThread(TRUE);
  }
  ~HangingCardLink() override {
    Stop();
    *m_destroyed = true;
  }
  BOOL BuildItems() override {
    SetReady(TRUE);
    return TRUE;
  }
  void PollOnce() override {
    ++entered;
    while (!m_release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++afterHang;
  }
  CHwLinkerItem* CreateItem(CDCTag*) override { return nullptr; }

  std::atomic<int> entered{0};
  int afterHang = 0;

 private:
  std::atomic<bool>* m_release;
  std::atomic<bool>* m_destroyed;
};

// The owner releases a link whose polling worker hangs in a card call and is
// given up: the link must stay alive for that worker and go when it leaves.
TEST(HwLinkerPollThread, ALinkWhosePollerWasGivenUpIsFreedByThatPollerAsItLeaves) {
  FakeClock clock;  // the stop's bound passes at once
  clock.Install();
  ScriptedMessageBox boxes;
  boxes.Expect(IDOK, "All of threads not closed!");
  LinkTestEngineRoot root;
  root.SetDataSource(eDataSourceRealHW);
  std::atomic<bool> release{false};
  std::atomic<bool> destroyed{false};
  auto* link = new HangingCardLink(&release, &destroyed);
  ASSERT_TRUE(link->Start());
  for (int i = 0; i < 20000 && link->entered.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(link->entered.load(), 1);
  CHwLinkerEngine::Release(link);
  EXPECT_FALSE(destroyed.load());
  EXPECT_EQ(boxes.Pending(), 0u);
  release = true;
  for (int i = 0; i < 20000 && !destroyed.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(destroyed.load());
}

}  // namespace
