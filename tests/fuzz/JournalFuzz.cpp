// libFuzzer harness for the journal of kept writes read as a whole file (the
// journal beside the database, or a file a person wrote or put back): the
// first byte says how big the blocks are that the file arrives in, the rest is
// the file. Its lines are handed on as KeptWriteJournal hands a file's; line 1
// must be the heading, and every later line but a blank one or a note is read
// as a record, one JournalLine kept from line to line, until one is not a
// record: as the program takes a journal over.
// Checks what the reader must keep: the lines handed on are the file's own, in
// order, each once, none after the reading stopped; and a record read, written
// back as the journal writes it (its values packed as a kept write holds them)
// on one line and read again, is the same record, written the same way the
// second time.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/JournalFormat.h"
#include "platform/db/KeptWriteJournal.h"

namespace {

using ruv::db::JournalLine;
using ruv::db::PendingWrite;

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
  const auto line = [&](std::string_view text) {
    if (stopped) Fail("a line handed on after the reading stopped");
    if (at > file.size()) Fail("a line handed on past the file's end");
    if (file.substr(at, text.size()) != text) Fail("a line handed on is not the file's next");
    at += text.size();
    if (at >= file.size() || file[at] != '\n') Fail("a line handed on without its line break");
    ++at;
    ++number;
    if (number == 1) {
      stopped = text != ruv::db::kJournalHeading;
      return !stopped;
    }
    if (text.empty() || text[0] == '#') return true;
    stopped = !Decode(text, decoded, why);
    if (stopped) {
      if (why.empty()) Fail("a line refused without a reason");
      return false;
    }
    CheckRoundTrip(decoded);
    return true;
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
  return 0;
}
