#pragma once
// Writes kept because the database was locked by another program, in the order
// they were made, until they can be written. While any is kept, a later write on
// the same connection is kept behind it (never written ahead of it), and what
// recordsets over one table read shows the kept values (a kept new row is there
// to read).
//
// A kept new row gets its id only when it is written, as any new row does.
// Until then it is known by a handle, a number below -1 that can never be a
// row's id (ids are 0 or more, -1 is "no row"): its id column reads the handle.
// Following the handle (FollowRowId) gives the id the row got once it is
// written, and the handle itself before; following a real id gives it back
// unchanged, so following is idempotent, and no id is ever followed to another
// row. The kept writes that go to a kept new row, and the recordsets that hold
// it, follow it the same way; if it cannot be written, they fail with it. A
// kept write never reaches a row by an id this program did not get from the
// database.
//
// With a journal (SetJournal), every kept write is also in a file beside the
// database from the moment it is kept until it is written: it is appended to
// the file and made durable before it counts as kept, a process killed at any
// moment leaves it there, and the next start writes it (TakeOverJournal).
// Each kept write carries a token; it is written in one transaction with the
// token's row in the table KeptWritesWritten, which is never forgotten: a
// record found there (a write that went in before the journal was written
// without it, any copy of it put back) is never written twice. A run's tokens
// share a prefix of its own (process id, time, random).
//
// Each try waits for the lock no longer than it is given: a plant that writes
// a row per charge must not stop for the lock at every write. The kept writes
// go in transactions of many (each with its token), so a long queue is written
// back in seconds; a bounded writing stops between two transactions. The
// journal keeps its written records (known by their tokens) until it is
// written anew without them: once a writing stops or at the close, when they
// make up most of it or it holds records never to be tried again. A kept write that
// the database cannot take now (a full disk, an I/O error, a read-only database)
// waits as a locked one does, told once per cause; one it refuses for good (a
// rule of the table, in its own words, a row not in the database) is told once, whichever path
// wrote it, and dropped; a record of a journal taken over is set aside instead,
// its token marked in the table KeptWritesSetAside first (in the transaction
// that refused it, so that a record is either written, or marked and then set
// aside), so that any copy of it put back, however often, writes it once.
//
// The journal is only ever rewritten or removed while the file at its name is
// the one this run wrote last (or took over): a file put there meanwhile (a
// set-aside copy put back) is taken over first, as at a start.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/db/JournalFile.h"
#include "platform/db/JournalIntake.h"
#include "platform/db/KeptNotices.h"
#include "platform/db/KeptQueue.h"
#include "platform/db/KeptTexts.h"
#include "platform/db/PendingWrite.h"
#include "platform/db/PutBackIntake.h"
#include "platform/db/RefusedSetAside.h"

namespace ruv::db {

class DatabaseHandle;

class PendingWrites {
 public:
  // What became of a kept new row.
  using NewRowState = KeptQueue::NewRowState;
  using FailureSink = KeptNotices::FailureSink;
  using NoticeSink = KeptNotices::NoticeSink;

  // Runs `write` on the row `row` names (it gives SQLite's result) waiting at
  // most `busyWaitMs` for the lock, unless writes are kept (the kept ones are
  // tried first, without waiting): then, or when `write` found the database
  // locked, the write `keep` makes joins the queue and true is returned; a kept
  // insert's `row` comes back naming the kept new row. Otherwise false, with
  // `write`'s result in `rc` (a failure other than the lock is the caller's to
  // report); SQLITE_NOTFOUND when `row` is a kept new row that could not be
  // written. `row` comes back with the id a kept new row got when written.
  // After the last try a write the lock refuses is told at once instead of kept.
  bool WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, RowKey& row, const std::function<int(long long rowId)>& write,
                   const std::function<PendingWrite()>& keep, int& rc);
  // Writes the kept ones, oldest first, waiting for the lock at most
  // `busyWaitMs`; stops at the first still locked, or that the database cannot
  // take now. A kept write refused for good is dropped and told. True when none
  // is left. A journal put at its name since (JournalPutBack) is taken over first.
  bool WriteKept(DatabaseHandle& handle, int busyWaitMs);
  // Where a bounded writing of the kept ones stopped.
  using Progress = KeptProgress;
  // As WriteKept, but at most `mostTransactions` transactions (each waits for
  // the lock at most `busyWaitMs`); nothing overtakes what is left. A journal
  // put at its name since is taken over first, its records at the front.
  Progress WriteKeptSome(DatabaseHandle& handle, int busyWaitMs, std::size_t mostTransactions);
  // Whether the last writing stopped at its bound with more to write now.
  bool MoreToWrite() const;
  // Whether every kept write is in the journal's file (it may hold written ones too).
  bool JournalHoldsAll() const;
  // How many kept writes at most go in one transaction.
  inline static constexpr std::size_t kWritesPerTransaction = 1000;
  // How many records of a long journal are listed where they are told (at
  // the start, and at the close for those it keeps): the rest are counted,
  // and the journal's file holds every one of them.
  inline static constexpr std::size_t kMostListedRecords = 1000;
  // Whether a file of records this run did not write lies at the journal's
  // name, or a file put back beside it (KeptWriteJournal::kPutBackSuffix)
  // waits: the next writing (WriteKept, WriteKeptSome) takes it over, and
  // rewrites the journal with its records before it writes anything.
  bool JournalPutBack();
  // The journal's folder is watched for files put back (by the window's
  // thread, which tells each change): it is listed again only after a change,
  // not at every look. While the program runs a file put back is taken only
  // once it stayed as it is over two looks a second apart, and only whole.
  void SetPutBackFolderWatched(bool watched);
  void PutBackFolderChanged();
  bool HasKept() const;
  std::size_t KeptCount() const;
  // Runs `read` with the kept writes as they stand: none is written, dropped
  // or kept meanwhile, so what it reads of them and of the database agree.
  void HoldWhile(const std::function<void()>& read) const;

  // What holds kept writes, in the operator's words: another program's lock,
  // or what the database cannot do now in SQLite's own words (a full disk, a
  // damaged or read-only database, a file it cannot reach). `rc` is SQLite's
  // result; 0 (nothing tried since the lock kept them) is the lock.
  static std::string CauseText(int rc) { return KeptTexts::CauseText(rc); }
  inline static constexpr const char* kLockedCause = KeptTexts::kLockedCause;
  // What holds kept writes the database takes, a transaction at a time: those
  // before them are still being written (a long journal written back)...
  inline static constexpr const char* kBeingWrittenCause = KeptTexts::kBeingWrittenCause;
  // ...until the close's time for them ran out.
  inline static constexpr const char* kCloseTimeCause = KeptTexts::kCloseTimeCause;
  // The cause that held the kept writes at their last try (or holds them now,
  // while they are being written).
  std::string WaitingCause() const;

  // Where failures are told (at once, outside the queue's lock). Without one
  // they wait for TakeFailed.
  void SetFailureSink(FailureSink sink);
  // The dropped writes not yet told, described.
  std::vector<std::string> TakeFailed();
  // Where the files put back that were taken over are told; without one they are not.
  void SetNoticeSink(NoticeSink sink);

  // The close's last try is over: what is still kept is taken out of the queue
  // and returned described (those the journal holds: the first
  // kMostListedRecords of them, the rest counted). Without a journal its new rows are lost, and from
  // now on a write the lock refuses is told at once and never kept. With one,
  // it stays in the journal for the next start, and so does every later write
  // while anything waits there (told at once): nothing overtakes it. Given
  // `notInJournal`, the writes the journal's file does not hold (it could not
  // be written) are described there instead and dropped: only the report
  // has them.
  std::string EndRetries(std::string* notInJournal = nullptr);
  bool RetriesEnded() const;

  // Follows a kept new row to the id it got; the state of the row `row` names.
  NewRowState Resolve(RowKey& row) const;
  // The id the kept new row of `table` with handle `id` got once written; any
  // other `id` (a real id, -1, the handle of a row still kept or lost) unchanged.
  long long FollowRowId(const std::string& table, long long id) const;
  // The kept new row of `table` written as the row `rowId` (its number); 0 for none.
  long long NewRowWrittenAs(const std::string& table, long long rowId) const;
  // The handle the next kept new row gets (asked while making its insert);
  // handles are never reused within the process.
  long long NextRowHandle() const;

  // The kept values of the row `row` names in `table` laid over `row` values
  // (the table's columns, in order); `overlaid` marks the columns they set.
  // `exists` tells whether the row is in the database and comes back telling
  // whether it is there after the kept writes.
  void Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values, std::vector<bool>& overlaid,
               bool& exists) const;
  // The kept new rows of `table` not deleted since, in the order kept.
  std::vector<RowKey> KeptNewRows(const std::string& table) const;
  // The rows of the database in `table` a kept write changes or deletes, once each.
  std::vector<long long> KeptChangedRows(const std::string& table) const;
  // Test seam: how often a table's index of the kept writes was made over the whole queue.
  std::size_t IndexBuildsForTest() const;
  // What is kept, one line per write with its values, for the operator (a new
  // row not written by its values: it has no id yet). Those the journal holds
  // are listed up to kMostListedRecords and the rest counted; those it does
  // not hold are all listed (nothing else has them).
  std::string Describe() const;

  // Keeps every kept write in the file `path` too, until it is written (and,
  // after the last try, for the next start); "" for none. Set before anything is kept.
  // The journal holds data, never statements: each write's kind, table, row and
  // column values. Read back, it is written only into `tables` (the program's
  // own) and their columns, by statements the program builds itself.
  void SetJournal(const std::string& path, std::vector<std::string> tables);
  bool HasJournal() const;
  // At the start: takes the writes the journal at `path` holds from an earlier
  // run into the queue and tries them (waiting at most `busyWaitMs`); each goes
  // in once, and those the lock still refuses stay kept (and in the journal).
  // Returns what the operator is told: "" when there was no journal; else the
  // journal's writes described (the first kMostListedRecords, the rest
  // counted), and what became of them in `state`. Only the
  // first transaction of them is written here (Writing: the rest is for
  // WriteKeptSome, so the start need not wait for a long journal). Anything
  // but a regular file of its own at its name is left alone (never followed
  // nor removed) and this run keeps its writes in memory only; a journal that
  // cannot be read (or names a table or column not the program's) is set aside
  // unrun. Files put back beside it are taken over too, their records in the
  // journal before anything is written. The records the database refuses are
  // set aside alone, as they
  // stand (a change of a new row written names the row's id), in a journal of
  // their own beside it (Refused), so that putting it back (renamed to a
  // put-back name) once the cause is mended writes each once; they stay in the journal while that file cannot
  // be written. A change of a new row no line of the journal makes can never
  // be written: it is told and dropped, never set aside.
  using JournalState = db::JournalState;
  std::string TakeOverJournal(DatabaseHandle& handle, int busyWaitMs, JournalState& state);

  // Test seam: when the hook returns true right after a kept write went in,
  // the writing stops there, as a process killed at that moment would (before
  // the journal is rewritten). While it is set, each kept write goes in a
  // transaction of its own, so that the writing can stop between any two.
  static void SetDeathAfterWriteForTest(std::function<bool()> hook);
  // Test seam: when the hook returns true right after a set-aside copy was
  // written, the writing stops there, as a process killed at that moment
  // would (before the journal is rewritten without its records).
  static void SetDeathAfterSetAsideForTest(std::function<bool()> hook) {
    RefusedSetAside::SetDeathAfterSetAsideForTest(std::move(hook));
  }

  inline static constexpr const char* kWrittenTokensTable = db::kWrittenTokensTable;
  inline static constexpr const char* kSetAsideTokensTable = db::kSetAsideTokensTable;

 private:
  // Takes over what was put at the journal's name or back beside it (the
  // journal is rewritten with it before anything is written), then writes the
  // kept ones and tells what became of the files put back.
  Progress TakeOverThenWrite(DatabaseHandle& handle, int busyWaitMs, std::size_t mostTransactions);
  // Writes at most `mostTransactions` transactions, then tidies the journal
  // once the writing stopped (TidyJournal).
  Progress WriteAndSave(DatabaseHandle& handle, int busyWaitMs, std::size_t mostTransactions);
  // How one transaction of kept writes ended.
  enum class BatchEnd { Written, Waiting, Died };
  BatchEnd WriteBatch(DatabaseHandle& handle);
  // The journal once the writing stopped: removed, rewritten or appended to.
  void TidyJournal();
  // A journal that could not be written, tried again once a second has passed.
  void RetryJournal();
  // Puts a write just kept in the journal's file.
  void JournalKept(PendingWrite& write);
  void Keep(PendingWrite write);
  void Drop(const PendingWrite& write, const std::string& why);
  void MarkLost(const PendingWrite& insert);
  void Refuse(const PendingWrite& write, const std::string& why);
  void TellWaiting(const PendingWrite& write, int rc);
  std::string AtTheClose() const { return KeptTexts::AtTheClose(m_progress, m_heldBy); }
  // Where a file of records read into the queue comes from: the journal at
  // the start, a file put at the journal's name while the program runs, or a
  // file put back beside it.
  using Source = KeptTexts::From;
  // Reads the file at `path` into the queue, its records first (as at a
  // start); what the operator is told of it, and what it was in `state`.
  // `taken` gets how many records it held, `listed` (at the start) the
  // description of each record listed.
  std::string TakeJournalIn(DatabaseHandle& handle, int busyWaitMs, const std::string& path, Source source,
                            JournalState& state, std::size_t* taken = nullptr,
                            std::vector<std::string>* listed = nullptr);
  // Reads the file of records at `path` (`inJournal`: the journal's file holds them).
  JournalFile::Records ReadRecords(DatabaseHandle& handle, int busyWaitMs, const std::string& path, bool inJournal);
  JournalIntake Intake();
  // Whether a file put back beside the journal waits to be taken over (a look at them).
  bool PutBackWaitingLocked();
  // Reads the files put back into the front of the queue; how many records.
  std::size_t TakePutBackIn();
  void TellFailed();
  // Rewrites the journal (taking over a file put at its name first); with
  // `takePutBack`, the files put back beside it too, each removed once the
  // journal holds its records. `onlyTidy`: the file holds every record
  // waiting, and is rewritten only without the written ones: a failure loses
  // nothing and is not told (JournalFile::tidyFailed).
  bool SaveJournal(bool takePutBack = false, bool onlyTidy = false);
  // The journal could not be written (`error`): the files put back leave the
  // queue again, and it is told once per cause.
  void JournalNotWritten(const std::string& error, std::size_t putBack);

  mutable std::recursive_mutex m_mutex;
  KeptQueue m_queue;
  KeptNotices m_told;  // what the operator is told, once the lock is let go
  bool m_retriesEnded = false;
  JournalFile m_journal;
  DatabaseHandle* m_handle = nullptr;  // the one this queue belongs to, once a journal is taken over
  // The columns of the tables the journal taken over writes, by table.
  KeptTexts::TableColumns m_tableColumns;
  RefusedSetAside m_setAside;
  KeptTexts m_texts{m_queue, m_tableColumns, m_setAside.NotAside()};
  bool m_diedForTest = false;    // the test seam stopped the writing after a copy was set aside
  Progress m_progress = Progress::AllWritten;  // where the last writing stopped
  int m_waitingCause = 0;        // what the kept writes wait on but the lock (told once), 0 for nothing
  int m_heldBy = 0;              // what held them at their last try, the lock too (0: the lock that kept them)
  PutBackIntake m_putBack;
  bool m_putBackAsItStands = false;  // at the start: a file put back is taken at the first look
  // While the start writes its first transaction: the refused records, by token and description.
  std::vector<std::pair<std::string, std::string>>* m_refusedAtStart = nullptr;
  std::string m_tokenPrefix;  // of this run's tokens, unique among every program on the database
  unsigned long long m_lastToken = 0;
};

}  // namespace ruv::db
