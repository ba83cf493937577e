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
    // A first track whose points come without the new-track flag (program
    // start: no track is open, and none may be track 0), a second track, then
    // the log again with five new points at the end of the first track: the
    // repeats are refused, the first new point opens a track, and no refused
    // track start uses up a track number. Points without the flag go on with
    // the current track.
    void storeThenStoreAgain() {
        TempLogbook log;
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 50, 53, false), 50);
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 2, 10), 50, 54), 50);
        QCOMPARE(state.tracksAdded, 2);
        QCOMPARE(state.pointsStored, 100);
        state.StartTransfer();
        int refused = 0;
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 2, 10), 50, 54, true, &refused), 0);
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 1, 10), 55, 53, true, &refused), 5);
        QCOMPARE(refused, 100);
        QCOMPARE(state.tracksAdded, 1);
        state.StartTransfer();
        QCOMPARE(StoreTrack(storage, state, Day(2024, 5, 3, 10), 3, 53, false), 3);
        QVERIFY(storage.Commit());
        QCOMPARE(
            log.Scalar(QStringLiteral("SELECT group_concat(n) FROM (SELECT TrackID || ':' || COUNT(*) AS n "
                                      "FROM TrackData GROUP BY TrackID ORDER BY TrackID)"))
                .toString(),
            QStringLiteral("1:50,2:50,3:8"));
        QCOMPARE(log.Scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'Tracks'")).toInt(),
                 3);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT StartTime FROM Tracks WHERE ID = 3")).toDouble(),
                 Day(2024, 5, 1, 10) + 50 / 86400.0);
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

    // The flight runs from 10:00 to 12:00 less its own offset (an empty one
    // counts as none), the track from its first to its last point stored (not
    // its latest time) less the link's offset. A closed track and an open one
    // without points are left as they are.
    void linking_data() {
        QTest::addColumn<QList<int>>("minutes"); // the track's points, minutes after midnight
        QTest::addColumn<double>("linkHours");
        QTest::addColumn<QVariant>("flightHours");
        QTest::addColumn<bool>("linked");
        QTest::newRow("11:30-13:00 overlaps") << QList<int>{690, 780} << 0.0 << QVariant(0.0) << true;
        QTest::newRow("12:30-13:00 does not") << QList<int>{750, 780} << 0.0 << QVariant(0.0) << false;
        QTest::newRow("09:00-10:00 touches the start")
            << QList<int>{540, 600} << 0.0 << QVariant(0.0) << true;
        QTest::newRow("10:30-11:00 inside") << QList<int>{630, 660} << 0.0 << QVariant(0.0) << true;
        QTest::newRow("ends at its last point, 11:00")
            << QList<int>{600, 720, 660} << 0.0 << QVariant(0.0) << true;
        QTest::newRow("11:00-12:00 touches 09:00-11:00")
            << QList<int>{780, 840} << 2.0 << QVariant(1.0) << true;
        QTest::newRow("11:30-12:00 misses 09:00-11:00")
            << QList<int>{810, 840} << 2.0 << QVariant(1.0) << false;
        QTest::newRow("empty flight offset") << QList<int>{780, 810} << 2.0 << QVariant() << true;
    }
    void linking() {
        QFETCH(QList<int>, minutes);
        QFETCH(double, linkHours);
        QFETCH(QVariant, flightHours);
        QFETCH(bool, linked);
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12),
                                            flightHours.isNull() ? QVariant() : flightHours.toDouble() / 24);
        log.AddFlight(Day(2024, 5, 2, 10), Day(2024, 5, 2, 12));
        testlogbook::InsertRow(log.Db(), QStringLiteral("Tracks"),
                               {{QStringLiteral("StartTime"), Day(2024, 5, 1, 11)},
                                {QStringLiteral("EndTime"), Day(2024, 5, 1, 11, 30)}});
        testlogbook::InsertRow(log.Db(), QStringLiteral("Tracks"),
                               {{QStringLiteral("StartTime"), Day(2024, 5, 1, 11)}});
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        for (int i = 0; i < minutes.size(); ++i)
            storage.StoreTrackPoint(state, Day(2024, 5, 1, minutes[i] / 60, minutes[i] % 60), 53 + i * 0.1,
                                    -1.8, i == 0, 0);
        QVERIFY(storage.Commit());
        const LinkOutcome outcome = LinkTracks(log.Db(), linkHours / 24, true);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.tracksClosed, 1);
        QCOMPARE(outcome.tracksLinked, linked ? 1 : 0);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT group_concat(COALESCE(LogID, 0)) FROM Tracks")).toString(),
                 QStringLiteral("0,0,%1").arg(linked ? flight : 0));
        QCOMPARE(log.Scalar(QStringLiteral("SELECT ID FROM Tracks WHERE EndTime IS NULL")).toInt(), 2);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT EndTime FROM Tracks WHERE ID = 3")).toDouble(),
                 Day(2024, 5, 1, minutes.last() / 60, minutes.last() % 60));
    }
};

QTEST_GUILESS_MAIN(TestGpsTrackStorage)
#include "tst_gpstrackstorage.moc"
