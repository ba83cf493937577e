// A full variometer download through the emulated Sol at 4800 baud: 100 log
// records, then 10 barograph traces of 3,000 samples. Prints the time each
// took against the line time of the bytes exchanged.

#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "settings/settingsstore.h"
#include "solemulator.h"
#include "vario/varioconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace soarnote;

namespace {

constexpr int kBaud = 4800;

struct Figure {
    double seconds = 0;
    qint64 bytes = 0;
    QString status;
};

Figure Run(VarioConnection& connection, const std::function<bool()>& start) {
    QString status;
    auto c = QObject::connect(&connection, &VarioConnection::StatusChanged,
                              [&status](const QString& t) { status = t; });
    const qint64 before = connection.BytesWritten() + connection.BytesRead();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&connection, &VarioConnection::Finished, &loop, &QEventLoop::quit);
    if (start()) loop.exec();
    QObject::disconnect(c);
    return {clock.elapsed() / 1000.0, connection.BytesWritten() + connection.BytesRead() - before, status};
}

void Print(const char* what, const Figure& f) {
    const double wire = f.bytes * 10.0 / kBaud;
    std::printf("%-34s %8.1f s   %7lld bytes   line time %7.1f s   ratio %.2f   (%s)\n", what, f.seconds,
                static_cast<long long>(f.bytes), wire, f.seconds / wire, qPrintable(f.status));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mdb");
    {
        LogbookDatabase file;
        QSqlDatabase db;
        QString error;
        if (!file.Create(path, &error) || !(db = file.Db(), CreateLogbookSchema(db, &error))) {
            std::fprintf(stderr, "cannot make a logbook: %s\n", qPrintable(error));
            return 1;
        }
    }
    LogbookDatabase file;
    file.Open(path, nullptr);

    solemu::DemoOptions options;
    options.flights = 100;
    options.traces = 10;
    options.samplesPerTrace = 3000;
    options.intervalSeconds = 2;
    solemu::SolEmulator emulator(solemu::MakeDemoMemory(options));
    emulator.SetPacing(kBaud);
    if (!emulator.Open()) return 1;
    SettingsStore settings(dir.filePath("settings.ini"));
    settings.Write(keys::VarioPort, emulator.DevicePath());
    VarioConnection connection(settings);
    connection.SetCreateFlightQuestion([](const QString&) { return true; });

    std::printf("Sol emulator at %d baud: %d log records, %d traces of %d samples\n", kBaud, options.flights,
                options.traces, options.samplesPerTrace);
    const Figure log = Run(connection, [&] { return connection.StartLogDownload(file.Db(), false); });
    Print("Update Log (100 records + 1 empty)", log);
    const Figure baro = Run(connection, [&] { return connection.StartBarographDownload(file.Db()); });
    Print("Get Barograph (10 x 3,000 samples)", baro);
    Figure total{log.seconds + baro.seconds, log.bytes + baro.bytes, QString()};
    Print("Both", total);
    // Each trace ends with ten unanswered "next" commands, 50 ms apart.
    std::printf("of which the end-of-trace silences: %.1f s\n", options.traces * 10 * 0.05);
    QSqlQuery q(file.Db());
    q.exec("SELECT (SELECT COUNT(*) FROM LogData), (SELECT COUNT(*) FROM BaroData), "
           "(SELECT COUNT(*) FROM BaroData WHERE LogID > 0)");
    q.next();
    std::printf("stored: %d flights, %d samples (%d linked to flights)\n", q.value(0).toInt(),
                q.value(1).toInt(), q.value(2).toInt());
    return 0;
}
