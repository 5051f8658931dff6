#include "platform/db/KeptQueue.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>
#include <utility>

#include "platform/base/Text.h"

namespace ruv::db {
namespace {

// Kept new rows are numbered across every connection of the process.
std::atomic<long long> g_lastNewRow{0};

}  // namespace

void KeptQueue::DropNotHeldForNextStart(std::size_t from,
                                        const std::function<void(const PendingWrite& insert)>& lost) {
  std::deque<PendingWrite> held;
  for (std::size_t i = 0; i < m_forNextStart.size(); ++i) {
    PendingWrite& write = m_forNextStart[i];
    if (i < from || write.inJournal)
      held.push_back(std::move(write));
    else if (write.kind == PendingWrite::Kind::Insert)
      lost(write);
  }
  m_forNextStart = std::move(held);
  Changed();
}

long long KeptQueue::TakeNewRowNumber() {
  return m_reservedNewRow != 0 ? std::exchange(m_reservedNewRow, 0) : ++g_lastNewRow;
}

long long KeptQueue::PeekProcessNewRow() { return g_lastNewRow + 1; }

void KeptQueue::TakeProcessNewRow() { ++g_lastNewRow; }

long long KeptQueue::NextRowHandle() const {
  if (m_reservedNewRow == 0) m_reservedNewRow = ++g_lastNewRow;
  return KeptRowHandle(m_reservedNewRow);
}

void KeptQueue::AddNewRow(long long newRow, const std::string& table, std::string identity) {
  m_newRows[newRow] = NewRow{NewRowState::Kept, 0, table};
  if (!identity.empty()) m_keptIdentities[newRow] = std::move(identity);
}

void KeptQueue::NoteWritten(long long newRow, long long rowId) {
  NewRow& row = m_newRows[newRow];
  row.state = NewRowState::Written;
  row.rowId = rowId;
  m_keptIdentities.erase(newRow);
}

void KeptQueue::MarkLost(long long newRow, std::string identity) {
  m_newRows[newRow].state = NewRowState::Lost;
  m_lostRowIdentities[newRow] = std::move(identity);
  m_keptIdentities.erase(newRow);
}

KeptQueue::NewRowState KeptQueue::Resolve(RowKey& row) const {
  if (row.newRow == 0) return NewRowState::Written;
  const auto found = m_newRows.find(row.newRow);
  if (found == m_newRows.end()) return NewRowState::Lost;
  if (found->second.state == NewRowState::Written) row = RowKey{found->second.rowId, 0};
  return found->second.state;
}

const KeptQueue::NewRow* KeptQueue::FindNewRow(long long newRow) const {
  const auto found = m_newRows.find(newRow);
  return found == m_newRows.end() ? nullptr : &found->second;
}

const std::string* KeptQueue::LostIdentity(long long newRow) const {
  const auto lost = m_lostRowIdentities.find(newRow);
  return lost == m_lostRowIdentities.end() ? nullptr : &lost->second;
}

const std::string* KeptQueue::KeptIdentity(long long newRow) const {
  const auto kept = m_keptIdentities.find(newRow);
  return kept == m_keptIdentities.end() ? nullptr : &kept->second;
}

long long KeptQueue::FollowRowId(const std::string& table, long long id) const {
  if (!IsKeptRowHandle(id)) return id;
  const auto found = m_newRows.find(kNoRowId - id);
  if (found == m_newRows.end() || found->second.state != NewRowState::Written ||
      !ruv::EqualsNoCase(found->second.table, table))
    return id;
  return found->second.rowId;
}

void KeptQueue::ShareStatement(PendingWrite& write) {
  if (!write.statement) return;
  auto& shared = m_statements[write.statement->sql];
  if (!shared || shared->boundAsText != write.statement->boundAsText ||
      shared->columnNames != write.statement->columnNames)
    shared = write.statement;
  write.statement = shared;
}

const KeptQueue::TableIndex& KeptQueue::IndexOf(const std::string& table) const {
  if (m_indexVersion != m_version) {
    m_indexes.clear();
    m_indexVersion = m_version;
  }
  const std::string key = ruv::ToLowerAscii(table);
  if (const auto found = m_indexes.find(key); found != m_indexes.end()) return found->second;
  TableIndex& index = m_indexes[key];
  std::unordered_set<long long> deletedNewRows, changed;
  ForEach([&](const PendingWrite& write) {
    if (!ruv::EqualsNoCase(write.table, table)) return;
    if (write.newRow != 0) {
      index.byNewRow[write.newRow].push_back(&write);
      if (write.kind == PendingWrite::Kind::Insert) index.newRows.push_back(RowKey{write.rowId, write.newRow});
      if (write.kind == PendingWrite::Kind::Delete) deletedNewRows.insert(write.newRow);
      return;
    }
    index.byRowId[write.rowId].push_back(&write);
    if (write.kind != PendingWrite::Kind::Insert && changed.insert(write.rowId).second)
      index.changedRows.push_back(write.rowId);
  });
  std::erase_if(index.newRows, [&](const RowKey& row) { return deletedNewRows.count(row.newRow) != 0; });
  return index;
}

void KeptQueue::Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values,
                        std::vector<bool>& overlaid, bool& exists) const {
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

std::vector<RowKey> KeptQueue::KeptNewRows(const std::string& table) const { return IndexOf(table).newRows; }

std::vector<long long> KeptQueue::KeptChangedRows(const std::string& table) const {
  return IndexOf(table).changedRows;
}

}  // namespace ruv::db
