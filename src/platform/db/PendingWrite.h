#pragma once
// A write kept until the database takes it, and how a kept new row is named
// while it has no id (see PendingWrites).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/db/ColumnType.h"
#include "platform/db/KeptValues.h"

struct sqlite3_stmt;

namespace ruv::db {

// Binds `value` as parameter `parameter` as the database holds it in a column
// stored as `storage` (StoreInColumn): what is bound is what the column takes.
void BindVariant(sqlite3_stmt* stmt, int parameter, const Variant& value, ColumnStorage storage);
void BindStored(sqlite3_stmt* stmt, int parameter, const StoredValue& stored);

// "No row" wherever a row id is held.
constexpr long long kNoRowId = -1;
// Whether `id` is the handle of a kept new row (never a row's id).
constexpr bool IsKeptRowHandle(long long id) { return id < kNoRowId; }
// The handle of kept new row number `newRow` (1, 2...): -2, -3...
constexpr long long KeptRowHandle(long long newRow) { return kNoRowId - newRow; }

// A row as a recordset holds it: its id, or for a kept new row not yet written,
// its handle and the number that names it while it is kept.
struct RowKey {
  long long rowId = 0;   // a kept new row's handle while it is kept
  long long newRow = 0;  // not 0: a kept new row, not yet written
};

// What the kept writes of one statement (a table, a kind, a set of columns)
// share, held once for all of them: a long journal is held in memory whole.
struct KeptStatement {
  // An update's or a deletion's text ends with "rowid = ?N", N one past the
  // values bound: the row's id is bound when the write runs.
  std::string sql;
  // Per value bound: whether its column has text affinity (statements alike
  // are held once). The values are bound as their columns store them, each
  // by the storage kept with it (KeptValues).
  std::vector<bool> boundAsText;
  // The names of the values' columns, in their order; none for the records
  // of a journal taken over (their table's columns name them).
  std::vector<std::string> columnNames;
};

struct PendingWrite {
  enum class Kind : std::uint8_t { Insert, Update, Delete };
  Kind kind = Kind::Update;
  bool fromJournal = false;  // taken over from a journal left at its name
  bool inJournal = false;    // the journal's file as last written holds it
  int idColumn = -1;     // an insert's column that shows the row's id (its handle while kept)
  long long rowId = 0;   // the row written (for a kept new row, its handle)
  long long newRow = 0;  // the kept new row this write makes or goes to (0: a row of the database)
  std::string table;
  std::string token;     // names the write in the journal and, once written, in KeptWritesWritten
  std::shared_ptr<const KeptStatement> statement;
  // The table's columns (by their index in the table) and what the write gives
  // them. Bound in order as ?1, ?2..., but the id column of an insert.
  KeptValues columns;
};

// What a kept write gives the database, short: its kind, table and values
// (KeptValues::Canonical; not the row, which a copy may name by its id once
// its new row is written). Kept with its token once it is written: a record
// of that token read again later with other values is told, not dropped unsaid.
// Marked "2:" before its digits: the values as the database holds them.
std::string WrittenDigest(const PendingWrite& write);
// Whether `digest`, kept when a record of `write`'s token was written, tells
// other values than `write` gives. A digest of an earlier version (16 digits,
// no mark) took a text that reads as a number for that number: it is judged
// in its own form, so a plain copy of such a record is never told as other
// values (a correction it could not tell apart stays untold, as it was).
bool WrittenOtherwise(const std::string& digest, const PendingWrite& write);

// Where a writing of the kept ones stopped: none is left, the first left
// waits (for the lock or for what the database cannot take now), or there are
// more the database would take now.
enum class KeptProgress { AllWritten, Waiting, More };

// The table that records the tokens of the kept writes written...
inline constexpr const char* kWrittenTokensTable = "KeptWritesWritten";
// ...and the one that records the tokens of the records ever set aside.
inline constexpr const char* kSetAsideTokensTable = "KeptWritesSetAside";

}  // namespace ruv::db
