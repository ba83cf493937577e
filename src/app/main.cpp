// Soarnote: a flight logbook and instrument data logger for paraglider and
// hang-glider pilots.

#include "app/importcli.h"
#include "app/programsession.h"
#include "report/printjobs.h"
#include "ui/companionwindows.h"
#include "ui/gpscommands.h"
#include "ui/importcommands.h"
#include "ui/kit/prompts.h"
#include "ui/kit/statuspanel.h"
#include "ui/mainwindow.h"
#include "ui/variocommands.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextStream>
#include <tuple>

namespace {

// The instrument commands live in their own libraries, which build on the
// windows; they are joined to the main window's menu items here.
void ConnectVario(soarnote::MainWindow& window, soarnote::LogbookSession& session,
                  soarnote::SettingsStore& settings, soarnote::Prompts& prompts) {
    auto* vario = new soarnote::VarioCommands(session, settings, prompts, window.Info(), &window);
    window.AddProgressBar(vario->ProgressBar());
    window.AddTransferCheck([vario] { return vario->Busy(); }, [vario] { vario->CancelTransfer(); });
    const std::pair<const char*, void (soarnote::VarioCommands::*)()> items[] = {
        {"&Update Log", &soarnote::VarioCommands::DownloadVarioLog},
        {"Get &All Entry", &soarnote::VarioCommands::DownloadAllVarioLog},
        {"Get &Barograph", &soarnote::VarioCommands::DownloadBarographs}};
    for (const auto& [caption, slot] : items) {
        QAction* item = window.MenuItem(QString::fromLatin1(caption));
        item->setEnabled(true); // the toolbar buttons follow
        // One transfer at a time, whichever instrument: they share the logbook.
        QObject::connect(item, &QAction::triggered, vario, [&window, vario, slot = slot] {
            if (!window.TransferRunning() && !window.RefuseReadOnly()) (vario->*slot)();
        });
    }
    QObject::connect(vario, &soarnote::VarioCommands::FlightsChanged, &window, [&session] {
        if (session.Flights().Refresh()) session.Flights().MoveLast();
    });
    window.Attach(vario);
}

void ConnectGps(soarnote::MainWindow& window, soarnote::LogbookSession& session,
                soarnote::SettingsStore& settings, soarnote::Prompts& prompts) {
    auto* gps = new soarnote::GpsCommands(session, settings, prompts, window.Info(), &window);
    window.AddProgressBar(gps->ProgressBar());
    // The track download and the import write to the logbook; the questions
    // to the receiver do not.
    const std::tuple<const char*, void (soarnote::GpsCommands::*)(), bool> items[] = {
        {"Get &Track", &soarnote::GpsCommands::DownloadGpsTracks, true},
        {"Get &Time", &soarnote::GpsCommands::RequestGpsTime, false},
        {"Get_ID", &soarnote::GpsCommands::RequestGpsProduct, false},
        {"Get &Position", &soarnote::GpsCommands::RequestGpsPosition, false},
        {"File &Import", &soarnote::GpsCommands::ImportWaypointPlusFile, true}};
    for (const auto& [caption, slot, writes] : items) {
        QAction* item = window.MenuItem(QString::fromLatin1(caption));
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, gps, [&window, gps, slot = slot, writes = writes] {
            if (!window.TransferRunning() && !(writes && window.RefuseReadOnly())) (gps->*slot)();
        });
    }
    // Newly linked tracks may give the flight on show its 3D view; its
    // pending edits are saved on the way.
    QObject::connect(gps, &soarnote::GpsCommands::TracksChanged, &window,
                     [&session] { session.Flights().Refresh(); });
    window.AddTransferCheck([gps] { return gps->Busy(); }, [gps] { gps->CancelTransfer(); });
    // A download may have linked a track to the flight on show.
    QObject::connect(gps, &soarnote::GpsCommands::Finished, &window,
                     [&window] { window.RefreshPlotCommand(); });
    window.Attach(gps);
}

// soarnote --print-pdf OUT.pdf [LOGBOOK]: the log of a logbook (the one the
// program last opened when none is named) into a PDF file, for scripts. No
// window is opened, so no display is needed.
int PrintPdf(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Soarnote"));
    QGuiApplication::setApplicationName(QStringLiteral("Soarnote"));
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 3 || args.size() > 4) {
        err << "usage: soarnote --print-pdf OUT.pdf [LOGBOOK]\n";
        return 2;
    }
    soarnote::ProgramSession program;
    const QString logbook = program.LogbookPath(args.size() == 4 ? args.at(3) : QString());
    // Printing reads the rows on a connection of its own; the session's
    // checks and upgrade are for logbooks the program writes to.
    const soarnote::PrintOutcome outcome = soarnote::ExportLogbookPdf(args.at(2), logbook);
    if (!outcome.ok) {
        err << "soarnote: " << outcome.error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && qstrcmp(argv[1], "--print-pdf") == 0) return PrintPdf(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--import") == 0) return soarnote::ImportCli(argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationVersion(QStringLiteral(SOARNOTE_VERSION));

    // Made before the window and let go after it: the window, its companions
    // and the commands borrow the settings and the logbook.
    soarnote::ProgramSession program;
    soarnote::LogbookSession& session = program.Logbook();
    soarnote::SettingsStore& settings = program.Settings();
    soarnote::DialogPrompts prompts;
    soarnote::MainWindow window(session, &settings, &prompts);
    ConnectVario(window, session, settings, prompts);
    ConnectGps(window, session, settings, prompts);
    soarnote::ImportCommands::ConnectTo(window, prompts);
    auto* companions = new soarnote::CompanionWindows(window, session, settings, prompts, &window);
    companions->ConnectMenus();
    window.Attach(companions);
    window.Startup();
    window.show();
    return app.exec();
}
