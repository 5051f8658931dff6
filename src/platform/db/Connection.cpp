#include "platform/db/Connection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/AtomicFile.h"
#include "platform/base/Text.h"
#include "platform/db/DbError.h"

namespace ruv::db {
namespace {

// Why the file cannot be an SQLite database ("" when its header says it is one).
std::string NotADatabaseReason(const std::string& path) {
  static constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its terminating zero
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string("it cannot be read (") + std::strerror(errno) + ")";
  char header[sizeof kMagic] = {};
  ssize_t got;
  do {
    got = ::read(fd, header, sizeof header);
  } while (got < 0 && errno == EINTR);
  const int readError = errno;
  ::close(fd);
  if (got < 0) return std::string("it cannot be read (") + std::strerror(readError) + ")";
  if (got == 0) return "the file is empty (0 bytes)";
  if (static_cast<std::size_t>(got) < sizeof header || std::memcmp(header, kMagic, sizeof header) != 0)
    return "it does not start with the SQLite header";
  return std::string();
}

}  // namespace

DatabaseHandle::~DatabaseHandle() { Close(); }

void DatabaseHandle::SetBusyTimeout(int milliseconds) {
  m_busyTimeoutMs.store(milliseconds);
  if (m_db) sqlite3_busy_timeout(m_db, milliseconds);
}

void DatabaseHandle::Close() {
  if (!m_db) return;
  // A recordset's statements may still exist: close_v2 finishes when they are finalised.
  sqlite3_close_v2(m_db);
  m_db = nullptr;
}

void DatabaseHandle::Fail(int rc, bool writing) const {
  std::string detail = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
  // SQLite's "disk I/O error" alone hides why: the system's own words (no
  // space left, a lost disk) go with it. Not for a file it could not open:
  // its last try may have been another way of opening, with its own error.
  // A file-size limit (EFBIG) is named alone, as the journal names it.
  if (const int systemError = m_db ? sqlite3_system_errno(m_db) : 0; systemError != 0 && (rc & 0xFF) == SQLITE_IOERR)
    detail = systemError == EFBIG ? std::strerror(systemError) : detail + ": " + std::strerror(systemError);
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw DbError(kErrDatabase, writing ? "Could not update; the database is locked by another program. "
                                            "Nothing was written; try again later."
                                          : "Could not read; the database is locked by another program.");
    case SQLITE_READONLY:
      throw DbError(kErrDatabase, "Cannot update. The database or object is read-only. Nothing was written.");
    case SQLITE_FULL:
      throw DbError(kErrDatabase, ruv::Format("Could not update; the disk is full (%s). Nothing was written.",
                                              sqlite3_errstr(SQLITE_FULL)));
    case SQLITE_NOTADB:
      throw DbError(kErrDatabase, ruv::Format("'%s' is not a database file.", m_path.c_str()));
    case SQLITE_CORRUPT:
      throw DbError(kErrDatabase, ruv::Format("The database file '%s' is damaged (%s).", m_path.c_str(), detail.c_str()));
    case SQLITE_CONSTRAINT:
      throw DbError(kErrIntegrity, ruv::Format("The change breaks a rule of the table (%s).", detail.c_str()));
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
      throw DbError(kErrDatabase, ruv::Format("Could not %s the database file '%s' (%s).", writing ? "write" : "read",
                                              m_path.c_str(), detail.c_str()));
    default:
      throw DbError(kErrDatabase, detail);
  }
}

Connection::~Connection() { Close(); }

std::string Connection::DataSourceOf(const std::string& connectionString) {
  // key=value pairs separated by ';'; a value may be quoted.
  std::size_t pos = 0;
  const std::string& s = connectionString;
  while (pos < s.size()) {
    std::size_t equals = s.find('=', pos);
    if (equals == std::string::npos) break;
    std::string key = ruv::Trim(s.substr(pos, equals - pos));
    std::size_t valueStart = equals + 1;
    while (valueStart < s.size() && (s[valueStart] == ' ' || s[valueStart] == '\t')) ++valueStart;
    std::string value;
    std::size_t next;
    if (valueStart < s.size() && (s[valueStart] == '"' || s[valueStart] == '\'')) {
      char quote = s[valueStart];
      std::size_t close = s.find(quote, valueStart + 1);
      if (close == std::string::npos) close = s.size();
      value = s.substr(valueStart + 1, close - valueStart - 1);
      next = s.find(';', close);
    } else {
      next = s.find(';', valueStart);
      value = ruv::Trim(s.substr(valueStart, next == std::string::npos ? std::string::npos : next - valueStart));
    }
    if (ruv::EqualsNoCase(key, "Data Source")) return value;
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return std::string();
}

void Connection::Open(const std::string& connectionString) {
  Close();
  m_connectionString = connectionString;
  const std::string path = DataSourceOf(connectionString);
  if (path.empty()) throw DbError(kErrDatabase, "The connection string names no database file (Data Source).");
  if (!FileExists(path)) throw DbError(kErrDatabase, ruv::Format("Could not find file '%s'.", path.c_str()));
  // Refused at once: opening it would only let every later save fail.
  if (FileIsReadOnly(path))
    throw DbError(kErrDatabase, ruv::Format("The database file '%s' is read-only; records could not be saved.",
                                            path.c_str()));

  // SQLite would take an empty file for a new database and write its header into
  // it (and a few bytes of text for a damaged one): look before it touches anything.
  if (const std::string reason = NotADatabaseReason(path); !reason.empty())
    throw DbError(kErrDatabase, ruv::Format("'%s' is not a database file: %s.", path.c_str(), reason.c_str()));

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
  auto handle = std::make_shared<DatabaseHandle>(db, path);
  if (rc != SQLITE_OK) handle->Fail(rc, false);
  if (sqlite3_db_readonly(db, "main") == 1)
    throw DbError(kErrDatabase, ruv::Format("The database file '%s' is read-only; records could not be saved.",
                                            path.c_str()));
  handle->SetBusyTimeout(m_busyTimeoutMs);
  handle->SetKeepLockedWrites(m_keepLockedWrites);
  sqlite3_extended_result_codes(db, 0);

  // WAL keeps readers and the writer apart; FULL makes each commit durable.
  sqlite3_stmt* stmt = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &stmt, nullptr);
  if (rc != SQLITE_OK) handle->Fail(rc, false);
  rc = sqlite3_step(stmt);
  std::string mode = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) : "";
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW) handle->Fail(rc, false);
  if (!ruv::EqualsNoCase(mode, "wal"))
    throw DbError(kErrDatabase, ruv::Format("The database file '%s' cannot use write-ahead logging (journal mode %s).",
                                            path.c_str(), mode.c_str()));
  rc = sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) handle->Fail(rc, false);
  // The temporary tables a read through the kept records builds stay in
  // memory: a full temporary folder (TMPDIR, /var/tmp) must not fail the read,
  // nor be told as the database's own disk being full.
  rc = sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) handle->Fail(rc, false);
  // The schema must be readable: a file that is no database fails here.
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) handle->Fail(rc, false);
  m_handle = std::move(handle);
}

void Connection::Close() {
  if (m_handle) m_handle->Close();
  m_handle.reset();
}

void Connection::SetBusyTimeout(int milliseconds) {
  m_busyTimeoutMs = milliseconds < 0 ? 0 : milliseconds;
  if (IsOpen()) m_handle->SetBusyTimeout(m_busyTimeoutMs);
}

void Connection::SetKeepLockedWrites(bool keep) {
  m_keepLockedWrites = keep;
  if (IsOpen()) m_handle->SetKeepLockedWrites(keep);
}

}  // namespace ruv::db
