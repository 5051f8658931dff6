#pragma once
// One open database: the connection string names the file with "Data Source=";
// the file must already exist and be writable (it is never created here). The
// connection runs in WAL mode with full synchronous commits, so a committed row
// survives a crash or a power cut; a database locked by another program is
// waited for up to the busy time-out, then reported. Its temporary tables stay
// in memory (a full temporary folder fails no read).
#include <atomic>
#include <memory>
#include <string>

#include "platform/db/PendingWrites.h"

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

  // How long a statement waits for another program's lock.
  int BusyTimeout() const { return m_busyTimeoutMs.load(); }
  void SetBusyTimeout(int milliseconds);
  // Whether a write the lock refuses is kept and written later (see PendingWrites)
  // rather than failed.
  bool KeepsLockedWrites() const { return m_keepLockedWrites.load(); }
  void SetKeepLockedWrites(bool keep) { m_keepLockedWrites.store(keep); }
  PendingWrites& Pending() { return m_pending; }
  const PendingWrites& Pending() const { return m_pending; }

 private:
  sqlite3* m_db;
  std::string m_path;
  std::atomic<int> m_busyTimeoutMs{3000};
  std::atomic<bool> m_keepLockedWrites{false};
  PendingWrites m_pending;
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
  // From now on (this and later opens), a write the lock refuses is kept and
  // written later in order, instead of failing; off by default.
  void SetKeepLockedWrites(bool keep);
  bool KeepsLockedWrites() const { return m_keepLockedWrites; }

  // The value of "Data Source" in a connection string ("" when absent); a value
  // in double quotes may hold ';'.
  static std::string DataSourceOf(const std::string& connectionString);

 private:
  std::string m_connectionString;
  std::shared_ptr<DatabaseHandle> m_handle;
  int m_busyTimeoutMs = 3000;
  bool m_keepLockedWrites = false;
};

}  // namespace ruv::db
