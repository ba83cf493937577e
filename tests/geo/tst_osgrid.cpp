#include "geo/osgrid.h"

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

// The Ordnance Survey's worked example ("A guide to coordinate systems in
// Great Britain", Transverse Mercator annex): on Airy 1830,
// 52°39'27.2531"N 1°43'4.5177"E is E 651409.903, N 313177.270.
const GeoPosition kWorkedExample{52 + 39 / 60.0 + 27.2531 / 3600, 1 + 43 / 60.0 + 4.5177 / 3600};
const PlanePosition kWorkedExampleGrid{651409.903, 313177.270};

} // namespace

class TestOsGrid : public QObject {
    Q_OBJECT
private slots:
    void forward_data() {
        QTest::addColumn<GeoPosition>("position");
        QTest::addColumn<PlanePosition>("os");
        QTest::addColumn<PlanePosition>("pinned");
        // "os": the Ordnance Survey's figures; our scale factor is 0.9996 (not
        // 0.9996012717), the semi-major axis and the northing shift are rounded,
        // together worth up to a metre in Britain. "pinned": a second,
        // independent transcription of our formulas (single precision emulated
        // by rounding each marked quantity through a 32-bit float), to the
        // micrometre. Working in double throughout moves these by 2 to 4 cm,
        // so a millimetre pins the roundings.
        QTest::newRow("OS worked example")
            << kWorkedExample << kWorkedExampleGrid << PlanePosition{651409.567460, 313176.433864};
        // The true origin, 49N 2W, is E 400000 N -100000 by definition.
        QTest::newRow("true origin") << GeoPosition{49, -2} << PlanePosition{400000, -100000}
                                     << PlanePosition{400000, -100000.229652};
    }
    void forward() {
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
        // Where the single-precision walk ends, from the second transcription
        // (1e-8 degree is a millimetre).
        QVERIFY(std::fabs(p.latitude - 52.657577652757) < 1e-8);
        QVERIFY(std::fabs(p.longitude - 1.717927161166) < 1e-8);
    }

    // Far beyond Britain, both hemispheres, both sides of the central meridian.
    void roundTrip_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lng");
        for (double lat = -60; lat <= 70; lat += 10)
            for (double lng : {-12.0, -7.0, -2.0, 0.0, 3.0, 8.0})
                QTest::addRow("%g, %g", lat, lng) << lat << lng;
    }
    void roundTrip() {
        QFETCH(double, lat);
        QFETCH(double, lng);
        const PlanePosition grid = LatLngToOsGrid({lat, lng});
        const GeoPosition back = OsGridToLatLng(grid);
        const PlanePosition again = LatLngToOsGrid(back);
        QVERIFY(std::fabs(again.easting - grid.easting) + std::fabs(again.northing - grid.northing) < 1.0);
        QVERIFY(GroundMetres({lat, lng}, back) < 1.0);
    }

    // Near a pole the single-precision series overflows; the pole itself lies
    // on the central meridian, 11 m beyond 89.9999 degrees.
    void poles() {
        for (const double lat : {90.0, -90.0}) {
            for (const double lng : {-2.0, 10.0}) {
                const PlanePosition pole = LatLngToOsGrid({lat, lng});
                const PlanePosition near = LatLngToOsGrid({lat * 0.999999, lng});
                QCOMPARE(pole.easting, 400000.0);
                QVERIFY(std::fabs(pole.northing - near.northing) < 12);
            }
        }
    }

    void unreachableTargets() {
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
        // Odd digit counts: the half is rounded to even, so 3 digits give two
        // overlapping halves and 5 digits leave the middle one out.
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
};

QTEST_APPLESS_MAIN(TestOsGrid)
#include "tst_osgrid.moc"
