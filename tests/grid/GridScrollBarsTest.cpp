// The grid's scroll bars against the sheet: ranges, pages and positions,
// every scroll code reaching its move, thumb tracking by scroll mode, the
// thumb hint kept inside the control, and the bars' pop-up menu.
#include <gtest/gtest.h>

#include <QCursor>
#include <QWidget>
#include <string>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHScroll.h"
#include "grid/CUGHint.h"
#include "grid/CUGVScroll.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/MessageCore.h"

namespace {

class ScrollingGrid : public CUGCtrl {
 public:
  void OnViewMoved(int section, long oldPosition, long newPosition) override {
    viewMoves.push_back({section, oldPosition, newPosition});
  }
  int OnVScrollHint(long row, std::string* text) override {
    *text = "Row " + std::to_string(row);
    return TRUE;
  }
  int OnHScrollHint(int col, std::string* text) override {
    *text = hText.empty() ? "Col " + std::to_string(col) : hText;
    return TRUE;
  }
  void OnMenuCommand(int col, long row, int section, int item) override {
    commands.push_back({col, row, section, item});
  }
  std::vector<std::vector<long>> viewMoves;
  std::vector<std::vector<long>> commands;
  std::string hText;
};

SCROLLINFO InfoOf(CScrollBar& bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  bar.GetScrollInfo(&info, SIF_ALL);
  return info;
}

class GridScrollBars : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 300, 200), nullptr, 0));
    grid.ResizeCols(20, FALSE);
    grid.ResizeRows(100, FALSE);
    grid.SetPaintingEnabled(1);
    grid.viewMoves.clear();
  }
  void TearDown() override { grid.DestroyWindow(); }
  void VCode(UINT code, UINT pos = 0) { grid.SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos), 0); }
  void HCode(UINT code, UINT pos = 0) { grid.SendMessage(WM_HSCROLL, MAKEWPARAM(code, pos), 0); }
  CUGGridInfo& gi() { return *grid.m_GI; }
  ScrollingGrid grid;
};

TEST_F(GridScrollBars, RangesAndPagesFollowTheAreaTheLockedPartAndTheLargestPositions) {
  // Horizontal: a page is the default-width columns that fit beside the locked ones.
  SCROLLINFO h = InfoOf(*grid.m_CUGHScroll);
  const int hPage = gi().m_gridWidth / gi().m_defColWidth;
  EXPECT_EQ(h.nMin, 0);
  EXPECT_EQ(static_cast<int>(h.nPage), hPage);
  EXPECT_EQ(h.nMax, gi().m_maxLeftCol + hPage - 1);

  // Vertical: the positions are the rows, from the locked ones on.
  SCROLLINFO v = InfoOf(*grid.m_CUGVScroll);
  const int vPage = gi().m_gridHeight / gi().m_defRowHeight;
  EXPECT_EQ(v.nMin, 0);
  EXPECT_EQ(static_cast<int>(v.nPage), vPage);
  EXPECT_EQ(v.nMax, gi().m_maxTopRow + vPage - 1);

  grid.SetLockedCols(2);
  grid.SetLockedRows(3);
  grid.m_CUGHScroll->Update();
  grid.m_CUGVScroll->Update();
  h = InfoOf(*grid.m_CUGHScroll);
  const int lockedPage = (gi().m_gridWidth - gi().m_lockColWidth) / gi().m_defColWidth;
  EXPECT_EQ(static_cast<int>(h.nPage), lockedPage);
  EXPECT_EQ(h.nMax, gi().m_maxLeftCol - 2 + lockedPage - 1);
  v = InfoOf(*grid.m_CUGVScroll);
  EXPECT_EQ(v.nMin, 3);
  EXPECT_EQ(v.nMax, gi().m_maxTopRow + vPage - 1);

  // The thumb stands for the row itself and for the column after the locked ones.
  VCode(SB_THUMBPOSITION, 7);
  EXPECT_EQ(gi().m_topRow, 7);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 7);
  HCode(SB_THUMBPOSITION, 3);
  EXPECT_EQ(gi().m_leftCol, 5);
  EXPECT_EQ(grid.m_CUGHScroll->GetScrollPos(), 3);
  // A new vertical range is reported too, with the top row unchanged.
  EXPECT_EQ(grid.viewMoves, (std::vector<std::vector<long>>{{CUGCtrl::kSectionVScroll, 3, 3},
                                                            {CUGCtrl::kSectionVScroll, 3, 7},
                                                            {CUGCtrl::kSectionHScroll, 2, 5}}));
}

TEST_F(GridScrollBars, ManyRowsScaleTheBarTo1000AndModeTwoKeepsTheThumbInTheMiddle) {
  const long visibleRows = gi().m_numberRows - gi().m_maxTopRow;
  grid.ResizeRows(5000 + visibleRows, FALSE);
  grid.AdjustComponentSizes();
  ASSERT_EQ(gi().m_maxTopRow, 5000);
  SCROLLINFO v = InfoOf(*grid.m_CUGVScroll);
  EXPECT_EQ(v.nMin, 0);
  EXPECT_EQ(v.nMax, 1000);
  EXPECT_EQ(v.nPage, 1u);
  VCode(SB_THUMBPOSITION, 500);
  EXPECT_EQ(gi().m_topRow, 2500);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 500);

  grid.SetVScrollMode(2);
  v = InfoOf(*grid.m_CUGVScroll);
  EXPECT_EQ(v.nMin, 0);
  EXPECT_EQ(v.nMax, 2);
  EXPECT_EQ(v.nPos, 1);
  VCode(SB_LINEDOWN);
  EXPECT_EQ(gi().m_topRow, 2501);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 1);  // back in the middle for the next click

  // A bar position past what a signed number holds is taken as unsigned: the last row.
  grid.SetVScrollMode(0);
  VCode(SB_THUMBPOSITION, 0xFFFF);
  EXPECT_EQ(gi().m_topRow, 5000);
}

TEST_F(GridScrollBars, EveryCodeReachesItsMoveAndScrollsTheViewOnly) {
  grid.GotoCell(1, 1);
  const long vPage = (gi().m_gridHeight - gi().m_lockRowHeight) / gi().m_defRowHeight;
  VCode(SB_LINEDOWN);
  EXPECT_EQ(gi().m_topRow, 1);
  EXPECT_EQ(gi().m_moveType, 4);
  VCode(SB_PAGEDOWN);
  EXPECT_GT(gi().m_topRow, 1);
  EXPECT_LE(gi().m_topRow, 1 + vPage);
  const long paged = gi().m_topRow;
  VCode(SB_PAGEUP);
  EXPECT_LT(gi().m_topRow, paged);
  VCode(SB_BOTTOM);
  EXPECT_EQ(gi().m_topRow, gi().m_maxTopRow);
  VCode(SB_LINEUP);
  EXPECT_EQ(gi().m_topRow, gi().m_maxTopRow - 1);
  VCode(SB_TOP);
  EXPECT_EQ(gi().m_topRow, 0);

  HCode(SB_LINEDOWN);
  EXPECT_EQ(gi().m_leftCol, 1);
  HCode(SB_PAGEDOWN);
  EXPECT_GT(gi().m_leftCol, 1);
  const int pagedCol = gi().m_leftCol;
  HCode(SB_PAGEUP);
  EXPECT_LT(gi().m_leftCol, pagedCol);
  HCode(SB_BOTTOM);
  EXPECT_EQ(gi().m_leftCol, gi().m_maxLeftCol);
  HCode(SB_LINEUP);
  EXPECT_EQ(gi().m_leftCol, gi().m_maxLeftCol - 1);
  HCode(SB_TOP);
  EXPECT_EQ(gi().m_leftCol, 0);

  // The current cell stays where it was.
  EXPECT_EQ(gi().m_currentCol, 1);
  EXPECT_EQ(gi().m_currentRow, 1);
}

TEST_F(GridScrollBars, OnlyModeOneFollowsTheThumbWhileItIsDragged) {
  VCode(SB_THUMBTRACK, 10);
  HCode(SB_THUMBTRACK, 4);
  EXPECT_EQ(gi().m_topRow, 0);
  EXPECT_EQ(gi().m_leftCol, 0);
  EXPECT_EQ(grid.m_CUGVScroll->m_trackRowPos, 10);
  VCode(SB_THUMBPOSITION, 10);
  EXPECT_EQ(gi().m_topRow, 10);

  grid.SetVScrollMode(1);
  grid.SetHScrollMode(1);
  VCode(SB_THUMBTRACK, 20);
  EXPECT_EQ(gi().m_topRow, 20);
  HCode(SB_THUMBTRACK, 4);
  EXPECT_EQ(gi().m_leftCol, 4);

  // With locked rows the dragged thumb and its release mean the same row.
  grid.SetLockedRows(2);
  grid.m_CUGVScroll->Update();
  VCode(SB_THUMBTRACK, 12);
  EXPECT_EQ(gi().m_topRow, 12);
  EXPECT_EQ(grid.m_CUGVScroll->m_trackRowPos, 12);
  VCode(SB_THUMBPOSITION, 12);
  EXPECT_EQ(gi().m_topRow, 12);
}

TEST_F(GridScrollBars, TheThumbHintFollowsTheCursorInsideTheControlAndHidesOnRelease) {
  CUGHint& hint = *grid.m_CUGHint;
  ASSERT_NE(hint.GetSafeHwnd(), nullptr);
  EXPECT_EQ(hint.GetClassName(), "HintWnd");
  EXPECT_TRUE(hint.GetWidget()->isWindow());
  EXPECT_TRUE(hint.GetWidget()->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(hint.GetWidget()->testAttribute(Qt::WA_ShowWithoutActivating));

  RECT control{};
  grid.GetWindowRect(&control);
  // Dragging without the sheet's hint shows nothing.
  QCursor::setPos(control.right - 2, control.bottom - 2);
  VCode(SB_THUMBTRACK, 5);
  EXPECT_FALSE(hint.IsWindowVisible());

  gi().m_enableVScrollHint = 1;
  gi().m_enableHScrollHint = 1;
  // Near the bottom edge the vertical hint is shifted up into the control.
  VCode(SB_THUMBTRACK, 5);
  ASSERT_TRUE(hint.IsWindowVisible());
  EXPECT_EQ(hint.GetText(), "Row 5");
  RECT shown{};
  hint.GetWindowRect(&shown);
  EXPECT_EQ(shown.bottom, control.bottom);
  EXPECT_EQ(shown.right, control.left + gi().m_vScrollRect.left - 1);  // right edge left of the bar
  EXPECT_GE(shown.right - shown.left, 40);
  VCode(SB_THUMBPOSITION, 5);
  EXPECT_FALSE(hint.IsWindowVisible());

  // Near the right edge the horizontal hint is shifted left, its bottom on the bar's top.
  grid.hText = "Column header text wider than the minimum";
  HCode(SB_THUMBTRACK, 2);
  hint.GetWindowRect(&shown);
  EXPECT_EQ(shown.right, control.right);
  EXPECT_EQ(shown.bottom, control.top + gi().m_hScrollRect.top - 1);
  EXPECT_GT(shown.right - shown.left, 20);
  grid.hText = "";
  gi().m_enableHScrollHint = 0;
  HCode(SB_THUMBPOSITION, 2);
  EXPECT_TRUE(hint.IsWindowVisible());  // hidden only by the bar whose hint is on
  hint.Hide();
}

TEST_F(GridScrollBars, HintPlacementFlagsMinimumWidthAndTheControlsEdges) {
  CUGHint& hint = *grid.m_CUGHint;
  RECT control{};
  grid.GetWindowRect(&control);
  const auto placed = [&](int flags, int x, int y, int minWidth) {
    hint.SetPlacement(flags);
    hint.MoveTo(x, y, minWidth);
    RECT r{};
    hint.GetWindowRect(&r);
    return CRect(r.left - control.left, r.top - control.top, r.right - control.left, r.bottom - control.top);
  };
  hint.SetText("", FALSE);
  const int h = hint.m_lineHeight;
  ASSERT_GT(h, 0);
  EXPECT_EQ(placed(1, 100, 50, 30), CRect(100, 50, 130, 50 + h));
  EXPECT_EQ(placed(CUGHint::kRightAtX, 100, 50, 30), CRect(70, 50, 100, 50 + h));
  EXPECT_EQ(placed(CUGHint::kCentreOnX | CUGHint::kRightAtX, 100, 50, 30), CRect(85, 50, 115, 50 + h));
  EXPECT_EQ(placed(CUGHint::kBottomAtY, 100, 50, 30), CRect(100, 50 - h, 130, 50));
  EXPECT_EQ(placed(CUGHint::kCentreOnY | CUGHint::kBottomAtY, 100, 50, 30), CRect(100, 50 - h / 2, 130, 50 - h / 2 + h));
  // Past the left and top edges it is shifted right and down.
  EXPECT_EQ(placed(CUGHint::kRightAtX | CUGHint::kBottomAtY, 10, 3, 30), CRect(0, 0, 30, h));
  // The text decides when it is wider than the minimum.
  hint.SetText("A longer hint text", FALSE);
  const CRect wide = placed(1, 0, 0, 4);
  EXPECT_GT(wide.Width(), 4);
  hint.Hide();
}

TEST_F(GridScrollBars, RightButtonOnABarOpensTheMenuForCellZeroWithItsSection) {
  grid.AppendPopupItem(1001, "Copy");
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 1001u; });
  grid.m_CUGVScroll->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
  PumpPendingMessages();
  EXPECT_TRUE(grid.commands.empty());  // the sheet's menu is off

  grid.EnablePopupMenu(TRUE);
  grid.m_CUGVScroll->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
  PumpPendingMessages();
  grid.m_CUGHScroll->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
  PumpPendingMessages();
  SetPopupMenuChooser(nullptr);
  EXPECT_EQ(grid.commands, (std::vector<std::vector<long>>{{0, 0, CUGCtrl::kSectionVScroll, 1001},
                                                           {0, 0, CUGCtrl::kSectionHScroll, 1001}}));
}

}  // namespace
