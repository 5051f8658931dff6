// The grid control's moves of the current cell and of the view, the multiple
// selection kept in step with them, cell geometry, and the in-place editor.
#include <algorithm>
#include <string>

#include "grid/CUGCell.h"
#include "grid/CUGCnrBtn.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHScroll.h"
#include "grid/CUGMultiSelect.h"
#include "grid/CUGSideHdg.h"
#include "grid/CUGTopHdg.h"
#include "grid/CUGVScroll.h"
#include "platform/base/InputState.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CFont.h"
#include "platform/ui/ControlConstants.h"

namespace {

// Where a range edge scrolled out of sight is placed, beyond the cell area.
constexpr int kOutOfSight = 10;

bool ShiftOrCtrlHeld() { return IsVirtualKeyDown(VK_SHIFT) || IsVirtualKeyDown(VK_CONTROL); }

// A page from `from` in the direction of `step`: the first row (column) whose
// size no longer fits into `room`. Sizes must be positive outside the grid.
template <typename Index, typename SizeOf>
Index PageEnd(Index from, Index step, long long room, SizeOf sizeOf) {
  for (;; from += step) {
    room -= sizeOf(from);
    if (room < 0) return from;
  }
}

// The first row (column) of the view after a step from `first`: 0 back and 1 on
// by one, stepping over hidden ones (size 0); 2 back and 3 on by a page of
// `page` pixels, at least one; 4 the first; 5 `last`. Locked rows (columns)
// are not paged into.
template <typename Index, typename SizeOf>
Index SteppedViewStart(int code, Index first, Index locked, Index count, Index last, long long page, SizeOf sizeOf) {
  Index at = first;
  long long left = page;
  switch (code) {
    case 0:
      for (--at; at > locked && sizeOf(at) == 0; --at) {}
      return at;
    case 1:
      for (++at; at < count - 1 && sizeOf(at) == 0; ++at) {}
      return std::min(at, count - 1);
    case 2:
      while (at - 1 >= locked) {
        left -= sizeOf(at - 1);
        if (left < 0) break;
        --at;
      }
      return at == first ? at - 1 : at;
    case 3:
      while (at < count) {
        left -= sizeOf(at);
        if (left < 0) break;
        ++at;
      }
      return at == first ? at + 1 : at;
    case 4: return 0;
    default: return last;
  }
}

}  // namespace

// ---------------------------------------------------------------- going to a cell

void CUGCtrl::ReturnToSelectionOrigin() {
  if (m_GI->m_moveType != 0 || ShiftOrCtrlHeld() || !m_GI->m_multiSelectFlag) return;
  int col = 0;
  long row = 0;
  if (m_GI->m_multiSelect->GetOrigCell(&col, &row) == 0) {
    m_GI->m_currentCol = col;
    m_GI->m_currentRow = row;
  }
}

int CUGCtrl::AskCanMove(int fromCol, long fromRow, int toCol, long toRow) {
  if (SourceOf(toCol, nullptr)->OnCanMove(fromCol, fromRow, toCol, toRow) != 1) return 2;
  if (!OnCanMove(fromCol, fromRow, toCol, toRow)) return 2;
  return 0;
}

int CUGCtrl::GotoRow(long row) {
  CUGGridInfo& gi = *m_GI;
  ReturnToSelectionOrigin();
  if (row == gi.m_dragRow) return 0;
  if (VerifyTargetRow(&row) != 0) return 1;
  if (row == gi.m_dragRow) return 0;
  if (AskCanMove(gi.m_dragCol, gi.m_dragRow, gi.m_dragCol, row) != 0) return 2;
  const bool visible = row < gi.m_numLockRows || (row >= gi.m_topRow && row < gi.m_bottomRow);
  if (!visible && !OnCanViewMove(gi.m_leftCol, gi.m_topRow, gi.m_leftCol, row)) return 2;
  gi.m_dragRow = row;
  KeepTargetRowVisible();
  NotifyMoved();
  return 0;
}

int CUGCtrl::GotoCol(int col) {
  CUGGridInfo& gi = *m_GI;
  ReturnToSelectionOrigin();
  if (col == gi.m_dragCol) return 0;
  if (VerifyTargetCol(&col) != 0) return 1;
  if (col == gi.m_dragCol) return 0;
  if (AskCanMove(gi.m_dragCol, gi.m_dragRow, col, gi.m_dragRow) != 0) return 2;
  const bool visible = col < gi.m_numLockCols || (col >= gi.m_leftCol && col < gi.m_rightCol);
  if (!visible && !OnCanViewMove(gi.m_leftCol, gi.m_topRow, col, gi.m_topRow)) return 2;
  gi.m_dragCol = col;
  KeepTargetColVisible();
  NotifyMoved();
  return 0;
}

int CUGCtrl::GotoCell(int col, long row) {
  CUGGridInfo& gi = *m_GI;
  if (col == gi.m_dragCol && row == gi.m_dragRow) {
    if (IsVirtualKeyDown(VK_SHIFT) && gi.m_multiSelectFlag) {
      gi.m_multiSelect->OnLClick(col, row, gi.m_moveFlags);
      RedrawAll();
    }
    return 0;
  }
  if (col < 0 || col >= gi.m_numberCols || row < 0 || row >= gi.m_numberRows) return 1;
  if (gi.m_enableJoins) GetJoinStart(&col, &row, nullptr);
  if (AskCanMove(gi.m_currentCol, gi.m_currentRow, col, row) != 0) return 2;
  const bool colVisible = col < gi.m_numLockCols || (col >= gi.m_leftCol && col < gi.m_rightCol);
  const bool rowVisible = row < gi.m_numLockRows || (row >= gi.m_topRow && row < gi.m_bottomRow);
  if (!(colVisible && rowVisible) && !OnCanViewMove(gi.m_leftCol, gi.m_topRow, col, row)) return 2;
  gi.m_dragCol = col;
  gi.m_dragRow = row;
  KeepTargetColVisible();
  KeepTargetRowVisible();
  NotifyMoved();
  return 0;
}

int CUGCtrl::VerifyTargetRow(long* row) {
  CUGGridInfo& gi = *m_GI;
  if (!row || gi.m_numberRows <= 0) return 1;
  if (*row >= gi.m_numberRows) {
    const long count = gi.m_numberRows;
    const long rowsPast = *row - count + 1;
    long found = 0;
    SourceOf(gi.m_dragCol, nullptr)->OnHitBottom(count, rowsPast, &found);
    OnHitBottom(count, rowsPast, found);
    // The hooks may have added rows.
    if (*row >= gi.m_numberRows) {
      if (gi.m_dragRow == gi.m_numberRows - 1) return 1;
      *row = gi.m_numberRows - 1;
    }
  }
  if (*row < 0) *row = 0;
  int startCol = gi.m_dragCol;
  long start = *row;
  int endCol = 0;
  long end = 0;
  if (gi.m_enableJoins && gi.m_dragCol >= 0 && GetJoinRange(&startCol, &start, &endCol, &end) == 0) {
    const bool comingFromAbove = gi.m_dragRow < start;
    const bool comingFromBelow = gi.m_dragRow > end;
    if (*row > gi.m_dragRow) {
      if (comingFromAbove) *row = start;
      else *row = end + 1 < gi.m_numberRows ? end + 1 : start;
    } else {
      if (comingFromBelow) *row = start;
      else *row = start - 1 >= 0 ? start - 1 : start;
    }
  }
  return 0;
}

int CUGCtrl::VerifyTargetCol(int* col) {
  CUGGridInfo& gi = *m_GI;
  if (!col || gi.m_numberCols <= 0) return 1;
  if (*col >= gi.m_numberCols) {
    if (gi.m_dragCol == gi.m_numberCols - 1) return 1;
    *col = gi.m_numberCols - 1;
  }
  if (*col < 0) *col = 0;
  int start = *col;
  long startRow = gi.m_dragRow;
  int end = 0;
  long endRow = 0;
  if (gi.m_enableJoins && gi.m_dragRow >= 0 && GetJoinRange(&start, &startRow, &end, &endRow) == 0) {
    const bool comingFromLeft = gi.m_dragCol < start;
    const bool comingFromRight = gi.m_dragCol > end;
    if (*col > gi.m_dragCol) {
      if (comingFromLeft) *col = start;
      else *col = end + 1 < gi.m_numberCols ? end + 1 : start;
    } else {
      if (comingFromRight) *col = start;
      else *col = start - 1 >= 0 ? start - 1 : start;
    }
  }
  return 0;
}

void CUGCtrl::KeepTargetRowVisible() {
  CUGGridInfo& gi = *m_GI;
  const long target = gi.m_dragRow;
  if (target < gi.m_numLockRows) return;
  if (gi.m_topRow > target) {
    gi.m_topRow = target;
    return;
  }
  const long long room = static_cast<long long>(gi.m_gridHeight) - gi.m_lockRowHeight;
  long lowestTop = target;
  if (gi.m_uniformRowHeightFlag && gi.m_defRowHeight > 0) {
    lowestTop = target - static_cast<long>(room / gi.m_defRowHeight) + 1;
  } else {
    long long used = 0;
    long row = target;
    for (; row >= gi.m_numLockRows; --row) {
      used += RowHeight(row);
      if (used > room) break;
    }
    lowestTop = row + 1;
  }
  // An area lower than the row still shows its top.
  lowestTop = std::min(lowestTop, target);
  gi.m_topRow = std::max({gi.m_topRow, lowestTop, gi.m_numLockRows});
}

void CUGCtrl::KeepTargetColVisible() {
  CUGGridInfo& gi = *m_GI;
  const int target = gi.m_dragCol;
  if (target < gi.m_numLockCols) return;
  if (gi.m_leftCol > target) {
    gi.m_leftCol = target;
    return;
  }
  const long long room = static_cast<long long>(gi.m_gridWidth) - gi.m_lockColWidth;
  long long used = 0;
  int col = target;
  for (; col >= gi.m_numLockCols; --col) {
    used += ColWidth(col);
    if (used > room) break;
  }
  const int lowestLeft = std::min(col + 1, target);
  gi.m_leftCol = std::max({gi.m_leftCol, lowestLeft, gi.m_numLockCols});
  gi.m_leftCol = std::max(gi.m_numLockCols, std::min(gi.m_leftCol, std::max(gi.m_maxLeftCol, gi.m_numLockCols)));
  // The largest left column may still hide the target when the area was never laid out.
  if (gi.m_leftCol > target) gi.m_leftCol = target;
}

// ---------------------------------------------------------------- scrolling and stepping

int CUGCtrl::SetTopRow(long row) {
  CUGGridInfo& gi = *m_GI;
  if (row == gi.m_topRow) return 0;
  row = std::max(gi.m_numLockRows, std::min(row, gi.m_maxTopRow));
  if (row == gi.m_topRow) return 0;
  if (!OnCanViewMove(gi.m_leftCol, gi.m_topRow, gi.m_leftCol, row)) return 2;
  gi.m_topRow = row;
  NotifyMoved();
  return 0;
}

int CUGCtrl::SetLeftCol(int col) {
  CUGGridInfo& gi = *m_GI;
  if (col == gi.m_leftCol) return 0;
  col = std::max(gi.m_numLockCols, std::min(col, gi.m_maxLeftCol));
  if (col == gi.m_leftCol) return 0;
  if (!OnCanViewMove(gi.m_leftCol, gi.m_topRow, col, gi.m_topRow)) return 2;
  gi.m_leftCol = col;
  NotifyMoved();
  return 0;
}

int CUGCtrl::MoveCurrentRow(int code) {
  CUGGridInfo& gi = *m_GI;
  if (code < 0) return 1;
  // Rows outside the grid count the default height (at least one pixel, so a page ends).
  const auto heightOf = [&](long row) {
    return row < 0 || row >= gi.m_numberRows ? std::max(gi.m_defRowHeight, 1) : RowHeight(row);
  };
  const long long page = static_cast<long long>(gi.m_gridHeight) - gi.m_lockRowHeight;
  switch (code) {
    case 0: return GotoRow(gi.m_dragRow - 1);
    case 1: return GotoRow(gi.m_dragRow + 1);
    case 2: return GotoRow(PageEnd<long>(gi.m_dragRow, -1, page, heightOf));
    case 3: return GotoRow(PageEnd<long>(gi.m_dragRow, 1, page, heightOf));
    case 4: return GotoRow(0);
    case 5: return GotoRow(gi.m_numberRows - 1);
    default: return 0;
  }
}

int CUGCtrl::MoveCurrentCol(int code) {
  CUGGridInfo& gi = *m_GI;
  if (code < 0) return 1;
  const auto widthOf = [&](int col) {
    return col < 0 || col >= gi.m_numberCols ? std::max(gi.m_defColWidth, 1) : ColWidth(col);
  };
  const long long page = static_cast<long long>(gi.m_gridWidth) - gi.m_lockColWidth;
  switch (code) {
    case 0: return GotoCol(gi.m_dragCol - 1);
    case 1: return GotoCol(gi.m_dragCol + 1);
    case 2: return GotoCol(PageEnd<int>(gi.m_dragCol, -1, page, widthOf));
    case 3: return GotoCol(PageEnd<int>(gi.m_dragCol, 1, page, widthOf));
    case 4: return GotoCol(0);
    case 5: return GotoCol(gi.m_numberCols - 1);
    default: return 0;
  }
}

int CUGCtrl::MoveTopRow(int code) {
  CUGGridInfo& gi = *m_GI;
  if (gi.m_numberRows <= 0 || code < 0) return 1;
  if (code > 5) return 0;
  const long long page = static_cast<long long>(gi.m_gridHeight) - gi.m_lockRowHeight;
  return SetTopRow(SteppedViewStart<long>(code, gi.m_topRow, gi.m_numLockRows, gi.m_numberRows, gi.m_maxTopRow,
                                          page, [this](long row) { return RowHeight(row); }));
}

int CUGCtrl::MoveLeftCol(int code) {
  CUGGridInfo& gi = *m_GI;
  if (gi.m_numberCols <= 0 || code < 0) return 1;
  if (code > 5) return 0;
  const long long page = static_cast<long long>(gi.m_gridWidth) - gi.m_lockColWidth;
  return SetLeftCol(SteppedViewStart<int>(code, gi.m_leftCol, gi.m_numLockCols, gi.m_numberCols, gi.m_maxLeftCol,
                                          page, [this](int col) { return ColWidth(col); }));
}

int CUGCtrl::ClearSelections() {
  m_GI->m_multiSelect->ClearAll();
  m_GI->m_dragCol = m_GI->m_currentCol;
  m_GI->m_dragRow = m_GI->m_currentRow;
  return 0;
}

// ---------------------------------------------------------------- move notifications

void CUGCtrl::TellSelectionOfMove() {
  CUGGridInfo& gi = *m_GI;
  CUGMultiSelect& selection = *gi.m_multiSelect;
  if (!m_editInProgress) {
    switch (gi.m_moveType) {
      case 0: selection.OnKeyMove(gi.m_dragCol, gi.m_dragRow); break;
      case 1: selection.OnLClick(gi.m_dragCol, gi.m_dragRow, gi.m_moveFlags); break;
      case 2: selection.OnRClick(gi.m_dragCol, gi.m_dragRow, gi.m_moveFlags); break;
      case 3: selection.OnMouseMove(gi.m_dragCol, gi.m_dragRow, gi.m_moveFlags); break;
      default: break;
    }
  }
  // With nothing selected the current cell follows the target.
  if (selection.GetOrigCell(&gi.m_currentCol, &gi.m_currentRow) != 0) {
    gi.m_currentCol = gi.m_dragCol;
    gi.m_currentRow = gi.m_dragRow;
  }
}

void CUGCtrl::NotifyMoved() {
  CUGGridInfo& gi = *m_GI;
  const long bottomBefore = gi.m_bottomRow;
  const int rightBefore = gi.m_rightCol;

  if (gi.m_multiSelectFlag) {
    TellSelectionOfMove();
  } else {
    gi.m_currentCol = gi.m_dragCol;
    gi.m_currentRow = gi.m_dragRow;
  }

  const bool colChanged = gi.m_currentCol != gi.m_lastCol;
  const bool rowChanged = gi.m_currentRow != gi.m_lastRow;
  if (colChanged) {
    gi.m_defDataSource->OnColChange(gi.m_lastCol, gi.m_currentCol);
    OnColChange(gi.m_lastCol, gi.m_currentCol);
  }
  if (rowChanged) {
    gi.m_defDataSource->OnRowChange(gi.m_lastRow, gi.m_currentRow);
    OnRowChange(gi.m_lastRow, gi.m_currentRow);
  }
  if (colChanged || rowChanged) OnCellChange(gi.m_lastCol, gi.m_currentCol, gi.m_lastRow, gi.m_currentRow);

  if (gi.m_leftCol != gi.m_lastLeftCol) OnLeftColChange(gi.m_lastLeftCol, gi.m_leftCol);
  if (gi.m_topRow != gi.m_lastTopRow) OnTopRowChange(gi.m_lastTopRow, gi.m_topRow);

  if (colChanged || rowChanged) {
    CUGCell cell;
    if (gi.m_lastCol >= 0 && gi.m_lastRow >= 0 && gi.m_lastCol < gi.m_numberCols && gi.m_lastRow < gi.m_numberRows) {
      FetchCell(gi.m_lastCol, gi.m_lastRow, &cell);
      CellTypeOf(&cell)->OnKillFocus(gi.m_lastCol, gi.m_lastRow, &cell);
    }
    if (gi.m_currentCol >= 0 && gi.m_currentRow >= 0) {
      cell.ClearAll();
      FetchCell(gi.m_currentCol, gi.m_currentRow, &cell);
      CellTypeOf(&cell)->OnSetFocus(gi.m_currentCol, gi.m_currentRow, &cell);
    }
  }

  if (gi.m_paintMode == 1) {
    m_CUGGrid->UpdateAfterMove();
    m_CUGSideHdg->UpdateAfterMove();
    m_CUGTopHdg->UpdateAfterMove();
    m_CUGVScroll->Update();
    m_CUGHScroll->Update();
    m_CUGCnrBtn->Update();
  }

  gi.m_lastCol = gi.m_currentCol;
  gi.m_lastRow = gi.m_currentRow;
  gi.m_lastLeftCol = gi.m_leftCol;
  gi.m_lastTopRow = gi.m_topRow;

  TellCellTypesScrolled(bottomBefore, rightBefore);
}

void CUGCtrl::TellCellTypesScrolled(long bottomBefore, int rightBefore) {
  CUGGridInfo& gi = *m_GI;
  CUGCell cell;
  const auto tell = [&](int col, long row) {
    if (col < 0 || row < 0 || col >= gi.m_numberCols || row >= gi.m_numberRows) return;
    cell.ClearAll();
    FetchCell(col, row, &cell);
    CellTypeOf(&cell)->OnScrolled(col, row, &cell);
  };
  if (gi.m_bottomRow != bottomBefore) {
    const long lower = std::min(bottomBefore, gi.m_bottomRow);
    for (int col = gi.m_leftCol; col < gi.m_rightCol; ++col) {
      tell(col, gi.m_topRow);
      tell(col, lower);
    }
  } else if (gi.m_rightCol != rightBefore) {
    const int lower = std::min(rightBefore, gi.m_rightCol);
    for (long row = gi.m_topRow; row < gi.m_bottomRow; ++row) {
      tell(gi.m_leftCol, row);
      tell(lower, row);
    }
  }
}

// ---------------------------------------------------------------- geometry

int CUGCtrl::GetJoinStart(int* col, long* row, CUGCell* cell) {
  if (!col || !row) return 1;
  if (!m_GI->m_enableJoins) return 1;
  CUGCell own;
  CUGCell* joined = cell ? cell : &own;
  FetchCell(*col, *row, joined);
  BOOL origin = FALSE;
  int colOffset = 0;
  long rowOffset = 0;
  if (joined->GetJoinInfo(&origin, &colOffset, &rowOffset) != 0) return 2;
  if (!origin) {
    *col += colOffset;
    *row += rowOffset;
  }
  return 0;
}

int CUGCtrl::GetJoinRange(int* col, long* row, int* endCol, long* endRow) {
  if (!col || !row || !endCol || !endRow) return 1;
  if (!m_GI->m_enableJoins) return 1;
  CUGCell cell;
  const int found = GetJoinStart(col, row, &cell);
  if (found != 0) return found;
  BOOL origin = FALSE;
  int colOffset = 0;
  long rowOffset = 0;
  cell.GetJoinInfo(&origin, &colOffset, &rowOffset);
  if (!origin) {
    // The cell asked was inside the join: the start cell knows its extent.
    cell.ClearAll();
    FetchCell(*col, *row, &cell);
    colOffset = 0;
    rowOffset = 0;
    cell.GetJoinInfo(&origin, &colOffset, &rowOffset);
  }
  *endCol = *col + colOffset;
  *endRow = *row + rowOffset;
  return 0;
}

int CUGCtrl::ColumnEdge(int col, bool rightEdge) const {
  const CUGGridInfo& gi = *m_GI;
  const int last = rightEdge ? col : col - 1;  // the last column whose width counts
  long long x = 0;
  if (col < gi.m_numLockCols) {
    for (int c = 0; c <= last; ++c) x += ColWidth(c);
    return static_cast<int>(x);
  }
  if (col < gi.m_leftCol) return -kOutOfSight;
  x = gi.m_lockColWidth;
  for (int c = gi.m_leftCol; c <= last && x <= gi.m_gridWidth; ++c) x += ColWidth(c);
  return x > gi.m_gridWidth ? gi.m_gridWidth + kOutOfSight : static_cast<int>(x);
}

int CUGCtrl::RowEdge(long row, bool bottomEdge) const {
  const CUGGridInfo& gi = *m_GI;
  const long last = bottomEdge ? row : row - 1;
  long long y = 0;
  if (row < gi.m_numLockRows) {
    for (long r = 0; r <= last; ++r) y += RowHeight(r);
    return static_cast<int>(y);
  }
  if (row < gi.m_topRow) return -kOutOfSight;
  y = gi.m_lockRowHeight;
  for (long r = gi.m_topRow; r <= last && y <= gi.m_gridHeight; ++r) y += RowHeight(r);
  return y > gi.m_gridHeight ? gi.m_gridHeight + kOutOfSight : static_cast<int>(y);
}

int CUGCtrl::GetRangeRect(int startCol, long startRow, int endCol, long endRow, RECT* rect) {
  if (!rect) return 1;
  rect->left = ColumnEdge(startCol, false);
  rect->right = ColumnEdge(endCol, true);
  rect->top = RowEdge(startRow, false);
  rect->bottom = RowEdge(endRow, true);
  return 0;
}

int CUGCtrl::CellFromPoint(int x, int y, int* col, long* row, RECT* rect) {
  const CUGGridInfo& gi = *m_GI;
  if (!col || !row) return 1;
  if (x < 0 || y < 0 || x >= gi.m_gridWidth || y >= gi.m_gridHeight) return 1;
  int foundCol = -1;
  long long right = 0;
  for (int c = 0; c < gi.m_numberCols && foundCol < 0; ++c) {
    if (c == gi.m_numLockCols) c = std::max(c, gi.m_leftCol);
    if (c >= gi.m_numberCols) break;
    right += ColWidth(c);
    if (right > x) foundCol = c;
  }
  long foundRow = -1;
  long long bottom = 0;
  for (long r = 0; r < gi.m_numberRows && foundRow < 0 && bottom <= y; ++r) {
    if (r == gi.m_numLockRows) r = std::max(r, gi.m_topRow);
    if (r >= gi.m_numberRows) break;
    bottom += RowHeight(r);
    if (bottom > y) foundRow = r;
  }
  if (foundCol < 0 || foundRow < 0) return 1;
  *col = foundCol;
  *row = foundRow;
  if (rect) GetCellRect(col, row, rect);
  return 0;
}

int CUGCtrl::GetCellRect(int* col, long* row, RECT* rect) {
  if (!col || !row || !rect) return 1;
  if (*col < 0 || *row < 0) return HeadingCellRect(*col, *row, rect);
  int endCol = *col;
  long endRow = *row;
  if (GetJoinRange(col, row, &endCol, &endRow) != 0) {
    endCol = *col;
    endRow = *row;
  }
  return GetRangeRect(*col, *row, endCol, endRow, rect);
}

int CUGCtrl::HeadingCellRect(int col, long row, RECT* rect) const {
  const CUGGridInfo& gi = *m_GI;
  if (col < -gi.m_numberSideHdgCols || row < -gi.m_numberTopHdgRows || col >= gi.m_numberCols ||
      row >= gi.m_numberRows)
    return 1;
  // Heading columns run from the outermost (-count) at the left to -1 next to the cells;
  // heading rows from -count at the top to -1 just above the cells.
  if (col < 0) {
    int x = 0;
    for (int c = -gi.m_numberSideHdgCols; c < col; ++c) x += gi.m_sideHdgWidths[static_cast<size_t>(-c - 1)];
    rect->left = x;
    rect->right = x + gi.m_sideHdgWidths[static_cast<size_t>(-col - 1)];
  } else {
    rect->left = ColumnEdge(col, false);
    rect->right = ColumnEdge(col, true);
  }
  if (row < 0) {
    int y = 0;
    for (long r = -gi.m_numberTopHdgRows; r < row; ++r) y += gi.m_topHdgHeights[static_cast<size_t>(-r - 1)];
    rect->top = y;
    rect->bottom = y + gi.m_topHdgHeights[static_cast<size_t>(-row - 1)];
  } else {
    rect->top = RowEdge(row, false);
    rect->bottom = RowEdge(row, true);
  }
  return 0;
}

// ---------------------------------------------------------------- in-place editing

int CUGCtrl::BeginCellEdit() { return BeginCellEditAt(m_GI->m_currentCol, m_GI->m_currentRow, 0); }

int CUGCtrl::BeginCellEditAt(int col, long row, UINT key) {
  CUGGridInfo& gi = *m_GI;
  if (m_editInProgress) return 1;
  m_editInProgress = 1;
  m_editCol = col;
  m_editRow = row;

  int left = 0, right = 0;
  long top = 0, bottom = 0;
  const bool hadSelection = gi.m_multiSelect->GetTotalRange(&left, &top, &right, &bottom) == 0;
  ClearSelections();
  if (hadSelection && (left != col || right != col || top != row || bottom != row))
    RedrawRange(left, top, right, bottom);

  // Heading cells are edited where they are; grid cells become the current cell first.
  if (col >= 0 && row >= 0 && (col != gi.m_currentCol || row != gi.m_currentRow)) {
    if (GotoCell(col, row) != 0) {
      m_editInProgress = 0;
      return 2;
    }
    m_editCol = col = gi.m_currentCol;
    m_editRow = row = gi.m_currentRow;
  }

  m_editCell.ClearAll();
  FetchCell(col, row, &m_editCell);
  CUGCellType* type = CellTypeOf(&m_editCell);
  if (!type->GetEditFlag()) {
    m_editInProgress = 0;
    return 1;
  }

  CWnd* host = col < 0 ? static_cast<CWnd*>(m_CUGSideHdg.get())
               : row < 0 ? static_cast<CWnd*>(m_CUGTopHdg.get())
                         : static_cast<CWnd*>(m_CUGGrid.get());
  const CRect& hostRect = col < 0 ? gi.m_sideHdgRect : row < 0 ? gi.m_topHdgRect : gi.m_gridRect;
  RECT rect{};
  int rectCol = col;
  long rectRow = row;
  GetCellRect(&rectCol, &rectRow, &rect);
  rect.right -= 1;
  rect.bottom -= 1;
  type->GetEditArea(&rect);

  if (m_editCell.GetReadOnly()) {
    m_editInProgress = 0;
    return 1;
  }

  CWnd* editor = m_editCell.IsPropertySet(CUGCell::kPropEditMask) ? gi.m_maskedEditCtrl : gi.m_editCtrl;
  if (!SourceOf(col, nullptr)->OnEditStart(col, row, &editor) || !OnEditStart(col, row, &editor) || !editor) {
    m_editInProgress = 0;
    RepaintCell(col, row);
    return 1;
  }
  m_editCtrl = editor;
  m_editParent = host;

  const char* text = m_editCell.GetText();
  editor->SetWindowText(text ? text : "");
  editor->SetFont(m_editCell.GetFont() ? m_editCell.GetFont() : gi.m_defFont, FALSE);
  // The editor lives among the control's children: it is placed over the host's cell.
  CRect placed(rect);
  placed.OffsetRect(hostRect.left, hostRect.top);
  editor->SetWindowPos(&CWnd::wndTop, placed.left, placed.top, placed.Width(), placed.Height(), 0);
  editor->ShowWindow(SW_SHOW);
  editor->SetFocus();
  if (key > 0) editor->SendMessage(WM_CHAR, key, 1 | kUGProgramCharFlag);
  return 0;
}

int CUGCtrl::FinishCellEdit(const char* text, BOOL cancelled, BOOL continueEdit, int nextCol, long nextRow) {
  CUGGridInfo& gi = *m_GI;
  if (!m_editInProgress) cancelled = TRUE;
  const int col = m_editCol;
  const long row = m_editRow;
  CWnd* editor = m_editCtrl;
  if (SourceOf(col, nullptr)->OnEditFinish(col, row, editor, text, cancelled) != 1 ||
      !OnEditFinish(col, row, editor, text, cancelled))
    return 0;

  if (editor) editor->ShowWindow(SW_HIDE);
  const bool edited = !cancelled && m_editInProgress;
  if (edited) {
    CUGCell cell;
    FetchCell(col, row, &cell);
    const short dataType = cell.GetDataType();
    cell.SetText(text);
    if (dataType >= 2 && dataType <= 5) cell.SetDataType(dataType);
    WriteCell(col, row, &cell);
    RedrawIfEditOverflows(text);
  }

  const bool wasEditing = m_editInProgress != 0;
  const bool inCellArea = m_editParent == m_CUGGrid.get();
  m_editInProgress = 0;
  if (wasEditing && continueEdit && inCellArea && gi.m_numberCols > 0 && gi.m_numberRows > 0)
    return ContinueEdit(col, row, nextCol, nextRow);
  RepaintCell(col, row);
  return 1;
}

void CUGCtrl::RedrawIfEditOverflows(const char* text) {
  CUGGridInfo& gi = *m_GI;
  if (!text || !*text || !gi.m_textOverflow || m_editCol < 0 || m_editCol + 1 >= gi.m_numberCols) return;
  CUGCell next;
  FetchCell(m_editCol + 1, m_editRow, &next);
  const char* nextText = next.GetText();
  if (nextText && *nextText) return;
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap surface;
  surface.CreateCompatibleBitmap(&dc, 1, 1);
  CBitmap* oldSurface = dc.SelectObject(&surface);
  CFont* font = m_editCtrl && m_editCtrl->GetFont() ? m_editCtrl->GetFont() : gi.m_defFont;
  CFont* oldFont = font ? dc.SelectObject(font) : nullptr;
  RECT measured{0, 0, 0, 0};
  dc.DrawText(text, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  if (oldFont) dc.SelectObject(oldFont);
  if (oldSurface) dc.SelectObject(oldSurface);
  if (measured.right - measured.left > ColWidth(m_editCol)) RedrawAll();
}

int CUGCtrl::ContinueEdit(int editCol, long editRow, int nextCol, long nextRow) {
  CUGGridInfo& gi = *m_GI;
  // A next cell inside the edited cell's join moves past the join; inside another
  // join it goes to that join's start.
  int startCol = nextCol, endCol = nextCol;
  long startRow = nextRow, endRow = nextRow;
  if (nextCol >= 0 && nextCol < gi.m_numberCols && nextRow >= 0 && nextRow < gi.m_numberRows &&
      GetJoinRange(&startCol, &startRow, &endCol, &endRow) == 0) {
    if (startCol == editCol && startRow == editRow) {
      if (nextCol > editCol) nextCol = endCol + 1;
      else if (nextCol < editCol) nextCol = startCol - 1;
      if (nextRow > editRow) nextRow = endRow + 1;
      else if (nextRow < editRow) nextRow = startRow - 1;
    } else {
      nextCol = startCol;
      nextRow = startRow;
    }
  }
  // Columns and rows wrap each on its own: past the last column is column 0
  // of the row asked for, before the first the last column; rows alike.
  if (nextCol >= gi.m_numberCols) nextCol = 0;
  else if (nextCol < 0) nextCol = gi.m_numberCols - 1;
  if (nextRow >= gi.m_numberRows) nextRow = 0;
  else if (nextRow < 0) nextRow = gi.m_numberRows - 1;

  if (SourceOf(nextCol, nullptr)->OnEditContinue(editCol, editRow, &nextCol, &nextRow) != 1 ||
      !OnEditContinue(editCol, editRow, &nextCol, &nextRow)) {
    RepaintCell(editCol, editRow);
    return 1;
  }
  RepaintCell(editCol, editRow);
  BeginCellEditAt(nextCol, nextRow, 0);
  return 1;
}

int CUGCtrl::CloseEditor() {
  if (!m_editInProgress) return 0;
  m_editInProgress = 0;
  if (m_editCtrl) {
    if (CWnd::GetFocus() == m_editCtrl) m_CUGGrid->SetFocus();
    m_editCtrl->ShowWindow(SW_HIDE);
  }
  return 0;
}
