#include "grid/CUGHeadingWnd.h"

#include <algorithm>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/UGHelp.h"
#include "platform/ui/CDC.h"

CUGHeadingWnd::CUGHeadingWnd(int section) : m_section(section) {}

CUGHeadingWnd::~CUGHeadingWnd() = default;

void CUGHeadingWnd::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  CUGGrid::PaintPendingNow(this);
}

// ---------------------------------------------------------------- cells

bool CUGHeadingWnd::JoinExtent(int* col, long* row, int* endCol, long* endRow) const {
  if (m_ctrl->GetJoinRange(col, row, endCol, endRow) != 0) return false;
  // A join never reaches back past its origin.
  *endCol = std::max(*endCol, *col);
  *endRow = std::max(*endRow, *row);
  return true;
}

// ---------------------------------------------------------------- painting

BOOL CUGHeadingWnd::OnEraseBkgnd(CDC*) { return TRUE; }

int CUGHeadingWnd::DrawnCurrent(int) const { return 0; }

void CUGHeadingWnd::PaintCell(CDC* dc, int col, long row, RECT rect) {
  if (!m_paintList.Contains(col, row)) return;
  int drawCol = col;
  long drawRow = row;
  m_ctrl->FetchCell(col, row, &m_cell);
  if (m_GI->m_enableJoins && m_cell.IsPropertySet(CUGCell::kPropJoin)) {
    BOOL origin = FALSE;
    int colOffset = 0;
    long rowOffset = 0;
    m_cell.GetJoinInfo(&origin, &colOffset, &rowOffset);
    if (!origin) drawCol += colOffset, drawRow += rowOffset;
    if (m_paintList.WasDrawn(drawCol, drawRow)) return;
    m_paintList.MarkDrawn(drawCol, drawRow);
    CellRect(drawCol, drawRow, &rect);
    if (!origin) m_ctrl->FetchCell(drawCol, drawRow, &m_cell);
  }
  const int current = DrawnCurrent(drawCol);
  const int saved = dc->SaveDC();
  m_ctrl->CellTypeOf(&m_cell)->OnDraw(dc, &rect, drawCol, drawRow, &m_cell, 0, current);
  dc->RestoreDC(saved);
}

// ---------------------------------------------------------------- borders

BOOL CUGHeadingWnd::OnSetCursor(CWnd*, UINT, UINT) {
  if (!m_GI) return TRUE;
  if (!m_armed)
    SetCursor(m_GI->m_arrowCursor);
  else
    SetCursor(m_sizingKind == 0 ? m_GI->m_WEResizeCursor : m_GI->m_NSResizeCursor);
  return TRUE;
}

void CUGHeadingWnd::StartSizing(CPoint point, int startSize, int startHeadingSize) {
  if (CWnd::GetFocus() != m_ctrl->m_CUGGrid.get()) m_ctrl->m_CUGGrid->SetFocus();
  m_dragging = 1;
  SetCapture();
  m_startPos = m_sizingKind == 0 ? point.x : point.y;
  m_startSize = startSize;
  m_startHeadingSize = startHeadingSize;
}

// ---------------------------------------------------------------- mouse

bool CUGHeadingWnd::CallClickHooks(CPoint point, int kind, int upDown, int* colOut, long* rowOut) {
  int col = -1;
  long row = -1;
  RECT rect{};
  if (!CellFromPoint(point.x, point.y, &col, &row, &rect)) return false;
  POINT at = point;
  CUGCellType* type = m_ctrl->CellTypeOf(col, row);
  // The control has a set of click notifications per heading.
  using Clicked = void (CUGCtrl::*)(int, long, int, RECT*, POINT*, BOOL);
  using DClicked = void (CUGCtrl::*)(int, long, RECT*, POINT*, BOOL);
  const bool top = m_section == CUGCtrl::kSectionTopHeading;
  const Clicked lClicked = top ? &CUGCtrl::OnTopHdgLClicked : &CUGCtrl::OnSideHdgLClicked;
  const Clicked rClicked = top ? &CUGCtrl::OnTopHdgRClicked : &CUGCtrl::OnSideHdgRClicked;
  const DClicked dClicked = top ? &CUGCtrl::OnTopHdgDClicked : &CUGCtrl::OnSideHdgDClicked;
  if (kind == kLeftClick)
    (m_ctrl->*lClicked)(col, row, upDown, &rect, &at, type->OnLClicked(col, row, upDown, &rect, &at));
  else if (kind == kRightClick)
    (m_ctrl->*rClicked)(col, row, upDown, &rect, &at, type->OnRClicked(col, row, 0, &rect, &at));
  else
    (m_ctrl->*dClicked)(col, row, &rect, &at, type->OnDClicked(col, row, &rect, &at));
  if (colOut) *colOut = col;
  if (rowOut) *rowOut = row;
  return true;
}

void CUGHeadingWnd::OnRButtonDown(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  m_ctrl->m_CUGGrid->SetFocus();
  int col = -1;
  long row = -1;
  if (!CallClickHooks(point, kRightClick, 1, &col, &row) || !m_GI->m_enablePopupMenu) return;
  POINT at = point;
  ClientToScreen(&at);
  m_ctrl->StartPopupMenu(col, row, &at, m_section);
}

void CUGHeadingWnd::OnRButtonUp(UINT, CPoint point) {
  if (m_ctrl && m_GI) CallClickHooks(point, kRightClick, 0);
}

// ---------------------------------------------------------------- tips and help

INT_PTR CUGHeadingWnd::OnToolHitTest(CPoint point, TOOLINFO* info) const {
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  return m_tips.HitTest(this, col, row, info);
}

BOOL CUGHeadingWnd::OnToolTipText(TOOLTIPTEXT* tip) { return m_tips.Text(m_ctrl, m_section, tip); }

LRESULT CUGHeadingWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_HELP || message == WM_HELPHITTEST) && m_GI) {
    return UGWindowHelp(this, m_ctrl, m_section, message, lParam, [this](POINT at, int* col, long* row) {
      RECT rect{};
      CellFromPoint(at.x, at.y, col, row, &rect);
    });
  }
  return CWnd::WindowProc(message, wParam, lParam);
}
