#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/db/ColumnType.h"
#include "platform/db/DbError.h"

using namespace ruv::db;

namespace {

HRESULT CoerceError(const ColumnInfo& column, const Variant& value) {
  try {
    CoerceForColumn(column, value);
  } catch (const DbError& error) {
    return error.Code();
  }
  return S_OK;
}

}  // namespace

TEST(ColumnType, DeclaredTypesGiveVariantTypes) {
  EXPECT_EQ(DescribeColumn("a", "COUNTER").type, VT_I4);
  EXPECT_TRUE(DescribeColumn("a", "counter").autoNumber);
  EXPECT_EQ(DescribeColumn("a", "LONG").type, VT_I4);
  EXPECT_FALSE(DescribeColumn("a", "LONG").autoNumber);
  EXPECT_EQ(DescribeColumn("a", "SHORT").type, VT_I2);
  EXPECT_EQ(DescribeColumn("a", "SINGLE").type, VT_R4);
  EXPECT_EQ(DescribeColumn("a", "DOUBLE").type, VT_R8);
  EXPECT_EQ(DescribeColumn("a", "DATETIME").type, VT_DATE);
  EXPECT_EQ(DescribeColumn("a", "YESNO").type, VT_BOOL);
  EXPECT_EQ(DescribeColumn("a", "TEXT(50)").maxLength, 50);
  EXPECT_EQ(DescribeColumn("a", "text ( 20 )").maxLength, 20);
  EXPECT_EQ(DescribeColumn("a", "TEXT").maxLength, 255);
  ColumnInfo memo = DescribeColumn("a", "MEMO");
  EXPECT_EQ(memo.type, VT_BSTR);
  EXPECT_EQ(memo.maxLength, 0);
  EXPECT_FALSE(DescribeColumn("a", "BLOBBY").known);
  EXPECT_FALSE(DescribeColumn("a", "").known);
}

TEST(ColumnType, WritesConvertToTheColumnOrFail) {
  ColumnInfo yesNo = DescribeColumn("b", "YESNO");
  EXPECT_EQ(CoerceForColumn(yesNo, Variant::Bool(true)).boolVal, VARIANT_TRUE);
  EXPECT_EQ(CoerceForColumn(yesNo, Variant::I4(2)).boolVal, VARIANT_TRUE);  // any non-zero is stored -1
  EXPECT_EQ(CoerceForColumn(yesNo, Variant::I4(0)).boolVal, VARIANT_FALSE);

  ColumnInfo when = DescribeColumn("d", "DATETIME");
  Variant date = CoerceForColumn(when, Variant::R8(45000.25));
  EXPECT_EQ(date.vt, VT_DATE);
  EXPECT_EQ(date.date, 45000.25);

  EXPECT_EQ(CoerceError(DescribeColumn("s", "SHORT"), Variant::I4(40000)), DISP_E_OVERFLOW);
  EXPECT_EQ(CoerceError(DescribeColumn("n", "LONG"), Variant::String("abc")), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CoerceForColumn(DescribeColumn("n", "LONG"), Variant::I2(-5)).lVal, -5);
  EXPECT_EQ(CoerceForColumn(DescribeColumn("n", "LONG"), Variant::Null()).vt, VT_NULL);
  EXPECT_EQ(CoerceError(DescribeColumn("k", "LONG", true), Variant::Null()), kErrIntegrity);
}

TEST(ColumnType, TextLengthCountsCharactersNotBytes) {
  ColumnInfo name = DescribeColumn("t", "TEXT(5)");
  // Five Persian letters are ten bytes but five characters.
  const std::string persian = "\u0645\u064A\u0643\u0633\u0631";
  EXPECT_EQ(CoerceForColumn(name, Variant::String(persian)).bstrVal, persian);
  EXPECT_EQ(CoerceError(name, Variant::String("123456")), kErrDataOverflow);
  EXPECT_EQ(CoerceForColumn(DescribeColumn("m", "MEMO"), Variant::String(std::string(100000, 'x'))).bstrVal.size(),
            100000u);
}

TEST(ColumnType, StoredValuesReadAsTheColumnType) {
  EXPECT_EQ(FromStoredInteger(DescribeColumn("a", "YESNO"), -1).boolVal, VARIANT_TRUE);
  EXPECT_EQ(FromStoredInteger(DescribeColumn("a", "YESNO"), 1).boolVal, 1);  // kept as stored
  EXPECT_EQ(FromStoredInteger(DescribeColumn("a", "SINGLE"), 3).vt, VT_R4);
  EXPECT_EQ(FromStoredInteger(DescribeColumn("a", "LONG"), 40000).lVal, 40000);
  EXPECT_THROW(FromStoredInteger(DescribeColumn("a", "SHORT"), 40000), DbError);
  EXPECT_THROW(FromStoredText(DescribeColumn("a", "LONG"), "twelve"), DbError);
  EXPECT_EQ(FromStoredText(DescribeColumn("a", "LONG"), "12").lVal, 12);
  EXPECT_EQ(FromStoredReal(DescribeColumn("a", "DATETIME"), 45000.5).vt, VT_DATE);
}

// A value is held as SQLite itself stores it in a column of that declared
// type: the engine, given the same text, stores the same integer, real or text.
TEST(ColumnType, AValueIsHeldAsTheDatabaseStoresItInItsColumn) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  const char* texts[] = {"007", "1e3", "+5", ".5", "10.0", "12345678901234567", " 12 ", "1e", "abc", "-0", "5.",
                         "99999999999999999999", "9223372036854775808", "0x10", "-.5e-3"};
  for (const char* type : {"LONG", "DOUBLE", "SINGLE", "INT", "TEXT(50)", "DATETIME"}) {
    ASSERT_EQ(sqlite3_exec(db, ("DROP TABLE IF EXISTS t; CREATE TABLE t (c " + std::string(type) + ")").c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    for (const char* text : texts) {
      sqlite3_stmt* stmt = nullptr;
      ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1) RETURNING typeof(c), c", -1, &stmt, nullptr),
                SQLITE_OK);
      sqlite3_bind_text(stmt, 1, text, -1, SQLITE_TRANSIENT);
      ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
      const std::string storedType = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      ColumnInfo column = DescribeColumn("c", type);
      column.type = column.type == VT_BSTR ? VT_BSTR : VT_I4;
      const StoredValue held = StoreTextInColumn(StorageOf(column), text);
      switch (held.kind) {
        case StoredValue::Kind::Integer:
          EXPECT_EQ(storedType + " " + std::to_string(sqlite3_column_int64(stmt, 1)),
                    "integer " + std::to_string(held.integer)) << type << " '" << text << "'";
          break;
        case StoredValue::Kind::Real:
          EXPECT_EQ(storedType, "real") << type << " '" << text << "'";
          EXPECT_EQ(sqlite3_column_double(stmt, 1), held.real) << type << " '" << text << "'";
          break;
        default:
          EXPECT_EQ(storedType + " " + reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                    "text " + held.bytes)
              << type << " '" << text << "'";
      }
      sqlite3_finalize(stmt);
    }
  }
  // A text column of the program's without text affinity keeps a text as its bytes.
  EXPECT_EQ(StoreTextInColumn(StorageOf(DescribeColumn("c", "MEMO")), "007").kind, StoredValue::Kind::Blob);
  sqlite3_close(db);
}
