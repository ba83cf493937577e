#include "geo/inverseiteration.h"
#include "geo/planeprojection.h"

#include <QTest>
#include <cmath>
#include <limits>
#include <numbers>

using namespace soarnote;

class TestPlaneProjection : public QObject {
    Q_OBJECT
private slots:
    void forward_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::addColumn<double>("tolerance");
        // From WGS84 geometry alone (a = 6378137, b = 6356752.3142): the meridian
        // point at geodetic latitude φ is (ν cos φ, ν(1-e²) sin φ), the pole lies
        // the chord sqrt(a² + b²) from the equator, a degree of the equator is
        // 2πa / 360. The projection writes π as 3.1415927 and 2π as 6.2831854,
        // worth up to 0.2 m at these distances.
        QTest::newRow("origin") << 0.0 << 0.0 << 0.0 << 0.0 << 1e-6;
        QTest::newRow("1E on the equator") << 0.0 << 1.0 << 111319.4908 << 0.0 << 0.01;
        QTest::newRow("north pole") << 90.0 << 0.0 << 0.0 << 9004939.2877 << 0.2;
        QTest::newRow("45N 10E") << 45.0 << 10.0 << 950831.6294 << 4857769.8187 << 0.2;
        QTest::newRow("30N 120W") << 30.0 << -120.0 << -12468346.2627 << 3282311.1140 << 0.25;
    }
    void forward() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        QFETCH(double, easting);
        QFETCH(double, northing);
        QFETCH(double, tolerance);
        const PlanePosition p = LatLngToPlane({lat, lng});
        QVERIFY2(std::fabs(p.easting - easting) <= tolerance, qPrintable(QString::number(p.easting, 'f', 4)));
        QVERIFY2(std::fabs(p.northing - northing) <= tolerance,
                 qPrintable(QString::number(p.northing, 'f', 4)));
        // South of the equator is the mirror image.
        const PlanePosition south = LatLngToPlane({-lat, lng});
        QCOMPARE(south.easting, p.easting);
        QCOMPARE(south.northing, lat == 0 ? p.northing : -p.northing);
    }

    // Up to about 68 degrees of latitude the inverse settles within the step
    // limit for every longitude.
    void roundTrip_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        for (double lat : {-65.0, -45.0, -20.0, -0.5, 0.0, 0.5, 20.0, 45.0, 65.0})
            for (double lng : {-179.5, -90.0, -3.0, 0.0, 3.0, 90.0, 179.5})
                QTest::addRow("%g, %g", lat, lng) << lat << lng;
    }
    void roundTrip() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        const GeoPosition back = PlaneToLatLng(LatLngToPlane({lat, lng}));
        const double north = (back.latitude - lat) * 111320;
        const double east = (back.longitude - lng) * 111320 * std::cos(lat * std::numbers::pi / 180);
        QVERIFY2(std::hypot(north, east) < 1.0, qPrintable(QString::number(std::hypot(north, east))));
    }

    // Targets the walk cannot reach end at the step limit, or earlier when the
    // next step would overflow, with a finite estimate.
    void unreachableTargets() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        // Beyond about 70 degrees the longitude walk swings ever wider: at 75N
        // it runs to the step limit, at 80N it would overflow before that.
        const PlanePosition targets[] = {
            LatLngToPlane({75, 20}), LatLngToPlane({80, 20}), {0, 1e8}, {nan, 0}, {0, -inf}};
        const float s = static_cast<float>(1 / (InverseRadiansPerDegree() * 6378137));
        for (const PlanePosition& target : targets) {
            const InverseSolution solution = SolveInverse(&LatLngToPlane, target, s, {0, 0});
            QVERIFY(!solution.converged && solution.steps <= kInverseStepLimit);
            const GeoPosition p = PlaneToLatLng(target);
            QVERIFY(std::isfinite(p.latitude) && std::isfinite(p.longitude));
            QCOMPARE(p.latitude, solution.position.latitude);
        }
    }
};

QTEST_APPLESS_MAIN(TestPlaneProjection)
#include "tst_planeprojection.moc"
