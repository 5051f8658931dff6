#include "platform/db/ColumnType.h"

#include <cctype>
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

}  // namespace

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
