#pragma once
// Reads a file of records (the journal, or a file put back) line after line
// into kept writes: line 1 must be the heading; each record is checked
// against the database, its kept new rows numbered anew, the writes to them
// followed, and those the database holds already left out. Text in, records
// out: no file is touched here (JournalFile hands it the lines of one).
#include <sqlite3.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/db/JournalFile.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/JournalShapes.h"

namespace ruv::db {

class JournalReader {
 public:
  // Reads into `records` the records that may write `tables` only (the
  // program's own) of the database `db`. `inJournal`: the journal's file holds them.
  JournalReader(sqlite3* db, const std::vector<std::string>& tables, bool inJournal, JournalFile::Records& records);
  ~JournalReader();
  JournalReader(const JournalReader&) = delete;
  JournalReader& operator=(const JournalReader&) = delete;

  // Takes the file's next line (without its line break). False once the file
  // cannot be read further: `records.why` says why.
  bool Line(std::string_view line);
  // After the lines: `readWhole`, the file was read to its end (or until a
  // line stopped it). A file without a line is empty; one that cannot be read
  // keeps none of its records.
  void End(bool readWhole);

 private:
  // Whether `token` is written, with the row it wrote in `rowId` and the
  // digest of its values in `digest` ("" when written by a version that kept
  // none). One the database cannot tell now is taken as not written: its
  // writing looks again.
  bool Written(const std::string& token, long long& rowId, std::string& digest);
  bool Stop(const std::string& why);

  JournalFile::Records& m_records;
  bool m_inJournal;
  JournalShapes m_shapes;
  sqlite3_stmt* m_findWritten = nullptr;
  int m_number = 0;
  // Its kept new rows are numbered anew as they are read; the writes that go to them follow.
  std::unordered_map<long long, long long> m_renumbered;
  JournalLine m_decoded;
  std::string m_wrong;
  std::string m_digest;
};

}  // namespace ruv::db
