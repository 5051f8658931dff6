#include "records/AdoDatabase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QDir>
#include <QFileSystemWatcher>

#include "platform/base/AtomicFile.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/OwnFile.h"
#include "platform/db/DbError.h"
#include "platform/db/KeptTexts.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WindowTimers.h"
#include "records/AdoErrorText.h"
#include "records/AdoException.h"

// A hidden message target whose timer tries the kept writes again, a
// transaction at a time: while there are more the database takes now (a long
// journal written back), a second timer goes on writing at each turn of the
// event loop, so the window answers meanwhile and a close comes between two.
// The database's folder is watched (inotify) for files put back: it is listed
// only after a change, never every second on the window's thread.
class CADODatabase::RetryTimer final : public IMessageTarget {
 public:
  explicit RetryTimer(CADODatabase& database) : m_database(database), m_handle(RegisterMessageTarget(this)) {
    SetWindowTimer(m_handle, kRetryTimerId, kRetryTimerMs);
    QObject::connect(&m_folder, &QFileSystemWatcher::directoryChanged, &m_folder, [this] {
      if (const auto handle = m_database.GetConnection()->Handle()) handle->Pending().PutBackFolderChanged();
    });
  }
  // Watches the folder of the connection's database (opened anew, its queue is new too).
  void WatchFolder() {
    const auto handle = m_database.GetConnection()->Handle();
    if (!handle) return;
    const std::string database = m_database.DatabaseFile();
    const std::size_t slash = database.rfind('/');
    const QString folder = QString::fromStdString(slash == std::string::npos ? "." : database.substr(0, slash + 1));
    // Where it cannot be watched, the folder is listed at every look instead.
    const bool watched = m_folder.directories().contains(QDir(folder).absolutePath()) ||
                         m_folder.addPath(QDir(folder).absolutePath());
    handle->Pending().SetPutBackFolderWatched(watched);
  }
  ~RetryTimer() override {
    KillAllWindowTimers(m_handle);
    UnregisterMessageTarget(m_handle);
  }
  RetryTimer(const RetryTimer&) = delete;
  RetryTimer& operator=(const RetryTimer&) = delete;
  void KeepWriting(bool on) {
    if (on == m_writing) return;
    m_writing = on;
    if (on)
      SetWindowTimer(m_handle, kWritingTimerId, 0);
    else
      KillWindowTimer(m_handle, kWritingTimerId);
  }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM) override {
    if (message != WM_TIMER) return 0;
    // A set-aside copy put back (beside the journal, or as the journal while
    // none lies there) while the program runs is taken over here.
    const auto handle = m_database.GetConnection()->Handle();
    const bool putBack = handle && handle->Pending().JournalPutBack();
    KeepWriting((m_database.GetKeptWriteCount() > 0 || putBack) && m_database.WriteKeptTransaction());
    return 0;
  }

 private:
  static constexpr UINT_PTR kRetryTimerId = 1;
  static constexpr UINT_PTR kWritingTimerId = 2;
  CADODatabase& m_database;
  HWND m_handle;
  bool m_writing = false;
  QFileSystemWatcher m_folder;
};

CADODatabase::CADODatabase() : m_pConnection(std::make_shared<ruv::db::Connection>()) {
  m_pConnection->SetKeepLockedWrites(true);
}

CADODatabase::~CADODatabase() { Close(); }

bool CADODatabase::Open(const std::string& connectionString, const std::string& /*user*/,
                        const std::string& /*password*/) {
  if (IsOpen()) Close();
  if (!connectionString.empty()) m_strConnection = connectionString;
  try {
    m_pConnection->Open(m_strConnection);
  } catch (const ruv::db::DbError& error) {
    m_dwLastError = static_cast<DWORD>(error.Code());
    m_strErrorDescription = error.Description();
    m_strLastError = "Connection String = " + m_strConnection + "\n" +
                     AdoErrorReport("CADODataBase", error.Code(), error.Description());
    throw CADOException(error.Code(), error.Description());
  }
  if (IsOpen()) {
    // A kept write that fails is told at once, whichever write came upon it.
    const std::string database = ruv::db::Connection::DataSourceOf(m_strConnection);
    m_pConnection->Handle()->Pending().SetFailureSink([database](const std::vector<std::string>& lines,
                                                                 bool afterLastTry) {
      std::string text;
      for (const std::string& line : lines) text += line + "\n";
      const ReportFile written = WriteReport(database, kDroppedText, text);
      // Not waited for: the write may be a cycle's that must go on. After the
      // close's last try nobody may be there to answer.
      if (!afterLastTry)
        ShowMessageBoxWithoutWaiting(BoxText(kDroppedText, text, written), "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    });
    // What became of a file of kept records put back beside the journal.
    m_pConnection->Handle()->Pending().SetNoticeSink([database](const std::vector<std::string>& lines) {
      std::string text;
      for (const std::string& line : lines) text += line + "\n";
      const ReportFile written = WriteReport(database, kPutBackTakenText, text);
      ShowMessageBoxWithoutWaiting(BoxText(kPutBackTakenText, text, written), "",
                                   MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
    });
    TakeOverJournal();
    if (!m_retryTimer) m_retryTimer = std::make_unique<RetryTimer>(*this);
    m_retryTimer->WatchFolder();
    // A long journal's rest is written once the start has shown the window.
    m_retryTimer->KeepWriting(m_pConnection->Handle()->Pending().MoreToWrite());
  }
  return IsOpen();
}

bool CADODatabase::IsOpen() const { return m_pConnection && m_pConnection->IsOpen(); }

std::size_t CADODatabase::GetKeptWriteCount() const {
  const auto handle = m_pConnection ? m_pConnection->Handle() : nullptr;
  return handle ? handle->Pending().KeptCount() : 0;
}

bool CADODatabase::WriteKept() {
  const auto handle = m_pConnection ? m_pConnection->Handle() : nullptr;
  if (!handle) return true;
  return handle->Pending().WriteKept(*handle, 0);
}

bool CADODatabase::WriteKeptTransaction() {
  const auto handle = m_pConnection ? m_pConnection->Handle() : nullptr;
  if (!handle) return false;
  return handle->Pending().WriteKeptSome(*handle, 0, 1) == ruv::db::PendingWrites::Progress::More;
}

// A box must fit the screen: the first records, each cut short, and under each
// list how many more of it the whole report (in the file and on the standard
// error output) has. The program's own lines (a heading ending with a colon, a
// sentence with a full stop, a blank line between lists) are always there, cut
// only far later: they say what happened and what to do, often around long
// paths. A record is told on one line, so the records are counted by lines.
// A line of a file's own text (an unreadable journal's) is marked where it is
// told: it is counted as a record is, whatever it ends with. Sentences too are
// told up to a bound (one per file taken over, and many files may come at
// once): past it, every further line is counted.
std::string CADODatabase::FirstLines(const std::string& lines) {
  std::string shown;
  int listed = 0, more = 0, sentences = 0;
  bool cut = false;
  std::size_t beyond = 0;  // lines past the last sentence told
  const auto tellMore = [&] {
    if (more > 0) shown += "... and " + std::to_string(more) + " more\n";
    more = 0;
  };
  std::size_t at = 0;
  while (at < lines.size()) {
    std::size_t next = lines.find('\n', at);
    if (next == std::string::npos) next = lines.size();
    const std::string line = lines.substr(at, next - at);
    at = next + 1;
    const bool fileLine = line.rfind(ruv::db::KeptTexts::kFileLineMark, 0) == 0;
    const bool ownLine = !fileLine && (line.empty() || line.back() == '.' || line.back() == ':');
    if (!cut && ownLine && !line.empty() && sentences++ == kMostReportedSentences) cut = true;
    if (cut) {
      if (!line.empty()) ++beyond;
    } else if (ownLine) {
      tellMore();
      shown += (line.size() > kMostReportedSentenceChars ? line.substr(0, kMostReportedSentenceChars) + "..." : line) +
               "\n";
    } else if (listed < kMostReportedLines) {
      shown += (line.size() > kMostReportedChars ? line.substr(0, kMostReportedChars) + "..." : line) + "\n";
      ++listed;
    } else {
      ++more;
    }
  }
  tellMore();
  if (beyond > 0) shown += "... and " + std::to_string(beyond) + " more lines\n";
  return shown;
}

// The whole list goes to the standard error output and to the file (appended:
// earlier reports stay, up to kMostReportFileBytes; past that they are moved
// aside once, then dropped). Only a regular file of its own is written: a
// link's target is never written through, and a pipe or device never blocks
// the program; whatever lies there instead is left as it is, and said.
CADODatabase::ReportFile CADODatabase::WriteReport(const std::string& database, const std::string& heading,
                                                   const std::string& lines) {
  ReportFile written;
  written.path = database + kUnwrittenFileSuffix;
  std::fputs((heading + lines).c_str(), stderr);
  // It lists the database's records: never more open than the database.
  const auto mostMode = static_cast<mode_t>(ruv::db::KeptWriteJournal::MostModeBeside(database));
  OwnFile out = OwnFile::Open(written.path, O_WRONLY | O_APPEND | O_CREAT, 0666 & mostMode, database);
  struct stat was{};
  if (out.IsOpen() && ::fstat(out.Fd(), &was) == 0 && (was.st_mode & 07777 & ~mostMode) != 0)
    ::fchmod(out.Fd(), was.st_mode & 07777 & mostMode);
  if (out.GetStatus() == OwnFile::Status::NotOwnFile) {
    written.notOwn = out.What();
    std::fputs((NotWrittenLine(written) + "\n").c_str(), stderr);
  }
  const std::string report = heading + lines + "\n";
  if (struct stat held{}; out.IsOpen() && ::fstat(out.Fd(), &held) == 0 && held.st_size > 0 &&
                          static_cast<std::size_t>(held.st_size) + report.size() > kMostReportFileBytes) {
    // The earlier reports go aside, replacing those moved there before (only
    // a file of the program's own is replaced); this one starts the file anew.
    const std::string old = written.path + kOldReportSuffix;
    struct stat there{};
    const bool stillThere = ::lstat(written.path.c_str(), &there) == 0 && there.st_ino == held.st_ino &&
                            there.st_dev == held.st_dev;
    if (stillThere && OwnFile::WhatIsThere(old, database).empty() && RenameInFolder(written.path, old))
      out = OwnFile::Open(written.path, O_WRONLY | O_APPEND | O_CREAT, held.st_mode & 07777 & mostMode, database);
  }
  if (out.IsOpen()) {
    struct stat before{};
    const bool sized = ::fstat(out.Fd(), &before) == 0;
    written.saved = out.WriteAll(report);
    if (!written.saved) {
      // No half report left behind (a full disk): the file holds the earlier ones as they were.
      written.failed = std::strerror(out.Error());
      if (sized && ::ftruncate(out.Fd(), before.st_size) != 0) written.failed += ", and part of it may be there";
    }
  } else if (out.GetStatus() == OwnFile::Status::Failed) {
    written.failed = out.What();
  }
  if (!written.failed.empty()) std::fputs((FailedLine(written) + "\n").c_str(), stderr);
  std::fflush(stderr);
  return written;
}

std::string CADODatabase::FailedLine(const ReportFile& file) {
  return kReportFailedText + file.path + " (" + file.failed +
         "): what it says is only here and on the standard error output, and the records the journal beside the "
         "database keeps are in it as well.";
}

std::string CADODatabase::NotWrittenLine(const ReportFile& file) {
  return kReportNotWrittenText + file.path + " is " + file.notOwn + ", left as it is.";
}

// A box shows the start of the list and names the file that has all of it, or
// says why the file has nothing.
std::string CADODatabase::BoxText(const std::string& heading, const std::string& lines, const ReportFile& file) {
  std::string text = heading + FirstLines(lines);
  if (file.saved) text += "\nAll of them are in the file:\n" + file.path;
  if (!file.notOwn.empty()) text += "\n" + NotWrittenLine(file);
  if (!file.failed.empty()) text += "\n" + FailedLine(file);
  return text;
}

std::string CADODatabase::DatabaseFile() const { return ruv::db::Connection::DataSourceOf(m_strConnection); }

std::string CADODatabase::WithCause(const char* heading, const std::string& cause) {
  std::string text = heading;
  const std::size_t place = text.find("%s");
  if (place != std::string::npos) text.replace(place, 2, cause);
  return text;
}

void CADODatabase::Report(const std::string& heading, const std::string& lines) {
  const ReportFile written = WriteReport(DatabaseFile(), heading, lines);
  ShowMessageBox(BoxText(heading, lines, written), "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

// What an earlier run kept and could not write is written now (once each), or
// kept again while the lock is still there; the operator is told either way.
void CADODatabase::TakeOverJournal() {
  const auto handle = m_pConnection->Handle();
  if (!handle) return;
  ruv::db::PendingWrites& pending = handle->Pending();
  pending.SetJournal(ruv::db::Connection::DataSourceOf(m_strConnection) + kJournalFileSuffix, m_journalTables);
  using State = ruv::db::PendingWrites::JournalState;
  State state = State::None;
  const std::string told = pending.TakeOverJournal(*handle, m_pConnection->BusyTimeout(), state);
  if (state == State::None) return;
  // What still holds the kept ones is named: the lock, or what the database cannot do.
  const std::string heading = state == State::Written   ? kJournalWrittenText
                              : state == State::Writing ? kJournalWritingText
                              : state == State::Kept    ? WithCause(kJournalKeptText, pending.WaitingCause())
                              : state == State::Refused ? kJournalRefusedText
                                                        : kJournalUnreadableText;
  const ReportFile written = WriteReport(DatabaseFile(), heading, told);
  const bool fine = state == State::Written || state == State::Writing;
  // Not waited for: the start goes on.
  ShowMessageBoxWithoutWaiting(BoxText(heading, told, written), "",
                               MB_OK | (fine ? MB_ICONINFORMATION : MB_ICONSTOP) | MB_SYSTEMMODAL);
}

void CADODatabase::WriteKeptLastTry() {
  m_retryTimer.reset();
  if (!IsOpen()) return;
  const auto handle = m_pConnection->Handle();
  if (!handle) return;
  ruv::db::PendingWrites& pending = handle->Pending();
  const bool anyKept = pending.KeptCount() > 0;
  bool cut = false;  // the time ran out while the database still took them
  // A long journal's rest being written, not records waiting for the lock.
  const bool writing = anyKept && pending.MoreToWrite() && pending.JournalHoldsAll();
  if (anyKept) {
    // Said before the wait too: the process may be ended during it (a second
    // signal), and the records must not go without a trace. A long journal's
    // rest is in the journal: counted, not listed (that would take the close's time).
    if (writing)
      WriteReport(DatabaseFile(), std::to_string(pending.KeptCount()) + kWritingAtCloseText, std::string());
    else
      WriteReport(DatabaseFile(), WithCause(kKeptAtCloseText, pending.WaitingCause()), pending.Describe());
    // A transaction at a time, within the close's time: a long journal's rest
    // stops between two, and stays in the journal.
    using Progress = ruv::db::PendingWrites::Progress;
    const std::uint32_t start = GetTickCount();
    const auto bound = static_cast<std::uint32_t>(kCloseLockWaitMs);
    Progress progress = Progress::More;
    for (std::uint32_t spent = 0; progress == Progress::More && spent < bound; spent = TicksSince(start, GetTickCount()))
      progress = pending.WriteKeptSome(*handle, static_cast<int>(bound - spent), 1);
    cut = progress == Progress::More;
  }
  // What is still kept is told, with its values, so that it can be entered
  // again; a write the lock refuses from now on (a cycle given up on may still
  // write) is told at once.
  // Said of the journal only what its file holds: what it could not keep is
  // said to be only in the report.
  std::string notInJournal;
  const std::string unwritten = pending.EndRetries(&notInJournal);
  // Named for what held them at the last try.
  if (!unwritten.empty())
    Report(WithCause(!pending.HasJournal() ? kUnwrittenText : cut ? kCutAtCloseText : kKeptForNextStartText,
                     pending.WaitingCause()),
           unwritten);
  if (!notInJournal.empty())
    Report(kNotInJournalText, notInJournal);
  else if (unwritten.empty() && anyKept)
    WriteReport(DatabaseFile(), writing ? kWrittenAtCloseText : kAllWrittenAtCloseText, std::string());
}

void CADODatabase::Close() {
  WriteKeptLastTry();
  if (IsOpen()) m_pConnection->Close();
}
