#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "grid/CUGMultiSelect.h"
#include "grid/FakeGridOwner.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/WinMessages.h"
#include "support/TestEnvironment.h"

namespace {

using Cells = std::vector<std::pair<int, long>>;
using Range = FakeGridOwner::Range;
constexpr Range kNone{-9, -9, -9, -9, 0};

class GridMultiSelectTest : public ::testing::Test {
 protected:
  void SetUp() override { grid.SetColumns(6); }
  CUGMultiSelect& Sel() { return *grid.sheet.m_multiSelect; }
  // left, top, right, bottom of the last block or of all blocks; kNone when refused.
  Range Corners(bool total) {
    int left = 0, right = 0;
    long top = 0, bottom = 0;
    const int result = total ? Sel().GetTotalRange(&left, &top, &right, &bottom)
                             : Sel().GetCurrentBlock(&left, &top, &right, &bottom);
    return result != 0 ? kNone : Range{left, top, right, bottom, 0};
  }
  Cells Selected() {
    Cells cells;
    int col = 0;
    long row = 0;
    for (int result = Sel().EnumFirstSelected(&col, &row); result == 0; result = Sel().EnumNextSelected(&col, &row))
      cells.emplace_back(col, row);
    return cells;
  }

  FakeGridOwner grid;
  ScopedKeyState keys;
};

TEST_F(GridMultiSelectTest, ClicksStartExtendAndAddBlocks) {
  Sel().OnLClick(1, 1, 0);
  EXPECT_EQ(grid.selections.back(), (Range{1, 1, 1, 1, 1}));
  Sel().OnLClick(3, 4, MK_SHIFT);
  EXPECT_EQ(grid.selections.back(), (Range{3, 1, 1, 4, 1}));  // right, top, left, bottom, blocks
  EXPECT_EQ(Corners(false), (Range{1, 1, 3, 4, 0}));
  EXPECT_EQ(grid.hints.back(), (Range{1, 1, 3, 4, 0}));

  Sel().OnLClick(5, 8, MK_CONTROL);
  EXPECT_EQ(Sel().GetNumberBlocks(), 2);
  EXPECT_EQ(Sel().IsSelected(2, 3) + Sel().IsSelected(5, 8), 2);
  EXPECT_EQ(Sel().IsSelected(4, 3) + Sel().IsRowSelected(6), 0);
  EXPECT_EQ(Sel().IsColSelected(5), 1);
  EXPECT_EQ(Corners(true), (Range{1, 1, 5, 8, 0}));
  int col = 0;
  long row = 0;
  ASSERT_EQ(Sel().GetOrigCell(&col, &row), 0);
  EXPECT_EQ((Range{col, row, 0, 0, 0}), (Range{5, 8, 0, 0, 0}));

  // A plain click redraws the old area before the selection goes.
  grid.hints.clear();
  Sel().OnLClick(0, 0, 0);
  ASSERT_FALSE(grid.hints.empty());
  EXPECT_EQ(grid.hints.front(), (Range{1, 1, 5, 8, 0}));
  EXPECT_EQ(Selected(), (Cells{{0, 0}}));

  // A right click inside keeps the selection.
  Sel().OnRClick(0, 0, 0);
  EXPECT_EQ(Sel().GetNumberBlocks(), 1);

  Sel().ClearAll();
  EXPECT_EQ(Sel().GetOrigCell(&col, &row) + Sel().EndBlock(1, 1), 2);
  EXPECT_EQ(Corners(true), kNone);
}

TEST_F(GridMultiSelectTest, KeyMovesReadShiftAndCtrl) {
  Sel().OnKeyMove(1, 1);
  keys.Press(VK_SHIFT);
  Sel().OnKeyMove(2, 3);
  keys.Release(VK_SHIFT);
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {2, 1}, {1, 2}, {2, 2}, {1, 3}, {2, 3}}));
  keys.Press(VK_CONTROL);
  Sel().OnKeyMove(4, 4);
  keys.Release(VK_CONTROL);
  EXPECT_EQ(Sel().GetNumberBlocks(), 2);
  const size_t told = grid.selections.size();
  Sel().OnKeyMove(4, 4);  // the same cell again changes nothing
  EXPECT_EQ(grid.selections.size(), told);
  Sel().OnKeyMove(5, 5);
  EXPECT_EQ(Selected(), (Cells{{5, 5}}));
}

TEST_F(GridMultiSelectTest, ToggleCellCutsAHoleThatFirstBlockModeIgnores) {
  Sel().OnLClick(0, 0, 0);
  Sel().OnMouseMove(2, 1, 0);
  Sel().ToggleCell(1, 0);
  int block = -1;
  EXPECT_EQ(Sel().IsSelected(1, 0, &block), 0);
  EXPECT_EQ(block, 1);
  EXPECT_EQ(Selected(), (Cells{{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
  Sel().ToggleCell(1, 0);  // the one-cell block is inverted, not added to
  EXPECT_EQ(Sel().GetNumberBlocks(), 2);
  EXPECT_EQ(Sel().IsSelected(1, 0), 1);

  Sel().SelectMode(UG_MULTISELECT_FIRSTWINS);
  EXPECT_EQ(Sel().GetNumberBlocks(), 0);
  Sel().OnLClick(0, 0, 0);
  Sel().OnMouseMove(2, 1, 0);
  Sel().ToggleCell(1, 0);
  EXPECT_EQ(Sel().IsSelected(1, 0, &block), 1);
  EXPECT_EQ(block, 0);
}

TEST_F(GridMultiSelectTest, WholeRowModeAndEnumerations) {
  grid.sheet.m_currentCol = 2;
  grid.sheet.m_currentRow = 7;
  EXPECT_EQ(Selected(), (Cells{{2, 7}}));  // no block: the current cell

  Sel().OnLClick(3, 3, 0);
  Sel().OnLClick(1, 1, MK_CONTROL);
  Sel().OnMouseMove(0, 0, 0);
  EXPECT_EQ(Selected(), (Cells{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {3, 3}}));
  std::vector<Range> blocks;
  int left = 0, right = 0;
  long top = 0, bottom = 0;
  for (int result = Sel().EnumFirstBlock(&left, &top, &right, &bottom); result == 0;
       result = Sel().EnumNextBlock(&left, &top, &right, &bottom))
    blocks.push_back({left, top, right, bottom, 0});
  EXPECT_EQ(blocks, (std::vector<Range>{{3, 3, 3, 3, 0}, {0, 0, 1, 1, 0}}));

  Sel().SelectMode(UG_MULTISELECT_ROW);
  Sel().OnLClick(5, 3, 0);
  EXPECT_EQ(Corners(false), (Range{0, 3, 6, 3, 0}));
  EXPECT_EQ(Sel().IsColSelected(4), 1);
  Sel().OnLClick(2, 5, MK_SHIFT);
  EXPECT_EQ(Selected(), (Cells{{0, 3}, {0, 4}, {0, 5}}));
}

}  // namespace
