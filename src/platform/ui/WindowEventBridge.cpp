#include "platform/ui/WindowEventBridge.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

#include <optional>

#include "platform/base/InputState.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/KeyTranslation.h"
#include "platform/ui/WidgetPainter.h"

namespace {

// The window that lost the focus last: the "other window" of the next WM_SETFOCUS
// (Qt names the new focus when the old one loses it, but not the reverse).
HWND g_lastFocusLoser = nullptr;

// The key press a dialog's focused Qt control kept for itself (see TakeKeyKeptFromDialog).
const QEvent* g_keyKeptFromDialog = nullptr;

UINT MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  UINT flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
  const int column = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
  switch (button) {
    case Qt::LeftButton: return WM_LBUTTONDOWN + column;
    case Qt::RightButton: return WM_RBUTTONDOWN + column;
    case Qt::MiddleButton: return WM_MBUTTONDOWN + column;
    default: return 0;
  }
}

UINT SizeKindOf(const QWidget* widget) {
  if (widget->isMinimized()) return SIZE_MINIMIZED;
  if (widget->isMaximized()) return SIZE_MAXIMIZED;
  return SIZE_RESTORED;
}

}  // namespace

bool TakeKeyKeptFromDialog(const QEvent* event) {
  if (event == nullptr || event != g_keyKeptFromDialog) return false;
  g_keyKeptFromDialog = nullptr;
  return true;
}

namespace {

// A modifier key's own press has it held, its release not, whatever the event
// says of the state just before it.
Qt::KeyboardModifiers HeldModifiersOf(const QInputEvent* event) {
  Qt::KeyboardModifiers held = event->modifiers();
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    const bool pressed = event->type() == QEvent::KeyPress;
    Qt::KeyboardModifier own = Qt::NoModifier;
    switch (static_cast<const QKeyEvent*>(event)->key()) {
      case Qt::Key_Shift: own = Qt::ShiftModifier; break;
      case Qt::Key_Control: own = Qt::ControlModifier; break;
      case Qt::Key_Alt: own = Qt::AltModifier; break;
      default: break;
    }
    if (own != Qt::NoModifier) held = pressed ? (held | own) : (held & ~own);
  }
  return held;
}

}  // namespace

WindowEventBridge::WindowEventBridge(CWnd* owner, QWidget* widget) : QObject(widget), m_owner(owner), m_widget(widget) {}

bool WindowEventBridge::eventFilter(QObject* watched, QEvent* event) {
  if (!m_owner) return false;
  CWnd* window = m_owner;
  QWidget* client = window->ClientWidget();
  if (watched != m_widget) {
    // A frame's client area: its size is the window's WM_SIZE.
    if (watched == client && client != m_widget && event->type() == QEvent::Resize) {
      const QSize size = static_cast<QResizeEvent*>(event)->size();
      bool alive = true;
      window->DispatchTracked(WM_SIZE, SizeKindOf(m_widget), MAKELPARAM(size.width(), size.height()), nullptr, &alive);
    }
    return false;
  }
  // What the event's handlers ask of Shift, Ctrl and Alt is what the event had.
  std::optional<HeldAtEvent> held;
  if (event->isInputEvent()) {
    const Qt::KeyboardModifiers modifiers = HeldModifiersOf(static_cast<QInputEvent*>(event));
    held.emplace((modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0,
                 (modifiers & Qt::AltModifier) != 0);
  }
  if (window->PreTranslateQtEvent(event)) return true;
  if (!m_owner) return true;
  const bool qtControl = window->UsesQtDefaultHandling();
  bool alive = true;
  switch (event->type()) {
    case QEvent::Paint: {
      if (qtControl) return false;
      auto* paint = static_cast<QPaintEvent*>(event);
      window->m_paintRegion = &paint->region();
      {
        // The background first, with a context of its own, then WM_PAINT.
        WidgetPainter erasePainter(m_widget);
        CDC dc;
        if (erasePainter.Painter()) dc.AttachPainter(erasePainter.Painter());
        window->DispatchTracked(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0, nullptr, &alive);
        dc.Detach();
      }
      if (alive && m_owner) window->DispatchTracked(WM_PAINT, 0, 0, nullptr, &alive);
      if (alive) window->m_paintRegion = nullptr;
      return true;
    }
    case QEvent::Resize: {
      if (client && client != m_widget) return false;  // reported from the client area
      const QSize size = static_cast<QResizeEvent*>(event)->size();
      window->DispatchTracked(WM_SIZE, SizeKindOf(m_widget), MAKELPARAM(size.width(), size.height()), nullptr, &alive);
      return false;
    }
    case QEvent::Move: {
      const QPoint at = m_widget->pos();
      window->DispatchTracked(WM_MOVE, 0, MAKELPARAM(at.x(), at.y()), nullptr, &alive);
      return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      return HandleMouse(event);
    case QEvent::ToolTip:
      if (!window->m_toolTipsEnabled) return false;
      ShowToolTip(static_cast<QHelpEvent*>(event));
      return true;
    case QEvent::Leave:
      window->DispatchTracked(WM_MOUSELEAVE, 0, 0, nullptr, &alive);
      return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return HandleKey(event);
    case QEvent::FocusIn: {
      const HWND other = IsWindow(g_lastFocusLoser) ? g_lastFocusLoser : nullptr;
      window->DispatchTracked(WM_SETFOCUS, reinterpret_cast<WPARAM>(other), 0, nullptr, &alive);
      return false;
    }
    case QEvent::FocusOut: {
      g_lastFocusLoser = window->GetSafeHwnd();
      CWnd* gainer = CWnd::FromWidget(QApplication::focusWidget());
      const HWND other = gainer && gainer != window ? gainer->GetSafeHwnd() : nullptr;
      window->DispatchTracked(WM_KILLFOCUS, reinterpret_cast<WPARAM>(other), 0, nullptr, &alive);
      return false;
    }
    case QEvent::Close:
      // Closing is the window's decision (WM_CLOSE); Qt never closes it by itself.
      event->ignore();
      window->DispatchTracked(WM_CLOSE, 0, 0, nullptr, &alive);
      return true;
    case QEvent::Show:
      window->m_style |= WS_VISIBLE;
      window->DispatchTracked(WM_SHOWWINDOW, TRUE, 0, nullptr, &alive);
      return false;
    case QEvent::Hide:
      window->m_style &= ~WS_VISIBLE;
      window->DispatchTracked(WM_SHOWWINDOW, FALSE, 0, nullptr, &alive);
      return false;
    case QEvent::WindowStateChange: {
      DWORD style = window->m_style.load() & ~(WS_MAXIMIZE | WS_MINIMIZE);
      if (m_widget->isMaximized()) style |= WS_MAXIMIZE;
      if (m_widget->isMinimized()) style |= WS_MINIMIZE;
      window->m_style = style;
      return false;
    }
    case QEvent::EnabledChange:
      if (m_widget->isEnabled()) window->m_style &= ~WS_DISABLED;
      else window->m_style |= WS_DISABLED;
      window->DispatchTracked(WM_ENABLE, m_widget->isEnabled() ? TRUE : FALSE, 0, nullptr, &alive);
      return false;
    case QEvent::ContextMenu:
      // A plain window gets WM_CONTEXTMENU from its right-button release instead.
      return !qtControl;
    default:
      return false;
  }
}

bool WindowEventBridge::HandleMouse(QEvent* event) {
  CWnd* window = m_owner;
  const bool qtControl = window->UsesQtDefaultHandling();
  bool alive = true;
  if (event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    int delta = wheel->angleDelta().y();  // eighths of a degree: 120 per notch, as the messages count
    if (delta == 0) return !qtControl;
    const QPoint global = wheel->globalPosition().toPoint();
    const UINT flags = MouseKeyFlags(wheel->buttons(), wheel->modifiers());
    const bool reachedDefault = window->DispatchTracked(
        WM_MOUSEWHEEL, MAKEWPARAM(flags, delta), MAKELPARAM(global.x(), global.y()), nullptr, &alive);
    return !(qtControl && reachedDefault);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint at = mouse->position().toPoint();
  const UINT flags = MouseKeyFlags(mouse->buttons(), mouse->modifiers());
  const LPARAM point = MAKELPARAM(at.x(), at.y());
  UINT message = WM_MOUSEMOVE;
  if (event->type() != QEvent::MouseMove) {
    message = ButtonMessage(event->type(), mouse->button());
    if (message == 0) return !qtControl;
  }
  if (message == WM_MOUSEMOVE && window->m_toolTipsEnabled) {
    // A tip belongs to one tool: it goes once the mouse is over another.
    TOOLINFO info;
    const INT_PTR hit = window->OnToolHitTest(CPoint(at.x(), at.y()), &info);
    if (hit != window->m_lastToolHit) CWnd::CancelToolTips();
    window->m_lastToolHit = hit;
  }
  window->DispatchTracked(WM_SETCURSOR, reinterpret_cast<WPARAM>(window->GetSafeHwnd()), MAKELPARAM(HTCLIENT, message),
                          nullptr, &alive);
  if (!alive || !m_owner) return true;
  const bool reachedDefault = window->DispatchTracked(message, flags, point, nullptr, &alive);
  return !(qtControl && reachedDefault);
}

void WindowEventBridge::ShowToolTip(QHelpEvent* help) {
  CWnd* window = m_owner;
  TOOLINFO info;
  const INT_PTR hit = window->OnToolHitTest(CPoint(help->pos().x(), help->pos().y()), &info);
  window->m_lastToolHit = hit;
  if (hit < 0) {
    CWnd::CancelToolTips();
    return;
  }
  TOOLTIPTEXT tip;
  tip.idFrom = info.uId;
  tip.text = info.text;
  if (info.textByCallback && !window->OnToolTipText(&tip)) {
    CWnd::CancelToolTips();
    return;
  }
  if (!m_owner || tip.text.empty()) return;
  // Qt's show and reshow delays are application-wide; the time on show is the tip's own.
  QToolTip::showText(help->globalPos(), QString::fromStdString(tip.text), m_widget, QRect(), tip.autoPopMs);
}

bool WindowEventBridge::HandleKey(QEvent* event) {
  CWnd* window = m_owner;
  const bool qtControl = window->UsesQtDefaultHandling();
  auto* key = static_cast<QKeyEvent*>(event);
  const int virtualKey = VirtualKeyFromQtKey(key->key(), key->modifiers() & Qt::KeypadModifier);
  if (virtualKey == 0) return false;
  if (event != g_keyKeptFromDialog) g_keyKeptFromDialog = nullptr;  // a new key: the old mark is stale
  const bool alt = key->modifiers() & Qt::AltModifier;
  // lParam: repeat count 1, the scan code, bit 29 Alt held, bit 30 previously down, bit 31 released.
  LPARAM flags = 1 | (static_cast<LPARAM>(key->nativeScanCode() & 0xFF) << 16) | (alt ? (1 << 29) : 0);
  bool alive = true;
  if (event->type() == QEvent::KeyRelease) {
    if (key->isAutoRepeat()) return !qtControl;  // a held key repeats its key-down only
    flags |= (1 << 30) | (static_cast<LPARAM>(1) << 31);
    const bool reachedDefault =
        window->DispatchTracked(alt ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(virtualKey), flags, nullptr, &alive);
    return !(qtControl && reachedDefault);
  }
  if (key->isAutoRepeat()) flags |= (1 << 30);
  const UINT downMessage = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  for (CWnd* w = window; w; w = (w->GetStyle() & WS_CHILD) ? w->GetParent() : nullptr) {
    if (w->PreTranslateMessage(downMessage, static_cast<WPARAM>(virtualKey), flags)) return true;
  }
  if (const std::optional<bool> answer = HandleDialogKey(key, virtualKey, flags)) return *answer;
  const bool letQtHandle = DispatchKeyDown(virtualKey, flags, key, &alive);
  if (!alive || !m_owner) return true;
  return !(qtControl && letQtHandle);
}

bool WindowEventBridge::DispatchKeyDown(int virtualKey, LPARAM flags, const QKeyEvent* key, bool* alive) {
  CWnd* window = m_owner;
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  const bool alt = key->modifiers() & Qt::AltModifier;
  bool letQtHandle =
      window->DispatchTracked(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(virtualKey), flags, nullptr, alive);
  const std::u16string chars = CharsForKeyDown(virtualKey, ctrl, alt, key->text().toStdU16String());
  for (char16_t c : chars) {
    if (!*alive || !m_owner) return false;
    letQtHandle = window->DispatchTracked(alt ? WM_SYSCHAR : WM_CHAR, c, flags, nullptr, alive) && letQtHandle;
  }
  return letQtHandle;
}

std::optional<bool> WindowEventBridge::HandleDialogKey(QKeyEvent* key, int virtualKey, LPARAM flags) {
  if (virtualKey != VK_TAB && virtualKey != VK_RETURN && virtualKey != VK_ESCAPE) return std::nullopt;
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return std::nullopt;
  CWnd* window = m_owner;
  const bool qtControl = window->UsesQtDefaultHandling();
  const auto code = static_cast<UINT>(window->SendMessage(WM_GETDLGCODE, static_cast<WPARAM>(virtualKey), 0));
  if (!m_owner) return true;
  const bool wanted = (code & DLGC_WANTALLKEYS) || (virtualKey == VK_TAB && (code & DLGC_WANTTAB));
  if (wanted) {
    bool alive = true;
    const bool letQtHandle = DispatchKeyDown(virtualKey, flags, key, &alive);
    if (!alive || !m_owner) return true;
    if (!qtControl || !letQtHandle) return true;
    // Qt's control handles the key, but neither Qt's focus chain (Tab) nor
    // the dialog (Return, Escape, handed on when the control ignores them) may.
    if (virtualKey == VK_TAB) return true;
    g_keyKeptFromDialog = key;
    return false;
  }
  // Qt's own controls keep their way: Qt moves the focus on Tab, and the
  // dialog gets the keys they ignore.
  if (qtControl) return std::nullopt;
  const bool shift = key->modifiers() & Qt::ShiftModifier;
  for (CWnd* w = window->GetParent(); w; w = (w->GetStyle() & WS_CHILD) ? w->GetParent() : nullptr) {
    if (w->HandleDialogKey(virtualKey, shift)) return true;
  }
  return std::nullopt;
}
