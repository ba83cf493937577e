#include "daynumber.h"

#include "daycount.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace soarnote {

namespace {

constexpr qint64 kJulianDayOfDayZero = 2415019; // QDate(1899, 12, 30).toJulianDay()

QDate DateOfDayZeroPlus(qint64 days) {
    return QDate::fromJulianDay(kJulianDayOfDayZero + days);
}

int ExpandYear(int year, int digits) {
    if (digits > 2) return year;
    // Two-digit years as a desktop calendar reads them: 00-29 this century, 30-99 the last.
    return year < 30 ? 2000 + year : 1900 + year;
}

} // namespace

DayParts SplitDayNumber(double day) {
    DayParts parts;
    const std::optional<daycount::DayAndTime> split = daycount::Split(day);
    if (!split) return parts; // invalid date: out of the calendar or not a number
    parts.date = DateOfDayZeroPlus(split->day);
    parts.hour = split->secondOfDay / 3600;
    parts.minute = split->secondOfDay / 60 % 60;
    parts.second = split->secondOfDay % 60;
    return parts;
}

double DayNumber(const QDate& date, int hour, int minute, double second) {
    double days = static_cast<double>(date.toJulianDay() - kJulianDayOfDayZero);
    double fraction = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
    // Before day zero the fraction counts away from zero, as the whole part does.
    return days < 0 ? days - fraction : days + fraction;
}

double DayNumberFromDateTime(const QDateTime& dateTime) {
    const QTime t = dateTime.time();
    return DayNumber(dateTime.date(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0);
}

QDateTime DateTimeFromDayNumber(double day) {
    DayParts p = SplitDayNumber(day);
    return QDateTime(p.date, QTime(p.hour, p.minute, p.second));
}

double DayNumberNow() {
    QDateTime now = QDateTime::currentDateTime();
    // Whole seconds: the logbook shows and compares times to the second.
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return DayNumberFromDateTime(now);
}

QString GeneralDateText(double day) {
    DayParts p = SplitDayNumber(day);
    if (!p.date.isValid()) return {};
    const bool hasTime = p.hour || p.minute || p.second;
    // The date as rounded: 0.9999999 is midnight of day 1, not a time on day 0.
    const bool hasDate = p.date != DateOfDayZeroPlus(0);
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(p.hour, 2, 10, QLatin1Char('0'))
                             .arg(p.minute, 2, 10, QLatin1Char('0'))
                             .arg(p.second, 2, 10, QLatin1Char('0'));
    if (!hasDate) return time;
    const QString date = p.date.toString(QStringLiteral("yyyy-MM-dd"));
    return hasTime ? date + QLatin1Char(' ') + time : date;
}

QString ShortTimeText(double day) {
    DayParts p = SplitDayNumber(day);
    if (!p.date.isValid()) return {};
    return QStringLiteral("%1:%2")
        .arg(p.hour, 2, 10, QLatin1Char('0'))
        .arg(p.minute, 2, 10, QLatin1Char('0'));
}

QString ShortDateText(double day) {
    return SplitDayNumber(day).date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString FormatDayNumber(double day, const QString& pattern) {
    DayParts p = SplitDayNumber(day);
    if (!p.date.isValid()) return {};
    return QLocale::c().toString(QDateTime(p.date, QTime(p.hour, p.minute, p.second)), pattern);
}

QString PrintDateText(double day) {
    return FormatDayNumber(day, QStringLiteral("ddd, d MMM yyyy"));
}

QString LongPrintDateText(double day) {
    return FormatDayNumber(day, QStringLiteral("dddd, dd MMMM yyyy"));
}

QString DurationText(double days) {
    return QString::fromStdString(daycount::HoursMinutes(days));
}

QString DurationSecondsText(double days) {
    return QString::fromStdString(daycount::HoursMinutesSeconds(days));
}

std::optional<double> ParseDayNumber(const QString& input) {
    const QString text = input.trimmed();
    if (text.isEmpty()) return std::nullopt;

    static const QRegularExpression timeRe(
        QStringLiteral(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2}(?:\.\d*)?))?\s*([AaPp][Mm])?$)"));
    static const QRegularExpression isoRe(QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})$)"));
    static const QRegularExpression dmyRe(QStringLiteral(R"(^(\d{1,2})[/.](\d{1,2})[/.](\d{2}|\d{4})$)"));

    // Split "date time" (a 'T' between them as in ISO texts, or blanks).
    QString datePart = text;
    QString timePart;
    // A time alone may still hold a blank before its AM/PM.
    const qsizetype sep = text.indexOf(QRegularExpression(QStringLiteral(R"([\sT])")));
    if (sep > 0 && !text.left(sep).contains(QLatin1Char(':'))) {
        datePart = text.left(sep);
        timePart = text.mid(sep + 1).trimmed();
    } else if (text.contains(QLatin1Char(':'))) {
        datePart.clear();
        timePart = text;
    }

    QDate date(1899, 12, 30);
    if (!datePart.isEmpty()) {
        QRegularExpressionMatch m = isoRe.match(datePart);
        if (m.hasMatch()) {
            date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        } else if ((m = dmyRe.match(datePart)).hasMatch()) {
            date = QDate(ExpandYear(m.captured(3).toInt(), int(m.captured(3).size())), m.captured(2).toInt(),
                         m.captured(1).toInt());
        } else {
            return std::nullopt;
        }
        if (!date.isValid()) return std::nullopt;
    }

    int hour = 0, minute = 0;
    double second = 0;
    if (!timePart.isEmpty()) {
        QRegularExpressionMatch m = timeRe.match(timePart);
        if (!m.hasMatch()) return std::nullopt;
        hour = m.captured(1).toInt();
        minute = m.captured(2).toInt();
        second = m.captured(3).isEmpty() ? 0.0 : m.captured(3).toDouble();
        const QString ampm = m.captured(4).toUpper();
        if (!ampm.isEmpty()) {
            if (hour < 1 || hour > 12) return std::nullopt;
            if (ampm == QLatin1String("AM") && hour == 12)
                hour = 0;
            else if (ampm == QLatin1String("PM") && hour != 12)
                hour += 12;
        }
        if (hour > 23 || minute > 59 || second >= 60) return std::nullopt;
    }
    return DayNumber(date, hour, minute, second);
}

} // namespace soarnote
