#include "grid/CUGHint.h"

#include <QWidget>
#include <algorithm>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/SystemMetrics.h"

CUGHint::~CUGHint() = default;

int CUGHint::Create(CUGCtrl* owner, HBRUSH background) {
  m_ctrl = owner;
  if (GetSafeHwnd()) return 1;
  if (!owner || !owner->GetSafeHwnd()) return 0;
  m_background = background ? background : GetSysColorBrush(COLOR_INFOBK);
  // A pop-up owned by the control: Qt makes the control's top-level window
  // its transient parent, and the control's destruction takes it along.
  if (!CreateEx(WS_EX_TOPMOST, "HintWnd", "", WS_POPUP | WS_BORDER, CRect(0, 0, 0, 0), owner, 0)) return 0;
  m_textColor = 0;
  m_backColor = kDefaultBackColor;
  m_placement = 1;
  m_font = nullptr;
  m_lineHeight = MeasureText("X").cy;
  return 1;
}

QWidget* CUGHint::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  auto* widget = new QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint);
  widget->setAttribute(Qt::WA_ShowWithoutActivating);
  widget->setAttribute(Qt::WA_TransparentForMouseEvents);
  return widget;
}

int CUGHint::SetText(const std::string& text, int redraw) {
  m_text = text;
  if (redraw && GetSafeHwnd()) Invalidate();
  return 0;
}

int CUGHint::SetPlacement(int flags) {
  m_placement = flags;
  return 0;
}

void CUGHint::Show() {
  if (GetSafeHwnd() && !IsWindowVisible()) ShowWindow(SW_SHOWNOACTIVATE);
}

void CUGHint::Hide() {
  if (GetSafeHwnd()) ShowWindow(SW_HIDE);
}

CSize CUGHint::MeasureText(const std::string& text) {
  if (!GetSafeHwnd()) return CSize(0, 0);
  CDC* dc = GetDC();
  CFont* font = m_font ? m_font : GetFont();
  CFont* previous = font ? dc->SelectObject(font) : nullptr;
  const CSize size = dc->GetTextExtent(text);
  if (font) dc->SelectObject(previous);
  ReleaseDC(dc);
  return size;
}

void CUGHint::MoveTo(int x, int y, int minWidth) {
  if (!GetSafeHwnd() || !m_ctrl) return;
  const int width = std::max(static_cast<int>(MeasureText(m_text).cx) + 4, minWidth);
  const int height = m_lineHeight;
  int left = x;
  if (m_placement & kCentreOnX) left = x - width / 2;
  else if (m_placement & kRightAtX) left = x - width;
  int top = y;
  if (m_placement & kCentreOnY) top = y - height / 2;
  else if (m_placement & kBottomAtY) top = y - height;

  // Inside the control; a hint wider than the control keeps its start visible.
  RECT client{};
  m_ctrl->GetClientRect(&client);
  if (left + width > client.right) left = client.right - width;
  if (left < 0) left = 0;
  if (top + height > client.bottom) top = client.bottom - height;
  if (top < 0) top = 0;

  POINT origin{left, top};
  m_ctrl->ClientToScreen(&origin);
  ShowWindow(SW_HIDE);
  MoveWindow(origin.x, origin.y, width, height, FALSE);
  ShowWindow(SW_SHOWNOACTIVATE);
  UpdateWindow();
}

BOOL CUGHint::OnEraseBkgnd(CDC* dc) {
  RECT client{};
  GetClientRect(&client);
  dc->FillRect(&client, m_background);
  return TRUE;
}

void CUGHint::OnPaint() {
  CPaintDC dc(this);
  if (!m_ctrl || !m_ctrl->m_GI || !m_ctrl->m_GI->m_paintMode) return;
  CFont* previous = m_font ? dc.SelectObject(m_font) : nullptr;
  RECT client{};
  GetClientRect(&client);
  dc.SetTextColor(m_textColor);
  dc.SetBkColor(m_backColor);
  dc.SetBkMode(OPAQUE);
  dc.DrawText(m_text, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  // The thin border of a WS_BORDER window.
  CBrush frame(m_textColor);
  dc.FrameRect(&client, &frame);
  if (m_font) dc.SelectObject(previous);
}
