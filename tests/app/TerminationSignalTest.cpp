// The program itself, started in a child process in Demo from the default
// files, ended by a termination signal as a logout or a service manager ends
// it: it closes as its own close command does, without the question.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/db/DbTestSupport.h"
#include "support/TestEnvironment.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Waits (with a generous watchdog) until `done`; false when it never came.
template <typename Done>
bool WaitFor(Done done) {
  for (int round = 0; round < 12000; ++round) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

class TerminationSignalTest : public ::testing::Test {
 protected:
  TerminationSignalTest() {
    // The program finds its files beside itself.
    std::filesystem::copy_file(RUV_APP_EXE, Program());
    for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
      dir.Write(name, ReadFile(std::string(RUV_DATA_DIR "/") + name));
    EXPECT_EQ(::MakeDatabase(dir.File("Qelo-DataBase.mdb"), ReadFile(RUV_SCHEMA_SQL)), "");
    std::filesystem::create_directory(dir.File("config"));
  }
  ~TerminationSignalTest() override {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  std::string Program() const { return dir.File("ruvframe"); }
  std::string StandardError() const { return dir.File("stderr.txt"); }
  std::string Journal() const { return dir.File("Qelo-DataBase.mdb-wal"); }
  // Up: the plant's tables are open in the database (its journal files are there).
  void WaitUntilUp() {
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(Journal()) || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ReadFile(StandardError());
  }
  // Waits for the end; the exit code, or -1 when it ended otherwise.
  int ExitCode() {
    int status = 0;
    EXPECT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The close ran in order: the database closed (its journal files went with
  // the last connection) and the windows' settings were written.
  void ExpectClosedInOrder() {
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Qelo-DataBase.mdb-shm")));
    EXPECT_NE(ReadFile(Profile()).find("RecipeDlg="), std::string::npos);
  }
  std::string Profile() const { return dir.File("config/RuvFrame Qelo.ini"); }

  // `ignored`: signals the child starts with ignored (as nohup or a shell's
  // background job leaves them). Its standard error goes to StandardError().
  void Start(const std::vector<int>& ignored = {}) {
    // Everything the child needs is made before the fork.
    const std::vector<std::string> environment = {
        "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.File("config"),
        "HOME=" + dir.Path(), "ASAN_OPTIONS=detect_leaks=0"};
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const std::string program = Program();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const std::string errors = StandardError();
    m_pid = ::fork();
    if (m_pid == 0) {
      // The test's own dispositions are not the child's (a test run as a
      // background job has SIGINT ignored): it starts with the defaults.
      for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::signal(signal, SIG_DFL);
      for (int signal : ignored) ::signal(signal, SIG_IGN);
      const int errorFile = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (errorFile >= 0) ::dup2(errorFile, STDERR_FILENO);
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ASSERT_GT(m_pid, 0);
  }
  // True once the child ended; its status in `status`.
  bool Ended(int& status) {
    if (m_pid <= 0) return true;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    m_pid = -1;
    return true;
  }

  TempDir dir;
  pid_t m_pid = -1;
};

TEST_F(TerminationSignalTest, SigtermClosesAsTheCloseCommandDoesWithoutTheQuestion) {
  Start();
  int status = 0;
  // Up: the plant's tables are open in the database (its journal files are there).
  const std::string journal = dir.File("Qelo-DataBase.mdb-wal");
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(journal) || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status;
  EXPECT_FALSE(std::filesystem::exists(Profile()));

  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The database closed: its journal files went with the last connection.
  EXPECT_FALSE(std::filesystem::exists(journal));
  EXPECT_FALSE(std::filesystem::exists(dir.File("Qelo-DataBase.mdb-shm")));
  // The windows' settings were written as they closed (the recipe dialog's place).
  EXPECT_NE(ReadFile(Profile()).find("RecipeDlg="), std::string::npos);
}

// Two different signals (the same one twice could merge while pending): the
// second ends the program at once, with 128 plus the first one's number.
TEST_F(TerminationSignalTest, ASecondSignalEndsTheProgramAtOnce) {
  Start();
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir.File("Qelo-DataBase.mdb-wal")) || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status;
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_TRUE(WEXITSTATUS(status) == 128 + SIGTERM || WEXITSTATUS(status) == 128 + SIGINT) << WEXITSTATUS(status);
}

// Started under nohup (SIGHUP ignored) as a background job of a script
// (SIGINT ignored): those signals stay ignored, and the program goes on until a
// signal it was not told to ignore closes it in order.
TEST_F(TerminationSignalTest, SignalsIgnoredAtTheStartStayIgnored) {
  Start({SIGHUP, SIGINT});
  WaitUntilUp();
  ASSERT_EQ(::kill(m_pid, SIGHUP), 0);
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  // Had either been taken, this one would be the second signal and end the
  // program at once with 128 plus that one's number.
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ReadFile(StandardError());
  ExpectClosedInOrder();
}

// A box is open at the start (the database lacks a table) when the signal
// comes: nobody is there to answer it. The signal answers it, every later box
// goes to the standard error output, and the program closes in order.
TEST_F(TerminationSignalTest, ASignalWhileAStartUpBoxIsOpenAnswersItAndClosesInOrder) {
  ASSERT_EQ(RawDatabase(dir.File("Qelo-DataBase.mdb")).Exec("DROP TABLE Shift"), SQLITE_OK);
  Start();
  WaitUntilUp();
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ReadFile(StandardError());
  ExpectClosedInOrder();
  EXPECT_NE(ReadFile(StandardError()).find("Shift"), std::string::npos) << ReadFile(StandardError());
}

}  // namespace
