#include <gtest/gtest.h>

#include "common/CommonUtils.h"
#include "support/FakeClock.h"

namespace {

CalendarDate Shamsi(int year, int month, int day) {
  CalendarDate date{year, month, day};
  GregorianToShamsi(date);
  return date;
}

DATE Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  DateTimeFields f;
  f.year = year; f.month = month; f.day = day; f.hour = hour; f.minute = minute; f.second = second;
  DATE date = 0;
  EXPECT_TRUE(OleDateFromFields(f, date));
  return date;
}

TEST(ShamsiCalendar, WorkedDatesAndYearEnds) {
  EXPECT_EQ(Shamsi(2009, 3, 21), (CalendarDate{1388, 1, 1}));
  EXPECT_EQ(Shamsi(2009, 3, 20), (CalendarDate{1387, 12, 30}));  // thirtieth day of a leap year's last month
  EXPECT_EQ(Shamsi(2010, 2, 9), (CalendarDate{1388, 11, 20}));
  EXPECT_EQ(Shamsi(2000, 1, 1), (CalendarDate{1378, 10, 11}));
  EXPECT_EQ(Shamsi(2012, 3, 19), (CalendarDate{1390, 12, 29}));
  EXPECT_EQ(Shamsi(2012, 3, 20), (CalendarDate{1391, 1, 1}));
  EXPECT_EQ(Shamsi(1600, 3, 20), (CalendarDate{979, 1, 1}));
  EXPECT_EQ(Shamsi(2024, 9, 22), (CalendarDate{1403, 7, 1}));  // first 30-day month
}

TEST(ShamsiCalendar, GregorianLeapDayCountsOnlyFromMarch) {
  EXPECT_EQ(Shamsi(2012, 2, 28), (CalendarDate{1390, 12, 9}));
  EXPECT_EQ(Shamsi(2012, 2, 29), (CalendarDate{1390, 12, 10}));
  EXPECT_EQ(Shamsi(2012, 3, 1), (CalendarDate{1390, 12, 11}));
}

TEST(ShamsiCalendar, EveryDayOfAYearAdvancesByOne) {
  // From 1 Farvardin 1388 (21 March 2009) a whole Shamsi year, day by day.
  DateTimeFields f;
  DATE start = Date(2009, 3, 21);
  CalendarDate previous = Shamsi(2009, 3, 21);
  for (int n = 1; n <= 365; ++n) {
    ASSERT_TRUE(FieldsFromOleDate(start + n, f));
    const CalendarDate next = Shamsi(f.year, f.month, f.day);
    const bool sameMonth = next.year == previous.year && next.month == previous.month && next.day == previous.day + 1;
    const bool nextMonth = next.year == previous.year && next.month == previous.month + 1 && next.day == 1;
    const bool nextYear = next.year == previous.year + 1 && next.month == 1 && next.day == 1;
    ASSERT_TRUE(sameMonth || nextMonth || nextYear) << f.year << "-" << f.month << "-" << f.day;
    previous = next;
  }
  EXPECT_EQ(previous, (CalendarDate{1389, 1, 1}));  // 1388 has 365 days
}

TEST(ShamsiCalendar, DatesBeforeTheEpochGiveOutOfRangeFieldsWithoutFailing) {
  EXPECT_EQ(Shamsi(1600, 1, 1).day, -78);
}

TEST(ShamsiText, FormatPadsEverythingButTheYear) {
  EXPECT_EQ(FormatShamsiDate(Date(2010, 2, 9, 15, 30, 45), true), "1388/11/20 - 15:30:45");
  EXPECT_EQ(FormatShamsiDate(Date(2010, 2, 9, 15, 30, 45), false), "1388/11/20");
  EXPECT_EQ(FormatShamsiDate(Date(2000, 1, 1, 7, 5, 9), true), "1378/10/11 - 07:05:09");
  EXPECT_EQ(FormatShamsiDate(Date(2012, 3, 20, 23, 59, 59), true), "1391/01/01 - 23:59:59");
  // A value that is no calendar date gives no text.
  EXPECT_EQ(FormatShamsiDate(1e10, true), "");
}

TEST(ShamsiText, NewNameIsTheStampWithoutSeparators) {
  FakeClock clock;
  clock.Install();
  DateTimeFields now;
  now.year = 2010; now.month = 2; now.day = 9; now.hour = 15; now.minute = 30; now.second = 45;
  clock.SetNow(now);
  EXPECT_EQ(MakeNewName(), "NewName-13881120-153045");
  now.year = 2000; now.month = 1; now.day = 1; now.hour = 7; now.minute = 5; now.second = 9;
  clock.SetNow(now);
  const std::string name = MakeNewName();
  EXPECT_EQ(name, "NewName-13781011-070509");
  EXPECT_EQ(name.find_first_of("/: "), std::string::npos);
}

}  // namespace
