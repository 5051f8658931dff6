#include "datacenter/ThreadEngine.h"

#include <system_error>

#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/MessageCore.h"

namespace {
// More whole seconds than this and the worker is given up.
constexpr int kStopWaitWholeSeconds = 5;
}  // namespace

CThreadEngine::CThreadEngine() = default;

CThreadEngine::~CThreadEngine() { Stop(); }

CThreadEngine::ThreadProc CThreadEngine::GetThreadProc() const {
  std::lock_guard<std::mutex> lock(m_procMutex);
  return m_proc;
}

void CThreadEngine::SetThreadProc(ThreadProc proc) {
  std::lock_guard<std::mutex> lock(m_procMutex);
  m_proc = std::move(proc);
}

void CThreadEngine::SetStopWaker(std::function<void()> waker) {
  std::lock_guard<std::mutex> lock(m_procMutex);
  m_stopWaker = std::move(waker);
}

void CThreadEngine::RunWorker(CThreadEngine* self, ThreadProc proc) {
  proc(self);
  std::function<void()> reclaim;
  bool abandoned = false;
  {
    std::lock_guard<std::mutex> lock(self->m_exitMutex);
    // A procedure that forgot to clear its flag must not look alive forever.
    self->m_running.store(false);
    self->m_leaving = true;  // no abandonment or hand-over from here on
    abandoned = self->m_abandoned.load();
    if (abandoned) reclaim = std::move(self->m_reclaim);
  }
  // Counted as given up on until its hand-over is done: the shut-down that sees
  // no such worker left may free (or let static destructors free) what the
  // reclaim passes on.
  if (abandoned && !reclaim) NoteAbandonedWorkerLeft();
  // The last touch of `self`: whoever sees it may free the engine (unless it was
  // handed over, and then only the reclaim below frees it).
  self->m_finished.store(true);
  if (reclaim) {
    reclaim();
    NoteAbandonedWorkerLeft();
  }
}

bool CThreadEngine::HandOverToWorker(std::function<void()> reclaim) {
  std::lock_guard<std::mutex> lock(m_exitMutex);
  if (!m_abandoned.load() || m_leaving) return false;
  m_reclaim = std::move(reclaim);
  return true;
}

BOOL CThreadEngine::Start() {
  if (IsStopping()) return FALSE;  // the running Stop's caller is tearing down
  if (m_thread.joinable()) {
    if (!m_finished.load()) return TRUE;  // already running
    m_thread.join();                      // left on its own; start afresh
  } else if (!m_finished.load()) {
    return FALSE;  // an abandoned worker is still inside
  }
  ThreadProc proc = GetThreadProc();
  if (!proc) return FALSE;
  {
    std::lock_guard<std::mutex> lock(m_exitMutex);
    m_leaving = false;
  }
  m_abandoned.store(false);
  m_keepRunning.store(true);
  m_running.store(true);
  m_finished.store(false);
  try {
    m_thread = std::thread(&CThreadEngine::RunWorker, this, std::move(proc));
  } catch (const std::system_error&) {
    m_keepRunning.store(false);
    m_running.store(false);
    m_finished.store(true);
    return FALSE;
  }
  return TRUE;
}

bool CThreadEngine::StopBoundPassed() const { return m_stopWatch.GetElapsedWholeSeconds() > kStopWaitWholeSeconds; }

void CThreadEngine::WaitForWorkerToLeave() {
  const auto left = [&] { return m_finished.load() || StopBoundPassed(); };
  if (m_stopServicesOnlySends.load()) WaitServicingSends(left, INFINITE);
  else WaitPumping(left, INFINITE);
}

BOOL CThreadEngine::Stop() {
  m_keepRunning.store(false);
  if (!m_thread.joinable()) return TRUE;  // never started, or already given up
  if (m_thread.get_id() == std::this_thread::get_id()) return TRUE;  // the worker stops itself: it leaves its loop
  std::function<void()> waker;
  {
    std::lock_guard<std::mutex> lock(m_procMutex);
    waker = m_stopWaker;
  }
  if (waker) waker();

  if (IsStopping()) {
    // A handler run by the outer Stop's wait: wait with it, within its bound, and
    // leave joining, reporting and abandoning to it.
    WaitForWorkerToLeave();
    return TRUE;
  }
  ++m_stopDepth;
  m_stopWatch.Restart();
  WaitForWorkerToLeave();
  if (!m_finished.load()) {
    ShowMessageBox("All of threads not closed! You may need End Task this program.", "",
                   MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    std::lock_guard<std::mutex> lock(m_exitMutex);
    if (!m_leaving) {
      m_abandoned.store(true);
      NoteWorkerAbandoned();
      m_thread.detach();
    }
  }
  if (m_thread.joinable()) m_thread.join();
  m_stopWatch.Stop();
  --m_stopDepth;
  return TRUE;
}
