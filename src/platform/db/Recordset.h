#pragma once
// A recordset over one table or one query, with ADO's cursor rules:
//  - Opening takes the keyset: the row ids of every row (a table in the order
//    its rows were added; a query in its own order). The current row's values
//    are read from the database when first asked for after a move.
//  - BOF lies before the first row, EOF after the last; an empty recordset is
//    at both. Moving past BOF or EOF, or reading a field there, throws.
//  - A table, and a query of the form "SELECT * FROM <table> ...", can be
//    updated: a field write starts an edit of the current row, AddNew starts a
//    new row (which then becomes current), Update commits, CancelUpdate discards.
//    Other queries are read-only snapshots.
//  - A move or Close discards a pending edit: nothing is ever committed
//    implicitly.
//  - Delete removes the current row at once; the position stays on the deleted
//    row until the next move (MoveNext reaches the row after it, MovePrevious
//    the one before it).
//  - On a connection that keeps locked writes, an update, a new row or a
//    deletion the lock refuses is kept and written later (PendingWrites): it
//    counts as done, and the rows of a table or of a "SELECT * FROM <table> ..."
//    query show it (a kept row the clause takes in comes after the others,
//    whatever the ORDER BY). Every other query reads its tables as those rows
//    stand too, kept writes laid over the database's, each column of its
//    table's type (KeptReadThrough; a query through a view that reaches them is
//    refused, never read around them). A kept new row gets its id when it is
//    written; until then its id column (and its rowid) reads its handle, a
//    number below -1 that is never a row's id (see PendingWrites).
// Every failure throws DbError.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/db/ColumnType.h"
#include "platform/db/DbError.h"
#include "platform/db/PendingWrites.h"

struct sqlite3_stmt;

namespace ruv::db {

class Connection;
class DatabaseHandle;

// AbsolutePosition values that are no row number.
constexpr long adPosUnknown = -1;
constexpr long adPosBOF = -2;
constexpr long adPosEOF = -3;

enum class EditMode { None, Editing, Adding };

class Recordset {
 public:
  Recordset() = default;
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Both close first. The table name is matched without regard to case.
  void OpenTable(const Connection& connection, const std::string& table);
  void OpenQuery(const Connection& connection, const std::string& sql);
  void Close();
  // Open, and its connection still open.
  bool IsOpen() const;
  bool IsUpdatable() const { return m_updatable; }
  // The table the rows come from ("" for a read-only query).
  const std::string& TableName() const { return m_table; }

  int RecordCount() const;
  int FieldCount() const;
  const ColumnInfo& Field(int index) const;
  // Index of a column by name (case-insensitive); throws when there is none.
  int FieldIndex(const std::string& name) const;

  bool IsBOF() const;
  bool IsEOF() const;
  // 1-based row number, adPosBOF, adPosEOF, or adPosUnknown while adding.
  long AbsolutePosition() const;
  // Makes row `position` (1-based) current; throws when there is no such row.
  void SetAbsolutePosition(long position);
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  // The current row's value (the pending value while it is being edited).
  Variant Value(int index) const;
  void SetValue(int index, const Variant& value);

  // The position (1-based) of the last row whose id is `id` (a row's id, or a
  // kept new row's handle), looked up, not searched for; 0 for none. Only the
  // rows of a table have ids (RowIdColumn).
  long PositionOfRowId(long long id) const;
  // The column that reads the row's id, the table's key; -1 for none.
  int RowIdColumn() const;

  // The id the kept new row of this table with handle `id` got once written;
  // any other `id` unchanged (idempotent: a real id is never followed elsewhere).
  long long FollowRowId(long long id) const;

  EditMode GetEditMode() const { return m_editMode; }
  void AddNew();
  void Update();
  void CancelUpdate();
  void Delete();

 private:
  void Open(const Connection& connection, const std::string& sql, bool isQuery);
  // The rows of `table` the clause ("WHERE ...", "ORDER BY ..." or both) picks.
  void OpenKeyset(const std::string& table, const std::string& clause);
  void AddKeptRows(const std::string& clause);
  // The keys looked up by id from now on (PositionOfRowId), as they stand.
  void IndexKeys();
  void OpenSnapshot(const std::string& sql);
  void RequireOpen() const;
  void RequireColumn(int index) const;
  bool HasCurrentRow() const;
  void RequireCurrentRow() const;
  void DiscardEdit();
  void PositionChanged();
  void LoadRow() const;
  std::string InsertText(std::vector<int>& bound) const;
  // Runs `write` on the row `row` names (SQLite's result); when the connection
  // keeps locked writes, a write the lock refuses is kept as `keep` makes it.
  // `row` follows a kept new row to the id it got. True when kept; other
  // failures throw.
  bool WriteOrKeep(RowKey& row, const std::function<int(long long rowId)>& write,
                   const std::function<PendingWrite()>& keep);
  PendingWrite KeptWrite(PendingWrite::Kind kind, const RowKey& row, std::string sql, const std::vector<int>& bound) const;
  void InsertPending();
  void UpdatePending();
  void Bind(sqlite3_stmt* stmt, int parameter, int column, const Variant& value) const;
  // Runs `sql` with the pending values of the `bound` columns as ?1, ?2... and,
  // unless 0, `rowId` as the next; SQLite's result.
  int RunPendingValues(const std::string& sql, const std::vector<int>& bound, long long rowId);
  Variant ReadStored(sqlite3_stmt* stmt, int resultColumn, const ColumnInfo& column) const;
  sqlite3_stmt* Prepare(const std::string& sql, bool writing) const;
  [[noreturn]] void ThrowNoSuchTable(const std::string& table) const;

  std::shared_ptr<DatabaseHandle> m_handle;
  bool m_open = false;
  bool m_keyset = false;      // rows are row ids read on demand (else a snapshot)
  bool m_updatable = false;
  std::string m_table;
  std::vector<ColumnInfo> m_columns;
  mutable std::vector<RowKey> m_keys;  // a kept new row's key follows it to the id it got, even on a read
  // The keys by id: the first m_sortedKeys are rows of the database in
  // ascending id (a table's, or a query's by its id); the rest, by their id
  // then (a kept new row's: its handle), the last place of each, taken in as
  // far as m_laterIndexed.
  std::size_t m_sortedKeys = 0;
  mutable std::unordered_map<long long, std::size_t> m_laterKeys;
  mutable std::size_t m_laterIndexed = 0;
  std::vector<std::vector<Variant>> m_snapshot;

  long m_index = -1;              // -1: BOF; RecordCount(): EOF
  bool m_currentDeleted = false;  // the row at m_index was deleted; m_index now names its successor
  mutable std::vector<Variant> m_row;
  mutable std::vector<std::optional<DbError>> m_rowErrors;  // per column: why its value could not be read
  mutable bool m_rowLoaded = false;
  mutable bool m_rowShowsKept = false;  // the loaded row shows writes still kept
  mutable sqlite3_stmt* m_readRow = nullptr;

  EditMode m_editMode = EditMode::None;
  std::vector<Variant> m_pending;
  std::vector<bool> m_changed;
  long m_indexBeforeAdd = -1;
  bool m_deletedBeforeAdd = false;
};

}  // namespace ruv::db
