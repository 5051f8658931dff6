#include "grid/CUGTab.h"

#include <algorithm>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/UGHelp.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/CPen.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/SystemMetrics.h"

namespace {
// Room a tab gives its label: 10 pixels in on the left, as much on the right.
constexpr int kLabelInset = 10;
// The visible margins kept around a tab scrolled into view (the right one
// leaves room for the start of the next tab).
constexpr int kLeftMargin = 5;
constexpr int kRightMargin = 19;
// Added to the largest offset so the last tab can be scrolled clear of the edge.
constexpr int kEndRoom = 20;
}  // namespace

CUGTab::CUGTab() : m_scrollWidth(2 * GetSystemMetrics(SM_CXHSCROLL)) {
  m_defFont.CreateFont(14, 0, 0, 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  m_font = &m_defFont;
}

CUGTab::~CUGTab() = default;

void CUGTab::SetStripWidth(int width) {
  if (!m_GI || !m_ctrl) return;
  m_GI->m_tabWidth = std::max(width, kMinWidth);
  m_ctrl->m_tabSizing = 1;
  m_ctrl->AdjustComponentSizes();
  m_ctrl->m_tabSizing = 0;
}

void CUGTab::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}

int CUGTab::AddTab(const std::string& label, long id) {
  if (GetTabCount() >= kMaxTabs) return 1;
  CDC dc;
  CFont* previous = dc.SelectObject(m_font);
  Tab tab;
  tab.label = label;
  tab.width = static_cast<int>(dc.GetTextExtent(label).cx) + 2 * kLabelInset;
  dc.SelectObject(previous);
  tab.id = id;
  tab.textColor = GetSysColor(COLOR_BTNTEXT);
  tab.backColor = GetSysColor(COLOR_BTNFACE);
  tab.currentTextColor = GetSysColor(COLOR_WINDOWTEXT);
  tab.currentBackColor = GetSysColor(COLOR_WINDOW);
  m_tabs.push_back(tab);
  AdjustScrollRange();
  if (GetSafeHwnd()) Invalidate();
  return 0;
}

int CUGTab::AdjustScrollRange() {
  if (m_tabs.empty()) return 1;
  RECT client{};
  GetClientRect(&client);
  int largest = m_scrollWidth - (client.right - client.left);
  for (const Tab& tab : m_tabs) largest += tab.width;
  m_maxTabOffset = largest >= 1 ? largest + kEndRoom : 0;
  return 0;
}

int CUGTab::TabLeft(int index) const {
  int left = m_scrollWidth - m_tabOffset;
  for (int i = 0; i < index && i < GetTabCount(); ++i) left += m_tabs[i].width;
  return left;
}

int CUGTab::TabAt(int x) const {
  int left = m_scrollWidth - m_tabOffset;
  for (int i = 0; i < GetTabCount(); ++i) {
    const int right = left + m_tabs[i].width;
    if (x >= left && x <= right + kClickSlack) return i;
    left = right;
  }
  return -1;
}

// ---------------------------------------------------------------- messages

int CUGTab::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  RECT client{};
  GetClientRect(&client);
  m_scroll.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, m_scrollWidth, client.bottom), this, kIdArrows);
  // Only the arrows matter: the thumb sits in the middle so neither end looks spent.
  m_scroll.SetScrollRange(0, 2);
  m_scroll.SetScrollPos(1);
  return 0;
}

void CUGTab::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  RECT client{};
  GetClientRect(&client);
  if (m_scroll.GetSafeHwnd()) {
    m_scroll.MoveWindow(client.left, client.top + 1, m_scrollWidth, client.bottom - (client.top + 1));
  }
  AdjustScrollRange();
}

void CUGTab::OnHScroll(UINT code, UINT position, CWnd* scrollBar) {
  if (code == SB_LINELEFT && m_tabOffset >= 1) {
    // Never past the first tab: a negative offset would draw it over the arrows' gap.
    m_tabOffset = std::max(m_tabOffset - kArrowStep, 0);
  } else if (code == SB_LINERIGHT && m_tabOffset < m_maxTabOffset - kArrowStep) {
    m_tabOffset += kArrowStep;
  }
  Invalidate();
  CWnd::OnHScroll(code, position, scrollBar);
}

BOOL CUGTab::OnEraseBkgnd(CDC*) { return TRUE; }

void CUGTab::OnPaint() {
  CPaintDC dc(this);
  if (!m_GI || !m_GI->m_paintMode) return;
  RECT client{};
  GetClientRect(&client);
  dc.FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  CFont* previousFont = dc.SelectObject(m_font);
  CPen* previousPen = dc.GetCurrentPen();
  CBrush* previousBrush = dc.GetCurrentBrush();
  dc.SetBkMode(TRANSPARENT);
  // The current tab is drawn last so that it lies over its neighbours.
  for (int i = 0; i < GetTabCount(); ++i) {
    if (i != m_currentTab) DrawTab(dc, i, TabLeft(i), client.bottom, false);
  }
  if (m_currentTab >= 0 && m_currentTab < GetTabCount()) {
    DrawTab(dc, m_currentTab, TabLeft(m_currentTab), client.bottom, true);
  }

  CPen white(PS_SOLID, 1, RGB(255, 255, 255));
  CPen black(PS_SOLID, 1, RGB(0, 0, 0));
  CPen face(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  CPen shadow(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  const int right = client.right - 1;
  const int bottom = client.bottom - 1;
  dc.SelectObject(&white);
  dc.MoveTo(0, bottom);
  dc.LineTo(0, 0);
  dc.LineTo(right, 0);
  dc.SelectObject(&black);
  dc.LineTo(right, bottom);
  dc.LineTo(0, bottom);
  dc.SelectObject(&face);
  dc.MoveTo(1, bottom - 1);
  dc.LineTo(1, 1);
  dc.LineTo(right - 1, 1);
  dc.SelectObject(&shadow);
  dc.LineTo(right - 1, bottom - 1);
  dc.LineTo(1, bottom - 1);

  dc.SelectObject(previousPen);
  dc.SelectObject(previousBrush);
  dc.SelectObject(previousFont);
}

void CUGTab::DrawTab(CDC& dc, int index, int left, int height, bool current) {
  const Tab& tab = m_tabs[index];
  const int right = left + tab.width;
  // Wider at the top by the slant, so each tab's top right corner lies over the next tab.
  const POINT corners[4] = {{left, 0}, {right + kSlant, 0}, {right, height - 1}, {left + kSlant, height - 1}};
  CBrush fill(current ? tab.currentBackColor : tab.backColor);
  CPen outline(PS_SOLID, 1, RGB(0, 0, 0));
  dc.SelectObject(&fill);
  dc.SelectObject(&outline);
  dc.Polygon(corners, 4);
  dc.SetTextColor(current ? tab.currentTextColor : tab.textColor);
  dc.TextOut(left + kLabelInset, 1, tab.label);
}

void CUGTab::ScrollIntoView(int left, int right) {
  RECT client{};
  GetClientRect(&client);
  if (left - kLeftMargin < m_scrollWidth) {
    m_tabOffset = std::max(m_tabOffset - (m_scrollWidth - (left - kLeftMargin)), 0);
  }
  if (right + kRightMargin > client.right) {
    m_tabOffset = std::min(m_tabOffset + (right + kRightMargin - client.right), m_maxTabOffset);
  }
}

void CUGTab::OnLButtonDown(UINT, CPoint point) {
  if (m_resizeReady) {
    SetCapture();
    m_resizeInProgress = 1;
    return;
  }
  const int index = TabAt(point.x);
  if (index < 0) return;
  m_currentTab = index;
  const int left = TabLeft(index);
  ScrollIntoView(left, left + m_tabs[index].width);
  Invalidate();
  if (m_ctrl) m_ctrl->OnTabSelected(static_cast<int>(m_tabs[index].id));
}

void CUGTab::OnLButtonUp(UINT, CPoint) {
  if (GetCapture() == this) ReleaseCapture();
  m_resizeInProgress = 0;
}

void CUGTab::OnMouseMove(UINT, CPoint point) {
  if (m_resizeInProgress) {
    SetStripWidth(point.x);
    return;
  }
  RECT client{};
  GetClientRect(&client);
  m_resizeReady = point.x > client.right - kSizingZone ? 1 : 0;
}

BOOL CUGTab::OnSetCursor(CWnd*, UINT, UINT) {
  if (!m_GI) return FALSE;
  SetCursor(m_resizeReady ? m_GI->m_WEResizeCursor : m_GI->m_arrowCursor);
  return TRUE;
}

LRESULT CUGTab::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_HELP || message == WM_HELPHITTEST) && m_GI) {
    return UGWindowHelp(this, m_ctrl, CUGCtrl::kSectionTabStrip, message, lParam, [this](POINT, int* col, long* row) {
      *col = m_GI->m_currentCol;
      *row = m_GI->m_currentRow;
    });
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CUGTab::OnRButtonDown(UINT, CPoint point) {
  if (!m_GI || !m_ctrl || !m_GI->m_enablePopupMenu) return;
  const int index = TabAt(point.x);
  CPoint screen = point;
  ClientToScreen(&screen);
  m_ctrl->StartPopupMenu(index, 0, &screen, CUGCtrl::kSectionTabStrip);
}
