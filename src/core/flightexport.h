#pragma once
// A flight of the logbook gathered for the file writers: its linked track
// points (UTC, with their GPS heights) and, at each of them, the barometric
// height of its trace interpolated at that time, as the plot merges them.

#include "formats/flightwriters.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace soarnote {

enum class ExportProblem {
    None,
    NoFlight, // no flight with that ID
    NoTrack,  // the flight has no GPS track point to write
    ReadFailed,
};

QString ExportProblemText(ExportProblem problem);

// The flight with the given ID, or the problem that stops its export.
std::optional<ExportFlight> ReadExportFlight(const QSqlDatabase& db, qint64 logId, ExportProblem* problem);

enum class ExportFormat { Igc, Gpx, Kml };

// The bytes of the file in the given format.
QByteArray WriteFlight(const ExportFlight& flight, ExportFormat format);

} // namespace soarnote
