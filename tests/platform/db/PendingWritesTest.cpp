// Writes kept while another program holds the database's lock: written later in
// order, never into a row this program did not make or load, and each failure
// told once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/PendingWrites.h"
#include "platform/db/Recordset.h"
#include "support/TestEnvironment.h"

using namespace ruv::db;

namespace {

const char* kItemSchema = R"(
CREATE TABLE "Item" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(10) UNIQUE,
  "nCount"    LONG
);
CREATE TABLE "Tag" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(10)
);)";

enum ItemColumn { kItemId, kItemName, kItemCount };

class PendingWritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("db.mdb");
    ASSERT_EQ(MakeDatabase(path, kItemSchema), "");
    connection.SetKeepLockedWrites(true);
    connection.SetBusyTimeout(0);
    connection.Open("Data Source=\"" + path + "\"");
    Pending().SetFailureSink([this](const std::vector<std::string>& lines, bool afterLastTry) {
      for (const std::string& line : lines) told.push_back((afterLastTry ? "after: " : "") + line);
    });
    items.OpenTable(connection, "Item");
    otherProgram = std::make_unique<RawDatabase>(path);
  }

  RawDatabase& Other() { return *otherProgram; }
  PendingWrites& Pending() { return connection.Handle()->Pending(); }
  bool WriteKept() { return Pending().WriteKept(*connection.Handle(), 0); }

  void Add(const std::string& name, int count) {
    items.AddNew();
    items.SetValue(kItemName, Variant::String(name));
    items.SetValue(kItemCount, Variant::I4(count));
    items.Update();
  }
  void SetCount(int count) {
    items.SetValue(kItemCount, Variant::I4(count));
    items.Update();
  }
  TempDir dir;
  std::string path;
  Connection connection;
  Recordset items;
  std::vector<std::string> told;
  std::unique_ptr<RawDatabase> otherProgram;
};

}  // namespace

// The rows the other program inserts inside its transaction are invisible to
// us until it commits: our kept new row must not take one of their ids, and
// the update kept behind it must reach our row, not theirs.
TEST_F(PendingWritesTest, AKeptNewRowGetsItsIdWhenWrittenAndTheUpdateBehindItFollows) {
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE; INSERT INTO Item (strName, nCount) VALUES ('other', 1)"), SQLITE_OK);
  Add("mine", 5);
  SetCount(99);
  EXPECT_EQ(Pending().KeptCount(), 2u);
  EXPECT_EQ(items.Value(kItemCount).lVal, 99);  // what was kept reads back
  ASSERT_EQ(Other().Exec("COMMIT"), SQLITE_OK);

  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT group_concat(nRecordID || ' ' || strName || ' ' || nCount, ', ') FROM Item"),
            "1 other 1, 2 mine 99");
  EXPECT_TRUE(told.empty());
  // The recordset's key followed the row to the id it got.
  EXPECT_EQ(items.Value(kItemId).lVal, 2);
  EXPECT_EQ(items.Value(kItemName).bstrVal, "mine");
  SetCount(100);
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item WHERE strName = 'other'"), "1");
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item WHERE strName = 'mine'"), "100");
}

// A kept new row that cannot be written takes the writes kept behind it along:
// each is told once, and the recordset says the row is not there.
TEST_F(PendingWritesTest, WhenAKeptNewRowFailsTheWritesThatDependOnItFailWithItAndAreTold) {
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE; INSERT INTO Item (strName, nCount) VALUES ('mine', 1)"), SQLITE_OK);
  Add("mine", 5);
  SetCount(99);
  ASSERT_EQ(Other().Exec("COMMIT"), SQLITE_OK);

  EXPECT_TRUE(WriteKept());
  ASSERT_EQ(told.size(), 2u);
  EXPECT_NE(told[0].find("New row of Item: strName = 'mine', nCount = 5 (UNIQUE constraint failed: Item.strName)"),
            std::string::npos)
      << told[0];
  // Named by the values of its row, which never got an id.
  EXPECT_EQ(told[1], "Change of the new row of Item (strName = 'mine', nCount = 5): nCount = 99 (the new row it "
                     "belongs to could not be written)");
  EXPECT_EQ(Other().Text("SELECT group_concat(nRecordID || ' ' || strName || ' ' || nCount) FROM Item"), "1 mine 1");

  // Neither a read nor a later write reaches the other program's row through it.
  try {
    static_cast<void>(items.Value(kItemCount));
    FAIL() << "a lost row was read";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Code(), kErrDeletedRow);
  }
  try {
    SetCount(7);
    FAIL() << "a write to a lost row was taken";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Code(), kErrDeletedRow);
    EXPECT_NE(error.Description().find("was not saved"), std::string::npos) << error.Description();
  }
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item"), "1");
  EXPECT_EQ(told.size(), 2u);
}

// A kept write that fails is told once, also when an ordinary write (not the
// retry) comes upon it first.
TEST_F(PendingWritesTest, AFailureFoundByTheNextOrdinaryWriteIsToldOnce) {
  Add("a", 1);
  Add("b", 2);
  items.MoveFirst();
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  SetCount(11);  // kept
  ASSERT_EQ(Other().Exec("DELETE FROM Item WHERE strName = 'a'; COMMIT"), SQLITE_OK);
  items.MoveLast();
  SetCount(22);  // writes what was kept first, then itself
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], "Row 1 of Item: nCount = 11 (the row is not in the database (deleted, or never there))");
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item WHERE strName = 'b'"), "22");
  EXPECT_TRUE(WriteKept());
  EXPECT_TRUE(Pending().TakeFailed().empty());
  EXPECT_EQ(told.size(), 1u);
}

// A kept record is told on one line, whatever line breaks its values hold:
// lists of them are cut and counted by lines.
TEST_F(PendingWritesTest, AKeptRecordIsToldOnOneLine) {
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  Add("a\nb\tc\\", 1);  // kept
  EXPECT_EQ(Pending().Describe(), "New row of Item: strName = 'a\\nb\\tc\\\\', nCount = 1\n");
  ASSERT_EQ(Other().Exec("COMMIT"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT strName FROM Item"), "a\nb\tc\\");
}

// While a write is kept, the next write of the same row waits behind it even
// when the lock goes during its own wait: written ahead, it would be undone
// by the older value.
TEST_F(PendingWritesTest, AWriteMadeWhileOthersAreKeptNeverOvertakesThem) {
  Add("a", 1);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  SetCount(2);  // kept
  ASSERT_EQ(Pending().KeptCount(), 1u);

  RowKey row{1, 0};
  int rc = SQLITE_OK;
  bool ranAhead = false;
  const bool kept = Pending().WriteOrKeep(
      *connection.Handle(), 0, row,
      [&](long long rowId) {
        // The lock goes while this write waits for it.
        ranAhead = true;
        Other().Exec("ROLLBACK");
        const std::string sql = "UPDATE Item SET nCount = 3 WHERE rowid = " + std::to_string(rowId);
        return sqlite3_exec(connection.Handle()->Get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK
                   ? SQLITE_DONE
                   : SQLITE_ERROR;
      },
      [&] {
        PendingWrite write;
        write.table = "Item";
        write.statement = std::make_shared<KeptStatement>(
            KeptStatement{"UPDATE Item SET nCount = ?1 WHERE rowid = ?2", {true}, {}});
        write.columns.Add(kItemCount, Variant::I4(3));
        return write;
      },
      rc);
  EXPECT_TRUE(kept);
  EXPECT_FALSE(ranAhead);
  Other().Exec("ROLLBACK");
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item WHERE strName = 'a'"), "3");
  EXPECT_TRUE(told.empty());
}

// Another program's row that has the id our kept new row expects is read as
// its own, and our row as ours: the two are never mixed.
TEST_F(PendingWritesTest, AKeptNewRowAndAnotherProgramsRowOfTheSameIdAreReadApart) {
  Add("a", 1);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  Add("mine", 5);  // kept, expecting id 2
  // The other program commits its own row 2 and takes the lock again at once.
  ASSERT_EQ(Other().Exec("INSERT INTO Item (strName, nCount) VALUES ('other', 7); COMMIT; BEGIN IMMEDIATE"), SQLITE_OK);

  Recordset fresh;
  fresh.OpenTable(connection, "Item");
  ASSERT_EQ(fresh.RecordCount(), 3);
  std::vector<std::string> read;
  for (fresh.MoveFirst(); !fresh.IsEOF(); fresh.MoveNext())
    read.push_back(fresh.Value(kItemName).bstrVal + " " + std::to_string(fresh.Value(kItemCount).lVal));
  EXPECT_EQ(read, (std::vector<std::string>{"a 1", "other 7", "mine 5"}));

  ASSERT_EQ(Other().Exec("COMMIT"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT group_concat(nRecordID || ' ' || strName || ' ' || nCount, ', ') FROM Item"),
            "1 a 1, 2 other 7, 3 mine 5");
  fresh.MoveLast();
  EXPECT_EQ(fresh.Value(kItemId).lVal, 3);
}

// Each write kept is taken into what the rows read alone: the row read after
// each of many kept writes reads them all, and the queue is indexed whole once.
TEST_F(PendingWritesTest, EachKeptWriteJoinsTheIndexAloneAndTheRowReadAfterItShowsIt) {
  Add("a", 1);
  Add("b", 2);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  items.MoveFirst();
  for (int count = 10; count < 30; ++count) {
    SetCount(count);
    EXPECT_EQ(items.Value(kItemCount).lVal, count);
  }
  Add("c", 3);
  EXPECT_EQ(items.Value(kItemName).bstrVal, "c");
  items.MoveFirst();
  EXPECT_EQ(items.Value(kItemCount).lVal, 29);
  EXPECT_EQ(Pending().KeptCount(), 21u);
  EXPECT_EQ(Pending().IndexBuildsForTest(), 1u);
  ASSERT_EQ(Other().Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT group_concat(strName || ' ' || nCount, ', ') FROM Item"), "a 29, b 2, c 3");
}

// After the close's last try, what was kept is handed over to be reported
// and never written later; a write the lock refuses from then on is told at
// once, not kept.
TEST_F(PendingWritesTest, AfterTheLastTryNothingIsKeptAndWhatTheLockRefusesIsToldAtOnce) {
  Add("a", 1);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  Add("b", 2);
  EXPECT_EQ(Pending().EndRetries(), "New row of Item: strName = 'b', nCount = 2\n");
  EXPECT_TRUE(Pending().RetriesEnded());
  EXPECT_EQ(Pending().KeptCount(), 0u);

  items.MoveFirst();
  SetCount(10);  // refused by the lock: told at once
  EXPECT_EQ(Pending().KeptCount(), 0u);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0],
            "after: Row 1 of Item: nCount = 10 (after the close the database is locked by another program)");
  ASSERT_EQ(Other().Exec("COMMIT"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(Other().Text("SELECT group_concat(strName || ' ' || nCount) FROM Item"), "a 1");
  // With the lock gone, writes go in as ever.
  SetCount(11);
  EXPECT_EQ(Other().Text("SELECT nCount FROM Item WHERE strName = 'a'"), "11");
  EXPECT_EQ(told.size(), 1u);
}

// A query of one table with a clause sees what is kept as the whole table
// does: the clause decides on the kept values.
TEST_F(PendingWritesTest, AQueryWithAClauseSeesTheKeptRowsItsClauseTakesIn) {
  Add("a", 1);
  Add("b", 20);
  Add("c", 30);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  items.MoveFirst();
  SetCount(10);   // a now matches
  items.MoveNext();
  SetCount(2);    // b no longer does
  items.MoveNext();
  items.Delete();  // c is gone
  Add("d", 40);   // a new row that matches
  Add("e", 3);    // a new row that does not

  auto read = [&](const std::string& sql) {
    Recordset query;
    query.OpenQuery(connection, sql);
    std::string names;
    for (; !query.IsEOF(); query.MoveNext()) names += query.Value(kItemName).bstrVal;
    return names;
  };
  EXPECT_EQ(read("SELECT * FROM Item WHERE nCount >= 10"), "ad");
  EXPECT_EQ(read("SELECT * FROM Item WHERE (strName = 'd') AND (nCount = 40) "), "d");
  // A kept new row has no id yet: a clause on the id does not take it in.
  EXPECT_EQ(read("SELECT * FROM Item WHERE rowid > 1 ORDER BY nCount"), "b");
  EXPECT_EQ(Pending().KeptCount(), 5u);
  ASSERT_EQ(Other().Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  EXPECT_EQ(read("SELECT * FROM Item WHERE nCount >= 10"), "ad");
}

// Any other query of the program's own (a choice of columns, a count, a sum, a
// largest id, a query over a query, a clause that reads another table) reads
// the tables as the kept writes leave them too, its columns typed as the table
// declares them.
TEST_F(PendingWritesTest, EveryOtherQueryReadsTheTablesThroughWhatIsKept) {
  Add("a", 1);
  Add("b", 20);
  Add("c", 30);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  items.MoveFirst();
  SetCount(10);
  items.MoveNext();
  SetCount(2);
  items.MoveNext();
  items.Delete();
  Add("d", 40);
  Add("e", 3);
  Recordset tags;
  tags.OpenTable(connection, "Tag");
  for (const char* name : {"b", "d"}) {
    tags.AddNew();
    tags.SetValue(1, Variant::String(name));
    tags.Update();
  }

  auto read = [&](const std::string& sql) {
    Recordset query;
    query.OpenQuery(connection, sql);
    std::string rows;
    for (; !query.IsEOF(); query.MoveNext()) {
      for (int i = 0; i < query.FieldCount(); ++i) rows += (i ? " " : "") + VariantToString(query.Value(i));
      rows += ";";
    }
    return rows;
  };
  const auto expectAsKept = [&] {
    EXPECT_EQ(read("SELECT strName, nCount FROM Item WHERE nCount >= 10 ORDER BY strName"), "a 10;d 40;");
    EXPECT_EQ(read("SELECT COUNT(*), SUM(nCount) FROM \"item\""), "4 55;");
    EXPECT_EQ(read("WITH big AS (SELECT strName FROM Item WHERE nCount > 5) SELECT COUNT(*) FROM big"), "2;");
    EXPECT_EQ(read("SELECT strName FROM Item i WHERE NOT EXISTS (SELECT 1 FROM Item j WHERE j.nCount < i.nCount)"),
              "b;");
    // A table's rows chosen by a clause that reads another table.
    Recordset chosen;
    chosen.OpenQuery(connection, "SELECT * FROM Item WHERE strName IN (SELECT strName FROM Tag)");
    std::string names;
    for (; !chosen.IsEOF(); chosen.MoveNext()) names += chosen.Value(kItemName).bstrVal;
    EXPECT_EQ(names, "bd");
  };
  expectAsKept();
  // The kept new rows read their handles until they are written.
  EXPECT_EQ(read("SELECT MAX(nRecordID) FROM Item"), "2;");
  Recordset typed;
  typed.OpenQuery(connection, "SELECT nCount FROM Item WHERE strName = 'd'");
  EXPECT_EQ(typed.Value(0).vt, VT_I4);
  typed.Close();
  ASSERT_EQ(Other().Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  expectAsKept();
  EXPECT_EQ(read("SELECT MAX(nRecordID) FROM Item"), "5;");
}

// A query read through what is kept reads it as the database will hold it
// once written: each column keeps its type (a quoted number compares with a
// LONG column as that number), a clause over the keyset's own table, a table
// named main.<table> and a row's id read through too. A view, which would
// read around what is kept, is refused, naming the query.
TEST_F(PendingWritesTest, AQueryReadsWhatIsKeptAsTheDatabaseWillHoldItOrIsRefused) {
  ASSERT_EQ(Other().Exec("CREATE VIEW Big AS SELECT strName FROM Item WHERE nCount > 5"), SQLITE_OK);
  Add("a", 1);
  Add("b", 20);
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  items.MoveFirst();
  SetCount(10);  // a: kept, was 1
  Add("d", 40);  // a kept new row

  auto read = [&](const std::string& sql) {
    Recordset query;
    query.OpenQuery(connection, sql);
    std::string rows;
    for (; !query.IsEOF(); query.MoveNext()) {
      for (int i = 0; i < query.FieldCount(); ++i) rows += (i ? " " : "") + VariantToString(query.Value(i));
      rows += ";";
    }
    return rows;
  };
  auto names = [&](const std::string& sql) {
    Recordset keyset;
    keyset.OpenQuery(connection, sql);
    std::string found;
    for (; !keyset.IsEOF(); keyset.MoveNext()) found += keyset.Value(kItemName).bstrVal;
    return found;
  };
  const auto expectAsWritten = [&] {
    EXPECT_EQ(read("SELECT strName FROM Item WHERE nCount = '10'"), "a;");
    EXPECT_EQ(read("SELECT strName FROM Item WHERE nCount IN ('10', '40') ORDER BY strName"), "a;d;");
    EXPECT_EQ(names("SELECT * FROM Item WHERE nCount IN ('10', '40')"), "ad");
    EXPECT_EQ(names("SELECT * FROM Item WHERE nCount = (SELECT MAX(nCount) FROM Item)"), "d");
    EXPECT_EQ(read("SELECT strName FROM main.Item WHERE nCount >= 10 ORDER BY strName"), "a;b;d;");
    EXPECT_EQ(read("SELECT strName FROM Item WHERE rowid = nRecordID AND nCount >= 10 ORDER BY strName"), "a;b;d;");
  };
  expectAsWritten();
  try {
    read("SELECT COUNT(*) FROM Big");
    ADD_FAILURE() << "a view read around what is kept";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Description(), "The query \"SELECT COUNT(*) FROM Big\" reads the view Big, which cannot read the "
                                   "records kept for the database until they are written; it was not run.");
  }
  ASSERT_EQ(Other().Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_TRUE(WriteKept());
  expectAsWritten();
  EXPECT_EQ(read("SELECT COUNT(*) FROM Big"), "3;");
}

// Without a sink the failures wait to be taken, once.
TEST(PendingWritesAlone, FailuresWaitForTheTakerWithoutASink) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  ASSERT_EQ(MakeDatabase(path, kItemSchema), "");
  Connection connection;
  connection.SetKeepLockedWrites(true);
  connection.SetBusyTimeout(0);
  connection.Open("Data Source=\"" + path + "\"");
  Recordset items;
  items.OpenTable(connection, "Item");
  RawDatabase other(path);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE; INSERT INTO Item (strName, nCount) VALUES ('x', 1)"), SQLITE_OK);
  items.AddNew();
  items.SetValue(kItemName, Variant::String("x"));
  items.Update();
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  PendingWrites& pending = connection.Handle()->Pending();
  EXPECT_TRUE(pending.WriteKept(*connection.Handle(), 0));
  EXPECT_EQ(pending.TakeFailed().size(), 1u);
  EXPECT_TRUE(pending.TakeFailed().empty());
}

// A read through many kept records builds its tables in memory, never in a
// file of the temporary folder: with that folder full (here no file may grow
// at all: the file-size limit) the read goes on, and is never told as the
// database's disk being full.
TEST_F(PendingWritesTest, AReadThroughManyKeptRecordsNeedsNoRoomInTheTemporaryFolder) {
  ASSERT_EQ(Other().Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  constexpr int kRows = 4000;
  for (int n = 1; n <= kRows; ++n) Add("n" + std::to_string(n), n);
  const auto read = [&] {
    Recordset query;
    query.OpenQuery(connection, "SELECT COUNT(*), SUM(nCount) FROM Item WHERE nCount > 0");
    return VariantToString(query.Value(0)) + " " + VariantToString(query.Value(1));
  };
  const std::string all = std::to_string(kRows) + " " + std::to_string(kRows * (kRows + 1) / 2);
  EXPECT_EQ(read(), all);
  // The least room in memory before what is read goes to a file.
  ASSERT_EQ(sqlite3_exec(connection.Handle()->Get(), "PRAGMA temp.cache_size = 1", nullptr, nullptr, nullptr),
            SQLITE_OK);
  rlimit was{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit full = was;
  full.rlim_cur = 0;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
  std::string got;
  try {
    got = read();
  } catch (const DbError& error) {
    got = error.Description();
  }
  ::setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(got, all);
  ASSERT_EQ(Other().Exec("ROLLBACK"), SQLITE_OK);
}
