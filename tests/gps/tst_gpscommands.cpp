// The GPS menu commands in a window, against the receiver emulator: the
// status panel, the progress bar, the import dialog, the unknown-packet
// question, and one transfer at a time.

#include "emulatorrig.h"
#include "ui/fakeprompts.h"

#include "core/logbooksession.h"
#include "settings/settingsstore.h"
#include "ui/gpscommands.h"

#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

struct Window {
    QTemporaryDir dir;
    EmulatorOnPty device;
    SettingsStore settings{dir.filePath(QStringLiteral("s.ini"))};
    LogbookSession session;
    FakePrompts prompts;
    QMainWindow window;
    QLabel* info = new QLabel(&window);
    std::unique_ptr<GpsCommands> commands;

    explicit Window(emu::EmulatorConfig config) : device(std::move(config)) {
        settings.Write(keys::GpsPort, device.runner.SlavePath());
        settings.Write(keys::GpsSpeed, QStringLiteral("115200"));
        const QString path = dir.filePath(QStringLiteral("log.mdb"));
        testlogbook::CreateLogbookFile(path);
        {
            LogbookDatabase db;
            db.Open(path, nullptr);
            testlogbook::InsertRow(db.Db(), QStringLiteral("LogData"),
                                   {{QStringLiteral("StartTime"), Day(2024, 5, 1, 9, 50)},
                                    {QStringLiteral("EndTime"), Day(2024, 5, 1, 11)},
                                    {QStringLiteral("TimeOffset"), 0.0}});
        }
        session.OpenLogbook(path);
        commands = std::make_unique<GpsCommands>(session, settings, prompts, info, &window);
        window.statusBar()->addWidget(info, 1);
        window.statusBar()->addPermanentWidget(commands->ProgressBar());
        window.show();
    }
    ~Window() { commands.reset(); }
    GpsCommands& Commands() { return *commands; }
    QLabel& Info() { return *info; }
};

} // namespace

class TestGpsCommands : public QObject {
    Q_OBJECT
private slots:
    void downloadTracks() {
        Window w(TwoTracks());
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        QSignalSpy changed(&w.Commands(), &GpsCommands::TracksChanged);
        w.Commands().DownloadGpsTracks();
        QVERIFY(w.Commands().Busy());
        QVERIFY(w.Commands().ProgressBar()->isVisible());
        w.Commands().DownloadGpsTracks(); // a second click starts nothing
        w.Commands().RequestGpsTime();
        w.Commands().ImportWaypointPlusFile();
        QVERIFY(w.prompts.dialogTitles.isEmpty());
        QVERIFY(WaitForEnd(finished));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(w.Info().text(),
                 QStringLiteral("Received 100 Records [2 Added] - 2 tracks, 100 points added"));
        QCOMPARE(changed.count(), 1);
        QVERIFY(!w.Commands().ProgressBar()->isVisible());
        // The receiver announced 100 points and 2 headers; all came.
        QCOMPARE(w.Commands().ProgressBar()->maximum(), 102);
        QCOMPARE(w.Commands().ProgressBar()->value(), 102);
        QVERIFY(!w.Commands().Busy());
        QVERIFY(FlightHasTracks(w.session.Db(), w.session.Flights().Current().Id()));
    }

    // The single requests show their answers on the status panel; the
    // receiver's clock runs 30 seconds behind and it sends extended product data.
    void requests() {
        emu::EmulatorConfig config = TwoTracks(1);
        config.clockBehindSeconds = 30;
        config.sendExtendedProduct = true;
        Window w(config);
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().RequestGpsProduct();
        QVERIFY(WaitForEnd(finished));
        QCOMPARE(w.Info().text(), QStringLiteral("eTrex Summit Software Version 3.10  ver: 3.1"));
        finished.clear();
        w.Commands().RequestGpsTime();
        QVERIFY(WaitForEnd(finished));
        QVERIFY2(w.Info().text().startsWith(QStringLiteral("Current Time: ")), qPrintable(w.Info().text()));
        QVERIFY(std::fabs(w.Commands().Adapter().Link().GpsTimeOffset() * 86400 - 30) <= 1.5);
        finished.clear();
        w.Commands().RequestGpsPosition();
        QVERIFY(WaitForEnd(finished));
        const double factor = M_PI / 180 * 57.2957786666666; // the receiver's radians to degrees
        QCOMPARE(w.Info().text(), QStringLiteral("Current position: %1, %2")
                                      .arg(53.3498 * factor, 0, 'f', 8)
                                      .arg(-1.8147 * factor, 0, 'f', 8));
    }

    void unknownPacketQuestion() {
        emu::EmulatorConfig config = TwoTracks(5);
        config.faults.push_back(*emu::ParseFault(QStringLiteral("unknown@1")));
        Window w(config);
        w.prompts.answers = {QMessageBox::Abort};
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().DownloadGpsTracks();
        QVERIFY(WaitForEnd(finished));
        QCOMPARE(w.prompts.asked.size(), 1);
        QCOMPARE(w.prompts.asked[0].buttons, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        QVERIFY(w.prompts.asked[0].text.startsWith(QStringLiteral("ID: 72 Data: ")));
        QCOMPARE(w.Info().text(), QStringLiteral("ERROR - (GPS)Unknown reply"));
        QVERIFY(!w.Commands().Busy());
    }

    // Cancelled at once, or the port named does not exist (the system's
    // reason follows the message): the command ends there, failed, once.
    void endsAtOnce_data() {
        QTest::addColumn<QString>("port"); // empty: the emulator's, then cancelled
        QTest::addColumn<QString>("status");
        QTest::newRow("cancelled") << QString() << QStringLiteral("Transfer cancelled");
        QTest::newRow("no such port")
            << QStringLiteral("COM77") << QStringLiteral("ERROR - (GPS) Unable to Open Connection: ");
    }
    void endsAtOnce() {
        QFETCH(QString, port);
        QFETCH(QString, status);
        Window w(TwoTracks());
        if (!port.isEmpty()) w.settings.Write(keys::GpsPort, port);
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().DownloadGpsTracks();
        if (port.isEmpty()) {
            QVERIFY(w.Commands().Busy());
            w.Commands().CancelTransfer();
        }
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY2(w.Info().text().startsWith(status) &&
                     (port.isEmpty() || w.Info().text().size() > status.size()),
                 qPrintable(w.Info().text()));
        QVERIFY(!w.Commands().ProgressBar()->isVisible());
        QVERIFY(!w.Commands().Busy());
        QVERIFY(!w.Commands().Adapter().Port().isOpen());
    }

    void importFile() {
        Window w(TwoTracks(1));
        const QString path = w.dir.path() + QStringLiteral("/track.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Datum,WGS84,WGS84,0,0,0,0,0\nTP,D,53.1,-1.8,05/01/2024,10:00:00,1\n"
                "TP,D,53.2,-1.8,05/01/2024,10:00:01,0\n");
        f.close();
        QSignalSpy changed(&w.Commands(), &GpsCommands::TracksChanged);
        w.prompts.fileNames = {path, path};
        w.Commands().ImportWaypointPlusFile();
        QCOMPARE(w.prompts.dialogTitles, QStringList{QStringLiteral("Import Waypoint+ Text File")});
        QCOMPARE(w.Info().text(), QStringLiteral("Successfully Imported  2 Track Records [ 2 Entered]"));
        QCOMPARE(changed.count(), 1);
        w.Commands().ImportWaypointPlusFile();
        QCOMPARE(w.Info().text(), QStringLiteral("Successfully Imported  2 Track Records [ 0 Entered]"));
        QCOMPARE(changed.count(), 1);
        // No file chosen: nothing happens.
        w.Info().setText(QStringLiteral("unchanged"));
        w.Commands().ImportWaypointPlusFile();
        QCOMPARE(w.Info().text(), QStringLiteral("unchanged"));
    }
};

QTEST_MAIN(TestGpsCommands)
#include "tst_gpscommands.moc"
