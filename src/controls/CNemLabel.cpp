#include "controls/CNemLabel.h"

#include <QEvent>

#include "platform/ui/CPaintDC.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr std::size_t kMaxFaceName = 32;

}  // namespace

CNemLabel::CNemLabel()
    : m_textColor(GetSysColor(COLOR_WINDOWTEXT)),
      m_bkColor(GetSysColor(COLOR_BTNFACE)),
      m_gradientEnd(GetSysColor(COLOR_BTNFACE)),
      m_blinkColor(GetSysColor(COLOR_3DLIGHT)),
      m_normalColor(GetSysColor(COLOR_WINDOWTEXT)) {
  CFont stock;
  if (stock.Attach(GetStockObject(DEFAULT_GUI_FONT))) stock.GetLogFont(&m_logFont);
  stock.Detach();
}

CNemLabel::~CNemLabel() = default;

int CNemLabel::OnCreate(LPCREATESTRUCT cs) {
  const int result = CStatic::OnCreate(cs);
  if (result != -1) PreSubclassWindow();
  return result;
}

void CNemLabel::PreSubclassWindow() {
  // Once per window: a dialog calls this again after creating its bound controls.
  if (m_subclassed == GetSafeHwnd()) return;
  m_subclassed = GetSafeHwnd();
  m_text = GetWindowText();
  if (CFont* windowFont = GetFont()) windowFont->GetLogFont(&m_logFont);
  ApplyFont();
}

LRESULT CNemLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The tooltip is made on the first message and sees every one; no tool is
  // ever registered with it, so it never shows.
  if (!m_toolTipMade && GetSafeHwnd()) {
    m_toolTipMade = true;
    m_toolTip.Create(this);
    m_toolTip.Activate(TRUE);
    m_toolTip.SetMaxTipWidth(400);
  }
  if (m_toolTipMade) m_toolTip.RelayEvent(nullptr);
  return CStatic::WindowProc(message, wParam, lParam);
}

bool CNemLabel::PreTranslateQtEvent(QEvent* event) {
  // The paint covers everything; the control colours' background fill would
  // hide a transparent label's parent.
  if (event->type() == QEvent::Paint) return false;
  return CStatic::PreTranslateQtEvent(event);
}

// ---------------------------------------------------------------- setters

CNemLabel& CNemLabel::SetText(const std::string& text) {
  if (text != m_text) {
    m_text = text;
    Redraw();
  }
  return *this;
}

CNemLabel& CNemLabel::SetTextColor(COLORREF color) {
  m_textColor = m_normalColor = color;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetBkColor(COLORREF color) {
  m_bkColor = color;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetGradientColor(COLORREF color) {
  m_gradientEnd = color;
  m_gradient = true;
  m_transparent = false;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetGradientVertical(bool vertical) {
  m_gradientVertical = vertical;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetTransparent(bool transparent) {
  m_transparent = transparent;
  if (transparent) m_gradient = false;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetBlinkColor(COLORREF color) {
  m_blinkColor = color;
  Redraw();
  return *this;
}

CNemLabel& CNemLabel::SetFontBold(bool bold) {
  m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  ApplyFont();
  return *this;
}

LONG CNemLabel::HeightForPoints(int points) {
  // Rounded as the platform's MulDiv does.
  return -static_cast<LONG>((points * kLogicalDpi + 36) / 72);
}

int CNemLabel::AutoSizePoints() const {
  CRect client;
  GetClientRect(&client);
  return client.Height() * 3 / 4;
}

CNemLabel& CNemLabel::SetFontSize(int points) {
  m_autoSize = points == -1;
  if (m_autoSize) points = AutoSizePoints();
  if (points == m_fontSize || points == 0) return *this;
  m_fontSize = points;
  m_logFont.lfHeight = HeightForPoints(points);
  ApplyFont();
  return *this;
}

CNemLabel& CNemLabel::SetFontFace(int points, bool bold, bool italic, const std::string& faceName) {
  m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  m_logFont.lfItalic = italic ? 1 : 0;
  m_logFont.lfCharSet = DEFAULT_CHARSET;
  m_logFont.lfFaceName = faceName.substr(0, kMaxFaceName);
  m_autoSize = points == -1;
  if (m_autoSize) points = AutoSizePoints();
  if (points != 0) {
    m_fontSize = points;
    m_logFont.lfHeight = HeightForPoints(points);
  }
  ApplyFont();
  return *this;
}

CNemLabel& CNemLabel::SetLogFont(const LOGFONT& logFont) {
  m_logFont = logFont;
  ApplyFont();
  return *this;
}

void CNemLabel::ApplyFont() {
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&m_logFont);
  if (GetSafeHwnd()) SetFont(&m_font, TRUE);
  Redraw();
}

CNemLabel& CNemLabel::SetBlink(bool on, UINT periodMs, int count) {
  if (on) {
    m_blinkRemaining = count < 1 ? -1 : 2 * count;
    m_blinkTimer = SetTimer(kBlinkTimer, periodMs) != 0 ? kBlinkTimer : 0;
  } else {
    if (m_blinkTimer != 0) KillTimer(m_blinkTimer);
    m_blinkTimer = 0;
    m_textColor = m_normalColor;
    Redraw();
  }
  return *this;
}

// ---------------------------------------------------------------- messages

void CNemLabel::OnTimer(UINT_PTR id) {
  if (id != kBlinkTimer) {
    CStatic::OnTimer(id);
    return;
  }
  if (m_blinkRemaining == 0) {
    SetBlink(false);
    return;
  }
  if (m_blinkRemaining > 0) --m_blinkRemaining;
  m_textColor = m_textColor == m_normalColor ? m_blinkColor : m_normalColor;
  Redraw();
}

void CNemLabel::OnSize(UINT type, int cx, int cy) {
  CStatic::OnSize(type, cx, cy);
  if (m_autoSize) SetFontSize(-1);
}

void CNemLabel::OnEnable(BOOL enable) {
  CStatic::OnEnable(enable);
  Redraw();
}

void CNemLabel::OnDestroy() {
  m_blinkTimer = 0;  // the window's timers go with it
  m_toolTipMade = false;
  CStatic::OnDestroy();
}

BOOL CNemLabel::OnEraseBkgnd(CDC*) { return TRUE; }

void CNemLabel::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  DrawLabel(&dc, client);
}

void CNemLabel::DrawLabel(CDC* dc, const CRect& client) {
  if (m_gradient) dc->GradientFillRect(&client, m_bkColor, m_gradientEnd, m_gradientVertical);
  else if (!m_transparent) dc->FillSolidRect(&client, m_bkColor);
  // The alignment is the style's, read at each paint.
  const DWORD type = GetStyle() & SS_TYPEMASK;
  CRect textRect = client;
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (type == SS_CENTER) {
    format |= DT_CENTER;
  } else if (type == SS_RIGHT) {
    format |= DT_RIGHT;
    textRect.right -= kTextMargin;
  } else {
    textRect.left += kTextMargin;
  }
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(m_textColor);
  CFont* old = dc->SelectObject(&m_font);
  dc->DrawText(m_text, &textRect, format);
  dc->SelectObject(old);
}

void CNemLabel::Redraw() {
  if (!GetSafeHwnd()) return;
  CWnd* parent = GetParent();
  if (m_transparent && parent && parent->GetSafeHwnd()) {
    // The parent's background shows through, so the parent repaints under the label.
    CRect rect;
    GetWindowRect(&rect);
    parent->ScreenToClient(&rect);
    parent->InvalidateRect(&rect, TRUE);
  }
  Invalidate(FALSE);
}
