#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/base/DecimalValue.h"

namespace {

std::int64_t CurrencyOf(const std::string& text) {
  DECIMAL decimal;
  EXPECT_TRUE(ruv::ParseDecimal(text, decimal)) << text;
  std::int64_t tenThousandths = -1;
  EXPECT_TRUE(ruv::DecimalToCurrency(decimal, tenThousandths)) << text;
  return tenThousandths;
}

std::string DecimalOf(const std::string& text) {
  DECIMAL decimal;
  EXPECT_TRUE(ruv::ParseDecimal(text, decimal)) << text;
  return ruv::DecimalText(decimal);
}

// Rounding looks at every dropped digit at once: a digit past the first one
// dropped decides a tie, and a carry never rounds a second time.
TEST(DecimalValue, CurrencyRoundsOnceFromAllTheDigits) {
  struct Case {
    const char* text;
    std::int64_t tenThousandths;
  };
  const Case cases[] = {
      {"1.234451", 12345},         // not 1.2344: the 1 after the 5 makes it more than half
      {"0.00005000001", 1},        // not 0
      {"0.00005", 0},              // an exact half goes to the even digit
      {"0.00015", 2},
      {"1.23444999999", 12344},    // less than half, however many nines follow
      {"9.99995", 100000},         // the carry runs through every digit
      {"1.2345", 12345},           // nothing to drop
      {"0.000049999999999999999999999", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CurrencyOf(c.text), c.tenThousandths) << c.text;
    EXPECT_EQ(CurrencyOf(std::string("-") + c.text), -c.tenThousandths) << "-" << c.text;
  }
  EXPECT_EQ(ruv::CurrencyText(CurrencyOf("1.234451")), "1.2345");
  EXPECT_EQ(ruv::CurrencyText(CurrencyOf("-0.00005000001")), "-0.0001");
}

TEST(DecimalValue, CurrencyRangeEndsAreKept) {
  EXPECT_EQ(CurrencyOf("922337203685477.5807"), INT64_MAX);
  EXPECT_EQ(CurrencyOf("-922337203685477.5808"), INT64_MIN);
  DECIMAL decimal;
  std::int64_t out = 0;
  ASSERT_TRUE(ruv::ParseDecimal("922337203685477.58075", decimal));
  EXPECT_FALSE(ruv::DecimalToCurrency(decimal, out));  // rounds up past the top
  ASSERT_TRUE(ruv::ParseDecimal("922337203685477.58074999", decimal));
  EXPECT_TRUE(ruv::DecimalToCurrency(decimal, out));
  EXPECT_EQ(out, INT64_MAX);
}

// Past 28 decimals, or past what 96 bits hold, the text is rounded the same way.
TEST(DecimalValue, ParsedDigitsRoundOnce) {
  EXPECT_EQ(DecimalOf("0.00000000000000000000000000005000001"), "0.0000000000000000000000000001");
  EXPECT_EQ(DecimalOf("-0.00000000000000000000000000005000001"), "-0.0000000000000000000000000001");
  EXPECT_EQ(DecimalOf("0.00000000000000000000000000005"), "0");
  EXPECT_EQ(DecimalOf("0.00000000000000000000000000015"), "0.0000000000000000000000000002");
  // Twenty-eight decimals are kept; the rest round into them together.
  EXPECT_EQ(DecimalOf("1.234567890123456789012345678451"), "1.2345678901234567890123456785");
  EXPECT_EQ(DecimalOf("7.92281625142643375935439503354"), "7.9228162514264337593543950335");
  EXPECT_EQ(DecimalOf("79228162514264337593543950335.4999"), "79228162514264337593543950335");
  DECIMAL decimal;
  EXPECT_FALSE(ruv::ParseDecimal("79228162514264337593543950335.5", decimal));  // rounds past 96 bits
  EXPECT_EQ(DecimalOf("12.500"), "12.5");
  EXPECT_EQ(DecimalOf("-0"), "0");
}

}  // namespace
