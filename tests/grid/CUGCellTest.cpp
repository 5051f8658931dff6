#include "grid/CUGCell.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "grid/UGLocaleText.h"
#include "platform/ui/CFont.h"
#include "platform/ui/SystemMetrics.h"
#include "GridLocale.h"

namespace {

class GridCellTest : public ::testing::Test {
 protected:
  ScopedGridLocale m_locale;
};

std::string TextOf(CUGCell& cell) {
  const char* text = cell.GetText();
  return text ? text : "<none>";
}

std::string NumberText(double value) {
  CUGCell cell;
  cell.SetNumber(value);
  return TextOf(cell);
}

TEST_F(GridCellTest, FreshCellAnswersDefaults) {
  CUGCell cell;
  EXPECT_EQ(cell.GetPropertyFlags(), 0x08008788u);
  EXPECT_EQ(cell.GetDataType(), 1);
  EXPECT_EQ(cell.GetParam(), -1);
  EXPECT_EQ(cell.GetCellType(), 0);
  EXPECT_EQ(cell.GetCellTypeEx(), 0);
  EXPECT_EQ(cell.GetText(), nullptr);
  EXPECT_EQ(cell.GetNumber(), 0.0);
  EXPECT_EQ(cell.GetTextColor(), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(cell.GetBackColor(), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(cell.GetHTextColor(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(cell.GetHBackColor(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(cell.GetAlignment(), 1);
  EXPECT_EQ(cell.GetVisualStyleCode(), 16);
  EXPECT_EQ(cell.GetUseVisualStyles(), 1);
  EXPECT_EQ(cell.GetLabel(), nullptr);
  std::string label = "kept";
  EXPECT_EQ(cell.GetLabel(&label), 1);
  EXPECT_EQ(label, "kept");
}

TEST_F(GridCellTest, TextSettersKeepOrDropContent) {
  CUGCell cell;
  cell.SetText("abc");
  EXPECT_EQ(TextOf(cell), "abc");
  EXPECT_EQ(cell.GetTextLength(), 3);
  EXPECT_TRUE(cell.IsPropertySet(CUGCell::kPropText | CUGCell::kPropDataType));
  cell.SetText("");
  EXPECT_EQ(cell.GetText(), nullptr);
  EXPECT_EQ(cell.GetTextLength(), 0);
  cell.SetText("12.5");
  EXPECT_DOUBLE_EQ(cell.GetNumber(), 12.5);  // a text cell reads its text
  cell.SetNumber(3);
  EXPECT_EQ(cell.GetDataType(), 2);
  EXPECT_EQ(cell.GetTextLength(), 0);  // the stored text was emptied
}

TEST_F(GridCellTest, NumbersShowThroughTheLocale) {
  EXPECT_EQ(NumberText(1234567), "1,234,567");
  EXPECT_EQ(NumberText(2.5), "2.5");
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(-1234.5), "-1,234.5");
  EXPECT_EQ(NumberText(0.5), "0.5");
  EXPECT_EQ(NumberText(100), "100");
  // Shortest digits, not the noise of twenty fixed decimals.
  EXPECT_EQ(NumberText(0.1), "0.1");
  // Far beyond any fixed buffer the original used.
  EXPECT_EQ(NumberText(1e300).size(), 301u + 100u);

  CUGCell places;
  places.SetNumber(2);
  places.SetDecimalPlaces(3);
  EXPECT_EQ(TextOf(places), "2.000");
  places.SetNumber(1234.5678);
  places.SetDecimalPlaces(2);
  EXPECT_EQ(TextOf(places), "1,234.57");

  CUGCell plain;
  plain.SetNumber(1234567);
  plain.SetPropertyFlags(plain.GetPropertyFlags() | CUGCell::kPropNoLocaleFormat);
  EXPECT_EQ(TextOf(plain), "1234567");
}

TEST_F(GridCellTest, DataTypeConversions) {
  CUGCell cell;
  cell.SetText("1,234.50");
  cell.SetDataType(2);
  EXPECT_DOUBLE_EQ(cell.GetNumber(), 1234.5);
  EXPECT_EQ(TextOf(cell), "1,234.5");

  cell.SetText("abc");
  cell.SetDataType(2);
  EXPECT_EQ(cell.GetNumber(), 0.0);

  cell.SetText("$1,234.56");
  cell.SetDataType(5);
  EXPECT_DOUBLE_EQ(cell.GetNumber(), 1234.56);
  EXPECT_EQ(TextOf(cell), "$1,234.56");

  cell.SetNumber(7.5);
  cell.SetDataType(5);
  EXPECT_EQ(TextOf(cell), "7.50");
  EXPECT_DOUBLE_EQ(cell.GetNumber(), 7.5);

  cell.SetText("2024-03-05 06:07:08");
  cell.SetDataType(4);
  Variant date;
  ASSERT_TRUE(SUCCEEDED(VariantChangeType(date, Variant::String("2024-03-05 06:07:08"), VT_DATE)));
  EXPECT_DOUBLE_EQ(cell.GetNumber(), date.date);

  // The locale's own short form, its two-digit year in this century.
  cell.SetText("3/5/24");
  cell.SetDataType(4);
  ASSERT_TRUE(SUCCEEDED(VariantChangeType(date, Variant::String("2024-03-05"), VT_DATE)));
  EXPECT_DOUBLE_EQ(cell.GetNumber(), date.date);

  // A text that is no date stays as it was.
  cell.SetText("soon");
  cell.SetDataType(4);
  EXPECT_EQ(cell.GetDataType(), 4);
  EXPECT_EQ(TextOf(cell), "soon");

  cell.SetText("12");
  cell.SetDataType(3);  // converts nothing
  EXPECT_EQ(cell.GetDataType(), 3);
  EXPECT_EQ(TextOf(cell), "12");
}

TEST_F(GridCellTest, CopyingAddsOnlySetProperties) {
  CFont font;
  CUGCell destination;
  destination.SetFont(&font);
  destination.SetParam(42);
  CUGCell source;
  source.SetText("x");
  source.SetUseVisualStyles(0);

  source.AddInfoTo(&destination);
  EXPECT_EQ(destination.GetFont(), &font);
  EXPECT_EQ(destination.GetParam(), 42);
  EXPECT_EQ(TextOf(destination), "x");
  EXPECT_EQ(destination.GetUseVisualStyles(), 0);

  destination.CopyInfoFrom(&source);
  EXPECT_EQ(destination.GetFont(), nullptr);
  EXPECT_EQ(destination.GetParam(), -1);
  EXPECT_FALSE(destination.IsPropertySet(CUGCell::kPropFont | CUGCell::kPropParam));

  // Clearing keeps the visual-styles flag.
  destination.ClearAll();
  EXPECT_EQ(destination.GetUseVisualStyles(), 0);
}

TEST_F(GridCellTest, JoinsAndPointerSizedParameter) {
  CUGCell cell;
  BOOL origin = 7;
  int col = 7;
  long row = 7;
  EXPECT_EQ(cell.GetJoinInfo(&origin, &col, &row), 1);
  cell.SetJoinInfo(FALSE, -2, -3);
  ASSERT_EQ(cell.GetJoinInfo(&origin, &col, &row), 0);
  EXPECT_EQ(origin, FALSE);
  EXPECT_EQ(col, -2);
  EXPECT_EQ(row, -3);

  int target = 0;
  cell.SetParam(reinterpret_cast<std::intptr_t>(&target));
  CUGCell copy;
  copy.CopyInfoFrom(&cell);
  EXPECT_EQ(reinterpret_cast<int*>(copy.GetParam()), &target);
  ASSERT_EQ(copy.GetJoinInfo(&origin, &col, &row), 0);
  EXPECT_EQ(col, -2);
}

TEST_F(GridCellTest, CopiesShareAttachedObjectAndExtraMemory) {
  auto object = std::make_shared<int>(5);
  CUGCell stored;
  stored.SetAttached(object);
  auto* bytes = static_cast<unsigned char*>(stored.AllocExtraMemory(4));
  bytes[0] = 9;

  CUGCell handedOut;
  handedOut.CopyInfoFrom(&stored);
  handedOut.ClearAttached();  // drops only this cell's references
  EXPECT_EQ(stored.GetAttached(), object);
  EXPECT_EQ(static_cast<unsigned char*>(stored.GetExtraMemory())[0], 9);
  EXPECT_EQ(handedOut.GetExtraMemory(), nullptr);

  CUGCell other;
  other.CopyInfoFrom(&stored);
  EXPECT_EQ(other.GetExtraMemory(), stored.GetExtraMemory());
  EXPECT_EQ(other.GetExtraMemoryLength(), 4);
  stored.ClearAll();
  EXPECT_EQ(object.use_count(), 2);  // other still holds it
  EXPECT_EQ(other.GetAttached(), object);

  // A source without extra memory clears the destination's; the attached pointer always goes across.
  CUGCell bare;
  bare.AddInfoTo(&other);
  EXPECT_EQ(other.GetExtraMemory(), nullptr);
  EXPECT_EQ(other.GetAttached(), nullptr);
}

TEST(GridLocaleText, ReadsNumbersAsFarAsTheyGo) {
  const UGNumberLocale us;
  EXPECT_DOUBLE_EQ(UGReadNumber("  -12.5e2xyz", us), -1250.0);
  EXPECT_DOUBLE_EQ(UGReadNumber("3e", us), 3.0);
  EXPECT_DOUBLE_EQ(UGReadNumber(".", us), 0.0);
  UGNumberLocale german;
  german.decimalSeparator = ",";
  german.thousandsSeparator = ".";
  german.currencySymbol = "€";
  EXPECT_DOUBLE_EQ(UGReadNumber("1.234,5 €", german), 1234.5);
  EXPECT_EQ(UGLocaleNumberText("-1234567.25", 2, german).value_or("?"), "-1.234.567,25");
  EXPECT_EQ(UGLocaleNumberText("9.995", 2, us).value_or("?"), "10.00");
  EXPECT_FALSE(UGLocaleNumberText("inf", 0, us).has_value());
}

}  // namespace
