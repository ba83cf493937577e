// The merge of track points and barograph samples into plot data, on hand-built flights.
// Track points lie on the equator, where the flat projection is linear in longitude, so
// an interpolated position is the interpolated longitude.

#include "geo/planeprojection.h"
#include "plot/loadplotdata.h"
#include "plot/plotmerge.h"
#include "plotlogbook.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace soarnote;
using namespace plottest;

namespace {

struct TrackPt {
    double s;   // seconds after noon, log time
    double lng; // thousandths of a degree east, on the equator
};
struct BaroPt {
    double s;
    double height;
};
struct Expected {
    double time; // day number
    double lng;  // thousandths of a degree
    double z;
};
using Track = QList<TrackPt>;
using Tracks = QList<Track>;
using Baro = QList<BaroPt>;
using Points = QList<Expected>;

Expected P(double s, double lng, double z) {
    return {At(s), lng, z};
}

float XOf(double lng) {
    return static_cast<float>(-LatLngToPlane({0, lng / 1000}).easting);
}

QString Describe(const PlotPoint& p) {
    return QStringLiteral("(%1 s, x %2, y %3, z %4)")
        .arg(Seconds(p.time - Noon()), 0, 'f', 3)
        .arg(p.x)
        .arg(p.y)
        .arg(p.z);
}

bool Matches(const PlotPoint& p, const Expected& e) {
    return std::fabs(p.time - e.time) < 1e-9 && std::fabs(p.x - XOf(e.lng)) < 1e-3 && std::fabs(p.y) < 1e-3 &&
           std::fabs(p.z - e.z) < 1e-3;
}

} // namespace

Q_DECLARE_METATYPE(Tracks)
Q_DECLARE_METATYPE(Baro)
Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(Points)

class TestPlotMerge : public QObject {
    Q_OBJECT
private slots:
    void merge_data() {
        QTest::addColumn<Tracks>("tracks");
        QTest::addColumn<Baro>("baro");
        QTest::addColumn<QString>("units");
        QTest::addColumn<double>("flightOffset"); // days; the track clock runs this far ahead
        QTest::addColumn<Expected>("start");      // the plot's start: its time is the minimum time
        QTest::addColumn<Points>("points");

        const QString m = QStringLiteral("Meters");
        // Once both sources are used up, steps repeat the last barograph time: the repeat ends it.
        QTest::newRow("barograph ends first")
            << Tracks{{{0, 1}, {10, 2}, {20, 3}}} << Baro{{5, 100}, {15, 200}} << m << 0.0 << P(0, 1, 100)
            << Points{P(0, 1, 100),  P(5, 1.5, 100), P(10, 2, 150), P(15, 2.5, 200),
                      P(20, 3, 200), P(15, 3, 200),  P(15, 3, 200)};
        QTest::newRow("track ends first")
            << Tracks{{{0, 1}, {10, 2}}} << Baro{{5, 100}, {15, 200}, {25, 300}} << m << 0.0 << P(0, 1, 100)
            << Points{P(0, 1, 100),  P(5, 1.5, 100), P(10, 2, 150),
                      P(15, 2, 200), P(25, 2, 300),  P(25, 2, 300)};
        QTest::newRow("barograph starts first")
            << Tracks{{{10, 1}, {30, 3}}} << Baro{{0, 100}, {20, 200}} << m << 0.0 << P(0, 1, 100)
            << Points{P(0, 1, 100),  P(10, 1, 150), P(20, 2, 200),
                      P(30, 3, 200), P(20, 3, 200), P(20, 3, 200)};
        QTest::newRow("equal times give one point each")
            << Tracks{{{0, 1}, {10, 2}, {20, 3}}} << Baro{{0, 100}, {10, 200}, {20, 300}} << m << 0.0
            << P(0, 1, 100) << Points{P(0, 1, 100), P(10, 2, 200), P(20, 3, 300), P(20, 3, 300)};
        // 0.6 s and 1.4 s share one 1/86399-day unit; the barograph's time is kept.
        QTest::newRow("same time unit: barograph time wins")
            << Tracks{{{0.6, 1}, {10.6, 2}}} << Baro{{1.4, 100}, {11.4, 200}} << m << 0.0 << P(0.6, 1, 100)
            << Points{P(1.4, 1.08, 100), P(11.4, 2, 200), P(11.4, 2, 200)};
        // 1.4 s and 1.6 s share one second but not one unit.
        QTest::newRow("next time units stay apart")
            << Tracks{{{1.4, 1}}} << Baro{{1.6, 100}} << m << 0.0 << P(1.4, 1, 100)
            << Points{P(1.4, 1, 100), P(1.6, 1, 100), P(1.6, 1, 100)};
        // A barograph time just before the track point of its unit: extrapolated back.
        QTest::newRow("same unit, barograph earlier: extrapolated, start kept")
            << Tracks{{{1.4, 1}, {11.4, 2}}} << Baro{{0.6, 100}, {10.6, 200}} << m << 0.0 << P(1.4, 1, 100)
            << Points{P(0.6, 0.92, 100), P(10.6, 2, 200), P(10.6, 2, 200)};
        // Only a repeat of the exact time ends the merge, not two points in one unit.
        QTest::newRow("one source, one time unit, two points")
            << Tracks{{{0.6, 1}, {1.4, 2}, {10, 3}}} << Baro{{5, 100}} << m << 0.0 << P(0.6, 1, 100)
            << Points{P(0.6, 1, 100), P(1.4, 2, 100), P(5, 2 + 3.6 / 8.6, 100),
                      P(10, 3, 100),  P(5, 3, 100),   P(5, 3, 100)};
        // Track points closer than the unit: the one taken with the sample is passed.
        QTest::newRow("dense track: time goes back")
            << Tracks{{{0.6, 1}, {1.0, 2}, {10, 3}}} << Baro{{1.4, 100}} << m << 0.0 << P(0.6, 1, 100)
            << Points{P(1.4, 3, 100), P(1.0, 2, 100), P(10, 3, 100), P(1.4, 3, 100), P(1.4, 3, 100)};
        QTest::newRow("two tracks merged by time")
            << Tracks{{{0, 1}, {20, 3}}, {{10, 2}, {30, 4}}} << Baro{{15, 150}} << m << 0.0 << P(0, 1, 150)
            << Points{P(0, 1, 150),  P(10, 2, 150), P(15, 2.5, 150), P(20, 3, 150),
                      P(30, 4, 150), P(15, 4, 150), P(15, 4, 150)};
        // Without barograph samples the tail takes the time offset as its time.
        QTest::newRow("no barograph")
            << Tracks{{{0, 1}, {10, 2}, {20, 3}}} << Baro{} << m << 0.0 << P(0, 1, 0)
            << Points{P(0, 1, 0), P(10, 2, 0), P(20, 3, 0), Expected{0, 3, 0}, Expected{0, 3, 0}};
        // The start is the first track point, not the time offset.
        QTest::newRow("no barograph, with a time offset")
            << Tracks{{{0, 1}, {10, 2}, {20, 3}}} << Baro{} << m << 1.0 / 24 << P(0, 1, 0)
            << Points{P(0, 1, 0), P(10, 2, 0), P(20, 3, 0), Expected{1.0 / 24, 3, 0},
                      Expected{1.0 / 24, 3, 0}};
        QTest::newRow("no track") << Tracks{} << Baro{{0, 100}, {10, 200}} << m << 1.0 / 24 << P(0, 0, 100)
                                  << Points{P(0, 0, 100), P(10, 0, 200), P(10, 0, 200)};
        // The repeat of the first point's time ends the merge at once.
        QTest::newRow("one sample") << Tracks{} << Baro{{0, 100}} << m << 0.0 << P(0, 0, 100)
                                    << Points{P(0, 0, 100), P(0, 0, 100)};
        // Two track points with one time end the merge at the second.
        QTest::newRow("a repeated time ends the merge")
            << Tracks{{{0, 1}, {10, 2}, {10, 3}, {20, 4}}} << Baro{{0, 100}, {30, 300}} << m << 0.0
            << P(0, 1, 100) << Points{P(0, 1, 100), P(10, 2, 500.0 / 3), P(10, 3, 500.0 / 3)};
        QTest::newRow("feet") << Tracks{} << Baro{{0, 3280.84}, {10, 6561.68}} << QStringLiteral("Feet")
                              << 0.0 << P(0, 0, 1000.0)
                              << Points{P(0, 0, 1000.0), P(10, 0, 2000.0), P(10, 0, 2000.0)};
    }

    void merge() {
        QFETCH(Tracks, tracks);
        QFETCH(Baro, baro);
        QFETCH(QString, units);
        QFETCH(double, flightOffset);
        QFETCH(Expected, start);
        QFETCH(Points, points);

        PlotLogbook logbook;
        QVERIFY(logbook.Create());
        const qint64 id = logbook.AddFlight(At(-100), At(100), flightOffset);
        QVERIFY(id > 0);
        for (const Track& track : tracks) {
            const qint64 trackId = logbook.AddTrack(id);
            QVERIFY(trackId > 0);
            for (const TrackPt& p : track)
                QVERIFY(logbook.AddPoint(trackId, At(p.s) + flightOffset, 0.0, p.lng / 1000));
        }
        for (const BaroPt& b : baro)
            QVERIFY(logbook.AddBaro(id, At(b.s), b.height));

        PlotData plot;
        const PlotFlight flight{id, At(-100), At(100), flightOffset};
        const PlotLoadResult result = LoadPlotData(plot, logbook.Db(), flight, PlotOptions{units, false});
        QVERIFY2(result.status == PlotLoadResult::Status::Loaded, qPrintable(result.error));
        QCOMPARE(result.text, QString());

        QStringList got;
        for (const PlotPoint& p : plot.points)
            got << Describe(p);
        QCOMPARE(plot.lastIndex, int(points.size()) - 1);
        QCOMPARE(plot.points.size(), std::size_t(points.size()));
        for (int i = 0; i < points.size(); ++i)
            QVERIFY2(Matches(plot.points[i], points[i]),
                     qPrintable(QStringLiteral("point %1 of %2").arg(i).arg(got.join(QLatin1Char(' ')))));

        // The start time is the plot's minimum time whatever the stored times.
        double latest = start.time;
        for (const Expected& e : points)
            latest = std::max(latest, e.time);
        QVERIFY2(std::fabs(plot.min.time - start.time) < 1e-9, qPrintable(Describe(plot.min)));
        QVERIFY2(std::fabs(plot.max.time - latest) < 1e-9, qPrintable(Describe(plot.max)));
    }

    // Position is minus the easting and the northing of the flat projection.
    void positionFromTrack() {
        TrackSelection track({{At(0), 53.3, -1.8}, {At(10), 53.31, -1.79}});
        BaroSelection baro;
        PlotData plot;
        QVERIFY(AssemblePlotData(plot, baro, track, 0, 1.0f));
        const PlanePosition first = LatLngToPlane({53.3, -1.8});
        const PlanePosition second = LatLngToPlane({53.31, -1.79});
        QVERIFY(plot.points[0].x == static_cast<float>(-first.easting) && plot.points[0].x > 0);
        QVERIFY(plot.points[1].y == static_cast<float>(second.northing));
        QVERIFY(plot.max.x == plot.points[0].x && plot.max.y == plot.points[1].y &&
                plot.min.x == plot.points[1].x);
    }

    // Before the first barograph sample the height holds at it. Times near day
    // 0, where a slope from the time origin would show.
    void heightHeldBeforeFirstSample() {
        TrackSelection track({{5 / kSecondsPerDay, 0, 0.001}, {30 / kSecondsPerDay, 0, 0.002}});
        BaroSelection baro({{10 / kSecondsPerDay, 100}, {20 / kSecondsPerDay, 200}});
        PlotData plot;
        QVERIFY(AssemblePlotData(plot, baro, track, 0, 1.0f));
        QCOMPARE(plot.points[0].z, 100.0f);
        QCOMPARE(plot.min.z, 100.0f);
    }

    // Times that never compare equal (a NaN offset) must not run the merge past its points.
    void unorderedTimesStillEnd() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        TrackSelection track({{At(0), 0, 0.001}, {At(10), 0, 0.002}});
        BaroSelection baro;
        PlotData plot;
        QVERIFY(AssemblePlotData(plot, baro, track, nan, 1.0f));
        QVERIFY(plot.lastIndex >= 0 && plot.lastIndex <= 4);
        QCOMPARE(plot.points.size(), std::size_t(plot.lastIndex + 1));

        BaroSelection baro2({{At(0), 100}, {At(10), 200}});
        TrackSelection track2({{At(5), 0, 0.001}});
        QVERIFY(AssemblePlotData(plot, baro2, track2, nan, 1.0f));
        QVERIFY(plot.lastIndex >= 0 && plot.lastIndex <= 5);
    }
};

QTEST_GUILESS_MAIN(TestPlotMerge)
#include "tst_plotmerge.moc"
