#pragma once
// The plant's one database connection. Open takes a connection string of the
// form "Provider=...;Data Source=\"<path>\"" and an (unused) user and password;
// failures throw CADOException with the database's text.
#include <memory>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/db/Connection.h"

class CADODatabase {
 public:
  CADODatabase();
  virtual ~CADODatabase();
  CADODatabase(const CADODatabase&) = delete;
  CADODatabase& operator=(const CADODatabase&) = delete;

  // Closes an open connection first. An empty connection string reopens with the stored one.
  bool Open(const std::string& connectionString = std::string(), const std::string& user = std::string(),
            const std::string& password = std::string());
  bool IsOpen() const;
  void Close();

  const std::string& GetConnectionString() const { return m_strConnection; }
  // Shared with every recordset opened on this database.
  std::shared_ptr<ruv::db::Connection> GetConnection() const { return m_pConnection; }

  DWORD GetLastError() const { return m_dwLastError; }
  const std::string& GetErrorDescription() const { return m_strErrorDescription; }
  // The last failure in full: the connection string, code, its meaning, source and description.
  const std::string& GetLastErrorString() const { return m_strLastError; }

 private:
  std::shared_ptr<ruv::db::Connection> m_pConnection;
  std::string m_strConnection;
  std::string m_strLastError;
  std::string m_strErrorDescription;
  DWORD m_dwLastError = 0;
};
