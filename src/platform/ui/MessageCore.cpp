#include "platform/ui/MessageCore.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cctype>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/base/Clock.h"

namespace {

std::mutex g_registryMutex;
std::unordered_map<std::uintptr_t, IMessageTarget*> g_targets;
std::uintptr_t g_nextWindowHandle = 0x10000;

std::uintptr_t Key(HWND handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// A cross-thread send waiting for the UI thread.
struct PendingSend {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
};

std::mutex g_registeredMessagesMutex;
std::map<std::string, UINT> g_registeredMessages;  // by the name in lower case
constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

}  // namespace

UINT RegisterWindowMessage(const std::string& name) {
  if (name.empty()) return 0;
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::lock_guard<std::mutex> lock(g_registeredMessagesMutex);
  if (auto found = g_registeredMessages.find(key); found != g_registeredMessages.end()) return found->second;
  const UINT next = kFirstRegisteredMessage + static_cast<UINT>(g_registeredMessages.size());
  if (next > kLastRegisteredMessage) return 0;
  g_registeredMessages.emplace(std::move(key), next);
  return next;
}

HWND RegisterMessageTarget(IMessageTarget* target) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  std::uintptr_t handle = g_nextWindowHandle;
  g_nextWindowHandle += 4;
  g_targets[handle] = target;
  return reinterpret_cast<HWND>(handle);
}

void UnregisterMessageTarget(HWND handle) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  g_targets.erase(Key(handle));
}

bool IsWindow(HWND handle) {
  if (!handle) return false;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  return g_targets.count(Key(handle)) != 0;
}

IMessageTarget* TargetFromHandle(HWND handle) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = g_targets.find(Key(handle));
  return it == g_targets.end() ? nullptr : it->second;
}

bool IsUiAvailable() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && !QCoreApplication::closingDown();
}

bool IsUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && app->thread() == QThread::currentThread();
}

namespace {

// Calls queued for the UI thread travel through our own mutex-guarded queue, and
// the UI thread is woken through our own eventfd, watched by a socket notifier
// on the UI thread. A worker therefore touches no Qt data at all: Qt's internal
// locks are invisible to ThreadSanitizer (Qt is not built with it), so a worker's
// postEvent looked like a race with anything the UI thread posted meanwhile
// (building a message box, for one).
std::mutex g_uiCallsMutex;
std::deque<std::function<void()>> g_uiCalls;
// Workers blocked in a send: run before the posted calls, and alone by a wait
// that must not run anything else (a link's stop, the close).
std::deque<std::function<void()>> g_uiSends;

// The threads whose sends the UI thread is running now, innermost last (UI
// thread only): a send's handler may wait for other workers and run their sends.
std::vector<std::thread::id> g_runningSenders;

class RunningSend {
 public:
  explicit RunningSend(std::thread::id sender) { g_runningSenders.push_back(sender); }
  ~RunningSend() { g_runningSenders.pop_back(); }
  RunningSend(const RunningSend&) = delete;
  RunningSend& operator=(const RunningSend&) = delete;
};

// Made once and never closed: a worker may still write to it while the
// application object goes away, and a closed number could be reused.
std::atomic<int> g_wakeFd{-1};

// Runs the sends waiting now; true when there was one.
bool RunQueuedSends() {
  bool ran = false;
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(g_uiCallsMutex);
      if (g_uiSends.empty()) return ran;
      call = std::move(g_uiSends.front());
      g_uiSends.pop_front();
    }
    call();
    ran = true;
  }
}

void RunQueuedUiCalls() {
  RunQueuedSends();
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(g_uiCallsMutex);
      if (g_uiCalls.empty()) return;
      call = std::move(g_uiCalls.front());
      g_uiCalls.pop_front();
    }
    call();
    RunQueuedSends();
  }
}

class UiCallRunner final : public QObject {
 public:
  UiCallRunner(QObject* parent, int wakeFd) : QObject(parent), m_notifier(wakeFd, QSocketNotifier::Read, this) {
    connect(&m_notifier, &QSocketNotifier::activated, this, [wakeFd] {
      std::uint64_t count = 0;
      while (::read(wakeFd, &count, sizeof count) > 0) {
      }
      RunQueuedUiCalls();
    });
  }
  ~UiCallRunner() override;

 private:
  QSocketNotifier m_notifier;
};

std::atomic<UiCallRunner*> g_uiCallRunner{nullptr};

UiCallRunner::~UiCallRunner() { g_uiCallRunner.store(nullptr); }

// Made on the UI thread as the application object is built, owned by it.
void CreateUiCallRunner() {
  int fd = g_wakeFd.load();
  if (fd < 0) {
    fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return;  // PostToUiThread falls back to Qt's own queue
    g_wakeFd.store(fd);
  }
  g_uiCallRunner.store(new UiCallRunner(QCoreApplication::instance(), fd));
}
Q_COREAPP_STARTUP_FUNCTION(CreateUiCallRunner)

void WakeUiThread() {
  const std::uint64_t one = 1;
  // A full counter (never in practice) still leaves the notifier readable.
  [[maybe_unused]] const ssize_t written = ::write(g_wakeFd.load(), &one, sizeof one);
}

}  // namespace

void PostToUiThread(std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  if (!g_uiCallRunner.load()) {
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(g_uiCallsMutex);
    g_uiCalls.push_back(std::move(call));
  }
  WakeUiThread();
}

bool RunOnUiThreadAndWait(const std::function<void()>& call) {
  if (IsUiThread()) {
    call();
    return true;
  }
  if (!IsUiAvailable()) return false;
  auto pending = std::make_shared<PendingSend>();
  std::function<void()> run = [pending, call, sender = std::this_thread::get_id()] {
    {
      RunningSend running(sender);
      call();
    }
    std::lock_guard<std::mutex> lock(pending->mutex);
    pending->finished = true;
    pending->done.notify_all();
  };
  if (!g_uiCallRunner.load()) {
    PostToUiThread(std::move(run));
  } else {
    {
      std::lock_guard<std::mutex> lock(g_uiCallsMutex);
      g_uiSends.push_back(std::move(run));
    }
    WakeUiThread();
  }
  std::unique_lock<std::mutex> lock(pending->mutex);
  // Wake now and then to notice a UI thread that went away without running the call.
  while (!pending->finished) {
    if (pending->done.wait_for(lock, std::chrono::milliseconds(100), [&] { return pending->finished; })) break;
    if (!IsUiAvailable()) return false;
  }
  return true;
}

BOOL PostMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(handle) || !IsUiAvailable()) return FALSE;
  PostToUiThread([handle, message, wParam, lParam] {
    if (IMessageTarget* target = TargetFromHandle(handle)) target->DispatchMessageToTarget(message, wParam, lParam);
  });
  return TRUE;
}

LRESULT SendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(handle)) return 0;
  LRESULT result = 0;
  RunOnUiThreadAndWait([&] {
    if (IMessageTarget* target = TargetFromHandle(handle)) result = target->DispatchMessageToTarget(message, wParam, lParam);
  });
  return result;
}

bool WaitServicingSends(const std::function<bool()>& done, DWORD timeoutMs) {
  const std::uint32_t start = GetTickCount();
  const bool ui = IsUiThread();
  for (;;) {
    if (done()) return true;
    if (timeoutMs != INFINITE && TicksSince(start, GetTickCount()) >= timeoutMs) return done();
    if (ui && RunQueuedSends()) continue;
    Sleep(1);
  }
}

bool IsRunningWorkersSend() { return IsUiThread() && !g_runningSenders.empty(); }

bool IsRunningSendOf(std::thread::id sender) {
  if (!IsUiThread()) return false;
  return std::find(g_runningSenders.begin(), g_runningSenders.end(), sender) != g_runningSenders.end();
}

void PumpPendingMessages() {
  if (!IsUiThread()) return;
  if (IsRunningWorkersSend()) {
    RunQueuedSends();  // a send's handler runs no loop
    return;
  }
  RunQueuedUiCalls();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, 0);  // deferred calls and meta-calls
}

bool WaitPumping(const std::function<bool()>& done, DWORD timeoutMs) {
  const std::uint32_t start = GetTickCount();
  const bool ui = IsUiThread();
  for (;;) {
    if (done()) return true;
    if (timeoutMs != INFINITE && TicksSince(start, GetTickCount()) >= timeoutMs) return done();
    // A worker's send's handler may run inside a wait that must run nothing
    // else (a link's stop): then this wait runs only the sends as well.
    if (ui && IsRunningWorkersSend()) {
      if (RunQueuedSends()) continue;
    } else if (ui) {
      RunQueuedUiCalls();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      QCoreApplication::sendPostedEvents(nullptr, 0);
    }
    Sleep(1);
  }
}
