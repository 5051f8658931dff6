#pragma once
// An application-wide event filter standing in for the platform's per-thread
// window hooks: keyboard (every key press or release of the program), mouse
// (every button press and release, wheel turn and mouse move, with the window
// under it) and the movement of one chosen top-level window. Each hook answers whether the event
// is swallowed. Hooks run on the UI thread; remove them by the id Add returns.
#include <functional>

#include "platform/ui/CWnd.h"

namespace app_hooks {

// virtualKey, keyDown; true swallows the key.
using KeyboardHook = std::function<bool(int virtualKey, bool keyDown)>;
// message (WM_LBUTTONDOWN...), point in screen coordinates, window under it (may be null).
using MouseHook = std::function<bool(UINT message, CPoint screenPoint, HWND window)>;
// Called after the watched window moved or changed size.
using MoveHook = std::function<void(HWND window)>;

int AddKeyboardHook(KeyboardHook hook);
int AddMouseHook(MouseHook hook);
int AddWindowMoveHook(HWND window, MoveHook hook);
void Remove(int id);
int Count();

}  // namespace app_hooks
