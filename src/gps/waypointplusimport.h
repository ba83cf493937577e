#pragma once
// Waypoint+ text files: track point lines "TP,<format>,lat,lng,MM/DD/YYYY,
// hh:mm:ss[.fff],flag" stored through the track storage like downloaded
// points. Every other line is skipped.

#include "trackstorage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace soarnote {

struct WaypointPlusPoint {
    double lat = 0;
    double lng = 0;
    double time = 0; // day number
    bool newTrack = false;
    bool flagGiven = false; // some programs leave the flag field empty
};

// One line. Empty optional: not a track point line (skipped). A track point
// line that cannot be read sets *problem and returns nothing.
std::optional<WaypointPlusPoint> ParseWaypointPlusLine(const QByteArray& line, QString* problem);

struct ImportResult {
    bool ok = false;
    qint64 recordsReceived = 0;
    qint64 pointsStored = 0;
    qint64 failedLine = 0; // 1-based; 0 when none
    QString status;        // the text for the status panel
};

// Imports one file; new tracks get gpsTimeOffset as their time offset. A file
// whose first point leaves the flag empty starts a track with that point
// (the programs that write such files give no flags at all).
ImportResult ImportWaypointPlusFile(TrackStorage& storage, TrackState& state, double gpsTimeOffset,
                                    const QString& path);

} // namespace soarnote
