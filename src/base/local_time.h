#pragma once

#include <cstdint>

// A wall-clock moment in local time, as the program reads it from the system.
struct LocalTime {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
    int weekday = 6;  // 0 Sunday .. 6 Saturday
};

// Days from 1970-01-01 in the proleptic Gregorian calendar.
constexpr std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Minutes since the epoch with seconds cut off: the difference of two values
// counts the minute boundaries crossed between them.
constexpr std::int64_t MinuteSerial(const LocalTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute;
}

// Weekday of a date, 0 Sunday .. 6 Saturday.
constexpr int WeekdayOf(int y, int m, int d) {
    const std::int64_t days = DaysFromCivil(y, m, d);  // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

// Builds a LocalTime with its weekday filled in.
constexpr LocalTime MakeTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    LocalTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    t.weekday = WeekdayOf(y, mo, d);
    return t;
}
