#pragma once
// The program itself, `ruvframe`, started in a child process from the default
// files and a new database in a temporary folder, as a logout or a service
// manager sees it: its standard error goes to a file (or a pipe whose reader
// is gone), and the test waits for
// what the program leaves behind (journal files, reports) or for its end.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
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

class ProgramInChildFixture : public ::testing::Test {
 protected:
  static std::string ReadFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
  // Waits (with a generous watchdog) until `done`; false when it never came.
  template <typename Done>
  static bool WaitFor(Done done) {
    for (int round = 0; round < 12000; ++round) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

  ProgramInChildFixture() {
    // The program finds its files beside itself.
    std::filesystem::copy_file(RUV_APP_EXE, Program());
    for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
      dir.Write(name, ReadFile(std::string(RUV_DATA_DIR "/") + name));
    EXPECT_EQ(::MakeDatabase(DatabasePath(), ReadFile(RUV_SCHEMA_SQL)), "");
    std::filesystem::create_directory(dir.File("config"));
  }
  ~ProgramInChildFixture() override {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  std::string Program() const { return dir.File("ruvframe"); }
  std::string DatabasePath() const { return dir.File("Qelo-DataBase.mdb"); }
  std::string StandardError() const { return dir.File("stderr.txt"); }
  std::string ErrorOutput() const { return ReadFile(StandardError()); }

  // `ignored`: signals the child starts with ignored (as nohup or a shell's
  // background job leaves them). `held`: signals the child starts with blocked,
  // so that one sent before the program's own code runs waits for it. Returns
  // once the program is executing. Its standard error goes to StandardError().
  void Start(const std::vector<int>& ignored = {}, const std::vector<int>& held = {}) {
    // Everything the child needs is made before the fork. Every per-user
    // folder is the test's own.
    std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen",
                                            "XDG_RUNTIME_DIR=" + dir.Path(),
                                            "XDG_CONFIG_HOME=" + dir.File("config"),
                                            "XDG_DATA_HOME=" + dir.File("data"),
                                            "XDG_CACHE_HOME=" + dir.File("cache"),
                                            "XDG_STATE_HOME=" + dir.File("state"),
                                            "HOME=" + dir.Path(),
                                            "ASAN_OPTIONS=detect_leaks=0"};
    for (const std::string& entry : environmentOverrides) {
      const std::string key = entry.substr(0, entry.find('=') + 1);
      std::erase_if(environment, [&key](const std::string& given) { return given.starts_with(key); });
      environment.push_back(entry);
    }
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const std::string program = Program();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const std::string errors = StandardError();
    // A pipe whose reader is gone (a closed terminal, a logger restarted).
    int closedPipe[2] = {-1, -1};
    if (errorToClosedPipe) {
      ASSERT_EQ(::pipe2(closedPipe, O_CLOEXEC), 0);
    }
    // Closed by the exec: its end tells the test the program runs.
    int executing[2];
    ASSERT_EQ(::pipe2(executing, O_CLOEXEC), 0);
    sigset_t heldSet;
    sigemptyset(&heldSet);
    for (int signal : held) sigaddset(&heldSet, signal);
    sigset_t testMask;
    // Held from the child's first instruction on (the test's thread restores its own).
    ::pthread_sigmask(SIG_BLOCK, &heldSet, &testMask);
    m_pid = ::fork();
    if (m_pid == 0) {
      // The test's own dispositions are not the child's (a test run as a
      // background job has SIGINT ignored): it starts with the defaults.
      for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::signal(signal, SIG_DFL);
      for (int signal : ignored) ::signal(signal, SIG_IGN);
      // The program's own disposition of SIGXFSZ is what counts, not the test's.
      ::signal(SIGXFSZ, SIG_DFL);
      if (fileSizeLimit != RLIM_INFINITY) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      sigset_t childMask = testMask;
      for (int signal : held) sigaddset(&childMask, signal);
      for (int signal : {SIGTERM, SIGHUP, SIGINT})
        if (!sigismember(&heldSet, signal)) sigdelset(&childMask, signal);
      ::pthread_sigmask(SIG_SETMASK, &childMask, nullptr);
      if (errorToClosedPipe) {
        // The program's own disposition of SIGPIPE is what counts, not the test's.
        ::signal(SIGPIPE, SIG_DFL);
        ::close(closedPipe[0]);
        ::dup2(closedPipe[1], STDERR_FILENO);
      } else {
        const int errorFile = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errorFile >= 0) ::dup2(errorFile, STDERR_FILENO);
      }
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ::pthread_sigmask(SIG_SETMASK, &testMask, nullptr);
    if (errorToClosedPipe) {
      ::close(closedPipe[0]);
      ::close(closedPipe[1]);
    }
    ::close(executing[1]);
    char ignoredByte;
    while (::read(executing[0], &ignoredByte, 1) < 0 && errno == EINTR) {
    }
    ::close(executing[0]);
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
  // "NAME=value" entries the child gets in place of (or besides) the above.
  std::vector<std::string> environmentOverrides;
  // The child's standard error is a pipe nobody reads from (StandardError() stays empty).
  bool errorToClosedPipe = false;
  // No file of the child grows past this many bytes (prlimit --fsize).
  rlim_t fileSizeLimit = RLIM_INFINITY;
  pid_t m_pid = -1;
};
