#include "platform/db/JournalReader.h"

#include <utility>

#include "platform/db/KeptQueue.h"

namespace ruv::db {
namespace {

// A text read from a journal longer than this is not kept for the next line's.
constexpr std::size_t kBlockOfText = 1 << 16;

// Why a heading that looks right is not, when an editor added to it what no
// journal the program writes holds: a byte-order mark before it, a carriage
// return after it (Windows line endings). "" for any other line.
std::string HeadingMarred(std::string_view line) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  const bool mark = line.substr(0, kByteOrderMark.size()) == kByteOrderMark;
  if (mark) line.remove_prefix(kByteOrderMark.size());
  const bool carriageReturn = !line.empty() && line.back() == '\r';
  if (carriageReturn) line.remove_suffix(1);
  if ((!mark && !carriageReturn) || (line != kJournalHeading && line != kStatementJournalHeading)) return std::string();
  std::string why = ": the file";
  if (mark) why += " begins with a byte-order mark";
  if (mark && carriageReturn) why += " and";
  if (carriageReturn) why += " has Windows line endings (CR LF)";
  return why + (carriageReturn ? "; saved without them, it is read" : "; saved without it, it is read");
}

}  // namespace

JournalReader::JournalReader(sqlite3* db, const std::vector<std::string>& tables, bool inJournal,
                             JournalFile::Records& records)
    : m_records(records), m_inJournal(inJournal), m_shapes(db, tables) {
  // The tokens the database holds as written, when it has their table, with
  // their digests when it keeps them (a table of an earlier version has none).
  for (const char* digest : {"Digest", "NULL"}) {
    const std::string sql = std::string("SELECT RowId, ") + digest + " FROM \"" + kWrittenTokensTable +
                            "\" WHERE Token = ?1";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &m_findWritten, nullptr) == SQLITE_OK) break;
    sqlite3_finalize(m_findWritten);
    m_findWritten = nullptr;
  }
}

JournalReader::~JournalReader() { sqlite3_finalize(m_findWritten); }

bool JournalReader::Written(const std::string& token, long long& rowId, std::string& digest) {
  digest.clear();
  if (m_findWritten == nullptr) return false;
  sqlite3_bind_text(m_findWritten, 1, token.data(), static_cast<int>(token.size()), SQLITE_STATIC);
  const int rc = sqlite3_step(m_findWritten);
  if (rc == SQLITE_ROW) {
    rowId = sqlite3_column_int64(m_findWritten, 0);
    if (const unsigned char* text = sqlite3_column_text(m_findWritten, 1)) digest = reinterpret_cast<const char*>(text);
  }
  sqlite3_reset(m_findWritten);
  // Not asked again at every record while another program holds the database.
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    sqlite3_finalize(m_findWritten);
    m_findWritten = nullptr;
  }
  return rc == SQLITE_ROW;
}

bool JournalReader::Stop(const std::string& why) {
  m_records.why = "line " + std::to_string(m_number) + ": " + why;
  return false;
}

bool JournalReader::Line(std::string_view line) {
  std::string& why = m_records.why;
  ++m_number;
  if (m_number == 1) {
    if (line == kStatementJournalHeading)
      why = "it was written by an earlier version of the program, whose records cannot be read back";
    else if (line != kJournalHeading)
      why = "line 1 is not \"" + std::string(kJournalHeading) + "\"" + HeadingMarred(line);
    return why.empty();
  }
  if (line.empty() || line[0] == '#') return true;
  const bool read = DecodeJournalWrite(line, m_decoded, m_wrong);
  const bool insert = read && m_decoded.write.kind == PendingWrite::Kind::Insert;
  if (!read) return Stop(m_wrong);
  // Never the number promised to a new row being made: one may be under way
  // while the program runs. The file's own while it is free: an earlier
  // run's journal keeps its lines as they stand, and takes this run's appends.
  const long long made = insert ? KeptQueue::TakeNumberFor(m_decoded.write.newRow) : 0;
  if (!m_shapes.Build(m_decoded, KeptRowHandle(made), m_wrong)) return Stop(m_wrong);
  // A long value is held once, as the record's.
  for (std::size_t i = 0; i < m_decoded.count; ++i)
    if (m_decoded.values[i].bstrVal.capacity() > kBlockOfText) std::string().swap(m_decoded.values[i].bstrVal);
  PendingWrite& write = m_decoded.write;
  if (insert) {
    if (!m_renumbered.emplace(write.newRow, made).second)
      return Stop("the new row " + std::to_string(write.newRow) + " is made twice");
    m_records.renumbered = m_records.renumbered || write.newRow != made;
    write.newRow = made;
    write.rowId = KeptRowHandle(made);
  } else if (write.newRow != 0) {
    const auto found = m_renumbered.find(write.newRow);
    if (found == m_renumbered.end()) {
      const long long named = write.newRow;
      m_records.goingNowhere.emplace_back(std::move(write), named);
      return true;
    }
    write.newRow = found->second;
    write.rowId = KeptRowHandle(write.newRow);
  }
  // Written already (by this copy or another): left out for good, but the
  // writes after it that go to the new row it made reach its id.
  if (long long rowId = 0; Written(write.token, rowId, m_digest)) {
    ++m_records.already;
    if (insert) m_records.writtenRows.emplace_back(write.newRow, rowId);
    // A copy corrected after the first went in: told, never dropped unsaid.
    if (WrittenOtherwise(m_digest, write))
      m_records.writtenOtherwise.emplace_back(std::move(write), rowId);
    return true;
  }
  write.fromJournal = true;
  write.inJournal = m_inJournal;
  m_records.writes.push_back(std::move(write));
  return true;
}

void JournalReader::End(bool readWhole) {
  if (readWhole) {
    if (m_records.why.empty() && m_number == 0) m_records.why = "it is empty";
    for (const auto& [table, columns] : m_shapes.Tables()) {
      std::vector<std::string>& names = m_records.tableColumns[table];
      names.clear();
      for (const ColumnInfo& column : columns) names.push_back(column.name);
    }
  }
  if (!m_records.why.empty()) m_records.writes.clear();
  // The journal is then written anew with these numbers, its lines as they stand.
  if (m_records.why.empty() && m_records.renumbered) m_records.numbers = std::move(m_renumbered);
}

}  // namespace ruv::db
