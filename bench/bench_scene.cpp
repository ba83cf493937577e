// Frame time of the 3D scene: a 1,000,000-vertex landscape (1000 x 1000 grid,
// 10 m apart, about two million triangles) under an ambient and a point light,
// drawn offscreen at 1280 x 1024, with the see-through demo ribbon over it.
// Prints the GL renderer, the time to build the mesh and its normals, the first
// frame (with the upload) and the median of the following frames, with the
// triangles a frame sends. Run under
// xvfb-run -a -s "-screen 0 1280x1024x24" when there is no display.
// Arguments: frames (15), a picture of the whole view to save (the view from
// inside goes next to it, its name ending in -inside), the level of
// detail tolerance in pixels (1; 0 draws the full grid everywhere).

#include "offscreenrenderer.h"
#include "scenedemo.h"
#include "sceneengine.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

using namespace soarnote;
using namespace soarnote::scene;

namespace {

float Terrain(int row, int column) {
    return 300.0f + 120.0f * std::sin(row * 0.013f) * std::cos(column * 0.011f) +
           15.0f * std::sin(row * 0.09f + column * 0.07f);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    const int side = 1000;
    const int frames = argc > 1 ? std::max(3, atoi(argv[1])) : 15;
    const float tolerance = argc > 3 ? std::max(0.0f, float(atof(argv[3]))) : 1.0f;

    OffscreenRenderer gl;
    if (!gl.Initialize()) {
        out << "no OpenGL 3.3: " << gl.ErrorText() << Qt::endl;
        return 1;
    }
    gl.Renderer().SetDetailTolerance(tolerance);
    SceneEngine engine;
    DemoScene d = BuildDemoScene(engine);
    d.ground->SetColour(QColor(0, 0, 0, 0)); // the demo's own small ground stays out of the figure

    QElapsedTimer t;
    t.start();
    const float step = 10.0f;
    const float half = step * (side - 1) / 2;
    Mesh* land = engine.CreateMesh();
    land->AddFaces(GridGeometry(side, side, -half, -half, step, Terrain));
    land->GenerateNormals(0, kNormalsPrecompact);
    land->SetGridLayout(GridLayout{0, side, side, side, true});
    land->SetColour(QColor(0x00, 0xC0, 0x01));
    d.world->AddVisual(land);
    const qint64 buildMs = t.elapsed();
    t.restart();
    const std::size_t tiles = BuildGridLod(land->Positions(), *land->Grid()).tiles.size();
    const qint64 lodMs = t.elapsed();

    // From the south edge, 1500 m up, looking north over the whole grid.
    d.camera->SetPosition(d.world, 0, -half - 1000, 1500);
    d.camera->SetOrientation(d.world, QVector3D(0, 1000 + half / 2, -1200), QVector3D(0, 0, 1));
    const Viewport viewport{d.camera, 0, 0, 1280, 1024};

    t.restart();
    gl.RenderFrame(*d.scene, viewport);
    const qint64 firstMs = t.elapsed();
    // The median of frames turning slowly, as playback does.
    const auto median = [&] {
        std::vector<double> times;
        std::vector<double> cpu;
        for (int i = 0; i < frames; ++i) {
            d.camera->AddRotation(Combine::After, QVector3D(0, 0, 1), 0.002f);
            const std::clock_t c0 = std::clock();
            t.restart();
            gl.RenderFrame(*d.scene, viewport);
            times.push_back(double(t.nsecsElapsed()) / 1e6);
            cpu.push_back(double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        // On a busy machine the wall time counts other programs' turns; the
        // CPU time of all the renderer's threads bounds what an idle machine
        // would take.
        return QStringLiteral("%1 ms (min %2, max %3); CPU time %4 ms; %5 triangles")
            .arg(times[times.size() / 2], 0, 'f', 1)
            .arg(times.front(), 0, 'f', 1)
            .arg(times.back(), 0, 'f', 1)
            .arg(cpu[cpu.size() / 2], 0, 'f', 1)
            .arg(gl.Renderer().LastTriangleCount());
    };
    const QString whole = median();
    const QImage overview = gl.Grab();
    // A glider's view: 300 m over the middle, looking north-east and down;
    // most of the landscape lies outside the view.
    d.camera->SetPosition(d.world, 0, 0, 600);
    d.camera->SetOrientation(d.world, QVector3D(-1, 1, -0.3f), QVector3D(0, 0, 1));
    const QString inside = median();
    const QImage glider = gl.Grab();

    out << "renderer: " << gl.RendererName() << "; detail tolerance " << tolerance << " px" << Qt::endl;
    out << "mesh: " << land->VertexCount() << " vertices, " << land->FaceCount()
        << " triangles, built with normals in " << buildMs << " ms" << Qt::endl;
    out << "levels of detail of " << tiles << " tiles (made again by the upload): " << lodMs << " ms"
        << Qt::endl;
    out << "first frame (upload included): " << firstMs << " ms" << Qt::endl;
    out << "median frame at 1280 x 1024, whole landscape in view, " << frames << " frames: " << whole
        << Qt::endl;
    out << "median frame at 1280 x 1024, from inside the landscape: " << inside << Qt::endl;
    if (argc > 2 && argv[2][0]) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        overview.save(path);
        glider.save(path.left(path.lastIndexOf(QLatin1Char('.'))) + QStringLiteral("-inside.png"));
    }
    return 0;
}
