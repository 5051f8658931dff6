// The stand-in server's completions travel from its own thread as sends: a
// UI-thread wait that runs only the workers' sends receives them, on the UI
// thread, in the order given.
#include <gtest/gtest.h>

#include <vector>

#include "platform/opc/OpcStandInCourier.h"
#include "platform/ui/MessageCore.h"

TEST(OpcStandInCourier, ASendsOnlyWaitReceivesTheCallsOnTheUiThreadInOrder) {
  std::vector<int> order;
  bool onUiThread = true;
  for (int i = 0; i < 3; ++i) {
    OpcStandInCourier::Instance().Send([&order, &onUiThread, i] {
      onUiThread = onUiThread && IsUiThread();
      order.push_back(i);
    });
  }
  EXPECT_TRUE(WaitServicingSends([&order] { return order.size() == 3; }, 10000));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(onUiThread);
}
