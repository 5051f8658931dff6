#include "platform/ui/QtKeyState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/ui/KeyTranslation.h"
#include "platform/ui/MessageCore.h"

QtKeyState::QtKeyState() {
  for (auto& key : m_down) key = false;
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

bool QtKeyState::IsDown(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return false;
  if (IsUiThread()) {
    switch (virtualKey) {
      case VK_SHIFT: return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
      case VK_CONTROL: return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
      case VK_MENU: return QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
      case VK_LBUTTON: return QGuiApplication::mouseButtons() & Qt::LeftButton;
      case VK_RBUTTON: return QGuiApplication::mouseButtons() & Qt::RightButton;
      case VK_MBUTTON: return QGuiApplication::mouseButtons() & Qt::MiddleButton;
      default: break;
    }
  }
  return m_down[static_cast<std::size_t>(virtualKey)].load();
}

bool QtKeyState::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->isAutoRepeat()) break;
      const bool down = event->type() == QEvent::KeyPress;
      const int vk = VirtualKeyFromQtKey(key->key(), key->modifiers() & Qt::KeypadModifier);
      if (vk > 0 && vk < 256) m_down[static_cast<std::size_t>(vk)] = down;
      // A modifier key's own event says it; any other key carries the held modifiers.
      if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) break;
      const Qt::KeyboardModifiers mods = key->modifiers();
      m_down[VK_SHIFT] = (mods & Qt::ShiftModifier) != 0;
      m_down[VK_CONTROL] = (mods & Qt::ControlModifier) != 0;
      m_down[VK_MENU] = (mods & Qt::AltModifier) != 0;
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      const Qt::MouseButtons buttons = static_cast<QMouseEvent*>(event)->buttons();
      m_down[VK_LBUTTON] = (buttons & Qt::LeftButton) != 0;
      m_down[VK_RBUTTON] = (buttons & Qt::RightButton) != 0;
      m_down[VK_MBUTTON] = (buttons & Qt::MiddleButton) != 0;
      break;
    }
    default: break;
  }
  return QObject::eventFilter(watched, event);
}
