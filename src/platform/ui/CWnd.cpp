#include "platform/ui/CWnd.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cstring>

#include "platform/base/InputState.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CClientDC.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CursorResources.h"
#include "platform/ui/NativeWindow.h"
#include "platform/ui/QtGeometry.h"
#include "platform/ui/WindowEventBridge.h"
#include "platform/ui/WindowStacking.h"
#include "platform/ui/WindowTimers.h"

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;
const CWnd CWnd::wndTopMost;
const CWnd CWnd::wndNoTopMost;

namespace {

const char* const kHandleProperty = "ruvWindowHandle";

// The window that has the mouse captured (UI thread).
HWND g_capture = nullptr;
// The widget whose cursor SetCursor changes: the window under the mouse while
// its WM_SETCURSOR is handled.
QPointer<QWidget> g_cursorWidget;
HCURSOR g_currentCursor = IDC_ARROW;

}  // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd.load()) {
    bool destroyed = false;
    if (QCoreApplication::instance()) {
      // Widgets are the UI thread's, so the window goes there (a caller that
      // deletes a live window off the UI thread should DestroyWindow it first).
      if (IsUiThread()) {
        DestroyTree(false);
        destroyed = true;
      } else {
        destroyed = RunOnUiThreadAndWait([this] { DestroyTree(false); });
      }
    }
    if (!destroyed) {
      // The Qt application is gone (a global window at process end): its
      // widgets went with it, so only the handle is given back.
      UnregisterMessageTarget(m_hWnd.load());
      m_hWnd = nullptr;
      m_widget = nullptr;
    }
  }
  if (m_parent) {
    auto& siblings = m_parent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (CWnd* child : m_children) child->m_parent = nullptr;
  *m_alive = false;
}

CWnd* CWnd::FromHandle(HWND handle) {
  if (!handle) return nullptr;
  return dynamic_cast<CWnd*>(TargetFromHandle(handle));
}

CWnd* CWnd::FromWidget(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    const QVariant value = w->property(kHandleProperty);
    if (value.isValid()) {
      if (CWnd* window = FromHandle(reinterpret_cast<HWND>(value.value<qulonglong>()))) return window;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------- creation

BOOL CWnd::Create(const std::string& className, const std::string& windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id) {
  return CreateEx(0, className, windowName, style, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, const std::string& className, const std::string& windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id) {
  CREATESTRUCT cs;
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = style;
  if (rect.left == CW_USEDEFAULT) {
    // Qt places and sizes the window.
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  } else {
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
  }
  cs.hwndParent = parent;
  cs.id = id;
  if (IsUiThread()) return CreateOnUiThread(cs);
  BOOL created = FALSE;
  RunOnUiThreadAndWait([&] { created = CreateOnUiThread(cs); });
  return created;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

QWidget* CWnd::CreateWidget(QWidget* parent, const CREATESTRUCT&) { return new QWidget(parent); }

BOOL CWnd::CreateOnUiThread(CREATESTRUCT cs) {
  if (m_hWnd.load() || !IsUiAvailable()) return FALSE;
  if (!PreCreateWindow(cs)) return FALSE;
  CWnd* parent = cs.hwndParent;
  if (parent && !parent->m_widget) return FALSE;
  const bool child = (cs.style & WS_CHILD) != 0;

  m_style = cs.style;
  m_exStyle = cs.dwExStyle;
  m_className = cs.lpszClass;
  m_controlId = cs.id;
  {
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_text = cs.lpszName;
  }
  QWidget* parentWidget = nullptr;
  if (parent) parentWidget = child ? parent->ClientWidget() : parent->GetWidget()->window();
  QWidget* widget = CreateWidget(parentWidget, cs);
  if (!widget) return FALSE;
  if (!child) {
    Qt::WindowFlags flags = Qt::Window;
    if ((cs.style & WS_POPUP) && (cs.style & WS_CAPTION) != WS_CAPTION) flags |= Qt::FramelessWindowHint;
    if (cs.dwExStyle & WS_EX_TOOLWINDOW) flags |= Qt::Tool;
    if (cs.dwExStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
    widget->setWindowFlags(widget->windowFlags() | flags);
  }
  m_widget = widget;
  const HWND handle = RegisterMessageTarget(this);
  m_hWnd = handle;
  widget->setProperty(kHandleProperty, QVariant::fromValue<qulonglong>(reinterpret_cast<std::uintptr_t>(handle)));
  widget->setWindowTitle(QString::fromStdString(cs.lpszName));
  if (!UsesQtDefaultHandling()) widget->setMouseTracking(true);
  ApplyFocusPolicy();
  ApplyLayoutDirection();
  if (cs.style & WS_DISABLED) widget->setEnabled(false);
  if (cs.x != CW_USEDEFAULT && cs.cx != CW_USEDEFAULT) {
    if (child) {
      widget->setGeometry(cs.x, cs.y, std::max(cs.cx, 0), std::max(cs.cy, 0));
    } else {
      widget->move(cs.x, cs.y);
      widget->resize(std::max(cs.cx, 0), std::max(cs.cy, 0));
    }
  }
  m_bridge = new WindowEventBridge(this, widget);
  widget->installEventFilter(m_bridge);
  if (ClientWidget() && ClientWidget() != widget) ClientWidget()->installEventFilter(m_bridge);
  std::weak_ptr<bool> alive = m_alive;
  m_widgetGone = QObject::connect(widget, &QObject::destroyed, [this, alive, widget] {
    if (auto a = alive.lock(); a && *a && m_widget == widget) WidgetDestroyedExternally();
  });
  m_parent = parent;
  if (parent) parent->m_children.push_back(this);

  bool stillAlive = true;
  LRESULT created = 0;
  DispatchTracked(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs), &created, &stillAlive);
  if (!stillAlive) return FALSE;
  if (created == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (cs.style & WS_VISIBLE) ShowWindow((cs.style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNA);
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd.load()) return FALSE;
  if (!IsUiThread()) {
    BOOL destroyed = FALSE;
    RunOnUiThreadAndWait([&] { destroyed = DestroyWindow(); });
    return destroyed;
  }
  if (m_destroying) return FALSE;
  std::shared_ptr<bool> alive = m_alive;
  DestroyTree(false);
  if (*alive) PostNcDestroy();
  return TRUE;
}

void CWnd::DetachBridge() {
  if (m_bridge) {
    m_bridge->Detach();
    if (m_widget) {
      m_widget->removeEventFilter(m_bridge);
      if (ClientWidget() && ClientWidget() != m_widget) ClientWidget()->removeEventFilter(m_bridge);
    }
  }
  m_bridge = nullptr;
}

void CWnd::DestroyTree(bool widgetAlreadyGone) {
  m_destroying = true;
  std::shared_ptr<bool> alive = m_alive;
  const HWND handle = m_hWnd.load();
  if (!widgetAlreadyGone) DispatchTracked(WM_DESTROY, 0, 0, nullptr, alive.get());
  if (!*alive) return;
  // Children go before their parent's widget, each with its own messages.
  const std::vector<CWnd*> children = m_children;
  for (CWnd* child : children) {
    if (child->m_hWnd.load() && !child->m_destroying) {
      std::shared_ptr<bool> childAlive = child->m_alive;
      child->DestroyTree(widgetAlreadyGone);
      if (*childAlive) child->PostNcDestroy();
    }
  }
  if (!*alive) return;
  if (g_capture == handle) {
    g_capture = nullptr;
    if (!widgetAlreadyGone && m_widget) m_widget->releaseMouse();
  }
  QWidget* widget = m_widget;
  // The widget is deleted later; by then this object may be gone, even on another thread.
  QObject::disconnect(m_widgetGone);
  if (widgetAlreadyGone) m_bridge = nullptr;
  else DetachBridge();
  m_widget = nullptr;
  // The handle retires first: a worker's SetTimer from now on arms nothing, and
  // one that armed before is killed here.
  UnregisterMessageTarget(handle);
  KillAllWindowTimers(handle);
  m_hWnd = nullptr;
  if (m_parent) {
    auto& siblings = m_parent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_parent = nullptr;
  }
  if (widget && !widgetAlreadyGone) {
    widget->setProperty(kHandleProperty, QVariant());
    widget->hide();
    // Later, not now: the widget may be in the middle of delivering the event
    // whose handler destroyed the window.
    widget->deleteLater();
  }
  m_style &= ~WS_VISIBLE;
  DispatchTracked(WM_NCDESTROY, 0, 0, nullptr, alive.get());
  if (*alive) m_destroying = false;
}

void CWnd::WidgetDestroyedExternally() {
  if (!m_hWnd.load() || m_destroying) return;
  std::shared_ptr<bool> alive = m_alive;
  DestroyTree(true);
  if (*alive) PostNcDestroy();
}

// ---------------------------------------------------------------- messages

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd.load(), message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd.load(), message, wParam, lParam);
}

LRESULT CWnd::DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool alive = true;
  DispatchTracked(message, wParam, lParam, &result, &alive);
  return result;
}

bool CWnd::DispatchTracked(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, bool* alive) {
  std::shared_ptr<bool> token = m_alive;
  m_messageStack.push_back(CurrentMessage{message, wParam, lParam, false});
  const LRESULT r = WindowProc(message, wParam, lParam);
  if (!*token) {
    if (alive) *alive = false;
    if (result) *result = r;
    return false;
  }
  const bool reachedDefault = m_messageStack.back().defaultReached;
  m_messageStack.pop_back();
  if (result) *result = r;
  return reachedDefault;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return OnWndMsg(message, wParam, lParam); }

LRESULT CWnd::Default() {
  if (m_messageStack.empty()) return 0;
  const CurrentMessage current = m_messageStack.back();
  return DefWindowProc(current.message, current.wParam, current.lParam);
}

LRESULT CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam) {
  const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  const UINT flags = static_cast<UINT>(wParam);
  switch (message) {
    case WM_CREATE: return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    case WM_TIMER: OnTimer(static_cast<UINT_PTR>(wParam)); return 0;
    case WM_SIZE: OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOVE: OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_SHOWWINDOW: OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(flags, point); return 0;
    case WM_LBUTTONUP: OnLButtonUp(flags, point); return 0;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(flags, point); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(flags, point); return 0;
    case WM_RBUTTONUP: OnRButtonUp(flags, point); return 0;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(flags, point); return 0;
    case WM_MBUTTONDOWN: OnMButtonDown(flags, point); return 0;
    case WM_MBUTTONUP: OnMButtonUp(flags, point); return 0;
    case WM_MOUSEMOVE: OnMouseMove(flags, point); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_MOUSEWHEEL:
      return OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), static_cast<short>(GET_WHEEL_DELTA_WPARAM(wParam)), point);
    case WM_KEYDOWN: OnKeyDown(flags, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_KEYUP: OnKeyUp(flags, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_CHAR: OnChar(flags, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SYSKEYDOWN: OnSysKeyDown(flags, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SYSKEYUP: OnSysKeyUp(flags, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam))); return 0;
    case WM_KILLFOCUS: OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam))); return 0;
    case WM_SETCURSOR: {
      // A cursor set while this is handled belongs to the window under the mouse
      // (wParam), whichever window in its parent chain sets it, and whether or
      // not that handler goes on to the default one.
      CWnd* under = FromHandle(reinterpret_cast<HWND>(wParam));
      g_cursorWidget = under ? under->m_widget : m_widget;
      return OnSetCursor(under, LOWORD(lParam), HIWORD(lParam));
    }
    case WM_CAPTURECHANGED: OnCaptureChanged(FromHandle(reinterpret_cast<HWND>(lParam))); return 0;
    case WM_CONTEXTMENU: OnContextMenu(FromHandle(reinterpret_cast<HWND>(wParam)), point); return 0;
    case WM_ENABLE: OnEnable(static_cast<BOOL>(wParam)); return 0;
    case WM_HSCROLL:
      OnHScroll(LOWORD(wParam), HIWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)));
      return 0;
    case WM_VSCROLL:
      OnVScroll(LOWORD(wParam), HIWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)));
      return 0;
    case WM_COMMAND: return OnCommand(wParam, lParam) ? 0 : DefWindowProc(message, wParam, lParam);
    case WM_CLOSE: OnClose(); return 0;
    default: return DefWindowProc(message, wParam, lParam);
  }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_messageStack.empty() && m_messageStack.back().message == message) m_messageStack.back().defaultReached = true;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_ERASEBKGND:
      EraseBackgroundNow(reinterpret_cast<CDC*>(wParam));
      return 1;
    case WM_SETTEXT:
      SetWindowText(lParam ? std::string(reinterpret_cast<const char*>(lParam)) : std::string());
      return TRUE;
    case WM_GETTEXT: {
      const std::string text = GetWindowText();
      if (wParam == 0 || lParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(GetWindowText().size());
    case WM_SETFONT:
      m_font = reinterpret_cast<CFont*>(wParam);
      if (lParam) Invalidate();
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(m_font);
    case WM_MOUSEWHEEL:
      // Unhandled wheel turns go up to the parent, as the original platform does.
      if (m_parent && (GetStyle() & WS_CHILD) && !UsesQtDefaultHandling()) return m_parent->SendMessage(message, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      if (!UsesQtDefaultHandling() && m_widget) {
        const QPoint global = m_widget->mapToGlobal(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd.load()), MAKELPARAM(global.x(), global.y()));
      }
      return 0;
    case WM_CONTEXTMENU:
    case WM_SETCURSOR:
      // A child lets its parent decide first.
      if (m_parent && (GetStyle() & WS_CHILD)) return m_parent->SendMessage(message, wParam, lParam);
      return 0;
    default: return 0;
  }
}

void CWnd::EraseBackgroundNow(CDC* dc) {
  if (!m_widget || !dc || !dc->Painter()) return;
  dc->Painter()->fillRect(m_widget->rect(), m_widget->palette().color(m_widget->backgroundRole()));
}

BOOL CWnd::OnCmdMsg(UINT, int) { return FALSE; }
BOOL CWnd::OnUpdateCmdUI(CCmdUI*) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(wParam), static_cast<int>(HIWORD(wParam)));
}

bool CWnd::PreTranslateQtEvent(QEvent*) { return false; }

BOOL CWnd::PreTranslateMessage(UINT, WPARAM, LPARAM) { return FALSE; }

bool CWnd::HandleDialogKey(int, bool) { return false; }

bool CWnd::MoveFocusOff(CWnd&) { return false; }

// Handlers: each does the default handling of the message being handled.
int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnClose() { Default(); }

// ---------------------------------------------------------------- tree

CWnd* CWnd::GetTopLevelParent() const {
  const CWnd* window = this;
  while (window->m_parent && (window->GetStyle() & WS_CHILD)) window = window->m_parent;
  return const_cast<CWnd*>(window);
}

CWnd* CWnd::GetDlgItem(UINT id) const {
  for (CWnd* child : m_children) {
    if (child->m_controlId == id && child->m_hWnd.load()) return child;
  }
  return nullptr;
}

void CWnd::PlaceAfterSibling(const CWnd* previous) {
  if (!m_parent || previous == this) return;
  auto& siblings = m_parent->m_children;
  const auto self = std::find(siblings.begin(), siblings.end(), this);
  if (self == siblings.end()) return;
  siblings.erase(self);
  auto at = siblings.begin();
  if (previous) {
    at = std::find(siblings.begin(), siblings.end(), previous);
    if (at != siblings.end()) ++at;
  }
  siblings.insert(at, this);
}

BOOL CWnd::IsChild(const CWnd* window) const {
  for (const CWnd* w = window ? window->m_parent : nullptr; w; w = w->m_parent) {
    if (w == this) return TRUE;
  }
  return FALSE;
}

CWnd* CWnd::GetWindow(UINT relation) const {
  const std::vector<CWnd*>* siblings = m_parent ? &m_parent->m_children : nullptr;
  switch (relation) {
    case GW_CHILD: return m_children.empty() ? nullptr : m_children.front();
    case GW_OWNER: return (GetStyle() & WS_CHILD) ? nullptr : m_parent;
    case GW_HWNDFIRST: return siblings && !siblings->empty() ? siblings->front() : nullptr;
    case GW_HWNDLAST: return siblings && !siblings->empty() ? siblings->back() : nullptr;
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
      if (!siblings) return nullptr;
      auto it = std::find(siblings->begin(), siblings->end(), this);
      if (it == siblings->end()) return nullptr;
      if (relation == GW_HWNDNEXT) return ++it == siblings->end() ? nullptr : *it;
      return it == siblings->begin() ? nullptr : *--it;
    }
    default: return nullptr;
  }
}

void CWnd::SetDlgItemText(UINT id, const std::string& text) {
  if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(UINT id) const {
  CWnd* item = GetDlgItem(id);
  return item ? item->GetWindowText() : std::string();
}

void CWnd::SetDlgItemInt(UINT id, int value, BOOL isSigned) {
  SetDlgItemText(id, isSigned ? std::to_string(value) : std::to_string(static_cast<unsigned>(value)));
}

int CWnd::GetDlgItemInt(UINT id, BOOL* translated, BOOL isSigned) const {
  if (translated) *translated = FALSE;
  const std::string text = GetDlgItemText(id);
  std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return 0;
  std::size_t pos = start;
  bool negative = false;
  if (isSigned && text[pos] == '-') {
    negative = true;
    ++pos;
  }
  long long value = 0;
  const std::size_t digits = pos;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    if (value > 0xFFFFFFFFLL) return 0;  // does not fit
    ++pos;
  }
  if (pos == digits || text.find_first_not_of(" \t", pos) != std::string::npos) return 0;
  if (negative) value = -value;
  if (isSigned && (value < INT32_MIN || value > INT32_MAX)) return 0;
  if (translated) *translated = TRUE;
  return static_cast<int>(static_cast<std::int64_t>(value));
}

// ---------------------------------------------------------------- text

void CWnd::SetWindowText(const std::string& text) {
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(m_textMutex);
    changed = m_text != text;
    m_text = text;
  }
  const HWND handle = m_hWnd.load();
  if (!handle) return;
  if (IsUiThread()) {
    if (m_widget) ApplyTextToWidget(text);
    return;
  }
  // The same text again from a worker (a cycle's title, pass after pass) is
  // already shown, or about to be: nothing for the UI thread to do or redraw.
  if (!changed) return;
  // The UI thread shows whatever text is newest when it gets there.
  PostToUiThread([handle] {
    if (CWnd* window = FromHandle(handle)) {
      if (window->m_widget) window->ApplyTextToWidget(window->GetStoredText());
    }
  });
}

std::string CWnd::GetStoredText() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_text;
}

std::string CWnd::GetWindowText() const {
  if (IsUiThread() && m_widget) return TextFromWidget();
  return GetStoredText();
}

void CWnd::ApplyTextToWidget(const std::string& text) {
  m_widget->setWindowTitle(QString::fromStdString(text));
  m_widget->update();
}

std::string CWnd::TextFromWidget() const { return GetStoredText(); }

// ---------------------------------------------------------------- placement

BOOL CWnd::ShowWindow(int command) {
  if (!m_widget) return FALSE;
  const BOOL wasVisible = IsWindowVisible();
  if (m_widget->isWindow()) {
    if (command == SW_HIDE) {
      window_stacking::DropHeldShows(m_widget);
    } else if (window_stacking::HoldUntilOwnerShown(m_widget, HeldShow(command))) {
      return wasVisible;
    } else if (native_window::IsUnmappedWhileShown(m_widget)) {
      // Withdrawn by a window manager or unmapped by another program: Qt holds
      // it shown and so would map nothing.
      native_window::MapAgain(m_widget);
    }
  }
  switch (command) {
    case SW_HIDE:
      MoveFocusOffBeforeLosingIt();
      m_widget->hide();
      break;
    case SW_SHOWMAXIMIZED:
      // Without a window manager nobody else would size it to the screen.
      if (m_widget->isWindow()) {
        if (QScreen* screen = m_widget->screen()) m_widget->setGeometry(screen->availableGeometry());
      }
      m_widget->showMaximized();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: m_widget->showMinimized(); break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      if (m_widget->isMaximized() || m_widget->isMinimized()) m_widget->showNormal();
      else m_widget->show();
      break;
    default: m_widget->show(); break;
  }
  // The window's own flag, also while its parent is hidden (Qt says nothing then).
  if (command == SW_HIDE) m_style &= ~WS_VISIBLE;
  else m_style |= WS_VISIBLE;
  if (command == SW_SHOWNORMAL || command == SW_SHOW || command == SW_SHOWMAXIMIZED || command == SW_RESTORE) {
    if (m_widget->isWindow()) {
      m_widget->raise();
      m_widget->activateWindow();
    }
  }
  if (command != SW_HIDE && m_widget->isWindow()) window_stacking::KeepAbove(m_widget);
  return wasVisible;
}

std::function<void()> CWnd::HeldShow(int command) const {
  // Shown once its owner is, and the owner was shown and made active after
  // it: the owner stays active, as it would on the original platform.
  int later = command;
  if (command == SW_SHOW) later = SW_SHOWNA;
  else if (command == SW_SHOWNORMAL || command == SW_RESTORE) later = SW_SHOWNOACTIVATE;
  else if (command == SW_SHOWMINIMIZED) later = SW_SHOWMINNOACTIVE;
  const HWND handle = GetSafeHwnd();
  return [handle, later] {
    if (CWnd* window = FromHandle(handle)) window->ShowWindow(later);
  };
}

BOOL CWnd::IsWindowVisible() const {
  return m_widget && (m_widget->isVisible() || window_stacking::IsShowHeld(m_widget)) ? TRUE : FALSE;
}
BOOL CWnd::IsIconic() const { return m_widget && m_widget->isMinimized() ? TRUE : FALSE; }
BOOL CWnd::IsZoomed() const { return m_widget && m_widget->isMaximized() ? TRUE : FALSE; }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  if (!m_widget) return;
  if (m_widget->isWindow()) {
    m_widget->move(x, y);
    m_widget->resize(std::max(width, 0), std::max(height, 0));
  } else {
    m_widget->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
  }
  if (repaint) m_widget->update();
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!m_widget) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    if (m_widget->isWindow()) m_widget->move(x, y);
    else m_widget->move(x, y);
  }
  if (!(flags & SWP_NOSIZE)) m_widget->resize(std::max(cx, 0), std::max(cy, 0));
  if (!(flags & SWP_NOZORDER) && insertAfter) {
    if (insertAfter == &wndBottom) {
      m_widget->lower();
    } else if (insertAfter == &wndTopMost || insertAfter == &wndNoTopMost) {
      const bool top = insertAfter == &wndTopMost;
      if (top) m_exStyle |= WS_EX_TOPMOST;
      else m_exStyle &= ~WS_EX_TOPMOST;
      if (m_widget->isWindow()) {
        const bool visible = m_widget->isVisible();
        m_widget->setWindowFlag(Qt::WindowStaysOnTopHint, top);
        if (visible) m_widget->show();
      }
      m_widget->raise();
    } else if (insertAfter == &wndTop) {
      m_widget->raise();
      if (m_widget->isWindow()) window_stacking::KeepAbove(m_widget);
    } else if (insertAfter->m_widget && insertAfter->m_widget->parentWidget() == m_widget->parentWidget()) {
      m_widget->stackUnder(insertAfter->m_widget);
    }
  }
  if (flags & SWP_SHOWWINDOW) m_widget->show();
  if (flags & SWP_HIDEWINDOW) m_widget->hide();
  if (!(flags & SWP_NOREDRAW)) m_widget->update();
  return TRUE;
}

void CWnd::GetWindowRect(LPRECT rect) const {
  if (!rect) return;
  if (!m_widget) {
    *rect = RECT{};
    return;
  }
  QRect r = m_widget->isWindow() ? m_widget->frameGeometry() : QRect(m_widget->mapToGlobal(QPoint(0, 0)), m_widget->size());
  rect->left = r.left();
  rect->top = r.top();
  rect->right = r.left() + r.width();
  rect->bottom = r.top() + r.height();
}

void CWnd::GetClientRect(LPRECT rect) const {
  if (!rect) return;
  QWidget* client = ClientWidget();
  *rect = RECT{};
  if (!client) return;
  rect->right = client->width();
  rect->bottom = client->height();
}

void CWnd::ClientToScreen(LPPOINT point) const {
  QWidget* client = ClientWidget();
  if (!point || !client) return;
  const QPoint p = client->mapToGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

void CWnd::ClientToScreen(LPRECT rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ClientToScreen(&a);
  ClientToScreen(&b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::ScreenToClient(LPPOINT point) const {
  QWidget* client = ClientWidget();
  if (!point || !client) return;
  const QPoint p = client->mapFromGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

void CWnd::ScreenToClient(LPRECT rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ScreenToClient(&a);
  ScreenToClient(&b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::BringWindowToTop() {
  if (!m_widget) return;
  m_widget->raise();
  if (m_widget->isWindow()) {
    m_widget->activateWindow();
    window_stacking::KeepAbove(m_widget);
  }
}

BOOL CWnd::SetForegroundWindow() {
  if (!m_widget) return FALSE;
  QWidget* top = m_widget->window();
  top->raise();
  top->activateWindow();
  window_stacking::KeepAbove(top);
  return TRUE;
}

// ---------------------------------------------------------------- painting

void CWnd::Invalidate(BOOL) {
  const HWND handle = m_hWnd.load();
  if (!handle) return;
  if (IsUiThread()) {
    if (m_widget) m_widget->update();
    return;
  }
  PostToUiThread([handle] {
    if (CWnd* window = FromHandle(handle)) {
      if (window->m_widget) window->m_widget->update();
    }
  });
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
  if (!rect) {
    Invalidate(erase);
    return;
  }
  const HWND handle = m_hWnd.load();
  if (!handle) return;
  const QRect area = ToQRect(*rect);
  if (IsUiThread()) {
    if (m_widget) m_widget->update(area);
    return;
  }
  PostToUiThread([handle, area] {
    if (CWnd* window = FromHandle(handle)) {
      if (window->m_widget) window->m_widget->update(area);
    }
  });
}

CDC* CWnd::GetDC() { return new CClientDC(this); }

int CWnd::ReleaseDC(CDC* dc) {
  delete dc;
  return dc ? 1 : 0;
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return ShowMessageBox(text, caption, type);
}

void CWnd::ScrollWindow(int dx, int dy, LPCRECT scrollRect, LPCRECT clipRect) {
  if (!m_widget || !IsUiThread()) return;
  QRect area = m_widget->rect();
  if (scrollRect) area &= ToQRect(*scrollRect);
  if (clipRect) area &= ToQRect(*clipRect);
  if (area.isEmpty() || (dx == 0 && dy == 0)) return;
  // Qt moves pixels only of a widget that paints all of them; this one does
  // (its background through WM_ERASEBKGND).
  m_widget->setAttribute(Qt::WA_OpaquePaintEvent);
  m_widget->scroll(dx, dy, area);
}

BOOL CWnd::EnableToolTips(BOOL enable) {
  const BOOL was = m_toolTipsEnabled ? TRUE : FALSE;
  m_toolTipsEnabled = enable != FALSE;
  m_lastToolHit = -1;
  return was;
}

INT_PTR CWnd::OnToolHitTest(CPoint, TOOLINFO*) const { return -1; }

BOOL CWnd::OnToolTipText(TOOLTIPTEXT*) { return FALSE; }

void CWnd::CancelToolTips() {
  if (!QToolTip::isVisible()) return;
  QToolTip::hideText();
  // Qt takes the tip away a moment later; the tool changed now.
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->inherits("QTipLabel")) top->hide();
}

void CWnd::UpdateWindow() {
  if (m_widget && IsUiThread() && m_widget->isVisible()) m_widget->repaint();
}

// ---------------------------------------------------------------- state

BOOL CWnd::EnableWindow(BOOL enable) {
  if (!m_widget) return FALSE;
  const BOOL wasDisabled = m_widget->isEnabled() ? FALSE : TRUE;
  if (!enable && !wasDisabled) MoveFocusOffBeforeLosingIt();
  m_widget->setEnabled(enable != FALSE);
  if (enable) m_style &= ~WS_DISABLED;
  else m_style |= WS_DISABLED;
  return wasDisabled;
}

void CWnd::MoveFocusOffBeforeLosingIt() {
  // Left to Qt, the focus would go on to the next control, a push button as
  // like as not, and Return would press what the operator never chose.
  QWidget* focus = m_widget->isWindow() ? nullptr : m_widget->window()->focusWidget();
  if (!focus || !(focus == m_widget || m_widget->isAncestorOf(focus))) return;
  for (CWnd* w = GetParent(); w; w = (w->GetStyle() & WS_CHILD) ? w->GetParent() : nullptr)
    if (w->MoveFocusOff(*this)) return;
}

BOOL CWnd::IsWindowEnabled() const { return m_widget && m_widget->isEnabled() ? TRUE : FALSE; }

CWnd* CWnd::SetFocus() {
  CWnd* previous = GetFocus();
  if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
  return previous;
}

CWnd* CWnd::GetFocus() { return FromWidget(QApplication::focusWidget()); }

CWnd* CWnd::SetCapture() {
  CWnd* previous = FromHandle(g_capture);
  if (!m_widget) return previous;
  const HWND handle = m_hWnd.load();
  if (previous && previous != this) {
    if (previous->m_widget) previous->m_widget->releaseMouse();
    previous->SendMessage(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
  }
  g_capture = handle;
  if (m_widget->isVisible()) m_widget->grabMouse();
  return previous;
}

CWnd* CWnd::GetCapture() { return FromHandle(g_capture); }

BOOL ReleaseCapture() {
  CWnd* holder = CWnd::FromHandle(g_capture);
  g_capture = nullptr;
  if (!holder) return TRUE;
  if (holder->GetWidget()) holder->GetWidget()->releaseMouse();
  holder->SendMessage(WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  const DWORD before = m_style.load();
  const DWORD after = (before & ~remove) | add;
  m_style = after;
  if ((before ^ after) & WS_TABSTOP) ApplyFocusPolicy();
  return before != after ? TRUE : FALSE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
  const DWORD before = m_exStyle.load();
  const DWORD after = (before & ~remove) | add;
  m_exStyle = after;
  if ((before ^ after) & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) ApplyLayoutDirection();
  return before != after ? TRUE : FALSE;
}

void CWnd::ApplyFocusPolicy() {
  // Qt's own controls keep the focus policy Qt gives them.
  if (!m_widget || UsesQtDefaultHandling()) return;
  m_widget->setFocusPolicy((m_style.load() & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
}

void CWnd::ApplyLayoutDirection() {
  if (!m_widget) return;
  if (m_exStyle.load() & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) m_widget->setLayoutDirection(Qt::RightToLeft);
  else if (m_widget->testAttribute(Qt::WA_SetLayoutDirection)) m_widget->unsetLayoutDirection();
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  if (m_hWnd.load()) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
  else m_font = font;
}

// ---------------------------------------------------------------- timers

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) { return SetWindowTimer(m_hWnd.load(), id, elapseMs); }

BOOL CWnd::KillTimer(UINT_PTR id) { return KillWindowTimer(m_hWnd.load(), id); }

// ---------------------------------------------------------------- free functions

HWND GetFocusHandle() {
  CWnd* focus = CWnd::GetFocus();
  return focus ? focus->GetSafeHwnd() : nullptr;
}

HCURSOR LoadStandardCursor(HCURSOR id) { return id; }

HCURSOR SetCursor(HCURSOR cursor) {
  const HCURSOR previous = g_currentCursor;
  g_currentCursor = cursor;
  if (g_cursorWidget && cursor != 0) {
    QCursor loaded;
    if (FindLoadedCursor(cursor, &loaded)) g_cursorWidget->setCursor(loaded);
    else g_cursorWidget->setCursor(QCursor(static_cast<Qt::CursorShape>(cursor - 1)));
  }
  return previous;
}

SHORT GetKeyState(int virtualKey) { return IsVirtualKeyDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0; }
