// Date arithmetic of the month view: leap years, month lengths, weekdays,
// month stepping with clamping, and the six-week grid for both week starts.
#include <gtest/gtest.h>

#include <tuple>

#include "calendar_math.h"

using namespace calendar;

TEST(CalendarMath, LeapYearsMonthLengthsAndWeekdays) {
    for (const auto& [year, leap] : {std::pair{2000, true}, {2024, true}, {1900, false}, {2026, false}})
        EXPECT_EQ(leap, IsLeapYear(year)) << year;
    // Month 13 has no days.
    const std::tuple<int, int, int> lengths[] = {{2024, 2, 29}, {2100, 2, 28}, {2026, 12, 31}, {2026, 11, 30},
                                                 {2026, 13, 0}};
    for (const auto& [year, month, days] : lengths) EXPECT_EQ(days, DaysInMonth(year, month)) << year << "-" << month;
    // Thursday, Tuesday, Sunday, Monday (the FILETIME origin), Friday.
    const std::pair<Date, int> weekdays[] = {{{1970, 1, 1}, 4}, {{2000, 2, 29}, 2}, {{2026, 12, 6}, 0},
                                             {{1601, 1, 1}, 1}, {{9999, 12, 31}, 5}};
    for (const auto& [date, weekday] : weekdays) EXPECT_EQ(weekday, DayOfWeek(date)) << date.year;
    // Consecutive days step through the week without a gap over a leap day.
    EXPECT_EQ((DayOfWeek({2024, 2, 28}) + 2) % 7, DayOfWeek({2024, 3, 1}));
}

TEST(CalendarMath, StepsMonthsAcrossYearsAndClampsAtTheEnds) {
    const std::tuple<YearMonth, int, YearMonth> steps[] = {
        {{2026, 12}, 1, {2027, 1}}, {{2026, 1}, -1, {2025, 12}}, {{2026, 5}, -12, {2025, 5}},
        {{kMinYear, 1}, -1, {kMinYear, 1}}, {{kMaxYear, 12}, 12, {kMaxYear, 12}}};
    for (const auto& [from, step, to] : steps) {
        const YearMonth ym = AddMonths(from, step);
        EXPECT_EQ(std::pair(to.year, to.month), std::pair(ym.year, ym.month))
            << from.year << "-" << from.month << " " << step;
    }
}

// 1 December 2026 is a Tuesday; February 2015 begins on a Sunday: no leading
// days with a Sunday start, a whole leading week's remainder with a Monday
// start.
TEST(CalendarMath, GridStartsOnTheChosenWeekday) {
    const std::tuple<YearMonth, int, int, Date> cells[] = {
        {{2026, 12}, 1, 0, {2026, 11, 30}}, {{2026, 12}, 1, 1, {2026, 12, 1}}, {{2026, 12}, 1, 31, {2026, 12, 31}},
        {{2026, 12}, 1, 41, {2027, 1, 10}}, {{2026, 12}, 0, 0, {2026, 11, 29}}, {{2026, 12}, 0, 2, {2026, 12, 1}},
        {{2015, 2}, 0, 0, {2015, 2, 1}},    {{2015, 2}, 0, 41, {2015, 3, 14}},   {{2015, 2}, 1, 0, {2015, 1, 26}},
        {{2015, 2}, 1, 6, {2015, 2, 1}}};
    Date grid[kGridDays];
    for (const auto& [ym, firstDay, cell, date] : cells) {
        MonthGrid(ym, firstDay, grid);
        EXPECT_TRUE(SameDate(grid[cell], date))
            << ym.year << "-" << ym.month << " from " << firstDay << " cell " << cell;
    }
    // Every day of the last grid (February 2015 from Monday) on its weekday.
    for (int i = 0; i < kGridDays; ++i) EXPECT_EQ((1 + i) % 7, DayOfWeek(grid[i])) << i;
}
