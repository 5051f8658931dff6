#include "platform/ui/ApplicationHooks.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <map>

#include "platform/ui/KeyTranslation.h"

namespace app_hooks {
namespace {

struct Hook {
  KeyboardHook keyboard;
  MouseHook mouse;
  MoveHook move;
  HWND watched = nullptr;
};

std::map<int, Hook>& Hooks() {
  static std::map<int, Hook> hooks;
  return hooks;
}
int g_nextId = 1;

class HookFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Each key event reaches every widget that propagates it; only the first counts.
        if (!watched->isWidgetType() || static_cast<QWidget*>(watched) != QApplication::focusWidget()) {
          if (QApplication::focusWidget() || !watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow())
            return false;
        }
        const int vk = VirtualKeyFromQtKey(key->key(), key->modifiers() & Qt::KeypadModifier);
        if (vk == 0) return false;
        const bool down = event->type() == QEvent::KeyPress;
        for (auto& [id, hook] : Snapshot())
          if (hook.keyboard && hook.keyboard(vk, down)) return true;
        return false;
      }
      case QEvent::MouseMove: {
        // Moves are taken where the platform delivers them, at the top-level
        // window: widgets see them only while they track the mouse.
        if (!watched->isWindowType()) return false;
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        CWnd* window = CWnd::FromWidget(QApplication::widgetAt(global));
        const HWND handle = window ? window->GetSafeHwnd() : nullptr;
        for (auto& [id, hook] : Snapshot())
          if (hook.mouse && hook.mouse(WM_MOUSEMOVE, CPoint(global.x(), global.y()), handle)) return true;
        return false;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel: {
        if (!watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        QPoint global, local;
        UINT message = WM_MOUSEWHEEL;
        if (event->type() == QEvent::Wheel) {
          global = static_cast<QWheelEvent*>(event)->globalPosition().toPoint();
          local = static_cast<QWheelEvent*>(event)->position().toPoint();
        } else {
          auto* mouse = static_cast<QMouseEvent*>(event);
          global = mouse->globalPosition().toPoint();
          local = mouse->position().toPoint();
          // Down, up and double click follow each other in the message numbers.
          const UINT column = event->type() == QEvent::MouseButtonPress     ? 0
                              : event->type() == QEvent::MouseButtonRelease ? 1
                                                                            : 2;
          switch (mouse->button()) {
            case Qt::RightButton: message = WM_RBUTTONDOWN + column; break;
            case Qt::MiddleButton: message = WM_MBUTTONDOWN + column; break;
            default: message = WM_LBUTTONDOWN + column; break;
          }
        }
        // An event a child ignored travels on to its parents; only its first receiver counts.
        if (widget->childAt(local) != nullptr) return false;
        CWnd* window = CWnd::FromWidget(widget);
        const HWND handle = window ? window->GetSafeHwnd() : nullptr;
        for (auto& [id, hook] : Snapshot())
          if (hook.mouse && hook.mouse(message, CPoint(global.x(), global.y()), handle)) return true;
        return false;
      }
      case QEvent::Move:
      case QEvent::Resize: {
        if (!watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow()) return false;
        CWnd* window = CWnd::FromWidget(static_cast<QWidget*>(watched));
        if (!window || window->GetWidget() != watched) return false;
        const HWND handle = window->GetSafeHwnd();
        for (auto& [id, hook] : Snapshot())
          if (hook.move && hook.watched == handle) hook.move(handle);
        return false;
      }
      default:
        return false;
    }
  }

 private:
  // Hooks may add or remove hooks while they run.
  static std::map<int, Hook> Snapshot() { return Hooks(); }
};

HookFilter* g_filter = nullptr;

void EnsureInstalled() {
  if (Hooks().empty()) {
    if (g_filter && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(g_filter);
    delete g_filter;
    g_filter = nullptr;
    return;
  }
  if (!g_filter && QCoreApplication::instance()) {
    g_filter = new HookFilter;
    QCoreApplication::instance()->installEventFilter(g_filter);
  }
}

int Add(Hook hook) {
  const int id = g_nextId++;
  Hooks()[id] = std::move(hook);
  EnsureInstalled();
  return id;
}

}  // namespace

int AddKeyboardHook(KeyboardHook hook) { return Add(Hook{std::move(hook), {}, {}, nullptr}); }
int AddMouseHook(MouseHook hook) { return Add(Hook{{}, std::move(hook), {}, nullptr}); }
int AddWindowMoveHook(HWND window, MoveHook hook) { return Add(Hook{{}, {}, std::move(hook), window}); }

void Remove(int id) {
  Hooks().erase(id);
  EnsureInstalled();
}

int Count() { return static_cast<int>(Hooks().size()); }

}  // namespace app_hooks
