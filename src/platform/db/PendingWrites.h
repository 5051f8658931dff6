#pragma once
// Writes kept because the database was locked by another program, in the order
// they were made, until they can be written. While any is kept, a later write on
// the same connection is kept behind it (never written ahead of it), and what
// recordsets over one table read shows the kept values (a kept new row is there
// to read).
//
// A kept new row gets its id only when it is written, as any new row does: the
// id it shows meanwhile is the one it is expected to get. The kept writes that
// follow it, and the recordsets that hold it, follow it to the id it got; if it
// cannot be written, they fail with it. A kept write never reaches a row by an
// id this program did not get from the database.
//
// Each try waits for the lock no longer than it is given: a plant that writes
// a row per charge must not stop for the lock at every write. A kept write that
// fails is told once, through the failure sink, whichever path wrote it.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Variant.h"

struct sqlite3_stmt;

namespace ruv::db {

class DatabaseHandle;

// Binds `value` as parameter `parameter`: numbers as numbers, dates as their
// number, a string as text, or as a blob when `asText` is false.
void BindVariant(sqlite3_stmt* stmt, int parameter, const Variant& value, bool asText);

// A row as a recordset holds it: its id, or for a kept new row not yet written,
// the id it is expected to get and the number that names it while it is kept.
struct RowKey {
  long long rowId = 0;
  long long newRow = 0;  // not 0: a kept new row, not yet written
};

struct PendingWrite {
  enum class Kind { Insert, Update, Delete };
  Kind kind = Kind::Update;
  std::string table;
  long long rowId = 0;   // the row written (for a kept new row, the id it is expected to get)
  long long newRow = 0;  // the kept new row this write makes or goes to (0: a row of the database)
  // An update's or a deletion's text ends with "rowid = ?N", N one past `values`:
  // the row's id is bound when the write runs.
  std::string sql;
  // Bound in order as ?1, ?2...; `asText` chooses text over blob for a string.
  struct Bound {
    Variant value;
    bool asText = true;
  };
  std::vector<Bound> values;
  // The table's columns (by their index in the table) and what the write gives them.
  std::vector<std::pair<int, Variant>> columns;
  std::vector<std::string> columnNames;  // for the report: the names of `columns`, same order
};

class PendingWrites {
 public:
  // What became of a kept new row.
  enum class NewRowState { Kept, Written, Lost };
  // Told the described writes that failed; `afterLastTry` once the close has
  // given the kept writes their last try (nobody may be there to answer).
  using FailureSink = std::function<void(const std::vector<std::string>& lines, bool afterLastTry)>;

  // Runs `write` on the row `row` names (it gives SQLite's result) waiting at
  // most `busyWaitMs` for the lock, unless writes are kept (the kept ones are
  // tried first, without waiting): then, or when `write` found the database
  // locked, the write `keep` makes joins the queue and true is returned; a kept
  // insert's `row` comes back naming the kept new row. Otherwise false, with
  // `write`'s result in `rc` (a failure other than the lock is the caller's to
  // report); SQLITE_NOTFOUND when `row` is a kept new row that could not be
  // written. `row` comes back with the id a kept new row got when written.
  // After the last try a write the lock refuses is told at once instead of kept.
  bool WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, RowKey& row, const std::function<int(long long rowId)>& write,
                   const std::function<PendingWrite()>& keep, int& rc);
  // Writes the kept ones, oldest first, waiting for the lock at most
  // `busyWaitMs`; stops at the first still locked. A kept write that fails for
  // another reason is dropped and told. True when none is left.
  bool WriteKept(DatabaseHandle& handle, int busyWaitMs);
  bool HasKept() const;
  std::size_t KeptCount() const;

  // Where failures are told (at once, outside the queue's lock). Without one
  // they wait for TakeFailed.
  void SetFailureSink(FailureSink sink);
  // The dropped writes not yet told, described.
  std::vector<std::string> TakeFailed();

  // The close's last try is over: what is still kept is taken out of the queue
  // (its new rows are lost) and returned described; from now on a write the
  // lock refuses is told at once and never kept.
  std::string EndRetries();
  bool RetriesEnded() const;

  // Follows a kept new row to the id it got; the state of the row `row` names.
  NewRowState Resolve(RowKey& row) const;
  // The id a kept new row of `table` got in place of `rowId`, the one it was
  // expected to get and showed while kept (`rowId` itself when none did).
  long long FollowMovedRowId(const std::string& table, long long rowId) const;

  // The kept values of the row `row` names in `table` laid over `row` values
  // (the table's columns, in order); `overlaid` marks the columns they set.
  // `exists` tells whether the row is in the database and comes back telling
  // whether it is there after the kept writes.
  void Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values, std::vector<bool>& overlaid,
               bool& exists) const;
  // The kept new rows of `table` not deleted since, in the order kept.
  std::vector<RowKey> KeptNewRows(const std::string& table) const;
  // The rows of the database in `table` a kept write changes or deletes, once each.
  std::vector<long long> KeptChangedRows(const std::string& table) const;
  // The largest id a kept new row of `table` is expected to get (0 when none).
  long long LargestKeptRowId(const std::string& table) const;

  // What is kept, one line per write with its values, for the operator.
  std::string Describe() const;

 private:
  bool WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs);
  void Drop(const PendingWrite& write, const std::string& why);
  void NoteWritten(const PendingWrite& write, long long rowId);
  void TellFailed();
  static std::string DescribeOne(const PendingWrite& write);

  mutable std::recursive_mutex m_mutex;
  std::vector<PendingWrite> m_kept;
  std::vector<std::string> m_failed;  // described writes dropped, not yet told
  struct NewRow {
    NewRowState state = NewRowState::Kept;
    long long rowId = 0;  // the id it got once written
  };
  std::map<long long, NewRow> m_newRows;
  // (table in upper case, expected id) of the kept new rows that got another id, and that id.
  std::map<std::pair<std::string, long long>, long long> m_movedRowIds;
  long long m_lastNewRow = 0;
  bool m_retriesEnded = false;
  FailureSink m_sink;
};

}  // namespace ruv::db
