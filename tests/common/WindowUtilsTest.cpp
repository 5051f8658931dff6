#include <gtest/gtest.h>

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

}  // namespace
