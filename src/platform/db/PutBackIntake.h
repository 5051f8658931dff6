#pragma once
// The files a person put back beside the journal (a set-aside copy renamed to
// a put-back name): which wait, which were read into the queue, removed once
// the journal holds their records, and what is told of each.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/base/ReadLease.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {

class PutBackIntake {
 public:
  // While the program runs a file is taken only whole: once it has stayed as
  // it is (its size and time) over two looks this far apart, and only when
  // its last line ends with a line break. A copy still being made (cp, dd)
  // is never read in part. Nor is one a process still has open for writing
  // (a writer that pauses after a line break): see ReadLease. Where no lease
  // can be had (another user's file, a file system without leases), the
  // looks above are the whole rule.
  static constexpr std::uint32_t kSettledMs = 1000;
  // Where no lease can be had, nothing tells whether a writer still has the
  // file open: one taken stays where it is until it has stayed as it was read
  // (its size, time, file and change time) this long, and is read again if it
  // changes (a record read twice is written once).
  static constexpr std::uint32_t kUnleasedSettledMs = 30000;
  // The name a file taken is moved to before the last look at its lease, out
  // of any writer's reach (an in-progress name, never taken): put back under
  // its name when a writer opened it meanwhile, else removed. One a kill left
  // there is put back at the next look.
  static std::string RemovingName(const std::string& journal);
  // Whether the file name `name` is one an editor, a merge tool or a copying
  // program gives a backup, a swap file or a file in progress (or a hidden
  // one): never a file put back. Given the `journal` it is put back beside,
  // a leading dot that name has of its own (a hidden database's) is no sign.
  static bool InProgressName(const std::string& name, const std::string& journal = std::string());

  // Looks at the files put back beside `journal` (`database`: the database's
  // own file, never taken for one): whether one waits to be taken over now
  // (or to be told). `asItStands`: at the start, before the program runs, a
  // file whose last line is whole is taken at the first look.
  bool Look(const std::string& journal, const std::string& database, bool asItStands);
  // The folder is watched: it is listed again only once told it changed
  // (FolderChanged), not at every look.
  void SetFolderWatched(bool watched);
  void FolderChanged() { m_folderChanged = true; }

  // How the reading of one file put back ended.
  struct Read {
    enum class Result { Taken, Left, Changed, Other };
    Result result = Result::Other;
    std::size_t records = 0;
    std::size_t already = 0;        // of them, the database held already (never written again)
    KeptWriteJournal::Stamp stamp;  // of the file read
    std::string told;               // what the operator is told of a file left
  };
  // Reads each file put back that the last look found ready by `read` (into
  // the front of the queue; `read` takes nothing when the file is no longer
  // as the look found it, given `seen`, or when `leftAlone()`, asked once the
  // file is read, says a writer opened it meanwhile); how many records. What
  // is told of those left goes to `told`.
  using Reader = std::function<Read(const std::string& path, const KeptWriteJournal::Stamp& seen,
                                    const std::function<bool()>& leftAlone)>;
  std::size_t TakeIn(const Reader& read, std::vector<std::string>& told);
  // Of the `records` just read from the file `path` into the front of
  // `queue`, each whose token a record taken over before and waiting behind
  // them holds with other values is told with the files taken: the first in
  // the queue goes in, the other is then found written by its token and left
  // out. Records of equal values (a file read again) are one record, not told.
  // Told once per file or journal met, however many records.
  void NoteSameTokens(const std::string& path, std::size_t records, const std::deque<PendingWrite>& queue,
                      const std::string& journal, const std::function<std::string(const PendingWrite&)>& describe);
  // What is told of the file just read whose records the database holds
  // already with other values (KeptTexts::PutBackWrittenOtherwise): told with
  // the files taken.
  void NoteWrittenOtherwise(std::string told);
  // Whether files were read into the queue and wait for the journal to hold them.
  bool AnyTaken() const { return !m_taken.empty(); }
  // The journal holds their records now: the files go (only as they were
  // read: one changed since is taken over anew), to be told once the writing stops.
  void JournalSaved();
  // The journal could not take them (`error`): they wait where they are, told once per cause.
  void JournalFailed(const std::string& journal, const std::string& error, std::vector<std::string>& told);
  // What became of the files taken over, once the writing stopped at `progress`:
  // what needs the operator first (records of other values or left out, files
  // not taken or not removed), then the files taken as expected.
  void Tell(KeptProgress progress, const std::string& journal, const std::string& cause,
            std::vector<std::string>& notices);

  // Test seam: called with a file's path once the looks let it go and before
  // it is removed (a writer may open it then).
  static void SetBeforeRemovalForTest(std::function<void(const std::string& path)> hook);

 private:
  struct File {
    std::string path;
    KeptWriteJournal::Stamp stamp;
    std::size_t records = 0;
    std::size_t already = 0;
    std::string notRemoved;  // why it could not be removed once the journal held its records
    ReadLease lease;         // held from the read until it is removed
    bool openedToWrite = false;  // a writer opened it after it was read: left, taken again later
    bool unleased = false;       // no lease could be had: removed only once it stayed the same long enough
  };
  // Removes the file taken whose lease is `lease` (held, or none): moved out of
  // reach first, put back under its name when the lease was broken meanwhile
  // or it is no longer as `stamp` says. False when it stays; `why` says why
  // it could not be removed, "" when a writer opened it.
  bool Remove(const std::string& path, const KeptWriteJournal::Stamp& stamp, const ReadLease& lease,
              std::string& why);
  // Moves a file back from RemovingName to `path`, or to a free put-back name
  // beside it when a file was made there meanwhile.
  static void PutBackUnder(const std::string& removing, const std::string& path);
  // The files taken without a lease, as they were once the journal held their
  // records (their change time too), and since when so.
  struct Unleased {
    KeptWriteJournal::Stamp stamp;
    std::uint32_t since = 0;
  };
  std::map<std::string, Unleased> m_unleased;
  std::string m_journal;  // the journal beside which they are put back (as last looked at)
  std::vector<File> m_taken;   // read into the queue; removed once the journal holds them
  std::vector<File> m_toTell;  // removed: told once the writing stops
  std::vector<std::string> m_sameTokens;  // records of one token with other values, told with them
  // Files left where they are (not a file of records, or unreadable and not
  // movable), as they were: not read again while so.
  std::map<std::string, KeptWriteJournal::Stamp> m_left;
  std::string m_trouble;  // why the journal could not take files put back (told once)

  // The names put back, as last listed, each as the looks saw it.
  struct Seen {
    KeptWriteJournal::Stamp stamp;
    std::uint32_t since = 0;  // the tick it was first seen so
  };
  std::map<std::string, Seen> m_seen;
  std::vector<std::string> m_ready;        // whole and settled at the last look: to be read
  std::set<std::string> m_toldInsideALine;  // told once while they end inside a line
  std::vector<std::string> m_news;          // told at the next intake
  bool m_watched = false;
  bool m_folderChanged = true;  // list at the first look
};

}  // namespace ruv::db
