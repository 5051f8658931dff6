#include "platform/db/KeptReadThrough.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
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

// One word, quoted identifier, string or mark of a statement's text, where it lies.
struct Token {
  enum class Kind { Name, String, Mark };
  Kind kind = Kind::Mark;
  std::size_t begin = 0, end = 0;
  std::string name;  // a word or quoted identifier, in lower case; a mark itself
};

// What a statement's text tells of the tables it may read: its tokens (but
// comments), the names it holds (words and quoted identifiers, in lower
// case), its first word, and where a common table expression of ours goes
// after a WITH of its own.
struct Scanned {
  std::string firstWord;
  std::vector<Token> tokens;
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
    const std::size_t start = pos;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++pos;
    } else if (sql.compare(pos, 2, "--") == 0) {
      pos = sql.find('\n', pos);
    } else if (sql.compare(pos, 2, "/*") == 0) {
      pos = sql.find("*/", pos + 2);
      if (pos != std::string::npos) pos += 2;
    } else if (c == '\'') {
      closing('\'');
      scanned.tokens.push_back(Token{Token::Kind::String, start, pos, std::string()});
      lastWord.clear();
    } else if (c == '"' || c == '[' || c == '`') {
      const std::string name = Lower(closing(c == '[' ? ']' : c));
      scanned.names.insert(name);
      scanned.tokens.push_back(Token{Token::Kind::Name, start, pos, name});
      lastWord.clear();
    } else if (IsWordByte(c)) {
      while (pos < sql.size() && IsWordByte(sql[pos])) ++pos;
      const std::string word = Lower(sql.substr(start, pos - start));
      if (scanned.firstWord.empty()) {
        scanned.firstWord = word;
        if (word == "with") scanned.afterWith = pos;
      } else if (lastWord == "with" && word == "recursive" && scanned.afterWith != std::string::npos) {
        scanned.afterWith = pos;
      }
      if (!std::isdigit(static_cast<unsigned char>(word[0]))) scanned.names.insert(word);
      scanned.tokens.push_back(Token{Token::Kind::Name, start, pos, word});
      lastWord = word;
    } else {
      ++pos;
      scanned.tokens.push_back(Token{Token::Kind::Mark, start, pos, std::string(1, c)});
      lastWord.clear();
    }
    if (pos == std::string::npos) pos = sql.size();
  }
  return scanned;
}

// The names a query may read a row's id by.
constexpr const char* kRowIdNames[] = {"rowid", "oid", "_rowid_"};

// The views and tables of the database (not SQLite's own), by their own names.
void SchemaNames(const DatabaseHandle& handle, std::vector<std::string>& tables,
                 std::vector<std::pair<std::string, std::string>>& views) {
  sqlite3_stmt* list = nullptr;
  int rc = sqlite3_prepare_v2(handle.Get(),
                              "SELECT type, name, sql FROM sqlite_master WHERE type IN ('table', 'view') AND "
                              "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                              -1, &list, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(list);
    handle.Fail(rc, false);
  }
  while ((rc = sqlite3_step(list)) == SQLITE_ROW) {
    const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(list, 0));
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(list, 1));
    const unsigned char* sql = sqlite3_column_text(list, 2);
    if (type == "view")
      views.emplace_back(name, sql ? reinterpret_cast<const char*>(sql) : "");
    else
      tables.push_back(name);
  }
  sqlite3_finalize(list);
  if (rc != SQLITE_DONE) handle.Fail(rc, false);
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
  const PendingWrites& pending = handle.Pending();
  if (!pending.HasKept()) return;
  const Scanned scanned = Scan(sql);
  if (scanned.firstWord != "select" && scanned.firstWord != "values" && scanned.firstWord != "with") return;
  std::vector<std::string> rowIdNames;
  for (const char* name : kRowIdNames)
    if (scanned.names.count(name) != 0) rowIdNames.emplace_back(name);
  std::vector<std::string> tableNames;
  std::vector<std::pair<std::string, std::string>> views;
  SchemaNames(handle, tableNames, views);
  const auto keeps = [&](const std::string& table) {
    return !pending.KeptChangedRows(table).empty() || !pending.KeptNewRows(table).empty();
  };
  // A view reads its tables as the database has them, whatever is laid out
  // under their names here: a query through one that reaches what is kept is
  // refused, never read around.
  for (const auto& [view, definition] : views) {
    if (scanned.names.count(Lower(view)) == 0) continue;
    const Scanned read = Scan(definition);
    bool reachesKept = false;
    for (const std::string& table : tableNames)
      reachesKept = reachesKept || (read.names.count(Lower(table)) != 0 && keeps(table));
    for (const auto& other : views)
      reachesKept = reachesKept || (other.first != view && read.names.count(Lower(other.first)) != 0);
    if (reachesKept)
      throw DbError(kErrDatabase, "The query \"" + sql + "\" reads the view " + view +
                                      ", which cannot read the records kept for the database until they are "
                                      "written; it was not run.");
  }
  std::string tables;
  std::set<std::string> laidOutNames;
  try {
    for (const std::string& table : tableNames) {
      if (scanned.names.count(Lower(table)) == 0) continue;
      const std::string laidOut = LayOut(table, rowIdNames);
      if (laidOut.empty()) continue;
      tables += (tables.empty() ? "" : ", ") + laidOut;
      laidOutNames.insert(Lower(table));
    }
  } catch (...) {
    Empty();
    throw;
  }
  if (tables.empty()) return;
  // "main.<table>" reads what is laid out under the table's name too, but
  // the keyset's own table at its outer FROM, which the keyset lays the kept
  // writes over itself.
  std::string body;
  std::size_t copied = 0;
  bool ownLeft = ownTable.empty();
  const std::vector<Token>& tokens = scanned.tokens;
  for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
    if (tokens[i].kind != Token::Kind::Name || tokens[i].name != "main" || tokens[i + 1].name != "." ||
        tokens[i + 2].kind != Token::Kind::Name || laidOutNames.count(tokens[i + 2].name) == 0)
      continue;
    if (!ownLeft && tokens[i + 2].name == Lower(ownTable)) {
      ownLeft = true;
      continue;
    }
    body += sql.substr(copied, tokens[i].begin - copied);
    copied = tokens[i + 2].begin;
  }
  body += sql.substr(copied);
  const std::size_t afterWith = scanned.afterWith;
  if (afterWith != std::string::npos) {
    // The statement's own WITH lies before anything cut above.
    m_sql = body.substr(0, afterWith) + " " + tables + "," + body.substr(afterWith);
  } else {
    m_sql = "WITH " + tables + " " + body;
  }
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

std::string KeptReadThrough::LayOut(const std::string& table, const std::vector<std::string>& rowIdNames) {
  const PendingWrites& pending = m_handle.Pending();
  const std::vector<long long> changed = pending.KeptChangedRows(table);
  const std::vector<RowKey> added = pending.KeptNewRows(table);
  if (changed.empty() && added.empty()) return std::string();
  std::vector<ColumnInfo> columns;
  const int rc = ReadTableColumns(m_handle.Get(), table, columns);
  if (rc != SQLITE_DONE) m_handle.Fail(rc, false);
  if (columns.empty()) return std::string();

  // The rows a kept write changes (each column with whether a kept value
  // sets it), and the kept new rows with their handles: typed as the table's
  // columns, so a value goes in as the database would store it and reads
  // with its column's affinity. Named by the table and its width.
  const std::string suffix = " of " + table + " (" + std::to_string(columns.size()) + ")";
  const std::string changes = QuoteIdentifier("kept changes" + suffix), rows = QuoteIdentifier("kept rows" + suffix);
  std::string changeColumns = "id INTEGER, present INTEGER", rowColumns = "id INTEGER";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string type = columns[i].declaredType.empty() ? "" : " " + columns[i].declaredType;
    changeColumns += ", " + Numbered("v", i) + type + ", " + Numbered("s", i) + " INTEGER";
    rowColumns += ", " + Numbered("v", i) + type;
  }
  Exec("CREATE TEMP TABLE IF NOT EXISTS " + changes + " (" + changeColumns + ")");
  Exec("CREATE TEMP TABLE IF NOT EXISTS " + rows + " (" + rowColumns + ")");
  m_filled.push_back(changes);
  m_filled.push_back(rows);
  Exec("DELETE FROM temp." + changes);
  Exec("DELETE FROM temp." + rows);

  const std::string quoted = QuoteIdentifier(table);
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
        if (set) BindVariant(change.Get(), static_cast<int>(2 * i + 3), values[i], StorageOf(columns[i]));
        sqlite3_bind_int(change.Get(), static_cast<int>(2 * i + 4), set ? 1 : 0);
      }
      change.Run();
    }
    parameters.clear();
    for (std::size_t p = 0; p <= columns.size(); ++p) parameters += (p ? ", ?" : "?") + std::to_string(p + 1);
    Statement row(m_handle, "INSERT INTO temp." + rows + " VALUES (" + parameters + ")");
    for (const RowKey& key : added) {
      std::vector<Variant> values(columns.size(), Variant::Null());
      std::vector<bool> overlaid;
      bool exists = false;
      pending.Overlay(table, key, values, overlaid, exists);
      if (!exists) continue;
      sqlite3_bind_int64(row.Get(), 1, key.rowId);
      for (std::size_t i = 0; i < columns.size(); ++i)
        BindVariant(row.Get(), static_cast<int>(i + 2), values[i], StorageOf(columns[i]));
      row.Run();
    }
    // Each changed row laid out whole: what no kept value sets, as the database has it.
    if (!changed.empty()) {
      std::string whole;
      for (std::size_t i = 0; i < columns.size(); ++i)
        whole += (i ? ", " : "") + Numbered("v", i) + " = CASE WHEN k." + Numbered("s", i) + " THEN k." +
                 Numbered("v", i) + " ELSE t." + QuoteIdentifier(columns[i].name) + " END";
      Exec("UPDATE temp." + changes + " AS k SET " + whole + " FROM main." + quoted + " AS t WHERE t.rowid = k.id");
    }
  } catch (...) {
    if (ownTransaction) sqlite3_exec(m_handle.Get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (ownTransaction) Exec("COMMIT");

  // Its columns as the table's, and a row's id where the query reads it by a
  // name no column has (a kept new row's: its handle).
  std::string names, fromTable, fromChanges, fromRows;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string name = QuoteIdentifier(columns[i].name);
    names += (i ? ", " : "") + name;
    fromTable += (i ? ", " : "") + name;
    fromChanges += (i ? ", k." : "k.") + Numbered("v", i);
    fromRows += (i ? ", " : "") + Numbered("v", i);
  }
  for (const std::string& rowIdName : rowIdNames) {
    const bool isColumn = std::any_of(columns.begin(), columns.end(),
                                      [&](const ColumnInfo& column) { return Lower(column.name) == rowIdName; });
    if (isColumn) continue;
    names += ", " + rowIdName;
    fromTable += ", rowid";
    fromChanges += ", k.id";
    fromRows += ", id";
  }
  // The database's rows no kept write reaches, those it changes, and the kept new rows last.
  return quoted + "(" + names + ") AS (SELECT " + fromTable + " FROM main." + quoted +
         " WHERE rowid NOT IN (SELECT id FROM temp." + changes + ") UNION ALL SELECT " + fromChanges + " FROM temp." +
         changes + " AS k JOIN main." + quoted + " AS t ON t.rowid = k.id WHERE k.present UNION ALL SELECT " +
         fromRows + " FROM temp." + rows + ")";
}

}  // namespace ruv::db
