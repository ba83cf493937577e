#include "trackfix.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>

namespace soarnote {

namespace {
// The Julian day of 30 December 1899, day 0 of the logbook's day numbers.
constexpr qint64 kJulianDayOfDayZero = 2415019;
constexpr double kMsecPerDay = 86400000.0;
} // namespace

QString TrackFileProblemText(TrackFileProblem problem) {
    switch (problem) {
    case TrackFileProblem::None:
        return {};
    case TrackFileProblem::NotTrackFile:
        return QStringLiteral("Not an IGC or GPX file");
    case TrackFileProblem::NoDate:
        return QStringLiteral("Fix before the date record (HFDTE)");
    case TrackFileProblem::BadDate:
        return QStringLiteral("Unreadable date record (HFDTE)");
    case TrackFileProblem::BadXml:
        return QStringLiteral("Unreadable XML");
    case TrackFileProblem::NotGpx:
        return QStringLiteral("Not a GPX document");
    case TrackFileProblem::BadPoint:
        return QStringLiteral("Track point without position or time");
    case TrackFileProblem::Truncated:
        return QStringLiteral("The file is cut short");
    case TrackFileProblem::NoFixes:
        return QStringLiteral("No valid fix in the file");
    case TrackFileProblem::TooLarge:
        return QStringLiteral("The file is too large for a flight log");
    case TrackFileProblem::Unreadable:
        return QStringLiteral("The file could not be read");
    }
    return {};
}

double UtcDayNumber(const QDate& date, qint64 msecOfDay) {
    return static_cast<double>(date.toJulianDay() - kJulianDayOfDayZero) +
           static_cast<double>(msecOfDay) / kMsecPerDay;
}

QDateTime UtcDateTimeOfDayNumber(double day) {
    const double whole = std::floor(day);
    qint64 msec = std::llround((day - whole) * kMsecPerDay);
    QDate date = QDate::fromJulianDay(static_cast<qint64>(whole) + kJulianDayOfDayZero);
    if (msec >= static_cast<qint64>(kMsecPerDay)) {
        msec -= static_cast<qint64>(kMsecPerDay);
        date = date.addDays(1);
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msec)), QTimeZone::utc());
}

} // namespace soarnote
