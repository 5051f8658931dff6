// The program itself, started in a child process in Demo from the default
// files, ended by a termination signal as a logout or a service manager ends
// it: it closes as its own close command does, without the question.
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramInChildFixture.h"
#include "platform/db/DbTestSupport.h"

namespace {

class TerminationSignalTest : public ProgramInChildFixture {
 protected:
  std::string Journal() const { return dir.File("Qelo-DataBase.mdb-wal"); }
  // Up: the plant's tables are open in the database (its journal files are there).
  void WaitUntilUp() {
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(Journal()) || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();
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
  ASSERT_NO_FATAL_FAILURE(WaitUntilUp());
  ASSERT_EQ(::kill(m_pid, SIGHUP), 0);
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  // Had either been taken, this one would be the second signal and end the
  // program at once with 128 plus that one's number.
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ErrorOutput();
  ExpectClosedInOrder();
}

// A box is open at the start (the database lacks a table) when the signal
// comes: nobody is there to answer it. The signal answers it, every later box
// goes to the standard error output, and the program closes in order.
TEST_F(TerminationSignalTest, ASignalWhileAStartUpBoxIsOpenAnswersItAndClosesInOrder) {
  ASSERT_EQ(RawDatabase(dir.File("Qelo-DataBase.mdb")).Exec("DROP TABLE Shift"), SQLITE_OK);
  Start();
  ASSERT_NO_FATAL_FAILURE(WaitUntilUp());
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0) << ErrorOutput();
  ExpectClosedInOrder();
  EXPECT_NE(ReadFile(StandardError()).find("Shift"), std::string::npos) << ErrorOutput();
}

// Its standard error a pipe whose reader is gone: SIGPIPE (a kill -PIPE, or
// the write of the box's text there) ends nothing. The write fails and is
// dropped, and the program closes in order.
TEST_F(TerminationSignalTest, AClosedStandardErrorPipeEndsNothingAndTheCloseRunsInOrder) {
  ASSERT_EQ(RawDatabase(dir.File("Qelo-DataBase.mdb")).Exec("DROP TABLE Shift"), SQLITE_OK);
  errorToClosedPipe = true;
  Start();
  ASSERT_NO_FATAL_FAILURE(WaitUntilUp());
  ASSERT_GT(m_pid, 0);
  ASSERT_EQ(::kill(m_pid, SIGPIPE), 0);
  // The open box is answered, its text written to the closed pipe.
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(ExitCode(), 0);
  ExpectClosedInOrder();
}

}  // namespace
