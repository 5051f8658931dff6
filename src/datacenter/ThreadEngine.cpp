#include "datacenter/ThreadEngine.h"

#include <system_error>
#include <thread>

#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/MessageCore.h"

namespace {
// More whole seconds than this and the worker is given up.
constexpr int kStopWaitWholeSeconds = 5;
// The engine whose procedure runs on this thread, if any.
thread_local const CThreadEngine* t_workerOf = nullptr;
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
  t_workerOf = self;
  proc(self);
  t_workerOf = nullptr;
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
  {
    std::lock_guard<std::mutex> lock(m_exitMutex);
    if (!m_abandoned.load()) return false;
    if (!m_leaving) {
      m_reclaim = std::move(reclaim);
      return true;
    }
  }
  // Past its hand-over point the worker still marks its end (a few steps that
  // never block): the caller frees this object only after that last touch.
  while (!m_finished.load()) std::this_thread::yield();
  return false;
}

BOOL CThreadEngine::Start() {
  if (IsStopping()) return FALSE;  // the running Stop's caller is tearing down
  if (m_thread.joinable()) {
    if (!m_finished.load()) return TRUE;  // already running
    m_thread.join();                      // left on its own; start afresh
  } else if (!m_finished.load()) {
    // One let go from inside its own send gets its bounded wait now (unless
    // that send still runs); an abandoned one is never waited for again.
    if (m_letGo.load()) Stop();
    if (!m_finished.load()) return FALSE;  // still inside
  }
  ThreadProc proc = GetThreadProc();
  if (!proc) return FALSE;
  {
    std::lock_guard<std::mutex> lock(m_exitMutex);
    m_leaving = false;
  }
  m_abandoned.store(false);
  m_letGo.store(false);
  m_keepRunning.store(true);
  m_running.store(true);
  m_finished.store(false);
  try {
    m_thread = std::thread(&CThreadEngine::RunWorker, this, std::move(proc));
    m_workerId = m_thread.get_id();
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

void CThreadEngine::LetWorkerGo() {
  std::lock_guard<std::mutex> lock(m_exitMutex);
  if (m_leaving) return;  // already on its way out: joined by a later Stop
  // Counted like an abandoned worker until it has left: its owner hands what
  // it would free over to it, and a shut-down meanwhile does not run
  // destructors under it.
  m_abandoned.store(true);
  m_letGo.store(true);
  NoteWorkerAbandoned();
  m_thread.detach();
}

BOOL CThreadEngine::Stop() {
  m_keepRunning.store(false);
  if (t_workerOf == this) return TRUE;  // the worker stops itself: it leaves its loop
  const bool attached = m_thread.joinable();
  const bool letGoInside = !attached && m_letGo.load() && !m_finished.load();
  if (!attached && !letGoInside) return TRUE;  // never started, or already given up
  std::function<void()> waker;
  {
    std::lock_guard<std::mutex> lock(m_procMutex);
    waker = m_stopWaker;
  }
  if (waker) waker();

  if (IsRunningSendOf(m_workerId)) {
    // Run inside the worker's own send: it waits for this very handler, so a
    // wait for it here would only wait for itself. It is asked to leave and
    // leaves once its send has returned; a later Stop or Start waits for it.
    if (attached) LetWorkerGo();
    return TRUE;
  }
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
    if (m_thread.joinable() && !m_leaving) {
      m_abandoned.store(true);
      NoteWorkerAbandoned();
      m_thread.detach();
    }
  }
  if (m_thread.joinable()) m_thread.join();
  m_letGo.store(false);  // waited for: given up now, or gone
  m_stopWatch.Stop();
  --m_stopDepth;
  return TRUE;
}
