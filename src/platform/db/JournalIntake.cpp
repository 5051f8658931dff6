#include "platform/db/JournalIntake.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <unordered_set>
#include <utility>

#include "platform/base/AtomicFile.h"

namespace ruv::db {

std::string JournalIntake::Take(JournalFile::Records records, const std::string& path, KeptTexts::From source,
                                bool retriesEnded, JournalState& state, std::size_t* takenOut,
                                KeptWriteJournal::Stamp* stampOut, std::vector<std::string>* listed,
                                std::size_t mostListed, std::size_t* alreadyOut) {
  state = JournalState::None;
  if (records.file == KeptWriteJournal::ReadResult::Absent) return std::string();
  if (records.file == KeptWriteJournal::ReadResult::NotAFile) {
    state = JournalState::Unreadable;
    if (source == KeptTexts::From::PutAtName) return std::string();  // the rewrite tells it and leaves it
    if (source == KeptTexts::From::PutBack) return KeptTexts::PutBackNotAFile(path, records.what);
    // Never followed, never replaced: this run keeps its records in memory only.
    return KeptTexts::JournalNotAFile(m_journal.Drop(), records.what);
  }
  for (auto& [table, columns] : records.tableColumns) m_tableColumns[table] = std::move(columns);
  // A refused record of it is set aside no more open than the file itself.
  if (records.file == KeptWriteJournal::ReadResult::Read) m_setAside.CameFrom(records.stamp.mode);
  if (!records.why.empty()) {
    state = JournalState::Unreadable;
    return m_journal.SetAsideUnreadable(path, source, records.why);
  }
  std::deque<PendingWrite>& writes = records.writes;
  for (const PendingWrite& write : writes)
    if (write.kind == PendingWrite::Kind::Insert) m_queue.AddNewRow(write.newRow, write.table);
  // The new rows written already: the writes that go to them reach their ids.
  for (const auto& [newRow, rowId] : records.writtenRows) m_queue.NoteWritten(newRow, rowId);
  // A write cut short by the end of the program that made it: the lines before it are whole.
  // Kept and told once, however often the journal is read before its rewrite.
  if (!records.cutTail.empty() &&
      (source == KeptTexts::From::PutBack ||
       KeptWriteJournal::AsideHolding(path, KeptWriteJournal::Aside::CutTail, records.cutTail, m_journal.Database())
           .empty())) {
    // Kept beside the journal before any rewrite drops it: a journal made by
    // hand may lack its last line break, and its last line is the person's.
    std::string keptAs;
    std::string error;
    if (source != KeptTexts::From::PutBack) {
      keptAs = KeptWriteJournal::AsideName(path, KeptWriteJournal::Aside::CutTail);
      if (!WriteFileAtomicallyWithin(keptAs, records.cutTail, records.stamp.mode, &error)) keptAs.clear();
    }
    m_told.push_back(KeptTexts::CutTail(path, records.cutTail.size(), keptAs, error));
  }
  // Those that go nowhere are told and left out where they stand.
  for (auto& [write, named] : records.goingNowhere) {
    // Nothing could ever write it: it is told, never set aside to be put back.
    write.newRow = -1;  // a row never kept here
    write.rowId = kNoRowId;
    const std::string why = KeptTexts::GoesNowhere(source == KeptTexts::From::PutBack, named);
    m_told.push_back(m_texts.DescribeOne(write) + " (" + why + ")");
  }
  // A journal of its heading alone (a cut tail at most, told above) holds
  // nothing to write or tell: it goes at the start, with no box of its own.
  if (source == KeptTexts::From::Start && writes.empty() && records.goingNowhere.empty() && records.already == 0) {
    m_journal.TookOver(records.stamp, 0, 0, false);
    std::string notRemoved;
    m_journal.Write(std::string(), 0, notRemoved);
    return std::string();
  }
  // The file still holds them: it is written anew once the writing stops.
  if (!records.goingNowhere.empty()) m_journal.behind = true;
  const std::size_t taken = writes.size();
  if (takenOut) *takenOut = taken;
  if (stampOut) *stampOut = records.stamp;
  if (source == KeptTexts::From::PutAtName) {
    // The file this run wrote last is no longer at the name: what only that
    // file held is in memory only, until the journal is written again.
    std::unordered_set<std::string> tokens;
    for (const PendingWrite& write : writes) tokens.insert(write.token);
    m_queue.ForEach([&](PendingWrite& write) { write.inJournal = tokens.count(write.token) != 0; });
  }
  if (alreadyOut) *alreadyOut = records.already;
  if (source != KeptTexts::From::PutBack) {
    // Its lines as read: those written, or never to be written, are done with.
    const std::size_t done = records.already + records.goingNowhere.size();
    m_journal.TookOver(records.stamp, taken + done, done, records.renumbered || !records.cutTail.empty());
    // Renumbered alone: written anew as it stands, but for the numbers. A
    // write to a new row no line makes keeps a number this run may give:
    // composed anew then, without it.
    if (records.cutTail.empty() && records.goingNowhere.empty()) m_journal.KeepNumbers(std::move(records.numbers));
    m_setAside.ForgetTakenOver();
  }
  // Older than anything this run writes: they go first (after the close's
  // last try, they wait for the next start).
  std::deque<PendingWrite>& queue = retriesEnded ? m_queue.ForNextStart() : m_queue.Kept();
  if (queue.empty())
    queue = std::move(writes);  // not a second copy of a long journal
  else
    queue.insert(queue.begin(), std::make_move_iterator(writes.begin()), std::make_move_iterator(writes.end()));
  m_queue.Changed();
  state = JournalState::Kept;
  if (source == KeptTexts::From::PutBack) return std::string();
  // A long journal is counted past its first records, not listed whole: its file holds every one.
  std::vector<std::string> each = m_texts.DescribeEach(queue, 0, std::min(taken, mostListed));
  std::string told;
  for (const std::string& one : each) told += one + "\n";
  told += KeptTexts::NotListedLine(taken, each.size(), KeptTexts::kEachInJournal);
  if (records.already > 0) told += KeptTexts::Already(records.already) + "\n";
  if (listed) *listed = std::move(each);
  return told;
}

}  // namespace ruv::db
