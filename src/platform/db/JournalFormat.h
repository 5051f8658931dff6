#pragma once
// The journal of kept writes as text: its first line, and each write as one
// line of data (its kind, token, table, row and column values, every value
// with its type so that it comes back exactly). Never a statement: the program
// builds that itself when it reads a line back. No file is touched here.
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/PendingWrite.h"

namespace ruv::db {

// The first line of a journal of this format...
inline constexpr const char* kJournalHeading = "RuvFrame kept writes 2";
// ...and of the first format, which kept statements: its journals are set aside, never run.
inline constexpr const char* kStatementJournalHeading = "RuvFrame kept writes 1";

// Appends `text` as one field of a journal line: no tab, no line break.
void AppendJournalField(std::string_view text, std::string& out);
// Appends a write as one journal line, without its line break (a kept new
// row's id column left out: it is given when the row is written). A write
// without column names is named by `tableColumns`, its table's columns.
void AppendJournalWrite(const PendingWrite& write, std::string& out,
                        const std::vector<std::string>* tableColumns = nullptr);
// A journal line read as data: its write (without values yet), and the
// values it gives with the names of their columns, as the line has them.
// Read line after line into one: it keeps its room.
struct JournalLine {
  PendingWrite write;
  std::size_t count = 0;  // the values of this line: the first `count` of each below
  std::vector<std::string> names;
  std::vector<Variant> values;
  std::vector<std::string_view> fields;  // the line's, while it is read
};
// A journal line read as data; false with `why` when it is not one this
// program writes. The table and columns are checked against the database apart.
bool DecodeJournalWrite(std::string_view line, JournalLine& decoded, std::string& why);

}  // namespace ruv::db
