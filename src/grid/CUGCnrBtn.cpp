#include "grid/CUGCnrBtn.h"

#include <algorithm>
#include <string>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/UGCellTips.h"
#include "grid/UGHelp.h"
#include "platform/ui/CPaintDC.h"

namespace {
constexpr int kEdgeZone = 4;  // the edges hit strictly within this many pixels
// The corner's one tool, shared by every grid of the process.
UGCellTips g_cornerTips;
}  // namespace

CUGCnrBtn::~CUGCnrBtn() = default;

void CUGCnrBtn::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  CUGGrid::PaintPendingNow(this);
}

BOOL CUGCnrBtn::OnEraseBkgnd(CDC*) { return TRUE; }

void CUGCnrBtn::OnPaint() {
  CPaintDC dc(this);
  if (!m_GI || !m_ctrl || !m_GI->m_paintMode) return;
  m_ctrl->OnPaintDCSetup(&dc, nullptr, CUGCtrl::kSectionTopHeading);
  CUGCell cell;
  m_ctrl->FetchCell(-1, -1, &cell);
  RECT client{};
  GetClientRect(&client);
  const int saved = dc.SaveDC();
  if (m_GI->m_defFont) dc.SelectObject(m_GI->m_defFont);
  m_ctrl->CellTypeOf(&cell)->OnDraw(&dc, &client, -1, -1, &cell, 0, 0);
  dc.RestoreDC(saved);
}

void CUGCnrBtn::OnMouseMove(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_dragging) {
    if (m_vertical) {
      int height = std::max(0, static_cast<int>(point.y));
      m_ctrl->OnTopHdgSizing(&height);
      m_ctrl->SetTopHeadingHeight(std::max(0, height));
    } else {
      int width = std::max(0, static_cast<int>(point.x));
      m_ctrl->OnSideHdgSizing(&width);
      m_ctrl->SetSideHeadingWidth(std::max(0, width));
    }
    m_ctrl->AdjustComponentSizes();
    return;
  }
  if (flags & (MK_LBUTTON | MK_RBUTTON)) return;
  RECT client{};
  GetClientRect(&client);
  m_armed = m_vertical = m_horizontal = 0;
  if (m_GI->m_userSizingMode <= 0) return;
  if (std::abs(client.right - point.x) < kEdgeZone && m_ctrl->OnCanSizeSideHdg()) {
    m_armed = m_horizontal = 1;
  } else if (std::abs(client.bottom - point.y) < kEdgeZone && m_ctrl->OnCanSizeTopHdg()) {
    m_armed = m_vertical = 1;
  }
}

BOOL CUGCnrBtn::OnSetCursor(CWnd*, UINT, UINT) {
  if (!m_GI) return TRUE;
  if (!m_armed)
    SetCursor(m_GI->m_arrowCursor);
  else
    SetCursor(m_horizontal ? m_GI->m_WEResizeCursor : m_GI->m_NSResizeCursor);
  return TRUE;
}

void CUGCnrBtn::OnLButtonDown(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  POINT at = point;
  if (m_armed) {
    m_dragging = 1;
    SetCapture();
  }
  m_ctrl->OnCornerLClicked(1, &m_GI->m_cnrBtnRect, &at, m_dragging);
}

void CUGCnrBtn::OnLButtonUp(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  POINT at = point;
  const int wasDragging = m_dragging;
  if (m_dragging) {
    ReleaseCapture();
    m_dragging = 0;
    if (m_vertical)
      m_ctrl->OnTopHdgSized(&m_GI->m_topHdgHeight);
    else
      m_ctrl->OnSideHdgSized(&m_GI->m_sideHdgWidth);
    m_ctrl->AdjustComponentSizes();
  }
  m_ctrl->OnCornerLClicked(0, &m_GI->m_cnrBtnRect, &at, wasDragging);
}

void CUGCnrBtn::OnLButtonDblClk(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  POINT at = point;
  m_ctrl->OnCornerDClicked(&m_GI->m_cnrBtnRect, &at, FALSE);
}

void CUGCnrBtn::OnRButtonDown(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  POINT at = point;
  m_ctrl->OnCornerRClicked(1, &m_GI->m_cnrBtnRect, &at, FALSE);
  if (m_GI->m_enablePopupMenu) {
    ClientToScreen(&at);
    m_ctrl->StartPopupMenu(-1, -1, &at, CUGCtrl::kSectionCornerButton);
  }
}

void CUGCnrBtn::OnRButtonUp(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  POINT at = point;
  m_ctrl->OnCornerRClicked(0, &m_GI->m_cnrBtnRect, &at, FALSE);
}

INT_PTR CUGCnrBtn::OnToolHitTest(CPoint, TOOLINFO* info) const { return g_cornerTips.HitTest(this, -1, -1, info); }

BOOL CUGCnrBtn::OnToolTipText(TOOLTIPTEXT* tip) { return g_cornerTips.Text(m_ctrl, CUGCtrl::kSectionCornerButton, tip); }

LRESULT CUGCnrBtn::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HELP || message == WM_HELPHITTEST)
    return UGWindowHelp(this, m_ctrl, CUGCtrl::kSectionCornerButton, message, lParam, [](POINT, int*, long*) {});
  return CWnd::WindowProc(message, wParam, lParam);
}
