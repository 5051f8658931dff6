// The grid's scroll bars against the sheet: ranges and positions, the scaled
// range of long sheets, the scroll codes, thumb tracking by scroll mode, the
// thumb hint kept inside the control, menus and help; and the sheet tab strip:
// its width and sizing drag, clicks just past a tab, arrows, painting order.
#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
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
#include "platform/ui/ColorRef.h"
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
  void OnTabSelected(int tabId) override { moves.push_back({CUGCtrl::kSectionTabStrip, tabId}); }
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
  // The horizontal position counts from the first column after the locked ones.
  EXPECT_EQ(std::vector<long>({gi().m_topRow, grid.m_CUGVScroll->GetScrollPos(), gi().m_leftCol,
                               grid.m_CUGHScroll->GetScrollPos()}),
            std::vector<long>({7, 7, 5, 3}));
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
  // The least width, or the text's in the font it is drawn with.
  EXPECT_GE(shown.right - shown.left, 40);
  EXPECT_LT(shown.right - shown.left, 80);
  V(SB_THUMBPOSITION, 5);
  EXPECT_FALSE(hint.IsWindowVisible());

  H(SB_THUMBTRACK, 2);
  hint.GetWindowRect(&shown);
  EXPECT_EQ(shown.right, control.right);  // shifted left
  EXPECT_EQ(shown.bottom, control.top + gi().m_hScrollRect.top - 1);
  EXPECT_GT(shown.right - shown.left, 20);
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
  // The strip names the tab under the mouse, -1 for none.
  grid.m_CUGTab->SetStripWidth(150);
  const int x = grid.m_CUGTab->m_scrollWidth + 5;
  for (int tabs = 0; tabs < 2; ++tabs) {
    if (tabs) grid.m_CUGTab->AddTab("One", 3);
    grid.m_CUGTab->SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(x, 5));
    PumpPendingMessages();
  }
  SetPopupMenuChooser(nullptr);
  EXPECT_EQ(grid.moves, (std::vector<std::vector<long>>{
                            {0, 0, 6, 1001}, {0, 0, 5, 1001}, {-1, 0, 7, 1001}, {0, 0, 7, 1001}}));

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

class GridTabStrip : public GridScrollBars {
 protected:
  void SetUp() override {
    GridScrollBars::SetUp();
    tab().SetStripWidth(150);
  }
  CUGTab& tab() { return *grid.m_CUGTab; }
  void Mouse(UINT message, int x) { tab().SendMessage(message, MK_LBUTTON, MAKELPARAM(x, 5)); }
};

TEST_F(GridTabStrip, WidthNeverBelowFortyAndTheLastSevenPixelsSizeItByADrag) {
  tab().SetStripWidth(10);
  EXPECT_EQ(gi().m_tabWidth, CUGTab::kMinWidth);
  tab().SetStripWidth(150);
  Mouse(WM_MOUSEMOVE, 150 - 7);
  EXPECT_EQ(tab().m_resizeReady, 0);
  Mouse(WM_MOUSEMOVE, 150 - 6);
  Mouse(WM_LBUTTONDOWN, 150 - 6);
  EXPECT_EQ(CWnd::GetCapture(), &tab());
  Mouse(WM_MOUSEMOVE, 220);
  EXPECT_EQ(gi().m_hScrollRect.left, 220);  // the bar gives way
  Mouse(WM_LBUTTONUP, 220);
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  Mouse(WM_MOUSEMOVE, 100);
  EXPECT_EQ(gi().m_tabWidth, 220);
  // Without tabs a click selects nothing.
  EXPECT_EQ(tab().AdjustScrollRange(), 1);
  Mouse(WM_LBUTTONDOWN, tab().m_scrollWidth + 5);
  EXPECT_TRUE(grid.moves.empty());
}

TEST_F(GridTabStrip, AClickJustPastATabSelectsItScrollsItIntoViewAndArrowsKeepTheirBounds) {
  for (int i = 0; i < 5; ++i) tab().AddTab("Sheet " + std::to_string(i), 10 + i);
  int sum = 0;
  for (const CUGTab::Tab& t : tab().m_tabs) sum += t.width;
  EXPECT_EQ(tab().m_maxTabOffset, tab().m_scrollWidth - 150 + sum + 20);

  const int seam = tab().TabLeft(1);
  for (int past : {1, 2, 3}) Mouse(WM_LBUTTONDOWN, seam + past);
  EXPECT_EQ(grid.moves, (std::vector<std::vector<long>>{{7, 10}, {7, 10}, {7, 11}}));
  // A tab past the right edge comes in with 19 pixels to spare.
  Mouse(WM_LBUTTONDOWN, tab().TabLeft(2) + 5);
  EXPECT_EQ(tab().TabLeft(3) + 19, 150);
  // One partly under the arrows comes back to 5 pixels clear of them, never past the first tab.
  Mouse(WM_LBUTTONDOWN, tab().m_scrollWidth + 5);
  EXPECT_EQ(tab().TabLeft(tab().m_currentTab) - 5, tab().m_scrollWidth);
  tab().m_tabOffset = 3;
  Mouse(WM_LBUTTONDOWN, tab().m_scrollWidth + 5);
  EXPECT_EQ(tab().m_tabOffset, 0);

  const int largest = tab().m_maxTabOffset;
  const auto arrow = [&](int from, UINT code) {
    tab().m_tabOffset = from;
    tab().SendMessage(WM_HSCROLL, MAKEWPARAM(code, 0), 0);
    return tab().m_tabOffset;
  };
  EXPECT_EQ(arrow(3, SB_LINELEFT), 0);  // stops at the first tab
  EXPECT_EQ(arrow(0, SB_LINERIGHT), 5);
  EXPECT_EQ(arrow(largest - 6, SB_LINERIGHT), largest - 1);
  EXPECT_EQ(arrow(largest - 5, SB_LINERIGHT), largest - 5);
}

TEST_F(GridTabStrip, TheCurrentTabIsPaintedLastInItsOwnColours) {
  tab().AddTab("", 0);
  tab().AddTab("", 1);
  for (CUGTab::Tab& t : tab().m_tabs) t.backColor = RGB(0, 0, 255);
  tab().m_tabs[0].currentBackColor = RGB(255, 0, 0);
  tab().m_tabs[1].currentBackColor = RGB(255, 255, 0);
  const int seam = tab().TabLeft(1);
  const auto at = [&](int x, int y) { return tab().GetWidget()->grab().toImage().pixelColor(x, y); };
  EXPECT_EQ(at(seam + 10, 8), QColor(0, 0, 255));
  EXPECT_EQ(at(seam + 3, 3), QColor(255, 0, 0));  // where the slants overlap
  Mouse(WM_LBUTTONDOWN, seam + 10);
  EXPECT_EQ(at(seam + 3, 3), QColor(255, 255, 0));
}

}  // namespace
