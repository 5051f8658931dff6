#pragma once
// The statements the program writes a table's rows with, built from the table's
// columns as the database declares them: the recordsets use them for the
// operator's writes, and the kept-writes journal for the records it reads back,
// so a record read from a file is written exactly as the program would write it.
#include <string>
#include <vector>

#include "platform/db/ColumnType.h"

struct sqlite3;

namespace ruv::db {

std::string QuoteIdentifier(const std::string& name);

// Whether the column's declared type has SQLite's text affinity. Elsewhere
// SQLite takes a text that looks like a number for that number; a text column
// of the program's without it (MEMO) takes texts as blobs (StorageOf).
bool HasTextAffinity(const ColumnInfo& column);

// The columns of `table` in order, its AUTOINCREMENT key marked as numbered by
// the database. SQLite's result: SQLITE_DONE when read (no columns: no such table).
int ReadTableColumns(sqlite3* db, const std::string& table, std::vector<ColumnInfo>& columns);

// The insert of a new row giving the columns `given` says: the database numbers
// the key, an AUTOINCREMENT-like counter takes the next number in the same
// statement. `bound` gets the given columns in parameter order (?1, ?2...).
std::string InsertStatement(const std::string& table, const std::vector<ColumnInfo>& columns,
                            const std::vector<bool>& given, std::vector<int>& bound);
// The update of the columns `bound` (in parameter order) of one row, whose id is
// bound last (?N, N one past them).
std::string UpdateStatement(const std::string& table, const std::vector<ColumnInfo>& columns,
                            const std::vector<int>& bound);
// The deletion of one row, its id bound as ?1.
std::string DeleteStatement(const std::string& table);

}  // namespace ruv::db
