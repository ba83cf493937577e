#pragma once
// Waypoint+ text files into the logbook: the file is streamed through the
// reader in chunks (memory stays bounded by a chunk and a line, whatever the
// file's size) and each track point is stored through the track storage like
// a downloaded point. The caller sees the progress after every chunk and may
// cancel; what was stored before the cancel stays stored, as in a download.

#include "trackstorage.h"
#include "waypointplusreader.h"

#include <QString>
#include <functional>

namespace soarnote {

struct ImportResult {
    bool ok = false;
    bool cancelled = false;
    bool noTrackPoints = false; // the file holds no track point line at all
    qint64 recordsReceived = 0;
    qint64 pointsStored = 0;
    qint64 failedLine = 0; // 1-based; 0 when none
    QString status;        // the text for the status panel
};

// Called after every chunk with the bytes read so far and the file's size;
// returns false to cancel the import.
using ImportProgress = std::function<bool(qint64 bytesRead, qint64 bytesTotal)>;

// Imports one file; new tracks get gpsTimeOffset as their time offset. The
// first point stored opens a track whatever its flag says: an import never
// goes on with a track of an earlier transfer, and never stores a point
// without a track.
ImportResult ImportWaypointPlusFile(TrackStorage& storage, TrackState& state, double gpsTimeOffset,
                                    const QString& path, const ImportProgress& progress = {});

} // namespace soarnote
