#include "records/AdoDatabase.h"

#include <cstdio>

#include "platform/base/MessageBoxService.h"
#include "platform/db/DbError.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WindowTimers.h"
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

// A box must fit the screen: the first lines, and how many more the standard error output has.
std::string CADODatabase::FirstLines(const std::string& lines) {
  std::size_t end = 0;
  int shown = 0;
  while (shown < kMostReportedLines && end < lines.size()) {
    const std::size_t next = lines.find('\n', end);
    end = next == std::string::npos ? lines.size() : next + 1;
    ++shown;
  }
  if (end >= lines.size()) return lines;
  std::size_t more = 0;
  for (std::size_t at = end; at < lines.size(); ++at) more += lines[at] == '\n' ? 1 : 0;
  return lines.substr(0, end) + "... and " + std::to_string(more) + " more (all of them on the standard error output)\n";
}

void CADODatabase::ReportDropped() {
  const auto handle = m_pConnection ? m_pConnection->Handle() : nullptr;
  if (!handle) return;
  std::string text;
  for (const std::string& line : handle->Pending().TakeFailed()) text += line + "\n";
  if (text.empty()) return;
  std::fputs((kDroppedText + text).c_str(), stderr);
  ShowMessageBox(kDroppedText + FirstLines(text), "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

void CADODatabase::Close() {
  m_retryTimer.reset();
  if (!IsOpen()) return;
  const auto handle = m_pConnection->Handle();
  if (handle && handle->Pending().HasKept()) {
    // The last try: a few seconds for the lock to go, then what is left is told,
    // with its values, so that it can be entered again.
    handle->Pending().WriteKept(*handle, kCloseLockWaitMs);
    ReportDropped();
    const std::string unwritten = handle->Pending().Describe();
    if (!unwritten.empty()) {
      std::fputs((kUnwrittenText + unwritten).c_str(), stderr);
      ShowMessageBox(kUnwrittenText + FirstLines(unwritten), "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    }
  }
  m_pConnection->Close();
}
