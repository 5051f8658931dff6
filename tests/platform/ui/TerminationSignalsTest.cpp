// A second termination signal ends the process at once, but never in the
// middle of a file's rewrite: the file stays the old or becomes the new one,
// whole, and no temporary file is left beside it. Each case runs in a child
// process (a death test), as the end is the process's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/ui/TerminationSignals.h"
#include "support/TestEnvironment.h"

namespace {

class SignalInsideARewriteTest : public ::testing::Test {
 protected:
  static constexpr char kName[] = "Qelo-Setting.ini";
  // Large enough that a write takes a while.
  static std::string Version(char mark) { return std::string(256 * 1024, mark) + "\n"; }
  SignalInsideARewriteTest() {
    // The child is a fork of this test (not the binary run again): it writes
    // into this test's folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    dir.Write(kName, Version('o'));
  }
  std::string Path() const { return dir.File(kName); }
  // Ended by the second signal, with 128 plus the first one's number.
  static bool EndedBySecondSignal(int status) {
    return WIFEXITED(status) && (WEXITSTATUS(status) == 128 + SIGTERM || WEXITSTATUS(status) == 128 + SIGINT);
  }
  // The file alone in its folder, one version of it whole; that version.
  char WholeVersion() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{kName});
    const std::string content = dir.Read(kName);
    for (char mark : {'o', 'a', 'b'})
      if (content == Version(mark)) return mark;
    ADD_FAILURE() << "the file is no whole version (" << content.size() << " bytes)";
    return '?';
  }
  TempDir dir;
};

TEST_F(SignalInsideARewriteTest, ASecondSignalBeforeTheRenameEndsTheProcessAfterIt) {
  const std::string path = Path();
  EXPECT_EXIT(
      {
        InstallTerminationSignals([] {});
        // Both come while the new version waits for its rename, on the writing thread.
        SetWriteInterruptForTest([](const std::string&) {
          ::raise(SIGTERM);
          ::raise(SIGINT);
          return false;
        });
        WriteFileAtomically(path, Version('a'));
        ::_exit(0);  // the second signal did not end the process
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "");
  EXPECT_EQ(WholeVersion(), 'a');
}

// Another thread rewrites the file without pause; the two signals come at a
// random moment, on whichever thread the system picks.
TEST_F(SignalInsideARewriteTest, TwoSignalsAtAnyMomentOfRewritesLeaveOneWholeFile) {
  const std::string path = Path();
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayUs(0, 20000);
  for (int round = 0; round < 6; ++round) {
    const int delay = delayUs(random);
    EXPECT_EXIT(
        {
          InstallTerminationSignals([] {});
          std::thread([path] {
            for (int i = 0;; ++i) WriteFileAtomically(path, Version(i % 2 == 0 ? 'a' : 'b'));
          }).detach();
          std::this_thread::sleep_for(std::chrono::microseconds(delay));
          ::kill(::getpid(), SIGTERM);
          ::kill(::getpid(), SIGINT);
          for (;;) ::pause();
        },
        EndedBySecondSignal, "")
        << "round " << round << ", " << delay << " us";
    WholeVersion();
  }
}

}  // namespace
