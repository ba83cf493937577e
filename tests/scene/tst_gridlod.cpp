// Level of detail of grid meshes, without GL.

#include "gridlod.h"
#include "plot/land/scenebuilders.h"

#include <QtTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <set>

using namespace soarnote;
using namespace soarnote::scene;

namespace {

using Triangle = std::array<std::uint32_t, 3>;

// The same triangle whichever corner it starts at (winding kept).
Triangle Canonical(Triangle t) {
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    return t;
}

// Rough ground (every level differs from the full grid) with holes.
VertexGrid Ground(int rows, int columns, const QList<int>& holes) {
    VertexGrid g;
    g.rows = rows;
    g.columns = columns;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            g.vertices.push_back({-30.0f * c, 30.0f * r,
                                  200.0f + 40.0f * std::sin(r * 0.37f) * std::cos(c * 0.23f) +
                                      9.0f * std::sin(r * 1.7f + c * 2.3f)});
    for (int k : holes)
        g.vertices[static_cast<std::size_t>(k)].z = 0;
    return g;
}

std::vector<QVector3D> Positions(const VertexGrid& g) {
    std::vector<QVector3D> p;
    for (const Vertex3& v : g.vertices)
        p.emplace_back(v.x, v.y, v.z);
    return p;
}

// The layout the scene gives a grid of the landscape builder.
GridLayout LayoutOf(const VertexGrid& g, bool winding) {
    const auto used = [](int n) { return n >= 3 ? n - 1 : n; };
    return GridLayout{0, g.columns, used(g.rows), used(g.columns), winding};
}

// Tile t's ground triangles (skirts left out) at a level.
std::vector<Triangle> Ground(const GridLod& lod, int level, std::size_t t, std::size_t vertexCount) {
    std::vector<Triangle> out;
    const GridLod::Range& r = lod.At(level, t);
    for (std::uint32_t i = r.first; i < r.first + r.count; i += 3) {
        const Triangle tri{lod.indices[i], lod.indices[i + 1], lod.indices[i + 2]};
        if (std::all_of(tri.begin(), tri.end(), [&](std::uint32_t k) { return k < vertexCount; }))
            out.push_back(tri);
    }
    return out;
}

// The grid edges (lower vertex first) tile t hangs a skirt under at a level.
std::set<std::pair<std::uint32_t, std::uint32_t>> Skirts(const GridLod& lod, int level, std::size_t t,
                                                         std::size_t vertexCount) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> out;
    const GridLod::Range& r = lod.At(level, t);
    for (std::uint32_t i = r.first; i < r.first + r.count; i += 3) {
        std::vector<std::uint32_t> top;
        for (int k = 0; k < 3; ++k)
            if (lod.indices[i + k] < vertexCount) top.push_back(lod.indices[i + k]);
        if (top.size() == 2) out.insert({std::min(top[0], top[1]), std::max(top[0], top[1])});
    }
    return out;
}

// Height of a tile's edge at a level: straight between the level's edge vertices.
float EdgeHeight(const VertexGrid& g, const std::vector<int>& lines, int fixed, int along, bool horizontal) {
    const auto z = [&](int a) {
        const int r = horizontal ? fixed : a;
        const int c = horizontal ? a : fixed;
        return g.vertices[static_cast<std::size_t>(r * g.columns + c)].z;
    };
    const auto hi = std::lower_bound(lines.begin(), lines.end(), along);
    if (*hi == along) return z(along);
    const int b = *hi;
    const int a = *(hi - 1);
    return z(a) + (z(b) - z(a)) * float(along - a) / float(b - a);
}

void AddGridColumns() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("winding");
    QTest::addColumn<QList<int>>("holes");
}

// The ground of the current row of a table made by AddGridColumns().
VertexGrid FetchedGround() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QList<int>, holes);
    return Ground(rows, columns, holes);
}

} // namespace

class TestGridLod : public QObject {
    Q_OBJECT
private slots:
    void fullLevelIsTheTriangleRule_data() {
        AddGridColumns();
        QTest::newRow("2 x 2") << 2 << 2 << true << QList<int>{};
        QTest::newRow("3 x 3 mirrored") << 3 << 3 << false << QList<int>{};
        QTest::newRow("partial tiles") << 23 << 38 << true << QList<int>{};
        QTest::newRow("holes, mirrored") << 23 << 38 << false << QList<int>{40, 41, 300, 37 * 9};
        QTest::newRow("holes on tile edges") << 40 << 40 << true << QList<int>{16 * 40 + 5, 3 * 40 + 16};
    }

    // Level 0 draws exactly what the landscape builder asked for; the coarse
    // levels exist only for tiles without holes and face the sky as level 0 does.
    void fullLevelIsTheTriangleRule() {
        QFETCH(bool, winding);
        const VertexGrid g = FetchedGround();
        const std::vector<QVector3D> p = Positions(g);
        const GridLod lod = BuildGridLod(p, LayoutOf(g, winding), 16);
        QVERIFY(!lod.tiles.empty());

        std::multiset<Triangle> expected;
        const std::vector<std::int32_t> faces = GridFaceList(g, winding);
        for (std::size_t i = 0; i + 3 < faces.size(); i += 4)
            expected.insert(Canonical(
                {std::uint32_t(faces[i + 1]), std::uint32_t(faces[i + 2]), std::uint32_t(faces[i + 3])}));
        std::multiset<Triangle> full;
        for (std::size_t t = 0; t < lod.tiles.size(); ++t)
            for (const Triangle& tri : Ground(lod, 0, t, p.size()))
                full.insert(Canonical(tri));
        QVERIFY(full == expected);

        // Which way level 0 faces: the sign of the front's z.
        const auto up = [&](const Triangle& t) {
            return QVector3D::crossProduct(p[t[1]] - p[t[0]], p[t[2]] - p[t[0]]).z() > 0;
        };
        const bool side = up(*expected.begin());
        for (std::size_t t = 0; t < lod.tiles.size(); ++t) {
            const LodTile& tile = lod.tiles[t];
            bool hole = false;
            for (int r = tile.row0; r <= tile.row1; ++r)
                for (int c = tile.column0; c <= tile.column1; ++c)
                    hole = hole || g.vertices[static_cast<std::size_t>(r * g.columns + c)].z == 0;
            QCOMPARE(tile.error.size() == 1, hole);
            for (int level = 1; level < static_cast<int>(tile.error.size()); ++level)
                for (const Triangle& tri : Ground(lod, level, t, p.size()))
                    QCOMPARE(up(tri), side);
        }
    }

    void neighboursCloseEveryCrack_data() {
        AddGridColumns();
        QTest::newRow("whole tiles") << 34 << 34 << true << QList<int>{};
        QTest::newRow("partial tiles, mirrored") << 30 << 45 << false << QList<int>{};
        QTest::newRow("a hole keeps its tile fine") << 34 << 34 << true << QList<int>{5 * 34 + 5};
    }

    // Neighbouring tiles at any two levels: coarse edge vertices on the fine edge, skirts under
    // every inner edge segment, reaching past the other edge.
    void neighboursCloseEveryCrack() {
        QFETCH(bool, winding);
        const VertexGrid g = FetchedGround();
        const std::vector<QVector3D> p = Positions(g);
        const GridLayout layout = LayoutOf(g, winding);
        const GridLod lod = BuildGridLod(p, layout, 8);
        QVERIFY(lod.skirtDepth > 0);
        int pairs = 0;
        for (std::size_t a = 0; a < lod.tiles.size(); ++a)
            for (std::size_t b = 0; b < lod.tiles.size(); ++b) {
                const LodTile& ta = lod.tiles[a];
                const LodTile& tb = lod.tiles[b];
                // b east of a (next column) or north of a (next row).
                const bool horizontal = ta.row1 == tb.row0 && ta.column0 == tb.column0;
                if (!horizontal && !(ta.column1 == tb.column0 && ta.row0 == tb.row0)) continue;
                const int fixed = horizontal ? ta.row1 : ta.column1;
                const int from = horizontal ? ta.column0 : ta.row0;
                const int to = horizontal ? ta.column1 : ta.row1;
                const auto vertex = [&](int along) {
                    return static_cast<std::uint32_t>(horizontal ? fixed * g.columns + along
                                                                 : along * g.columns + fixed);
                };
                for (int la = 0; la < static_cast<int>(ta.error.size()); ++la)
                    for (int lb = 0; lb < static_cast<int>(tb.error.size()); ++lb) {
                        ++pairs;
                        const std::vector<int> linesA = LevelLines(from, to, la);
                        const std::vector<int> linesB = LevelLines(from, to, lb);
                        const std::vector<int>& coarse = la > lb ? linesA : linesB;
                        const std::vector<int>& fine = la > lb ? linesB : linesA;
                        for (int v : coarse)
                            QVERIFY(std::binary_search(fine.begin(), fine.end(), v));
                        const auto skirtsA = Skirts(lod, la, a, p.size());
                        const auto skirtsB = Skirts(lod, lb, b, p.size());
                        for (const auto& [lines, skirts] :
                             {std::pair{&linesA, &skirtsA}, std::pair{&linesB, &skirtsB}})
                            for (std::size_t i = 1; i < lines->size(); ++i)
                                QVERIFY2(skirts->count({vertex((*lines)[i - 1]), vertex((*lines)[i])}),
                                         qPrintable(QStringLiteral("tiles %1 / %2 at levels %3 / %4")
                                                        .arg(a)
                                                        .arg(b)
                                                        .arg(la)
                                                        .arg(lb)));
                        for (int along = from; along <= to; ++along) {
                            const float za = EdgeHeight(g, linesA, fixed, along, horizontal);
                            const float zb = EdgeHeight(g, linesB, fixed, along, horizontal);
                            QVERIFY(std::abs(za - zb) <= lod.skirtDepth);
                        }
                    }
            }
        QVERIFY(pairs > 20);
    }

    void levelFollowsDistance_data() {
        QTest::addColumn<float>("distance");
        QTest::addColumn<float>("tolerance");
        QTest::addColumn<int>("level");
        // Errors 0, 0.5, 2 and 8 m seen at 1024 pixels per unit at distance 1
        // (a picture 1024 high with a half height of 0.5).
        QTest::newRow("under the camera") << 0.0f << 1.0f << 0;
        QTest::newRow("500 m: 0.5 m would be 1.02 px") << 500.0f << 1.0f << 0;
        QTest::newRow("512 m: 0.5 m is 1 px") << 512.0f << 1.0f << 1;
        QTest::newRow("2 km") << 2000.0f << 1.0f << 1;
        QTest::newRow("2048 m") << 2048.0f << 1.0f << 2;
        QTest::newRow("9 km") << 9000.0f << 1.0f << 3;
        QTest::newRow("2 km, 2 px") << 2000.0f << 2.0f << 2;
    }

    void levelFollowsDistance() {
        QFETCH(float, distance);
        QFETCH(float, tolerance);
        QFETCH(int, level);
        QCOMPARE(ChooseLevel({0.0f, 0.5f, 2.0f, 8.0f}, distance, 1024.0f, tolerance), level);
        // A tile with holes has its full level only.
        QCOMPARE(ChooseLevel({0.0f}, distance, 1024.0f, tolerance), 0);
    }
};

QTEST_APPLESS_MAIN(TestGridLod)
#include "tst_gridlod.moc"
