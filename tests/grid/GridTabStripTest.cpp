// The sheet tab strip: its minimum width and sizing drag, clicks on tabs and
// just past them, the arrows' bounds, the scroll range, and an empty strip.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGTab.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/SystemMetrics.h"

namespace {

class TabbedGrid : public CUGCtrl {
 public:
  void OnTabSelected(int tabId) override { selected.push_back(tabId); }
  void OnMenuCommand(int col, long row, int section, int item) override {
    commands.push_back({col, static_cast<int>(row), section, item});
  }
  std::vector<int> selected;
  std::vector<std::vector<int>> commands;
};

class GridTabStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 400, 200), nullptr, 0));
    grid.ResizeCols(20, FALSE);
    grid.ResizeRows(50, FALSE);
    grid.SetPaintingEnabled(1);
    tab().SetStripWidth(150);
  }
  void TearDown() override { grid.DestroyWindow(); }
  CUGTab& tab() { return *grid.m_CUGTab; }
  void Click(int x) { tab().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5)); }
  int ClientRight() {
    RECT client{};
    tab().GetClientRect(&client);
    return client.right;
  }
  TabbedGrid grid;
};

TEST_F(GridTabStrip, WidthNeverBelowFortyAndTheLastSevenPixelsSizeItByADrag) {
  EXPECT_EQ(grid.m_GI->m_tabWidth, 150);
  EXPECT_EQ(ClientRight(), 150);
  tab().SetStripWidth(10);
  EXPECT_EQ(grid.m_GI->m_tabWidth, CUGTab::kMinWidth);
  tab().SetStripWidth(150);

  tab().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(150 - 7, 5));
  EXPECT_EQ(tab().m_resizeReady, 0);
  tab().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(150 - 6, 5));
  EXPECT_EQ(tab().m_resizeReady, 1);
  Click(150 - 6);
  EXPECT_EQ(tab().m_resizeInProgress, 1);
  EXPECT_EQ(CWnd::GetCapture(), &tab());
  tab().SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(220, 5));
  EXPECT_EQ(grid.m_GI->m_tabWidth, 220);
  EXPECT_EQ(ClientRight(), 220);
  EXPECT_EQ(grid.m_GI->m_hScrollRect.left, 220);  // the bar gives way
  tab().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(220, 5));
  EXPECT_EQ(tab().m_resizeInProgress, 0);
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_EQ(grid.m_CUGTab->m_scroll.GetDlgCtrlID(), CUGTab::kIdArrows);
  EXPECT_TRUE(grid.selected.empty());
}

TEST_F(GridTabStrip, EmptyStripSelectsNothingAndItsMenuNamesNoTab) {
  EXPECT_EQ(tab().AdjustScrollRange(), 1);
  Click(tab().m_scrollWidth + 5);
  EXPECT_TRUE(grid.selected.empty());

  grid.AppendPopupItem(1001, "Sheet");
  grid.EnablePopupMenu(TRUE);
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 1001u; });
  tab().SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(tab().m_scrollWidth + 5, 5));
  PumpPendingMessages();
  tab().AddTab("One", 3);
  tab().SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(tab().m_scrollWidth + 5, 5));
  PumpPendingMessages();
  SetPopupMenuChooser(nullptr);
  EXPECT_EQ(grid.commands, (std::vector<std::vector<int>>{{-1, 0, CUGCtrl::kSectionTabStrip, 1001},
                                                          {0, 0, CUGCtrl::kSectionTabStrip, 1001}}));
}

TEST_F(GridTabStrip, AClickJustPastATabSelectsItAndScrollsItIntoView) {
  EXPECT_EQ(tab().m_scrollWidth, 2 * GetSystemMetrics(SM_CXHSCROLL));
  for (int i = 0; i < 5; ++i) ASSERT_EQ(tab().AddTab("Sheet " + std::to_string(i), 10 + i), 0);
  int sum = 0;
  for (const CUGTab::Tab& t : tab().m_tabs) sum += t.width;
  EXPECT_EQ(tab().m_maxTabOffset, tab().m_scrollWidth - ClientRight() + sum + 20);

  const int firstRight = tab().TabLeft(1);
  Click(firstRight + 1);
  Click(firstRight + 2);
  Click(firstRight + 3);
  EXPECT_EQ(grid.selected, (std::vector<int>{10, 10, 11}));
  EXPECT_EQ(tab().m_currentTab, 1);

  // A tab past the right edge is scrolled in with room to its right.
  const int lastLeft = tab().TabLeft(4);
  tab().m_tabOffset = 0;
  const int thirdLeft = tab().TabLeft(2);
  Click(thirdLeft + 5);
  const int thirdRight = tab().TabLeft(3);
  EXPECT_LE(thirdRight + 19, ClientRight());
  EXPECT_GT(tab().m_tabOffset, 0);
  // A tab partly under the arrows is scrolled back to 5 pixels clear of them...
  Click(tab().m_scrollWidth + 5);
  EXPECT_EQ(tab().TabLeft(tab().m_currentTab) - 5, tab().m_scrollWidth);
  // ...and never past the first tab.
  tab().m_tabOffset = 3;
  Click(tab().m_scrollWidth + 5);
  EXPECT_EQ(tab().m_tabOffset, 0);
  EXPECT_EQ(grid.selected.back(), 10);
  EXPECT_GT(lastLeft, ClientRight());

  // The strip holds 64 tabs.
  while (tab().GetTabCount() < CUGTab::kMaxTabs) tab().AddTab("x", 0);
  EXPECT_EQ(tab().AddTab("one too many", 99), 1);
}

TEST_F(GridTabStrip, ArrowsMoveFivePixelsWithinTheScrollRange) {
  for (int i = 0; i < 6; ++i) tab().AddTab("Sheet " + std::to_string(i), i);
  const int largest = tab().m_maxTabOffset;
  ASSERT_GT(largest, 10);
  const auto arrow = [&](UINT code) { tab().SendMessage(WM_HSCROLL, MAKEWPARAM(code, 0), 0); };
  arrow(SB_LINELEFT);
  EXPECT_EQ(tab().m_tabOffset, 0);
  arrow(SB_LINERIGHT);
  EXPECT_EQ(tab().m_tabOffset, 5);
  // From an offset below five the left arrow stops at the first tab.
  tab().m_tabOffset = 3;
  arrow(SB_LINELEFT);
  EXPECT_EQ(tab().m_tabOffset, 0);
  tab().m_tabOffset = largest - 5;
  arrow(SB_LINERIGHT);
  EXPECT_EQ(tab().m_tabOffset, largest - 5);
  tab().m_tabOffset = largest - 6;
  arrow(SB_LINERIGHT);
  EXPECT_EQ(tab().m_tabOffset, largest - 1);
}

TEST_F(GridTabStrip, TheCurrentTabIsPaintedLastInItsOwnColours) {
  tab().AddTab("One", 0);
  tab().AddTab("Two", 1);
  for (CUGTab::Tab& t : tab().m_tabs) {
    t.backColor = RGB(0, 0, 255);
    t.label.clear();
  }
  tab().m_tabs[0].currentBackColor = RGB(255, 0, 0);
  tab().m_tabs[1].currentBackColor = RGB(255, 255, 0);
  const int seam = tab().TabLeft(1);
  const auto colourAt = [&](int x, int y) { return tab().GetWidget()->grab().toImage().pixelColor(x, y); };
  EXPECT_EQ(colourAt(seam - 10, 8), QColor(255, 0, 0));  // tab 0 is current
  EXPECT_EQ(colourAt(seam + 10, 8), QColor(0, 0, 255));
  // Where the slants overlap, the current tab lies on top.
  EXPECT_EQ(colourAt(seam + 3, 3), QColor(255, 0, 0));
  Click(seam + 10);
  EXPECT_EQ(colourAt(seam + 3, 3), QColor(255, 255, 0));
  EXPECT_EQ(colourAt(seam + 10, 8), QColor(255, 255, 0));
  EXPECT_EQ(colourAt(seam - 10, 8), QColor(0, 0, 255));
}

}  // namespace
