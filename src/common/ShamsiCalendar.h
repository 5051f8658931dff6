#pragma once
// Gregorian dates to the Persian solar (Shamsi) calendar, and the Shamsi texts
// written beside every stored date.
#include <array>
#include <string>

#include "platform/base/Variant.h"

// Year, month (1..12) and day (1..31) of either calendar.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const CalendarDate&) const = default;
};

// Month lengths: February without its leap day; the twelfth Shamsi month's
// thirtieth day in a leap year comes from the year rule, not from this table.
constexpr std::array<int, 12> kGregorianMonthDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<int, 12> kShamsiMonthDays{31, 31, 31, 31, 31, 31, 30, 30, 30, 30, 30, 29};

// Converts the Gregorian date in `date` to the Shamsi date, in place, by the
// 33-year-cycle rule. Valid from 20 March 1600 (1 Farvardin 979) on.
void GregorianToShamsi(CalendarDate& date);

// "%d/%02d/%02d" of the Shamsi date, with " - %02d:%02d:%02d" of the (unconverted)
// time of day when `withTime`; "" for a value that is not a calendar date.
std::string FormatShamsiDate(DATE date, bool withTime);

// "NewName-" and the Shamsi date and time of now without "/", ":" and blanks
// ("NewName-13881120-153045"): the default name of a new record.
std::string MakeNewName();
