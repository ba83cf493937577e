#pragma once
// The rows the printed pages are drawn from, read once per print run: the
// flights of the Logbook query for the printed log, and one flight's fields
// and lookup texts for its plot page.

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace soarnote {

// One row of the Logbook query, by the columns the printed log shows. A
// null QVariant is an empty field.
struct LogbookRow {
    QVariant type;       // Type.Type
    QVariant startTime;  // day number
    QVariant makeModel;  // Glider.MakeModel
    QVariant location;   // Locations.Type
    QVariant flightTime; // "HH:mm", hours not wrapped at 24
    QVariant startHeight;
    QVariant maxGain;
    QVariant maxLoss;
    QVariant maxDescent;
    QVariant maxAscent;
    QVariant xcType; // XCType.Type
    QVariant distance;
    QVariant comments;
};

// Every flight of the Logbook query, in the order it gives. Nothing (and the
// error) when the logbook cannot be read.
std::optional<std::vector<LogbookRow>> ReadLogbookRows(const QSqlDatabase& db, QString* error = nullptr);

// The texts the flight page shows for one flight, as the main window shows
// them: lookup texts for the location and the cross-country type, General
// Date texts for the times, heights as whole numbers.
struct FlightPageFields {
    qint64 id = 0;
    QString location;
    QString xcType;
    QString comments;
    QString startTime;
    QString endTime;
    QString flightTime;
    QString maxHeight;
    QString minHeight;
    QString maxGain;
    QString minGain;
    QString distance;
    QString timeOffset; // LogData.TimeOffset in days, "" when empty
};

std::optional<FlightPageFields> ReadFlightPageFields(const QSqlDatabase& db, qint64 id,
                                                     QString* error = nullptr);

} // namespace soarnote
