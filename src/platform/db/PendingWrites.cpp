#include "platform/db/PendingWrites.h"

#include <sqlite3.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/base/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/KeptBatch.h"
#include "platform/db/JournalIntake.h"
#include "platform/db/KeptWriteJournal.h"

namespace ruv::db {
namespace {

// Waits at most `ms` for the lock in what runs meanwhile, then the handle's own wait again.
class BusyWait {
 public:
  BusyWait(DatabaseHandle& handle, int ms) : m_handle(handle) { sqlite3_busy_timeout(handle.Get(), ms); }
  ~BusyWait() { sqlite3_busy_timeout(m_handle.Get(), m_handle.BusyTimeout()); }
  BusyWait(const BusyWait&) = delete;
  BusyWait& operator=(const BusyWait&) = delete;

 private:
  DatabaseHandle& m_handle;
};

std::function<bool()>& DeathAfterWrite() {
  static std::function<bool()> hook;
  return hook;
}

}  // namespace

bool PendingWrites::WriteOrKeep(DatabaseHandle& handle, int busyWaitMs, RowKey& row,
                                const std::function<int(long long rowId)>& write,
                                const std::function<PendingWrite()>& keep, int& rc) {
  bool kept = false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    // One transaction of them at most: a long queue is the writing's to work
    // through, not a cycle's write's.
    if (!m_queue.Kept().empty()) TakeOverThenWrite(handle, 0, 1);
    const NewRowState state = m_queue.Resolve(row);
    if (state == NewRowState::Lost) {
      rc = SQLITE_NOTFOUND;
    } else {
      // A kept new row is reached only behind its insert: the queue is not
      // empty. Nothing overtakes what waits for the next start either.
      const bool behind = !m_queue.Kept().empty() || !m_queue.ForNextStart().empty() || state == NewRowState::Kept;
      if (!behind) {
        BusyWait wait(handle, busyWaitMs);
        rc = write(row.rowId);
      }
      if (behind || KeptBatch::IsBusy(rc)) {
        if (!behind) {
          m_heldBy = rc & 0xFF;
          m_progress = Progress::Waiting;
        }
        PendingWrite made = keep();
        if (made.kind == PendingWrite::Kind::Insert) {
          made.newRow = m_queue.TakeNewRowNumber();
          made.rowId = KeptRowHandle(made.newRow);
          m_queue.AddNewRow(made.newRow, made.table, m_texts.Identity(made, KeptTexts::kLongestNamingValue));
          row = RowKey{made.rowId, made.newRow};
        } else {
          made.rowId = row.rowId;
          made.newRow = row.newRow;
        }
        Keep(std::move(made));
        rc = SQLITE_DONE;
        kept = true;
      }
    }
  }
  TellFailed();
  return kept;
}

void PendingWrites::Keep(PendingWrite write) {
  if (m_tokenPrefix.empty()) {
    // Unique to this run, among every program on the database too: the journal
    // may hold tokens of an earlier run, the table those of another program.
    std::random_device device;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    m_tokenPrefix = ruv::Format("%x-%llx-%08x%08x-", static_cast<unsigned>(::getpid()),
                                static_cast<unsigned long long>(now), device(), device());
  }
  write.token = m_tokenPrefix + std::to_string(++m_lastToken);
  m_queue.ShareStatement(write);
  if (!m_retriesEnded) {
    JournalKept(m_queue.Append(std::move(write), false));
  } else if (m_journal.Has()) {
    PendingWrite& kept = m_queue.Append(write, true);
    JournalKept(kept);
    // Behind what the close could not write, for what held that.
    if (kept.inJournal) {
      m_told.failed.push_back(m_texts.DescribeOne(write) + KeptTexts::KeptForNextStart(AtTheClose()));
    } else {
      // Only the report has it: nothing may write it behind the operator's back.
      m_queue.ForNextStart().pop_back();
      m_queue.Changed();
      Drop(write, KeptTexts::NotInJournalAtClose(AtTheClose()));
    }
  } else {
    Drop(write, KeptTexts::AfterTheClose(m_heldBy));
  }
}

// Appended to the journal and made durable before the write is told kept:
// the cost does not grow with the journal. The journal is rewritten whole
// only when its file cannot take an append as it is (none yet, one put at its
// name, one read whose lines must be written anew); one that could not be
// written is not tried again at every write kept, but at most once a second.
void PendingWrites::JournalKept(PendingWrite& write) {
  if (!m_journal.Has()) return;
  if (!m_journal.trouble.empty()) {
    RetryJournal();
    return;
  }
  if (m_journal.PutAtName() || !m_journal.CanAppend()) {
    SaveJournal();
    return;
  }
  // Else the file is as it was: written whole instead (a read-only journal
  // is replaced), or told why not.
  if (!m_journal.AppendOne(write, m_queue, m_texts, m_tableColumns)) SaveJournal();
}

bool PendingWrites::WriteKept(DatabaseHandle& handle, int busyWaitMs) {
  return WriteKeptSome(handle, busyWaitMs, SIZE_MAX) == Progress::AllWritten;
}

PendingWrites::Progress PendingWrites::WriteKeptSome(DatabaseHandle& handle, int busyWaitMs,
                                                     std::size_t mostTransactions) {
  Progress progress;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    progress = TakeOverThenWrite(handle, busyWaitMs, mostTransactions);
  }
  TellFailed();
  return progress;
}

bool PendingWrites::MoreToWrite() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_progress == Progress::More && !m_queue.Kept().empty();
}

bool PendingWrites::JournalHoldsAll() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  const auto& kept = m_queue.Kept();
  return m_journal.Has() && !m_journal.PutAtName() &&
         std::all_of(kept.begin(), kept.end(), [](const PendingWrite& write) { return write.inJournal; });
}

void PendingWrites::Drop(const PendingWrite& write, const std::string& why) {
  m_told.failed.push_back(m_texts.DescribeOne(write) + " (" + why + ")");
  if (write.kind == PendingWrite::Kind::Insert) MarkLost(write);
}

void PendingWrites::MarkLost(const PendingWrite& insert) {
  m_queue.MarkLost(insert.newRow, m_texts.Identity(insert, KeptTexts::kLongestNamingValue));
}

// One transaction (KeptBatch); then what went in (or was refused) is done
// with, in order, and the refused records of a journal are set aside together.
PendingWrites::BatchEnd PendingWrites::WriteBatch(DatabaseHandle& handle) {
  std::deque<PendingWrite>& kept = m_queue.Kept();
  const std::size_t most = std::min(kept.size(), DeathAfterWrite() ? std::size_t{1} : kWritesPerTransaction);
  const KeptBatch::End end = KeptBatch(handle.Get(), m_queue, m_journal.Has()).Write(kept, most);
  std::size_t done = 0;
  for (; done < end.outcomes.size(); ++done) {
    const PendingWrite& write = kept[done];
    const KeptBatch::Outcome& outcome = end.outcomes[done];
    if (write.inJournal) m_journal.NoteDone(1);
    if (!outcome.written) {
      // Never tried again from the journal: it goes from the file once the writing stops.
      if (write.inJournal) m_journal.behind = true;
      Refuse(write, outcome.why);
      continue;
    }
    m_waitingCause = 0;
    if (write.kind == PendingWrite::Kind::Insert) m_queue.NoteWritten(write.newRow, outcome.rowId);
    if (DeathAfterWrite() && DeathAfterWrite()()) {
      m_queue.DropFront(done);
      return BatchEnd::Died;
    }
  }
  // Their tokens went in with the transaction.
  if (m_setAside.Write(m_journal.Path(), m_journal.Database(), m_texts, m_tableColumns, m_told.failed))
    m_diedForTest = true;
  m_queue.DropFront(done);
  if (std::exchange(m_diedForTest, false)) return BatchEnd::Died;
  if (end.waitRc == SQLITE_OK || end.waitRc == SQLITE_DONE) return BatchEnd::Written;
  // What holds them, for every sentence about them.
  m_heldBy = KeptTexts::CauseOf(end.waitRc);
  if (!KeptBatch::IsBusy(end.waitRc) && !kept.empty()) TellWaiting(kept.front(), end.waitRc);
  return BatchEnd::Waiting;
}

PendingWrites::Progress PendingWrites::TakeOverThenWrite(DatabaseHandle& handle, int busyWaitMs,
                                                         std::size_t mostTransactions) {
  if (!handle.IsOpen()) return m_progress = m_queue.Kept().empty() ? Progress::AllWritten : Progress::Waiting;
  // A file put at the journal's name took the place of the one that held this
  // run's records, which are now only in memory; a file put back beside it
  // is taken over as well. The journal is rewritten with both at once, before
  // anything is written: a kill meanwhile must find them in it.
  if (m_journal.PutAtName() || PutBackWaitingLocked()) SaveJournal(true);
  const Progress progress = WriteAndSave(handle, busyWaitMs, mostTransactions);
  m_putBack.Tell(progress, m_journal.Path(), KeptTexts::CauseText(m_heldBy), m_told.notices);
  return progress;
}

PendingWrites::Progress PendingWrites::WriteAndSave(DatabaseHandle& handle, int busyWaitMs,
                                                    std::size_t mostTransactions) {
  BusyWait wait(handle, busyWaitMs);
  const std::size_t before = m_queue.Kept().size();
  Progress progress = Progress::AllWritten;
  for (std::size_t transactions = 0; !m_queue.Kept().empty(); ++transactions) {
    if (transactions == mostTransactions) {
      progress = Progress::More;
      break;
    }
    const BatchEnd end = WriteBatch(handle);
    if (end == BatchEnd::Died) return m_progress = Progress::More;
    if (end == BatchEnd::Waiting) {
      progress = Progress::Waiting;
      break;
    }
  }
  m_progress = progress;
  // The journal is tidied once the writing stops: meanwhile the tokens of
  // what went in tell its written records apart.
  if (progress == Progress::More) return progress;
  // Nothing written: the file is tidied only when it must be, and one that
  // could not be written is tried again at most once a second.
  const bool changed = m_queue.Kept().size() != before;
  if (changed) m_journal.tidyFailed = false;  // more written: the disk may have room now
  if (!changed) RetryJournal();
  if (!changed && (!m_journal.trouble.empty() ||
                   (!m_journal.behind && (!m_journal.MostlyDone() || m_journal.tidyFailed))))
    return progress;
  TidyJournal();
  // The rewrite took in a journal put at its name meanwhile: its records are
  // the writing's to go on with.
  if (progress == Progress::AllWritten && !m_queue.Kept().empty()) progress = m_progress = Progress::More;
  return progress;
}

// With nothing left, the journal goes. Otherwise it is rewritten only when it
// must be (it holds records never to be tried again, or a file was put at its
// name) or when its written records make up most of it; else the records it
// could not take are appended, and the written ones stay, known by their tokens.
void PendingWrites::TidyJournal() {
  if (!m_journal.Has()) return;
  const bool nothingLeft =
      m_queue.Kept().empty() && m_queue.ForNextStart().empty() && m_setAside.NotAside().empty();
  if (nothingLeft || m_journal.behind || m_journal.PutAtName() || !m_journal.CanAppend()) {
    SaveJournal();
    return;
  }
  if (!m_journal.AppendNotHeld(m_queue, m_texts, m_tableColumns)) {
    SaveJournal();
    return;
  }
  m_journal.Mended();
  // It holds every record waiting now: written anew without the written ones
  // only when the disk has room for that, nothing lost meanwhile (no box).
  if (m_journal.MostlyDone() && !m_journal.tidyFailed) SaveJournal(false, true);
}

// Records wait that the file could not take: as soon as the disk has room
// they are there. What it lacks is appended (a refused append cost no more
// than that); only a file that cannot take an append is written whole.
void PendingWrites::RetryJournal() {
  if (!m_journal.Has() || !m_journal.RetryDue()) return;
  std::string error;
  if (m_journal.behind || m_journal.PutAtName() || !m_journal.CanAppend()) {
    SaveJournal();
  } else if (m_journal.AppendNotHeld(m_queue, m_texts, m_tableColumns, &error)) {
    m_journal.Mended();
  } else if (error == m_journal.trouble || error == m_journal.appendTrouble) {
    m_journal.Failed(m_journal.trouble);  // the same cause, told once
  } else {
    // Another cause than the one told: the file may be gone or replaced, which
    // a rewrite mends; else the rewrite tells its own words.
    if (!SaveJournal()) m_journal.appendTrouble = error;
  }
}

std::string PendingWrites::WaitingCause() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  // Stopped at its bound while the database took them: nothing held them but time.
  if (m_progress == Progress::More) return m_retriesEnded ? kCloseTimeCause : kBeingWrittenCause;
  return CauseText(m_heldBy);
}

// Told once per cause, not at every try: the retry timer comes every second.
void PendingWrites::TellWaiting(const PendingWrite& write, int rc) {
  if (KeptTexts::CauseOf(rc) == m_waitingCause) return;
  m_waitingCause = KeptTexts::CauseOf(rc);
  m_told.failed.push_back(KeptTexts::WaitingLine(m_texts.DescribeOne(write), rc));
}

// A write refused for good is told; a record of a journal taken over is set
// aside, to be put back once the cause is mended.
void PendingWrites::Refuse(const PendingWrite& write, const std::string& why) {
  if (m_refusedAtStart) m_refusedAtStart->emplace_back(write.token, m_texts.DescribeOne(write));
  Drop(write, why);
  if (!write.fromJournal) return;
  // As it stands: a change of a new row written since names the row by its id
  // (its insert is not set aside); one whose insert was refused too goes with it.
  PendingWrite aside = write;
  RowKey row{write.rowId, write.newRow};
  if (write.kind != PendingWrite::Kind::Insert && write.newRow != 0 &&
      m_queue.Resolve(row) == NewRowState::Written) {
    aside.rowId = row.rowId;
    aside.newRow = 0;
  }
  m_setAside.Add(std::move(aside));
}

long long PendingWrites::FollowRowId(const std::string& table, long long id) const {
  if (!IsKeptRowHandle(id)) return id;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.FollowRowId(table, id);
}

long long PendingWrites::NewRowWrittenAs(const std::string& table, long long rowId) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.NewRowWrittenAs(table, rowId);
}

long long PendingWrites::NextRowHandle() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.NextRowHandle();
}

bool PendingWrites::HasKept() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return !m_queue.Kept().empty() || !m_queue.ForNextStart().empty();
}

std::size_t PendingWrites::KeptCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.Kept().size();
}

void PendingWrites::SetFailureSink(FailureSink sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_told.SetFailureSink(std::move(sink));
}

void PendingWrites::SetNoticeSink(NoticeSink sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_told.SetNoticeSink(std::move(sink));
}

std::vector<std::string> PendingWrites::TakeFailed() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return std::exchange(m_told.failed, {});
}

// Told outside the lock: the sink may show a box or write a file.
void PendingWrites::TellFailed() {
  KeptNotices::Due due;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    due = m_told.TakeDue(m_retriesEnded);
  }
  due.Tell();
}

std::string PendingWrites::EndRetries(std::string* notInJournal) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_retriesEnded = true;
  // Out of the queue before the journal is written: each of them is in it once.
  std::deque<PendingWrite> left = std::exchange(m_queue.Kept(), {});
  const std::size_t count = left.size();
  m_queue.Changed();
  std::deque<PendingWrite>& forNextStart = m_queue.ForNextStart();
  if (m_journal.Has()) {
    // Still in the journal: the next start writes them. Moved, not copied: a
    // long journal's rest is not held twice.
    for (; !left.empty(); left.pop_front()) forNextStart.push_back(std::move(left.front()));
    // One more chance before it is said, and the file tidied for the next start.
    m_journal.tidyFailed = false;
    TidyJournal();
  }
  // At the end still: a journal put back, taken in by the rewrite, goes before them.
  std::deque<PendingWrite>& list = m_journal.Has() ? forNextStart : left;
  const std::size_t from = list.size() - count;
  const std::size_t onlyReported = notInJournal ? notInJournal->size() : 0;
  const std::string text = m_texts.ListBounded(list, from, m_journal.Has(), kMostListedRecords, notInJournal);
  const bool anyOnlyReported = notInJournal && notInJournal->size() != onlyReported;
  if (!m_journal.Has()) {
    for (const PendingWrite& write : left)
      if (write.kind == PendingWrite::Kind::Insert) MarkLost(write);
  } else if (anyOnlyReported) {
    m_queue.DropNotHeldForNextStart(from, [&](const PendingWrite& insert) { MarkLost(insert); });
  }
  return text;
}

bool PendingWrites::RetriesEnded() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_retriesEnded;
}

PendingWrites::NewRowState PendingWrites::Resolve(RowKey& row) const {
  if (row.newRow == 0) return NewRowState::Written;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.Resolve(row);
}

void PendingWrites::HoldWhile(const std::function<void()>& read) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  read();
}

void PendingWrites::Overlay(const std::string& table, const RowKey& row, std::vector<Variant>& values,
                            std::vector<bool>& overlaid, bool& exists) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_queue.Overlay(table, row, values, overlaid, exists);
}

std::vector<RowKey> PendingWrites::KeptNewRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.KeptNewRows(table);
}

std::vector<long long> PendingWrites::KeptChangedRows(const std::string& table) const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.KeptChangedRows(table);
}

std::size_t PendingWrites::IndexBuildsForTest() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_queue.IndexBuilds();
}

std::string PendingWrites::Describe() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_texts.ListBounded(m_queue.Kept(), 0, m_journal.Has(), kMostListedRecords, nullptr);
}

void PendingWrites::SetJournal(const std::string& path, std::vector<std::string> tables) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_journal.Set(path, std::move(tables));
}

bool PendingWrites::HasJournal() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_journal.Has();
}

void PendingWrites::SetDeathAfterWriteForTest(std::function<bool()> hook) { DeathAfterWrite() = std::move(hook); }

bool PendingWrites::JournalPutBack() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_journal.PutAtName() || PutBackWaitingLocked();
}

void PendingWrites::SetPutBackFolderWatched(bool watched) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_putBack.SetFolderWatched(watched);
}

void PendingWrites::PutBackFolderChanged() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_putBack.FolderChanged();
}

// After the close's last try a file put back waits for the next start.
bool PendingWrites::PutBackWaitingLocked() {
  if (!m_journal.Has() || m_handle == nullptr || m_retriesEnded) return false;
  return m_putBack.Look(m_journal.Path(), m_journal.Database(), m_putBackAsItStands);
}

std::size_t PendingWrites::TakePutBackIn() {
  if (!PutBackWaitingLocked()) return 0;
  return m_putBack.TakeIn(
      [&](const std::string& path, const KeptWriteJournal::Stamp& seen, const std::function<bool()>& leftAlone) {
        PutBackIntake::Read read;
        // A file put back beside the journal does not hold its records for it.
        JournalFile::Records records = ReadRecords(*m_handle, m_handle->BusyTimeout(), path, false);
        // Written to (or opened to be) since the look found it whole and settled: none of it is taken now.
        if (records.file == KeptWriteJournal::ReadResult::Read && (!(records.stamp == seen) || !leftAlone())) {
          read.result = PutBackIntake::Read::Result::Changed;
          return read;
        }
        JournalState state = JournalState::None;
        const auto writtenOtherwise = std::move(records.writtenOtherwise);
        read.told = Intake().Take(std::move(records), path, Source::PutBack, m_retriesEnded, state, &read.records,
                                  &read.stamp, nullptr, kMostListedRecords, &read.already);
        if (state == JournalState::Kept) {
          m_putBack.NoteSameTokens(path, read.records, m_queue.Kept(), m_journal.Path(),
                                   [&](const PendingWrite& write) { return m_texts.DescribeOne(write); });
          if (!writtenOtherwise.empty())
            m_putBack.NoteWrittenOtherwise(m_texts.WrittenOtherwise(path, writtenOtherwise));
        }
        read.result = state == JournalState::Kept         ? PutBackIntake::Read::Result::Taken
                      : state == JournalState::Unreadable ? PutBackIntake::Read::Result::Left
                                                          : PutBackIntake::Read::Result::Other;
        return read;
      },
      m_told.failed);
}

bool PendingWrites::SaveJournal(bool takePutBack, bool onlyTidy) {
  if (!m_journal.Has()) return true;
  // Never over a journal this run did not write: its records join the queue first.
  if (m_journal.PutAtName()) {
    if (m_handle == nullptr) {
      if (m_journal.trouble != "a journal was put there") m_told.failed.push_back(KeptTexts::JournalPutAtNameLeft(m_journal.Path()));
      m_journal.Failed("a journal was put there");
      return false;
    }
    JournalState state = JournalState::None;
    const std::string told =
        TakeJournalIn(*m_handle, m_handle->BusyTimeout(), m_journal.Path(), Source::PutAtName, state);
    if (state == JournalState::Unreadable && !told.empty()) m_told.failed.push_back(told);
    if (!m_journal.Has()) return false;
  }
  // The files put back beside it: at the front of the queue, until the journal holds them.
  const std::size_t putBack = takePutBack ? TakePutBackIn() : 0;
  std::string error;
  std::size_t records = 0;
  const std::string content = m_journal.Compose(m_queue, m_setAside.NotAside(), m_texts, m_tableColumns, records);
  if (!m_journal.Write(content, records, error)) {
    if (onlyTidy) {
      m_journal.tidyFailed = true;  // tried again once more are written, or at the close
      return false;
    }
    JournalNotWritten(error, putBack);
    return false;
  }
  m_queue.ForEach([](PendingWrite& write) { write.inJournal = true; });
  m_journal.Mended();
  m_journal.behind = false;
  m_putBack.JournalSaved();
  return true;
}

void PendingWrites::JournalNotWritten(const std::string& error, std::size_t putBack) {
  if (m_putBack.AnyTaken()) {
    // Their files still hold them: out of the queue again, until the journal can take them.
    std::deque<PendingWrite>& kept = m_queue.Kept();
    for (std::size_t i = 0; i < putBack; ++i)
      if (kept[i].kind == PendingWrite::Kind::Insert) m_queue.ForgetNewRow(kept[i].newRow);
    kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(putBack));
    m_queue.Changed();
    m_putBack.JournalFailed(m_journal.Path(), error, m_told.failed);
  }
  // Once per cause: every kept write rewrites the journal.
  if (error != m_journal.trouble)
    m_told.failed.push_back(KeptTexts::JournalNotWritten(m_journal.Path(), error, m_journal.LastWritten().present,
                                                         m_journal.RecordsHeld()));
  m_journal.Failed(error);
}

std::string PendingWrites::TakeOverJournal(DatabaseHandle& handle, int busyWaitMs, JournalState& state) {
  std::string told;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    state = JournalState::None;
    if (!m_journal.Has()) return std::string();
    m_journal.SetDatabase(handle.Path());
    m_handle = &handle;
    // Before the program runs, nobody is putting a file back as it starts.
    m_putBackAsItStands = true;
    struct AfterTheStart {
      bool& asItStands;
      ~AfterTheStart() { asItStands = false; }
    } afterTheStart{m_putBackAsItStands};
    // A rewrite of the journal or of a set-aside copy cut by a kill left its
    // temporary file; a copy is seldom written again under the same name.
    KeptWriteJournal::SweepTemporaries(m_journal.Path());
    std::size_t taken = 0;
    std::vector<std::string> listed;
    told = TakeJournalIn(handle, busyWaitMs, m_journal.Path(), Source::Start, state, &taken, &listed);
    // Files put back beside it are taken over by the first writing, before it writes anything.
    if (m_journal.Has() && (state == JournalState::Kept || PutBackWaitingLocked())) {
      std::vector<std::string> listedTokens;
      if (state == JournalState::Kept)
        for (std::size_t i = 0; i < listed.size() && i < m_queue.Kept().size(); ++i)
          listedTokens.push_back(m_queue.Kept()[i].token);
      // A journal whose lines cannot take an append as they stand (numbered
      // by an earlier run, or cut inside a line) is written anew before
      // anything is written, not inside the first write kept behind it. Files
      // put back are taken in by that rewrite (TakeOverThenWrite).
      if (state == JournalState::Kept && !m_queue.Kept().empty() && !m_journal.CanAppend() &&
          !PutBackWaitingLocked() && !m_journal.RewriteRenumbered())
        SaveJournal();
      // The first transaction of them now; a long journal's rest is written
      // after the start, a transaction at a time (WriteKeptSome).
      std::vector<std::pair<std::string, std::string>> refused;
      m_refusedAtStart = &refused;
      const Progress progress = TakeOverThenWrite(handle, busyWaitMs, 1);
      m_refusedAtStart = nullptr;
      if (state == JournalState::Kept && m_setAside.TakenOver().kind != RefusedSetAside::Where::Kind::Nowhere) {
        state = JournalState::Refused;
        const RefusedSetAside::Where& where = m_setAside.TakenOver();
        told = KeptTexts::StartWithRefused(where.kind == RefusedSetAside::Where::Kind::SetAside ? &where.path : nullptr,
                                           where.error, refused, listedTokens, listed, taken,
                                           m_queue.Kept().empty(), progress, CauseText(m_heldBy));
      } else if (state == JournalState::Kept) {
        state = m_queue.Kept().empty()       ? JournalState::Written
                : progress == Progress::More ? JournalState::Writing
                                             : JournalState::Kept;
      }
    }
  }
  TellFailed();
  return told;
}

std::string PendingWrites::TakeJournalIn(DatabaseHandle& handle, int busyWaitMs, const std::string& path,
                                         Source source, JournalState& state, std::size_t* takenOut,
                                         std::vector<std::string>* listed) {
  // The journal's file as read holds them, until it is rewritten.
  return Intake().Take(ReadRecords(handle, busyWaitMs, path, true), path, source, m_retriesEnded, state, takenOut,
                       nullptr, listed, kMostListedRecords);
}

JournalFile::Records PendingWrites::ReadRecords(DatabaseHandle& handle, int busyWaitMs, const std::string& path,
                                                bool inJournal) {
  BusyWait wait(handle, busyWaitMs);
  return m_journal.Read(handle.Get(), path, inJournal);
}

JournalIntake PendingWrites::Intake() {
  return JournalIntake(m_queue, m_journal, m_setAside, m_tableColumns, m_texts, m_told.failed);
}

}  // namespace ruv::db
