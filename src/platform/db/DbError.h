#pragma once
// The one error type of the database layer: an HRESULT-style code and a
// description an operator can read. Every failing call of the layer throws it.
#include <stdexcept>
#include <string>

#include "platform/base/WinTypes.h"

namespace ruv::db {

// Codes as the original provider reports them, so callers can tell failures apart.
constexpr HRESULT kErrNoCurrentRecord = static_cast<HRESULT>(0x800A0BCDu);   // BOF or EOF, or row deleted
constexpr HRESULT kErrItemNotFound = static_cast<HRESULT>(0x800A0CC1u);      // no such column
constexpr HRESULT kErrObjectClosed = static_cast<HRESULT>(0x800A0E78u);      // recordset or connection closed
constexpr HRESULT kErrNotUpdatable = static_cast<HRESULT>(0x800A0CB3u);      // recordset cannot be updated
constexpr HRESULT kErrFieldReadOnly = static_cast<HRESULT>(0x80040E21u);     // column cannot be written
constexpr HRESULT kErrDataOverflow = static_cast<HRESULT>(0x80040E57u);      // text longer than its column
constexpr HRESULT kErrNoSuchTable = static_cast<HRESULT>(0x80040E37u);       // table does not exist
constexpr HRESULT kErrDeletedRow = static_cast<HRESULT>(0x80040E23u);        // row deleted by someone else
constexpr HRESULT kErrIntegrity = static_cast<HRESULT>(0x80040E2Fu);         // constraint (NULL, unique) violated
constexpr HRESULT kErrDatabase = E_FAIL;                                     // everything else of the engine

class DbError : public std::runtime_error {
 public:
  DbError(HRESULT code, const std::string& description) : std::runtime_error(description), m_code(code) {}
  HRESULT Code() const { return m_code; }
  std::string Description() const { return what(); }

 private:
  HRESULT m_code;
};

}  // namespace ruv::db
