#pragma once
// The logbook's totals: flying time and distance summed over all flights,
// over the flights of the last 365 days, or over one calendar year.

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>

namespace soarnote {

enum class TotalsSpan { All, Last12Months, Year };

struct Totals {
    // Both are null when no flight was selected, as SQL sums are.
    QVariant distance;   // sum of Distance, in the stored unit
    QVariant flightTime; // sum of EndTime - StartTime, in days
};

// Sums the selected flights. now is the current day number (the last 12
// months are the flights that started after now - 365); yearText is the year
// as the pilot typed it, and a text that is not a whole number selects no
// flight. Nothing (and the error) when the query fails.
std::optional<Totals> ReadTotals(const QSqlDatabase& db, TotalsSpan span, double now, const QString& yearText,
                                 QString* error = nullptr);

// The time total as hours:minutes, the hours not wrapped at 24 and at least
// two digits ("36:07", "123:45"), seconds dropped after rounding the total to
// the second. A negative total is shown with a minus sign in front; a value
// that is not a number counts as 0.
QString TotalTimeText(const QVariant& days);

// The distance total as stored; empty when no flight was selected.
QString TotalDistanceText(const QVariant& distance);

} // namespace soarnote
