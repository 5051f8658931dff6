// The program itself in a child process, closed by a termination signal while
// another program holds the database's lock: the records it kept are said
// before the close waits for the lock, so a second signal during that wait
// still leaves them on the standard error output and in the file. Whatever
// ends it (a second signal at any moment, a kill -9), every kept record is in
// the journal beside the database, and the next start writes it, once.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "ProgramInChildFixture.h"
#include "platform/db/DbTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "records/AdoDatabase.h"

namespace {

class KeptRecordsAtSignalTest : public ProgramInChildFixture {
 protected:
  std::string ReportPath() const { return DatabasePath() + CADODatabase::kUnwrittenFileSuffix; }
  // Whether the child's start has begun (it took the single-instance lock): a
  // signal from then on lets the start finish before the close.
  bool StartBegun() const { return std::filesystem::exists(dir.File("RuvFrame Qelo.lock")); }
  std::string JournalPath() const { return DatabasePath() + CADODatabase::kJournalFileSuffix; }
  // The active shift names a recipe that is not active: the start writes the
  // shift back without it, under the other program's lock, so the write is kept.
  void StartWithAKeptWrite(RawDatabase& other) {
    ASSERT_EQ(other.Exec("INSERT INTO Shift (m_nOperatorCode, m_strOperatorName, m_nShiftRecipeID, "
                         "m_strShiftRecipeName, m_bShiftStopped) VALUES (7, 'Ali', 5, 'Gone', 0)"),
              SQLITE_OK);
    ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
    Start();
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return ReadFile(JournalPath()).find("# Row 1 of Shift:") != std::string::npos || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << "\n" << ErrorOutput();
    ASSERT_TRUE(WaitFor([&] { return CatchesTermination() || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << "\n" << ErrorOutput();
  }
  // The journal holds the kept write; the lock goes; the next start writes it
  // once, says so, and ends in order.
  void TheNextStartWritesTheJournal(RawDatabase& other) {
    const std::string journal = ReadFile(JournalPath());
    EXPECT_NE(journal.find("m_nShiftRecipeID = -1"), std::string::npos) << journal;
    EXPECT_EQ(other.Text("SELECT m_nShiftRecipeID FROM Shift"), "5");
    ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
    Start();
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return (!FileExists(JournalPath()) && CatchesTermination()) || Ended(status); }));
    ASSERT_GT(m_pid, 0) << "the next start ended by itself, status " << status << "\n" << ErrorOutput();
    EXPECT_EQ(other.Text("SELECT m_nShiftRecipeID FROM Shift"), "-1");
    ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return Ended(status); }));
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << ErrorOutput();
    const std::string told = ReadFile(ReportPath());
    const std::size_t written = told.find(CADODatabase::kJournalWrittenText);
    ASSERT_NE(written, std::string::npos) << told;
    EXPECT_EQ(told.find(CADODatabase::kJournalWrittenText, written + 1), std::string::npos) << told;  // once
    EXPECT_NE(told.find("Row 1 of Shift:", written), std::string::npos) << told;
    EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Shift"), "1");
    EXPECT_FALSE(FileExists(JournalPath()));
  }
  // Whether the child catches SIGTERM yet (its handlers are installed).
  bool CatchesTermination() const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
  }
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
  // (The other connection made the journal files: the start's first step tells it is up.)
  ASSERT_TRUE(WaitFor([&] { return StartBegun() || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status;

  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  // The close says what it kept before it waits for the lock...
  ASSERT_TRUE(WaitFor([&] { return ReadFile(ReportPath()).find("Row 1 of Shift:") != std::string::npos || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "the program ended before it said what it kept, status " << status << "\n" << ErrorOutput();
  // (Said while it still waits: nothing is reported as given up yet.)
  ASSERT_EQ(ReadFile(ReportPath()).find(CADODatabase::WithCause(CADODatabase::kUnwrittenText, ruv::db::PendingWrites::kLockedCause)),
            std::string::npos)
      << ReadFile(ReportPath());
  // ...so a second signal during the wait ends it without losing them.
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);

  const std::string told = ReadFile(ReportPath());
  const std::string atClose = CADODatabase::WithCause(CADODatabase::kKeptAtCloseText, ruv::db::PendingWrites::kLockedCause);
  EXPECT_EQ(told.find(atClose), 0u) << told;
  EXPECT_NE(told.find("m_nShiftRecipeID = -1"), std::string::npos) << told;
  EXPECT_NE(ErrorOutput().find(atClose + "Row 1 of Shift:"), std::string::npos) << ErrorOutput();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(other.Text("SELECT m_nShiftRecipeID FROM Shift"), "5");
}

// A second signal at any moment of the close, before its last try or during
// it: the kept record is in the journal, and the next start writes it.
class KeptRecordsAtSecondSignalTest : public KeptRecordsAtSignalTest, public ::testing::WithParamInterface<int> {};

TEST_P(KeptRecordsAtSecondSignalTest, EveryKeptRecordIsInTheJournalAndTheNextStartWritesItOnce) {
  RawDatabase other(DatabasePath());
  ASSERT_NO_FATAL_FAILURE(StartWithAKeptWrite(other));
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
  ASSERT_EQ(::kill(m_pid, SIGINT), 0);
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  // Sent back to back, both are pending at once and the kernel hands over the
  // lower-numbered one first: either may count as the first.
  if (GetParam() == 0)
    EXPECT_TRUE(WEXITSTATUS(status) == 128 + SIGTERM || WEXITSTATUS(status) == 128 + SIGINT) << WEXITSTATUS(status);
  else
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
  TheNextStartWritesTheJournal(other);
}

INSTANTIATE_TEST_SUITE_P(AfterTheFirst, KeptRecordsAtSecondSignalTest, ::testing::Values(0, 10, 100, 500),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "ms"; });

TEST_F(KeptRecordsAtSignalTest, AKillWithWritesKeptLosesNoneAndTheNextStartWritesThemOnce) {
  RawDatabase other(DatabasePath());
  ASSERT_NO_FATAL_FAILURE(StartWithAKeptWrite(other));
  ASSERT_EQ(::kill(m_pid, SIGKILL), 0);
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return Ended(status); }));
  ASSERT_TRUE(WIFSIGNALED(status));
  TheNextStartWritesTheJournal(other);
}

// A file-size limit (ulimit -f, prlimit --fsize) is a full disk to the
// program: the append past it is refused and cut back, the journal keeps what
// it held, the report says the disk's words, and the program goes on.
TEST_F(KeptRecordsAtSignalTest, AFileSizeLimitIsAFullDiskAndTheProgramGoesOn) {
  RawDatabase other(DatabasePath());
  ASSERT_EQ(other.Exec("INSERT INTO Shift (m_nOperatorCode, m_strOperatorName, m_nShiftRecipeID, "
                       "m_strShiftRecipeName, m_bShiftStopped) VALUES (7, 'Ali', 5, 'Gone', 0)"),
            SQLITE_OK);
  // An earlier run's journal: the start's kept write of the shift is the
  // append past the limit, and the journal rewritten with it is longer still.
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= 300; ++n)
    journal += "# New row of Event2: m_nBatchNumber = " + std::to_string(n) + "\ninsert\t4d2-1-2-" +
               std::to_string(n) + "\tEvent2\tnew:" + std::to_string(n) + "\tm_nBatchNumber\ti4\t" +
               std::to_string(n) + "\n";
  ASSERT_TRUE(WriteFileAtomically(JournalPath(), journal));
  ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  fileSizeLimit = journal.size() + 64;
  Start();
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return ReadFile(ReportPath()).find("File too large") != std::string::npos || Ended(status); }));
  ASSERT_GT(m_pid, 0) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_NE(ReadFile(ReportPath()).find("File too large): its file still holds the 300 records it held"), std::string::npos)
      << ReadFile(ReportPath());
  EXPECT_TRUE(ReadFile(JournalPath()) == journal) << "the journal is not as it was";
  ASSERT_FALSE(Ended(status));
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
}

}  // namespace
