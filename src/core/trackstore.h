#pragma once
// Track points into the logbook: TrackData rows, a Tracks row at each new
// track, and the linking of finished tracks to the flights they overlap.
// Writes run inside a transaction that is committed every few hundred points
// and by Commit(), so what was stored before a failure stays stored.

#include "gps/tracksink.h"
#include "storageerror.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <memory>

namespace soarnote {

class LogbookTrackStorage : public TrackSink {
public:
    explicit LogbookTrackStorage(const QSqlDatabase& db, int commitEvery = 256);
    ~LogbookTrackStorage() override; // commits

    StoreOutcome StoreTrackPoint(TrackState& state, double time, double lat, double lng, bool newTrack,
                                 double gpsTimeOffset,
                                 double height = std::numeric_limits<double>::quiet_NaN()) override;
    bool Commit() override;
    QString LastError() const override { return lastError_; }
    StorageError LastErrorKind() const { return lastKind_; }
    bool LinkOpenTracks(double gpsTimeOffset, bool linkFlights) override;

private:
    bool EnsureTransaction();
    void Fail(const QSqlError& error);

    QSqlDatabase db_;
    std::unique_ptr<QSqlQuery> insertPoint_;
    std::unique_ptr<QSqlQuery> insertTrack_;
    std::unique_ptr<QSqlQuery> setPointTrack_;
    std::unique_ptr<QSqlQuery> deletePoint_;
    bool inTransaction_ = false;
    int uncommitted_ = 0;
    int commitEvery_;
    QString lastError_;
    StorageError lastKind_ = StorageError::None;
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
