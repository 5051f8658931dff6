#include "platform/db/KeptReadThrough.h"

#include <sqlite3.h>

#include <cctype>
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

// A statement finalized however its scope is left.
class Statement {
 public:
  Statement(const DatabaseHandle& handle, const std::string& sql) : m_handle(handle) {
    const int rc = sqlite3_prepare_v2(handle.Get(), sql.c_str(), -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(m_stmt);
      m_stmt = nullptr;
      handle.Fail(rc, false);
    }
  }
  ~Statement() { sqlite3_finalize(m_stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* Get() const { return m_stmt; }
  // Runs it once with what is bound, then clears it for the next.
  void Run() {
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (rc != SQLITE_DONE) m_handle.Fail(rc, false);
  }

 private:
  const DatabaseHandle& m_handle;
  sqlite3_stmt* m_stmt = nullptr;
};

std::string Numbered(const char* name, std::size_t i) { return name + std::to_string(i + 1); }

}  // namespace

KeptReadThrough::KeptReadThrough(const DatabaseHandle& handle, const std::string& sql, const std::string& ownTable)
    : m_handle(handle), m_sql(sql) {
  if (!handle.Pending().HasKept()) return;
  const Scanned scanned = Scan(sql);
  if (scanned.firstWord != "select" && scanned.firstWord != "values" && scanned.firstWord != "with") return;
  std::string tables;
  try {
    for (const std::string& table : TableNames(handle)) {
      if (scanned.names.count(Lower(table)) == 0 || Lower(table) == Lower(ownTable)) continue;
      const std::string laidOut = LayOut(table);
      if (!laidOut.empty()) tables += (tables.empty() ? "" : ", ") + laidOut;
    }
  } catch (...) {
    Empty();
    throw;
  }
  if (tables.empty()) return;
  if (scanned.afterWith != std::string::npos)
    m_sql = sql.substr(0, scanned.afterWith) + " " + tables + "," + sql.substr(scanned.afterWith);
  else
    m_sql = "WITH " + tables + " " + sql;
}

KeptReadThrough::~KeptReadThrough() { Empty(); }

void KeptReadThrough::Empty() {
  // Not needed once read: a long queue's values are not held twice.
  for (const std::string& filled : m_filled)
    sqlite3_exec(m_handle.Get(), ("DELETE FROM temp." + filled).c_str(), nullptr, nullptr, nullptr);
  m_filled.clear();
}

void KeptReadThrough::Exec(const std::string& sql) {
  const int rc = sqlite3_exec(m_handle.Get(), sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) m_handle.Fail(rc, false);
}

std::string KeptReadThrough::LayOut(const std::string& table) {
  const PendingWrites& pending = m_handle.Pending();
  const std::vector<long long> changed = pending.KeptChangedRows(table);
  const std::vector<RowKey> added = pending.KeptNewRows(table);
  if (changed.empty() && added.empty()) return std::string();
  std::vector<ColumnInfo> columns;
  const int rc = ReadTableColumns(m_handle.Get(), table, columns);
  if (rc != SQLITE_DONE) m_handle.Fail(rc, false);
  if (columns.empty()) return std::string();

  // The rows a kept write changes (each column with whether a kept value
  // sets it), and the kept new rows: typed as the table's columns, so a value
  // goes in as the database would store it. Named by the table and its width.
  const std::string suffix = " of " + table + " (" + std::to_string(columns.size()) + ")";
  const std::string changes = QuoteIdentifier("kept changes" + suffix), rows = QuoteIdentifier("kept rows" + suffix);
  std::string changeColumns = "id INTEGER, present INTEGER", rowColumns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string type = columns[i].declaredType.empty() ? "" : " " + columns[i].declaredType;
    changeColumns += ", " + Numbered("v", i) + type + ", " + Numbered("s", i) + " INTEGER";
    rowColumns += (i ? ", " : "") + Numbered("v", i) + type;
  }
  Exec("CREATE TEMP TABLE IF NOT EXISTS " + changes + " (" + changeColumns + ")");
  Exec("CREATE TEMP TABLE IF NOT EXISTS " + rows + " (" + rowColumns + ")");
  m_filled.push_back(changes);
  m_filled.push_back(rows);
  Exec("DELETE FROM temp." + changes);
  Exec("DELETE FROM temp." + rows);

  const bool ownTransaction = sqlite3_get_autocommit(m_handle.Get()) != 0;
  if (ownTransaction) Exec("BEGIN");
  try {
    std::string parameters;
    for (std::size_t p = 0; p < 2 * columns.size() + 2; ++p) parameters += (p ? ", ?" : "?") + std::to_string(p + 1);
    Statement change(m_handle, "INSERT INTO temp." + changes + " VALUES (" + parameters + ")");
    for (const long long rowId : changed) {
      std::vector<Variant> values(columns.size(), Variant::Null());
      std::vector<bool> overlaid;
      bool exists = true;
      pending.Overlay(table, RowKey{rowId, 0}, values, overlaid, exists);
      sqlite3_bind_int64(change.Get(), 1, rowId);
      sqlite3_bind_int(change.Get(), 2, exists ? 1 : 0);  // not present: a kept deletion
      for (std::size_t i = 0; i < columns.size(); ++i) {
        const bool set = i < overlaid.size() && overlaid[i];
        if (set) BindVariant(change.Get(), static_cast<int>(2 * i + 3), values[i], HasTextAffinity(columns[i]));
        sqlite3_bind_int(change.Get(), static_cast<int>(2 * i + 4), set ? 1 : 0);
      }
      change.Run();
    }
    parameters.clear();
    for (std::size_t p = 0; p < columns.size(); ++p) parameters += (p ? ", ?" : "?") + std::to_string(p + 1);
    Statement row(m_handle, "INSERT INTO temp." + rows + " VALUES (" + parameters + ")");
    for (const RowKey& key : added) {
      std::vector<Variant> values(columns.size(), Variant::Null());
      std::vector<bool> overlaid;
      bool exists = false;
      pending.Overlay(table, key, values, overlaid, exists);
      if (!exists) continue;
      for (std::size_t i = 0; i < columns.size(); ++i)
        BindVariant(row.Get(), static_cast<int>(i + 1), values[i], HasTextAffinity(columns[i]));
      row.Run();
    }
  } catch (...) {
    if (ownTransaction) sqlite3_exec(m_handle.Get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (ownTransaction) Exec("COMMIT");

  const std::string quoted = QuoteIdentifier(table);
  std::string names, merged, values;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string name = QuoteIdentifier(columns[i].name);
    names += (i ? ", " : "") + name;
    merged += (i ? ", " : "") + ("CASE WHEN k." + Numbered("s", i) + " THEN k." + Numbered("v", i) + " ELSE t." + name +
                                 " END");
    values += (i ? ", " : "") + Numbered("v", i);
  }
  // The database's rows no kept write reaches, those it changes, and the kept new rows last.
  return quoted + "(" + names + ") AS (SELECT " + names + " FROM main." + quoted +
         " WHERE rowid NOT IN (SELECT id FROM temp." + changes + ") UNION ALL SELECT " + merged + " FROM temp." +
         changes + " AS k JOIN main." + quoted + " AS t ON t.rowid = k.id WHERE k.present UNION ALL SELECT " + values +
         " FROM temp." + rows + ")";
}

}  // namespace ruv::db
