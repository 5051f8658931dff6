#include "records/AdoDatabase.h"

#include <cstdio>
#include <fstream>

#include "platform/base/MessageBoxService.h"
#include "platform/db/DbError.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WindowTimers.h"
#include "records/AdoErrorText.h"
#include "records/AdoException.h"

// A hidden message target whose timer tries the kept writes again.
class CADODatabase::RetryTimer final : public IMessageTarget {
 public:
  explicit RetryTimer(CADODatabase& database) : m_database(database), m_handle(RegisterMessageTarget(this)) {
    SetWindowTimer(m_handle, 1, kRetryTimerMs);
  }
  ~RetryTimer() override {
    KillAllWindowTimers(m_handle);
    UnregisterMessageTarget(m_handle);
  }
  RetryTimer(const RetryTimer&) = delete;
  RetryTimer& operator=(const RetryTimer&) = delete;
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM) override {
    if (message == WM_TIMER && m_database.GetKeptWriteCount() > 0) m_database.WriteKept();
    return 0;
  }

 private:
  CADODatabase& m_database;
  HWND m_handle;
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
  if (IsOpen() && !m_retryTimer) m_retryTimer = std::make_unique<RetryTimer>(*this);
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
  const bool done = handle->Pending().WriteKept(*handle, 0);
  ReportDropped();
  return done;
}

// A box must fit the screen: the first writes, each cut short, and how many
// more the whole list (in the file and on the standard error output) has.
std::string CADODatabase::FirstLines(const std::string& lines) {
  std::string shown;
  std::size_t at = 0;
  int count = 0, more = 0;
  while (at < lines.size()) {
    std::size_t next = lines.find('\n', at);
    if (next == std::string::npos) next = lines.size();
    if (count < kMostReportedLines) {
      const std::string line = lines.substr(at, next - at);
      shown += (line.size() > kMostReportedChars ? line.substr(0, kMostReportedChars) + "..." : line) + "\n";
      ++count;
    } else {
      ++more;
    }
    at = next + 1;
  }
  if (more > 0) shown += "... and " + std::to_string(more) + " more\n";
  return shown;
}

// The whole list goes to the standard error output and to a file beside the
// database (appended: earlier reports stay); the box shows its start and names the file.
void CADODatabase::Report(const char* heading, const std::string& lines) {
  std::fputs((heading + lines).c_str(), stderr);
  const std::string file = ruv::db::Connection::DataSourceOf(m_strConnection) + kUnwrittenFileSuffix;
  std::ofstream out(file, std::ios::app | std::ios::binary);
  out << heading << lines << "\n";
  const bool saved = static_cast<bool>(out.flush());
  ShowMessageBox(heading + FirstLines(lines) + (saved ? "\nAll of them are in the file:\n" + file : std::string()), "",
                 MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

void CADODatabase::ReportDropped() {
  const auto handle = m_pConnection ? m_pConnection->Handle() : nullptr;
  if (!handle) return;
  std::string text;
  for (const std::string& line : handle->Pending().TakeFailed()) text += line + "\n";
  if (!text.empty()) Report(kDroppedText, text);
}

void CADODatabase::WriteKeptLastTry() {
  m_retryTimer.reset();
  if (!IsOpen()) return;
  const auto handle = m_pConnection->Handle();
  if (handle && handle->Pending().HasKept()) {
    // The last try: a few seconds for the lock to go, then what is left is told,
    // with its values, so that it can be entered again.
    handle->Pending().WriteKept(*handle, kCloseLockWaitMs);
    ReportDropped();
    const std::string unwritten = handle->Pending().Describe();
    if (!unwritten.empty()) Report(kUnwrittenText, unwritten);
  }
}

void CADODatabase::Close() {
  WriteKeptLastTry();
  if (IsOpen()) m_pConnection->Close();
}
