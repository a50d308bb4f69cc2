// Date arithmetic of the month view: leap years, month lengths, weekdays,
// month stepping with clamping, and the six-week grid for both week starts.
#include <gtest/gtest.h>

#include "calendar_math.h"

using namespace calendar;

TEST(CalendarMath, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2026));
    EXPECT_EQ(29, DaysInMonth(2024, 2));
    EXPECT_EQ(28, DaysInMonth(2100, 2));
    EXPECT_EQ(31, DaysInMonth(2026, 12));
    EXPECT_EQ(30, DaysInMonth(2026, 11));
    EXPECT_EQ(0, DaysInMonth(2026, 13));
}

TEST(CalendarMath, WeekdaysOfKnownDates) {
    EXPECT_EQ(4, DayOfWeek({1970, 1, 1}));   // Thursday
    EXPECT_EQ(2, DayOfWeek({2000, 2, 29}));  // Tuesday
    EXPECT_EQ(0, DayOfWeek({2026, 12, 6}));  // Sunday
    EXPECT_EQ(1, DayOfWeek({1601, 1, 1}));   // Monday, the FILETIME origin
    EXPECT_EQ(5, DayOfWeek({9999, 12, 31})); // Friday
    // Consecutive days step through the week without a gap over a leap day.
    EXPECT_EQ((DayOfWeek({2024, 2, 28}) + 2) % 7, DayOfWeek({2024, 3, 1}));
}

TEST(CalendarMath, StepsMonthsAcrossYearsAndClampsAtTheEnds) {
    struct Case {
        YearMonth from;
        int step;
        YearMonth to;
    };
    for (const Case& c : {Case{{2026, 12}, 1, {2027, 1}}, Case{{2026, 1}, -1, {2025, 12}},
                          Case{{2026, 5}, -12, {2025, 5}}, Case{{kMinYear, 1}, -1, {kMinYear, 1}},
                          Case{{kMaxYear, 12}, 12, {kMaxYear, 12}}}) {
        SCOPED_TRACE(testing::Message() << c.from.year << "-" << c.from.month << " " << c.step);
        const YearMonth ym = AddMonths(c.from, c.step);
        EXPECT_EQ(c.to.year, ym.year);
        EXPECT_EQ(c.to.month, ym.month);
    }
}

TEST(CalendarMath, GridStartsOnTheChosenWeekday) {
    Date grid[kGridDays];
    // 1 December 2026 is a Tuesday.
    MonthGrid({2026, 12}, 1, grid);  // Monday first
    EXPECT_TRUE(SameDate(grid[0], {2026, 11, 30}));
    EXPECT_TRUE(SameDate(grid[1], {2026, 12, 1}));
    EXPECT_TRUE(SameDate(grid[31], {2026, 12, 31}));
    EXPECT_TRUE(SameDate(grid[41], {2027, 1, 10}));
    MonthGrid({2026, 12}, 0, grid);  // Sunday first
    EXPECT_TRUE(SameDate(grid[0], {2026, 11, 29}));
    EXPECT_TRUE(SameDate(grid[2], {2026, 12, 1}));
    // February 2015 begins on a Sunday: no leading days with a Sunday start,
    // a whole leading week's remainder with a Monday start.
    MonthGrid({2015, 2}, 0, grid);
    EXPECT_TRUE(SameDate(grid[0], {2015, 2, 1}));
    EXPECT_TRUE(SameDate(grid[41], {2015, 3, 14}));
    MonthGrid({2015, 2}, 1, grid);
    EXPECT_TRUE(SameDate(grid[0], {2015, 1, 26}));
    EXPECT_TRUE(SameDate(grid[6], {2015, 2, 1}));
    for (int i = 0; i < kGridDays; ++i) EXPECT_EQ((1 + i) % 7, DayOfWeek(grid[i])) << i;
}
