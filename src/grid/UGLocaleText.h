#pragma once
// Number, currency and date texts of grid cells under the user's locale.
//
// The program keeps LC_NUMERIC at "C", so the grid asks Qt's default locale
// (QLocale()) for its separators explicitly. The conversions themselves take
// the separators as arguments and stay free of any global state.
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Variant.h"

struct UGNumberLocale {
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  std::string currencySymbol = "$";
  std::string negativeSign = "-";
  bool leadingZero = true;  // "0.5" rather than ".5"

  // The separators of QLocale() (the user's locale, or what a test pinned).
  static UGNumberLocale Current();
};

// The plain text of a number before the locale step: with decimalPlaces >= 0
// exactly that many fraction digits; otherwise the shortest digits that read
// back to the same double, with leading and trailing zeros and a final "."
// removed (0.5 gives ".5"); an empty result is "0".
std::string UGPlainNumberText(double value, int decimalPlaces);

// Digits grouped by three and the locale's separators applied to a plain number
// text ("-", digits, "." and digits), with exactly fractionDigits fraction digits
// (padded with zeros or rounded). No value when the text is not a plain number.
std::optional<std::string> UGLocaleNumberText(std::string_view plain, int fractionDigits,
                                              const UGNumberLocale& locale);

// A text read as a number: the locale's thousands separator and currency symbol
// are dropped and its decimal separator read as "."; reading stops at the first
// character that cannot belong to a number; no digits give 0.
double UGReadNumber(std::string_view text, const UGNumberLocale& locale);

// A currency text: the number it holds, kept to the currency's four decimals.
double UGReadCurrency(std::string_view text, const UGNumberLocale& locale);

// A date and time in one of QLocale()'s date-time, date or time formats, else in
// the "YYYY-MM-DD HH:MM:SS" form. No value when neither reads.
std::optional<DATE> UGReadDateTime(std::string_view text);
