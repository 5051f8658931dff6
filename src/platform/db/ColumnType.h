#pragma once
// Column descriptions from the Jet-like declared types of the schema, and the
// conversions between a column's VARIANT type and what SQLite stores.
//
// Declared type          VARIANT   stored as
//   COUNTER              VT_I4     INTEGER, numbered by the layer, never written by callers
//   INTEGER PRIMARY KEY AUTOINCREMENT
//                        VT_I4     the row id, numbered by SQLite and never reused (as a
//                                  Jet counter: a deleted newest row's number is not given again)
//   LONG (INTEGER, INT)  VT_I4     INTEGER
//   SHORT (SMALLINT)     VT_I2     INTEGER
//   BYTE                 VT_UI1    INTEGER
//   SINGLE (REAL)        VT_R4     REAL
//   DOUBLE (FLOAT)       VT_R8     REAL
//   CURRENCY (MONEY)     VT_CY     the exact text given, which SQLite keeps as a number
//                                  (INTEGER, or REAL exact to 15 significant digits:
//                                  a value with more is refused, not cut)
//   DECIMAL (NUMERIC)    VT_DECIMAL  the same; precision and scale are not enforced
//   DATETIME (DATE)      VT_DATE   REAL, the OLE date number
//   YESNO (BIT)          VT_BOOL   INTEGER, -1 for true and 0 for false
//   TEXT(n)              VT_BSTR   TEXT of at most n characters (TEXT alone: 255)
//   MEMO (LONGTEXT)      VT_BSTR   TEXT of any length
// Every column may hold NULL (VT_NULL) unless declared NOT NULL.
#include <string>

#include "platform/base/Variant.h"

namespace ruv::db {

// Significant digits a currency or decimal value may have to be stored exactly.
inline constexpr std::size_t kExactStoredDigits = 15;

struct ColumnInfo {
  std::string name;
  std::string declaredType;  // as written in the schema, e.g. "TEXT(50)"
  VARTYPE type = VT_BSTR;
  int maxLength = 0;         // characters for TEXT(n); 0 for no limit
  bool autoNumber = false;   // COUNTER, or the row id declared AUTOINCREMENT
  bool rowIdAlias = false;   // the row id itself (INTEGER PRIMARY KEY AUTOINCREMENT)
  bool notNull = false;
  bool known = true;         // false: the declared type is not one of the above
};

// Describes a column from its name and declared type. An unknown declared type
// gives `known` false and VT_BSTR (the schema tool refuses such columns).
ColumnInfo DescribeColumn(const std::string& name, const std::string& declaredType, bool notNull = false);

// ADO data type number of the column (adInteger, adVarWChar, ...) and its defined size in bytes.
int AdoTypeOf(const ColumnInfo& column);
int DefinedSizeOf(const ColumnInfo& column);

// The value as it will be stored in the column: converted to the column's type,
// booleans as -1/0, EMPTY and NULL as NULL. Throws DbError when the value does
// not convert, overflows, is longer than the column or is NULL for a NOT NULL column.
Variant CoerceForColumn(const ColumnInfo& column, const Variant& value);

// A stored value (as SQLite gave it: NULL, integer, real or text) read as the
// column's type. Throws DbError when stored data does not fit the type.
Variant FromStoredInteger(const ColumnInfo& column, long long stored);
Variant FromStoredReal(const ColumnInfo& column, double stored);
Variant FromStoredText(const ColumnInfo& column, const std::string& stored);

}  // namespace ruv::db
