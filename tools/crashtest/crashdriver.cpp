// Runs one download or import into a logbook the way the program's commands
// do (the same session, adapters, links and stores, only no window), so that
// crashtrials.py can kill it with SIGKILL at a random moment and check what
// the logbook kept.
//   soarnote-crashdriver --logbook L --gps DEVICE      track download
//   soarnote-crashdriver --logbook L --vario DEVICE    log, then barograph download
//   soarnote-crashdriver --logbook L --import FILE     Waypoint+ import
//   soarnote-crashdriver --logbook L --check           opens the logbook only
// Prints the status texts; exits 0 when the command ran to its end.

#include "core/logbookcheck.h"
#include "core/logbooksession.h"
#include "gps/gpsportadapter.h"
#include "gps/trackstorage.h"
#include "gps/waypointplusimport.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "vario/varioconnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace soarnote;

namespace {

void Say(const QString& text) {
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

int Gps(LogbookSession& session, const QString& device) {
    GpsPortAdapter adapter([device] {
        return ParseSerialSettings(device, QStringLiteral("9600"), QStringLiteral("NONE"),
                                   QStringLiteral("8"), QStringLiteral("1"));
    });
    adapter.SetStatusSink({}, [](const QString& text) { Say(text); });
    int result = 1;
    QObject::connect(&adapter, &GpsPortAdapter::CommandEnded, [&](GpsCommand command, bool ok) {
        if (command != GpsCommand::Download && command != GpsCommand::Tracks) return;
        result = ok ? 0 : 1;
        QCoreApplication::quit();
    });
    LogbookTrackStorage storage(session.Db());
    if (!adapter.Link().DownloadGpsTracks(&storage, true)) return 1;
    QCoreApplication::exec();
    return result;
}

int Vario(LogbookSession& session, const QString& device) {
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.Write(QStringLiteral("Vario"), QStringLiteral("Port"), device);
    VarioConnection connection(settings);
    connection.SetStatusSink([](const QString& text) { Say(text); });
    connection.SetCreateFlightQuestion([](const QString&) { return true; });
    connection.SetMessageSink([](const QString& text) { Say(text); });
    int stage = 0;
    QObject::connect(&connection, &VarioConnection::Finished, [&] {
        // After the log, the barograph, as the window's command does.
        if (++stage == 1 && connection.StartBarographDownload(session.Db())) return;
        QCoreApplication::quit();
    });
    if (!connection.StartLogDownload(session.Db(), true)) return 1;
    QCoreApplication::exec();
    return stage == 2 ? 0 : 1;
}

int Import(LogbookSession& session, const QString& file) {
    TrackState state;
    LogbookTrackStorage storage(session.Db());
    const ImportResult r = ImportWaypointPlusFile(storage, state, 0, file);
    Say(r.status);
    return r.ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption logbook(QStringLiteral("logbook"), QStringLiteral("Logbook file."),
                                     QStringLiteral("path"));
    const QCommandLineOption gps(QStringLiteral("gps"), QStringLiteral("Track download."),
                                 QStringLiteral("device"));
    const QCommandLineOption vario(QStringLiteral("vario"), QStringLiteral("Log and barograph download."),
                                   QStringLiteral("device"));
    const QCommandLineOption import(QStringLiteral("import"), QStringLiteral("Waypoint+ import."),
                                    QStringLiteral("file"));
    const QCommandLineOption check(QStringLiteral("check"), QStringLiteral("Open the logbook only."));
    parser.addOptions({logbook, gps, vario, import, check});
    parser.process(app);

    LogbookSession session;
    const OpenOutcome opened = session.OpenLogbook(parser.value(logbook));
    if (!opened.Ok()) {
        Say(QStringLiteral("cannot open the logbook: ") +
            LogbookProblemText(opened.problem, [](const char* text) { return QString::fromUtf8(text); }));
        return 3;
    }
    Say(QStringLiteral("opened"));
    if (parser.isSet(gps)) return Gps(session, parser.value(gps));
    if (parser.isSet(vario)) return Vario(session, parser.value(vario));
    if (parser.isSet(import)) return Import(session, parser.value(import));
    return 0;
}
