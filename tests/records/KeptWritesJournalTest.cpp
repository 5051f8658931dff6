// The journal beside the database keeps every write another program's lock
// kept, from the moment it is kept until it is written: a process ended at any
// moment leaves it there, and the next start writes each record once, or
// keeps it while the lock is still there, or tells what an unreadable one holds.
#include <gtest/gtest.h>

#include <string>

#include "RecordsTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "records/AdoException.h"
#include "records/AdoRecordset.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* kJournalLotSchema = R"(
CREATE TABLE "Lot" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(20),
  "nCount"    LONG,
  "fLevel"    DOUBLE
);)";

class KeptWritesJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.created);
    db.database.GetConnection()->SetBusyTimeout(0);
    ASSERT_TRUE(lots.Open("Lot", CADORecordset::openTable));
  }
  std::string Journal() const { return db.path + CADODatabase::kJournalFileSuffix; }
  std::string Rows() {
    return other.Text("SELECT group_concat(nRecordID || ' ' || strName || ' ' || nCount || ' ' || IFNULL(fLevel, ''), ', ') FROM Lot");
  }
  // A row added and changed while the other program holds the lock: both kept.
  void AddAndChangeUnderTheLock() {
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE; INSERT INTO Lot (strName, nCount) VALUES ('other', 1)"), SQLITE_OK);
    lots.AddNew();
    lots.SetFieldValue("strName", std::string("mine\tnew\nline"));
    lots.SetFieldValue("nCount", 4);
    lots.SetFieldValue("fLevel", 0.1);
    lots.Update();
    lots.Edit();
    lots.SetFieldValue("nCount", 5);
    lots.Update();
    ASSERT_EQ(db.database.GetKeptWriteCount(), 2u);
  }
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

  ScriptedMessageBox boxes;
  ProbeDatabase db{kJournalLotSchema};
  CADORecordset lots{&db.database};
  RawDatabase other{db.path};
};

}  // namespace

// The program may die after a kept write went in and before the journal was
// rewritten without it: the write's token went in with it, so the next start
// finds it written and writes it no second time, and the change behind it
// goes to the row it got.
TEST_F(KeptWritesJournalTest, AWriteThatWentInJustBeforeAKillIsNotWrittenAgainAtTheNextStart) {
  AddAndChangeUnderTheLock();
  std::string journal;
  ASSERT_TRUE(ReadWholeFile(Journal(), journal));
  // Each record is described on a line of its own for whoever opens the file.
  EXPECT_NE(journal.find("\n# New row of Lot: strName = 'mine\\tnew\\nline', nCount = 4, fLevel = 0.1\n"),
            std::string::npos)
      << journal;
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ruv::db::PendingWrites::SetDeathAfterWriteForTest([] { return true; });
  db.database.WriteKept();
  ruv::db::PendingWrites::SetDeathAfterWriteForTest(nullptr);
  Kill();
  ASSERT_EQ(Rows(), "1 other 1 , 2 mine\tnew\nline 4 0.1");  // the new row went in; the journal still has it

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 other 1 , 2 mine\tnew\nline 5 0.1");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM KeptWritesWritten"), "0");  // forgotten once no journal names them
}

// Killed while the lock is held; the next start still finds it held: the
// records wait again (and stay in the journal), and go in once it is free,
// the new row where the database puts it and its change with it.
TEST_F(KeptWritesJournalTest, AKillWithWritesKeptLosesNoneAndTheNextStartWritesEachOnce) {
  AddAndChangeUnderTheLock();
  Kill();
  boxes.Expect(IDOK, CADODatabase::kJournalKeptText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(db.database.GetKeptWriteCount(), 2u);
  EXPECT_TRUE(FileExists(Journal()));
  // What this start reads shows them already: the new row by its handle.
  ASSERT_EQ(lots.GetRecordCount(), 1);
  int id = 0, count = 0;
  lots.GetFieldValue("nRecordID", id);
  lots.GetFieldValue("nCount", count);
  EXPECT_TRUE(CADORecordset::IsKeptRecordHandle(id));
  EXPECT_EQ(count, 5);

  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_EQ(Rows(), "1 other 1 , 2 mine\tnew\nline 5 0.1");
  EXPECT_EQ(lots.FollowRecordId(id), 2);
  EXPECT_FALSE(FileExists(Journal()));
  // A second kill now leaves nothing to write again.
  Kill();
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 other 1 , 2 mine\tnew\nline 5 0.1");
  EXPECT_EQ(boxes.Count(), 1u);
}

// A journal that cannot be read is set aside whole and its text told: nothing
// in it is written, nothing is lost, and the start goes on.
TEST_F(KeptWritesJournalTest, AnUnreadableJournalIsSetAsideAndWhatItHoldsIsTold) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 1\n# Row 1 of Lot: nCount = 7\nW\tbroken\n"));
  boxes.Expect(IDOK, CADODatabase::kJournalUnreadableText);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(NextStart());
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  EXPECT_NE(errorOutput.find("cannot be read (line 3: a field is missing or malformed). It was set aside as " +
                             Journal() + ".unreadable"),
            std::string::npos)
      << errorOutput;
  EXPECT_NE(errorOutput.find("# Row 1 of Lot: nCount = 7"), std::string::npos) << errorOutput;
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_TRUE(FileExists(Journal() + ".unreadable"));
  EXPECT_EQ(Rows(), "<null>");
}
