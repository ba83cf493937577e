// The renderer's pictures, drawn offscreen (and once in a window) under xvfb-run.

#include "offscreenrenderer.h"
#include "scenedemo.h"
#include "sceneengine.h"
#include "sceneview.h"

#include <QApplication>
#include <QTest>
#include <cmath>

using namespace soarnote;
using namespace soarnote::scene;

namespace {

// A square of side size at centre, level, facing the sky.
Mesh* AddSquare(SceneEngine& engine, Frame* frame, const QVector3D& centre, float size,
                const QColor& colour) {
    const float h = size / 2;
    MeshGeometry g;
    g.vertices = {{centre.x() + h, centre.y() + h, centre.z()},
                  {centre.x() - h, centre.y() + h, centre.z()},
                  {centre.x() + h, centre.y() - h, centre.z()},
                  {centre.x() - h, centre.y() - h, centre.z()}};
    g.faceList = {4, 0, 1, 3, 2, 0};
    Mesh* m = engine.CreateMesh();
    m->AddFaces(g);
    m->GenerateNormals(0, kNormalsPrecompact);
    m->SetColour(colour);
    frame->AddVisual(m);
    return m;
}

// Black background, ambient light (full unless said: colours reach the picture as they are), a camera.
struct Stage {
    SceneEngine engine;
    Frame* root;
    Frame* world;
    Frame* camera;
    Viewport viewport;
    explicit Stage(int size = 64, float ambient = 1.0f) {
        root = engine.CreateFrame(nullptr);
        root->SetSceneBackground(QColor(0, 0, 0));
        root->AddLight(engine.CreateLight(LightType::Ambient, ambient, ambient, ambient));
        world = engine.CreateFrame(root);
        camera = engine.CreateFrame(world);
        viewport = Viewport{camera, 0, 0, size, size};
    }
    void Look(const QVector3D& at, const QVector3D& direction, const QVector3D& up) {
        camera->SetPosition(world, at.x(), at.y(), at.z());
        camera->SetOrientation(world, direction, up);
    }
};

bool Close(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString Text(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// A ridge running east-west: rows 0-4 rise northwards at 30 degrees (their
// slope faces south), rows 4-8 are level, rows 8-12 fall at 30 degrees.
float Ridge(int row, int) {
    const float rise = 10.0f * std::tan(30.0f * float(M_PI) / 180.0f);
    return 100.0f + rise * float(std::min(row, 4)) - rise * float(std::max(row - 8, 0));
}

float Rough(int row, int column) {
    return 300.0f + 120.0f * std::sin(row * 0.05f) * std::cos(column * 0.04f) +
           15.0f * std::sin(row * 0.31f + column * 0.23f);
}

QPoint PixelOf(const SceneRenderer& renderer, const Viewport& v, const QVector3D& p) {
    const QVector3D ndc = renderer.ViewProjection(v).map(p);
    return QPoint(int((ndc.x() + 1) / 2 * v.width), int((1 - ndc.y()) / 2 * v.height));
}

} // namespace

class TestSceneRender : public QObject {
    Q_OBJECT
private slots:

    void initTestCase() { QVERIFY2(gl_.Initialize(), qPrintable(gl_.ErrorText())); }

    // A standing strip seen from either side: one winding shows from its front only.
    void ribbonSides_data() {
        QTest::addColumn<bool>("bothWindings");
        QTest::addColumn<float>("cameraY");
        QTest::addColumn<bool>("visible");
        QTest::newRow("one winding, front side") << false << -300.0f << true;
        QTest::newRow("one winding, back side") << false << 300.0f << false;
        QTest::newRow("both windings, south") << true << -300.0f << true;
        QTest::newRow("both windings, north") << true << 300.0f << true;
    }

    void ribbonSides() {
        QFETCH(bool, bothWindings);
        QFETCH(float, cameraY);
        QFETCH(bool, visible);
        Stage s;
        MeshGeometry g;
        // A wall along x at y = 0, clockwise seen from the south.
        g.vertices = {{50, 0, -50}, {50, 0, 50}, {-50, 0, 50}, {-50, 0, -50}};
        g.faceList = {4, 0, 1, 2, 3};
        if (bothWindings) g.faceList.insert(g.faceList.end(), {4, 3, 2, 1, 0});
        g.faceList.push_back(0);
        Mesh* m = s.engine.CreateMesh();
        m->AddFaces(g);
        m->SetColour(QColor(0, 0, 255));
        s.world->AddVisual(m);
        s.Look(QVector3D(0, cameraY, 0), QVector3D(0, -cameraY, 0), QVector3D(0, 0, 1));
        const QImage picture = gl_.Render(*s.root, s.viewport);
        QCOMPARE((picture.pixel(32, 32) & 0xFFFFFF) == (qRgb(0, 0, 255) & 0xFFFFFF), visible);
    }

    // Background where nothing is drawn; linear fog from 0 to 5000 m.
    void fogAndBackground_data() {
        QTest::addColumn<bool>("fog");
        QTest::addColumn<float>("distance");
        QTest::addColumn<float>("groundShare"); // of the ground's colour in the picture's centre
        QTest::newRow("no fog, far") << false << 6000.0f << 1.0f;
        QTest::newRow("fog, near") << true << 50.0f << 0.99f;
        QTest::newRow("fog, halfway") << true << 2500.0f << 0.5f;
        QTest::newRow("fog, beyond the end") << true << 6000.0f << 0.0f;
    }

    void fogAndBackground() {
        QFETCH(bool, fog);
        QFETCH(float, distance);
        QFETCH(float, groundShare);
        Stage s;
        const QColor background(0xC0, 0xFF, 0xFF), fogColour(0xC8, 0xFF, 0xFF), ground(0, 0x80, 0);
        s.root->SetSceneBackground(background);
        s.root->SetFogEnabled(fog);
        s.root->SetFogColour(fogColour);
        s.root->SetLinearFog(0, 5000, 0.8f);
        s.Look(QVector3D(0, 0, distance), QVector3D(0, 0, -1), QVector3D(0, 1, 0));
        AddSquare(s.engine, s.world, QVector3D(0, 0, 0), distance / 4, ground);
        const QImage picture = gl_.Render(*s.root, s.viewport);
        QCOMPARE(picture.pixel(0, 0) & 0xFFFFFF, background.rgb() & 0xFFFFFF);
        const QColor mixed = fog ? fogColour : ground;
        const auto expect = [&](int g, int f) {
            return int(std::lround(g * groundShare + f * (1 - groundShare)));
        };
        const QRgb want = qRgb(expect(ground.red(), mixed.red()), expect(ground.green(), mixed.green()),
                               expect(ground.blue(), mixed.blue()));
        const QRgb got = picture.pixel(32, 32);
        QVERIFY2(Close(got, want, 3), qPrintable(Text(got) + QStringLiteral(" != ") + Text(want)));
    }

    // Two see-through squares, the near one added first: sorted, the far one shows through.
    void blendingOrder_data() {
        QTest::addColumn<bool>("sort");
        QTest::newRow("sorted") << true;
        QTest::newRow("unsorted") << false;
    }

    void blendingOrder() {
        QFETCH(bool, sort);
        Stage s;
        s.root->SetSortBackToFront(sort);
        s.root->SetZBufferEnabled(sort);
        s.Look(QVector3D(0, 0, 100), QVector3D(0, 0, -1), QVector3D(0, 1, 0));
        AddSquare(s.engine, s.world, QVector3D(0, 0, 50), 200, QColor::fromRgbF(1, 0, 0, 0.6f));
        AddSquare(s.engine, s.world, QVector3D(0, 0, 0), 200, QColor::fromRgbF(0, 0, 1, 0.8f));
        const QImage picture = gl_.Render(*s.root, s.viewport);
        // Red 0.6 over (blue 0.8 over black), or red 0.6 over black.
        const QRgb want = sort ? qRgb(153, 0, 82) : qRgb(153, 0, 0);
        const QRgb got = picture.pixel(32, 32);
        QVERIFY2(Close(got, want, 2), qPrintable(Text(got) + QStringLiteral(" != ") + Text(want)));
    }

    // A bitmap under the ground wrap: top north, left west, its decal background clear;
    // the frame's overlay replaces the mesh's own colour.
    void textures_data() {
        QTest::addColumn<bool>("overlay");
        QTest::newRow("mesh texture") << false;
        QTest::newRow("frame overlay") << true;
    }

    void textures() {
        QFETCH(bool, overlay);
        Stage s;
        s.Look(QVector3D(0, 0, 200), QVector3D(0, 0, -1), QVector3D(0, 1, 0));
        AddSquare(s.engine, s.world, QVector3D(0, 0, 0), 400, QColor(255, 0, 0));
        // Quadrants: black (the decal background), white / blue, white.
        QImage bitmap(8, 8, QImage::Format_RGB32);
        bitmap.fill(qRgb(255, 255, 255));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                bitmap.setPixel(x, y, qRgb(0, 0, 0));
                bitmap.setPixel(x, y + 4, qRgb(0, 0, 255));
            }
        Texture* texture = s.engine.CreateTexture(bitmap, true);
        Frame* land = s.engine.CreateFrame(s.world);
        Mesh* patch = AddSquare(s.engine, land, QVector3D(0, 0, 10), 100, QColor(0, 255, 0));
        Wrap(WrapType::Flat, s.world, QVector3D(50, 50, 10), QVector3D(0, 0, 1), QVector3D(0, -1, 0), 0, 0,
             SpanScale(50, -50), SpanScale(50, -50))
            .Apply(*patch);
        if (overlay) {
            land->SetTexture(texture);
            land->SetMaterialMode(MaterialMode::FromFrame);
        } else {
            patch->SetColour(QColor(255, 255, 255));
            patch->SetTexture(texture);
        }
        const QImage picture = gl_.Render(*s.root, s.viewport);
        // The patch spans pixels 16 .. 48; quadrant centres at 24 and 40.
        QCOMPARE(picture.pixel(24, 24) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF); // north-west: clear
        QCOMPARE(picture.pixel(40, 24) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
        QCOMPARE(picture.pixel(24, 40) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
        QCOMPARE(picture.pixel(40, 40) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    }

    void uploadsOnce() {
        SceneEngine engine;
        DemoScene d = BuildDemoScene(engine);
        const Viewport v{d.camera, 0, 0, 32, 32};
        const int before = gl_.Renderer().UploadCount();
        gl_.RenderFrame(*d.scene, v);
        gl_.RenderFrame(*d.scene, v);
        d.camera->AddRotation(Combine::Before, QVector3D(0, 1, 0), 0.1f);
        gl_.RenderFrame(*d.scene, v);
        QCOMPARE(gl_.Renderer().UploadCount() - before, 2);
        d.ribbon->SetColour(QColor(255, 0, 0));
        gl_.RenderFrame(*d.scene, v);
        QCOMPARE(gl_.Renderer().UploadCount() - before, 3);
    }

    // The 3D view's lights, a sun 60 degrees up in the south: facing slope at full colour
    // (no clamping), level top less, the far slope less again.
    void lightingShowsRelief() {
        Stage stage(160, 0.4f);
        Frame* sun = stage.engine.CreateFrame(stage.world);
        sun->AddLight(stage.engine.CreateLight(LightType::Point, 1.0f, 0.75f, 0.75f));
        sun->SetPosition(stage.world, 0, -0.5e7f, 0.866e7f);
        const int rows = 13;
        const int columns = 7;
        Mesh* ground = stage.engine.CreateMesh();
        ground->AddFaces(GridGeometry(rows, columns, -30, -60, 10, Ridge));
        ground->GenerateNormals(0, kNormalsPrecompact);
        ground->SetColour(QColor(0x00, 0xC0, 0x01));
        stage.world->AddVisual(ground);
        stage.Look({0, 0, 400}, {0, 0, -1}, {0, 1, 0});
        const QImage picture = gl_.Render(*stage.root, stage.viewport);
        const auto green = [&](int row) {
            const QPoint at =
                PixelOf(gl_.Renderer(), stage.viewport, QVector3D(0, -60 + 10 * row, Ridge(row, 0)));
            return qGreen(picture.pixel(at));
        };
        const int facing = green(2);
        const int level = green(6);
        const int away = green(10);
        const QString seen =
            QStringLiteral("sun-facing %1, level %2, turned away %3").arg(facing).arg(level).arg(away);
        QVERIFY2(std::abs(facing - 0xC0) <= 4, qPrintable(seen));
        QVERIFY2(facing - level >= 10, qPrintable(seen));
        QVERIFY2(level - away >= 20, qPrintable(seen));
    }

    // Coarse tiles leave out most triangles but keep the full grid's picture (no cracks).
    void coarseTilesKeepThePicture() {
        Stage stage(320, 0.4f);
        stage.root->SetSceneBackground(QColor(0xC0, 0xFF, 0xFF));
        Frame* sun = stage.engine.CreateFrame(stage.world);
        sun->AddLight(stage.engine.CreateLight(LightType::Point, 1.0f, 0.75f, 0.75f));
        sun->SetPosition(stage.world, -0.3e7f, 0.5e7f, 0.6e7f);
        const int side = 300;
        Mesh* ground = stage.engine.CreateMesh();
        ground->AddFaces(GridGeometry(side, side, -1500, -1500, 10, Rough));
        ground->GenerateNormals(0, kNormalsPrecompact);
        ground->SetGridLayout(GridLayout{0, side, side, side, true});
        ground->SetColour(QColor(0x00, 0xC0, 0x01));
        stage.world->AddVisual(ground);
        stage.Look({0, -1800, 800}, {0, 1500, -700}, {0, 0, 1});

        gl_.Renderer().SetDetailTolerance(0);
        const QImage full = gl_.Render(*stage.root, stage.viewport);
        const std::size_t allTriangles = gl_.Renderer().LastTriangleCount();
        gl_.Renderer().SetDetailTolerance(1);
        const QImage coarse = gl_.Render(*stage.root, stage.viewport);
        const std::size_t someTriangles = gl_.Renderer().LastTriangleCount();
        QVERIFY2(someTriangles * 3 < allTriangles,
                 qPrintable(QStringLiteral("%1 of %2 triangles").arg(someTriangles).arg(allTriangles)));
        int off = 0;
        int sky = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x) {
                const QRgb a = full.pixel(x, y);
                const QRgb b = coarse.pixel(x, y);
                if (!Close(a, b, 8)) ++off;
                if ((b & 0xFFFFFF) == 0xC0FFFF && (a & 0xFFFFFF) != 0xC0FFFF) ++sky;
            }
        const int pixels = full.width() * full.height();
        QVERIFY2(off <= pixels / 100 && sky <= pixels / 1000,
                 qPrintable(QStringLiteral("%1 pixels differ, %2 turned to sky").arg(off).arg(sky)));
    }

    // The demo scene against its golden picture; SOARNOTE_UPDATE_GOLDEN=1 writes a new one.
    void demoScene() {
        SceneEngine engine;
        DemoScene d = BuildDemoScene(engine);
        const QImage picture = gl_.Render(*d.scene, Viewport{d.camera, 0, 0, 160, 120});
        const QString golden = QStringLiteral(SOARNOTE_TEST_DATA "/scene/demo.png");
        if (qEnvironmentVariableIsSet("SOARNOTE_UPDATE_GOLDEN")) QVERIFY(picture.save(golden));
        const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), expected.size());
        int off = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (!Close(picture.pixel(x, y), expected.pixel(x, y), 8)) ++off;
        QVERIFY2(off <= picture.width() * picture.height() / 100, qPrintable(QString::number(off)));
    }

    // The on-screen path, also after a resize.

    void window() {
        SceneEngine engine;
        DemoScene d = BuildDemoScene(engine, 3, 3);
        d.camera->SetPosition(d.world, 0, 0, 100);
        d.camera->SetOrientation(d.world, QVector3D(0, 0, -1), QVector3D(0, 1, 0));
        SceneView view;
        view.SetScene(d.scene, d.camera);
        view.resize(120, 90);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (const QSize size : {QSize(120, 90), QSize(200, 60)}) {
            view.resize(size);
            QTest::qWait(50);
            const QImage picture = view.grabFramebuffer();
            QCOMPARE(picture.size(), size * view.devicePixelRatio());
            QCOMPARE(view.SceneViewport().width, picture.width());
            // Ground in the middle, sky in the corner.
            QVERIFY(qGreen(picture.pixel(picture.width() / 2, picture.height() / 2)) < 0xFF);
            QCOMPARE(picture.pixel(0, 0) & 0xFFFFFF, qRgb(0xC0, 0xFF, 0xFF) & 0xFFFFFF);
        }
        QVERIFY(!view.RendererName().isEmpty());
    }

private:
    OffscreenRenderer gl_;
};

QTEST_MAIN(TestSceneRender)
#include "tst_scenerender.moc"
