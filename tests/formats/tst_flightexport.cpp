// A flight out of the logbook as IGC, GPX and KML: each export read back by our own importer gives the same
// points, heights and times, and each is read by an independent reader (GPSBabel) to the same points and
// times.

#include "common/testlogbook.h"
#include "core/daynumber.h"
#include "core/flightexport.h"
#include "core/flightimport.h"
#include "core/numbertext.h"
#include "igcexpect.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace igcexpect;

Q_DECLARE_METATYPE(soarnote::ExportFormat)

namespace {

std::vector<std::pair<double, int>> StoredSamples(const QSqlDatabase& db) {
    std::vector<std::pair<double, int>> samples;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT TIME, height FROM BaroData ORDER BY TIME, rowid"));
    while (q.next())
        samples.push_back({q.value(0).toDouble(), q.value(1).toInt()});
    return samples;
}

} // namespace

class TestFlightExport : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
};

void TestFlightExport::roundTrip_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<ExportFormat>("format");
    const QString pressure = QStringLiteral("aerofiles-skydrop-2019-04-15.igc");
    const QString ladLod = QStringLiteral("igcparser-lad_lod_extensions.igc");
    const QString midnight = QStringLiteral("igcparser-2016-11-08-xcs-aaa-02.igc");
    QTest::newRow("IGC, pressure trace") << pressure << ExportFormat::Igc;
    QTest::newRow("IGC, LAD/LOD") << ladLod << ExportFormat::Igc;
    QTest::newRow("IGC, over midnight UTC") << midnight << ExportFormat::Igc;
    QTest::newRow("GPX, pressure trace") << pressure << ExportFormat::Gpx;
    QTest::newRow("GPX, LAD/LOD") << ladLod << ExportFormat::Gpx;
    QTest::newRow("KML, pressure trace") << pressure << ExportFormat::Kml;
    QTest::newRow("KML, over midnight UTC") << midnight << ExportFormat::Kml;
}

void TestFlightExport::roundTrip() {
    QFETCH(QString, source);
    QFETCH(ExportFormat, format);
    Logbook from;
    const FlightImportResult imported = ImportFlightFile(from.Db(), IgcPath(source));
    QCOMPARE(imported.outcome, FlightImportResult::Outcome::Added);
    const std::vector<Point> points = TrackPoints(from.Db());
    const auto samples = StoredSamples(from.Db());

    ExportProblem problem;
    const std::optional<ExportFlight> flight = ReadExportFlight(from.Db(), imported.flightId, &problem);
    QVERIFY(flight);
    QCOMPARE(flight->points.size(), points.size());
    const QString suffix = format == ExportFormat::Igc ? "igc" : format == ExportFormat::Gpx ? "gpx" : "kml";
    const QString out = from.dir.filePath(QStringLiteral("export.") + suffix);
    QVERIFY(testlogbook::WriteBytes(out, WriteFlight(*flight, format)));

    // IGC keeps a tenth of a thousandth of a minute; GPX and KML nine decimals.
    const double tolerance = format == ExportFormat::Igc ? 1e-6 : 1e-8;
    if (format != ExportFormat::Kml) {
        Logbook to;
        const FlightImportResult back = ImportFlightFile(to.Db(), out);
        QCOMPARE(back.outcome, FlightImportResult::Outcome::Added);
        const std::vector<Point> read = TrackPoints(to.Db());
        QCOMPARE(read.size(), points.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].time, points[i].time);
            QVERIFY(std::fabs(read[i].lat - points[i].lat) < tolerance);
            QVERIFY(std::fabs(read[i].lng - points[i].lng) < tolerance);
            // GPX has one height: the GPS height where there is one.
            QCOMPARE(read[i].height.isNull(), points[i].height.isNull());
            if (!points[i].height.isNull()) QCOMPARE(read[i].height.toDouble(), points[i].height.toDouble());
        }
        // The IGC keeps the pressure trace with the same local times.
        if (format == ExportFormat::Igc) {
            QCOMPARE(back.timeOffset, imported.timeOffset);
            QCOMPARE(StoredSamples(to.Db()), samples);
        }
    }

    const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (gpsbabel.isEmpty()) QSKIP("gpsbabel is not installed (apt-get install gpsbabel)");
    QProcess babel;
    babel.start(gpsbabel, {QStringLiteral("-t"), QStringLiteral("-i"), suffix, QStringLiteral("-f"), out,
                           QStringLiteral("-o"), QStringLiteral("unicsv,utc=0"), QStringLiteral("-F"),
                           QStringLiteral("-")});
    QVERIFY(babel.waitForFinished(60000));
    QCOMPARE(babel.exitCode(), 0);
    QStringList lines =
        QString::fromUtf8(babel.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const QStringList header = lines.takeFirst().trimmed().split(QLatin1Char(','));
    const int lat = header.indexOf(QStringLiteral("Latitude")),
              lng = header.indexOf(QStringLiteral("Longitude"));
    const int date = header.indexOf(QStringLiteral("Date")), time = header.indexOf(QStringLiteral("Time"));
    QVERIFY(lat >= 0 && lng >= 0 && date >= 0 && time >= 0);
    // KML's take-off and landing markers are waypoints, not track points. GPSBabel reads an IGC file with
    // pressure heights as two tracks, one for each height; their points are the same.
    if (format == ExportFormat::Igc && lines.size() == 2 * qsizetype(points.size()))
        lines.resize(points.size());
    QCOMPARE(lines.size(), qsizetype(points.size()));
    // GPSBabel reads IGC positions to the thousandth of a minute, without the LAD/LOD digits (cut off, not
    // rounded).
    const double babelTolerance = format == ExportFormat::Igc ? 0.001 / 60 : tolerance;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList f = lines[i].trimmed().split(QLatin1Char(','));
        const QDateTime t = QDateTime::fromString(f[date] + QLatin1Char(' ') + f[time],
                                                  QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        QVERIFY2(t.isValid(), qPrintable(lines[i]));
        const double day = DayNumber(t.date(), t.time().hour(), t.time().minute(), t.time().second());
        QVERIFY2(std::fabs(day - points[i].time) < 0.5 / 86400, qPrintable(lines[i]));
        // unicsv writes six decimals.
        QVERIFY2(std::fabs(f[lat].toDouble() - points[i].lat) < 1e-6 + babelTolerance, qPrintable(lines[i]));
        QVERIFY2(std::fabs(f[lng].toDouble() - points[i].lng) < 1e-6 + babelTolerance, qPrintable(lines[i]));
    }
}

QTEST_GUILESS_MAIN(TestFlightExport)
#include "tst_flightexport.moc"
