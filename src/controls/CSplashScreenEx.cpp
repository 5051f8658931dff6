#include "controls/CSplashScreenEx.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include "platform/ui/CDC.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WindowFade.h"

namespace {
constexpr int kBold = 1;
constexpr int kItalic = 2;
constexpr int kUnderline = 4;

bool IsButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == CSplashScreenEx::kNcLButtonDown || message == CSplashScreenEx::kNcRButtonDown ||
         message == CSplashScreenEx::kNcMButtonDown;
}
}  // namespace

CSplashScreenEx::CSplashScreenEx() { SetTextDefaultFont(); }

// Deleted directly (not through Hide): the base destroys the window without PostNcDestroy.
CSplashScreenEx::~CSplashScreenEx() = default;

BOOL CSplashScreenEx::Create(CWnd* owner, const std::string& text, DWORD displayTimeMs, DWORD style) {
  m_owner = owner;
  m_text = text;
  m_displayTimeMs = displayTimeMs;
  m_style = style;
  if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, std::string(), WS_POPUP, CRect(0, 0, 0, 0), owner, 0))
    return FALSE;
  // Showing the splash must not take the focus from the window being started.
  if (QWidget* widget = GetWidget()) widget->setAttribute(Qt::WA_ShowWithoutActivating);
  return TRUE;
}

// ---------------------------------------------------------------- bitmap and shape

std::vector<RECT> CSplashScreenEx::OpaqueRuns(const QImage& image, COLORREF transparent) {
  std::vector<RECT> runs;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  for (int y = rgb.height() - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    int x = 0;
    while (x < rgb.width()) {
      while (x < rgb.width() && QRgbToColorRef(row[x]) == transparent) ++x;
      const int start = x;
      while (x < rgb.width() && QRgbToColorRef(row[x]) != transparent) ++x;
      if (x > start) runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  return runs;
}

BOOL CSplashScreenEx::SetBitmap(UINT bitmapId, int red, int green, int blue) {
  CBitmap loaded;
  if (!loaded.LoadBitmap(bitmapId)) return FALSE;
  m_bitmap.DeleteObject();
  m_bitmap.CreateFromImage(loaded.Image());
  const CSize size = m_bitmap.GetSize();
  m_bitmapWidth = size.cx;
  m_bitmapHeight = size.cy;
  PlaceWindow();
  if (red != kNoColor && green != kNoColor && blue != kNoColor) {
    m_region.DeleteObject();
    m_region.CreateFromRects(OpaqueRuns(m_bitmap.Image(), RGB(red, green, blue)));
    SetWindowRgn(m_region, TRUE);
  }
  return TRUE;
}

void CSplashScreenEx::PlaceWindow() {
  m_x = 0;
  m_y = 0;
  if (m_style & kCenterScreen) {
    // The real screen: the system metrics keep fixed stand-in sizes unless told to follow it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry()
                              : QRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    m_x = area.x() + (area.width() - m_bitmapWidth) / 2;
    m_y = area.y() + (area.height() - m_bitmapHeight) / 2;
  } else if ((m_style & kCenterOwner) && m_owner && m_owner->GetSafeHwnd()) {
    CRect ownerRect;
    m_owner->GetWindowRect(&ownerRect);
    m_x = ownerRect.left + (ownerRect.Width() - m_bitmapWidth) / 2;
    m_y = ownerRect.top + (ownerRect.Height() - m_bitmapHeight) / 2;
  }
}

// ---------------------------------------------------------------- text

BOOL CSplashScreenEx::SetTextFont(const std::string& face, int tenthsOfPoint, int fontStyle) {
  CFont pointFont;
  if (!pointFont.CreatePointFont(tenthsOfPoint, face)) return FALSE;
  LOGFONT logFont;
  pointFont.GetLogFont(&logFont);
  logFont.lfWeight = (fontStyle & kBold) ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = (fontStyle & kItalic) ? 1 : 0;
  logFont.lfUnderline = (fontStyle & kUnderline) ? 1 : 0;
  m_font.DeleteObject();
  return m_font.CreateFontIndirect(&logFont);
}

void CSplashScreenEx::SetTextDefaultFont() {
  CFont stock;
  stock.CreateStockObject(DEFAULT_GUI_FONT);
  LOGFONT logFont;
  stock.GetLogFont(&logFont);
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&logFont);
}

void CSplashScreenEx::RedrawNow() {
  if (!GetSafeHwnd()) return;
  Invalidate(TRUE);
  UpdateWindow();
}

void CSplashScreenEx::SetTextColor(COLORREF color) {
  m_textColor = color;
  RedrawNow();
}

void CSplashScreenEx::SetTextRect(const CRect& rect) {
  m_textRect = rect;
  RedrawNow();
}

void CSplashScreenEx::SetText(const std::string& text) {
  m_text = text;
  RedrawNow();
}

// ---------------------------------------------------------------- showing and hiding

void CSplashScreenEx::Show() {
  if (!GetSafeHwnd()) return;
  if (m_region.GetSafeHandle()) SetWindowRgn(m_region, FALSE);  // the bitmap may have come before the window
  SetWindowPos(nullptr, m_x, m_y, m_bitmapWidth, m_bitmapHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  if ((m_style & kFadeIn) && WindowOpacitySupported()) {
    SetWindowAlpha(this, 0);
    ShowWindow(SW_SHOWNOACTIVATE);
    FadeWindow(this, 0, 255, kFadeInMs);
  } else {
    ShowWindow(SW_SHOWNOACTIVATE);
  }
  if (m_displayTimeMs != 0) SetTimer(kDisplayTimer, m_displayTimeMs);
}

void CSplashScreenEx::Hide() {
  if (m_hiding || !GetSafeHwnd()) return;
  m_hiding = true;
  KillTimer(kDisplayTimer);
  if ((m_style & kFadeOut) && WindowOpacitySupported()) {
    // The fade runs on; the window (and with it this object) goes at its end.
    const HWND self = GetSafeHwnd();
    FadeWindow(this, 255, 0, kFadeOutMs, [self] {
      if (CWnd* window = FromHandle(self)) {
        window->ShowWindow(SW_HIDE);
        window->DestroyWindow();
      }
    });
    return;
  }
  ShowWindow(SW_HIDE);
  DestroyWindow();
}

void CSplashScreenEx::PostNcDestroy() { delete this; }

// ---------------------------------------------------------------- messages

BOOL CSplashScreenEx::PreTranslateMessage(UINT message, WPARAM, LPARAM) {
  if (!(m_style & kHideOnClick)) return FALSE;
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN && !IsButtonDown(message)) return FALSE;
  Hide();
  return TRUE;
}

LRESULT CSplashScreenEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Buttons reach the window itself; keys came through PreTranslateMessage already.
  if (IsButtonDown(message) && PreTranslateMessage(message, wParam, lParam)) return 0;  // this object may be gone
  if (message == kPrintClientMessage) {
    if (auto* dc = reinterpret_cast<CDC*>(wParam)) DrawSplash(dc);
    return 1;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CSplashScreenEx::OnPaint() {
  CPaintDC dc(this);
  DrawSplash(&dc);
}

BOOL CSplashScreenEx::OnEraseBkgnd(CDC*) { return TRUE; }

void CSplashScreenEx::OnTimer(UINT_PTR id) {
  if (id != kDisplayTimer) {
    CWnd::OnTimer(id);
    return;
  }
  Hide();
}

void CSplashScreenEx::DrawSplash(CDC* dc) {
  if (m_bitmap.GetSafeHandle()) {
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* old = memory.SelectObject(&m_bitmap);
    dc->BitBlt(0, 0, m_bitmapWidth, m_bitmapHeight, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
  }
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  const COLORREF oldColor = dc->SetTextColor(m_textColor);
  CFont* oldFont = dc->SelectObject(&m_font);
  CRect textRect = m_textRect;
  dc->DrawText(m_text, &textRect, m_textFormat);
  dc->SelectObject(oldFont);
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
}
