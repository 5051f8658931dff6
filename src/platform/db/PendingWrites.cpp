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

// Runs one kept write; SQLite's result, or SQLITE_NOTFOUND for an update
// whose row is gone.
int RunKept(sqlite3* db, const PendingWrite& write) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, write.sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return rc;
  }
  for (std::size_t i = 0; i < write.values.size(); ++i)
    BindVariant(stmt, static_cast<int>(i + 1), write.values[i].value, write.values[i].asText);
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

bool PendingWrites::WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, const std::function<int()>& write,
                                const std::function<PendingWrite()>& keep, int& rc) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!m_kept.empty()) WriteKeptLocked(handle, 0);
  if (m_kept.empty()) {
    {
      BusyWait wait(handle, busyWaitMs);
      rc = write();
    }
    if (!IsBusy(rc)) return false;
  }
  m_kept.push_back(keep());
  rc = SQLITE_DONE;
  return true;
}

bool PendingWrites::WriteKept(DatabaseHandle& handle, int busyWaitMs) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return WriteKeptLocked(handle, busyWaitMs);
}

bool PendingWrites::WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs) {
  if (!handle.IsOpen()) return m_kept.empty();
  BusyWait wait(handle, busyWaitMs);
  while (!m_kept.empty()) {
    const int rc = RunKept(handle.Get(), m_kept.front());
    if (IsBusy(rc)) return false;
    if (rc != SQLITE_DONE) {
      const std::string why = rc == SQLITE_NOTFOUND ? "the row was deleted meanwhile" : sqlite3_errstr(rc);
      m_failed.push_back(DescribeOne(m_kept.front()) + " (" + why + ")");
    }
    m_kept.erase(m_kept.begin());
  }
  return true;
}

bool PendingWrites::HasKept() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_kept.empty();
}

std::size_t PendingWrites::KeptCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_kept.size();
}

std::vector<std::string> PendingWrites::TakeFailed() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return std::exchange(m_failed, {});
}

void PendingWrites::Overlay(const std::string& table, long long rowId, std::vector<Variant>& row,
                            std::vector<bool>& overlaid, bool& exists) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  overlaid.assign(row.size(), false);
  for (const PendingWrite& write : m_kept) {
    if (write.rowId != rowId || !ruv::EqualsNoCase(write.table, table)) continue;
    if (write.kind == PendingWrite::Kind::Delete) {
      exists = false;
      continue;
    }
    if (write.kind == PendingWrite::Kind::Insert) {
      exists = true;
      std::fill(row.begin(), row.end(), Variant::Null());
      std::fill(overlaid.begin(), overlaid.end(), true);
    }
    for (const auto& [column, value] : write.columns) {
      if (column < 0 || static_cast<std::size_t>(column) >= row.size()) continue;
      row[static_cast<std::size_t>(column)] = value;
      overlaid[static_cast<std::size_t>(column)] = true;
    }
  }
}

std::vector<long long> PendingWrites::KeptNewRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<long long> rows;
  for (const PendingWrite& write : m_kept) {
    if (!ruv::EqualsNoCase(write.table, table)) continue;
    if (write.kind == PendingWrite::Kind::Insert) rows.push_back(write.rowId);
    if (write.kind == PendingWrite::Kind::Delete) rows.erase(std::remove(rows.begin(), rows.end(), write.rowId), rows.end());
  }
  return rows;
}

std::vector<long long> PendingWrites::KeptDeletedRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  std::vector<long long> rows;
  for (const PendingWrite& write : m_kept)
    if (write.kind == PendingWrite::Kind::Delete && ruv::EqualsNoCase(write.table, table)) rows.push_back(write.rowId);
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
