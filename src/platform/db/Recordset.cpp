#include "platform/db/Recordset.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <utility>

#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/KeptReadThrough.h"
#include "platform/db/TableStatements.h"

namespace ruv::db {

namespace {

// The longest a write waits for another program's lock before it is kept for later.
constexpr int kLockedWriteWaitMs = 250;

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Skips blanks, then the keyword (case-insensitive) as a whole word.
bool TakeKeyword(const std::string& sql, std::size_t& pos, const char* keyword) {
  while (pos < sql.size() && std::isspace(static_cast<unsigned char>(sql[pos]))) ++pos;
  std::size_t length = std::char_traits<char>::length(keyword);
  if (!ruv::EqualsNoCase(std::string_view(sql).substr(pos, length), keyword)) return false;
  if (pos + length < sql.size() && IsWordChar(sql[pos + length]) && IsWordChar(keyword[length - 1])) return false;
  pos += length;
  return true;
}

// "SELECT * FROM <table> [WHERE ...|ORDER BY ...]": the rows of one table, so
// they can be updated through their row ids. Gives the table and the clause.
bool ParsePlainSelect(const std::string& sql, std::string& table, std::string& clause) {
  std::size_t pos = 0;
  if (!TakeKeyword(sql, pos, "SELECT") || !TakeKeyword(sql, pos, "*") || !TakeKeyword(sql, pos, "FROM")) return false;
  while (pos < sql.size() && std::isspace(static_cast<unsigned char>(sql[pos]))) ++pos;
  if (pos >= sql.size()) return false;
  if (sql[pos] == '"') {
    std::size_t i = pos + 1;
    for (; i < sql.size(); ++i) {
      if (sql[i] != '"') continue;
      if (i + 1 < sql.size() && sql[i + 1] == '"') {
        ++i;
        continue;
      }
      break;
    }
    if (i >= sql.size()) return false;
    table = ruv::ReplaceAll(sql.substr(pos + 1, i - pos - 1), "\"\"", "\"");
    pos = i + 1;
  } else if (sql[pos] == '[') {
    std::size_t close = sql.find(']', pos);
    if (close == std::string::npos) return false;
    table = sql.substr(pos + 1, close - pos - 1);
    pos = close + 1;
  } else {
    std::size_t start = pos;
    while (pos < sql.size() && IsWordChar(sql[pos])) ++pos;
    table = sql.substr(start, pos - start);
  }
  if (table.empty()) return false;
  clause = ruv::Trim(sql.substr(pos));
  if (clause.empty()) return true;
  std::size_t at = 0;
  if (TakeKeyword(clause, at, "WHERE")) return true;
  at = 0;
  return TakeKeyword(clause, at, "ORDER") && TakeKeyword(clause, at, "BY");
}

// Parameter `parameter` read with the affinity of `column`, as the table's
// column would be in a comparison ('10' equals a LONG 10). A text kept as
// its bytes (MEMO) is left as bound: a cast would take '007' for 7.
std::string TypedParameter(const ColumnInfo& column, std::size_t parameter) {
  const std::string bound = "?" + std::to_string(parameter);
  const ColumnStorage storage = StorageOf(column);
  if (storage.textAsBlob) return bound;
  switch (storage.affinity) {
    case Affinity::Text: return "CAST(" + bound + " AS TEXT)";
    case Affinity::Real: return "CAST(" + bound + " AS REAL)";
    case Affinity::Numeric: case Affinity::Integer: return "CAST(" + bound + " AS NUMERIC)";
    case Affinity::Blob: break;
  }
  return bound;
}

[[noreturn]] void ThrowNoCurrentRecord() {
  throw DbError(kErrNoCurrentRecord,
                "Either BOF or EOF is True, or the current record has been deleted. "
                "Requested operation requires a current record.");
}

[[noreturn]] void ThrowNotUpdatable() {
  throw DbError(kErrNotUpdatable, "The recordset cannot be updated: it is a query of more than one plain table.");
}

}  // namespace

Recordset::~Recordset() { Close(); }

void Recordset::OpenTable(const Connection& connection, const std::string& table) { Open(connection, table, false); }

void Recordset::OpenQuery(const Connection& connection, const std::string& sql) { Open(connection, sql, true); }

void Recordset::Open(const Connection& connection, const std::string& source, bool isQuery) {
  Close();
  if (!connection.IsOpen()) throw DbError(kErrObjectClosed, "Operation is not allowed when the connection is closed.");
  m_handle = connection.Handle();
  try {
    if (!isQuery) {
      sqlite3_stmt* find = Prepare(
          "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", false);
      sqlite3_bind_text(find, 1, source.c_str(), -1, SQLITE_TRANSIENT);
      int rc = sqlite3_step(find);
      std::string name = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(find, 0)) : "";
      sqlite3_finalize(find);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_handle->Fail(rc, false);
      if (name.empty()) ThrowNoSuchTable(source);
      OpenKeyset(name, "ORDER BY rowid");
    } else {
      std::string table, clause;
      if (ParsePlainSelect(source, table, clause)) {
        OpenKeyset(table, clause);
      } else {
        OpenSnapshot(source);
      }
    }
  } catch (...) {
    Close();
    throw;
  }
  m_open = true;
  m_index = RecordCount() > 0 ? 0 : -1;
}

void Recordset::OpenKeyset(const std::string& table, const std::string& clause) {
  int rc = ReadTableColumns(m_handle->Get(), table, m_columns);
  if (rc != SQLITE_DONE) m_handle->Fail(rc, false);
  if (m_columns.empty()) ThrowNoSuchTable(table);

  std::string select = "SELECT ";
  for (std::size_t i = 0; i < m_columns.size(); ++i) select += (i ? ", " : "") + QuoteIdentifier(m_columns[i].name);
  select += " FROM " + QuoteIdentifier(table) + " WHERE rowid = ?1";
  m_readRow = Prepare(select, false);
  m_table = table;
  // The rows include what is kept for a locked database, as it stands while they are read.
  m_handle->Pending().HoldWhile([&] {
    {
      // The table's own rows as the database has them (the kept ones are
      // taken in below); a clause that reads tables, this one too, reads them as kept.
      const KeptReadThrough keysRead(*m_handle, "SELECT rowid FROM main." + QuoteIdentifier(table) + " " + clause,
                                     table);
      sqlite3_stmt* keys = Prepare(keysRead.Sql(), false);
      while ((rc = sqlite3_step(keys)) == SQLITE_ROW) m_keys.push_back(RowKey{sqlite3_column_int64(keys, 0), 0});
      sqlite3_finalize(keys);
      if (rc != SQLITE_DONE) m_handle->Fail(rc, false);
    }
    if (m_handle->Pending().HasKept()) AddKeptRows(clause);
  });
  IndexKeys();
  m_keyset = true;
  m_updatable = true;
}

// The rows kept writes make, change or delete are taken in or left out as the
// clause decides on their kept values (taken in rows come after the others).
void Recordset::AddKeptRows(const std::string& clause) {
  const PendingWrites& pending = m_handle->Pending();
  std::vector<RowKey> touched;
  for (long long id : pending.KeptChangedRows(m_table)) touched.push_back(RowKey{id, 0});
  for (const RowKey& added : pending.KeptNewRows(m_table)) touched.push_back(added);
  if (touched.empty()) return;
  // The clause, asked of one row of bound values named and typed as the
  // table's columns (and its rowid, last).
  std::string values;
  for (std::size_t i = 0; i < m_columns.size(); ++i)
    values += TypedParameter(m_columns[i], i + 1) + " AS " + QuoteIdentifier(m_columns[i].name) + ", ";
  values += "CAST(?" + std::to_string(m_columns.size() + 1) + " AS INTEGER) AS rowid";
  const KeptReadThrough testRead(*m_handle,
                                 "SELECT 1 FROM (SELECT " + values + ") AS " + QuoteIdentifier(m_table) + " " + clause);
  sqlite3_stmt* test = Prepare(testRead.Sql(), false);
  // Looked up, not searched for: a long journal's kept rows are many.
  const auto keyOf = [](const RowKey& key) { return std::make_pair(key.newRow, key.rowId); };
  std::set<std::pair<long long, long long>> held, dropped;
  for (const RowKey& key : m_keys) held.insert(keyOf(key));
  try {
    for (RowKey key : touched) {
      std::vector<Variant> row(m_columns.size(), Variant::Null());
      bool exists = false;
      if (key.newRow == 0) {
        sqlite3_reset(m_readRow);
        sqlite3_bind_int64(m_readRow, 1, key.rowId);
        exists = sqlite3_step(m_readRow) == SQLITE_ROW;
        for (std::size_t i = 0; exists && i < m_columns.size(); ++i) {
          try {
            row[i] = ReadStored(m_readRow, static_cast<int>(i), m_columns[i]);
          } catch (const DbError&) {
            // left NULL: the clause decides without it
          }
        }
        sqlite3_reset(m_readRow);
      }
      std::vector<bool> overlaid;
      pending.Overlay(m_table, key, row, overlaid, exists);
      bool matches = false;
      if (exists) {
        sqlite3_reset(test);
        for (std::size_t i = 0; i < row.size(); ++i)
          BindVariant(test, static_cast<int>(i + 1), row[i], StorageOf(m_columns[i]));
        sqlite3_bind_int64(test, static_cast<int>(row.size() + 1), key.rowId);
        const int rc = sqlite3_step(test);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_handle->Fail(rc, false);
        matches = rc == SQLITE_ROW;
        sqlite3_reset(test);
      }
      const bool isHeld = held.count(keyOf(key)) != 0;
      if (matches && !isHeld) {
        m_keys.push_back(key);
        held.insert(keyOf(key));
      }
      if (!matches && isHeld) {
        dropped.insert(keyOf(key));
        held.erase(keyOf(key));
      }
    }
  } catch (...) {
    sqlite3_finalize(test);
    throw;
  }
  sqlite3_finalize(test);
  if (!dropped.empty())
    std::erase_if(m_keys, [&](const RowKey& key) { return dropped.count(keyOf(key)) != 0; });
}

void Recordset::IndexKeys() {
  m_sortedKeys = 0;
  while (m_sortedKeys < m_keys.size() && m_keys[m_sortedKeys].newRow == 0 &&
         (m_sortedKeys == 0 || m_keys[m_sortedKeys - 1].rowId < m_keys[m_sortedKeys].rowId))
    ++m_sortedKeys;
  m_laterKeys.clear();
  m_laterIndexed = m_sortedKeys;
}

long Recordset::PositionOfRowId(long long id) const {
  if (!m_keyset) return 0;
  // The rows added since the last look.
  for (; m_laterIndexed < m_keys.size(); ++m_laterIndexed) m_laterKeys[m_keys[m_laterIndexed].rowId] = m_laterIndexed;
  std::size_t found = 0;  // one past the place
  const auto sortedEnd = m_keys.begin() + static_cast<std::ptrdiff_t>(m_sortedKeys);
  const auto sorted = std::lower_bound(m_keys.begin(), sortedEnd, id,
                                       [](const RowKey& key, long long value) { return key.rowId < value; });
  if (sorted != sortedEnd && sorted->rowId == id) found = static_cast<std::size_t>(sorted - m_keys.begin()) + 1;
  const auto later = [&](long long indexedAs) {
    const auto at = m_laterKeys.find(indexedAs);
    if (at == m_laterKeys.end()) return;
    // A kept new row reads the id it got once written, no longer its handle.
    RowKey& key = m_keys[at->second];
    m_handle->Pending().Resolve(key);
    if (key.rowId == id) found = std::max(found, at->second + 1);
  };
  later(id);
  // A kept new row written since it was taken in is found by the id it got.
  if (!IsKeptRowHandle(id))
    if (const long long newRow = m_handle->Pending().NewRowWrittenAs(m_table, id)) later(KeptRowHandle(newRow));
  return static_cast<long>(found);
}

int Recordset::RowIdColumn() const {
  if (!m_keyset) return -1;
  for (std::size_t i = 0; i < m_columns.size(); ++i)
    if (m_columns[i].rowIdAlias) return static_cast<int>(i);
  return -1;
}

// Read through the kept writes as the rows of a table are (KeptReadThrough),
// while none of them is written.
void Recordset::OpenSnapshot(const std::string& sql) {
  m_handle->Pending().HoldWhile([&] {
    const KeptReadThrough readThrough(*m_handle, sql);
    // The columns are named and typed as the query itself has them.
    sqlite3_stmt* stmt = Prepare(sql, false);
    const int count = sqlite3_column_count(stmt);
    for (int i = 0; i < count; ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      const char* type = sqlite3_column_decltype(stmt, i);
      m_columns.push_back(DescribeColumn(name ? name : "", type ? type : ""));
    }
    if (readThrough.Sql() != sql) {
      sqlite3_finalize(stmt);
      stmt = Prepare(readThrough.Sql(), false);
      if (sqlite3_column_count(stmt) != count) {
        sqlite3_finalize(stmt);
        throw DbError(kErrDatabase, "The query \"" + sql +
                                        "\" could not be read through the records kept for the database (it "
                                        "reads a row's id beside all of a table's columns); it was not run.");
      }
    }
    int rc;
    try {
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<Variant> row;
        for (int i = 0; i < count; ++i) row.push_back(ReadStored(stmt, i, m_columns[i]));
        m_snapshot.push_back(std::move(row));
      }
    } catch (...) {
      sqlite3_finalize(stmt);
      throw;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) m_handle->Fail(rc, false);
  });
}

void Recordset::Close() {
  DiscardEdit();
  if (m_readRow) sqlite3_finalize(m_readRow);
  m_readRow = nullptr;
  m_handle.reset();
  m_open = m_keyset = m_updatable = false;
  m_table.clear();
  m_columns.clear();
  m_keys.clear();
  m_sortedKeys = 0;
  m_laterKeys.clear();
  m_laterIndexed = 0;
  m_snapshot.clear();
  m_index = -1;
  m_currentDeleted = false;
  m_row.clear();
  m_rowErrors.clear();
  m_rowLoaded = false;
}

bool Recordset::IsOpen() const { return m_open && m_handle && m_handle->IsOpen(); }

void Recordset::RequireOpen() const {
  if (!IsOpen()) throw DbError(kErrObjectClosed, "Operation is not allowed when the object is closed.");
}

void Recordset::RequireColumn(int index) const {
  if (index < 0 || index >= static_cast<int>(m_columns.size()))
    throw DbError(kErrItemNotFound, ruv::Format("Item cannot be found in the collection corresponding to the "
                                                "requested name or ordinal (%d).", index));
}

int Recordset::RecordCount() const {
  return static_cast<int>(m_keyset ? m_keys.size() : m_snapshot.size());
}

int Recordset::FieldCount() const { return static_cast<int>(m_columns.size()); }

const ColumnInfo& Recordset::Field(int index) const {
  RequireColumn(index);
  return m_columns[index];
}

int Recordset::FieldIndex(const std::string& name) const {
  for (std::size_t i = 0; i < m_columns.size(); ++i)
    if (ruv::EqualsNoCase(m_columns[i].name, name)) return static_cast<int>(i);
  throw DbError(kErrItemNotFound, ruv::Format("Item cannot be found in the collection corresponding to the requested "
                                              "name or ordinal ('%s').", name.c_str()));
}

bool Recordset::IsBOF() const {
  if (RecordCount() == 0) return true;
  return !m_currentDeleted && m_editMode != EditMode::Adding && m_index < 0;
}

bool Recordset::IsEOF() const {
  if (RecordCount() == 0) return true;
  return !m_currentDeleted && m_editMode != EditMode::Adding && m_index >= RecordCount();
}

bool Recordset::HasCurrentRow() const {
  return !m_currentDeleted && m_index >= 0 && m_index < RecordCount();
}

void Recordset::RequireCurrentRow() const {
  if (!HasCurrentRow()) ThrowNoCurrentRecord();
}

long Recordset::AbsolutePosition() const {
  if (m_editMode == EditMode::Adding || m_currentDeleted) return adPosUnknown;
  if (RecordCount() == 0 || m_index < 0) return adPosBOF;
  if (m_index >= RecordCount()) return adPosEOF;
  return m_index + 1;
}

void Recordset::PositionChanged() {
  m_rowLoaded = false;
  m_row.clear();
  m_rowErrors.clear();
}

void Recordset::DiscardEdit() {
  if (m_editMode == EditMode::Adding) {
    m_index = m_indexBeforeAdd;
    m_currentDeleted = m_deletedBeforeAdd;
  }
  m_editMode = EditMode::None;
  m_pending.clear();
  m_changed.clear();
}

void Recordset::MoveFirst() {
  RequireOpen();
  DiscardEdit();
  m_currentDeleted = false;
  m_index = RecordCount() > 0 ? 0 : -1;
  PositionChanged();
}

void Recordset::MoveLast() {
  RequireOpen();
  DiscardEdit();
  m_currentDeleted = false;
  m_index = RecordCount() - 1;
  PositionChanged();
}

void Recordset::SetAbsolutePosition(long position) {
  RequireOpen();
  if (position < 1 || position > RecordCount())
    throw DbError(kErrNoCurrentRecord, ruv::Format("There is no row number %ld.", position));
  DiscardEdit();
  m_currentDeleted = false;
  m_index = position - 1;
  PositionChanged();
}

void Recordset::MoveNext() {
  RequireOpen();
  DiscardEdit();
  if (IsEOF()) ThrowNoCurrentRecord();
  if (m_currentDeleted)
    m_currentDeleted = false;  // the row after the deleted one already sits at m_index
  else
    ++m_index;
  PositionChanged();
}

void Recordset::MovePrevious() {
  RequireOpen();
  DiscardEdit();
  if (IsBOF()) ThrowNoCurrentRecord();
  m_currentDeleted = false;
  --m_index;
  PositionChanged();
}

void Recordset::ThrowNoSuchTable(const std::string& table) const {
  // Say a table is missing only when the schema itself was read and lacks it:
  // a database that cannot be read (a full disk, a lost file) says so instead.
  sqlite3_stmt* find = Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                               false);
  sqlite3_bind_text(find, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(find);
  const bool listed = rc == SQLITE_ROW && sqlite3_column_int(find, 0) > 0;
  sqlite3_finalize(find);
  if (rc != SQLITE_ROW) m_handle->Fail(rc, false);
  if (listed)
    throw DbError(kErrDatabase, ruv::Format("Could not read the table '%s' (%s).", table.c_str(),
                                            sqlite3_errmsg(m_handle->Get())));
  throw DbError(kErrNoSuchTable, ruv::Format("Cannot find the table '%s'. Make sure it exists and that its name is "
                                             "spelled correctly.", table.c_str()));
}

sqlite3_stmt* Recordset::Prepare(const std::string& sql, bool writing) const {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(m_handle->Get(), sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    m_handle->Fail(rc, writing);
  }
  if (!stmt) throw DbError(kErrDatabase, "The query text holds no statement.");
  return stmt;
}

Variant Recordset::ReadStored(sqlite3_stmt* stmt, int resultColumn, const ColumnInfo& column) const {
  switch (sqlite3_column_type(stmt, resultColumn)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER: {
      long long value = sqlite3_column_int64(stmt, resultColumn);
      if (!column.known) {
        if (value >= INT32_MIN && value <= INT32_MAX) return Variant::I4(static_cast<std::int32_t>(value));
        return Variant::R8(static_cast<double>(value));
      }
      return FromStoredInteger(column, value);
    }
    case SQLITE_FLOAT: {
      double value = sqlite3_column_double(stmt, resultColumn);
      return column.known ? FromStoredReal(column, value) : Variant::R8(value);
    }
    case SQLITE_BLOB:
      if (column.type != VT_BSTR)
        throw DbError(DISP_E_TYPEMISMATCH, ruv::Format("The column '%s' holds binary data, not a %s value.",
                                                       column.name.c_str(), column.declaredType.c_str()));
      [[fallthrough]];
    default: {
      const char* text = reinterpret_cast<const char*>(
          sqlite3_column_type(stmt, resultColumn) == SQLITE_BLOB ? sqlite3_column_blob(stmt, resultColumn)
                                                                 : sqlite3_column_text(stmt, resultColumn));
      std::string value(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, resultColumn)));
      return column.known ? FromStoredText(column, value) : Variant::String(value);
    }
  }
}

void Recordset::LoadRow() const {
  // A row that shows kept writes is read again: they may have been written or dropped since.
  if (m_rowLoaded && !m_rowShowsKept) return;
  if (!m_keyset) {
    m_row = m_snapshot[static_cast<std::size_t>(m_index)];
    m_rowErrors.clear();
    m_rowLoaded = true;
    return;
  }
  RowKey& key = m_keys[static_cast<std::size_t>(m_index)];
  if (m_handle->Pending().Resolve(key) == PendingWrites::NewRowState::Lost)
    throw DbError(kErrDeletedRow, "The new row could not be written to the database (it was reported); it is not there.");
  // A kept new row is not in the database yet: its expected id may be another's row.
  int rc = SQLITE_DONE;
  sqlite3_reset(m_readRow);
  if (key.newRow == 0) {
    sqlite3_bind_int64(m_readRow, 1, key.rowId);
    rc = sqlite3_step(m_readRow);
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    sqlite3_reset(m_readRow);
    m_handle->Fail(rc, false);
  }
  // A value that cannot be read fails the read of its own column only: the
  // other columns of the row stay readable, and the error names the right one.
  std::vector<Variant> row(m_columns.size(), Variant::Null());
  std::vector<std::optional<DbError>> errors(m_columns.size());
  bool exists = rc == SQLITE_ROW;
  try {
    for (std::size_t i = 0; exists && i < m_columns.size(); ++i) {
      try {
        row[i] = ReadStored(m_readRow, static_cast<int>(i), m_columns[i]);
      } catch (const DbError& error) {
        errors[i] = error;
      }
    }
  } catch (...) {
    sqlite3_reset(m_readRow);
    throw;
  }
  sqlite3_reset(m_readRow);
  // Writes kept for a locked database are what the row holds now.
  bool showsKept = key.newRow != 0;
  if (m_handle->Pending().HasKept()) {
    std::vector<bool> overlaid;
    m_handle->Pending().Overlay(m_table, key, row, overlaid, exists);
    for (std::size_t i = 0; i < overlaid.size() && i < errors.size(); ++i) {
      if (!overlaid[i]) continue;
      errors[i].reset();
      showsKept = true;
    }
  }
  // Written meanwhile (by another thread's write): read where it went.
  if (!exists && key.newRow != 0 && m_handle->Pending().Resolve(key) == PendingWrites::NewRowState::Written)
    return LoadRow();
  if (!exists) throw DbError(kErrDeletedRow, "The current row was deleted by another program or window.");
  m_row = std::move(row);
  m_rowErrors = std::move(errors);
  m_rowLoaded = true;
  m_rowShowsKept = showsKept;
}

Variant Recordset::Value(int index) const {
  RequireOpen();
  RequireColumn(index);
  if (m_editMode != EditMode::None && m_changed[static_cast<std::size_t>(index)])
    return m_pending[static_cast<std::size_t>(index)];
  if (m_editMode == EditMode::Adding) return Variant::Null();
  RequireCurrentRow();
  LoadRow();
  if (static_cast<std::size_t>(index) < m_rowErrors.size() && m_rowErrors[static_cast<std::size_t>(index)])
    throw *m_rowErrors[static_cast<std::size_t>(index)];
  return m_row[static_cast<std::size_t>(index)];
}

void Recordset::SetValue(int index, const Variant& value) {
  RequireOpen();
  RequireColumn(index);
  if (!m_updatable) ThrowNotUpdatable();
  const ColumnInfo& column = m_columns[static_cast<std::size_t>(index)];
  if (column.autoNumber)
    throw DbError(kErrFieldReadOnly, ruv::Format("The column '%s' is numbered by the database and cannot be written.",
                                                 column.name.c_str()));
  if (m_editMode == EditMode::None) RequireCurrentRow();
  Variant stored = CoerceForColumn(column, value);
  if (m_editMode == EditMode::None) {
    m_editMode = EditMode::Editing;
    m_pending.assign(m_columns.size(), Variant::Null());
    m_changed.assign(m_columns.size(), false);
  }
  m_pending[static_cast<std::size_t>(index)] = std::move(stored);
  m_changed[static_cast<std::size_t>(index)] = true;
}

long long Recordset::FollowRowId(long long id) const {
  return m_handle ? m_handle->Pending().FollowRowId(m_table, id) : id;
}

void Recordset::AddNew() {
  RequireOpen();
  if (!m_updatable) ThrowNotUpdatable();
  DiscardEdit();
  m_indexBeforeAdd = m_index;
  m_deletedBeforeAdd = m_currentDeleted;
  m_editMode = EditMode::Adding;
  m_pending.assign(m_columns.size(), Variant::Null());
  m_changed.assign(m_columns.size(), false);
}

void Recordset::Bind(sqlite3_stmt* stmt, int parameter, int column, const Variant& value) const {
  BindVariant(stmt, parameter, value, StorageOf(m_columns[static_cast<std::size_t>(column)]));
}

int Recordset::RunPendingValues(const std::string& sql, const std::vector<int>& bound, long long rowId) {
  sqlite3_stmt* stmt = Prepare(sql, true);
  for (std::size_t p = 0; p < bound.size(); ++p)
    Bind(stmt, static_cast<int>(p + 1), bound[p], m_pending[static_cast<std::size_t>(bound[p])]);
  if (rowId != 0) sqlite3_bind_int64(stmt, static_cast<int>(bound.size() + 1), rowId);
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  return rc;
}

// Builds the insert of the pending row: the database gives its id.
std::string Recordset::InsertText(std::vector<int>& bound) const {
  return InsertStatement(m_table, m_columns, m_changed, bound);
}

bool Recordset::WriteOrKeep(RowKey& row, const std::function<int(long long rowId)>& write,
                            const std::function<PendingWrite()>& keep) {
  int rc = SQLITE_DONE;
  bool kept = false;
  if (m_handle->KeepsLockedWrites()) {
    const int wait = std::min(m_handle->BusyTimeout(), kLockedWriteWaitMs);
    kept = m_handle->Pending().WriteOrKeep(*m_handle, wait, row, write, keep, rc);
  } else if (m_handle->Pending().Resolve(row) == PendingWrites::NewRowState::Written) {
    rc = write(row.rowId);
  } else {
    rc = SQLITE_NOTFOUND;
  }
  if (!kept && rc == SQLITE_NOTFOUND)
    throw DbError(kErrDeletedRow, "The new row this change belongs to could not be written to the database (it was "
                                  "reported); the change was not saved.");
  if (!kept && rc != SQLITE_DONE) m_handle->Fail(rc, true);
  return kept;
}

PendingWrite Recordset::KeptWrite(PendingWrite::Kind kind, const RowKey& row, std::string sql,
                                  const std::vector<int>& bound) const {
  PendingWrite write;
  write.kind = kind;
  write.table = m_table;
  write.rowId = row.rowId;
  write.newRow = row.newRow;
  auto statement = std::make_shared<KeptStatement>();
  statement->sql = std::move(sql);
  if (kind == PendingWrite::Kind::Insert) {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
      if (!m_columns[i].rowIdAlias) continue;
      write.columns.Add(static_cast<int>(i), FromStoredInteger(m_columns[i], row.rowId), StorageOf(m_columns[i]));
      statement->columnNames.push_back(m_columns[i].name);
      write.idColumn = static_cast<int>(i);
    }
  }
  for (int column : bound) {
    const Variant& value = m_pending[static_cast<std::size_t>(column)];
    statement->boundAsText.push_back(HasTextAffinity(m_columns[static_cast<std::size_t>(column)]));
    write.columns.Add(column, value, StorageOf(m_columns[static_cast<std::size_t>(column)]));
    statement->columnNames.push_back(m_columns[static_cast<std::size_t>(column)].name);
  }
  write.statement = std::move(statement);
  return write;
}

// A kept new row is written as any other, and gets its id then: meanwhile its
// id column shows its handle.
void Recordset::InsertPending() {
  std::vector<int> bound;
  const std::string sql = InsertText(bound);
  RowKey row;
  WriteOrKeep(
      row,
      [&](long long) {
        const int rc = RunPendingValues(sql, bound, 0);
        if (rc == SQLITE_DONE) row.rowId = sqlite3_last_insert_rowid(m_handle->Get());
        return rc;
      },
      [&] { return KeptWrite(PendingWrite::Kind::Insert, RowKey{m_handle->Pending().NextRowHandle(), 0}, sql, bound); });
  m_keys.push_back(row);
}

void Recordset::UpdatePending() {
  std::vector<int> bound;
  for (std::size_t i = 0; i < m_columns.size(); ++i)
    if (m_changed[i]) bound.push_back(static_cast<int>(i));
  if (bound.empty()) return;
  RowKey& row = m_keys[static_cast<std::size_t>(m_index)];
  // The row's id is bound last, when the write runs: a kept new row's is known only then.
  const std::string sql = UpdateStatement(m_table, m_columns, bound);
  bool rowGone = false;
  WriteOrKeep(
      row,
      [&](long long rowId) {
        const int rc = RunPendingValues(sql, bound, rowId);
        rowGone = rc == SQLITE_DONE && sqlite3_changes(m_handle->Get()) == 0;
        return rc;
      },
      [&] { return KeptWrite(PendingWrite::Kind::Update, row, sql, bound); });
  if (rowGone)
    throw DbError(kErrDeletedRow, "The current row was deleted by another program or window; it was not saved.");
}

void Recordset::Update() {
  RequireOpen();
  if (m_editMode == EditMode::None) return;
  // On failure the edit stays pending: the caller decides to retry or cancel.
  if (m_editMode == EditMode::Adding) {
    InsertPending();
    m_index = RecordCount() - 1;
    m_currentDeleted = false;
  } else {
    UpdatePending();
  }
  m_editMode = EditMode::None;
  m_pending.clear();
  m_changed.clear();
  PositionChanged();
}

void Recordset::CancelUpdate() {
  DiscardEdit();
  PositionChanged();
}

void Recordset::Delete() {
  RequireOpen();
  if (!m_updatable) ThrowNotUpdatable();
  DiscardEdit();
  RequireCurrentRow();
  RowKey& row = m_keys[static_cast<std::size_t>(m_index)];
  const std::string sql = DeleteStatement(m_table);
  WriteOrKeep(
      row,
      [&](long long rowId) {
        sqlite3_stmt* stmt = Prepare(sql, true);
        sqlite3_bind_int64(stmt, 1, rowId);
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        return rc;
      },
      [&] { return KeptWrite(PendingWrite::Kind::Delete, row, sql, {}); });
  m_keys.erase(m_keys.begin() + m_index);
  // The rows after it moved up a place.
  if (static_cast<std::size_t>(m_index) < m_sortedKeys) --m_sortedKeys;
  m_laterKeys.clear();
  m_laterIndexed = m_sortedKeys;
  m_currentDeleted = true;
  PositionChanged();
}

}  // namespace ruv::db
