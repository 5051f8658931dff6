#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"
#include "support/TestEnvironment.h"

using namespace ruv::db;

namespace {

const char* kSchema = R"(
CREATE TABLE "Probe" (
  "nRecordID" COUNTER NOT NULL PRIMARY KEY,
  "strName"   TEXT(10),
  "nCount"    LONG,
  "fLevel"    SINGLE,
  "dValue"    DOUBLE,
  "bActive"   YESNO,
  "dtWhen"    DATETIME,
  "strNote"   MEMO
);)";

enum Column { kId, kName, kCount, kLevel, kValue, kActive, kWhen, kNote };

HRESULT ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const DbError& error) {
    return error.Code();
  }
  return S_OK;
}

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("db.mdb");
    ASSERT_EQ(MakeDatabase(path, kSchema), "");
    connection.Open("Data Source=\"" + path + "\"");
  }

  // Adds a row with a name and a count through the recordset.
  void Add(Recordset& rs, const std::string& name, int count) {
    rs.AddNew();
    rs.SetValue(kName, Variant::String(name));
    rs.SetValue(kCount, Variant::I4(count));
    rs.Update();
  }

  void AddRows(std::initializer_list<std::pair<const char*, int>> rows) {
    Recordset rs;
    rs.OpenTable(connection, "Probe");
    for (auto& row : rows) Add(rs, row.first, row.second);
  }

  std::string Name(const Recordset& rs) { return rs.Value(kName).bstrVal; }

  TempDir dir;
  std::string path;
  Connection connection;
};

}  // namespace

TEST_F(RecordsetTest, EmptyTableIsAtBothEnds) {
  Recordset rs;
  rs.OpenTable(connection, "probe");  // the name is matched without case
  EXPECT_EQ(rs.TableName(), "Probe");
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_EQ(rs.FieldCount(), 8);
  EXPECT_TRUE(rs.IsBOF());
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.AbsolutePosition(), adPosBOF);
  EXPECT_EQ(ErrorOf([&] { rs.Value(kName); }), kErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), kErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs.SetValue(kName, Variant::String("x")); }), kErrNoCurrentRecord);
  rs.MoveFirst();  // harmless on no rows
  rs.MoveLast();
  EXPECT_TRUE(rs.IsEOF());
}

TEST_F(RecordsetTest, NavigationStopsAtBothEnds) {
  AddRows({{"a", 1}, {"b", 2}, {"c", 3}});
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.AbsolutePosition(), 1);
  EXPECT_EQ(Name(rs), "a");
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_EQ(Name(rs), "c");
  EXPECT_EQ(rs.AbsolutePosition(), 3);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.AbsolutePosition(), adPosEOF);
  EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), kErrNoCurrentRecord);
  rs.MovePrevious();
  EXPECT_EQ(Name(rs), "c");
  rs.MoveFirst();
  rs.MovePrevious();
  EXPECT_TRUE(rs.IsBOF());
  EXPECT_EQ(ErrorOf([&] { rs.MovePrevious(); }), kErrNoCurrentRecord);
  rs.SetAbsolutePosition(2);
  EXPECT_EQ(Name(rs), "b");
  EXPECT_EQ(ErrorOf([&] { rs.SetAbsolutePosition(4); }), kErrNoCurrentRecord);
}

TEST_F(RecordsetTest, AddedRowBecomesCurrentWithTheNextNumber) {
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  rs.AddNew();
  EXPECT_EQ(rs.GetEditMode(), EditMode::Adding);
  EXPECT_EQ(rs.Value(kId).vt, VT_NULL);
  EXPECT_EQ(rs.AbsolutePosition(), adPosUnknown);
  EXPECT_EQ(ErrorOf([&] { rs.SetValue(kId, Variant::I4(9)); }), kErrFieldReadOnly);
  rs.SetValue(kName, Variant::String("first"));
  rs.SetValue(kLevel, Variant::R8(2.5));
  rs.SetValue(kActive, Variant::Bool(true));
  rs.SetValue(kWhen, Variant::R8(45000.5));
  rs.Update();
  EXPECT_EQ(rs.GetEditMode(), EditMode::None);
  EXPECT_EQ(rs.Value(kId), Variant::I4(1));
  EXPECT_EQ(rs.Value(kLevel), Variant::R4(2.5f));
  EXPECT_EQ(rs.Value(kActive).boolVal, VARIANT_TRUE);
  EXPECT_EQ(rs.Value(kWhen), Variant::Date(45000.5));
  EXPECT_EQ(rs.Value(kCount).vt, VT_NULL);  // never written
  Add(rs, "second", 2);
  EXPECT_EQ(rs.Value(kId), Variant::I4(2));
  EXPECT_EQ(rs.AbsolutePosition(), 2);

  RawDatabase raw(path);
  EXPECT_EQ(raw.Text("SELECT bActive FROM Probe WHERE nRecordID = 1"), "-1");
  EXPECT_EQ(raw.TypeOf("SELECT dtWhen FROM Probe WHERE nRecordID = 1"), "real");
}

TEST_F(RecordsetTest, IdsAbove32767RoundTrip) {
  RawDatabase raw(path);
  ASSERT_EQ(raw.Exec("INSERT INTO Probe (nRecordID, strName) VALUES (40000, 'old')"), SQLITE_OK);
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  Add(rs, "new", 70000);
  EXPECT_EQ(rs.Value(kId), Variant::I4(40001));
  EXPECT_EQ(rs.Value(kCount), Variant::I4(70000));
}

TEST_F(RecordsetTest, NothingIsCommittedWithoutUpdate) {
  AddRows({{"a", 1}, {"b", 2}});
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  rs.SetValue(kName, Variant::String("edited"));
  EXPECT_EQ(rs.GetEditMode(), EditMode::Editing);
  EXPECT_EQ(Name(rs), "edited");  // the pending value
  rs.MoveNext();                  // a move drops the edit
  EXPECT_EQ(rs.GetEditMode(), EditMode::None);
  rs.MoveFirst();
  EXPECT_EQ(Name(rs), "a");

  rs.MoveLast();
  rs.AddNew();
  rs.SetValue(kName, Variant::String("dropped"));
  rs.CancelUpdate();
  EXPECT_EQ(Name(rs), "b");  // back on the row current before AddNew
  EXPECT_EQ(rs.RecordCount(), 2);

  rs.SetValue(kName, Variant::String("closed"));
  rs.Close();
  RawDatabase raw(path);
  EXPECT_EQ(raw.Text("SELECT count(*) FROM Probe"), "2");
  EXPECT_EQ(raw.Text("SELECT group_concat(strName) FROM Probe"), "a,b");
}

TEST_F(RecordsetTest, DeletedRowKeepsThePositionUntilTheNextMove) {
  AddRows({{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}});
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  rs.SetAbsolutePosition(2);
  rs.Delete();
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_FALSE(rs.IsBOF());
  EXPECT_FALSE(rs.IsEOF());
  EXPECT_EQ(ErrorOf([&] { rs.Value(kName); }), kErrNoCurrentRecord);
  rs.MoveNext();
  EXPECT_EQ(Name(rs), "c");

  rs.MoveFirst();
  rs.Delete();
  rs.MovePrevious();
  EXPECT_TRUE(rs.IsBOF());

  rs.MoveLast();
  rs.Delete();
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  rs.MoveFirst();
  EXPECT_EQ(Name(rs), "c");
  RawDatabase raw(path);
  EXPECT_EQ(raw.Text("SELECT group_concat(strName) FROM Probe"), "c");
}

TEST_F(RecordsetTest, QueryOfOneTableCanUpdateItsRows) {
  AddRows({{"a", 5}, {"b", 6}, {"c", 5}});
  Recordset rs;
  rs.OpenQuery(connection, "SELECT * FROM Probe WHERE (nCount = 5) ");
  EXPECT_TRUE(rs.IsUpdatable());
  ASSERT_EQ(rs.RecordCount(), 2);
  rs.MoveLast();
  EXPECT_EQ(Name(rs), "c");
  rs.SetValue(kCount, Variant::I4(7));
  rs.Update();
  RawDatabase raw(path);
  EXPECT_EQ(raw.Text("SELECT nCount FROM Probe WHERE strName = 'c'"), "7");
  EXPECT_EQ(rs.RecordCount(), 2);  // the keyset stays as opened

  Recordset ordered;
  ordered.OpenQuery(connection, "select * from [Probe] order by strName desc");
  EXPECT_TRUE(ordered.IsUpdatable());
  EXPECT_EQ(Name(ordered), "c");
}

TEST_F(RecordsetTest, OtherQueriesAreReadOnlySnapshots) {
  AddRows({{"a", 5}, {"b", 6}});
  Recordset rs;
  rs.OpenQuery(connection, "SELECT strName, nCount * 2 AS twice FROM Probe ORDER BY nCount DESC");
  EXPECT_FALSE(rs.IsUpdatable());
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Value(0), Variant::String("b"));
  EXPECT_EQ(rs.Value(1), Variant::I4(12));
  EXPECT_EQ(rs.FieldIndex("TWICE"), 1);
  EXPECT_EQ(ErrorOf([&] { rs.SetValue(0, Variant::String("x")); }), kErrNotUpdatable);
  EXPECT_EQ(ErrorOf([&] { rs.AddNew(); }), kErrNotUpdatable);
  EXPECT_EQ(ErrorOf([&] { rs.Delete(); }), kErrNotUpdatable);
  EXPECT_EQ(ErrorOf([&] { rs.FieldIndex("missing"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorOf([&] { Recordset bad; bad.OpenQuery(connection, "SELECT * FROM Nowhere WHERE x = 1"); }),
            kErrNoSuchTable);
  EXPECT_EQ(ErrorOf([&] { Recordset bad; bad.OpenTable(connection, "Nowhere"); }), kErrNoSuchTable);
}

TEST_F(RecordsetTest, TextsComeBackExactlyAsWritten) {
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  rs.AddNew();
  rs.SetValue(kNote, Variant::String("1.50"));  // a MEMO column must not turn it into a number
  rs.SetValue(kName, Variant::String("007"));
  rs.Update();
  EXPECT_EQ(rs.Value(kNote), Variant::String("1.50"));
  EXPECT_EQ(rs.Value(kName), Variant::String("007"));
  EXPECT_EQ(ErrorOf([&] { rs.SetValue(kName, Variant::String("eleven char")); }), kErrDataOverflow);
  rs.CancelUpdate();
  Recordset again;
  again.OpenTable(connection, "Probe");
  EXPECT_EQ(again.Value(kNote), Variant::String("1.50"));
}

TEST_F(RecordsetTest, LockedDatabaseFailsTheUpdateAndKeepsTheEdit) {
  AddRows({{"a", 1}});
  connection.SetBusyTimeout(0);
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  RawDatabase other(path);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  rs.SetValue(kName, Variant::String("z"));
  try {
    rs.Update();
    FAIL() << "the update went through a lock";
  } catch (const DbError& error) {
    EXPECT_NE(error.Description().find("locked by another program"), std::string::npos) << error.Description();
  }
  EXPECT_EQ(rs.GetEditMode(), EditMode::Editing);
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  rs.Update();
  EXPECT_EQ(other.Text("SELECT strName FROM Probe"), "z");
}

TEST_F(RecordsetTest, RowsRemovedElsewhereAndClosedConnectionsAreReported) {
  AddRows({{"a", 1}, {"b", 2}});
  Recordset rs;
  rs.OpenTable(connection, "Probe");
  RawDatabase other(path);
  ASSERT_EQ(other.Exec("DELETE FROM Probe WHERE strName = 'a'"), SQLITE_OK);
  EXPECT_EQ(ErrorOf([&] { rs.Value(kName); }), kErrDeletedRow);
  rs.MoveNext();
  EXPECT_EQ(Name(rs), "b");
  connection.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(ErrorOf([&] { rs.Value(kName); }), kErrObjectClosed);
}

// The plant's tables number their rows by an AUTOINCREMENT row id: like an
// Access counter, the number of a deleted newest row is never given again, so
// a stored reference to it can never come to name another row.
TEST(RecordsetCounter, DeletedNewestRowNumberIsNeverGivenAgain) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  ASSERT_EQ(MakeDatabase(path, R"(CREATE TABLE "T" ("nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT, "s" TEXT(5));)"),
            "");
  Connection connection;
  connection.Open("Data Source=\"" + path + "\"");
  Recordset rs;
  rs.OpenTable(connection, "T");
  EXPECT_EQ(rs.Field(0).type, VT_I4);
  EXPECT_TRUE(rs.Field(0).autoNumber);
  for (const char* name : {"a", "b", "c"}) {
    rs.AddNew();
    rs.SetValue(1, Variant::String(name));
    rs.Update();
  }
  EXPECT_EQ(rs.Value(0), Variant::I4(3));
  EXPECT_EQ(ErrorOf([&] { rs.SetValue(0, Variant::I4(9)); }), kErrFieldReadOnly);
  rs.Delete();
  rs.AddNew();
  rs.SetValue(1, Variant::String("d"));
  rs.Update();
  EXPECT_EQ(rs.Value(0), Variant::I4(4));
  EXPECT_EQ(rs.Value(1), Variant::String("d"));

  // Reopened, the rows come in number order and the count goes on.
  rs.OpenTable(connection, "T");
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveLast();
  EXPECT_EQ(rs.Value(0), Variant::I4(4));
  rs.Delete();
  rs.AddNew();
  rs.Update();
  EXPECT_EQ(rs.Value(0), Variant::I4(5));
}
