#include "platform/db/KeptQueue.h"

#include <algorithm>
#include <atomic>
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


long long KeptQueue::TakeNumberFor(long long named) {
  // Far below where the numbers would wrap, however many rows follow.
  constexpr long long kMostKept = 1LL << 60;
  long long last = g_lastNewRow.load();
  for (;;) {
    const long long number = named > last && named <= kMostKept ? named : last + 1;
    if (g_lastNewRow.compare_exchange_weak(last, number)) return number;
  }
}

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
  m_writtenAs.emplace(rowId, newRow);
}

long long KeptQueue::NewRowWrittenAs(const std::string& table, long long rowId) const {
  long long newest = 0;
  const auto [first, last] = m_writtenAs.equal_range(rowId);
  for (auto written = first; written != last; ++written) {
    const auto row = m_newRows.find(written->second);
    if (row != m_newRows.end() && row->second.state == NewRowState::Written && row->second.rowId == rowId &&
        ruv::EqualsNoCase(row->second.table, table))
      newest = std::max(newest, written->second);
  }
  return newest;
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

KeptQueue::TableIndex& KeptQueue::IndexOf(const std::string& table) const {
  if (m_indexVersion != m_version) {
    m_indexes.clear();
    m_indexVersion = m_version;
  }
  const std::string key = ruv::ToLowerAscii(table);
  if (const auto found = m_indexes.find(key); found != m_indexes.end()) return found->second;
  ++m_indexBuilds;
  TableIndex& index = m_indexes[key];
  std::uint64_t place = m_firstPlace;
  ForEach([&](const PendingWrite& write) {
    if (ruv::EqualsNoCase(write.table, table)) Index(index, write, place);
    ++place;
  });
  return index;
}

void KeptQueue::Index(TableIndex& index, const PendingWrite& write, std::uint64_t place) {
  const Indexed indexed{place, &write};
  if (write.newRow == 0) {
    index.byRowId[write.rowId].push_back(indexed);
    return;
  }
  index.byNewRow[write.newRow].push_back(indexed);
  if (write.kind == PendingWrite::Kind::Insert) index.inserts.push_back(indexed);
  if (write.kind == PendingWrite::Kind::Delete) index.deletedNewRows.insert(write.newRow);
}

std::vector<KeptQueue::Indexed>& KeptQueue::Live(std::vector<Indexed>& writes) const {
  const auto first = std::find_if(writes.begin(), writes.end(),
                                  [&](const Indexed& indexed) { return indexed.place >= m_firstPlace; });
  writes.erase(writes.begin(), first);
  return writes;
}

PendingWrite& KeptQueue::Append(PendingWrite write, bool forNextStart) {
  std::deque<PendingWrite>& list = forNextStart ? m_forNextStart : m_kept;
  list.push_back(std::move(write));
  PendingWrite& kept = list.back();
  // Kept ahead of the next start's: not at the end of the order.
  if (!forNextStart && !m_forNextStart.empty()) {
    Changed();
    return kept;
  }
  if (m_indexVersion != m_version) return kept;  // made again when next read
  if (const auto index = m_indexes.find(ruv::ToLowerAscii(kept.table)); index != m_indexes.end())
    Index(index->second, kept, m_firstPlace + m_kept.size() + m_forNextStart.size() - 1);
  return kept;
}

void KeptQueue::DropFront(std::size_t count) {
  m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(count));
  m_firstPlace += count;
}

void KeptQueue::Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values,
                        std::vector<bool>& overlaid, bool& exists) const {
  overlaid.assign(values.size(), false);
  TableIndex& index = IndexOf(table);
  auto& byRow = row.newRow != 0 ? index.byNewRow : index.byRowId;
  const auto found = byRow.find(row.newRow != 0 ? row.newRow : row.rowId);
  if (found == byRow.end()) return;
  for (const Indexed& indexed : Live(found->second)) {
    const PendingWrite* write = indexed.write;
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
  if (found->second.empty()) byRow.erase(found);
}

std::vector<RowKey> KeptQueue::KeptNewRows(const std::string& table) const {
  TableIndex& index = IndexOf(table);
  std::vector<RowKey> rows;
  for (const Indexed& insert : Live(index.inserts))
    if (index.deletedNewRows.count(insert.write->newRow) == 0)
      rows.push_back(RowKey{insert.write->rowId, insert.write->newRow});
  return rows;
}

// Each row once, in the order of its first change still kept.
std::vector<long long> KeptQueue::KeptChangedRows(const std::string& table) const {
  TableIndex& index = IndexOf(table);
  std::vector<std::pair<std::uint64_t, long long>> firstChanges;
  for (auto row = index.byRowId.begin(); row != index.byRowId.end();) {
    const std::vector<Indexed>& writes = Live(row->second);
    if (writes.empty()) {
      row = index.byRowId.erase(row);
      continue;
    }
    const auto change = std::find_if(writes.begin(), writes.end(), [](const Indexed& indexed) {
      return indexed.write->kind != PendingWrite::Kind::Insert;
    });
    if (change != writes.end()) firstChanges.emplace_back(change->place, row->first);
    ++row;
  }
  std::sort(firstChanges.begin(), firstChanges.end());
  std::vector<long long> rows;
  rows.reserve(firstChanges.size());
  for (const auto& [place, rowId] : firstChanges) rows.push_back(rowId);
  return rows;
}

}  // namespace ruv::db
