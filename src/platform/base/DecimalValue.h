#pragma once
// The exact decimal numbers of the database layer: DECIMAL (a 96-bit mantissa
// with a power-of-ten scale, as VT_DECIMAL holds it) and the currency value
// (VT_CY: a 64-bit count of ten-thousandths). Texts are locale-free ("." point).
#include <cstdint>
#include <string>

// value = (Hi32 * 2^64 + Lo64) / 10^scale, negative when sign is DECIMAL_NEG.
struct DECIMAL {
  std::uint8_t scale = 0;  // 0..28
  std::uint8_t sign = 0;
  std::uint32_t Hi32 = 0;
  std::uint64_t Lo64 = 0;
};
constexpr std::uint8_t DECIMAL_NEG = 0x80;
constexpr int kDecimalMaxScale = 28;
constexpr std::int64_t kCurrencyScale = 10000;  // a currency value counts ten-thousandths

namespace ruv {

// A decimal number text: blanks around it, a sign, digits with one ".", and an
// exponent ("1.5e3"). Digits past the 28th decimal are rounded half to even;
// false when the text is no number or the value needs more than 96 bits.
bool ParseDecimal(const std::string& text, DECIMAL& out);
// Every digit the value holds, without exponent; zeros ending the fraction and
// a point with nothing after it are dropped ("12.5", "-0.001", "3").
std::string DecimalText(const DECIMAL& value);
double DecimalToDouble(const DECIMAL& value);
bool DecimalIsZero(const DECIMAL& value);
// Same number (12.50 equals 12.5).
bool DecimalEquals(const DECIMAL& a, const DECIMAL& b);

DECIMAL DecimalFromCurrency(std::int64_t tenThousandths);
// Rounded half to even to four decimals; false when it does not fit 64 bits.
bool DecimalToCurrency(const DECIMAL& value, std::int64_t& tenThousandths);
std::string CurrencyText(std::int64_t tenThousandths);

}  // namespace ruv
