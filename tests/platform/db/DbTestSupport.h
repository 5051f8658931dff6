#pragma once
// A fresh database file from a schema text, and a raw SQLite handle for checking
// what was really stored (or for holding a lock as another program would).
#include <sqlite3.h>

#include <string>

#include "platform/db/SchemaBuilder.h"

inline std::string MakeDatabase(const std::string& path, const std::string& schema) {
  std::string error;
  if (!ruv::db::CreateDatabaseFromSchema(schema, path, &error)) return error;
  return std::string();
}

class RawDatabase {
 public:
  explicit RawDatabase(const std::string& path) { sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr); }
  ~RawDatabase() { sqlite3_close(m_db); }
  RawDatabase(const RawDatabase&) = delete;
  RawDatabase& operator=(const RawDatabase&) = delete;

  int Exec(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }
  // First column of the first row as text ("<null>" for NULL, "<none>" without a row).
  std::string Text(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return sqlite3_errmsg(m_db);
    std::string result = "<none>";
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      result = text ? reinterpret_cast<const char*>(text) : "<null>";
    }
    sqlite3_finalize(stmt);
    return result;
  }
  std::string TypeOf(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return sqlite3_errmsg(m_db);
    std::string result = "<none>";
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_INTEGER: result = "integer"; break;
        case SQLITE_FLOAT: result = "real"; break;
        case SQLITE_TEXT: result = "text"; break;
        case SQLITE_BLOB: result = "blob"; break;
        default: result = "null"; break;
      }
    }
    sqlite3_finalize(stmt);
    return result;
  }

 private:
  sqlite3* m_db = nullptr;
};
