#include "platform/db/KeptReadThrough.h"

#include <sqlite3.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <set>
#include <vector>

#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/PendingWrites.h"
#include "platform/db/TableStatements.h"

namespace ruv::db {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsWordByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return std::isalnum(byte) || c == '_' || c == '$' || byte >= 0x80;
}

// What a statement's text tells of the tables it may read: the names it
// holds (words and quoted identifiers, in lower case), its first word, and
// where a common table expression of ours goes after a WITH of its own.
struct Scanned {
  std::string firstWord;
  std::set<std::string> names;
  std::size_t afterWith = std::string::npos;
};

Scanned Scan(const std::string& sql) {
  Scanned scanned;
  std::size_t pos = 0;
  std::string lastWord;
  const auto closing = [&](char close) {
    std::string name;
    for (++pos; pos < sql.size(); ++pos) {
      if (sql[pos] != close) {
        name += sql[pos];
        continue;
      }
      if (close != ']' && pos + 1 < sql.size() && sql[pos + 1] == close) {
        name += close;
        ++pos;
        continue;
      }
      ++pos;
      break;
    }
    return name;
  };
  while (pos < sql.size()) {
    const char c = sql[pos];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++pos;
    } else if (sql.compare(pos, 2, "--") == 0) {
      pos = sql.find('\n', pos);
    } else if (sql.compare(pos, 2, "/*") == 0) {
      pos = sql.find("*/", pos + 2);
      if (pos != std::string::npos) pos += 2;
    } else if (c == '\'') {
      closing('\'');
      lastWord.clear();
    } else if (c == '"' || c == '[' || c == '`') {
      scanned.names.insert(Lower(closing(c == '[' ? ']' : c)));
      lastWord.clear();
    } else if (IsWordByte(c)) {
      const std::size_t start = pos;
      while (pos < sql.size() && IsWordByte(sql[pos])) ++pos;
      const std::string word = Lower(sql.substr(start, pos - start));
      if (scanned.firstWord.empty()) {
        scanned.firstWord = word;
        if (word == "with") scanned.afterWith = pos;
      } else if (lastWord == "with" && word == "recursive" && scanned.afterWith != std::string::npos) {
        scanned.afterWith = pos;
      }
      if (!std::isdigit(static_cast<unsigned char>(word[0]))) scanned.names.insert(word);
      lastWord = word;
    } else {
      ++pos;
      lastWord.clear();
    }
  }
  return scanned;
}

std::string Hex(const std::string& bytes) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

// A real as SQLite reads it back exactly (a NaN is stored as NULL).
std::string RealLiteral(double value) {
  if (std::isnan(value)) return "NULL";
  if (std::isinf(value)) return value > 0 ? "9e999" : "-9e999";
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  std::string literal(text, end);
  if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
  return literal;
}

// `value` as a literal that gives what BindVariant binds for it, and the
// column then stores.
std::string Literal(const Variant& value, bool asText) {
  switch (value.vt) {
    case VT_NULL: case VT_EMPTY: return "NULL";
    case VT_I2: return std::to_string(value.iVal);
    case VT_I4: return std::to_string(value.lVal);
    case VT_UI1: return std::to_string(value.bVal);
    case VT_BOOL: return std::to_string(value.boolVal);
    case VT_R4: return RealLiteral(value.fltVal);
    case VT_R8: return RealLiteral(value.dblVal);
    case VT_DATE: return RealLiteral(value.date);
    case VT_CY:
    case VT_DECIMAL: {
      // Bound as their digits, which a column of numbers stores as a number.
      const std::string digits = "CAST(X'" + Hex(VariantToString(value)) + "' AS TEXT)";
      return asText ? digits : "CAST(" + digits + " AS NUMERIC)";
    }
    default:
      return asText ? "CAST(X'" + Hex(value.bstrVal) + "' AS TEXT)" : "X'" + Hex(value.bstrVal) + "'";
  }
}

// The tables of the database (not SQLite's own).
std::vector<std::string> TableNames(const DatabaseHandle& handle) {
  sqlite3_stmt* list = nullptr;
  int rc = sqlite3_prepare_v2(handle.Get(),
                              "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                              -1, &list, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(list);
    handle.Fail(rc, false);
  }
  std::vector<std::string> names;
  while ((rc = sqlite3_step(list)) == SQLITE_ROW)
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
  sqlite3_finalize(list);
  if (rc != SQLITE_DONE) handle.Fail(rc, false);
  return names;
}

// "<table>(<columns>) AS (...)": the table's rows as the kept writes leave
// them; "" when nothing kept reaches it.
std::string KeptTable(const DatabaseHandle& handle, const std::string& table) {
  const PendingWrites& pending = handle.Pending();
  const std::vector<long long> changed = pending.KeptChangedRows(table);
  const std::vector<RowKey> added = pending.KeptNewRows(table);
  if (changed.empty() && added.empty()) return std::string();
  std::vector<ColumnInfo> columns;
  const int rc = ReadTableColumns(handle.Get(), table, columns);
  if (rc != SQLITE_DONE) handle.Fail(rc, false);
  if (columns.empty()) return std::string();

  const std::string quoted = QuoteIdentifier(table);
  std::string names;
  for (const ColumnInfo& column : columns) names += (names.empty() ? "" : ", ") + QuoteIdentifier(column.name);
  // The database's rows no kept write reaches...
  std::string body = "SELECT " + names + " FROM main." + quoted;
  if (!changed.empty()) {
    body += " WHERE rowid NOT IN (";
    for (std::size_t i = 0; i < changed.size(); ++i) body += (i ? ", " : "") + std::to_string(changed[i]);
    body += ")";
  }
  // ...those it changes, each column the kept value when one sets it...
  std::string changes;
  for (const long long rowId : changed) {
    std::vector<Variant> values(columns.size(), Variant::Null());
    std::vector<bool> overlaid;
    bool exists = true;
    pending.Overlay(table, RowKey{rowId, 0}, values, overlaid, exists);
    if (!exists) continue;  // a kept deletion
    changes += changes.empty() ? "(" : ", (";
    changes += std::to_string(rowId);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const bool set = i < overlaid.size() && overlaid[i];
      changes += ", " + (set ? Literal(values[i], HasTextAffinity(columns[i])) : std::string("NULL"));
      changes += set ? ", 1" : ", 0";
    }
    changes += ")";
  }
  if (!changes.empty()) {
    body += " UNION ALL SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::string value = "k.column" + std::to_string(2 * i + 2), set = "k.column" + std::to_string(2 * i + 3);
      body += (i ? ", " : "") + ("CASE WHEN " + set + " THEN " + value + " ELSE t." + QuoteIdentifier(columns[i].name) +
                                 " END");
    }
    body += " FROM (VALUES " + changes + ") AS k JOIN main." + quoted + " AS t ON t.rowid = k.column1";
  }
  // ...and the kept new rows, last.
  std::string rows;
  for (const RowKey& key : added) {
    std::vector<Variant> values(columns.size(), Variant::Null());
    std::vector<bool> overlaid;
    bool exists = false;
    pending.Overlay(table, key, values, overlaid, exists);
    if (!exists) continue;
    rows += rows.empty() ? "(" : ", (";
    for (std::size_t i = 0; i < columns.size(); ++i)
      rows += (i ? ", " : "") + Literal(values[i], HasTextAffinity(columns[i]));
    rows += ")";
  }
  if (!rows.empty()) body += " UNION ALL SELECT * FROM (VALUES " + rows + ")";
  return quoted + "(" + names + ") AS (" + body + ")";
}

}  // namespace

std::string KeptReadThrough::Query(const DatabaseHandle& handle, const std::string& sql, const std::string& ownTable) {
  if (!handle.Pending().HasKept()) return sql;
  const Scanned scanned = Scan(sql);
  if (scanned.firstWord != "select" && scanned.firstWord != "values" && scanned.firstWord != "with") return sql;
  std::string tables;
  for (const std::string& table : TableNames(handle)) {
    if (scanned.names.count(Lower(table)) == 0 || Lower(table) == Lower(ownTable)) continue;
    const std::string kept = KeptTable(handle, table);
    if (!kept.empty()) tables += (tables.empty() ? "" : ", ") + kept;
  }
  if (tables.empty()) return sql;
  if (scanned.afterWith != std::string::npos)
    return sql.substr(0, scanned.afterWith) + " " + tables + "," + sql.substr(scanned.afterWith);
  return "WITH " + tables + " " + sql;
}

}  // namespace ruv::db
