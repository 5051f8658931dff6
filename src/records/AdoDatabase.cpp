#include "records/AdoDatabase.h"

#include "platform/db/DbError.h"
#include "records/AdoErrorText.h"
#include "records/AdoException.h"

CADODatabase::CADODatabase() : m_pConnection(std::make_shared<ruv::db::Connection>()) {}

CADODatabase::~CADODatabase() { Close(); }

bool CADODatabase::Open(const std::string& connectionString, const std::string& /*user*/,
                        const std::string& /*password*/) {
  if (IsOpen()) Close();
  if (!connectionString.empty()) m_strConnection = connectionString;
  try {
    m_pConnection->Open(m_strConnection);
  } catch (const ruv::db::DbError& error) {
    m_dwLastError = static_cast<DWORD>(error.Code());
    m_strErrorDescription = error.Description();
    m_strLastError = "Connection String = " + m_strConnection + "\n" +
                     AdoErrorReport("CADODataBase", error.Code(), error.Description());
    throw CADOException(error.Code(), error.Description());
  }
  return IsOpen();
}

bool CADODatabase::IsOpen() const { return m_pConnection && m_pConnection->IsOpen(); }

void CADODatabase::Close() {
  if (IsOpen()) m_pConnection->Close();
}
