// The grid's scroll bars against the sheet: ranges and positions, the scaled
// range of long sheets, the scroll codes, thumb tracking by scroll mode, the
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
#include "grid/CUGTab.h"
#include "grid/CUGVScroll.h"
#include "grid/UGHelp.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/MessageCore.h"

namespace {

class ScrollingGrid : public CUGCtrl {
 public:
  void OnViewMoved(int section, long from, long to) override { moves.push_back({section, from, to}); }
  int OnVScrollHint(long row, std::string* text) override {
    *text = "Row " + std::to_string(row);
    return TRUE;
  }
  int OnHScrollHint(int, std::string* text) override {
    *text = "A column hint wider than twenty pixels";
    return TRUE;
  }
  void OnMenuCommand(int col, long row, int section, int item) override { moves.push_back({col, row, section, item}); }
  DWORD OnGetContextHelpId(int col, long row, int section) override {
    return static_cast<DWORD>(100 * section + 10 * col + row);
  }
  std::vector<std::vector<long>> moves;
};

class GridScrollBars : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 300, 200), nullptr, 0));
    grid.ResizeCols(20, FALSE);
    grid.ResizeRows(100, FALSE);
    grid.SetPaintingEnabled(1);
    grid.moves.clear();
  }
  void TearDown() override { grid.DestroyWindow(); }
  void V(UINT code, UINT pos = 0) { grid.SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos), 0); }
  void H(UINT code, UINT pos = 0) { grid.SendMessage(WM_HSCROLL, MAKEWPARAM(code, pos), 0); }
  static SCROLLINFO Info(CScrollBar& bar) {
    SCROLLINFO info{sizeof(SCROLLINFO)};
    bar.GetScrollInfo(&info, SIF_ALL);
    return info;
  }
  CUGGridInfo& gi() { return *grid.m_GI; }
  ScrollingGrid grid;
};

TEST_F(GridScrollBars, RangesFollowTheAreaAndLockedPartsAndThePositionIsTheRowOrColumn) {
  grid.SetLockedCols(2);
  grid.SetLockedRows(3);
  grid.m_CUGHScroll->Update();
  grid.m_CUGVScroll->Update();
  const SCROLLINFO h = Info(*grid.m_CUGHScroll);
  const int hPage = (gi().m_gridWidth - gi().m_lockColWidth) / gi().m_defColWidth;
  EXPECT_EQ(std::vector<int>({h.nMin, static_cast<int>(h.nPage), h.nMax}),
            std::vector<int>({0, hPage, gi().m_maxLeftCol - 2 + hPage - 1}));
  const SCROLLINFO v = Info(*grid.m_CUGVScroll);
  const int vPage = gi().m_gridHeight / gi().m_defRowHeight;
  EXPECT_EQ(std::vector<int>({v.nMin, static_cast<int>(v.nPage), v.nMax}),
            std::vector<int>({3, vPage, static_cast<int>(gi().m_maxTopRow) + vPage - 1}));

  V(SB_THUMBPOSITION, 7);
  H(SB_THUMBPOSITION, 3);
  EXPECT_EQ(gi().m_topRow, 7);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 7);
  EXPECT_EQ(gi().m_leftCol, 5);  // after the locked columns
  EXPECT_EQ(grid.m_CUGHScroll->GetScrollPos(), 3);
  // A new vertical range is reported too, with the top row unchanged.
  EXPECT_EQ(grid.moves, (std::vector<std::vector<long>>{{6, 3, 3}, {6, 3, 7}, {5, 2, 5}}));
}

TEST_F(GridScrollBars, ManyRowsScaleTheBarTo1000AndModeTwoKeepsTheThumbInTheMiddle) {
  grid.ResizeRows(5000 + gi().m_numberRows - gi().m_maxTopRow, FALSE);
  grid.AdjustComponentSizes();
  ASSERT_EQ(gi().m_maxTopRow, 5000);
  SCROLLINFO v = Info(*grid.m_CUGVScroll);
  EXPECT_EQ(std::vector<int>({v.nMin, v.nMax, static_cast<int>(v.nPage)}), std::vector<int>({0, 1000, 1}));
  V(SB_THUMBPOSITION, 500);
  EXPECT_EQ(gi().m_topRow, 2500);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 500);

  grid.SetVScrollMode(2);
  v = Info(*grid.m_CUGVScroll);
  EXPECT_EQ(std::vector<int>({v.nMin, v.nMax, v.nPos}), std::vector<int>({0, 2, 1}));
  V(SB_LINEDOWN);
  EXPECT_EQ(gi().m_topRow, 2501);
  EXPECT_EQ(grid.m_CUGVScroll->GetScrollPos(), 1);  // back in the middle for the next click
}

TEST_F(GridScrollBars, EveryCodeScrollsTheViewOnlyAndOnlyModeOneFollowsTheDraggedThumb) {
  grid.GotoCell(1, 1);
  const std::vector<std::pair<UINT, long>> rows = {
      {SB_LINEDOWN, 1}, {SB_PAGEDOWN, 1 + gi().m_gridHeight / 20}, {SB_PAGEUP, 1}, {SB_BOTTOM, gi().m_maxTopRow},
      {SB_LINEUP, gi().m_maxTopRow - 1}, {SB_TOP, 0}};
  for (const auto& [code, top] : rows) {
    V(code);
    EXPECT_EQ(gi().m_topRow, top) << "code " << code;
  }
  EXPECT_EQ(gi().m_moveType, 4);
  for (UINT code : {SB_LINEDOWN, SB_PAGEDOWN, SB_BOTTOM}) H(code);
  EXPECT_EQ(gi().m_leftCol, gi().m_maxLeftCol);
  for (UINT code : {SB_LINEUP, SB_PAGEUP, SB_TOP}) H(code);
  EXPECT_EQ(gi().m_leftCol, 0);
  EXPECT_EQ(std::make_pair(gi().m_currentCol, gi().m_currentRow), std::make_pair(1, 1L));

  V(SB_THUMBTRACK, 10);
  H(SB_THUMBTRACK, 4);
  EXPECT_EQ(std::make_pair(gi().m_leftCol, gi().m_topRow), std::make_pair(0, 0L));  // moves on release
  grid.SetVScrollMode(1);
  grid.SetHScrollMode(1);
  H(SB_THUMBTRACK, 4);
  EXPECT_EQ(gi().m_leftCol, 4);
  // With locked rows the dragged thumb and its release mean the same row.
  grid.SetLockedRows(2);
  grid.m_CUGVScroll->Update();
  V(SB_THUMBTRACK, 12);
  EXPECT_EQ(gi().m_topRow, 12);
  V(SB_THUMBPOSITION, 12);
  EXPECT_EQ(gi().m_topRow, 12);
}

TEST_F(GridScrollBars, TheThumbHintStaysInsideTheControlAndHidesOnRelease) {
  CUGHint& hint = *grid.m_CUGHint;
  EXPECT_EQ(hint.GetClassName(), "HintWnd");
  EXPECT_TRUE(hint.GetWidget()->isWindow());
  EXPECT_TRUE(hint.GetWidget()->testAttribute(Qt::WA_TransparentForMouseEvents));
  RECT control{}, shown{};
  grid.GetWindowRect(&control);
  QCursor::setPos(control.right - 2, control.bottom - 2);
  V(SB_THUMBTRACK, 5);
  EXPECT_FALSE(hint.IsWindowVisible());  // the sheet's hint is off

  gi().m_enableVScrollHint = gi().m_enableHScrollHint = 1;
  V(SB_THUMBTRACK, 5);
  ASSERT_TRUE(hint.IsWindowVisible());
  EXPECT_EQ(hint.GetText(), "Row 5");
  hint.GetWindowRect(&shown);
  EXPECT_EQ(shown.bottom, control.bottom);                              // shifted up
  EXPECT_EQ(shown.right, control.left + gi().m_vScrollRect.left - 1);  // left of the bar
  EXPECT_EQ(shown.right - shown.left, 40);
  V(SB_THUMBPOSITION, 5);
  EXPECT_FALSE(hint.IsWindowVisible());

  H(SB_THUMBTRACK, 2);
  hint.GetWindowRect(&shown);
  EXPECT_EQ(shown.right, control.right);  // shifted left
  EXPECT_EQ(shown.bottom, control.top + gi().m_hScrollRect.top - 1);
  EXPECT_GT(shown.right - shown.left, 20);
  // Centred on x, past the left edge: shifted right.
  hint.SetText("", FALSE);
  hint.MoveTo(5, 50, 30);
  hint.GetWindowRect(&shown);
  EXPECT_EQ(CRect(shown), CRect(control.left, control.top + 50 - hint.m_lineHeight, control.left + 30, control.top + 50));
  hint.Hide();
}

TEST_F(GridScrollBars, BarsAndTabStripMenuForCellZeroAndHelpForTheCurrentCellWithTheirSections) {
  grid.AppendPopupItem(1001, "Copy");
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 1001u; });
  for (int enabled : {0, 1}) {
    grid.EnablePopupMenu(enabled);
    for (CWnd* bar : std::vector<CWnd*>{grid.m_CUGVScroll.get(), grid.m_CUGHScroll.get()}) {
      bar->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
      PumpPendingMessages();
    }
  }
  SetPopupMenuChooser(nullptr);
  EXPECT_EQ(grid.moves, (std::vector<std::vector<long>>{{0, 0, 6, 1001}, {0, 0, 5, 1001}}));

  grid.GotoCell(2, 3);
  HELPINFO help;
  std::vector<DWORD> ids;
  for (CWnd* window : std::vector<CWnd*>{grid.m_CUGHScroll.get(), grid.m_CUGVScroll.get(), grid.m_CUGTab.get()}) {
    ids.push_back(static_cast<DWORD>(window->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(1, 1))));
    EXPECT_EQ(window->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    ids.push_back(UGHelpShown().back());
  }
  EXPECT_EQ(ids, (std::vector<DWORD>{523, 523, 623, 623, 723, 723}));
}

}  // namespace
