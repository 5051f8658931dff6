#include "grid/CUGTopHdg.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CPaintDC.h"

CUGTopHdg::CUGTopHdg() : CUGHeadingWnd(CUGCtrl::kSectionTopHeading) {}

CUGTopHdg::~CUGTopHdg() = default;

void CUGTopHdg::UpdateAfterMove() {
  if (m_GI && m_GI->m_leftCol != m_GI->m_lastLeftCol) Update();
}

int CUGTopHdg::HeadingRowHeight(long row) const {
  const long index = -row - 1;
  if (index < 0 || index >= m_GI->m_numberTopHdgRows || index >= static_cast<long>(m_GI->m_topHdgHeights.size()))
    return 0;
  return m_GI->m_topHdgHeights[static_cast<size_t>(index)];
}

void CUGTopHdg::FitToHeading() {
  const int count = m_GI->m_numberTopHdgRows;
  int others = 0;
  for (long row = -1; row > -count; --row) others += HeadingRowHeight(row);
  m_ctrl->SetTopHeadingRowHeight(-count, std::max(0, m_GI->m_topHdgHeight - others));
  Update();
}

// ---------------------------------------------------------------- cells

bool CUGTopHdg::CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const {
  *col = -1;
  *row = -1;
  if (!m_GI || !m_ctrl) return false;
  const std::vector<CUGGrid::Span> cols = m_ctrl->m_CUGGrid->VisibleColumns();
  const auto c = std::find_if(cols.begin(), cols.end(), [x](const CUGGrid::Span& s) { return x >= 0 && x < s.end; });
  int top = 0;
  long found = 0;
  for (long r = -m_GI->m_numberTopHdgRows; r < 0; ++r) {
    top += HeadingRowHeight(r);
    if (y >= 0 && y < top) {
      found = r;
      break;
    }
  }
  if (c == cols.end() || found == 0) return false;
  *col = static_cast<int>(c->index);
  *row = found;
  CellRect(*col, *row, rect);
  return true;
}

void CUGTopHdg::CellRect(int col, long row, RECT* rect) const {
  int endCol = col;
  long endRow = row;
  // A join reaching down into the cell area ends at the heading's bottom.
  if (JoinExtent(&col, &row, &endCol, &endRow)) endRow = std::min(-1L, endRow);
  const CUGGrid* area = m_ctrl->m_CUGGrid.get();
  rect->left = area->ColumnStart(col);
  rect->right = area->ColumnStart(endCol) + m_ctrl->ColWidth(endCol);
  int y = 0;
  for (long r = -m_GI->m_numberTopHdgRows; r < row; ++r) y += HeadingRowHeight(r);
  rect->top = y;
  for (long r = row; r <= endRow; ++r) y += HeadingRowHeight(r);
  rect->bottom = y;
}

// ---------------------------------------------------------------- painting

int CUGTopHdg::DrawnCurrent(int col) const { return m_insertCol >= 0 && col == m_dragCol ? 1 : 0; }

void CUGTopHdg::OnPaint() {
  CPaintDC dc(this);
  if (!m_GI || !m_ctrl || !m_GI->m_paintMode) return;
  const int count = m_GI->m_numberTopHdgRows;
  m_paintList.AddRange(0, -count, m_GI->m_numberCols, 0);
  m_ctrl->OnPaintDCSetup(&dc, nullptr, CUGCtrl::kSectionTopHeading);
  if (m_GI->m_defFont) dc.SelectObject(m_GI->m_defFont);
  const std::vector<CUGGrid::Span> cols = m_ctrl->m_CUGGrid->VisibleColumns();
  int y = 0;
  for (long row = -count; row < 0; ++row) {
    const int h = HeadingRowHeight(row);
    for (const CUGGrid::Span& span : cols)
      PaintCell(&dc, static_cast<int>(span.index), row, RECT{span.start, y, span.end, y + h});
    y += h;
  }
  const int right = cols.empty() ? 0 : cols.back().end;
  if (right < m_GI->m_gridWidth)
    dc.FillSolidRect(right, 0, m_GI->m_gridWidth - right, m_GI->m_topHdgHeight,
                     m_ctrl->OnGetDefBackColor(CUGCtrl::kSectionTopHeading));
  m_paintList.Clear();
}

// ---------------------------------------------------------------- borders

void CUGTopHdg::Hover(CPoint point) {
  m_armed = 0;
  if (m_GI->m_userSizingMode > 0) {
    for (const CUGGrid::Span& span : m_ctrl->m_CUGGrid->VisibleColumns()) {
      if (std::abs(point.x - span.end) < kBorderZone) {
        // A hidden column right of the border is the one brought back.
        int col = static_cast<int>(span.index);
        if (col + 1 < m_GI->m_numberCols && m_ctrl->ColWidth(col + 1) == 0) ++col;
        if (m_ctrl->OnCanSizeCol(col)) {
          m_armed = 1;
          m_sizingKind = 0;
          m_sizedIndex = col;
        }
        break;
      }
      if (span.end > m_GI->m_gridWidth) break;
    }
    int y = m_GI->m_topHdgHeight;
    for (int index = 0; !m_armed && index < m_GI->m_numberTopHdgRows; ++index) {
      if (std::abs(point.y - y) < kBorderZone) {
        if (m_ctrl->OnCanSizeTopHdg()) {
          m_armed = 1;
          m_sizingKind = 1;
          m_sizedIndex = index;
        }
        break;
      }
      y -= HeadingRowHeight(-index - 1);
    }
  }
  if (!m_armed) SetCursor(m_GI->m_arrowCursor);
}

void CUGTopHdg::ShowOutlineAt(int x) {
  m_outline.ShowAt(m_ctrl->m_CUGGrid.get(), CRect(x - 1, 0, x + 1, m_GI->m_gridHeight));
}

void CUGTopHdg::TellCellsOfWidth(bool changed) {
  CUGCell cell;
  for (long row = m_GI->m_topRow; row < m_GI->m_bottomRow && row < m_GI->m_numberRows; ++row) {
    m_ctrl->FetchCell(m_sizedIndex, row, &cell);
    if (changed)
      m_ctrl->CellTypeOf(&cell)->OnChangedCellWidth(m_sizedIndex, row, &m_width);
    else
      m_ctrl->CellTypeOf(&cell)->OnChangingCellWidth(m_sizedIndex, row, &m_width);
  }
}

void CUGTopHdg::SizeTo(CPoint point) {
  if (m_sizingKind == 0) {
    m_width = std::max(0, m_startSize - m_startPos + point.x);
    TellCellsOfWidth(false);
    m_ctrl->OnColSizing(m_sizedIndex, &m_width);
    m_ctrl->ChangeColumnWidth(m_sizedIndex, m_width);
    if (m_GI->m_userSizingMode == 1) {
      FitToHeading();
      ShowOutlineAt(point.x);
    } else {
      m_ctrl->RedrawAll();
    }
    return;
  }
  const int rowHeight = std::max(0, m_startSize - m_startPos + point.y);
  int heading = std::max(0, m_startHeadingSize - m_startPos + point.y);
  m_GI->m_topHdgHeights[static_cast<size_t>(m_sizedIndex)] = rowHeight;
  if (m_ctrl->OnTopHdgSizing(&heading) == 1) {
    m_GI->m_topHdgHeight = heading;
    m_ctrl->AdjustComponentSizes();
  }
}

void CUGTopHdg::ColumnSized() {
  TellCellsOfWidth(true);
  m_ctrl->OnColSized(m_sizedIndex, &m_width);
  if (m_width != m_ctrl->ColWidth(m_sizedIndex)) m_ctrl->ChangeColumnWidth(m_sizedIndex, m_width);
}

void CUGTopHdg::EndSizing() {
  ReleaseCapture();
  m_outline.Hide();
  if (m_sizingKind == 0)
    ColumnSized();
  else
    m_ctrl->OnTopHdgSized(&m_GI->m_topHdgHeight);
  m_dragging = 0;
  m_ctrl->m_CUGGrid->Invalidate();
  m_ctrl->AdjustComponentSizes();
}

// ---------------------------------------------------------------- column moves

void CUGTopHdg::MoveColumnTo(CPoint point) {
  if (point.x < 0 || point.x > m_GI->m_gridWidth) {
    // The view scrolls a column per tick of the timer while the mouse stays out.
    m_outline.Hide();
    m_ctrl->MoveLeftCol(point.x < 0 ? 0 : 1);
    m_movePoint = point;
    if (!m_moveScrolling) SetTimer(kMoveScrollTimer, static_cast<UINT>(std::max(1, m_GI->m_ballisticDelay)));
    m_moveScrolling = true;
    return;
  }
  if (m_moveScrolling) KillTimer(kMoveScrollTimer);
  m_moveScrolling = false;
  int insert = m_GI->m_numberCols;
  int edge = 0;
  for (const CUGGrid::Span& span : m_ctrl->m_CUGGrid->VisibleColumns()) {
    edge = span.end;
    if (point.x < span.end) {
      const bool pastMiddle = point.x > (span.start + span.end) / 2;
      insert = static_cast<int>(span.index) + (pastMiddle ? 1 : 0);
      edge = pastMiddle ? span.end : span.start;
      break;
    }
  }
  insert = std::min(insert, m_GI->m_numberCols);
  if (m_insertCol < 0) {
    m_insertCol = insert;
    FitToHeading();
  }
  m_insertCol = insert;
  ShowOutlineAt(edge);
}

void CUGTopHdg::EndColumnMove() {
  if (m_moveScrolling) KillTimer(kMoveScrollTimer);
  m_moveScrolling = false;
  const int from = m_dragCol;
  const int to = m_insertCol;
  const int target = to < 0 ? -1 : (from < to ? to - 1 : to);
  if (m_ctrl->OnCanMoveCol(from, target)) {
    m_ctrl->MoveColPosition(from, to, TRUE);
    m_ctrl->OnColMoved(from, target);
  }
  m_dragCol = -1;
  m_insertCol = -1;
  m_outline.Hide();
  ReleaseCapture();
  if (to < 0)
    Invalidate();
  else
    m_ctrl->RedrawAll();
}

void CUGTopHdg::OnTimer(UINT_PTR id) {
  if (id != kMoveScrollTimer) {
    CWnd::OnTimer(id);
    return;
  }
  if (m_dragCol < 0 || !m_moveScrolling) {
    KillTimer(kMoveScrollTimer);
    m_moveScrolling = false;
    return;
  }
  m_ctrl->MoveLeftCol(m_movePoint.x < 0 ? 0 : 1);
}

// ---------------------------------------------------------------- mouse

void CUGTopHdg::OnMouseMove(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_dragging) {
    SizeTo(point);
  } else if (m_dragCol >= 0 && (flags & MK_LBUTTON)) {
    MoveColumnTo(point);
  } else if (!(flags & (MK_LBUTTON | MK_RBUTTON))) {
    Hover(point);
  }
}

void CUGTopHdg::OnLButtonDown(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_armed) {
    StartSizing(point, m_sizingKind == 0 ? m_ctrl->ColWidth(m_sizedIndex) : HeadingRowHeight(-m_sizedIndex - 1),
                m_GI->m_topHdgHeight);
    m_width = m_ctrl->ColWidth(m_sizedIndex);
    return;
  }
  int col = -1;
  if (!CallClickHooks(point, kLeftClick, 1, &col)) return;
  if (m_GI->m_enableColMove && m_ctrl->OnColDragStart(col)) {
    m_dragCol = col;
    m_insertCol = -1;
    SetCapture();
  }
}

void CUGTopHdg::OnLButtonUp(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_dragging) {
    EndSizing();
    return;
  }
  CallClickHooks(point, kLeftClick, 0);
  if (m_dragCol >= 0) EndColumnMove();
}

void CUGTopHdg::OnLButtonDblClk(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (!m_armed || m_sizingKind != 0) {
    CallClickHooks(point, kDoubleClick, 0);
    return;
  }
  if (m_GI->m_bestFitOnDClick) {
    m_ctrl->BestFitColumns(m_sizedIndex, m_sizedIndex, 20, 1);
    Hover(point);
    m_width = m_ctrl->ColWidth(m_sizedIndex);
    ColumnSized();
  }
  if (m_dragging) ReleaseCapture();
  m_dragging = 0;
}
