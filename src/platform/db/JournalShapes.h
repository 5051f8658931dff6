#pragma once
// Checks the records read from a journal against the database: a table of
// the program's own, columns it has (and the program writes), values that
// suit them; and builds their statements as the recordsets do, every value
// bound and an update or deletion reaching the one row named. What records
// of one kind, table and set of columns share is checked and built once.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/db/ColumnType.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/PendingWrite.h"

struct sqlite3;

namespace ruv::db {

class JournalShapes {
 public:
  JournalShapes(sqlite3* db, const std::vector<std::string>& ownTables) : m_db(db), m_ownTables(ownTables) {}

  // `line`'s write, checked, its values coerced for their columns and added in
  // the table's order (an insert's id column first, showing `rowHandle`).
  // False with `why` otherwise.
  bool Build(JournalLine& line, long long rowHandle, std::string& why);

  // The columns of each table read, by its own name.
  const std::map<std::string, std::vector<ColumnInfo>>& Tables() const { return m_tables; }

 private:
  struct Shape {
    std::string why;  // why no such record can be written ("" when they can)
    std::size_t badAt = SIZE_MAX;  // the line's value that `why` is about (SIZE_MAX: none of them)
    std::string table;             // the table's own name
    const std::vector<ColumnInfo>* columns = nullptr;
    std::vector<ColumnStorage> storage;  // per column of the table: how it stores a value
    std::vector<int> index;  // per value of the line, its column in the table
    std::vector<int> order;  // the line's values in the table's order
    int idColumn = -1;
    std::shared_ptr<const KeptStatement> statement;
  };

  Shape MakeShape(const JournalLine& line);

  sqlite3* m_db;
  const std::vector<std::string>& m_ownTables;
  std::map<std::string, std::vector<ColumnInfo>> m_tables;
  std::unordered_map<std::string, Shape> m_shapes;  // by kind, table and the line's column names
  std::string m_key;
};

}  // namespace ruv::db
