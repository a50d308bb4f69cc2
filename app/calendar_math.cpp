// Gregorian date arithmetic for the month view (see calendar_math.h).
#include "calendar_math.h"

namespace calendar {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(const Date& date) {
    // Days counted from a fixed origin with the year starting in March, so
    // that the leap day comes last; the offset makes 1970-01-01 a Thursday.
    int y = date.year, m = date.month;
    if (m < 3) {
        m += 12;
        --y;
    }
    long days = 365L * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + date.day;
    return static_cast<int>((days + 2) % 7);
}

YearMonth AddMonths(const YearMonth& ym, int months) {
    long index = static_cast<long>(ym.year) * 12 + (ym.month - 1) + months;
    const long lo = static_cast<long>(kMinYear) * 12;
    const long hi = static_cast<long>(kMaxYear) * 12 + 11;
    if (index < lo) index = lo;
    if (index > hi) index = hi;
    return YearMonth{static_cast<int>(index / 12), static_cast<int>(index % 12) + 1};
}

bool SameDate(const Date& a, const Date& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

void MonthGrid(const YearMonth& ym, int firstDayOfWeek, Date out[kGridDays]) {
    const int first = ((firstDayOfWeek % 7) + 7) % 7;
    const int lead = (DayOfWeek(Date{ym.year, ym.month, 1}) - first + 7) % 7;
    const YearMonth prev = AddMonths(ym, -1);
    const YearMonth next = AddMonths(ym, 1);
    const int prevDays = DaysInMonth(prev.year, prev.month);
    const int days = DaysInMonth(ym.year, ym.month);
    for (int i = 0; i < kGridDays; ++i) {
        const int d = i - lead + 1;
        if (d < 1)
            out[i] = Date{prev.year, prev.month, prevDays + d};
        else if (d > days)
            out[i] = Date{next.year, next.month, d - days};
        else
            out[i] = Date{ym.year, ym.month, d};
    }
}

} // namespace calendar
