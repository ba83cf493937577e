// Waypoint+ track import: the line reader, the chunk-fed reader with its
// encodings and line ends, and the import into a logbook, each stored point
// compared with the file, with repeats, new tracks, refused lines, files
// without track points and a cancel part way.

#include "gpstesthelpers.h"

#include "gps/waypointplusimport.h"

#include <QFile>
#include <QStringEncoder>
#include <QtTest>

using namespace soarnote;
using namespace gpstest;

Q_DECLARE_METATYPE(soarnote::WaypointPlusProblem)

namespace {

QString WriteFile(const QString& dir, const QByteArray& content) {
    const QString path = dir + QStringLiteral("/track.txt");
    testlogbook::WriteBytes(path, content);
    return path;
}

ImportResult Import(const TempLogbook& log, const QString& path, TrackState state = {}, double offset = 0,
                    ImportProgress progress = {}) {
    LogbookTrackStorage storage(log.Db());
    return ImportWaypointPlusFile(storage, state, offset, path, std::move(progress));
}

QByteArray TrackFile(int points, int secondTrackAt = -1, const char* lineEnd = "\r\n") {
    QByteArray text = "Datum,WGS84,WGS84,0,0,0,0,0\r\nRM,Waypoint+ track\r\nH,comment line\r\n";
    text.replace("\r\n", lineEnd);
    for (int i = 0; i < points; ++i) {
        text += QStringLiteral("TP,D,%1,%2,05/01/2024,%3,%4")
                    .arg(53.0 + i * 1e-4, 0, 'f', 7)
                    .arg(-1.8 - i * 1e-5, 0, 'f', 7)
                    .arg(QTime(10, 0).addSecs(i).toString(QStringLiteral("hh:mm:ss")))
                    .arg(i == 0 || i == secondTrackAt ? 1 : 0)
                    .toLatin1() +
                lineEnd;
    }
    return text;
}

// A point as the file states it, read independently of the import's reader.
struct FilePoint {
    double time, lat, lng;
    bool newTrack;
};

std::vector<FilePoint> PointsOfText(const QString& text) {
    std::vector<FilePoint> points;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QStringList f = line.split(QLatin1Char(','));
        if (f.size() < 6 || f[0].trimmed() != QLatin1String("TP")) continue;
        const QDate date = QDate::fromString(f[4].trimmed(), QStringLiteral("MM/dd/yyyy"));
        const QStringList t = f[5].trimmed().split(QLatin1Char(':'));
        points.push_back({DayNumber(date, t[0].toInt(), t[1].toInt(), t[2].toDouble()), f[2].toDouble(),
                          f[3].toDouble(), f.size() > 6 && f[6].trimmed().toInt() != 0});
    }
    return points;
}

// Every stored point, in file order, equals the file's point, and lies in a
// Tracks row that exists; a flag (or the first point) starts the next track.
void CompareStoredWithFile(const TempLogbook& log, const std::vector<FilePoint>& file) {
    QSqlQuery q(log.Db());
    QVERIFY(q.exec(QStringLiteral("SELECT d.\"TIME\", d.Lat, d.Lng, d.TrackID, t.ID FROM TrackData d "
                                  "LEFT JOIN Tracks t ON t.ID = d.TrackID ORDER BY d.\"TIME\"")));
    qsizetype i = 0;
    QVariant previousTrack;
    while (q.next()) {
        QVERIFY2(i < qsizetype(file.size()), "more points stored than the file holds");
        QVERIFY2(!q.value(4).isNull(), "a point without its track");
        QVERIFY(q.value(3).toLongLong() > 0);
        QVERIFY2(std::fabs(q.value(0).toDouble() - file[i].time) < 1e-9, qPrintable(QString::number(i)));
        QCOMPARE(q.value(1).toDouble(), file[i].lat);
        QCOMPARE(q.value(2).toDouble(), file[i].lng);
        if (i > 0) QCOMPARE(q.value(3) != previousTrack, file[i].newTrack);
        previousTrack = q.value(3);
        ++i;
    }
    QCOMPARE(i, qsizetype(file.size()));
}

QByteArray Utf16(const QByteArray& text, bool littleEndian) {
    QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::WriteBom);
    return encoder(QString::fromUtf8(text));
}

} // namespace

class TestWaypointPlus : public QObject {
    Q_OBJECT
private slots:
    void lines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("point");
        QTest::addColumn<WaypointPlusProblem>("problem");
        QTest::addColumn<double>("lat");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<bool>("newTrack");
        using P = WaypointPlusProblem;
        const QDateTime t(QDate(2019, 4, 15), QTime(8, 31, 44));
        auto point = [](const char* name, const char* line, double lat, const QDateTime& time,
                        bool newTrack) {
            QTest::newRow(name) << QByteArray(line) << true << P::None << lat << time << newTrack;
        };
        auto noPoint = [](const char* name, const char* line, P problem) {
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
        point("12/31/2000 23:59:59", "TP,D,-90,180,12/31/2000,23:59:59,0", -90.0,
              QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59)), false);
        noPoint("waypoint line", "WP,D,HOME,53.1,-1.8,01/01/2000,10:00:00,", P::None);
        noPoint("TPX is not TP", "TPX,D,1,2,12/31/2000,23:59:59,0", P::None);
        noPoint("impossible date", "TP,D,1,2,02/30/2000,10:00:00,0", P::BadDate);
        noPoint("bad latitude", "TP,D,north,2,12/31/2000,10:00:00,0", P::BadLatitude);
        noPoint("latitude 90.5", "TP,D,90.5,2,12/31/2000,10:00:00,0", P::BadLatitude);
        noPoint("longitude 300", "TP,D,45,300,12/31/2000,10:00:00,0", P::BadLongitude);
        noPoint("longitude -180.1", "TP,D,45,-180.1,12/31/2000,10:00:00,0", P::BadLongitude);
        noPoint("second 60", "TP,D,1,2,12/31/2000,10:00:60,0", P::BadTime);
        noPoint("cut short", "TP,D,1,2,12/31/2000", P::TooFewFields);
        noPoint("bad flag", "TP,D,1,2,12/31/2000,10:00:00,yes", P::BadFlag);
    }
    void lines() {
        QFETCH(QByteArray, line);
        QFETCH(bool, point);
        QFETCH(WaypointPlusProblem, problem);
        QFETCH(double, lat);
        QFETCH(QDateTime, time);
        QFETCH(bool, newTrack);
        WaypointPlusProblem why = WaypointPlusProblem::TooFewFields;
        const auto p = ParseWaypointPlusLine(line, &why);
        QCOMPARE(bool(p), point);
        QCOMPARE(why, problem);
        if (!p) return;
        QCOMPARE(p->lat, lat);
        QCOMPARE(p->newTrack, newTrack);
        if (time.isValid())
            QCOMPARE(DateTimeFromDayNumber(p->time), time);
        else
            QVERIFY(std::fabs(p->time - Day(2019, 4, 15, 8, 31, 43) - 0.812 / 86400) < 1e-9);
    }

    // The same points whatever the encoding, line ends and chunk sizes; a
    // first point without its flag still opens a track (never track 0).
    void encodingsAndLineEnds_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray crlf = TrackFile(40, 25), cr = TrackFile(40, 25, "\r");
        QByteArray flagZero = crlf;
        flagZero.replace("05/01/2024,10:00:00,1", "05/01/2024,10:00:00,0");
        QTest::newRow("CR LF") << crlf;
        QTest::newRow("LF, no last line end") << TrackFile(40, 25, "\n").chopped(1);
        QTest::newRow("CR only") << cr;
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF") + crlf;
        QTest::newRow("UTF-8 mark, first flag 0") << QByteArray("\xEF\xBB\xBF") + flagZero;
        QTest::newRow("UTF-16 LE") << Utf16(crlf, true);
        QTest::newRow("UTF-16 BE, CR only") << Utf16(cr, false);
    }
    void encodingsAndLineEnds() {
        QFETCH(QByteArray, content);
        const std::vector<FilePoint> expected = PointsOfText(QString::fromLatin1(TrackFile(40, 25)));
        QCOMPARE(expected.size(), size_t(40));
        // Fed a byte at a time, the reader reads what it reads from the whole.
        WaypointPlusReader whole, bytewise;
        whole.Feed(content);
        whole.Finish();
        for (char c : content)
            bytewise.Feed(QByteArrayView(&c, 1));
        bytewise.Finish();
        const auto a = whole.TakePoints(), b = bytewise.TakePoints();
        QCOMPARE(a.size(), expected.size());
        QCOMPARE(b.size(), expected.size());
        for (size_t i = 0; i < a.size(); ++i) {
            QCOMPARE(a[i].line, b[i].line);
            QCOMPARE(a[i].point.time, b[i].point.time);
            QCOMPARE(a[i].point.lat, expected[i].lat);
            QCOMPARE(a[i].point.lng, expected[i].lng);
            QCOMPARE(a[i].line, qint64(i + 4));
        }

        // Imported again, every point is refused. The tracks stay open until
        // the next linking, with the offset given.
        TempLogbook log;
        TrackState state;
        state.currentTrackId = 9999; // an earlier transfer's track is not continued
        const QString path = WriteFile(log.Dir(), content);
        for (int entered : {40, 0}) {
            const ImportResult r = Import(log, path, state, 0.5);
            QVERIFY2(r.ok, qPrintable(r.status));
            QCOMPARE(r.status,
                     QStringLiteral("Successfully Imported  40 Track Records [ %1 Entered]").arg(entered));
        }
        QCOMPARE(log.Scalar(QStringLiteral(
                                "SELECT COUNT(*) FROM Tracks WHERE EndTime IS NULL AND TimeOffset = 0.5"))
                     .toInt(),
                 2);
        CompareStoredWithFile(log, expected);
    }

    // A UTF-16 file read in two pieces cut at every byte: a character outside
    // the basic plane (two units) comes out whole in the unreadable line,
    // whether the cut falls inside a unit or between the pair's units.
    void utf16CutAtEveryByte() {
        const QString bad =
            QStringLiteral("TP,D,45.8,11.7,04/15/2019,08:31:45,") + QString::fromUcs4(U"\U0001F600");
        const QString text =
            QStringLiteral("TP,D,45.8,11.7,04/15/2019,08:31:44,1\r\n") + bad + QStringLiteral("\r\n");
        for (bool littleEndian : {true, false}) {
            const QByteArray file = Utf16(text.toUtf8(), littleEndian);
            for (qsizetype cut = 0; cut <= file.size(); ++cut) {
                WaypointPlusReader reader;
                reader.Feed(QByteArrayView(file).first(cut));
                reader.Feed(QByteArrayView(file).sliced(cut));
                reader.Finish();
                QCOMPARE(reader.TakePoints().size(), size_t(1));
                QCOMPARE(reader.Problem(), WaypointPlusProblem::BadFlag);
                QCOMPARE(QString::fromUtf8(reader.ProblemText()), bad);
            }
        }
    }

    void realFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("stored");
        // One-second fixes; the receiver logged some seconds twice at one place.
        QTest::newRow("skydrop") << "skydrop-2019-04-15.txt" << 533 << -1;
        // Another program's variant: fractional seconds and an empty flag field.
        QTest::newRow("stmwpp") << "stmwpp-track.txt" << 53 << 53;
    }
    void realFiles() {
        QFETCH(QString, file);
        QFETCH(int, points);
        QFETCH(int, stored);
        const QString path = QStringLiteral(SOARNOTE_TEST_DATA "/waypointplus/") + file;
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        TempLogbook log;
        const ImportResult r = Import(log, path);
        QVERIFY2(r.ok, qPrintable(r.status));
        QCOMPARE(r.recordsReceived, points);
        if (stored >= 0) QCOMPARE(r.pointsStored, stored);
        // The points the logbook refused repeat a time and place already stored.
        std::vector<FilePoint> unique;
        for (const FilePoint& p : PointsOfText(QString::fromUtf8(f.readAll())))
            if (unique.empty() || p.time != unique.back().time || p.lat != unique.back().lat ||
                p.lng != unique.back().lng)
                unique.push_back(p);
        QCOMPARE(qint64(unique.size()), r.pointsStored);
        CompareStoredWithFile(log, unique);
    }

    // A refused line stops the import with its number, keeping what came
    // before and nothing after; a file without track points stores nothing.
    void importFails_data() {
        QTest::addColumn<QByteArray>("content"); // "-": no such file
        QTest::addColumn<QString>("status");     // how it starts
        QTest::addColumn<int>("stored");
        const QByteArray head = TrackFile(10), tail = "\r\n" + TrackFile(5).mid(60);
        const QString stopped = QStringLiteral("Import stopped at line 14 (%1): %2 [ 10 Entered]");
        for (const auto& [line, why] :
             {std::pair{"TP,D,53.5,-1.8,13/45/2024,10:00:00,0", "bad date"},
              {"TP,D,53.5,300,05/01/2024,10:00:00,0", "longitude not between -180 and 180"},
              {"TP,D,-91,-1.8,05/01/2024,10:00:00,0", "latitude not between -90 and 90"}})
            QTest::newRow(why) << head + line + tail
                               << stopped.arg(QString::fromLatin1(why), QString::fromLatin1(line)) << 10;
        const QString none = QStringLiteral("No track points found in the file");
        QTest::newRow("empty") << QByteArray() << none << 0;
        QTest::newRow("header only") << QByteArray("Datum,WGS84,WGS84,0,0,0,0,0\r\nWP,D,HOME,53.1,-1.8\r\n")
                                     << none << 0;
        QTest::newRow("UTF-16 without a mark") << Utf16(TrackFile(3), true).mid(2) << none << 0;
        QTest::newRow("missing file") << QByteArray("-") << QStringLiteral("ERROR - (GPS) ") << 0;
    }
    void importFails() {
        QFETCH(QByteArray, content);
        QFETCH(QString, status);
        QFETCH(int, stored);
        TempLogbook log;
        const QString path =
            content == "-" ? log.Dir() + QStringLiteral("/none.txt") : WriteFile(log.Dir(), content);
        const ImportResult r = Import(log, path);
        QVERIFY(!r.ok);
        QCOMPARE(r.noTrackPoints, status.startsWith(QStringLiteral("No track")));
        QCOMPARE(r.failedLine, stored > 0 ? 14 : 0);
        QVERIFY2(r.status.startsWith(status), qPrintable(r.status));
        if (content == "-") QVERIFY(r.status.endsWith(QStringLiteral("none.txt")));
        CompareStoredWithFile(log, PointsOfText(QString::fromLatin1(TrackFile(stored))));
    }

    // A cancel after the first chunk keeps exactly the points read before it.
    void cancelKeepsWhatWasStored() {
        TempLogbook log;
        const QByteArray content = TrackFile(12000); // several chunks
        std::vector<std::pair<qint64, qint64>> calls;
        const ImportResult r =
            Import(log, WriteFile(log.Dir(), content), {}, 0, [&](qint64 done, qint64 total) {
                calls.emplace_back(done, total);
                return false;
            });
        QVERIFY(r.cancelled && !r.ok);
        QVERIFY2(r.status.startsWith(QStringLiteral("Import cancelled after")), qPrintable(r.status));
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].second, qint64(content.size()));
        QVERIFY(calls[0].first > 0 && calls[0].first < content.size());
        // The lines complete within the bytes read were stored, and no more.
        const QByteArray head = content.left(calls[0].first);
        const auto expected = PointsOfText(QString::fromLatin1(head.left(head.lastIndexOf('\n') + 1)));
        QCOMPARE(r.pointsStored, qint64(expected.size()));
        CompareStoredWithFile(log, expected);
    }
};

QTEST_GUILESS_MAIN(TestWaypointPlus)
#include "tst_waypointplus.moc"
