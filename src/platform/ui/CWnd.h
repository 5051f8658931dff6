#pragma once
// A window as the system's classes derive from it. The C++ object exists on its
// own (the plant's shapes are globals built before Qt starts); Create makes its
// Qt widget and registers a handle, DestroyWindow removes both, and the object
// lives on and may be created again (with a new handle).
//
// Every message, whether it comes from Qt, from PostMessage/SendMessage or from
// a timer, goes through the virtual WindowProc first; WindowProc hands it to the
// On... handler, and a handler that is not overridden falls to DefWindowProc,
// the default handling (which for a widget of Qt's own, such as an edit field,
// means "let Qt handle the event").
//
// Thread rules: create, destroy, move and query geometry on the UI thread
// (Create and DestroyWindow called elsewhere are run there and waited for).
// Delete a window object on the UI thread, or DestroyWindow it first: while
// its widget exists the UI thread may be calling into it.
// From any thread: PostMessage, SendMessage, SetWindowText, GetWindowText,
// Invalidate, SetTimer, KillTimer, IsWindow and GetSafeHwnd.
#include <QMetaObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/CPoint.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CSize.h"
#include "platform/ui/GdiTypes.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WinMessages.h"

class QWidget;
class QEvent;
class QRegion;
class CDC;
class CFont;
class CCmdUI;
class WindowEventBridge;

using LPPOINT = POINT*;

struct CREATESTRUCT {
  DWORD dwExStyle = 0;
  std::string lpszClass;
  std::string lpszName;
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  class CWnd* hwndParent = nullptr;
  UINT id = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// A window's tool for tips: what OnToolHitTest fills in.
constexpr UINT TTF_IDISHWND = 0x0001;  // uId is the window's handle
constexpr UINT TTF_ALWAYSTIP = 0x0020;
constexpr UINT TTF_NOTBUTTON = 0x10000000;
struct TOOLINFO {
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  UINT_PTR uId = 0;
  RECT rect{};
  bool textByCallback = false;  // the text is asked for with OnToolTipText
  std::string text;
};
// The text request of a tip about to show (the tip control's TTN_NEEDTEXT).
// -1 leaves a delay or the width as the application has them.
struct TOOLTIPTEXT {
  UINT_PTR idFrom = 0;
  std::string text;
  int maxTipWidth = -1;
  int autoPopMs = -1;
  int initialMs = -1;
  int reshowMs = -1;
};

// Stand-in for a cursor handle: a Qt cursor shape number plus one.
using HCURSOR = std::uintptr_t;
constexpr HCURSOR IDC_ARROW = 1;
constexpr HCURSOR IDC_IBEAM = 5;
constexpr HCURSOR IDC_WAIT = 4;
constexpr HCURSOR IDC_CROSS = 3;
constexpr HCURSOR IDC_SIZEWE = 7;
constexpr HCURSOR IDC_SIZENS = 6;
constexpr HCURSOR IDC_SIZEALL = 10;
constexpr HCURSOR IDC_HAND = 14;
constexpr HCURSOR IDC_NO = 15;

class CWnd : public IMessageTarget {
 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The handle while the window exists, else null. Readable from any thread.
  std::atomic<HWND> m_hWnd{nullptr};
  HWND GetSafeHwnd() const { return m_hWnd.load(); }
  // The live window object of a handle, or nullptr.
  static CWnd* FromHandle(HWND handle);
  // The window whose widget is `widget` or holds it.
  static CWnd* FromWidget(const QWidget* widget);

  // --- creation and destruction (UI thread; calls from other threads are run there) ---
  virtual BOOL Create(const std::string& className, const std::string& windowName, DWORD style, const RECT& rect,
                      CWnd* parent, UINT id);
  virtual BOOL CreateEx(DWORD exStyle, const std::string& className, const std::string& windowName, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id);
  BOOL CreateEx(DWORD exStyle, const std::string& className, const std::string& windowName, DWORD style, int x, int y,
                int width, int height, CWnd* parent, UINT id) {
    return CreateEx(exStyle, className, windowName, style, CRect(x, y, x + width, y + height), parent, id);
  }
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  // Called once the window is gone (after WM_NCDESTROY); a window that owns
  // itself may delete itself here.
  virtual void PostNcDestroy() {}

  // --- the Qt side ---
  QWidget* GetWidget() const { return m_widget; }
  // The widget a subclass wants (an edit field, a frame...); `parent` is the
  // parent's widget or null. The default is a plain painted widget.
  virtual QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs);
  // False (the default) for a plain window: it paints through WM_PAINT and every
  // input event ends in its messages. True for a window whose widget is one of
  // Qt's own controls: Qt paints it, and an event whose message reaches the
  // default handling goes on to Qt.
  virtual bool UsesQtDefaultHandling() const { return false; }
  // The widget that holds the client area (children are placed in it).
  virtual QWidget* ClientWidget() const { return m_widget; }
  // While WM_PAINT runs: the region Qt asked to repaint (drawing classes use it).
  const QRegion* CurrentPaintRegion() const { return m_paintRegion; }

  // --- messages ---
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default handling of the message being handled now.
  LRESULT Default();
  // Sees each key-down before the window it is for: that window first, then its
  // parents up to the top-level window. TRUE takes the key (accelerators).
  virtual BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A dialog's own keys (VK_TAB, VK_RETURN, VK_ESCAPE) pressed in one of its
  // windows that does not ask for them through WM_GETDLGCODE; true when this
  // window is a dialog and acted on the key.
  virtual bool HandleDialogKey(int virtualKey, bool shift);
  // `leaving` (a window in this one, about to be disabled or hidden) holds its
  // top-level window's focus; true when this window is a dialog and put the
  // focus elsewhere.
  virtual bool MoveFocusOff(CWnd& leaving);
  // Routes a command (WM_COMMAND) to whoever handles it; TRUE when handled.
  virtual BOOL OnCmdMsg(UINT id, int code);
  // Asks for a command's enabled/checked state before a menu or bar shows it.
  virtual BOOL OnUpdateCmdUI(CCmdUI* cmdUI);

  // --- handlers; the defaults do the default handling ---
  virtual int OnCreate(LPCREATESTRUCT cs);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnPaint();
  // Erases with the window's background colour by default; a window that paints
  // everything itself answers TRUE and erases nothing.
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnTimer(UINT_PTR id);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnMove(int x, int y);
  virtual void OnShowWindow(BOOL show, UINT status);
  virtual void OnLButtonDown(UINT flags, CPoint point);
  virtual void OnLButtonUp(UINT flags, CPoint point);
  virtual void OnLButtonDblClk(UINT flags, CPoint point);
  virtual void OnRButtonDown(UINT flags, CPoint point);
  virtual void OnRButtonUp(UINT flags, CPoint point);
  virtual void OnRButtonDblClk(UINT flags, CPoint point);
  virtual void OnMButtonDown(UINT flags, CPoint point);
  virtual void OnMButtonUp(UINT flags, CPoint point);
  virtual void OnMouseMove(UINT flags, CPoint point);
  virtual void OnMouseLeave();
  // `delta` in units of 120 per notch; `point` in screen coordinates.
  virtual BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  virtual void OnKeyDown(UINT ch, UINT repeatCount, UINT flags);
  virtual void OnKeyUp(UINT ch, UINT repeatCount, UINT flags);
  virtual void OnChar(UINT ch, UINT repeatCount, UINT flags);
  virtual void OnSysKeyDown(UINT ch, UINT repeatCount, UINT flags);
  virtual void OnSysKeyUp(UINT ch, UINT repeatCount, UINT flags);
  virtual void OnSetFocus(CWnd* oldWnd);
  virtual void OnKillFocus(CWnd* newWnd);
  virtual BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  virtual void OnCaptureChanged(CWnd* wnd);
  virtual void OnContextMenu(CWnd* wnd, CPoint point);
  virtual void OnEnable(BOOL enable);
  // Scroll-bar messages; `scrollBar` is the scroll-bar control, null for the window's own bars.
  virtual void OnHScroll(UINT code, UINT position, CWnd* scrollBar);
  virtual void OnVScroll(UINT code, UINT position, CWnd* scrollBar);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual void OnClose();

  // --- tree ---
  CWnd* GetParent() const { return m_parent; }
  CWnd* GetOwner() const { return m_parent; }
  CWnd* GetTopLevelParent() const;
  std::vector<CWnd*> GetChildren() const { return m_children; }
  // Puts this window right after `previous` among its siblings (first when
  // null): the child order is the z-order and a dialog's tab order.
  void PlaceAfterSibling(const CWnd* previous);
  CWnd* GetDlgItem(UINT id) const;
  UINT GetDlgCtrlID() const { return m_controlId; }
  void SetDlgCtrlID(UINT id) { m_controlId = id; }
  BOOL IsChild(const CWnd* wnd) const;
  // GW_CHILD (first child), GW_HWNDNEXT / GW_HWNDPREV (siblings in child
  // order), GW_HWNDFIRST / GW_HWNDLAST, GW_OWNER.
  CWnd* GetWindow(UINT relation) const;
  void SetDlgItemText(UINT id, const std::string& text);
  std::string GetDlgItemText(UINT id) const;
  void SetDlgItemInt(UINT id, int value, BOOL isSigned = TRUE);
  // 0 (and *translated FALSE) when the text is not a whole number.
  int GetDlgItemInt(UINT id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;

  // --- text (any thread) ---
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  void GetWindowText(std::string& text) const { text = GetWindowText(); }
  int GetWindowTextLength() const { return static_cast<int>(GetWindowText().size()); }

  // --- placement (UI thread) ---
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT& rect, BOOL repaint = TRUE) {
    MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
  }
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  // Rectangles: the window in screen coordinates, the client area from (0, 0).
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  void ClientToScreen(LPPOINT point) const;
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ScreenToClient(LPRECT rect) const;
  void BringWindowToTop();
  BOOL SetForegroundWindow();

  // --- painting (Invalidate from any thread) ---
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void UpdateWindow();
  void RedrawWindow() { Invalidate(); UpdateWindow(); }
  // A client-area context owned by the caller until ReleaseDC.
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  // A message box through the message-box service; an empty caption means the application's title.
  int MessageBox(const std::string& text, const std::string& caption = std::string(), UINT type = MB_OK);

  // --- state ---
  // Returns whether it was disabled before. A child window disabled or hidden
  // while it (or a window in it) has the focus leaves the focus where its
  // dialog puts it (MoveFocusOff).
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  DWORD GetStyle() const { return m_style.load(); }
  DWORD GetExStyle() const { return m_exStyle.load(); }
  // UI thread while the window exists: WS_TABSTOP and the right-to-left
  // extended styles also change the widget.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  // Shapes the window to the region (window coordinates); null gives the whole
  // rectangle back. The window keeps a copy, so the caller still owns `region`.
  int SetWindowRgn(HRGN region, BOOL redraw);
  CFont* GetFont() const { return m_font; }
  const std::string& GetClassName() const { return m_className; }

  // --- scrolling and tool tips (UI thread) ---
  // Moves the pixels inside scrollRect (the client area when null), limited to
  // clipRect, by dx and dy; the strip left uncovered is invalidated. A window
  // that scrolls paints all of its pixels, so Qt may move them instead of
  // repainting them.
  void ScrollWindow(int dx, int dy, LPCRECT scrollRect = nullptr, LPCRECT clipRect = nullptr);
  // With tips enabled, every mouse move asks OnToolHitTest for the tool under
  // the mouse (an open tip is hidden when the tool changes), and Qt's tip
  // event asks the tool's text of OnToolTipText and shows it.
  BOOL EnableToolTips(BOOL enable = TRUE);
  // The tool's id under the point, or -1 for none.
  virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const;
  // TRUE when tip->text is to be shown (maximum width and delays optional).
  virtual BOOL OnToolTipText(TOOLTIPTEXT* tip);
  // Hides the tip on show, if any.
  static void CancelToolTips();

  // --- timers (any thread; ids are this window's own) ---
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* unusedCallback = nullptr);
  BOOL KillTimer(UINT_PTR id);

 protected:
  // Text shown by the widget; controls with a text of Qt's own override both.
  virtual void ApplyTextToWidget(const std::string& text);
  virtual std::string TextFromWidget() const;
  // Lets a subclass react to a Qt event before it becomes a message; true stops it.
  virtual bool PreTranslateQtEvent(QEvent* event);
  // Expires (or turns false) once this object is deleted, e.g. by its own PostNcDestroy.
  std::weak_ptr<bool> AliveToken() const { return m_alive; }

 private:
  friend class WindowEventBridge;
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool defaultReached;
  };
  BOOL CreateOnUiThread(CREATESTRUCT cs);
  // The widget follows the styles that Qt has a counterpart for: WS_TABSTOP
  // (focus by Tab and click) and the right-to-left extended styles.
  void ApplyFocusPolicy();
  void ApplyLayoutDirection();
  // Before this child window is disabled or hidden: when the focus is in it,
  // its dialog moves it out first (MoveFocusOff), instead of Qt's next control.
  void MoveFocusOffBeforeLosingIt();
  void DestroyTree(bool widgetAlreadyGone);
  void WidgetDestroyedExternally();
  LRESULT OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam);
  // Runs the message through WindowProc; true when it reached DefWindowProc.
  // `alive` turns false when the handler deleted the window object.
  bool DispatchTracked(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, bool* alive);
  void EraseBackgroundNow(CDC* dc);
  void DetachBridge();
  std::string GetStoredText() const;
  // The show to run once the owner this window waits for is shown (see
  // window_stacking::HoldUntilOwnerShown).
  std::function<void()> HeldShow(int command) const;

  QWidget* m_widget = nullptr;
  WindowEventBridge* m_bridge = nullptr;
  QMetaObject::Connection m_widgetGone;
  CWnd* m_parent = nullptr;
  std::vector<CWnd*> m_children;
  UINT m_controlId = 0;
  std::atomic<DWORD> m_style{0};
  std::atomic<DWORD> m_exStyle{0};
  std::string m_className;
  CFont* m_font = nullptr;
  mutable std::mutex m_textMutex;
  std::string m_text;
  std::vector<CurrentMessage> m_messageStack;
  const QRegion* m_paintRegion = nullptr;
  bool m_destroying = false;
  bool m_toolTipsEnabled = false;
  INT_PTR m_lastToolHit = -1;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

 public:
  // Placeholders for SetWindowPos's z-order argument.
  static const CWnd wndTop;
  static const CWnd wndBottom;
  static const CWnd wndTopMost;
  static const CWnd wndNoTopMost;
};

// Default position or size for a top-level window's CreateEx.
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Free forms of the same operations on handles.
HWND GetFocusHandle();
// The cursor for the window being pointed at (a stand-in for SetCursor).
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR LoadStandardCursor(HCURSOR id);
// The held state in the GetKeyState form: bit 15 set while held.
SHORT GetKeyState(int virtualKey);
BOOL ReleaseCapture();
