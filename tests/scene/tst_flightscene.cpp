// A flight's scene as the 3D view builds it.
#include "core/daynumber.h"
#include "geo/planeprojection.h"
#include "offscreenrenderer.h"
#include "plot/flightscene/flightscene.h"
#include "plot/land/scenebuilders.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;

namespace {

// A plot flown due east at 300 m over the given distance (scene X is minus the easting).
PlotData EastboundPlot(float distance, double day) {
    const PlanePosition origin = LatLngToPlane({53.35, -1.80});
    PlotData plot;
    const int n = 11;
    for (int i = 0; i < n; ++i) {
        PlotPoint p;
        const double easting = origin.easting + distance * i / double(n - 1);
        p.x = static_cast<float>(-easting);
        p.y = static_cast<float>(origin.northing);
        p.z = 300;
        p.time = day + i / 86400.0;
        plot.points.push_back(p);
    }
    plot.lastIndex = n - 1;
    plot.min = plot.max = plot.points.front();
    plot.min.x = plot.points.back().x; // eastwards is minus x
    plot.max.time = plot.points.back().time;

    return plot;
}

FlightSceneOptions NoModels(const QString& folder) {
    FlightSceneOptions o;
    o.gliderView = false;
    o.bitmapFolder = folder;
    return o;
}

// Pixels of columns x0 .. x1 - 1 whose colour is mostly the given channel.

int CountMostly(const QImage& picture, int x0, int x1, int (QColor::*channel)() const) {
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = x0; x < x1; ++x) {
            const QColor c = picture.pixelColor(x, y);
            const int mine = (c.*channel)();
            if (mine > 90 && mine > c.red() + c.green() + c.blue() - mine) ++n;
        }
    return n;
}

} // namespace

class TestFlightScene : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void sunStandsWhereTheSunIs_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<int>("east");  // sign of the light's easting (-X)
        QTest::addColumn<int>("north"); // sign of its northing
        QTest::addColumn<int>("up");    // sign of its height
        const QTimeZone utc = QTimeZone::utc();
        QTest::newRow("June noon: south, high")
            << QDateTime(QDate(2015, 6, 21), QTime(12, 0), utc) << 0 << -1 << 1;
        QTest::newRow("June 7:00: east") << QDateTime(QDate(2015, 6, 21), QTime(7, 0), utc) << 1 << 0 << 1;
        QTest::newRow("June 17:00: west") << QDateTime(QDate(2015, 6, 21), QTime(17, 0), utc) << -1 << 0 << 1;
        QTest::newRow("December midnight: below")
            << QDateTime(QDate(2015, 12, 21), QTime(0, 0), utc) << 0 << 0 << -1;
    }
    void sunStandsWhereTheSunIs() {
        QFETCH(QDateTime, when);
        QFETCH(int, east);
        QFETCH(int, north);
        QFETCH(int, up);
        const double day = DayNumber(when.date(), when.time().hour());
        const PlotData plot = EastboundPlot(1000, day);
        FlightScene scene(plot, NoModels(dir_.path()));
        scene.PlaceSun(day);
        const QVector3D sun = scene.LightFrame()->Position(scene.WorldFrame());
        const auto sign = [](float v) { return std::abs(v) < 1e10f ? 0 : v > 0 ? 1 : -1; };
        if (east != 0) QCOMPARE(sign(-sun.x()), east);
        if (north != 0) QCOMPARE(sign(sun.y()), north);
        QCOMPARE(sign(sun.z()), up);
    }

    void groundAndRibbonSeenFromAbove() {
        scene::OffscreenRenderer gl;
        QVERIFY2(gl.Initialize(), qPrintable(gl.ErrorText()));
        const PlotData plot = EastboundPlot(800, DayNumber(QDate(2015, 6, 21), 12));
        FlightScene scene(plot, NoModels(dir_.path()));
        scene.PlaceSun(plot.points.front().time);
        scene.ConstructTrack();
        scene.ConstructLandRef(plot.min.z - 50.0f);
        // 150 m above the flight's east end, looking down with north up.
        const PlotPoint& end = plot.points.back();
        scene.CameraFrame()->SetPosition(scene.WorldFrame(), end.x, end.y, end.z + 150.0f);
        scene.CameraFrame()->SetOrientation(scene.WorldFrame(), {0, 0, -1}, {0, 1, 0});
        const QImage picture =
            gl.Render(*scene.SceneFrame(), scene::Viewport{scene.CameraFrame(), 0, 0, 400, 400});
        // The ribbon (blue by default) lies west of the flight's east end: on
        // the left. The ground (green) reaches one half cell, 50 m, past it.
        QVERIFY(CountMostly(picture, 0, 190, &QColor::blue) > 200);
        QCOMPARE(CountMostly(picture, 210, 400, &QColor::blue), 0);
        QVERIFY(CountMostly(picture, 0, 190, &QColor::green) > 20000);
        QCOMPARE(CountMostly(picture, 310, 400, &QColor::green), 0);
    }

    void cloudsFollowTheAmount_data() {
        QTest::addColumn<int>("amount");
        QTest::addColumn<bool>("some");
        QTest::newRow("clear sky") << 0 << false;
        QTest::newRow("four eighths") << 4 << true;
    }
    void cloudsFollowTheAmount() {
        QFETCH(int, amount);
        QFETCH(bool, some);
        QImage bitmap(16, 16, QImage::Format_RGB888);
        bitmap.fill(Qt::white);
        QVERIFY(bitmap.save(dir_.filePath(QStringLiteral("cloud1.bmp"))));
        QVERIFY(bitmap.save(dir_.filePath(QStringLiteral("cloud2.bmp"))));
        const PlotData plot = EastboundPlot(3000, DayNumber(QDate(2015, 6, 21), 12));
        FlightScene scene(plot, NoModels(dir_.path()));
        double r = 0.1;
        scene.ConstructCloudLayer(1200, amount, 600, [&r] { return r = std::fmod(r + 0.37, 1.0); });
        QCOMPARE(scene.CloudMeshes() > 0, some);
        for (scene::Mesh* mesh : scene.CloudFrame()->Visuals()) {
            QVERIFY(mesh->MeshTexture());
            QVERIFY(mesh->MeshTexture()->Decal());
            QCOMPARE(mesh->Colour().alpha(), qRound(0.8 * 255));
        }
    }

    void overlayDressesXyzLandscapes_data() {
        QTest::addColumn<bool>("overlaySetting");
        QTest::addColumn<QString>("landscapeTexture");
        QTest::addColumn<bool>("overlaid");
        QTest::newRow("overlay on") << true << QString() << true;
        QTest::newRow("overlay off") << false << QString() << false;
        QTest::newRow("a landscape texture wins") << true << QStringLiteral("grass.bmp") << false;
    }
    void overlayDressesXyzLandscapes() {
        QFETCH(bool, overlaySetting);
        QFETCH(QString, landscapeTexture);
        QFETCH(bool, overlaid);
        QImage bitmap(8, 8, QImage::Format_RGB888);
        bitmap.fill(Qt::yellow);
        QVERIFY(bitmap.save(dir_.filePath(QStringLiteral("area.bmp")), "BMP"));
        QVERIFY(bitmap.save(dir_.filePath(QStringLiteral("grass.bmp")), "BMP"));
        const PlotData plot = EastboundPlot(500, DayNumber(QDate(2015, 6, 21), 12));
        FlightSceneOptions options = NoModels(dir_.path());
        options.overlay = overlaySetting;
        options.landscapeTexture = landscapeTexture;
        FlightScene scene(plot, options);
        VertexGrid grid;
        grid.rows = 2;
        grid.columns = 2;
        grid.vertices = {{0, 0, 10}, {-100, 0, 10}, {0, 100, 10}, {-100, 100, 10}};
        QCOMPARE(scene.BuildGridMesh(grid, false, dir_.filePath(QStringLiteral("area.xyz"))), overlaid);
        const scene::Mesh* mesh = scene.LandscapeFrame()->Visuals().back();
        QCOMPARE(mesh->FaceCount(), std::size_t(2));
        QCOMPARE(mesh->MeshTexture() != nullptr, overlaid || !landscapeTexture.isEmpty());
        if (!overlaid && landscapeTexture.isEmpty()) {
            const MeshColour c = MeshColourFromSetting(options.landscapeColour, 1.0f);
            QCOMPARE(mesh->Colour(), QColor(c.red8, c.green8, c.blue8, c.alpha8));
        }
    }
};

QTEST_MAIN(TestFlightScene)
#include "tst_flightscene.moc"
