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
// inside it the table is reached as main.<table>. The kept values wait in
// tables of the connection's own temporary database (made once, emptied after
// each read), bound as the writes bind them into columns of the same declared
// types, so they read back exactly as the database would store them, and the
// cost grows with the records kept, not with their square. Nothing of the
// database itself is written.
#include <string>
#include <vector>

namespace ruv::db {

class DatabaseHandle;

class KeptReadThrough {
 public:
  // Lays what the handle's PendingWrites keep for the tables `sql` names
  // into the temporary tables; Sql() then reads through them. `sql` is left
  // as it is when it is no query (SELECT, VALUES or WITH), names no such
  // table, or nothing is kept for them. Make it, and read its Sql(), while the
  // kept writes are held (PendingWrites::HoldWhile): none is written
  // meanwhile. A table that cannot be read or laid out throws DbError.
  // `ownTable` (a keyset's, which reads its own rows by their rowid and lays
  // the kept writes over them itself) is left as the database has it.
  KeptReadThrough(const DatabaseHandle& handle, const std::string& sql, const std::string& ownTable = std::string());
  // Empties the temporary tables it filled.
  ~KeptReadThrough();
  KeptReadThrough(const KeptReadThrough&) = delete;
  KeptReadThrough& operator=(const KeptReadThrough&) = delete;

  const std::string& Sql() const { return m_sql; }

 private:
  // "<table>(<columns>) AS (...)" once the kept writes of `table` are laid
  // out; "" when none reaches it.
  // `rowIdNames`: the names of a row's id the query reads (rowid, oid, _rowid_).
  std::string LayOut(const std::string& table, const std::vector<std::string>& rowIdNames);
  void Exec(const std::string& sql);
  void Empty();

  const DatabaseHandle& m_handle;
  std::string m_sql;
  std::vector<std::string> m_filled;  // the temporary tables to empty afterwards
};

}  // namespace ruv::db
