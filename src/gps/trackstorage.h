#pragma once
// Track points into the logbook: TrackData rows, a Tracks row at each new
// track, and the linking of finished tracks to the flights they overlap.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <memory>

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
    Failed,  // the database could not write (see LastError)
};

// Where downloaded and imported points go. The logbook implementation below
// writes inside a transaction that is committed every few hundred points and
// by Commit(), so what was stored before a failure stays stored.
class TrackStorage {
public:
    virtual ~TrackStorage() = default;
    virtual StoreOutcome StoreTrackPoint(TrackState& state, double time, double lat, double lng,
                                         bool newTrack, double gpsTimeOffset) = 0;
    virtual bool Commit() = 0;
    virtual QString LastError() const = 0;
    // Closes the open tracks and, when linkFlights, ties them to flights (see
    // LinkTracks below); commits first.
    virtual bool LinkOpenTracks(double gpsTimeOffset, bool linkFlights) = 0;
};

class LogbookTrackStorage : public TrackStorage {
public:
    explicit LogbookTrackStorage(const QSqlDatabase& db, int commitEvery = 256);
    ~LogbookTrackStorage() override; // commits

    StoreOutcome StoreTrackPoint(TrackState& state, double time, double lat, double lng, bool newTrack,
                                 double gpsTimeOffset) override;
    bool Commit() override;
    QString LastError() const override { return lastError_; }
    bool LinkOpenTracks(double gpsTimeOffset, bool linkFlights) override;

private:
    bool EnsureTransaction();

    QSqlDatabase db_;
    std::unique_ptr<QSqlQuery> insertPoint_;
    std::unique_ptr<QSqlQuery> insertTrack_;
    std::unique_ptr<QSqlQuery> setPointTrack_;
    std::unique_ptr<QSqlQuery> deletePoint_;
    bool inTransaction_ = false;
    int uncommitted_ = 0;
    int commitEvery_;
    QString lastError_;
};

struct LinkOutcome {
    bool ok = true;
    QString error;
    int tracksClosed = 0;
    int tracksLinked = 0;
};

// Closes every open track (EndTime empty): EndTime = the time of its last
// stored point; when linkFlights, LogID = the first flight (by start time)
// whose interval [StartTime - TimeOffset, EndTime - TimeOffset] overlaps
// [track start - gpsTimeOffset, track end - gpsTimeOffset]. A track without
// points stays open.
LinkOutcome LinkTracks(const QSqlDatabase& db, double gpsTimeOffset, bool linkFlights);

} // namespace soarnote
