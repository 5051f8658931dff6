#include "platform/db/SchemaBuilder.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/base/Text.h"
#include "platform/db/ColumnType.h"

namespace ruv::db {

namespace {

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

// Every column of every table must have a declared type the layer can map.
bool CheckColumnTypes(sqlite3* db, std::string* error) {
  sqlite3_stmt* tables = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'", -1,
                         &tables, nullptr) != SQLITE_OK)
    return Fail(error, sqlite3_errmsg(db));
  std::vector<std::string> names;
  while (sqlite3_step(tables) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
  sqlite3_finalize(tables);
  for (const std::string& table : names) {
    sqlite3_stmt* info = nullptr;
    std::string sql = "PRAGMA table_info(\"" + ruv::ReplaceAll(table, "\"", "\"\"") + "\")";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &info, nullptr) != SQLITE_OK) return Fail(error, sqlite3_errmsg(db));
    std::string bad;
    while (sqlite3_step(info) == SQLITE_ROW) {
      const char* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
      const char* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 2));
      ColumnInfo column = DescribeColumn(name ? name : "", type ? type : "");
      if (!column.known && bad.empty())
        bad = ruv::Format("Table '%s', column '%s': unknown column type '%s'.", table.c_str(), column.name.c_str(),
                          column.declaredType.c_str());
    }
    sqlite3_finalize(info);
    if (!bad.empty()) return Fail(error, bad);
  }
  return true;
}

bool BuildDatabase(const std::string& schemaSql, const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  bool ok = rc == SQLITE_OK;
  if (!ok) Fail(error, ruv::Format("Cannot create '%s': %s", path.c_str(), sqlite3_errmsg(db)));
  char* message = nullptr;
  if (ok && sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; BEGIN", nullptr, nullptr, &message) !=
                SQLITE_OK)
    ok = Fail(error, message ? message : sqlite3_errmsg(db));
  if (ok && sqlite3_exec(db, schemaSql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
    ok = Fail(error, ruv::Format("The schema failed: %s", message ? message : sqlite3_errmsg(db)));
  if (ok) ok = CheckColumnTypes(db, error);
  if (ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, &message) != SQLITE_OK)
    ok = Fail(error, message ? message : sqlite3_errmsg(db));
  sqlite3_free(message);
  // Closing the last connection checkpoints the log into the file and removes it.
  if (sqlite3_close(db) != SQLITE_OK && ok) ok = Fail(error, "Cannot close the new database.");
  return ok;
}

}  // namespace

bool CreateDatabaseFromSchema(const std::string& schemaSql, const std::string& targetPath, std::string* error) {
  if (targetPath.empty()) return Fail(error, "No database file name given.");
  if (FileExists(targetPath)) return Fail(error, ruv::Format("'%s' already exists; it is left as it is.", targetPath.c_str()));
  const std::string temporary = targetPath + ".new";
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((temporary + suffix).c_str());
  bool ok = BuildDatabase(schemaSql, temporary, error);
  if (ok) {
    int fd = ::open(temporary.c_str(), O_RDONLY);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
    // link() refuses an existing target, so a file that appeared meanwhile is kept.
    if (::link(temporary.c_str(), targetPath.c_str()) != 0)
      ok = Fail(error, ruv::Format("Cannot create '%s': %s", targetPath.c_str(), std::strerror(errno)));
    SyncFolderOf(targetPath);
  }
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((temporary + suffix).c_str());
  return ok;
}

}  // namespace ruv::db
