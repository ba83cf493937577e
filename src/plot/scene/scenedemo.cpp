#include "scenedemo.h"

#include <cmath>

namespace soarnote::scene {

namespace {

float Hills(int row, int column) {
    return 5.0f +
           8.0f * std::sin(static_cast<float>(row) * 0.3f) * std::cos(static_cast<float>(column) * 0.25f);
}

} // namespace

MeshGeometry GridGeometry(int rows, int columns, float x0, float y0, float step,
                          float (*height)(int row, int column)) {
    MeshGeometry g;
    g.vertices.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            g.vertices.push_back(
                Vertex3{x0 + static_cast<float>(c) * step, y0 + static_cast<float>(r) * step, height(r, c)});
    g.faceList.clear();
    g.faceList.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * 8 + 1);
    // Rows run north and columns west (x is minus the easting); seen from
    // above these triangles run clockwise, so their fronts face the sky.
    for (int r = 1; r < rows; ++r) {
        for (int c = 1; c < columns; ++c) {
            const int p = r * columns + c;
            const int left = p - 1;
            const int below = p - columns;
            g.faceList.insert(g.faceList.end(), {3, p, left, below, 3, left, below - 1, below});
        }
    }
    g.faceList.push_back(0);
    return g;
}

DemoScene BuildDemoScene(SceneEngine& engine, int rows, int columns) {
    DemoScene d;
    d.scene = engine.CreateFrame(nullptr);
    d.scene->SetSceneBackground(QColor(0xC0, 0xFF, 0xFF));
    d.scene->AddLight(engine.CreateLight(LightType::Ambient, 0.4f, 0.4f, 0.4f));
    d.world = engine.CreateFrame(d.scene);
    d.camera = engine.CreateFrame(d.world);
    d.light = engine.CreateFrame(d.world);
    d.light->AddLight(engine.CreateLight(LightType::Point, 1.0f, 0.75f, 0.75f));
    d.light->SetPosition(d.world, 50000.0f, 100000.0f, 100000.0f);

    // The ground, centred on the world origin.
    const float step = 10.0f;
    const float x0 = -step * float(columns - 1) / 2;
    const float y0 = -step * float(rows - 1) / 2;
    d.ground = engine.CreateMesh();
    d.ground->AddFaces(GridGeometry(rows, columns, x0, y0, step, Hills));
    d.ground->GenerateNormals(0, kNormalsPrecompact);
    d.ground->SetGridLayout(GridLayout{0, columns, rows, columns, true});
    d.ground->SetColour(QColor(0x00, 0xC0, 0x01));
    d.world->AddVisual(d.ground);

    // A ribbon standing on its edge, running from south-east to north-west
    // 40 m up, see-through like the track; each quad twice, once in each
    // winding, so it shows from both sides.
    MeshGeometry strip;
    const int sections = 12;
    for (int i = 0; i < sections; ++i) {
        const float t = float(i) / float(sections - 1);
        const float x = -120.0f + 240.0f * t;
        const float y = -120.0f + 240.0f * t + 30.0f * std::sin(t * 6.0f);
        strip.vertices.push_back(Vertex3{x, y, 45.0f});
        strip.vertices.push_back(Vertex3{x, y, 35.0f});
    }
    strip.faceList.clear();
    for (int i = 1; i < sections; ++i) {
        const int a = 2 * (i - 1);
        const int b = 2 * i;
        strip.faceList.insert(strip.faceList.end(), {4, a, b, b + 1, a + 1, 4, a, a + 1, b + 1, b});
    }
    strip.faceList.push_back(0);
    d.ribbon = engine.CreateMesh();
    d.ribbon->AddFaces(strip);
    d.ribbon->GenerateNormals(90, kNormalsPrecompact | kNormalsUseCreaseAngle);
    d.ribbon->SetColour(QColor::fromRgbF(0.0f, 0.0f, 1.0f, 0.6f));
    d.world->AddVisual(d.ribbon);

    // The camera 400 m south of the middle, 250 m up, looking at it.
    d.camera->SetPosition(d.world, 0.0f, -400.0f, 250.0f);
    d.camera->SetOrientation(d.world, QVector3D(0, 400, -250), QVector3D(0, 0, 1));
    return d;
}

} // namespace soarnote::scene
