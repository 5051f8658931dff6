#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "grid/CUGMem.h"
#include "grid/FakeGridOwner.h"

namespace {

class GridMemTest : public ::testing::Test {
 protected:
  CUGMem& Mem() { return *grid.sheet.m_CUGMem; }

  void Put(int col, long row, const std::string& text) {
    CUGCell cell;
    cell.SetText(text.c_str());
    ASSERT_EQ(Mem().SetCell(col, row, &cell), 0);
  }
  // The text at a place, "-" when the source has no cell there.
  std::string Text(int col, long row) {
    CUGCell cell;
    if (Mem().GetCell(col, row, &cell) != 0) return "-";
    const char* text = cell.GetText();
    return text != nullptr ? text : "";
  }
  std::string Texts(long row, int cols) {
    std::string result;
    for (int col = 0; col < cols; ++col) result += (col ? "/" : "") + Text(col, row);
    return result;
  }
  // The sheet shows cols x rows places; the texts are given row by row.
  void Fill(int cols, long rows, const std::vector<std::string>& texts) {
    grid.SetColumns(cols);
    grid.sheet.m_numberRows = rows;
    for (size_t index = 0; index < texts.size(); ++index)
      if (!texts[index].empty()) Put(static_cast<int>(index % cols), static_cast<long>(index / cols), texts[index]);
  }

  FakeGridOwner grid;
};

TEST_F(GridMemTest, WritesMakeRowsInBothDirectionsAndColumnsOnlyWhereWritten) {
  EXPECT_EQ(Mem().GetNumRows(), 0);
  Put(5, 10, "x");
  Put(2, -2, "heading");
  EXPECT_EQ(Mem().GetNumRows(), 10);
  EXPECT_EQ(Texts(10, 7), "-/-/-/-/-/x/-");  // places made but never written hold no cell
  EXPECT_EQ(Texts(3, 1), "-");               // rows 0..9 have no columns
  EXPECT_EQ(Texts(-2, 3), "-/-/heading");
  EXPECT_EQ(Texts(-1, 3), "-/-/-");

  // A place never written leaves the given cell as it was.
  CUGCell cell;
  cell.SetText("kept");
  EXPECT_EQ(Mem().GetCell(1, 3, &cell), 1);
  EXPECT_STREQ(cell.GetText(), "kept");
  EXPECT_EQ(Mem().DeleteCell(5, 10) + Mem().DeleteCell(6, 10), 1);
  EXPECT_EQ(Text(5, 10), "-");
}

TEST_F(GridMemTest, InsertAndDeleteRows) {
  Put(0, 0, "a");
  Put(0, 1, "b");
  EXPECT_EQ(Mem().InsertRow(0), 0);
  EXPECT_EQ(Text(0, 0) + Text(0, 1) + Text(0, 2), "-ab");
  EXPECT_EQ(Mem().InsertRow(3), 1);  // past the end
  EXPECT_EQ(Mem().DeleteRow(1), 0);
  EXPECT_EQ(Mem().GetNumRows(), 1);
  EXPECT_EQ(Text(0, 1), "b");

  // The only row deleted leaves an empty source that starts again from row 0.
  Mem().Empty();
  Put(0, 0, "only");
  EXPECT_EQ(Mem().DeleteRow(0), 0);
  EXPECT_EQ(Mem().GetNumRows(), 0);
  EXPECT_EQ(Text(0, 0), "-");
  Put(1, 3, "again");
  EXPECT_EQ(Mem().GetNumRows(), 3);
  EXPECT_EQ(Text(1, 3), "again");
}

TEST_F(GridMemTest, ColumnInsertAndDeleteKeepTheGridShowingTheSameData) {
  Fill(4, 2, {"a", "b", "c", "", "d", "e"});
  CUGMem other;
  grid.sheet.m_colInfo[3].dataSource = &other;  // a column of another source keeps its number

  EXPECT_EQ(Mem().DeleteCol(1), 0);
  EXPECT_EQ(Texts(0, 3), "a/c/-");
  EXPECT_EQ(Texts(1, 3), "d/-/-");  // row 1's last column kept, emptied
  Put(1, 1, "f");
  EXPECT_EQ(grid.Translations(), (std::vector<int>{0, 0, 1, 3}));

  grid.SetColumns(4);
  grid.sheet.m_colInfo[3].dataSource = &other;
  EXPECT_EQ(Mem().InsertCol(1), 0);
  EXPECT_EQ(Texts(0, 4), "a/-/c/-");
  EXPECT_EQ(Texts(1, 4), "d/-/f/-");
  EXPECT_EQ(grid.Translations(), (std::vector<int>{0, 2, 3, 3}));

  CUGMem empty;
  EXPECT_EQ(empty.InsertCol(0) + empty.DeleteCol(0), 2);
}

TEST_F(GridMemTest, FindTextFlagsAndWrapping) {
  Fill(3, 3, {"Alpha", "beta", "x",  //
              "alpha", "Gamma", "",  //
              "delta", "alphabet", "end"});
  // Where a search from (col, row) stops.
  auto find = [&](const char* text, int col, long row, int flags, bool restart = false) {
    const int result = restart ? Mem().FindNext(text, &col, &row, flags) : Mem().FindText(text, &col, &row, flags);
    return result != 0 ? std::string("none") : std::to_string(col) + "," + std::to_string(row);
  };
  EXPECT_EQ(find("alpha", 0, 0, 0), "0,1");  // exact, down the column
  EXPECT_EQ(find("alpha", 0, 1, 0), "0,1");  // round the column back to the start cell
  EXPECT_EQ(find("ALPHA", 0, 1, UG_FIND_CASEINSENSITIVE), "0,0");  // wrapping from the last row to row 0
  EXPECT_EQ(find("amm", 1, 0, UG_FIND_PARTIAL), "1,1");
  EXPECT_EQ(find("AMM", 1, 2, UG_FIND_PARTIAL), "none");  // case counts without flag 2
  EXPECT_EQ(find("AMM", 1, 2, UG_FIND_PARTIAL | UG_FIND_CASEINSENSITIVE), "1,1");
  EXPECT_EQ(find("alphabet", 1, 1, UG_FIND_UP), "1,2");  // backwards from row 0 to the last row
  EXPECT_EQ(find("end", 0, 0, UG_FIND_ALLCOLUMNS), "2,2");
  EXPECT_EQ(find("Alpha", 2, 2, UG_FIND_ALLCOLUMNS), "0,0");             // from the last cell to (0, 0)
  EXPECT_EQ(find("x", 0, 0, UG_FIND_ALLCOLUMNS | UG_FIND_UP), "2,0");    // backwards across rows, wrapping
  EXPECT_EQ(find("x", 2, 2, 0, true), "2,0");                           // FindNext starts at row 0
  EXPECT_EQ(find("Alpha", 2, 2, UG_FIND_ALLCOLUMNS, true), "0,0");      // ... or at (0, 0) across columns
  grid.sheet.m_numberRows = 0;
  EXPECT_EQ(find("x", 0, 0, UG_FIND_ALLCOLUMNS), "none");
}

TEST_F(GridMemTest, SortingIsStableThroughTheOwnersComparison) {
  Fill(2, 5, {"b", "1", "a", "2", "b", "3", "", "4", "a", "5"});  // row 3 has no sort cell
  Put(0, -1, "heading");
  auto order = [&] {
    std::string result;
    for (long row = 0; row < 5; ++row) result += Text(1, row);
    return result;
  };
  EXPECT_EQ(Mem().SortByCol(0, 0), 0);
  EXPECT_EQ(order(), "25134");  // equal rows keep their order; no text sorts last
  EXPECT_EQ(Text(0, -1), "heading");
  EXPECT_EQ(Mem().SortByCol(0, 2), 0);
  EXPECT_EQ(order(), "41325");

  // The second column decides between rows equal in the first.
  Put(1, 3, "7");
  Put(1, 0, "9");
  const int cols[] = {0, 1};
  EXPECT_EQ(Mem().SortBy(cols, 2, 0), 0);
  EXPECT_EQ(order(), "57139");

  CUGMem unowned;
  EXPECT_EQ(unowned.SortByCol(0, 0), 1);  // nothing to compare with
}

TEST(GridMemSort, AComparisonThatIsNoOrderingLosesNoRow) {
  struct Contrary : FakeGridOwner {
    int OnSortEvaluate(CUGCell*, CUGCell*, int) override { return -1; }
  } grid;
  CUGMem& mem = *grid.sheet.m_CUGMem;
  CUGCell cell;
  for (int row = 0; row < 40; ++row) {
    cell.SetNumber(row);
    mem.SetCell(0, row, &cell);
  }
  EXPECT_EQ(mem.SortByCol(0, 0), 0);
  std::vector<bool> seen(40);
  for (int row = 0; row < 40; ++row) {
    ASSERT_EQ(mem.GetCell(0, row, &cell), 0);
    seen.at(static_cast<size_t>(cell.GetNumber())) = true;
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 40);
}

}  // namespace
