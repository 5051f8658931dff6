#pragma once
// The stacking the original platform keeps for every program, kept here by hand
// because no window manager need be there to keep it (and a bare X server keeps
// nothing: a window shown later covers every earlier one): a window's owned
// windows stay above it, and an open message box stays above every other window
// of the program. Whatever shows or brings a top-level window forward calls
// KeepAbove after. UI thread only.
class CWnd;
class QWidget;

namespace window_stacking {

// `owned` (a top-level window) stays above `owner` as an owned window does,
// while each is not made the other's child: each keeps its own lifetime. Under
// a window manager too: `owned` is made transient for `owner` (before it is
// shown, when the window manager reads it).
void KeepOwnedAbove(CWnd& owned, CWnd& owner);

// A message box now showing; it leaves the list when it is hidden or deleted.
void AddOpenBox(QWidget* box);
bool IsAnyBoxOpen();

// After `window` (a top-level window) was shown or raised: its visible owned
// windows (its top-level children and those given to KeepOwnedAbove) go above
// it, the open boxes above everything, the last one active.
void KeepAbove(QWidget* window);

}  // namespace window_stacking
