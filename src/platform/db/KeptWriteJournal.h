#pragma once
// The journal's file beside the database, and the copy its refused records are
// set aside in: each taken only as the regular file of its own name (no link
// followed, not the database's own file, no pipe or device opened), rewritten
// whole (a new file renamed over it) or removed. What the lines mean is
// JournalFormat's.
#include <string>

namespace ruv::db {

class KeptWriteJournal {
 public:
  enum class ReadResult { Absent, Read, NotAFile, Failed };
  // Reads the journal at `path` (`database`: the database's own path, never
  // taken for it); `what` says what is there instead, or why it failed.
  static ReadResult Read(const std::string& path, const std::string& database, std::string& content,
                         std::string& what);
  // Writes `content` at `path`, or removes the file when `content` is empty.
  // The program's own file is rewritten even when it was made read-only;
  // anything else at the name is left alone, never replaced or removed. False
  // with `error` when the name does not hold `content` (or nothing) now.
  static bool Save(const std::string& path, const std::string& content, const std::string& database,
                   std::string& error);
  // A free name beside the journal to set its refused records aside under.
  static std::string AsideName(const std::string& journal);
};

}  // namespace ruv::db
