#pragma once
// What a top-level window is on the window system itself, where Qt's own view
// of it can fall behind: under X, a window manager that withdraws a window
// (or another program that unmaps it) leaves Qt holding it shown, and Qt then
// never maps it again. Off X (the offscreen platform of the tests) Qt's view
// is the whole truth, and these do nothing. UI thread only.
class QWidget;

namespace native_window {

// Whether the windows are X windows, whose placing and stacking a window
// manager may take over.
bool IsOnX();

// Whether Qt holds `window` shown and not minimised while the X server holds
// it unmapped: withdrawn, or not yet mapped by a window manager.
bool IsUnmappedWhileShown(QWidget* window);

// Asks the X server to map `window` as it stands, without the unmap Qt would
// send first on a hide and show: an unmap followed at once by a map is the
// withdraw-and-map that a reparenting window manager can lose (the map goes
// to the frame it is about to destroy). A window already mapped is left as it
// is; one a window manager manages already is shown by it (made normal).
void MapAgain(QWidget* window);

// Writes `window`'s transient hint (WM_TRANSIENT_FOR) as `owner` again. A
// window manager reads it as a window is mapped and again whenever it
// changes: one that read it while the owner was not on the screen yet finds
// the owner now, without the window being hidden and shown.
void WriteTransientHint(QWidget* window, QWidget* owner);

}  // namespace native_window
