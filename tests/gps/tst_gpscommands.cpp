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

class Window {
public:
    explicit Window(emu::EmulatorConfig config) : emulator_(std::move(config)), runner_(emulator_) {
        QString error;
        runner_.OpenPty(&error);
        runner_.Start();
        settings_ = std::make_unique<SettingsStore>(dir_.filePath(QStringLiteral("s.ini")));
        settings_->Write(keys::GpsPort, runner_.SlavePath());
        settings_->Write(keys::GpsSpeed, QStringLiteral("115200"));
        logbookPath_ = dir_.filePath(QStringLiteral("log.mdb"));
        testlogbook::CreateLogbookFile(logbookPath_);
        {
            LogbookDatabase db;
            QString e;
            db.Open(logbookPath_, &e);
            testlogbook::InsertRow(db.Db(), QStringLiteral("LogData"),
                                   {{QStringLiteral("StartTime"), Day(2024, 5, 1, 9, 50)},
                                    {QStringLiteral("EndTime"), Day(2024, 5, 1, 11)},
                                    {QStringLiteral("TimeOffset"), 0.0}});
        }
        session_.OpenLogbook(logbookPath_);
        info_ = new QLabel(&window_);
        commands_ = std::make_unique<GpsCommands>(session_, *settings_, prompts_, info_, &window_);
        window_.statusBar()->addWidget(info_, 1);
        window_.statusBar()->addPermanentWidget(commands_->ProgressBar());
        window_.show();
    }
    ~Window() {
        commands_.reset();
        runner_.Stop();
        runner_.Join();
    }
    GpsCommands& Commands() { return *commands_; }
    QLabel& Info() { return *info_; }
    FakePrompts& Prompts() { return prompts_; }
    LogbookSession& Session() { return session_; }
    SettingsStore& Settings() { return *settings_; }
    QString Dir() const { return dir_.path(); }
    bool WaitFinished(QSignalSpy& spy) { return spy.count() > 0 || spy.wait(15000); }

private:
    QTemporaryDir dir_;
    emu::GarminEmulator emulator_;
    emu::EmulatorRunner runner_;
    std::unique_ptr<SettingsStore> settings_;
    QString logbookPath_;
    LogbookSession session_;
    FakePrompts prompts_;
    QMainWindow window_;
    QLabel* info_ = nullptr;
    std::unique_ptr<GpsCommands> commands_;
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
        QVERIFY(w.Prompts().dialogTitles.isEmpty());
        QVERIFY(w.WaitFinished(finished));
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
        QVERIFY(FlightHasTracks(w.Session().Db(), w.Session().Flights().Current().Id()));
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
        QVERIFY(w.WaitFinished(finished));
        QCOMPARE(w.Info().text(), QStringLiteral("eTrex Summit Software Version 3.10  ver: 3.1"));
        finished.clear();
        w.Commands().RequestGpsTime();
        QVERIFY(w.WaitFinished(finished));
        QVERIFY2(w.Info().text().startsWith(QStringLiteral("Current Time: ")), qPrintable(w.Info().text()));
        QVERIFY(std::fabs(w.Commands().Adapter().Link().GpsTimeOffset() * 86400 - 30) <= 1.5);
        finished.clear();
        w.Commands().RequestGpsPosition();
        QVERIFY(w.WaitFinished(finished));
        const double factor = M_PI / 180 * 57.2957786666666; // the receiver's radians to degrees
        QCOMPARE(w.Info().text(), QStringLiteral("Current position: %1, %2")
                                      .arg(53.3498 * factor, 0, 'f', 8)
                                      .arg(-1.8147 * factor, 0, 'f', 8));
    }

    void unknownPacketQuestion() {
        emu::EmulatorConfig config = TwoTracks(5);
        config.faults.push_back(*emu::ParseFault(QStringLiteral("unknown@1")));
        Window w(config);
        w.Prompts().answers = {QMessageBox::Abort};
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().DownloadGpsTracks();
        QVERIFY(w.WaitFinished(finished));
        QCOMPARE(w.Prompts().asked.size(), 1);
        QCOMPARE(w.Prompts().asked[0].buttons, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        QVERIFY(w.Prompts().asked[0].text.startsWith(QStringLiteral("ID: 72 Data: ")));
        QCOMPARE(w.Info().text(), QStringLiteral("ERROR - (GPS)Unknown reply"));
        QVERIFY(!w.Commands().Busy());
    }

    void cancel() {
        Window w(TwoTracks());
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().DownloadGpsTracks();
        QVERIFY(w.Commands().Busy());
        w.Commands().CancelTransfer();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(w.Info().text(), QStringLiteral("Transfer cancelled"));
        QVERIFY(!w.Commands().ProgressBar()->isVisible());
        QVERIFY(!w.Commands().Busy());
        QVERIFY(!w.Commands().Adapter().Port().isOpen());
    }

    void noPort() {
        Window w(TwoTracks(1));
        w.Settings().Write(keys::GpsPort, QStringLiteral("COM77"));
        QSignalSpy finished(&w.Commands(), &GpsCommands::Finished);
        w.Commands().DownloadGpsTracks();
        QCOMPARE(finished.count(), 1);
        // The system's reason follows: the port named does not exist.
        const QString lead = QStringLiteral("ERROR - (GPS) Unable to Open Connection: ");
        QVERIFY2(w.Info().text().startsWith(lead) && w.Info().text().size() > lead.size(),
                 qPrintable(w.Info().text()));
        QVERIFY(!w.Commands().ProgressBar()->isVisible());
        QVERIFY(!w.Commands().Busy());
    }

    void importFile() {
        Window w(TwoTracks(1));
        const QString path = w.Dir() + QStringLiteral("/track.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Datum,WGS84,WGS84,0,0,0,0,0\nTP,D,53.1,-1.8,05/01/2024,10:00:00,1\n"
                "TP,D,53.2,-1.8,05/01/2024,10:00:01,0\n");
        f.close();
        QSignalSpy changed(&w.Commands(), &GpsCommands::TracksChanged);
        w.Prompts().fileNames = {path, path};
        w.Commands().ImportWaypointPlusFile();
        QCOMPARE(w.Prompts().dialogTitles, QStringList{QStringLiteral("Import Waypoint+ Text File")});
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
