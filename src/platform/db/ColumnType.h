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
//
// What the database holds of a value given to a column follows SQLite's
// affinity of the declared type (StorageOf, StoreInColumn): a text stays that
// text in a column of text affinity (TEXT(n)); a text that reads as a number
// becomes that number in a numeric one; a whole real becomes an integer in a
// NUMERIC or INTEGER one. A column the program reads as text whose affinity
// is not text (MEMO) takes a text as its bytes (a blob), so '007' stays '007'.
#include <cstdint>
#include <string>
#include <string_view>

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

// SQLite's affinity of a declared type, by SQLite's rules (INT; else CHAR,
// CLOB or TEXT; else BLOB or none; else REAL, FLOA or DOUB; else NUMERIC).
enum class Affinity : std::uint8_t { Blob, Text, Numeric, Integer, Real };
Affinity AffinityOf(const std::string& declaredType);

// How a column stores what it is given: its affinity, and whether a text goes
// in as its bytes (a text column of the program's without text affinity).
struct ColumnStorage {
  Affinity affinity = Affinity::Blob;
  bool textAsBlob = false;
  // Packed into one byte (kept with each value) and back.
  std::uint8_t Packed() const { return static_cast<std::uint8_t>(static_cast<int>(affinity) | (textAsBlob ? 8 : 0)); }
  static ColumnStorage Unpacked(std::uint8_t packed) {
    return ColumnStorage{static_cast<Affinity>(packed & 7), (packed & 8) != 0};
  }
};

// A value as the database holds it once given to a column: binding it gives
// the column exactly this, and two values the database holds alike are equal.
struct StoredValue {
  enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  long long integer = 0;
  double real = 0;
  std::string bytes;  // a text or a blob
};

// The value `value` (or the text `text`) becomes in a column stored as `storage`.
StoredValue StoreInColumn(ColumnStorage storage, const Variant& value);
StoredValue StoreTextInColumn(ColumnStorage storage, std::string_view text);

// Describes a column from its name and declared type. An unknown declared type
// gives `known` false and VT_BSTR (the schema tool refuses such columns).
ColumnInfo DescribeColumn(const std::string& name, const std::string& declaredType, bool notNull = false);

// How the column stores what it is given (see StoredValue).
ColumnStorage StorageOf(const ColumnInfo& column);

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
