// The program itself in a child process, closed by a termination signal while
// another program holds the database's lock: the records it kept are said
// before the close waits for the lock, so a second signal during that wait
// still leaves them on the standard error output and in the file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/db/DbTestSupport.h"
#include "records/AdoDatabase.h"
#include "support/TestEnvironment.h"

namespace {

class KeptRecordsAtSignalTest : public ::testing::Test {
 protected:
  static std::string Contents(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
  // Waits (with a generous watchdog) until `done`; false when it never came.
  template <typename Done>
  static bool Await(Done done) {
    for (int round = 0; round < 12000; ++round) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

  KeptRecordsAtSignalTest() {
    std::filesystem::copy_file(RUV_APP_EXE, dir.File("ruvframe"));
    for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
      dir.Write(name, Contents(std::string(RUV_DATA_DIR "/") + name));
    EXPECT_EQ(::MakeDatabase(DatabasePath(), Contents(RUV_SCHEMA_SQL)), "");
    std::filesystem::create_directory(dir.File("config"));
  }
  ~KeptRecordsAtSignalTest() override {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  std::string DatabasePath() const { return dir.File("Qelo-DataBase.mdb"); }
  std::string ReportPath() const { return DatabasePath() + CADODatabase::kUnwrittenFileSuffix; }
  std::string ErrorOutput() const { return Contents(dir.File("stderr.txt")); }

  void Start() {
    const std::vector<std::string> environment = {
        "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.File("config"),
        "HOME=" + dir.Path(), "ASAN_OPTIONS=detect_leaks=0"};
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const std::string program = dir.File("ruvframe");
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const int errorFile = ::open(dir.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(errorFile, 0);
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(errorFile, STDERR_FILENO);
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ::close(errorFile);
    ASSERT_GT(m_pid, 0);
  }
  // Whether the child catches SIGTERM yet (its handlers are installed).
  bool CatchesTermination() const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
  }
  bool Ended(int& status) {
    if (m_pid <= 0) return true;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    m_pid = -1;
    return true;
  }

  TempDir dir;
  pid_t m_pid = -1;
};

TEST_F(KeptRecordsAtSignalTest, ASecondSignalDuringTheLastTryLeavesTheKeptRecordsToldBeforeTheWait) {
  // The active shift names a recipe that is not active: the start writes the
  // shift back without it, under the other program's lock, so the write is kept.
  RawDatabase other(DatabasePath());
  ASSERT_EQ(other.Exec("INSERT INTO Shift (m_nOperatorCode, m_strOperatorName, m_nShiftRecipeID, m_strShiftRecipeName, "
                       "m_bShiftStopped) VALUES (7, 'Ali', 5, 'Gone', 0)"),
            SQLITE_OK);
  ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  Start();
  int status = 0;
  // (Our own connection made the journal files: the child's signal handlers tell it is up.)
  ASSERT_TRUE(Await([&] { return CatchesTermination() || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status;

  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  // The close says what it kept before it waits for the lock...
  ASSERT_TRUE(Await([&] { return Contents(ReportPath()).find("Row 1 of Shift:") != std::string::npos || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended before it said what it kept, status " << status << "\n" << ErrorOutput();
  // (Said while it still waits: nothing is reported as given up yet.)
  ASSERT_EQ(Contents(ReportPath()).find(CADODatabase::kUnwrittenText), std::string::npos) << Contents(ReportPath());
  // ...so a second signal during the wait ends it without losing them.
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  ASSERT_TRUE(Await([&] { return Ended(status); })) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);

  const std::string told = Contents(ReportPath());
  EXPECT_EQ(told.find(CADODatabase::kKeptAtCloseText), 0u) << told;
  EXPECT_NE(told.find("m_nShiftRecipeID = -1"), std::string::npos) << told;
  EXPECT_NE(ErrorOutput().find(std::string(CADODatabase::kKeptAtCloseText) + "Row 1 of Shift:"), std::string::npos)
      << ErrorOutput();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(other.Text("SELECT m_nShiftRecipeID FROM Shift"), "5");
}

}  // namespace
