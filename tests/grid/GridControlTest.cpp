// The grid control without windows: cells through the data sources, sizes,
// sheets, registrations, fonts and the find/replace reaction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGMem.h"
#include "grid/UGFindReplaceRequest.h"
#include "platform/ui/CFont.h"
#include "support/ScriptedMessageBox.h"

namespace {

// Answers every cell with its address and records who asked in which order.
class RecordingSource : public CUGDataSource {
 public:
  int GetCell(int col, long row, CUGCell* cell) override {
    calls.push_back("source " + std::to_string(col) + "," + std::to_string(row));
    cell->SetText(("c" + std::to_string(col) + "r" + std::to_string(row)).c_str());
    return 0;
  }
  int SetCell(int col, long row, CUGCell*) override {
    calls.push_back("store " + std::to_string(col) + "," + std::to_string(row));
    return 0;
  }
  std::vector<std::string> calls;
};

class RecordingGrid : public CUGCtrl {
 public:
  void OnGetCell(int col, long row, CUGCell*) override {
    calls->push_back("OnGetCell " + std::to_string(col) + "," + std::to_string(row));
  }
  void OnSetCell(int col, long row, CUGCell*) override {
    calls->push_back("OnSetCell " + std::to_string(col) + "," + std::to_string(row));
  }
  int OnMessage(long typeId, std::intptr_t value) { return GetCellType(static_cast<int>(typeId))->OnMessage(value); }
  std::vector<std::string>* calls = &own;
  std::vector<std::string> own;
};

// A type that keeps the value message 0x464 brought.
class ValueType : public CUGCellType {
 public:
  int OnMessage(std::intptr_t value) override {
    received = value;
    return 7;
  }
  std::intptr_t received = 0;
};

TEST(GridControlCells, FetchAsksTheColumnsSourceThenTheHookAndReadAsksTheSourceAlone) {
  RecordingGrid grid;
  RecordingSource source;
  grid.calls = &source.calls;
  ASSERT_EQ(grid.ResizeCols(3, FALSE), 0);
  ASSERT_EQ(grid.ResizeRows(4, FALSE), 0);
  grid.m_GI->m_colInfo[2].dataSource = &source;
  grid.m_GI->m_colInfo[2].colTranslation = 5;
  grid.m_GI->m_colInfo[2].colDefault->SetBackColor(0x123456);
  source.calls.clear();  // the first current cell was fetched for its cell type

  CUGCell cell;
  EXPECT_EQ(grid.FetchCell(2, 1, &cell), 0);
  EXPECT_STREQ(cell.GetText(), "c5r1");
  EXPECT_EQ(cell.GetBackColor(), 0x123456u);  // the column default under the source's content
  EXPECT_EQ(source.calls, (std::vector<std::string>{"source 5,1", "OnGetCell 5,1"}));

  // Rows at or past the row count get the defaults alone.
  source.calls.clear();
  cell.ClearAll();
  grid.FetchCell(2, 4, &cell);
  EXPECT_EQ(cell.GetText(), nullptr);
  EXPECT_TRUE(source.calls.empty());

  source.calls.clear();
  EXPECT_EQ(grid.ReadCell(2, 1, &cell), 0);
  EXPECT_EQ(source.calls, (std::vector<std::string>{"source 5,1"}));
  EXPECT_EQ(grid.ReadCell(3, 1, &cell), 1);

  // Writing: the hook first, then the source under the data-source column.
  source.calls.clear();
  EXPECT_EQ(grid.WriteCell(2, 3, &cell), 0);
  EXPECT_EQ(source.calls, (std::vector<std::string>{"OnSetCell 2,3", "store 5,3"}));
  // A column's heading is kept where FetchCell looks for it: under its data-source column.
  source.calls.clear();
  EXPECT_EQ(grid.WriteCell(2, -1, &cell), 0);
  EXPECT_EQ(source.calls, (std::vector<std::string>{"OnSetCell 2,-1", "store 5,-1"}));
}

TEST(GridControlCells, HeadingCellsCarryTheirStyleCodes) {
  CUGCtrl grid;
  grid.ResizeCols(2, FALSE);
  grid.ResizeRows(2, FALSE);
  CUGCell cell;
  grid.FetchCell(0, -1, &cell);  // the topmost heading row
  EXPECT_EQ(cell.GetVisualStyleCode(), 0x20);
  EXPECT_EQ(cell.GetBorder(), 0x2000);
  grid.FetchCell(-1, 0, &cell);  // the outermost side-heading column
  EXPECT_EQ(cell.GetVisualStyleCode(), 0x40);

  grid.m_GI->m_numberTopHdgRows = 2;
  grid.m_GI->m_topHdgHeights = {20, 20};
  grid.m_GI->m_numberSideHdgCols = 2;
  grid.m_GI->m_sideHdgWidths = {25, 25};
  grid.FetchCell(0, -1, &cell);  // an inner heading row
  EXPECT_EQ(cell.GetVisualStyleCode(), 0x80);
  grid.FetchCell(-2, -2, &cell);
  EXPECT_EQ(cell.GetVisualStyleCode(), 0x20);
  grid.FetchCell(-2, 0, &cell);
  EXPECT_EQ(cell.GetVisualStyleCode(), 0x40);
}

TEST(GridControlCells, ShortcutsStoreThroughTheSheetsMemoryAndWritingAtTheRowCountIsRefused) {
  CUGCtrl grid;
  grid.ResizeCols(2, FALSE);
  grid.ResizeRows(2, FALSE);
  grid.PutCellText(1, 1, "pump");
  grid.PutCellTextColor(1, 1, 0x0000FF);
  grid.PutCellType(1, 1, CUGCtrl::kCellTypeCheckBox);
  grid.PutCellText(0, -1, "Name");
  EXPECT_STREQ(grid.GetCellText(1, 1), "pump");
  EXPECT_STREQ(grid.GetCellText(0, -1), "Name");
  CUGCell cell;
  grid.FetchCell(1, 1, &cell);
  EXPECT_EQ(cell.GetTextColor(), 0x0000FFu);
  EXPECT_EQ(grid.CellTypeOf(&cell), &grid.m_checkBoxType);

  cell.SetText("lost");
  EXPECT_EQ(grid.WriteCell(0, 2, &cell), 1);
  EXPECT_EQ(grid.WriteCell(0, -2, &cell), 1);
  EXPECT_EQ(grid.WriteCell(2, 0, &cell), 1);
  EXPECT_EQ(grid.WriteCell(-2, 0, &cell), 1);
  EXPECT_EQ(grid.m_GI->m_CUGMem->GetNumRows(), 1);  // nothing stored past the last row
}

TEST(GridControlRegistrations, BuiltInTypesDataSourcesAndTheTypeMessage) {
  RecordingGrid grid;
  EXPECT_EQ(grid.GetCellType(0)->GetName(), std::string("Normal Cell Type (default)"));
  EXPECT_EQ(grid.GetCellType(1)->GetName(), std::string("DropList"));
  EXPECT_EQ(grid.GetCellType(2)->GetName(), std::string("CheckBox"));
  EXPECT_EQ(grid.GetCellType(3)->GetName(), std::string("Side Arrows"));
  EXPECT_EQ(grid.GetCellType(99), &grid.m_normalCellType);
  EXPECT_EQ(grid.RegisterCellType(nullptr), -1);
  ValueType value;
  EXPECT_EQ(grid.RegisterCellType(&value), 4);
  EXPECT_EQ(value.GetID(), 4);
  EXPECT_EQ(value.GetControl(), &grid);

  // The value travels pointer-sized (a cell type may be handed an address).
  const auto address = static_cast<std::intptr_t>(0x7FFF12345678LL);
  EXPECT_EQ(grid.OnMessage(4, address), 7);
  EXPECT_EQ(value.received, address);

  EXPECT_EQ(grid.AddDataSource(nullptr), -1);
  std::vector<CUGDataSource> sources(64);
  for (int i = 0; i < 63; ++i) EXPECT_EQ(grid.AddDataSource(&sources[static_cast<size_t>(i)]), i + 1);
  EXPECT_EQ(grid.AddDataSource(&sources[63]), -1);
  EXPECT_EQ(sources[62].m_ID, 63);
  EXPECT_EQ(sources[62].m_ctrl, &grid);
  EXPECT_EQ(grid.GetDataSource(17), &sources[16]);
}

TEST(GridControlSizes, LimitsAnswerTheirCodesAndChangeNothing) {
  CUGCtrl grid;
  EXPECT_EQ(grid.ResizeCols(32001), 1);
  EXPECT_EQ(grid.ColCount(), 0);
  EXPECT_EQ(grid.ResizeCols(32000, FALSE), 0);
  EXPECT_EQ(grid.ColCount(), 32000);
  EXPECT_EQ(grid.ColWidth(31999), 75);
  EXPECT_EQ(grid.GetDataSourceCol(31999), 31999);
  EXPECT_EQ(grid.m_GI->m_currentCol, 0);  // a first column becomes current

  EXPECT_EQ(grid.ResizeSheets(0), 1);
  EXPECT_EQ(grid.ResizeSheets(1025), 1);
  EXPECT_EQ(grid.GetNumberSheets(), 1);

  EXPECT_EQ(grid.SetTopHeadingRowHeight(-1, 1025), 2);
  EXPECT_EQ(grid.SetTopHeadingRowHeight(-2, 10), 1);
  EXPECT_EQ(grid.SetTopHeadingRowHeight(-1, 30), 0);
  EXPECT_EQ(grid.m_GI->m_topHdgHeight, 30);
  EXPECT_EQ(grid.SetSideHeadingColWidth(-1, 1025), 2);
  EXPECT_EQ(grid.SetSideHeadingWidth(1025), 1);
  EXPECT_EQ(grid.ResizeRows(-1), 1);
  EXPECT_EQ(grid.SetDefColWidth(-1), 1);
  EXPECT_EQ(grid.SetLockedCols(32001), 1);
  int width = 0;
  EXPECT_EQ(grid.GetColWidth(-2, &width), 1);
  EXPECT_EQ(grid.GetColWidth(-1, &width), 0);
  EXPECT_EQ(width, 25);
}

TEST(GridControlSizes, RowsColumnsAndLocks) {
  CUGCtrl grid;
  grid.ResizeCols(4, FALSE);
  grid.ResizeRows(10, FALSE);
  EXPECT_EQ(grid.m_GI->m_currentRow, 0);
  grid.ChangeColumnWidth(0, 30);
  grid.ChangeColumnWidth(1, 40);
  EXPECT_EQ(grid.SetLockedCols(2), 0);
  EXPECT_EQ(grid.m_GI->m_lockColWidth, 70);
  EXPECT_EQ(grid.m_GI->m_leftCol, 2);
  grid.ChangeColumnWidth(1, 50);
  EXPECT_EQ(grid.m_GI->m_lockColWidth, 80);
  // Fewer columns than locked ones: all but the last stay locked.
  grid.ResizeCols(2, FALSE);
  EXPECT_EQ(grid.m_GI->m_numLockCols, 1);

  grid.ChangeRowHeight(3, 33);
  EXPECT_EQ(grid.RowHeight(3), 33);
  EXPECT_EQ(grid.RowHeight(4), 20);
  grid.ResizeRows(12, FALSE);
  EXPECT_EQ(grid.RowHeight(3), 33);
  EXPECT_EQ(grid.RowHeight(11), 20);
  grid.GotoRow(11);
  grid.ResizeRows(5, FALSE);
  EXPECT_EQ(grid.m_GI->m_currentRow, 4);
  // From 64001 rows on, one height for all.
  grid.ResizeRows(64001, FALSE);
  EXPECT_EQ(grid.m_GI->m_uniformRowHeightFlag, 1);
  EXPECT_EQ(grid.RowHeight(3), 20);

  // A column moves with its width, source column and default cell.
  grid.ResizeCols(4, FALSE);
  grid.ChangeColumnWidth(0, 11);
  EXPECT_EQ(grid.MoveColPosition(0, 2, FALSE), 0);
  EXPECT_EQ(grid.ColWidth(2), 11);
  EXPECT_EQ(grid.GetDataSourceCol(2), 0);
  EXPECT_EQ(grid.GetDataSourceCol(0), 1);
  EXPECT_EQ(grid.MoveColPosition(1, 1, TRUE), 0);  // onto itself
  EXPECT_EQ(grid.GetDataSourceCol(1), 2);
  EXPECT_EQ(grid.MoveColPosition(0, 5, TRUE), 1);
}

TEST(GridControlSizes, SideHeadingWidthScalesItsColumnsAndAZeroSumGoesToTheOutermost) {
  CUGCtrl grid;
  grid.m_GI->m_numberSideHdgCols = 2;
  grid.m_GI->m_sideHdgWidths = {10, 30};
  EXPECT_EQ(grid.SetSideHeadingWidth(60), 0);
  EXPECT_EQ(grid.m_GI->m_sideHdgWidths, (std::vector<int>{15, 45}));
  EXPECT_EQ(grid.SetSideHeadingWidth(0), 0);
  EXPECT_EQ(grid.m_GI->m_sideHdgWidths, (std::vector<int>{0, 0}));
  EXPECT_EQ(grid.SetSideHeadingWidth(50), 0);
  EXPECT_EQ(grid.m_GI->m_sideHdgWidths, (std::vector<int>{0, 50}));
  EXPECT_EQ(grid.m_GI->m_sideHdgWidth, 50);
}

class SheetGrid : public CUGCtrl {
 public:
  void OnSheetSetup(int index) override {
    setUp.push_back(index);
    ResizeCols(index + 1, FALSE);  // runs on the sheet being set up
  }
  std::vector<int> setUp;
};

TEST(GridControlSheets, NewSheetsAreSetUpWhileCurrentAndSwitchingKeepsTheTabWidth) {
  SheetGrid grid;
  EXPECT_EQ(grid.ResizeSheets(3), 0);
  EXPECT_EQ(grid.setUp, (std::vector<int>{1, 2}));
  EXPECT_EQ(grid.GetSheetNumber(), 0);
  EXPECT_EQ(grid.ColCount(), 0);
  grid.m_GI->m_tabWidth = 90;
  EXPECT_EQ(grid.SetSheet(2), 0);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.m_GI->m_tabWidth, 90);
  EXPECT_EQ(grid.m_GI->m_paintMode, 1);
  EXPECT_EQ(grid.m_GI->m_editCtrl, &grid.m_defEditCtrl);
  EXPECT_EQ(grid.SetSheet(3), 1);
  // Dropping the current sheet shows the last one left.
  EXPECT_EQ(grid.ResizeSheets(2), 0);
  EXPECT_EQ(grid.GetSheetNumber(), 1);
  EXPECT_EQ(grid.ColCount(), 2);
}

TEST(GridControlFonts, EqualDescriptionsShareOneFontAndLongFaceNamesAreDropped) {
  CUGCtrl grid;
  const int first = grid.AddFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  EXPECT_EQ(grid.AddFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"), first);
  EXPECT_EQ(grid.FontUseCount(first), 2);
  const int bold = grid.AddFont(-12, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  EXPECT_NE(bold, first);
  EXPECT_NE(grid.AddFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial Black"), first);

  const std::string longName(32, 'F');
  const int unnamed = grid.AddFont(-12, 0, 0, 0, 400, 1, 0, 0, 0, 0, 0, 0, 0, longName);
  LOGFONT lf;
  ASSERT_TRUE(grid.GetFont(unnamed)->GetLogFont(&lf));
  EXPECT_EQ(lf.lfFaceName, "");
  EXPECT_EQ(grid.AddFont(-12, 0, 0, 0, 400, 1, 0, 0, 0, 0, 0, 0, 0, ""), unnamed);

  EXPECT_EQ(grid.SetDefFont(99), 1);
  EXPECT_EQ(grid.SetDefFont(bold), 0);
  EXPECT_EQ(grid.m_GI->m_defFont, grid.GetFont(bold));
}

class FindGrid : public CUGCtrl {
 public:
  FindGrid() {
    ResizeCols(1, FALSE);
    ResizeRows(4, FALSE);
  }
  LRESULT Find(DWORD flags, const std::string& what, const std::string& with = std::string()) {
    UGFindReplaceRequest request;
    request.flags = flags;
    request.findWhat = what;
    request.replaceWith = with;
    return SendMessage(RegisterWindowMessage(kFindReplaceMessageName), 0, reinterpret_cast<LPARAM>(&request));
  }
};

TEST(GridControlFind, FindsDownwardsAndReplaceAllEndsWhereItStarted) {
  ScriptedMessageBox boxes;
  FindGrid grid;
  ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 100, 100), nullptr, 0));
  grid.PutCellText(0, 0, "tank");
  grid.PutCellText(0, 1, "Valve");
  grid.PutCellText(0, 2, "pump");
  grid.PutCellText(0, 3, "valve");

  grid.Find(FR_DOWN, "valve");
  EXPECT_EQ(grid.m_GI->m_currentRow, 1);
  grid.Find(FR_DOWN | FR_MATCHCASE, "valve");
  EXPECT_EQ(grid.m_GI->m_currentRow, 3);

  // A replacement the search still finds (case ignored) would loop for ever.
  grid.Find(FR_DOWN | FR_REPLACEALL, "valve", "VALVE");
  EXPECT_STREQ(grid.GetCellText(0, 1), "VALVE");
  EXPECT_STREQ(grid.GetCellText(0, 3), "VALVE");
  EXPECT_STREQ(grid.GetCellText(0, 0), "tank");

  // A replacement that holds the find text, with parts matching, does nothing.
  grid.Find(FR_DOWN | FR_REPLACEALL, "pump", "pump 2");
  EXPECT_STREQ(grid.GetCellText(0, 2), "pump");

  boxes.Expect(IDOK, "Item not found");
  grid.Find(FR_DOWN, "mixer");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes().back().caption, "Not Found");
  EXPECT_EQ(grid.Find(FR_DIALOGTERM, ""), 1);
}

// A grid that refuses moving the current cell onto one row.
class GuardedFindGrid : public FindGrid {
 public:
  int OnCanMove(int, long, int, long newRow) override { return newRow == m_refusedRow ? FALSE : TRUE; }
  long m_refusedRow = -1;
};

TEST(GridControlFind, ReplaceAllWritesTheFoundCellEvenWhenTheMoveThereIsRefused) {
  ScriptedMessageBox boxes;
  GuardedFindGrid grid;
  ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 100, 100), nullptr, 0));
  grid.PutCellText(0, 0, "tank");
  grid.PutCellText(0, 1, "pump");
  grid.PutCellText(0, 2, "valve");
  grid.m_refusedRow = 2;
  grid.Find(FR_DOWN | FR_REPLACEALL, "valve", "gate");
  EXPECT_EQ(grid.m_GI->m_currentRow, 0);
  EXPECT_STREQ(grid.GetCellText(0, 0), "tank");  // the current cell keeps its text
  EXPECT_STREQ(grid.GetCellText(0, 2), "gate");
}

}  // namespace
