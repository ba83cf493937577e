// soarnote-solemu: a Sol variometer on a pseudo-terminal, for trying the
// program's vario downloads without the instrument. Prints the device path
// to enter as the vario port in the options, then answers until stopped.

#include "solemulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void RequestStop(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("soarnote-solemu"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Emulates a Sol variometer on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption flights(QStringLiteral("flights"), QStringLiteral("Flights in the log (0-101)."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption traces(QStringLiteral("traces"), QStringLiteral("Barograph traces stored."),
                                    QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption samples(QStringLiteral("samples"), QStringLiteral("Samples per trace."),
                                     QStringLiteral("n"), QStringLiteral("300"));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("Seconds between samples."),
                                      QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption date(QStringLiteral("date"),
                                  QStringLiteral("Date of the newest flight (yyyy-MM-dd)."),
                                  QStringLiteral("date"), QStringLiteral("2024-06-05"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Send at this baud rate (0: at once)."),
                                  QStringLiteral("baud"), QStringLiteral("4800"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send each reply in two parts, ms apart."),
                                   QStringLiteral("ms"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption silentAfter(QStringLiteral("silent-after"),
                                         QStringLiteral("Answer n commands, then nothing."),
                                         QStringLiteral("n"));
    const QCommandLineOption drop(QStringLiteral("drop"),
                                  QStringLiteral("Lose a byte of the reply to command n."),
                                  QStringLiteral("n"));
    const QCommandLineOption garbage(
        QStringLiteral("garbage"), QStringLiteral("Answer command n with line noise."), QStringLiteral("n"));
    parser.addOptions(
        {flights, traces, samples, interval, date, pace, split, silent, silentAfter, drop, garbage});
    parser.process(app);

    solemu::DemoOptions options;
    options.flights = parser.value(flights).toInt();
    options.traces = std::min(parser.value(traces).toInt(), options.flights);
    options.samplesPerTrace = parser.value(samples).toInt();
    options.intervalSeconds = parser.value(interval).toInt();
    const QDate last = QDate::fromString(parser.value(date), Qt::ISODate);
    if (last.isValid()) options.lastDate = last;

    solemu::SolEmulator emulator(solemu::MakeDemoMemory(options));
    emulator.SetPacing(parser.value(pace).toInt());
    if (parser.isSet(split)) emulator.SetSplit(2, parser.value(split).toInt());
    solemu::SolFaults& faults = emulator.Device().Faults();
    faults.silent = parser.isSet(silent);
    if (parser.isSet(silentAfter)) faults.silentAfter = parser.value(silentAfter).toInt();
    if (parser.isSet(drop)) faults.dropInReply = parser.value(drop).toInt();
    if (parser.isSet(garbage)) faults.garbageForReply = parser.value(garbage).toInt();

    QString error;
    if (!emulator.Open(&error)) {
        QTextStream(stderr) << "soarnote-solemu: cannot make a pseudo-terminal: " << error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << emulator.DevicePath() << '\n';
    out << "Enter this path as the Vario port in Soarnote's options. " << options.flights << " flights, "
        << options.traces << " barograph traces. Ctrl+C stops.\n";
    out.flush();
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [] {
        if (stopRequested) QCoreApplication::quit();
    });
    stopWatch.start(100);
    const int result = app.exec();
    QTextStream(stderr) << "soarnote-solemu: " << emulator.BytesReceived() << " bytes heard, "
                        << emulator.BytesSent() << " bytes sent\n";
    return result;
}
