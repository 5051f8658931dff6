#pragma once
// Per-window timers. A timer is known by its window handle and the window's own
// id, so two windows may use the same id. Setting an armed id again restarts it
// with the new period. Calls from any thread are recorded at once and carried
// out on the UI thread; ticks arrive as WM_TIMER through the window's WindowProc.
// A window's timers die with its handle.
#include <vector>

#include "platform/ui/MessageCore.h"
#include "platform/ui/WinMessages.h"

// 0 when the window does not exist; else `id`.
UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapseMs);
BOOL KillWindowTimer(HWND window, UINT_PTR id);
void KillAllWindowTimers(HWND window);

struct ArmedTimer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT elapseMs = 0;
};
// Test hooks: the armed timers (in window, id order), and one tick delivered
// now on the UI thread (false when that timer is not armed).
std::vector<ArmedTimer> ArmedTimers();
std::vector<ArmedTimer> ArmedTimersOf(HWND window);
bool FireTimerNow(HWND window, UINT_PTR id);
