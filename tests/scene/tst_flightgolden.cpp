// A demo flight's whole scene as the 3D Plot window opens it (no clouds: nothing random),
// against a golden picture. SOARNOTE_UPDATE_GOLDEN=1 writes a new one (look at it first);
// on a failure the picture drawn is saved next to the test.

#include "core/programfolder.h"
#include "offscreenrenderer.h"
#include "plot/flightscene/flightscene.h"
#include "settings/settingsstore.h"
#include "ui/mainwindow.h"
#include "ui/plot3dwindow.h"
#include "ui/sessionwindow.h"
#include "ui/silentprompts.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;

namespace {

// The demo logbook's fifth flight (the one of the README's picture).
constexpr int kFlight = 5;

} // namespace

class TestFlightGolden : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void demoFlight() {
        const QString demo = QStringLiteral(SOARNOTE_BIN_DIR "/demo.mdb");
        if (!QFileInfo::exists(demo)) QSKIP("the demo logbook is made by the full build");
        const QString logbook = dir_.filePath(QStringLiteral("demo.mdb"));
        QVERIFY(QFile::copy(demo, logbook));
        // The program folder is the build's: the glider and the demo
        // landscapes are there.
        ProgramFolder::SetPath(QStringLiteral(SOARNOTE_BIN_DIR));
        SettingsStore settings(dir_.filePath(QStringLiteral("settings.ini")));
        settings.Write(keys::DatabaseName, logbook);
        settings.Write(keys::GeneralUnits, QStringLiteral("Meters"));
        SilentPrompts prompts(QMessageBox::No);
        SessionMainWindow main(&settings, &prompts);
        main.Startup();
        main.Session().Flights().MoveTo(kFlight - 1);
        main.Plot3DCommand();
        Plot3DWindow* view = main.Plot3D();
        QVERIFY(view);
        FlightScene* scene = view->Scene();
        QVERIFY(scene);
        QCOMPARE(scene->TrackMeshes(), 1);
        QCOMPARE(scene->CloudMeshes(), 0);
        QCOMPARE(scene->LandscapeMeshes(), 1);
        const auto& glider = scene->GliderFrame()->Visuals();
        QVERIFY2(!glider.empty() && glider.front()->FaceCount() > 0, "para.x is beside the program");

        // 120 m south and 60 m east of the take-off, 50 m above it, looking
        // at the glider standing there, the ribbon behind it.
        const PlotPoint& start = view->Plot().points.front();
        const QVector3D offset(-60, -120, 50);
        scene->CameraFrame()->SetPosition(scene->WorldFrame(), start.x + offset.x(), start.y + offset.y(),
                                          start.z + offset.z());
        scene->CameraFrame()->SetOrientation(scene->WorldFrame(), -offset, QVector3D(0, 0, 1));
        scene::OffscreenRenderer gl;
        QVERIFY2(gl.Initialize(), qPrintable(gl.ErrorText()));
        const QImage picture =
            gl.Render(*scene->SceneFrame(), scene::Viewport{scene->CameraFrame(), 0, 0, 400, 300});
        view->close();

        const QString golden = QStringLiteral(SOARNOTE_TEST_DATA "/scene/demoflight.png");
        if (qEnvironmentVariableIsSet("SOARNOTE_UPDATE_GOLDEN")) QVERIFY(picture.save(golden));
        const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), expected.size());
        int off = 0;
        int worst = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb a = picture.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                        std::abs(qBlue(a) - qBlue(b))});
                worst = std::max(worst, d);
                if (d > 8) ++off;
            }
        // The glider and the ribbon cover a few hundred pixels of the
        // picture: a share of 1 in 2000 lets no part of them go unseen.
        if (off > picture.width() * picture.height() / 2000) {
            const QString actual = QDir(QCoreApplication::applicationDirPath())
                                       .filePath(QStringLiteral("demoflight-actual.png"));
            picture.save(actual);
            QFAIL(qPrintable(QStringLiteral("%1 pixels differ by more than 8 (worst %2) from %3; drawn: %4")
                                 .arg(off)
                                 .arg(worst)
                                 .arg(golden, actual)));
        }
    }
};

QTEST_MAIN(TestFlightGolden)
#include "tst_flightgolden.moc"
