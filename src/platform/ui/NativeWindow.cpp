#include "platform/ui/NativeWindow.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>

namespace native_window {
namespace {

xcb_connection_t* XConnection() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// The window's own X window; none is made here for a window that has none yet.
xcb_window_t XWindowOf(const QWidget* window) {
  if (!window || !window->isWindow() || !window->testAttribute(Qt::WA_WState_Created)) return XCB_WINDOW_NONE;
  return static_cast<xcb_window_t>(window->internalWinId());
}

}  // namespace

bool IsOnX() { return XConnection() != nullptr; }

bool IsUnmappedWhileShown(QWidget* window) {
  xcb_connection_t* connection = XConnection();
  const xcb_window_t id = XWindowOf(window);
  if (!connection || id == XCB_WINDOW_NONE || !window->isVisible() || window->isMinimized()) return false;
  const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
      xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id), nullptr), &std::free);
  return attributes && attributes->map_state == XCB_MAP_STATE_UNMAPPED;
}

void MapAgain(QWidget* window) {
  xcb_connection_t* connection = XConnection();
  const xcb_window_t id = XWindowOf(window);
  if (!connection || id == XCB_WINDOW_NONE) return;
  xcb_map_window(connection, id);
  xcb_flush(connection);
}

void WriteTransientHint(QWidget* window, QWidget* owner) {
  xcb_connection_t* connection = XConnection();
  const xcb_window_t id = XWindowOf(window);
  const xcb_window_t ownerId = XWindowOf(owner);
  if (!connection || id == XCB_WINDOW_NONE || ownerId == XCB_WINDOW_NONE) return;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                      &ownerId);
  xcb_flush(connection);
}

}  // namespace native_window
