#pragma once
// Where downloaded and imported track points go, as the GPS link sees it: no
// SQL here, so the link and its tests need no database. The logbook's store
// (core/trackstore.h) is one implementation; fuzzers and tests use others.

#include <QString>
#include <QtGlobal>
#include <limits>

namespace soarnote {

// The track fields of the GPS link that outlive one point. currentTrackId is
// kept from one transfer to the next (a log whose first point does not start a
// track goes on with the track of the previous transfer).
struct TrackState {
    qint64 currentTrackId = 0;
    qint64 tracksAdded = 0;
    qint64 pointsStored = 0;
    // A point started a new track but was refused: the next point stored
    // opens that track instead, so no Tracks row is left without points.
    bool newTrackPending = false;

    void StartTransfer() {
        tracksAdded = 0;
        pointsStored = 0;
        newTrackPending = false;
    }
};

enum class StoreOutcome {
    Stored,
    Refused, // already stored: the logbook keeps one row per time and position
    Failed,  // could not be written (see LastError)
};

class TrackSink {
public:
    virtual ~TrackSink() = default;
    // Stores one point; a point with newTrack (or the first stored after a
    // refused track start) opens a track with gpsTimeOffset as its offset.
    // height is the receiver's altitude in metres, NaN when it gives none.
    virtual StoreOutcome StoreTrackPoint(TrackState& state, double time, double lat, double lng,
                                         bool newTrack, double gpsTimeOffset,
                                         double height = std::numeric_limits<double>::quiet_NaN()) = 0;
    // Makes what was stored so far permanent.
    virtual bool Commit() = 0;
    virtual QString LastError() const = 0;
    // Closes the open tracks and, when linkFlights, ties them to the flights
    // they overlap; commits first.
    virtual bool LinkOpenTracks(double gpsTimeOffset, bool linkFlights) = 0;
};

} // namespace soarnote
