#pragma once
// The framework's OLE date-time value: an OLE DATE with a validity status.
#include "platform/base/OleDate.h"

class COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTime() = default;
  explicit COleDateTime(DATE date) : m_dt(date) {}
  explicit COleDateTime(const DateTimeFields& fields) { SetDateTime(fields); }

  // Invalid (and 0) when the fields are out of range.
  void SetDateTime(const DateTimeFields& fields) {
    DATE date = 0;
    m_status = OleDateFromFields(fields, date) ? valid : invalid;
    m_dt = m_status == valid ? date : 0.0;
  }
  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  // False when the value is not valid or cannot be split into calendar fields.
  bool GetFields(DateTimeFields& out) const { return m_status == valid && FieldsFromOleDate(m_dt, out); }
  operator DATE() const { return m_dt; }

  DATE m_dt = 0.0;
  DateTimeStatus m_status = valid;
};
