#pragma once
// The stacking the original platform keeps for every program, kept here by hand
// because no window manager need be there to keep it (and a bare X server keeps
// nothing: a window shown later covers every earlier one): a window's owned
// windows stay above it, and an open message box or modal dialog stays above
// every other window of the program. Whatever shows or brings a top-level
// window forward calls KeepAbove after. UI thread only.
#include <functional>

class CWnd;
class QWidget;

namespace window_stacking {

// `owned` (a top-level window) stays above `owner` as an owned window does,
// while each is not made the other's child: each keeps its own lifetime. Under
// a window manager too: `owned` is made transient for `owner` (before it is
// shown, when the window manager reads it). Hidden by the program while it has
// the keyboard, `owned` gives it to the last open modal window, else to
// `owner`, under any window manager or none (see GiveKeyboardBackWhenHidden).
void KeepOwnedAbove(CWnd& owned, CWnd& owner);

// Whether `window`, given to KeepOwnedAbove, is to wait for its owner before
// it goes on the screen: under X while the owner is not shown yet. A window
// manager reads the transient hint as it maps a window; read with no owner on
// the screen, it keeps the window above nothing. The show is then held: `show`
// runs once the owner is shown (from the owner's KeepAbove), after any shows
// held before it, true is returned, and the caller shows nothing now. Until
// then the window counts as shown (IsShowHeld); a hide drops the held shows
// (DropHeldShows).
bool HoldUntilOwnerShown(QWidget* window, std::function<void()> show);
bool IsShowHeld(const QWidget* window);
void DropHeldShows(const QWidget* window);

// A message box or modal dialog now showing; it leaves the list when it is
// hidden or deleted. The last one shown stays on top.
void AddOpenModal(QWidget* modal);
bool IsAnyModalOpen();

// After `window` (a top-level window) was shown or raised: the shows held for
// it run, its visible owned windows (its top-level children and those given to
// KeepOwnedAbove) go above it, the open modal windows above everything (each
// with its own owned windows), the last one active.
void KeepAbove(QWidget* window);

// `window` (a top-level window) comes above the program's other windows
// whenever it gets the keyboard: a window manager raises a window clicked, but
// not one given the keyboard some other way (by the program, or by another
// client), and with no window manager nothing raises it at all.
void StayAboveWhileActive(CWnd& window);

// After a window was brought forward without the keyboard: the window that
// has it, when given to StayAboveWhileActive, goes above it again (with its
// own owned windows), so that what the operator works in is not covered.
void KeepActiveAbove();

// `modal` (a dialog or box about to be shown modal) gives the keyboard back
// when the program hides it while it has it: to the last open modal window,
// else to the window that was active when it was shown, as the original
// platform activates a closed dialog's owner. Without a window manager nothing
// else would: the X server hands the focus to the root window, and keys go
// nowhere.
void GiveKeyboardBackWhenHidden(QWidget* modal);

}  // namespace window_stacking
