#include "common/ShamsiCalendar.h"

#include "common/TimeAndKeys.h"
#include "platform/base/OleDate.h"
#include "platform/base/Text.h"

void GregorianToShamsi(CalendarDate& date) {
  const int gy = date.year - 1600;
  const int gm = date.month - 1;
  const int gd = date.day - 1;

  long days = 365L * gy + (gy + 3) / 4 - (gy + 99) / 100 + (gy + 399) / 400;
  for (int i = 0; i < gm && i < 12; ++i) days += kGregorianMonthDays[static_cast<std::size_t>(i)];
  if (gm > 1 && ((gy % 4 == 0 && gy % 100 != 0) || gy % 400 == 0)) ++days;
  days += gd;

  long j = days - 79;  // counted from 1 Farvardin 979 (20 March 1600)
  const long cycles = j / 12053;  // 33-year cycles
  j %= 12053;
  long jy = 979 + 33 * cycles + 4 * (j / 1461);
  j %= 1461;
  if (j >= 366) {
    jy += (j - 1) / 365;
    j = (j - 1) % 365;
  }
  int i = 0;
  for (; i < 11 && j >= kShamsiMonthDays[static_cast<std::size_t>(i)]; ++i) j -= kShamsiMonthDays[static_cast<std::size_t>(i)];

  date.year = static_cast<int>(jy);
  date.month = i + 1;
  date.day = static_cast<int>(j + 1);
}

std::string FormatShamsiDate(DATE date, bool withTime) {
  DateTimeFields fields;
  if (!FieldsFromOleDate(date, fields)) return std::string();
  CalendarDate shamsi{fields.year, fields.month, fields.day};
  GregorianToShamsi(shamsi);
  std::string text = ruv::Format("%d/%02d/%02d", shamsi.year, shamsi.month, shamsi.day);
  if (withTime) text += ruv::Format(" - %02d:%02d:%02d", fields.hour, fields.minute, fields.second);
  return text;
}

std::string MakeNewName() {
  std::string stamp = FormatShamsiDate(GetNowDate(), true);
  for (const char* removed : {"/", ":", " "}) stamp = ruv::ReplaceAll(stamp, removed, "");
  return "NewName-" + stamp;
}
