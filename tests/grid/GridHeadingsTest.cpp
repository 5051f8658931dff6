// The headings and the corner button: border hit zones, sizing by the mouse,
// best fit, column moves, right-click sections, tips and help.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <string>
#include <vector>

#include "grid/CUGCellType.h"
#include "grid/CUGCnrBtn.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGSideHdg.h"
#include "grid/CUGTopHdg.h"
#include "grid/UGHelp.h"
#include "platform/ui/WindowTimers.h"

namespace {

class HeadingGrid : public CUGCtrl {
 public:
  void OnTopHdgLClicked(int col, long row, int upDown, RECT*, POINT*, BOOL) override {
    clicks.push_back({col, static_cast<int>(row), upDown});
  }
  void OnColSized(int col, int* width) override { sized.push_back({col, *width}); }
  int BestFitColumns(int startCol, int endCol, int rows, int flags) override {
    bestFits.push_back({startCol, endCol, rows, flags});
    return CUGCtrl::BestFitColumns(startCol, endCol, rows, flags);
  }
  int OnCanMoveCol(int from, int to) override {
    moves.push_back({from, to});
    return TRUE;
  }
  void OnColMoved(int from, int to) override { moved.push_back({from, to}); }
  int OnMenuStart(int col, long row, int section) override {
    menus.push_back({col, static_cast<int>(row), section});
    return FALSE;
  }
  int OnHint(int col, long row, int section, std::string* text) override {
    *text = std::to_string(col) + "," + std::to_string(row) + "/" + std::to_string(section);
    return TRUE;
  }
  DWORD OnGetContextHelpId(int col, long row, int section) override {
    return static_cast<DWORD>(section * 100 + (col < 0 ? 50 : col) + (row < 0 ? 0 : 0));
  }
  int OnTopHdgSizing(int* height) override {
    topSizing.push_back(*height);
    return TRUE;
  }

  std::vector<std::vector<int>> clicks, sized, bestFits, moves, moved, menus;
  std::vector<int> topSizing;
};

class Headings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 420, 300), nullptr, 0));
    grid.ResizeCols(5, FALSE);
    grid.ResizeRows(30, FALSE);
    grid.SetPaintingEnabled(1);
    grid.m_GI->m_userSizingMode = 2;  // live sizing
    grid.ShowWindow(SW_SHOW);
    QApplication::processEvents();
  }
  void TearDown() override { grid.DestroyWindow(); }
  static void Send(CWnd* window, UINT message, UINT flags, int x, int y) {
    window->SendMessage(message, flags, MAKELPARAM(x, y));
  }
  // Hover, press, drag and release on the top heading.
  void DragTop(int fromX, int toX, int y = 5) {
    CWnd* top = grid.m_CUGTopHdg.get();
    Send(top, WM_MOUSEMOVE, 0, fromX, y);
    Send(top, WM_LBUTTONDOWN, MK_LBUTTON, fromX, y);
    Send(top, WM_MOUSEMOVE, MK_LBUTTON, toX, y);
    Send(top, WM_LBUTTONUP, 0, toX, y);
  }
  HeadingGrid grid;
};

TEST_F(Headings, ColumnBordersHitWithinThreePixelsSizeHiddenColumnsAndNeverGoNegative) {
  DragTop(77, 30);  // 2 pixels right of column 0's border at 75
  EXPECT_EQ(grid.ColWidth(0), 75 - 77 + 30);
  const int width0 = grid.ColWidth(0);
  DragTop(width0 + 3, 10);  // 3 pixels away: a click on column 1
  EXPECT_EQ(grid.ColWidth(0), width0);
  EXPECT_EQ(grid.clicks, (std::vector<std::vector<int>>{{1, -1, 1}, {0, -1, 0}}));

  DragTop(width0 - 2, -100);
  EXPECT_EQ(grid.ColWidth(0), 0);

  // A hidden column right of the border is the one brought back.
  grid.ChangeColumnWidth(0, 75);
  grid.ChangeColumnWidth(1, 0);
  grid.sized.clear();
  DragTop(76, 100);
  EXPECT_EQ(grid.ColWidth(0), 75);
  EXPECT_EQ(grid.ColWidth(1), 24);
  ASSERT_FALSE(grid.sized.empty());
  EXPECT_EQ(grid.sized.back(), (std::vector<int>{1, 24}));
}

TEST_F(Headings, DoubleClickOnABorderBestFitsTheColumnWithTheHeading) {
  grid.PutCellText(2, -1, "A rather long heading");
  CWnd* top = grid.m_CUGTopHdg.get();
  Send(top, WM_MOUSEMOVE, 0, 226, 5);  // column 2's right border at 225
  Send(top, WM_LBUTTONDBLCLK, MK_LBUTTON, 226, 5);
  ASSERT_EQ(grid.bestFits.size(), 1u);
  EXPECT_EQ(grid.bestFits[0], (std::vector<int>{2, 2, 20, 1}));
  EXPECT_GT(grid.ColWidth(2), 75);
}

TEST_F(Headings, ColumnMovesAskWithTheTargetAndAPlainClickWithMinusOne) {
  grid.m_GI->m_enableColMove = 1;
  grid.PutCellText(0, -1, "first");
  CWnd* top = grid.m_CUGTopHdg.get();
  // Column 0 dropped past the middle of column 2: before column 3, target 2.
  Send(top, WM_LBUTTONDOWN, MK_LBUTTON, 10, 5);
  Send(top, WM_MOUSEMOVE, MK_LBUTTON, 200, 5);
  Send(top, WM_LBUTTONUP, 0, 200, 5);
  EXPECT_EQ(grid.moves, (std::vector<std::vector<int>>{{0, 2}}));
  EXPECT_EQ(grid.moved, (std::vector<std::vector<int>>{{0, 2}}));
  EXPECT_STREQ(grid.GetCellText(2, -1), "first");

  // Onto itself: the target is the source.
  Send(top, WM_LBUTTONDOWN, MK_LBUTTON, 160, 5);
  Send(top, WM_MOUSEMOVE, MK_LBUTTON, 155, 5);
  Send(top, WM_LBUTTONUP, 0, 155, 5);
  EXPECT_EQ(grid.moves.back(), (std::vector<int>{2, 2}));
  EXPECT_STREQ(grid.GetCellText(2, -1), "first");

  // A plain click asks with -1 and reports -1; nothing moves.
  Send(top, WM_LBUTTONDOWN, MK_LBUTTON, 160, 5);
  Send(top, WM_LBUTTONUP, 0, 160, 5);
  EXPECT_EQ(grid.moves.back(), (std::vector<int>{2, -1}));
  EXPECT_EQ(grid.moved.back(), (std::vector<int>{2, -1}));
  EXPECT_STREQ(grid.GetCellText(2, -1), "first");
}

TEST_F(Headings, AColumnDraggedPastTheEdgeScrollsOnTheTimerUntilTheButtonGoesUp) {
  grid.ResizeCols(12, FALSE);
  grid.AdjustComponentSizes();
  grid.m_GI->m_enableColMove = 1;
  CWnd* top = grid.m_CUGTopHdg.get();
  const HWND handle = top->GetSafeHwnd();
  Send(top, WM_LBUTTONDOWN, MK_LBUTTON, 10, 5);
  Send(top, WM_MOUSEMOVE, MK_LBUTTON, grid.m_GI->m_gridWidth + 20, 5);
  EXPECT_EQ(grid.m_GI->m_leftCol, 1);
  ASSERT_TRUE(FireTimerNow(handle, CUGTopHdg::kMoveScrollTimer));
  EXPECT_EQ(grid.m_GI->m_leftCol, 2);
  Send(top, WM_MOUSEMOVE, MK_LBUTTON, 100, 5);  // back inside: the scrolling stops
  EXPECT_FALSE(FireTimerNow(handle, CUGTopHdg::kMoveScrollTimer));
  Send(top, WM_LBUTTONUP, 0, 100, 5);
  EXPECT_EQ(grid.moved.size(), 1u);
  EXPECT_EQ(grid.m_GI->m_leftCol, 2);
}

TEST_F(Headings, RowBordersWithUniformHeightsAndTheCornerSizesTheHeadings) {
  grid.SetUniformRowHeight(1);
  CWnd* side = grid.m_CUGSideHdg.get();
  // The border below row 1 (y 40): the rows per drag unit are 41 / 20 = 2.
  Send(side, WM_MOUSEMOVE, 0, 10, 41);
  Send(side, WM_LBUTTONDOWN, MK_LBUTTON, 10, 41);
  Send(side, WM_MOUSEMOVE, MK_LBUTTON, 10, 61);
  Send(side, WM_LBUTTONUP, 0, 10, 61);
  EXPECT_EQ(grid.m_GI->m_defRowHeight, 30);

  CWnd* corner = grid.m_CUGCnrBtn.get();
  RECT box{};
  corner->GetClientRect(&box);
  Send(corner, WM_MOUSEMOVE, 0, 5, box.bottom - 2);
  Send(corner, WM_LBUTTONDOWN, MK_LBUTTON, 5, box.bottom - 2);
  Send(corner, WM_MOUSEMOVE, MK_LBUTTON, 5, 33);
  Send(corner, WM_LBUTTONUP, 0, 5, 33);
  EXPECT_EQ(grid.topSizing, (std::vector<int>{33}));
  EXPECT_EQ(grid.m_GI->m_topHdgHeight, 33);
  EXPECT_EQ(grid.m_GI->m_topHdgHeights[0], 33);
  EXPECT_EQ(grid.SetTopHeadingHeight(-1), 1);
}

TEST_F(Headings, RightClickSectionsTipsAndHelp) {
  grid.EnablePopupMenu(TRUE);
  Send(grid.m_CUGTopHdg.get(), WM_RBUTTONDOWN, MK_RBUTTON, 80, 5);
  Send(grid.m_CUGSideHdg.get(), WM_RBUTTONDOWN, MK_RBUTTON, 5, 25);
  Send(grid.m_CUGCnrBtn.get(), WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
  EXPECT_EQ(grid.menus, (std::vector<std::vector<int>>{{1, -1, 2}, {-1, 1, 3}, {-1, -1, 4}}));

  TOOLINFO info;
  TOOLTIPTEXT tip;
  CUGTopHdg* top = grid.m_CUGTopHdg.get();
  top->OnToolHitTest(CPoint(80, 5), &info);
  ASSERT_EQ(top->OnToolHitTest(CPoint(80, 5), &info), 1);
  ASSERT_TRUE(top->OnToolTipText(&tip));
  EXPECT_EQ(tip.text, "1,-1/2");
  CUGSideHdg* side = grid.m_CUGSideHdg.get();
  side->OnToolHitTest(CPoint(5, 25), &info);
  ASSERT_EQ(side->OnToolHitTest(CPoint(5, 25), &info), 1);
  ASSERT_TRUE(side->OnToolTipText(&tip));
  EXPECT_EQ(tip.text, "-1,1/3");
  CUGCnrBtn* corner = grid.m_CUGCnrBtn.get();
  corner->OnToolHitTest(CPoint(5, 5), &info);
  ASSERT_EQ(corner->OnToolHitTest(CPoint(5, 5), &info), 1);
  ASSERT_TRUE(corner->OnToolTipText(&tip));
  EXPECT_EQ(tip.text, "-1,-1/4");

  EXPECT_EQ(top->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(80, 5)), 201);
  HELPINFO help;
  help.MousePos = POINT{5, 25};
  side->ClientToScreen(&help.MousePos);
  ASSERT_EQ(side->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
  EXPECT_EQ(UGHelpShown().back(), 350u);
  help.iContextType = 2;  // help on a menu item: not the window's
  EXPECT_EQ(corner->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 0);
}

// Records what the headings draw and which heading's click notices arrive.
class JoinedHeadingGrid : public CUGCtrl {
 public:
  class RecordingType : public CUGCellType {
   public:
    void OnDraw(CDC*, RECT* rect, int col, long row, CUGCell*, int, int) override {
      drawn.push_back({col, static_cast<int>(row), static_cast<int>(rect->left), static_cast<int>(rect->top),
                       static_cast<int>(rect->right), static_cast<int>(rect->bottom)});
    }
    std::vector<std::vector<int>> drawn;
  };
  void OnGetCell(int col, long row, CUGCell* cell) override {
    if ((col < 0) == (row < 0)) return;
    cell->SetCellType(recordingId);
    // Columns 1 and 2 share a heading; column 4's reaches down into the cell area.
    if (row == -1 && (col == 1 || col == 2)) cell->SetJoinInfo(col == 1, col == 1 ? 1 : -1, 0);
    if (row == -1 && col == 4) cell->SetJoinInfo(TRUE, 0, 2);
    // Rows 2 and 3 share a heading; row 5's reaches right into the cell area.
    if (col == -1 && (row == 2 || row == 3)) cell->SetJoinInfo(row == 2, 0, row == 2 ? 1 : -1);
    if (col == -1 && row == 5) cell->SetJoinInfo(TRUE, 1, 0);
  }
  void OnTopHdgDClicked(int col, long row, RECT*, POINT*, BOOL) override { notices.push_back({2, col, int(row)}); }
  void OnSideHdgLClicked(int col, long row, int upDown, RECT*, POINT*, BOOL) override {
    notices.push_back({3, col, int(row), upDown});
  }
  void OnSideHdgDClicked(int col, long row, RECT*, POINT*, BOOL) override { notices.push_back({3, col, int(row)}); }

  RecordingType recording;
  int recordingId = -1;
  std::vector<std::vector<int>> notices;
};

TEST(HeadingJoins, AJoinIsOneRectangleDrawnOnceAndClicksReachTheirHeadingsNotices) {
  JoinedHeadingGrid grid;
  ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 420, 300), nullptr, 0));
  grid.recordingId = grid.RegisterCellType(&grid.recording);
  grid.ResizeCols(5, FALSE);
  grid.ResizeRows(10, FALSE);
  grid.SetPaintingEnabled(1);
  grid.ShowWindow(SW_SHOW);
  QApplication::processEvents();
  const CUGGrid* area = grid.m_CUGGrid.get();
  const CUGGridInfo& gi = *grid.m_GI;
  CUGTopHdg* top = grid.m_CUGTopHdg.get();
  CUGSideHdg* side = grid.m_CUGSideHdg.get();

  RECT rect{};
  top->CellRect(2, -1, &rect);
  EXPECT_EQ(CRect(rect), CRect(area->ColumnStart(1), 0, area->ColumnStart(3), gi.m_topHdgHeight));
  top->CellRect(4, -1, &rect);
  EXPECT_EQ(rect.bottom, gi.m_topHdgHeight);
  const int sideCol = gi.m_sideHdgWidths[0];  // the one heading column
  side->CellRect(-1, 3, &rect);
  EXPECT_EQ(CRect(rect), CRect(0, area->RowStart(2), sideCol, area->RowStart(4)));
  side->CellRect(-1, 5, &rect);
  EXPECT_EQ(rect.right, sideCol);

  grid.recording.drawn.clear();
  top->Update();
  const std::vector<int> topJoin{1, -1, area->ColumnStart(1), 0, area->ColumnStart(3), gi.m_topHdgHeight};
  EXPECT_EQ(std::count(grid.recording.drawn.begin(), grid.recording.drawn.end(), topJoin), 1);
  for (const std::vector<int>& drawn : grid.recording.drawn) EXPECT_NE(drawn[0], 2);
  grid.recording.drawn.clear();
  side->Update();
  const std::vector<int> sideJoin{-1, 2, 0, area->RowStart(2), sideCol, area->RowStart(4)};
  EXPECT_EQ(std::count(grid.recording.drawn.begin(), grid.recording.drawn.end(), sideJoin), 1);
  for (const std::vector<int>& drawn : grid.recording.drawn) EXPECT_NE(drawn[1], 3);

  top->SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(area->ColumnStart(3) + 5, 5));
  side->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, area->RowStart(1) + 5));
  side->SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, area->RowStart(1) + 5));
  EXPECT_EQ(grid.notices, (std::vector<std::vector<int>>{{2, 3, -1}, {3, -1, 1, 1}, {3, -1, 1}}));
  grid.DestroyWindow();
}

}  // namespace
