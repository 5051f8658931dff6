#include "grid/UGLocaleText.h"

#include <QDateTime>
#include <QLocale>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/OleDate.h"
#include "platform/base/Text.h"

UGNumberLocale UGNumberLocale::Current() {
  const QLocale locale;
  UGNumberLocale result;
  result.decimalSeparator = locale.decimalPoint().toStdString();
  result.thousandsSeparator = locale.groupSeparator().toStdString();
  result.currencySymbol = locale.currencySymbol(QLocale::CurrencySymbol).toStdString();
  result.negativeSign = locale.negativeSign().toStdString();
  result.leadingZero = true;  // every locale Qt knows writes the zero before the separator
  return result;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void RemoveAll(std::string& text, std::string_view what) {
  if (what.empty()) return;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty() || what == with) return;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

// Adds one to the last digit of a digit string; true when it carried out of the first digit.
bool IncrementDigits(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

std::string GroupByThree(std::string_view digits, std::string_view separator) {
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

std::string UGPlainNumberText(double value, int decimalPlaces) {
  if (decimalPlaces >= 0) return ruv::Format("%1.*f", decimalPlaces, value);

  // Fixed notation of a double needs at most 309 integer digits plus sign and fraction.
  std::array<char, 512> buffer{};
  const auto [end, error] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  std::string text = error == std::errc() ? std::string(buffer.data(), end) : std::string("0");

  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
  }
  std::size_t leading = 0;
  while (leading < text.size() && text[leading] == '0') ++leading;
  text.erase(0, leading);
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text.empty()) text = "0";
  return text;
}

std::optional<std::string> UGLocaleNumberText(std::string_view plain, int fractionDigits,
                                              const UGNumberLocale& locale) {
  std::size_t pos = 0;
  const bool negative = pos < plain.size() && plain[pos] == '-';
  if (negative) ++pos;
  const std::size_t intStart = pos;
  while (pos < plain.size() && IsDigit(plain[pos])) ++pos;
  std::string integer(plain.substr(intStart, pos - intStart));
  std::string fraction;
  if (pos < plain.size() && plain[pos] == '.') {
    const std::size_t fracStart = ++pos;
    while (pos < plain.size() && IsDigit(plain[pos])) ++pos;
    fraction = std::string(plain.substr(fracStart, pos - fracStart));
  }
  if (pos != plain.size() || (integer.empty() && fraction.empty())) return std::nullopt;

  const std::size_t wanted = static_cast<std::size_t>(std::max(fractionDigits, 0));
  if (fraction.size() > wanted) {
    const bool roundUp = fraction[wanted] >= '5';
    fraction.resize(wanted);
    if (roundUp && IncrementDigits(fraction)) {
      if (IncrementDigits(integer)) integer.insert(integer.begin(), '1');
    }
  }
  fraction.resize(wanted, '0');

  std::size_t zeros = 0;
  while (zeros < integer.size() && integer[zeros] == '0') ++zeros;
  integer.erase(0, zeros);
  if (integer.empty() && (locale.leadingZero || fraction.empty())) integer = "0";

  std::string result = negative ? locale.negativeSign : std::string();
  result += GroupByThree(integer, locale.thousandsSeparator);
  if (!fraction.empty()) result += locale.decimalSeparator + fraction;
  return result;
}

double UGReadNumber(std::string_view text, const UGNumberLocale& locale) {
  std::string clean(text);
  RemoveAll(clean, locale.thousandsSeparator);
  RemoveAll(clean, locale.currencySymbol);
  ReplaceAll(clean, locale.decimalSeparator, ".");

  std::size_t pos = 0;
  while (pos < clean.size() && (clean[pos] == ' ' || clean[pos] == '\t' || clean[pos] == '\r' || clean[pos] == '\n'))
    ++pos;
  bool negative = false;
  if (pos < clean.size() && (clean[pos] == '+' || clean[pos] == '-')) negative = clean[pos++] == '-';
  const std::size_t start = pos;
  std::size_t digits = 0;
  while (pos < clean.size() && IsDigit(clean[pos])) ++pos, ++digits;
  if (pos < clean.size() && clean[pos] == '.') {
    ++pos;
    while (pos < clean.size() && IsDigit(clean[pos])) ++pos, ++digits;
  }
  if (digits == 0) return 0.0;
  bool negativeExponent = false;
  if (pos < clean.size() && (clean[pos] == 'e' || clean[pos] == 'E')) {
    std::size_t exponent = pos + 1;
    if (exponent < clean.size() && (clean[exponent] == '+' || clean[exponent] == '-'))
      negativeExponent = clean[exponent++] == '-';
    if (exponent < clean.size() && IsDigit(clean[exponent])) {
      while (exponent < clean.size() && IsDigit(clean[exponent])) ++exponent;
      pos = exponent;
    } else {
      negativeExponent = false;
    }
  }

  double value = 0.0;
  const auto [end, error] = std::from_chars(clean.data() + start, clean.data() + pos, value);
  (void)end;
  if (error == std::errc::result_out_of_range)
    value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
  return negative ? -value : value;
}

double UGReadCurrency(std::string_view text, const UGNumberLocale& locale) {
  // Currency values are fixed-point with four decimals.
  return std::round(UGReadNumber(text, locale) * 10000.0) / 10000.0;
}

namespace {

std::optional<DATE> OleDateOf(const QDate& date, const QTime& time) {
  DateTimeFields fields;
  if (date.isValid()) {
    fields.year = date.year();
    fields.month = date.month();
    fields.day = date.day();
  }
  fields.hour = time.hour();
  fields.minute = time.minute();
  fields.second = time.second();
  DATE result = 0.0;
  if (!OleDateFromFields(fields, result)) return std::nullopt;
  return result;
}

// Qt reads a two-digit year as 19yy; dates are read with the years 1930 to 2029 instead.
QDate WindowTwoDigitYear(QDate date, const QString& format) {
  if (date.isValid() && !format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy")) &&
      date.year() < 1930)
    return date.addYears(100);
  return date;
}

}  // namespace

std::optional<DATE> UGReadDateTime(std::string_view text) {
  const QLocale locale;
  const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
  for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    const QDateTime dateTime = locale.toDateTime(qtext, format);
    if (dateTime.isValid())
      return OleDateOf(WindowTwoDigitYear(dateTime.date(), locale.dateTimeFormat(format)), dateTime.time());
  }
  for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
    const QDate date = locale.toDate(qtext, format);
    if (date.isValid()) return OleDateOf(WindowTwoDigitYear(date, locale.dateFormat(format)), QTime(0, 0));
  }
  for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
    const QTime time = locale.toTime(qtext, format);
    if (time.isValid()) return OleDateOf(QDate(), time);
  }
  Variant converted;
  if (SUCCEEDED(VariantChangeType(converted, Variant::String(std::string(text)), VT_DATE))) return converted.date;
  return std::nullopt;
}
