#pragma once
// The journal's file beside the database: read only as the regular file at its
// own name, rewritten whole (a new file renamed over it) or removed, and a free
// name found to set it aside under. What the lines mean is JournalFormat's.
#include <string>

namespace ruv::db {

class KeptWriteJournal {
 public:
  enum class ReadResult { Absent, Read, NotAFile, Failed };
  // Reads the journal only as the regular file at its own name (a link is
  // never followed); `what` says what is there instead, or why it failed.
  static ReadResult Read(const std::string& path, std::string& content, std::string& what);
  // Writes `content` as the journal at `path`, or removes it when `content`
  // is empty. Only a regular file at the name is the journal: anything else
  // there is left alone, never replaced or removed. False with `error` when
  // the file could not be brought to hold `content`.
  static bool Save(const std::string& path, const std::string& content, std::string& error);
  // A free name beside the journal to set it aside under.
  static std::string AsideName(const std::string& journal);
};

}  // namespace ruv::db
