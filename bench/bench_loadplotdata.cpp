// How long LoadPlotData takes on a long flight: 100,000 track points in two
// tracks (one a second) and 36,000 barograph samples (one every three
// seconds), in a logbook that also holds 50 other flights. The figure to compare with
// is a plain query that only reads the same rows in time order; the merge
// should stay within about twice that.
//
//   build/bench/bench_loadplotdata [folder]
//
// The logbook is built once in the folder (default /tmp/soarnote-bench) and reused.

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "plot/loadplotdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTextStream>
#include <algorithm>
#include <vector>

using namespace soarnote;

namespace {

constexpr int kTrackPoints = 100000;
constexpr int kBaroSamples = 36000;
constexpr int kOtherFlights = 50;
constexpr int kOtherPoints = 2000;
constexpr int kOtherSamples = 720;
constexpr qint64 kFlightId = 1;
constexpr int kRuns = 7;

double FlightStart() {
    return DayNumber(QDate(2016, 7, 2), 1, 0, 0);
}

bool BuildLogbook(const QString& path) {
    QFile::remove(path);
    LogbookDatabase db;
    QString error;
    if (!db.Create(path, &error)) return false;
    QSqlDatabase sql = db.Db();
    if (!CreateLogbookSchema(sql, &error)) return false;
    sql.transaction();
    QSqlQuery flight(sql), track(sql), point(sql), baro(sql);
    flight.prepare(
        QStringLiteral("INSERT INTO LogData (ID, StartTime, EndTime, TimeOffset) VALUES (?, ?, ?, ?)"));
    track.prepare(QStringLiteral(
        "INSERT INTO Tracks (ID, LogID, StartTime, EndTime, TimeOffset) VALUES (?, ?, ?, ?, ?)"));
    point.prepare(QStringLiteral("INSERT INTO TrackData (TrackID, TIME, LAT, LNG) VALUES (?, ?, ?, ?)"));
    baro.prepare(QStringLiteral("INSERT INTO BaroData (LogID, TIME, height) VALUES (?, ?, ?)"));
    // Times in whole seconds, as the GPS and the variometer give them.
    int trackId = 0;
    auto addFlight = [&](qint64 id, double start, int points, int samples, int tracks) {
        flight.addBindValue(id);
        flight.addBindValue(start);
        flight.addBindValue(start + points * kOneSecond);
        flight.addBindValue(0.0);
        flight.exec();
        const int perTrack = points / tracks;
        for (int t = 0; t < tracks; ++t) {
            ++trackId;
            track.addBindValue(trackId);
            track.addBindValue(id);
            track.addBindValue(start + t * perTrack * kOneSecond);
            track.addBindValue(start + ((t + 1) * perTrack - 1) * kOneSecond);
            track.addBindValue(0.0);
            track.exec();
            for (int p = 0; p < perTrack; ++p) {
                const int k = t * perTrack + p;
                point.addBindValue(trackId);
                point.addBindValue(start + k * kOneSecond);
                point.addBindValue(52.9 + 0.2 * std::sin(k * 1e-4) + id * 1e-3);
                point.addBindValue(-1.9 + 0.3 * std::cos(k * 7e-5));
                point.exec();
            }
        }
        for (int s = 0; s < samples; ++s) {
            baro.addBindValue(id);
            baro.addBindValue(start + 3 * s * kOneSecond);
            baro.addBindValue(400 + (s * 37) % 1900);
            baro.exec();
        }
    };
    addFlight(kFlightId, FlightStart(), kTrackPoints, kBaroSamples, 2);
    for (int i = 1; i <= kOtherFlights; ++i)
        addFlight(kFlightId + i, FlightStart() + i * 1.5, kOtherPoints, kOtherSamples, 1);
    return sql.commit();
}

// Reading the same rows as the plot, in the same order, and nothing else.
qint64 PlainRead(const QSqlDatabase& db, double& checksum, int& rows) {
    QElapsedTimer timer;
    timer.start();
    QSqlQuery baro(db);
    baro.setForwardOnly(true);
    baro.prepare(QStringLiteral("SELECT TIME, height FROM BaroData WHERE LogID = ? ORDER BY TIME"));
    baro.addBindValue(kFlightId);
    baro.exec();
    rows = 0;
    while (baro.next()) {
        checksum += baro.value(0).toDouble() + baro.value(1).toDouble();
        ++rows;
    }
    QSqlQuery track(db);
    track.setForwardOnly(true);
    track.prepare(QStringLiteral("SELECT TIME, LAT, LNG FROM TrackData "
                                 "WHERE TrackID IN (SELECT ID FROM Tracks WHERE LogID = ?) ORDER BY TIME"));
    track.addBindValue(kFlightId);
    track.exec();
    while (track.next()) {
        checksum += track.value(0).toDouble() + track.value(1).toDouble() + track.value(2).toDouble();
        ++rows;
    }
    return timer.nsecsElapsed();
}

double Median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2] / 1e6;
}

double Least(const std::vector<qint64>& v) {
    return *std::min_element(v.begin(), v.end()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/soarnote-bench");
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("plot.mdb"));
    QTextStream out(stdout);
    if (!QFileInfo::exists(path)) {
        QElapsedTimer build;
        build.start();
        if (!BuildLogbook(path)) {
            out << "could not build " << path << Qt::endl;
            return 1;
        }
        out << "built " << path << " in " << build.elapsed() << " ms" << Qt::endl;
    }
    LogbookDatabase file;
    QString error;
    if (!file.Open(path, &error)) {
        out << "could not open " << path << ": " << error << Qt::endl;
        return 1;
    }
    const QSqlDatabase db = file.Db();
    out << "flight: " << kTrackPoints << " track points, " << kBaroSamples << " barograph samples; logbook "
        << QFileInfo(path).size() / (1024 * 1024) << " MiB" << Qt::endl;

    const PlotFlight flight{kFlightId, FlightStart(), FlightStart() + kTrackPoints * kOneSecond, 0.0};
    std::vector<qint64> plain, whole, limited;
    double checksum = 0;
    int rows = 0;
    int points = 0;
    // One warm-up round, so that every run reads from the page cache.
    for (int run = -1; run < kRuns; ++run) {
        const qint64 plainNs = PlainRead(db, checksum, rows);
        QElapsedTimer timer;
        timer.start();
        PlotData plot;
        const PlotLoadResult result =
            LoadPlotData(plot, db, flight, PlotOptions{QStringLiteral("Meters"), false});
        const qint64 wholeNs = timer.nsecsElapsed();
        if (result.status != PlotLoadResult::Status::Loaded) {
            out << "LoadPlotData failed: " << result.error << Qt::endl;
            return 1;
        }
        points = plot.lastIndex + 1;
        timer.restart();
        PlotData limitedPlot;
        LoadPlotData(limitedPlot, db, flight, PlotOptions{QStringLiteral("Meters"), true});
        const qint64 limitedNs = timer.nsecsElapsed();
        if (run < 0) continue;
        plain.push_back(plainNs);
        whole.push_back(wholeNs);
        limited.push_back(limitedNs);
    }
    out << "rows read: " << rows << ", plot points: " << points << " (checksum " << checksum << ")"
        << Qt::endl;
    out << Qt::fixed << qSetRealNumberPrecision(1);
    out << "plain read of the rows:   median " << Median(plain) << " ms, best " << Least(plain) << " ms"
        << Qt::endl;
    out << "LoadPlotData:             median " << Median(whole) << " ms, best " << Least(whole) << " ms"
        << Qt::endl;
    out << "LoadPlotData, Limit View: median " << Median(limited) << " ms, best " << Least(limited) << " ms"
        << Qt::endl;
    out << qSetRealNumberPrecision(2) << "ratio LoadPlotData / plain read: " << Median(whole) / Median(plain)
        << " (median), " << Least(whole) / Least(plain) << " (best)" << Qt::endl;
    return 0;
}
