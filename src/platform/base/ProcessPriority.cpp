#include "platform/base/ProcessPriority.h"

#include <sys/resource.h>

#include <atomic>

namespace {
std::atomic<DWORD> g_requestedClass{NORMAL_PRIORITY_CLASS};
}  // namespace

int NiceValueOfPriorityClass(DWORD priorityClass) {
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: return 19;
    case BELOW_NORMAL_PRIORITY_CLASS: return 5;
    case NORMAL_PRIORITY_CLASS: return 0;
    case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
    case HIGH_PRIORITY_CLASS: return -10;
    case REALTIME_PRIORITY_CLASS: return -20;
    default: return 0;
  }
}

BOOL SetPriorityClass(DWORD priorityClass) {
  g_requestedClass.store(priorityClass);
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS:
    case BELOW_NORMAL_PRIORITY_CLASS:
    case NORMAL_PRIORITY_CLASS:
    case ABOVE_NORMAL_PRIORITY_CLASS:
    case HIGH_PRIORITY_CLASS:
    case REALTIME_PRIORITY_CLASS: break;
    default: return FALSE;
  }
  return setpriority(PRIO_PROCESS, 0, NiceValueOfPriorityClass(priorityClass)) == 0 ? TRUE : FALSE;
}

DWORD GetRequestedPriorityClass() { return g_requestedClass.load(); }
