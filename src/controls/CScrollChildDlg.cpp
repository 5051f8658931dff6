#include "controls/CScrollChildDlg.h"

#include <algorithm>

CScrollChildDlg::CScrollChildDlg(CWnd* parent, UINT placeholderId, UINT templateId) : CDialog(templateId, parent) {
  m_dragEnabled = false;
  m_dragging = false;
  m_takeFullAreaFromWindow = true;
  if (!Create(templateId, parent)) return;
  if (CWnd* placeholder = parent ? parent->GetDlgItem(placeholderId) : nullptr) {
    CRect rect;
    placeholder->GetWindowRect(&rect);
    parent->ScreenToClient(&rect);
    MoveWindow(rect, TRUE);
  }
}

BOOL CScrollChildDlg::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  m_openHand = LoadStandardCursor(IDC_HAND);
  m_grabbing = LoadStandardCursor(IDC_SIZEALL);
  m_scrollPos = 0;
  if (m_takeFullAreaFromWindow) {
    GetWindowRect(&m_fullWindowRect);
    GetClientRect(&m_fullClientRect);
  }
  return result;
}

void CScrollChildDlg::SetFullRect(int left, int top, int right, int bottom) {
  m_fullClientRect = CRect(left, top, right, bottom);
  m_takeFullAreaFromWindow = false;
  if (GetSafeHwnd()) {
    CRect client;
    GetClientRect(&client);
    UpdateScrollBar(client.Height());
  }
}

void CScrollChildDlg::UpdateScrollBar(int visibleHeight) {
  m_visibleHeight = visibleHeight;
  SCROLLINFO info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = m_fullClientRect.Height();
  info.nPage = static_cast<UINT>(std::max(0, m_visibleHeight));
  info.nPos = 0;
  SetScrollInfo(SB_VERT, &info, TRUE);
  // The bar shows the stored position again so the next action continues from there.
  SetScrollPos(SB_VERT, m_scrollPos, TRUE);
}

void CScrollChildDlg::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (!GetSafeHwnd()) return;
  CRect client;
  GetClientRect(&client);
  // Content may have come into view below: keep the position within the new range.
  const int range = std::max(0, m_fullClientRect.Height() - client.Height());
  if (m_scrollPos > range) {
    ScrollWindow(0, m_scrollPos - range);
    m_scrollPos = range;
  }
  UpdateScrollBar(client.Height());
}

void CScrollChildDlg::ScrollTo(int position) {
  const int change = position - m_scrollPos;
  if (change == 0) return;
  m_scrollPos = position;
  SetScrollPos(SB_VERT, m_scrollPos, TRUE);
  ScrollWindow(0, -change);
}

void CScrollChildDlg::ScrollIntoView(int top, int bottom) {
  int position = m_scrollPos;
  if (bottom > position + m_visibleHeight) position = bottom - m_visibleHeight;
  if (top < position) position = top;
  ScrollTo(std::clamp(position, 0, std::max(0, ScrollRangeSize())));
}

void CScrollChildDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar) {
  const int range = ScrollRangeSize();
  const int line = std::max(5, range / 20);
  const int page = std::max(5, range / 10);
  int next = m_scrollPos;
  switch (code) {
    case SB_LINEUP:
    case SB_PAGEUP: {
      if (m_scrollPos <= 0) break;
      next = m_scrollPos - std::min(code == SB_LINEUP ? line : page, m_scrollPos);
      break;
    }
    case SB_LINEDOWN:
    case SB_PAGEDOWN: {
      if (m_scrollPos >= range) break;
      next = m_scrollPos + std::min(code == SB_LINEDOWN ? line : page, range - m_scrollPos);
      break;
    }
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = static_cast<int>(pos); break;
    default: return;  // other codes are not even passed on
  }
  ScrollTo(next);
  CDialog::OnVScroll(code, pos, bar);
}

BOOL CScrollChildDlg::OnMouseWheel(UINT flags, short delta, CPoint point) {
  OnVScroll(delta >= 0 ? SB_LINEUP : SB_LINEDOWN, 0, nullptr);
  return CDialog::OnMouseWheel(flags, delta, point);
}

void CScrollChildDlg::OnLButtonDown(UINT flags, CPoint point) {
  if (m_dragEnabled) {
    SetCapture();
    m_dragging = true;
    m_lastMouse = point;
    ::SetCursor(m_grabbing);
  }
  CDialog::OnLButtonDown(flags, point);
}

void CScrollChildDlg::OnMouseMove(UINT flags, CPoint point) {
  if (m_dragEnabled && m_dragging) {
    const int moved = m_lastMouse.y - point.y;
    m_lastMouse = point;
    ScrollTo(std::clamp(m_scrollPos + moved, 0, std::max(0, ScrollRangeSize())));
  }
  CDialog::OnMouseMove(flags, point);
}

void CScrollChildDlg::EndDrag() {
  if (!m_dragging) return;
  m_dragging = false;
  ReleaseCapture();
  ::SetCursor(m_openHand);
}

void CScrollChildDlg::OnLButtonUp(UINT flags, CPoint point) {
  EndDrag();
  CDialog::OnLButtonUp(flags, point);
}

void CScrollChildDlg::OnKillFocus(CWnd* newWnd) {
  EndDrag();
  CDialog::OnKillFocus(newWnd);
}

BOOL CScrollChildDlg::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (m_dragEnabled && hitTest == HTCLIENT) {
    ::SetCursor(m_dragging ? m_grabbing : m_openHand);
    return TRUE;
  }
  return CDialog::OnSetCursor(wnd, hitTest, message);
}
