#include "platform/db/PendingWrites.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <utility>

#include "platform/base/AtomicFile.h"
#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"

namespace ruv::db {
namespace {

bool IsBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

std::string ValueText(const Variant& value) {
  switch (value.vt) {
    case VT_NULL:
    case VT_EMPTY: return "NULL";
    case VT_BSTR: return "'" + value.bstrVal + "'";
    case VT_I2: return std::to_string(value.iVal);
    case VT_I4: return std::to_string(value.lVal);
    case VT_UI1: return std::to_string(value.bVal);
    case VT_BOOL: return value.boolVal ? "-1" : "0";
    case VT_R4: return ruv::Format("%g", static_cast<double>(value.fltVal));
    case VT_R8: return ruv::Format("%.15g", value.dblVal);
    case VT_DATE: return ruv::Format("%.10f", value.date);
    default: return "?";
  }
}

// Runs one kept write on row `rowId` (an insert gets its own); SQLite's
// result, or SQLITE_NOTFOUND for an update whose row is gone.
int RunKept(sqlite3* db, const PendingWrite& write, long long rowId) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, write.sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return rc;
  }
  for (std::size_t i = 0; i < write.values.size(); ++i)
    BindVariant(stmt, static_cast<int>(i + 1), write.values[i].value, write.values[i].asText);
  if (write.kind != PendingWrite::Kind::Insert) sqlite3_bind_int64(stmt, static_cast<int>(write.values.size() + 1), rowId);
  rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE && write.kind == PendingWrite::Kind::Update && sqlite3_changes(db) == 0) return SQLITE_NOTFOUND;
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

// Whether the kept `write` goes to the row `row` names.
bool KeptWriteReaches(const PendingWrite& write, const std::string& table, const RowKey& row) {
  if (row.newRow != 0) return write.newRow == row.newRow;
  return write.newRow == 0 && write.rowId == row.rowId && ruv::EqualsNoCase(write.table, table);
}

constexpr const char* kJournalHeading = "RuvFrame kept writes 1";

// One field of a journal line: no tab, no line break.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

// A value as "<type>:<payload>": numbers exactly (doubles in hexadecimal), a
// decimal as its digits (bound as text, as it is written).
std::string EncodeValue(const Variant& value) {
  const std::string type = std::to_string(value.vt) + ":";
  switch (value.vt) {
    case VT_EMPTY: case VT_NULL: return type;
    case VT_I1: return type + std::to_string(value.cVal);
    case VT_UI1: return type + std::to_string(value.bVal);
    case VT_I2: return type + std::to_string(value.iVal);
    case VT_UI2: return type + std::to_string(value.uiVal);
    case VT_I4: return type + std::to_string(value.lVal);
    case VT_UI4: return type + std::to_string(value.ulVal);
    case VT_BOOL: return type + std::to_string(value.boolVal);
    case VT_CY: return type + std::to_string(value.cyVal);
    case VT_R4: return type + ruv::Format("%a", static_cast<double>(value.fltVal));
    case VT_R8: return type + ruv::Format("%a", value.dblVal);
    case VT_DATE: return type + ruv::Format("%a", value.date);
    case VT_BSTR: return type + value.bstrVal;
    default: return std::to_string(VT_BSTR) + ":" + VariantToString(value);
  }
}

bool DecodeValue(const std::string& text, Variant& value) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  char* end = nullptr;
  const long type = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + colon) return false;
  const std::string payload = text.substr(colon + 1);
  const char* start = payload.c_str();
  auto whole = [&](long long& number) {
    if (payload.empty()) return false;
    number = std::strtoll(start, &end, 10);
    return end == start + payload.size();
  };
  auto real = [&](double& number) {
    if (payload.empty()) return false;
    number = std::strtod(start, &end);
    return end == start + payload.size();
  };
  long long n = 0;
  double d = 0;
  switch (type) {
    case VT_EMPTY: value = Variant(); return payload.empty();
    case VT_NULL: value = Variant::Null(); return payload.empty();
    case VT_I1: if (!whole(n)) return false; value = Variant::I1(static_cast<std::int8_t>(n)); return true;
    case VT_UI1: if (!whole(n)) return false; value = Variant::UI1(static_cast<std::uint8_t>(n)); return true;
    case VT_I2: if (!whole(n)) return false; value = Variant::I2(static_cast<std::int16_t>(n)); return true;
    case VT_UI2: if (!whole(n)) return false; value = Variant::UI2(static_cast<std::uint16_t>(n)); return true;
    case VT_I4: if (!whole(n)) return false; value = Variant::I4(static_cast<std::int32_t>(n)); return true;
    case VT_UI4: if (!whole(n)) return false; value = Variant::UI4(static_cast<std::uint32_t>(n)); return true;
    case VT_BOOL: if (!whole(n)) return false; value = Variant::Bool(n != 0); return true;
    case VT_CY: if (!whole(n)) return false; value = Variant::Currency(n); return true;
    case VT_R4: if (!real(d)) return false; value = Variant::R4(static_cast<float>(d)); return true;
    case VT_R8: if (!real(d)) return false; value = Variant::R8(d); return true;
    case VT_DATE: if (!real(d)) return false; value = Variant::Date(d); return true;
    case VT_BSTR: value = Variant::String(payload); return true;
    default: return false;
  }
}

std::string KindLetter(PendingWrite::Kind kind) {
  switch (kind) {
    case PendingWrite::Kind::Insert: return "I";
    case PendingWrite::Kind::Update: return "U";
    case PendingWrite::Kind::Delete: return "D";
  }
  return "?";
}

std::string EncodeWrite(const PendingWrite& write) {
  std::vector<std::string> fields = {"W", write.token, KindLetter(write.kind), write.table, std::to_string(write.rowId),
                                     std::to_string(write.newRow), std::to_string(write.idColumn), write.sql,
                                     std::to_string(write.values.size())};
  for (const PendingWrite::Bound& bound : write.values) {
    fields.push_back(bound.asText ? "1" : "0");
    fields.push_back(EncodeValue(bound.value));
  }
  fields.push_back(std::to_string(write.columns.size()));
  for (std::size_t i = 0; i < write.columns.size(); ++i) {
    fields.push_back(std::to_string(write.columns[i].first));
    fields.push_back(i < write.columnNames.size() ? write.columnNames[i] : std::string());
    fields.push_back(EncodeValue(write.columns[i].second));
  }
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + Escape(fields[i]);
  return line;
}

// False with `why` when the line is not a write this program wrote.
bool DecodeWrite(const std::string& line, PendingWrite& write, std::string& why) {
  std::vector<std::string> fields;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    std::string field;
    if (!Unescape(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at), field)) {
      why = "a broken escape";
      return false;
    }
    fields.push_back(std::move(field));
    if (tab == std::string::npos) break;
    at = tab + 1;
  }
  std::size_t next = 0;
  auto take = [&](std::string& field) {
    if (next >= fields.size()) return false;
    field = fields[next++];
    return true;
  };
  auto takeNumber = [&](long long& number) {
    std::string field;
    if (!take(field) || field.empty()) return false;
    char* end = nullptr;
    number = std::strtoll(field.c_str(), &end, 10);
    return end == field.c_str() + field.size();
  };
  auto takeValue = [&](Variant& value) {
    std::string field;
    return take(field) && DecodeValue(field, value);
  };
  std::string mark, kind;
  long long idColumn = -1, count = 0;
  why = "a field is missing or malformed";
  if (!take(mark) || mark != "W" || !take(write.token) || write.token.empty() || !take(kind) || !take(write.table) ||
      !takeNumber(write.rowId) || !takeNumber(write.newRow) || !takeNumber(idColumn) || !take(write.sql) ||
      !takeNumber(count) || count < 0 || count > 10000)
    return false;
  if (kind == "I") write.kind = PendingWrite::Kind::Insert;
  else if (kind == "U") write.kind = PendingWrite::Kind::Update;
  else if (kind == "D") write.kind = PendingWrite::Kind::Delete;
  else return false;
  write.idColumn = static_cast<int>(idColumn);
  for (long long i = 0; i < count; ++i) {
    std::string asText;
    PendingWrite::Bound bound;
    if (!take(asText) || !takeValue(bound.value)) return false;
    bound.asText = asText != "0";
    write.values.push_back(std::move(bound));
  }
  if (!takeNumber(count) || count < 0 || count > 10000) return false;
  for (long long i = 0; i < count; ++i) {
    long long column = 0;
    std::string name;
    Variant value;
    if (!takeNumber(column) || !take(name) || !takeValue(value)) return false;
    write.columns.emplace_back(static_cast<int>(column), std::move(value));
    write.columnNames.push_back(std::move(name));
  }
  if (next != fields.size()) return false;
  // A kept write is one statement with its own parameters, nothing else.
  if (write.table.empty() || write.sql.empty() || write.sql.find(';') != std::string::npos) return false;
  const bool plainInsert = write.kind == PendingWrite::Kind::Insert && write.sql.rfind("INSERT INTO ", 0) == 0;
  const bool plainUpdate = write.kind == PendingWrite::Kind::Update && write.sql.rfind("UPDATE ", 0) == 0;
  const bool plainDelete = write.kind == PendingWrite::Kind::Delete && write.sql.rfind("DELETE FROM ", 0) == 0;
  return plainInsert || plainUpdate || plainDelete;
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Kept new rows are numbered across every connection of the process: a handle
// held from a connection closed since never names a row of a later one.
std::atomic<long long> g_lastNewRow{0};

std::function<bool()>& DeathAfterWrite() {
  static std::function<bool()> hook;
  return hook;
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
    if (!m_kept.empty()) WriteKeptLocked(handle, 0);
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
        PendingWrite made = keep();
        if (made.kind == PendingWrite::Kind::Insert) {
          made.newRow = TakeNewRowNumber();
          made.rowId = KeptRowHandle(made.newRow);
          m_newRows[made.newRow] = NewRow{NewRowState::Kept, 0, made.table, Identity(made)};
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
    // Unique across runs: the journal may hold tokens of an earlier one.
    std::random_device device;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    m_tokenPrefix = ruv::Format("%08x%08x-%llx", device(), device(), static_cast<unsigned long long>(now));
  }
  write.token = m_tokenPrefix + "-" + std::to_string(++m_lastToken);
  if (!m_retriesEnded) {
    m_kept.push_back(std::move(write));
  } else if (!m_journal.empty()) {
    m_failed.push_back(DescribeOne(write) +
                       " (the database was locked by another program at the close: kept for the next start, which "
                       "writes it)");
    m_forNextStart.push_back(std::move(write));
  } else {
    Drop(write, "the database was still locked by another program after the close");
    return;
  }
  SaveJournal();
}

bool PendingWrites::WriteKept(DatabaseHandle& handle, int busyWaitMs) {
  bool done;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    done = WriteKeptLocked(handle, busyWaitMs);
  }
  TellFailed();
  return done;
}

void PendingWrites::Drop(const PendingWrite& write, const std::string& why) {
  m_failed.push_back(DescribeOne(write) + " (" + why + ")");
  if (write.kind == PendingWrite::Kind::Insert) m_newRows[write.newRow].state = NewRowState::Lost;
}

// With a journal, a kept write and its token go in together: one that went in
// before the journal lost it is found by its token and not written again.
int PendingWrites::RunKeptOnce(DatabaseHandle& handle, const PendingWrite& write, long long rowId,
                               long long& gotRowId) {
  sqlite3* db = handle.Get();
  if (m_journal.empty() || write.token.empty()) {
    const int rc = RunKept(db, write, rowId);
    gotRowId = sqlite3_last_insert_rowid(db);
    return rc;
  }
  int rc = Exec(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return rc;
  auto fail = [&](int code) {
    Exec(db, "ROLLBACK");
    return code;
  };
  sqlite3_stmt* stmt = nullptr;
  const std::string table = std::string("\"") + kWrittenTokensTable + "\"";
  if (sqlite3_prepare_v2(db, ("SELECT RowId FROM " + table + " WHERE Token = ?1").c_str(), -1, &stmt, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, write.token.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) gotRowId = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    if (rc == SQLITE_ROW) return fail(SQLITE_DONE);  // written already
    if (rc != SQLITE_DONE) return fail(rc);
  } else {
    sqlite3_finalize(stmt);  // no such table yet: nothing was written with a token
  }
  rc = RunKept(db, write, rowId);
  if (rc != SQLITE_DONE) return fail(rc);
  gotRowId = write.kind == PendingWrite::Kind::Insert ? sqlite3_last_insert_rowid(db) : rowId;
  rc = Exec(db, ("CREATE TABLE IF NOT EXISTS " + table + " (\"Token\" TEXT PRIMARY KEY, \"RowId\" INTEGER)").c_str());
  if (rc != SQLITE_OK) return fail(rc);
  stmt = nullptr;
  rc = sqlite3_prepare_v2(db, ("INSERT INTO " + table + " (Token, RowId) VALUES (?1, ?2)").c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, write.token.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, gotRowId);
    rc = sqlite3_step(stmt);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return fail(rc);
  rc = Exec(db, "COMMIT");
  if (rc != SQLITE_OK) return fail(rc);
  return SQLITE_DONE;
}

bool PendingWrites::WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs) {
  if (!handle.IsOpen()) return m_kept.empty();
  BusyWait wait(handle, busyWaitMs);
  bool changed = false;
  bool locked = false;
  while (!m_kept.empty()) {
    PendingWrite& write = m_kept.front();
    RowKey row{write.rowId, write.kind == PendingWrite::Kind::Insert ? 0 : write.newRow};
    if (Resolve(row) == NewRowState::Lost) {
      Drop(write, "the new row it belongs to could not be written");
    } else {
      long long gotRowId = 0;
      const int rc = RunKeptOnce(handle, write, row.rowId, gotRowId);
      if (IsBusy(rc)) {
        locked = true;
        break;
      }
      if (rc != SQLITE_DONE)
        Drop(write, rc == SQLITE_NOTFOUND ? "the row was deleted meanwhile" : sqlite3_errstr(rc));
      else if (write.kind == PendingWrite::Kind::Insert)
        NoteWritten(write, gotRowId);
      if (rc == SQLITE_DONE && DeathAfterWrite() && DeathAfterWrite()()) return false;
    }
    m_kept.erase(m_kept.begin());
    changed = true;
  }
  if (!changed) return !locked;
  // Once the journal no longer names any written token they are forgotten (at
  // the next chance if the lock is back); never while a journal still may.
  if (SaveJournal() && m_kept.empty() && m_forNextStart.empty() && !m_journal.empty()) {
    sqlite3_busy_timeout(handle.Get(), 0);
    Exec(handle.Get(), (std::string("DELETE FROM \"") + kWrittenTokensTable + "\"").c_str());
  }
  return !locked;
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
  std::vector<std::string> failed;
  bool afterLastTry;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_sink || m_failed.empty()) return;
    sink = m_sink;
    failed = std::exchange(m_failed, {});
    afterLastTry = m_retriesEnded;
  }
  sink(failed, afterLastTry);
}

std::string PendingWrites::EndRetries() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_retriesEnded = true;
  std::string text;
  for (const PendingWrite& write : m_kept) text += DescribeOne(write) + "\n";
  if (!m_journal.empty()) {
    // Still in the journal: the next start writes them.
    m_forNextStart.insert(m_forNextStart.end(), m_kept.begin(), m_kept.end());
  } else {
    for (const PendingWrite& write : m_kept)
      if (write.kind == PendingWrite::Kind::Insert) m_newRows[write.newRow].state = NewRowState::Lost;
  }
  m_kept.clear();
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

void PendingWrites::Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values,
                            std::vector<bool>& overlaid, bool& exists) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  overlaid.assign(values.size(), false);
  for (const auto* list : {&m_kept, &m_forNextStart}) {
    for (const PendingWrite& write : *list) {
      if (!KeptWriteReaches(write, table, row)) continue;
      if (write.kind == PendingWrite::Kind::Delete) {
        exists = false;
        continue;
      }
      if (write.kind == PendingWrite::Kind::Insert) {
        exists = true;
        std::fill(values.begin(), values.end(), Variant::Null());
        std::fill(overlaid.begin(), overlaid.end(), true);
      }
      for (const auto& [column, value] : write.columns) {
        if (column < 0 || static_cast<std::size_t>(column) >= values.size()) continue;
        values[static_cast<std::size_t>(column)] = value;
        overlaid[static_cast<std::size_t>(column)] = true;
      }
    }
  }
}

std::vector<RowKey> PendingWrites::KeptNewRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<RowKey> rows;
  for (const auto* list : {&m_kept, &m_forNextStart}) {
    for (const PendingWrite& write : *list) {
      if (write.newRow == 0 || !ruv::EqualsNoCase(write.table, table)) continue;
      if (write.kind == PendingWrite::Kind::Insert) rows.push_back(RowKey{write.rowId, write.newRow});
      if (write.kind == PendingWrite::Kind::Delete)
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [&](const RowKey& row) { return row.newRow == write.newRow; }),
                   rows.end());
    }
  }
  return rows;
}

std::vector<long long> PendingWrites::KeptChangedRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<long long> rows;
  for (const auto* list : {&m_kept, &m_forNextStart})
    for (const PendingWrite& write : *list)
      if (write.kind != PendingWrite::Kind::Insert && write.newRow == 0 && ruv::EqualsNoCase(write.table, table) &&
          std::find(rows.begin(), rows.end(), write.rowId) == rows.end())
        rows.push_back(write.rowId);
  return rows;
}

// A kept new row's values but its id (it has none yet): what names it in a report.
std::string PendingWrites::Identity(const PendingWrite& insert) const {
  std::string text;
  for (std::size_t i = 0; i < insert.columns.size(); ++i) {
    if (insert.columns[i].first == insert.idColumn) continue;
    const std::string name = i < insert.columnNames.size() ? insert.columnNames[i] : std::to_string(insert.columns[i].first);
    text += (text.empty() ? "" : ", ") + name + " = " + ValueText(insert.columns[i].second);
  }
  return text;
}

std::string PendingWrites::DescribeOne(const PendingWrite& write) const {
  // A write to a kept new row names the row by its id once it has one, else by its values.
  std::string row = "row " + std::to_string(write.rowId) + " of " + write.table;
  if (write.newRow != 0 && write.kind != PendingWrite::Kind::Insert) {
    const auto found = m_newRows.find(write.newRow);
    if (found != m_newRows.end() && found->second.state == NewRowState::Written)
      row = "row " + std::to_string(found->second.rowId) + " of " + write.table;
    else
      row = "the new row of " + write.table + " (" + (found == m_newRows.end() ? "?" : found->second.identity) + ")";
  }
  switch (write.kind) {
    case PendingWrite::Kind::Insert: return "New row of " + write.table + ": " + Identity(write);
    case PendingWrite::Kind::Delete: return "Deletion of " + row;
    case PendingWrite::Kind::Update: break;
  }
  std::string text = row;
  text[0] = 'R';
  if (write.newRow != 0 && text.rfind("Row ", 0) != 0) text = "Change of " + row;
  text += ":";
  for (std::size_t i = 0; i < write.columns.size(); ++i) {
    const std::string name = i < write.columnNames.size() ? write.columnNames[i] : std::to_string(write.columns[i].first);
    text += (i ? ", " : " ") + name + " = " + ValueText(write.columns[i].second);
  }
  return text;
}

std::string PendingWrites::Describe() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::string text;
  for (const PendingWrite& write : m_kept) text += DescribeOne(write) + "\n";
  return text;
}

void PendingWrites::SetJournal(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_journal = path;
}

bool PendingWrites::HasJournal() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_journal.empty();
}

// The journal holds what is kept now, each write with a line describing it for
// whoever opens the file; with nothing kept there is no journal.
void PendingWrites::SetDeathAfterWriteForTest(std::function<bool()> hook) { DeathAfterWrite() = std::move(hook); }

bool PendingWrites::SaveJournal() {
  if (m_journal.empty()) return true;
  std::string content = std::string(kJournalHeading) + "\n";
  bool any = false;
  for (const auto* list : {&m_kept, &m_forNextStart}) {
    for (PendingWrite write : *list) {
      // A write to a kept new row written since goes to the id it got.
      RowKey row{write.rowId, write.newRow};
      if (write.kind != PendingWrite::Kind::Insert && write.newRow != 0 && Resolve(row) == NewRowState::Written) {
        write.rowId = row.rowId;
        write.newRow = 0;
      }
      content += "# " + Escape(DescribeOne(write)) + "\n" + EncodeWrite(write) + "\n";
      any = true;
    }
  }
  std::string error;
  const bool saved = any ? WriteFileAtomically(m_journal, content, &error)
                         : (std::remove(m_journal.c_str()) == 0 || !FileExists(m_journal));
  if (!saved)
    m_failed.push_back("The journal " + m_journal + " could not be written (" +
                       (error.empty() ? std::string("it cannot be removed") : error) +
                       "): the records kept for the database are only in memory until they are written.");
  return saved;
}

std::string PendingWrites::TakeOverJournal(DatabaseHandle& handle, int busyWaitMs, JournalState& state) {
  std::string told;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    state = JournalState::None;
    if (m_journal.empty() || !FileExists(m_journal)) return std::string();
    std::string content, error;
    std::vector<PendingWrite> writes;
    std::string why;
    if (!ReadWholeFile(m_journal, content, &error)) {
      why = error;
    } else {
      std::istringstream lines(content);
      std::string line;
      int number = 0;
      while (why.empty() && std::getline(lines, line)) {
        ++number;
        if (number == 1) {
          if (line != kJournalHeading) why = "line 1 is not \"" + std::string(kJournalHeading) + "\"";
          continue;
        }
        if (line.empty() || line[0] == '#') continue;
        PendingWrite write;
        std::string wrong;
        if (!DecodeWrite(line, write, wrong)) why = "line " + std::to_string(number) + ": " + wrong;
        else writes.push_back(std::move(write));
      }
      if (why.empty() && number == 0) why = "it is empty";
    }
    if (!why.empty()) {
      // Set aside, never lost: the operator reads it and enters its records by hand.
      std::string aside = m_journal + ".unreadable";
      for (int n = 2; FileExists(aside); ++n) aside = m_journal + ".unreadable-" + std::to_string(n);
      const bool moved = std::rename(m_journal.c_str(), aside.c_str()) == 0;
      state = JournalState::Unreadable;
      return "The file " + m_journal + " holds records an earlier run kept for the database, but it cannot be read (" +
             why + "). " + (moved ? "It was set aside as " + aside : std::string("It was left where it is")) +
             ": the records it holds are not written; please enter them again by hand.\n" + content;
    }
    // Its kept new rows are numbered anew; the writes that go to them follow.
    std::map<long long, long long> renumbered;
    for (PendingWrite& write : writes) {
      if (write.kind == PendingWrite::Kind::Insert) {
        const long long earlier = write.newRow;
        write.newRow = renumbered[earlier] = TakeNewRowNumber();
        write.rowId = KeptRowHandle(write.newRow);
        for (auto& [column, value] : write.columns)
          if (column == write.idColumn) value = Variant::I4(static_cast<std::int32_t>(write.rowId));
        m_newRows[write.newRow] = NewRow{NewRowState::Kept, 0, write.table, Identity(write)};
      } else if (write.newRow != 0) {
        const auto found = renumbered.find(write.newRow);
        write.newRow = found == renumbered.end() ? -1 : found->second;  // -1: a row never kept here, lost
        if (found != renumbered.end()) write.rowId = KeptRowHandle(write.newRow);
      }
      told += DescribeOne(write) + "\n";
    }
    // Older than anything this run writes: they go first.
    m_kept.insert(m_kept.begin(), writes.begin(), writes.end());
    SaveJournal();
    WriteKeptLocked(handle, busyWaitMs);
    state = m_kept.empty() ? JournalState::Written : JournalState::Kept;
  }
  TellFailed();
  return told;
}

}  // namespace ruv::db
