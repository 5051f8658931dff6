// The journal beside the database keeps every write another program's lock
// kept, from the moment it is kept until it is written: a process ended at any
// moment leaves it there, and the next start writes each record once, or
// keeps it while the lock is still there, or tells what an unreadable one holds.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "RecordsTestSupport.h"
#include "PlantTablesSupport.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrites.h"
#include "platform/ui/WindowTimers.h"
#include "records/AdoException.h"
#include "records/AdoRecordset.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* kJournalLotSchema = R"(
CREATE TABLE "Lot" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(20),
  "nCount"    LONG,
  "fLevel"    DOUBLE
);
CREATE TABLE "Every" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "nLong"     LONG,
  "nShort"    SHORT,
  "nByte"     BYTE,
  "fSingle"   SINGLE,
  "fDouble"   DOUBLE,
  "cMoney"    CURRENCY,
  "dExact"    DECIMAL,
  "dtWhen"    DATETIME,
  "bYes"      YESNO,
  "strText"   TEXT(50),
  "strMemo"   MEMO,
  "strNone"   TEXT(10)
);)";

class KeptWritesJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.created);
    db.database.GetConnection()->SetBusyTimeout(0);
    ASSERT_TRUE(lots.Open("Lot", CADORecordset::openTable));
  }
  std::string Journal() const { return db.path + CADODatabase::kJournalFileSuffix; }
  // A heading about waiting records, held by another program's lock.
  static std::string Locked(const char* heading) {
    return CADODatabase::WithCause(heading, ruv::db::PendingWrites::kLockedCause);
  }
  // ...and by a full disk.
  static std::string Full(const char* heading) {
    return CADODatabase::WithCause(heading, ruv::db::PendingWrites::CauseText(SQLITE_FULL));
  }
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
  // A new row kept under the other program's lock.
  void KeepNewLot(int count) {
    lots.AddNew();
    lots.SetFieldValue("strName", std::string("kept"));
    lots.SetFieldValue("nCount", count);
    lots.Update();
  }
  // The database gets no page more, as on a full disk.
  void FillTheDisk() {
    ASSERT_EQ(sqlite3_exec(db.database.GetConnection()->Handle()->Get(), "PRAGMA max_page_count = 1", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
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
  // Writes the kept records at three looks a second apart, the folder's
  // changes taken in before each: a file put back while the program runs is
  // taken once it stayed as it is over two looks. What the last one gave.
  bool WriteKeptOverLooks() {
    FakeClock clock;
    clock.Install();
    bool written = false;
    for (int look = 0; look < 3; ++look) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      written = db.database.WriteKept();
      clock.Advance(CADODatabase::kRetryTimerMs);
    }
    return written;
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
  // Kept for good: a copy of the journal put back later writes neither again.
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM KeptWritesWritten"), "2");
}

// Killed while the lock is held; the next start still finds it held: the
// records wait again (and stay in the journal), and go in once it is free,
// the new row where the database puts it and its change with it.
TEST_F(KeptWritesJournalTest, AKillWithWritesKeptLosesNoneAndTheNextStartWritesEachOnce) {
  AddAndChangeUnderTheLock();
  Kill();
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
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
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 2\n# Row 1 of Lot: nCount = 7\nW\tbroken\n"));
  boxes.Expect(IDOK, CADODatabase::kJournalUnreadableText);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(NextStart());
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  EXPECT_NE(errorOutput.find("cannot be read (line 3: a field is missing or malformed). It was set aside as " +
                             Journal() + ".unreadable"),
            std::string::npos)
      << errorOutput;
  EXPECT_NE(errorOutput.find("# Row 1 of Lot: nCount = 7"), std::string::npos) << errorOutput;
  // The box keeps the sentence whole, however long the folder's path: where the
  // file went and what to do are its last words.
  EXPECT_NE(boxes.LastText().find("set aside as " + Journal() + ".unreadable: the records it holds are not written; "
                                  "please enter them again by hand."),
            std::string::npos)
      << boxes.LastText();
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_TRUE(FileExists(Journal() + ".unreadable"));
  EXPECT_EQ(Rows(), "<null>");
}

// What the journal holds comes back exactly: every type a column has, a text
// with tabs and line breaks, a number-like text in a MEMO (a blob) and a NULL
// go in as the same write made directly stores them.
TEST_F(KeptWritesJournalTest, EveryValueTypeComesBackExactlyThroughTheJournal) {
  CADORecordset every(&db.database);
  ASSERT_TRUE(every.Open("Every", CADORecordset::openTable));
  auto add = [&] {
    every.AddNew();
    every.SetFieldValue("nLong", static_cast<long>(-2147483647 - 1));
    every.PutFieldValue("nShort", Variant::I2(-32768));
    every.PutFieldValue("nByte", Variant::UI1(255));
    every.SetFieldValue("fSingle", 0.1f);
    every.SetFieldValue("fDouble", 1.0 / 3.0);
    every.PutFieldValue("cMoney", Variant::Currency(-123456789));
    every.SetFieldValue("dExact", std::string("-12345.6789012345"));
    every.PutFieldValue("dtWhen", Variant::Date(45123.456789012345));
    every.SetFieldValue("bYes", true);
    every.SetFieldValue("strText", std::string("a\ttab\nline\\ \"q\" 'x'"));
    every.SetFieldValue("strMemo", std::string("0012"));
    every.Update();
  };
  add();  // row 1, written at once
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  add();  // row 2, kept
  ASSERT_EQ(db.database.GetKeptWriteCount(), 1u);
  every.Close();
  Kill();
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  for (const char* column : {"nLong", "nShort", "nByte", "fSingle", "fDouble", "cMoney", "dExact", "dtWhen", "bYes",
                             "strText", "strMemo", "strNone"})
    EXPECT_EQ(other.Text(ruv::Format("SELECT COUNT(*) FROM Every a, Every b WHERE a.rowid = 1 AND b.rowid = 2 AND "
                                     "a.%s IS b.%s AND typeof(a.%s) = typeof(b.%s)", column, column, column, column)),
              "1")
        << column << ": " << other.Text(ruv::Format("SELECT group_concat(typeof(%s) || ' ' || quote(%s), ' / ') "
                                                    "FROM Every", column, column));
  EXPECT_EQ(other.TypeOf("SELECT strMemo FROM Every WHERE rowid = 2"), "blob");
}

// Only a regular file of its own at the journal's name is a journal: a link (to
// a journal elsewhere, or to nothing, or a second name of a file elsewhere or
// of the database itself), a folder or a named pipe there is told,
// never followed, read, replaced or removed, and the writes kept meanwhile
// stay in memory and go in once the lock goes.
TEST_F(KeptWritesJournalTest, AnythingButARegularFileAtTheJournalsNameIsToldAndLeftAlone) {
  TempDir elsewhere;
  const std::string target = elsewhere.File("Qelo-DataBase.mdb.kept.txt");
  const std::string journal = "RuvFrame kept writes 2\n# Row 1 of Lot: nCount = 7\nupdate\t1-2-3-1\tLot\tid:1\tnCount\ti4\t7\n";
  ASSERT_TRUE(WriteFileAtomically(target, journal));
  ASSERT_EQ(other.Exec("INSERT INTO Lot (strName, nCount) VALUES ('one', 1)"), SQLITE_OK);
  struct Thing {
    const char* what;
    std::function<int(const std::string&)> make;
  };
  const std::vector<Thing> things = {
      {"a symbolic link", [&](const std::string& at) { return ::symlink(target.c_str(), at.c_str()); }},
      {"a symbolic link", [&](const std::string& at) { return ::symlink(elsewhere.File("gone").c_str(), at.c_str()); }},
      {"a folder", [](const std::string& at) { return ::mkdir(at.c_str(), 0700); }},
      {"a named pipe", [](const std::string& at) { return ::mkfifo(at.c_str(), 0600); }},
      {"a hard link: the same file has 2 names", [&](const std::string& at) { return ::link(target.c_str(), at.c_str()); }},
      {"the database file itself", [&](const std::string& at) { return ::link(db.path.c_str(), at.c_str()); }},
  };
  for (const Thing& thing : things) {
    SCOPED_TRACE(thing.what);
    Kill();
    ASSERT_EQ(thing.make(Journal()), 0);
    struct stat before{};
    ASSERT_EQ(::lstat(Journal().c_str(), &before), 0);
    boxes.Expect(IDOK, "The journal " + Journal() + " is " + thing.what + ", not a file of records: it was left as it is");
    ASSERT_TRUE(NextStart());
    // A write the lock keeps meanwhile does not go to the thing either.
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    lots.Edit();
    lots.SetFieldValue("nCount", 2);
    lots.Update();
    ASSERT_EQ(db.database.GetKeptWriteCount(), 1u);
    struct stat after{};
    ASSERT_EQ(::lstat(Journal().c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
    ASSERT_TRUE(db.database.WriteKept());
    EXPECT_EQ(Rows(), "1 one 2 ");
    ASSERT_EQ(other.Exec("UPDATE Lot SET nCount = 1"), SQLITE_OK);
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(target, kept));
    EXPECT_EQ(kept, journal);
    EXPECT_FALSE(FileExists(Journal() + ".unreadable"));
    std::filesystem::remove(Journal());
  }
  EXPECT_EQ(boxes.Count(), things.size());
}

// The records of a journal the database refuses are set aside, never deleted:
// the refused record and the set-aside file, named for what it holds, are
// told, and the file holds the records as they stand.
TEST_F(KeptWritesJournalTest, AJournalWhoseWritesTheDatabaseRefusesIsSetAsideNotDeleted) {
  AddAndChangeUnderTheLock();
  std::string journal;
  ASSERT_TRUE(ReadWholeFile(Journal(), journal));
  Kill();
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE INSERT ON Lot WHEN NEW.strName LIKE 'mine%' "
                       "BEGIN SELECT RAISE(ABORT, 'not this one'); END; COMMIT"),
            SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(NextStart());
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  EXPECT_NE(errorOutput.find("New row of Lot: strName = 'mine\\tnew\\nline', nCount = 4, fLevel = 0.1 (not this one)"),
            std::string::npos)
      << errorOutput;
  EXPECT_NE(errorOutput.find("set aside as " + Journal() + ".refused"), std::string::npos) << errorOutput;
  std::string aside;
  ASSERT_TRUE(ReadWholeFile(Journal() + ".refused", aside));
  // The same records, their new row numbered as this start numbered it.
  const std::regex newRow("new:[0-9]+");
  EXPECT_EQ(std::regex_replace(aside, newRow, "new:N"), std::regex_replace(journal, newRow, "new:N"));
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(Rows(), "1 other 1 ");
  EXPECT_EQ(boxes.Count(), 2u);
}

// Written tokens are never forgotten, this program's as another program's:
// any copy of a record, put back whenever, finds its token there.
TEST_F(KeptWritesJournalTest, EveryWrittenTokenIsKeptForGoodAnotherProgramsToo) {
  ASSERT_EQ(other.Exec("CREATE TABLE KeptWritesWritten (Token TEXT PRIMARY KEY, RowId INTEGER); "
                       "INSERT INTO KeptWritesWritten VALUES ('4d2-18c2a1b-0a0b0c0d0e0f0a0b-1', 7)"),
            SQLITE_OK);
  AddAndChangeUnderTheLock();
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM KeptWritesWritten WHERE Token <> '4d2-18c2a1b-0a0b0c0d0e0f0a0b-1'"), "2");
  EXPECT_EQ(other.Text("SELECT RowId FROM KeptWritesWritten WHERE Token = '4d2-18c2a1b-0a0b0c0d0e0f0a0b-1'"), "7");
}

namespace {

// The plant's database with a table of another program's beside its own.
class PlantJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plant.created);
    ASSERT_EQ(other.Exec("INSERT INTO Batch (nBatchNumber, strMixerName) VALUES (701, 'Mixer1'), (702, 'Mixer2'); "
                         "CREATE TABLE Foreign1 (x TEXT); INSERT INTO Foreign1 VALUES ('theirs')"),
              SQLITE_OK);
    plant.database.GetConnection()->Close();
  }
  std::string Journal() const { return plant.path + CADODatabase::kJournalFileSuffix; }
  std::string State() {
    return other.Text("SELECT group_concat(nRecordID || ' ' || quote(nBatchNumber) || ' ' || quote(strMixerName), ', ') "
                      "FROM Batch") +
           " | " + other.Text("SELECT group_concat(x) FROM Foreign1") + " | " +
           other.Text("SELECT group_concat(name) FROM sqlite_master");
  }

  ScriptedMessageBox boxes;
  PlantDatabase plant;
  RawDatabase other{plant.path};
};

}  // namespace

// The journal is data for the plant's own tables and their columns, never a
// statement: each line below (in the first format, which kept statements, or
// shaped as today's but naming another table, column or row) sets the whole
// journal aside unrun, the good line before it too, and the start goes on at
// once (the endless query cannot even be said).
TEST_F(PlantJournalTest, AnyLineThatIsNotDataForThePlantsOwnTablesSetsTheJournalAsideUnrun) {
  std::string schema;
  ASSERT_TRUE(ReadWholeFile(RUV_SCHEMA_SQL, schema));
  EXPECT_EQ(ProbeDatabase::TablesOf(schema), CADODatabase::kPlantTables);
  const std::string before = State();
  const std::string statements = "RuvFrame kept writes 1\n";
  const std::string data = "RuvFrame kept writes 2\nupdate\t1-2-3-1\tBatch\tid:1\tstrMixerName\ttext\tchanged\n";
  const std::vector<std::string> journals = {
      statements + "W\t1-2\tD\tBatch\t1\t0\t-1\tDELETE FROM \"Batch\" WHERE rowid = ?1 OR 1 = 1\t0\t0\n",
      statements + "W\t1-2\tU\tBatch\t1\t0\t-1\tUPDATE \"Foreign1\" SET x = 'mine' WHERE rowid = ?1\t0\t0\n",
      statements + "W\t1-2\tI\tBatch\t-2\t1\t0\tINSERT INTO \"Foreign1\" (x) VALUES ('mine')\t0\t0\n",
      statements + "W\t1-2\tI\tBatch\t-2\t1\t0\tINSERT INTO \"Batch\" (strMixerName) SELECT group_concat(sql) FROM "
                   "sqlite_master\t0\t0\n",
      statements + "W\t1-2\tI\tBatch\t-2\t1\t0\tINSERT INTO \"Batch\" (nBatchNumber) WITH RECURSIVE c(n) AS (SELECT 1 "
                   "UNION ALL SELECT n + 1 FROM c) SELECT max(n) FROM c\t0\t0\n",
      data + "delete\t1-2-3-2\tBatch\tid:1 OR 1 = 1\n",
      data + "update\t1-2-3-2\tForeign1\tid:1\tx\ttext\tmine\n",
      data + "insert\t1-2-3-2\tForeign1\tnew:1\tx\ttext\tmine\n",
      data + "insert\t1-2-3-2\tKeptWritesWritten\tnew:1\tToken\ttext\t1-2-3-1\n",
      data + "update\t1-2-3-2\tBatch\tid:2\tstrMixerName\" = (SELECT group_concat(sql) FROM sqlite_master) --\ttext\tx\n",
      data + "update\t1-2-3-2\tBatch\tid:2\tnRecordID\ti4\t1\n",
      data + "update\t1-2-3-2\tBatch\tid:2\tnBatchNumber\ttext\t(SELECT 1)\n",
      data + "update\t1-2-3-2; DROP TABLE Batch\tBatch\tid:2\tnBatchNumber\ti4\t1\n",
      data + "update\t1-2-3-2\tBatch\tid:2\tstrMixerName\ttext\tx\tnBatchNumber\ti4\n",
  };
  for (const std::string& journal : journals) {
    SCOPED_TRACE(journal);
    ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
    boxes.Expect(IDOK, CADODatabase::kJournalUnreadableText);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(plant.database.Open());
    const std::string errorOutput = testing::internal::GetCapturedStderr();
    EXPECT_NE(errorOutput.find("It was set aside as " + Journal() + ".unreadable"), std::string::npos) << errorOutput;
    std::string aside;
    EXPECT_TRUE(ReadWholeFile(Journal() + ".unreadable", aside));
    EXPECT_EQ(aside, journal);
    EXPECT_FALSE(FileExists(Journal()));
    EXPECT_EQ(State(), before);
    plant.database.GetConnection()->Close();
    std::filesystem::remove(Journal() + ".unreadable");
  }
  EXPECT_EQ(boxes.Count(), journals.size());
}

namespace {

// A journal an earlier run left with `rows` new rows of Lot: 'a' 1, 'b' 2...
std::string NewLots(int rows) {
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= rows; ++n) {
    const std::string name(1, static_cast<char>('a' + n - 1));
    journal += ruv::Format("# New row of Lot: strName = '%s', nCount = %d\n", name.c_str(), n) +
               ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\t%s\tnCount\ti4\t%d\n", n, n,
                           name.c_str(), n);
  }
  return journal;
}

// The records a journal file holds (its lines that are not a description).
int RecordsIn(const std::string& journal) {
  std::string content;
  if (!ReadWholeFile(journal, content)) return -1;
  int records = 0;
  for (std::size_t at = content.find('\n'); at != std::string::npos && at + 1 < content.size();
       at = content.find('\n', at + 1))
    if (content[at + 1] != '#') ++records;
  return records;
}

}  // namespace

// A full disk refuses nothing for good: the journal's records wait, told once
// however often they are tried, the journal is neither deleted nor set aside,
// and the next start with room again writes each of them.
TEST_F(KeptWritesJournalTest, OnAFullDiskTheJournalsRecordsWaitAndGoInOnceThereIsRoomAgain) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(3)));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());
  // The disk fills: the database gets no page more, and no file beside it is written.
  FillTheDisk();
  SetWriteInterruptForTest([](const std::string&) { return true; });
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  boxes.Expect(IDOK, "(database or disk is full: it waits");
  for (int retry = 0; retry < 5; ++retry) EXPECT_FALSE(db.database.WriteKept());
  boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
  db.database.WriteKeptLastTry();
  Kill();
  SetWriteInterruptForTest(nullptr);
  EXPECT_EQ(RecordsIn(Journal()), 3);
  EXPECT_FALSE(FileExists(Journal() + ".unreadable"));
  EXPECT_FALSE(FileExists(Journal() + ".refused"));

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 c 3 ");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Count(), 4u);
}

// What the close says of the records it keeps is what the files beside the
// database hold. A read-only journal is written anew (a new file renamed over
// it); one that cannot be written at all keeps no record made since, and the
// close says those are only in the report, to be entered by hand. Either way
// the journal's trouble is told once, not at every record kept.
TEST_F(KeptWritesJournalTest, TheCloseSaysOfTheKeptRecordsWhatTheJournalHolds) {
  struct Case {
    const char* what;
    bool writable;        // whether a file can be written beside the database
    int inJournal;        // records the journal holds after the close
    std::string madeHere; // where the close says the records made in this run are
  };
  const std::vector<Case> cases = {
      {"a read-only journal", true, 5, Full(CADODatabase::kKeptForNextStartText)},
      {"no file can be written", false, 1, CADODatabase::kNotInJournalText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kill();
    boxes.Clear();
    ::unlink(Journal().c_str());  // the case before leaves it read-only
    ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(1)));
    ASSERT_EQ(::chmod(Journal().c_str(), 0444), 0);
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    if (!c.writable) SetWriteInterruptForTest([](const std::string&) { return true; });
    // The journal as read holds what waits: it is written again by the start,
    // and is said to hold still what it held.
    if (!c.writable)
      boxes.Expect(IDOK, "its file still holds the 1 record it held when it was last written");
    boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
    ASSERT_TRUE(NextStart());
    for (int count = 10; count < 14; ++count) {
      lots.AddNew();
      lots.SetFieldValue("strName", std::string("kept"));
      lots.SetFieldValue("nCount", count);
      lots.Update();
    }
    ASSERT_EQ(db.database.GetKeptWriteCount(), 5u);
    // The close finds no room for them (it does not wait for the lock then).
    FillTheDisk();
    ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
    boxes.Expect(IDOK, "(database or disk is full: it waits");
    boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
    if (!c.writable) boxes.Expect(IDOK, CADODatabase::kNotInJournalText);
    testing::internal::CaptureStderr();
    db.database.WriteKeptLastTry();
    const std::string errorOutput = testing::internal::GetCapturedStderr();
    SetWriteInterruptForTest(nullptr);
    EXPECT_EQ(RecordsIn(Journal()), c.inJournal);
    const std::size_t said = errorOutput.find(c.madeHere);
    EXPECT_NE(errorOutput.find("New row of Lot: strName = 'kept', nCount = 13", said), std::string::npos)
        << errorOutput;
    EXPECT_EQ(boxes.Pending(), 0u);
    EXPECT_EQ(boxes.Count(), c.writable ? 3u : 5u);
    ASSERT_EQ(other.Exec("DELETE FROM Lot"), SQLITE_OK);
  }
}

namespace {

// Run on every connection opened (the next start's too) while set: what makes
// a cause last beyond the connection that met it.
std::string g_onEveryOpen;

int RunOnEveryOpen(sqlite3* db, char**, const sqlite3_api_routines*) {
  if (!g_onEveryOpen.empty()) sqlite3_exec(db, g_onEveryOpen.c_str(), nullptr, nullptr, nullptr);
  return SQLITE_OK;
}

// The line of `text` that starts with `start`, "" when none does.
std::string LineStarting(const std::string& text, const std::string& start) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (text.compare(at, start.size(), start) == 0) return text.substr(at, end - at);
    at = end + 1;
  }
  return std::string();
}

// Writes `bytes` over the table's first page in the database file (the write-
// ahead log emptied into it first, so that every connection reads the file).
// What was there comes back.
std::string OverwriteRootPage(RawDatabase& other, const std::string& path, const std::string& table,
                              const std::string& bytes) {
  EXPECT_EQ(other.Exec("PRAGMA wal_checkpoint(TRUNCATE)"), SQLITE_OK);
  const long long page = std::stoll(other.Text("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'"));
  const long long size = std::stoll(other.Text("PRAGMA page_size"));
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string was(bytes.size(), '\0');
  file.seekg((page - 1) * size);
  file.read(was.data(), static_cast<std::streamsize>(was.size()));
  file.seekp((page - 1) * size);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return was;
}

}  // namespace

// Records that wait are told with what holds them, at the close, in the report
// for the next start, and at that start: another program's lock, or what the
// database cannot do in its own words; never the lock when it is not.
TEST_F(KeptWritesJournalTest, EverySentenceAboutWaitingRecordsNamesTheCauseThatHoldsThem) {
  struct Cause {
    const char* what;
    const char* words;        // how the sentences name it
    const char* onEveryOpen;  // what makes it on a connection ("": the lock, or the file itself)
    bool damage;              // a damaged page of the table
  };
  const std::vector<Cause> causes = {
      {"another program's lock", "locked by another program", "", false},
      {"a full disk", "database or disk is full", "PRAGMA max_page_count = 1", false},
      {"a damaged page", "database disk image is malformed", "", true},
      {"a read-only database", "attempt to write a readonly database", "PRAGMA query_only = 1", false},
  };
  boxes.SetDefaultAnswer(IDOK);
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(&RunOnEveryOpen));
  for (const Cause& cause : causes) {
    SCOPED_TRACE(cause.what);
    const bool lock = !*cause.onEveryOpen && !cause.damage;
    boxes.Clear();
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    lots.AddNew();
    lots.SetFieldValue("strName", std::string("held"));
    lots.Update();
    ASSERT_EQ(db.database.GetKeptWriteCount(), 1u);
    lots.Close();
    std::string undamaged;
    if (!lock) {
      // The lock goes; the cause comes and stays, the next start's too.
      ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
      g_onEveryOpen = cause.onEveryOpen;
      RunOnEveryOpen(db.database.GetConnection()->Handle()->Get(), nullptr, nullptr);
      if (cause.damage) undamaged = OverwriteRootPage(other, db.path, "Lot", std::string(512, '\xA5'));
      EXPECT_FALSE(db.database.WriteKept());
    }
    testing::internal::CaptureStderr();
    db.database.WriteKeptLastTry();
    db.database.GetConnection()->Close();
    ASSERT_TRUE(db.database.Open());
    const std::string errorOutput = testing::internal::GetCapturedStderr();
    std::string boxTexts;
    for (const ScriptedMessageBox::Shown& box : boxes.Boxes()) boxTexts += box.text + "\n";

    const std::vector<std::string> sentences = {
        LineStarting(errorOutput, "These records wait for the database"),
        LineStarting(boxTexts, "These records could not be written before the close"),
        LineStarting(boxTexts, "An earlier run of the program ended while these records waited"),
    };
    for (const std::string& sentence : sentences) {
      ASSERT_FALSE(sentence.empty()) << errorOutput << boxTexts;
      EXPECT_NE(sentence.find(cause.words), std::string::npos) << sentence;
    }
    if (!lock) {
      EXPECT_EQ(boxTexts.find("locked by another program"), std::string::npos) << boxTexts;
      EXPECT_EQ(errorOutput.find("locked by another program"), std::string::npos) << errorOutput;
    }

    // Mended: nothing waits any more.
    db.database.GetConnection()->Close();
    ASSERT_EQ(std::remove(Journal().c_str()), 0);
    if (lock) {
      ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
    }
    g_onEveryOpen.clear();
    if (cause.damage) OverwriteRootPage(other, db.path, "Lot", undamaged);
    ASSERT_TRUE(NextStart());
  }
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&RunOnEveryOpen));
}

// The records set aside are those the database refused, alone: put back as the
// journal once the cause is mended, each goes in once and the accepted one is
// not written a second time.
TEST_F(KeptWritesJournalTest, AJournalSetAsideAndPutBackWritesEachRecordOnce) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(2)));
  // A link at the first name is never written through: the next free name is taken.
  ASSERT_EQ(::symlink(db.path.c_str(), (Journal() + ".refused").c_str()), 0);
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE INSERT ON Lot WHEN NEW.strName = 'b' "
                       "BEGIN SELECT RAISE(ABORT, 'not this one'); END"),
            SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 1 ");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(RecordsIn(Journal() + ".refused-2"), 1);

  Kill();
  ASSERT_EQ(other.Exec("DROP TRIGGER Refuse"), SQLITE_OK);
  ASSERT_EQ(::rename((Journal() + ".refused-2").c_str(), Journal().c_str()), 0);
  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 ");
  EXPECT_EQ(boxes.Count(), 3u);
}

// A copy of refused records put back as the journal while the program runs is
// the program's to take over, not to overwrite: the next kept write rewrites
// the journal with the put-back record in it, and the close writes both.
TEST_F(KeptWritesJournalTest, ACopyPutBackWhileTheProgramRunsIsTakenOverAtTheNextKeptWrite) {
  Kill();
  ASSERT_EQ(other.Exec("INSERT INTO Lot (strName, nCount) VALUES ('one', 1)"), SQLITE_OK);
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 2\n"
                                             "update\t4d2-1-2-1\tLot\tid:999\tnCount\ti4\t7\n"
                                             "update\t4d2-1-2-2\tLot\tid:1\tnCount\ti4\t2\n"));
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  ASSERT_TRUE(NextStart());
  ASSERT_EQ(Rows(), "1 one 2 ");
  // The row is there now, and its record put back, while the program runs on.
  ASSERT_EQ(other.Exec("INSERT INTO Lot (nRecordID, strName, nCount) VALUES (999, 'late', 1)"), SQLITE_OK);
  ASSERT_EQ(::rename((Journal() + ".refused").c_str(), Journal().c_str()), 0);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.Edit();
  lots.SetFieldValue("nCount", 3);
  lots.Update();
  EXPECT_EQ(RecordsIn(Journal()), 2);
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  db.database.WriteKeptLastTry();
  EXPECT_EQ(Rows(), "1 one 3 , 999 late 7 ");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Count(), 2u);
}

// A set-aside copy is put back under a name of its own beside the journal,
// never over it: the journal may hold records the program kept since. Taken
// over while the program runs or at a start, the copy's records join the
// journal's before the copy goes; each goes in once, however often it is put
// back, and none of the journal's is lost on the way.
TEST_F(KeptWritesJournalTest, ACopyPutBackBesideTheJournalJoinsItAndLosesNoneOfItsRecords) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(2)));
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE INSERT ON Lot WHEN NEW.strName = 'b' "
                       "BEGIN SELECT RAISE(ABORT, 'not this one'); END"),
            SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  ASSERT_TRUE(NextStart());
  std::string copy;
  ASSERT_TRUE(ReadWholeFile(Journal() + ".refused", copy));
  // The box names the file to put it back as.
  const std::string putBack = Journal() + ruv::db::KeptWriteJournal::kPutBackSuffix;
  EXPECT_NE(boxes.Boxes()[0].text.find("rename it to " + putBack), std::string::npos) << boxes.Boxes()[0].text;
  ASSERT_EQ(other.Exec("DROP TRIGGER Refuse"), SQLITE_OK);

  // While the program runs, with a record of its own kept in the journal.
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.AddNew();
  lots.SetFieldValue("strName", std::string("mine"));
  lots.SetFieldValue("nCount", 9);
  lots.Update();
  ASSERT_EQ(RecordsIn(Journal()), 1);
  ASSERT_EQ(::rename((Journal() + ".refused").c_str(), putBack.c_str()), 0);
  boxes.Expect(IDOK, "The file " + putBack + " put back was taken over (1 record): in the journal");
  EXPECT_FALSE(WriteKeptOverLooks());
  EXPECT_EQ(RecordsIn(Journal()), 2);
  EXPECT_FALSE(FileExists(putBack));
  Kill();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);

  // At a start, put back twice over.
  ASSERT_TRUE(WriteFileAtomically(putBack, copy));
  ASSERT_TRUE(WriteFileAtomically(putBack + "-again", copy));
  boxes.Expect(IDOK, CADODatabase::kPutBackTakenText);
  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 mine 9 ");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_FALSE(FileExists(putBack));
  EXPECT_FALSE(FileExists(putBack + "-again"));
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 5u);
}

// A kill right after the refused records were set aside, before the journal
// was rewritten without them, leaves them in both: the next start sets them
// aside again, in a second copy. Whichever copies are put back, in any order
// and however often, each record goes in once; and no temporary file a killed
// rewrite of a copy left stays behind.
TEST_F(KeptWritesJournalTest, CopiesSetAsideAcrossAKillWriteEachRecordOnceHoweverTheyArePutBack) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(3)));
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE INSERT ON Lot WHEN NEW.strName <> 'a' "
                       "BEGIN SELECT RAISE(ABORT, 'not now'); END"),
            SQLITE_OK);
  ruv::db::PendingWrites::SetDeathAfterSetAsideForTest([] { return true; });
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  ASSERT_TRUE(NextStart());
  ruv::db::PendingWrites::SetDeathAfterSetAsideForTest(nullptr);
  Kill();
  // The records a transaction refused are set aside together.
  ASSERT_EQ(RecordsIn(Journal() + ".refused"), 2);
  ASSERT_EQ(RecordsIn(Journal()), 3);
  ASSERT_TRUE(WriteFileAtomically(Journal() + ".refused.tmp-AbCdEf", "half"));

  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  ASSERT_TRUE(NextStart());
  Kill();
  EXPECT_EQ(Rows(), "1 a 1 ");
  EXPECT_FALSE(std::filesystem::exists(Journal() + ".refused.tmp-AbCdEf"));
  std::string first, second;
  ASSERT_TRUE(ReadWholeFile(Journal() + ".refused", first));
  ASSERT_TRUE(ReadWholeFile(Journal() + ".refused-2", second));
  EXPECT_EQ(RecordsIn(Journal() + ".refused-2"), 2);

  ASSERT_EQ(other.Exec("DROP TRIGGER Refuse"), SQLITE_OK);
  for (const std::string& copy : {first, second, second, first}) {
    ASSERT_TRUE(WriteFileAtomically(Journal(), copy));
    boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
    ASSERT_TRUE(NextStart());
    Kill();
  }
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 c 3 ");
  EXPECT_EQ(boxes.Count(), 8u);
}

// A refused record is set aside as it stands: a change of a new row whose
// insert went in names the row by its id, so once put back it goes in. A
// change of a new row no line of the journal makes can never go in: it is
// told so, and not set aside to be put back.
TEST_F(KeptWritesJournalTest, AChangeOfANewRowWrittenIsSetAsideByItsIdAndGoesInOncePutBack) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(1) + "update\t4d2-1-2-8\tLot\tnew:1\tnCount\ti4\t2\n" +
                                                 "update\t4d2-1-2-9\tLot\tnew:5\tnCount\ti4\t9\n"));
  ASSERT_EQ(other.Exec("CREATE TRIGGER Refuse BEFORE UPDATE ON Lot WHEN NEW.nCount = 2 "
                       "BEGIN SELECT RAISE(ABORT, 'not now'); END"),
            SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  boxes.Expect(IDOK, CADODatabase::kJournalRefusedText);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(NextStart());
  const std::string errorOutput = testing::internal::GetCapturedStderr();
  EXPECT_NE(errorOutput.find("no line of the journal makes the new row it goes to (new:5): it can never be written"),
            std::string::npos)
      << errorOutput;
  EXPECT_EQ(Rows(), "1 a 1 ");
  EXPECT_EQ(RecordsIn(Journal() + ".refused"), 1);

  Kill();
  ASSERT_EQ(other.Exec("DROP TRIGGER Refuse"), SQLITE_OK);
  ASSERT_EQ(::rename((Journal() + ".refused").c_str(), Journal().c_str()), 0);
  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 2 ");
  EXPECT_EQ(boxes.Count(), 3u);
}

// A journal that could not be written while records were kept, and can be
// at the close, holds each of them once: the next start writes each once
// (twice over, its new row was made twice and the whole journal set aside).
TEST_F(KeptWritesJournalTest, AJournalWrittenOnlyAtTheCloseHoldsEachKeptRecordOnce) {
  SetWriteInterruptForTest([](const std::string&) { return true; });
  boxes.Expect(IDOK, "could not be written");
  AddAndChangeUnderTheLock();
  SetWriteInterruptForTest(nullptr);
  // The close finds no room for them (it does not wait for the lock then).
  FillTheDisk();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  boxes.Expect(IDOK, "(database or disk is full: it waits");
  boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
  db.database.WriteKeptLastTry();
  Kill();
  EXPECT_EQ(RecordsIn(Journal()), 2);

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 mine\tnew\nline 5 0.1");
  EXPECT_EQ(boxes.Pending(), 0u);
}

namespace {

// A slow disk as the close sees it: every look at the clock finds its time
// gone, so it writes one transaction more and stops.
class SlowDiskClock final : public IClock {
 public:
  SlowDiskClock() { SetClock(this); }
  ~SlowDiskClock() override { SetClock(nullptr); }
  SlowDiskClock(const SlowDiskClock&) = delete;
  SlowDiskClock& operator=(const SlowDiskClock&) = delete;
  std::uint32_t TickCount() override { return m_ticks += CADODatabase::kCloseLockWaitMs; }
  DateTimeFields LocalNow() override { return DateTimeFields{}; }
  void SleepMs(std::uint32_t) override {}

 private:
  std::uint32_t m_ticks = 0;
};

}  // namespace

// A long journal does not hold the start: one transaction of it is written
// there, the rest while the program runs. A close during that writing stops
// between two transactions within its time, names what it did not write, and
// leaves exactly that in the journal; the next start writes it, each once.
TEST_F(KeptWritesJournalTest, ACloseDuringALongJournalsWritingEndsInTimeAndKeepsTheRest) {
  const int perTransaction = static_cast<int>(ruv::db::PendingWrites::kWritesPerTransaction);
  const int records = 3 * perTransaction;
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= records; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tlot %d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  boxes.Expect(IDOK, CADODatabase::kJournalWritingText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(db.database.GetKeptWriteCount(), static_cast<std::size_t>(records - perTransaction));
  // Told at the start: its first records, and how many more the journal holds.
  const int listed = static_cast<int>(ruv::db::PendingWrites::kMostListedRecords);
  std::string told;
  ASSERT_TRUE(ReadWholeFile(db.path + CADODatabase::kUnwrittenFileSuffix, told));
  EXPECT_NE(told.find(ruv::Format("strName = 'lot %d', nCount = %d\n", listed, listed)), std::string::npos);
  EXPECT_EQ(told.find(ruv::Format("strName = 'lot %d', nCount = %d\n", listed + 1, listed + 1)), std::string::npos);
  EXPECT_NE(told.find(ruv::Format("... and %d more of these %d records", records - listed, records)),
            std::string::npos)
      << told;

  const std::string cutText = CADODatabase::WithCause(CADODatabase::kCutAtCloseText,
                                                      ruv::db::PendingWrites::kCloseTimeCause);
  boxes.Expect(IDOK, cutText);
  lots.Close();
  {
    SlowDiskClock slowDisk;
    db.database.Close();
  }
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lot"), std::to_string(2 * perTransaction));
  EXPECT_EQ(RecordsIn(Journal()), perTransaction);
  std::string report;
  ASSERT_TRUE(ReadWholeFile(db.path + CADODatabase::kUnwrittenFileSuffix, report));
  const std::size_t cut = report.find(cutText);
  ASSERT_NE(cut, std::string::npos) << report;
  EXPECT_NE(report.find(ruv::Format("New row of Lot: strName = 'lot %d', nCount = %d\n", records, records), cut),
            std::string::npos);

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(other.Text("SELECT COUNT(*) || ' ' || COUNT(DISTINCT strName) FROM Lot"),
            std::to_string(records) + " " + std::to_string(records));
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Pending(), 0u);
}

// A close while a long journal's records wait (for the lock, a full disk)
// does not spend its time listing them: the report lists the first and counts the
// rest, which the journal holds for the next start.
TEST_F(KeptWritesJournalTest, ACloseWithALongJournalWaitingListsItsFirstRecordsAndCountsTheRest) {
  const int listed = static_cast<int>(ruv::db::PendingWrites::kMostListedRecords);
  const int records = listed + 5;
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= records; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tlot %d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());
  ASSERT_TRUE(std::filesystem::remove(db.path + CADODatabase::kUnwrittenFileSuffix));
  // The close finds no room for them (it does not wait for the lock then).
  FillTheDisk();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  boxes.Expect(IDOK, "(database or disk is full: it waits");
  boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
  lots.Close();
  db.database.Close();
  std::string report;
  ASSERT_TRUE(ReadWholeFile(db.path + CADODatabase::kUnwrittenFileSuffix, report));
  ASSERT_EQ(report.find(Locked(CADODatabase::kKeptAtCloseText)), 0u) << report.substr(0, 300);
  const std::size_t afterIt = report.find(Full(CADODatabase::kKeptForNextStartText));
  ASSERT_NE(afterIt, std::string::npos);
  const std::string before = report.substr(0, afterIt);
  EXPECT_NE(before.find(ruv::Format("strName = 'lot %d', nCount = %d\n", listed, listed)), std::string::npos);
  EXPECT_EQ(before.find(ruv::Format("strName = 'lot %d', nCount = %d\n", listed + 1, listed + 1)), std::string::npos);
  EXPECT_NE(before.find(ruv::Format("... and 5 more of these %d records", records)), std::string::npos);
  EXPECT_EQ(RecordsIn(Journal()), records);
}

// A journal put at its name while a long one is written back, a transaction at
// each turn of the event loop, joins that writing instead of being written
// over: each record of both goes in once. Once nothing is kept, the retry
// timer takes over the next one put there.
TEST_F(KeptWritesJournalTest, AJournalPutBackWhileALongOneIsWrittenBackJoinsTheWriting) {
  const int records = 2 * static_cast<int>(ruv::db::PendingWrites::kWritesPerTransaction) + 1;
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= records; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tlot %d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  boxes.Expect(IDOK, CADODatabase::kJournalWritingText);
  ASSERT_TRUE(NextStart());
  const auto putBack = [&](const std::string& name, int token) {
    return WriteFileAtomically(Journal(), ruv::Format("RuvFrame kept writes 2\ninsert\t9a-1-3-%d\tLot\tnew:1\t"
                                                      "strName\ttext\t%s\tnCount\ti4\t0\n",
                                                      token, name.c_str()));
  };
  ASSERT_TRUE(putBack("first", 1));
  // The connection's timers: the retry timer's and the writing's (at each turn).
  std::vector<ArmedTimer> armed = ArmedTimers();
  const auto retry = std::find_if(armed.begin(), armed.end(), [](const ArmedTimer& timer) {
    return timer.elapseMs == CADODatabase::kRetryTimerMs;
  });
  ASSERT_NE(retry, armed.end());
  const HWND window = retry->window;
  const UINT_PTR retryId = retry->id;
  const auto writingTimer = [&]() -> UINT_PTR {
    for (const ArmedTimer& timer : ArmedTimersOf(window))
      if (timer.elapseMs == 0) return timer.id;
    return 0;
  };
  for (int turn = 0; turn < 10 && writingTimer() != 0; ++turn) FireTimerNow(window, writingTimer());
  EXPECT_EQ(writingTimer(), 0u);
  EXPECT_EQ(other.Text("SELECT COUNT(*) || ' ' || COUNT(DISTINCT strName) FROM Lot"),
            std::to_string(records + 1) + " " + std::to_string(records + 1));
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lot WHERE strName = 'first'"), "1");
  EXPECT_FALSE(FileExists(Journal()));

  ASSERT_TRUE(putBack("second", 2));
  ASSERT_TRUE(FireTimerNow(window, retryId));
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lot WHERE strName = 'second'"), "1");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 1u);
}

// A file put at the journal's name while a long journal is written back takes
// the place of the one that held the program's own records: whichever write
// comes next (a cycle's too), the journal is first rewritten with both, so
// that a kill right after finds every record in it.
TEST_F(KeptWritesJournalTest, AJournalReplacedWhileALongOneIsWrittenBackIsRewrittenWithBothBeforeAnyWrite) {
  const int perTransaction = static_cast<int>(ruv::db::PendingWrites::kWritesPerTransaction);
  const int records = 2 * perTransaction;
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= records; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tlot %d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  boxes.Expect(IDOK, CADODatabase::kJournalWritingText);
  ASSERT_TRUE(NextStart());
  ASSERT_EQ(db.database.GetKeptWriteCount(), static_cast<std::size_t>(records - perTransaction));
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 2\ninsert\t9a-1-3-1\tLot\tnew:1\t"
                                             "strName\ttext\tput there\tnCount\ti4\t0\n"));
  int heldAtTheKill = -1;
  ruv::db::PendingWrites::SetDeathAfterWriteForTest([&] {
    if (heldAtTheKill < 0) heldAtTheKill = RecordsIn(Journal());
    return true;
  });
  lots.AddNew();
  lots.SetFieldValue("strName", std::string("cycle"));
  lots.Update();
  ruv::db::PendingWrites::SetDeathAfterWriteForTest(nullptr);
  EXPECT_EQ(heldAtTheKill, records - perTransaction + 1);
  Kill();

  boxes.Expect(IDOK, CADODatabase::kJournalWritingText);
  ASSERT_TRUE(NextStart());
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_EQ(other.Text("SELECT COUNT(*) || ' ' || COUNT(DISTINCT strName) FROM Lot"),
            ruv::Format("%d %d", records + 2, records + 2));
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Pending(), 0u);
}

// Records kept before a journal was put at its name are not in that file: when
// it cannot be written again, the close says they are only in its report, not
// that the journal keeps them for the next start.
TEST_F(KeptWritesJournalTest, RecordsKeptBeforeAJournalWasPutBackAreNotSaidToBeInIt) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  lots.AddNew();
  lots.SetFieldValue("strName", std::string("mine"));
  lots.Update();
  ASSERT_EQ(RecordsIn(Journal()), 1);
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(1)));
  SetWriteInterruptForTest([](const std::string&) { return true; });
  boxes.Expect(IDOK, "could not be written");
  lots.Edit();
  lots.SetFieldValue("nCount", 2);
  lots.Update();
  ASSERT_EQ(db.database.GetKeptWriteCount(), 3u);
  // The close finds no room for them (it does not wait for the lock then).
  FillTheDisk();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  boxes.Expect(IDOK, "(database or disk is full: it waits");
  boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
  boxes.Expect(IDOK, CADODatabase::kNotInJournalText);
  db.database.WriteKeptLastTry();
  SetWriteInterruptForTest(nullptr);
  ASSERT_EQ(boxes.Boxes().size(), 4u);
  const std::string mine = "New row of Lot: strName = 'mine'";
  EXPECT_EQ(boxes.Boxes()[2].text.find(mine), std::string::npos) << boxes.Boxes()[2].text;
  EXPECT_NE(boxes.Boxes()[3].text.find(mine), std::string::npos) << boxes.Boxes()[3].text;
  EXPECT_EQ(RecordsIn(Journal()), 1);
}

namespace {

// The bytes this process has handed to write(2) so far: what its writes cost
// the disk, whatever the clock says.
long long BytesWrittenSoFar() {
  std::ifstream io("/proc/self/io");
  for (std::string field; io >> field;) {
    long long value = 0;
    io >> value;
    if (field == "wchar:") return value;
  }
  return -1;
}

}  // namespace

// On a full disk (a file-size limit) with a long journal, the journal is not
// rebuilt and written again at every record kept, nor at each of the close's:
// it is tried once, told once, and the close ends with its report while the
// journal still holds every record it held.
TEST_F(KeptWritesJournalTest, OnAFullDiskALongJournalIsNotWrittenAgainAtEveryKeptRecordAndTheCloseReports) {
  const int records = 5000;
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= records; ++n)
    journal += ruv::Format("# New row of Lot: strName = 'lot %d'\ninsert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\t"
                           "lot %d\tnCount\ti4\t%d\n",
                           n, n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());

  // The disk fills: no file grows past the journal's size.
  long long written = 0;
  {
    const FileSizeLimit full(journal.size() + 64);
    ASSERT_TRUE(full.IsSet());
    const long long before = BytesWrittenSoFar();
    // Said of what the file holds, which stays true while records are kept.
    boxes.Expect(IDOK, ": File too large): its file still holds the 5000 records it held when it was last written "
                       "(any written since is known and not written again); those kept since are only in memory "
                       "until it can be written, tried again every second while they wait.");
    for (int count = 0; count < 20; ++count) {
      lots.AddNew();
      lots.SetFieldValue("strName", std::string("kept"));
      lots.SetFieldValue("nCount", count);
      lots.Update();
    }
    // The close finds no room in the database either.
    FillTheDisk();
    ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
    boxes.Expect(IDOK, "(database or disk is full: it waits");
    boxes.Expect(IDOK, Full(CADODatabase::kKeptForNextStartText));
    boxes.Expect(IDOK, CADODatabase::kNotInJournalText);
    lots.Close();
    db.database.Close();
    written = BytesWrittenSoFar() - before;
  }

  // A journal's worth tried at most twice, and the report: not once per record kept.
  EXPECT_LT(written, 4 * static_cast<long long>(journal.size()));
  EXPECT_EQ(RecordsIn(Journal()), records);
  std::string report;
  ASSERT_TRUE(ReadWholeFile(db.path + CADODatabase::kUnwrittenFileSuffix, report));
  const std::size_t notInJournal = report.find(CADODatabase::kNotInJournalText);
  ASSERT_NE(notInJournal, std::string::npos) << report;
  EXPECT_NE(report.find("New row of Lot: strName = 'kept', nCount = 19", notInJournal), std::string::npos);
  EXPECT_EQ(boxes.Pending(), 0u);
}

// The database keeps the token of every record it took from a journal or a
// file put back, for good: a copy of a journal whose records went in, put
// back after, writes none of them again, and says so; so do two copies of a
// record an earlier version set aside (it marked no token), put back one
// after the other.
TEST_F(KeptWritesJournalTest, AWrittenRecordPutBackAgainFromAnyCopyIsWrittenNoSecondTime) {
  Kill();
  ASSERT_TRUE(WriteFileAtomically(Journal(), NewLots(5)));
  const std::string copy = NewLots(5);
  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  ASSERT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 c 3 , 4 d 4 , 5 e 5 ");
  ASSERT_FALSE(FileExists(Journal()));

  const std::string putBack = Journal() + ruv::db::KeptWriteJournal::kPutBackSuffix;
  ASSERT_TRUE(WriteFileAtomically(putBack, copy));
  boxes.Expect(IDOK, "The file " + putBack + " put back was taken over (5 records): written to the database, each "
                     "once (any it refused is told apart). 5 of them were already in the database.");
  EXPECT_TRUE(WriteKeptOverLooks());
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 c 3 , 4 d 4 , 5 e 5 ");
  EXPECT_FALSE(FileExists(putBack));

  // An earlier version's set-aside copies of one record, never written.
  ASSERT_EQ(other.Exec("DELETE FROM Lot"), SQLITE_OK);
  const std::string aside = "RuvFrame kept writes 2\n"
                            "insert\t9a-7-8-1\tLot\tnew:1\tstrName\ttext\tb\tnCount\ti4\t2\n";
  ASSERT_TRUE(WriteFileAtomically(Journal() + ".unreadable", aside));
  ASSERT_TRUE(WriteFileAtomically(Journal() + ".unreadable-2", aside));
  for (const char* name : {".unreadable", ".unreadable-2"}) {
    ASSERT_EQ(::rename((Journal() + name).c_str(), (putBack + name).c_str()), 0);
    boxes.Expect(IDOK, "put back was taken over (1 record): written to the database");
    EXPECT_TRUE(WriteKeptOverLooks());
  }
  EXPECT_EQ(Rows(), "6 b 2 ");
  EXPECT_NE(boxes.LastText().find("1 of them were already in the database."), std::string::npos) << boxes.LastText();
  EXPECT_EQ(boxes.Pending(), 0u);
}

// A kill in the middle of an append leaves the journal ending inside a line:
// the next start takes every whole record before it, tells the cut part, which
// is no record, and the next record kept begins on a line of its own.
TEST_F(KeptWritesJournalTest, AJournalEndingInsideALineKeepsItsWholeRecordsAndTheNextOneBeginsOnItsOwnLine) {
  Kill();
  std::string journal = NewLots(3);
  journal.resize(journal.size() - std::string("t\ti4\t3\n").size());  // "...\tnCoun"
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, "Qelo-DataBase.mdb.kept.txt ends inside a line (its last 47 bytes have no line break");
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  const std::string cut = journal.substr(journal.rfind('\n') + 1);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(db.database.GetKeptWriteCount(), 2u);
  // The cut part is kept as it stood, beside the journal (a journal made by
  // hand may just lack its last line break), and the box says where.
  std::string kept;
  ASSERT_TRUE(ReadWholeFile(Journal() + ".cut-tail", kept));
  EXPECT_EQ(kept, cut);
  EXPECT_NE(boxes.Boxes().front().text.find("The part is kept as " + Journal() + ".cut-tail."), std::string::npos)
      << boxes.Boxes().front().text;
  lots.AddNew();
  lots.SetFieldValue("strName", std::string("mine"));
  lots.SetFieldValue("nCount", 9);
  lots.Update();
  std::string now;
  ASSERT_TRUE(ReadWholeFile(Journal(), now));
  EXPECT_EQ(RecordsIn(Journal()), 3) << now;
  EXPECT_EQ(now.find("nCoun\n"), std::string::npos) << now;
  Kill();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);

  boxes.Expect(IDOK, CADODatabase::kJournalWrittenText);
  ASSERT_TRUE(NextStart());
  EXPECT_EQ(Rows(), "1 a 1 , 2 b 2 , 3 mine 9 ");
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(boxes.Pending(), 0u);
}

// An append the disk refuses is cut back: the file is still the one this run
// wrote, not one put at its name, so its records are not read in again.
TEST_F(KeptWritesJournalTest, AJournalCutBackAfterARefusedAppendIsNotReadAgain) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  KeepNewLot(1);
  KeepNewLot(2);
  {
    const FileSizeLimit full(std::filesystem::file_size(Journal()) + 16);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, "could not be written (" + Journal() + ": File too large)");
    KeepNewLot(3);
  }
  KeepNewLot(4);
  EXPECT_EQ(db.database.GetKeptWriteCount(), 4u);
  EXPECT_EQ(lots.GetRecordCount(), 4);
  EXPECT_EQ(boxes.Pending(), 0u);
  Kill();
}

// A journal the disk refused is tried again at most once a second while
// records wait: once the disk has room, they are in it.
TEST_F(KeptWritesJournalTest, AJournalTheDiskRefusedHoldsTheWaitingRecordsOnceItHasRoom) {
  FakeClock clock;
  clock.Install();
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  KeepNewLot(1);
  {
    const FileSizeLimit full(std::filesystem::file_size(Journal()) + 16);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, "could not be written");
    KeepNewLot(2);
  }
  KeepNewLot(3);
  EXPECT_FALSE(db.database.WriteKept());
  EXPECT_EQ(RecordsIn(Journal()), 1);
  clock.Advance(1000);
  EXPECT_FALSE(db.database.WriteKept());
  EXPECT_EQ(RecordsIn(Journal()), 3);
  EXPECT_EQ(boxes.Pending(), 0u);
  Kill();
}

// A journal tried again that fails for another cause than the one told is
// told in that cause's own words, not left under the old one.
TEST_F(KeptWritesJournalTest, AJournalTriedAgainThatFailsForANewCauseTellsThatCause) {
  FakeClock clock;
  clock.Install();
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  KeepNewLot(1);
  {
    const FileSizeLimit full(std::filesystem::file_size(Journal()) + 16);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, "could not be written (" + Journal() + ": File too large)");
    KeepNewLot(2);
  }
  // Someone made a folder of its name meanwhile.
  ASSERT_TRUE(std::filesystem::remove(Journal()));
  ASSERT_TRUE(std::filesystem::create_directory(Journal()));
  boxes.Expect(IDOK, "The journal " + Journal() + " could not be written (there is a folder at its name): its file "
                     "still holds the 1 record it held when it was last written");
  clock.Advance(1000);
  EXPECT_FALSE(db.database.WriteKept());
  EXPECT_EQ(boxes.Pending(), 0u);
  Kill();
  std::filesystem::remove(Journal());
}

// Most of a journal written back, then the disk is full: the journal, which
// still holds every record waiting, is written anew without the written ones
// once the disk has room. Meanwhile nothing is said of it (no record is only
// in memory), and it is not tried again at every second.
TEST_F(KeptWritesJournalTest, AJournalMostlyWrittenWhenTheDiskIsFullStaysWholeUntoldUntilItHasRoom) {
  FakeClock clock;
  clock.Install();
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= 1500; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tL%d\tnCount\ti4\t%d\n", n, n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  boxes.Expect(IDOK, CADODatabase::kJournalWritingText);
  ASSERT_TRUE(NextStart());  // the first 1000 written
  {
    const FileSizeLimit full(100);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, "New row of Lot: strName = 'L1001', nCount = 1001 (File too large: it waits");
    for (int second = 0; second < 4; ++second) {
      EXPECT_FALSE(db.database.WriteKept());
      clock.Advance(1000);
    }
    EXPECT_EQ(RecordsIn(Journal()), 1500);
  }
  // Room again: the rest goes in, and the journal with it.
  EXPECT_TRUE(db.database.WriteKept());
  EXPECT_FALSE(FileExists(Journal()));
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lot"), "1500");
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 2u);
}

// A file-size limit the database itself meets, writing back the records kept:
// told in the words the journal uses for it, not as a disk I/O error.
TEST_F(KeptWritesJournalTest, AFileSizeLimitTheDatabaseMeetsIsToldAsSuch) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  KeepNewLot(1);
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  {
    const FileSizeLimit full(1);
    ASSERT_TRUE(full.IsSet());
    boxes.Expect(IDOK, "New row of Lot: strName = 'kept', nCount = 1 (File too large: it waits, with the records "
                       "kept behind it, and they are written once the database takes them)");
    EXPECT_FALSE(db.database.WriteKept());
  }
  EXPECT_EQ(db.database.GetConnection()->Handle()->Pending().WaitingCause(),
            "the database cannot take writes (File too large)");
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_TRUE(db.database.WriteKept());
  EXPECT_EQ(Rows(), "1 kept 1 ");
}

// A journal ending inside a line, read at two starts before it is written
// anew: its cut part is kept beside it once, and told once.
TEST_F(KeptWritesJournalTest, ACutTailIsKeptAndToldOnceHoweverOftenTheJournalIsRead) {
  Kill();
  std::string journal = NewLots(2);
  journal.resize(journal.size() - 3);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, "ends inside a line");
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());
  Kill();
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());
  EXPECT_TRUE(FileExists(Journal() + ".cut-tail"));
  EXPECT_FALSE(FileExists(Journal() + ".cut-tail-2"));
  EXPECT_EQ(boxes.Count(), 3u);
  Kill();
}

// The files beside the database hold its records: the report and a new
// journal are never more open than the database itself.
TEST_F(KeptWritesJournalTest, TheReportAndANewJournalAreNoMoreOpenThanTheDatabase) {
  Kill();
  ASSERT_EQ(::chmod(db.path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(Journal(), "RuvFrame kept writes 2\nW\tbroken\n"));
  ASSERT_EQ(::chmod(Journal().c_str(), 0640), 0);
  boxes.Expect(IDOK, CADODatabase::kJournalUnreadableText);
  ASSERT_TRUE(NextStart());
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  KeepNewLot(1);
  for (const std::string& file : {db.path + CADODatabase::kUnwrittenFileSuffix, Journal()}) {
    struct stat st{};
    ASSERT_EQ(::stat(file.c_str(), &st), 0) << file;
    EXPECT_EQ(st.st_mode & 0777 & ~0640, 0u) << file << ": " << std::oct << (st.st_mode & 0777);
  }
  Kill();
}

// A journal whose new rows an earlier run numbered otherwise than this run
// can take them (here, out of their order) must be written anew before
// anything is appended: the start does it, and the first write kept behind it
// is appended, not the whole journal written again inside that write.
TEST_F(KeptWritesJournalTest, TheStartRewritesAJournalNumberedByAnEarlierRunAndTheFirstKeptWriteIsAppended) {
  Kill();
  std::string journal = "RuvFrame kept writes 2\n";
  for (int n = 1; n <= 3; ++n)
    journal += ruv::Format("insert\t4d2-1-2-%d\tLot\tnew:%d\tstrName\ttext\tr%d\tnCount\ti4\t%d\n", n, 504 - n, n, n);
  ASSERT_TRUE(WriteFileAtomically(Journal(), journal));
  struct stat left{}, atStart{}, afterWrite{};
  ASSERT_EQ(stat(Journal().c_str(), &left), 0);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, Locked(CADODatabase::kJournalKeptText));
  ASSERT_TRUE(NextStart());
  ASSERT_EQ(stat(Journal().c_str(), &atStart), 0);
  EXPECT_NE(atStart.st_ino, left.st_ino);  // written anew by the start
  // As it stood but for its numbers: no record composed or described anew.
  std::string rewritten;
  ASSERT_TRUE(ReadWholeFile(Journal(), rewritten));
  const std::regex newRow("new:[0-9]+");
  EXPECT_EQ(std::regex_replace(rewritten, newRow, "new:N"), std::regex_replace(journal, newRow, "new:N"));
  EXPECT_NE(rewritten, journal);

  lots.AddNew();
  lots.SetFieldValue("strName", std::string("mine"));
  lots.Update();
  ASSERT_EQ(db.database.GetKeptWriteCount(), 4u);
  ASSERT_EQ(stat(Journal().c_str(), &afterWrite), 0);
  EXPECT_EQ(afterWrite.st_ino, atStart.st_ino);  // appended to
  EXPECT_EQ(RecordsIn(Journal()), 4);
  Kill();
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(boxes.Pending(), 0u);
}
