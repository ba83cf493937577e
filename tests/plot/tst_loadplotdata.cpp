// Which of a logbook's samples make a flight's plot: the flight's tracks and
// barograph samples only, the time offsets, the Limit View window, the units
// setting, the landscape file result, the "~" result for a flight without
// samples, and failures reported as values with the plot left as it was.

#include "core/flightstore.h"
#include "core/numbertext.h"
#include "plot/loadplotdata.h"
#include "plotlogbook.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QtTest>
#include <cmath>
#include <limits>
#include <set>

using namespace soarnote;
using namespace plottest;

namespace {

// A plot that a call which must not touch it would change.
PlotData Sentinel() {
    PlotData plot;
    plot.lastIndex = 0;
    plot.points = {PlotPoint{1, 2, 3, 4}};
    plot.min = PlotPoint{-1, -1, -1, 1};
    plot.max = PlotPoint{9, 9, 9, 9};
    return plot;
}

bool IsSentinel(const PlotData& plot) {
    const PlotData s = Sentinel();
    return plot.lastIndex == s.lastIndex && plot.points.size() == 1 && plot.points[0].time == 4 &&
           plot.min.time == s.min.time && plot.max.x == s.max.x;
}

// The distinct point times, in whole milliseconds after noon.
QList<qint64> TimesMs(const PlotData& plot) {
    std::set<qint64> times;
    for (const PlotPoint& p : plot.points)
        times.insert(std::llround(Seconds(p.time - Noon()) * 1000));
    return QList<qint64>(times.begin(), times.end());
}

} // namespace

class TestLoadPlotData : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void landFile_data();
    void landFile();
    void noData_data();
    void noData();
    void timeOffsets_data();
    void timeOffsets();
    void limitView_data();
    void limitView();
    void limitViewNeedsFlightTimes();
    void units_data();
    void units();
    void otherFlightsLeftOut();
    void incompleteRowsLeftOut();
    void failures_data();
    void failures();
    void flightFromRecord();

private:
    PlotLogbook* logbook_ = nullptr;
    QTemporaryDir* settingsDir_ = nullptr;
    SettingsStore* settings_ = nullptr;
};

void TestLoadPlotData::init() {
    logbook_ = new PlotLogbook;
    QVERIFY(logbook_->Create());
    settingsDir_ = new QTemporaryDir;
    settings_ = new SettingsStore(settingsDir_->filePath(QStringLiteral("plot.ini")));
}

void TestLoadPlotData::cleanup() {
    delete settings_;
    delete settingsDir_;
    delete logbook_;
}

// The landscape file is the first track's LandFile, whatever later tracks hold.
void TestLoadPlotData::landFile_data() {
    QTest::addColumn<QVariant>("first");
    QTest::addColumn<QVariant>("second");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first track's file") << QVariant("hills.xyz") << QVariant() << "hills.xyz";
    QTest::newRow("only a later track has one") << QVariant() << QVariant("hills.xyz") << "";
    QTest::newRow("empty text") << QVariant("") << QVariant("hills.xyz") << "";
    QTest::newRow("both, first wins") << QVariant("/data/a.xyz") << QVariant("b.xyz") << "/data/a.xyz";
}

void TestLoadPlotData::landFile() {
    QFETCH(QVariant, first);
    QFETCH(QVariant, second);
    QFETCH(QString, expected);
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    const qint64 t1 = logbook_->AddTrack(id, 0.0, first);
    QVERIFY(logbook_->AddTrack(id, 0.0, second) > 0);
    QVERIFY(logbook_->AddPoint(t1, At(0), 53.0, -1.0));
    PlotData plot;
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), 0.0}, *settings_, false);
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    QCOMPARE(result.text, expected);
}

// "~" and the plot untouched when no sample takes part; the landscape file
// is not given then.
void TestLoadPlotData::noData_data() {
    QTest::addColumn<bool>("trackRow");     // a Tracks row (with a landscape file) but no points
    QTest::addColumn<bool>("outsidePoint"); // a track point outside the flight's time
    QTest::addColumn<bool>("limit");
    QTest::newRow("nothing stored") << false << false << false;
    QTest::newRow("track without points") << true << false << false;
    QTest::newRow("no point inside the Limit View window") << true << true << true;
}

void TestLoadPlotData::noData() {
    QFETCH(bool, trackRow);
    QFETCH(bool, outsidePoint);
    QFETCH(bool, limit);
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    if (trackRow) {
        const qint64 t = logbook_->AddTrack(id, 0.0, "hills.xyz");
        if (outsidePoint) QVERIFY(logbook_->AddPoint(t, At(61), 53.0, -1.0));
    }
    // Another flight's and unassigned samples do not count.
    const qint64 other = logbook_->AddFlight(At(1000), At(2000), 0.0);
    QVERIFY(logbook_->AddBaro(other, At(30), 500));
    QVERIFY(logbook_->AddBaro(-1, At(31), 500));
    settings_->Write(keys::GeneralLimit, limit ? 1 : 0);
    PlotData plot = Sentinel();
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), 0.0}, *settings_, false);
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::NoData));
    QCOMPARE(result.text, QStringLiteral("~"));
    QVERIFY(IsSentinel(plot));
}

// Track times move by the flight's offset less the first track's offset
// (as the single-precision value the column holds); a later track's offset
// plays no part. A track point at GPS time 10:00 is checked against a
// barograph sample at log time noon - offset.
void TestLoadPlotData::timeOffsets_data() {
    QTest::addColumn<QVariant>("flightOffset");
    QTest::addColumn<QVariant>("firstTrack");
    QTest::addColumn<QVariant>("secondTrack");
    QTest::addColumn<double>("plotOffset");
    QTest::newRow("none") << QVariant(0.0) << QVariant(0.0) << QVariant(0.0) << 0.0;
    QTest::newRow("flight only") << QVariant(1.0 / 24) << QVariant(0.0) << QVariant(0.0) << 1.0 / 24;
    QTest::newRow("empty flight offset") << QVariant() << QVariant(0.0) << QVariant(0.0) << 0.0;
    QTest::newRow("track only") << QVariant(0.0) << QVariant(0.5 / 24) << QVariant(0.0)
                                << -ToSingle(0.5 / 24);
    QTest::newRow("both") << QVariant(1.0 / 24) << QVariant(0.25 / 24) << QVariant(0.0)
                          << 1.0 / 24 - ToSingle(0.25 / 24);
    QTest::newRow("empty track offset") << QVariant(1.0 / 24) << QVariant() << QVariant(0.0) << 1.0 / 24;
    QTest::newRow("second track's offset ignored")
        << QVariant(1.0 / 24) << QVariant(0.0) << QVariant(0.5 / 24) << 1.0 / 24;
    QTest::newRow("single precision") << QVariant(0.0) << QVariant(0.1) << QVariant(0.0) << -ToSingle(0.1);
}

void TestLoadPlotData::timeOffsets() {
    QFETCH(QVariant, flightOffset);
    QFETCH(QVariant, firstTrack);
    QFETCH(QVariant, secondTrack);
    QFETCH(double, plotOffset);
    const qint64 id = logbook_->AddFlight(At(0), At(60), flightOffset);
    const qint64 t1 = logbook_->AddTrack(id, firstTrack);
    const qint64 t2 = logbook_->AddTrack(id, secondTrack);
    const double gps = At(0);
    QVERIFY(logbook_->AddPoint(t1, gps, 0.0, 0.001));
    QVERIFY(logbook_->AddPoint(t2, gps + 20 * kOneSecond, 0.0, 0.002));
    QVERIFY(logbook_->AddBaro(id, gps - plotOffset, 100));

    PlotFlight flight{id, At(0), At(60), std::nullopt};
    if (!flightOffset.isNull()) flight.timeOffset = flightOffset.toDouble();
    PlotData plot;
    const PlotLoadResult result = LoadPlotData(plot, logbook_->Db(), flight, PlotOptions{"Meters", false});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    // The first track point and the sample fall together: one point at the
    // sample's time, then the second track's point 20 s later.
    QVERIFY(plot.lastIndex >= 1);
    QVERIFY2(plot.points[0].time == gps - plotOffset,
             qPrintable(QString::number(Seconds(plot.points[0].time - (gps - plotOffset)))));
    QCOMPARE(plot.points[0].z, 100.0f);
    QVERIFY(plot.points[1].time == gps + 20 * kOneSecond - plotOffset);
}

// Limit View keeps the track points from start to end time (both included),
// moved by the plot time offset onto the GPS clock; barograph samples outside
// that time still take part. The flight runs from noon to 60 s after; the
// track clock runs an hour ahead.
void TestLoadPlotData::limitView_data() {
    QTest::addColumn<QVariant>("limit");
    QTest::addColumn<bool>("ignoreLimit");
    QTest::addColumn<QList<qint64>>("times");
    const QList<qint64> all{-30000, -1000, 0, 30000, 60000, 61000, 90000};
    const QList<qint64> window{-30000, 0, 30000, 60000, 90000};
    QTest::newRow("off") << QVariant(0) << false << all;
    QTest::newRow("not set") << QVariant() << false << all;
    QTest::newRow("on") << QVariant(1) << false << window;
    QTest::newRow("on as text 1.0") << QVariant("1.0") << false << window;
    QTest::newRow("other values are off") << QVariant(2) << false << all;
    QTest::newRow("on, whole flight asked for") << QVariant(1) << true << all;
}

void TestLoadPlotData::limitView() {
    QFETCH(QVariant, limit);
    QFETCH(bool, ignoreLimit);
    QFETCH(QList<qint64>, times);
    const double offset = 1.0 / 24;
    const qint64 id = logbook_->AddFlight(At(0), At(60), offset);
    const qint64 t = logbook_->AddTrack(id);
    int n = 0;
    for (double s : {-1.0, 0.0, 30.0, 60.0, 61.0})
        QVERIFY(logbook_->AddPoint(t, At(s) + offset, 0.0, 0.001 * ++n));
    QVERIFY(logbook_->AddBaro(id, At(-30), 100));
    QVERIFY(logbook_->AddBaro(id, At(90), 200));
    if (!limit.isNull()) settings_->Write(keys::GeneralLimit, limit);

    PlotData plot;
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), offset}, *settings_, ignoreLimit);
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    QCOMPARE(TimesMs(plot), times);
}

// The window needs both flight times: without them the load fails and the
// plot stays as it was. Without Limit View, or without tracks, they are not
// needed.
void TestLoadPlotData::limitViewNeedsFlightTimes() {
    const qint64 id = logbook_->AddFlight(QVariant(), QVariant(), 0.0);
    const qint64 t = logbook_->AddTrack(id);
    QVERIFY(logbook_->AddPoint(t, At(0), 0.0, 0.001));
    PlotData plot = Sentinel();
    PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, std::nullopt, At(60), 0.0}, {"Meters", true});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Failed));
    QVERIFY(!result.error.isEmpty());
    QVERIFY(IsSentinel(plot));
    result = LoadPlotData(plot, logbook_->Db(), {id, At(0), std::nullopt, 0.0}, {"Meters", true});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Failed));
    result = LoadPlotData(plot, logbook_->Db(), {id, std::nullopt, std::nullopt, 0.0}, {"Meters", false});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));

    const qint64 baroOnly = logbook_->AddFlight(QVariant(), QVariant(), 0.0);
    QVERIFY(logbook_->AddBaro(baroOnly, At(100), 100));
    result =
        LoadPlotData(plot, logbook_->Db(), {baroOnly, std::nullopt, std::nullopt, 0.0}, {"Meters", true});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
}

// Heights are divided by the units factor: 1 for exactly "Meters", feet
// per metre for anything else, "Feet" when nothing is set.
void TestLoadPlotData::units_data() {
    QTest::addColumn<QVariant>("units");
    QTest::addColumn<float>("factor");
    QTest::addColumn<float>("z");
    QTest::newRow("not set") << QVariant() << kFeetPerMetre << 1000.0f;
    QTest::newRow("Feet") << QVariant("Feet") << kFeetPerMetre << 1000.0f;
    QTest::newRow("Meters") << QVariant("Meters") << 1.0f << 3280.84f;
    QTest::newRow("other case is not metres") << QVariant("meters") << kFeetPerMetre << 1000.0f;
}

void TestLoadPlotData::units() {
    QFETCH(QVariant, units);
    QFETCH(float, factor);
    QFETCH(float, z);
    if (!units.isNull()) settings_->Write(keys::GeneralUnits, units);
    QCOMPARE(UnitsFactor(*settings_), factor);
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    QVERIFY(logbook_->AddBaro(id, At(0), 3280.84));
    PlotData plot;
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), 0.0}, *settings_, true);
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    QVERIFY2(std::fabs(plot.points[0].z - z) < 1e-3f, qPrintable(QString::number(plot.points[0].z)));
    QVERIFY(std::fabs(plot.min.z - z) < 1e-3f && std::fabs(plot.max.z - z) < 1e-3f);
}

// Samples of other flights, unassigned samples and tracks of other flights
// stay out, even at the same times.
void TestLoadPlotData::otherFlightsLeftOut() {
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    const qint64 other = logbook_->AddFlight(At(0), At(60), 0.0);
    const qint64 mine = logbook_->AddTrack(id);
    const qint64 theirs = logbook_->AddTrack(other, 0.5);
    const qint64 unlinked = logbook_->AddTrack(0);
    QVERIFY(logbook_->AddPoint(mine, At(0), 0.0, 0.001));
    QVERIFY(logbook_->AddPoint(mine, At(20), 0.0, 0.002));
    QVERIFY(logbook_->AddPoint(theirs, At(10), 0.0, 0.003));
    QVERIFY(logbook_->AddPoint(unlinked, At(15), 0.0, 0.004));
    QVERIFY(logbook_->AddBaro(id, At(0), 100));
    QVERIFY(logbook_->AddBaro(other, At(5), 900));
    QVERIFY(logbook_->AddBaro(-1, At(25), 900));
    PlotData plot;
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), 0.0}, {"Meters", false});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    QCOMPARE(TimesMs(plot), (QList<qint64>{0, 20000}));
    QCOMPARE(plot.max.z, 100.0f);
}

// A row typed into the table editor may lack its time or value; such rows
// cannot be placed and are left out rather than failing the plot.
void TestLoadPlotData::incompleteRowsLeftOut() {
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    const qint64 t = logbook_->AddTrack(id);
    QVERIFY(logbook_->AddPoint(t, At(0), 0.0, 0.001));
    QVERIFY(logbook_->AddPoint(t, QVariant(), 0.0, 0.002));
    QVERIFY(logbook_->AddPoint(t, At(5), QVariant(), 0.003));
    QVERIFY(logbook_->AddPoint(t, At(6), 0.0, QVariant()));
    QVERIFY(logbook_->AddBaro(id, At(10), 100));
    QVERIFY(logbook_->AddBaro(id, QVariant(), 200));
    QVERIFY(logbook_->AddBaro(id, At(12), QVariant()));
    PlotData plot;
    const PlotLoadResult result =
        LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), 0.0}, {"Meters", false});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Loaded));
    QCOMPARE(TimesMs(plot), (QList<qint64>{0, 10000}));
    QCOMPARE(plot.max.z, 100.0f);
}

// Failures come back as values and leave the plot as it was.
void TestLoadPlotData::failures_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("logbook closed") << "closed";
    QTest::newRow("no BaroData table") << "table";
    QTest::newRow("infinite flight offset") << "offset";
    QTest::newRow("infinite offsets on both clocks") << "offsets";
}

void TestLoadPlotData::failures() {
    QFETCH(QString, kind);
    const double inf = std::numeric_limits<double>::infinity();
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.0);
    const qint64 t = logbook_->AddTrack(id, kind == "offsets" ? QVariant(inf) : QVariant(0.0));
    QVERIFY(logbook_->AddPoint(t, At(0), 0.0, 0.001));
    QVERIFY(logbook_->AddBaro(id, At(0), 100));
    PlotFlight flight{id, At(0), At(60), 0.0};
    if (kind == "closed") {
        logbook_->File().Close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("database not open"));
    } else if (kind == "table") {
        QCOMPARE(testlogbook::Exec(logbook_->Db(), "DROP TABLE BaroData"), QString());
    } else {
        flight.timeOffset = inf;
    }
    PlotData plot = Sentinel();
    const PlotLoadResult result = LoadPlotData(plot, logbook_->File().Db(), flight, {"Meters", false});
    QCOMPARE(int(result.status), int(PlotLoadResult::Status::Failed));
    QVERIFY(!result.error.isEmpty());
    QVERIFY(!result.Ok());
    QVERIFY(IsSentinel(plot));
}

// The flight row as read from the logbook gives the values the plot needs.
void TestLoadPlotData::flightFromRecord() {
    const qint64 id = logbook_->AddFlight(At(0), At(60), 0.125);
    const qint64 empty = logbook_->AddFlight(QVariant(), QVariant(), QVariant());
    const std::optional<FlightRecord> record = ReadFlight(logbook_->Db(), id);
    QVERIFY(record);
    const PlotFlight flight = PlotFlight::FromRecord(*record);
    QCOMPARE(flight.id, id);
    QCOMPARE(flight.startTime, std::optional<double>(At(0)));
    QCOMPARE(flight.endTime, std::optional<double>(At(60)));
    QCOMPARE(flight.timeOffset, std::optional<double>(0.125));
    const PlotFlight none = PlotFlight::FromRecord(*ReadFlight(logbook_->Db(), empty));
    QCOMPARE(none.id, empty);
    QVERIFY(!none.startTime && !none.endTime && !none.timeOffset);
}

QTEST_GUILESS_MAIN(TestLoadPlotData)
#include "tst_loadplotdata.moc"
