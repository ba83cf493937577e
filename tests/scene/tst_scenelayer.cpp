// The scene layer without a window: frames, normals, wraps, decals, .x files.

#include "frame.h"
#include "mesh.h"
#include "meshclusters.h"
#include "sceneengine.h"
#include "scenerenderer.h"
#include "texture.h"
#include "wrap.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>

using namespace soarnote;
using namespace soarnote::scene;

namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180;

bool Near(const QVector3D& a, const QVector3D& b, float tolerance = 1e-3f) {
    return (a - b).length() <= tolerance * std::max(1.0f, b.length());
}

QString Text(const QVector3D& v) {
    return QStringLiteral("(%1, %2, %3)").arg(v.x()).arg(v.y()).arg(v.z());
}

#define COMPARE_VEC(actual, expected)                                                                        \
    QVERIFY2(Near(actual, expected), qPrintable(Text(actual) + QStringLiteral(" != ") + Text(expected)))

// Polygons around the origin, fronts ((b - a) x (c - a)) outwards.
MeshGeometry Outward(const std::vector<QVector3D>& v, const std::vector<std::vector<int>>& polygons) {
    MeshGeometry g;
    for (const QVector3D& p : v)
        g.vertices.push_back(Vertex3{p.x(), p.y(), p.z()});
    g.faceList.clear();
    for (std::vector<int> f : polygons) {
        if (QVector3D::dotProduct(QVector3D::crossProduct(v[f[1]] - v[f[0]], v[f[2]] - v[f[0]]), v[f[0]]) < 0)
            std::reverse(f.begin(), f.end());
        g.faceList.push_back(int(f.size()));
        g.faceList.insert(g.faceList.end(), f.begin(), f.end());
    }
    g.faceList.push_back(0);
    return g;
}

// An octahedron split three times and pushed onto the unit sphere.
MeshGeometry Sphere() {
    std::vector<QVector3D> v = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<std::vector<int>> f = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                       {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (int s = 0; s < 3; ++s) {
        std::vector<std::vector<int>> next;
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            auto [it, added] = middle.emplace(std::minmax(a, b), int(v.size()));
            if (added) v.push_back(((v[a] + v[b]) / 2).normalized());
            return it->second;
        };
        for (const auto& t : f) {
            const int ab = mid(t[0], t[1]), bc = mid(t[1], t[2]), ca = mid(t[2], t[0]);
            next.insert(next.end(), {{t[0], ab, ca}, {ab, t[1], bc}, {ca, bc, t[2]}, {ab, bc, ca}});
        }
        f = next;
    }
    return Outward(v, f);
}

MeshGeometry Cube() {
    std::vector<QVector3D> v;
    for (int i = 0; i < 8; ++i)
        v.emplace_back(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1);
    return Outward(v, {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
}

} // namespace

class TestSceneLayer : public QObject {
    Q_OBJECT
private slots:
    void framePositions_data() {
        QTest::addColumn<QVector3D>("parentAt");
        QTest::addColumn<float>("parentTurn"); // degrees about Z, combined after
        QTest::addColumn<int>("reference");    // 0 root, 1 parent, 2 sibling (50 m up in the parent)
        QTest::addColumn<QVector3D>("set");
        QTest::addColumn<QVector3D>("inRoot");
        QTest::newRow("relative to parent")
            << QVector3D(100, 0, 0) << 0.0f << 1 << QVector3D(1, 2, 3) << QVector3D(101, 2, 3);
        QTest::newRow("relative to root")
            << QVector3D(100, 0, 0) << 0.0f << 0 << QVector3D(1, 2, 3) << QVector3D(1, 2, 3);
        // A parent turned a quarter clockwise (seen from above): its north is east.
        QTest::newRow("turned parent")
            << QVector3D() << 90.0f << 1 << QVector3D(0, 10, 0) << QVector3D(-10, 0, 0);
        QTest::newRow("turned and moved parent")
            << QVector3D(5, 5, 5) << 180.0f << 1 << QVector3D(1, 2, 3) << QVector3D(4, 3, 8);
        QTest::newRow("relative to sibling")
            << QVector3D(100, 0, 0) << 90.0f << 2 << QVector3D(0, 10, 10) << QVector3D(90, 0, 60);
    }

    void framePositions() {
        QFETCH(QVector3D, parentAt);
        QFETCH(float, parentTurn);
        QFETCH(int, reference);
        QFETCH(QVector3D, set);
        QFETCH(QVector3D, inRoot);
        SceneEngine engine;
        Frame* root = engine.CreateFrame(nullptr);
        Frame* parent = engine.CreateFrame(root);
        parent->SetPosition(root, parentAt.x(), parentAt.y(), parentAt.z());
        parent->AddRotation(Combine::Before, QVector3D(0, 0, 1), parentTurn * kDeg);
        Frame* sibling = engine.CreateFrame(parent);
        sibling->SetPosition(parent, 0, 0, 50);
        Frame* child = engine.CreateFrame(parent);
        const Frame* ref = reference == 0 ? root : reference == 1 ? parent : sibling;
        child->SetPosition(ref, set.x(), set.y(), set.z());
        COMPARE_VEC(child->Position(nullptr), inRoot);
        COMPARE_VEC(child->Position(root), inRoot);
        COMPARE_VEC(child->Position(ref), set);
    }

    void frameOrientation_data() {
        QTest::addColumn<float>("parentTurn"); // degrees about Z
        QTest::addColumn<QVector3D>("direction");
        QTest::addColumn<QVector3D>("up");
        QTest::addColumn<QVector3D>("rootDirection");
        QTest::addColumn<QVector3D>("rootUp");
        QTest::addColumn<QVector3D>("rootRight"); // the frame's +X in the root
        // A camera looking down with north up has east (minus x) on its right.
        QTest::newRow("down, north up") << 0.0f << QVector3D(0, 0, -1) << QVector3D(0, 1, 0)
                                        << QVector3D(0, 0, -1) << QVector3D(0, 1, 0) << QVector3D(-1, 0, 0);
        // Looking north, level: east on the right again.
        QTest::newRow("north, level") << 0.0f << QVector3D(0, 5, 0) << QVector3D(0, 0, 1)
                                      << QVector3D(0, 1, 0) << QVector3D(0, 0, 1) << QVector3D(-1, 0, 0);
        QTest::newRow("up not square to direction")
            << 0.0f << QVector3D(0, 0, -2) << QVector3D(0, 1, 1) << QVector3D(0, 0, -1) << QVector3D(0, 1, 0)
            << QVector3D(-1, 0, 0);
        QTest::newRow("relative to turned parent")
            << 90.0f << QVector3D(0, 1, 0) << QVector3D(0, 0, 1) << QVector3D(-1, 0, 0) << QVector3D(0, 0, 1)
            << QVector3D(0, -1, 0);
        QTest::newRow("parallel up ignored")
            << 0.0f << QVector3D(0, 0, 1) << QVector3D(0, 0, 3) << QVector3D(0, 0, 1) << QVector3D(0, 1, 0)
            << QVector3D(1, 0, 0);
        QTest::newRow("zero direction ignored")
            << 0.0f << QVector3D() << QVector3D(0, 1, 0) << QVector3D(0, 0, 1) << QVector3D(0, 1, 0)
            << QVector3D(1, 0, 0);
    }

    void frameOrientation() {
        QFETCH(float, parentTurn);
        QFETCH(QVector3D, direction);
        QFETCH(QVector3D, up);
        QFETCH(QVector3D, rootDirection);
        QFETCH(QVector3D, rootUp);
        QFETCH(QVector3D, rootRight);
        SceneEngine engine;
        Frame* root = engine.CreateFrame(nullptr);
        Frame* parent = engine.CreateFrame(root);
        parent->AddRotation(Combine::After, QVector3D(0, 0, 1), parentTurn * kDeg);
        Frame* frame = engine.CreateFrame(parent);
        frame->SetPosition(parent, 7, 8, 9);
        frame->SetOrientation(parent, direction, up);
        QVector3D d, u;
        frame->Orientation(root, &d, &u);
        COMPARE_VEC(d, rootDirection);
        COMPARE_VEC(u, rootUp);
        const QVector3D right = frame->World().mapVector(QVector3D(1, 0, 0));
        COMPARE_VEC(right, rootRight);
        // Turning the frame does not move it.
        COMPARE_VEC(frame->Position(parent), QVector3D(7, 8, 9));
    }

    // Before: about the frame's own axes; after: about the parent's, origin and all (the sun).
    void frameRotations_data() {
        QTest::addColumn<QVector3D>("start");
        QTest::addColumn<int>("combine"); // 0 before, 1 after
        QTest::addColumn<QVector3D>("axis1");
        QTest::addColumn<float>("angle1");
        QTest::addColumn<QVector3D>("axis2");
        QTest::addColumn<float>("angle2");
        QTest::addColumn<QVector3D>("position");
        QTest::addColumn<QVector3D>("direction");
        const float c30 = std::cos(30 * kDeg), s30 = std::sin(30 * kDeg);
        QTest::newRow("before: own axes")
            << QVector3D(0, 0, 0) << 0 << QVector3D(0, 0, 1) << 90.0f << QVector3D(1, 0, 0) << 90.0f
            << QVector3D(0, 0, 0) << QVector3D(1, 0, 0);
        QTest::newRow("after: parent's axes")
            << QVector3D(0, 0, 0) << 1 << QVector3D(0, 0, 1) << 90.0f << QVector3D(1, 0, 0) << 90.0f
            << QVector3D(0, 0, 0) << QVector3D(0, -1, 0);
        QTest::newRow("before keeps the origin")
            << QVector3D(0, 1000, 0) << 0 << QVector3D(0, 0, 1) << 90.0f << QVector3D(1, 0, 0) << 0.0f
            << QVector3D(0, 1000, 0) << QVector3D(0, 0, 1);
        QTest::newRow("sun at azimuth 90, elevation 30")
            << QVector3D(0, 1000, 0) << 1 << QVector3D(1, 0, 0) << 30.0f << QVector3D(0, 0, 1) << 90.0f
            << QVector3D(-1000 * c30, 0, 1000 * s30) << QVector3D(s30, 0, c30);
        QTest::newRow("sun at azimuth 180, elevation 0")
            << QVector3D(0, 1000, 0) << 1 << QVector3D(1, 0, 0) << 0.0f << QVector3D(0, 0, 1) << 180.0f
            << QVector3D(0, -1000, 0) << QVector3D(0, 0, 1);
        QTest::newRow("zero axis ignored") << QVector3D(1, 2, 3) << 1 << QVector3D() << 90.0f << QVector3D()
                                           << 45.0f << QVector3D(1, 2, 3) << QVector3D(0, 0, 1);
    }

    void frameRotations() {
        QFETCH(QVector3D, start);
        QFETCH(int, combine);
        QFETCH(QVector3D, axis1);
        QFETCH(float, angle1);
        QFETCH(QVector3D, axis2);
        QFETCH(float, angle2);
        QFETCH(QVector3D, position);
        QFETCH(QVector3D, direction);
        SceneEngine engine;
        Frame* root = engine.CreateFrame(nullptr);
        Frame* world = engine.CreateFrame(root);
        world->SetPosition(root, 500, 500, 500); // a moved parent must not matter
        Frame* frame = engine.CreateFrame(world);
        frame->SetPosition(world, start.x(), start.y(), start.z());
        const Combine how = combine == 0 ? Combine::Before : Combine::After;
        frame->AddRotation(how, axis1, angle1 * kDeg);
        frame->AddRotation(how, axis2, angle2 * kDeg);
        COMPARE_VEC(frame->Position(world), position);
        QVector3D d;
        frame->Orientation(world, &d, nullptr);
        COMPARE_VEC(d, direction);
    }

    void faceList_data() {
        QTest::addColumn<QList<int>>("list");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QList<int>>("corners");
        QTest::newRow("two faces") << QList<int>{3, 0, 1, 2, 4, 0, 1, 2, 3, 0} << 2
                                   << QList<int>{0, 1, 2, 0, 1, 2, 3};
        QTest::newRow("stops at 0") << QList<int>{3, 0, 1, 2, 0, 3, 1, 2, 3} << 1 << QList<int>{0, 1, 2};
        QTest::newRow("index out of range left out")
            << QList<int>{3, 0, 1, 9, 3, 1, 2, 3, 0} << 1 << QList<int>{1, 2, 3};
        QTest::newRow("negative index left out") << QList<int>{3, 0, -1, 2, 0} << 0 << QList<int>{};
        QTest::newRow("cut-off record") << QList<int>{3, 0, 1, 2, 4, 0, 1} << 1 << QList<int>{0, 1, 2};
        QTest::newRow("no terminator") << QList<int>{3, 3, 2, 1} << 1 << QList<int>{3, 2, 1};
        QTest::newRow("empty") << QList<int>{0} << 0 << QList<int>{};
        QTest::newRow("two corners left out")
            << QList<int>{2, 0, 1, 3, 0, 1, 2, 0} << 1 << QList<int>{0, 1, 2};
    }

    void faceList() {
        QFETCH(QList<int>, list);
        QFETCH(int, faces);
        QFETCH(QList<int>, corners);
        MeshGeometry g;
        g.vertices.resize(4);
        g.faceList.assign(list.begin(), list.end());
        Mesh mesh;
        mesh.AddFace({0, 1, 2}); // no vertices yet: refused
        QCOMPARE(mesh.AddFaces(g), faces);
        QCOMPARE(int(mesh.FaceCount()), faces);
        QCOMPARE(QList<int>(mesh.FaceIndices().begin(), mesh.FaceIndices().end()), corners);
    }

    // Crease angles keep a cube's sides flat, a sphere smooth; a ground cell faces the sky.
    void normals_data() {
        QTest::addColumn<int>("shape"); // 0 cube, 1 sphere, 2 cell triangle
        QTest::addColumn<float>("crease");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<int>("vertices");
        QTest::addColumn<int>("expect"); // 0 axis normals, 1 normal along the position, 2 up
        QTest::newRow("cube, crease 45")
            << 0 << 45.0f << unsigned(kNormalsPrecompact | kNormalsUseCreaseAngle) << 24 << 0;
        QTest::newRow("cube, crease 100") << 0 << 100.0f << unsigned(kNormalsUseCreaseAngle) << 8 << 1;
        QTest::newRow("cube, no crease flag") << 0 << 45.0f << unsigned(kNormalsPrecompact) << 8 << 1;
        QTest::newRow("sphere, crease 45")
            << 1 << 45.0f << unsigned(kNormalsPrecompact | kNormalsUseCreaseAngle) << 258 << 1;
        QTest::newRow("cell triangle (p, left, below)")
            << 2 << 0.0f << unsigned(kNormalsPrecompact) << 3 << 2;
    }

    void normals() {
        QFETCH(int, shape);
        QFETCH(float, crease);
        QFETCH(unsigned, flags);
        QFETCH(int, vertices);
        QFETCH(int, expect);
        Mesh mesh;
        if (shape == 0) {
            mesh.AddFaces(Cube());
        } else if (shape == 1) {
            mesh.AddFaces(Sphere());
        } else {
            // Grid vertices 4, 3 and 1 of a 3 x 3 ground 100 m apart.
            MeshGeometry g;
            g.vertices = {{100, 100, 1}, {0, 100, 1}, {100, 0, 1}};
            g.faceList = {3, 0, 1, 2, 0};
            mesh.AddFaces(g);
        }
        mesh.GenerateNormals(crease, flags);
        QCOMPARE(int(mesh.VertexCount()), vertices);
        QCOMPARE(mesh.Normals().size(), mesh.VertexCount());
        for (std::size_t i = 0; i < mesh.VertexCount(); ++i) {
            const QVector3D n = mesh.Normals()[i];
            const QVector3D p = mesh.Positions()[i];
            if (expect == 0) {
                // Along one axis, outwards.
                const float largest = std::max({std::abs(n.x()), std::abs(n.y()), std::abs(n.z())});
                QVERIFY(std::abs(largest - 1) < 1e-4f);
                QVERIFY(QVector3D::dotProduct(n, p) > 0.99f);
            } else if (expect == 1) {
                // Within a few degrees of the radius (a faceted corner is off by ten).
                QVERIFY(Near(n, p.normalized(), 0.04f));
            } else {
                COMPARE_VEC(n, QVector3D(0, 0, 1));
            }
        }
        // Every face of a split cube touches only its own copies of the corners.
        if (shape == 0 && vertices == 24)
            for (std::size_t f = 0; f < mesh.FaceCount(); ++f)
                for (std::uint32_t k = mesh.FaceStarts()[f]; k < mesh.FaceStarts()[f + 1]; ++k)
                    COMPARE_VEC(mesh.Normals()[mesh.FaceIndices()[k]], mesh.FaceNormal(f));
    }

    void wraps_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVector3D>("origin");
        QTest::addColumn<QVector3D>("direction");
        QTest::addColumn<QVector3D>("up");
        QTest::addColumn<float>("scaleU");
        QTest::addColumn<float>("scaleV");
        QTest::addColumn<QVector3D>("vertex");
        QTest::addColumn<QPointF>("uv");
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        // Ground wrap: every 100 m, left edge west, top north.
        const QVector3D sky(0, 0, 1), south(0, -1, 0), corner(-1000, 2000, 300);
        QTest::newRow("flat, 100 m east") << 0 << corner << sky << south << 0.01f << 0.01f
                                          << corner + QVector3D(-100, 0, 40) << QPointF(1, 0);
        QTest::newRow("flat, 100 m south") << 0 << corner << sky << south << 0.01f << 0.01f
                                           << corner + QVector3D(0, -100, 0) << QPointF(0, 1);
        QTest::newRow("flat, 50 m north-west") << 0 << corner << sky << south << 0.01f << 0.01f
                                               << corner + QVector3D(50, 50, 0) << QPointF(-0.5, -0.5);
        // A patch with no extent: scale 1 / 0 must not turn into inf or NaN.
        QTest::newRow("flat, infinite scale")
            << 0 << corner << sky << south << inf << inf << corner << QPointF(0, 0);
        QTest::newRow("flat, NaN scale") << 0 << corner << sky << south << nan << 0.01f
                                         << corner + QVector3D(-10, -100, 0) << QPointF(10, 1);
        // Glider wrap: along the wing's forward axis, up along x.
        const QVector3D forward(0, 0, 1), xUp(1, 0, 0);
        QTest::newRow("cylinder, on up")
            << 1 << QVector3D() << forward << xUp << 1.0f << 0.2f << QVector3D(2, 0, 5) << QPointF(0, 1);
        QTest::newRow("cylinder, quarter")
            << 1 << QVector3D() << forward << xUp << 1.0f << 0.2f << QVector3D(0, -1, 0) << QPointF(0.25, 0);
        QTest::newRow("cylinder, three quarters")
            << 1 << QVector3D() << forward << xUp << 1.0f << 0.2f << QVector3D(0, 1, -5) << QPointF(0.75, -1);
    }

    void wraps() {
        QFETCH(int, type);
        QFETCH(QVector3D, origin);
        QFETCH(QVector3D, direction);
        QFETCH(QVector3D, up);
        QFETCH(float, scaleU);
        QFETCH(float, scaleV);
        QFETCH(QVector3D, vertex);
        QFETCH(QPointF, uv);
        MeshGeometry g;
        g.vertices = {{vertex.x(), vertex.y(), vertex.z()}};
        Mesh mesh;
        mesh.AddFaces(g);
        Wrap(type == 0 ? WrapType::Flat : WrapType::Cylindrical, nullptr, origin, direction, up, 0, 0, scaleU,
             scaleV)
            .Apply(mesh);
        const QVector2D got = mesh.TextureCoordinates().at(0);
        QVERIFY2(std::abs(got.x() - uv.x()) < 1e-4 && std::abs(got.y() - uv.y()) < 1e-4,
                 qPrintable(QStringLiteral("(%1, %2)").arg(got.x()).arg(got.y())));
        QCOMPARE(SpanScale(vertex.x(), vertex.x()), 1.0f);
        QCOMPARE(SpanScale(0, -4), 0.25f);
    }

    // A camera at the origin looking north (+y), level: what the view skips.
    void outsideView_data() {
        QTest::addColumn<QVector3D>("lo");
        QTest::addColumn<QVector3D>("hi");
        QTest::addColumn<bool>("outside");
        QTest::newRow("ahead") << QVector3D(-10, 90, -10) << QVector3D(10, 110, 10) << false;
        QTest::newRow("behind") << QVector3D(-10, -110, -10) << QVector3D(10, -90, 10) << true;
        QTest::newRow("far to the west") << QVector3D(500, 90, -10) << QVector3D(510, 110, 10) << true;
        QTest::newRow("beyond the back plane")
            << QVector3D(-10, 80000, -10) << QVector3D(10, 80010, 10) << true;
        QTest::newRow("around the camera")
            << QVector3D(-1000, -1000, -1000) << QVector3D(1000, 1000, 1000) << false;
    }

    void outsideView() {
        QFETCH(QVector3D, lo);
        QFETCH(QVector3D, hi);
        QFETCH(bool, outside);
        SceneEngine engine;
        Frame* root = engine.CreateFrame(nullptr);
        Frame* camera = engine.CreateFrame(root);
        camera->SetOrientation(root, QVector3D(0, 1, 0), QVector3D(0, 0, 1));
        const SceneRenderer renderer;
        QCOMPARE(OutsideView(renderer.ViewProjection(Viewport{camera, 0, 0, 100, 100}), lo, hi), outside);
    }

    // Clear: palette entry 0, or a true-colour bitmap's first pixel colour; nothing else.
    void decalTransparency() {
        QTemporaryDir dir;
        QImage palette(4, 2, QImage::Format_Indexed8);
        palette.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0)});
        palette.fill(1);
        palette.setPixel(1, 0, 0);
        palette.setPixel(2, 1, 2); // black too, but not entry 0
        QVERIFY(palette.save(dir.filePath("palette.bmp")));
        QImage rgb(3, 2, QImage::Format_RGB32);
        rgb.fill(qRgb(255, 255, 255));
        rgb.setPixel(0, 0, qRgb(0, 0, 255));
        rgb.setPixel(2, 1, qRgb(0, 0, 255));
        rgb.setPixel(1, 1, qRgb(0, 0, 254));
        QVERIFY(rgb.save(dir.filePath("rgb.bmp")));

        SceneEngine engine;
        const Texture* p = engine.LoadTexture(dir.filePath("palette.bmp"), true);
        QVERIFY(p);
        QCOMPARE(qAlpha(p->Picture().pixel(1, 0)), 0);
        QCOMPARE(qAlpha(p->Picture().pixel(2, 1)), 255);
        QCOMPARE(qAlpha(p->Picture().pixel(0, 0)), 255);
        const Texture* r = engine.LoadTexture(dir.filePath("rgb.bmp"), true);
        QVERIFY(r);
        QCOMPARE(qAlpha(r->Picture().pixel(0, 0)), 0);
        QCOMPARE(qAlpha(r->Picture().pixel(2, 1)), 0);
        QCOMPARE(qAlpha(r->Picture().pixel(1, 1)), 255);
        QCOMPARE(qAlpha(r->Picture().pixel(1, 0)), 255);
        const Texture* plain = engine.LoadTexture(dir.filePath("rgb.bmp"), false);
        QCOMPARE(qAlpha(plain->Picture().pixel(0, 0)), 255);
        QVERIFY(!engine.LoadTexture(dir.filePath("missing.bmp"), true));
    }

    // A .x file's own numbers (not mirrored, the frame's move applied), corner order, materials.

    void loadXFile() {
        SceneEngine engine;
        engine.AddSearchPath(QStringLiteral(SOARNOTE_TEST_DATA "/scene"));
        Mesh* mesh = engine.CreateMesh();
        QVERIFY(!engine.LoadMesh(mesh, QStringLiteral("missing.x")));
        QCOMPARE(mesh->VertexCount(), std::size_t(0));
        QVERIFY(engine.LoadMesh(mesh, QStringLiteral("twofaces.x")));
        QCOMPARE(mesh->FaceCount(), std::size_t(2));
        const std::vector<QVector3D> triangle = {{10, 20, 30}, {10, 21, 32}, {11, 20, 30}};
        const std::vector<QVector3D> quad = {{11, 20, 30}, {10, 21, 32}, {10, 22, 34}, {11, 21, 33}};
        int found = 0;
        for (std::size_t f = 0; f < mesh->FaceCount(); ++f) {
            std::vector<QVector3D> corners;
            std::vector<QColor> colours;
            for (std::uint32_t k = mesh->FaceStarts()[f]; k < mesh->FaceStarts()[f + 1]; ++k) {
                corners.push_back(mesh->Positions()[mesh->FaceIndices()[k]]);
                colours.push_back(mesh->VertexColours()[mesh->FaceIndices()[k]]);
            }
            const std::vector<QVector3D>& want = corners.size() == 3 ? triangle : quad;
            QCOMPARE(corners.size(), want.size());
            // Same cycle, whichever corner the loader starts from.
            bool same = false;
            for (std::size_t s = 0; s < want.size() && !same; ++s) {
                same = true;
                for (std::size_t k = 0; k < want.size(); ++k)
                    same = same && Near(corners[k], want[(k + s) % want.size()], 1e-5f);
            }
            QVERIFY2(same, qPrintable(QStringLiteral("face %1 corners differ").arg(f)));
            const QColor expected = corners.size() == 3 ? QColor(255, 0, 0) : QColor::fromRgbF(0, 0, 1, 0.5);
            for (const QColor& c : colours) {
                QCOMPARE(c.rgb(), expected.rgb());
                QVERIFY(std::abs(c.alpha() - expected.alpha()) <= 1);
            }
            // No normals in the file: generated, towards the face's front.
            for (std::uint32_t k = mesh->FaceStarts()[f]; k < mesh->FaceStarts()[f + 1]; ++k)
                QVERIFY(QVector3D::dotProduct(mesh->Normals()[mesh->FaceIndices()[k]], mesh->FaceNormal(f)) >
                        0.5f);
            ++found;
        }
        QCOMPARE(found, 2);
        QVERIFY(mesh->SeeThrough());
        mesh->SetColour(QColor(1, 2, 3));
        QVERIFY(mesh->VertexColours().empty());
        QVERIFY(!mesh->SeeThrough());
    }
};

QTEST_GUILESS_MAIN(TestSceneLayer)
#include "tst_scenelayer.moc"
