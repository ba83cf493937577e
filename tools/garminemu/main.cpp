// soarnote-garminemu: a Garmin receiver on a pseudo-terminal. Prints the
// device to point Soarnote's GPS port at, then answers until interrupted.
//
//   soarnote-garminemu [--tracks 2] [--points 50] [--file track.txt] [--d300]
//                      [--baud 9600] [--behind 30] [--no-capabilities]
//                      [--extended-product] [--fault corrupt@5 ...] [--link /tmp/gps]

#include "emulatorrunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimeZone>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace soarnote::emu;

namespace {
EmulatorRunner* gRunner = nullptr;
void OnSignal(int) {
    if (gRunner) gRunner->Stop();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("soarnote-garminemu"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Emulates a Garmin GPS receiver on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption tracksOpt(QStringLiteral("tracks"), QStringLiteral("Number of tracks."),
                                       QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption pointsOpt(QStringLiteral("points"), QStringLiteral("Points per track."),
                                       QStringLiteral("n"), QStringLiteral("50"));
    const QCommandLineOption fileOpt(
        QStringLiteral("file"), QStringLiteral("Track log from a Waypoint+ file."), QStringLiteral("path"));
    const QCommandLineOption d300Opt(QStringLiteral("d300"),
                                     QStringLiteral("13-byte track points (no altitude)."));
    const QCommandLineOption baudOpt(QStringLiteral("baud"),
                                     QStringLiteral("Pace the line at this baud rate."),
                                     QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption behindOpt(QStringLiteral("behind"),
                                       QStringLiteral("Receiver clock behind the computer's, seconds."),
                                       QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption noCapOpt(QStringLiteral("no-capabilities"),
                                      QStringLiteral("Send no protocol capability array."));
    const QCommandLineOption extOpt(QStringLiteral("extended-product"),
                                    QStringLiteral("Send extended product data."));
    const QCommandLineOption faultOpt(
        QStringLiteral("fault"),
        QStringLiteral("Fault at a data packet: corrupt|nak|stall|garbage|silence|vanish|unknown @N."),
        QStringLiteral("kind@N"));
    const QCommandLineOption linkOpt(QStringLiteral("link"),
                                     QStringLiteral("Also make this symbolic link to the device."),
                                     QStringLiteral("path"));
    const QCommandLineOption startOpt(QStringLiteral("start"),
                                      QStringLiteral("UTC start of the first track (ISO)."),
                                      QStringLiteral("time"), QStringLiteral("2024-05-01T10:00:00"));
    parser.addOptions({tracksOpt, pointsOpt, fileOpt, d300Opt, baudOpt, behindOpt, noCapOpt, extOpt, faultOpt,
                       linkOpt, startOpt});
    parser.process(app);

    EmulatorConfig config;
    if (parser.isSet(fileOpt)) {
        config.points = TracksFromWaypointPlus(parser.value(fileOpt));
        if (config.points.empty()) {
            std::fprintf(stderr, "no track points in %s\n", qPrintable(parser.value(fileOpt)));
            return 2;
        }
    } else {
        QDateTime start = QDateTime::fromString(parser.value(startOpt), Qt::ISODate);
        start.setTimeSpec(Qt::UTC);
        config.points =
            SyntheticTracks(parser.value(tracksOpt).toInt(), parser.value(pointsOpt).toInt(), start);
    }
    config.d300 = parser.isSet(d300Opt);
    config.baud = parser.value(baudOpt).toInt();
    config.clockBehindSeconds = parser.value(behindOpt).toInt();
    config.sendCapabilities = !parser.isSet(noCapOpt);
    config.sendExtendedProduct = parser.isSet(extOpt);
    for (const QString& f : parser.values(faultOpt)) {
        const std::optional<Fault> fault = ParseFault(f);
        if (!fault) {
            std::fprintf(stderr, "unreadable fault: %s\n", qPrintable(f));
            return 2;
        }
        config.faults.push_back(*fault);
    }

    GarminEmulator emulator(config);
    EmulatorRunner runner(emulator);
    QString error;
    if (!runner.OpenPty(&error)) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }
    const QString link = parser.value(linkOpt);
    if (!link.isEmpty()) {
        QFile::remove(link);
        if (!QFile::link(runner.SlavePath(), link))
            std::fprintf(stderr, "cannot make the link %s\n", qPrintable(link));
    }
    std::printf("%s\n", qPrintable(runner.SlavePath()));
    std::fflush(stdout);

    gRunner = &runner;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    runner.Run();
    gRunner = nullptr;
    if (!link.isEmpty()) QFile::remove(link);

    const EmulatorStats& s = emulator.Stats();
    std::fprintf(stderr,
                 "packets sent %llu, resends %llu, NAKs sent %llu, NAKs received %llu, ACKs received %llu, "
                 "track points taken %llu%s\n",
                 static_cast<unsigned long long>(s.packetsSent), static_cast<unsigned long long>(s.resends),
                 static_cast<unsigned long long>(s.naksSent), static_cast<unsigned long long>(s.naksReceived),
                 static_cast<unsigned long long>(s.acksReceived),
                 static_cast<unsigned long long>(s.pointsSent), emulator.Vanished() ? ", line vanished" : "");
    return 0;
}
