#pragma once
// The statements of one transaction of kept writes, each prepared once: a
// transaction writes many records, mostly by the same few statements.
#include <string>
#include <unordered_map>

#include "platform/db/PendingWrite.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ruv::db {

class KeptStatements {
 public:
  explicit KeptStatements(sqlite3* db) : m_db(db) {}
  ~KeptStatements();
  KeptStatements(const KeptStatements&) = delete;
  KeptStatements& operator=(const KeptStatements&) = delete;

  // `sql` prepared, unbound; nullptr with SQLite's result in `rc` when it cannot be.
  sqlite3_stmt* Get(const std::string& sql, int& rc);
  // Runs `sql`, which returns no rows; SQLITE_DONE when it went in.
  int Run(const std::string& sql);
  // Runs one kept write on row `rowId` (an insert gets its own); SQLite's
  // result, or SQLITE_NOTFOUND for an update whose row is gone.
  int RunKept(const PendingWrite& write, long long rowId);
  // Whether `token` went in before: SQLITE_ROW with the row it wrote in
  // `rowId`, SQLITE_DONE when not, or the failure.
  int FindWritten(const std::string& token, long long& rowId);
  // Notes `token` as written to row `rowId`, with the digest of its values
  // (WrittenDigest); SQLITE_DONE when it went in.
  int NoteWritten(const std::string& token, long long rowId, const std::string& digest);
  // Marks the token of a record to be set aside, in the transaction that
  // refused it: before any copy holds the record, so that whichever copy is
  // put back, and however often, it is written once. SQLITE_DONE when it went in.
  int MarkSetAside(const std::string& token);
  // Makes the table of written tokens where there is none yet, or gives it
  // the digests' column where an earlier version made it without.
  int MakeWrittenTable();

 private:
  sqlite3* m_db;
  std::unordered_map<std::string, sqlite3_stmt*> m_prepared;
};

}  // namespace ruv::db
