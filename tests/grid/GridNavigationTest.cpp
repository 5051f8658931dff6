// Moving the current cell and the view: ends, vetoes, pages, joins, the order
// of the move reports, range rectangles and the selection on program moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGMem.h"
#include "grid/CUGMultiSelect.h"

namespace {

using Log = std::vector<std::string>;

std::string Join(const std::string& name, std::initializer_list<long> values) {
  std::string text = name;
  for (long v : values) text += " " + std::to_string(v);
  return text;
}

// The sheet's memory, with its move operations recorded.
class MoveSource : public CUGMem {
 public:
  int OnCanMove(int, long, int, long) override { return canMove; }
  int OnHitBottom(long rows, long past, long*) override {
    log->push_back(Join("source hit bottom", {rows, past}));
    return 0;
  }
  void OnColChange(int from, int to) override { log->push_back(Join("source col", {from, to})); }
  void OnRowChange(long from, long to) override { log->push_back(Join("source row", {from, to})); }
  int canMove = 1;
  Log* log = nullptr;
};

class FocusType : public CUGCellType {
 public:
  void OnSetFocus(int col, long row, CUGCell*) override { log->push_back(Join("type focus", {col, row})); }
  void OnKillFocus(int col, long row, CUGCell*) override { log->push_back(Join("type unfocus", {col, row})); }
  Log* log = nullptr;
};

class MoveGrid : public CUGCtrl {
 public:
  int OnCanMove(int, long, int, long) override { return canMove; }
  int OnCanViewMove(int oldCol, long oldRow, int newCol, long newRow) override {
    log.push_back(Join("can view move", {oldCol, oldRow, newCol, newRow}));
    return canViewMove;
  }
  void OnHitBottom(long rows, long past, long) override { log.push_back(Join("hit bottom", {rows, past})); }
  void OnColChange(int from, int to) override { log.push_back(Join("col", {from, to})); }
  void OnRowChange(long from, long to) override { log.push_back(Join("row", {from, to})); }
  void OnCellChange(int oldCol, int newCol, long oldRow, long newRow) override {
    log.push_back(Join("cell", {oldCol, newCol, oldRow, newRow}));
  }
  void OnLeftColChange(int from, int to) override { log.push_back(Join("left col", {from, to})); }
  void OnTopRowChange(long from, long to) override { log.push_back(Join("top row", {from, to})); }
  int canMove = TRUE;
  int canViewMove = TRUE;
  Log log;
};

// Ten rows of 20 pixels and five columns of 75 in an area of 200 x 100: rows
// 0 to 4 and columns 0 and 1 are wholly visible.
class GridMoves : public ::testing::Test {
 protected:
  void SetUp() override {
    source.log = &grid.log;
    source.m_ctrl = &grid;
    grid.m_GI->m_defDataSource = &source;
    grid.ResizeCols(5, FALSE);
    grid.ResizeRows(10, FALSE);
    CUGGridInfo& gi = *grid.m_GI;
    gi.m_gridWidth = 200;
    gi.m_gridHeight = 100;
    grid.CalcMaxTopRow();
    grid.CalcMaxLeftCol();
    gi.m_bottomRow = 5;
    gi.m_rightCol = 2;
    grid.log.clear();
  }
  void SetJoin(int col, long firstRow, long lastRow) {
    CUGCell cell;
    for (long row = firstRow; row <= lastRow; ++row) {
      grid.ReadCell(col, row, &cell);
      if (row == firstRow) cell.SetJoinInfo(TRUE, 0, lastRow - firstRow);
      else cell.SetJoinInfo(FALSE, 0, firstRow - row);
      grid.WriteCell(col, row, &cell);
    }
  }
  MoveGrid grid;
  MoveSource source;
};

TEST_F(GridMoves, PastBothEndsTheMoveStopsAtTheEdge) {
  EXPECT_EQ(grid.GotoRow(12), 0);
  EXPECT_EQ(grid.CurrentRow(), 9);
  EXPECT_EQ(grid.log[0], "source hit bottom 10 3");
  EXPECT_EQ(grid.log[1], "hit bottom 10 3");
  EXPECT_EQ(grid.GotoRow(15), 1);  // already on the last row
  EXPECT_EQ(grid.GotoRow(-5), 0);
  EXPECT_EQ(grid.CurrentRow(), 0);
  EXPECT_EQ(grid.GotoCol(7), 0);
  EXPECT_EQ(grid.CurrentCol(), 4);
  EXPECT_EQ(grid.GotoCol(9), 1);
  EXPECT_EQ(grid.MoveCurrentRow(9), 0);
  EXPECT_EQ(grid.CurrentRow(), 0);
  // Codes 4 and 5 (Ctrl+Home and Ctrl+End) go to the first and the last row.
  EXPECT_EQ(grid.MoveCurrentRow(5), 0);
  EXPECT_EQ(grid.FirstVisibleRow(), 5);  // the last row fits at the bottom of the area
  EXPECT_EQ(grid.MoveCurrentRow(4), 0);
  EXPECT_EQ(grid.FirstVisibleRow(), 0);
}

TEST_F(GridMoves, VetoesLeaveThePositionAndTheViewIsAskedOnlyWhenItMustScroll) {
  grid.GotoCell(1, 2);
  source.canMove = 0;
  EXPECT_EQ(grid.GotoRow(3), 2);
  EXPECT_EQ(grid.GotoCol(0), 2);
  EXPECT_EQ(grid.GotoCell(0, 0), 2);
  source.canMove = 2;  // columns and cells need exactly 1
  EXPECT_EQ(grid.GotoCol(0), 2);
  EXPECT_EQ(grid.GotoCell(0, 0), 2);
  source.canMove = 1;
  grid.canMove = FALSE;
  EXPECT_EQ(grid.GotoRow(3), 2);
  EXPECT_EQ(grid.CurrentCol(), 1);
  EXPECT_EQ(grid.CurrentRow(), 2);

  grid.canMove = TRUE;
  grid.log.clear();
  EXPECT_EQ(grid.GotoRow(4), 0);
  EXPECT_EQ(grid.GotoCol(0), 0);
  for (const std::string& entry : grid.log) EXPECT_NE(entry.rfind("can view move", 0), 0u) << entry;
  grid.canViewMove = FALSE;
  EXPECT_EQ(grid.GotoRow(7), 2);
  EXPECT_EQ(grid.log.back(), "can view move 0 0 0 7");
  EXPECT_EQ(grid.SetTopRow(3), 2);
  EXPECT_EQ(grid.CurrentRow(), 4);
  EXPECT_EQ(grid.FirstVisibleRow(), 0);
  grid.canViewMove = TRUE;
  EXPECT_EQ(grid.SetTopRow(30), 0);  // clamped to the largest top row
  EXPECT_EQ(grid.FirstVisibleRow(), 5);
}

TEST_F(GridMoves, PagesCountThePixelHeightsOfTheRows) {
  const int heights[] = {20, 20, 50, 10, 10, 40, 20, 20, 20, 20};
  for (long row = 0; row < 10; ++row) grid.ChangeRowHeight(row, heights[row]);
  grid.CalcMaxTopRow();
  EXPECT_EQ(grid.MoveCurrentRow(3), 0);
  EXPECT_EQ(grid.CurrentRow(), 4);      // 20 + 20 + 50 + 10 fill the page, row 4 no longer fits
  EXPECT_EQ(grid.FirstVisibleRow(), 1);  // rows 1 to 4 are 90 pixels
  EXPECT_EQ(grid.MoveCurrentRow(2), 0);
  EXPECT_EQ(grid.CurrentRow(), 0);

  // Stepping the top row passes over hidden rows.
  grid.SetTopRow(0);
  grid.ChangeRowHeight(1, 0);
  grid.CalcMaxTopRow();
  EXPECT_EQ(grid.MoveTopRow(1), 0);
  EXPECT_EQ(grid.FirstVisibleRow(), 2);
  EXPECT_EQ(grid.MoveTopRow(0), 0);
  EXPECT_EQ(grid.FirstVisibleRow(), 0);
}

TEST_F(GridMoves, TheMoveIsReportedInItsOrder) {
  FocusType type;
  type.log = &grid.log;
  const int typeId = grid.RegisterCellType(&type);
  grid.m_GI->m_colInfo[0].colDefault->SetCellType(typeId);
  grid.m_GI->m_colInfo[3].colDefault->SetCellType(typeId);
  grid.log.clear();
  ASSERT_EQ(grid.GotoCell(3, 7), 0);
  EXPECT_EQ(grid.log, (Log{"can view move 0 0 3 7", "source col 0 3", "col 0 3", "source row 0 7", "row 0 7",
                           "cell 0 3 0 7", "left col 0 2", "top row 0 3", "type unfocus 0 0", "type focus 3 7"}));
  EXPECT_EQ(grid.LeftCol(), 2);  // columns 2 and 3 fill 150 of the 200 pixels
}

TEST_F(GridMoves, JoinsAreSkippedInTheDirectionOfTravel) {
  SetJoin(1, 2, 4);
  grid.GotoCell(1, 1);
  EXPECT_EQ(grid.MoveCurrentRow(1), 0);
  EXPECT_EQ(grid.CurrentRow(), 2);  // onto the join's start
  EXPECT_EQ(grid.MoveCurrentRow(1), 0);
  EXPECT_EQ(grid.CurrentRow(), 5);  // past its end
  EXPECT_EQ(grid.MoveCurrentRow(0), 0);
  EXPECT_EQ(grid.CurrentRow(), 2);  // from below back to its start
  EXPECT_EQ(grid.MoveCurrentRow(0), 0);
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_EQ(grid.GotoCell(1, 3), 0);
  EXPECT_EQ(grid.CurrentRow(), 2);

  int col = 0;
  long row = 0;
  RECT rect{};
  grid.SetTopRow(0);
  EXPECT_EQ(grid.CellFromPoint(80, 65, &col, &row, &rect), 0);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.bottom, 100);
  EXPECT_EQ(grid.CellFromPoint(80, 100, &col, &row, &rect), 1);
}

TEST_F(GridMoves, RangesOutOfSightLieTenPixelsBeyondTheArea) {
  grid.GotoCell(4, 9);
  ASSERT_EQ(grid.LeftCol(), 3);
  ASSERT_EQ(grid.FirstVisibleRow(), 5);
  RECT rect{};
  grid.GetRangeRect(0, 0, 1, 1, &rect);
  EXPECT_EQ(rect.left, -10);
  EXPECT_EQ(rect.top, -10);
  grid.GetRangeRect(3, 5, 4, 9, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 150);
  EXPECT_EQ(rect.bottom, 100);
  grid.SetTopRow(0);
  grid.GetRangeRect(3, 2, 4, 9, &rect);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.bottom, 110);
}

TEST_F(GridMoves, ProgramMovesKeepTheSelectionOnlyWithShiftOrCtrl) {
  ScopedKeyState keys;
  grid.m_GI->m_multiSelectFlag = 1;
  CUGMultiSelect& selection = *grid.m_GI->m_multiSelect;
  grid.GotoRow(2);
  keys.Press(VK_SHIFT);
  grid.log.clear();
  EXPECT_EQ(grid.GotoRow(4), 0);
  EXPECT_EQ(grid.CurrentRow(), 2);  // the block's origin stays current
  for (const std::string& entry : grid.log) EXPECT_NE(entry.rfind("row", 0), 0u) << entry;
  int left = 0, right = 0;
  long top = 0, bottom = 0;
  selection.GetCurrentBlock(&left, &top, &right, &bottom);
  EXPECT_EQ(top, 2);
  EXPECT_EQ(bottom, 4);
  // Shift on the target cell with the selection off does nothing.
  grid.m_GI->m_multiSelectFlag = 0;
  EXPECT_EQ(grid.GotoCell(0, 4), 0);
  EXPECT_EQ(grid.CurrentRow(), 2);
  grid.m_GI->m_multiSelectFlag = 1;

  keys.Release(VK_SHIFT);
  EXPECT_EQ(grid.GotoRow(6), 0);
  EXPECT_EQ(grid.CurrentRow(), 6);
  EXPECT_EQ(selection.GetNumberBlocks(), 1);
  selection.GetCurrentBlock(&left, &top, &right, &bottom);
  EXPECT_EQ(top, 6);
  EXPECT_EQ(bottom, 6);
}

}  // namespace
