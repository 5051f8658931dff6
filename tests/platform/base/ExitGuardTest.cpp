// An exit() from inside the application's run (the display connection broke)
// must not run static destructors while worker cycles still run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/base/AtomicFile.h"
#include "platform/base/ExitHook.h"
#include "support/TestEnvironment.h"

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

// The shut-down ends the process while a worker it gave up on rewrites a file:
// the rewrite gets to its rename, and no temporary file stays.
TEST(ExitDuringARewrite, TheRewriteUnderWayFinishesBeforeTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child writes into this test's folder
  TempDir dir;
  dir.Write("Qelo-Setting.ini", "old");
  const std::string path = dir.File("Qelo-Setting.ini");
  EXPECT_EXIT(
      {
        static std::atomic<bool> renaming{false};
        SetWriteInterruptForTest([](const std::string&) {
          renaming = true;
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          return false;
        });
        std::thread([path] {
          WriteFileAtomically(path, "new");
          for (;;) ::pause();
        }).detach();
        while (!renaming) std::this_thread::yield();
        RequestProcessExit(5);
        ::_exit(0);  // the process did not end
      },
      ::testing::ExitedWithCode(5), "");
  EXPECT_EQ(dir.Read("Qelo-Setting.ini"), "new");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 1) << "a temporary file stayed";
}

}  // namespace
