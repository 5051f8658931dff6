#pragma once
// The journal's file beside the database, and the copies set aside beside it
// (a journal that cannot be read, the records the database refused): each
// taken only as the regular file of its own name (no link followed, not the
// database's own file, no pipe or device opened), rewritten whole (a new file
// renamed over it) or removed. What the lines mean is JournalFormat's.
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruv::db {

class KeptWriteJournal {
 public:
  // Which file lies at a name, and as it was then: a file put there since, or
  // changed in place, or one of whose other names went (its link count), has
  // another stamp.
  struct Stamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    nlink_t links = 0;
    mode_t mode = 0;  // its permission bits: what it is, not which (never compared)
    timespec changed{};  // its inode's change time (a rename changes it too; compared only where said)
    bool operator==(const Stamp& other) const;
  };
  // The stamp of what lies at `path` now (a link's own, never followed).
  static Stamp StampOf(const std::string& path);
  // The permission bits a file of the database's records beside it may have
  // at most: never more open than the database itself (the program's own
  // user reads and writes it). Any bits while the database cannot be looked at.
  static unsigned MostModeBeside(const std::string& database);

  enum class ReadResult { Absent, Read, NotAFile, Failed };
  // The first lines of a file, as a person is shown them.
  struct Excerpt {
    std::vector<std::string> lines;    // each without its line break, cut after the longest shown
    std::vector<std::size_t> lengths;  // each line's whole length
    std::size_t moreLines = 0;         // how many lines follow them
  };
  // The first `most` lines of the file at `path` (`database`: the database's
  // own path, never taken for it), each cut after `longest` bytes, and how
  // many more it holds: a line at a time, never held whole (a file of junk
  // may be long). `what` says what is there instead, or why it failed.
  static ReadResult ReadExcerpt(const std::string& path, const std::string& database, std::size_t most,
                                std::size_t longest, Excerpt& excerpt, std::string& what);
  // Hands `line` each line of the file (without its line break)
  // as it is read, never the whole file at once: a long journal is not held
  // twice. `line` returns false to stop the reading there. A last line without
  // its line break (a write cut short) is never handed on: `cutTail` gets its
  // bytes (none when the file ends with a line break).
  static ReadResult ReadLines(const std::string& path, const std::string& database,
                              const std::function<bool(std::string_view line)>& line, std::string& what,
                              Stamp* stamp = nullptr, std::string* cutTail = nullptr);
  // Whether the regular file of its own at `path` ends inside a line (its
  // last byte is no line break): still being written, or cut short.
  static bool EndsInsideALine(const std::string& path, const std::string& database);
  // Appends `lines` (whole lines) to the journal at `path`, only while it is
  // the file `stamp` names (this run's own, unchanged since), and makes them
  // durable (fdatasync) before it returns; `stamp` then names the file as it
  // is. A write the disk refuses leaves the file as it was (cut back to its
  // size, `stamp` taken again). False with `error` otherwise: the caller
  // rewrites the journal whole.
  static bool Append(const std::string& path, const std::string& lines, const std::string& database, Stamp& stamp,
                     std::string& error);
  // The lines ReadLines hands on, from text already read: hands `line` each
  // line of `text` that ends in a line break (without it) and removes it from
  // `text`, which keeps the rest, a line not ended yet (at the file's end, a
  // write cut short: never a line). False once `line` stopped the reading.
  // No file is touched.
  static bool HandLines(std::string& text, const std::function<bool(std::string_view line)>& line);
  // Writes `content` at `path`, or removes the file when `content` is empty.
  // The program's own file is rewritten even when it was made read-only;
  // anything else at the name is left alone, never replaced or removed. False
  // with `error` when the name does not hold `content` (or nothing) now.
  static bool Save(const std::string& path, const std::string& content, const std::string& database,
                   std::string& error);
  // What a set-aside copy holds, which its name says.
  enum class Aside { Unreadable, Refused, CutTail };
  // A free name beside the journal to set it, or its refused records, aside under.
  static std::string AsideName(const std::string& journal, Aside what);
  // The set-aside copy of `what` beside `journal` (a regular file of its own,
  // not `database`) that holds exactly `bytes`, "" when none does: what an
  // earlier reading of the same file set aside already.
  static std::string AsideHolding(const std::string& journal, Aside what, const std::string& bytes,
                                  const std::string& database);
  // Files a person put back for the program to take over (a set-aside copy
  // renamed so): the journal's name and this ending, and anything after it,
  // so that several can wait side by side. Never the journal's own name: a
  // copy put back there can never replace a journal the program still needs.
  static constexpr const char* kPutBackSuffix = ".put-back";
  // The names of the files put back beside `journal` now, in order (never a
  // temporary file a writer is still making).
  static std::vector<std::string> PutBackNames(const std::string& journal);
  // Removes the temporary files that killed writers left of the journal and of
  // its set-aside copies, under every name they may have (those of earlier
  // versions too), but never one a live writer holds. Returns how many.
  static int SweepTemporaries(const std::string& journal);
};

}  // namespace ruv::db
