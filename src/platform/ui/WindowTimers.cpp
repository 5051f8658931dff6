#include "platform/ui/WindowTimers.h"

#include <QTimer>
#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

namespace {

using TimerKey = std::pair<std::uintptr_t, UINT_PTR>;

struct Wanted {
  UINT elapseMs;
  std::uint64_t generation;  // a new Set restarts even with the same period
};

struct Running {
  QTimer* timer;
  std::uint64_t generation;
};

// What the callers asked for, any thread.
std::mutex g_timersMutex;
std::map<TimerKey, Wanted> g_wanted;
std::uint64_t g_nextGeneration = 1;

// The Qt timers carrying it out: UI thread only.
std::map<TimerKey, Running> g_running;

TimerKey KeyOf(HWND window, UINT_PTR id) { return {reinterpret_cast<std::uintptr_t>(window), id}; }

// The shortest period the original platform allows; 0 would spin.
constexpr UINT kMinimumPeriodMs = 10;

void DeliverTick(HWND window, UINT_PTR id) {
  if (IMessageTarget* target = TargetFromHandle(window)) target->DispatchMessageToTarget(WM_TIMER, id, 0);
}

// Brings the Qt timer of `key` in line with what was asked last (UI thread).
// Posted syncs may arrive late or twice; each one just applies the latest wish.
void Sync(TimerKey key) {
  std::optional<Wanted> wanted;
  {
    std::lock_guard<std::mutex> lock(g_timersMutex);
    auto it = g_wanted.find(key);
    if (it != g_wanted.end()) wanted = it->second;
  }
  auto running = g_running.find(key);
  if (!wanted) {
    if (running != g_running.end()) {
      running->second.timer->stop();
      running->second.timer->deleteLater();
      g_running.erase(running);
    }
    return;
  }
  if (running != g_running.end() && running->second.generation == wanted->generation) return;
  QTimer* timer = running != g_running.end() ? running->second.timer : nullptr;
  if (!timer) {
    timer = new QTimer();
    const HWND window = reinterpret_cast<HWND>(key.first);
    const UINT_PTR id = key.second;
    QObject::connect(timer, &QTimer::timeout, [window, id] { DeliverTick(window, id); });
  }
  timer->start(static_cast<int>(std::max(wanted->elapseMs, kMinimumPeriodMs)));
  g_running[key] = Running{timer, wanted->generation};
}

void SyncOnUiThread(TimerKey key) {
  if (IsUiThread()) Sync(key);
  else PostToUiThread([key] { Sync(key); });
}

}  // namespace

UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapseMs) {
  const TimerKey key = KeyOf(window, id);
  {
    // Checked and armed as one step: a window retires its handle before it kills
    // its timers, so a timer armed here is either killed with the others or never
    // armed at all.
    std::lock_guard<std::mutex> lock(g_timersMutex);
    if (!IsWindow(window)) return 0;
    g_wanted[key] = Wanted{elapseMs, g_nextGeneration++};
  }
  SyncOnUiThread(key);
  return id;
}

BOOL KillWindowTimer(HWND window, UINT_PTR id) {
  const TimerKey key = KeyOf(window, id);
  {
    std::lock_guard<std::mutex> lock(g_timersMutex);
    if (g_wanted.erase(key) == 0) return FALSE;
  }
  SyncOnUiThread(key);
  return TRUE;
}

void KillAllWindowTimers(HWND window) {
  std::vector<TimerKey> keys;
  {
    std::lock_guard<std::mutex> lock(g_timersMutex);
    for (auto it = g_wanted.begin(); it != g_wanted.end();) {
      if (it->first.first == reinterpret_cast<std::uintptr_t>(window)) {
        keys.push_back(it->first);
        it = g_wanted.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const TimerKey& key : keys) SyncOnUiThread(key);
}

std::vector<ArmedTimer> ArmedTimers() {
  std::lock_guard<std::mutex> lock(g_timersMutex);
  std::vector<ArmedTimer> armed;
  for (const auto& [key, wanted] : g_wanted) {
    armed.push_back(ArmedTimer{reinterpret_cast<HWND>(key.first), key.second, wanted.elapseMs});
  }
  return armed;
}

std::vector<ArmedTimer> ArmedTimersOf(HWND window) {
  std::vector<ArmedTimer> armed = ArmedTimers();
  armed.erase(std::remove_if(armed.begin(), armed.end(), [window](const ArmedTimer& t) { return t.window != window; }),
              armed.end());
  return armed;
}

bool FireTimerNow(HWND window, UINT_PTR id) {
  {
    std::lock_guard<std::mutex> lock(g_timersMutex);
    if (g_wanted.count(KeyOf(window, id)) == 0) return false;
  }
  bool delivered = false;
  RunOnUiThreadAndWait([&] {
    DeliverTick(window, id);
    delivered = true;
  });
  return delivered;
}
