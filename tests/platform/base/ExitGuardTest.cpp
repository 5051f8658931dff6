// An exit() from inside the application's run (the display connection broke)
// must not run static destructors while worker cycles still run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/base/ExitHook.h"

namespace {

// A static whose destructor shows that destructors ran: it ends the process with 42.
struct DestructorWitness {
  ~DestructorWitness() { _exit(42); }
};

// A worker that keeps using a static object, as the cycles do.
[[noreturn]] void ExitWithAWorkerRunning(bool armed) {
  static DestructorWitness witness;
  static std::atomic<int> counter{0};
  std::thread([] {
    for (;;) counter.fetch_add(1);
  }).detach();
  while (counter.load() == 0) std::this_thread::yield();
  if (armed) ArmExitInsideRunGuard();
  std::exit(3);
}

TEST(ExitInsideRunGuard, AnExitWhileArmedEndsAtOnceWithOneAndNoDestructorRuns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExitWithAWorkerRunning(true), ::testing::ExitedWithCode(1), "display connection lost");
  // Without the guard the destructors run (the witness ends with 42).
  EXPECT_EXIT(ExitWithAWorkerRunning(false), ::testing::ExitedWithCode(42), "");
}

TEST(ExitInsideRunGuard, DisarmedAtTheEndOfTheRunAnExitIsAnOrdinaryOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ArmExitInsideRunGuard();
        DisarmExitInsideRunGuard();
        static DestructorWitness witness;
        std::exit(3);
      },
      ::testing::ExitedWithCode(42), "");
}

}  // namespace
