// Soarnote: a flight logbook and instrument data logger for paraglider and
// hang-glider pilots.

#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"
#include "ui/companionwindows.h"
#include "ui/gpscommands.h"
#include "ui/mainwindow.h"
#include "ui/prompts.h"
#include "ui/statuspanel.h"
#include "ui/variocommands.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>

namespace {

// The instrument commands live in their own libraries, which build on the
// windows; they are joined to the main window's menu items here.
void ConnectVario(soarnote::MainWindow& window, soarnote::SettingsStore& settings,
                  soarnote::Prompts& prompts) {
    auto* vario = new soarnote::VarioCommands(window.Session(), settings, prompts, window.Info(), &window);
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
            if (!window.TransferRunning()) (vario->*slot)();
        });
    }
    QObject::connect(vario, &soarnote::VarioCommands::FlightsChanged, &window, [&window] {
        if (window.Session().Flights().Refresh()) window.Session().Flights().MoveLast();
    });
    window.Attach(vario);
}

void ConnectGps(soarnote::MainWindow& window, soarnote::SettingsStore& settings, soarnote::Prompts& prompts) {
    auto* gps = new soarnote::GpsCommands(window.Session(), settings, prompts, window.Info(), &window);
    window.AddProgressBar(gps->ProgressBar());
    const std::pair<const char*, void (soarnote::GpsCommands::*)()> items[] = {
        {"Get &Track", &soarnote::GpsCommands::DownloadGpsTracks},
        {"Get &Time", &soarnote::GpsCommands::RequestGpsTime},
        {"Get_ID", &soarnote::GpsCommands::RequestGpsProduct},
        {"Get &Position", &soarnote::GpsCommands::RequestGpsPosition},
        {"File &Import", &soarnote::GpsCommands::ImportWaypointPlusFile}};
    for (const auto& [caption, slot] : items) {
        QAction* item = window.MenuItem(QString::fromLatin1(caption));
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, gps, [&window, gps, slot = slot] {
            if (!window.TransferRunning()) (gps->*slot)();
        });
    }
    // Newly linked tracks may give the flight on show its 3D view; its
    // pending edits are saved on the way.
    QObject::connect(gps, &soarnote::GpsCommands::TracksChanged, &window,
                     [&window] { window.Session().Flights().Refresh(); });
    window.AddTransferCheck([gps] { return gps->Busy(); }, [gps] { gps->CancelTransfer(); });
    // A download may have linked a track to the flight on show.
    QObject::connect(gps, &soarnote::GpsCommands::Finished, &window,
                     [&window] { window.RefreshPlotCommand(); });
    window.Attach(gps);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationVersion(QStringLiteral(SOARNOTE_VERSION));

    soarnote::OpenLanguageTable(soarnote::ProgramFolder::WritableFile(QStringLiteral("translate.mdl")));
    soarnote::SettingsStore settings;
    soarnote::DialogPrompts prompts;
    soarnote::MainWindow window(&settings, &prompts);
    ConnectVario(window, settings, prompts);
    ConnectGps(window, settings, prompts);
    auto* companions = new soarnote::CompanionWindows(window, window.Session(), settings, prompts, &window);
    companions->ConnectMenus();
    window.Attach(companions);
    window.Startup();
    window.show();
    const int result = app.exec();
    soarnote::CloseLanguageTable();
    return result;
}
