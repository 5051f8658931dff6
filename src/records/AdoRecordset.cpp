#include "records/AdoRecordset.h"

#include <QLocale>
#include <QString>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/base/OleDate.h"
#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "records/AdoDatabase.h"
#include "records/AdoErrorText.h"
#include "records/AdoException.h"

namespace {

// A number with `digits` significant digits: fixed notation when the decimal
// exponent lies from -1 to digits - 1, else exponent notation; trailing zeros
// after the point are dropped, the point itself kept.
std::string SignificantDigits(double value, int digits) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
  std::string text = buffer;
  std::size_t e = text.find('e');
  if (e == std::string::npos) return text;  // inf or nan
  int exponent = std::atoi(text.c_str() + e + 1);
  auto dropZeros = [](std::string number) {
    if (number.find('.') == std::string::npos) return number;
    while (!number.empty() && number.back() == '0') number.pop_back();
    return number;
  };
  if (exponent >= -1 && exponent < digits) {
    std::snprintf(buffer, sizeof buffer, "%.*f", digits - 1 - exponent, value);
    return dropZeros(buffer);
  }
  std::string mantissa = dropZeros(text.substr(0, e));
  if (mantissa.find('.') == std::string::npos) mantissa += '.';
  return mantissa + ruv::Format("e%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
}

std::string FormatDate(DATE date, const std::string& format) {
  DateTimeFields fields;
  if (!FieldsFromOleDate(date, fields)) return std::string();
  std::tm tm{};
  tm.tm_year = fields.year - 1900;
  tm.tm_mon = fields.month - 1;
  tm.tm_mday = fields.day;
  tm.tm_hour = fields.hour;
  tm.tm_min = fields.minute;
  tm.tm_sec = fields.second;
  tm.tm_wday = fields.dayOfWeek;
  tm.tm_yday = fields.dayOfYear - 1;
  tm.tm_isdst = -1;
  char buffer[256];
  std::size_t length = std::strftime(buffer, sizeof buffer, format.empty() ? "%Y-%m-%d %H:%M:%S" : format.c_str(), &tm);
  return std::string(buffer, length);
}

// A currency value in the user's locale ("$12.50"); its plain "%f" text when
// the locale gives none.
std::string CurrencyText(std::int64_t tenThousandths) {
  const double amount = static_cast<double>(tenThousandths) / static_cast<double>(kCurrencyScale);
  const QString shown = QLocale().toCurrencyString(amount);
  constexpr qsizetype kLongestShown = 63;
  if (!shown.isEmpty() && shown.size() <= kLongestShown) return shown.toStdString();
  return ruv::Format("%f", amount);
}

[[noreturn]] void ThrowConversion(HRESULT hr, const std::string& column, const Variant& value, const char* target) {
  throw CADOException(hr, ruv::Format("The value of column '%s' (%s) cannot be read as %s.", column.c_str(),
                                      VarTypeName(value.vt).c_str(), target));
}

std::int32_t ReadInteger(const std::string& column, const Variant& v) {
  switch (v.vt) {
    case VT_EMPTY: case VT_NULL: return 0;
    case VT_I2: return v.iVal;
    case VT_I4: case VT_INT: return v.lVal;
    case VT_BOOL: return v.boolVal;
    case VT_UI1: return v.bVal;
    default: {
      Variant out;
      HRESULT hr = VariantChangeType(out, v, VT_I4);
      if (FAILED(hr)) ThrowConversion(hr, column, v, "an integer");
      return out.lVal;
    }
  }
}

}  // namespace

CADORecordset::CADORecordset(CADODatabase* database) {
  if (database) m_pConnection = database->GetConnection();
}

CADORecordset::~CADORecordset() { Close(); }

template <class Call>
auto CADORecordset::Guarded(Call&& call) const -> decltype(call()) {
  try {
    return call();
  } catch (const ruv::db::DbError& error) {
    m_dwLastError = static_cast<DWORD>(error.Code());
    m_strLastError = "Query = " + m_strQuery + "\n" + AdoErrorReport("CADORecordset", error.Code(), error.Description());
    throw CADOException(error.Code(), error.Description());
  }
}

bool CADORecordset::Open(const std::shared_ptr<ruv::db::Connection>& connection, const std::string& source, int mode) {
  Close();
  if (!source.empty()) m_strQuery = source;
  if (!m_pConnection) m_pConnection = connection;
  m_strQuery = ruv::TrimLeft(m_strQuery);
  std::shared_ptr<ruv::db::Connection> use = connection ? connection : m_pConnection;
  if (mode == openUnknown && m_strQuery.find_first_of(" \t\r\n") == std::string::npos) mode = openTable;
  if (mode == openStoredProc) {
    const std::string text = ruv::Format(kAdoStoredProcedureText, m_strQuery.c_str());
    m_dwLastError = static_cast<DWORD>(kAdoStoredProcedureError);
    m_strLastError = "Query = " + m_strQuery + "\n" + AdoErrorReport("CADORecordset", kAdoStoredProcedureError, text);
    throw CADOException(kAdoStoredProcedureError, text);
  }
  if (mode != openUnknown && mode != openQuery && mode != openTable) return false;
  if (!use) throw CADOException(E_POINTER, "The recordset has no database connection.");
  Guarded([&] {
    if (mode == openTable)
      m_recordset.OpenTable(*use, m_strQuery);
    else
      m_recordset.OpenQuery(*use, m_strQuery);
  });
  m_nEditStatus = dbEditNone;
  return IsOpen();
}

bool CADORecordset::Open(const std::string& source, int mode) { return Open(m_pConnection, source, mode); }

bool CADORecordset::IsOpen() const { return m_recordset.IsOpen(); }

void CADORecordset::Close() {
  m_recordset.Close();
  m_nEditStatus = dbEditNone;
}

int CADORecordset::GetRecordCount() const { return Guarded([&] { return m_recordset.RecordCount(); }); }
int CADORecordset::GetFieldCount() const { return m_recordset.FieldCount(); }
bool CADORecordset::IsEOF() const { return m_recordset.IsEOF(); }
bool CADORecordset::IsBOF() const { return m_recordset.IsBOF(); }
long CADORecordset::GetAbsolutePosition() const { return m_recordset.AbsolutePosition(); }

// A move discards a pending add or edit, so the edit mode ends with it.
void CADORecordset::MoveFirst() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.MoveFirst(); });
}
void CADORecordset::MoveLast() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.MoveLast(); });
}
void CADORecordset::MoveNext() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.MoveNext(); });
}
void CADORecordset::MovePrevious() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.MovePrevious(); });
}

void CADORecordset::Edit() { m_nEditStatus = dbEdit; }

bool CADORecordset::AddNew() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.AddNew(); });
  m_nEditStatus = dbEditNew;
  return true;
}

bool CADORecordset::Update() {
  if (m_nEditStatus == dbEditNone) return true;
  Guarded([&] { m_recordset.Update(); });  // a failure keeps the edit pending
  m_nEditStatus = dbEditNone;
  return true;
}

void CADORecordset::CancelUpdate() {
  m_recordset.CancelUpdate();
  m_nEditStatus = dbEditNone;
}

bool CADORecordset::Delete() {
  m_nEditStatus = dbEditNone;
  Guarded([&] { m_recordset.Delete(); });
  return true;
}

Variant CADORecordset::ReadField(const std::string& column) {
  return Guarded([&] { return m_recordset.Value(m_recordset.FieldIndex(column)); });
}

Variant CADORecordset::ReadField(const Variant& field) {
  if (field.vt == VT_BSTR) return ReadField(field.bstrVal);
  Variant index;
  if (FAILED(VariantChangeType(index, field, VT_I4)))
    throw CADOException(ruv::db::kErrItemNotFound, "The column is named by neither a text nor a number.");
  return Guarded([&] { return m_recordset.Value(index.lVal); });
}

bool CADORecordset::GetFieldValue(const std::string& column, float& value) {
  Variant v = ReadField(column);
  if (v.vt == VT_NULL) {
    value = 0.0f;
  } else if (v.vt == VT_R4) {
    value = v.fltVal;
  } else {
    throw CADOException(kAdoFloatTypeError, kAdoFloatTypeText);
  }
  return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, double& value) {
  Variant v = ReadField(column);
  switch (v.vt) {
    case VT_EMPTY: case VT_NULL: value = 0.0; break;
    case VT_I2: value = v.iVal; break;
    case VT_I4: case VT_INT: value = v.lVal; break;
    case VT_R4: value = v.fltVal; break;
    case VT_R8: value = v.dblVal; break;
    case VT_DATE: value = v.date; break;
    case VT_UI1: value = v.bVal; break;
    default: {
      Variant out;
      HRESULT hr = VariantChangeType(out, v, VT_R8);
      if (FAILED(hr)) ThrowConversion(hr, column, v, "a number");
      value = out.dblVal;
    }
  }
  return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, int& value) {
  value = ReadInteger(column, ReadField(column));
  return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, long& value) {
  value = ReadInteger(column, ReadField(column));
  return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, bool& value) {
  Variant v = ReadField(column);
  switch (v.vt) {
    case VT_EMPTY: case VT_NULL: value = false; return true;
    case VT_BOOL: value = v.boolVal != 0; return true;
    default: return false;
  }
}

bool CADORecordset::GetFieldValue(const std::string& column, std::string& value, const std::string& dateFormat) {
  Variant v = ReadField(column);
  switch (v.vt) {
    case VT_BSTR: value = v.bstrVal; break;
    case VT_I2: value = ruv::Format("%d", v.iVal); break;
    case VT_UI1: value = ruv::Format("%d", v.bVal); break;
    case VT_I4: case VT_INT: value = ruv::Format("%d", v.lVal); break;
    case VT_UI4: value = ruv::Format("%u", v.ulVal); break;
    case VT_R4: value = SignificantDigits(v.fltVal, 10); break;
    case VT_R8: value = SignificantDigits(v.dblVal, 20); break;
    case VT_DATE: value = FormatDate(v.date, dateFormat); break;
    case VT_BOOL: value = v.boolVal == VARIANT_TRUE ? "T" : "F"; break;
    case VT_DECIMAL: value = ruv::DecimalText(v.decVal); break;
    case VT_CY: value = CurrencyText(v.cyVal); break;
    default: value.clear(); break;
  }
  return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, Variant& value) {
  value = ReadField(column);
  return true;
}

bool CADORecordset::GetFieldValue(int index, Variant& value) {
  value = Guarded([&] { return m_recordset.Value(index); });
  return true;
}

bool CADORecordset::PutFieldValue(const std::string& column, const Variant& value) {
  if (m_nEditStatus == dbEditNone) return false;
  Guarded([&] { m_recordset.SetValue(m_recordset.FieldIndex(column), value); });
  return true;
}

bool CADORecordset::SetFieldValue(const std::string& column, const std::string& value) {
  return PutFieldValue(column, value.empty() ? Variant::Null() : Variant::String(value));
}

bool CADORecordset::SetFieldValue(const std::string& column, int value) {
  return PutFieldValue(column, Variant::I4(value));
}

bool CADORecordset::SetFieldValue(const std::string& column, long value) {
  if (value < INT32_MIN || value > INT32_MAX)
    throw CADOException(DISP_E_OVERFLOW, ruv::Format("The value %ld does not fit the 32-bit column '%s'.", value,
                                                     column.c_str()));
  return PutFieldValue(column, Variant::I4(static_cast<std::int32_t>(value)));
}

bool CADORecordset::SetFieldValue(const std::string& column, float value) {
  return PutFieldValue(column, Variant::R4(value));
}

bool CADORecordset::SetFieldValue(const std::string& column, double value) {
  return PutFieldValue(column, Variant::R8(value));
}

bool CADORecordset::SetFieldValue(const std::string& column, bool value) {
  return PutFieldValue(column, Variant::Bool(value));
}

bool CADORecordset::GetFieldInfo(int index, CADOFieldInfo& info) {
  info = CADOFieldInfo();
  const ruv::db::ColumnInfo column = Guarded([&] { return m_recordset.Field(index); });
  info.m_strName = ruv::CutUtf8(column.name, 59);
  info.m_nType = static_cast<short>(ruv::db::AdoTypeOf(column));
  info.m_lDefinedSize = ruv::db::DefinedSizeOf(column);
  if (!m_recordset.IsEOF() && !m_recordset.IsBOF()) {
    Variant v = Guarded([&] { return m_recordset.Value(index); });
    if (v.vt == VT_BSTR)
      info.m_lSize = static_cast<long>(ruv::Utf8ToUtf16(v.bstrVal).size() * 2);
    else if (v.vt != VT_NULL)
      info.m_lSize = info.m_lDefinedSize;
  }
  long attributes = column.autoNumber ? 0 : 0x4;                   // updatable
  if (!column.notNull) attributes |= 0x20 | 0x40;                  // nullable, may be null
  if (column.type != VT_BSTR) attributes |= 0x10;                  // fixed length
  if (column.type == VT_BSTR && column.maxLength == 0) attributes |= 0x80;  // long (memo)
  info.m_lAttributes = attributes;
  return true;
}

int CADORecordset::FollowRecordId(int id) const {
  const long long followed = m_recordset.FollowRowId(id);
  return followed >= INT32_MIN && followed <= INT32_MAX ? static_cast<int>(followed) : id;
}

bool CADORecordset::FindFieldValue(const Variant& field, const Variant& value, bool* moved) {
  if (moved) *moved = false;
  if (GetRecordCount() == 0) return false;
  const long start = m_recordset.AbsolutePosition();
  if (start < 1) return false;  // no current row to compare or to come back to
  if (ReadField(field) == value) return true;
  if (const long position = RowIdPosition(field, value); position >= 0) {
    // The search would have passed the current row: a pending edit ends as it would.
    m_nEditStatus = dbEditNone;
    try {
      Guarded([&] { m_recordset.SetAbsolutePosition(position > 0 ? position : start); });
      if (position > 0 && ReadField(field) == value) {
        if (moved) *moved = position != start;
        return true;
      }
    } catch (...) {
      try {
        Guarded([&] { m_recordset.SetAbsolutePosition(start); });
      } catch (const CADOException&) {
      }
      throw;
    }
    if (position == 0) return false;
  }
  try {
    MoveLast();
    while (!IsBOF()) {
      if (ReadField(field) == value) {
        if (moved) *moved = m_recordset.AbsolutePosition() != start;
        return true;
      }
      MovePrevious();
    }
  } catch (...) {
    try {
      Guarded([&] { m_recordset.SetAbsolutePosition(start); });
    } catch (const CADOException&) {
    }
    throw;
  }
  // Not found: back to the row the search started from.
  Guarded([&] { m_recordset.SetAbsolutePosition(start); });
  return false;
}

long CADORecordset::RowIdPosition(const Variant& field, const Variant& value) {
  const int column = m_recordset.RowIdColumn();
  if (column < 0 || value.vt != VT_I4 || m_recordset.Field(column).type != VT_I4) return -1;
  if (field.vt == VT_BSTR) {
    if (Guarded([&] { return m_recordset.FieldIndex(field.bstrVal); }) != column) return -1;
  } else {
    Variant index;
    if (FAILED(VariantChangeType(index, field, VT_I4)) || index.lVal != column) return -1;
  }
  return Guarded([&] { return m_recordset.PositionOfRowId(value.lVal); });
}
