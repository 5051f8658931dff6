#include "platform/db/TableStatements.h"

#include <sqlite3.h>

#include "platform/base/Text.h"

namespace ruv::db {

std::string QuoteIdentifier(const std::string& name) { return "\"" + ruv::ReplaceAll(name, "\"", "\"\"") + "\""; }

bool HasTextAffinity(const ColumnInfo& column) { return AffinityOf(column.declaredType) == Affinity::Text; }

int ReadTableColumns(sqlite3* db, const std::string& table, std::vector<ColumnInfo>& columns) {
  sqlite3_stmt* info = nullptr;
  int rc = sqlite3_prepare_v2(db, ("PRAGMA table_info(" + QuoteIdentifier(table) + ")").c_str(), -1, &info, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(info);
    return rc;
  }
  int keyColumn = -1, keyParts = 0;
  while ((rc = sqlite3_step(info)) == SQLITE_ROW) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
    const char* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 2));
    columns.push_back(DescribeColumn(name ? name : "", type ? type : "", sqlite3_column_int(info, 3) != 0));
    if (sqlite3_column_int(info, 5) > 0) {
      ++keyParts;
      keyColumn = static_cast<int>(columns.size()) - 1;
    }
  }
  sqlite3_finalize(info);
  if (rc != SQLITE_DONE || keyParts != 1 ||
      !ruv::EqualsNoCase(ruv::Trim(columns[static_cast<std::size_t>(keyColumn)].declaredType), "INTEGER"))
    return rc;
  sqlite3_stmt* find = nullptr;
  std::string sql;
  rc = sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1", -1, &find, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(find, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(find);
    if (rc == SQLITE_ROW && sqlite3_column_text(find, 0)) sql = reinterpret_cast<const char*>(sqlite3_column_text(find, 0));
  }
  sqlite3_finalize(find);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
  if (ruv::ToUpperAscii(sql).find("AUTOINCREMENT") != std::string::npos) {
    ColumnInfo& key = columns[static_cast<std::size_t>(keyColumn)];
    key.autoNumber = true;
    key.rowIdAlias = true;
  }
  return SQLITE_DONE;
}

std::string InsertStatement(const std::string& table, const std::vector<ColumnInfo>& columns,
                            const std::vector<bool>& given, std::vector<int>& bound) {
  std::string names, values;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnInfo& column = columns[i];
    const std::string quoted = QuoteIdentifier(column.name);
    if (column.rowIdAlias) {
      continue;  // SQLite numbers it past every number it ever gave
    } else if (column.autoNumber) {
      // The next number after the largest one, taken in the same statement.
      names += (names.empty() ? "" : ", ") + quoted;
      values += (values.empty() ? "" : ", ") + ("(SELECT COALESCE(MAX(" + quoted + "), 0) + 1 FROM " +
                                                 QuoteIdentifier(table) + ")");
    } else if (i < given.size() && given[i]) {
      bound.push_back(static_cast<int>(i));
      names += (names.empty() ? "" : ", ") + quoted;
      values += (values.empty() ? "" : ", ") + ("?" + std::to_string(bound.size()));
    }
  }
  return "INSERT INTO " + QuoteIdentifier(table) +
         (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + values + ")");
}

std::string UpdateStatement(const std::string& table, const std::vector<ColumnInfo>& columns,
                            const std::vector<int>& bound) {
  std::string assignments;
  for (std::size_t p = 0; p < bound.size(); ++p)
    assignments += (p ? ", " : "") + QuoteIdentifier(columns[static_cast<std::size_t>(bound[p])].name) + " = ?" +
                   std::to_string(p + 1);
  return "UPDATE " + QuoteIdentifier(table) + " SET " + assignments + " WHERE rowid = ?" +
         std::to_string(bound.size() + 1);
}

std::string DeleteStatement(const std::string& table) { return "DELETE FROM " + QuoteIdentifier(table) + " WHERE rowid = ?1"; }

}  // namespace ruv::db
