#pragma once
// The files a person put back beside the journal (a set-aside copy renamed to
// a put-back name): which wait, which were read into the queue, removed once
// the journal holds their records, and what is told of each.
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {

class PutBackIntake {
 public:
  // Whether a file put back beside `journal` waits to be taken over.
  bool Waiting(const std::string& journal) const;

  // How the reading of one file put back ended.
  struct Read {
    enum class Result { Taken, Left, Other };
    Result result = Result::Other;
    std::size_t records = 0;
    std::size_t already = 0;        // of them, the database held already (never written again)
    KeptWriteJournal::Stamp stamp;  // of the file read
    std::string told;               // what the operator is told of a file left
  };
  // Reads each file put back that waits by `read` (into the front of the
  // queue); how many records. What is told of those left goes to `told`.
  std::size_t TakeIn(const std::string& journal, const std::function<Read(const std::string& path)>& read,
                     std::vector<std::string>& told);
  // Whether files were read into the queue and wait for the journal to hold them.
  bool AnyTaken() const { return !m_taken.empty(); }
  // The journal holds their records now: the files go (only as they were
  // read: one changed since is taken over anew), to be told once the writing stops.
  void JournalSaved();
  // The journal could not take them (`error`): they wait where they are, told once per cause.
  void JournalFailed(const std::string& journal, const std::string& error, std::vector<std::string>& told);
  // What became of the files taken over, once the writing stopped at `progress`.
  void Tell(KeptProgress progress, const std::string& journal, const std::string& cause,
            std::vector<std::string>& notices);

 private:
  struct File {
    std::string path;
    KeptWriteJournal::Stamp stamp;
    std::size_t records = 0;
    std::size_t already = 0;
    std::string notRemoved;  // why it could not be removed once the journal held its records
  };
  std::vector<File> m_taken;   // read into the queue; removed once the journal holds them
  std::vector<File> m_toTell;  // removed: told once the writing stops
  // Files left where they are (not a file of records, or unreadable and not
  // movable), as they were: not read again while so.
  std::map<std::string, KeptWriteJournal::Stamp> m_left;
  std::string m_trouble;  // why the journal could not take files put back (told once)
};

}  // namespace ruv::db
