// How the plant's database tells of the writes another program's lock kept:
// a failure at once, whichever write found it; the close's last try before it
// waits and after; and what the lock refuses after the last try.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "RecordsTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "records/AdoException.h"
#include "records/AdoRecordset.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* kLotSchema = R"(
CREATE TABLE "Lot" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(10),
  "nCount"    LONG
);)";

class KeptWritesReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.created);
    db.database.GetConnection()->SetBusyTimeout(0);
    ASSERT_TRUE(lots.Open("Lot", CADORecordset::openTable));
    for (const auto& [name, count] : {std::pair{"a", 1}, std::pair{"b", 2}}) {
      lots.AddNew();
      lots.SetFieldValue("strName", std::string(name));
      lots.SetFieldValue("nCount", count);
      lots.Update();
    }
  }
  std::string Told() const {
    std::stringstream text;
    text << std::ifstream(db.path + CADODatabase::kUnwrittenFileSuffix, std::ios::binary).rdbuf();
    return text.str();
  }
  void SetCount(int count) {
    lots.Edit();
    lots.SetFieldValue("nCount", count);
    lots.Update();
  }

  ScriptedMessageBox boxes;
  ProbeDatabase db{kLotSchema};
  CADORecordset lots{&db.database};
  RawDatabase other{db.path};
};

}  // namespace

// The retry timer is not the only one to come upon a kept write that fails:
// the next ordinary write may write the queue first. It is told all the same,
// once, without making the writer wait for the box.
TEST_F(KeptWritesReportTest, AKeptWriteThatFailsIsToldAtOnceWhicheverWriteComesUponIt) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.MoveFirst();
  SetCount(11);  // kept
  ASSERT_EQ(other.Exec("DELETE FROM Lot WHERE strName = 'a'; COMMIT"), SQLITE_OK);

  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  testing::internal::CaptureStderr();
  lots.MoveLast();
  SetCount(22);
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  const std::string line = "Row 1 of Lot: nCount = 11 (the row is not in the database (deleted, or never there))";
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_FALSE(boxes.Boxes()[0].waited);
  EXPECT_NE(boxes.LastText().find(line), std::string::npos) << boxes.LastText();
  EXPECT_NE(errorOutput.find(std::string(CADODatabase::kDroppedText) + line), std::string::npos) << errorOutput;
  EXPECT_NE(Told().find(std::string(CADODatabase::kDroppedText) + line), std::string::npos) << Told();
  EXPECT_EQ(other.Text("SELECT nCount FROM Lot WHERE strName = 'b'"), "22");

  // Told once: neither the retry nor the close says it again.
  EXPECT_TRUE(db.database.WriteKept());
  db.database.Close();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(Told().find(line), Told().rfind(line));
}

// The report's file is the program's own: a link at its name is not written
// through and a named pipe is not opened (it would hold the program until a
// reader came). The box says why the file has nothing; the text still goes to
// the standard error output.
TEST_F(KeptWritesReportTest, ALinkOrAPipeAtTheReportFilesNameIsLeftAsItIsAndTheBoxSaysSo) {
  const std::string file = db.path + CADODatabase::kUnwrittenFileSuffix;
  const std::string outside = db.dir.File("outside.txt");
  db.dir.Write("outside.txt", "theirs\n");
  ASSERT_EQ(::mkfifo(db.dir.File("pipe").c_str(), 0600), 0);
  // A reader that never reads: a write through to the pipe stays in it.
  const int reader = ::open(db.dir.File("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  struct ReportNameCase {
    const char* said;
    bool pipe;  // else a link to the file outside; each takes a row of its own
  };
  for (const ReportNameCase& each : {ReportNameCase{"a symbolic link", false}, ReportNameCase{"a named pipe", true}}) {
    SCOPED_TRACE(each.said);
    std::filesystem::remove(file);
    if (each.pipe)
      std::filesystem::rename(db.dir.File("pipe"), file);
    else
      std::filesystem::create_symlink(outside, file);
    const std::string name = each.pipe ? "b" : "a";
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    if (each.pipe)
      lots.MoveLast();
    else
      lots.MoveFirst();
    SetCount(11);  // kept
    ASSERT_EQ(other.Exec("DELETE FROM Lot WHERE strName = '" + name + "'; COMMIT"), SQLITE_OK);
    const std::size_t before = boxes.Count();
    boxes.Expect(IDOK, CADODatabase::kDroppedText);
    testing::internal::CaptureStderr();
    db.database.WriteKept();
    const std::string errorOutput = testing::internal::GetCapturedStderr();
    const std::string notWritten = std::string(CADODatabase::kReportNotWrittenText) + file + " is " + each.said +
                                   ", left as it is.";
    ASSERT_EQ(boxes.Count(), before + 1);
    EXPECT_NE(boxes.LastText().find(notWritten), std::string::npos) << boxes.LastText();
    EXPECT_EQ(boxes.LastText().find("All of them are in the file"), std::string::npos) << boxes.LastText();
    EXPECT_NE(errorOutput.find("(the row is not in the database (deleted, or never there))"), std::string::npos) << errorOutput;
    EXPECT_NE(errorOutput.find(notWritten), std::string::npos) << errorOutput;
  }
  EXPECT_EQ(db.dir.Read("outside.txt"), "theirs\n");
  char byte = 0;
  EXPECT_LE(::read(reader, &byte, 1), 0);
  ::close(reader);
  struct stat st{};
  ASSERT_EQ(::lstat(file.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// The close says what it kept before it waits for the lock: here the other
// program lets go only once it has been said, and the close then writes it.
TEST_F(KeptWritesReportTest, TheCloseSaysWhatItKeptBeforeItWaitsAndThatItWasWritten) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.MoveFirst();
  SetCount(11);  // kept
  lots.Close();
  std::atomic<bool> closed{false};
  std::thread otherProgram([&] {
    while (!closed && Told().find("Row 1 of Lot: nCount = 11") == std::string::npos)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    other.Exec("ROLLBACK");
  });
  testing::internal::CaptureStderr();
  db.database.Close();
  closed = true;
  otherProgram.join();
  const std::string errorOutput = testing::internal::GetCapturedStderr();

  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(other.Text("SELECT nCount FROM Lot WHERE strName = 'a'"), "11");
  const std::string atClose = CADODatabase::WithCause(CADODatabase::kKeptAtCloseText, ruv::db::PendingWrites::kLockedCause);
  const std::string said = atClose + "Row 1 of Lot: nCount = 11\n\n" + CADODatabase::kAllWrittenAtCloseText + "\n";
  EXPECT_EQ(Told(), said);
  EXPECT_NE(errorOutput.find(atClose), std::string::npos) << errorOutput;
}

// A cycle the close gave up on may still write into the open database after
// the last try: what the lock refuses then is told at once (no box: nobody
// may be there to answer) and is not tried again in this run; the journal
// keeps it, and the next start writes it.
TEST_F(KeptWritesReportTest, AfterTheLastTryWhatTheLockRefusesIsToldAtOnceAndTheNextStartWritesIt) {
  db.database.WriteKeptLastTry();
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.MoveFirst();
  SetCount(11);
  EXPECT_EQ(db.database.GetKeptWriteCount(), 0u);
  EXPECT_EQ(boxes.Count(), 0u);
  const std::string line = "Row 1 of Lot: nCount = 11 (at the close the database is locked by another program: kept "
                           "for the next start, which writes it once the database takes it)";
  EXPECT_NE(Told().find(std::string(CADODatabase::kDroppedText) + line), std::string::npos) << Told();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  SetCount(12);  // behind it, never ahead of it
  EXPECT_EQ(other.Text("SELECT nCount FROM Lot WHERE strName = 'a'"), "1");
  lots.Close();
  db.database.Close();

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(db.database.Open());
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  EXPECT_EQ(other.Text("SELECT nCount FROM Lot WHERE strName = 'a'"), "12");
  EXPECT_NE(errorOutput.find(std::string(CADODatabase::kJournalWrittenText) + "Row 1 of Lot: nCount = 11\nRow 1 of "
                             "Lot: nCount = 12\n"),
            std::string::npos)
      << errorOutput;
  EXPECT_FALSE(FileExists(db.path + CADODatabase::kJournalFileSuffix));
}

// A report its file cannot take (a full disk) leaves no half of it there, and
// its box says so and where what it says is instead.
TEST_F(KeptWritesReportTest, AReportItsFileCannotTakeLeavesTheFileAsItWasAndItsBoxSaysSo) {
  const std::string report = db.path + CADODatabase::kUnwrittenFileSuffix;
  const std::string earlier(64 * 1024, '.');
  ASSERT_TRUE(WriteFileAtomically(report, earlier));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.MoveFirst();
  SetCount(11);  // kept
  ASSERT_EQ(other.Exec("DELETE FROM Lot WHERE strName = 'a'; COMMIT"), SQLITE_OK);
  // The disk fills a few bytes into the report.
  bool written = false;
  std::string errorOutput;
  {
    const FileSizeLimit full(earlier.size() + 16);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, CADODatabase::kDroppedText);
    testing::internal::CaptureStderr();
    written = db.database.WriteKept();
    errorOutput = testing::internal::GetCapturedStderr();
  }
  EXPECT_TRUE(written);
  const std::string said = CADODatabase::kReportFailedText + report + " (" + std::strerror(EFBIG) + "): what it says "
                           "is only here and on the standard error output";
  EXPECT_NE(boxes.LastText().find("Row 1 of Lot: nCount = 11"), std::string::npos) << boxes.LastText();
  EXPECT_NE(boxes.LastText().find(said), std::string::npos) << boxes.LastText();
  EXPECT_NE(errorOutput.find(said), std::string::npos) << errorOutput;
  EXPECT_EQ(Told(), earlier);
}

// The report file keeps the newest reports up to its bound: the one that would
// take it past it starts the file anew, the earlier ones moved aside once
// (replacing what an earlier move left there), so the two files never hold
// more than twice the bound, however many reports come.
TEST_F(KeptWritesReportTest, TheReportFileKeepsTheNewestReportsUpToItsBound) {
  const std::string report = db.path + CADODatabase::kUnwrittenFileSuffix;
  const std::string old = report + CADODatabase::kOldReportSuffix;
  ASSERT_TRUE(WriteFileAtomically(old, "reports moved aside before\n"));
  const std::string earlier(CADODatabase::kMostReportFileBytes - 64, '.');
  ASSERT_TRUE(WriteFileAtomically(report, earlier));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.MoveFirst();
  SetCount(11);  // kept
  ASSERT_EQ(other.Exec("DELETE FROM Lot WHERE strName = 'a'; COMMIT"), SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(db.database.WriteKept());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Told().rfind(CADODatabase::kDroppedText, 0), 0u) << Told().substr(0, 200);
  EXPECT_NE(Told().find("Row 1 of Lot: nCount = 11"), std::string::npos) << Told().substr(0, 200);
  std::string aside;
  ASSERT_TRUE(ReadWholeFile(old, aside));
  EXPECT_TRUE(aside == earlier) << aside.size();
  EXPECT_NE(boxes.LastText().find("All of them are in the file:\n" + report), std::string::npos) << boxes.LastText();
}

// A box counts records, not lines: the program's own headings and sentences
// are all there, and each list says how many of its records it leaves out.
TEST(KeptWritesBoxText, EachListCountsTheRecordsItLeavesOutAndEveryHeadingStays) {
  const std::string refused = "The database refused these records (each is told); they are set aside as x.refused:\n";
  const std::string written = "The others were written:\n";
  std::string lines = refused;
  for (int i = 1; i <= 5; ++i) lines += "New row of Batch: nBatchNumber = " + std::to_string(900 + i) + "\n";
  lines += "\n" + written + "Row 1 of Batch: nCount = 5\nRow 2 of Batch: nCount = 6\n";
  lines += "... and 7 more of these 9 records, not listed here: the journal holds them.\n";
  const std::string box = CADODatabase::FirstLines(lines);
  std::string expected = refused;
  for (int i = 1; i <= CADODatabase::kMostReportedLines; ++i)
    expected += "New row of Batch: nBatchNumber = " + std::to_string(900 + i) + "\n";
  expected += "... and " + std::to_string(5 - CADODatabase::kMostReportedLines) + " more\n";
  expected += "\n" + written + "... and 2 more\n";
  expected += "... and 7 more of these 9 records, not listed here: the journal holds them.\n";
  EXPECT_EQ(box, expected);
}

// Sentences too are told up to a bound: one per file taken over, however many
// files came at once; past it every line is counted, records and sentences.
TEST(KeptWritesBoxText, SentencesPastAHandfulAreCountedWithTheLinesAfterThem) {
  std::string lines = "Kept records put back were taken over:\n";
  for (int i = 1; i <= 30; ++i)
    lines += "The file x.put-back-" + std::to_string(i) + " put back was taken over (1 record): written.\n";
  lines += "New row of Lot: nCount = 1\n";
  const std::string box = CADODatabase::FirstLines(lines);
  EXPECT_NE(box.find("x.put-back-11 put back"), std::string::npos) << box;
  EXPECT_EQ(box.find("x.put-back-12 put back"), std::string::npos) << box;
  EXPECT_NE(box.find("\n... and 20 more lines\n"), std::string::npos) << box;
}
