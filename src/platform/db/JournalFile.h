#pragma once
// The journal beside the database as this run keeps it: its name, the file
// this run wrote last (only that one is ever rewritten or removed), why it
// could not be written, and the reading of a file of records (the journal,
// or one put back) into kept writes. One taken over whose new rows were
// numbered anew is copied with this run's numbers, not composed anew.
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/base/Clock.h"
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
  // The file read at `stamp` is this run's now: it holds `records` records,
  // `done` of them written or never to be written. `rewriteFirst`: its lines
  // cannot take an append as they are (its new rows are numbered otherwise
  // than this run numbers them, or it ends inside a line).
  void TookOver(const KeptWriteJournal::Stamp& stamp, std::size_t records, std::size_t done, bool rewriteFirst);
  // The new rows of the file taken over were numbered anew (`numbers`: each
  // one's by the file's own): it is written anew with those numbers, every
  // other byte as it stands (its lines describing each record too), once
  // RewriteRenumbered is asked to.
  void KeepNumbers(std::unordered_map<long long, long long> numbers) { m_numbers = std::move(numbers); }
  // Writes the file taken over anew with its new rows' numbers as this run
  // gave them: no record is composed or described again, so the cost is that
  // of copying the file. False (nothing changed) when it cannot: no numbers
  // kept, the file changed since it was read, a line not as expected, or the
  // write failed; the caller then composes the journal whole.
  bool RewriteRenumbered();

  // Writes `content` (`records` records) at the name, a new file renamed over
  // the old one, or removes the file when it is empty. False with `error` when
  // the name does not hold it now.
  bool Write(const std::string& content, std::size_t records, std::string& error);
  // Appends `lines` (`records` records) to the file this run wrote last and
  // makes them durable. False with `error` when it cannot (no such file, one
  // put there since, one that must be rewritten first, or the disk refused):
  // the file is then as it was.
  bool Append(const std::string& lines, std::size_t records, std::string& error);
  // Appends `write` (just kept) and marks it held; false when it cannot.
  bool AppendOne(PendingWrite& write, const KeptQueue& queue, const KeptTexts& texts,
                 const KeptTexts::TableColumns& tableColumns);
  // Appends the records of `queue` the file does not hold yet (kept while it
  // could not be written), in order, and marks them held; false when it
  // cannot, with why in `error` when given.
  bool AppendNotHeld(KeptQueue& queue, const KeptTexts& texts, const KeptTexts::TableColumns& tableColumns,
                     std::string* error = nullptr);
  // Whether an append may be tried: a file this run wrote last is there and
  // takes one as it is.
  bool CanAppend() const { return m_stamp.present && !m_rewriteFirst; }
  // How many records the file this run wrote last holds.
  std::size_t RecordsHeld() const { return m_records; }
  // `count` records the file holds were written (or are never to be written).
  void NoteDone(std::size_t count) { m_done += count; }
  // Whether those make up most of the file: it is worth rewriting without them.
  bool MostlyDone() const { return m_records > 0 && 2 * m_done > m_records; }

  // A record as the journal holds it: a line describing it for whoever opens
  // the file, then its line of data (a write to a kept new row written since
  // goes to the id it got).
  static void AppendRecord(const PendingWrite& kept, const KeptQueue& queue, const KeptTexts& texts,
                           const KeptTexts::TableColumns& tableColumns, std::string& out,
                           KeptTexts::KeptInserts* inserts = nullptr);
  // What the journal holds: every kept write of `queue` after those refused
  // and `notSetAside` yet, each with a line describing it; "" for none.
  // `records` gets how many.
  std::string Compose(const KeptQueue& queue, const std::vector<PendingWrite>& notSetAside, const KeptTexts& texts,
                      const KeptTexts::TableColumns& tableColumns, std::size_t& records) const;
  // Sets the file of records at `path` that cannot be read (`why`) aside
  // (or leaves it where it is, and then keeps no journal): what the operator is told.
  std::string SetAsideUnreadable(const std::string& path, KeptTexts::From from, const std::string& why);

  // Why the file could not be written last ("" when it was): told once per
  // cause, and not tried again at every record kept.
  std::string trouble;
  // An append tried again failed for `appendTrouble`, which a rewrite did not
  // mend: not rewritten again for it at every try, only appended to.
  std::string appendTrouble;
  // It was written: nothing to try again.
  void Mended() {
    trouble.clear();
    appendTrouble.clear();
  }
  // The file could not be written (`error`) now.
  void Failed(const std::string& error) {
    trouble = error;
    m_failedAt = GetTickCount();
  }
  // Whether it could not be written and a second passed since it was last tried.
  bool RetryDue() const { return !trouble.empty() && TicksSince(m_failedAt, GetTickCount()) >= kRetryMs; }
  inline static constexpr std::uint32_t kRetryMs = 1000;
  // It holds records that must not be tried again (set aside, refused, or
  // never to be written): it is rewritten once the writing stops.
  bool behind = false;
  // A rewrite without its written records failed (the disk had no room): the
  // file holds every record waiting, and it is tried again only once more
  // are written, or at the close.
  bool tidyFailed = false;

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
    // Records the database holds already (their tokens are written): left
    // out, but a kept new row they made (its number, the id it got).
    std::size_t already = 0;
    std::vector<std::pair<long long, long long>> writtenRows;
    // Of those, the ones written with other values than the file gives them
    // (a copy corrected after the first went in), with the row their token
    // wrote: never written, but told.
    std::vector<std::pair<PendingWrite, long long>> writtenOtherwise;
    std::string cutTail;  // a last line without its line break (no record)
    bool renumbered = false;  // its new rows were numbered anew otherwise than the file numbers them
    // When so, the number each new row got, by the file's own.
    std::unordered_map<long long, long long> numbers;
  };
  // Reads the file at `path` a line at a time (never held whole): each record
  // checked against the database `db`, its kept new rows numbered anew.
  // `inJournal`: the journal's file holds them.
  Records Read(sqlite3* db, const std::string& path, bool inJournal) const;

 private:
  std::string m_path;
  std::vector<std::string> m_tables;
  std::string m_database;
  KeptWriteJournal::Stamp m_stamp;
  std::size_t m_records = 0;  // the records the file holds...
  std::size_t m_done = 0;     // ...and how many of them are done with
  bool m_rewriteFirst = false;
  std::unordered_map<long long, long long> m_numbers;  // see KeepNumbers
  std::uint32_t m_failedAt = 0;  // when it was last tried and could not be written
};

}  // namespace ruv::db
