#include "geo/sunposition.h"

#include <QDate>
#include <QTest>
#include <cmath>
#include <limits>
#include <numbers>

Q_DECLARE_METATYPE(soarnote::GeoPosition)

using namespace soarnote;

namespace {

double DayNumberUt(int year, int month, int day, double hours) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day))) + hours / 24;
}

double AngleApart(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

} // namespace

class TestSunPosition : public QObject {
    Q_OBJECT
private slots:
    void position_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        QTest::addColumn<double>("dateTime");
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::addColumn<double>("tolerance");
        // From NOAA's solar position equations (the spreadsheet behind its solar
        // calculator), true elevation without refraction. The short almanac
        // agrees to half a degree (at most 0.50 over 50,000 random places and
        // times from 1990 to 2035).
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
        // Worked by hand with N = 0, H = 12: M = -2.6337, L = -79.849,
        // declination = arcsin(0.3978 sin L) = -23.052. N = 1 would give -22.97.
        const SunHourAngle newYear = SunDeclinationAndHourAngle(DayNumberUt(2023, 1, 1, 12));
        QVERIFY(std::fabs(newYear.declination + 23.052) < 0.005);
        // The almanac has no year term: every 1 January is alike.
        const SunHourAngle nextYear = SunDeclinationAndHourAngle(DayNumberUt(2024, 1, 1, 12));
        QCOMPARE(nextYear.declination, newYear.declination);
        QCOMPARE(nextYear.greenwichHourAngle, newYear.greenwichHourAngle);
        // 10:00 and 14:00 share a day count: near the equinox the declination
        // moves 0.4 degrees a day, so a count that turned at noon would show.
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
        // D = 0 with the sun on the horizon: due west in the afternoon, due
        // east in the morning, whatever the sign of the zero.
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

QTEST_APPLESS_MAIN(TestSunPosition)
#include "tst_sunposition.moc"
