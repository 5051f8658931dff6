#pragma once
// The database failure the records layer throws: a text for the operator and a code.
#include <string>

#include "platform/base/WinTypes.h"

// Code and text of the float read's refusal of a column that is not single precision.
constexpr LONG kAdoFloatTypeError = 87;
inline constexpr const char* kAdoFloatTypeText = "Please convert field type from 'double' to 'single' in database table";

// Opening a stored procedure: the database under this layer (SQLite) has none.
// The code is the provider's "operation not supported"; the text takes the query.
constexpr LONG kAdoStoredProcedureError = static_cast<LONG>(0x800A0CB3u);
inline constexpr const char* kAdoStoredProcedureText =
    "The database has no stored procedures: '%s' cannot be opened as one. Open it as a table or a query.";

class CADOException {
 public:
  CADOException(LONG code, std::string text) : m_strErrorMessage(std::move(text)), m_lErrorCode(code) {}
  virtual ~CADOException() = default;

  const std::string& GetErrorMessage() const { return m_strErrorMessage; }
  LONG GetError() const { return m_lErrorCode; }

 private:
  std::string m_strErrorMessage;
  LONG m_lErrorCode;
};
