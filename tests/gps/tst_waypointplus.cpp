// Waypoint+ track import: the line reader, the status texts, repeats, new
// tracks, real files from two programs, and unreadable lines.

#include "gpstesthelpers.h"

#include "gps/waypointplusimport.h"

#include <QFile>
#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

QString WriteFile(const QString& dir, const QString& name, const QByteArray& content) {
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QByteArray TrackFile(int points, int secondTrackAt = -1) {
    QByteArray text = "Datum,WGS84,WGS84,0,0,0,0,0\r\nRM,Waypoint+ track\r\nH,comment line\r\n";
    for (int i = 0; i < points; ++i) {
        const int s = i % 60, m = (i / 60) % 60;
        text += QStringLiteral("TP,D,%1,%2,05/01/2024,10:%3:%4,%5\r\n")
                    .arg(53.0 + i * 1e-4, 0, 'f', 7)
                    .arg(-1.8, 0, 'f', 7)
                    .arg(m, 2, 10, QLatin1Char('0'))
                    .arg(s, 2, 10, QLatin1Char('0'))
                    .arg(i == 0 || i == secondTrackAt ? 1 : 0)
                    .toLatin1();
    }
    return text;
}

} // namespace

class TestWaypointPlus : public QObject {
    Q_OBJECT
private slots:
    void lines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("point");
        QTest::addColumn<bool>("problem");
        QTest::addColumn<double>("lat");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<bool>("newTrack");
        const QDateTime t(QDate(2019, 4, 15), QTime(8, 31, 44));
        auto point = [](const char* name, const char* line, double lat, const QDateTime& time,
                        bool newTrack) {
            QTest::newRow(name) << QByteArray(line) << true << false << lat << time << newTrack;
        };
        auto noPoint = [](const char* name, const char* line, bool problem) {
            QTest::newRow(name) << QByteArray(line) << false << problem << 0.0 << QDateTime() << false;
        };
        point("plain", "TP,D,45.8195333,11.7631500,04/15/2019,08:31:44,1", 45.8195333, t, true);
        point("crlf", "TP,D,45.8195333,11.76315,04/15/2019,08:31:44,0\r\n", 45.8195333, t, false);
        point("blanks and quotes", " \"TP\" , \"D\", 45.5 , 11.7 ,\"04/15/2019\", 08:31:44 , 1 ", 45.5, t,
              true);
        point("empty flag", "TP,D,45.5,4.66,04/15/2019,08:31:44,", 45.5, t, false);
        point("fractional seconds", "TP,D,45.5,4.66,04/15/2019,08:31:43.812,", 45.5, QDateTime(), false);
        point("January 2nd, not February 1st", "TP,D,1,2,01/02/1980,00:00:00,0", 1.0,
              QDateTime(QDate(1980, 1, 2), QTime(0, 0)), false);
        noPoint("waypoint line", "WP,D,HOME,53.1,-1.8,01/01/2000,10:00:00,", false);
        noPoint("TPX is not TP", "TPX,D,1,2,12/31/2000,23:59:59,0", false);
        noPoint("impossible date", "TP,D,1,2,02/30/2000,10:00:00,0", true);
        noPoint("bad latitude", "TP,D,north,2,12/31/2000,10:00:00,0", true);
        noPoint("cut short", "TP,D,1,2,12/31/2000", true);
        noPoint("bad flag", "TP,D,1,2,12/31/2000,10:00:00,yes", true);
    }
    void lines() {
        QFETCH(QByteArray, line);
        QFETCH(bool, point);
        QFETCH(bool, problem);
        QFETCH(double, lat);
        QFETCH(QDateTime, time);
        QFETCH(bool, newTrack);
        QString why;
        const auto p = ParseWaypointPlusLine(line, &why);
        QCOMPARE(bool(p), point);
        QCOMPARE(!why.isEmpty(), problem);
        if (!p) return;
        QCOMPARE(p->lat, lat);
        QCOMPARE(p->newTrack, newTrack);
        if (time.isValid())
            QCOMPARE(DateTimeFromDayNumber(p->time), time);
        else
            QVERIFY(std::fabs(p->time - Day(2019, 4, 15, 8, 31, 43) - 0.812 / 86400) < 1e-9);
    }

    void importThenImportAgain() {
        TempLogbook log;
        const QString path = WriteFile(log.Dir(), QStringLiteral("track.txt"), TrackFile(250));
        TrackState state;
        {
            LogbookTrackStorage storage(log.Db());
            const ImportResult r = ImportWaypointPlusFile(storage, state, 0, path);
            QVERIFY(r.ok);
            QCOMPARE(r.status, QStringLiteral("Successfully Imported  250 Track Records [ 250 Entered]"));
        }
        LogbookTrackStorage storage(log.Db());
        const ImportResult again = ImportWaypointPlusFile(storage, state, 0, path);
        QCOMPARE(again.status, QStringLiteral("Successfully Imported  250 Track Records [ 0 Entered]"));
        QCOMPARE(log.Count(QStringLiteral("TrackData")), 250);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 1);
        // Imported tracks stay open until the next linking.
        QVERIFY(log.Scalar(QStringLiteral("SELECT EndTime FROM Tracks")).isNull());
    }

    void flagStartsASecondTrack() {
        TempLogbook log;
        const QString path = WriteFile(log.Dir(), QStringLiteral("two.txt"), TrackFile(20, 12));
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        const ImportResult r = ImportWaypointPlusFile(storage, state, 0.5, path);
        QVERIFY(r.ok);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 2);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = ?"),
                            {state.currentTrackId})
                     .toInt(),
                 8);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT MIN(TimeOffset) FROM Tracks")).toDouble(), 0.5);
    }

    void realFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QDateTime>("first");
        // One-second fixes; the receiver logged some seconds twice at one place.
        QTest::newRow("skydrop") << "skydrop-2019-04-15.txt" << 533 << -1
                                 << QDateTime(QDate(2019, 4, 15), QTime(8, 31, 44));
        // Another program's variant: fractional seconds and an empty flag field.
        QTest::newRow("stmwpp") << "stmwpp-track.txt" << 53 << 53
                                << QDateTime(QDate(2005, 8, 23), QTime(15, 25, 13));
    }
    void realFiles() {
        QFETCH(QString, file);
        QFETCH(int, points);
        QFETCH(int, stored);
        QFETCH(QDateTime, first);
        const QString path = QStringLiteral(SOARNOTE_SHARED_DATA "/waypointplus/") + file;
        if (!QFile::exists(path)) QSKIP("shared data not found");
        TempLogbook log;
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        const ImportResult r = ImportWaypointPlusFile(storage, state, 0, path);
        QVERIFY2(r.ok, qPrintable(r.status));
        QCOMPARE(r.recordsReceived, points);
        if (stored >= 0) QCOMPARE(r.pointsStored, stored);
        QCOMPARE(log.Count(QStringLiteral("TrackData")), int(r.pointsStored));
        QVERIFY(log.Count(QStringLiteral("Tracks")) >= 1);
        const double firstTime = log.Scalar(QStringLiteral("SELECT MIN(\"TIME\") FROM TrackData")).toDouble();
        QCOMPARE(DateTimeFromDayNumber(firstTime), first);
    }

    void unreadableLineStopsWithItsNumber() {
        TempLogbook log;
        QByteArray text = TrackFile(10);
        text += "TP,D,53.5,-1.8,13/45/2024,10:00:00,0\r\n";
        text += TrackFile(5).mid(60); // more points that are never read
        const QString path = WriteFile(log.Dir(), QStringLiteral("bad.txt"), text);
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        const ImportResult r = ImportWaypointPlusFile(storage, state, 0, path);
        QVERIFY(!r.ok);
        QCOMPARE(r.failedLine, 14);
        QCOMPARE(r.status, QStringLiteral("Import stopped at line 14 (bad date): "
                                          "TP,D,53.5,-1.8,13/45/2024,10:00:00,0 [10 Entered]"));
        // What came before stays stored.
        LogbookDatabase other;
        QString error;
        QVERIFY(other.Open(log.Path(), &error));
        QCOMPARE(testlogbook::RowCount(other.Db(), QStringLiteral("TrackData")), 10);
    }

    void missingFile() {
        TempLogbook log;
        TrackState state;
        LogbookTrackStorage storage(log.Db());
        const ImportResult r =
            ImportWaypointPlusFile(storage, state, 0, log.Dir() + QStringLiteral("/none.txt"));
        QVERIFY(!r.ok);
        QVERIFY2(r.status.startsWith(QStringLiteral("ERROR - (GPS) ")), qPrintable(r.status));
        QVERIFY(r.status.endsWith(QStringLiteral("none.txt")));
    }
};

QTEST_GUILESS_MAIN(TestWaypointPlus)
#include "tst_waypointplus.moc"
