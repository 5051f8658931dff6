// The sheet tab strip: its minimum width and sizing drag, clicks on tabs and
// just past them, the arrows' bounds, an empty strip, and the painting order.
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

namespace {

class TabbedGrid : public CUGCtrl {
 public:
  void OnTabSelected(int tabId) override { selected.push_back(tabId); }
  void OnMenuCommand(int col, long, int section, int) override { menus.push_back({col, section}); }
  std::vector<int> selected;
  std::vector<std::vector<int>> menus;
};

class GridTabStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 400, 200), nullptr, 0));
    grid.ResizeCols(20, FALSE);
    grid.SetPaintingEnabled(1);
    tab().SetStripWidth(150);
  }
  void TearDown() override { grid.DestroyWindow(); }
  CUGTab& tab() { return *grid.m_CUGTab; }
  void Mouse(UINT message, int x) { tab().SendMessage(message, MK_LBUTTON, MAKELPARAM(x, 5)); }
  TabbedGrid grid;
};

TEST_F(GridTabStrip, WidthNeverBelowFortyAndTheLastSevenPixelsSizeItByADrag) {
  tab().SetStripWidth(10);
  EXPECT_EQ(grid.m_GI->m_tabWidth, CUGTab::kMinWidth);
  tab().SetStripWidth(150);
  Mouse(WM_MOUSEMOVE, 150 - 7);
  EXPECT_EQ(tab().m_resizeReady, 0);
  Mouse(WM_MOUSEMOVE, 150 - 6);
  Mouse(WM_LBUTTONDOWN, 150 - 6);
  EXPECT_EQ(CWnd::GetCapture(), &tab());
  Mouse(WM_MOUSEMOVE, 220);
  EXPECT_EQ(grid.m_GI->m_tabWidth, 220);
  EXPECT_EQ(grid.m_GI->m_hScrollRect.left, 220);  // the bar gives way
  Mouse(WM_LBUTTONUP, 220);
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  Mouse(WM_MOUSEMOVE, 100);
  EXPECT_EQ(grid.m_GI->m_tabWidth, 220);
  EXPECT_TRUE(grid.selected.empty());
}

TEST_F(GridTabStrip, EmptyStripSelectsNothingAndItsMenuNamesTheTabUnderTheMouse) {
  EXPECT_EQ(tab().AdjustScrollRange(), 1);
  Mouse(WM_LBUTTONDOWN, tab().m_scrollWidth + 5);
  EXPECT_TRUE(grid.selected.empty());
  grid.AppendPopupItem(1001, "Sheet");
  grid.EnablePopupMenu(TRUE);
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 1001u; });
  for (int tabs = 0; tabs < 2; ++tabs) {
    if (tabs) tab().AddTab("One", 3);
    tab().SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(tab().m_scrollWidth + 5, 5));
    PumpPendingMessages();
  }
  SetPopupMenuChooser(nullptr);
  EXPECT_EQ(grid.menus, (std::vector<std::vector<int>>{{-1, 7}, {0, 7}}));
}

TEST_F(GridTabStrip, AClickJustPastATabSelectsItScrollsItIntoViewAndArrowsKeepTheirBounds) {
  for (int i = 0; i < 5; ++i) tab().AddTab("Sheet " + std::to_string(i), 10 + i);
  int sum = 0;
  for (const CUGTab::Tab& t : tab().m_tabs) sum += t.width;
  EXPECT_EQ(tab().m_maxTabOffset, tab().m_scrollWidth - 150 + sum + 20);

  const int seam = tab().TabLeft(1);
  for (int past : {1, 2, 3}) Mouse(WM_LBUTTONDOWN, seam + past);
  EXPECT_EQ(grid.selected, (std::vector<int>{10, 10, 11}));
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
  EXPECT_EQ(arrow(0, SB_LINELEFT), 0);
  EXPECT_EQ(arrow(3, SB_LINELEFT), 0);  // stops at the first tab
  EXPECT_EQ(arrow(0, SB_LINERIGHT), 5);
  EXPECT_EQ(arrow(largest - 6, SB_LINERIGHT), largest - 1);
  EXPECT_EQ(arrow(largest - 5, SB_LINERIGHT), largest - 5);

  while (tab().GetTabCount() < CUGTab::kMaxTabs) tab().AddTab("x", 0);
  EXPECT_EQ(tab().AddTab("one too many", 99), 1);
}

TEST_F(GridTabStrip, TheCurrentTabIsPaintedLastInItsOwnColours) {
  tab().AddTab("", 0);
  tab().AddTab("", 1);
  for (CUGTab::Tab& t : tab().m_tabs) t.backColor = RGB(0, 0, 255);
  tab().m_tabs[0].currentBackColor = RGB(255, 0, 0);
  tab().m_tabs[1].currentBackColor = RGB(255, 255, 0);
  const int seam = tab().TabLeft(1);
  const auto at = [&](int x, int y) { return tab().GetWidget()->grab().toImage().pixelColor(x, y); };
  EXPECT_EQ(at(seam - 10, 8), QColor(255, 0, 0));
  EXPECT_EQ(at(seam + 10, 8), QColor(0, 0, 255));
  EXPECT_EQ(at(seam + 3, 3), QColor(255, 0, 0));  // where the slants overlap
  Mouse(WM_LBUTTONDOWN, seam + 10);
  EXPECT_EQ(at(seam + 3, 3), QColor(255, 255, 0));
  EXPECT_EQ(at(seam - 10, 8), QColor(0, 0, 255));
}

}  // namespace
