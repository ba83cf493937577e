// Track points into the logbook and the linking of tracks to flights, on
// real logbook files.

#include "gpstesthelpers.h"

#include "core/trackstore.h"

#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

// Stores count points a second apart; returns how many were stored.
int StoreTrack(TrackSink& storage, TrackState& state, double start, int count, double lat,
               bool flagFirst = true, int* refused = nullptr) {
    int stored = 0;
    for (int i = 0; i < count; ++i) {
        const StoreOutcome o =
            storage.StoreTrackPoint(state, start + i / 86400.0, lat + i * 1e-4, -1.8, flagFirst && i == 0, 0);
        stored += o == StoreOutcome::Stored;
        if (refused) *refused += o == StoreOutcome::Refused;
    }
    return stored;
}

} // namespace

class TestGpsTrackStorage : public QObject {
    Q_OBJECT
private slots:
    void twoTracksThenTheSameAgain() {
        TempLogbook log;
        TrackState state;
        {
            LogbookTrackStorage storage(log.Db());
            state.StartTransfer();
            QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 50, 53), 50);
            QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 2, 10), 50, 54), 50);
            QVERIFY(storage.Commit());
        }
        QCOMPARE(state.tracksAdded, 2);
        QCOMPARE(state.pointsStored, 100);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 2);
        const qint64 second = state.currentTrackId;
        QCOMPARE(
            log.Scalar(QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = ?"), {second}).toInt(),
            50);
        const QString sequence = QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'Tracks'");
        QCOMPARE(log.Scalar(sequence).toLongLong(), second);

        // The same log again: every point refused, no empty Tracks rows, and
        // no track number used up.
        LogbookTrackStorage storage(log.Db());
        state.StartTransfer();
        int refused = 0;
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 50, 53, true, &refused), 0);
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 2, 10), 50, 54, true, &refused), 0);
        QCOMPARE(refused, 100);
        QCOMPARE(state.tracksAdded, 0);
        QCOMPARE(state.currentTrackId, second);
        QVERIFY(storage.Commit());
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 2);
        QCOMPARE(log.Count(QStringLiteral("TrackData")), 100);
        QCOMPARE(log.Scalar(sequence).toLongLong(), second);
    }

    // A track whose first points are already stored opens with its first new point.
    void trackOpensWithItsFirstNewPoint() {
        TempLogbook log;
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 10, 53), 10);
        state.StartTransfer();
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 15, 53), 5);
        QCOMPARE(state.tracksAdded, 1);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 2);
        const double start =
            log.Scalar(QStringLiteral("SELECT StartTime FROM Tracks WHERE ID = ?"), {state.currentTrackId})
                .toDouble();
        QVERIFY(std::fabs(start - (Day(2024, 5, 1, 10) + 10 / 86400.0)) < 1e-9);
    }

    // With no track open (program start), points without the new-track flag
    // open one rather than being stored under track 0, which no Tracks row
    // holds; later they go on with the current track.
    void firstPointWithoutFlagGoesOnWithTheCurrentTrack() {
        TempLogbook log;
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 3, 53, false), 3);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = 0")).toInt(), 0);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 1);
        QCOMPARE(state.tracksAdded, 1);
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 2, 10), 3, 53, true), 3);
        state.StartTransfer();
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 3, 10), 3, 53, false), 3);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = ?"),
                            {state.currentTrackId})
                     .toInt(),
                 6);
    }

    // Track IDs past 16 bits; what was stored before a failure stays stored,
    // also without a last commit.
    void largeTrackIdsAndCommitsInFours() {
        TempLogbook log;
        testlogbook::InsertRow(log.Db(), QStringLiteral("Tracks"),
                               {{QStringLiteral("ID"), 70000},
                                {QStringLiteral("StartTime"), 1.0},
                                {QStringLiteral("EndTime"), 2.0}});
        TrackState state;
        {
            LogbookTrackStorage storage(log.Db(), 4);
            StoreTrack(storage, state, Day(2024, 5, 1, 10), 10, 53);
            QCOMPARE(log.Committed(QStringLiteral("SELECT COUNT(*) FROM TrackData")).toInt(), 8);
        }
        QCOMPARE(log.Count(QStringLiteral("TrackData")), 10);
        QCOMPARE(state.currentTrackId, qint64(70001));
        QCOMPARE(log.Scalar(QStringLiteral("SELECT MAX(TrackID) FROM TrackData")).toLongLong(),
                 qint64(70001));
    }

    // The flight runs from 10:00 to 12:00 with no offset of its own; the
    // track's end is the last point stored, not the latest time.
    void linking_data() {
        QTest::addColumn<QList<int>>("minutes"); // the track's points, minutes after midnight
        QTest::addColumn<bool>("linked");
        QTest::newRow("11:30-13:00 overlaps") << QList<int>{690, 780} << true;
        QTest::newRow("12:30-13:00 does not") << QList<int>{750, 780} << false;
        QTest::newRow("09:00-10:00 touches the start") << QList<int>{540, 600} << true;
        QTest::newRow("10:30-11:00 inside") << QList<int>{630, 660} << true;
        QTest::newRow("ends at its last point, 11:00") << QList<int>{600, 720, 660} << true;
    }
    void linking() {
        QFETCH(QList<int>, minutes);
        QFETCH(bool, linked);
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12));
        log.AddFlight(Day(2024, 5, 2, 10), Day(2024, 5, 2, 12));
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        for (int i = 0; i < minutes.size(); ++i)
            storage.StoreTrackPoint(state, Day(2024, 5, 1, minutes[i] / 60, minutes[i] % 60), 53 + i * 0.1,
                                    -1.8, i == 0, 0);
        QVERIFY(storage.LinkOpenTracks(0, true));
        const QVariant logId = log.Scalar(QStringLiteral("SELECT LogID FROM Tracks"));
        QCOMPARE(logId.isNull(), !linked);
        if (linked) QCOMPARE(logId.toLongLong(), flight);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT EndTime FROM Tracks")).toDouble(),
                 Day(2024, 5, 1, minutes.last() / 60, minutes.last() % 60));
    }

    // Track times are moved by the link's offset, flight times by the flight's own.
    void linkingWithOffsets() {
        TempLogbook log;
        // Flight 10:00-12:00 with an offset of one hour: [09:00, 11:00].
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12), 1 / 24.0);
        // An older logbook row whose offset is empty counts as no offset.
        const qint64 old = log.AddFlight(Day(2024, 6, 1, 10), Day(2024, 6, 1, 12), QVariant());
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        // Track 13:00-14:00 less the link's two hours: [11:00, 12:00] touches 11:00.
        storage.StoreTrackPoint(state, Day(2024, 5, 1, 13), 53, -1.8, true, 0);
        storage.StoreTrackPoint(state, Day(2024, 5, 1, 14), 53.1, -1.8, false, 0);
        storage.StoreTrackPoint(state, Day(2024, 6, 1, 13), 53, -1.8, true, 0);
        storage.StoreTrackPoint(state, Day(2024, 6, 1, 13, 30), 53.1, -1.8, false, 0);
        QVERIFY(storage.LinkOpenTracks(2 / 24.0, true));
        QCOMPARE(log.Scalar(QStringLiteral(
                                "SELECT group_concat(LogID) FROM (SELECT LogID FROM Tracks ORDER BY ID)"))
                     .toString(),
                 QStringLiteral("%1,%2").arg(flight).arg(old));
    }

    void linkingLeavesClosedTracksAlone() {
        TempLogbook log;
        log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12));
        testlogbook::InsertRow(log.Db(), QStringLiteral("Tracks"),
                               {{QStringLiteral("StartTime"), Day(2024, 5, 1, 11)},
                                {QStringLiteral("EndTime"), Day(2024, 5, 1, 11, 30)}});
        // An open track without points stays open.
        testlogbook::InsertRow(log.Db(), QStringLiteral("Tracks"),
                               {{QStringLiteral("StartTime"), Day(2024, 5, 1, 11)}});
        const LinkOutcome outcome = LinkTracks(log.Db(), 0, true);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.tracksClosed, 0);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM Tracks WHERE LogID IS NULL")).toInt(), 2);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM Tracks WHERE EndTime IS NULL")).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestGpsTrackStorage)
#include "tst_gpstrackstorage.moc"
