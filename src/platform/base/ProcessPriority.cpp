#include "platform/base/ProcessPriority.h"

#include <sys/resource.h>

#include <atomic>
#include <optional>

namespace {
std::atomic<DWORD> g_requestedClass{NORMAL_PRIORITY_CLASS};

// The nice value that stands for a class; none for an unknown class.
std::optional<int> NiceValueOf(DWORD priorityClass) {
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: return 19;
    case BELOW_NORMAL_PRIORITY_CLASS: return 5;
    case NORMAL_PRIORITY_CLASS: return 0;
    case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
    case HIGH_PRIORITY_CLASS: return -10;
    case REALTIME_PRIORITY_CLASS: return -20;
    default: return std::nullopt;
  }
}
}  // namespace

BOOL SetPriorityClass(DWORD priorityClass) {
  g_requestedClass.store(priorityClass);
  const std::optional<int> nice = NiceValueOf(priorityClass);
  return nice && setpriority(PRIO_PROCESS, 0, *nice) == 0 ? TRUE : FALSE;
}

DWORD GetRequestedPriorityClass() { return g_requestedClass.load(); }
