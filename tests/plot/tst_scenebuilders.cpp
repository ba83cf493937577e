// The pure builders of the 3D view's own objects; expected values worked out by hand.

#include "plot/land/scenebuilders.h"

#include <QtTest>
#include <cmath>
#include <numbers>

using namespace soarnote;

namespace {

using Faces = std::vector<std::int32_t>;
using Points = QList<QPointF>;

PlotData Plot(const Points& points, float z = 100) {
    PlotData plot;
    for (const QPointF& p : points)
        plot.points.push_back({static_cast<float>(p.x()), static_cast<float>(p.y()), z, 0});
    plot.lastIndex = static_cast<int>(plot.points.size()) - 1;
    plot.min = plot.max = plot.points.front();
    for (const PlotPoint& p : plot.points) {
        plot.min.x = std::min(plot.min.x, p.x);
        plot.min.y = std::min(plot.min.y, p.y);
        plot.max.x = std::max(plot.max.x, p.x);
        plot.max.y = std::max(plot.max.y, p.y);
    }
    return plot;
}

PlotData Extent(float width, float height) {
    return Plot({{1000, 2000}, {1000 + width, 2000 + height}});
}

bool Near(float a, double b) {
    return std::abs(a - b) <= 1e-4 * std::max(1.0, std::abs(b));
}

VertexGrid Grid(int rows, int columns, const QList<int>& zeroAt = {}) {
    VertexGrid grid{rows, columns, {}};
    for (int i = 0; i < rows * columns; ++i)
        grid.vertices.push_back({static_cast<float>(i % columns), static_cast<float>(i / columns),
                                 zeroAt.contains(i) ? 0.0f : 10.0f});
    return grid;
}

} // namespace

class TestSceneBuilders : public QObject {
    Q_OBJECT
private slots:
    void TrackSections_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<QList<double>>("angles"); // one per section, radians
        const double pi = std::numbers::pi;
        // East-going, then turning north-west: a1 = 0, a2 = pi/4.
        QTest::newRow("three points, both caps")
            << Points{{0, 0}, {-10, 0}, {-20, -10}} << QList<double>{0, pi / 8, pi / 4};
        // No change of X: the ratio 1e23 gives a heading of pi/2.
        QTest::newRow("equal X") << Points{{0, 0}, {0, 10}, {0, 20}} << QList<double>{pi / 2, pi / 2, pi / 2};
        // Headings atan(10) and atan(-10): the plain mean 0 would lie along the
        // track; the turn beyond 90 degrees takes (a1 + a2 + pi) / 2.
        QTest::newRow("turn over 90 degrees") << Points{{0, 0}, {1, 10}, {2, 0}}
                                              << QList<double>{std::atan(10.0), pi / 2, pi - std::atan(10.0)};
        // A negative start or end heading is turned by pi.
        QTest::newRow("negative headings")
            << Points{{0, 0}, {-10, 10}, {-20, 20}} << QList<double>{3 * pi / 4, -pi / 4, 3 * pi / 4};
    }

    void TrackSections() {
        QFETCH(Points, points);
        QFETCH(QList<double>, angles);
        const MeshGeometry mesh = ConstructTrackGeometry(Plot(points));
        QCOMPARE(mesh.vertices.size(), std::size_t(3 * angles.size()));
        for (int k = 0; k < angles.size(); ++k) {
            const double s = 0.5 * std::sin(angles[k]);
            const double c = 0.5 * std::cos(angles[k]);
            const Vertex3* v = &mesh.vertices[static_cast<std::size_t>(3 * k)];
            const QPointF p = points[k];
            const bool ok = Near(v[0].x, p.x() - s) && Near(v[0].y, p.y() + c) && Near(v[0].z, 105) &&
                            Near(v[1].x, p.x() + s) && Near(v[1].y, p.y() - c) && Near(v[1].z, 105) &&
                            Near(v[2].x, p.x()) && Near(v[2].y, p.y()) && Near(v[2].z, 104.75);
            QVERIFY2(ok, qPrintable(QStringLiteral("section %1: (%2, %3) (%4, %5)")
                                        .arg(k)
                                        .arg(v[0].x)
                                        .arg(v[0].y)
                                        .arg(v[1].x)
                                        .arg(v[1].y)));
        }
    }

    void TrackFacesOfThreePoints() {
        const MeshGeometry mesh = ConstructTrackGeometry(Plot({{0, 0}, {-10, 0}, {-20, -10}}));
        const Faces expected{3, 2, 1, 0,                                  // start cap
                             4, 1, 4, 3, 0, 4, 2, 5, 4, 1, 4, 0, 3, 5, 2, // start to middle
                             4, 4, 7, 6, 3, 4, 5, 8, 7, 4, 4, 3, 6, 8, 5, // middle to end
                             3, 6, 7, 8,                                  // end cap
                             0};
        QCOMPARE(mesh.faceList, expected);
        // Two points make no ribbon.
        QCOMPARE(ConstructTrackGeometry(Plot({{0, 0}, {10, 0}})).vertices.size(), std::size_t(0));
    }

    void LandRef_data() {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("z");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<float>("expectedZ");
        QTest::newRow("under 50 m: 3 x 3") << 40.0f << 30.0f << 250.0f << 3 << 3 << 250.0f;
        QTest::newRow("height 0 moved off 0") << 40.0f << 30.0f << 0.0f << 3 << 3 << -0.0001f;
        // 2.5 and 3.5 cells round to the even neighbour.
        QTest::newRow("halves to even") << 250.0f << 350.0f << 1.0f << 5 << 7 << 1.0f;
    }

    void LandRef() {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(float, z);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(float, expectedZ);
        const VertexGrid grid = ConstructLandRefGrid(Extent(width, height), z);
        QCOMPARE(grid.columns, columns);
        QCOMPARE(grid.rows, rows);
        QCOMPARE(grid.vertices.front(), (Vertex3{950, 1950, expectedZ}));
        QCOMPARE(grid.vertices.back(),
                 (Vertex3{950.0f + 100 * (columns - 1), 1950.0f + 100 * (rows - 1), expectedZ}));
    }

    void GridRule_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<int>>("zeroAt");
        QTest::addColumn<bool>("winding");
        QTest::addColumn<Faces>("faces");
        QTest::newRow("3x3 true") << 3 << 3 << QList<int>{} << true << Faces{3, 4, 3, 1, 3, 3, 0, 1, 0};
        QTest::newRow("3x3 false") << 3 << 3 << QList<int>{} << false << Faces{3, 3, 4, 1, 3, 3, 1, 0, 0};
        QTest::newRow("2x2 true") << 2 << 2 << QList<int>{} << true << Faces{3, 3, 2, 1, 3, 2, 0, 1, 0};
        QTest::newRow("2x2 false") << 2 << 2 << QList<int>{} << false << Faces{3, 2, 3, 1, 3, 2, 1, 0, 0};
        QTest::newRow("all zero") << 3 << 3 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8} << true << Faces{0};
        // Vertex 5 of a 4 x 4 grid touches six of the eight triangles.
        QTest::newRow("one zero true")
            << 4 << 4 << QList<int>{5} << true << Faces{3, 4, 0, 1, 3, 10, 9, 6, 0};
        QTest::newRow("one zero false")
            << 4 << 4 << QList<int>{5} << false << Faces{3, 4, 1, 0, 3, 9, 10, 6, 0};
        QTest::newRow("one row") << 1 << 5 << QList<int>{} << true << Faces{0};
    }

    void GridRule() {
        QFETCH(int, rows);
        QFETCH(int, columns);
        QFETCH(QList<int>, zeroAt);
        QFETCH(bool, winding);
        const GridMesh mesh = BuildGridMeshGeometry(Grid(rows, columns, zeroAt), winding);
        QTEST(mesh.mesh.faceList, "faces");
        QCOMPARE(mesh.mesh.vertices.size(), std::size_t(rows * columns));
        // The bitmap spans the grid once; a one-row grid still gets a finite scale.
        QCOMPARE(mesh.scaleU, 1.0f / static_cast<float>(columns - 1));
        QCOMPARE(mesh.scaleV, rows > 1 ? 1.0f / static_cast<float>(rows - 1) : 1.0f);
    }

    void MeshColour_data() {
        QTest::addColumn<qint64>("colour");
        QTest::addColumn<float>("alpha");
        QTest::addColumn<QList<double>>("rgba");
        QTest::addColumn<QList<int>>("rgba8");
        QTest::newRow("255, track alpha")
            << qint64(255) << 0.6f << QList<double>{255.0 / 256, 255.0 / 65536, 255.0 / 16777216, 0.6}
            << QList<int>{254, 1, 0, 153};
        QTest::newRow("white") << qint64(0xFFFFFF) << 0.95f
                               << QList<double>{255.0 / 256, 65535.0 / 65536, 16777215.0 / 16777216, 0.95}
                               << QList<int>{254, 255, 255, 242};
        QTest::newRow("landscape green")
            << qint64(0x1C000) << 1.0f << QList<double>{0, 0xC000 / 65536.0, 0x1C000 / 16777216.0, 1.0}
            << QList<int>{0, 191, 2, 255};
    }

    void MeshColour() {
        QFETCH(qint64, colour);
        QFETCH(float, alpha);
        QFETCH(QList<double>, rgba);
        const soarnote::MeshColour m = MeshColourFromSetting(colour, alpha);
        QCOMPARE(m.red, static_cast<float>(rgba[0]));
        QCOMPARE(m.green, static_cast<float>(rgba[1]));
        QCOMPARE(m.blue, static_cast<float>(rgba[2]));
        QCOMPARE(m.alpha, static_cast<float>(rgba[3]));
        QTEST((QList<int>{m.red8, m.green8, m.blue8, m.alpha8}), "rgba8");
    }

    void WrapScales_data() {
        QTest::addColumn<double>("extent");
        QTest::addColumn<float>("scale");
        QTest::newRow("200 m") << 200.0 << 0.005f;
        QTest::newRow("negative extent") << -200.0 << 0.005f;
        QTest::newRow("one-row grid") << 0.0 << 1.0f;
        QTest::newRow("not a number") << std::nan("") << 1.0f;
    }

    void WrapScales() {
        QFETCH(double, extent);
        QTEST(WrapScale(extent), "scale");
    }

    void Clouds_data() {
        QTest::addColumn<int>("amount");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<int>("count");
        QTest::newRow("amount 0") << 0 << 8000.0f << 8000.0f << 0;
        QTest::newRow("8 eighths") << 8 << 8000.0f << 8000.0f << 111; // 8 x (10000/600)^2 / 20 = 111.1
        // 1 x (2000/400) x (4000/400) / 20 = 2.5 rounds to the even 2.
        QTest::newRow("half to even") << 1 << 0.0f << 2000.0f << 2;
    }

    void Clouds() {
        QFETCH(int, amount);
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(int, count);
        const float size = amount == 1 ? 400.0f : 600.0f;
        // Replayed draws: every cloud takes r1..r5 = 0.5, 0.5, 0.5, 0.5, 0.75.
        int draws = 0;
        auto random = [&draws] { return ++draws % 5 == 0 ? 0.75 : 0.5; };
        const PlotData plot = Extent(width, height);
        const std::vector<CloudPatch> clouds = ConstructCloudLayerGeometry(plot, 1500, amount, size, random);
        QCOMPARE(static_cast<int>(clouds.size()), count);
        QCOMPARE(draws, 5 * count);
        if (count == 0) return;
        const CloudPatch& cloud = clouds.front();
        const float x0 = 0.5f * (width + 2000) + plot.min.x - 1000;
        const float y0 = 0.5f * (height + 2000) + plot.min.y - 1000;
        const float s = size; // (0.5 + 0.5) x size
        QCOMPARE(cloud.mesh.vertices,
                 (std::vector<Vertex3>{
                     {x0, y0, 1525}, {x0 + s, y0, 1525}, {x0, y0 + s, 1525}, {x0 + s, y0 + s, 1525}}));
        // Each triangle of the cell in both windings.
        QCOMPARE(cloud.mesh.faceList, (Faces{3, 3, 2, 1, 3, 2, 3, 1, 3, 2, 0, 1, 3, 2, 1, 0, 0}));
        QCOMPARE(cloud.bitmapName, QStringLiteral("cloud2.bmp"));
        QCOMPARE(cloud.scaleU, 1.0f / s);
        QCOMPARE(cloud.scaleV, 1.0f / s);
    }
};

QTEST_APPLESS_MAIN(TestSceneBuilders)
#include "tst_scenebuilders.moc"
