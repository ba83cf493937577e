#pragma once
// The values the main window derives from a flight's fields, and the time
// offset's hours:minutes:seconds form. They work on the texts the fields show,
// as a person edits them.

#include <QString>
#include <QVariant>
#include <optional>

namespace soarnote {

// Flight duration "HH:mm" from the start and landing texts; nothing when
// either is not a valid date.
std::optional<QString> FlightTimeText(const QString& startText, const QString& endText);

// Landing time (General Date) from the start text and a typed duration
// ("1:45"); nothing when either is not a valid date or time.
std::optional<QString> EndTimeText(const QString& startText, const QString& durationText);

// Both times are day numbers and the landing comes before the take-off.
bool LandingBeforeTakeOff(const QVariant& startTime, const QVariant& endTime);

// Whole-number difference of two height texts ("1450" - "300" -> "1150");
// nothing when either is not numeric or does not fit a 32-bit integer.
std::optional<QString> HeightDifferenceText(const QString& heightText, const QString& startHeightText);

// A time offset in days as [-]hh:mm:ss, hours not wrapped at 24
// (-0.0625 -> "-01:30:00", 1.5 -> "36:00:00"). A text that is not numeric
// counts as 0.
QString OffsetDisplayText(const QString& offsetDaysText);
QString OffsetDisplayText(double offsetDays);

// Reads a typed offset: "h:m:s", "h:m" or "-h:m..." (the sign of the hours
// applies to all), or a bare number of minutes. Returns days; text that is no
// number counts as 0, and an offset longer than the calendar is refused.
std::optional<double> ParseOffsetEntry(const QString& text);

} // namespace soarnote
