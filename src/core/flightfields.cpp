#include "flightfields.h"

#include "daycount.h"
#include "daynumber.h"
#include "numbertext.h"

#include <cmath>

namespace soarnote {

std::optional<QString> FlightTimeText(const QString& startText, const QString& endText) {
    const std::optional<double> start = ParseDayNumber(startText);
    const std::optional<double> end = ParseDayNumber(endText);
    if (!start || !end) return std::nullopt;
    // Not wrapped at 24 hours, and a landing before the take-off shows as a
    // negative time rather than a plausible one.
    return DurationText(*end - *start);
}

std::optional<QString> EndTimeText(const QString& startText, const QString& durationText) {
    const std::optional<double> start = ParseDayNumber(startText);
    const std::optional<double> duration = ParseDayNumber(durationText);
    if (!start || !duration) return std::nullopt;
    return GeneralDateText(*start + *duration);
}

bool LandingBeforeTakeOff(const QVariant& startTime, const QVariant& endTime) {
    if (startTime.isNull() || endTime.isNull()) return false;
    bool startOk = false;
    bool endOk = false;
    const double start = startTime.toDouble(&startOk);
    const double end = endTime.toDouble(&endOk);
    return startOk && endOk && end < start;
}

std::optional<QString> HeightDifferenceText(const QString& heightText, const QString& startHeightText) {
    const std::optional<std::int32_t> height = WholeNumber(heightText);
    const std::optional<std::int32_t> start = WholeNumber(startHeightText);
    if (!height || !start) return std::nullopt;
    return QString::number(static_cast<qint64>(*height) - static_cast<qint64>(*start));
}

QString OffsetDisplayText(double offsetDays) {
    return DurationSecondsText(offsetDays);
}

QString OffsetDisplayText(const QString& offsetDaysText) {
    return OffsetDisplayText(ParseNumber(offsetDaysText).value_or(0.0));
}

namespace {

// An offset no clock can be off by (or not a number at all) would be stored
// and shown as garbage.
std::optional<double> CheckedOffset(double days) {
    if (!daycount::SpanSeconds(days)) return std::nullopt;
    return days;
}

} // namespace

std::optional<double> ParseOffsetEntry(const QString& input) {
    QString s = input.trimmed();
    if (!s.contains(QLatin1Char(':'))) return CheckedOffset(ParseNumber(s).value_or(0.0) / 1440.0);

    double v = 0;
    const QString hours = s.section(QLatin1Char(':'), 0, 0).trimmed();
    const bool negative = hours.startsWith(QLatin1Char('-'));
    if (std::optional<double> h = ParseNumber(hours)) v = std::fabs(*h) / 24.0;
    s = s.section(QLatin1Char(':'), 1);

    const qsizetype colon = s.indexOf(QLatin1Char(':'));
    const QString minutes = colon < 0 ? s : s.left(colon);
    if (std::optional<double> m = ParseNumber(minutes)) v += *m / 1440.0;
    s = colon < 0 ? QString() : s.mid(colon + 1);

    if (std::optional<double> sec = ParseNumber(s)) v += *sec / kSecondsPerDay;
    return CheckedOffset(negative ? -v : v);
}

} // namespace soarnote
