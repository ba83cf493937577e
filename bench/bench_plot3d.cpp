// From "3D Plot" to the first frame: a 20,000-point flight (one fix a second,
// five and a half hours over the Peak District) read from a logbook, its plot
// data merged, the scene built (ribbon, glider and pilot, the real Peak
// District elevation grid under it), and the first frame drawn offscreen at
// 1280 x 1024. Prints each step and the total. Run under
// xvfb-run -a -s "-screen 0 1280x1024x24" when there is no display.
// Arguments: the folder of para.x / parapilot.x and of peak.demefs.

#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "offscreenrenderer.h"
#include "plot/flightscene/flightscene.h"
#include "plot/land/demlandscape.h"
#include "plot/loadplotdata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>

using namespace soarnote;

namespace {

constexpr int kPoints = 20000;
constexpr double kStart = 42156.4; // 1 June 2015, 09:36

bool BuildLogbook(const QString& path) {
    LogbookDatabase file;
    QString error;
    if (!file.Create(path, &error)) return false;
    QSqlDatabase db = file.Db();
    if (!CreateLogbookSchema(db, &error)) return false;
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("INSERT INTO LogData (StartTime, EndTime, TimeOffset) VALUES (%1, %2, 0)")
               .arg(kStart, 0, 'f', 8)
               .arg(kStart + kPoints / 86400.0, 0, 'f', 8));
    q.exec(QStringLiteral("INSERT INTO Tracks (LogID, TimeOffset) VALUES (1, 0)"));
    q.prepare(QStringLiteral("INSERT INTO TrackData (TrackID, TIME, LAT, LNG) VALUES (1, ?, ?, ?)"));
    QSqlQuery b(db);
    b.prepare(QStringLiteral("INSERT INTO BaroData (LogID, TIME, height) VALUES (1, ?, ?)"));
    for (int i = 0; i < kPoints; ++i) {
        // Thermalling circles drifting east over the grid.
        const double t = kStart + i / 86400.0;
        const double a = i * 0.2;
        q.addBindValue(t);
        q.addBindValue(53.30 + 0.0008 * std::sin(a) + i * 0.000004);
        q.addBindValue(-1.90 + 0.0012 * std::cos(a) + i * 0.00002);
        q.exec();
        b.addBindValue(t);
        b.addBindValue(600.0 + 400.0 * std::sin(i / 900.0));
        b.exec();
    }
    return db.commit();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    const QString assets = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("assets");
    const QString terrain = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("tests/data/terrain");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    if (!BuildLogbook(path)) {
        out << "cannot build the logbook" << Qt::endl;
        return 1;
    }
    scene::OffscreenRenderer gl;
    if (!gl.Initialize()) {
        out << "no OpenGL 3.3: " << gl.ErrorText() << Qt::endl;
        return 1;
    }
    for (int run = 0; run < 3; ++run) {
        LogbookDatabase file;
        QString error;
        if (!file.Open(path, &error)) return 1;
        QElapsedTimer t;
        t.start();
        PlotData plot;
        PlotFlight flight;
        flight.id = 1;
        flight.startTime = kStart;
        flight.endTime = kStart + kPoints / 86400.0;
        flight.timeOffset = 0.0;
        PlotOptions options;
        options.units = QStringLiteral("Meters");
        LoadPlotData(plot, file.Db(), flight, options);
        const qint64 loaded = t.elapsed();
        FlightSceneOptions sceneOptions;
        sceneOptions.gliderMesh = QDir(assets).filePath(QStringLiteral("para.x"));
        sceneOptions.pilotMesh = QDir(assets).filePath(QStringLiteral("parapilot.x"));
        sceneOptions.bitmapFolder = assets;
        FlightScene scene(plot, sceneOptions);
        scene.PlaceSun(plot.points.front().time);
        scene.ConstructTrack();
        scene.ConstructGlider();
        const qint64 built = t.elapsed();
        const RasterResult land =
            LoadDemLandscapeGrid(QDir(terrain).filePath(QStringLiteral("peak.demefs")), plot);
        scene.BuildGridMesh(land.grid, true, QString());
        const qint64 landed = t.elapsed();
        const PlotPoint& start = plot.points.front();
        scene.CameraFrame()->SetPosition(scene.WorldFrame(), start.x + 1500, start.y - 3000, start.z + 1200);
        scene.CameraFrame()->SetOrientation(scene.WorldFrame(), QVector3D(-1500, 3000, -1200),
                                            QVector3D(0, 0, 1));
        const QImage first =
            gl.Render(*scene.SceneFrame(), scene::Viewport{scene.CameraFrame(), 0, 0, 1280, 1024});
        const qint64 drawn = t.elapsed();
        if (run == 0) first.save(dir.filePath(QStringLiteral("first.png")));
        out << "run " << run << ": " << plot.lastIndex + 1 << " plot points, landscape " << land.grid.rows
            << " x " << land.grid.columns << "; plot data " << loaded << " ms, track and glider "
            << built - loaded << " ms, landscape " << landed - built << " ms, first frame " << drawn - landed
            << " ms; total " << drawn << " ms (goal < 500) on " << gl.RendererName() << Qt::endl;
    }
    return 0;
}
