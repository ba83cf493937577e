// The logbook schema, its check and upgrade at every open, the unique keys
// that refuse rows already stored, and the stored query "Logbook".

#include "core/daynumber.h"
#include "core/flightstore.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"
#include "core/schemaupgrade.h"
#include "testlogbook.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

Q_DECLARE_METATYPE(soarnote::Answer)

namespace {

// Answers the TimeOffset question and counts how often it was asked.
struct Asker {
    Answer answer = Answer::No;
    int asked = 0;
    std::function<Answer()> Fn() {
        return [this] {
            ++asked;
            return answer;
        };
    }
};

QSet<QString> ToSet(const QStringList& list) {
    return QSet<QString>(list.cbegin(), list.cend());
}

// Every field the current layout holds, as "Table.Field".
QStringList AllCurrentFields() {
    QStringList all;
    for (const TableDef& t : LogbookTables())
        for (const FieldDef& f : t.fields)
            all << t.name + QLatin1Char('.') + f.name;
    return all;
}

QStringList StoredQualifiedFields(const QSqlDatabase& db) {
    QStringList all;
    for (const TableDef& t : LogbookTables())
        for (const QString& name : FieldNames(db, t.name))
            all << t.name + QLatin1Char('.') + name;
    return all;
}

} // namespace

class TestSchemaUpgrade : public QObject {
    Q_OBJECT
private slots:
    void addsMissingFieldsOnce_data();
    void addsMissingFieldsOnce();
    void timeOffsetQuestion_data();
    void timeOffsetQuestion();
    void convertedFileKeepsKeysAndQuery();
    void currentFileUnchanged();
    void notALogbook_data();
    void notALogbook();
    void missingPathDoesNothing();
    void uniqueKeys_data();
    void uniqueKeys();
    void newEntriesNeverRefused();
    void olderFileGetsUniqueKeys();
    void olderFileWithRepeatsStillOpens();
    void logbookQuery_data();
    void logbookQuery();

private:
    QString NewPath(const QString& name) { return dir_.filePath(name); }
    QTemporaryDir dir_;
    int fileCounter_ = 0;
};

// Each older layout lacks some of the fields later versions added. The check
// adds exactly those, in its fixed order, as Single fields, and a second open
// adds nothing.
void TestSchemaUpgrade::addsMissingFieldsOnce_data() {
    QTest::addColumn<QStringList>("omitted");
    QTest::addColumn<bool>("timeOffsetAsDateTime");
    QTest::addColumn<QStringList>("added");

    const QStringList allSix = {"LogData.CloudCover", "LogData.CloudBase",  "LogData.WindSpeed",
                                "TrackData.Height",   "Weather.CloudCover", "Tracks.TimeOffset"};
    QTest::newRow("current layout") << QStringList() << false << QStringList();
    QTest::newRow("no CloudBase") << QStringList{"LogData.CloudBase"} << false
                                  << QStringList{"LogData.CloudBase"};
    QTest::newRow("no conditions fields")
        << QStringList{"LogData.WindSpeed", "LogData.CloudCover", "LogData.CloudBase"} << false
        << QStringList{"LogData.CloudCover", "LogData.CloudBase", "LogData.WindSpeed"};
    QTest::newRow("no track point height")
        << QStringList{"TrackData.Height"} << false << QStringList{"TrackData.Height"};
    QTest::newRow("no weather cloud cover")
        << QStringList{"Weather.CloudCover"} << false << QStringList{"Weather.CloudCover"};
    QTest::newRow("no track clock offset") << QStringList{"Tracks.TimeOffset", "LogData.WindSpeed"} << false
                                           << QStringList{"LogData.WindSpeed", "Tracks.TimeOffset"};
    QTest::newRow("oldest layout") << allSix << true << allSix;
}

void TestSchemaUpgrade::addsMissingFieldsOnce() {
    QFETCH(QStringList, omitted);
    QFETCH(bool, timeOffsetAsDateTime);
    QFETCH(QStringList, added);

    const QString path = NewPath(QStringLiteral("older%1.mdb").arg(++fileCounter_));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{ToSet(omitted), timeOffsetAsDateTime}));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(InsertRow(file.Db(), "LogData",
                           {{"StartTime", 37045.5}, {"EndTime", 37045.6}, {"StartHeight", 300}}),
                 QString());
        QCOMPARE(InsertRow(file.Db(), "TrackData",
                           {{"TrackID", 1}, {"TIME", 37045.55}, {"LAT", 53.3}, {"LNG", -1.8}}),
                 QString());
    }

    Asker asker;
    const UpgradeResult first = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY2(first.ok, qPrintable(first.error));
    QCOMPARE(first.addedFields, added);
    QCOMPARE(first.timeOffsetAsked, timeOffsetAsDateTime);
    QCOMPARE(asker.asked, timeOffsetAsDateTime ? 1 : 0);

    const UpgradeResult second = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY2(second.ok, qPrintable(second.error));
    QCOMPARE(second.addedFields, QStringList());

    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QCOMPARE(ToSet(StoredQualifiedFields(file.Db())), ToSet(AllCurrentFields()));
    for (const QString& qualified : added)
        QCOMPARE(DeclaredTypeOf(file.Db(), qualified.section('.', 0, 0), qualified.section('.', 1)),
                 QStringLiteral("SINGLE"));
    // Rows stored before the upgrade are still there, new fields empty.
    QCOMPARE(RowCount(file.Db(), "LogData"), 1);
    QCOMPARE(Scalar(file.Db(), "SELECT StartHeight FROM LogData").toInt(), 300);
    QVERIFY(Scalar(file.Db(), "SELECT CloudBase IS NULL FROM LogData").toBool());
    QCOMPARE(RowCount(file.Db(), "TrackData"), 1);
}

// A TimeOffset declared as a date/time is the older layout: the question is
// asked at every open until the pilot accepts; only Yes converts. The old
// values are times of day, not offsets, so converted rows keep an empty offset
// while new flights get 0.
void TestSchemaUpgrade::timeOffsetQuestion_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("converted");

    QTest::newRow("Yes") << Answer::Yes << true;
    QTest::newRow("No") << Answer::No << false;
    QTest::newRow("Cancel behaves as No") << Answer::Cancel << false;
}

void TestSchemaUpgrade::timeOffsetQuestion() {
    QFETCH(Answer, answer);
    QFETCH(bool, converted);

    const QString path = NewPath(QStringLiteral("offset%1.mdb").arg(++fileCounter_));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{{}, true}));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        for (int i = 0; i < 10; ++i)
            QCOMPARE(InsertRow(file.Db(), "LogData",
                               {{"StartTime", 37045.4 + i},
                                {"EndTime", 37045.5 + i},
                                {"StartHeight", 300 + i},
                                {"TimeOffset", 0.5},
                                {"Comments", QStringLiteral("flight %1").arg(i)}}),
                     QString());
    }

    Asker asker{answer};
    const UpgradeResult result = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.timeOffsetAsked);
    QCOMPARE(asker.asked, 1);
    QCOMPARE(result.timeOffsetConverted, converted);

    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QSqlDatabase db = file.Db();
        QCOMPARE(DeclaredTypeOf(db, "LogData", "TimeOffset"),
                 converted ? QString("DOUBLE") : QString("DATETIME"));
        QCOMPARE(RowCount(db, "LogData"), 10);
        QCOMPARE(Scalar(db, "SELECT COUNT(*) FROM LogData WHERE TimeOffset IS NULL").toInt(),
                 converted ? 10 : 0);
        QCOMPARE(Scalar(db, "SELECT COUNT(*) FROM LogData WHERE TimeOffset = 0.5").toInt(),
                 converted ? 0 : 10);
        // The other fields of the rows are untouched.
        QCOMPARE(Scalar(db, "SELECT COUNT(DISTINCT ID) FROM LogData").toInt(), 10);
        QCOMPARE(Scalar(db, "SELECT Comments FROM LogData WHERE StartHeight = 307").toString(),
                 QString("flight 7"));
        QCOMPARE(Scalar(db, "SELECT StartTime FROM LogData WHERE StartHeight = 307").toDouble(), 37052.4);

        QString error;
        const std::optional<qint64> id = InsertFlight(db, 37100.5, 37100.6, &error);
        QVERIFY2(id.has_value(), qPrintable(error));
        QVERIFY(*id > 10);
        const QVariant offset = Scalar(db, "SELECT TimeOffset FROM LogData WHERE ID = ?", {*id});
        if (converted) {
            QVERIFY(!offset.isNull());
            QCOMPARE(offset.toDouble(), 0.0);
        }
    }

    // Declining leaves the question for the next open; accepting ends it.
    Asker again{Answer::No};
    const UpgradeResult next = CheckAndUpgradeLogbook(path, again.Fn());
    QVERIFY(next.ok);
    QCOMPARE(next.timeOffsetAsked, !converted);
    QCOMPARE(again.asked, converted ? 0 : 1);
}

// The conversion rebuilds LogData; its keys and the stored query must come back.
void TestSchemaUpgrade::convertedFileKeepsKeysAndQuery() {
    const QString path = NewPath(QStringLiteral("rebuilt.mdb"));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{{"LogData.CloudCover"}, true}));
    const QVariantMap record = {{"StartTime", 37045.4},
                                {"EndTime", 37045.5},
                                {"StartHeight", 300},
                                {"MaxHeight", 1450},
                                {"MinHeight", 250}};
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(InsertRow(file.Db(), "LogData", record), QString());
    }
    Asker yes{Answer::Yes};
    const UpgradeResult result = CheckAndUpgradeLogbook(path, yes.Fn());
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.timeOffsetConverted);
    QCOMPARE(result.addedFields, QStringList{"LogData.CloudCover"});

    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QVERIFY(!InsertRow(file.Db(), "LogData", record).isEmpty());
    QCOMPARE(RowCount(file.Db(), "Logbook"), 1);
    QCOMPARE(Scalar(file.Db(), "SELECT MaxGain FROM Logbook").toInt(), 1150);
}

// A file of the current layout: nothing asked, nothing added, not a byte changed.
void TestSchemaUpgrade::currentFileUnchanged() {
    const QString path = NewPath(QStringLiteral("current.mdb"));
    QVERIFY(CreateLogbookFile(path));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(InsertRow(file.Db(), "LogData", {{"StartTime", 37045.4}, {"EndTime", 37045.5}}), QString());
    }
    const QByteArray before = FileBytes(path);
    QVERIFY(!before.isEmpty());

    Asker asker;
    const UpgradeResult result = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.addedFields.isEmpty());
    QVERIFY(!result.timeOffsetAsked);
    QCOMPARE(asker.asked, 0);
    QVERIFY(FileBytes(path) == before);
}

// A file that is not a logbook fails with an error text and is left as it was.
void TestSchemaUpgrade::notALogbook_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("sqlite");

    QTest::newRow("text file") << QByteArray("StartTime,EndTime\n2001-06-03,2001-06-03\n") << false;
    QTest::newRow("binary garbage") << QByteArray(4096, '\x5a') << false;
    QTest::newRow("database without LogData") << QByteArray() << true;
}

void TestSchemaUpgrade::notALogbook() {
    QFETCH(QByteArray, content);
    QFETCH(bool, sqlite);
    const QString path = NewPath(QStringLiteral("notalogbook%1.mdb").arg(++fileCounter_));
    if (sqlite) {
        LogbookDatabase file;
        QVERIFY(file.Create(path, nullptr));
        QCOMPARE(Exec(file.Db(), "CREATE TABLE \"Table\" (English TEXT, Language TEXT)"), QString());
    } else {
        QVERIFY(WriteBytes(path, content));
    }
    const QByteArray before = FileBytes(path);

    Asker asker;
    const UpgradeResult result = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.addedFields.isEmpty());
    QCOMPARE(asker.asked, 0);
    if (!sqlite) QVERIFY(FileBytes(path) == before);
}

void TestSchemaUpgrade::missingPathDoesNothing() {
    const QString path = NewPath(QStringLiteral("missing.mdb"));
    Asker asker;
    const UpgradeResult result = CheckAndUpgradeLogbook(path, asker.Fn());
    QVERIFY(result.ok);
    QVERIFY(result.error.isEmpty());
    QVERIFY(result.addedFields.isEmpty());
    QCOMPARE(asker.asked, 0);
    QVERIFY(!QFileInfo::exists(path));
}

// The database refuses a track point, barograph sample or instrument log
// record that is already stored, and accepts every genuinely new row.
void TestSchemaUpgrade::uniqueKeys_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QVariantMap>("first");
    QTest::addColumn<QVariantMap>("second");
    QTest::addColumn<bool>("accepted");

    const QVariantMap point = {{"TrackID", 1}, {"TIME", 37045.5}, {"LAT", 53.349}, {"LNG", -1.812}};
    auto with = [](QVariantMap row, const QString& field, const QVariant& value) {
        row.insert(field, value);
        return row;
    };
    QTest::newRow("track point under another track")
        << "TrackData" << point << with(point, "TrackID", 2) << false;
    QTest::newRow("track point again in the same track") << "TrackData" << point << point << false;
    QTest::newRow("track point, next second")
        << "TrackData" << point << with(point, "TIME", 37045.5 + kOneSecond) << true;
    QTest::newRow("track point, other latitude")
        << "TrackData" << point << with(point, "LAT", 53.3491) << true;
    QTest::newRow("track point, other longitude")
        << "TrackData" << point << with(point, "LNG", -1.8121) << true;

    const QVariantMap sample = {{"LogID", -1}, {"TIME", 37045.5}, {"height", 512}};
    QTest::newRow("baro sample again") << "BaroData" << sample << sample << false;
    QTest::newRow("baro sample again after assignment")
        << "BaroData" << with(sample, "LogID", 7) << sample << false;
    QTest::newRow("baro sample, next second")
        << "BaroData" << sample << with(sample, "TIME", 37045.5 + kOneSecond) << true;
    QTest::newRow("baro sample, same height later")
        << "BaroData" << sample << with(sample, "TIME", 37045.6) << true;

    const QVariantMap record = {{"StartTime", 37045.4}, {"EndTime", 37045.5}, {"StartHeight", 300},
                                {"MaxHeight", 1450},    {"MinHeight", 250},   {"MaxAscent", 3.5}};
    QTest::newRow("log record again") << "LogData" << record << record << false;
    QTest::newRow("log record again, fields edited since")
        << "LogData" << with(record, "Comments", "Mam Tor") << record << false;
    QTest::newRow("log record, other end")
        << "LogData" << record << with(record, "EndTime", 37045.51) << true;
    QTest::newRow("log record, other max height")
        << "LogData" << record << with(record, "MaxHeight", 1451) << true;
    QTest::newRow("log record, other start")
        << "LogData" << record << with(record, "StartTime", 37045.41) << true;
}

void TestSchemaUpgrade::uniqueKeys() {
    QFETCH(QString, table);
    QFETCH(QVariantMap, first);
    QFETCH(QVariantMap, second);
    QFETCH(bool, accepted);

    const QString path = NewPath(QStringLiteral("keys%1.mdb").arg(++fileCounter_));
    QVERIFY(CreateLogbookFile(path));
    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QCOMPARE(InsertRow(file.Db(), table, first), QString());
    const QString error = InsertRow(file.Db(), table, second);
    QCOMPARE(error.isEmpty(), accepted);
    QCOMPARE(RowCount(file.Db(), table), accepted ? 2 : 1);
}

// Flights added by hand ("New Entry") carry only their times; two of them with
// the same times are two flights.
void TestSchemaUpgrade::newEntriesNeverRefused() {
    const QString path = NewPath(QStringLiteral("newentries.mdb"));
    QVERIFY(CreateLogbookFile(path));
    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QString error;
    const std::optional<qint64> a = InsertFlight(file.Db(), 37045.5, 37045.5, &error);
    const std::optional<qint64> b = InsertFlight(file.Db(), 37045.5, 37045.5, &error);
    QVERIFY2(a && b, qPrintable(error));
    QVERIFY(*a != *b);
    QCOMPARE(RowCount(file.Db(), "LogData"), 2);
}

// Files written before the keys existed get them at the next open.
void TestSchemaUpgrade::olderFileGetsUniqueKeys() {
    const QString path = NewPath(QStringLiteral("nokeys.mdb"));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{{"TrackData.Height"}, false}));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        for (const char* index : {"LogDataRecord", "TrackDataPoint", "BaroDataSample"})
            QCOMPARE(Exec(file.Db(), QStringLiteral("DROP INDEX %1").arg(index)), QString());
    }
    QVERIFY(CheckAndUpgradeLogbook(path, {}).ok);

    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    const QVariantMap point = {{"TrackID", 1}, {"TIME", 37045.5}, {"LAT", 53.349}, {"LNG", -1.812}};
    QCOMPARE(InsertRow(file.Db(), "TrackData", point), QString());
    QVERIFY(!InsertRow(file.Db(), "TrackData", point).isEmpty());
    const QVariantMap sample = {{"LogID", -1}, {"TIME", 37045.5}, {"height", 512}};
    QCOMPARE(InsertRow(file.Db(), "BaroData", sample), QString());
    QVERIFY(!InsertRow(file.Db(), "BaroData", sample).isEmpty());
    const QVariantMap record = {{"StartTime", 37045.4},
                                {"EndTime", 37045.5},
                                {"StartHeight", 300},
                                {"MaxHeight", 1450},
                                {"MinHeight", 250}};
    QCOMPARE(InsertRow(file.Db(), "LogData", record), QString());
    QVERIFY(!InsertRow(file.Db(), "LogData", record).isEmpty());
}

// An older file may already hold repeated rows; it still opens.
void TestSchemaUpgrade::olderFileWithRepeatsStillOpens() {
    const QString path = NewPath(QStringLiteral("repeats.mdb"));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{{"LogData.WindSpeed"}, false}));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(Exec(file.Db(), "DROP INDEX TrackDataPoint"), QString());
        const QVariantMap point = {{"TrackID", 1}, {"TIME", 37045.5}, {"LAT", 53.349}, {"LNG", -1.812}};
        QCOMPARE(InsertRow(file.Db(), "TrackData", point), QString());
        QCOMPARE(InsertRow(file.Db(), "TrackData", point), QString());
    }
    const UpgradeResult result = CheckAndUpgradeLogbook(path, {});
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.addedFields, QStringList{"LogData.WindSpeed"});
    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QCOMPARE(RowCount(file.Db(), "TrackData"), 2);
}

// The stored query the printed log walks: one row per flight, lookups joined
// by ID, flights without lookups kept.
void TestSchemaUpgrade::logbookQuery_data() {
    QTest::addColumn<QVariantMap>("flight");
    QTest::addColumn<QVariantMap>("columns");

    const double start = DayNumber(QDate(2001, 6, 3), 10, 0);
    QTest::newRow("full entry") << QVariantMap{{"StartTime", start},
                                               {"EndTime", DayNumber(QDate(2001, 6, 3), 12, 35)},
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
}

void TestSchemaUpgrade::logbookQuery() {
    QFETCH(QVariantMap, flight);
    QFETCH(QVariantMap, columns);
    const QString path = NewPath(QStringLiteral("query%1.mdb").arg(++fileCounter_));
    QVERIFY(CreateLogbookFile(path));
    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QSqlDatabase db = file.Db();
    QCOMPARE(InsertRow(db, "Type", {{"Type", "Tow"}}), QString());
    QCOMPARE(Exec(db, "UPDATE \"Type\" SET ID = 2"), QString());
    QCOMPARE(InsertRow(db, "Type", {{"ID", 1}, {"Type", "Foot"}}), QString());
    QCOMPARE(InsertRow(db, "Glider", {{"ID", 1}, {"MakeModel", "Nova Mentor"}}), QString());
    QCOMPARE(InsertRow(db, "Locations", {{"ID", 1}, {"Type", "Mam Tor"}}), QString());
    QCOMPARE(InsertRow(db, "XCType", {{"ID", 1}, {"Type", "Open distance"}}), QString());
    QCOMPARE(InsertRow(db, "LogData", flight), QString());

    QSqlQuery q(db);
    QVERIFY(q.exec("SELECT * FROM Logbook"));
    QVERIFY(q.next());
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        const QVariant value = q.value(it.key());
        if (it.value().isNull())
            QVERIFY2(value.isNull(), qPrintable(it.key()));
        else
            QCOMPARE(value.toString(), it.value().toString());
    }
    QVERIFY(!q.next());
}

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
