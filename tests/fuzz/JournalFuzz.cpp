// libFuzzer harness for the journal of kept writes read as a whole file (the
// journal beside the database, or a file a person wrote or put back): the
// first byte says how big the blocks are that the file arrives in, the rest is
// the file. Its lines are handed on as KeptWriteJournal hands a file's, and
// read by JournalReader as the program takes a journal over, against the
// plant's tables in a database in memory (made from data/schema.sql, with one
// token written already): the heading, each record checked against its
// table's columns, its kept new rows numbered anew and the writes to them
// followed ("made twice", a row no line makes), those written left out.
// Checks what the reader must keep: the lines handed on are the file's own, in
// order, each once, none after the reading stopped, a cut last line never one;
// each line that is a record, written back as the journal writes it and read
// again, is the same record; and the records taken over, written as the
// journal holds them (JournalFile::Compose) and read again, are the same
// writes to the same rows, none refused, none left out.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <map>
#include <sqlite3.h>

#include "platform/base/Text.h"
#include "platform/db/JournalFile.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/JournalReader.h"
#include "platform/db/KeptQueue.h"
#include "platform/db/KeptTexts.h"
#include "platform/db/KeptWriteJournal.h"

namespace {

using ruv::db::JournalFile;
using ruv::db::JournalLine;
using ruv::db::JournalReader;
using ruv::db::KeptQueue;
using ruv::db::PendingWrite;

// A token the database holds as written: its records are left out.
constexpr const char* kWrittenToken = "1f2e-18ef5df85ccfc8ed-9eb3fa392e063bd1-7";
constexpr long long kWrittenRowId = 41;

void Fail(const char* what, std::string_view detail = std::string_view()) {
  std::fprintf(stderr, "journal invariant broken: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// A line read as a record, the line alone in memory of its own size: a read
// past its end is caught.
bool Decode(std::string_view line, JournalLine& decoded, std::string& why) {
  const std::unique_ptr<char[]> alone(new char[line.size()]);
  std::memcpy(alone.get(), line.data(), line.size());
  return ruv::db::DecodeJournalWrite(std::string_view(alone.get(), line.size()), decoded, why);
}

bool IsReal(VARTYPE vt) { return vt == VT_R4 || vt == VT_R8 || vt == VT_DATE; }

// The same value: the same type and value, a NaN the same as a NaN.
bool SameValue(const Variant& a, const Variant& b) {
  if (a == b) return true;
  if (a.vt != b.vt || !IsReal(a.vt)) return false;
  const double x = a.vt == VT_R4 ? a.fltVal : a.dblVal;
  const double y = b.vt == VT_R4 ? b.fltVal : b.dblVal;
  return std::isnan(x) && std::isnan(y);
}

// The record's line as the journal writes it: its values packed as a kept
// write holds them, each named by its column; an insert's id column first,
// holding the new row's handle, as a kept insert has it (never written).
std::string Written(const JournalLine& read) {
  PendingWrite write;
  write.kind = read.write.kind;
  write.token = read.write.token;
  write.table = read.write.table;
  write.rowId = read.write.rowId;
  write.newRow = read.write.newRow;
  if (write.kind == PendingWrite::Kind::Insert) {
    write.idColumn = static_cast<int>(read.count);
    write.columns.Add(write.idColumn, Variant::I4(static_cast<std::int32_t>(ruv::db::KeptRowHandle(1))));
  }
  for (std::size_t i = 0; i < read.count; ++i) write.columns.Add(static_cast<int>(i), read.values[i]);
  const std::vector<std::string> names(read.names.begin(), read.names.begin() + static_cast<std::ptrdiff_t>(read.count));
  std::string line;
  ruv::db::AppendJournalWrite(write, line, &names);
  return line;
}

void CheckRoundTrip(const JournalLine& read) {
  const std::string line = Written(read);
  if (line.find_first_of("\r\n") != std::string::npos) Fail("a record written back is not one line:", line);
  JournalLine again;
  std::string why;
  if (!Decode(line, again, why)) Fail("a record written back is not read again:", why + ": " + line);
  const PendingWrite& first = read.write;
  const PendingWrite& second = again.write;
  if (second.kind != first.kind || second.token != first.token || second.table != first.table ||
      second.rowId != first.rowId || second.newRow != first.newRow || again.count != read.count)
    Fail("a record read again is another write:", line);
  for (std::size_t i = 0; i < read.count; ++i) {
    if (again.names[i] != read.names[i]) Fail("a column read again has another name:", line);
    if (!SameValue(again.values[i], read.values[i])) Fail("a value read again is another:", line);
  }
  if (Written(again) != line) Fail("a record is written another way the second time:", line);
}

// The plant's database in memory, made once: its tables as the program has
// them, and the table of written tokens holding one.
struct Plant {
  sqlite3* db = nullptr;
  std::vector<std::string> tables;  // every table but SQLite's own (the tokens' too: never written to)
};

const Plant& ThePlant() {
  static const Plant plant = [] {
    Plant made;
    std::ifstream file(RUV_SCHEMA_SQL);
    std::stringstream schema;
    schema << file.rdbuf();
    const std::string sql = schema.str() + "CREATE TABLE \"" + ruv::db::kWrittenTokensTable +
                            "\" (\"Token\" TEXT PRIMARY KEY, \"RowId\" INTEGER);" + "INSERT INTO \"" +
                            ruv::db::kWrittenTokensTable + "\" VALUES ('" + kWrittenToken + "', " +
                            std::to_string(kWrittenRowId) + ");";
    if (sqlite3_open(":memory:", &made.db) != SQLITE_OK || file.fail() ||
        sqlite3_exec(made.db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail("the plant's database cannot be made:", sqlite3_errmsg(made.db));
    sqlite3_stmt* names = nullptr;
    sqlite3_prepare_v2(made.db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'", -1,
                       &names, nullptr);
    while (sqlite3_step(names) == SQLITE_ROW)
      made.tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)));
    sqlite3_finalize(names);
    return made;
  }();
  return plant;
}

// The entries of a write's values but its id column (a kept new row's handle).
std::vector<std::pair<int, Variant>> ValuesOf(const PendingWrite& write) {
  std::vector<std::pair<int, Variant>> values;
  write.columns.ForEach([&](const ruv::db::KeptValues::Entry& entry) {
    if (entry.column != write.idColumn) values.emplace_back(entry.column, entry.ToVariant());
  });
  return values;
}

// What the program keeps of a file read is sound: every record writes a
// table of the program's, with its statement; its new rows are numbered
// once each, and a write to one follows the insert that makes it.
void CheckTaken(const JournalFile::Records& records) {
  std::set<long long> made;
  for (const auto& [newRow, rowId] : records.writtenRows) made.insert(newRow);
  for (const PendingWrite& write : records.writes) {
    const std::vector<std::string>& tables = ThePlant().tables;
    if (std::find(tables.begin(), tables.end(), write.table) == tables.end() ||
        write.table == ruv::db::kWrittenTokensTable)
      Fail("a record taken writes a table not the program's:", write.table);
    if (!write.statement || write.statement->sql.empty()) Fail("a record taken has no statement:", write.token);
    if (write.token == kWrittenToken) Fail("a record written already is taken again");
    if (write.kind == PendingWrite::Kind::Insert) {
      if (write.newRow <= 0 || write.rowId != ruv::db::KeptRowHandle(write.newRow) || write.idColumn < 0)
        Fail("an insert taken names no kept new row:", write.token);
      if (!made.insert(write.newRow).second) Fail("a kept new row is made twice:", write.token);
    } else if (write.newRow != 0 && made.count(write.newRow) == 0) {
      Fail("a record taken goes to a new row no insert before it makes:", write.token);
    }
  }
}

// Reads `text` (whole lines) as the program reads a file of records.
JournalFile::Records ReadWhole(std::string text) {
  JournalFile::Records records;
  JournalReader reader(ThePlant().db, ThePlant().tables, true, records);
  ruv::db::KeptWriteJournal::HandLines(text, [&](std::string_view line) { return reader.Line(line); });
  records.cutTail = std::move(text);
  reader.End(true);
  return records;
}

// Whether `text` is whole UTF-8 (what is not is changed by the way there and back).
bool IsUtf8(std::string_view text) { return ruv::Utf16ToUtf8(ruv::Utf8ToUtf16(text)) == text; }

// The records taken over, written as the journal holds them and read again,
// are the same writes to the same rows.
void CheckWrittenBack(JournalFile::Records& first, std::string_view file) {
  KeptQueue queue;
  for (const PendingWrite& write : first.writes)
    if (write.kind == PendingWrite::Kind::Insert) queue.AddNewRow(write.newRow, write.table);
  for (const auto& [newRow, rowId] : first.writtenRows) queue.NoteWritten(newRow, rowId);
  queue.Kept() = first.writes;
  queue.Changed();
  const std::vector<PendingWrite> setAside;
  const ruv::db::KeptTexts texts(queue, first.tableColumns, setAside);
  std::size_t count = 0;
  const std::string content = JournalFile().Compose(queue, setAside, texts, first.tableColumns, count);
  if (count != first.writes.size()) Fail("the journal written holds another number of records");
  if (count == 0) return;
  // The descriptions cut long values: never inside a character.
  if (IsUtf8(file) && !IsUtf8(content)) Fail("the journal written back cuts a character:", content);
  const JournalFile::Records second = ReadWhole(content);
  if (!second.why.empty()) Fail("the journal written back is not read again:", second.why + "\n" + content);
  if (!second.cutTail.empty() || second.already != 0 || !second.goingNowhere.empty() || second.writes.size() != count)
    Fail("the journal written back is read as other records:", content);
  std::map<long long, long long> renumbered, back;  // the first reading's new rows to the second's, and back
  for (std::size_t i = 0; i < count; ++i) {
    const PendingWrite& a = first.writes[i];
    const PendingWrite& b = second.writes[i];
    if (a.kind != b.kind || a.token != b.token || a.table != b.table || a.idColumn != b.idColumn)
      Fail("a record read again is another write:", b.token + "\n" + content);
    ruv::db::RowKey row{a.rowId, a.newRow};
    if (a.newRow == 0 || queue.Resolve(row) == KeptQueue::NewRowState::Written) {
      if (b.newRow != 0 || b.rowId != row.rowId) Fail("a record read again goes to another row:", b.token + "\n" + content);
    } else if (b.newRow == 0 || renumbered.emplace(a.newRow, b.newRow).first->second != b.newRow ||
               back.emplace(b.newRow, a.newRow).first->second != a.newRow) {
      Fail("a record read again goes to another new row:", b.token + "\n" + content);
    }
    const auto valuesA = ValuesOf(a), valuesB = ValuesOf(b);
    bool same = valuesA.size() == valuesB.size();
    for (std::size_t v = 0; same && v < valuesA.size(); ++v)
      same = valuesA[v].first == valuesB[v].first && SameValue(valuesA[v].second, valuesB[v].second);
    if (!same) Fail("a record read again has other values:", b.token + "\n" + content);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // 0: the whole file at once; else blocks of 1 to 255 bytes, so that lines
  // are cut by a block's end anywhere.
  const std::size_t block = data[0] == 0 ? size : data[0];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

  std::size_t at = 0;  // where the next line handed on must start in `file`
  bool stopped = false;
  std::size_t number = 0;
  JournalLine decoded;
  std::string why;
  JournalFile::Records records;
  JournalReader reader(ThePlant().db, ThePlant().tables, true, records);
  const auto line = [&](std::string_view text) {
    if (stopped) Fail("a line handed on after the reading stopped");
    if (at > file.size()) Fail("a line handed on past the file's end");
    if (file.substr(at, text.size()) != text) Fail("a line handed on is not the file's next");
    at += text.size();
    if (at >= file.size() || file[at] != '\n') Fail("a line handed on without its line break");
    ++at;
    ++number;
    const bool record = number > 1 && !text.empty() && text[0] != '#';
    const bool decodes = record && Decode(text, decoded, why);
    if (record && !decodes && why.empty()) Fail("a line refused without a reason");
    if (decodes) CheckRoundTrip(decoded);
    const std::size_t taken = records.writes.size();
    // The line alone in memory of its own size, as Decode reads it.
    const std::unique_ptr<char[]> alone(new char[text.size()]);
    std::memcpy(alone.get(), text.data(), text.size());
    stopped = !reader.Line(std::string_view(alone.get(), text.size()));
    // A record taken is the line's own: its kind, token, table and values.
    if (!stopped && records.writes.size() > taken) {
      const PendingWrite& write = records.writes.back();
      const std::size_t values = decoded.count + (write.kind == PendingWrite::Kind::Insert ? 1 : 0);
      if (!decodes || write.kind != decoded.write.kind || write.token != decoded.write.token ||
          !ruv::EqualsNoCase(write.table, decoded.write.table) || write.columns.size() != values)
        Fail("a record taken is not its line's:", text);
    }
    if (stopped && records.why.empty()) Fail("the reading stopped without a reason");
    if (!stopped && ((number == 1 && text != ruv::db::kJournalHeading) || (record && !decodes)))
      Fail("a line that is no record is taken:", text);
    return !stopped;
  };

  // As KeptWriteJournal::ReadLines reads a file: a block at a time, a line cut
  // by the block's end kept for the next.
  std::string buffer;
  bool going = true;
  for (std::size_t from = 0; going && from < file.size(); from += block) {
    buffer.append(file.substr(from, block));
    going = ruv::db::KeptWriteJournal::HandLines(buffer, line);
    if (going && buffer.find('\n') != std::string::npos) Fail("a whole line is kept back");
  }
  if (going == stopped) Fail("the reading stopped by itself, or went on when told to stop");
  // What is left at the end is a last line without its line break (a write
  // cut short): never a record, and all the file holds after its last line.
  if (going && (at + buffer.size() != file.size() || file.substr(at) != buffer))
    Fail("the end of the file is neither handed on nor kept back as its cut tail");
  reader.End(true);
  if (records.why.empty() != (going && number > 0)) Fail("a file stopped or empty is taken, or one read whole is not");
  if (!records.why.empty() && !records.writes.empty()) Fail("a file that cannot be read keeps records");
  CheckTaken(records);
  CheckWrittenBack(records, file);
  return 0;
}
