#pragma once
// Day numbers without Qt: whole days since 30 December 1899 with the time of
// day as the fraction. The one split of a day number into calendar day and
// time, and the one hours:minutes form of a duration, shared by the logbook
// core, the sun position and the SQL functions of the logbook. Every function
// checks its range: a value that is not finite or lies outside the years 100
// to 9999 gives nothing, never an undefined conversion or a garbage text.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace soarnote::daycount {

inline constexpr std::int32_t kSecondsPerDay = 86400;
inline constexpr std::int32_t kMinutesPerDay = 1440;
// The dates a logbook can hold: 1 January 100 to 31 December 9999.
inline constexpr std::int64_t kFirstDay = -657434;
inline constexpr std::int64_t kLastDay = 2958465;
// The longest duration or offset that means anything: the whole calendar.
inline constexpr double kLongestSpan = static_cast<double>(kLastDay - kFirstDay);

struct DayAndTime {
    std::int64_t day = 0;         // whole days, counting back before day zero
    std::int32_t secondOfDay = 0; // 0 .. 86399
};

struct CivilDate {
    int year = 0;
    int month = 0; // 1 .. 12
    int day = 0;   // 1 .. 31
};

// The time of day is the magnitude of the fraction, to the nearest second,
// also before day zero (-1.25 is 29/12/1899 06:00). Half a second before
// midnight is the next day's midnight: one calendar day on, on either side of
// day zero.
inline std::optional<DayAndTime> Split(double dayNumber) {
    if (!std::isfinite(dayNumber)) return std::nullopt;
    const double whole = std::trunc(dayNumber);
    if (whole < static_cast<double>(kFirstDay) || whole > static_cast<double>(kLastDay)) return std::nullopt;
    DayAndTime split{static_cast<std::int64_t>(whole),
                     static_cast<std::int32_t>(std::lround(std::fabs(dayNumber - whole) * kSecondsPerDay))};
    if (split.secondOfDay >= kSecondsPerDay) {
        split.secondOfDay -= kSecondsPerDay;
        ++split.day;
    }
    if (split.day > kLastDay) return std::nullopt;
    return split;
}

inline CivilDate CivilOfDay(std::int64_t day) {
    using namespace std::chrono;
    const year_month_day ymd{sys_days{1899y / December / 30} + days{day}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

// The whole day of a calendar date; nothing for an invalid date or one
// outside the years 100 to 9999.
inline std::optional<std::int64_t> DayOfCivil(int year, int month, int day) {
    using namespace std::chrono;
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok()) return std::nullopt;
    const std::int64_t n = (sys_days{ymd} - sys_days{1899y / December / 30}).count();
    if (n < kFirstDay || n > kLastDay) return std::nullopt;
    return n;
}

// A duration or offset in days as whole seconds; nothing when not finite or
// longer than the calendar.
inline std::optional<std::int64_t> SpanSeconds(double days) {
    if (!std::isfinite(days) || std::fabs(days) > kLongestSpan) return std::nullopt;
    return std::llround(days * kSecondsPerDay);
}

// "[-]hh:mm": hours not wrapped at 24, at least two digits each; seconds are
// rounded first, then the minutes begun are dropped (59 min 30 s is 00:59).
// Empty for a value out of range.
inline std::string HoursMinutes(double days) {
    const std::optional<std::int64_t> seconds = SpanSeconds(days);
    if (!seconds) return {};
    const std::int64_t minutes = (*seconds < 0 ? -*seconds : *seconds) / 60;
    char text[40];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld", *seconds < 0 && minutes > 0 ? "-" : "",
                  static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
    return text;
}

// "[-]hh:mm:ss", hours not wrapped at 24. Empty for a value out of range.
inline std::string HoursMinutesSeconds(double days) {
    const std::optional<std::int64_t> seconds = SpanSeconds(days);
    if (!seconds) return {};
    const std::int64_t magnitude = *seconds < 0 ? -*seconds : *seconds;
    char text[48];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld", *seconds < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 3600), static_cast<long long>(magnitude / 60 % 60),
                  static_cast<long long>(magnitude % 60));
    return text;
}

} // namespace soarnote::daycount
