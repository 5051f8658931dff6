#pragma once
// Turns the Qt events of a window's widget into the window's messages (paint,
// size, mouse, wheel, keys with their characters, focus, close...). Installed as
// an event filter on the widget by CWnd::Create; detached when the window goes.
#include <QObject>
#include <optional>

#include "platform/base/WinTypes.h"

class CWnd;
class QEvent;
class QHelpEvent;
class QKeyEvent;
class QWidget;

// True for the key press that a dialog's focused Qt control asked for through
// WM_GETDLGCODE and left to Qt: the dialog must not act on it when Qt hands
// it on. Clears the mark.
bool TakeKeyKeptFromDialog(const QEvent* event);

class WindowEventBridge final : public QObject {
 public:
  WindowEventBridge(CWnd* owner, QWidget* widget);
  void Detach() { m_owner = nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HandleMouse(QEvent* event);
  bool HandleKey(QEvent* event);
  // Qt's tip event: the window's tool under the mouse and its text.
  void ShowToolTip(QHelpEvent* help);
  // Tab, Return and Escape inside a dialog: the window gets them when its
  // WM_GETDLGCODE asks for them, else the dialog acts. Empty when the dialog
  // step does not apply; else what the event filter answers.
  std::optional<bool> HandleDialogKey(QKeyEvent* key, int virtualKey, LPARAM flags);
  // WM_KEYDOWN and its characters; true when all of them reached the default
  // handling (a Qt control then handles the key itself).
  bool DispatchKeyDown(int virtualKey, LPARAM flags, const QKeyEvent* key, bool* alive);
  CWnd* m_owner;
  QWidget* m_widget;
};
