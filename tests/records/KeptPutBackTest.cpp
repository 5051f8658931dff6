// Files of kept records put back beside the journal are taken only whole,
// looked at again when what kept them out is gone; what a file holds is told
// in a few lines; a copy set aside is no more open than the file it came from.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "RecordsTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ReadLease.h"
#include "platform/base/Text.h"
#include "platform/db/PutBackIntake.h"
#include "platform/ui/WindowTimers.h"
#include "records/AdoRecordset.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* kPutBackLotSchema = R"(
CREATE TABLE "Lot" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(20),
  "nCount"    LONG,
  "fLevel"    DOUBLE
);)";

// `count` inserts of Lot, one a line, from number `first` on: 'P00001' 1...
std::string PutBackLots(int first, int count) {
  std::string lines;
  for (int n = first; n < first + count; ++n)
    lines += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tstrName\ttext\tP%05d\tnCount\ti4\t%d\n", n, n, n, n);
  return lines;
}

void AppendTo(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << text;
}

// Whether the kernel breaks a lease on the file at `path` now (a writer's
// open waits for it): /proc/locks marks it BREAKING.
bool LeaseBreaking(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  const std::string inode = ":" + std::to_string(st.st_ino) + " ";
  for (std::string line; std::getline(locks, line);)
    if (line.find("LEASE") != std::string::npos && line.find("BREAKING") != std::string::npos &&
        line.find(inode) != std::string::npos)
      return true;
  return false;
}

class KeptPutBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    ASSERT_TRUE(db.created);
    db.database.GetConnection()->SetBusyTimeout(0);
    ASSERT_TRUE(lots.Open("Lot", CADORecordset::openTable));
  }
  std::string Journal() const { return db.path + CADODatabase::kJournalFileSuffix; }
  std::string PutBack() const { return Journal() + ".put-back"; }
  std::string Rows() { return other.Text("SELECT COUNT(*) || ' ' || COUNT(DISTINCT strName) FROM Lot"); }
  // As a kill -9 leaves it: no last try, nothing but the files.
  void Kill() {
    lots.Close();
    db.database.GetConnection()->Close();
  }
  bool NextStart() {
    const bool opened = db.database.Open();
    lots.Open("Lot", CADORecordset::openTable);
    return opened;
  }
  // The retry timer's look, a second after the last: the folder's changes
  // are taken in first, as the event loop would between two.
  void LookASecondLater() {
    for (int turn = 0; turn < 5; ++turn) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    clock.Advance(CADODatabase::kRetryTimerMs);
    std::vector<ArmedTimer> armed = ArmedTimers();
    const auto retry = std::find_if(armed.begin(), armed.end(), [](const ArmedTimer& timer) {
      return timer.elapseMs == CADODatabase::kRetryTimerMs;
    });
    ASSERT_NE(retry, armed.end());
    ASSERT_TRUE(FireTimerNow(retry->window, retry->id));
  }

  FakeClock clock;
  ScriptedMessageBox boxes;
  ProbeDatabase db{kPutBackLotSchema};
  CADORecordset lots{&db.database};
  RawDatabase other{db.path};
};

}  // namespace

// A file put back while the program runs may still be being written (cp, dd):
// it is taken only once it stayed as it is over two looks and its last line
// is whole. One whose last line has no line break is told once and left; one
// that grows between two looks waits; neither is written in part nor removed.
TEST_F(KeptPutBackTest, AFilePutBackIsTakenOnlyWholeNeverInPart) {
  const std::string heading = "RuvFrame kept writes 2\n";
  // Its last line ends inside its last value: 'P0001' of 'P00010'.
  ASSERT_TRUE(WriteFileAtomically(PutBack(), heading + PutBackLots(1, 1) +
                                                 "insert\t7b-1-5-10\tLot\tnew:10\tstrName\ttext\tP0001"));
  boxes.Expect(IDOK, "The file " + PutBack() +
                         " put back ends inside a line: it is left as it is until it is complete.");
  for (int look = 0; look < 4; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "0 0");
  EXPECT_TRUE(FileExists(PutBack()));
  EXPECT_EQ(boxes.Count(), 1u);
  AppendTo(PutBack(), "0\tnCount\ti4\t10\n");
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (2 records): written to the database");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(other.Text("SELECT group_concat(strName, ' ') FROM Lot"), "P00001 P00010");
  EXPECT_FALSE(FileExists(PutBack()));

  // Written in two parts, as a copy of a long file is.
  const std::string growing = PutBack() + "-long";
  ASSERT_TRUE(WriteFileAtomically(growing, heading + PutBackLots(11, 5)));
  LookASecondLater();
  AppendTo(growing, PutBackLots(16, 15));
  LookASecondLater();
  EXPECT_EQ(Rows(), "2 2");
  EXPECT_TRUE(FileExists(growing));
  boxes.Expect(IDOK, "The file " + growing + " put back was taken over (20 records): written to the database");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "22 22");
  EXPECT_FALSE(FileExists(growing));
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 3u);
}

// A writer that keeps the file open and pauses over a second right after a
// line break: nothing of it is taken, nor the file removed, while it is open
// for writing; once closed, every record goes in once.
TEST_F(KeptPutBackTest, AFilePutBackIsNotTakenWhileItsWriterStillHasItOpen) {
  const int writer = ::open(PutBack().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  ASSERT_GE(writer, 0);
  const auto write = [writer](const std::string& text) {
    return ::write(writer, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  };
  ASSERT_TRUE(write("RuvFrame kept writes 2\n" + PutBackLots(1, 10)));
  for (int look = 0; look < 3; ++look) LookASecondLater();  // a pause of 2 s and more
  ASSERT_TRUE(write(PutBackLots(11, 10)));
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ASSERT_TRUE(write(PutBackLots(21, 10)));
  EXPECT_EQ(Rows(), "0 0");
  EXPECT_TRUE(FileExists(PutBack()));
  ::close(writer);
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (30 records): written to the database");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "30 30");
  EXPECT_FALSE(FileExists(PutBack()));

  // A writer opens it once it is read, while the journal takes its records:
  // it stays, and is taken again once left alone, its records written once.
  ASSERT_TRUE(WriteFileAtomically(PutBack(), "RuvFrame kept writes 2\n" + PutBackLots(31, 2)));
  SetWriteInterruptForTest([this](const std::string&) {
    const int late = ::open(PutBack().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (late >= 0) ::close(late);
    return false;
  });
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was read (2 records), but a program opened it for "
                     "writing meanwhile: it is left where it is and taken over again once nothing writes it");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  SetWriteInterruptForTest(nullptr);
  EXPECT_TRUE(FileExists(PutBack()));
  boxes.Expect(IDOK, "taken over (2 records): written to the database, each once (any it refused is told apart). "
                     "2 of them were already in the database.");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "32 32");
  EXPECT_FALSE(FileExists(PutBack()));
  EXPECT_EQ(boxes.Count(), 3u);
}

// A file read again (a writer opened it while the journal took its records in)
// while its records still wait for another program's lock: each is the record
// read before, never one "of the same token with other values". A copy of it
// with other values put back then is told in one sentence that counts them:
// the box lists a few, the report every one.
TEST_F(KeptPutBackTest, AFileTakenAgainWhileItsRecordsWaitIsTheSameRecordsAndOtherValuesAreCountedInTheBox) {
  const std::string heading = "RuvFrame kept writes 2\n";
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  ASSERT_TRUE(WriteFileAtomically(PutBack(), heading + PutBackLots(1, 30)));
  SetWriteInterruptForTest([this](const std::string&) {
    const int late = ::open(PutBack().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (late >= 0) ::close(late);
    return false;
  });
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was read (30 records), but a program opened it for "
                     "writing meanwhile");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  SetWriteInterruptForTest(nullptr);
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (30 records): in the journal " + Journal() +
                         " now, waiting there");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_FALSE(FileExists(PutBack()));
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.LastText().find("other values"), std::string::npos) << boxes.LastText();

  std::string corrected;
  for (int n = 1; n <= 30; ++n)
    corrected += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tstrName\ttext\tQ%05d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-2", heading + corrected));
  boxes.Expect(IDOK, "The file " + PutBack() + "-2 put back and the journal " + Journal() +
                         " hold 30 records of the same tokens with other values: those of the file " + PutBack() +
                         "-2 go in, those of the journal " + Journal() +
                         " are left out (each below, the one that goes in first):\n"
                         "goes in: New row of Lot: strName = 'Q00001', nCount = 1; "
                         "left out: New row of Lot: strName = 'P00001', nCount = 1\n");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 3u);
  const std::string box = boxes.LastText();
  EXPECT_NE(box.find("\n... and 26 more\n"), std::string::npos) << box;
  EXPECT_EQ(box.find("Q00005"), std::string::npos) << box;
  EXPECT_LT(box.size(), 3000u) << box;
  std::string report;
  ASSERT_TRUE(ReadWholeFile(db.path + CADODatabase::kUnwrittenFileSuffix, report));
  EXPECT_NE(report.find("goes in: New row of Lot: strName = 'Q00030', nCount = 30; "
                        "left out: New row of Lot: strName = 'P00030', nCount = 30\n"),
            std::string::npos);

  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  boxes.SetDefaultAnswer(IDOK);
  for (int look = 0; look < 2; ++look) LookASecondLater();
  EXPECT_EQ(other.Text("SELECT COUNT(*) || ' ' || SUM(strName LIKE 'Q%') FROM Lot"), "30 30");
}

// A text column holds a code of digits as its text: a corrected copy whose
// codes read as the same number ('007' and '7', '1e3' and '1000', two codes
// of 17 digits) holds other values, told when the first went in and when
// both wait in the journal. A copy whose LONG column gives 10.0 for 10 holds
// the same values, as the database would, and is told as none.
TEST_F(KeptPutBackTest, ACodeOfDigitsInATextColumnIsItsTextAndANumberIsItsValue) {
  const std::string heading = "RuvFrame kept writes 2\n";
  const std::vector<std::pair<std::string, std::string>> codes = {
      {"text\t007", "text\t7"},   {"text\t007", "i4\t7"},   {"text\t1e3", "text\t1000"},
      {"text\t+5", "text\t5"},    {"text\t0.5", "text\t.5"}, {"text\t10", "text\t10.0"},
      {"text\t0012", "text\t12"}, {"text\t12345678901234567", "text\t12345678901234568"}};
  const auto file = [&](int first, bool corrected, const char* count) {
    std::string lines = heading;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const int n = first + static_cast<int>(i);
      lines += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tnCount\t%s\tstrName\t%s\n", n, n, count,
                           (corrected ? codes[i].second : codes[i].first).c_str());
    }
    return lines;
  };
  // Written at once, then a corrected copy and a plain one.
  ASSERT_TRUE(WriteFileAtomically(PutBack(), file(1, false, "i4\t10")));
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (8 records): written to the database");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 1u) << boxes.LastText();
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-2", file(1, true, "i4\t10")));
  boxes.Expect(IDOK, "The file " + PutBack() + "-2 put back holds 8 records the database holds already with other "
                         "values");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 2u) << boxes.LastText();
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-3", file(1, false, "double\t10.0")));
  boxes.Expect(IDOK, "The file " + PutBack() + "-3 put back was taken over (8 records): written to the database");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 3u) << boxes.LastText();
  EXPECT_EQ(boxes.LastText().find("other values"), std::string::npos) << boxes.LastText();

  // Both waiting in the journal while another program holds the database.
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-4", file(11, false, "i4\t10")));
  boxes.Expect(IDOK, "The file " + PutBack() + "-4 put back was taken over (8 records): in the journal " + Journal() +
                         " now, waiting there");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 4u) << boxes.LastText();
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-5", file(11, true, "i4\t10")));
  boxes.Expect(IDOK, "The file " + PutBack() + "-5 put back and the journal " + Journal() +
                         " hold 8 records of the same tokens with other values");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 5u) << boxes.LastText();
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  boxes.SetDefaultAnswer(IDOK);
  for (int look = 0; look < 2; ++look) LookASecondLater();
  EXPECT_EQ(other.Text("SELECT group_concat(strName || ':' || typeof(strName), ' ') FROM Lot WHERE nRecordID > 8"),
            "7:text 7:text 1000:text 5:text .5:text 10.0:text 12:text 12345678901234568:text");
}

// A copy corrected after the first went in: its records are not written again
// (their tokens are in the database), but the box says once for the file that
// their values differ, which stayed and which were left out, and how many. A
// plain copy read again says nothing of other values.
TEST_F(KeptPutBackTest, ACorrectedCopyPutBackAfterTheFirstWentInIsToldOnceWithWhatWasLeftOut) {
  const std::string heading = "RuvFrame kept writes 2\n";
  ASSERT_TRUE(WriteFileAtomically(PutBack(), heading + PutBackLots(1, 4)));
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (4 records): written to the database");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(Rows(), "4 4");

  std::string corrected;
  for (int n = 1; n <= 4; ++n)
    corrected += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tnCount\ti4\t%d\tstrName\ttext\tQ%05d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-2", heading + corrected));
  boxes.Expect(IDOK, "The file " + PutBack() + "-2 put back holds 4 records the database holds already with other "
                         "values (their tokens went in before, from this or another file or the journal): those "
                         "written then stay, those of the file are left out (each below, with the row its token went "
                         "to); please enter by hand what must change:\n"
                         "left out: New row of Lot: strName = 'Q00001', nCount = 1 (its token went to row 1 of Lot)\n");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  EXPECT_NE(boxes.LastText().find("4 of them were already in the database."), std::string::npos) << boxes.LastText();
  EXPECT_EQ(other.Text("SELECT group_concat(strName, ' ') FROM Lot"), "P00001 P00002 P00003 P00004");

  // The same records again, their columns in another order and their numbers
  // in other forms: the same values.
  std::string same;
  for (int n = 1; n <= 4; ++n)
    same += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tnCount\tdouble\t%d.0\tstrName\ttext\tP%05d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-3", heading + same));
  boxes.Expect(IDOK, "The file " + PutBack() + "-3 put back was taken over (4 records): written to the database");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  EXPECT_EQ(boxes.LastText().find("other values"), std::string::npos) << boxes.LastText();
}

// Many files put back at once, each a corrected copy of one that went in
// before: what needs the operator (values that differ, records left out)
// leads the box, before the sentences of the files taken as expected, which
// are counted past the box's bound.
TEST_F(KeptPutBackTest, ManyCorrectedCopiesPutBackAtOnceShowTheirOtherValuesFirst) {
  const std::string heading = "RuvFrame kept writes 2\n";
  constexpr int kFiles = 13;
  for (int file = 0; file < kFiles; ++file)
    ASSERT_TRUE(WriteFileAtomically(PutBack() + "-" + std::to_string(file), heading + PutBackLots(1 + 10 * file, 10)));
  boxes.Expect(IDOK, CADODatabase::kPutBackTakenText);
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(Rows(), "130 130");

  for (int file = 0; file < kFiles; ++file) {
    std::string corrected;
    for (int n = 1 + 10 * file; n <= 10 * (file + 1); ++n)
      corrected += ruv::Format("insert\t7b-1-5-%d\tLot\tnew:%d\tstrName\ttext\tQ%05d\tnCount\ti4\t%d\n", n, n, n, n);
    ASSERT_TRUE(WriteFileAtomically(PutBack() + "-c" + std::to_string(file), heading + corrected));
  }
  boxes.Expect(IDOK, CADODatabase::kPutBackTakenText);
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_EQ(boxes.Count(), 2u);
  const std::string box = boxes.LastText();
  EXPECT_NE(box.find("The file " + PutBack() + "-c0 put back holds 10 records the database holds already with other "
                     "values"),
            std::string::npos)
      << box;
  EXPECT_NE(box.find("left out: New row of Lot: strName = 'Q00001', nCount = 1 (its token went to row "), std::string::npos)
      << box;
  EXPECT_NE(box.find("\n... and 24 more lines\n"), std::string::npos) << box;
  EXPECT_EQ(other.Text("SELECT COUNT(*) || ' ' || SUM(strName LIKE 'P%') FROM Lot"), "130 130");
}

// A writer whose open comes once the looks let the file go, just before its
// removal: it waits for the lease, and its open never completes on a removed
// file. The file is put back under its name, and taken again with what the
// writer added, every record once.
TEST_F(KeptPutBackTest, AWritersOpenAfterTheLastLookNeverLandsOnARemovedFile) {
  ASSERT_TRUE(WriteFileAtomically(PutBack(), "RuvFrame kept writes 2\n" + PutBackLots(1, 10)));
  std::thread writer;
  bool opened = false;
  ruv::db::PutBackIntake::SetBeforeRemovalForTest([&](const std::string& path) {
    if (std::exchange(opened, true)) return;
    writer = std::thread([path] {
      const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);  // waits for the lease
      if (fd < 0) return;
      const std::string more = PutBackLots(11, 5);
      EXPECT_EQ(::write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
      ::close(fd);
    });
    for (int round = 0; round < 10000 && !LeaseBreaking(path); ++round)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was read (10 records), but a program opened it for "
                     "writing meanwhile: it is left where it is and taken over again once nothing writes it");
  for (int look = 0; look < 2; ++look) LookASecondLater();
  ASSERT_TRUE(opened);
  writer.join();
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (15 records): written to the database, "
                     "each once (any it refused is told apart). 10 of them were already in the database.");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ruv::db::PutBackIntake::SetBeforeRemovalForTest(nullptr);
  EXPECT_EQ(Rows(), "15 15");
  EXPECT_FALSE(FileExists(PutBack()));
  EXPECT_EQ(boxes.Pending(), 0u);
}

// Where no lease can be had, a writer keeps the file open and adds to it after
// pauses: the file is taken, but removed only once it stayed as it was for the
// longer settle; what the writer adds after each pause is taken too, every
// record once, and the box says it was taken without a lease.
TEST_F(KeptPutBackTest, WithoutALeaseAFileTakenIsRemovedOnlyOnceItStayedTheSameLongEnough) {
  ReadLease::SetRefusedForTest(true);
  struct Restore {
    ~Restore() { ReadLease::SetRefusedForTest(false); }
  } restore;
  const int writer = ::open(PutBack().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  ASSERT_GE(writer, 0);
  const auto write = [writer](const std::string& text) {
    return ::write(writer, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  };
  const std::string withoutLease =
      "It was taken without a read lease (none can be had on it: another user's file, or a file system without "
      "leases), so a program may still have it open for writing: it stays where it is until nothing has changed "
      "it for 30 s, and is taken over again if anything does (no record is written twice).";
  ASSERT_TRUE(write("RuvFrame kept writes 2\n" + PutBackLots(1, 10)));
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (10 records): written to the database, "
                     "each once (any it refused is told apart). " + withoutLease);
  for (int look = 0; look < 3; ++look) LookASecondLater();  // a pause of 2 s and more
  ASSERT_TRUE(write(PutBackLots(11, 10)));
  boxes.Expect(IDOK, "put back was taken over (20 records): written to the database, each once (any it refused is "
                     "told apart). 10 of them were already in the database. " + withoutLease);
  for (int look = 0; look < 3; ++look) LookASecondLater();
  ASSERT_TRUE(write(PutBackLots(21, 10)));
  ::close(writer);
  boxes.Expect(IDOK, "(30 records): written to the database, each once (any it refused is told apart). 20 of them "
                     "were already in the database. " + withoutLease);
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "30 30");
  EXPECT_TRUE(FileExists(PutBack()));
  clock.Advance(ruv::db::PutBackIntake::kUnleasedSettledMs);
  LookASecondLater();
  EXPECT_FALSE(FileExists(PutBack()));
  EXPECT_EQ(Rows(), "30 30");
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 3u);
}

// An editor's backup (….put-back~) and a copy not yet renamed (….put-back.part)
// are no files put back. Two files holding one token with other values: the
// person is told which file's record goes in and which is left out.
TEST_F(KeptPutBackTest, AnEditorsBackupIsNotTakenAndOneTokenWithOtherValuesIsTold) {
  const std::string heading = "RuvFrame kept writes 2\n";
  const std::string corrected = "insert\t7b-1-5-2\tLot\tnew:2\tstrName\ttext\tP99999\tnCount\ti4\t2\n";
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "~", heading + PutBackLots(1, 2)));
  ASSERT_TRUE(WriteFileAtomically(PutBack() + ".part", heading + PutBackLots(3, 1)));
  ASSERT_TRUE(WriteFileAtomically(PutBack(), heading + PutBackLots(1, 2)));
  ASSERT_TRUE(WriteFileAtomically(PutBack() + "-2", heading + corrected));
  boxes.Expect(IDOK, "The file " + PutBack() + "-2 put back and the file " + PutBack() +
                         " put back hold a record of the same token with other values: the one of the file " +
                         PutBack() + "-2 goes in (New row of Lot: strName = 'P99999', nCount = 2), the one of the file " +
                         PutBack() + " put back is left out (New row of Lot: strName = 'P00002', nCount = 2).");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(other.Text("SELECT group_concat(strName, ' ') FROM (SELECT strName FROM Lot ORDER BY strName)"),
            "P00001 P99999");
  EXPECT_TRUE(FileExists(PutBack() + "~"));
  EXPECT_TRUE(FileExists(PutBack() + ".part"));
  EXPECT_FALSE(FileExists(PutBack()));
  EXPECT_FALSE(FileExists(PutBack() + "-2"));
}

// A journal of the right heading and then junk: its box and its report show a
// few lines of its own text and count the rest, whatever those lines end with
// (a line of junk ending with a full stop or a colon is no sentence of the
// program's), and the close after it ends with its report.
TEST_F(KeptPutBackTest, AJunkJournalsTextIsToldInAFewLinesAndTheCloseEndsWithItsReport) {
  Kill();
  std::string junk = "RuvFrame kept writes 2\n";
  std::size_t lines = 1;
  junk.reserve((20u << 20) + 100);
  while (junk.size() < (20u << 20)) {
    junk += "junk that reads like a sentence.\nand like a heading:\n\n";
    lines += 3;
  }
  ASSERT_TRUE(WriteFileAtomically(Journal(), junk));
  std::string().swap(junk);
  boxes.Expect(IDOK, CADODatabase::kJournalUnreadableText);
  ASSERT_TRUE(NextStart());
  const std::string more = "... and " + std::to_string(lines - 4) + " more lines of the file, not shown here.";
  const std::string box = boxes.LastText();
  EXPECT_LT(box.size(), 4000u) << box.substr(0, 4000);
  EXPECT_NE(box.find("| RuvFrame kept writes 2\n| junk that reads like a sentence.\n| and like a heading:\n|"),
            std::string::npos)
      << box.substr(0, 4000);
  EXPECT_NE(box.find(more), std::string::npos) << box.substr(0, 4000);
  const std::string reportFile = db.path + CADODatabase::kUnwrittenFileSuffix;
  std::string report;
  ASSERT_TRUE(ReadWholeFile(reportFile, report));
  EXPECT_LT(report.size(), 4000u);
  EXPECT_NE(report.find(more), std::string::npos) << report.substr(0, 4000);

  // The close, with a record of this run kept under another program's lock
  // and a full disk at the close.
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.AddNew();
  lots.SetFieldValue("strName", std::string("shift"));
  lots.Update();
  ASSERT_EQ(sqlite3_exec(db.database.GetConnection()->Handle()->Get(), "PRAGMA max_page_count = 1", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  boxes.Expect(IDOK, "(database or disk is full: it waits");
  boxes.Expect(IDOK, "These records could not be written before the close; the database cannot take writes "
                     "(database or disk is full). They are kept in the journal beside the database");
  lots.Close();
  db.database.Close();
  ASSERT_TRUE(ReadWholeFile(reportFile, report));
  EXPECT_NE(report.find("New row of Lot: strName = 'shift'"), std::string::npos) << report;
  EXPECT_EQ(boxes.Pending(), 0u);
}

// A journal that holds its heading alone (every record went in) is no news:
// the start removes it and shows no box.
TEST_F(KeptPutBackTest, AJournalOfItsHeadingAloneIsRemovedAtTheStartWithNoBox) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 2\n"));
  ASSERT_TRUE(NextStart());
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_FALSE(FileExists(db.path + CADODatabase::kUnwrittenFileSuffix));
  EXPECT_EQ(boxes.Count(), 0u);
}

// A file put back that is a hard link is refused (its other name could change
// it behind the program's back); once that name is gone, it is a file of its
// own and is taken over while the program runs.
TEST_F(KeptPutBackTest, AFilePutBackRefusedAsAHardLinkIsTakenOnceItsOtherNameIsGone) {
  const std::string otherName = db.path + ".copy";
  ASSERT_TRUE(WriteFileAtomically(otherName, "RuvFrame kept writes 2\n" + PutBackLots(1, 2)));
  ASSERT_EQ(::link(otherName.c_str(), PutBack().c_str()), 0);
  boxes.Expect(IDOK, "The file " + PutBack() + " put back is a hard link");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "0 0");
  EXPECT_EQ(boxes.Count(), 1u);
  ASSERT_EQ(::unlink(otherName.c_str()), 0);
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (2 records): written to the database");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "2 2");
  EXPECT_FALSE(FileExists(PutBack()));
  EXPECT_EQ(boxes.Pending(), 0u);
}

// The records of a file put back that the database refuses are set aside in a
// copy no more open than that file: what only its owner and group could read
// stays so.
TEST_F(KeptPutBackTest, RefusedRecordsOfAFilePutBackAreSetAsideNoMoreOpenThanItWas) {
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE INSERT ON Lot WHEN NEW.strName = 'P00002' "
                       "BEGIN SELECT RAISE(ABORT, 'not this one'); END"),
            SQLITE_OK);
  ASSERT_TRUE(WriteFileAtomically(PutBack(), "RuvFrame kept writes 2\n" + PutBackLots(1, 2)));
  ASSERT_EQ(::chmod(PutBack().c_str(), 0640), 0);
  boxes.Expect(IDOK, "they are set aside as " + Journal() + ".refused");
  boxes.Expect(IDOK, "The file " + PutBack() + " put back was taken over (2 records)");
  for (int look = 0; look < 3; ++look) LookASecondLater();
  EXPECT_EQ(Rows(), "1 1");
  struct stat aside{};
  ASSERT_EQ(::stat((Journal() + ".refused").c_str(), &aside), 0);
  EXPECT_EQ(aside.st_mode & 0777, 0640u);
  EXPECT_EQ(boxes.Pending(), 0u);
}
