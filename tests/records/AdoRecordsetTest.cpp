#include <gtest/gtest.h>

#include <QLocale>

#include "RecordsTestSupport.h"
#include "platform/base/OleDate.h"
#include "platform/base/Text.h"
#include "platform/db/DbError.h"
#include "records/AdoException.h"
#include "records/AdoRecordset.h"

namespace {

class AdoRecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(db.created); }

  // One row: strName NULL, nCount 40000, fLevel 12.5, bActive true, dValue 0.1, dtWhen 15 March 2023 06:30:00.
  void AddSampleRow() {
    RawDatabase raw(db.path);
    DateTimeFields fields;
    fields.year = 2023, fields.month = 3, fields.day = 15, fields.hour = 6, fields.minute = 30;
    OleDateFromFields(fields, when);
    ASSERT_EQ(raw.Exec("INSERT INTO Probe (nRecordID, nCount, fLevel, bActive, dValue, dtWhen) VALUES (1, 40000, "
                       "12.5, -1, 0.1, " + ruv::Format("%.17g", when) + ")"),
              SQLITE_OK);
  }

  ProbeDatabase db;
  DATE when = 0;
};

}  // namespace

TEST_F(AdoRecordsetTest, TypedReads) {
  AddSampleRow();
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Probe"));

  float level = 7.0f;
  try {
    rs.GetFieldValue("dValue", level);
    FAIL() << "a Double column was read into a float";
  } catch (const CADOException& error) {
    EXPECT_EQ(error.GetError(), 87);
    EXPECT_EQ(error.GetErrorMessage(), "Please convert field type from 'double' to 'single' in database table");
  }
  EXPECT_EQ(level, 7.0f);
  EXPECT_TRUE(rs.GetFieldValue("fLevel", level));
  EXPECT_EQ(level, 12.5f);

  int count = 0;
  long wide = 0;
  EXPECT_TRUE(rs.GetFieldValue("nCount", count));
  EXPECT_TRUE(rs.GetFieldValue("nCount", wide));
  EXPECT_EQ(count, 40000);  // all 32 bits, not the low 16
  EXPECT_EQ(wide, 40000);
  EXPECT_TRUE(rs.GetFieldValue("nRecordID", count));
  EXPECT_EQ(count, 1);

  double number = 0;
  EXPECT_TRUE(rs.GetFieldValue("dtWhen", number));
  EXPECT_EQ(number, when);
  EXPECT_TRUE(rs.GetFieldValue("fLevel", number));
  EXPECT_EQ(number, 12.5);

  bool flag = true;
  EXPECT_FALSE(rs.GetFieldValue("nCount", flag));  // not a boolean: refused, left alone
  EXPECT_TRUE(flag);
  flag = false;
  EXPECT_TRUE(rs.GetFieldValue("bActive", flag));
  EXPECT_TRUE(flag);
  flag = true;
  EXPECT_TRUE(rs.GetFieldValue("strName", flag));  // NULL reads false
  EXPECT_FALSE(flag);

  std::string text = "x";
  EXPECT_TRUE(rs.GetFieldValue("strName", text));
  EXPECT_EQ(text, "");
  rs.GetFieldValue("bActive", text);
  EXPECT_EQ(text, "T");
  rs.GetFieldValue("nCount", text);
  EXPECT_EQ(text, "40000");
  rs.GetFieldValue("fLevel", text);
  EXPECT_EQ(text, "12.5");
  rs.GetFieldValue("dValue", text);
  EXPECT_EQ(text, "0.10000000000000000555");  // 20 significant digits
  rs.GetFieldValue("dtWhen", text);
  EXPECT_EQ(text, "2023-03-15 06:30:00");
  rs.GetFieldValue("dtWhen", text, "%d/%m/%Y");
  EXPECT_EQ(text, "15/03/2023");

  try {
    rs.GetFieldValue("nMissing", count);
    FAIL() << "a missing column was read";
  } catch (const CADOException& error) {
    EXPECT_EQ(error.GetError(), ruv::db::kErrItemNotFound);
  }
}

TEST_F(AdoRecordsetTest, DecimalAndCurrencyColumnsReadAsTextAndNumbers) {
  RawDatabase raw(db.path);
  ASSERT_EQ(raw.Exec("CREATE TABLE Money (nRecordID COUNTER NOT NULL PRIMARY KEY, cPrice CURRENCY, "
                     "nExact DECIMAL(28,4))"),
            SQLITE_OK);
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Money"));
  ASSERT_TRUE(rs.AddNew());
  EXPECT_TRUE(rs.SetFieldValue("cPrice", 12.5));
  EXPECT_TRUE(rs.PutFieldValue("nExact", Variant::String("123456789012.34")));
  ASSERT_TRUE(rs.Update());
  EXPECT_EQ(raw.Text("SELECT cPrice || ' ' || nExact FROM Money"), "12.5 123456789012.34");
  // More digits than the database keeps exactly: refused, nothing cut.
  rs.Edit();
  EXPECT_THROW(rs.PutFieldValue("nExact", Variant::String("1234567890123456.7")), CADOException);
  rs.CancelUpdate();
  EXPECT_EQ(raw.Text("SELECT nExact FROM Money"), "123456789012.34");

  ASSERT_TRUE(rs.Open("Money"));
  Variant stored;
  rs.GetFieldValue("cPrice", stored);
  EXPECT_EQ(stored.vt, VT_CY);
  rs.GetFieldValue("nExact", stored);
  EXPECT_EQ(stored.vt, VT_DECIMAL);
  // Text: the decimal with its own digits, the currency in the user's locale.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::string text;
  EXPECT_TRUE(rs.GetFieldValue("nExact", text));
  EXPECT_EQ(text, "123456789012.34");
  EXPECT_TRUE(rs.GetFieldValue("cPrice", text));
  EXPECT_EQ(text, "$12.50");
  QLocale::setDefault(saved);
  // Numbers: the whole mantissa, not its low 32 bits.
  double number = 0;
  EXPECT_TRUE(rs.GetFieldValue("nExact", number));
  EXPECT_DOUBLE_EQ(number, 123456789012.34);
  EXPECT_TRUE(rs.GetFieldValue("cPrice", number));
  EXPECT_EQ(number, 12.5);
  long whole = 0;
  EXPECT_TRUE(rs.GetFieldValue("cPrice", whole));
  EXPECT_EQ(whole, 12);
}

TEST_F(AdoRecordsetTest, WritesOnlyBetweenEditOrAddNewAndUpdate) {
  AddSampleRow();
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Probe"));
  EXPECT_FALSE(rs.SetFieldValue("strName", "early"));
  EXPECT_FALSE(rs.PutFieldValue("nCount", Variant::I4(1)));
  EXPECT_TRUE(rs.Update());  // nothing pending: true, nothing written
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT coalesce(strName, 'null') || nCount FROM Probe"), "null40000");

  rs.Edit();
  EXPECT_TRUE(rs.SetFieldValue("strName", ""));
  EXPECT_TRUE(rs.SetFieldValue("bActive", false));
  EXPECT_TRUE(rs.SetFieldValue("nCount", 70000));
  EXPECT_TRUE(rs.SetFieldValue("fLevel", 0.25f));
  EXPECT_TRUE(rs.SetFieldValue("dtWhen", 45000.75));
  EXPECT_TRUE(rs.Update());
  EXPECT_EQ(rs.GetEditMode(), CADORecordset::dbEditNone);
  EXPECT_EQ(raw.Text("SELECT typeof(strName) || ' ' || bActive || ' ' || nCount FROM Probe"), "null 0 70000");
  std::string text = "x";
  rs.GetFieldValue("strName", text);
  EXPECT_EQ(text, "");

  ASSERT_TRUE(rs.AddNew());
  EXPECT_TRUE(rs.SetFieldValue("strName", "new"));
  EXPECT_TRUE(rs.SetFieldValue("bActive", true));
  EXPECT_TRUE(rs.Update());
  EXPECT_EQ(raw.Text("SELECT bActive FROM Probe WHERE strName = 'new'"), "-1");
  int id = 0;
  rs.GetFieldValue("nRecordID", id);
  EXPECT_EQ(id, 2);
}

TEST_F(AdoRecordsetTest, SourceWithoutBlankOpensTheTableElseAQuery) {
  AddSampleRow();
  RawDatabase raw(db.path);
  ASSERT_EQ(raw.Exec("INSERT INTO Probe (nRecordID, nCount) VALUES (2, 5)"), SQLITE_OK);
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Probe"));
  EXPECT_EQ(rs.GetRecordCount(), 2);
  ASSERT_TRUE(rs.Open("   SELECT * FROM Probe WHERE (nCount = 5) "));
  EXPECT_EQ(rs.GetQuery(), "SELECT * FROM Probe WHERE (nCount = 5) ");
  EXPECT_EQ(rs.GetRecordCount(), 1);
  ASSERT_TRUE(rs.Open());  // the stored query again
  EXPECT_EQ(rs.GetRecordCount(), 1);
  rs.Edit();
  EXPECT_TRUE(rs.SetFieldValue("strName", "viaQuery"));
  EXPECT_TRUE(rs.Update());
  EXPECT_EQ(raw.Text("SELECT strName FROM Probe WHERE nCount = 5"), "viaQuery");
  // No stored procedures under this layer: a clear refusal, kept in full as well.
  try {
    rs.Open("Probe", CADORecordset::openStoredProc);
    FAIL() << "opened as a stored procedure";
  } catch (const CADOException& error) {
    EXPECT_EQ(error.GetError(), kAdoStoredProcedureError);
    EXPECT_EQ(error.GetErrorMessage(), "The database has no stored procedures: 'Probe' cannot be opened as one. "
                                       "Open it as a table or a query.");
  }
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(rs.GetLastErrorString().rfind("Query = Probe\nCADORecordset Error\n\tCode = 800a0cb3\n", 0), 0u);
  EXPECT_FALSE(rs.Open("Probe", 7));  // no such mode

  // A failing read keeps the full text of its failure.
  ASSERT_TRUE(rs.Open("Probe"));
  int none = 0;
  try {
    rs.GetFieldValue("nNoSuchColumn", none);
    FAIL() << "read a column that does not exist";
  } catch (const CADOException& error) {
    EXPECT_EQ(rs.GetLastErrorString(), "Query = Probe\nCADORecordset Error\n\tCode = 800a0cc1\n"
                                       "\tCode meaning = Unknown error 0x800A0CC1\n\tSource = SQLite\n"
                                       "\tDescription = " + error.GetErrorMessage() + "\n");
  }

  CADORecordset orphan(nullptr);
  try {
    orphan.Open("Probe");
    FAIL() << "opened without a database";
  } catch (const CADOException& error) {
    EXPECT_EQ(error.GetError(), E_POINTER);
  }
}

TEST_F(AdoRecordsetTest, FindFieldValue) {
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Probe"));
  bool moved = true;
  EXPECT_FALSE(rs.FindFieldValue(Variant::String("nCount"), Variant::I4(1), &moved));
  EXPECT_FALSE(moved);

  RawDatabase raw(db.path);
  raw.Exec("INSERT INTO Probe (nRecordID, nCount) VALUES (1, 10), (2, 20), (40000, 30)");
  ASSERT_TRUE(rs.Open("Probe"));
  rs.MoveNext();  // on id 2
  EXPECT_TRUE(rs.FindFieldValue(Variant::I4(0), Variant::I4(2), &moved));
  EXPECT_FALSE(moved);
  EXPECT_TRUE(rs.FindFieldValue(Variant::I4(0), Variant::I4(40000), &moved));
  EXPECT_TRUE(moved);
  EXPECT_EQ(rs.GetAbsolutePosition(), 3);
  EXPECT_TRUE(rs.FindFieldValue(Variant::String("nCount"), Variant::I4(10), &moved));
  EXPECT_EQ(rs.GetAbsolutePosition(), 1);

  rs.MoveNext();
  EXPECT_FALSE(rs.FindFieldValue(Variant::String("nCount"), Variant::I4(99), &moved));
  EXPECT_EQ(rs.GetAbsolutePosition(), 2);  // back where the search began
  EXPECT_FALSE(rs.IsBOF());

  rs.MoveLast();
  rs.MoveNext();  // at EOF there is no row to search from
  EXPECT_FALSE(rs.FindFieldValue(Variant::I4(0), Variant::I4(1), &moved));
  EXPECT_TRUE(rs.IsEOF());
}

// A row found by its id, the table's key, is looked up: the current row and
// the row found are read, not every row after it. Nothing found leaves the
// current row where it was.
TEST(AdoRecordsetFindTest, ARowFoundByItsIdIsReadAloneHoweverManyRowsComeAfterIt) {
  ProbeDatabase db{R"(CREATE TABLE "Keyed" ("nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT, "nCount" LONG);)"};
  ASSERT_TRUE(db.created);
  RawDatabase raw(db.path);
  ASSERT_EQ(raw.Exec("INSERT INTO Keyed (nCount) WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                     "WHERE x < 500) SELECT x FROM n"),
            SQLITE_OK);
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Keyed"));
  rs.MoveLast();
  int statements = 0;
  sqlite3* handle = db.database.GetConnection()->Handle()->Get();
  sqlite3_trace_v2(
      handle, SQLITE_TRACE_STMT,
      [](unsigned, void* count, void*, void*) {
        ++*static_cast<int*>(count);
        return 0;
      },
      &statements);
  bool moved = false;
  EXPECT_TRUE(rs.FindFieldValue(Variant::String("nRecordID"), Variant::I4(3), &moved));
  EXPECT_TRUE(moved);
  EXPECT_EQ(rs.GetAbsolutePosition(), 3);
  EXPECT_FALSE(rs.FindFieldValue(Variant::I4(0), Variant::I4(501), &moved));
  EXPECT_EQ(rs.GetAbsolutePosition(), 3);
  sqlite3_trace_v2(handle, 0, nullptr, nullptr);
  EXPECT_EQ(statements, 2);  // the last row, then row 3
  int count = 0;
  EXPECT_TRUE(rs.GetFieldValue("nCount", count));
  EXPECT_EQ(count, 3);
}

TEST_F(AdoRecordsetTest, DatabaseOpenFailuresAndReopen) {
  CADODatabase other;
  try {
    other.Open(ConnectionStringFor(db.dir.File("none.mdb")));
    FAIL() << "a missing database opened";
  } catch (const CADOException& error) {
    EXPECT_NE(error.GetErrorMessage().find("Could not find file"), std::string::npos);
  }
  EXPECT_FALSE(other.IsOpen());
  // The full text is kept: connection string, code, its meaning, source and description.
  const std::string kept = other.GetLastErrorString();
  const std::string start = "Connection String = " + ConnectionStringFor(db.dir.File("none.mdb")) +
                            ruv::Format("\nCADODataBase Error\n\tCode = %08lx\n\tCode meaning = ",
                                        static_cast<unsigned long>(other.GetLastError()));
  EXPECT_EQ(kept.substr(0, start.size()), start);
  EXPECT_NE(kept.find("\n\tSource = SQLite\n\tDescription = " + other.GetErrorDescription() + "\n"),
            std::string::npos);
  EXPECT_NE(other.GetLastError(), 0u);
  EXPECT_TRUE(db.database.IsOpen());
  db.database.Close();
  EXPECT_FALSE(db.database.IsOpen());
  EXPECT_TRUE(db.database.Open(""));  // the stored connection string again
  EXPECT_EQ(db.database.GetConnectionString(), ConnectionStringFor(db.path));
}

TEST_F(AdoRecordsetTest, FieldInfo) {
  AddSampleRow();
  CADORecordset rs(&db.database);
  ASSERT_TRUE(rs.Open("Probe"));
  CADOFieldInfo info;
  ASSERT_TRUE(rs.GetFieldInfo(1, info));
  EXPECT_EQ(info.m_strName, "strName");
  EXPECT_EQ(info.m_nType, 202);  // adVarWChar
  EXPECT_EQ(info.m_lDefinedSize, 10);
  ASSERT_TRUE(rs.GetFieldInfo(3, info));
  EXPECT_EQ(info.m_nType, 4);  // adSingle
  EXPECT_EQ(info.m_lSize, 4);
  rs.MoveNext();
  ASSERT_TRUE(rs.GetFieldInfo(3, info));
  EXPECT_EQ(info.m_lSize, 0);  // at EOF
}

TEST_F(AdoRecordsetTest, RecordsetOutlivingItsDatabaseIsClosedNotBroken) {
  AddSampleRow();
  auto database = std::make_unique<CADODatabase>();
  ASSERT_TRUE(database->Open(ConnectionStringFor(db.path)));
  CADORecordset rs(database.get());
  ASSERT_TRUE(rs.Open("Probe"));
  database.reset();
  EXPECT_FALSE(rs.IsOpen());
  int count = 0;
  EXPECT_THROW(rs.GetFieldValue("nCount", count), CADOException);
}
