#include "platform/db/KeptTexts.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <unordered_set>

#include "platform/base/Text.h"
#include "platform/db/JournalFormat.h"
#include "platform/db/KeptWriteJournal.h"

namespace ruv::db {
namespace {

// A text on one line, as the journal writes it: each record is told on a line
// of its own, so a list can be cut and counted by lines.
std::string OnOneLine(const std::string& text) {
  std::string line;
  AppendJournalField(text, line);
  return line;
}

// A value as the operator reads it; a text longer than `longest` characters
// is cut there, never inside a character.
std::string ValueText(const Variant& value, std::size_t longest = std::string::npos) {
  switch (value.vt) {
    case VT_NULL:
    case VT_EMPTY: return "NULL";
    case VT_BSTR:
      // No text holds more characters than bytes: a short one is not counted.
      if (const std::size_t characters = value.bstrVal.size() > longest ? ruv::Utf8Length(value.bstrVal) : 0;
          characters > longest)
        return "'" + OnOneLine(ruv::CutUtf8Chars(value.bstrVal, longest)) + "'... (" + std::to_string(characters) +
               " characters)";
      return "'" + OnOneLine(value.bstrVal) + "'";
    case VT_I2: return std::to_string(value.iVal);
    case VT_I4: return std::to_string(value.lVal);
    case VT_UI1: return std::to_string(value.bVal);
    case VT_BOOL: return value.boolVal ? "-1" : "0";
    case VT_R4: return ruv::Format("%g", static_cast<double>(value.fltVal));
    case VT_R8: return ruv::Format("%.15g", value.dblVal);
    case VT_DATE: return ruv::Format("%.10f", value.date);
    case VT_CY: case VT_DECIMAL: return VariantToString(value);
    default: return "?";
  }
}

bool IsLockedResult(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

}  // namespace

std::string KeptTexts::Identity(const PendingWrite& insert, std::size_t longestValue) const {
  std::string text;
  std::size_t i = 0;
  insert.columns.ForEach([&](const KeptValues::Entry& entry) {
    const std::size_t at = i++;
    if (entry.column == insert.idColumn) return;
    text += (text.empty() ? "" : ", ") + ColumnName(insert, at, entry.column) + " = " +
            ValueText(entry.ToVariant(), longestValue);
  });
  return text;
}

std::string KeptTexts::NewRowIdentity(long long newRow, const KeptInserts* inserts) const {
  if (const std::string* lost = m_queue.LostIdentity(newRow)) return *lost;
  if (const std::string* kept = m_queue.KeptIdentity(newRow)) return *kept;
  if (inserts) {
    if (const auto found = inserts->find(newRow); found != inserts->end())
      return Identity(*found->second, kLongestNamingValue);
  }
  // Its insert is still kept (or set aside): it is named by its values.
  const PendingWrite* insert = nullptr;
  m_queue.ForEach([&](const PendingWrite& write) {
    if (!insert && write.kind == PendingWrite::Kind::Insert && write.newRow == newRow) insert = &write;
  });
  for (const PendingWrite& write : m_setAside)
    if (!insert && write.kind == PendingWrite::Kind::Insert && write.newRow == newRow) insert = &write;
  return insert ? Identity(*insert, kLongestNamingValue) : "?";
}

std::string KeptTexts::DescribeOne(const PendingWrite& write, std::size_t longestValue, KeptInserts* inserts) const {
  // A write to a kept new row names the row by its id once it has one, else by its values.
  std::string row = "row " + std::to_string(write.rowId) + " of " + write.table;
  if (write.newRow != 0 && write.kind != PendingWrite::Kind::Insert) {
    const KeptQueue::NewRow* found = m_queue.FindNewRow(write.newRow);
    if (found && found->state == KeptQueue::NewRowState::Written)
      row = "row " + std::to_string(found->rowId) + " of " + write.table;
    else
      row = "the new row of " + write.table + " (" + (!found ? "?" : NewRowIdentity(write.newRow, inserts)) + ")";
  }
  switch (write.kind) {
    case PendingWrite::Kind::Insert:
      if (inserts) (*inserts)[write.newRow] = &write;
      return "New row of " + write.table + ": " + Identity(write, longestValue);
    case PendingWrite::Kind::Delete: return "Deletion of " + row;
    case PendingWrite::Kind::Update: break;
  }
  std::string text = row;
  text[0] = 'R';
  if (write.newRow != 0 && text.rfind("Row ", 0) != 0) text = "Change of " + row;
  text += ":";
  std::size_t i = 0;
  write.columns.ForEach([&](const KeptValues::Entry& entry) {
    const std::size_t at = i++;
    text += (at ? ", " : " ") + ColumnName(write, at, entry.column) + " = " + ValueText(entry.ToVariant(), longestValue);
  });
  return text;
}

std::string KeptTexts::ColumnName(const PendingWrite& write, std::size_t i, int column) const {
  if (write.statement && i < write.statement->columnNames.size()) return write.statement->columnNames[i];
  if (const auto table = m_tableColumns.find(write.table);
      table != m_tableColumns.end() && column >= 0 && static_cast<std::size_t>(column) < table->second.size())
    return table->second[static_cast<std::size_t>(column)];
  return std::to_string(column);
}

void KeptTexts::AppendDescriptionLine(const std::string& description, std::string& out) {
  out += "# ";
  for (const char c : description) out += (c == '\n' || c == '\r') ? ' ' : c;
  out += '\n';
}

std::string KeptTexts::Records(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

std::string KeptTexts::NotListedLine(std::size_t total, std::size_t listed, const char* where) {
  if (listed >= total) return std::string();
  return "... and " + std::to_string(total - listed) + " more of these " + std::to_string(total) +
         " records, not listed here: " + where + ".\n";
}

std::string KeptTexts::CauseText(int rc) {
  if (rc == 0 || IsLockedResult(rc)) return kLockedCause;
  return "the database cannot take writes (" + ResultWords(rc) + ")";
}

std::string KeptTexts::AtTheClose(KeptProgress progress, int heldBy) {
  if (progress == KeptProgress::More)
    return "the close's time ran out while the database still took the records kept before it";
  return "at the close " + CauseText(heldBy);
}

std::string KeptTexts::WaitingLine(const std::string& described, int rc) {
  return described + " (" + ResultWords(rc) +
         ": it waits, with the records kept behind it, and they are written once the database takes them)";
}

std::string KeptTexts::PutBackTaken(const std::string& path, std::size_t records, std::size_t already,
                                    KeptProgress progress, const std::string& journal, const std::string& cause,
                                    const std::string& notRemoved) {
  std::string text = "The file " + path + " put back was taken over (" + Records(records) + "): ";
  switch (progress) {
    case KeptProgress::AllWritten: text += "written to the database, each once (any it refused is told apart)."; break;
    case KeptProgress::Waiting:
      text += "in the journal " + journal + " now, waiting there with the other kept records (" + cause +
              "); written once the database takes them.";
      break;
    case KeptProgress::More:
      text += "in the journal " + journal + " now, being written with the other kept records, a transaction "
              "at a time.";
      break;
  }
  if (already > 0) text += " " + Already(already);
  if (!notRemoved.empty())
    text += " The file itself could not be removed (" + notRemoved +
            "): please remove it; taken over again, it would write none of them twice.";
  return text;
}

std::string KeptTexts::PutBackWaits(const std::string& path, std::size_t records, const std::string& journal,
                                    const std::string& error) {
  return "The file " + path + " put back (" + Records(records) + ") waits where it is: the journal " + journal +
         " could not be written (" + error + "), and it is taken over once the journal can be written.";
}

std::string KeptTexts::PutBackNotAFile(const std::string& path, const std::string& what) {
  return "The file " + path + " put back is " + what +
         ", not a file of records: it was left as it is and nothing was read from it.";
}

std::string KeptTexts::PutBackInsideALine(const std::string& path) {
  return "The file " + path + " put back ends inside a line: it is left as it is until it is complete.";
}

std::string KeptTexts::PutBackOpenedToWrite(const std::string& path, std::size_t records) {
  return "The file " + path + " put back was read (" + Records(records) +
         "), but a program opened it for writing meanwhile: it is left where it is and taken over again once "
         "nothing writes it (a record read twice is written once).";
}

std::string KeptTexts::PutBackSameToken(const std::string& path, const std::string& from,
                                        const std::vector<std::pair<std::string, std::string>>& records) {
  if (records.size() == 1)
    return "The file " + path + " put back and " + from +
           " hold a record of the same token with other values: the one of the file " + path + " goes in (" +
           records.front().first + "), the one of " + from + " is left out (" + records.front().second + ").";
  // A line per record, never a sentence: the box counts them past the first few.
  std::string text = "The file " + path + " put back and " + from + " hold " + std::to_string(records.size()) +
                     " records of the same tokens with other values: those of the file " + path +
                     " go in, those of " + from + " are left out (each below, the one that goes in first):";
  for (const auto& [taken, leftOut] : records) text += "\ngoes in: " + taken + "; left out: " + leftOut;
  return text;
}

std::string KeptTexts::PutBackWrittenOtherwise(const std::string& path,
                                               const std::vector<std::pair<std::string, std::string>>& records) {
  if (records.size() == 1)
    return "The file " + path + " put back holds a record the database holds already with other values (its token "
           "went in before, to " + records.front().second + ", from this or another file or the journal): the one "
           "written then stays, the one of the file is left out (" + records.front().first + "). Please enter by "
           "hand what must change.";
  std::string text = "The file " + path + " put back holds " + std::to_string(records.size()) +
                     " records the database holds already with other values (their tokens went in before, from this "
                     "or another file or the journal): those written then stay, those of the file are left out (each "
                     "below, with the row its token went to); please enter by hand what must change:";
  for (const auto& [leftOut, row] : records) text += "\nleft out: " + leftOut + " (its token went to " + row + ")";
  return text;
}

std::string KeptTexts::WrittenOtherwise(const std::string& path,
                                        const std::vector<std::pair<PendingWrite, long long>>& records) const {
  std::vector<std::pair<std::string, std::string>> described;
  described.reserve(records.size());
  for (const auto& [write, rowId] : records)
    described.emplace_back(DescribeOne(write), "row " + std::to_string(rowId) + " of " + write.table);
  return PutBackWrittenOtherwise(path, described);
}

std::string KeptTexts::JournalNotAFile(const std::string& journal, const std::string& what) {
  return "The journal " + journal + " is " + what +
         ", not a file of records: it was left as it is and nothing was read from it. Until it is moved away, "
         "records kept for the database while it cannot take them (another program's lock, a full disk) are "
         "kept in memory only (a program ended meanwhile loses them).\n";
}

std::string KeptTexts::JournalPutAtNameLeft(const std::string& journal) {
  return "The journal " + journal + " was put there while the program runs and is left as it is: "
         "the records kept for the database since are only in memory until they are written.";
}

std::string KeptTexts::JournalNotWritten(const std::string& journal, const std::string& error, bool hadFile,
                                         std::size_t fileRecords) {
  // Said of what its file holds, which stays true while it cannot be written;
  // the records kept meanwhile grow in number, and the report lists them.
  std::string said = "The journal " + journal + " could not be written (" + error + "): ";
  if (!hadFile)
    said += "no file holds the records kept for the database: they are";
  else
    said += "its file still holds the " + Records(fileRecords) + " it held when it was last written (any written "
            "since is known and not written again); those kept since are";
  return said + " only in memory until it can be written, tried again every second while they wait.";
}

std::string KeptTexts::Unreadable(const std::string& path, From from, const std::string& why, bool moved,
                                  const std::string& aside) {
  return "The file " + path + " holds records " +
         (from == From::Start       ? "an earlier run kept"
          : from == From::PutAtName ? "put there while the program runs"
                                    : "put back") +
         " for the database, but it cannot be read (" + why + "). " +
         (moved ? "It was set aside as " + aside : std::string("It was left where it is")) +
         ": the records it holds are not written; please enter them again by hand.";
}

std::string KeptTexts::UnreadableInMemoryOnly() {
  return " Until it is moved away, records kept for the database are kept in memory only (a program ended "
         "meanwhile loses them).";
}

std::string KeptTexts::FileLines(const KeptWriteJournal::Excerpt& excerpt) {
  std::string text;
  for (std::size_t i = 0; i < excerpt.lines.size(); ++i) {
    text += kFileLineMark + OnOneLine(excerpt.lines[i]);
    if (excerpt.lengths[i] > excerpt.lines[i].size())
      text += "... (" + std::to_string(excerpt.lengths[i]) + " characters)";
    text += "\n";
  }
  if (excerpt.moreLines > 0)
    text += "... and " + std::to_string(excerpt.moreLines) + (excerpt.moreLines == 1 ? " more line" : " more lines") +
            " of the file, not shown here.\n";
  return text;
}

std::string KeptTexts::GoesNowhere(bool putBack, long long named) {
  return "no line of " + std::string(putBack ? "its file" : "the journal") +
         " makes the new row it goes to (new:" + std::to_string(named) +
         "): it can never be written as it is; please enter it again by hand";
}

std::string KeptTexts::Already(std::size_t already) {
  return std::to_string(already) + " of them were already in the database.";
}

std::string KeptTexts::CutTail(const std::string& path, std::size_t bytes, const std::string& keptAs,
                               const std::string& error) {
  std::string text = "The file " + path + " ends inside a line (its last " + std::to_string(bytes) +
                     " bytes have no line break: a write cut short when the program that made it ended). That part is "
                     "no record and was left out; every record before it was read.";
  if (!keptAs.empty()) {
    text += " The part is kept as " + keptAs + ".";
  } else if (!error.empty()) {
    text += " The part could not be kept aside: " + error + ".";
  }
  return text;
}

std::string KeptTexts::SetAsideDone(const std::string& aside, const std::string& journal) {
  return "The database refused records of a journal taken over (told here); they are set aside as " + aside +
         ", which holds them alone: once the cause is mended, rename it to " + journal +
         KeptWriteJournal::kPutBackSuffix +
         " (or any name that begins so), while the program runs or before its next start: either "
         "takes it over and writes each of them once. Or enter them again by hand.";
}

std::string KeptTexts::SetAsideFailed(const std::string& aside, const std::string& error, const std::string& journal) {
  return "The database refused records of a journal taken over (told here); they could not be set aside as " +
         aside + " (" + error + "): they stay in the journal " + journal + ", and the next start tries them again.";
}

std::string KeptTexts::StartWithRefused(const std::string* asidePath, const std::string& asideError,
                                        const std::vector<std::pair<std::string, std::string>>& refused,
                                        const std::vector<std::string>& listedTokens,
                                        const std::vector<std::string>& listed, std::size_t taken, bool allWritten,
                                        KeptProgress progress, const std::string& cause) {
  std::unordered_set<std::string> refusedTokens;
  std::string told = "The database refused these records (each is told); they are set aside " +
                     (asidePath ? "as " + *asidePath
                                : "nowhere (it could not be written: " + asideError + "): they stay in the journal") +
                     ":\n";
  for (const auto& [token, description] : refused) {
    refusedTokens.insert(token);
    told += description + "\n";
  }
  std::string othersText;
  std::size_t others = 0;
  for (std::size_t i = 0; i < listedTokens.size(); ++i) {
    if (refusedTokens.count(listedTokens[i]) != 0) continue;
    othersText += listed[i] + "\n";
    ++others;
  }
  const std::size_t notListed = taken - listedTokens.size();
  if (others + notListed == 0) return told;
  return told + "\n" +
         (allWritten                          ? "The others were written"
          : progress == KeptProgress::More ? "The others are being written, a transaction at a time, while the "
                                              "program runs (the journal beside the database keeps those not "
                                              "written yet)"
                                            : "The others wait in the journal beside the database (" + cause +
                                                  ") and are written once the database takes them") +
         ":\n" + othersText + NotListedLine(others + notListed, others, kEachInJournal);
}

std::string KeptTexts::KeptForNextStart(const std::string& atTheClose) {
  return " (" + atTheClose + ": kept for the next start, which writes it once the database takes it)";
}

std::string KeptTexts::NotInJournalAtClose(const std::string& atTheClose) {
  return atTheClose + ", and the journal could not be written: enter it again by hand";
}

std::string KeptTexts::AfterTheClose(int heldBy) { return "after the close " + CauseText(heldBy); }

std::string KeptTexts::PutBackTakenWithoutLease(unsigned seconds) {
  return "It was taken without a read lease (none can be had on it: another user's file, or a file system "
         "without leases), so a program may still have it open for writing: it stays where it is until nothing "
         "has changed it for " +
         std::to_string(seconds) + " s, and is taken over again if anything does (no record is written twice).";
}

std::string KeptTexts::PutBackNotRemovedLater(const std::string& path, const std::string& why) {
  return "The file " + path + " put back, whose records the journal holds, could not be removed (" + why +
         "): please remove it; taken over again, it would write none of them twice.";
}

static_assert((KeptTexts::kFileSizeLimitResult & 0xFF) == SQLITE_IOERR);

std::string KeptTexts::ResultWords(int rc) {
  return rc == kFileSizeLimitResult ? std::strerror(EFBIG) : sqlite3_errstr(rc);
}

}  // namespace ruv::db
