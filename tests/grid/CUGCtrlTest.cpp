#include "grid/CUGCtrl.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "grid/CUGCell.h"
#include "platform/ui/CDC.h"
#include "platform/ui/SystemMetrics.h"

namespace {

TEST(GridNotifications, DefaultsGrantEverythingAndHintNamesTheCell) {
  CUGCtrl grid;
  EXPECT_EQ(grid.OnCanMove(0, 0, 1, 1), TRUE);
  EXPECT_EQ(grid.OnCanViewMove(0, 0, 1, 1), TRUE);
  EXPECT_EQ(grid.OnCanSizeCol(0), TRUE);
  int size = 30;
  EXPECT_EQ(grid.OnTopHdgSizing(&size), TRUE);
  EXPECT_EQ(size, 30);
  CWnd* editor = nullptr;
  EXPECT_EQ(grid.OnEditStart(0, 0, &editor), TRUE);
  EXPECT_EQ(grid.OnEditFinish(0, 0, nullptr, "x", FALSE), TRUE);
  EXPECT_EQ(grid.OnCellTypeNotify(1, 0, 0, 100, 5), TRUE);
  EXPECT_EQ(grid.OnMenuStart(0, 0, CUGCtrl::kSectionCellArea), TRUE);
  EXPECT_EQ(grid.OnColDragStart(2), TRUE);
  EXPECT_EQ(grid.OnCanMoveCol(2, 3), TRUE);
  EXPECT_EQ(grid.OnGetContextHelpId(0, 0, 1), 0u);

  std::string hint;
  EXPECT_EQ(grid.OnHint(3, 7, CUGCtrl::kSectionCellArea, &hint), TRUE);
  EXPECT_EQ(hint, "Col:3 Row:7");
  std::string scrollHint = "unchanged";
  EXPECT_EQ(grid.OnVScrollHint(4, &scrollHint), TRUE);
  EXPECT_EQ(scrollHint, "unchanged");

  EXPECT_EQ(grid.OnGetDefBackColor(CUGCtrl::kSectionCellArea), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(grid.OnGetDefBackColor(CUGCtrl::kSectionTopHeading), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(grid.OnGetDefBackColor(CUGCtrl::kSectionTabStrip), GetSysColor(COLOR_BTNFACE));
}

class FocusRecorder : public CUGCtrl {
 public:
  void OnKillFocusSection(int section) override { lostSection = section; }
  int lostSection = 0;
};

TEST(GridNotifications, KillFocusReportsTheSection) {
  FocusRecorder grid;
  grid.OnKillFocus(CUGCtrl::kSectionSideHeading, nullptr);
  EXPECT_EQ(grid.lostSection, CUGCtrl::kSectionSideHeading);
}

TEST(GridNotifications, FocusRectangleIsOnePixelSmallerAtRightAndBottom) {
  QImage image(12, 12, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    CDC dc;
    ASSERT_TRUE(dc.AttachImage(&image));
    CUGCtrl grid;
    RECT rect{0, 0, 10, 10};
    EXPECT_EQ(grid.OnDrawFocusRect(&dc, &rect), 0);
  }
  auto columnTouched = [&image](int x) {
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(x, y) != qRgb(0, 0, 0)) return true;
    return false;
  };
  auto rowTouched = [&image](int y) {
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(0, 0, 0)) return true;
    return false;
  };
  EXPECT_TRUE(columnTouched(8));
  EXPECT_FALSE(columnTouched(9));
  EXPECT_TRUE(rowTouched(8));
  EXPECT_FALSE(rowTouched(9));
}

TEST(GridSortComparison, NumbersTextsMissingCellsAndDescending) {
  CUGCtrl grid;
  CUGCell small, large, apple, pear, empty;
  small.SetNumber(2);
  large.SetNumber(10);
  apple.SetText("apple");
  pear.SetText("pear");

  EXPECT_EQ(grid.OnSortEvaluate(&small, &large, 0), -1);
  EXPECT_EQ(grid.OnSortEvaluate(&large, &small, 0), 1);
  EXPECT_EQ(grid.OnSortEvaluate(&small, &small, 0), 0);
  EXPECT_EQ(grid.OnSortEvaluate(&small, &large, CUGCtrl::kSortDescending), 1);

  EXPECT_EQ(grid.OnSortEvaluate(&apple, &pear, 0), -1);
  EXPECT_EQ(grid.OnSortEvaluate(&apple, &pear, CUGCtrl::kSortDescending), 1);
  // Bytes compare unsigned: a UTF-8 letter sorts after ASCII.
  CUGCell persian;
  persian.SetText("\xd9\x83");
  EXPECT_EQ(grid.OnSortEvaluate(&persian, &pear, 0), 1);

  // Cells without text go after every text.
  EXPECT_EQ(grid.OnSortEvaluate(&empty, &apple, 0), 1);
  EXPECT_EQ(grid.OnSortEvaluate(&apple, &empty, 0), -1);

  EXPECT_EQ(grid.OnSortEvaluate(nullptr, &apple, 0), 1);
  EXPECT_EQ(grid.OnSortEvaluate(nullptr, nullptr, 0), 0);
  EXPECT_EQ(grid.OnSortEvaluate(&apple, nullptr, CUGCtrl::kSortDescending), -1);
}

}  // namespace
