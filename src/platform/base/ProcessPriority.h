#pragma once
// The process's priority class, standing in for the platform's priority
// classes with the scheduler's nice value. Lowering the nice value (a higher
// priority) needs privileges an ordinary user lacks; such a refusal is silent,
// as the class is only a wish of the settings file.
#include "platform/base/WinTypes.h"

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD IDLE_PRIORITY_CLASS = 0x00000040;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD REALTIME_PRIORITY_CLASS = 0x00000100;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x00004000;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x00008000;

// Asks the scheduler for the class's nice value; FALSE when it refused (or the
// class is unknown). The class is remembered either way.
BOOL SetPriorityClass(DWORD priorityClass);
// The class last asked for through SetPriorityClass (normal before any request).
DWORD GetRequestedPriorityClass();
