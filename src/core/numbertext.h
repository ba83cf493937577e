#pragma once
// Number texts: the one place that writes numbers into status lines and fields
// and reads numbers a person typed.

#include <QString>
#include <cstdint>
#include <optional>

namespace soarnote {

// Plain decimal notation, point as separator, up to 15 significant digits
// (7 for a value held in single precision), no exponent: "12.5",
// "-0.0208333333333333", "0".
QString PlainNumberText(double value, int significantDigits = 15);

// As PlainNumberText, with one leading blank when the number is not negative:
// " 12", "-3". Counters and IDs in status texts are written this way.
QString NumberText(double value, int significantDigits = 15);

// What a person types for a number: blanks around it allowed, a point or (when
// there is no point) a comma as decimal separator, an optional exponent. A
// comma followed by three digits ("1,000") is refused as ambiguous.
std::optional<double> ParseNumber(const QString& text);

// A number text converted to a 32-bit integer the way the logbook's fields do
// it: rounded to the nearest whole number, halves to the even neighbour.
// Empty when the text is not numeric or the value does not fit.
std::optional<std::int32_t> WholeNumber(const QString& text);

// A number with a fixed count of decimals, halves rounded away from zero, as
// printed pages and status texts show it ("0" -> 2 for 1.5, "0.0" -> -2.5).
QString FixedNumberText(double value, int decimals);

// Rounds to single precision, as a Single field stores a value.
inline double ToSingle(double value) {
    return static_cast<double>(static_cast<float>(value));
}

} // namespace soarnote
