// Pictures of the 3D view for the help pages and the README: a demo flight
// replayed part of the way over its landscape, with the instrument panel
// beside it. Run by hand under X (or xvfb-run) after changing the 3D view:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/soarnote-view3dshots resources/help/images

#include "plot/playback/cameramodes.h"
#include "sceneview.h"
#include "shotrig.h"
#include "ui/instrumentpanel.h"
#include "ui/plot3dwindow.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>

using namespace soarnote;

namespace {

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: soarnote-view3dshots <images folder> [flight number] [camera mode] "
                               "[part of the flight shown: 1/n]\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const int flightNumber = argc > 2 ? atoi(argv[2]) : 5;
    // The program folder is the build's: the glider, the clouds and the
    // demo landscapes are there.
    ShotRig rig;
    if (!rig.Prepare(true, QMessageBox::No)) return 1;
    SettingsStore& settings = *rig.settings;
    settings.Write(keys::GeneralUnits, QStringLiteral("Meters"));
    settings.Write(QStringLiteral("Plot"), QStringLiteral("Width"), 11000);
    settings.Write(QStringLiteral("Plot"), QStringLiteral("Height"), 8200);
    settings.Write(QStringLiteral("Plot"), QStringLiteral("Left"), 0);
    settings.Write(QStringLiteral("Plot"), QStringLiteral("Top"), 0);
    MainWindow& main = rig.OpenMain();
    main.Session().Flights().MoveTo(flightNumber - 1);
    main.Plot3DCommand();
    Plot3DWindow* view = main.Plot3D();
    if (!view) {
        QTextStream(stderr) << "the flight has no 3D view\n";
        return 1;
    }
    Settle(500);
    const int steps = view->Plot().lastIndex / (argc > 4 ? std::max(1, atoi(argv[4])) : 3);
    for (int i = 0; i < steps; ++i) {
        QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &pageUp);
    }
    if (argc > 3 && atoi(argv[3]) >= 0) view->CameraModeCommand(static_cast<CameraMode>(atoi(argv[3])));
    view->InstrumentsCommand();
    Settle(800);
    const QImage scene = view->View()->grabFramebuffer();
    const QString plain = out.filePath(QStringLiteral("view3d-scene.png"));
    scene.save(plain);
    QImage shot = view->grab().toImage();
    if (InstrumentPanel* panel = view->Instruments()) {
        const QImage instruments = panel->grab().toImage();
        QImage both(shot.width() + instruments.width() + 8, std::max(shot.height(), instruments.height()),
                    QImage::Format_RGB32);
        both.fill(QColor(0xF0, 0xF0, 0xF0));
        QPainter p(&both);
        p.drawImage(0, 0, shot);
        p.drawImage(QPoint(0, view->menuBar()->height()), scene);
        p.drawImage(shot.width() + 8, 0, instruments);
        p.end();
        shot = both;
    }
    const QString path = out.filePath(QStringLiteral("view3d.png"));
    if (!shot.save(path)) return 1;
    QTextStream(stdout) << path << '\n' << plain << '\n';
    return 0;
}
