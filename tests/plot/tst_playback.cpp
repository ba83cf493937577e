// Playback in the 3D view: clock, steps, trail, controls, follow and camera modes, and
// the offsets question on closing with what it stores in a real logbook.

#include "common/testlogbook.h"
#include "core/daynumber.h"
#include "plot/playback/cameramodes.h"
#include "plot/playback/offsetsclose.h"
#include "plot/playback/playbackcontrol.h"
#include "plot/playback/playbacktiming.h"
#include "plot/playback/viewframe.h"

#include <QtTest>

using namespace soarnote;

namespace {

constexpr double kStart = 45000.5; // noon of a summer day

// n points a given number of seconds apart, ended (as the merge ends a plot) by a repeat.
PlotData MakePlot(int n, double secondsApart) {
    PlotData plot;
    for (int i = 0; i < n; ++i) {
        const float f = static_cast<float>(i);
        plot.points.push_back(
            PlotPoint{-10 * f, 20 * f, 500 + 3 * f, kStart + i * secondsApart * kOneSecond});
    }
    plot.points.push_back(plot.points.back());
    plot.lastIndex = n;
    plot.min = plot.points.front();
    plot.max = plot.points.back();
    plot.max.x = plot.points.front().x;
    return plot;
}

bool SamePlace(const PlotPoint& a, const PlotPoint& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.time == b.time;
}

GliderTrail TestTrail() {
    GliderTrail trail{};
    trail.fill(PlotPoint{40, 120, 280, kStart});
    trail[0] = PlotPoint{100, 200, 300, kStart + 5 * kOneSecond};
    return trail;
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void timing_data() {
        QTest::addColumn<double>("fps");
        QTest::addColumn<int>("slider");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<double>("flightSecondsPerTick");
        QTest::newRow("FPS 5, slider 1") << 5.0 << 1 << 200 << 0.2;
        QTest::newRow("FPS 5, slider 2") << 5.0 << 2 << 100 << 0.4;
        QTest::newRow("rounded to whole ms") << 25.0 << 3 << 13 << 0.12;
        QTest::newRow("1 ms floor") << 5.0 << 400 << 1 << 80.0;
    }

    void timing() {
        QFETCH(double, fps);
        QFETCH(int, slider);
        QFETCH(double, flightSecondsPerTick);
        const PlaybackTiming t = PlaybackTimingFor(fps, slider);
        QTEST(t.intervalMs, "intervalMs");
        QVERIFY(qAbs(t.playSpeed * kSecondsPerDay - flightSecondsPerTick) < 1e-5 * flightSecondsPerTick);
        QCOMPARE(SpeedToolTip(slider), QString::number(slider) + QLatin1Char(' '));
    }

    // From the start: u = Page Up, d = Page Down, t = a tick of the playback clock.
    void steps_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("apart");   // seconds between points
        QTest::addColumn<double>("perTick"); // flight seconds a tick
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("index"); // CurrentIndex after them
        QTest::addColumn<double>("at"); // the glider's place, in points from the first
        // Ten points end in a repeat: playback ends at point 9.
        QTest::newRow("Page Down at 0 stays") << 10 << 4.0 << 1.0 << "d" << 0 << 0.0;
        QTest::newRow("Page Up at the last play point stays")
            << 10 << 4.0 << 1.0 << QString(10, u'u') << 9 << 9.0;
        QTest::newRow("Page Up onto the last play point") << 10 << 4.0 << 1.0 << QString(9, u'u') << 9 << 9.0;
        QTest::newRow("Page Up moves on") << 10 << 4.0 << 1.0 << "uuu" << 3 << 3.0;
        QTest::newRow("Page Down moves back") << 10 << 4.0 << 1.0 << "uud" << 1 << 1.0;
        QTest::newRow("a tick moves at most one point") << 10 << 1.0 << 5.0 << "tt" << 2 << 2.0;
        QTest::newRow("a tick between points interpolates") << 5 << 10.0 << 2.0 << "t" << 0 << 0.2;
    }

    void steps() {
        QFETCH(int, points);
        QFETCH(double, apart);
        QFETCH(double, perTick);
        QFETCH(QString, keys);
        QFETCH(int, index);
        QFETCH(double, at);
        const PlotData plot = MakePlot(points, apart);
        PlaybackModel model(plot);
        model.SetPlaySpeed(static_cast<float>(perTick * kOneSecond));
        model.StepPlayback(StepMode::Start);
        bool atEnd = false;
        for (QChar c : keys)
            atEnd = model.StepPlayback(c == u'u'   ? StepMode::Next
                                       : c == u'd' ? StepMode::Previous
                                                   : StepMode::Tick);
        QCOMPARE(model.CurrentIndex(), index);
        QCOMPARE(atEnd, index == plot.lastIndex - 1);
        // MakePlot's places and times are linear in the index.
        const PlotPoint& g = model.Trail()[0];
        const float f = static_cast<float>(at);
        QVERIFY2(qAbs(g.x + 10 * f) < 1e-3f && qAbs(g.y - 20 * f) < 1e-3f &&
                     qAbs(g.z - (500 + 3 * f)) < 1e-3f &&
                     qAbs((g.time - kStart) * kSecondsPerDay - at * apart) < 1e-3,
                 qPrintable(QStringLiteral("(%1, %2, %3)").arg(g.x).arg(g.y).arg(g.z)));
    }

    void playbackStopsAtLastPlayIndex() {
        const PlotData plot = MakePlot(6, 1);
        PlaybackModel model(plot);
        model.SetPlaySpeed(static_cast<float>(0.7 * kOneSecond));
        PlaybackControl control(model);
        control.Play();
        int ticks = 0;
        while (control.TimerRunning() && ticks < 100) {
            control.Tick();
            ++ticks;
            QVERIFY(model.CurrentIndex() <= plot.lastIndex - 1);
        }
        QVERIFY(!control.TimerRunning());
        QVERIFY(!control.PlayChecked());
        QCOMPARE(model.CurrentIndex(), plot.lastIndex - 1);
        QVERIFY(SamePlace(model.Trail()[0], plot.points[plot.lastIndex - 1]));
    }

    void trailShiftsOnePlacePerStep() {
        const PlotData plot = MakePlot(10, 3);
        PlaybackModel model(plot);
        model.StepPlayback(StepMode::Start);
        for (int i = 0; i < 3; ++i)
            model.StepPlayback(StepMode::Next);
        const GliderTrail& t = model.Trail();
        const int expected[6] = {3, 2, 1, 0, 0, 0};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(SamePlace(t[i], plot.points[expected[i]]), qPrintable(QString::number(i)));
        model.StepPlayback(StepMode::Start);
        for (const PlotPoint& p : model.Trail())
            QVERIFY(SamePlace(p, plot.points[0]));
    }

    void playPauseDoubleClick_data() {
        QTest::addColumn<QString>("actions"); // p = Play, a = Pause, d = double click
        QTest::addColumn<bool>("play");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<bool>("timer");
        QTest::newRow("play") << "p" << true << false << true;
        QTest::newRow("pause while playing") << "pa" << true << true << false;
        QTest::newRow("resume") << "paa" << true << false << true;
        QTest::newRow("play again clears a pause") << "pap" << true << false << true;
        QTest::newRow("pause while stopped starts nothing") << "a" << false << false << false;
        QTest::newRow("double click starts") << "d" << true << false << true;
        QTest::newRow("double click pauses") << "pd" << true << true << false;
        QTest::newRow("double click resumes") << "pdd" << true << false << true;
    }

    void playPauseDoubleClick() {
        QFETCH(QString, actions);
        const PlotData plot = MakePlot(10, 1);
        PlaybackModel model(plot);
        PlaybackControl control(model);
        for (QChar c : actions) {
            if (c == QLatin1Char('p')) control.Play();
            if (c == QLatin1Char('a')) control.Pause();
            if (c == QLatin1Char('d')) control.DoubleClick();
        }
        QTEST(control.PlayChecked(), "play");
        QTEST(control.PauseChecked(), "pause");
        QTEST(control.TimerRunning(), "timer");
    }

    void followModes_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<QVector3D>("cameraAt");
        QTest::addColumn<bool>("turns");
        QTest::addColumn<QVector3D>("direction");
        // Camera at (0, 0, 1000) looking north and a little down; the glider at
        // (100, 200, 300), five steps ago at (40, 120, 280).
        QTest::newRow("Normal/Normal: above the glider")
            << 0 << 0 << true << QVector3D(100, 200, 1000) << false << QVector3D();
        QTest::newRow("Follow/Follow: behind, looking at the glider from where it was")
            << 1 << 1 << true << QVector3D(40, 120, 280) << true << QVector3D(100, 200, -700);
        QTest::newRow("Horizontal/Horizontal: keeps height and tilt")
            << 2 << 2 << true << QVector3D(40, 120, 1000) << true << QVector3D(100, 200, -0.5f);
        QTest::newRow("Off/Off: left alone") << 3 << 3 << false << QVector3D() << false << QVector3D();
    }

    void followModes() {
        QFETCH(int, orientation);
        QFETCH(int, position);
        QFETCH(bool, moves);
        QFETCH(QVector3D, cameraAt);
        QFETCH(bool, turns);
        QFETCH(QVector3D, direction);
        const GliderTrail trail = TestTrail();
        const ViewFrame f =
            UpdateViewFrame(trail, QVector3D(0, 0, 1000), QVector3D(0, 1, -0.5f),
                            static_cast<FollowMode>(orientation), static_cast<FollowMode>(position));
        QCOMPARE(f.cameraPosition.has_value(), moves);
        if (moves) QCOMPARE(*f.cameraPosition, cameraAt);
        QCOMPARE(f.cameraOrientation.has_value(), turns);
        if (turns) {
            QCOMPARE(f.cameraOrientation->direction, direction);
            QCOMPARE(f.cameraOrientation->up, QVector3D(0, 0, 1));
        }
        QCOMPARE(f.gliderPosition, QVector3D(100, 200, 300));
        QVERIFY(f.gliderOrientation);
        QCOMPARE(f.gliderOrientation->direction, QVector3D(60, 80, 0));
        QCOMPARE(f.captionTime, kStart);
        QVERIFY(PlotCaption(f.captionTime).endsWith(GeneralDateText(kStart)));
    }

    void cameraModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QVector3D>("cameraAt");
        QTest::addColumn<bool>("looksDown");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("position");
        const int normal = 0, follow = 1, horizontal = 2, off = 3;
        QTest::newRow("Fixed") << 0 << false << QVector3D() << false << follow << off;
        QTest::newRow("Behind") << 1 << false << QVector3D() << false << follow << follow;
        QTest::newRow("Overhead") << 2 << true << QVector3D(100, 200, 350) << true << off << normal;
        QTest::newRow("High") << 3 << true << QVector3D(100, 200, 800) << true << follow << horizontal;
        QTest::newRow("Start") << 4 << true << QVector3D(0, 0, 500) << false << follow << off;
        QTest::newRow("End: the last point playback reaches")
            << 5 << true << QVector3D(-80, 160, 524) << false << follow << off;
    }

    void cameraModes() {
        QFETCH(int, mode);
        QFETCH(bool, placed);
        QFETCH(QVector3D, cameraAt);
        QFETCH(bool, looksDown);
        const PlotData plot = MakePlot(9, 1); // lastIndex 9: End is point 8
        const CameraModeChoice c = ChooseCameraMode(static_cast<CameraMode>(mode), TestTrail(), plot);
        QCOMPARE(c.cameraPosition.has_value(), placed);
        if (placed) QCOMPARE(*c.cameraPosition, cameraAt);
        QCOMPARE(c.cameraOrientation.has_value(), looksDown);
        if (looksDown) {
            QCOMPARE(c.cameraOrientation->direction, QVector3D(0, 0, -1));
            QCOMPARE(c.cameraOrientation->up, QVector3D(0, 1, 0));
        }
        QTEST(static_cast<int>(c.orientation), "orientation");
        QTEST(static_cast<int>(c.position), "position");
        if (static_cast<CameraMode>(mode) == CameraMode::High) {
            // High then follows the glider from straight above: the view is
            // vertical, so north becomes its up (world up would lie along it).
            const ViewFrame f = UpdateViewFrame(TestTrail(), *c.cameraPosition,
                                                c.cameraOrientation->direction, c.orientation, c.position);
            QVERIFY(f.cameraOrientation);
            QCOMPARE(f.cameraOrientation->direction, QVector3D(0, 0, -500));
            QCOMPARE(f.cameraOrientation->up, QVector3D(0, 1, 0));
        }
    }

    void offsetCaption() {
        const QString text = OffsetCaption(QVector3D(12.4f, -3.6f, 0.5f), 3.2808399f);
        QVERIFY2(text.endsWith(QStringLiteral("OFFSET MODE [E: 41, N: -12, H: 2]")), qPrintable(text));
        QVERIFY(
            OffsetCaption(QVector3D(0.4f, -0.4f, 0), 1.0f).endsWith(QStringLiteral("[E: 0, N: 0, H: 0]")));
    }

    void sunPositionAnswer_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<double>("hours"); // time of day the sun is placed at
        QTest::newRow("a time of day") << "14:30" << true << 14.5;
        QTest::newRow("the default answer") << SunPositionDefault(kStart + 0.25) << true << 18.0;
        QTest::newRow("a date with the time: only the time counts") << "2021-07-01 09:15" << true << 9.25;
        QTest::newRow("not a time: the sun stays") << "teatime" << false << 0.0;
    }

    void sunPositionAnswer() {
        QFETCH(QString, answer);
        QFETCH(bool, taken);
        QFETCH(double, hours);
        const std::optional<double> t = SunPositionTime(kStart + 0.1, answer);
        QCOMPARE(t.has_value(), taken);
        if (taken) QVERIFY(qAbs(*t - (45000 + hours / 24)) < 1e-9);
    }

    void offsetsOnClose_data() {
        QTest::addColumn<bool>("moved");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("stored");
        const int yes = 0, no = 1, cancel = 2;
        QTest::newRow("not moved: no question") << false << yes << false << true << false;
        QTest::newRow("Yes saves and closes") << true << yes << true << true << true;
        QTest::newRow("No closes without saving") << true << no << true << true << false;
        QTest::newRow("Cancel stays open") << true << cancel << true << false << false;
    }

    void offsetsOnClose() {
        QFETCH(bool, moved);
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("offsets.mdb"));
        QList<qint64> ids;
        QVERIFY(testlogbook::Builder(path)
                    .Flight({{"StartTime", kStart}, {"EndTime", kStart + 0.1}})
                    .Flight({{"StartTime", kStart + 1},
                             {"EndTime", kStart + 1.1},
                             {"LatOffset", 32.808399},
                             {"LngOffset", -16.4041995},
                             {"HeightOffset", 3.2808399}})
                    .Build(&ids));
        LogbookDatabase file;
        QString error;
        QVERIFY(file.Open(path, &error));
        const float feet = 3.2808399f;
        // Opened at the stored offsets (10, -5, 1 m); moved 2.5 m east-ward in X and 4 m up.
        const QVector3D opening(10, -5, 1);
        const QVector3D landscape = moved ? QVector3D(12.5f, -5, 5) : opening;
        QString question;
        const OffsetsCloseOutcome out =
            ResolveOffsetsOnClose(file.Db(), ids[1], landscape, opening, feet, [&](const QString& q) {
                question = q;
                return static_cast<OffsetsAnswer>(answer);
            });
        QTEST(out.asked, "asked");
        QTEST(out.close, "closes");
        QVERIFY(out.error.isEmpty());
        if (out.asked)
            QCOMPARE(question,
                     QStringLiteral("Position offsets have changed. Do you want to save the values?"));
        QSqlQuery q(file.Db());
        QVERIFY(
            q.exec(QStringLiteral("SELECT ID, LatOffset, LngOffset, HeightOffset FROM LogData ORDER BY ID")));
        QVERIFY(q.next());
        QVERIFY(q.value(1).isNull()); // the other flight is never touched
        QVERIFY(q.next());
        QFETCH(bool, stored);
        QCOMPARE(out.saved, stored);
        if (stored) {
            QCOMPARE(q.value(1).toDouble(), static_cast<double>(landscape.x() * feet));
            QCOMPARE(q.value(2).toDouble(), static_cast<double>(landscape.y() * feet));
            QCOMPARE(q.value(3).toDouble(), static_cast<double>(landscape.z() * feet));
        } else {
            QCOMPARE(q.value(1).toDouble(), 32.808399);
            QCOMPARE(q.value(2).toDouble(), -16.4041995);
            QCOMPARE(q.value(3).toDouble(), 3.2808399);
        }
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
