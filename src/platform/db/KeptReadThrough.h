#pragma once
// A query read through the kept writes: the tables it names are, for that
// statement alone, what the recordsets over them show (the database's rows
// with the kept changes laid over them, without the rows a kept deletion
// removes, and with the kept new rows after them, each reading its handle for
// its id until it is written). So a count, a sum, a largest id or a choice of
// rows by their values tells what is kept as the recordsets do, while another
// program holds the database or it cannot take a write now.
//
// Each table a kept write reaches is named in the statement by a common table
// expression of its own name, which SQLite reads before the table itself;
// inside it the table is reached as main.<table>. The kept values go in as
// literals that give back exactly what the write binds. Nothing is created in
// the database, so no other statement of the connection is touched.
#include <string>

namespace ruv::db {

class DatabaseHandle;

class KeptReadThrough {
 public:
  // `sql` as it reads through what the handle's PendingWrites keep for the
  // tables it names; `sql` itself when it is no query (SELECT, VALUES or
  // WITH), names no such table, or nothing is kept for them. Read it while
  // the kept writes are held (PendingWrites::HoldWhile): none is written
  // meanwhile. A table of the database's that cannot be read throws DbError.
  // `ownTable` (a keyset's, which reads its own rows by their rowid and lays
  // the kept writes over them itself) is left as the database has it.
  static std::string Query(const DatabaseHandle& handle, const std::string& sql,
                           const std::string& ownTable = std::string());
};

}  // namespace ruv::db
