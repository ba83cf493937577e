// Which of a logbook's samples make a flight's plot, and what the load reports.

#include "core/flightstore.h"
#include "core/numbertext.h"
#include "core/trackstore.h"
#include "plot/loadplotdata.h"
#include "plotlogbook.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>
#include <set>

using namespace soarnote;
using namespace plottest;

namespace {

using Status = PlotLoadResult::Status;

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
    return plot.lastIndex == 0 && plot.points.size() == 1 && plot.points[0].time == 4 && plot.min.time == 1 &&
           plot.max.x == 9;
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

    std::unique_ptr<PlotLogbook> logbook_;
    std::unique_ptr<QTemporaryDir> settingsDir_;
    std::unique_ptr<SettingsStore> settings_;

    // The flight from noon to 60 s after, with the given offset.
    qint64 AddFlight(const QVariant& offset = 0.0) { return logbook_->AddFlight(At(0), At(60), offset); }
    PlotLoadResult Load(PlotData& plot, qint64 id, bool ignoreLimit = false, double offset = 0.0) {
        return LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), offset}, *settings_, ignoreLimit);
    }

private slots:
    void init() {
        logbook_ = std::make_unique<PlotLogbook>();
        QVERIFY(logbook_->Create());
        settingsDir_ = std::make_unique<QTemporaryDir>();
        settings_ = std::make_unique<SettingsStore>(settingsDir_->filePath(QStringLiteral("plot.ini")));
    }

    // The landscape file is the first track's LandFile, whatever later tracks hold.
    void landFile_data() {
        QTest::addColumn<QVariant>("first");
        QTest::addColumn<QVariant>("second");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first track's file") << QVariant("hills.xyz") << QVariant("b.xyz") << "hills.xyz";
        QTest::newRow("only a later track has one") << QVariant() << QVariant("hills.xyz") << "";
        QTest::newRow("empty text") << QVariant("") << QVariant("hills.xyz") << "";
    }
    void landFile() {
        QFETCH(QVariant, first);
        QFETCH(QVariant, second);
        const qint64 id = AddFlight();
        const qint64 t1 = logbook_->AddTrack(id, 0.0, first);
        QVERIFY(logbook_->AddTrack(id, 0.0, second) > 0);
        QVERIFY(logbook_->AddPoint(t1, At(0), 53.0, -1.0));
        PlotData plot;
        const PlotLoadResult result = Load(plot, id);
        QCOMPARE(result.status, Status::Loaded);
        QTEST(result.text, "expected");
    }

    // "~" and the plot untouched when none of the flight's samples takes part.
    void noData_data() {
        QTest::addColumn<bool>("trackRow");     // a Tracks row (with a landscape file) but no points
        QTest::addColumn<bool>("outsidePoint"); // a track point outside the flight's time
        QTest::addColumn<bool>("limit");
        QTest::newRow("nothing stored") << false << false << false;
        QTest::newRow("track without points") << true << false << false;
        QTest::newRow("no point inside the Limit View window") << true << true << true;
    }
    void noData() {
        QFETCH(bool, trackRow);
        QFETCH(bool, outsidePoint);
        QFETCH(bool, limit);
        const qint64 id = AddFlight();
        if (trackRow) {
            const qint64 t = logbook_->AddTrack(id, 0.0, "hills.xyz");
            if (outsidePoint) QVERIFY(logbook_->AddPoint(t, At(61), 53.0, -1.0));
        }
        QVERIFY(logbook_->AddBaro(logbook_->AddFlight(At(1000), At(2000), 0.0), At(30), 500));
        QVERIFY(logbook_->AddBaro(-1, At(31), 500));
        settings_->Write(keys::GeneralLimit, limit ? 1 : 0);
        PlotData plot = Sentinel();
        const PlotLoadResult result = Load(plot, id);
        QCOMPARE(result.status, Status::NoData);
        QCOMPARE(result.text, QStringLiteral("~"));
        QVERIFY(IsSentinel(plot));
    }

    // Track times move by the flight's offset less the first track's (a Single); a track
    // point at GPS time noon meets a barograph sample at log time noon - offset.
    void timeOffsets_data() {
        QTest::addColumn<QVariant>("flightOffset");
        QTest::addColumn<QVariant>("firstTrack");
        QTest::addColumn<QVariant>("secondTrack");
        QTest::addColumn<double>("plotOffset");
        const double hour = 1.0 / 24;
        QTest::newRow("flight only") << QVariant(hour) << QVariant(0.0) << QVariant(0.0) << hour;
        QTest::newRow("empty flight offset") << QVariant() << QVariant(0.0) << QVariant(0.0) << 0.0;
        QTest::newRow("track only, single precision")
            << QVariant(0.0) << QVariant(0.1) << QVariant(0.0) << -ToSingle(0.1);
        QTest::newRow("both") << QVariant(hour) << QVariant(hour / 4) << QVariant(0.0)
                              << hour - ToSingle(hour / 4);
        QTest::newRow("empty track offset") << QVariant(hour) << QVariant() << QVariant(0.0) << hour;
        QTest::newRow("second track's offset ignored")
            << QVariant(hour) << QVariant(0.0) << QVariant(hour / 2) << hour;
    }
    void timeOffsets() {
        QFETCH(QVariant, flightOffset);
        QFETCH(QVariant, firstTrack);
        QFETCH(QVariant, secondTrack);
        QFETCH(double, plotOffset);
        const qint64 id = AddFlight(flightOffset);
        QVERIFY(logbook_->AddPoint(logbook_->AddTrack(id, firstTrack), At(0), 0.0, 0.001));
        QVERIFY(logbook_->AddPoint(logbook_->AddTrack(id, secondTrack), At(20), 0.0, 0.002));
        QVERIFY(logbook_->AddBaro(id, At(0) - plotOffset, 100));
        PlotFlight flight{id, At(0), At(60), std::nullopt};
        if (!flightOffset.isNull()) flight.timeOffset = flightOffset.toDouble();
        PlotData plot;
        QCOMPARE(LoadPlotData(plot, logbook_->Db(), flight, PlotOptions{"Meters", false}).status,
                 Status::Loaded);
        QVERIFY(plot.lastIndex >= 1);
        QVERIFY2(plot.points[0].time == At(0) - plotOffset,
                 qPrintable(QString::number(Seconds(plot.points[0].time - (At(0) - plotOffset)))));
        QCOMPARE(plot.points[0].z, 100.0f);
        QVERIFY(plot.points[1].time == At(20) - plotOffset);
    }

    // GPS heights count only without barograph samples; a point without one is interpolated.
    void gpsHeights_data() {
        QTest::addColumn<bool>("withBaro");
        QTest::newRow("no barograph: heights from the track") << false;
        QTest::newRow("barograph present: track heights unused") << true;
    }
    void gpsHeights() {
        QFETCH(bool, withBaro);
        const double hour = 1.0 / 24;
        const qint64 id = AddFlight(hour);
        if (withBaro) QVERIFY(logbook_->AddBaro(id, At(0), 500));
        {
            LogbookTrackStorage storage(logbook_->Db());
            TrackState state;
            const double nan = std::numeric_limits<double>::quiet_NaN();
            const double heights[] = {1000, nan, 1100};
            for (int i = 0; i < 3; ++i)
                QCOMPARE(storage.StoreTrackPoint(state, At(i * 10) + hour - ToSingle(0.1), 46.0,
                                                 7.0 + i * 1e-3, i == 0, 0.1, heights[i]),
                         StoreOutcome::Stored);
            QVERIFY(storage.Commit());
        }
        QVERIFY(testlogbook::Exec(logbook_->Db(), "UPDATE Tracks SET LogID = ?", {id}).isEmpty());
        PlotData plot;
        QCOMPARE(LoadPlotData(plot, logbook_->Db(), {id, At(0), At(60), hour}, PlotOptions{"Meters", false})
                     .status,
                 Status::Loaded);
        QVERIFY(plot.lastIndex >= 2);
        const std::vector<float> expected =
            withBaro ? std::vector<float>{500, 500, 500} : std::vector<float>{1000, 1050, 1100};
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(std::fabs(Seconds(plot.points[i].time - At(i * 10))) < 1e-3,
                     qPrintable(QString::number(Seconds(plot.points[i].time - At(i * 10)))));
            QCOMPARE(plot.points[i].z, expected[i]);
        }
    }

    // Limit View keeps track points from start to end time (both included, on the GPS clock an
    // hour ahead); barograph samples outside still take part.
    void limitView_data() {
        QTest::addColumn<QVariant>("limit");
        QTest::addColumn<bool>("ignoreLimit");
        QTest::addColumn<QList<qint64>>("times");
        const QList<qint64> all{-30000, -1000, 0, 30000, 60000, 61000, 90000};
        const QList<qint64> window{-30000, 0, 30000, 60000, 90000};
        QTest::newRow("off") << QVariant(0) << false << all;
        QTest::newRow("on") << QVariant(1) << false << window;
        QTest::newRow("on as text 1.0") << QVariant("1.0") << false << window;
        QTest::newRow("other values are off") << QVariant(2) << false << all;
        QTest::newRow("on, whole flight asked for") << QVariant(1) << true << all;
    }
    void limitView() {
        QFETCH(QVariant, limit);
        QFETCH(bool, ignoreLimit);
        const double offset = 1.0 / 24;
        const qint64 id = AddFlight(offset);
        const qint64 t = logbook_->AddTrack(id);
        for (double s : {-1.0, 0.0, 30.0, 60.0, 61.0})
            QVERIFY(logbook_->AddPoint(t, At(s) + offset, 0.0, 0.001 * (s + 2)));
        QVERIFY(logbook_->AddBaro(id, At(-30), 100));
        QVERIFY(logbook_->AddBaro(id, At(90), 200));
        settings_->Write(keys::GeneralLimit, limit);
        PlotData plot;
        QCOMPARE(Load(plot, id, ignoreLimit, offset).status, Status::Loaded);
        QTEST(TimesMs(plot), "times");
    }

    // The window needs both flight times, but only with Limit View and tracks.
    void limitViewNeedsFlightTimes() {
        const qint64 id = logbook_->AddFlight(QVariant(), QVariant(), 0.0);
        QVERIFY(logbook_->AddPoint(logbook_->AddTrack(id), At(0), 0.0, 0.001));
        const qint64 baroOnly = logbook_->AddFlight(QVariant(), QVariant(), 0.0);
        QVERIFY(logbook_->AddBaro(baroOnly, At(100), 100));
        PlotData plot = Sentinel();
        const PlotLoadResult noStart =
            LoadPlotData(plot, logbook_->Db(), {id, std::nullopt, At(60), 0.0}, {"Meters", true});
        QCOMPARE(noStart.status, Status::Failed);
        QVERIFY(!noStart.error.isEmpty());
        QVERIFY(IsSentinel(plot));
        auto status = [&](qint64 flight, std::optional<double> start, bool limit) {
            return LoadPlotData(plot, logbook_->Db(), {flight, start, std::nullopt, 0.0}, {"Meters", limit})
                .status;
        };
        QCOMPARE(status(id, At(0), true), Status::Failed);
        QCOMPARE(status(id, std::nullopt, false), Status::Loaded);
        QCOMPARE(status(baroOnly, std::nullopt, true), Status::Loaded);
    }

    // Heights in feet unless the units are exactly "Meters".
    void units_data() {
        QTest::addColumn<QVariant>("units");
        QTest::addColumn<float>("factor");
        QTest::addColumn<float>("z");
        QTest::newRow("not set") << QVariant() << kFeetPerMetre << 1000.0f;
        QTest::newRow("Meters") << QVariant("Meters") << 1.0f << 3280.84f;
        QTest::newRow("other case is not metres") << QVariant("meters") << kFeetPerMetre << 1000.0f;
    }
    void units() {
        QFETCH(QVariant, units);
        QFETCH(float, z);
        if (!units.isNull()) settings_->Write(keys::GeneralUnits, units);
        QTEST(UnitsFactor(*settings_), "factor");
        const qint64 id = AddFlight();
        QVERIFY(logbook_->AddBaro(id, At(0), 3280.84));
        PlotData plot;
        QCOMPARE(Load(plot, id, true).status, Status::Loaded);
        QVERIFY2(std::fabs(plot.points[0].z - z) < 1e-3f, qPrintable(QString::number(plot.points[0].z)));
        QVERIFY(std::fabs(plot.min.z - z) < 1e-3f && std::fabs(plot.max.z - z) < 1e-3f);
    }

    // Other flights' and unassigned rows stay out, and so do rows without a time or value.
    void onlyTheFlightsCompleteRows() {
        const qint64 id = AddFlight();
        const qint64 other = AddFlight();
        const qint64 mine = logbook_->AddTrack(id);
        QVERIFY(logbook_->AddPoint(mine, At(0), 0.0, 0.001));
        QVERIFY(logbook_->AddPoint(mine, At(20), 0.0, 0.002));
        QVERIFY(logbook_->AddPoint(mine, QVariant(), 0.0, 0.002));
        QVERIFY(logbook_->AddPoint(mine, At(5), QVariant(), 0.003));
        QVERIFY(logbook_->AddPoint(mine, At(6), 0.0, QVariant()));
        QVERIFY(logbook_->AddPoint(logbook_->AddTrack(other, 0.5), At(10), 0.0, 0.003));
        QVERIFY(logbook_->AddPoint(logbook_->AddTrack(0), At(15), 0.0, 0.004));
        QVERIFY(logbook_->AddBaro(id, At(30), 100));
        QVERIFY(logbook_->AddBaro(id, QVariant(), 200));
        QVERIFY(logbook_->AddBaro(id, At(12), QVariant()));
        QVERIFY(logbook_->AddBaro(other, At(7), 900));
        QVERIFY(logbook_->AddBaro(-1, At(25), 900));
        settings_->Write(keys::GeneralUnits, "Meters");
        PlotData plot;
        QCOMPARE(Load(plot, id).status, Status::Loaded);
        QCOMPARE(TimesMs(plot), (QList<qint64>{0, 20000, 30000}));
        QCOMPARE(plot.max.z, 100.0f);
    }

    // Failures come back as values and leave the plot as it was.
    void failures_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("logbook closed") << "closed";
        QTest::newRow("no BaroData table") << "table";
        QTest::newRow("no TrackData table") << "track table";
        // Views whose query compiles but whose first row fails (integer overflow).
        QTest::newRow("barograph rows that fail to read")
            << "BaroData AS SELECT ID AS LogID, StartTime AS TIME, %1 AS height FROM LogData";
        QTest::newRow("track rows that fail to read")
            << "Tracks AS SELECT ID, ID AS LogID, 0 AS TimeOffset, %1 AS LandFile FROM LogData";
        QTest::newRow("track points that fail to read")
            << "TrackData AS SELECT ID AS TrackID, StartTime AS TIME, 0 AS LAT, 0 AS LNG, %1 AS Height "
               "FROM LogData";
        QTest::newRow("infinite flight offset") << "offset";
        QTest::newRow("infinite offsets on both clocks") << "offsets";
    }
    void failures() {
        QFETCH(QString, kind);
        const double inf = std::numeric_limits<double>::infinity();
        const qint64 id = AddFlight();
        const qint64 t = logbook_->AddTrack(id, kind == "offsets" ? QVariant(inf) : QVariant(0.0));
        QVERIFY(logbook_->AddPoint(t, At(0), 0.0, 0.001));
        QVERIFY(logbook_->AddBaro(id, At(0), 100));
        PlotFlight flight{id, At(0), At(60), 0.0};
        if (kind == "closed") {
            logbook_->File().Close();
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("database not open"));
        } else if (kind == "table") {
            QCOMPARE(testlogbook::Exec(logbook_->Db(), "DROP TABLE BaroData"), QString());
        } else if (kind == "track table") {
            QCOMPARE(testlogbook::Exec(logbook_->Db(), "DROP TABLE TrackData"), QString());
        } else if (kind.contains(QLatin1String(" AS SELECT "))) {
            const QString table = kind.section(QLatin1Char(' '), 0, 0);
            QCOMPARE(testlogbook::Exec(logbook_->Db(), "DROP TABLE " + table), QString());
            QCOMPARE(
                testlogbook::Exec(logbook_->Db(), "CREATE VIEW " + kind.arg("abs(-9223372036854775807 - 1)")),
                QString());
        } else {
            flight.timeOffset = inf;
        }
        PlotData plot = Sentinel();
        const PlotLoadResult result = LoadPlotData(plot, logbook_->File().Db(), flight, {"Meters", false});
        QCOMPARE(result.status, Status::Failed);
        QVERIFY(!result.error.isEmpty() && !result.Ok());
        QVERIFY(IsSentinel(plot));
    }

    void flightFromRecord() {
        const qint64 id = AddFlight(0.125);
        const PlotFlight flight = PlotFlight::FromRecord(*ReadFlight(logbook_->Db(), id));
        QCOMPARE(flight.id, id);
        QVERIFY(flight.startTime == At(0) && flight.endTime == At(60) && flight.timeOffset == 0.125);
        const qint64 empty = logbook_->AddFlight(QVariant(), QVariant(), QVariant());
        const PlotFlight none = PlotFlight::FromRecord(*ReadFlight(logbook_->Db(), empty));
        QVERIFY(none.id == empty && !none.startTime && !none.endTime && !none.timeOffset);
    }
};

QTEST_GUILESS_MAIN(TestLoadPlotData)
#include "tst_loadplotdata.moc"
