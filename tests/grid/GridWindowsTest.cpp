// The grid control with its windows: binding into a dialog, the keys it takes
// there, the placement of the child windows, best fit, fit to window and the
// pop-up menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGTopHdg.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageCore.h"

#include "GridTestDialog.h"

namespace {

constexpr UINT kGridDialog = 9401;
constexpr UINT kWindowsGridPlaceholder = 3013;

class WindowsRecordingGrid : public CUGCtrl {
 public:
  void OnSetup() override { ++setups; }
  void OnKeyDown(UINT* key, BOOL) override { keys.push_back(*key); }
  int OnMenuStart(int, long, int) override { return allowMenu; }
  void OnMenuCommand(int col, long row, int section, int item) override {
    commands.push_back({col, static_cast<int>(row), section, item});
  }
  void OnAdjustComponentSizes(RECT* cellArea, RECT*, RECT*, RECT*, RECT*, RECT*, RECT*) override {
    laidOutCellArea = *cellArea;
  }
  using CUGCtrl::OnKeyDown;

  int setups = 0;
  int allowMenu = TRUE;
  std::vector<UINT> keys;
  std::vector<std::vector<int>> commands;
  RECT laidOutCellArea{};
};

DialogTemplate GridDialogTemplate() {
  DialogTemplate t;
  t.id = kGridDialog;
  t.caption = "Grid";
  t.cx = 200;
  t.cy = 140;
  t.items = {
      {kWindowsGridPlaceholder, kStaticClass, "", WS_VISIBLE | WS_TABSTOP, 5, 5, 190, 100},
      {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 90, 115, 50, 14},
      {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP, 145, 115, 50, 14},
  };
  return t;
}

TEST(GridInDialog, BindingBuildsTheChildrenTakesTheFontAndKeepsTabReturnAndEscape) {
  CommandRecordingDialog dialog{GridDialogTemplate()};
  CFont dialogFont;
  dialogFont.CreateFont(-13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  ASSERT_TRUE(dialog.Create(kGridDialog));
  dialog.SetFont(&dialogFont, FALSE);

  WindowsRecordingGrid grid;
  ASSERT_EQ(grid.BindToDialogItem(&dialog, kWindowsGridPlaceholder), 1);
  EXPECT_EQ(grid.setups, 1);
  EXPECT_EQ(dialog.GetDlgItem(kWindowsGridPlaceholder), &grid);
  EXPECT_TRUE(grid.GetStyle() & WS_TABSTOP);
  EXPECT_EQ(grid.m_GI->m_paintMode, 1);
  for (UINT id : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 123u, 124u}) EXPECT_NE(grid.GetDlgItem(id), nullptr) << id;
  EXPECT_FALSE(grid.GetDlgItem(123)->IsWindowVisible());

  LOGFONT normal, heading;
  ASSERT_TRUE(grid.m_GI->m_defFont && grid.m_GI->m_defFont->GetLogFont(&normal));
  ASSERT_TRUE(grid.m_GI->m_hdgDefaults->GetFont()->GetLogFont(&heading));
  EXPECT_EQ(normal.lfFaceName, "Tahoma");
  EXPECT_EQ(heading.lfWeight, normal.lfWeight + 200);

  // The cell area asks for every key: the dialog's buttons never see them.
  for (int key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Escape}) Press(grid.m_CUGGrid.get(), key);
  EXPECT_EQ(grid.keys, (std::vector<UINT>{VK_TAB, VK_RETURN, VK_ESCAPE}));
  EXPECT_TRUE(dialog.commands.empty());
  EXPECT_EQ(grid.SendMessage(WM_GETDLGCODE), static_cast<LRESULT>(DLGC_WANTARROWS | DLGC_WANTALLKEYS));

  // A heading does not ask for them: Escape there is the dialog's.
  Press(grid.m_CUGTopHdg.get(), Qt::Key_Escape);
  EXPECT_EQ(dialog.commands, (std::vector<UINT>{static_cast<UINT>(IDCANCEL)}));
  dialog.DestroyWindow();
}

class WindowedGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_NE(grid.m_CUGGrid->GetSafeHwnd(), nullptr);
  }
  WindowsRecordingGrid grid;
};

TEST_F(WindowedGrid, ChildWindowsLeaveOutTheBarsThatAreNotNeeded) {
  const int vBar = grid.VScrollWidth();
  const int hBar = grid.HScrollHeight();
  grid.ResizeCols(2, FALSE);
  grid.ResizeRows(3, FALSE);
  grid.SetPaintingEnabled(1);
  EXPECT_EQ(CRect(grid.m_GI->m_gridRect), CRect(40, 20, 300, 200));
  EXPECT_EQ(CRect(grid.laidOutCellArea), CRect(40, 20, 300, 200));
  EXPECT_EQ(grid.m_GI->m_gridWidth, 260);
  EXPECT_EQ(grid.VScrollWidth(), vBar);  // the bars keep their sizes for the next layout
  EXPECT_EQ(grid.HScrollHeight(), hBar);

  // Wider columns need the horizontal bar; then the rows no longer fit either.
  grid.ResizeCols(5, FALSE);
  grid.ResizeRows(9, FALSE);
  grid.AdjustComponentSizes();
  EXPECT_EQ(CRect(grid.m_GI->m_gridRect), CRect(40, 20, 300 - vBar, 200 - hBar));
  EXPECT_EQ(CRect(grid.m_GI->m_vScrollRect), CRect(300 - vBar, 0, 300, 200 - hBar));
  EXPECT_EQ(CRect(grid.m_GI->m_hScrollRect), CRect(0, 200 - hBar, 300 - vBar, 200));
  EXPECT_EQ(CRect(grid.m_GI->m_cnrBtnRect), CRect(0, 0, 40, 20));
  RECT area{};
  grid.m_CUGGrid->GetClientRect(&area);
  EXPECT_EQ(area.right, 260 - vBar);
  EXPECT_EQ(area.bottom, 180 - hBar);
  // The view may scroll until the last rows fill the area.
  EXPECT_EQ(grid.m_GI->m_maxTopRow, 9 - (180 - hBar) / 20);
}

TEST_F(WindowedGrid, FitToWindowSumsExactlyAndRefusesColumnsWithoutWidth) {
  grid.ResizeCols(3, FALSE);
  grid.ChangeColumnWidth(0, 75);
  grid.ChangeColumnWidth(1, 50);
  grid.ChangeColumnWidth(2, 25);
  ASSERT_EQ(grid.FitColumnsToWindow(0, 2), 0);
  EXPECT_EQ(grid.ColWidth(0), 130);  // 75 x 260/150, truncated
  EXPECT_EQ(grid.ColWidth(1), 86);
  EXPECT_EQ(grid.ColWidth(0) + grid.ColWidth(1) + grid.ColWidth(2), 260);
  EXPECT_EQ(grid.FitColumnsToWindow(1, 3), 1);

  grid.ChangeColumnWidth(0, 0);
  grid.ChangeColumnWidth(1, 0);
  EXPECT_EQ(grid.FitColumnsToWindow(0, 1), 1);
  EXPECT_EQ(grid.ColWidth(1), 0);
}

TEST_F(WindowedGrid, BestFitAnswersItsCodesAndWidensToTheText) {
  grid.ResizeCols(3, FALSE);
  grid.ResizeRows(2, FALSE);
  grid.SetPaintingEnabled(1);
  EXPECT_EQ(grid.BestFitColumns(-2, 0, 10, 0), 1);
  EXPECT_EQ(grid.BestFitColumns(0, 3, 10, 0), 2);
  EXPECT_EQ(grid.BestFitColumns(2, 1, 10, 0), 3);

  grid.PutCellText(0, 1, "pressure");
  grid.PutCellText(1, 0, std::string(200, 'W').c_str());
  grid.PutCellText(2, -1, "Heading");
  ASSERT_EQ(grid.BestFitColumns(0, 2, 10, 0), 0);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap surface;
  surface.CreateCompatibleBitmap(&dc, 1, 1);
  dc.SelectObject(&surface);
  EXPECT_EQ(grid.ColWidth(0), dc.GetTextExtent("pressure").cx + 6 + 2);
  // No wider than the area less the vertical bar.
  RECT area{};
  grid.m_CUGGrid->GetClientRect(&area);
  EXPECT_EQ(grid.ColWidth(1), area.right - grid.VScrollWidth());
  EXPECT_EQ(grid.ColWidth(2), 6 + 2);  // the heading row is looked at only with flag 1
  ASSERT_EQ(grid.BestFitColumns(2, 2, 10, 1), 0);
  EXPECT_EQ(grid.ColWidth(2), dc.GetTextExtent("Heading").cx + 6 + 2);
}

TEST_F(WindowedGrid, PopupMenuAnswersItsCodesAndAChoiceReachesTheJoinsStartCell) {
  grid.ResizeCols(3, FALSE);
  grid.ResizeRows(3, FALSE);
  grid.AppendPopupItem(1001, "Copy");
  grid.AppendPopupItem(0, "");
  grid.AppendPopupItem(1002, "Paste");
  EXPECT_EQ(grid.GetPopupMenu()->GetMenuItemCount(), 3);
  POINT at{10, 10};
  EXPECT_EQ(grid.StartPopupMenu(1, 1, &at, CUGCtrl::kSectionCellArea), 1);
  grid.EnablePopupMenu(TRUE);
  grid.allowMenu = FALSE;
  EXPECT_EQ(grid.StartPopupMenu(1, 1, &at, CUGCtrl::kSectionCellArea), 2);
  grid.allowMenu = TRUE;

  // (2, 2) belongs to the join that starts at (1, 1).
  CUGCell joined;
  joined.SetJoinInfo(FALSE, -1, -1);
  grid.WriteCell(2, 2, &joined);
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 1002u; });
  EXPECT_EQ(grid.StartPopupMenu(2, 2, &at, CUGCtrl::kSectionCellArea), 0);
  SetPopupMenuChooser(nullptr);
  PumpPendingMessages();
  EXPECT_EQ(grid.commands, (std::vector<std::vector<int>>{{1, 1, CUGCtrl::kSectionCellArea, 1002}}));

  grid.ClearPopupMenu();
  EXPECT_EQ(grid.GetPopupMenu()->GetMenuItemCount(), 0);
}

}  // namespace
