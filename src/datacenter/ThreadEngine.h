#pragma once
// One worker thread with a bounded, UI-friendly stop.
//
// Contract of a worker procedure: it gets this object; sets is-running on entry;
// loops while IsKeepRunning(); paces each pass with a CRTimer; clears is-running
// just before it returns. Start and Stop are called on the UI thread.
//
// Stop waits for the procedure to return while the UI thread keeps servicing
// posted messages and cross-thread sends (a worker blocked in a send would
// otherwise never finish). A worker still inside after more than 5 whole seconds
// is reported and abandoned: detached and never waited for again, never killed.
// An abandoned worker keeps using this object and what it works on: the owner
// hands them to the worker (HandOverToWorker) instead of freeing them, and at
// shut-down the process ends without running destructors (ExitIfWorkersAbandoned).
//
// The waits of that servicing may run handlers that Stop or Start this very
// engine again: a nested Stop waits with the running one and leaves the verdict
// to it; a Start while a Stop runs fails (two workers must never serve one owner,
// and the running Stop's caller is about to tear down what a worker would use).
//
// A Stop run inside the worker's own send (the UI thread runs a handler the
// worker waits for) cannot wait for it: it asks the worker to leave and returns
// at once, and the worker leaves once its send has returned. Until it has left
// it is let go: detached and counted as abandoned (its owner hands over what it
// would free, as for any abandoned worker), but nothing is reported, and the
// next Stop or Start outside that send still gives it the bounded wait.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "datacenter/RTimer.h"
#include "platform/base/WinTypes.h"

class CThreadEngine {
 public:
  using ThreadProc = std::function<UINT(CThreadEngine*)>;

  CThreadEngine();
  virtual ~CThreadEngine();  // stops the worker first
  CThreadEngine(const CThreadEngine&) = delete;
  CThreadEngine& operator=(const CThreadEngine&) = delete;

  // TRUE when a worker runs afterwards: a running worker is left alone (no second
  // thread). FALSE without a procedure, when the thread cannot be made, while an
  // abandoned worker has still not left, or while a Stop of this engine runs.
  virtual BOOL Start();
  // Always TRUE; see above.
  virtual BOOL Stop();

  bool IsKeepRunning() const { return m_keepRunning.load(); }
  void SetKeepRunning(bool keep) { m_keepRunning.store(keep); }
  bool IsRunning() const { return m_running.load(); }
  void SetRunning(bool running) { m_running.store(running); }

  ThreadProc GetThreadProc() const;
  void SetThreadProc(ThreadProc proc);
  void* GetOwner() const { return m_owner.load(); }
  void SetOwner(void* owner) { m_owner.store(owner); }
  // Called by Stop (on the stopping thread) right after the keep-running flag is
  // cleared: wakes the waits of the worker that do not watch that flag.
  void SetStopWaker(std::function<void()> waker);
  // With this set, Stop's wait on the UI thread runs only the workers' sends
  // (WaitServicingSends), never input, posted messages or timers: nothing of
  // the program's own (a start, a stop, a command) runs inside it.
  void SetStopServicesOnlySends(bool onlySends) { m_stopServicesOnlySends.store(onlySends); }

  // A started worker is attached (not yet stopped or abandoned).
  bool HasThread() const { return m_thread.joinable(); }
  // The last Stop gave up on a worker, or let it go from inside its own send,
  // and it has not left since.
  bool IsAbandoned() const { return m_abandoned.load() && !m_finished.load(); }
  // A Stop of this engine is running (possibly further down the UI thread's stack).
  bool IsStopping() const { return m_stopDepth.load() > 0; }
  // For an abandoned worker that has not left yet: `reclaim` becomes the last thing
  // the worker does (it may free this object; the worker counts as abandoned
  // until it has returned) and TRUE is returned. FALSE when no
  // abandoned worker is inside: the caller frees what it owns itself.
  bool HandOverToWorker(std::function<void()> reclaim);

 private:
  static void RunWorker(CThreadEngine* self, ThreadProc proc);
  bool StopBoundPassed() const;
  // Stop's wait for the worker to leave, within the outer Stop's bound.
  void WaitForWorkerToLeave();
  // Detaches a worker asked to leave from inside its own send (UI thread).
  void LetWorkerGo();

  std::atomic<bool> m_keepRunning{false};
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_finished{true};  // the procedure has returned (or none was started)
  std::atomic<bool> m_abandoned{false};
  std::atomic<bool> m_letGo{false};  // detached by a Stop inside its own send, not yet waited for
  std::atomic<void*> m_owner{nullptr};
  std::atomic<int> m_stopDepth{0};
  std::atomic<bool> m_stopServicesOnlySends{false};
  CRTimer m_stopWatch;  // the bound of the outermost running Stop
  mutable std::mutex m_procMutex;
  ThreadProc m_proc;
  std::function<void()> m_stopWaker;
  std::mutex m_exitMutex;  // orders the worker's leaving against abandonment and hand-over
  std::function<void()> m_reclaim;
  bool m_leaving = false;  // the worker has begun to leave (under m_exitMutex)
  std::thread m_thread;
  std::thread::id m_workerId;  // of the last worker started, kept once it is detached (UI thread)
};
