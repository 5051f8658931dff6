#include "platform/base/ExitHook.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/base/FileRewriteInProgress.h"

namespace {
constexpr auto kRewriteWait = std::chrono::seconds(5);
std::mutex g_exitHookMutex;
ExitHook g_hook;
std::atomic<int> g_abandonedWorkers{0};
std::atomic<bool> g_exitInsideRunGuardArmed{false};
std::once_flag g_exitInsideRunGuardRegistered;
}  // namespace

void RequestProcessExit(int code) {
  ExitHook hook;
  {
    std::lock_guard<std::mutex> lock(g_exitHookMutex);
    hook = g_hook;
  }
  if (hook) {
    hook(code);
    return;
  }
  std::fflush(nullptr);
  // A worker's file rewrite under way finishes first (its temporary file would
  // stay): the last rewrite ends the process; a rewrite that hangs is not waited for.
  EndProcessBetweenFileRewrites(code);
  std::this_thread::sleep_for(kRewriteWait);
  _exit(code);
}

void SetExitHook(ExitHook hook) {
  std::lock_guard<std::mutex> lock(g_exitHookMutex);
  g_hook = std::move(hook);
}

void NoteWorkerAbandoned() { ++g_abandonedWorkers; }

void NoteAbandonedWorkerLeft() { --g_abandonedWorkers; }

int AbandonedWorkerCount() { return g_abandonedWorkers.load(); }

void ExitIfWorkersAbandoned(int code) {
  if (AbandonedWorkerCount() > 0) RequestProcessExit(code);
}

void ArmExitInsideRunGuard() {
  std::call_once(g_exitInsideRunGuardRegistered, [] {
    std::atexit([] {
      if (!g_exitInsideRunGuardArmed.load()) return;
      std::fputs("exit() called while the application runs (display connection lost?): ending at once, without the shut-down\n",
                 stderr);
      RequestProcessExit(1);
    });
  });
  g_exitInsideRunGuardArmed = true;
}

void DisarmExitInsideRunGuard() { g_exitInsideRunGuardArmed = false; }
