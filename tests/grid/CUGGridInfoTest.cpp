#include <gtest/gtest.h>

#include "grid/CUGGridInfo.h"
#include "grid/CUGMem.h"
#include "platform/ui/SystemMetrics.h"

TEST(GridSheetSettings, ANewSheetHasItsDefaults) {
  CUGGridInfo sheet;
  const std::vector<long> sizes{sheet.m_numberCols, sheet.m_numberRows, sheet.m_currentCol, sheet.m_currentRow,
                                sheet.m_dragCol, sheet.m_dragRow, sheet.m_defColWidth, sheet.m_defRowHeight,
                                sheet.m_numberTopHdgRows, sheet.m_topHdgHeights.at(0), sheet.m_numberSideHdgCols,
                                sheet.m_sideHdgWidths.at(0), sheet.m_topHdgHeight, sheet.m_sideHdgWidth, sheet.m_margin};
  EXPECT_EQ(sizes, (std::vector<long>{0, 0, -1, -1, -1, -1, 75, 20, 1, 20, 1, 25, 20, 40, 4}));
  const std::vector<int> switches{sheet.m_edgeDepth,    sheet.m_highlightStyle,  sheet.m_userSizingMode,
                                  sheet.m_bestFitOnDClick, sheet.m_textOverflow, sheet.m_drawGridLines,
                                  sheet.m_ballisticDelay,  sheet.m_paintMode,    sheet.m_multiSelectFlag};
  EXPECT_EQ(switches, (std::vector<int>{1, 1, 1, 1, 1, 1, 200, 0, 0}));
  const std::vector<int> offByDefault{sheet.m_highlightRow, sheet.m_fullWidthFocusRect, sheet.m_enableCellTips,
                                      sheet.m_enableVScrollHint, sheet.m_enableHScrollHint};
  EXPECT_EQ(offByDefault, (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(sheet.m_WEResizeCursor, LoadStandardCursor(IDC_SIZEWE));
  EXPECT_EQ(sheet.m_NSResizeCursor, LoadStandardCursor(IDC_SIZENS));

  LOGPEN pen;
  ASSERT_TRUE(sheet.m_defPen.GetLogPen(&pen));
  EXPECT_EQ(pen.lopnStyle, static_cast<UINT>(PS_SOLID));
  EXPECT_EQ(pen.lopnWidth, 1);
  EXPECT_EQ(pen.lopnColor, 0xDCDCDCu);

  // The heading default: button face, raised, its alignment and the heading style code.
  const CUGCell& heading = *sheet.m_hdgDefaults;
  EXPECT_EQ(heading.GetBackColor(), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(heading.GetBorder(), 0x2000);
  EXPECT_EQ(heading.GetAlignment(), 0x24);
  EXPECT_EQ(heading.GetVisualStyleCode(), 0x80);
  EXPECT_EQ(heading.GetPropertyFlags(), CUGCell::kResetMask | CUGCell::kPropBorder);

  // Its own memory is the default source.
  EXPECT_EQ(sheet.m_defDataSource, sheet.m_CUGMem.get());
}
