#pragma once
// Held keys and mouse buttons as the UI sees them. On the UI thread the modifier
// keys and buttons are asked of Qt at once (the start-up override check runs
// before any window has had an event); other keys, and every question from
// another thread, use the state tracked from the application's input events.
#include <QObject>
#include <array>
#include <atomic>

#include "platform/base/InputState.h"

class QtKeyState final : public QObject, public IKeyState {
 public:
  QtKeyState();  // watches the application's events from now on
  bool IsDown(int virtualKey) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<std::atomic<bool>, 256> m_down{};
};
