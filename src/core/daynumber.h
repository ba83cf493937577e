#pragma once
// Day numbers: whole days since 30 December 1899, the time of day as the fraction.
// Every date, time, duration and clock offset in a logbook is one of these.
// This file is the one place that turns them into text and back.

#include <QDateTime>
#include <QString>
#include <optional>

namespace soarnote {

inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kOneSecond = 1.0 / kSecondsPerDay;
inline constexpr double kOneMinute = 1.0 / 1440.0;

// Calendar parts of a day number, the time rounded to the nearest second.
// Negative day numbers count whole days back from 30/12/1899 while the time
// of day is the magnitude of the fraction (so -1.25 is 29/12/1899 06:00).
struct DayParts {
    QDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// A day number that is not finite or lies outside the years 100 to 9999 gives
// an invalid date, and the texts below are empty for it.
DayParts SplitDayNumber(double day);
double DayNumber(const QDate& date, int hour = 0, int minute = 0, double second = 0);
double DayNumberFromDateTime(const QDateTime& dateTime); // local wall-clock time
QDateTime DateTimeFromDayNumber(double day);
double DayNumberNow();

// "General Date": date and time as "yyyy-MM-dd HH:mm:ss"; a day number with no
// time part shows only the date, one below one day only the time.
QString GeneralDateText(double day);
// "Short Time": hours and minutes of the time of day, "HH:mm".
QString ShortTimeText(double day);
// Date only, "yyyy-MM-dd".
QString ShortDateText(double day);
// Any QDate/QTime pattern with English day and month names, for printed
// pages ("dd MMM yyyy", ...).
QString FormatDayNumber(double day, const QString& pattern);
// The printed log's date: abbreviated weekday, day without leading zero,
// abbreviated month, four-digit year ("Sat, 3 May 2025").
QString PrintDateText(double day);
// The flight page's heading date: "Saturday, 03 May 2025".
QString LongPrintDateText(double day);
// A duration as hours and minutes, hours not wrapped at 24 ("36:05", "-00:30");
// seconds rounded, then the minute begun dropped. Empty when out of range.
QString DurationText(double days);
// The same with seconds ("-01:30:00", "36:00:00").
QString DurationSecondsText(double days);

// Reads what a person types for a date, a time or both: ISO dates, d/m/y and
// d.m.y dates with two- or four-digit years, times h:mm or h:mm:ss (with
// optional fractional seconds and AM/PM). A time alone is a time on day 0.
std::optional<double> ParseDayNumber(const QString& text);

} // namespace soarnote
