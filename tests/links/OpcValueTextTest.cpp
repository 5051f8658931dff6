#include <gtest/gtest.h>

#include "links/OpcValueText.h"

namespace {

Variant Text(const std::string& text, VARTYPE type, bool* ok = nullptr) {
  Variant out;
  bool converted = TextToVariant(text, type, out);
  if (ok) *ok = converted;
  return out;
}

TEST(OpcValueText, ScalarsByTypeWithRangeChecks) {
  EXPECT_EQ(Text("-32768", VT_I2), Variant::I2(-32768));
  EXPECT_EQ(Text("65535", VT_UI2), Variant::UI2(65535));
  EXPECT_EQ(Text("2147483647", VT_I4), Variant::I4(2147483647));
  EXPECT_EQ(Text("4294967295", VT_UI4), Variant::UI4(4294967295u));
  EXPECT_EQ(Text("-128", VT_I1), Variant::I1(-128));
  EXPECT_EQ(Text("12.9", VT_I4), Variant::I4(12));  // the leading integer
  EXPECT_EQ(Text("abc", VT_I4), Variant::I4(0));    // no number reads 0
  EXPECT_EQ(Text("0.1", VT_R4), Variant::R4(0.1f));
  EXPECT_EQ(Text("2.5e1", VT_R8), Variant::R8(25.0));
  EXPECT_EQ(Text("-1", VT_BOOL), Variant::Bool(true));
  EXPECT_EQ(Text("0", VT_BOOL), Variant::Bool(false));
  EXPECT_EQ(Text("256", VT_BOOL), Variant::Bool(false));  // only the low 8 bits count
  EXPECT_EQ(Text("Ab", VT_BSTR), Variant::String("Ab"));
  bool ok = true;
  for (auto [text, type] : {std::pair{"32768", VT_I2}, {"-1", VT_UI2}, {"2147483648", VT_I4}, {"256", VT_UI1},
                            {"-129", VT_I1}, {"1e39", VT_R4}, {"99999999999999999999", VT_I4}}) {
    Text(text, static_cast<VARTYPE>(type), &ok);
    EXPECT_FALSE(ok) << text;
  }
  Text("1", VT_DATE, &ok);
  EXPECT_FALSE(ok);
  Text("1", VT_ERROR, &ok);
  EXPECT_FALSE(ok);
}

TEST(OpcValueText, ArraysWrittenOverTheirPattern) {
  Variant pattern = Variant::Array(VT_I2, {Variant::I2(1), Variant::I2(2), Variant::I2(3)});
  Variant out;
  ASSERT_TRUE(TextToArrayVariant(pattern, "[7,, 9]", out));
  EXPECT_EQ(out, Variant::Array(VT_I2, {Variant::I2(7), Variant::I2(2), Variant::I2(9)}));
  ASSERT_TRUE(TextToArrayVariant(pattern, "4,5,6,7,8", out));  // stops when the array is full
  EXPECT_EQ(out, Variant::Array(VT_I2, {Variant::I2(4), Variant::I2(5), Variant::I2(6)}));
  // An element of white space alone (a line break too) leaves the pattern's element.
  Variant five = Variant::Array(VT_I2, {Variant::I2(5), Variant::I2(6), Variant::I2(7)});
  ASSERT_TRUE(TextToArrayVariant(five, "1,\r\n,3", out));
  EXPECT_EQ(out, Variant::Array(VT_I2, {Variant::I2(1), Variant::I2(6), Variant::I2(3)}));
  ASSERT_TRUE(TextToArrayVariant(five, "[\n\t8,\r\n 9\n]", out));
  EXPECT_EQ(out, Variant::Array(VT_I2, {Variant::I2(8), Variant::I2(9), Variant::I2(7)}));
  EXPECT_FALSE(TextToArrayVariant(pattern, "1,40000", out));  // does not fit 16 bits
  EXPECT_FALSE(TextToArrayVariant(Variant::I2(1), "1", out));

  Variant grid = Variant::Array(VT_R4, {Variant::R4(0), Variant::R4(0), Variant::R4(0), Variant::R4(0)});
  grid.bounds = {{2, 0}, {2, 0}};
  ASSERT_TRUE(TextToArrayVariant(grid, "[1][3,4]", out));
  EXPECT_EQ(out.elements[0], Variant::R4(1));
  EXPECT_EQ(out.elements[1], Variant::R4(0));  // the short first row leaves its rest
  EXPECT_EQ(out.elements[2], Variant::R4(3));
  EXPECT_EQ(out.elements[3], Variant::R4(4));
  Variant cube = grid;
  cube.bounds = {{1, 0}, {2, 0}, {2, 0}};
  EXPECT_FALSE(TextToArrayVariant(cube, "1", out));  // at most two dimensions
}

}  // namespace
