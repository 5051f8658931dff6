#include "controls/CBalloonHelp.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QImage>
#include <QPainter>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "controls/BalloonPlacement.h"
#include "controls/ControlPictures.h"
#include "platform/ui/ApplicationHooks.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/CPen.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/MonitorWorkArea.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WindowFade.h"

namespace {

constexpr int kGap = 8;
constexpr int kFadeMs = 200;
constexpr int kCornerEllipse = 24;

// Every balloon that exists and the two shared hooks with their use counts.
// Hooks may run re-entrantly (a hook's post reaching a loop that runs hooks),
// so the lock is recursive.
struct BalloonRegistry {
  std::recursive_mutex mutex;
  std::vector<CBalloonHelp*> balloons;
  int keyboardHook = 0;
  int keyboardUsers = 0;
  int mouseHook = 0;
  int mouseUsers = 0;
};

BalloonRegistry& TheBalloonRegistry() {
  static auto* registry = new BalloonRegistry;  // never destroyed: balloons may outlive static destruction
  return *registry;
}

CPoint CursorPosition() {
  const QPoint at = QCursor::pos();
  return CPoint(at.x(), at.y());
}

std::string DefaultTitle() {
  if (CWinApp* app = AfxGetApp(); app && !app->m_pszAppName.empty()) return app->m_pszAppName;
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath().toStdString();
  return std::string();
}

COLORREF Channelwise(COLORREF a, COLORREF b, int (*mix)(int, int)) {
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

}  // namespace

// The hook procedures; they reach the balloons' private state.
struct BalloonHooks {
  static bool Keyboard(int, bool keyDown) {
    if (!keyDown) return false;
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    for (CBalloonHelp* balloon : registry.balloons) balloon->PostMessage(WM_CLOSE);
    return false;
  }

  static bool Mouse(UINT message, CPoint screenPoint, HWND) {
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    for (CBalloonHelp* balloon : registry.balloons) {
      if (balloon->GetSafeHwnd() && balloon->MouseTriggerMatches(message, screenPoint)) {
        balloon->PostMessage(WM_CLOSE);
        break;
      }
    }
    return false;
  }

  static void Add(CBalloonHelp* balloon) {
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    registry.balloons.push_back(balloon);
  }

  static void Remove(CBalloonHelp* balloon) {
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    auto& list = registry.balloons;
    list.erase(std::remove(list.begin(), list.end(), balloon), list.end());
  }

  static void UseKeyboard(bool use) {
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    if (use && registry.keyboardUsers++ == 0) registry.keyboardHook = app_hooks::AddKeyboardHook(&Keyboard);
    if (!use && --registry.keyboardUsers == 0) app_hooks::Remove(registry.keyboardHook);
  }

  static void UseMouse(bool use) {
    BalloonRegistry& registry = TheBalloonRegistry();
    std::lock_guard<std::recursive_mutex> lock(registry.mutex);
    if (use && registry.mouseUsers++ == 0) registry.mouseHook = app_hooks::AddMouseHook(&Mouse);
    if (!use && --registry.mouseUsers == 0) app_hooks::Remove(registry.mouseHook);
  }
};

CBalloonHelp::CBalloonHelp()
    : m_background(GetSysColor(COLOR_INFOBK)), m_foreground(GetSysColor(COLOR_INFOTEXT)) {
  const int hover = GetMouseHoverWidth();
  m_tolerance = hover >= 1 ? CSize(hover + 30, hover + 10) : CSize(34, 14);
  BalloonHooks::Add(this);
}

CBalloonHelp::~CBalloonHelp() {
  // Out of the registry and the hooks first, so nothing reaches a dying balloon.
  BalloonHooks::Remove(this);
  RemoveHooks();
  m_options &= ~DeleteOnClose;  // being deleted already
  if (GetSafeHwnd()) DestroyWindow();
  if (m_icon) DestroyIcon(m_icon);
}

std::vector<CBalloonHelp*> CBalloonHelp::Balloons() {
  BalloonRegistry& registry = TheBalloonRegistry();
  std::lock_guard<std::recursive_mutex> lock(registry.mutex);
  return registry.balloons;
}

void CBalloonHelp::ShowBalloon(const std::string& title, const std::string& text, CWnd* control, UINT iconId,
                               UINT options, UINT timeoutMs, CWnd* parent, const std::string& link) {
  if (!IsUiAvailable()) return;
  if (!IsUiThread()) {
    // A window made here would belong to a thread without an event loop and
    // never close; the UI thread makes it, and the caller does not wait.
    const HWND controlHandle = control ? control->GetSafeHwnd() : nullptr;
    const HWND parentHandle = parent ? parent->GetSafeHwnd() : nullptr;
    PostToUiThread([=] {
      ShowBalloon(title, text, CWnd::FromHandle(controlHandle), iconId, options, timeoutMs,
                  CWnd::FromHandle(parentHandle), link);
    });
    return;
  }
  CPoint anchor;
  if (control && control->GetSafeHwnd()) {
    if (!parent) parent = control->GetParent();
    CRect rect;
    control->GetWindowRect(&rect);
    anchor = rect.TopLeft();
  } else {
    anchor = CursorPosition();
  }
  if (parent && parent->GetSafeHwnd()) parent->ScreenToClient(&anchor);
  else parent = nullptr;

  auto* balloon = new CBalloonHelp;
  auto font = std::make_unique<CFont>();
  font->CreatePointFont(100, "Tahoma");
  balloon->SetContentFont(font.release());
  if (iconId != 0) {
    EnsureControlPictures();
    const CSize size(std::max(GetSystemMetrics(SM_CXSIZE), GetSystemMetrics(SM_CXSMICON)),
                     std::max(GetSystemMetrics(SM_CYSIZE), GetSystemMetrics(SM_CYSMICON)));
    if (HICON icon = LoadIconResource(iconId)) {
      balloon->SetIcon(icon, size);
      DestroyIcon(icon);
    }
  }
  if (!balloon->Create(title.empty() ? DefaultTitle() : title, text, anchor, options | DeleteOnClose, parent, link,
                       timeoutMs)) {
    delete balloon;
  }
}

BOOL CBalloonHelp::Create(const std::string& title, const std::string& text, const CPoint& anchor, UINT options,
                          CWnd* parent, const std::string& link, UINT timeoutMs, HICON icon) {
  if (GetSafeHwnd()) return FALSE;
  CWnd* owner = parent && parent->GetSafeHwnd() ? parent->GetTopLevelParent() : AfxGetMainWnd();
  if (!owner || !owner->GetSafeHwnd()) return FALSE;
  m_text = text;
  m_link = link;
  m_timeoutMs = timeoutMs;
  m_options = options;
  m_anchor = anchor;
  m_anchorWindow = parent && parent->GetSafeHwnd() ? parent->GetSafeHwnd() : nullptr;
  if (icon) SetIcon(icon);
  if (!m_contentFont) {
    m_contentFont = std::make_unique<CFont>();
    m_contentFont->Attach(GetStockObject(DEFAULT_GUI_FONT));
  }
  LOGFONT log;
  m_contentFont->GetLogFont(&log);
  log.lfWeight = FW_BOLD;
  m_titleFont = std::make_unique<CFont>();
  m_titleFont->CreateFontIndirect(&log);
  // Fades need window opacity; without it the balloon simply appears and goes.
  if (!WindowOpacitySupported()) m_options |= NoFadeIn | NoFadeOut;

  const DWORD exStyle = WS_EX_TOOLWINDOW | ((m_options & Topmost) ? WS_EX_TOPMOST : 0);
  if (!CreateEx(exStyle, "BalloonHelpClass", title, WS_POPUP, CRect(0, 0, 10, 10), owner, 0)) return FALSE;
  if (QWidget* widget = GetWidget()) widget->setAttribute(Qt::WA_ShowWithoutActivating);
  PositionWindow();
  m_shownAt = CursorPosition();
  InstallHooks();
  if (!(m_options & NoFadeIn)) {
    SetWindowAlpha(this, 0);
    ShowWindow(SW_SHOWNOACTIVATE);
    FadeWindow(this, 0, 255, kFadeMs);
  } else {
    ShowWindow(SW_SHOWNOACTIVATE);
  }
  if (!(m_options & DelayClose) && m_timeoutMs > 0) SetTimer(kTimeoutTimer, m_timeoutMs);
  return TRUE;
}

void CBalloonHelp::InstallHooks() {
  if (m_options & MouseTriggers) {
    BalloonHooks::UseMouse(true);
    m_mouseHooked = true;
  }
  if ((m_options & (CloseOnLButtonUp | CloseOnMButtonUp | CloseOnRButtonUp)) && !GetCapture()) SetCapture();
  if (m_options & CloseOnKeyPress) {
    BalloonHooks::UseKeyboard(true);
    m_keyboardHooked = true;
  }
  // Follow the anchor window's moves: it moves with its top-level window.
  if (CWnd* anchor = FromHandle(m_anchorWindow)) {
    const HWND self = GetSafeHwnd();
    m_moveHook = app_hooks::AddWindowMoveHook(anchor->GetTopLevelParent()->GetSafeHwnd(), [self](HWND) {
      if (auto* balloon = dynamic_cast<CBalloonHelp*>(FromHandle(self))) balloon->PositionWindow();
    });
  }
}

void CBalloonHelp::RemoveHooks() {
  if (m_mouseHooked) BalloonHooks::UseMouse(false);
  if (m_keyboardHooked) BalloonHooks::UseKeyboard(false);
  m_mouseHooked = m_keyboardHooked = false;
  if (m_moveHook != 0) app_hooks::Remove(m_moveHook);
  m_moveHook = 0;
}

bool CBalloonHelp::MouseTriggerMatches(UINT message, const CPoint& screenPoint) const {
  switch (message) {
    case WM_LBUTTONUP: return (m_options & CloseOnLButtonUp) != 0;
    case WM_MBUTTONUP: return (m_options & CloseOnMButtonUp) != 0;
    case WM_RBUTTONUP: return (m_options & CloseOnRButtonUp) != 0;
    case WM_LBUTTONDOWN: return (m_options & CloseOnLButtonDown) != 0;
    case WM_MBUTTONDOWN: return (m_options & CloseOnMButtonDown) != 0;
    case WM_RBUTTONDOWN: return (m_options & CloseOnRButtonDown) != 0;
    case WM_MOUSEMOVE:
      return (m_options & CloseOnMouseMove) && (std::abs(screenPoint.x - m_shownAt.x) > m_tolerance.cx ||
                                                std::abs(screenPoint.y - m_shownAt.y) > m_tolerance.cy);
    default: return false;
  }
}

// ---------------------------------------------------------------- setters

void CBalloonHelp::SetIconImage(const QImage& image) {
  if (m_icon) DestroyIcon(m_icon);
  m_icon = image.isNull() ? nullptr : CreateIconFromImage(image);
  m_iconSize = m_icon ? CSize(image.width(), image.height()) : CSize(0, 0);
  if (GetSafeHwnd()) PositionWindow();
}

void CBalloonHelp::SetIcon(HICON icon) { SetIconImage(IconImage(icon)); }

void CBalloonHelp::SetIcon(HICON icon, const SIZE& size) {
  const QImage source = IconImage(icon);
  if (source.isNull() || size.cx <= 0 || size.cy <= 0) {
    SetIconImage(QImage());
    return;
  }
  QImage image(size.cx, size.cy, QImage::Format_ARGB32_Premultiplied);
  image.fill(ColorRefToQColor(m_background));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRect(0, 0, size.cx, size.cy), source);
  painter.end();
  SetIconImage(image);
}

void CBalloonHelp::SetIcon(CBitmap* bitmap, COLORREF maskColor) {
  SetIconImage(bitmap ? MaskedByColor(bitmap->Image(), maskColor) : QImage());
}

void CBalloonHelp::SetContentFont(CFont* font) {
  m_contentFont.reset(font);
  if (GetSafeHwnd()) PositionWindow();
}

void CBalloonHelp::SetAnchorPoint(const CPoint& point, CWnd* anchorWindow) {
  m_anchor = point;
  m_anchorWindow = anchorWindow ? anchorWindow->GetSafeHwnd() : nullptr;
  if (GetSafeHwnd()) PositionWindow();
}

// ---------------------------------------------------------------- placement

CRect CBalloonHelp::WorkArea(const POINT& screenAnchor) {
  if (m_workArea.IsRectEmpty()) m_workArea = GetWorkAreaNearestPoint(screenAnchor);
  return m_workArea;
}

void CBalloonHelp::PositionWindow() {
  CPoint anchor = m_anchor;
  if (CWnd* window = FromHandle(m_anchorWindow)) window->ClientToScreen(&anchor);
  const CRect workArea = WorkArea(anchor);

  CDC dc;
  dc.CreateCompatibleDC(nullptr);  // measures the texts before the window has its size
  const CSize header = DrawHeader(&dc, false);
  const CSize body = DrawBody(&dc, false);
  const CSize client(std::max(header.cx, body.cx), header.cy + body.cy + kGap);
  const CSize window(client.cx + 2 * balloon_placement::kBorder,
                     client.cy + 2 * balloon_placement::kBorder + balloon_placement::kTailBand);

  const balloon_placement::Layout layout = balloon_placement::Place(window, anchor, workArea);
  m_quadrant = layout.quadrant;
  std::copy(std::begin(layout.tail), std::end(layout.tail), std::begin(m_tail));
  m_client = balloon_placement::ClientArea(window, layout.quadrant);

  CRgn tail;
  tail.CreatePolygonRgn(layout.tail, 3, ALTERNATE);
  CRgn rounded;
  rounded.CreateRoundRectRgn(layout.body.left, layout.body.top, layout.body.right, layout.body.bottom,
                             kCornerEllipse, kCornerEllipse);
  CRgn region;
  region.CreateRectRgn(0, 0, 0, 0);
  region.CombineRgn(&tail, &rounded, RGN_OR);
  MoveWindow(layout.origin.x, layout.origin.y, window.cx, window.cy, TRUE);
  if (!m_region.IsValid() || !m_region.EqualRgn(&region)) {
    if (!m_region.IsValid()) m_region.CreateRectRgn(0, 0, 0, 0);
    m_region.CopyRgn(&region);
    SetWindowRgn(m_region, TRUE);
  }
}

CRect CBalloonHelp::CloseButtonRect() const {
  const int width = m_client.Width();
  return CRect(width - GetSystemMetrics(SM_CXSIZE), 0, width, GetSystemMetrics(SM_CYSIZE));
}

// ---------------------------------------------------------------- drawing

CSize CBalloonHelp::DrawHeader(CDC* dc, bool draw) {
  CSize size = m_iconSize;
  if (m_options & ShowCloseButton) {
    if (size.cx > 0) size.cx += kGap;
    size.cx += GetSystemMetrics(SM_CXSIZE);
    size.cy = std::max<LONG>(size.cy, GetSystemMetrics(SM_CYSIZE));
  }
  const std::string title = GetWindowText();
  CFont* old = dc->SelectObject(m_titleFont.get());
  if (!title.empty()) {
    const CSize extent = dc->GetTextExtent(title);
    size.cx += kGap + extent.cx;
    size.cy = std::max(size.cy, extent.cy);
  }
  if (draw) {
    const int width = m_client.Width();
    if (m_icon) dc->DrawIconEx(0, 0, m_icon, m_iconSize.cx, m_iconSize.cy);
    CRect titleRect(m_iconSize.cx, 0, width, size.cy);
    if (m_options & ShowCloseButton) {
      const CRect button = CloseButtonRect();
      titleRect.right = button.left;
      // A flat caption button: a cross, framed while hot, sunken while pushed.
      if (m_closeButtonState > 0) {
        dc->Draw3dRect(&button, GetSysColor(m_closeButtonState == 2 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT),
                       GetSysColor(m_closeButtonState == 2 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
      }
      CPen pen(PS_SOLID, 2, m_foreground);
      CPen* oldPen = dc->SelectObject(&pen);
      const int inset = 4 + (m_closeButtonState == 2 ? 1 : 0);
      dc->MoveTo(button.left + inset, button.top + inset);
      dc->LineTo(button.right - inset, button.bottom - inset);
      dc->MoveTo(button.right - inset, button.top + inset);
      dc->LineTo(button.left + inset, button.bottom - inset);
      dc->SelectObject(oldPen);
    }
    if (!title.empty()) {
      dc->SetBkMode(TRANSPARENT);
      dc->SetTextColor(m_foreground);
      dc->DrawText(title, &titleRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
  }
  dc->SelectObject(old);
  return size;
}

CSize CBalloonHelp::DrawBody(CDC* dc, bool draw) {
  if (m_text.empty()) return CSize(0, 0);
  CFont* old = dc->SelectObject(m_contentFont.get());
  const UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
  CRect rect;
  if (draw) {
    const int top = DrawHeader(dc, false).cy + kGap;
    rect = CRect(0, top, m_client.Width(), m_client.Height());
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(m_foreground);
    dc->DrawText(m_text, &rect, format);
  } else {
    rect = CRect(0, 0, m_workArea.Width() / 2, 0);
    dc->DrawText(m_text, &rect, format | DT_CALCRECT);
  }
  dc->SelectObject(old);
  return rect.Size();
}

void CBalloonHelp::DrawContent(CDC* dc) {
  DrawHeader(dc, true);
  DrawBody(dc, true);
}

void CBalloonHelp::DrawNonClientArea(CDC* dc) {
  CRect window;
  GetClientRect(&window);  // the widget is the whole balloon
  dc->FillSolidRect(&window, m_background);
  if (!m_region.IsValid()) return;
  if (m_options & InnerShadow) {
    const COLORREF light = Channelwise(m_background, 0, [](int c, int) { return c / 3 + 170; });
    const COLORREF dark = Channelwise(m_background, m_foreground, [](int b, int t) { return b * 2 / 3 + t / 3; });
    CRgn shadow;
    shadow.CreateRectRgn(0, 0, 0, 0);
    shadow.CopyRgn(&m_region);
    CBrush lightBrush(light);
    shadow.OffsetRgn(1, 1);
    dc->FrameRgn(&shadow, &lightBrush, 2, 2);
    CBrush darkBrush(dark);
    shadow.OffsetRgn(-2, -2);
    dc->FrameRgn(&shadow, &darkBrush, 2, 2);
  }
  CBrush frame(m_foreground);
  dc->FrameRgn(&m_region, &frame, 1, 1);
}

void CBalloonHelp::OnPaint() {
  CPaintDC dc(this);
  DrawNonClientArea(&dc);
  dc.FillSolidRect(&m_client, m_background);
  dc.SetViewportOrg(m_client.left, m_client.top);
  dc.IntersectClipRect(0, 0, m_client.Width(), m_client.Height());
  DrawContent(&dc);
}

BOOL CBalloonHelp::OnEraseBkgnd(CDC*) { return TRUE; }

// ---------------------------------------------------------------- closing

void CBalloonHelp::OnClose() {
  if (m_options & DelayClose) {
    m_options &= ~(MouseTriggers | DelayClose);
    if (m_timeoutMs > 0) {
      SetTimer(kTimeoutTimer, m_timeoutMs);
      return;
    }
  }
  CloseNow();
}

void CBalloonHelp::CloseNow() {
  if (m_closing) return;
  m_closing = true;
  if (GetCapture() == this) ReleaseCapture();
  if (!(m_options & NoFadeOut)) {
    const HWND self = GetSafeHwnd();
    FadeWindow(this, 255, 0, kFadeMs, [self] {
      if (CWnd* window = FromHandle(self)) window->DestroyWindow();
    });
    return;
  }
  ShowWindow(SW_HIDE);
  DestroyWindow();
}

void CBalloonHelp::OnTimer(UINT_PTR id) {
  if (id != kTimeoutTimer) {
    CWnd::OnTimer(id);
    return;
  }
  KillTimer(kTimeoutTimer);
  SendMessage(WM_CLOSE);
}

void CBalloonHelp::OnDestroy() {
  RemoveHooks();
  CWnd::OnDestroy();
}

void CBalloonHelp::PostNcDestroy() {
  BalloonHooks::Remove(this);
  m_closing = false;
  if (m_options & DeleteOnClose) delete this;
}

// ---------------------------------------------------------------- mouse

void CBalloonHelp::OnMouseMove(UINT flags, CPoint point) {
  if (m_options & ShowCloseButton) {
    const CPoint inClient = point - m_client.TopLeft();
    const bool over = CloseButtonRect().PtInRect(inClient);
    const int state = m_closeButtonState == 2 ? (over ? 2 : 1) : (over ? 1 : 0);
    if (state != m_closeButtonState) {
      m_closeButtonState = state;
      Invalidate(FALSE);
    }
  }
  CWnd::OnMouseMove(flags, point);
}

void CBalloonHelp::OnLButtonDown(UINT flags, CPoint point) {
  const CPoint inClient = point - m_client.TopLeft();
  if ((m_options & ShowCloseButton) && CloseButtonRect().PtInRect(inClient)) {
    m_closeButtonState = 2;
    SetCapture();
    Invalidate(FALSE);
    return;
  }
  CWnd::OnLButtonDown(flags, point);
}

void CBalloonHelp::OnLButtonUp(UINT flags, CPoint point) {
  const CPoint inClient = point - m_client.TopLeft();
  if ((m_options & ShowCloseButton) && m_closeButtonState == 2) {
    m_closeButtonState = 0;
    if (GetCapture() == this) ReleaseCapture();
    if (CloseButtonRect().PtInRect(inClient)) SendMessage(WM_CLOSE);
    else Invalidate(FALSE);
    return;
  }
  if (CRect(0, 0, m_client.Width(), m_client.Height()).PtInRect(inClient)) {
    if (!m_link.empty()) QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(m_link)));
    SendMessage(WM_CLOSE);
    return;
  }
  CWnd::OnLButtonUp(flags, point);
}
