#pragma once
// OLE dates: days since 30 December 1899 as a double, the fraction the time of day.
// For days before the epoch the integer part counts back and the fraction still
// adds time forwards by its magnitude (-1.25 is 29 December 1899, 06:00).
// Conversions round to the nearest second so whole seconds survive a round trip.
#include "platform/base/Variant.h"

struct DateTimeFields {
  int year = 1899;
  int month = 12;   // 1..12
  int day = 30;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int dayOfWeek = 0;  // 0 = Sunday (filled by the conversions from a date)
  int dayOfYear = 0;  // 1..366 (filled by the conversions from a date)
  bool operator==(const DateTimeFields& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
           second == o.second;
  }
};

// Valid years are 100..9999, as the original platform accepts. False for invalid fields.
bool OleDateFromFields(const DateTimeFields& fields, DATE& out);
// False when the date lies outside the valid range or is not a number.
bool FieldsFromOleDate(DATE date, DateTimeFields& out);

// Days in a Gregorian month (0 for an invalid month).
int DaysInMonth(int year, int month);
bool IsLeapYear(int year);
