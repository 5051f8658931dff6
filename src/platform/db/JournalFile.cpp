#include "platform/db/JournalFile.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/JournalReader.h"
#include "platform/db/KeptQueue.h"

namespace ruv::db {

void JournalFile::Set(const std::string& path, std::vector<std::string> tables) {
  m_path = path;
  m_tables = std::move(tables);
}

bool JournalFile::PutAtName() const {
  if (m_path.empty()) return false;
  const KeptWriteJournal::Stamp now = KeptWriteJournal::StampOf(m_path);
  return now.present && !(now == m_stamp) && OwnFile::WhatIsThere(m_path, m_database).empty();
}

void JournalFile::TookOver(const KeptWriteJournal::Stamp& stamp, std::size_t records, std::size_t done,
                           bool rewriteFirst) {
  m_stamp = stamp;
  m_records = records;
  m_done = done;
  m_rewriteFirst = rewriteFirst;
  m_numbers.clear();
}

bool JournalFile::RewriteRenumbered() {
  const std::unordered_map<long long, long long> numbers = std::exchange(m_numbers, {});
  if (numbers.empty() || !m_rewriteFirst || !m_stamp.present) return false;
  std::string content;
  content.reserve(static_cast<std::size_t>(m_stamp.size) + 64);
  bool asExpected = true;
  std::string what, cutTail;
  KeptWriteJournal::Stamp read;
  const auto result = KeptWriteJournal::ReadLines(
      m_path, m_database,
      [&](std::string_view line) {
        // Its kind, token, table, then its row: only "new:<n>" changes.
        std::size_t at = 0;
        for (int field = 0; field < 3 && at != std::string_view::npos; ++field) {
          at = line.find('\t', at);
          if (at != std::string_view::npos) ++at;
        }
        if (line.empty() || line[0] == '#' || at == std::string_view::npos || line.substr(at, 4) != "new:") {
          content.append(line).append("\n");
          return true;
        }
        const std::size_t end = std::min(line.find('\t', at), line.size());
        long long named = 0;
        const char* first = line.data() + at + 4;
        const auto [past, failed] = std::from_chars(first, line.data() + end, named);
        const auto found = failed == std::errc() && past == line.data() + end ? numbers.find(named) : numbers.end();
        if (found == numbers.end()) return asExpected = false;
        content.append(line.substr(0, at + 4)).append(std::to_string(found->second)).append(line.substr(end));
        content.append("\n");
        return true;
      },
      what, &read, &cutTail);
  if (!asExpected || result != KeptWriteJournal::ReadResult::Read || !(read == m_stamp) || !cutTail.empty())
    return false;
  // Its lines as read: as many records, as many of them done with.
  const std::size_t done = m_done;
  std::string error;
  if (!Write(content, m_records, error)) return false;
  m_done = done;
  return true;
}

bool JournalFile::Write(const std::string& content, std::size_t records, std::string& error) {
  if (!KeptWriteJournal::Save(m_path, content, m_database, error)) return false;
  m_numbers.clear();  // the file as read is gone
  m_stamp = content.empty() ? KeptWriteJournal::Stamp{} : KeptWriteJournal::StampOf(m_path);
  m_records = content.empty() ? 0 : records;
  m_done = 0;
  m_rewriteFirst = false;
  tidyFailed = false;
  return true;
}

bool JournalFile::Append(const std::string& lines, std::size_t records, std::string& error) {
  if (!CanAppend()) {
    error = "it is rewritten first";
    return false;
  }
  if (!KeptWriteJournal::Append(m_path, lines, m_database, m_stamp, error)) return false;
  m_records += records;
  return true;
}

JournalFile::Records JournalFile::Read(sqlite3* db, const std::string& path, bool inJournal) const {
  Records records;
  JournalReader reader(db, m_tables, inJournal, records);
  records.file = KeptWriteJournal::ReadLines(
      path, m_database, [&](std::string_view line) { return reader.Line(line); }, records.what, &records.stamp,
      &records.cutTail);
  if (records.file == KeptWriteJournal::ReadResult::Failed) records.why = "it cannot be opened: " + records.what;
  reader.End(records.file == KeptWriteJournal::ReadResult::Read);
  return records;
}

std::string JournalFile::SetAsideUnreadable(const std::string& path, KeptTexts::From from, const std::string& why) {
  // Its first lines go with the words, the rest counted: the file may be long junk.
  KeptWriteJournal::Excerpt excerpt;
  std::string unused;
  KeptWriteJournal::ReadExcerpt(path, m_database, KeptTexts::kMostFileLines, KeptTexts::kLongestFileLine, excerpt,
                                unused);
  // Set aside, never lost: the operator reads it and enters its records by hand.
  const std::string aside = KeptWriteJournal::AsideName(m_path, KeptWriteJournal::Aside::Unreadable);
  const bool moved = RenameInFolder(path, aside);
  std::string told = KeptTexts::Unreadable(path, from, why, moved, aside);
  if (!moved && from != KeptTexts::From::PutBack) {
    // Not this run's to replace: it keeps its records in memory only.
    told += KeptTexts::UnreadableInMemoryOnly();
    m_path.clear();
  }
  return told + "\n" + KeptTexts::FileLines(excerpt);
}

bool JournalFile::AppendOne(PendingWrite& write, const KeptQueue& queue, const KeptTexts& texts,
                            const KeptTexts::TableColumns& tableColumns) {
  std::string lines, error;
  AppendRecord(write, queue, texts, tableColumns, lines);
  write.inJournal = Append(lines, 1, error);
  return write.inJournal;
}

bool JournalFile::AppendNotHeld(KeptQueue& queue, const KeptTexts& texts,
                                const KeptTexts::TableColumns& tableColumns, std::string* failed) {
  std::string lines, error;
  std::size_t count = 0;
  queue.ForEach([&](const PendingWrite& write) {
    if (write.inJournal) return;
    AppendRecord(write, queue, texts, tableColumns, lines);
    ++count;
  });
  if (count > 0 && !Append(lines, count, error)) {
    if (failed) *failed = error;
    return false;
  }
  queue.ForEach([](PendingWrite& write) { write.inJournal = true; });
  return true;
}

void JournalFile::AppendRecord(const PendingWrite& kept, const KeptQueue& queue, const KeptTexts& texts,
                               const KeptTexts::TableColumns& tableColumns, std::string& out,
                               KeptTexts::KeptInserts* inserts) {
  RowKey row{kept.rowId, kept.newRow};
  std::optional<PendingWrite> followed;
  if (kept.kind != PendingWrite::Kind::Insert && kept.newRow != 0 &&
      queue.Resolve(row) == KeptQueue::NewRowState::Written) {
    followed = kept;
    followed->rowId = row.rowId;
    followed->newRow = 0;
  }
  const PendingWrite& write = followed ? *followed : kept;
  // The description is for whoever opens the file: a long value is cut there.
  KeptTexts::AppendDescriptionLine(texts.DescribeOne(write, KeptTexts::kLongestNamingValue, inserts), out);
  const auto table = tableColumns.find(write.table);
  AppendJournalWrite(write, out, table == tableColumns.end() ? nullptr : &table->second);
  out += "\n";
}

std::string JournalFile::Compose(const KeptQueue& queue, const std::vector<PendingWrite>& notSetAside,
                                 const KeptTexts& texts, const KeptTexts::TableColumns& tableColumns,
                                 std::size_t& records) const {
  std::string content;
  // Room for what the file last held at once (only what is filled takes
  // memory): a long journal is not copied at each doubling.
  if (m_stamp.present && m_stamp.size > 0) content.reserve(static_cast<std::size_t>(m_stamp.size));
  content.append(kJournalHeading).append("\n");
  // Refused records not set aside yet stay: they came first. Written as the
  // kept ones are, so that the new rows are numbered alike.
  records = 0;
  KeptTexts::KeptInserts inserts;  // a change of a kept new row is described by its insert's values
  const auto add = [&](const PendingWrite& kept) {
    AppendRecord(kept, queue, texts, tableColumns, content, &inserts);
    ++records;
  };
  for (const PendingWrite& refused : notSetAside) add(refused);
  queue.ForEach(add);
  return records > 0 ? content : std::string();
}

}  // namespace ruv::db
