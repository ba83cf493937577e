// GPS figures, run by hand: a 10,000-point download from the unpaced
// receiver emulator (points per second), a paced 9600-baud download against
// the stop-and-wait wire time of the bytes exchanged, and a 100,000-line
// Waypoint+ import.
//
//   build/bench/bench_gpsdownload [points] [paced points]

#include "emulatorrunner.h"

#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "core/trackstore.h"
#include "gps/gpsportadapter.h"
#include "gps/waypointplusimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace soarnote;

namespace {

QString NewLogbook(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    LogbookDatabase db;
    QString error;
    db.Create(path, &error);
    QSqlDatabase conn = db.Db();
    CreateLogbookSchema(conn, &error);
    return path;
}

struct Run {
    double seconds = 0;
    double wireSeconds = 0;
    double lineSeconds = 0;
    double reactionUs = 0;
    QString status;
};

Run Download(const QTemporaryDir& dir, int points, int baud) {
    emu::EmulatorConfig config;
    config.points = emu::SyntheticTracks(1, points, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    config.baud = baud;
    emu::GarminEmulator emulator(config);
    emu::EmulatorRunner runner(emulator);
    QString error;
    if (!runner.OpenPty(&error)) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(error));
        return {};
    }
    runner.Start();
    const QString device = runner.SlavePath();
    const QString speed = QString::number(baud > 0 ? baud : 115200);
    Run run;
    {
        GpsPortAdapter adapter([&] {
            return ParseSerialSettings(device, speed, QStringLiteral("NONE"), QStringLiteral("8"),
                                       QStringLiteral("1"));
        });
        LogbookDatabase db;
        db.Open(NewLogbook(dir, QStringLiteral("bench%1.mdb").arg(baud)), &error);
        LogbookTrackStorage storage(db.Db());
        QEventLoop loop;
        QObject::connect(&adapter, &GpsPortAdapter::CommandEnded, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        adapter.Link().RequestGpsTracks(&storage);
        loop.exec();
        run.seconds = clock.nsecsElapsed() / 1e9;
        run.status = adapter.Status();
    }
    runner.Stop();
    runner.Join();
    run.wireSeconds = emulator.WireTimeUs() / 1e6;
    run.lineSeconds = (emulator.Stats().lastByteUs - emulator.Stats().firstByteUs) / 1e6;
    const auto& s = emulator.Stats();
    run.reactionUs = s.hostReactions ? double(s.hostReactionUs) / double(s.hostReactions) : 0;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int pacedPoints = argc > 2 ? std::atoi(argv[2]) : 300;
    QTemporaryDir dir;

    const Run fast = Download(dir, points, 0);
    std::printf("unpaced download: %d points in %.3f s = %.0f points/s (%s)\n", points, fast.seconds,
                points / fast.seconds, qPrintable(fast.status));

    const Run paced = Download(dir, pacedPoints, 9600);
    std::printf("9600 baud download: %d points, %.3f s on the line, %.3f s of stop-and-wait wire time, "
                "ratio %.4f; Soarnote answers each packet in %.0f us on average (%s)\n",
                pacedPoints, paced.lineSeconds, paced.wireSeconds, paced.lineSeconds / paced.wireSeconds,
                paced.reactionUs, qPrintable(paced.status));

    const QString file = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("Datum,WGS84,WGS84,0,0,0,0,0\r\n");
        for (int i = 0; i < 100000; ++i) {
            const int s = i % 60, m = (i / 60) % 60, h = (i / 3600) % 24, d = 1 + i / 86400;
            f.write(QStringLiteral("TP,D,%1,%2,05/%3/2024,%4:%5:%6,%7\r\n")
                        .arg(53.0 + (i % 5000) * 1e-5, 0, 'f', 7)
                        .arg(-1.8 + (i % 7000) * 1e-5, 0, 'f', 7)
                        .arg(d, 2, 10, QLatin1Char('0'))
                        .arg(h, 2, 10, QLatin1Char('0'))
                        .arg(m, 2, 10, QLatin1Char('0'))
                        .arg(s, 2, 10, QLatin1Char('0'))
                        .arg(i % 20000 == 0 ? 1 : 0)
                        .toLatin1());
        }
    }
    LogbookDatabase db;
    QString error;
    db.Open(NewLogbook(dir, QStringLiteral("import.mdb")), &error);
    QElapsedTimer clock;
    clock.start();
    ImportResult result;
    {
        LogbookTrackStorage storage(db.Db());
        TrackState state;
        result = ImportWaypointPlusFile(storage, state, 0, file);
    }
    std::printf("Waypoint+ import: 100000 lines in %.3f s (%s)\n", clock.nsecsElapsed() / 1e9,
                qPrintable(result.status));
    return 0;
}
