#include "platform/base/DecimalValue.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/base/Text.h"

namespace ruv {

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr Wide kMax96 = (static_cast<Wide>(1) << 96) - 1;

Wide Mantissa(const DECIMAL& value) { return (static_cast<Wide>(value.Hi32) << 64) | value.Lo64; }

DECIMAL Make(Wide mantissa, int scale, bool negative) {
  DECIMAL out;
  out.scale = static_cast<std::uint8_t>(scale);
  out.sign = negative && mantissa != 0 ? DECIMAL_NEG : 0;
  out.Hi32 = static_cast<std::uint32_t>(mantissa >> 64);
  out.Lo64 = static_cast<std::uint64_t>(mantissa);
  return out;
}

std::string WideText(Wide value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

// The digits without their last `count`, rounded half to even once, from every
// dropped digit: rounding one digit at a time would round twice (1.234451 to
// four decimals would give 1.2344, and 0.00005000001 would give 0).
std::string RoundedOff(const std::string& digits, std::size_t count) {
  if (count == 0) return digits;
  const std::size_t keep = digits.size() > count ? digits.size() - count : 0;
  std::string kept = keep == 0 ? std::string("0") : digits.substr(0, keep);
  const std::string dropped = keep == 0 ? std::string(count - digits.size(), '0') + digits : digits.substr(keep);
  const int first = dropped.front() - '0';
  const bool restNonZero = dropped.find_first_not_of('0', 1) != std::string::npos;
  const bool odd = ((kept.back() - '0') % 2) != 0;
  const bool up = first > 5 || (first == 5 && (restNonZero || odd));
  if (!up) return kept;
  for (std::size_t i = kept.size(); i-- > 0;) {
    if (kept[i] != '9') {
      ++kept[i];
      return kept;
    }
    kept[i] = '0';
  }
  return std::string(1, '1') + kept;
}

// The digits as a 96-bit mantissa; false when they do not fit.
bool ToMantissa(const std::string& digits, Wide& out) {
  Wide value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<Wide>(c - '0');
    if (value > kMax96) return false;
  }
  out = value;
  return true;
}

}  // namespace

bool ParseDecimal(const std::string& text, DECIMAL& out) {
  const std::string t = Trim(text, " \t\r\n");
  std::size_t at = 0;
  bool negative = false;
  if (at < t.size() && (t[at] == '+' || t[at] == '-')) negative = t[at++] == '-';
  std::string digits;
  int fraction = 0;
  bool point = false, any = false;
  for (; at < t.size(); ++at) {
    const char c = t[at];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      any = true;
      if (!(digits.empty() && c == '0')) digits += c;  // leading zeros say nothing
      if (point) ++fraction;
    } else {
      break;
    }
  }
  if (!any) return false;
  long exponent = 0;
  if (at < t.size() && (t[at] == 'e' || t[at] == 'E')) {
    ++at;
    bool negativeExponent = false;
    if (at < t.size() && (t[at] == '+' || t[at] == '-')) negativeExponent = t[at++] == '-';
    if (at >= t.size()) return false;
    for (; at < t.size() && std::isdigit(static_cast<unsigned char>(t[at])); ++at) {
      exponent = exponent * 10 + (t[at] - '0');
      if (exponent > 1000) return false;
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (at != t.size()) return false;
  if (digits.empty()) {
    out = Make(0, 0, false);
    return true;
  }
  // The digits hold the value times 10^scale.
  long scale = fraction - exponent;
  if (scale < 0) {
    if (static_cast<long>(digits.size()) - scale > 29) return false;
    digits.append(static_cast<std::size_t>(-scale), '0');
    scale = 0;
  }
  // Fewest decimals dropped so the scale is at most 28 and the mantissa fits
  // 96 bits; each try rounds the full digits once.
  // (A 96-bit mantissa has at most 29 digits, so fewer drops cannot fit.)
  const long overScale = scale - kDecimalMaxScale;
  const long overDigits = static_cast<long>(digits.size()) - 29;
  for (long drop = std::max({0L, overScale, overDigits}); drop <= scale; ++drop) {
    Wide mantissa = 0;
    if (ToMantissa(RoundedOff(digits, static_cast<std::size_t>(drop)), mantissa)) {
      out = Make(mantissa, static_cast<int>(scale - drop), negative);
      return true;
    }
  }
  return false;
}

std::string DecimalText(const DECIMAL& value) {
  std::string digits = WideText(Mantissa(value));
  const std::size_t scale = value.scale;
  if (digits.size() < scale + 1) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - scale);
  std::string fraction = digits.substr(digits.size() - scale);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string text = fraction.empty() ? whole : whole + "." + fraction;
  return value.sign == DECIMAL_NEG && !DecimalIsZero(value) ? "-" + text : text;
}

double DecimalToDouble(const DECIMAL& value) {
  long double number = static_cast<long double>(Mantissa(value));
  for (int i = 0; i < value.scale; ++i) number /= 10;
  return static_cast<double>(value.sign == DECIMAL_NEG ? -number : number);
}

bool DecimalIsZero(const DECIMAL& value) { return Mantissa(value) == 0; }

bool DecimalEquals(const DECIMAL& a, const DECIMAL& b) { return DecimalText(a) == DecimalText(b); }

DECIMAL DecimalFromCurrency(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const Wide magnitude = negative ? static_cast<Wide>(-(tenThousandths + 1)) + 1 : static_cast<Wide>(tenThousandths);
  return Make(magnitude, 4, negative);
}

bool DecimalToCurrency(const DECIMAL& value, std::int64_t& tenThousandths) {
  std::string digits = WideText(Mantissa(value));
  int scale = value.scale;
  if (scale < 4) {
    digits.append(static_cast<std::size_t>(4 - scale), '0');
    scale = 4;
  }
  digits = RoundedOff(digits, static_cast<std::size_t>(scale - 4));
  Wide magnitude = 0;
  if (digits.size() > 20 || !ToMantissa(digits, magnitude)) return false;
  const bool negative = value.sign == DECIMAL_NEG;
  const Wide limit = static_cast<Wide>(INT64_MAX) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  if (!negative) tenThousandths = static_cast<std::int64_t>(magnitude);
  else tenThousandths = magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
  return true;
}

std::string CurrencyText(std::int64_t tenThousandths) { return DecimalText(DecimalFromCurrency(tenThousandths)); }

}  // namespace ruv
