// The cell area: its paint list, what a paint and a move draw, keys, mouse,
// wheel, drag selection, tips and help.
#include <gtest/gtest.h>

#include <QApplication>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../support/FakeClock.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGPaintList.h"
#include "grid/UGHelp.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/WindowTimers.h"

namespace {

TEST(PaintList, BoundsRangesJoinsAndReporting) {
  CUGPaintList list;
  std::vector<std::vector<long>> reported;
  list.SetRangeAdded([&](int c0, long r0, int c1, long r1) { reported.push_back({c0, r0, c1, r1}); });
  EXPECT_FALSE(list.Contains(0, 0));
  list.AddRange(2, 2, 3, 3);
  list.AddCell(-1, 7);  // headings use negative numbers
  EXPECT_TRUE(list.Contains(3, 2));
  EXPECT_TRUE(list.Contains(-1, 7));
  EXPECT_FALSE(list.Contains(0, 7));  // inside the bounds, in no range
  EXPECT_FALSE(list.Contains(4, 2));
  list.GrowFirst(1, 1, 2, 2);
  EXPECT_TRUE(list.Contains(1, 1));
  EXPECT_EQ(reported.size(), 3u);

  list.MarkDrawn(1, 1);
  EXPECT_TRUE(list.WasDrawn(1, 1));
  EXPECT_FALSE(list.WasDrawn(2, 2));
  list.Clear();
  EXPECT_FALSE(list.Contains(3, 3));
  EXPECT_FALSE(list.WasDrawn(1, 1));
  // The bounds start again from the next range.
  list.SetReporting(false);
  list.GrowFirst(5, 5, 5, 5);
  EXPECT_TRUE(list.Contains(5, 5));
  EXPECT_FALSE(list.Contains(2, 2));
  EXPECT_EQ(reported.size(), 3u);
}

// Counts what it draws; everything else is the normal type.
class CountingType : public CUGCellType {
 public:
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override {
    drawn.emplace_back(col, row);
    rects.push_back(*rect);
    CUGCellType::OnDraw(dc, rect, col, row, cell, selected, current);
  }
  BOOL OnKeyDown(int, long, UINT* key) override {
    if (zeroKeys) *key = 0;
    return FALSE;
  }
  std::vector<std::pair<int, long>> drawn;
  std::vector<RECT> rects;
  bool zeroKeys = false;
};

class CountingGrid : public CUGCtrl {
 public:
  void OnGetCell(int col, long row, CUGCell* cell) override {
    if (col >= 0 && row >= 0) cell->SetCellType(countingId);
    if (joinTopLeft && col <= 1 && row >= 0 && row <= 1) {
      if (col == 0 && row == 0)
        cell->SetJoinInfo(TRUE, 1, 1);
      else
        cell->SetJoinInfo(FALSE, -col, -row);
    }
  }
  COLORREF OnGetDefBackColor(int section) override {
    return section == kSectionCellArea ? RGB(1, 2, 3) : CUGCtrl::OnGetDefBackColor(section);
  }
  int OnDrawFocusRect(CDC* dc, RECT* rect) override {
    focusRects.push_back(*rect);
    return CUGCtrl::OnDrawFocusRect(dc, rect);
  }
  void OnLClicked(int col, long row, int upDown, RECT*, POINT*, BOOL) override {
    clicks.push_back({col, static_cast<int>(row), upDown});
  }
  int OnHint(int col, long row, int section, std::string* text) override {
    *text = "tip " + std::to_string(col) + "," + std::to_string(row) + " in " + std::to_string(section);
    return col >= 0;
  }
  DWORD OnGetContextHelpId(int col, long, int) override { return col == 2 ? 77 : 0; }
  int OnMenuStart(int, long, int section) override {
    menuSections.push_back(section);
    return FALSE;
  }

  CountingType counting;
  int countingId = -1;
  bool joinTopLeft = false;
  std::vector<RECT> focusRects;
  std::vector<std::vector<int>> clicks;
  std::vector<int> menuSections;
};

class CellArea : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 400, 300), nullptr, 0));
    grid.countingId = grid.RegisterCellType(&grid.counting);
    grid.ResizeCols(9, FALSE);
    grid.ResizeRows(200, FALSE);
    grid.SetPaintingEnabled(1);
    grid.ShowWindow(SW_SHOW);
    grid.GotoCell(1, 1);
    Flush();
  }
  void TearDown() override { grid.DestroyWindow(); }
  void Flush() {
    CUGGrid::PaintPendingNow(area());
    QApplication::processEvents();
    CUGGrid::PaintPendingNow(area());
    grid.counting.drawn.clear();
    grid.counting.rects.clear();
  }
  CUGGrid* area() { return grid.m_CUGGrid.get(); }
  std::set<long> DrawnRows() const {
    std::set<long> rows;
    for (const auto& [col, row] : grid.counting.drawn) rows.insert(row);
    return rows;
  }
  void Key(UINT key) { area()->SendMessage(WM_KEYDOWN, key, 1); }
  void Mouse(UINT message, UINT flags, int x, int y) { area()->SendMessage(message, flags, MAKELPARAM(x, y)); }

  CountingGrid grid;
};

TEST_F(CellArea, AnEmptyListStillFillsTheEmptyAreasAndDrawsTheFocusAndAJoinIsDrawnOnce) {
  grid.ResizeCols(2, FALSE);  // 150 pixels of columns and 60 of rows, the rest is empty
  grid.ResizeRows(3, FALSE);
  Flush();
  grid.m_findDialog = &grid;  // an open find dialog shows the focus as the focus itself does
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap surface;
  surface.CreateCompatibleBitmap(&dc, grid.m_GI->m_gridWidth, grid.m_GI->m_gridHeight);
  dc.SelectObject(&surface);
  area()->PaintInvalidCells(&dc, nullptr);
  EXPECT_TRUE(grid.counting.drawn.empty());
  EXPECT_EQ(dc.GetPixel(200, 5), RGB(1, 2, 3));
  EXPECT_EQ(dc.GetPixel(10, 65), RGB(1, 2, 3));
  ASSERT_EQ(grid.focusRects.size(), 1u);
  EXPECT_EQ(CRect(grid.focusRects[0]), CRect(75, 20, 150, 40));

  grid.joinTopLeft = true;
  area()->m_paintList.SetReporting(false);
  area()->m_paintList.AddRange(0, 0, 1, 1);
  grid.counting.drawn.clear();
  area()->PaintInvalidCells(&dc, nullptr);
  ASSERT_EQ(grid.counting.drawn.size(), 1u);
  EXPECT_EQ(grid.counting.drawn[0], std::make_pair(0, 0L));
  EXPECT_EQ(CRect(grid.counting.rects[0]), CRect(0, 0, 150, 40));
  area()->m_paintList.SetReporting(true);
  grid.m_findDialog = nullptr;
}

TEST_F(CellArea, OneRowScrollsDrawTheNewStripAndTheCurrentCellsAndAWideMoveEverything) {
  const long bottom = grid.m_GI->m_bottomRow;
  ASSERT_GT(bottom, 3);
  ASSERT_EQ(grid.SetTopRow(1), 0);
  const std::set<long> rows = DrawnRows();
  EXPECT_FALSE(rows.empty());
  // The rows already on show moved with the pixels: none in the middle is drawn.
  for (long row = 2; row < bottom - 1; ++row) EXPECT_EQ(rows.count(row), row == 1 ? 1u : 0u) << row;
  EXPECT_TRUE(rows.count(bottom) || rows.count(bottom + 1));
  EXPECT_LT(grid.counting.drawn.size(), 30u);

  // Down at the last fully visible row scrolls by one row as well.
  ASSERT_EQ(grid.SetTopRow(0), 0);
  grid.GotoRow(grid.m_GI->m_bottomRow - 1);
  Flush();
  const long last = grid.m_GI->m_currentRow;
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_GI->m_topRow, 1L);
  const std::set<long> down = DrawnRows();
  for (long row = 2; row < last; ++row) EXPECT_EQ(down.count(row), 0u) << row;
  EXPECT_TRUE(down.count(last) && down.count(last + 1));

  Flush();
  ASSERT_EQ(grid.SetTopRow(120), 0);  // far more than a window's height
  const std::set<long> all = DrawnRows();
  EXPECT_TRUE(all.count(120) && all.count(121) && all.count(grid.m_GI->m_bottomRow));
}

TEST_F(CellArea, BallisticKeysSleepOnlyOnTheFirstRepeatAndGrowTheStep) {
  FakeClock clock;
  clock.Install();
  grid.m_GI->m_ballisticKeyMode = 3;
  grid.m_GI->m_ballisticKeyDelay = 100;
  grid.GotoCell(0, 0);
  std::vector<long> steps;
  std::vector<std::uint32_t> slept;
  for (int press = 1; press <= 6; ++press) {
    const long before = grid.m_GI->m_currentRow;
    const std::uint32_t ticks = clock.TickCount();
    Key(VK_DOWN);
    steps.push_back(grid.m_GI->m_currentRow - before);
    slept.push_back(clock.TickCount() - ticks);
  }
  EXPECT_EQ(steps, (std::vector<long>{1, 1, 2, 2, 2, 9}));
  EXPECT_EQ(slept, (std::vector<std::uint32_t>{0, 100, 0, 0, 0, 0}));
  area()->SendMessage(WM_KEYUP, VK_DOWN, 1);  // the count starts again
  const long before = grid.m_GI->m_currentRow;
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_GI->m_currentRow - before, 1);

  grid.counting.zeroKeys = true;
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_GI->m_currentRow - before, 1);
}

TEST_F(CellArea, ClicksNeedTheirButtonDownAndNothingHappensWhileEditing) {
  Mouse(WM_LBUTTONUP, 0, 10, 10);  // a click that began elsewhere
  EXPECT_TRUE(grid.clicks.empty());
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 160, 45);
  Mouse(WM_LBUTTONUP, 0, 160, 45);
  EXPECT_EQ(grid.clicks, (std::vector<std::vector<int>>{{2, 2, 1}, {2, 2, 0}}));
  EXPECT_EQ(grid.m_GI->m_currentCol, 2);
  EXPECT_EQ(grid.m_GI->m_currentRow, 2L);

  grid.m_editInProgress = 1;
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Mouse(WM_LBUTTONUP, 0, 10, 10);
  area()->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(grid.clicks.size(), 2u);
  EXPECT_EQ(grid.m_GI->m_currentCol, 2);
  EXPECT_EQ(grid.m_GI->m_topRow, 0L);
  grid.m_editInProgress = 0;
}

TEST_F(CellArea, WheelPartsAddUpToANotchOfThreeRows) {
  const auto wheel = [&](short delta) {
    area()->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  };
  wheel(-40);
  wheel(-40);
  EXPECT_EQ(grid.m_GI->m_topRow, 0L);
  wheel(-40);
  EXPECT_EQ(grid.m_GI->m_topRow, 3L);
  wheel(-240);
  EXPECT_EQ(grid.m_GI->m_topRow, 9L);
  wheel(120);
  EXPECT_EQ(grid.m_GI->m_topRow, 6L);
}

TEST_F(CellArea, DragBelowTheAreaScrollsOnTheTimerUntilTheButtonGoesUp) {
  grid.m_GI->m_ballisticMode = 0;
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  const int below = grid.m_GI->m_gridHeight + 15;
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, 10, below);
  const long first = grid.m_GI->m_dragRow;
  EXPECT_GT(first, 0L);
  ASSERT_TRUE(FireTimerNow(area()->GetSafeHwnd(), CUGGrid::kDragScrollTimer));
  ASSERT_TRUE(FireTimerNow(area()->GetSafeHwnd(), CUGGrid::kDragScrollTimer));
  EXPECT_EQ(grid.m_GI->m_dragRow, first + 2);
  Mouse(WM_LBUTTONUP, 0, 10, below);
  EXPECT_FALSE(FireTimerNow(area()->GetSafeHwnd(), CUGGrid::kDragScrollTimer));
  EXPECT_EQ(grid.m_GI->m_dragRow, first + 2);
}

TEST_F(CellArea, TipsHelpAndThePopupSectionOfTheCellArea) {
  TOOLINFO info;
  const CPoint at(160, 45);
  area()->OnToolHitTest(at, &info);  // a new cell: remembered, no tool yet
  ASSERT_EQ(area()->OnToolHitTest(at, &info), 1);
  EXPECT_TRUE(info.textByCallback);
  TOOLTIPTEXT tip;
  ASSERT_TRUE(area()->OnToolTipText(&tip));
  EXPECT_EQ(tip.text, "tip 2,2 in 1");
  EXPECT_EQ(area()->OnToolHitTest(CPoint(10, 10), &info), -1);

  EXPECT_EQ(area()->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(160, 45)), 77);
  HELPINFO help;
  area()->ClientToScreen(&(help.MousePos = POINT{10, 10}));
  const size_t shown = UGHelpShown().size();
  EXPECT_EQ(area()->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 0);  // id 0: nothing
  help.MousePos = POINT{160, 45};
  area()->ClientToScreen(&help.MousePos);
  EXPECT_EQ(area()->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
  ASSERT_EQ(UGHelpShown().size(), shown + 1);
  EXPECT_EQ(UGHelpShown().back(), 77u);

  grid.EnablePopupMenu(TRUE);
  Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
  Mouse(WM_RBUTTONUP, 0, 10, 10);
  EXPECT_EQ(grid.menuSections, (std::vector<int>{CUGCtrl::kSectionCellArea}));
}

}  // namespace
