// The logbook schema, its check and upgrade at every open, the unique keys that refuse rows already stored,
// and the stored query "Logbook".

#include "common/testlogbook.h"
#include "core/daynumber.h"
#include "core/flightstore.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "core/schemaupgrade.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

Q_DECLARE_METATYPE(soarnote::Answer)

namespace {

QSet<QString> ToSet(const QStringList& list) {
    return QSet<QString>(list.cbegin(), list.cend());
}

const QVariantMap kPoint = {{"TrackID", 1}, {"TIME", 37045.5}, {"LAT", 53.349}, {"LNG", -1.812}};
const QVariantMap kSample = {{"LogID", -1}, {"TIME", 37045.5}, {"height", 512}};
const QVariantMap kRecord = {{"StartTime", 37045.4}, {"EndTime", 37045.5}, {"StartHeight", 300},
                             {"MaxHeight", 1450},    {"MinHeight", 250},   {"MaxAscent", 2.5},
                             {"MaxDescent", 3.1},    {"AveSpeed", 24}};

} // namespace

class TestSchemaUpgrade : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int fileCounter_ = 0;

    QString NewPath() { return dir_.filePath(QStringLiteral("logbook%1.mdb").arg(++fileCounter_)); }

private slots:
    // Each older layout lacks some of the fields later versions added: the check adds exactly those, in its
    // fixed order, as Single fields, keeps the rows, keys and stored query (also through the rebuild of
    // LogData the time offset conversion makes), and a second open adds nothing. A file of the current layout
    // is not touched.
    void addsMissingFieldsOnce_data() {
        QTest::addColumn<QStringList>("omitted");
        QTest::addColumn<bool>("timeOffsetAsDateTime");
        QTest::addColumn<QStringList>("added");
        const QStringList allSix = {"LogData.CloudCover", "LogData.CloudBase",  "LogData.WindSpeed",
                                    "TrackData.Height",   "Weather.CloudCover", "Tracks.TimeOffset"};
        QTest::newRow("no conditions fields")
            << QStringList{"LogData.WindSpeed", "LogData.CloudCover", "LogData.CloudBase"} << false
            << QStringList{"LogData.CloudCover", "LogData.CloudBase", "LogData.WindSpeed"};
        QTest::newRow("no weather cloud cover")
            << QStringList{"Weather.CloudCover"} << false << QStringList{"Weather.CloudCover"};
        QTest::newRow("no track clock offset")
            << QStringList{"Tracks.TimeOffset", "LogData.WindSpeed"} << false
            << QStringList{"LogData.WindSpeed", "Tracks.TimeOffset"};
        QTest::newRow("oldest layout, offset converted") << allSix << true << allSix;
        QTest::newRow("current layout") << QStringList() << false << QStringList();
    }
    void addsMissingFieldsOnce() {
        QFETCH(QStringList, omitted);
        QFETCH(bool, timeOffsetAsDateTime);
        QFETCH(QStringList, added);
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path, SchemaLayout{ToSet(omitted), timeOffsetAsDateTime}));
        {
            LogbookDatabase file;
            QVERIFY(file.Open(path, nullptr));
            QCOMPARE(InsertRow(file.Db(), "LogData", kRecord), QString());
            QCOMPARE(InsertRow(file.Db(), "TrackData", kPoint), QString());
        }
        const QByteArray before = FileBytes(path);
        int asked = 0;
        const auto yes = [&asked] { return ++asked, Answer::Yes; };
        const UpgradeResult first = CheckAndUpgradeLogbook(path, yes);
        QVERIFY2(first.ok, qPrintable(first.error));
        QCOMPARE(first.addedFields, added);
        QCOMPARE(first.timeOffsetConverted, timeOffsetAsDateTime);
        QCOMPARE(asked, timeOffsetAsDateTime ? 1 : 0);
        if (added.isEmpty()) QVERIFY(FileBytes(path) == before);
        QCOMPARE(CheckAndUpgradeLogbook(path, yes).addedFields, QStringList());

        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QSet<QString> stored, expected;
        for (const TableDef& t : LogbookTables()) {
            for (const FieldDef& f : t.fields)
                expected << t.name + '.' + f.name;
            for (const QString& name : FieldNames(file.Db(), t.name))
                stored << t.name + '.' + name;
        }
        QCOMPARE(stored, expected);
        for (const QString& qualified : added)
            QCOMPARE(DeclaredTypeOf(file.Db(), qualified.section('.', 0, 0), qualified.section('.', 1)),
                     QStringLiteral("SINGLE"));
        QCOMPARE(Scalar(file.Db(), "SELECT StartHeight FROM LogData").toInt(), 300);
        QVERIFY(Scalar(file.Db(), "SELECT CloudBase IS NULL FROM LogData").toBool());
        QCOMPARE(RowCount(file.Db(), "TrackData"), 1);
        QVERIFY(!InsertRow(file.Db(), "LogData", kRecord).isEmpty());
        QCOMPARE(Scalar(file.Db(), "SELECT MaxGain FROM Logbook").toInt(), 1150);
    }

    // A TimeOffset declared as a date/time is the older layout: the question is asked at every open until the
    // pilot accepts; only Yes converts. The old values are times of day, not offsets, so converted rows keep
    // an empty offset while new flights get 0.
    void timeOffsetQuestion_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("converted");
        QTest::newRow("Yes") << Answer::Yes << true;
        QTest::newRow("No") << Answer::No << false;
        QTest::newRow("Cancel behaves as No") << Answer::Cancel << false;
    }
    void timeOffsetQuestion() {
        QFETCH(Answer, answer);
        QFETCH(bool, converted);
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path, SchemaLayout{{}, true}));
        {
            LogbookDatabase file;
            QVERIFY(file.Open(path, nullptr));
            for (int i = 0; i < 10; ++i)
                QCOMPARE(InsertRow(file.Db(), "LogData",
                                   {{"StartTime", 37045.4 + i},
                                    {"StartHeight", 300 + i},
                                    {"TimeOffset", 0.5},
                                    {"Comments", QStringLiteral("flight %1").arg(i)}}),
                         QString());
        }
        int asked = 0;
        const auto ask = [&](Answer given) { return [&asked, given] { return ++asked, given; }; };
        const UpgradeResult result = CheckAndUpgradeLogbook(path, ask(answer));
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.timeOffsetAsked);
        QCOMPARE(asked, 1);
        QCOMPARE(result.timeOffsetConverted, converted);
        {
            LogbookDatabase file;
            QVERIFY(file.Open(path, nullptr));
            QSqlDatabase db = file.Db();
            QCOMPARE(DeclaredTypeOf(db, "LogData", "TimeOffset"), converted ? "DOUBLE" : "DATETIME");
            QCOMPARE(RowCount(db, "LogData"), 10);
            QCOMPARE(Scalar(db, "SELECT COUNT(*) FROM LogData WHERE TimeOffset IS NULL").toInt(),
                     converted ? 10 : 0);
            // The other fields of the rows are untouched.
            QCOMPARE(Scalar(db, "SELECT Comments FROM LogData WHERE StartHeight = 307").toString(),
                     "flight 7");
            QCOMPARE(Scalar(db, "SELECT StartTime FROM LogData WHERE StartHeight = 307").toDouble(), 37052.4);
            QString error;
            const std::optional<qint64> id = InsertFlight(db, 37100.5, 37100.6, &error);
            QVERIFY2(id, qPrintable(error));
            if (converted)
                QCOMPARE(Scalar(db, "SELECT TimeOffset FROM LogData WHERE ID = ?", {*id}), QVariant(0.0));
        }
        // Declining leaves the question for the next open; accepting ends it.
        QCOMPARE(CheckAndUpgradeLogbook(path, ask(Answer::No)).timeOffsetAsked, !converted);
        QCOMPARE(asked, converted ? 1 : 2);
    }

    // The database refuses a track point, barograph sample or instrument log record that is already stored,
    // and accepts every genuinely new row, also two flights added by hand ("New Entry") with the same times.
    void uniqueKeys_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QVariantMap>("first");
        QTest::addColumn<QVariantMap>("second");
        QTest::addColumn<bool>("accepted");
        auto with = [](QVariantMap row, const QString& field, const QVariant& value) {
            row.insert(field, value);
            return row;
        };
        QTest::newRow("track point under another track")
            << "TrackData" << kPoint << with(kPoint, "TrackID", 2) << false;
        QTest::newRow("track point, next second")
            << "TrackData" << kPoint << with(kPoint, "TIME", 37045.5 + kOneSecond) << true;
        QTest::newRow("track point, other latitude")
            << "TrackData" << kPoint << with(kPoint, "LAT", 53.3491) << true;
        QTest::newRow("track point, other longitude")
            << "TrackData" << kPoint << with(kPoint, "LNG", -1.8121) << true;
        QTest::newRow("baro sample again after assignment")
            << "BaroData" << with(kSample, "LogID", 7) << kSample << false;
        QTest::newRow("baro sample, next second")
            << "BaroData" << kSample << with(kSample, "TIME", 37045.5 + kOneSecond) << true;
        QTest::newRow("log record again, fields edited since")
            << "LogData" << with(kRecord, "Comments", "Mam Tor") << kRecord << false;
        QTest::newRow("log record, other end")
            << "LogData" << kRecord << with(kRecord, "EndTime", 37045.51) << true;
        QTest::newRow("log record, other max height")
            << "LogData" << kRecord << with(kRecord, "MaxHeight", 1451) << true;
        // Linking a barograph trace moves a flight's take-off; downloaded again, the record is still the same
        // flight.
        QTest::newRow("log record again, take-off moved since")
            << "LogData" << with(with(kRecord, "StartTime", 37045.39), "StartHeight", 290) << kRecord
            << false;
        const QVariantMap newEntry = {{"StartTime", 37045.5}, {"EndTime", 37045.5}};
        QTest::newRow("new entries at the same time") << "LogData" << newEntry << newEntry << true;
    }
    void uniqueKeys() {
        QFETCH(QString, table);
        QFETCH(QVariantMap, first);
        QFETCH(QVariantMap, second);
        QFETCH(bool, accepted);
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path));
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(InsertRow(file.Db(), table, first), QString());
        QCOMPARE(InsertRow(file.Db(), table, second).isEmpty(), accepted);
        QCOMPARE(RowCount(file.Db(), table), accepted ? 2 : 1);
    }

    // Files written before the keys existed get them at the next open, each step in its own transaction, and
    // the version reached is kept in the file. One that already holds repeated points or samples loses the
    // repeats (a sample given to a flight is the one kept) and says how many, so that the keys protect it
    // from then on.
    void olderFileGetsUniqueKeys() {
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path, SchemaLayout{{"LogData.WindSpeed"}, false}));
        const QVariantMap otherPoint = {{"TrackID", 1}, {"TIME", 37045.6}, {"LAT", 53.3}, {"LNG", -1.8}};
        const QVariantMap emptyPoint = {{"TrackID", 1}, {"TIME", 37045.6}};
        QVariantMap linked = kSample;
        linked.insert("LogID", 7);
        {
            LogbookDatabase file;
            QVERIFY(file.Open(path, nullptr));
            for (const char* index : {"LogDataLogRecord", "TrackDataPoint", "BaroDataSample"})
                QCOMPARE(Exec(file.Db(), QStringLiteral("DROP INDEX %1").arg(index)), QString());
            for (const QVariantMap& point : {kPoint, kPoint, otherPoint, kPoint, emptyPoint, emptyPoint})
                QCOMPARE(InsertRow(file.Db(), "TrackData", point), QString());
            for (const QVariantMap& sample : {kSample, linked, kSample})
                QCOMPARE(InsertRow(file.Db(), "BaroData", sample), QString());
            QCOMPARE(StoredSchemaVersion(file.Db()), 0);
        }
        const UpgradeResult result = CheckAndUpgradeLogbook(path, {});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.addedFields, QStringList{"LogData.WindSpeed"});
        QCOMPARE(result.removedDuplicates.size(), 2);
        QCOMPARE(result.removedDuplicates[0].table, QStringLiteral("TrackData"));
        QCOMPARE(result.removedDuplicates[0].rows, 2);
        QCOMPARE(result.removedDuplicates[1].table, QStringLiteral("BaroData"));
        QCOMPARE(result.removedDuplicates[1].rows, 2);

        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(StoredSchemaVersion(file.Db()), kLogbookSchemaVersion);
        // Points without a position never collide and stay.
        QCOMPARE(RowCount(file.Db(), "TrackData"), 4);
        QCOMPARE(Scalar(file.Db(), "SELECT COUNT(*) FROM TrackData WHERE TIME = 37045.5").toInt(), 1);
        QCOMPARE(Scalar(file.Db(), "SELECT LogID FROM BaroData").toInt(), 7);
        QVERIFY(!InsertRow(file.Db(), "TrackData", kPoint).isEmpty());
        QVERIFY(!InsertRow(file.Db(), "BaroData", kSample).isEmpty());
        QCOMPARE(InsertRow(file.Db(), "LogData", kRecord), QString());
        QVERIFY(!InsertRow(file.Db(), "LogData", kRecord).isEmpty());
        QVERIFY(CheckAndUpgradeLogbook(path, {}).removedDuplicates.isEmpty());
    }

    // A key that cannot be built for another reason fails the upgrade with the engine's text; its step is
    // undone as a whole and the version stays, so the next open tries again.
    void failedKeyStepUndone() {
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path));
        {
            LogbookDatabase file;
            QVERIFY(file.Open(path, nullptr));
            QCOMPARE(Exec(file.Db(), "DROP INDEX TrackDataPoint"), QString());
            QCOMPARE(Exec(file.Db(), "DROP INDEX BaroDataSample"), QString());
            QCOMPARE(Exec(file.Db(), "CREATE TABLE BaroDataSample (x)"), QString());
            QCOMPARE(Exec(file.Db(), "PRAGMA user_version = 1"), QString());
        }
        const UpgradeResult result = CheckAndUpgradeLogbook(path, {});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("BaroDataSample"), qPrintable(result.error));
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(StoredSchemaVersion(file.Db()), 1);
        QVERIFY(
            !Scalar(file.Db(), "SELECT COUNT(*) FROM sqlite_master WHERE name = 'TrackDataPoint'").toBool());
    }

    // The engine functions the totals and the stored query call: NULL for no value or one out of range.
    void sqlFunctions_data() {
        QTest::addColumn<QVariant>("day");
        QTest::addColumn<QString>("results"); // Year|HoursMinutes, "-" for NULL
        QTest::newRow("29/12/1899 06:00") << QVariant(-1.25) << "1899|-30:00";
        QTest::newRow("NULL") << QVariant() << "-|-";
        QTest::newRow("out of the calendar") << QVariant(9e42) << "-|-";
    }
    void sqlFunctions() {
        QFETCH(QVariant, day);
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path));
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QTEST(Scalar(file.Db(), "SELECT COALESCE(Year(?), '-') || '|' || COALESCE(HoursMinutes(?), '-')",
                     {day, day})
                  .toString(),
              "results");
    }

    // The stored query the printed log walks: one row per flight, lookups joined by ID, flights without
    // lookups kept.
    void logbookQuery_data() {
        QTest::addColumn<QVariantMap>("flight");
        QTest::addColumn<QVariantMap>("columns");
        const double start = DayNumber(QDate(2001, 6, 3), 10, 0);
        QTest::newRow("full entry") << QVariantMap{{"StartTime", start},
                                                   {"EndTime", start + 155.0 / 1440},
                                                   {"StartHeight", 300},
                                                   {"MaxHeight", 1450},
                                                   {"MinHeight", 250},
                                                   {"Type", 1},
                                                   {"Glider", 1},
                                                   {"Location", 1},
                                                   {"XCType", 1},
                                                   {"Distance", 12.5},
                                                   {"Comments", "Pilot's best"}}
                                    << QVariantMap{{"Type.Type", "Foot"},
                                                   {"MakeModel", "Nova Mentor"},
                                                   {"Locations.Type", "Mam Tor"},
                                                   {"XCType.Type", "Open distance"},
                                                   {"FlightTime", "02:35"},
                                                   {"MaxGain", 1150},
                                                   {"MaxLoss", -50},
                                                   {"Distance", 12.5},
                                                   {"Comments", "Pilot's best"}};
        QTest::newRow("no lookups") << QVariantMap{{"StartTime", start}, {"EndTime", start + 45.0 / 1440}}
                                    << QVariantMap{{"FlightTime", "00:45"}, {"MakeModel", QVariant()}};
        QTest::newRow("over a day") << QVariantMap{{"StartTime", start}, {"EndTime", start + 1 + 5.0 / 1440}}
                                    << QVariantMap{{"FlightTime", "24:05"}};
        QTest::newRow("landing before take-off")
            << QVariantMap{{"StartTime", start}, {"EndTime", start - 61.0 / 1440}}
            << QVariantMap{{"FlightTime", "-01:01"}};
        QTest::newRow("landing out of the calendar") << QVariantMap{{"StartTime", start}, {"EndTime", 9e42}}
                                                     << QVariantMap{{"FlightTime", QVariant()}};
    }
    void logbookQuery() {
        QFETCH(QVariantMap, flight);
        QFETCH(QVariantMap, columns);
        const QString path = NewPath();
        QVERIFY(CreateLogbookFile(path));
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QSqlDatabase db = file.Db();
        // Lookup rows stored out of ID order.
        QCOMPARE(InsertRow(db, "Type", {{"ID", 2}, {"Type", "Tow"}}), QString());
        QCOMPARE(InsertRow(db, "Type", {{"ID", 1}, {"Type", "Foot"}}), QString());
        QCOMPARE(InsertRow(db, "Glider", {{"ID", 1}, {"MakeModel", "Nova Mentor"}}), QString());
        QCOMPARE(InsertRow(db, "Locations", {{"ID", 1}, {"Type", "Mam Tor"}}), QString());
        QCOMPARE(InsertRow(db, "XCType", {{"ID", 1}, {"Type", "Open distance"}}), QString());
        QCOMPARE(InsertRow(db, "LogData", flight), QString());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT * FROM Logbook") && q.next());
        for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
            if (it.value().isNull())
                QVERIFY2(q.value(it.key()).isNull(), qPrintable(it.key()));
            else
                QCOMPARE(q.value(it.key()).toString(), it.value().toString());
        }
        QVERIFY(!q.next());
    }
};

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
