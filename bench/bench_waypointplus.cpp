// Waypoint+ import of a large generated file: time and peak memory. The file
// is all track point lines, one a second, a new track every 10,000 points.
//   bench_waypointplus [megabytes=200] [--read-only]
// --read-only runs the reader over the file without storing (the parsing cost
// and the memory bound of the stream alone).

#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "gps/trackstorage.h"
#include "gps/waypointplusimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace soarnote;

namespace {

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

qint64 WriteTrackFile(const QString& path, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return -1;
    f.write("Datum,WGS84,WGS84,0,0,0,0,0\r\n");
    qint64 points = 0;
    QByteArray block;
    while (f.size() + block.size() < bytes) {
        const qint64 day = points / 86400, s = points % 86400;
        block += QStringLiteral("TP,D,%1,%2,%3/%4/2020,%5:%6:%7,%8\r\n")
                     .arg(45.0 + (points % 100000) * 1e-6, 0, 'f', 7)
                     .arg(11.0 + (points % 70000) * 1e-6, 0, 'f', 7)
                     .arg(1 + (day / 28) % 12, 2, 10, QLatin1Char('0'))
                     .arg(1 + day % 28, 2, 10, QLatin1Char('0'))
                     .arg(s / 3600, 2, 10, QLatin1Char('0'))
                     .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                     .arg(s % 60, 2, 10, QLatin1Char('0'))
                     .arg(points % 10000 == 0 ? 1 : 0)
                     .toLatin1();
        ++points;
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
    return points;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 megabytes =
        args.size() > 1 && !args[1].startsWith(QLatin1Char('-')) ? args[1].toLongLong() : 200;
    const bool readOnly = args.contains(QStringLiteral("--read-only"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.txt"));
    const qint64 points = WriteTrackFile(file, megabytes * 1024 * 1024);
    const qint64 size = QFileInfo(file).size();
    std::printf("file: %lld bytes, %lld track points\n", static_cast<long long>(size),
                static_cast<long long>(points));
    const long rssBefore = PeakRssKb();

    QElapsedTimer timer;
    timer.start();
    qint64 stored = 0, read = 0;
    int progressCalls = 0;
    if (readOnly) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        WaypointPlusReader reader;
        QByteArray chunk(256 * 1024, Qt::Uninitialized);
        for (qint64 n; (n = f.read(chunk.data(), chunk.size())) > 0;) {
            reader.Feed(QByteArrayView(chunk.constData(), n));
            read += static_cast<qint64>(reader.TakePoints().size());
        }
        reader.Finish();
        read += static_cast<qint64>(reader.TakePoints().size());
    } else {
        const QString path = dir.filePath(QStringLiteral("bench.mdb"));
        LogbookDatabase db;
        QString error;
        QSqlDatabase conn;
        if (db.Create(path, &error)) conn = db.Db();
        if (!conn.isOpen() || !CreateLogbookSchema(conn, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        TrackState state;
        LogbookTrackStorage storage(db.Db());
        const ImportResult r = ImportWaypointPlusFile(storage, state, 0, file, [&](qint64, qint64) {
            ++progressCalls;
            return true;
        });
        std::printf("status: %s\n", qPrintable(r.status));
        read = r.recordsReceived;
        stored = r.pointsStored;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%s: %lld points read, %lld stored, %.1f s (%.1f MB/s), %d progress reports\n",
                readOnly ? "read only" : "import", static_cast<long long>(read),
                static_cast<long long>(stored), seconds, static_cast<double>(size) / 1048576.0 / seconds,
                progressCalls);
    std::printf("peak RSS: %ld KB before the import, %ld KB after\n", rssBefore, PeakRssKb());
    return 0;
}
