#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/Event.h"

namespace {

// Blocks until `count` threads wait on the event (no timing involved).
void AwaitWaiters(const Event& event, std::size_t count) {
  while (event.WaiterCount() != count) std::this_thread::yield();
}

struct Waiters;
void AwaitReleased(const Waiters& waiters, int count);

struct Waiters {
  Waiters(Event& event, int count) {
    for (int i = 0; i < count; ++i)
      threads.emplace_back([&event, this] {
        event.Wait();
        ++released;
      });
  }
  ~Waiters() {
    for (auto& t : threads) t.join();
  }
  std::atomic<int> released{0};
  std::vector<std::thread> threads;
};

void AwaitReleased(const Waiters& waiters, int count) {
  while (waiters.released.load() != count) std::this_thread::yield();
}

TEST(Event, AutoResetSetReleasesOneWaiterOrStaysSetForTheNext) {
  Event event;
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));  // consumed by the first wait
  EXPECT_FALSE(event.IsSet());

  Waiters waiters(event, 2);
  AwaitWaiters(event, 2);
  event.Set();
  AwaitWaiters(event, 1);
  AwaitReleased(waiters, 1);
  EXPECT_EQ(event.WaiterCount(), 1u);
  EXPECT_FALSE(event.IsSet());
  event.Set();
  AwaitWaiters(event, 0);
}

TEST(Event, ManualResetSetReleasesEveryWaiterAndStaysSet) {
  Event event(true);
  Waiters waiters(event, 3);
  AwaitWaiters(event, 3);
  event.Set();
  AwaitWaiters(event, 0);
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, PulseWithoutWaiterDoesNothing) {
  for (bool manual : {false, true}) {
    Event event(manual);
    event.Pulse();
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0)) << "a later waiter must not see an old pulse";
    Event set(manual, true);
    set.Pulse();  // also resets a set event
    EXPECT_FALSE(set.IsSet());
  }
}

TEST(Event, AutoResetPulseWakesExactlyOneCurrentWaiter) {
  Event event;
  Waiters waiters(event, 2);
  AwaitWaiters(event, 2);
  event.Pulse();
  AwaitWaiters(event, 1);
  AwaitReleased(waiters, 1);
  EXPECT_EQ(event.WaiterCount(), 1u) << "the pulse released more than one waiter";
  EXPECT_FALSE(event.IsSet());
  event.Pulse();
  AwaitReleased(waiters, 2);
}

TEST(Event, ManualResetPulseWakesEveryCurrentWaiterAndLeavesItReset) {
  Event event(true);
  Waiters waiters(event, 3);
  AwaitWaiters(event, 3);
  event.Pulse();
  AwaitWaiters(event, 0);
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.Wait(0));
}

}  // namespace
