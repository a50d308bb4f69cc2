// Date arithmetic of the proleptic Gregorian calendar for the month view:
// leap years, month lengths, weekdays, month stepping and the six-week grid
// that a month page shows. Pure functions over plain values; no state, no
// Windows calls. Years are limited to kMinYear..kMaxYear; stepping clamps
// to that range instead of failing.
#pragma once

namespace calendar {

inline constexpr int kMinYear = 1601;
inline constexpr int kMaxYear = 9999;
inline constexpr int kGridDays = 42;  // six weeks

struct YearMonth {
    int year;
    int month;  // 1..12
};

struct Date {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(const Date& date);
// The month `months` months after (or before, when negative) `ym`,
// clamped to January kMinYear .. December kMaxYear.
YearMonth AddMonths(const YearMonth& ym, int months);
bool SameDate(const Date& a, const Date& b);

// The 42 days shown for `ym` when weeks start on `firstDayOfWeek` (0 = Sunday,
// 1 = Monday; other values are taken modulo 7): the grid starts on the last
// such weekday on or before the 1st, so the 1st always lies in the first row.
// Days before the 1st and after the month's end belong to the neighbouring months.
void MonthGrid(const YearMonth& ym, int firstDayOfWeek, Date out[kGridDays]);

} // namespace calendar
