#include "platform/base/ExitHook.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_mutex;
ExitHook g_hook;
}  // namespace

void RequestProcessExit(int code) {
  ExitHook hook;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    hook = g_hook;
  }
  if (hook) {
    hook(code);
    return;
  }
  std::fflush(nullptr);
  _exit(code);
}

void SetExitHook(ExitHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hook = std::move(hook);
}
