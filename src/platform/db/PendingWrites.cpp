#include "platform/db/PendingWrites.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

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
      // A kept new row is reached only behind its insert: the queue is not empty.
      if (m_kept.empty() && state != NewRowState::Kept) {
        BusyWait wait(handle, busyWaitMs);
        rc = write(row.rowId);
      }
      if (!m_kept.empty() || state == NewRowState::Kept || IsBusy(rc)) {
        PendingWrite made = keep();
        made.rowId = made.kind == PendingWrite::Kind::Insert ? made.rowId : row.rowId;
        made.newRow = made.kind == PendingWrite::Kind::Insert ? ++m_lastNewRow : row.newRow;
        if (made.kind == PendingWrite::Kind::Insert) {
          m_newRows[made.newRow] = NewRow{};
          row = RowKey{made.rowId, made.newRow};
        }
        if (m_retriesEnded)
          Drop(made, "the database was still locked by another program after the close");
        else
          m_kept.push_back(std::move(made));
        rc = SQLITE_DONE;
        kept = true;
      }
    }
  }
  TellFailed();
  return kept;
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
  if (write.kind == PendingWrite::Kind::Insert) m_newRows[write.newRow].state = NewRowState::Lost;
  m_failed.push_back(DescribeOne(write) + " (" + why + ")");
}

bool PendingWrites::WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs) {
  if (!handle.IsOpen()) return m_kept.empty();
  BusyWait wait(handle, busyWaitMs);
  while (!m_kept.empty()) {
    PendingWrite& write = m_kept.front();
    RowKey row{write.rowId, write.kind == PendingWrite::Kind::Insert ? 0 : write.newRow};
    if (Resolve(row) == NewRowState::Lost) {
      Drop(write, "the new row it belongs to could not be written");
    } else {
      const int rc = RunKept(handle.Get(), write, row.rowId);
      if (IsBusy(rc)) return false;
      if (rc != SQLITE_DONE)
        Drop(write, rc == SQLITE_NOTFOUND ? "the row was deleted meanwhile" : sqlite3_errstr(rc));
      else if (write.kind == PendingWrite::Kind::Insert)
        NoteWritten(write, sqlite3_last_insert_rowid(handle.Get()));
    }
    m_kept.erase(m_kept.begin());
  }
  return true;
}

void PendingWrites::NoteWritten(const PendingWrite& write, long long rowId) {
  m_newRows[write.newRow] = NewRow{NewRowState::Written, rowId};
  // Another program took the id it showed: whoever holds that id follows it.
  if (rowId != write.rowId) m_movedRowIds[{ruv::ToUpperAscii(write.table), write.rowId}] = rowId;
}

long long PendingWrites::FollowMovedRowId(const std::string& table, long long rowId) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  const auto found = m_movedRowIds.find({ruv::ToUpperAscii(table), rowId});
  return found == m_movedRowIds.end() ? rowId : found->second;
}

bool PendingWrites::HasKept() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_kept.empty();
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
  for (const PendingWrite& write : m_kept) {
    text += DescribeOne(write) + "\n";
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
  for (const PendingWrite& write : m_kept) {
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

std::vector<RowKey> PendingWrites::KeptNewRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<RowKey> rows;
  for (const PendingWrite& write : m_kept) {
    if (write.newRow == 0 || !ruv::EqualsNoCase(write.table, table)) continue;
    if (write.kind == PendingWrite::Kind::Insert) rows.push_back(RowKey{write.rowId, write.newRow});
    if (write.kind == PendingWrite::Kind::Delete)
      rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const RowKey& row) { return row.newRow == write.newRow; }),
                 rows.end());
  }
  return rows;
}

std::vector<long long> PendingWrites::KeptChangedRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<long long> rows;
  for (const PendingWrite& write : m_kept)
    if (write.kind != PendingWrite::Kind::Insert && write.newRow == 0 && ruv::EqualsNoCase(write.table, table) &&
        std::find(rows.begin(), rows.end(), write.rowId) == rows.end())
      rows.push_back(write.rowId);
  return rows;
}

long long PendingWrites::LargestKeptRowId(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  long long largest = 0;
  for (const PendingWrite& write : m_kept)
    if (write.kind == PendingWrite::Kind::Insert && ruv::EqualsNoCase(write.table, table))
      largest = std::max(largest, write.rowId);
  return largest;
}

std::string PendingWrites::DescribeOne(const PendingWrite& write) {
  std::string text;
  switch (write.kind) {
    case PendingWrite::Kind::Insert: text = "New row " + std::to_string(write.rowId) + " of " + write.table; break;
    case PendingWrite::Kind::Update: text = "Row " + std::to_string(write.rowId) + " of " + write.table; break;
    case PendingWrite::Kind::Delete: return "Deletion of row " + std::to_string(write.rowId) + " of " + write.table;
  }
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

}  // namespace ruv::db
