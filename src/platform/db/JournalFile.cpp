#include "platform/db/JournalFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/JournalShapes.h"
#include "platform/db/KeptQueue.h"

namespace ruv::db {
namespace {

// A text read from a journal longer than this is not kept for the next line's.
constexpr std::size_t kBlockOfText = 1 << 16;

// Finds the tokens the database holds as written, when it has their table.
class WrittenTokens {
 public:
  explicit WrittenTokens(sqlite3* db) {
    const std::string sql = std::string("SELECT RowId FROM \"") + kWrittenTokensTable + "\" WHERE Token = ?1";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &m_find, nullptr) != SQLITE_OK) {
      sqlite3_finalize(m_find);
      m_find = nullptr;
    }
  }
  ~WrittenTokens() { sqlite3_finalize(m_find); }
  WrittenTokens(const WrittenTokens&) = delete;
  WrittenTokens& operator=(const WrittenTokens&) = delete;

  // Whether `token` is written, with the row it wrote in `rowId`. One the
  // database cannot tell now is taken as not written: its writing looks again.
  bool Find(const std::string& token, long long& rowId) {
    if (m_find == nullptr) return false;
    sqlite3_bind_text(m_find, 1, token.data(), static_cast<int>(token.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(m_find);
    if (rc == SQLITE_ROW) rowId = sqlite3_column_int64(m_find, 0);
    sqlite3_reset(m_find);
    // Not asked again at every record while another program holds the database.
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      sqlite3_finalize(m_find);
      m_find = nullptr;
    }
    return rc == SQLITE_ROW;
  }

 private:
  sqlite3_stmt* m_find = nullptr;
};

}  // namespace

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
}

bool JournalFile::Write(const std::string& content, std::size_t records, std::string& error) {
  if (!KeptWriteJournal::Save(m_path, content, m_database, error)) return false;
  m_stamp = content.empty() ? KeptWriteJournal::Stamp{} : KeptWriteJournal::StampOf(m_path);
  m_records = content.empty() ? 0 : records;
  m_done = 0;
  m_rewriteFirst = false;
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
  WrittenTokens written(db);
  int number = 0;
  JournalShapes shapes(db, m_tables);
  // Its kept new rows are numbered anew as they are read; the writes that go to them follow.
  std::unordered_map<long long, long long> renumbered;
  JournalLine decoded;
  std::string& why = records.why;
  records.file = KeptWriteJournal::ReadLines(
      path, m_database,
      [&](std::string_view line) {
        ++number;
        if (number == 1) {
          if (line == kStatementJournalHeading)
            why = "it was written by an earlier version of the program, whose records cannot be read back";
          else if (line != kJournalHeading)
            why = "line 1 is not \"" + std::string(kJournalHeading) + "\"";
          return why.empty();
        }
        if (line.empty() || line[0] == '#') return true;
        std::string wrong;
        const bool read = DecodeJournalWrite(line, decoded, wrong);
        const bool insert = read && decoded.write.kind == PendingWrite::Kind::Insert;
        const long long made = insert ? KeptQueue::PeekProcessNewRow() : 0;
        if (!read || !shapes.Build(decoded, KeptRowHandle(made), wrong)) {
          why = "line " + std::to_string(number) + ": " + wrong;
          return false;
        }
        // A long value is held once, as the record's.
        for (std::size_t i = 0; i < decoded.count; ++i)
          if (decoded.values[i].bstrVal.capacity() > kBlockOfText) std::string().swap(decoded.values[i].bstrVal);
        PendingWrite& write = decoded.write;
        if (insert) {
          if (!renumbered.emplace(write.newRow, made).second) {
            why = "line " + std::to_string(number) + ": the new row " + std::to_string(write.newRow) +
                  " is made twice";
            return false;
          }
          // Never the number promised to a new row being made: one may be under way while the program runs.
          KeptQueue::TakeProcessNewRow();
          records.renumbered = records.renumbered || write.newRow != made;
          write.newRow = made;
          write.rowId = KeptRowHandle(made);
        } else if (write.newRow != 0) {
          const auto found = renumbered.find(write.newRow);
          if (found == renumbered.end()) {
            const long long named = write.newRow;
            records.goingNowhere.emplace_back(std::move(write), named);
            return true;
          }
          write.newRow = found->second;
          write.rowId = KeptRowHandle(write.newRow);
        }
        // Written already (by this copy or another): left out for good, but
        // the writes after it that go to the new row it made reach its id.
        if (long long rowId = 0; written.Find(write.token, rowId)) {
          ++records.already;
          if (insert) records.writtenRows.emplace_back(write.newRow, rowId);
          return true;
        }
        write.fromJournal = true;
        write.inJournal = inJournal;
        records.writes.push_back(std::move(write));
        return true;
      },
      records.what, &records.stamp, &records.cutTail);
  if (records.file == KeptWriteJournal::ReadResult::Failed) {
    why = "it cannot be opened: " + records.what;
  } else if (records.file == KeptWriteJournal::ReadResult::Read) {
    if (why.empty() && number == 0) why = "it is empty";
    for (const auto& [table, columns] : shapes.Tables()) {
      std::vector<std::string>& names = records.tableColumns[table];
      for (const ColumnInfo& column : columns) names.push_back(column.name);
    }
  }
  if (!why.empty()) records.writes.clear();
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
                                const KeptTexts::TableColumns& tableColumns) {
  std::string lines, error;
  std::size_t count = 0;
  queue.ForEach([&](const PendingWrite& write) {
    if (write.inJournal) return;
    AppendRecord(write, queue, texts, tableColumns, lines);
    ++count;
  });
  if (count > 0 && !Append(lines, count, error)) return false;
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
