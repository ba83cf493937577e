// IGC and GPX files into a logbook: every fix of the real files stored with its time, position (LAD/LOD
// digits kept) and heights, the pressure trace, the flight's fields, a flight that already covers the time, a
// second import, summer and winter offsets, hand-made GPX variants, and refused files that leave the logbook
// exactly as it was.

#include "common/testlogbook.h"
#include "core/flightimport.h"
#include "core/numbertext.h"
#include "igcexpect.h"

#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <set>
#include <tuple>

using namespace soarnote;
using namespace igcexpect;

Q_DECLARE_METATYPE(soarnote::TrackFileProblem)

namespace {

// Every row of every table the import writes, as text, for "nothing changed".
QStringList Dump(const QSqlDatabase& db) {
    QStringList rows;
    for (const char* table : {"LogData", "Tracks", "TrackData", "BaroData", "Glider"}) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            rows << QLatin1String(table) + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

double Offset(const igcexpect::File& file, const QTimeZone& zone) {
    const double hours =
        file.tzHours
            ? *file.tzHours
            : zone.offsetFromUtc(
                  QDateTime(file.date, QTime(0, 0), QTimeZone::utc())
                      .addSecs(static_cast<qint64>(
                          (file.fixes.front().time - std::floor(file.fixes.front().time)) * 86400))) /
                  3600.0;
    return ToSingle(hours / 24.0);
}

} // namespace

class TestFlightImport : public QObject {
    Q_OBJECT
private slots:
    void realFiles_data();
    void realFiles();
    void existingFlightGetsTrack();
    void secondImportAddsNothing();
    void overlappingFileAddsOnlyNewFixes();
    void offsets_data();
    void offsets();
    void gpx_data();
    void gpx();
    void refused_data();
    void refused();
    void cancelLeavesNothing();
    void storageFailureLeavesNothing_data();
    void storageFailureLeavesNothing();
};

void TestFlightImport::realFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("skydrop paraglider") << "aerofiles-skydrop-2019-04-15.igc";
    QTest::newRow("skytraxx 2.1") << "aerofiles-skytraxx21-2023-04-15.igc";
    QTest::newRow("xctrack LAD/LOD") << "aerofiles-xctrack-2020-09-04.igc";
    QTest::newRow("glider example") << "aerofiles-example.igc";
    QTest::newRow("bad line") << "aerofiles-bad-line.igc";
    QTest::newRow("over midnight UTC") << "igcparser-2016-11-08-xcs-aaa-02.igc";
    QTest::newRow("2018") << "igcparser-20180427.igc";
    QTest::newRow("skytraxx 4886 fixes") << "igcparser-20211015.igc";
    QTest::newRow("LAD/LOD") << "igcparser-lad_lod_extensions.igc";
}

void TestFlightImport::realFiles() {
    QFETCH(QString, name);
    const igcexpect::File expected = igcexpect::Read(IgcPath(name));
    QVERIFY(!expected.fixes.empty());
    Logbook log;
    FlightImportOptions options;
    options.zone = QTimeZone("Europe/Zurich");
    const FlightImportResult r = ImportFlightFile(log.Db(), IgcPath(name), options);
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Added);
    QVERIFY(r.newFlight);
    QCOMPARE(r.fixes, qint64(expected.fixes.size()));
    QCOMPARE(r.skippedFixes, qint64(expected.badLines.size()));
    if (!expected.badLines.empty()) QCOMPARE(r.firstSkippedLine, qint64(expected.badLines.front()));
    const double offset = Offset(expected, options.zone);
    QCOMPARE(r.timeOffset, offset);

    // Track: one point per distinct time and position, UTC, GNSS height.
    std::vector<igcexpect::Fix> points;
    std::set<std::tuple<double, double, double>> seen;
    for (const auto& f : expected.fixes)
        if ((f.valid || f.lat != 0 || f.lng != 0) && seen.insert({f.time, f.lat, f.lng}).second)
            points.push_back(f);
    std::stable_sort(points.begin(), points.end(), [](auto& a, auto& b) { return a.time < b.time; });
    QSqlQuery q(log.Db());
    QVERIFY(
        q.exec(QStringLiteral("SELECT d.TIME, d.LAT, d.LNG, d.Height, t.LogID, t.TimeOffset FROM TrackData d "
                              "JOIN Tracks t ON t.ID = d.TrackID ORDER BY d.TIME, d.rowid")));
    std::size_t i = 0;
    for (; q.next(); ++i) {
        QVERIFY(i < points.size());
        const auto& f = points[i];
        QCOMPARE(q.value(0).toDouble(), f.time);
        QVERIFY2(std::fabs(q.value(1).toDouble() - f.lat) < 1e-9, qPrintable(QString::number(f.line)));
        QVERIFY2(std::fabs(q.value(2).toDouble() - f.lng) < 1e-9, qPrintable(QString::number(f.line)));
        if (f.valid)
            QCOMPARE(q.value(3).toDouble(), double(f.gnss));
        else
            QVERIFY(q.value(3).isNull());
        QCOMPARE(q.value(4).toLongLong(), r.flightId);
        QCOMPARE(q.value(5).toDouble(), offset);
    }
    QCOMPARE(i, points.size());

    // Pressure trace: local times, only from a logger with a sensor.
    bool anyPressure = false;
    for (const auto& f : expected.fixes)
        anyPressure = anyPressure || f.pressure != 0;
    std::vector<std::pair<double, int>> samples;
    std::set<std::pair<double, int>> seenSamples;
    for (const auto& f : expected.fixes)
        if (anyPressure && seenSamples.insert({f.time + offset, f.pressure}).second)
            samples.push_back({f.time + offset, f.pressure});
    std::stable_sort(samples.begin(), samples.end(), [](auto& a, auto& b) { return a.first < b.first; });
    QVERIFY(q.exec(QStringLiteral("SELECT TIME, height, LogID FROM BaroData ORDER BY TIME, rowid")));
    i = 0;
    for (; q.next(); ++i) {
        QVERIFY(i < samples.size());
        QCOMPARE(q.value(0).toDouble(), samples[i].first);
        QCOMPARE(q.value(1).toInt(), samples[i].second);
        QCOMPARE(q.value(2).toLongLong(), r.flightId);
    }
    QCOMPARE(i, samples.size());

    // The flight as a variometer log gives it: local times, heights of the pressure sensor (satellite heights
    // without one).
    QVERIFY(q.exec(QStringLiteral("SELECT StartTime, EndTime, StartHeight, MaxHeight, MinHeight, MaxAscent, "
                                  "MaxDescent, Glider FROM LogData")));
    QVERIFY(q.next());
    double first = 1e300, last = -1e300;
    int maxH = -100000, minH = 100000;
    for (const auto& f : expected.fixes) {
        first = std::min(first, f.time);
        last = std::max(last, f.time);
        const int h = anyPressure ? f.pressure : f.gnss;
        if (anyPressure || f.valid) {
            maxH = std::max(maxH, h);
            minH = std::min(minH, h);
        }
    }
    QCOMPARE(q.value(0).toDouble(), expected.fixes.front().time + offset);
    QCOMPARE(q.value(1).toDouble(), last + offset);
    QCOMPARE(q.value(3).toInt(), maxH);
    QCOMPARE(q.value(4).toInt(), minH);
    QVERIFY(q.value(5).toDouble() >= 0 && q.value(5).toDouble() < 15);
    QVERIFY(q.value(6).toDouble() >= 0 && q.value(6).toDouble() < 15);
    const QString glider =
        testlogbook::Scalar(log.Db(), QStringLiteral("SELECT MakeModel FROM Glider WHERE ID = ?"),
                            {q.value(7)})
            .toString();
    QCOMPARE(glider, expected.glider.simplified());
}

void TestFlightImport::existingFlightGetsTrack() {
    // A variometer download of the same flight: its own trace and fields stay, the track joins it; the glider
    // already listed is not added again.
    const QString name = QStringLiteral("aerofiles-skydrop-2019-04-15.igc");
    const igcexpect::File expected = igcexpect::Read(IgcPath(name));
    const double offset = ToSingle(*expected.tzHours / 24.0);
    const double start = expected.fixes.front().time + offset + 120 / 86400.0;
    Logbook log;
    QVERIFY(testlogbook::InsertRow(log.Db(), "Glider", {{"MakeModel", "OZONE  mojo pwr"}}).isEmpty());
    QVERIFY(testlogbook::InsertRow(log.Db(), "LogData",
                                   {{"StartTime", start}, {"EndTime", start + 0.002}, {"MaxHeight", 700}})
                .isEmpty());
    QVERIFY(testlogbook::InsertRow(log.Db(), "BaroData", {{"LogID", 1}, {"TIME", start}, {"height", 640}})
                .isEmpty());
    const QStringList before = Dump(log.Db());
    const FlightImportResult r = ImportFlightFile(log.Db(), IgcPath(name));
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Added);
    QVERIFY(!r.newFlight);
    QCOMPARE(r.flightId, qint64(1));
    QCOMPARE(r.samplesStored, qint64(0));
    QStringList after = Dump(log.Db());
    // Only the glider link of the flight and the new track rows differ.
    QCOMPARE(after.filter(QStringLiteral("BaroData:")), before.filter(QStringLiteral("BaroData:")));
    QCOMPARE(after.filter(QStringLiteral("Glider:")), before.filter(QStringLiteral("Glider:")));
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT Glider FROM LogData WHERE ID = 1")).toInt(),
             1);
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT StartTime FROM LogData WHERE ID = 1"))
                 .toDouble(),
             start);
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT LogID FROM Tracks")).toLongLong(),
             qint64(1));
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT COUNT(*) FROM LogData")).toInt(), 1);
}

void TestFlightImport::secondImportAddsNothing() {
    Logbook log;
    const QString path = IgcPath(QStringLiteral("igcparser-lad_lod_extensions.igc"));
    QCOMPARE(ImportFlightFile(log.Db(), path).outcome, FlightImportResult::Outcome::Added);
    const QStringList before = Dump(log.Db());
    const FlightImportResult again = ImportFlightFile(log.Db(), path);
    QCOMPARE(again.outcome, FlightImportResult::Outcome::AlreadyStored);
    QVERIFY(again.Text().contains(QLatin1String("already in the logbook")));
    QCOMPARE(Dump(log.Db()), before);
}

void TestFlightImport::overlappingFileAddsOnlyNewFixes() {
    // A logger's file synced again after the flight went on: the fixes already stored are passed over, the
    // track of the new ones spans only them and joins the flight (whose trace stays its own), and the next
    // flight takes the next number.
    const auto igc = [](const char* date, int first, int last) {
        QByteArray text = "AXXX\r\nHFDTE" + QByteArray(date) + "\r\nHFTZNTIMEZONE:0\r\n";
        for (int i = first; i <= last; ++i) {
            char fix[40];
            std::snprintf(fix, sizeof fix, "B12%02d%02d4700%03dN00800000EA%03d00%03d00\r\n", i / 60, i % 60,
                          i, 100 + i, 110 + i);
            text += fix;
        }
        return text;
    };
    Logbook log;
    const QString a = log.dir.filePath(QStringLiteral("a.igc")),
                  b = log.dir.filePath(QStringLiteral("b.igc")),
                  c = log.dir.filePath(QStringLiteral("c.igc"));
    QVERIFY(testlogbook::WriteBytes(a, igc("150724", 0, 99)));
    QVERIFY(testlogbook::WriteBytes(b, igc("150724", 50, 149)));
    QVERIFY(testlogbook::WriteBytes(c, igc("160724", 0, 9)));
    const FlightImportResult first = ImportFlightFile(log.Db(), a);
    QCOMPARE(first.flightId, qint64(1));
    QCOMPARE(first.samplesStored, qint64(100));
    const FlightImportResult second = ImportFlightFile(log.Db(), b);
    QCOMPARE(second.outcome, FlightImportResult::Outcome::Added);
    QVERIFY(!second.newFlight);
    QCOMPARE(second.flightId, qint64(1));
    QCOMPARE(second.pointsStored, qint64(50));
    QCOMPARE(second.samplesStored, qint64(0));
    const QDate day(2024, 7, 15);
    QSqlQuery q(log.Db());
    QVERIFY(q.exec(QStringLiteral("SELECT StartTime, EndTime, LogID FROM Tracks ORDER BY ID")));
    for (const auto& [start, end] : {std::pair{0, 99}, std::pair{100, 149}}) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toDouble(), UtcDayNumber(day, (43200 + start) * 1000LL));
        QCOMPARE(q.value(1).toDouble(), UtcDayNumber(day, (43200 + end) * 1000LL));
        QCOMPARE(q.value(2).toLongLong(), qint64(1));
    }
    QVERIFY(q.exec(QStringLiteral("SELECT TIME, LAT FROM TrackData WHERE TrackID = 2 ORDER BY TIME")));
    for (int i = 100; i <= 149; ++i) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toDouble(), UtcDayNumber(day, (43200 + i) * 1000LL));
        QCOMPARE(q.value(1).toDouble(), 47 + i / 1000.0 / 60);
    }
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT COUNT(*) FROM BaroData WHERE LogID = 1"))
                 .toInt(),
             100);
    const FlightImportResult third = ImportFlightFile(log.Db(), c);
    QVERIFY(third.newFlight);
    QCOMPARE(third.flightId, qint64(2));
}

// The track's offset (the file's zone, else the zone's rules on that date) and the pilot the file names.
void TestFlightImport::offsets_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<double>("hours");
    QTest::addColumn<QString>("pilot");
    const QByteArray b = "B1200004700000N00800000EA0100001100\r\nB1200104700100N00800100EA0101001110\r\n";
    const QByteArray trk = "<trk><trkseg><trkpt lat=\"47\" lon=\"8\"><ele>1100</ele>"
                           "<time>2024-07-15T12:00:00Z</time></trkpt></trkseg></trk></gpx>";
    QTest::newRow("winter, computer's zone")
        << "AXXX\r\nHFDTE150124\r\nHFPLTPILOTINCHARGE: Bill Bloggs\r\n" + b << "Europe/Berlin" << 1.0
        << "Bill Bloggs";
    QTest::newRow("summer, computer's zone")
        << "AXXX\r\nHFDTE150724\r\nHFPLTBill Bloggs\r\n" + b << "Europe/Berlin" << 2.0 << "Bill Bloggs";
    QTest::newRow("summer time starts that night")
        << "AXXX\r\nHFDTE310324\r\n" + b << "Europe/Berlin" << 2.0 << QString();
    QTest::newRow("file's zone wins")
        << "AXXX\r\nHFDTE150724\r\nHFTZNTIMEZONE:-3.5\r\n" + b << "Europe/Berlin" << -3.5 << QString();
    QTest::newRow("GPX 1.1 in summer")
        << "<gpx version=\"1.1\"><metadata><name>Evening</name><author><name> Jo  Pilot </name>"
           "<email id=\"jo\" domain=\"example.org\"/></author></metadata>" +
               trk
        << "America/New_York" << -4.0 << "Jo Pilot";
    QTest::newRow("GPX 1.0 author") << "<gpx version=\"1.0\"><name>Evening</name><author>Jo Pilot</author>" +
                                           trk
                                    << "UTC" << 0.0 << "Jo Pilot";
    QTest::newRow("GPX without author")
        << "<gpx><metadata><name>Evening</name></metadata>" + trk << "UTC" << 0.0 << QString();
}

void TestFlightImport::offsets() {
    QFETCH(QByteArray, content);
    QFETCH(QString, zone);
    QFETCH(double, hours);
    Logbook log;
    const QString path = log.dir.filePath(QStringLiteral("f.igc"));
    QVERIFY(testlogbook::WriteBytes(path, content));
    FlightImportOptions options;
    options.zone = QTimeZone(zone.toLatin1());
    const FlightImportResult r = ImportFlightFile(log.Db(), path, options);
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Added);
    QTEST(r.pilot, "pilot");
    const double offset = ToSingle(hours / 24.0);
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT TimeOffset FROM Tracks")).toDouble(),
             offset);
    const double utc =
        testlogbook::Scalar(log.Db(), QStringLiteral("SELECT MIN(TIME) FROM TrackData")).toDouble();
    QCOMPARE(testlogbook::Scalar(log.Db(), QStringLiteral("SELECT StartTime FROM LogData")).toDouble(),
             utc + offset);
}

void TestFlightImport::gpx_data() {
    QTest::addColumn<QByteArray>("content");
    const QByteArray points =
        "<trkpt lat=\"46.5\" lon=\"7.25\"><ele>1500.5</ele><time>2024-05-01T10:00:00Z</time></trkpt>"
        "<trkpt lat=\"46.5001\" lon=\"7.2502\"><time>2024-05-01T12:00:01.500+02:00</time>"
        "<ele>1502</ele></trkpt>";
    QTest::newRow("GPX 1.0")
        << "<?xml version=\"1.0\"?><gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">"
           "<wpt lat=\"1\" lon=\"1\"><time>2000-01-01T00:00:00Z</time></wpt><trk><trkseg>" +
               points + "</trkseg></trk></gpx>";
    QTest::newRow("GPX 1.1, prefixed")
        << "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><g:trk><g:trkseg>" +
               QByteArray(points).replace("<", "<g:").replace("<g:/", "</g:") + "</g:trkseg></g:trk></g:gpx>";
    QTest::newRow("two segments, extensions")
        << "<gpx><trk><trkseg>" + points.left(points.indexOf("<trkpt", 5)) +
               "</trkseg><trkseg><extensions><ele>9</ele></extensions>" +
               points.mid(points.indexOf("<trkpt", 5)) + "</trkseg></trk></gpx>";
}

void TestFlightImport::gpx() {
    QFETCH(QByteArray, content);
    Logbook log;
    const QString path = log.dir.filePath(QStringLiteral("f.gpx"));
    QVERIFY(testlogbook::WriteBytes(path, content));
    const FlightImportResult r = ImportFlightFile(log.Db(), path);
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Added);
    QSqlQuery q(log.Db());
    QVERIFY(q.exec(QStringLiteral("SELECT TIME, LAT, LNG, Height FROM TrackData ORDER BY TIME")));
    const QDate day(2024, 5, 1);
    const std::vector<std::tuple<double, double, double, double>> expected = {
        {DayNumber(day, 10, 0, 0), 46.5, 7.25, 1500.5}, {DayNumber(day, 10, 0, 1.5), 46.5001, 7.2502, 1502}};
    for (const auto& [time, lat, lng, height] : expected) {
        QVERIFY(q.next());
        QVERIFY(std::fabs(q.value(0).toDouble() - time) < 1e-9);
        QCOMPARE(q.value(1).toDouble(), lat);
        QCOMPARE(q.value(2).toDouble(), lng);
        QCOMPARE(q.value(3).toDouble(), height);
    }
    QVERIFY(!q.next());
    QCOMPARE(testlogbook::RowCount(log.Db(), QStringLiteral("BaroData")), 0);
}

void TestFlightImport::refused_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<TrackFileProblem>("problem");
    QTest::addColumn<qint64>("line");
    const QByteArray head = "AXXX\r\nHFDTE150724\r\n";
    const QByteArray fix = "B1200004700000N00800000EA0100001100\r\n";
    QTest::newRow("not a flight log")
        << QByteArray("\x89PNG\r\n\x1a\n") << TrackFileProblem::NotTrackFile << qint64(1);
    QTest::newRow("empty") << QByteArray() << TrackFileProblem::NotTrackFile << qint64(0);
    QTest::newRow("fix before the date") << "AXXX\r\n" + fix << TrackFileProblem::NoDate << qint64(2);
    QTest::newRow("impossible date") << "AXXX\r\nHFDTE310224\r\n" + fix << TrackFileProblem::BadDate
                                     << qint64(2);
    QTest::newRow("IGC cut in a fix")
        << head + fix + fix.left(20) << TrackFileProblem::Truncated << qint64(4);
    QTest::newRow("IGC without a fix") << head + "LXXX comment\r\n" << TrackFileProblem::NoFixes << qint64(0);
    QTest::newRow("only malformed fixes") << head + "B12000047\r\n" << TrackFileProblem::NoFixes << qint64(3);
    QTest::newRow("GPX cut short") << QByteArray(
                                          "<gpx>\n<trk><trkseg>\n<trkpt lat=\"1\" lon=\"2\"><time>2024-")
                                   << TrackFileProblem::Truncated << qint64(3);
    QTest::newRow("not GPX") << QByteArray("<?xml version=\"1.0\"?>\n<kml></kml>") << TrackFileProblem::NotGpx
                             << qint64(2);
    QTest::newRow("broken XML") << QByteArray("<gpx>\n<trk></trkseg></gpx>") << TrackFileProblem::BadXml
                                << qint64(2);
    QTest::newRow("GPX without a timed point")
        << QByteArray("<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>")
        << TrackFileProblem::NoFixes << qint64(1);
}

void TestFlightImport::refused() {
    QFETCH(QByteArray, content);
    QFETCH(TrackFileProblem, problem);
    QFETCH(qint64, line);
    Logbook log;
    QVERIFY(ImportFlightFile(log.Db(), IgcPath(QStringLiteral("aerofiles-example.igc"))).outcome ==
            FlightImportResult::Outcome::Added);
    const QStringList before = Dump(log.Db());
    const QString path = log.dir.filePath(QStringLiteral("bad.igc"));
    QVERIFY(testlogbook::WriteBytes(path, content));
    const FlightImportResult r = ImportFlightFile(log.Db(), path);
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Refused);
    QCOMPARE(r.problem, problem);
    QCOMPARE(r.line, line);
    QVERIFY(r.Text().startsWith(QLatin1String("bad.igc: ")));
    QCOMPARE(Dump(log.Db()), before);
}

void TestFlightImport::cancelLeavesNothing() {
    // A file bigger than one chunk, cancelled after the first.
    Logbook log;
    const QByteArray content =
        "AXXX\r\nHFDTE150724\r\n" + QByteArray("B1200004700000N00800000EA0100001100\r\n").repeated(20000);
    const QString path = log.dir.filePath(QStringLiteral("long.igc"));
    QVERIFY(testlogbook::WriteBytes(path, content));
    const QStringList before = Dump(log.Db());
    int calls = 0;
    const FlightImportResult r =
        ImportFlightFile(log.Db(), path, {}, [&calls](qint64, qint64) { return ++calls < 2; });
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Cancelled);
    QCOMPARE(calls, 2);
    QCOMPARE(Dump(log.Db()), before);
}

void TestFlightImport::storageFailureLeavesNothing_data() {
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("failAt"); // the first fix refused, -1 the last
    QTest::newRow("new flight") << false << -1;
    QTest::newRow("existing flight") << true << -1;
    QTest::newRow("in the middle") << false << 100;
}

// The logbook refuses a fix: part way, or the last one, which is written with
// the closing rows. The import is refused with the logbook's reason and nothing is kept.
void TestFlightImport::storageFailureLeavesNothing() {
    QFETCH(bool, existing);
    QFETCH(int, failAt);
    const QString name = QStringLiteral("aerofiles-skydrop-2019-04-15.igc");
    const igcexpect::File expected = igcexpect::Read(IgcPath(name));
    const double offset = ToSingle(*expected.tzHours / 24.0);
    const double start = expected.fixes.front().time + offset;
    Logbook log;
    if (existing)
        QVERIFY(
            testlogbook::InsertRow(log.Db(), "LogData", {{"StartTime", start}, {"EndTime", start + 0.002}})
                .isEmpty());
    QCOMPARE(testlogbook::Exec(
                 log.Db(),
                 QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON TrackData WHEN NEW.TIME > ? "
                                "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                     .replace(QLatin1Char('?'),
                              QString::number(
                                  (failAt < 0 ? expected.fixes.back() : expected.fixes[failAt]).time - 1e-7,
                                  'g', 17))),
             QString());
    const QStringList before = Dump(log.Db());
    const FlightImportResult r = ImportFlightFile(log.Db(), IgcPath(name));
    QCOMPARE(r.outcome, FlightImportResult::Outcome::Refused);
    QVERIFY(!r.storageError.isEmpty());
    QCOMPARE(Dump(log.Db()), before);
}

QTEST_GUILESS_MAIN(TestFlightImport)
#include "tst_flightimport.moc"
