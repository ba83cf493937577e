// Typed dates, times and time offsets: the parsers take any text, and a date
// they accept shows as a text that reads back to the same second.

#include "core/daynumber.h"
#include "core/flightfields.h"

#include <QString>
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<double> day = soarnote::ParseDayNumber(text)) {
        const QString shown = soarnote::GeneralDateText(*day);
        const std::optional<double> again = soarnote::ParseDayNumber(shown);
        if (!shown.isEmpty() && (!again || std::fabs(*again - *day) > 0.5 / 86400 + 1e-9)) std::abort();
    }
    const std::optional<double> offset = soarnote::ParseOffsetEntry(text);
    // An offset taken is one that can be shown.
    const QString display = offset ? soarnote::OffsetDisplayText(*offset) : QString();
    if (offset && display.isEmpty()) std::abort();
    // Out of range shows nothing; anything shown is hours:minutes:seconds.
    if (!display.isEmpty() && display.count(QLatin1Char(':')) != 2) std::abort();
    (void)soarnote::EndTimeText(QStringLiteral("2001-06-03 10:00:00"), text);
    (void)soarnote::FlightTimeText(text, QStringLiteral("2001-06-03 12:00:00"));
    return 0;
}
