#include "platform/db/KeptStatements.h"

#include <sqlite3.h>

#include <vector>

namespace ruv::db {
namespace {

std::string Quoted(const char* table) { return std::string("\"") + table + "\""; }

}  // namespace

void BindStored(sqlite3_stmt* stmt, int parameter, const StoredValue& stored) {
  const auto size = static_cast<int>(stored.bytes.size());
  switch (stored.kind) {
    case StoredValue::Kind::Null: sqlite3_bind_null(stmt, parameter); break;
    case StoredValue::Kind::Integer: sqlite3_bind_int64(stmt, parameter, stored.integer); break;
    case StoredValue::Kind::Real: sqlite3_bind_double(stmt, parameter, stored.real); break;
    case StoredValue::Kind::Text:
      sqlite3_bind_text(stmt, parameter, stored.bytes.data(), size, SQLITE_TRANSIENT);
      break;
    case StoredValue::Kind::Blob:
      sqlite3_bind_blob(stmt, parameter, stored.bytes.data(), size, SQLITE_TRANSIENT);
      break;
  }
}

void BindVariant(sqlite3_stmt* stmt, int parameter, const Variant& value, ColumnStorage storage) {
  BindStored(stmt, parameter, StoreInColumn(storage, value));
}

KeptStatements::~KeptStatements() {
  for (auto& prepared : m_prepared) sqlite3_finalize(prepared.second);
}

sqlite3_stmt* KeptStatements::Get(const std::string& sql, int& rc) {
  rc = SQLITE_OK;
  if (const auto found = m_prepared.find(sql); found != m_prepared.end()) {
    sqlite3_clear_bindings(found->second);
    return found->second;
  }
  sqlite3_stmt* stmt = nullptr;
  rc = sqlite3_prepare_v3(m_db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  m_prepared.emplace(sql, stmt);
  return stmt;
}

int KeptStatements::Run(const std::string& sql) {
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Get(sql, rc);
  if (!stmt) return rc;
  rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc;
}

int KeptStatements::RunKept(const PendingWrite& write, long long rowId) {
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Get(write.statement->sql, rc);
  if (!stmt) return rc;
  int parameter = 0;
  // Each value as its column holds it: the form it is compared and digested in.
  write.columns.ForEach([&](const KeptValues::Entry& entry) {
    if (entry.column == write.idColumn) return;
    ++parameter;
    BindStored(stmt, parameter, entry.Stored());
  });
  if (write.kind != PendingWrite::Kind::Insert) sqlite3_bind_int64(stmt, parameter + 1, rowId);
  rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  if (rc == SQLITE_DONE && write.kind == PendingWrite::Kind::Update && sqlite3_changes(m_db) == 0)
    return SQLITE_NOTFOUND;
  return rc;
}

int KeptStatements::MakeWrittenTable() {
  const std::string table = Quoted(kWrittenTokensTable);
  const int rc = Run("CREATE TABLE IF NOT EXISTS " + table +
                     " (\"Token\" TEXT PRIMARY KEY, \"RowId\" INTEGER, \"Digest\" TEXT)");
  if (rc != SQLITE_DONE) return rc;
  // A table an earlier version made has no digests: kept from now on. (Not
  // quoted: a quoted name no column has would be read as a text.)
  sqlite3_stmt* probe = nullptr;
  const bool hasDigest =
      sqlite3_prepare_v2(m_db, ("SELECT Digest FROM " + table + " LIMIT 0").c_str(), -1, &probe, nullptr) == SQLITE_OK;
  sqlite3_finalize(probe);
  return hasDigest ? SQLITE_DONE : Run("ALTER TABLE " + table + " ADD COLUMN \"Digest\" TEXT");
}

int KeptStatements::FindWritten(const std::string& token, long long& rowId) {
  int rc = SQLITE_OK;
  sqlite3_stmt* find = Get("SELECT RowId FROM " + Quoted(kWrittenTokensTable) + " WHERE Token = ?1", rc);
  if (!find) return rc;
  sqlite3_bind_text(find, 1, token.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(find);
  if (rc == SQLITE_ROW) rowId = sqlite3_column_int64(find, 0);
  sqlite3_reset(find);
  return rc;
}

int KeptStatements::NoteWritten(const std::string& token, long long rowId, const std::string& digest) {
  int rc = SQLITE_OK;
  sqlite3_stmt* note =
      Get("INSERT INTO " + Quoted(kWrittenTokensTable) + " (Token, RowId, Digest) VALUES (?1, ?2, ?3)", rc);
  if (!note) return rc;
  sqlite3_bind_text(note, 1, token.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(note, 2, rowId);
  sqlite3_bind_text(note, 3, digest.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(note);
  sqlite3_reset(note);
  return rc;
}

int KeptStatements::MarkSetAside(const std::string& token) {
  const std::string table = Quoted(kSetAsideTokensTable);
  int rc = Run("CREATE TABLE IF NOT EXISTS " + table + " (\"Token\" TEXT PRIMARY KEY)");
  if (rc != SQLITE_DONE) return rc;
  sqlite3_stmt* mark = Get("INSERT OR IGNORE INTO " + table + " (Token) VALUES (?1)", rc);
  if (!mark) return rc;
  sqlite3_bind_text(mark, 1, token.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(mark);
  sqlite3_reset(mark);
  return rc;
}

}  // namespace ruv::db
