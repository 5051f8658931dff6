#pragma once
// The kept writes in the order they were made, and what the recordsets read
// of them: the kept values laid over a row, the kept new rows, and what became
// of each kept new row. Holds no lock: PendingWrites holds its own around it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {

class KeptQueue {
 public:
  // What became of a kept new row.
  enum class NewRowState { Kept, Written, Lost };

  // Written from the front, a transaction at a time.
  std::deque<PendingWrite>& Kept() { return m_kept; }
  const std::deque<PendingWrite>& Kept() const { return m_kept; }
  // After the close's last try, with a journal: what waits for the next start, in order.
  std::deque<PendingWrite>& ForNextStart() { return m_forNextStart; }
  const std::deque<PendingWrite>& ForNextStart() const { return m_forNextStart; }
  // Both lists, in order (the next start's after the kept ones).
  template <typename Visit>
  void ForEach(Visit&& visit) const {
    for (const auto* list : {&m_kept, &m_forNextStart})
      for (const PendingWrite& write : *list) visit(write);
  }
  template <typename Visit>
  void ForEach(Visit&& visit) {
    for (auto* list : {&m_kept, &m_forNextStart})
      for (PendingWrite& write : *list) visit(write);
  }
  // Drops from the next start's list, from `from` on, the writes the
  // journal's file does not hold (only the report has them); `lost` is told
  // each insert dropped.
  void DropNotHeldForNextStart(std::size_t from, const std::function<void(const PendingWrite& insert)>& lost);
  // Any other change of either list: the indexes are made again.
  void Changed() { ++m_version; }
  // Keeps `write` at the end of the kept ones (or of the next start's): the
  // indexes take it in alone, however many wait. The write as kept.
  PendingWrite& Append(PendingWrite write, bool forNextStart);
  // The first `count` kept ones are done with (written or refused): they
  // leave the queue, and the indexes pass over them.
  void DropFront(std::size_t count);
  // How often a table's index was made over the whole queue.
  std::size_t IndexBuilds() const { return m_indexBuilds; }

  // The number of the next kept new row: across every connection of the
  // process, so that a handle held from a connection closed since never names
  // a row of a later one. One promised by NextRowHandle is taken first.
  long long TakeNewRowNumber();
  // The number a kept new row read from a file gets: the file's own `named`
  // while no number of the process reached it (an earlier run's journal is
  // then taken as it stands, its lines need no rewrite), else the next. Taken.
  static long long TakeNumberFor(long long named);
  long long NextRowHandle() const;

  // A kept new row `newRow` of `table` is kept (by an insert made or read).
  void AddNewRow(long long newRow, const std::string& table, std::string identity = std::string());
  void ForgetNewRow(long long newRow) {
    m_newRows.erase(newRow);
    m_keptIdentities.erase(newRow);
  }
  void NoteWritten(long long newRow, long long rowId);
  // The kept new row of `table` written as the row `rowId`; 0 for none.
  long long NewRowWrittenAs(const std::string& table, long long rowId) const;
  // A kept new row that cannot be written: named by `identity` from now on.
  void MarkLost(long long newRow, std::string identity);
  // Follows a kept new row to the id it got; the state of the row `row` names.
  NewRowState Resolve(RowKey& row) const;
  struct NewRow {
    NewRowState state = NewRowState::Kept;
    long long rowId = 0;  // the id it got once written
    std::string table;
  };
  // The kept new row `newRow`, nullptr when this connection never kept it.
  const NewRow* FindNewRow(long long newRow) const;
  // The values that named a lost new row, nullptr for one not lost.
  const std::string* LostIdentity(long long newRow) const;
  // The values that name a new row this run kept while it is kept, nullptr
  // for another: a change of it is described without a search through a long queue.
  const std::string* KeptIdentity(long long newRow) const;
  long long FollowRowId(const std::string& table, long long id) const;

  // One shared statement for every write made by the same text.
  void ShareStatement(PendingWrite& write);

  // The kept values of the row `row` names in `table` laid over `values`.
  void Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values, std::vector<bool>& overlaid,
               bool& exists) const;
  std::vector<RowKey> KeptNewRows(const std::string& table) const;
  std::vector<long long> KeptChangedRows(const std::string& table) const;

 private:
  // A kept write as an index holds it, with its place in the order of both
  // lists: those placed before the first write still there are gone (written),
  // passed over and let go when next met.
  struct Indexed {
    std::uint64_t place;
    const PendingWrite* write;
  };
  // The kept writes of one table by the row they reach, in order: what the
  // recordsets read is looked up, not searched for, however long the queue.
  struct TableIndex {
    std::unordered_map<long long, std::vector<Indexed>> byRowId;   // rows of the database
    std::unordered_map<long long, std::vector<Indexed>> byNewRow;  // kept new rows
    std::vector<Indexed> inserts;                  // of kept new rows, in order
    std::unordered_set<long long> deletedNewRows;  // kept new rows a kept write deletes
  };
  TableIndex& IndexOf(const std::string& table) const;
  // Takes `write`, at `place`, into `index`.
  static void Index(TableIndex& index, const PendingWrite& write, std::uint64_t place);
  // The writes of `writes` not gone yet (those gone are let go).
  std::vector<Indexed>& Live(std::vector<Indexed>& writes) const;

  std::deque<PendingWrite> m_kept;
  std::deque<PendingWrite> m_forNextStart;
  std::uint64_t m_version = 0;
  mutable std::uint64_t m_indexVersion = 0;
  mutable std::map<std::string, TableIndex> m_indexes;  // by the table's name in lower case
  std::uint64_t m_firstPlace = 0;  // the place of the first write of both lists
  mutable std::size_t m_indexBuilds = 0;
  std::map<long long, NewRow> m_newRows;  // every kept new row of this connection, by number
  std::unordered_multimap<long long, long long> m_writtenAs;  // the kept new rows written, by the id they got
  // The values that name a lost new row, for the report (the others are named by their insert while it is kept).
  std::map<long long, std::string> m_lostRowIdentities;
  // The values that name the new rows this run kept, while they are kept (not those of a journal read).
  std::unordered_map<long long, std::string> m_keptIdentities;
  // The statements of the kept writes, each held once, by its text.
  std::map<std::string, std::shared_ptr<const KeptStatement>> m_statements;
  mutable long long m_reservedNewRow = 0;  // the number NextRowHandle promised the next kept new row
};

}  // namespace ruv::db
