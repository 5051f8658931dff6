#include "grid/CUGSideHdg.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CPaintDC.h"

CUGSideHdg::CUGSideHdg() : CUGHeadingWnd(CUGCtrl::kSectionSideHeading) {}

CUGSideHdg::~CUGSideHdg() = default;

int CUGSideHdg::HeadingColWidth(int col) const {
  const int index = -col - 1;
  if (index < 0 || index >= m_GI->m_numberSideHdgCols || index >= static_cast<int>(m_GI->m_sideHdgWidths.size()))
    return 0;
  return m_GI->m_sideHdgWidths[static_cast<size_t>(index)];
}

void CUGSideHdg::FitToHeading() {
  const int count = m_GI->m_numberSideHdgCols;
  int others = 0;
  for (int col = -1; col > -count; --col) others += HeadingColWidth(col);
  m_ctrl->SetSideHeadingColWidth(-count, std::max(0, m_GI->m_sideHdgWidth - others));
  Update();
}

void CUGSideHdg::InvalidateRow(long row) {
  if (row < 0) return;
  const CUGGrid* area = m_ctrl->m_CUGGrid.get();
  const int top = area->RowStart(row);
  const CRect rect(0, top, m_GI->m_sideHdgWidth, top + area->RowHeightOf(row));
  InvalidateRect(&rect, FALSE);
}

void CUGSideHdg::UpdateAfterMove() {
  if (!GetSafeHwnd() || !m_GI || !m_ctrl) return;
  if (m_GI->m_topRow == m_GI->m_lastTopRow && m_GI->m_currentRow == m_GI->m_lastRow) return;
  const long oldTop = m_GI->m_lastTopRow < 0 ? m_GI->m_topRow : m_GI->m_lastTopRow;
  const int height = m_GI->m_gridHeight;
  long long dy = 0;
  for (long r = std::min(oldTop, m_GI->m_topRow); r < std::max(oldTop, m_GI->m_topRow) && dy <= height; ++r)
    dy += m_ctrl->m_CUGGrid->RowHeightOf(r);
  if (m_GI->m_topRow < oldTop) dy = -dy;
  if (dy > height || -dy > height) {
    Invalidate();
  } else if (dy != 0) {
    // The strip that comes into view is left invalid by the scroll.
    const CRect below(0, m_GI->m_lockRowHeight, m_GI->m_sideHdgWidth, height);
    ScrollWindow(0, static_cast<int>(-dy), &below, &below);
  }
  InvalidateRow(m_GI->m_lastRow);
  InvalidateRow(m_GI->m_currentRow);
  CUGGrid::PaintPendingNow(this);
}

// ---------------------------------------------------------------- cells

bool CUGSideHdg::CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const {
  *col = -1;
  *row = -1;
  if (!m_GI || !m_ctrl) return false;
  const std::vector<CUGGrid::Span> rows = m_ctrl->m_CUGGrid->VisibleRows();
  const auto r = std::find_if(rows.begin(), rows.end(), [y](const CUGGrid::Span& s) { return y >= 0 && y < s.end; });
  int left = 0;
  int found = 0;
  for (int c = -m_GI->m_numberSideHdgCols; c < 0; ++c) {
    left += HeadingColWidth(c);
    if (x >= 0 && x < left) {
      found = c;
      break;
    }
  }
  if (r == rows.end() || found == 0) return false;
  *col = found;
  *row = r->index;
  CellRect(*col, *row, rect);
  return true;
}

void CUGSideHdg::CellRect(int col, long row, RECT* rect) const {
  int endCol = col;
  long endRow = row;
  // A join reaching right into the cell area ends at the heading's right edge.
  if (JoinExtent(&col, &row, &endCol, &endRow)) endCol = std::min(-1, endCol);
  const CUGGrid* area = m_ctrl->m_CUGGrid.get();
  rect->top = area->RowStart(row);
  rect->bottom = area->RowStart(endRow) + area->RowHeightOf(endRow);
  int x = 0;
  for (int c = -m_GI->m_numberSideHdgCols; c < col; ++c) x += HeadingColWidth(c);
  rect->left = x;
  for (int c = col; c <= endCol; ++c) x += HeadingColWidth(c);
  rect->right = x;
}

// ---------------------------------------------------------------- painting

void CUGSideHdg::OnPaint() {
  CPaintDC dc(this);
  if (!m_GI || !m_ctrl || !m_GI->m_paintMode) return;
  const int count = m_GI->m_numberSideHdgCols;
  m_paintList.GrowFirst(-count, 0, -1, m_GI->m_numberRows);
  m_ctrl->OnPaintDCSetup(&dc, nullptr, CUGCtrl::kSectionSideHeading);
  if (m_GI->m_defFont) dc.SelectObject(m_GI->m_defFont);
  int bottom = 0;
  for (const CUGGrid::Span& span : m_ctrl->m_CUGGrid->VisibleRows()) {
    const long row = span.index;
    int x = 0;
    for (int col = -count; col < 0; ++col) {
      const int w = HeadingColWidth(col);
      PaintCell(&dc, col, row, RECT{x, span.start, x + w, span.end});
      x += w;
    }
    bottom = span.end;
    m_lastRowDrawn = row;
  }
  if (bottom < m_GI->m_gridHeight)
    dc.FillSolidRect(0, bottom, m_GI->m_sideHdgWidth, m_GI->m_gridHeight - bottom,
                     m_ctrl->OnGetDefBackColor(CUGCtrl::kSectionSideHeading));
  m_paintList.Clear();
}

// ---------------------------------------------------------------- borders

void CUGSideHdg::Hover(CPoint point) {
  m_armed = 0;
  if (m_GI->m_userSizingMode > 0) {
    int x = m_GI->m_sideHdgWidth;
    for (int index = 0; index < m_GI->m_numberSideHdgCols; ++index) {
      if (std::abs(point.x - x) < kBorderZone) {
        if (m_ctrl->OnCanSizeSideHdg()) {
          m_armed = 1;
          m_sizingKind = 0;
          m_sizedIndex = index;
        }
        break;
      }
      x -= HeadingColWidth(-index - 1);
    }
    for (const CUGGrid::Span& span : m_ctrl->m_CUGGrid->VisibleRows()) {
      if (m_armed) break;
      if (std::abs(point.y - span.end) < kBorderZone) {
        // A hidden row below the border is the one brought back.
        long row = span.index;
        if (row + 1 < m_GI->m_numberRows && m_ctrl->RowHeight(row + 1) == 0) ++row;
        if (m_ctrl->OnCanSizeRow(row)) {
          m_armed = 1;
          m_sizingKind = 1;
          m_sizedIndex = row;
          if (m_GI->m_uniformRowHeightFlag) m_rowsPerDragUnit = point.y / std::max(1, m_GI->m_defRowHeight);
        }
        break;
      }
      if (span.end > m_GI->m_gridHeight) break;
    }
  }
  if (!m_armed) SetCursor(m_GI->m_arrowCursor);
}

void CUGSideHdg::TellCellsOfHeight(bool changed) {
  CUGCell cell;
  for (int col = m_GI->m_leftCol; col < m_GI->m_rightCol && col < m_GI->m_numberCols; ++col) {
    m_ctrl->FetchCell(col, m_sizedIndex, &cell);
    if (changed)
      m_ctrl->CellTypeOf(&cell)->OnChangedCellHeight(col, m_sizedIndex, &m_height);
    else
      m_ctrl->CellTypeOf(&cell)->OnChangingCellHeight(col, m_sizedIndex, &m_height);
  }
}

void CUGSideHdg::SizeTo(CPoint point) {
  if (m_sizingKind == 0) {
    const int colWidth = std::max(0, m_startSize - m_startPos + point.x);
    int heading = std::max(0, m_startHeadingSize - m_startPos + point.x);
    m_GI->m_sideHdgWidths[static_cast<size_t>(m_sizedIndex)] = colWidth;
    m_ctrl->OnSideHdgSizing(&heading);
    m_GI->m_sideHdgWidth = heading;
    m_ctrl->AdjustComponentSizes();
    return;
  }
  if (m_GI->m_uniformRowHeightFlag && m_rowsPerDragUnit > 0)
    m_height = std::max(1, static_cast<int>(point.y)) / m_rowsPerDragUnit;
  else
    m_height = m_startSize - m_startPos + point.y;
  m_height = std::max(0, m_height);
  TellCellsOfHeight(false);
  m_ctrl->OnRowSizing(m_sizedIndex, &m_height);
  m_ctrl->ChangeRowHeight(m_sizedIndex, m_height);
  if (m_GI->m_userSizingMode == 1) {
    FitToHeading();
    m_outline.ShowAt(m_ctrl->m_CUGGrid.get(), CRect(0, point.y - 1, m_GI->m_gridWidth, point.y + 1));
  } else {
    m_ctrl->RedrawAll();
  }
}

void CUGSideHdg::EndSizing() {
  ReleaseCapture();
  m_outline.Hide();
  if (m_sizingKind == 1) {
    TellCellsOfHeight(true);
    m_ctrl->OnRowSized(m_sizedIndex, &m_height);
    m_ctrl->ChangeRowHeight(m_sizedIndex, m_height);
  } else {
    m_ctrl->OnSideHdgSized(&m_GI->m_sideHdgWidth);
  }
  m_dragging = 0;
  m_ctrl->AdjustComponentSizes();
  m_ctrl->RedrawAll();
}

// ---------------------------------------------------------------- mouse

void CUGSideHdg::OnMouseMove(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_dragging)
    SizeTo(point);
  else if (!(flags & (MK_LBUTTON | MK_RBUTTON)))
    Hover(point);
}

void CUGSideHdg::OnLButtonDown(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (!m_armed) {
    CallClickHooks(point, kLeftClick, 1);
    return;
  }
  const int startSize =
      m_sizingKind == 0 ? HeadingColWidth(static_cast<int>(-m_sizedIndex - 1)) : m_ctrl->RowHeight(m_sizedIndex);
  StartSizing(point, startSize, m_GI->m_sideHdgWidth);
  m_height = m_sizingKind == 1 ? m_startSize : 0;
}

void CUGSideHdg::OnLButtonUp(UINT, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (m_dragging)
    EndSizing();
  else
    CallClickHooks(point, kLeftClick, 0);
}

void CUGSideHdg::OnLButtonDblClk(UINT, CPoint point) {
  if (m_ctrl && m_GI) CallClickHooks(point, kDoubleClick, 0);
}
