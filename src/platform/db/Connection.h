#pragma once
// One open database: the connection string names the file with "Data Source=";
// the file must already exist and be writable (it is never created here). The
// connection runs in WAL mode with full synchronous commits, so a committed row
// survives a crash or a power cut; a database locked by another program is
// waited for up to the busy time-out, then reported.
#include <memory>
#include <string>

struct sqlite3;

namespace ruv::db {

// The SQLite handle shared by a connection and the recordsets opened on it, so
// that neither outlives the other's use of it.
class DatabaseHandle {
 public:
  explicit DatabaseHandle(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}
  ~DatabaseHandle();
  DatabaseHandle(const DatabaseHandle&) = delete;
  DatabaseHandle& operator=(const DatabaseHandle&) = delete;

  sqlite3* Get() const { return m_db; }
  bool IsOpen() const { return m_db != nullptr; }
  const std::string& Path() const { return m_path; }
  void Close();

  // Throws the DbError for SQLite's result `rc`; `writing` chooses the wording
  // of the lock and read-only texts.
  [[noreturn]] void Fail(int rc, bool writing) const;

 private:
  sqlite3* m_db;
  std::string m_path;
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the database the connection string names (closing any earlier one).
  // Throws DbError when the string names no file, the file is missing, read-only,
  // not a database, or locked.
  void Open(const std::string& connectionString);
  void Close();
  bool IsOpen() const { return m_handle && m_handle->IsOpen(); }

  const std::string& ConnectionString() const { return m_connectionString; }
  std::shared_ptr<DatabaseHandle> Handle() const { return m_handle; }

  // How long a write waits for another program's lock before it fails (default 3000 ms).
  void SetBusyTimeout(int milliseconds);
  int BusyTimeout() const { return m_busyTimeoutMs; }

  // The value of "Data Source" in a connection string ("" when absent); a value
  // in double quotes may hold ';'.
  static std::string DataSourceOf(const std::string& connectionString);

 private:
  std::string m_connectionString;
  std::shared_ptr<DatabaseHandle> m_handle;
  int m_busyTimeoutMs = 3000;
};

}  // namespace ruv::db
