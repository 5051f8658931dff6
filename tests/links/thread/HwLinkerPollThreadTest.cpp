#include <gtest/gtest.h>

#include "../HwLinkerTestSupport.h"
#include "datacenter/ThreadEngine.h"
#include "platform/ui/MessageCore.h"
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
  EXPECT_TRUE(WaitPumping([&] { return link.polls.load() >= 2; }, 5000));
  EXPECT_TRUE(link.Start());  // already started: no second thread
  EXPECT_EQ(link.GetPollThread(), thread);

  EXPECT_TRUE(link.Stop());
  EXPECT_FALSE(thread->IsRunning());
  const int afterStop = link.polls.load();

  ASSERT_TRUE(link.Start());  // the same thread object runs again
  EXPECT_EQ(link.GetPollThread(), thread);
  EXPECT_TRUE(WaitPumping([&] { return link.polls.load() > afterStop; }, 5000));
  link.Stop();
  EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
