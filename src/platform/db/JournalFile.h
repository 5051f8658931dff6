#pragma once
// The journal beside the database as this run keeps it: its name, the file
// this run wrote last (only that one is ever rewritten or removed), why it
// could not be written, and the reading of a file of records (the journal,
// or one put back) into kept writes.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/KeptQueue.h"
#include "platform/db/KeptTexts.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrite.h"

struct sqlite3;

namespace ruv::db {

class JournalFile {
 public:
  // The journal at `path`, whose records may write `tables` only (the program's own).
  void Set(const std::string& path, std::vector<std::string> tables);
  const std::string& Path() const { return m_path; }
  bool Has() const { return !m_path.empty(); }
  // No journal from now on (something else lies at its name): its name.
  std::string Drop() { return std::exchange(m_path, std::string()); }
  // The database's own file, never taken for the journal.
  void SetDatabase(const std::string& path) { m_database = path; }
  const std::string& Database() const { return m_database; }

  // Whether a regular file of its own lies at the name, other than the one
  // last written: anything else there is never taken.
  bool PutAtName() const;
  // The file at the name as this run wrote it last (or took it over).
  const KeptWriteJournal::Stamp& LastWritten() const { return m_stamp; }
  void TookOver(const KeptWriteJournal::Stamp& stamp) { m_stamp = stamp; }
  // Writes `content` at the name, or removes the file when it is empty. False
  // with `error` when the name does not hold it now.
  bool Write(const std::string& content, std::string& error);

  // What the journal holds: every kept write of `queue` after those refused
  // and `notSetAside` yet, each with a line describing it; "" for none.
  std::string Compose(const KeptQueue& queue, const std::vector<PendingWrite>& notSetAside, const KeptTexts& texts,
                      const KeptTexts::TableColumns& tableColumns) const;
  // Sets the file of records at `path` that cannot be read (`why`) aside
  // (or leaves it where it is, and then keeps no journal): what the operator is told.
  std::string SetAsideUnreadable(const std::string& path, KeptTexts::From from, const std::string& why);

  // Why the file could not be written last ("" when it was): told once per cause.
  std::string trouble;
  // It still holds records written or set aside since it was written.
  bool behind = false;

  // A file of records read: the records in order, or why it cannot be read.
  struct Records {
    KeptWriteJournal::ReadResult file = KeptWriteJournal::ReadResult::Absent;
    std::string what;  // what is there instead of a file, or why it could not be opened
    std::string why;   // why it cannot be read ("" when it can)
    KeptWriteJournal::Stamp stamp;
    std::deque<PendingWrite> writes;
    // Writes to a new row no line before them makes, with the number that named it.
    std::vector<std::pair<PendingWrite, long long>> goingNowhere;
    KeptTexts::TableColumns tableColumns;  // the columns of each table read
  };
  // Reads the file at `path` a line at a time (never held whole): each record
  // checked against the database `db`, its kept new rows numbered anew.
  // `inJournal`: the journal's file holds them. The prefix of every run whose
  // tokens it holds is added to `tokenPrefixes`.
  Records Read(sqlite3* db, const std::string& path, bool inJournal, std::vector<std::string>& tokenPrefixes) const;

 private:
  std::string m_path;
  std::vector<std::string> m_tables;
  std::string m_database;
  KeptWriteJournal::Stamp m_stamp;
};

}  // namespace ruv::db
