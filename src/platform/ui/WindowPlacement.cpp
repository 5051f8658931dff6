#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/ui/QtGeometry.h"
#include "platform/ui/WindowStacking.h"

namespace {

void ApplyShowCommand(QWidget* widget, UINT showCmd) {
  const bool shows = showCmd == SW_SHOWMAXIMIZED || showCmd == SW_SHOWMINIMIZED || showCmd == SW_MINIMIZE ||
                     showCmd == SW_SHOWMINNOACTIVE;
  if (showCmd == SW_HIDE) window_stacking::DropHeldShows(widget);
  // An owned window waits for its owner as it does for any show (CWnd::ShowWindow).
  if (shows && widget->isWindow() &&
      window_stacking::HoldUntilOwnerShown(widget, [held = QPointer<QWidget>(widget), showCmd] {
        if (!held) return;
        ApplyShowCommand(held, showCmd);
        window_stacking::KeepAbove(held);
      }))
    return;
  switch (showCmd) {
    case SW_HIDE: widget->hide(); break;
    case SW_SHOWMAXIMIZED: widget->showMaximized(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: widget->showMinimized(); break;
    default:
      if (widget->isMaximized() || widget->isMinimized()) widget->showNormal();
      break;
  }
}

}  // namespace

BOOL GetWindowPlacement(const CWnd* window, WINDOWPLACEMENT* placement) {
  if (!window || !placement || !window->GetWidget()) return FALSE;
  QWidget* widget = window->GetWidget();
  // The normal rectangle is the outer frame when not maximised or minimised.
  const QRect normal = widget->isMaximized() || widget->isMinimized()
                           ? widget->normalGeometry().adjusted(0, 0, 0, 0)
                           : widget->frameGeometry();
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = 0;
  placement->showCmd = widget->isMinimized()       ? SW_SHOWMINIMIZED
                       : widget->isMaximized()     ? SW_SHOWMAXIMIZED
                       : window->IsWindowVisible() ? SW_SHOWNORMAL
                                                   : SW_HIDE;
  placement->rcNormalPosition = FromQRect(normal);
  return TRUE;
}

BOOL SetWindowPlacement(CWnd* window, const WINDOWPLACEMENT* placement) {
  if (!window || !placement || !window->GetWidget()) return FALSE;
  QWidget* widget = window->GetWidget();
  const RECT& r = placement->rcNormalPosition;
  // The rectangle is the outer frame. A window never shown has no native window
  // yet and so no known frame: make it now, or the frame would be added again
  // when the window is shown and the window grow at every reopening.
  if (widget->isWindow() && !widget->testAttribute(Qt::WA_WState_Created)) widget->winId();
  const QSize frame = widget->frameGeometry().size() - widget->size();
  widget->move(r.left, r.top);
  widget->resize(std::max(0, static_cast<int>(r.right - r.left) - frame.width()),
                 std::max(0, static_cast<int>(r.bottom - r.top) - frame.height()));
  ApplyShowCommand(widget, placement->showCmd);
  return TRUE;
}

BOOL GetKeptPlacement(const CWnd* window, WINDOWPLACEMENT* placement) {
  if (!GetWindowPlacement(window, placement)) return FALSE;
  const QWidget* widget = window->GetWidget();
  placement->rcNormalPosition =
      FromQRect(widget->isMaximized() || widget->isMinimized() ? widget->normalGeometry() : widget->geometry());
  return TRUE;
}

BOOL SetKeptPlacement(CWnd* window, const WINDOWPLACEMENT* placement) {
  if (!window || !placement || !window->GetWidget()) return FALSE;
  QWidget* widget = window->GetWidget();
  // The inside's place and size, whatever frame a window manager puts around it
  // later. The native window is made first, so that a frame the platform knows
  // before the window shows is there for whoever asks for the window's rectangle.
  if (widget->isWindow() && !widget->testAttribute(Qt::WA_WState_Created)) widget->winId();
  const QRect inner = ToQRect(placement->rcNormalPosition);
  widget->setGeometry(inner.left(), inner.top(), std::max(0, inner.width()), std::max(0, inner.height()));
  ApplyShowCommand(widget, placement->showCmd);
  return TRUE;
}

bool RectMeetsAvailableScreen(const RECT& rect) {
  const QRect area(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  if (area.isEmpty()) return false;
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(area)) return true;
  }
  return false;
}

RECT FitRectInAvailableScreen(const RECT& rect) {
  const QRect wanted(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  QRect area;
  long long most = -1;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect shared = screen->availableGeometry().intersected(wanted);
    const long long size = shared.isEmpty() ? 0 : static_cast<long long>(shared.width()) * shared.height();
    if (size > most) {
      most = size;
      area = screen->availableGeometry();
    }
  }
  if (most <= 0 && QGuiApplication::primaryScreen()) area = QGuiApplication::primaryScreen()->availableGeometry();
  if (area.isEmpty()) return rect;
  const int width = std::min(wanted.width(), area.width());
  const int height = std::min(wanted.height(), area.height());
  const int left = std::clamp(wanted.left(), area.left(), area.left() + area.width() - width);
  const int top = std::clamp(wanted.top(), area.top(), area.top() + area.height() - height);
  return RECT{left, top, left + width, top + height};
}
