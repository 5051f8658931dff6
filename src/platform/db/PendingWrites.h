#pragma once
// Writes kept because the database was locked by another program, in the order
// they were made, until they can be written. While any is kept, a later write on
// the same connection is kept behind it (never written ahead of it), and what
// the recordsets read shows the kept values (a kept new row is there to read).
//
// Each try waits for the lock no longer than it is given: a plant that writes
// a row per charge must not stop for the lock at every write.
#include <functional>
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

struct PendingWrite {
  enum class Kind { Insert, Update, Delete };
  Kind kind = Kind::Update;
  std::string table;
  long long rowId = 0;  // the row written (a new row's id is chosen when it is kept)
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
  // Runs `write` (which gives SQLite's result) waiting at most `busyWaitMs` for
  // the lock, unless writes are kept (the kept ones are tried first, without
  // waiting): then, or when `write` found the database locked, the write `keep`
  // makes joins the queue and true is returned. Otherwise false, with `write`'s
  // result in `rc` (a failure other than the lock is the caller's to report).
  bool WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, const std::function<int()>& write,
                   const std::function<PendingWrite()>& keep, int& rc);
  // Writes the kept ones, oldest first, waiting for the lock at most
  // `busyWaitMs`; stops at the first still locked. A kept write that fails for
  // another reason is dropped and remembered as failed. True when none is left.
  bool WriteKept(DatabaseHandle& handle, int busyWaitMs);
  bool HasKept() const;
  std::size_t KeptCount() const;
  // The dropped writes since the last call, described.
  std::vector<std::string> TakeFailed();

  // The kept values of row `rowId` of `table` laid over `row` (the table's
  // columns, in order); `overlaid` marks the columns they set. `exists` tells
  // whether the row is in the database and comes back telling whether it is
  // there after the kept writes.
  void Overlay(const std::string& table, long long rowId, std::vector<Variant>& row, std::vector<bool>& overlaid,
               bool& exists) const;
  // The ids of kept new rows of `table` not deleted since, in the order kept.
  std::vector<long long> KeptNewRows(const std::string& table) const;
  std::vector<long long> KeptDeletedRows(const std::string& table) const;
  // The largest id a kept new row of `table` has (0 when none).
  long long LargestKeptRowId(const std::string& table) const;

  // What is kept, one line per write with its values, for the operator.
  std::string Describe() const;

 private:
  bool WriteKeptLocked(DatabaseHandle& handle, int busyWaitMs);
  static std::string DescribeOne(const PendingWrite& write);

  mutable std::recursive_mutex m_mutex;
  std::vector<PendingWrite> m_kept;
  std::vector<std::string> m_failed;  // described writes dropped for a failure other than the lock
};

}  // namespace ruv::db
