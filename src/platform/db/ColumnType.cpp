#include "platform/db/ColumnType.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/base/Text.h"
#include "platform/db/DbError.h"

namespace ruv::db {

namespace {

// "TEXT ( 50 )" -> base "TEXT", size 50; no size -> -1.
void SplitDeclaredType(const std::string& declared, std::string& base, int& size) {
  size = -1;
  std::string text = ruv::ToUpperAscii(ruv::Trim(declared));
  std::size_t open = text.find('(');
  base = ruv::Trim(text.substr(0, open));
  if (open == std::string::npos) return;
  std::size_t close = text.find(')', open);
  std::string digits = ruv::Trim(text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
  if (digits.empty() || digits.size() > 9) return;
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return;
  size = std::atoi(digits.c_str());
}

bool IsOneOf(const std::string& base, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (base == name) return true;
  return false;
}

[[noreturn]] void ThrowConversion(const ColumnInfo& column, const Variant& value, HRESULT hr) {
  std::string shown = value.vt == VT_BSTR ? "'" + value.bstrVal + "'" : VariantToString(value);
  if (hr == DISP_E_OVERFLOW)
    throw DbError(hr, ruv::Format("Overflow: the value %s does not fit the %s column.", shown.c_str(),
                                  column.declaredType.c_str()));
  throw DbError(DISP_E_TYPEMISMATCH, ruv::Format("Data type mismatch: a %s value cannot be stored in the %s column.",
                                                 VarTypeName(value.vt).c_str(), column.declaredType.c_str()));
}

// Significant digits of an exact decimal text ("-0.00120" has 2).
std::size_t SignificantDigits(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  return digits.find_last_not_of('0') - first + 1;
}

bool Contains(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

bool IsSqliteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

StoredValue Integer(long long number) {
  StoredValue stored;
  stored.kind = StoredValue::Kind::Integer;
  stored.integer = number;
  return stored;
}

StoredValue Real(double number) {
  StoredValue stored;
  // The database holds no NaN: bound, it is NULL.
  if (std::isnan(number)) return stored;
  stored.kind = StoredValue::Kind::Real;
  stored.real = number;
  return stored;
}

StoredValue Bytes(StoredValue::Kind kind, std::string_view bytes) {
  StoredValue stored;
  stored.kind = kind;
  stored.bytes = std::string(bytes);
  return stored;
}

// A text SQLite reads as a number in a numeric column: blanks around, a sign,
// digits with at most one point, an exponent; at least one digit before it.
// `whole`: digits alone (no point, no exponent).
bool NumberText(std::string_view text, std::string& trimmed, bool& whole) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsSqliteSpace(text[begin])) ++begin;
  while (end > begin && IsSqliteSpace(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  std::size_t at = 0, digits = 0;
  const auto isDigit = [&](std::size_t i) {
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
  };
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  for (; isDigit(at); ++at) ++digits;
  whole = true;
  if (at < text.size() && text[at] == '.') {
    whole = false;
    for (++at; isDigit(at); ++at) ++digits;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    whole = false;
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!isDigit(at)) return false;
    while (isDigit(at)) ++at;
  }
  if (at != text.size()) return false;
  trimmed = std::string(text);
  return true;
}

// A real as SQLite holds it in a NUMERIC or INTEGER column: an integer when it is one exactly.
StoredValue IntegerIfExact(double number) {
  if (std::isfinite(number) && number > -9223372036854775808.0 && number < 9223372036854775808.0) {
    const auto whole = static_cast<long long>(number);
    if (static_cast<double>(whole) == number && whole > std::numeric_limits<long long>::min() &&
        whole < std::numeric_limits<long long>::max())
      return Integer(whole);
  }
  return Real(number);
}

// A number given to a column of `affinity`.
StoredValue StoreNumber(Affinity affinity, const StoredValue& number) {
  switch (affinity) {
    case Affinity::Text: {
      if (number.kind == StoredValue::Kind::Integer)
        return Bytes(StoredValue::Kind::Text, std::to_string(number.integer));
      if (number.kind != StoredValue::Kind::Real) return number;
      char text[64];
      sqlite3_snprintf(sizeof text, text, "%!.15g", number.real);
      return Bytes(StoredValue::Kind::Text, text);
    }
    case Affinity::Real:
      return number.kind == StoredValue::Kind::Integer ? Real(static_cast<double>(number.integer)) : number;
    case Affinity::Numeric: case Affinity::Integer:
      return number.kind == StoredValue::Kind::Real ? IntegerIfExact(number.real) : number;
    case Affinity::Blob: break;
  }
  return number;
}

}  // namespace

Affinity AffinityOf(const std::string& declaredType) {
  const std::string upper = ruv::ToUpperAscii(declaredType);
  if (Contains(upper, "INT")) return Affinity::Integer;
  if (Contains(upper, "CHAR") || Contains(upper, "CLOB") || Contains(upper, "TEXT")) return Affinity::Text;
  if (Contains(upper, "BLOB") || ruv::Trim(upper).empty()) return Affinity::Blob;
  if (Contains(upper, "REAL") || Contains(upper, "FLOA") || Contains(upper, "DOUB")) return Affinity::Real;
  return Affinity::Numeric;
}

ColumnStorage StorageOf(const ColumnInfo& column) {
  ColumnStorage storage;
  storage.affinity = AffinityOf(column.declaredType);
  storage.textAsBlob = column.type == VT_BSTR && storage.affinity != Affinity::Text;
  return storage;
}

StoredValue StoreTextInColumn(ColumnStorage storage, std::string_view text) {
  if (storage.affinity == Affinity::Text || storage.affinity == Affinity::Blob)
    return Bytes(StoredValue::Kind::Text, text);
  if (storage.textAsBlob) return Bytes(StoredValue::Kind::Blob, text);
  std::string trimmed;
  bool whole = false;
  if (!NumberText(text, trimmed, whole)) return Bytes(StoredValue::Kind::Text, text);
  if (whole) {
    // Digits alone stay exact past 2^53, as far as a 64-bit integer goes.
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(trimmed.c_str(), &end, 10);
    if (errno == 0 && end == trimmed.c_str() + trimmed.size()) return StoreNumber(storage.affinity, Integer(number));
  }
  return StoreNumber(storage.affinity, Real(std::strtod(trimmed.c_str(), nullptr)));
}

StoredValue StoreInColumn(ColumnStorage storage, const Variant& value) {
  if (value.IsArray()) return StoreTextInColumn(storage, VariantToString(value));
  switch (value.vt) {
    case VT_EMPTY: case VT_NULL: return StoredValue();
    case VT_BSTR: return StoreTextInColumn(storage, value.bstrVal);
    case VT_I1: return StoreNumber(storage.affinity, Integer(value.cVal));
    case VT_UI1: return StoreNumber(storage.affinity, Integer(value.bVal));
    case VT_I2: return StoreNumber(storage.affinity, Integer(value.iVal));
    case VT_UI2: return StoreNumber(storage.affinity, Integer(value.uiVal));
    case VT_BOOL: return StoreNumber(storage.affinity, Integer(value.boolVal));
    case VT_I4: case VT_INT: return StoreNumber(storage.affinity, Integer(value.lVal));
    case VT_UI4: case VT_UINT: return StoreNumber(storage.affinity, Integer(value.ulVal));
    case VT_ERROR: return StoreNumber(storage.affinity, Integer(value.scode));
    case VT_I8: return StoreNumber(storage.affinity, Integer(value.llVal));
    case VT_UI8: {
      const auto number = static_cast<std::uint64_t>(value.llVal);
      return StoreNumber(storage.affinity, number <= static_cast<std::uint64_t>(std::numeric_limits<long long>::max())
                                               ? Integer(static_cast<long long>(number))
                                               : Real(static_cast<double>(number)));
    }
    case VT_R4: return StoreNumber(storage.affinity, Real(value.fltVal));
    case VT_R8: return StoreNumber(storage.affinity, Real(value.dblVal));
    case VT_DATE: return StoreNumber(storage.affinity, Real(value.date));
    default: {
      // A currency or decimal goes as its exact digits (never as a blob): a
      // numeric column takes them as the number.
      storage.textAsBlob = false;
      return StoreTextInColumn(storage, VariantToString(value));
    }
  }
}

ColumnInfo DescribeColumn(const std::string& name, const std::string& declaredType, bool notNull) {
  ColumnInfo column;
  column.name = name;
  column.declaredType = declaredType;
  column.notNull = notNull;
  std::string base;
  int size = -1;
  SplitDeclaredType(declaredType, base, size);
  if (base == "COUNTER" || base == "AUTOINCREMENT") {
    column.type = VT_I4;
    column.autoNumber = true;
  } else if (IsOneOf(base, {"LONG", "INTEGER", "INT", "INTEGER4"})) {
    column.type = VT_I4;
  } else if (IsOneOf(base, {"SHORT", "SMALLINT", "INTEGER2"})) {
    column.type = VT_I2;
  } else if (IsOneOf(base, {"BYTE", "INTEGER1", "TINYINT"})) {
    column.type = VT_UI1;
  } else if (IsOneOf(base, {"SINGLE", "REAL", "FLOAT4", "IEEESINGLE"})) {
    column.type = VT_R4;
  } else if (IsOneOf(base, {"DOUBLE", "FLOAT", "FLOAT8", "IEEEDOUBLE", "NUMBER"})) {
    column.type = VT_R8;
  } else if (IsOneOf(base, {"CURRENCY", "MONEY"})) {
    column.type = VT_CY;
  } else if (IsOneOf(base, {"DECIMAL", "NUMERIC", "DEC"})) {
    column.type = VT_DECIMAL;
  } else if (IsOneOf(base, {"DATETIME", "DATE", "TIME", "TIMESTAMP"})) {
    column.type = VT_DATE;
  } else if (IsOneOf(base, {"YESNO", "BIT", "LOGICAL", "LOGICAL1", "BOOLEAN"})) {
    column.type = VT_BOOL;
  } else if (IsOneOf(base, {"TEXT", "VARCHAR", "CHAR", "CHARACTER", "STRING", "ALPHANUMERIC", "NVARCHAR"})) {
    column.type = VT_BSTR;
    column.maxLength = size > 0 ? size : 255;
  } else if (IsOneOf(base, {"MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT"})) {
    column.type = VT_BSTR;
  } else {
    column.type = VT_BSTR;
    column.known = false;
  }
  return column;
}

int AdoTypeOf(const ColumnInfo& column) {
  switch (column.type) {
    case VT_I2: return 2;     // adSmallInt
    case VT_I4: return 3;     // adInteger
    case VT_R4: return 4;     // adSingle
    case VT_R8: return 5;     // adDouble
    case VT_CY: return 6;     // adCurrency
    case VT_DECIMAL: return 131;  // adNumeric
    case VT_DATE: return 7;   // adDate
    case VT_BOOL: return 11;  // adBoolean
    case VT_UI1: return 17;   // adUnsignedTinyInt
    default: return column.maxLength > 0 ? 202 : 203;  // adVarWChar, adLongVarWChar
  }
}

int DefinedSizeOf(const ColumnInfo& column) {
  switch (column.type) {
    case VT_I2: case VT_BOOL: return 2;
    case VT_I4: case VT_R4: return 4;
    case VT_R8: case VT_DATE: case VT_CY: return 8;
    case VT_DECIMAL: return 19;
    case VT_UI1: return 1;
    default: return column.maxLength > 0 ? column.maxLength : 536870910;
  }
}

Variant CoerceForColumn(const ColumnInfo& column, const Variant& value) {
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    if (column.notNull)
      throw DbError(kErrIntegrity, ruv::Format("The column '%s' cannot hold an empty (NULL) value.", column.name.c_str()));
    return Variant::Null();
  }
  if (value.IsArray()) ThrowConversion(column, value, DISP_E_TYPEMISMATCH);
  Variant stored;
  HRESULT hr = VariantChangeType(stored, value, column.type);
  if (FAILED(hr)) ThrowConversion(column, value, hr);
  if (column.type == VT_BOOL) stored.boolVal = stored.boolVal ? VARIANT_TRUE : VARIANT_FALSE;
  if (column.type == VT_CY || column.type == VT_DECIMAL) {
    const std::string text = VariantToString(stored);
    if (SignificantDigits(text) > kExactStoredDigits)
      throw DbError(kErrDataOverflow, ruv::Format("The value %s has more than %zu significant digits, which the "
                                                  "database cannot keep exactly in the %s column '%s'.",
                                                  text.c_str(), kExactStoredDigits, column.declaredType.c_str(),
                                                  column.name.c_str()));
  }
  if (column.type == VT_BSTR && column.maxLength > 0 &&
      ruv::Utf8Length(stored.bstrVal) > static_cast<std::size_t>(column.maxLength))
    throw DbError(kErrDataOverflow,
                  ruv::Format("The field is too small to accept the amount of data you attempted to add "
                              "(%zu characters for %d). Try inserting less data.",
                              ruv::Utf8Length(stored.bstrVal), column.maxLength));
  return stored;
}

Variant FromStoredInteger(const ColumnInfo& column, long long stored) {
  switch (column.type) {
    case VT_BOOL: {
      // Kept as stored (-1 by this layer), so a foreign 1 still reads as true.
      if (stored < std::numeric_limits<std::int16_t>::min() || stored > std::numeric_limits<std::int16_t>::max())
        stored = -1;
      Variant v = Variant::Bool(true);
      v.boolVal = static_cast<VARIANT_BOOL>(stored);
      return v;
    }
    case VT_R4: return Variant::R4(static_cast<float>(stored));
    case VT_R8: return Variant::R8(static_cast<double>(stored));
    case VT_DATE: return Variant::Date(static_cast<double>(stored));
    case VT_BSTR: return Variant::String(std::to_string(stored));
    default: break;
  }
  Variant wide;
  if (stored >= std::numeric_limits<std::int32_t>::min() && stored <= std::numeric_limits<std::int32_t>::max()) {
    wide = Variant::I4(static_cast<std::int32_t>(stored));
  } else {
    wide = Variant::R8(static_cast<double>(stored));
  }
  Variant out;
  HRESULT hr = VariantChangeType(out, wide, column.type);
  if (FAILED(hr))
    throw DbError(hr, ruv::Format("The stored value %lld does not fit the %s column '%s'.", stored,
                                  column.declaredType.c_str(), column.name.c_str()));
  return out;
}

Variant FromStoredReal(const ColumnInfo& column, double stored) {
  switch (column.type) {
    case VT_R4: return Variant::R4(static_cast<float>(stored));
    case VT_R8: return Variant::R8(stored);
    case VT_DATE: return Variant::Date(stored);
    default: break;
  }
  Variant out;
  HRESULT hr = VariantChangeType(out, Variant::R8(stored), column.type);
  if (FAILED(hr))
    throw DbError(hr, ruv::Format("The stored value %g does not fit the %s column '%s'.", stored,
                                  column.declaredType.c_str(), column.name.c_str()));
  return out;
}

Variant FromStoredText(const ColumnInfo& column, const std::string& stored) {
  if (column.type == VT_BSTR) return Variant::String(stored);
  Variant out;
  HRESULT hr = VariantChangeType(out, Variant::String(stored), column.type);
  if (FAILED(hr))
    throw DbError(hr, ruv::Format("The stored text '%s' does not fit the %s column '%s'.", stored.c_str(),
                                  column.declaredType.c_str(), column.name.c_str()));
  if (column.type == VT_BOOL) out.boolVal = out.boolVal ? VARIANT_TRUE : VARIANT_FALSE;
  return out;
}

}  // namespace ruv::db
