#include "trackstore.h"

#include "logcategories.h"

#include "numbertext.h"
#include "storageerror.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <cmath>
#include <vector>

namespace soarnote {

LogbookTrackStorage::LogbookTrackStorage(const QSqlDatabase& db, int commitEvery)
    : db_(db), commitEvery_(std::max(1, commitEvery)) {}

void LogbookTrackStorage::Fail(const QSqlError& error) {
    lastKind_ = ClassifySqlError(error);
    lastError_ = error.text();
    qCWarning(lcStorage) << "track store:" << StorageErrorText(lastKind_) << error.text();
}

LogbookTrackStorage::~LogbookTrackStorage() {
    Commit();
    insertPoint_.reset();
    insertTrack_.reset();
    setPointTrack_.reset();
    deletePoint_.reset();
}

bool LogbookTrackStorage::EnsureTransaction() {
    if (!insertPoint_) {
        insertPoint_ = std::make_unique<QSqlQuery>(db_);
        insertTrack_ = std::make_unique<QSqlQuery>(db_);
        setPointTrack_ = std::make_unique<QSqlQuery>(db_);
        deletePoint_ = std::make_unique<QSqlQuery>(db_);
        if (!insertPoint_->prepare(QStringLiteral(
                "INSERT INTO TrackData (TrackID, \"TIME\", LAT, LNG, Height) VALUES (?, ?, ?, ?, ?)")) ||
            !insertTrack_->prepare(
                QStringLiteral("INSERT INTO Tracks (StartTime, TimeOffset) VALUES (?, ?)")) ||
            !setPointTrack_->prepare(QStringLiteral("UPDATE TrackData SET TrackID = ? WHERE rowid = ?")) ||
            !deletePoint_->prepare(QStringLiteral("DELETE FROM TrackData WHERE rowid = ?"))) {
            Fail(insertPoint_->lastError().isValid() ? insertPoint_->lastError() : insertTrack_->lastError());
            insertPoint_.reset();
            return false;
        }
    }
    if (!inTransaction_) {
        if (!db_.transaction()) {
            Fail(db_.lastError());
            return false;
        }
        inTransaction_ = true;
    }
    return true;
}

StoreOutcome LogbookTrackStorage::StoreTrackPoint(TrackState& state, double time, double lat, double lng,
                                                  bool newTrack, double gpsTimeOffset, double height) {
    if (!EnsureTransaction()) return StoreOutcome::Failed;
    // The point goes in first: a track is created only once its first point
    // is actually stored, so a refused point never takes a track number (nor
    // moves the AUTOINCREMENT sequence, which a delete would not give back).
    // Without a track open (the first points of a session came without the
    // new-track flag) the point opens one: no Tracks row holds track 0.
    const bool opensTrack = newTrack || state.newTrackPending || state.currentTrackId <= 0;
    insertPoint_->bindValue(0, state.currentTrackId);
    insertPoint_->bindValue(1, time);
    insertPoint_->bindValue(2, lat);
    insertPoint_->bindValue(3, lng);
    insertPoint_->bindValue(4, std::isfinite(height) ? QVariant(ToSingle(height)) : QVariant());
    if (!insertPoint_->exec()) {
        const QSqlError error = insertPoint_->lastError();
        if (opensTrack) state.newTrackPending = true;
        if (ClassifySqlError(error) == StorageError::Duplicate) return StoreOutcome::Refused;
        Fail(error);
        return StoreOutcome::Failed;
    }
    if (opensTrack) {
        const QVariant pointRow = insertPoint_->lastInsertId();
        insertTrack_->bindValue(0, time);
        insertTrack_->bindValue(1, ToSingle(gpsTimeOffset));
        bool ok = insertTrack_->exec();
        if (ok) {
            const qint64 trackId = insertTrack_->lastInsertId().toLongLong();
            setPointTrack_->bindValue(0, trackId);
            setPointTrack_->bindValue(1, pointRow);
            ok = setPointTrack_->exec();
            if (ok) state.currentTrackId = trackId;
        }
        if (!ok) {
            Fail(insertTrack_->lastError().isValid() ? insertTrack_->lastError()
                                                     : setPointTrack_->lastError());
            // No point may stay under another track's number.
            deletePoint_->bindValue(0, pointRow);
            deletePoint_->exec();
            state.newTrackPending = true;
            return StoreOutcome::Failed;
        }
        state.newTrackPending = false;
        ++state.tracksAdded;
    }
    ++state.pointsStored;
    if (++uncommitted_ >= commitEvery_) Commit();
    return StoreOutcome::Stored;
}

bool LogbookTrackStorage::Commit() {
    uncommitted_ = 0;
    if (!inTransaction_) return true;
    inTransaction_ = false;
    if (!db_.commit()) {
        Fail(db_.lastError());
        db_.rollback();
        return false;
    }
    return true;
}

bool LogbookTrackStorage::LinkOpenTracks(double gpsTimeOffset, bool linkFlights) {
    if (!Commit()) return false;
    const LinkOutcome outcome = LinkTracks(db_, gpsTimeOffset, linkFlights);
    if (!outcome.ok) lastError_ = outcome.error;
    return outcome.ok;
}

LinkOutcome LinkTracks(const QSqlDatabase& db, double gpsTimeOffset, bool linkFlights) {
    LinkOutcome outcome;
    auto fail = [&outcome](const QSqlQuery& q) {
        outcome.ok = false;
        outcome.error = q.lastError().text();
        qCWarning(lcStorage) << "linking tracks:" << StorageErrorText(ClassifySqlError(q.lastError()))
                             << outcome.error;
        return outcome;
    };
    struct OpenTrack {
        qint64 id;
        double start;
    };
    std::vector<OpenTrack> open;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT ID, StartTime FROM Tracks WHERE EndTime IS NULL ORDER BY ID")))
            return fail(q);
        while (q.next())
            open.push_back({q.value(0).toLongLong(), q.value(1).toDouble()});
    }
    if (open.empty()) return outcome;

    // The tracks closed before a failure stay closed.
    QSqlDatabase conn(db);
    const bool ownTransaction = conn.transaction();
    struct CommitAtEnd {
        QSqlDatabase& conn;
        bool active;
        ~CommitAtEnd() {
            if (active) conn.commit();
        }
    } commitAtEnd{conn, ownTransaction};
    QSqlQuery lastPoint(db), setEnd(db), findFlight(db), setLog(db);
    lastPoint.prepare(
        QStringLiteral("SELECT \"TIME\" FROM TrackData WHERE TrackID = ? ORDER BY rowid DESC LIMIT 1"));
    setEnd.prepare(QStringLiteral("UPDATE Tracks SET EndTime = ? WHERE ID = ?"));
    // An empty flight offset counts as none.
    findFlight.prepare(
        QStringLiteral("SELECT ID FROM LogData WHERE (StartTime - COALESCE(TimeOffset, 0) <= ?) "
                       "AND (EndTime - COALESCE(TimeOffset, 0) >= ?) ORDER BY StartTime, ID LIMIT 1"));
    setLog.prepare(QStringLiteral("UPDATE Tracks SET LogID = ? WHERE ID = ?"));
    for (const OpenTrack& track : open) {
        lastPoint.bindValue(0, track.id);
        if (!lastPoint.exec()) return fail(lastPoint);
        if (!lastPoint.next()) continue;
        const double end = lastPoint.value(0).toDouble();
        lastPoint.finish();
        setEnd.bindValue(0, end);
        setEnd.bindValue(1, track.id);
        if (!setEnd.exec()) return fail(setEnd);
        ++outcome.tracksClosed;
        if (!linkFlights) continue;
        const double s = track.start - gpsTimeOffset;
        const double e = end - gpsTimeOffset;
        findFlight.bindValue(0, e);
        findFlight.bindValue(1, s);
        if (!findFlight.exec()) return fail(findFlight);
        if (findFlight.next()) {
            const qint64 logId = findFlight.value(0).toLongLong();
            findFlight.finish();
            setLog.bindValue(0, logId);
            setLog.bindValue(1, track.id);
            if (!setLog.exec()) return fail(setLog);
            ++outcome.tracksLinked;
        }
    }
    return outcome;
}

} // namespace soarnote
