#include "platform/base/OleDate.h"

#include <cmath>

namespace {

// Days from 0001-03-01 style civil algorithm (Howard Hinnant's days_from_civil).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(y + (m <= 2));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

const long long kEpochDays = DaysFromCivil(1899, 12, 30);  // OLE day 0, relative to 1970-01-01

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool OleDateFromFields(const DateTimeFields& f, DATE& out) {
  if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12) return false;
  if (f.day < 1 || f.day > DaysInMonth(f.year, f.month)) return false;
  if (f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59) return false;
  long long days = DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) - kEpochDays;
  double time = (f.hour * 3600.0 + f.minute * 60.0 + f.second) / 86400.0;
  // Before the epoch the fraction is added by magnitude to a negative day number.
  out = days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
  if (days < 0 && time == 0.0) out = static_cast<double>(days);
  return true;
}

bool FieldsFromOleDate(DATE date, DateTimeFields& out) {
  if (!std::isfinite(date) || date < -657435.0 || date >= 2958466.0) return false;
  double dayPart = std::trunc(date);
  double fraction = std::fabs(date - dayPart);
  long long seconds = std::llround(fraction * 86400.0);
  long long days = static_cast<long long>(dayPart);
  if (seconds >= 86400) {  // rounding reached the next day
    seconds -= 86400;
    days += date >= 0 ? 1 : -1;
    if (date < 0 && days == 0) days = 0;
  }
  CivilFromDays(days + kEpochDays, out.year, out.month, out.day);
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>((seconds / 60) % 60);
  out.second = static_cast<int>(seconds % 60);
  long long civil = days + kEpochDays;  // days since 1970-01-01, a Thursday
  out.dayOfWeek = static_cast<int>(((civil % 7) + 7 + 4) % 7);
  out.dayOfYear = static_cast<int>(civil - DaysFromCivil(out.year, 1, 1) + 1);
  return out.year >= 100 && out.year <= 9999;
}
