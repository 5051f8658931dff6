#include "platform/db/PendingWrites.h"

#include <sqlite3.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"
#include "platform/base/Text.h"
#include "platform/db/ColumnType.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/TableStatements.h"

namespace ruv::db {
namespace {

bool IsBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// A failed kept write the database refuses for good (a rule of the table, a
// value it will never take, a row deleted meanwhile); any other failure (a
// full disk, an I/O error, a read-only or unreachable database) a mended disk
// or database may yet accept.
bool RefusedForGood(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_ERROR:
    case SQLITE_NOTFOUND:
    case SQLITE_MISUSE:
    case SQLITE_AUTH: return true;
    default: return false;
  }
}

// Said of an update or deletion whose row the database does not have: it may
// have been deleted, or the record may name a row that never was.
constexpr const char* kRowNotThere = "the row is not in the database (deleted, or never there)";

// A text read from a journal longer than this is not kept for the next line's.
constexpr std::size_t kBlockOfText = 1 << 16;

// Where a value only names a write (a kept new row's values naming it, the
// journal's description line), a text is cut after this many characters.
constexpr std::size_t kLongestNamingValue = 200;

// A text on one line, as the journal writes it: each record is told on a line
// of its own, so a list can be cut and counted by lines.
std::string OnOneLine(const std::string& text) {
  std::string line;
  AppendJournalField(text, line);
  return line;
}

// The line that tells a person what the record under it is, in a journal or a
// set-aside file: never read back, it only has to stay one line (its texts are
// on one line already).
void AppendDescriptionLine(const std::string& description, std::string& out) {
  out += "# ";
  for (const char c : description) out += (c == '\n' || c == '\r') ? ' ' : c;
  out += '\n';
}

// A value as the operator reads it; a text longer than `longest` is cut there.
std::string ValueText(const Variant& value, std::size_t longest = std::string::npos) {
  switch (value.vt) {
    case VT_NULL:
    case VT_EMPTY: return "NULL";
    case VT_BSTR:
      if (value.bstrVal.size() > longest)
        return "'" + OnOneLine(value.bstrVal.substr(0, longest)) + "'... (" + std::to_string(value.bstrVal.size()) +
               " characters)";
      return "'" + OnOneLine(value.bstrVal) + "'";
    case VT_I2: return std::to_string(value.iVal);
    case VT_I4: return std::to_string(value.lVal);
    case VT_UI1: return std::to_string(value.bVal);
    case VT_BOOL: return value.boolVal ? "-1" : "0";
    case VT_R4: return ruv::Format("%g", static_cast<double>(value.fltVal));
    case VT_R8: return ruv::Format("%.15g", value.dblVal);
    case VT_DATE: return ruv::Format("%.10f", value.date);
    case VT_CY: case VT_DECIMAL: return VariantToString(value);
    default: return "?";
  }
}

// The statements of one transaction of kept writes, each prepared once: a
// transaction writes many records, mostly by the same few statements.
class Statements {
 public:
  explicit Statements(sqlite3* db) : m_db(db) {}
  ~Statements() {
    for (auto& prepared : m_prepared) sqlite3_finalize(prepared.second);
  }
  Statements(const Statements&) = delete;
  Statements& operator=(const Statements&) = delete;

  // `sql` prepared, unbound; nullptr with SQLite's result in `rc` when it cannot be.
  sqlite3_stmt* Get(const std::string& sql, int& rc) {
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
  // Runs `sql`, which returns no rows; SQLITE_DONE when it went in.
  int Run(const std::string& sql) {
    int rc = SQLITE_OK;
    sqlite3_stmt* stmt = Get(sql, rc);
    if (!stmt) return rc;
    rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc;
  }

 private:
  sqlite3* m_db;
  std::unordered_map<std::string, sqlite3_stmt*> m_prepared;
};

// Runs one kept write on row `rowId` (an insert gets its own); SQLite's
// result, or SQLITE_NOTFOUND for an update whose row is gone.
int RunKept(sqlite3* db, Statements& statements, const PendingWrite& write, long long rowId) {
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = statements.Get(write.statement->sql, rc);
  if (!stmt) return rc;
  const std::vector<bool>& boundAsText = write.statement->boundAsText;
  int parameter = 0;
  write.columns.ForEach([&](const KeptValues::Entry& entry) {
    if (entry.column == write.idColumn) return;
    const auto at = static_cast<std::size_t>(parameter);
    const bool asText = at >= boundAsText.size() || boundAsText[at];
    ++parameter;
    if (entry.vt != VT_BSTR) {
      BindVariant(stmt, parameter, entry.number, asText);
    } else {
      // The statement is stepped before the values change: bound where they are.
      const char* data = entry.text.data() ? entry.text.data() : "";
      if (asText)
        sqlite3_bind_text(stmt, parameter, data, static_cast<int>(entry.text.size()), SQLITE_STATIC);
      else
        sqlite3_bind_blob(stmt, parameter, data, static_cast<int>(entry.text.size()), SQLITE_STATIC);
    }
  });
  if (write.kind != PendingWrite::Kind::Insert) sqlite3_bind_int64(stmt, parameter + 1, rowId);
  rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  if (rc == SQLITE_DONE && write.kind == PendingWrite::Kind::Update && sqlite3_changes(db) == 0) return SQLITE_NOTFOUND;
  return rc;
}

// Marks the token of a record to be set aside, in the transaction that
// refused it: before any copy holds the record, so that whichever copy is put
// back, and however often, it is written once. SQLITE_DONE when it went in.
int MarkSetAside(Statements& statements, const std::string& token) {
  const std::string table = std::string("\"") + PendingWrites::kSetAsideTokensTable + "\"";
  int rc = statements.Run("CREATE TABLE IF NOT EXISTS " + table + " (\"Token\" TEXT PRIMARY KEY)");
  if (rc != SQLITE_DONE) return rc;
  sqlite3_stmt* mark = statements.Get("INSERT OR IGNORE INTO " + table + " (Token) VALUES (?1)", rc);
  if (!mark) return rc;
  sqlite3_bind_text(mark, 1, token.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(mark);
  sqlite3_reset(mark);
  return rc;
}

// Waits at most `ms` for the lock in what runs meanwhile, then the handle's own wait again.
class BusyWait {
 public:
  BusyWait(DatabaseHandle& handle, int ms) : m_handle(handle) { sqlite3_busy_timeout(handle.Get(), ms); }
  ~BusyWait() { sqlite3_busy_timeout(m_handle.Get(), m_handle.BusyTimeout()); }
  BusyWait(const BusyWait&) = delete;
  BusyWait& operator=(const BusyWait&) = delete;

 private:
  DatabaseHandle& m_handle;
};

// Checks the records read from a journal against the database: a table of
// the program's own, columns it has (and the program writes), values that
// suit them; and builds their statements as the recordsets do, every value
// bound and an update or deletion reaching the one row named. What records
// of one kind, table and set of columns share is checked and built once.
class JournalShapes {
 public:
  JournalShapes(sqlite3* db, const std::vector<std::string>& ownTables) : m_db(db), m_ownTables(ownTables) {}

  // `line`'s write, checked, its values coerced for their columns and added in
  // the table's order (an insert's id column first, showing `rowHandle`).
  // False with `why` otherwise.
  bool Build(JournalLine& line, long long rowHandle, std::string& why) {
    PendingWrite& write = line.write;
    m_key.assign(1, static_cast<char>('0' + static_cast<int>(write.kind)));
    m_key += write.table;
    for (std::size_t i = 0; i < line.count; ++i) {
      m_key += '\t';
      m_key += line.names[i];
    }
    auto found = m_shapes.find(m_key);
    if (found == m_shapes.end()) found = m_shapes.emplace(m_key, MakeShape(line)).first;
    const Shape& shape = found->second;
    // Checked in the line's order: a value that does not suit its column is
    // told before a later column the table lacks.
    const std::size_t checked = std::min(shape.badAt, line.count);
    for (std::size_t i = 0; i < checked; ++i) {
      const ColumnInfo& column = (*shape.columns)[static_cast<std::size_t>(shape.index[i])];
      Variant& value = line.values[i];
      // A text that suits its text column as it is needs no copy.
      if (value.vt == VT_BSTR && column.type == VT_BSTR &&
          (column.maxLength <= 0 || ruv::Utf8Length(value.bstrVal) <= static_cast<std::size_t>(column.maxLength)))
        continue;
      try {
        value = CoerceForColumn(column, value);
      } catch (const DbError& error) {
        why = "the value of " + column.name + ": " + error.Description();
        return false;
      }
    }
    if (!shape.why.empty()) {
      why = shape.why;
      return false;
    }
    write.table = shape.table;
    write.statement = shape.statement;
    write.idColumn = shape.idColumn;
    write.columns.clear();
    if (shape.idColumn >= 0) write.columns.Add(shape.idColumn, Variant::I4(static_cast<std::int32_t>(rowHandle)));
    for (const int at : shape.order)
      write.columns.Add(shape.index[static_cast<std::size_t>(at)], line.values[static_cast<std::size_t>(at)]);
    return true;
  }

  // The columns of each table read, by its own name.
  const std::map<std::string, std::vector<ColumnInfo>>& Tables() const { return m_tables; }

 private:
  struct Shape {
    std::string why;  // why no such record can be written ("" when they can)
    std::size_t badAt = SIZE_MAX;  // the line's value that `why` is about (SIZE_MAX: none of them)
    std::string table;             // the table's own name
    const std::vector<ColumnInfo>* columns = nullptr;
    std::vector<int> index;  // per value of the line, its column in the table
    std::vector<int> order;  // the line's values in the table's order
    int idColumn = -1;
    std::shared_ptr<const KeptStatement> statement;
  };

  Shape MakeShape(const JournalLine& line) {
    Shape shape;
    shape.badAt = 0;
    const PendingWrite& write = line.write;
    const auto own = std::find_if(m_ownTables.begin(), m_ownTables.end(),
                                  [&](const std::string& name) { return ruv::EqualsNoCase(name, write.table); });
    if (own == m_ownTables.end() || ruv::EqualsNoCase(write.table, PendingWrites::kWrittenTokensTable)) {
      shape.why = "the table \"" + write.table + "\" is not one of the program's";
      return shape;
    }
    shape.table = *own;
    auto known = m_tables.find(shape.table);
    if (known == m_tables.end()) {
      std::vector<ColumnInfo> columns;
      const int rc = ReadTableColumns(m_db, shape.table, columns);
      if (rc != SQLITE_DONE || columns.empty()) {
        shape.why = rc != SQLITE_DONE ? "the table " + shape.table + " cannot be read: " + sqlite3_errstr(rc)
                                      : "the database has no table " + shape.table;
        return shape;
      }
      known = m_tables.emplace(shape.table, std::move(columns)).first;
    }
    const std::vector<ColumnInfo>& columns = known->second;
    shape.columns = &columns;
    for (std::size_t i = 0; i < line.count; ++i, ++shape.badAt) {
      const std::string& name = line.names[i];
      const auto column = std::find_if(columns.begin(), columns.end(),
                                       [&](const ColumnInfo& info) { return ruv::EqualsNoCase(info.name, name); });
      if (column == columns.end()) {
        shape.why = "the table " + shape.table + " has no column \"" + name + "\"";
        return shape;
      }
      const int index = static_cast<int>(column - columns.begin());
      if (column->autoNumber) {
        shape.why = "the column " + column->name + " is numbered by the database";
        return shape;
      }
      if (std::find(shape.index.begin(), shape.index.end(), index) != shape.index.end()) {
        shape.why = "the column " + column->name + " is given twice";
        return shape;
      }
      shape.index.push_back(index);
    }
    shape.badAt = SIZE_MAX;
    // Bound in the table's order, as the recordsets bind them.
    for (std::size_t i = 0; i < line.count; ++i) shape.order.push_back(static_cast<int>(i));
    std::sort(shape.order.begin(), shape.order.end(), [&](int a, int b) {
      return shape.index[static_cast<std::size_t>(a)] < shape.index[static_cast<std::size_t>(b)];
    });
    auto statement = std::make_shared<KeptStatement>();
    std::vector<bool> isGiven(columns.size(), false);
    std::vector<int> bound;
    for (const int at : shape.order) {
      const auto index = static_cast<std::size_t>(shape.index[static_cast<std::size_t>(at)]);
      isGiven[index] = true;
      statement->boundAsText.push_back(HasTextAffinity(columns[index]));
      bound.push_back(static_cast<int>(index));
    }
    switch (write.kind) {
      case PendingWrite::Kind::Insert:
        // Shows the kept new row's handle until it is written.
        for (std::size_t i = 0; i < columns.size(); ++i)
          if (columns[i].rowIdAlias) shape.idColumn = static_cast<int>(i);
        bound.clear();
        statement->sql = InsertStatement(shape.table, columns, isGiven, bound);
        break;
      case PendingWrite::Kind::Update: statement->sql = UpdateStatement(shape.table, columns, bound); break;
      case PendingWrite::Kind::Delete: statement->sql = DeleteStatement(shape.table); break;
    }
    shape.statement = std::move(statement);
    return shape;
  }

  sqlite3* m_db;
  const std::vector<std::string>& m_ownTables;
  std::map<std::string, std::vector<ColumnInfo>> m_tables;
  std::unordered_map<std::string, Shape> m_shapes;  // by kind, table and the line's column names
  std::string m_key;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Kept new rows are numbered across every connection of the process: a handle
// held from a connection closed since never names a row of a later one.
std::atomic<long long> g_lastNewRow{0};

std::function<bool()>& DeathAfterWrite() {
  static std::function<bool()> hook;
  return hook;
}

std::function<bool()>& DeathAfterSetAside() {
  static std::function<bool()> hook;
  return hook;
}

bool TableExists(sqlite3* db, const char* table) {
  sqlite3_stmt* stmt = nullptr;
  bool exists = false;
  if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", -1, &stmt, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
    exists = sqlite3_step(stmt) == SQLITE_ROW;
  }
  sqlite3_finalize(stmt);
  return exists;
}

}  // namespace

void BindVariant(sqlite3_stmt* stmt, int parameter, const Variant& value, bool asText) {
  switch (value.vt) {
    case VT_NULL: case VT_EMPTY: sqlite3_bind_null(stmt, parameter); break;
    case VT_I2: sqlite3_bind_int64(stmt, parameter, value.iVal); break;
    case VT_I4: sqlite3_bind_int64(stmt, parameter, value.lVal); break;
    case VT_UI1: sqlite3_bind_int64(stmt, parameter, value.bVal); break;
    case VT_BOOL: sqlite3_bind_int64(stmt, parameter, value.boolVal); break;
    case VT_R4: sqlite3_bind_double(stmt, parameter, value.fltVal); break;
    case VT_R8: sqlite3_bind_double(stmt, parameter, value.dblVal); break;
    case VT_DATE: sqlite3_bind_double(stmt, parameter, value.date); break;
    case VT_CY:
    case VT_DECIMAL: {
      // Their exact digits; the column's numeric affinity stores them as a number.
      const std::string text = VariantToString(value);
      sqlite3_bind_text(stmt, parameter, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      break;
    }
    default: {
      const std::string& text = value.bstrVal;
      if (asText)
        sqlite3_bind_text(stmt, parameter, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      else
        sqlite3_bind_blob(stmt, parameter, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      break;
    }
  }
}

bool PendingWrites::WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, RowKey& row,
                                const std::function<int(long long rowId)>& write,
                                const std::function<PendingWrite()>& keep, int& rc) {
  bool kept = false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    // One transaction of them at most: a long queue is the writing's to work
    // through, not a cycle's write's.
    if (!m_kept.empty()) WriteKeptLocked(handle, 0, 1);
    const NewRowState state = Resolve(row);
    if (state == NewRowState::Lost) {
      rc = SQLITE_NOTFOUND;
    } else {
      // A kept new row is reached only behind its insert: the queue is not
      // empty. Nothing overtakes what waits for the next start either.
      const bool behind = !m_kept.empty() || !m_forNextStart.empty() || state == NewRowState::Kept;
      if (!behind) {
        BusyWait wait(handle, busyWaitMs);
        rc = write(row.rowId);
      }
      if (behind || IsBusy(rc)) {
        if (!behind) {
          m_heldBy = rc & 0xFF;
          m_progress = Progress::Waiting;
        }
        PendingWrite made = keep();
        if (made.kind == PendingWrite::Kind::Insert) {
          made.newRow = TakeNewRowNumber();
          made.rowId = KeptRowHandle(made.newRow);
          m_newRows[made.newRow] = NewRow{NewRowState::Kept, 0, made.table};
          row = RowKey{made.rowId, made.newRow};
        } else {
          made.rowId = row.rowId;
          made.newRow = row.newRow;
        }
        Keep(std::move(made));
        rc = SQLITE_DONE;
        kept = true;
      }
    }
  }
  TellFailed();
  return kept;
}

long long PendingWrites::TakeNewRowNumber() {
  return m_reservedNewRow != 0 ? std::exchange(m_reservedNewRow, 0) : ++g_lastNewRow;
}

void PendingWrites::Keep(PendingWrite write) {
  if (m_tokenPrefix.empty()) {
    // Unique to this run, among every program on the database too: the journal
    // may hold tokens of an earlier run, the table those of another program.
    std::random_device device;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    m_tokenPrefix = ruv::Format("%x-%llx-%08x%08x-", static_cast<unsigned>(::getpid()),
                                static_cast<unsigned long long>(now), device(), device());
    m_ownTokenPrefixes.push_back(m_tokenPrefix);
  }
  write.token = m_tokenPrefix + std::to_string(++m_lastToken);
  // One statement text for every write made by it.
  if (write.statement) {
    auto& shared = m_statements[write.statement->sql];
    if (!shared || shared->boundAsText != write.statement->boundAsText ||
        shared->columnNames != write.statement->columnNames)
      shared = write.statement;
    write.statement = shared;
  }
  Changed();
  if (!m_retriesEnded) {
    m_kept.push_back(std::move(write));
    SaveJournal();
  } else if (!m_journal.empty()) {
    m_forNextStart.push_back(write);
    SaveJournal();
    // Behind what the close could not write, for what held that.
    if (m_forNextStart.back().inJournal) {
      m_failed.push_back(DescribeOne(write) + " (" + AtTheClose() +
                         ": kept for the next start, which writes it once the database takes it)");
    } else {
      // Only the report has it: nothing may write it behind the operator's back.
      m_forNextStart.pop_back();
      Changed();
      Drop(write, AtTheClose() + ", and the journal could not be written: enter it again by hand");
    }
  } else {
    Drop(write, "after the close " + CauseText(m_heldBy));
  }
}

bool PendingWrites::WriteKept(DatabaseHandle& handle, int busyWaitMs) {
  return WriteKeptSome(handle, busyWaitMs, SIZE_MAX) == Progress::AllWritten;
}

PendingWrites::Progress PendingWrites::WriteKeptSome(DatabaseHandle& handle, int busyWaitMs,
                                                     std::size_t mostTransactions) {
  Progress progress;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    progress = WriteKeptLocked(handle, busyWaitMs, mostTransactions);
  }
  TellFailed();
  return progress;
}

bool PendingWrites::MoreToWrite() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_progress == Progress::More && !m_kept.empty();
}

bool PendingWrites::JournalHoldsAll() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_journal.empty() && !JournalPutBackLocked() &&
         std::all_of(m_kept.begin(), m_kept.end(), [](const PendingWrite& write) { return write.inJournal; });
}

void PendingWrites::Drop(const PendingWrite& write, const std::string& why) {
  m_failed.push_back(DescribeOne(write) + " (" + why + ")");
  if (write.kind == PendingWrite::Kind::Insert) MarkLost(write);
}

void PendingWrites::MarkLost(const PendingWrite& insert) {
  m_newRows[insert.newRow].state = NewRowState::Lost;
  m_lostRowIdentities[insert.newRow] = Identity(insert, kLongestNamingValue);
}

// With a journal, a kept write and its token go in together: one that went in
// before the journal lost it is found by its token and not written again.
// Each write has a savepoint of its own inside the transaction: one the
// database refuses is taken back alone, and the others go in. A record of a
// journal taken over that it refuses has its token marked in the same
// transaction, and is set aside once that is in: it is either written, or
// marked and set aside; while the mark cannot go in, it waits in the journal.
PendingWrites::BatchEnd PendingWrites::WriteBatch(DatabaseHandle& handle) {
  sqlite3* db = handle.Get();
  const bool withTokens = !m_journal.empty();
  const std::string tokens = std::string("\"") + kWrittenTokensTable + "\"";
  enum class Result { Written, Refused };
  struct Outcome {
    Result result;
    long long rowId;  // the row written
    std::string why;  // why it was refused
  };
  std::vector<Outcome> outcomes;
  int waitRc = SQLITE_OK;  // what the first write not done waits on
  std::size_t most = std::min(m_kept.size(), DeathAfterWrite() ? std::size_t{1} : kWritesPerTransaction);
  // The first write's failure took a whole transaction back: refused for
  // good, it is taken as refused in the next, without running it again.
  int firstRefusedRc = SQLITE_OK;
  std::string firstRefusedWhy;
  for (;;) {
    outcomes.clear();
    waitRc = Exec(db, "BEGIN IMMEDIATE");
    if (waitRc != SQLITE_OK) break;
    Statements statements(db);
    if (withTokens) {
      const int rc = statements.Run("CREATE TABLE IF NOT EXISTS " + tokens + " (\"Token\" TEXT PRIMARY KEY, \"RowId\" INTEGER)");
      if (rc != SQLITE_DONE) {
        Exec(db, "ROLLBACK");
        waitRc = rc;
        break;
      }
    }
    // The kept new rows this transaction made: their ids (kNoRowId: refused).
    std::map<long long, long long> madeHere;
    // A failure that took the whole transaction back (a rule that rolls back,
    // or a mark that could not go in): the writes before it go again alone.
    std::size_t takenBackAt = most;
    int takenBackRc = SQLITE_OK;
    std::string takenBackWhy;
    bool markTakenBack = false;
    for (std::size_t n = 0; n < most; ++n) {
      const PendingWrite& write = m_kept[n];
      const bool insert = write.kind == PendingWrite::Kind::Insert;
      RowKey row{write.rowId, insert ? 0 : write.newRow};
      bool lost = false;
      if (const auto made = madeHere.find(row.newRow); row.newRow != 0 && made != madeHere.end()) {
        lost = made->second == kNoRowId;
        row = RowKey{made->second, 0};
      } else {
        lost = Resolve(row) == NewRowState::Lost;
      }
      std::string why;  // why it is refused for good
      if (lost) {
        why = "the new row it belongs to could not be written";
      } else if (n == 0 && firstRefusedRc != SQLITE_OK) {
        why = firstRefusedWhy;
      } else {
        int rc = statements.Run("SAVEPOINT kept");
        long long gotRowId = 0;
        bool already = false;
        if (rc == SQLITE_DONE && withTokens) {
          sqlite3_stmt* find = statements.Get("SELECT RowId FROM " + tokens + " WHERE Token = ?1", rc);
          if (find) {
            sqlite3_bind_text(find, 1, write.token.c_str(), -1, SQLITE_TRANSIENT);
            rc = sqlite3_step(find);
            already = rc == SQLITE_ROW;
            if (already) gotRowId = sqlite3_column_int64(find, 0);
            sqlite3_reset(find);
            if (rc == SQLITE_ROW) rc = SQLITE_DONE;
          }
        }
        // The database's own words for a refusal (a rule's message), taken
        // before anything else runs on the connection.
        std::string refusal;
        if (rc == SQLITE_DONE && !already) {
          rc = RunKept(db, statements, write, row.rowId);
          if (rc != SQLITE_DONE && rc != SQLITE_NOTFOUND) refusal = sqlite3_errmsg(db);
          gotRowId = insert ? sqlite3_last_insert_rowid(db) : row.rowId;
          if (rc == SQLITE_DONE && withTokens) {
            sqlite3_stmt* note = statements.Get("INSERT INTO " + tokens + " (Token, RowId) VALUES (?1, ?2)", rc);
            if (note) {
              sqlite3_bind_text(note, 1, write.token.c_str(), -1, SQLITE_TRANSIENT);
              sqlite3_bind_int64(note, 2, gotRowId);
              rc = sqlite3_step(note);
              sqlite3_reset(note);
            }
          }
        }
        if (rc == SQLITE_DONE) {
          statements.Run("RELEASE kept");
          outcomes.push_back({Result::Written, gotRowId, std::string()});
          if (insert) madeHere[write.newRow] = gotRowId;
          continue;
        }
        if (refusal.empty() && rc != SQLITE_NOTFOUND) refusal = sqlite3_errstr(rc);
        if (sqlite3_get_autocommit(db)) {
          takenBackAt = n;
          takenBackRc = rc;
          takenBackWhy = refusal;
          break;
        }
        statements.Run("ROLLBACK TO kept");
        statements.Run("RELEASE kept");
        if (!RefusedForGood(rc)) {
          waitRc = rc;  // it waits, and what is kept behind it with it
          break;
        }
        why = rc == SQLITE_NOTFOUND ? kRowNotThere : refusal;
      }
      if (write.fromJournal) {
        if (const int rc = MarkSetAside(statements, write.token); rc != SQLITE_DONE) {
          // Not set aside unmarked: it stays in the journal, and waits.
          if (sqlite3_get_autocommit(db)) {
            takenBackAt = n;
            takenBackRc = rc;
            markTakenBack = true;
          } else {
            waitRc = rc;
          }
          break;
        }
      }
      outcomes.push_back({Result::Refused, 0, why});
      if (insert) madeHere[write.newRow] = kNoRowId;
    }
    if (takenBackAt < most) {
      if (takenBackAt > 0) {
        most = takenBackAt;
        continue;
      }
      outcomes.clear();
      if (RefusedForGood(takenBackRc) && !markTakenBack && firstRefusedRc == SQLITE_OK) {
        firstRefusedRc = takenBackRc;
        firstRefusedWhy = takenBackWhy.empty() ? sqlite3_errstr(takenBackRc) : takenBackWhy;
        continue;
      }
      waitRc = takenBackRc;
      break;
    }
    if (const int rc = Exec(db, "COMMIT"); rc != SQLITE_OK) {
      Exec(db, "ROLLBACK");
      outcomes.clear();
      waitRc = rc;
    }
    break;
  }
  // What went in (or was refused) is done with, in order.
  std::size_t done = 0;
  for (; done < outcomes.size(); ++done) {
    const PendingWrite& write = m_kept[done];
    if (outcomes[done].result == Result::Refused) {
      Refuse(write, outcomes[done].why);
      continue;
    }
    m_waitingCause = 0;
    if (write.kind == PendingWrite::Kind::Insert) NoteWritten(write, outcomes[done].rowId);
    if (DeathAfterWrite() && DeathAfterWrite()()) {
      m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(done));
      Changed();
      return BatchEnd::Died;
    }
  }
  // The records of a journal it refused are set aside together, once per
  // transaction: their tokens went in with it.
  WriteAside();
  m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(done));
  Changed();
  if (std::exchange(m_diedForTest, false)) return BatchEnd::Died;
  if (waitRc == SQLITE_OK || waitRc == SQLITE_DONE) return BatchEnd::Written;
  // What holds them, for every sentence about them.
  m_heldBy = waitRc & 0xFF;
  if (!IsBusy(waitRc) && !m_kept.empty()) TellWaiting(m_kept.front(), waitRc);
  return BatchEnd::Waiting;
}

PendingWrites::Progress PendingWrites::WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs,
                                                       std::size_t mostTransactions) {
  if (!handle.IsOpen()) return m_progress = m_kept.empty() ? Progress::AllWritten : Progress::Waiting;
  // A file put at the journal's name took the place of the one that held this
  // run's records, which are now only in memory; a file put back beside it
  // is taken over as well. The journal is rewritten with both at once, before
  // anything is written: a kill meanwhile must find them in it.
  if (JournalPutBackLocked() || PutBackWaitingLocked()) SaveJournal(true);
  const Progress progress = WriteAndSave(handle, busyWaitMs, mostTransactions);
  TellPutBack(progress);
  return progress;
}

PendingWrites::Progress PendingWrites::WriteAndSave(DatabaseHandle& handle, int busyWaitMs,
                                                    std::size_t mostTransactions) {
  BusyWait wait(handle, busyWaitMs);
  const std::size_t before = m_kept.size();
  Progress progress = Progress::AllWritten;
  for (std::size_t transactions = 0; !m_kept.empty(); ++transactions) {
    if (transactions == mostTransactions) {
      progress = Progress::More;
      break;
    }
    const BatchEnd end = WriteBatch(handle);
    if (end == BatchEnd::Died) return m_progress = Progress::More;
    if (end == BatchEnd::Waiting) {
      progress = Progress::Waiting;
      break;
    }
  }
  m_progress = progress;
  if (m_kept.size() == before && !m_journalBehind) return progress;
  // The journal is rewritten once the writing stops: meanwhile the tokens of
  // what went in tell it apart.
  if (progress == Progress::More) {
    m_journalBehind = true;
    return progress;
  }
  // Once the journal no longer names any written token they are forgotten (at
  // the next chance if the lock is back); never while a journal still may.
  // Only this run's tokens, and those of the journal it took over: another
  // program on the database may still need its own. A token once set aside
  // stays: a copy of its record may still be put back.
  if (SaveJournal() && m_kept.empty() && m_forNextStart.empty() && !m_journal.empty()) {
    sqlite3_busy_timeout(handle.Get(), 0);
    sqlite3_stmt* stmt = nullptr;
    std::string sql = std::string("DELETE FROM \"") + kWrittenTokensTable +
                      "\" WHERE substr(Token, 1, length(?1)) = ?1";
    if (TableExists(handle.Get(), kSetAsideTokensTable))
      sql += std::string(" AND Token NOT IN (SELECT Token FROM \"") + kSetAsideTokensTable + "\")";
    if (sqlite3_prepare_v2(handle.Get(), sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
      for (const std::string& prefix : m_ownTokenPrefixes) {
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, prefix.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_DONE) break;
      }
    }
    sqlite3_finalize(stmt);
  }
  // The rewrite took in a journal put at its name meanwhile: its records are
  // the writing's to go on with.
  if (progress == Progress::AllWritten && !m_kept.empty()) progress = m_progress = Progress::More;
  return progress;
}

std::string PendingWrites::CauseText(int rc) {
  if (rc == 0 || IsBusy(rc)) return kLockedCause;
  return std::string("the database cannot take writes (") + sqlite3_errstr(rc) + ")";
}

std::string PendingWrites::WaitingCause() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  // Stopped at its bound while the database took them: nothing held them but time.
  if (m_progress == Progress::More) return m_retriesEnded ? kCloseTimeCause : kBeingWrittenCause;
  return CauseText(m_heldBy);
}

std::string PendingWrites::AtTheClose() const {
  if (m_progress == Progress::More)
    return "the close's time ran out while the database still took the records kept before it";
  return "at the close " + CauseText(m_heldBy);
}

// Told once per cause, not at every try: the retry timer comes every second.
void PendingWrites::TellWaiting(const PendingWrite& write, int rc) {
  if ((rc & 0xFF) == m_waitingCause) return;
  m_waitingCause = rc & 0xFF;
  m_failed.push_back(DescribeOne(write) + " (" + sqlite3_errstr(rc) +
                     ": it waits, with the records kept behind it, and they are written once the database takes them)");
}

// A write refused for good is told; a record of a journal taken over is set
// aside, to be put back once the cause is mended.
void PendingWrites::Refuse(const PendingWrite& write, const std::string& why) {
  if (m_refusedAtStart) m_refusedAtStart->emplace_back(write.token, DescribeOne(write));
  Drop(write, why);
  if (!write.fromJournal) return;
  // As it stands: a change of a new row written since names the row by its id
  // (its insert is not set aside); one whose insert was refused too goes with it.
  PendingWrite aside = write;
  RowKey row{write.rowId, write.newRow};
  if (write.kind != PendingWrite::Kind::Insert && write.newRow != 0 && Resolve(row) == NewRowState::Written) {
    aside.rowId = row.rowId;
    aside.newRow = 0;
  }
  m_refusedNotAside.push_back(std::move(aside));
}

// The set-aside copy is a journal of the refused records alone: put back as
// the journal, it writes each of them once and nothing else. A record leaves
// the journal only once that copy holds it; its token was marked in the
// transaction that refused it (WriteBatch).
void PendingWrites::WriteAside() {
  if (m_refusedNotAside.empty()) return;
  // A copy moved away (put back, say) or changed since is no longer this
  // run's to rewrite: the records refused from now on begin a new one.
  if (!m_asidePath.empty() && !(KeptWriteJournal::StampOf(m_asidePath) == m_asideStamp)) m_asidePath.clear();
  if (m_asidePath.empty()) {
    m_asidePath = KeptWriteJournal::AsideName(m_journal, KeptWriteJournal::Aside::Refused);
    m_asideContent = std::string(kJournalHeading) + "\n";
  }
  std::string content = m_asideContent;
  for (const PendingWrite& refused : m_refusedNotAside) {
    AppendDescriptionLine(DescribeOne(refused, kLongestNamingValue), content);
    const auto table = m_tableColumns.find(refused.table);
    AppendJournalWrite(refused, content, table == m_tableColumns.end() ? nullptr : &table->second);
    content += "\n";
  }
  std::string error;
  const std::string there = OwnFile::WhatIsThere(m_asidePath, m_database);
  const bool saved = there.empty() ? WriteFileAtomically(m_asidePath, content, &error)
                                   : (error = "there is " + there + " at its name", false);
  if (saved) {
    m_asideContent = std::move(content);
    m_asideStamp = KeptWriteJournal::StampOf(m_asidePath);
    m_refusedNotAside.clear();
    if (m_takenOverAside != m_asidePath)
      m_failed.push_back("The database refused records of a journal taken over (told here); they are set aside as " +
                         m_asidePath + ", which holds them alone: once the cause is mended, rename it to " +
                         m_journal + KeptWriteJournal::kPutBackSuffix +
                         " (or any name that begins so), while the program runs or before its next start: either "
                         "takes it over and writes each of them once. Or enter them again by hand.");
    m_takenOverAside = m_asidePath;
    m_asideTrouble.clear();
    if (DeathAfterSetAside() && DeathAfterSetAside()()) m_diedForTest = true;
    return;  // the journal is rewritten without them once the writing stops
  }
  if (m_takenOverAside.empty() || m_takenOverAside[0] == '(') m_takenOverAside = "(it could not be written: " + error + ")";
  if (error != m_asideTrouble)
    m_failed.push_back("The database refused records of a journal taken over (told here); they could not be set "
                       "aside as " + m_asidePath + " (" + error + "): they stay in the journal " + m_journal +
                       ", and the next start tries them again.");
  m_asideTrouble = error;
}

void PendingWrites::NoteWritten(const PendingWrite& write, long long rowId) {
  NewRow& row = m_newRows[write.newRow];
  row.state = NewRowState::Written;
  row.rowId = rowId;
}

long long PendingWrites::FollowRowId(const std::string& table, long long id) const {
  if (!IsKeptRowHandle(id)) return id;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  const auto found = m_newRows.find(kNoRowId - id);
  if (found == m_newRows.end() || found->second.state != NewRowState::Written ||
      !ruv::EqualsNoCase(found->second.table, table))
    return id;
  return found->second.rowId;
}

long long PendingWrites::NextRowHandle() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_reservedNewRow == 0) m_reservedNewRow = ++g_lastNewRow;
  return KeptRowHandle(m_reservedNewRow);
}

bool PendingWrites::HasKept() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_kept.empty() || !m_forNextStart.empty();
}

std::size_t PendingWrites::KeptCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_kept.size();
}

void PendingWrites::SetFailureSink(FailureSink sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_sink = std::move(sink);
}

std::vector<std::string> PendingWrites::TakeFailed() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return std::exchange(m_failed, {});
}

// Told outside the lock: the sink may show a box or write a file.
void PendingWrites::TellFailed() {
  FailureSink sink;
  NoticeSink noticeSink;
  std::vector<std::string> failed, notices;
  bool afterLastTry;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_sink) failed = std::exchange(m_failed, {});
    if (m_noticeSink) notices = std::exchange(m_notices, {});
    else m_notices.clear();
    sink = m_sink;
    noticeSink = m_noticeSink;
    afterLastTry = m_retriesEnded;
  }
  if (!failed.empty()) sink(failed, afterLastTry);
  if (!notices.empty()) noticeSink(notices);
}

void PendingWrites::SetNoticeSink(NoticeSink sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_noticeSink = std::move(sink);
}

std::string PendingWrites::EndRetries(std::string* notInJournal) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_retriesEnded = true;
  std::string text;
  // Out of the queue before the journal is written: each of them is in it once.
  std::deque<PendingWrite> left = std::exchange(m_kept, {});
  const std::size_t count = left.size();
  Changed();
  if (!m_journal.empty()) {
    // Still in the journal: the next start writes them. Moved, not copied: a
    // long journal's rest is not held twice.
    for (; !left.empty(); left.pop_front()) m_forNextStart.push_back(std::move(left.front()));
    // One more chance before it is said; or it still holds what was written since.
    if (!m_journalTrouble.empty() || m_journalBehind) SaveJournal();
  }
  // At the end still: a journal put back, taken in by the rewrite, goes before them.
  std::deque<PendingWrite>& list = m_journal.empty() ? left : m_forNextStart;
  const std::size_t from = list.size() - count;
  KeptInserts inserts;
  std::size_t listed = 0, notListed = 0;
  bool anyOnlyReported = false;
  for (std::size_t i = from; i < list.size(); ++i) {
    const PendingWrite& write = list[i];
    const bool inJournal = !m_journal.empty() && write.inJournal;
    if (inJournal && listed == kMostListedRecords) {
      // The journal holds it: counted, not listed (a long journal's rest).
      ++notListed;
      if (write.kind == PendingWrite::Kind::Insert) inserts[write.newRow] = &write;
      continue;
    }
    if (m_journal.empty() || inJournal || !notInJournal) {
      text += DescribeOne(write, std::string::npos, &inserts) + "\n";
      if (inJournal) ++listed;
      continue;
    }
    // Only the report has it: the operator enters it again, so nothing may write it later.
    *notInJournal += DescribeOne(write, std::string::npos, &inserts) + "\n";
    anyOnlyReported = true;
  }
  if (notListed > 0) text += NotListedLine(listed + notListed, listed, "the journal beside the database holds every one");
  if (m_journal.empty()) {
    for (const PendingWrite& write : left)
      if (write.kind == PendingWrite::Kind::Insert) MarkLost(write);
  } else if (anyOnlyReported) {
    std::deque<PendingWrite> kept;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (i < from || list[i].inJournal) {
        kept.push_back(std::move(list[i]));
      } else if (list[i].kind == PendingWrite::Kind::Insert) {
        MarkLost(list[i]);
      }
    }
    m_forNextStart = std::move(kept);
    Changed();
  }
  return text;
}

bool PendingWrites::RetriesEnded() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_retriesEnded;
}

PendingWrites::NewRowState PendingWrites::Resolve(RowKey& row) const {
  if (row.newRow == 0) return NewRowState::Written;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  const auto found = m_newRows.find(row.newRow);
  if (found == m_newRows.end()) return NewRowState::Lost;
  if (found->second.state == NewRowState::Written) row = RowKey{found->second.rowId, 0};
  return found->second.state;
}

const PendingWrites::TableIndex& PendingWrites::IndexOf(const std::string& table) const {
  if (m_indexVersion != m_version) {
    m_indexes.clear();
    m_indexVersion = m_version;
  }
  const std::string key = ruv::ToLowerAscii(table);
  if (const auto found = m_indexes.find(key); found != m_indexes.end()) return found->second;
  TableIndex& index = m_indexes[key];
  std::unordered_set<long long> deletedNewRows, changed;
  for (const auto* list : {&m_kept, &m_forNextStart}) {
    for (const PendingWrite& write : *list) {
      if (!ruv::EqualsNoCase(write.table, table)) continue;
      if (write.newRow != 0) {
        index.byNewRow[write.newRow].push_back(&write);
        if (write.kind == PendingWrite::Kind::Insert) index.newRows.push_back(RowKey{write.rowId, write.newRow});
        if (write.kind == PendingWrite::Kind::Delete) deletedNewRows.insert(write.newRow);
        continue;
      }
      index.byRowId[write.rowId].push_back(&write);
      if (write.kind != PendingWrite::Kind::Insert && changed.insert(write.rowId).second)
        index.changedRows.push_back(write.rowId);
    }
  }
  std::erase_if(index.newRows, [&](const RowKey& row) { return deletedNewRows.count(row.newRow) != 0; });
  return index;
}

void PendingWrites::Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values,
                            std::vector<bool>& overlaid, bool& exists) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  overlaid.assign(values.size(), false);
  const TableIndex& index = IndexOf(table);
  const auto& byRow = row.newRow != 0 ? index.byNewRow : index.byRowId;
  const auto found = byRow.find(row.newRow != 0 ? row.newRow : row.rowId);
  if (found == byRow.end()) return;
  for (const PendingWrite* write : found->second) {
    if (write->kind == PendingWrite::Kind::Delete) {
      exists = false;
      continue;
    }
    if (write->kind == PendingWrite::Kind::Insert) {
      exists = true;
      std::fill(values.begin(), values.end(), Variant::Null());
      std::fill(overlaid.begin(), overlaid.end(), true);
    }
    write->columns.ForEach([&](const KeptValues::Entry& entry) {
      if (entry.column < 0 || static_cast<std::size_t>(entry.column) >= values.size()) return;
      values[static_cast<std::size_t>(entry.column)] = entry.ToVariant();
      overlaid[static_cast<std::size_t>(entry.column)] = true;
    });
  }
}

std::vector<RowKey> PendingWrites::KeptNewRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return IndexOf(table).newRows;
}

std::vector<long long> PendingWrites::KeptChangedRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return IndexOf(table).changedRows;
}

// A kept new row's values but its id (it has none yet): what names it in a report.
std::string PendingWrites::Identity(const PendingWrite& insert, std::size_t longestValue) const {
  std::string text;
  std::size_t i = 0;
  insert.columns.ForEach([&](const KeptValues::Entry& entry) {
    const std::size_t at = i++;
    if (entry.column == insert.idColumn) return;
    text += (text.empty() ? "" : ", ") + ColumnName(insert, at, entry.column) + " = " +
            ValueText(entry.ToVariant(), longestValue);
  });
  return text;
}

std::string PendingWrites::NewRowIdentity(long long newRow, const KeptInserts* inserts) const {
  if (const auto lost = m_lostRowIdentities.find(newRow); lost != m_lostRowIdentities.end()) return lost->second;
  if (inserts) {
    if (const auto found = inserts->find(newRow); found != inserts->end())
      return Identity(*found->second, kLongestNamingValue);
  }
  // Its insert is still kept (or set aside): it is named by its values.
  for (const auto* list : {&m_kept, &m_forNextStart})
    for (const PendingWrite& write : *list)
      if (write.kind == PendingWrite::Kind::Insert && write.newRow == newRow) return Identity(write, kLongestNamingValue);
  for (const PendingWrite& write : m_refusedNotAside)
    if (write.kind == PendingWrite::Kind::Insert && write.newRow == newRow) return Identity(write, kLongestNamingValue);
  return "?";
}

std::string PendingWrites::DescribeOne(const PendingWrite& write, std::size_t longestValue,
                                       KeptInserts* inserts) const {
  // A write to a kept new row names the row by its id once it has one, else by its values.
  std::string row = "row " + std::to_string(write.rowId) + " of " + write.table;
  if (write.newRow != 0 && write.kind != PendingWrite::Kind::Insert) {
    const auto found = m_newRows.find(write.newRow);
    if (found != m_newRows.end() && found->second.state == NewRowState::Written)
      row = "row " + std::to_string(found->second.rowId) + " of " + write.table;
    else
      row = "the new row of " + write.table + " (" +
            (found == m_newRows.end() ? "?" : NewRowIdentity(write.newRow, inserts)) + ")";
  }
  switch (write.kind) {
    case PendingWrite::Kind::Insert:
      if (inserts) (*inserts)[write.newRow] = &write;
      return "New row of " + write.table + ": " + Identity(write, longestValue);
    case PendingWrite::Kind::Delete: return "Deletion of " + row;
    case PendingWrite::Kind::Update: break;
  }
  std::string text = row;
  text[0] = 'R';
  if (write.newRow != 0 && text.rfind("Row ", 0) != 0) text = "Change of " + row;
  text += ":";
  std::size_t i = 0;
  write.columns.ForEach([&](const KeptValues::Entry& entry) {
    const std::size_t at = i++;
    text += (at ? ", " : " ") + ColumnName(write, at, entry.column) + " = " + ValueText(entry.ToVariant(), longestValue);
  });
  return text;
}

template <typename List>
std::vector<std::string> PendingWrites::DescribeEach(const List& list, std::size_t from, std::size_t most) const {
  std::vector<std::string> each;
  KeptInserts inserts;
  for (std::size_t i = from; i < list.size() && i - from < most; ++i)
    each.push_back(DescribeOne(list[i], std::string::npos, &inserts));
  return each;
}

std::string PendingWrites::NotListedLine(std::size_t total, std::size_t listed, const char* where) {
  if (listed >= total) return std::string();
  return "... and " + std::to_string(total - listed) + " more of these " + std::to_string(total) +
         " records, not listed here: " + where + ".\n";
}

std::string PendingWrites::ColumnName(const PendingWrite& write, std::size_t i, int column) const {
  if (write.statement && i < write.statement->columnNames.size()) return write.statement->columnNames[i];
  if (const auto table = m_tableColumns.find(write.table);
      table != m_tableColumns.end() && column >= 0 && static_cast<std::size_t>(column) < table->second.size())
    return table->second[static_cast<std::size_t>(column)];
  return std::to_string(column);
}

std::string PendingWrites::Describe() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::string text;
  KeptInserts inserts;
  std::size_t listed = 0, notListed = 0;
  for (const PendingWrite& write : m_kept) {
    // The journal holds it: a long journal's rest is counted, not listed.
    if (write.inJournal && !m_journal.empty() && listed == kMostListedRecords) {
      ++notListed;
      if (write.kind == PendingWrite::Kind::Insert) inserts[write.newRow] = &write;
      continue;
    }
    text += DescribeOne(write, std::string::npos, &inserts) + "\n";
    if (write.inJournal) ++listed;
  }
  return text + NotListedLine(listed + notListed, listed, "the journal beside the database holds every one");
}

void PendingWrites::SetJournal(const std::string& path, std::vector<std::string> tables) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_journal = path;
  m_journalTables = std::move(tables);
}

bool PendingWrites::HasJournal() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_journal.empty();
}

// The journal holds what is kept now, each write with a line describing it for
// whoever opens the file; with nothing kept there is no journal.
void PendingWrites::SetDeathAfterWriteForTest(std::function<bool()> hook) { DeathAfterWrite() = std::move(hook); }
void PendingWrites::SetDeathAfterSetAsideForTest(std::function<bool()> hook) { DeathAfterSetAside() = std::move(hook); }

bool PendingWrites::JournalPutBack() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return JournalPutBackLocked() || PutBackWaitingLocked();
}

// A regular file of its own at the name, other than the one last written:
// anything else there is never taken (the rewrite tells it and leaves it).
bool PendingWrites::JournalPutBackLocked() const {
  if (m_journal.empty()) return false;
  const KeptWriteJournal::Stamp now = KeptWriteJournal::StampOf(m_journal);
  return now.present && !(now == m_journalStamp) && OwnFile::WhatIsThere(m_journal, m_database).empty();
}

// After the close's last try a file put back waits for the next start.
bool PendingWrites::PutBackWaitingLocked() const {
  if (m_journal.empty() || m_handle == nullptr || m_retriesEnded) return false;
  for (const std::string& path : KeptWriteJournal::PutBackNames(m_journal)) {
    const auto left = m_putBackLeft.find(path);
    if (left == m_putBackLeft.end() || !(left->second == KeptWriteJournal::StampOf(path))) return true;
  }
  return false;
}

namespace {

std::string Records(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

}  // namespace

std::size_t PendingWrites::TakePutBackIn() {
  if (!PutBackWaitingLocked()) return 0;
  std::size_t total = 0;
  for (const std::string& path : KeptWriteJournal::PutBackNames(m_journal)) {
    if (const auto left = m_putBackLeft.find(path); left != m_putBackLeft.end()) {
      if (left->second == KeptWriteJournal::StampOf(path)) continue;
      m_putBackLeft.erase(left);
    }
    JournalState state = JournalState::None;
    std::size_t taken = 0;
    KeptWriteJournal::Stamp read;
    const std::string told =
        TakeJournalIn(*m_handle, m_handle->BusyTimeout(), path, Source::PutBack, state, &taken, &read);
    if (state == JournalState::Kept) {
      m_putBackTaken.push_back(PutBackFile{path, read, taken, std::string()});
      total += taken;
    } else if (state == JournalState::Unreadable) {
      if (!told.empty()) m_failed.push_back(told);
      // Still there (not a file of records, or not movable): not read again until it changes.
      if (const KeptWriteJournal::Stamp there = KeptWriteJournal::StampOf(path); there.present)
        m_putBackLeft[path] = there;
    }
  }
  return total;
}

void PendingWrites::TellPutBack(Progress progress) {
  for (const PutBackFile& file : m_putBackToTell) {
    std::string text = "The file " + file.path + " put back was taken over (" + Records(file.records) + "): ";
    switch (progress) {
      case Progress::AllWritten:
        text += "written to the database, each once (any it refused is told apart).";
        break;
      case Progress::Waiting:
        text += "in the journal " + m_journal + " now, waiting there with the other kept records (" +
                CauseText(m_heldBy) + "); written once the database takes them.";
        break;
      case Progress::More:
        text += "in the journal " + m_journal + " now, being written with the other kept records, a transaction "
                "at a time.";
        break;
    }
    if (!file.notRemoved.empty())
      text += " The file itself could not be removed (" + file.notRemoved +
              "): please remove it; taken over again, it would write none of them twice.";
    m_notices.push_back(text);
  }
  m_putBackToTell.clear();
}

bool PendingWrites::SaveJournal(bool takePutBack) {
  if (m_journal.empty()) return true;
  // Never over a journal this run did not write: its records join the queue first.
  if (JournalPutBackLocked()) {
    if (m_handle == nullptr) {
      if (m_journalTrouble != "a journal was put there")
        m_failed.push_back("The journal " + m_journal + " was put there while the program runs and is left as it is: "
                           "the records kept for the database since are only in memory until they are written.");
      m_journalTrouble = "a journal was put there";
      return false;
    }
    JournalState state = JournalState::None;
    const std::string told =
        TakeJournalIn(*m_handle, m_handle->BusyTimeout(), m_journal, Source::PutAtName, state);
    if (state == JournalState::Unreadable && !told.empty()) m_failed.push_back(told);
    if (m_journal.empty()) return false;
  }
  // The files put back beside it: at the front of the queue, until the journal holds them.
  const std::size_t putBack = takePutBack ? TakePutBackIn() : 0;
  std::string content;
  // Room for what the file last held at once (only what is filled takes
  // memory): a long journal is not copied at each doubling.
  if (m_journalStamp.present && m_journalStamp.size > 0) content.reserve(static_cast<std::size_t>(m_journalStamp.size));
  content.append(kJournalHeading).append("\n");
  // Refused records not set aside yet stay: they came first. Written as the
  // kept ones are, so that the new rows are numbered alike.
  bool any = !m_refusedNotAside.empty();
  KeptInserts inserts;  // a change of a kept new row is described by its insert's values
  const auto add = [&](const PendingWrite& kept) {
    // A write to a kept new row written since goes to the id it got.
    RowKey row{kept.rowId, kept.newRow};
    std::optional<PendingWrite> followed;
    if (kept.kind != PendingWrite::Kind::Insert && kept.newRow != 0 && Resolve(row) == NewRowState::Written) {
      followed = kept;
      followed->rowId = row.rowId;
      followed->newRow = 0;
    }
    const PendingWrite& write = followed ? *followed : kept;
    // The description is for whoever opens the file: a long value is cut there.
    AppendDescriptionLine(DescribeOne(write, kLongestNamingValue, &inserts), content);
    const auto table = m_tableColumns.find(write.table);
    AppendJournalWrite(write, content, table == m_tableColumns.end() ? nullptr : &table->second);
    content += "\n";
    any = true;
  };
  for (const PendingWrite& refused : m_refusedNotAside) add(refused);
  for (const auto* list : {&m_kept, &m_forNextStart})
    for (const PendingWrite& kept : *list) add(kept);
  std::string error;
  const bool saved = KeptWriteJournal::Save(m_journal, any ? content : std::string(), m_database, error);
  if (saved) {
    m_journalStamp = any ? KeptWriteJournal::StampOf(m_journal) : KeptWriteJournal::Stamp{};
    for (auto* list : {&m_kept, &m_forNextStart})
      for (PendingWrite& write : *list) write.inJournal = true;
    m_journalTrouble.clear();
    m_journalBehind = false;
    // The journal holds their records now: the files put back go (only as
    // they were read: one changed since is taken over anew).
    for (PutBackFile& file : m_putBackTaken) {
      if (KeptWriteJournal::StampOf(file.path) == file.stamp) {
        if (std::remove(file.path.c_str()) == 0) {
          SyncFolderOf(file.path);
        } else {
          // Not read again while it stays as it is: its records are in the journal.
          file.notRemoved = std::strerror(errno);
          m_putBackLeft[file.path] = file.stamp;
        }
      }
      m_putBackToTell.push_back(std::move(file));
    }
    m_putBackTaken.clear();
    m_putBackTrouble.clear();
    return true;
  }
  if (!m_putBackTaken.empty()) {
    // Their files still hold them: out of the queue again, until the journal can take them.
    for (std::size_t i = 0; i < putBack; ++i)
      if (m_kept[i].kind == PendingWrite::Kind::Insert) m_newRows.erase(m_kept[i].newRow);
    m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(putBack));
    Changed();
    if (error != m_putBackTrouble)
      for (const PutBackFile& file : m_putBackTaken)
        m_failed.push_back("The file " + file.path + " put back (" + Records(file.records) +
                           ") waits where it is: the journal " + m_journal + " could not be written (" + error +
                           "), and it is taken over once the journal can be written.");
    m_putBackTrouble = error;
    m_putBackTaken.clear();
  }
  // Once per cause: every kept write rewrites the journal.
  if (error != m_journalTrouble) {
    std::size_t notHeld = 0;
    for (const auto* list : {&m_kept, &m_forNextStart})
      for (const PendingWrite& write : *list) notHeld += write.inJournal ? 0 : 1;
    // Said of what its file holds now: those records are not lost with the program.
    std::string said = "The journal " + m_journal + " could not be written (" + error + "): ";
    const std::string isOrAre = notHeld == 1 ? " is" : " are";
    if (!m_journalStamp.present)
      said += "the " + Records(notHeld) + isOrAre + " only in memory until written.";
    else if (notHeld == 0)
      said += "its file still holds every record that waits, as it was last written (any written since is known "
              "and not written again).";
    else
      said += "its file still holds the records it held when it was last written; the " + Records(notHeld) +
              " kept since" + isOrAre + " only in memory until written.";
    m_failed.push_back(said);
  }
  m_journalTrouble = error;
  return false;
}

std::string PendingWrites::TakeOverJournal(DatabaseHandle& handle, int busyWaitMs, JournalState& state) {
  std::string told;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    state = JournalState::None;
    if (m_journal.empty()) return std::string();
    m_database = handle.Path();
    m_handle = &handle;
    // A rewrite of the journal or of a set-aside copy cut by a kill left its
    // temporary file; a copy is seldom written again under the same name.
    KeptWriteJournal::SweepTemporaries(m_journal);
    std::size_t taken = 0;
    std::vector<std::string> listed;
    told = TakeJournalIn(handle, busyWaitMs, m_journal, Source::Start, state, &taken, nullptr, &listed);
    // Files put back beside it are taken over by the first writing, before it writes anything.
    if (!m_journal.empty() && (state == JournalState::Kept || PutBackWaitingLocked())) {
      std::vector<std::string> listedTokens;
      if (state == JournalState::Kept)
        for (std::size_t i = 0; i < listed.size() && i < m_kept.size(); ++i) listedTokens.push_back(m_kept[i].token);
      // The file as read holds what is kept: it is written anew once the writing stops with any of them gone.
      // The first transaction of them now; a long journal's rest is written
      // after the start, a transaction at a time (WriteKeptSome).
      std::vector<std::pair<std::string, std::string>> refused;
      m_refusedAtStart = &refused;
      const Progress progress = WriteKeptLocked(handle, busyWaitMs, 1);
      m_refusedAtStart = nullptr;
      if (state == JournalState::Kept && !m_takenOverAside.empty()) {
        state = JournalState::Refused;
        // The refused ones under their own words, the others under theirs.
        std::unordered_set<std::string> refusedTokens;
        std::string refusedText;
        for (const auto& [token, description] : refused) {
          refusedTokens.insert(token);
          refusedText += description + "\n";
        }
        std::string othersText;
        std::size_t others = 0;
        for (std::size_t i = 0; i < listedTokens.size(); ++i) {
          if (refusedTokens.count(listedTokens[i]) != 0) continue;
          othersText += listed[i] + "\n";
          ++others;
        }
        told = "The database refused these records (each is told); they are set aside " +
               (m_takenOverAside[0] == '(' ? "nowhere " + m_takenOverAside + ": they stay in the journal"
                                           : "as " + m_takenOverAside) +
               ":\n" + refusedText;
        const std::size_t notListed = taken - listedTokens.size();
        if (others + notListed > 0) {
          const std::string& cause = CauseText(m_heldBy);
          told += std::string("\n") +
                  (m_kept.empty()                  ? "The others were written"
                   : progress == Progress::More ? "The others are being written, a transaction at a time, while the "
                                                  "program runs (the journal beside the database keeps those not "
                                                  "written yet)"
                                                : "The others wait in the journal beside the database (" + cause +
                                                      ") and are written once the database takes them") +
                  ":\n" + othersText +
                  NotListedLine(others + notListed, others, "each is in the journal beside the database until it is written");
        }
      } else if (state == JournalState::Kept) {
        state = m_kept.empty()                   ? JournalState::Written
                : progress == Progress::More ? JournalState::Writing
                                             : JournalState::Kept;
      }
    }
  }
  TellFailed();
  return told;
}

std::string PendingWrites::TakeJournalIn(DatabaseHandle& handle, int busyWaitMs, const std::string& path,
                                         Source source, JournalState& state, std::size_t* takenOut,
                                         KeptWriteJournal::Stamp* stampOut, std::vector<std::string>* listed) {
  const bool atStart = source == Source::Start;
  state = JournalState::None;
  std::string why, what;
  KeptWriteJournal::Stamp stamp;
  std::deque<PendingWrite> writes;
  // Writes to a new row no line before them makes: told once the whole journal
  // is read, with the number that named the row.
  std::vector<std::pair<PendingWrite, long long>> goingNowhere;
  int number = 0;
  JournalShapes shapes(handle.Get(), m_journalTables);
  // Its kept new rows are numbered anew as they are read; the writes that go
  // to them follow.
  std::unordered_map<long long, long long> renumbered;
  JournalLine decoded;
  std::string lastPrefix;
  BusyWait wait(handle, busyWaitMs);
  // Read a line at a time, never held whole: a long journal is only held as its records.
  const KeptWriteJournal::ReadResult file = KeptWriteJournal::ReadLines(
      path, m_database,
      [&](std::string_view line) {
        ++number;
        if (number == 1) {
          if (line == kStatementJournalHeading)
            why = "it was written by an earlier version of the program, whose records cannot be read back";
          else if (line != kJournalHeading)
            why = "line 1 is not \"" + std::string(kJournalHeading) + "\"";
          return why.empty();
        }
        if (line.empty() || line[0] == '#') return true;
        std::string wrong;
        const bool read = DecodeJournalWrite(line, decoded, wrong);
        const bool insert = read && decoded.write.kind == PendingWrite::Kind::Insert;
        const long long made = insert ? g_lastNewRow + 1 : 0;
        if (!read || !shapes.Build(decoded, KeptRowHandle(made), wrong)) {
          why = "line " + std::to_string(number) + ": " + wrong;
          return false;
        }
        // A long value is held once, as the record's.
        for (std::size_t i = 0; i < decoded.count; ++i)
          if (decoded.values[i].bstrVal.capacity() > kBlockOfText) std::string().swap(decoded.values[i].bstrVal);
        PendingWrite& write = decoded.write;
        if (insert) {
          if (!renumbered.emplace(write.newRow, made).second) {
            why = "line " + std::to_string(number) + ": the new row " + std::to_string(write.newRow) +
                  " is made twice";
            return false;
          }
          // Never the number promised to a new row being made: one may be under way while the program runs.
          ++g_lastNewRow;
          write.newRow = made;
          write.rowId = KeptRowHandle(made);
        } else if (write.newRow != 0) {
          const auto found = renumbered.find(write.newRow);
          if (found == renumbered.end()) {
            const long long named = write.newRow;
            goingNowhere.emplace_back(std::move(write), named);
            return true;
          }
          write.newRow = found->second;
          write.rowId = KeptRowHandle(write.newRow);
        }
        write.fromJournal = true;
        // The journal's file as read holds it, until it is rewritten; a file
        // put back beside it does not.
        write.inJournal = source != Source::PutBack;
        // Every run whose tokens it holds: this run may forget them once written.
        const std::string_view token(write.token);
        const std::string_view prefix = token.substr(0, token.rfind('-') + 1);
        if (prefix != lastPrefix) {
          lastPrefix.assign(prefix);
          if (std::find(m_ownTokenPrefixes.begin(), m_ownTokenPrefixes.end(), lastPrefix) == m_ownTokenPrefixes.end())
            m_ownTokenPrefixes.push_back(lastPrefix);
        }
        writes.push_back(std::move(write));
        return true;
      },
      what, &stamp);
  if (file == KeptWriteJournal::ReadResult::Absent) return std::string();
  if (file == KeptWriteJournal::ReadResult::NotAFile) {
    state = JournalState::Unreadable;
    if (source == Source::PutAtName) return std::string();  // the rewrite tells it and leaves it
    if (source == Source::PutBack)
      return "The file " + path + " put back is " + what +
             ", not a file of records: it was left as it is and nothing was read from it.";
    // Never followed, never replaced: this run keeps its records in memory only.
    const std::string journal = std::exchange(m_journal, std::string());
    return "The journal " + journal + " is " + what +
           ", not a file of records: it was left as it is and nothing was read from it. Until it is moved away, "
           "records kept for the database while it cannot take them (another program's lock, a full disk) are "
           "kept in memory only (a program ended meanwhile loses them).\n";
  }
  if (file == KeptWriteJournal::ReadResult::Failed) {
    why = "it cannot be opened: " + what;
  } else {
    if (why.empty() && number == 0) why = "it is empty";
    for (const auto& [table, columns] : shapes.Tables()) {
      std::vector<std::string>& names = m_tableColumns[table];
      names.clear();
      for (const ColumnInfo& column : columns) names.push_back(column.name);
    }
  }
  if (!why.empty()) {
    writes.clear();
    // What it holds goes with the words: read whole only here.
    std::string content, unused;
    KeptWriteJournal::Read(path, m_database, content, unused);
    // Set aside, never lost: the operator reads it and enters its records by hand.
    const std::string aside = KeptWriteJournal::AsideName(m_journal, KeptWriteJournal::Aside::Unreadable);
    const bool moved = RenameInFolder(path, aside);
    state = JournalState::Unreadable;
    std::string told = "The file " + path + " holds records " +
                       (atStart                        ? "an earlier run kept"
                        : source == Source::PutAtName ? "put there while the program runs"
                                                       : "put back") +
                       " for the database, but it cannot be read (" + why + "). " +
                       (moved ? "It was set aside as " + aside : std::string("It was left where it is")) +
                       ": the records it holds are not written; please enter them again by hand.";
    if (!moved && source != Source::PutBack) {
      // Not this run's to replace: it keeps its records in memory only.
      told += " Until it is moved away, records kept for the database are kept in memory only (a program ended "
              "meanwhile loses them).";
      m_journal.clear();
    }
    return told + "\n" + content;
  }
  for (const PendingWrite& write : writes)
    if (write.kind == PendingWrite::Kind::Insert) m_newRows[write.newRow] = NewRow{NewRowState::Kept, 0, write.table};
  // Those that go nowhere are told and left out where they stand.
  for (auto& [write, named] : goingNowhere) {
    // Nothing could ever write it: it is told, never set aside to be put back.
    write.newRow = -1;  // a row never kept here
    write.rowId = kNoRowId;
    Drop(write, "no line of " + std::string(source == Source::PutBack ? "its file" : "the journal") +
                    " makes the new row it goes to (new:" + std::to_string(named) +
                    "): it can never be written as it is; please enter it again by hand");
  }
  // The file still holds them: it is written anew once the writing stops.
  if (!goingNowhere.empty()) m_journalBehind = true;
  const std::size_t taken = writes.size();
  if (takenOut) *takenOut = taken;
  if (stampOut) *stampOut = stamp;
  if (source == Source::PutAtName) {
    // The file this run wrote last is no longer at the name: what only that
    // file held is in memory only, until the journal is written again.
    std::unordered_set<std::string> tokens;
    for (const PendingWrite& write : writes) tokens.insert(write.token);
    for (auto* list : {&m_kept, &m_forNextStart})
      for (PendingWrite& write : *list) write.inJournal = tokens.count(write.token) != 0;
  }
  if (source != Source::PutBack) {
    m_journalStamp = stamp;
    m_takenOverAside.clear();
  }
  // Older than anything this run writes: they go first (after the close's
  // last try, they wait for the next start).
  std::deque<PendingWrite>& queue = m_retriesEnded ? m_forNextStart : m_kept;
  if (queue.empty())
    queue = std::move(writes);  // not a second copy of a long journal
  else
    queue.insert(queue.begin(), std::make_move_iterator(writes.begin()), std::make_move_iterator(writes.end()));
  Changed();
  state = JournalState::Kept;
  if (source == Source::PutBack) return std::string();
  // A long journal is counted past its first records, not listed whole: its file holds every one.
  std::vector<std::string> each = DescribeEach(queue, 0, std::min(taken, kMostListedRecords));
  std::string told;
  for (const std::string& one : each) told += one + "\n";
  told += NotListedLine(taken, each.size(), "each is in the journal beside the database until it is written");
  if (listed) *listed = std::move(each);
  return told;
}

}  // namespace ruv::db
