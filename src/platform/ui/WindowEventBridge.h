#pragma once
// Turns the Qt events of a window's widget into the window's messages (paint,
// size, mouse, wheel, keys with their characters, focus, close...). Installed as
// an event filter on the widget by CWnd::Create; detached when the window goes.
#include <QObject>

class CWnd;
class QWidget;

class WindowEventBridge final : public QObject {
 public:
  WindowEventBridge(CWnd* owner, QWidget* widget);
  void Detach() { m_owner = nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HandleMouse(QEvent* event);
  bool HandleKey(QEvent* event);
  CWnd* m_owner;
  QWidget* m_widget;
};
