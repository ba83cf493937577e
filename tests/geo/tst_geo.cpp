// The projections and the sun: the plane projection and its inverse walk, the Ordnance Survey grid and grid
// references, and the sun's position.

#include "geo/inverseiteration.h"
#include "geo/osgrid.h"
#include "geo/planeprojection.h"
#include "geo/sunposition.h"

#include <QDate>
#include <QTest>
#include <cmath>
#include <limits>
#include <numbers>

Q_DECLARE_METATYPE(soarnote::GeoPosition)
Q_DECLARE_METATYPE(soarnote::PlanePosition)

using namespace soarnote;

namespace {

double GroundMetres(GeoPosition a, GeoPosition b) {
    const double north = (a.latitude - b.latitude) * 111320;
    const double east = (a.longitude - b.longitude) * 111320 * std::cos(a.latitude * std::numbers::pi / 180);
    return std::hypot(north, east);
}

// The Ordnance Survey's worked example ("A guide to coordinate systems in Great Britain", Transverse Mercator
// annex): on Airy 1830, 52°39'27.2531"N 1°43'4.5177"E is E 651409.903, N 313177.270.
const GeoPosition kWorkedExample{52 + 39 / 60.0 + 27.2531 / 3600, 1 + 43 / 60.0 + 4.5177 / 3600};
const PlanePosition kWorkedExampleGrid{651409.903, 313177.270};

double DayNumberUt(int year, int month, int day, double hours) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day))) + hours / 24;
}

double AngleApart(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

} // namespace

class TestGeo : public QObject {
    Q_OBJECT
private slots:
    void planeForward_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::addColumn<double>("tolerance");
        // From WGS84 geometry alone; the projection's 7-digit π is worth up to 0.2 m here.
        QTest::newRow("origin") << 0.0 << 0.0 << 0.0 << 0.0 << 1e-6;
        QTest::newRow("1E on the equator") << 0.0 << 1.0 << 111319.4908 << 0.0 << 0.01;
        QTest::newRow("north pole") << 90.0 << 0.0 << 0.0 << 9004939.2877 << 0.2;
        QTest::newRow("45N 10E") << 45.0 << 10.0 << 950831.6294 << 4857769.8187 << 0.2;
        QTest::newRow("30N 120W") << 30.0 << -120.0 << -12468346.2627 << 3282311.1140 << 0.25;
    }
    void planeForward() {
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

    // Up to about 68 degrees of latitude the inverse settles within the step limit for every longitude.
    void planeRoundTrip_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        for (double lat : {-65.0, -45.0, -20.0, -0.5, 0.0, 0.5, 20.0, 45.0, 65.0})
            for (double lng : {-179.5, -90.0, -3.0, 0.0, 3.0, 90.0, 179.5})
                QTest::addRow("%g, %g", lat, lng) << lat << lng;
    }
    void planeRoundTrip() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        const double metres = GroundMetres({lat, lng}, PlaneToLatLng(LatLngToPlane({lat, lng})));
        QVERIFY2(metres < 1.0, qPrintable(QString::number(metres)));
    }

    // Targets the walk cannot reach end at the step limit, or earlier when the next step would overflow, with
    // a finite estimate.
    void planeUnreachableTargets() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        // At 75N the longitude walk runs to the step limit, at 80N it would overflow before that.
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
    void osForward_data() {
        QTest::addColumn<GeoPosition>("position");
        QTest::addColumn<PlanePosition>("os");
        QTest::addColumn<PlanePosition>("pinned");
        // "os": the Ordnance Survey's figures (our rounded constants are worth up to a metre). "pinned": an
        // independent transcription of our single-precision formulas; a millimetre pins the roundings (double
        // throughout moves these by 2 to 4 cm).
        QTest::newRow("OS worked example")
            << kWorkedExample << kWorkedExampleGrid << PlanePosition{651409.567460, 313176.433864};
        // The true origin, 49N 2W, is E 400000 N -100000 by definition.
        QTest::newRow("true origin") << GeoPosition{49, -2} << PlanePosition{400000, -100000}
                                     << PlanePosition{400000, -100000.229652};
    }
    void osForward() {
        QFETCH(GeoPosition, position);
        QFETCH(PlanePosition, os);
        QFETCH(PlanePosition, pinned);
        const PlanePosition p = LatLngToOsGrid(position);
        QVERIFY(std::fabs(p.easting - os.easting) < 1.0 && std::fabs(p.northing - os.northing) < 1.0);
        QVERIFY(std::fabs(p.easting - pinned.easting) < 0.001 &&
                std::fabs(p.northing - pinned.northing) < 0.001);
    }

    void inverseOfWorkedExample() {
        // The metre of formula difference above plus the metre the walk stops within.
        const GeoPosition p = OsGridToLatLng(kWorkedExampleGrid);
        QVERIFY(GroundMetres(p, kWorkedExample) < 2.0);
        // Where the single-precision walk ends, from the second transcription (1e-8 degree is a millimetre).
        QVERIFY(std::fabs(p.latitude - 52.657577652757) < 1e-8);
        QVERIFY(std::fabs(p.longitude - 1.717927161166) < 1e-8);
    }

    // Far beyond Britain, both hemispheres, both sides of the central meridian.
    void osRoundTrip_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        for (double lat = -60; lat <= 70; lat += 10)
            for (double lng : {-12.0, -7.0, -2.0, 0.0, 3.0, 8.0})
                QTest::addRow("%g, %g", lat, lng) << lat << lng;
    }
    void osRoundTrip() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        const PlanePosition grid = LatLngToOsGrid({lat, lng});
        const GeoPosition back = OsGridToLatLng(grid);
        const PlanePosition again = LatLngToOsGrid(back);
        QVERIFY(std::fabs(again.easting - grid.easting) + std::fabs(again.northing - grid.northing) < 1.0);
        QVERIFY(GroundMetres({lat, lng}, back) < 1.0);
    }

    // Near a pole the single-precision series overflows; the pole itself lies on the central meridian, 11 m
    // beyond 89.9999 degrees.
    void osPoles() {
        for (const double lat : {90.0, -90.0}) {
            for (const double lng : {-2.0, 10.0}) {
                const PlanePosition pole = LatLngToOsGrid({lat, lng});
                const PlanePosition near = LatLngToOsGrid({lat * 0.999999, lng});
                QCOMPARE(pole.easting, 400000.0);
                QVERIFY(std::fabs(pole.northing - near.northing) < 12);
            }
        }
    }

    void osUnreachableTargets() {
        for (const PlanePosition& target : {PlanePosition{1e9, 1e9}, PlanePosition{std::nan(""), 0}}) {
            const GeoPosition p = OsGridToLatLng(target);
            QVERIFY(std::isfinite(p.latitude) && std::isfinite(p.longitude));
        }
    }

    void gridReference_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::newRow("SV origin") << "SV0000000000" << 0.0 << 0.0;
        QTest::newRow("TQ 10 figures") << "TQ3000080000" << 530000.0 << 180000.0;
        QTest::newRow("SU 4 figures") << "SU4012" << 440000.0 << 112000.0;
        // The worked example's point, by the OS letter scheme.
        QTest::newRow("TG with spaces") << "TG 51409 13177" << 651409.0 << 313177.0;
        QTest::newRow("nothing") << "" << 0.0 << -500000.0;
        // Lowercase letters are not grid letters: only the digits count.
        QTest::newRow("lowercase") << "tq3080" << 30000.0 << -420000.0;
        // Odd digit counts: the half is rounded to even, so 3 digits give two overlapping halves and 5 digits
        // leave the middle one out.
        QTest::newRow("3 digits") << "SU401" << 440000.0 << 101000.0;
        QTest::newRow("5 digits") << "SU40123" << 440000.0 << 123000.0;
        QTest::newRow("12 digits") << "SU123456789012" << 412345.6 << 178901.2;
        QTest::newRow("one letter") << "S1234" << 12000.0 << 34000.0;
        QTest::newRow("third letter replaces second") << "SVU4012" << 440000.0 << 112000.0;
    }
    void gridReference() {
        QFETCH(QString, text);
        QFETCH(double, easting);
        QFETCH(double, northing);
        const PlanePosition p = GridRefToOsGrid(text.toStdString());
        QCOMPARE(p.easting, easting);
        QCOMPARE(p.northing, northing);
    }
    void position_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        QTest::addColumn<double>("dateTime");
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::addColumn<double>("tolerance");
        // NOAA's solar position equations, without refraction; the short almanac agrees to 0.5 degree.
        // clang-format off
        QTest::newRow("Annecy")               << 45.90 <<    6.13 << DayNumberUt(2024, 7, 15, 10)   << 131.25 << 57.94 << 0.5;
        QTest::newRow("Valle de Bravo")       << 19.19 << -100.13 << DayNumberUt(2024, 2, 10, 18)   << 157.13 << 53.86 << 0.5;
        QTest::newRow("Bright, Victoria")     << -36.73 << 146.96 << DayNumberUt(2024, 1, 5, 3)     << 323.68 << 73.17 << 0.5;
        QTest::newRow("Reykjavik, midwinter") << 64.15 <<  -21.94 << DayNumberUt(2024, 12, 21, 13)  << 174.01 << 2.26  << 0.5;
        QTest::newRow("Cape Town, afternoon") << -33.92 <<  18.42 << DayNumberUt(2023, 9, 23, 15.5) << 279.67 << 14.28 << 0.5;
        // London by rule of thumb: equinox noon is due south, 90 - 51.5 up.
        QTest::newRow("London, 21 March noon") << 51.5 << 0.0 << DayNumberUt(2024, 3, 21, 12) << 180.0 << 38.5 << 3.0;
        // clang-format on
    }
    void position() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        QFETCH(double, dateTime);
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        QFETCH(double, tolerance);
        const SunDirection sun = SunAzimuthElevation({lat, lng}, dateTime);
        QVERIFY2(AngleApart(sun.azimuth, azimuth) < tolerance, qPrintable(QString::number(sun.azimuth)));
        QVERIFY2(std::fabs(sun.elevation - elevation) < tolerance,
                 qPrintable(QString::number(sun.elevation)));
    }

    void nightAndDayCount() {
        QVERIFY(SunAzimuthElevation({51.5, 0}, DayNumberUt(2024, 12, 21, 0)).elevation < 0);
        // Worked by hand with N = 0, H = 12: M = -2.6337, L = -79.849, declination = arcsin(0.3978 sin L) =
        // -23.052. N = 1 would give -22.97.
        const SunHourAngle newYear = SunDeclinationAndHourAngle(DayNumberUt(2023, 1, 1, 12));
        QVERIFY(std::fabs(newYear.declination + 23.052) < 0.005);
        // The almanac has no year term: every 1 January is alike.
        const SunHourAngle nextYear = SunDeclinationAndHourAngle(DayNumberUt(2024, 1, 1, 12));
        QCOMPARE(nextYear.declination, newYear.declination);
        QCOMPARE(nextYear.greenwichHourAngle, newYear.greenwichHourAngle);
        // 10:00 and 14:00 share a day count: near the equinox the declination moves 0.4 degrees a day, so a
        // count that turned at noon would show.
        auto declination = [](int day, double hours) {
            return SunDeclinationAndHourAngle(DayNumberUt(2024, 3, day, hours)).declination;
        };
        QVERIFY(std::fabs(declination(21, 14) - declination(21, 10)) <
                0.25 * std::fabs(declination(22, 10) - declination(21, 10)));
    }

    void hourAngleInRange() {
        // Every 10 minutes of a leap year, and the seconds around midnight.
        const double start = DayNumberUt(2024, 1, 1, 0);
        for (int step = -3; step <= 366 * 144; ++step) {
            for (const double t : {step / 144.0, step / 86400.0}) {
                const double gha = SunDeclinationAndHourAngle(start + t).greenwichHourAngle;
                QVERIFY2(gha >= 0 && gha < 360, qPrintable(QString::number(t)));
            }
        }
    }

    // Where the formulas divide by zero.
    void degenerateGeometry_data() {
        QTest::addColumn<GeoPosition>("observer");
        QTest::addColumn<double>("declination");
        QTest::addColumn<double>("gha");
        QTest::addColumn<double>("azimuth"); // NaN: any
        QTest::addColumn<double>("elevation");
        const double any = std::numeric_limits<double>::quiet_NaN();
        // Overhead on the equator, D = 0 and sin h = 0: taken as south.
        QTest::newRow("zenith") << GeoPosition{0, 0} << 0.0 << 0.0 << 180.0 << 90.0;
        // D = 0 with the sun on the horizon: due west in the afternoon, due east in the morning, whatever the
        // sign of the zero.
        QTest::newRow("due west") << GeoPosition{0, 0} << 0.0 << 90.0 << 270.0 << 0.0;
        QTest::newRow("due east") << GeoPosition{0, 10} << 0.0 << 260.0 << 90.0 << 0.0;
        // At the poles the sun stands as high as its declination.
        QTest::newRow("north pole") << GeoPosition{90, 0} << 20.0 << 30.0 << any << 20.0;
        QTest::newRow("south pole") << GeoPosition{-90, 45} << -10.0 << 200.0 << any << 10.0;
    }
    void degenerateGeometry() {
        QFETCH(GeoPosition, observer);
        QFETCH(double, declination);
        QFETCH(double, gha);
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        const SunDirection sun = SunAzimuthElevation(observer, SunHourAngle{declination, gha});
        QVERIFY(sun.azimuth >= 0 && sun.azimuth < 360); // also false for NaN
        if (!std::isnan(azimuth))
            QVERIFY2(AngleApart(sun.azimuth, azimuth) < 1e-5, qPrintable(QString::number(sun.azimuth)));
        QVERIFY2(std::fabs(sun.elevation - elevation) < 1e-5, qPrintable(QString::number(sun.elevation)));
    }

    void arcSineAtAndBeyondOne() {
        const double half = std::numbers::pi / 2;
        QCOMPARE(ArcSine(1), half);
        QCOMPARE(ArcSine(-1), -half);
        QCOMPARE(ArcSine(std::nextafter(1.0, 2.0)), half);
        QCOMPARE(ArcSine(std::nextafter(-1.0, -2.0)), -half);
        QVERIFY(std::fabs(ArcSine(0.5) - std::numbers::pi / 6) < 1e-12);
    }

    // Nonsense in, NaN out, and never a hang in the range reductions.
    void notATimeOrPlace() {
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double cases[][2] = {{0, nan},        {0, -inf},
                                   {0, 1e300},      {0, DayNumberUt(9999, 12, 31, 0) + 1},
                                   {-inf, 45000.5}, {-1e300, 45000.5}};
        for (const auto& [lng, dateTime] : cases) {
            const SunDirection sun = SunAzimuthElevation({45, lng}, dateTime);
            QCOMPARE(std::isnan(sun.elevation), std::isnan(sun.azimuth));
            QVERIFY(std::isnan(sun.azimuth) || (sun.azimuth >= 0 && sun.azimuth < 360));
        }
    }
};

QTEST_APPLESS_MAIN(TestGeo)
#include "tst_geo.moc"
