// How long from start to a usable main window on a big logbook: 2,000 flights
// and 1,000,000 track points (one 500-point track per flight).
//
//   build/bench/bench_openlogbook [folder]   (QT_QPA_PLATFORM=offscreen is fine)
//
// The logbook is built once in the folder (default /tmp/soarnote-bench) and reused.

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "core/programfolder.h"
#include "settings/settingsstore.h"
#include "ui/kit/prompts.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTextStream>
#include <cstdio>

using namespace soarnote;

namespace {

constexpr int kFlights = 2000;
constexpr int kPointsPerTrack = 500;

bool BuildLogbook(const QString& path) {
    QFile::remove(path);
    LogbookDatabase db;
    QString error;
    if (!db.Create(path, &error)) return false;
    QSqlDatabase sql = db.Db();
    if (!CreateLogbookSchema(sql, &error)) return false;
    sql.transaction();
    QSqlQuery flight(sql), track(sql), point(sql);
    flight.prepare(
        QStringLiteral("INSERT INTO LogData (ID, StartTime, EndTime, StartHeight, MaxHeight, MinHeight, "
                       "Comments) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    track.prepare(QStringLiteral(
        "INSERT INTO Tracks (ID, LogID, StartTime, EndTime, TimeOffset) VALUES (?, ?, ?, ?, 0)"));
    point.prepare(QStringLiteral("INSERT INTO TrackData (TrackID, TIME, LAT, LNG) VALUES (?, ?, ?, ?)"));
    const double first = DayNumber(QDate(2015, 4, 1), 11, 0, 0);
    for (int i = 1; i <= kFlights; ++i) {
        const double start = first + i * 1.7;
        const double end = start + kPointsPerTrack * 10 * kOneSecond;
        flight.addBindValue(i);
        flight.addBindValue(start);
        flight.addBindValue(end);
        flight.addBindValue(500);
        flight.addBindValue(1500 + i % 700);
        flight.addBindValue(300);
        flight.addBindValue(QStringLiteral("flight %1").arg(i));
        flight.exec();
        track.addBindValue(i);
        track.addBindValue(i);
        track.addBindValue(start);
        track.addBindValue(end);
        track.exec();
        for (int p = 0; p < kPointsPerTrack; ++p) {
            point.addBindValue(i);
            point.addBindValue(start + p * 10 * kOneSecond);
            point.addBindValue(53.3 + p * 1e-4);
            point.addBindValue(-1.8 + i * 1e-5);
            point.exec();
        }
    }
    return sql.commit();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/soarnote-bench");
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("big.mdb"));
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
    out << "logbook: " << kFlights << " flights, " << kFlights * kPointsPerTrack << " track points, "
        << QFileInfo(path).size() / (1024 * 1024) << " MiB" << Qt::endl;

    ProgramFolder::SetPath(folder);
    for (int run = 0; run < 5; ++run) {
        SettingsStore settings(QDir(folder).filePath(QStringLiteral("bench.ini")));
        settings.Write(keys::DatabaseName, path);
        DialogPrompts prompts;
        QElapsedTimer timer;
        timer.start();
        LogbookSession session;
        MainWindow window(session, &settings, &prompts);
        window.Startup();
        window.show();
        QCoreApplication::processEvents();
        const qint64 elapsed = timer.nsecsElapsed() / 1000;
        out << "run " << run + 1 << ": usable window on flight " << window.Navigation()->PositionBox()->text()
            << " in " << elapsed / 1000.0 << " ms" << Qt::endl;
        window.close();
    }
    return 0;
}
