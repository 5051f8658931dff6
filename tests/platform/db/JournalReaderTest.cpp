#include "platform/db/JournalReader.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

// Reads `text` (whole lines) as the program reads a journal, against a
// database of one table of the program's.
ruv::db::JournalFile::Records ReadText(std::string text) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "CREATE TABLE \"Batch\" (\"nRecordID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"strMixerName\" TEXT(50))",
               nullptr, nullptr, nullptr);
  ruv::db::JournalFile::Records records;
  {
    const std::vector<std::string> tables{"Batch"};
    ruv::db::JournalReader reader(db, tables, true, records);
    ruv::db::KeptWriteJournal::HandLines(text, [&](std::string_view line) { return reader.Line(line); });
    reader.End(true);
  }
  sqlite3_close(db);
  return records;
}

// A journal saved again by an editor that adds a byte-order mark or Windows
// line endings looks right to whoever typed it: the words name the cause.
TEST(JournalReaderTest, AHeadingMarredByAnEditorIsNamedForWhatMarsIt) {
  EXPECT_EQ(ReadText("RuvFrame kept writes 2\r\n").why,
            "line 1 is not \"RuvFrame kept writes 2\": the file has Windows line endings (CR LF); saved without "
            "them, it is read");
  EXPECT_EQ(ReadText("\xEF\xBB\xBFRuvFrame kept writes 2\n").why,
            "line 1 is not \"RuvFrame kept writes 2\": the file begins with a byte-order mark; saved without it, "
            "it is read");
  EXPECT_EQ(ReadText("\xEF\xBB\xBFRuvFrame kept writes 2\r\n").why,
            "line 1 is not \"RuvFrame kept writes 2\": the file begins with a byte-order mark and has Windows line "
            "endings (CR LF); saved without them, it is read");
  EXPECT_EQ(ReadText("RuvFrame kept writes 3\r\n").why, "line 1 is not \"RuvFrame kept writes 2\"");
}

// A table's name may hold an escaped tab: "Batch<tab>strMixerName" is no
// table, however like a record of Batch's column strMixerName it looks.
TEST(JournalReaderTest, ARecordOfATableNoneHasIsRefusedAfterOneOfAColumnOfTheSameLetters) {
  const ruv::db::JournalFile::Records records = ReadText(
      "RuvFrame kept writes 2\n"
      "insert\t1f2e-18ef5df85ccfc8ed-9eb3fa392e063bd1-1\tBatch\tnew:1\tstrMixerName\ttext\tmixer 1\n"
      "insert\t1f2e-18ef5df85ccfc8ed-9eb3fa392e063bd1-2\tBatch\\tstrMixerName\tnew:2\n");
  EXPECT_EQ(records.why, "line 3: the table \"Batch\tstrMixerName\" is not one of the program's");
  EXPECT_TRUE(records.writes.empty());
}

}  // namespace
