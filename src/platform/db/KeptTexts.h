#pragma once
// What the operator is told of kept records: each record on one line, the
// causes that hold them, and every sentence about the journal, the files put
// back and the records set aside. Only words: nothing is written or read here.
#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/db/KeptQueue.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {

class KeptTexts {
 public:
  // The columns of each table a journal taken over writes, by table.
  using TableColumns = std::map<std::string, std::vector<std::string>>;
  // `setAside`: refused records not set aside yet (they may name a kept new row).
  KeptTexts(const KeptQueue& queue, const TableColumns& tableColumns, const std::vector<PendingWrite>& setAside)
      : m_queue(queue), m_tableColumns(tableColumns), m_setAside(setAside) {}

  // Where a value only names a write (a kept new row's values naming it, the
  // journal's description line), a text is cut after this many characters.
  static constexpr std::size_t kLongestNamingValue = 200;

  // The kept inserts by the new row they make, among the writes described so
  // far: a change of a kept new row names the row by its insert's values.
  using KeptInserts = std::unordered_map<long long, const PendingWrite*>;
  // One record on one line. A text value longer than `longestValue` is cut
  // (where it only names the write). Given `inserts`, the insert of a kept new
  // row is looked up there (and recorded, for an insert), else searched for.
  std::string DescribeOne(const PendingWrite& write, std::size_t longestValue = std::string::npos,
                          KeptInserts* inserts = nullptr) const;
  // The writes of `list` from `from` on, at most `most` of them, one description per write.
  template <typename List>
  std::vector<std::string> DescribeEach(const List& list, std::size_t from, std::size_t most) const {
    std::vector<std::string> each;
    KeptInserts inserts;
    for (std::size_t i = from; i < list.size() && i - from < most; ++i)
      each.push_back(DescribeOne(list[i], std::string::npos, &inserts));
    return each;
  }
  // The writes of `list` from `from` on, one line each. With a journal, those
  // it holds are listed up to `most` and the rest counted; those it does not
  // hold are all listed, in `notInJournal` when given (only the report has them).
  template <typename List>
  std::string ListBounded(const List& list, std::size_t from, bool withJournal, std::size_t most,
                          std::string* notInJournal) const {
    std::string text;
    KeptInserts inserts;
    std::size_t listed = 0, notListed = 0;
    for (std::size_t i = from; i < list.size(); ++i) {
      const PendingWrite& write = list[i];
      const bool inJournal = withJournal && write.inJournal;
      if (inJournal && listed == most) {
        // The journal holds it: counted, not listed (a long journal's rest).
        ++notListed;
        if (write.kind == PendingWrite::Kind::Insert) inserts[write.newRow] = &write;
        continue;
      }
      std::string& into = !withJournal || inJournal || !notInJournal ? text : *notInJournal;
      into += DescribeOne(write, std::string::npos, &inserts) + "\n";
      if (inJournal) ++listed;
    }
    return text + NotListedLine(listed + notListed, listed, kJournalHoldsEvery);
  }
  // A kept new row's values but its id (it has none yet): what names it in a report.
  std::string Identity(const PendingWrite& insert, std::size_t longestValue = std::string::npos) const;

  // The line that tells a person what the record under it is, in a journal or
  // a set-aside file: never read back, it only has to stay one line.
  static void AppendDescriptionLine(const std::string& description, std::string& out);
  // "1 record", "N records".
  static std::string Records(std::size_t count);
  // What follows a bounded list of `total` records, `listed` of them listed ("" when all were).
  static std::string NotListedLine(std::size_t total, std::size_t listed, const char* where);

  // The causes that hold kept writes, in the operator's words.
  static constexpr const char* kLockedCause = "the database is locked by another program";
  static constexpr const char* kBeingWrittenCause =
      "they are being written to it, a transaction at a time, behind those kept before them";
  static constexpr const char* kCloseTimeCause =
      "the close's time for them ran out while the database still took them (it stops between two transactions)";
  // Another program's lock, or what the database cannot do now in SQLite's
  // own words; `rc` is SQLite's result, 0 (nothing tried since the lock kept them) the lock.
  static std::string CauseText(int rc);
  // The cause behind a kept write after the close's last try, as its line says it.
  static std::string AtTheClose(KeptProgress progress, int heldBy);
  // A kept write that waits on what the database cannot take now (`rc`).
  static std::string WaitingLine(const std::string& described, int rc);

  // The sentences about the files put back...
  // `already` of its records the database held already: none of them was written again.
  static std::string PutBackTaken(const std::string& path, std::size_t records, std::size_t already,
                                  KeptProgress progress, const std::string& journal, const std::string& cause,
                                  const std::string& notRemoved);
  static std::string PutBackWaits(const std::string& path, std::size_t records, const std::string& journal,
                                  const std::string& error);
  static std::string PutBackNotAFile(const std::string& path, const std::string& what);
  static std::string PutBackInsideALine(const std::string& path);
  // A writer opened it after its records were read: it stays, to be taken again.
  static std::string PutBackOpenedToWrite(const std::string& path, std::size_t records);
  // Records of one token with other values in the file `path` and in `from`
  // ("the file … put back", "the journal …"): each pair the one of the file,
  // which goes in, and the one of `from`, left out. One sentence for one;
  // for more, a sentence that counts them over a line for each (a box shows
  // the first few and counts the rest; the report has them all).
  static std::string PutBackSameToken(const std::string& path, const std::string& from,
                                      const std::vector<std::pair<std::string, std::string>>& records);
  // Records of the file `path` whose tokens the database holds already, but
  // written with other values (a copy corrected after the first went in):
  // each described, with the row its token went to ("row 2 of Lot"). Left
  // out, told as above.
  static std::string PutBackWrittenOtherwise(const std::string& path,
                                             const std::vector<std::pair<std::string, std::string>>& records);
  // The same of the records read (each with the row its token wrote).
  std::string WrittenOtherwise(const std::string& path,
                               const std::vector<std::pair<PendingWrite, long long>>& records) const;
  // ...the journal...
  static std::string JournalNotAFile(const std::string& journal, const std::string& what);
  static std::string JournalPutAtNameLeft(const std::string& journal);
  // The journal could not be written: said of what its file holds now
  // (`hadFile`: `fileRecords` records), not of the records only in memory,
  // which grow in number while it cannot be written.
  static std::string JournalNotWritten(const std::string& journal, const std::string& error, bool hadFile,
                                       std::size_t fileRecords);
  // A file of records that cannot be read (`why`), set aside as `aside` or left
  // where it is; `from` says whose records they are.
  enum class From { Start, PutAtName, PutBack };
  static std::string Unreadable(const std::string& path, From from, const std::string& why, bool moved,
                                const std::string& aside);
  static std::string UnreadableInMemoryOnly();
  // The first lines of a file's own text, each on a line of its own behind
  // kFileLineMark (its line breaks, tabs and backslashes written as the
  // journal writes them), and a count of the rest. The mark is set here
  // only: whatever a line of the file ends with, it is never taken for a
  // sentence of the program's own where the text is cut for a box.
  static std::string FileLines(const KeptWriteJournal::Excerpt& excerpt);
  static constexpr const char* kFileLineMark = "| ";
  static constexpr std::size_t kMostFileLines = 4;
  static constexpr std::size_t kLongestFileLine = 200;
  static std::string GoesNowhere(bool putBack, long long named);
  // Of a file's records, how many the database held already (none of them written again).
  static std::string Already(std::size_t already);
  // A file of records whose last `bytes` bytes have no line break (a write cut short): no record.
  // `keptAs`: where those bytes were kept; empty when they were not (`error` says why, if anything).
  static std::string CutTail(const std::string& path, std::size_t bytes, const std::string& keptAs,
                             const std::string& error);
  // ...and the records set aside.
  static std::string SetAsideDone(const std::string& aside, const std::string& journal);
  static std::string SetAsideFailed(const std::string& aside, const std::string& error, const std::string& journal);
  // The start's box when the database refused records of the journal: the
  // refused ones (by token and description) under where they went (set aside
  // as `asidePath`, or not for `asideError`), then the others of the `listed`
  // ones (by `listedTokens`), of the `taken`.
  static std::string StartWithRefused(const std::string* asidePath, const std::string& asideError,
                                      const std::vector<std::pair<std::string, std::string>>& refused,
                                      const std::vector<std::string>& listedTokens,
                                      const std::vector<std::string>& listed, std::size_t taken, bool allWritten,
                                      KeptProgress progress, const std::string& cause);
  // After the close's last try.
  static std::string KeptForNextStart(const std::string& atTheClose);
  static std::string NotInJournalAtClose(const std::string& atTheClose);
  static std::string AfterTheClose(int heldBy);
  static constexpr const char* kRowNotThere = "the row is not in the database (deleted, or never there)";
  static constexpr const char* kNewRowNotWritten = "the new row it belongs to could not be written";
  static constexpr const char* kJournalHoldsEvery = "the journal beside the database holds every one";
  static constexpr const char* kEachInJournal = "each is in the journal beside the database until it is written";

  // A file put back taken without a read lease (none can be had on it): it
  // stays until nothing changed it for `seconds`.
  static std::string PutBackTakenWithoutLease(unsigned seconds);
  // A file put back whose records are in the journal could not be removed once it settled (`why`).
  static std::string PutBackNotRemovedLater(const std::string& path, const std::string& why);

  // A write past a file-size limit (ulimit -f) that the database met: SQLite
  // calls it a disk I/O error, the system says what it is. Kept as the result
  // that holds the kept writes, told in the system's words.
  static constexpr int kFileSizeLimitResult = 10 | (0xFE << 8);  // SQLITE_IOERR, an extension of ours
  // SQLite's words for `rc`, or the system's for the file-size limit.
  static std::string ResultWords(int rc);
  // What holds the kept writes after `rc`: its primary result, or the file-size limit.
  static int CauseOf(int rc) { return rc == kFileSizeLimitResult ? rc : rc & 0xFF; }

 private:
  std::string NewRowIdentity(long long newRow, const KeptInserts* inserts) const;
  // The name of the column `column`, the one `write`'s `i`th value is for.
  std::string ColumnName(const PendingWrite& write, std::size_t i, int column) const;

  const KeptQueue& m_queue;
  const TableColumns& m_tableColumns;
  const std::vector<PendingWrite>& m_setAside;
};

}  // namespace ruv::db
