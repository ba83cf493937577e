// The instrument panel: readings measured over the glider's trail (same-time
// entries, level flight, due south, a bearing west of north, a strong climb),
// the needles they move, the panel's place kept in the settings, and a
// picture of it for the eye (instrumentpanel.png beside the test).

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "settings/settingsstore.h"
#include "ui/instrumentpanel.h"
#include "ui/mainwindow.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>

using namespace soarnote;
using R = InstrumentPanel::Reading;

namespace {

constexpr double kNoon = 45000.5;

// The trail of a glider that went from 'from' to 'to' over 'seconds'.
GliderTrail Trail(QVector3D from, QVector3D to, double seconds) {
    GliderTrail t{};
    t.fill(PlotPoint{from.x(), from.y(), from.z(), kNoon});
    t[0] = PlotPoint{to.x(), to.y(), to.z(), kNoon + seconds * kOneSecond};
    return t;
}

// Readings a panel shows before the step under test.
InstrumentReadings Before() {
    InstrumentReadings r;
    r.height = 900;
    r.time = kNoon;
    r.speedKmh = 12.34;
    r.climbPerSecond = -1.2;
    r.x = 180000; // minus the easting: west of Greenwich
    r.y = 5900000;
    r.heading = 45;
    r.glide = 7.5;
    return r;
}

} // namespace

class TestInstrumentPanel : public QObject {
    Q_OBJECT
private slots:
    void readings_data();
    void readings();
    void needles();
    void placementKept_data();
    void placementKept();
    void picture();
};

void TestInstrumentPanel::readings_data() {
    QTest::addColumn<QVector3D>("from");
    QTest::addColumn<QVector3D>("to");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("climb");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("glide");
    QTest::addColumn<double>("climbNeedle");
    auto row = [](const char* name, QVector3D from, QVector3D to, double seconds, const char* speed,
                  const char* climb, const char* heading, const char* glide, double needle) {
        QTest::newRow(name) << from << to << seconds << QString(speed) << QString(climb) << QString(heading)
                            << QString(glide) << needle;
    };
    // 100 m in 10 s is 36 km/h.
    row("due south, level: 180 and 999", {0, 100, 500}, {0, 0, 500}, 10, "36.0", "0.0", "180", "999", -90);
    row("a bearing of -30 shows 330", {0, 0, 500}, {57.735f, 100, 490}, 10, "41.6", "-1.0", "330", "11.5",
        -100);
    row("climb 4.5: needle at -45", {0, 0, 500}, {-100, 0, 545}, 10, "36.0", "+4.5", "045", "-2.2", -45);
    // Same time at both ends: speed, climb and position keep their texts;
    // heading and glide still follow the trail (no distance: glide 0).
    row("same-time trail entries", {0, 100, 500}, {0, 0, 510}, 0, "12.3", "-1.2", "180", "0.0", -102);
}

void TestInstrumentPanel::readings() {
    QFETCH(QVector3D, from);
    QFETCH(QVector3D, to);
    QFETCH(double, seconds);
    QFETCH(double, climbNeedle);
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    InstrumentPanel panel(settings, nullptr);
    panel.ShowReadings(Before());
    const QString latBefore = panel.Text(R::Latitude);
    panel.ShowReadings(ReadInstruments(Trail(from, to, seconds)));
    QTEST(panel.Text(R::Speed), "speed");
    QTEST(panel.Text(R::Climb), "climb");
    QTEST(panel.Text(R::Heading), "heading");
    QTEST(panel.Text(R::Glide), "glide");
    QCOMPARE(panel.Text(R::Height), FixedNumberText(to.z(), 0));
    QCOMPARE(panel.Text(R::Time), ShortTimeText(kNoon + seconds * kOneSecond));
    QVERIFY(qAbs(panel.ClimbNeedleAngle() - climbNeedle) < 1e-3);
    QCOMPARE(panel.Text(R::Latitude) == latBefore, seconds == 0);
}

void TestInstrumentPanel::needles() {
    const QRectF dial(0, 0, 100, 100);
    // Climb 4.5: 45 degrees left of straight up.
    const QPointF climb = NeedleEnd(dial, ClimbNeedleAngle(4.5));
    QVERIFY(qAbs(climb.x() - (50 - 50 * std::sqrt(0.5))) < 1e-9);
    QVERIFY(qAbs(climb.y() - (50 - 50 * std::sqrt(0.5))) < 1e-9);
    // Heading 330: 30 degrees west of north (left of up).
    const QPointF heading = NeedleEnd(dial, HeadingDegrees(-30));
    QCOMPARE(HeadingDegrees(-30), 330);
    QVERIFY(qAbs(std::atan2(50 - heading.x(), 50 - heading.y()) * 180 / std::numbers::pi - 30) < 1e-9);
    // Level flight points left, +9 straight up, -9 straight down.
    QVERIFY(qAbs(NeedleEnd(dial, ClimbNeedleAngle(0)).x() - 0) < 1e-9);
    QVERIFY(qAbs(NeedleEnd(dial, ClimbNeedleAngle(9)).y() - 0) < 1e-9);
    QVERIFY(qAbs(NeedleEnd(dial, ClimbNeedleAngle(-9)).y() - 100) < 1e-9);
}

void TestInstrumentPanel::placementKept_data() {
    QTest::addColumn<bool>("closedByItself");
    QTest::newRow("closed") << true;
    QTest::newRow("gone with its 3D view") << false;
}

void TestInstrumentPanel::placementKept() {
    QFETCH(bool, closedByItself);
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    settings.Write(keys::PlotInstrLeft, 1440 * 2);
    settings.Write(keys::PlotInstrTop, 1440);
    auto view = std::make_unique<QWidget>();
    auto* panel = new InstrumentPanel(settings, view.get());
    const QPoint opened(MainWindow::TwipsToPixels(2880, panel), MainWindow::TwipsToPixels(1440, panel));
    QCOMPARE(panel->pos(), opened);
    view->show();
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    panel->move(300, 150);
    const int left = MainWindow::PixelsToTwips(300, panel), top = MainWindow::PixelsToTwips(150, panel);
    bool closed = false;
    connect(panel, &InstrumentPanel::Closed, this, [&closed] { closed = true; });
    if (closedByItself)
        panel->close();
    else
        view.reset();
    QCOMPARE(closed, closedByItself);
    QCOMPARE(settings.Int(keys::PlotInstrLeft), left);
    QCOMPARE(settings.Int(keys::PlotInstrTop), top);
    InstrumentPanel again(settings, nullptr);
    QCOMPARE(again.pos(), QPoint(300, 150));
}

void TestInstrumentPanel::picture() {
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    InstrumentPanel panel(settings, nullptr);
    // Climbing at 2.4 m/s in a thermal drift to the north-west.
    panel.ShowReadings(
        ReadInstruments(Trail(QVector3D(160000, 5900000, 1200), QVector3D(160030, 5900052, 1212), 5.0)));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QImage image = panel.grab().toImage();
    QCOMPARE(image.size(), panel.sizeHint());
    QVERIFY(image.save(QCoreApplication::applicationDirPath() + QStringLiteral("/instrumentpanel.png")));
}

QTEST_MAIN(TestInstrumentPanel)
#include "tst_instrumentpanel.moc"
