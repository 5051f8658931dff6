#pragma once
// Window helpers shared by the subsystems (UI thread, except PumpWindowMessage,
// which does nothing elsewhere).
#include "platform/ui/CComboBox.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/MessageCore.h"

// Lets the calling UI thread deliver what is queued for it (posts and
// cross-thread sends) while it waits; `window`, when given, must be alive.
// Elsewhere (worker threads, a dead window) it does nothing.
void PumpWindowMessage(HWND window = nullptr);

// Shows the window, brings its top-level window to the front and gives it the
// focus; nothing when it has no live handle or when the active window is one of
// its own (its parent or owner is this window).
void ForceForegroundWindow(CWnd* window);

// The window's rectangle in its parent's client coordinates (screen coordinates
// for a window without parent).
CRect& GetWindowRectInParent(CRect& rect, const CWnd* window);

// A point of the window's rectangle in its parent: codes 0..8 read row by row
// (top row first, left column first); any other code gives (0, 0).
CPoint& GetWindowAnchorPoint(CPoint& point, const CWnd* window, int alignment);

// Index of the first item whose data word equals `data`, or -1 (also for no box).
int FindComboItemByData(const CComboBox* combo, DWORD data);
