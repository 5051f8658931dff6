// The program itself, stopped by a termination signal while it is still
// starting (a service manager's stop during a slow start, a Ctrl+C at once):
// the start ends in order, with code 0, and leaves nothing half-written.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProgramInChildFixture.h"
#include "platform/db/DbTestSupport.h"

namespace {

struct EarlyMoment {
  const char* name;
  int signal;
  // Sent this long after the exec, the signals held over the exec (what comes
  // before the program's own first instruction is no program's to take)...
  int afterExecMs;
  // ... or this long after the start's first step took the single-instance
  // lock (the splash comes next), nothing held; -1: not this way.
  int afterFirstStepMs;
};

void PrintTo(const EarlyMoment& moment, std::ostream* out) { *out << moment.name; }

class ProgramStartTest : public ProgramInChildFixture {
 protected:
  // Waits for the end; the exit code, or -1 when it ended otherwise.
  int ExitCode() {
    int status = 0;
    EXPECT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
      if (entry.path().filename().string().find(".tmp-") != std::string::npos) found.push_back(entry.path().string());
    return found;
  }
  // Nothing half-written: no rewrite's temporary file, the settings file whole,
  // the database closed and sound.
  void ExpectNothingHalfWritten() {
    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
    const std::string settings = ReadFile(dir.File("Qelo-Setting.ini"));
    const std::string defaults = ReadFile(std::string(RUV_DATA_DIR "/") + "Qelo-Setting.ini");
    std::istringstream lines(defaults);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line[0] == '[') {
        EXPECT_NE(settings.find(line), std::string::npos) << line << " lost from the settings file";
      }
    }
    EXPECT_FALSE(std::filesystem::exists(DatabasePath() + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(DatabasePath() + "-shm"));
    EXPECT_EQ(RawDatabase(DatabasePath()).Text("PRAGMA integrity_check"), "ok");
  }
};

class StartupSignalTest : public ProgramStartTest, public ::testing::WithParamInterface<EarlyMoment> {};

TEST_P(StartupSignalTest, EndsTheStartInOrderWithNothingHalfWritten) {
  const EarlyMoment moment = GetParam();
  if (moment.afterFirstStepMs < 0) {
    Start({}, {SIGTERM, SIGHUP, SIGINT});
    std::this_thread::sleep_for(std::chrono::milliseconds(moment.afterExecMs));
  } else {
    Start();
    int status = 0;
    const std::string lock = dir.File("RuvFrame Qelo.lock");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(lock) || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();
    std::this_thread::sleep_for(std::chrono::milliseconds(moment.afterFirstStepMs));
  }
  ASSERT_EQ(::kill(m_pid, moment.signal), 0);
  EXPECT_EQ(ExitCode(), 0) << ErrorOutput();
  ExpectNothingHalfWritten();
}

INSTANTIATE_TEST_SUITE_P(Moments, StartupSignalTest,
                         ::testing::Values(EarlyMoment{"AsItExecutes", SIGTERM, 0, -1},
                                           EarlyMoment{"WhileTheQtApplicationIsMade", SIGINT, 60, -1},
                                           EarlyMoment{"AtTheFirstStep", SIGTERM, 0, 0},
                                           EarlyMoment{"DuringTheSplash", SIGHUP, 0, 300}),
                         [](const auto& info) { return std::string(info.param.name); });

// A kill -9 in the middle of a rewrite left its temporary file; the next start
// takes it away, also beside a file nobody rewrites during that run.
TEST_F(ProgramStartTest, TemporariesLeftByAKilledRewriteGoAtTheNextStart) {
  for (const char* name :
       {"Qelo-Setting.ini.tmp-AbC123", "Qelo-ProcessRecovery.dat.tmp-XyZ789", "config/RuvFrame Qelo.ini.tmp-Qw3rTy"})
    dir.Write(name, "half");
  Start();
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(DatabasePath() + "-wal") || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();
  EXPECT_EQ(Temporaries(), std::vector<std::string>{});
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ErrorOutput();
  ExpectNothingHalfWritten();
}

// A SIGIO (what a writer's open of a leased file makes the kernel send, or
// any process's kill -IO) before the program has taken any lease: it is
// ignored from the start, and the program ends only when told to.
TEST_F(ProgramStartTest, ASigioBeforeAnyLeaseDoesNotEndTheProgram) {
  Start();
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir.File("RuvFrame Qelo.lock")) || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();
  ASSERT_EQ(::kill(m_pid, SIGIO), 0);
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ErrorOutput();
}

}  // namespace
