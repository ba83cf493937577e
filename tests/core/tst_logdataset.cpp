// The flights of the open logbook as a positioned set: navigation, the move
// guard, sorting, new and deleted entries, saving edits, and the barograph
// and track links of a flight.

#include "core/daynumber.h"
#include "core/flightfields.h"
#include "core/flightstore.h"
#include "core/logbookfiles.h"
#include "core/logbooksession.h"
#include "testlogbook.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

class TestLogDataSet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyLogbook();
    void openShowsNewestFlight();
    void moveTo_data();
    void moveTo();
    void moveGuardRefuses();
    void sortDescending();
    void addNewGoesToLastRow();
    void deleteGoesToLastRow_data();
    void deleteGoesToLastRow();
    void saveWritesOnlyChangedFields_data();
    void saveWritesOnlyChangedFields();
    void assignBaroToFlight_data();
    void assignBaroToFlight();
    void flightHasTracks();

private:
    // A logbook whose flights start at the given day numbers, in this ID order.
    bool OpenWithFlights(const QList<double>& starts);
    QList<qint64> IdsInOrder();

    QTemporaryDir* dir_ = nullptr;
    LogbookSession* session_ = nullptr;
    QList<qint64> ids_; // IDs of the flights made, in the order of starts
};

void TestLogDataSet::init() {
    dir_ = new QTemporaryDir;
    session_ = new LogbookSession;
    ids_.clear();
}

void TestLogDataSet::cleanup() {
    delete session_;
    delete dir_;
}

bool TestLogDataSet::OpenWithFlights(const QList<double>& starts) {
    const QString path = dir_->filePath("flights.mdb");
    if (!CreateLogbookFile(path)) return false;
    {
        LogbookDatabase file;
        if (!file.Open(path, nullptr)) return false;
        for (double start : starts) {
            const std::optional<qint64> id = InsertFlight(file.Db(), start, start + 0.1, nullptr);
            if (!id) return false;
            ids_ << *id;
        }
    }
    return session_->OpenLogbook(path).Ok();
}

// The IDs as the set walks them from first to last (ending on the last row).
QList<qint64> TestLogDataSet::IdsInOrder() {
    QList<qint64> ids;
    LogDataSet& flights = session_->Flights();
    if (!flights.MoveFirst()) return ids;
    do
        ids << flights.Current().Id();
    while (flights.MoveNext());
    return ids;
}

void TestLogDataSet::emptyLogbook() {
    QSignalSpy repositioned(&session_->Flights(), &LogDataSet::Repositioned);
    QVERIFY(OpenWithFlights({}));
    LogDataSet& flights = session_->Flights();
    QCOMPARE(flights.RecordCount(), 0);
    QCOMPARE(flights.AbsolutePosition(), -1);
    QVERIFY(!flights.HasCurrent());
    QVERIFY(flights.Current().IsEmpty());
    QVERIFY(repositioned.count() >= 1); // the window clears its fields
    QVERIFY(!flights.MoveFirst());
    QVERIFY(!flights.MoveLast());
    QVERIFY(!flights.MoveNext());
    QVERIFY(!flights.MovePrevious());
    QString error;
    QVERIFY(!flights.DeleteCurrent(&error)); // deleting in an empty logbook does nothing
    QCOMPARE(flights.AbsolutePosition(), -1);
    QVERIFY(flights.SortDataSet("StartTime DESC"));
    QCOMPARE(flights.RecordCount(), 0);
}

// Opening a logbook shows its latest flight by take-off time, whatever order
// the flights were entered in.
void TestLogDataSet::openShowsNewestFlight() {
    QVERIFY(OpenWithFlights({37045.4, 38100.5, 36000.25, 37500.0}));
    LogDataSet& flights = session_->Flights();
    QCOMPARE(flights.RecordCount(), 4);
    QCOMPARE(flights.AbsolutePosition(), 3);
    QVERIFY(flights.IsLast());
    QCOMPARE(flights.Current().Id(), ids_.at(1));
    QCOMPARE(flights.Current().Value("StartTime").toDouble(), 38100.5);
    QCOMPARE(IdsInOrder(), (QList<qint64>{ids_[2], ids_[0], ids_[3], ids_[1]}));
}

void TestLogDataSet::moveTo_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("position");

    QTest::newRow("before the first") << -1 << false << 2;
    QTest::newRow("first") << 0 << true << 0;
    QTest::newRow("same") << 2 << true << 2;
    QTest::newRow("last") << 4 << true << 4;
    QTest::newRow("past the last") << 5 << false << 2;
    QTest::newRow("far past") << 1000 << false << 2;
}

void TestLogDataSet::moveTo() {
    QFETCH(int, target);
    QFETCH(bool, moved);
    QFETCH(int, position);
    QVERIFY(OpenWithFlights({1000, 2000, 3000, 4000, 5000}));
    LogDataSet& flights = session_->Flights();
    QVERIFY(flights.MoveTo(2));
    QSignalSpy repositioned(&flights, &LogDataSet::Repositioned);

    QCOMPARE(flights.MoveTo(target), moved);
    QCOMPARE(flights.AbsolutePosition(), position);
    QCOMPARE(flights.Current().Id(), ids_.at(position));
    QCOMPARE(repositioned.count(), moved ? 1 : 0);
    QCOMPARE(flights.IsFirst(), position == 0);
    QCOMPARE(flights.IsLast(), position == 4);
}

// When the edits of the flight shown cannot be saved, the set stays where it is.
void TestLogDataSet::moveGuardRefuses() {
    QVERIFY(OpenWithFlights({1000, 2000, 3000}));
    LogDataSet& flights = session_->Flights();
    QVERIFY(flights.MoveTo(1));
    int asked = 0;
    flights.SetMoveGuard([&asked] {
        ++asked;
        return false;
    });
    QSignalSpy repositioned(&flights, &LogDataSet::Repositioned);
    QString error;

    QVERIFY(!flights.MoveFirst());
    QVERIFY(!flights.MoveLast());
    QVERIFY(!flights.MoveNext());
    QVERIFY(!flights.MovePrevious());
    QVERIFY(!flights.MoveTo(0));
    QVERIFY(!flights.MoveToId(ids_.at(2)));
    QVERIFY(!flights.SortDataSet("StartTime DESC"));
    QVERIFY(!flights.AddNew(4000, 4000, &error));
    QVERIFY(asked >= 8);
    QCOMPARE(flights.AbsolutePosition(), 1);
    QCOMPARE(flights.Current().Id(), ids_.at(1));
    QCOMPARE(flights.RecordCount(), 3);
    QCOMPARE(repositioned.count(), 0);
    QCOMPARE(RowCount(session_->Db(), "LogData"), 3);

    flights.SetMoveGuard([] { return true; });
    QVERIFY(flights.MoveNext());
    QCOMPARE(flights.AbsolutePosition(), 2);
}

void TestLogDataSet::sortDescending() {
    QVERIFY(OpenWithFlights({3000, 1000, 5000, 2000, 4000}));
    LogDataSet& flights = session_->Flights();
    const QList<qint64> ascending = IdsInOrder();
    QCOMPARE(ascending, (QList<qint64>{ids_[1], ids_[3], ids_[0], ids_[4], ids_[2]}));
    QVERIFY(flights.MoveTo(1));
    const qint64 shown = flights.Current().Id();

    QVERIFY(flights.SortDataSet("StartTime DESC"));
    // The flight shown stays shown.
    QCOMPARE(flights.Current().Id(), shown);
    QCOMPARE(flights.AbsolutePosition(), 3);
    QList<qint64> descending = IdsInOrder();
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(descending, ascending);

    QVERIFY(flights.SortDataSet("StartTime"));
    QCOMPARE(IdsInOrder(), ascending);
}

// "New Entry" adds a flight starting and ending now and shows it.
void TestLogDataSet::addNewGoesToLastRow() {
    QVERIFY(OpenWithFlights({37045.4, 37046.4}));
    LogDataSet& flights = session_->Flights();
    QVERIFY(flights.MoveFirst());
    const double now = DayNumberNow();
    QString error;

    QVERIFY2(flights.AddNew(now, now, &error), qPrintable(error));
    QCOMPARE(flights.RecordCount(), 3);
    QVERIFY(flights.IsLast());
    QVERIFY(!ids_.contains(flights.Current().Id()));
    QCOMPARE(flights.Current().Value("StartTime").toDouble(), now);
    const QString start = FieldText(FieldType::DateTime, flights.Current().Value("StartTime"));
    const QString end = FieldText(FieldType::DateTime, flights.Current().Value("EndTime"));
    QCOMPARE(FlightTimeText(start, end), std::optional<QString>("00:00"));

    // A second entry in the same second is another flight.
    const qint64 first = flights.Current().Id();
    QVERIFY2(flights.AddNew(now, now, &error), qPrintable(error));
    QCOMPARE(flights.RecordCount(), 4);
    QVERIFY(flights.IsLast());
    QVERIFY(flights.Current().Id() != first);
}

// "Delete Entry" removes the flight shown and shows the last one; the flight's
// tracks and barograph samples stay.
void TestLogDataSet::deleteGoesToLastRow_data() {
    QTest::addColumn<int>("deleteAt");
    QTest::newRow("first") << 0;
    QTest::newRow("middle") << 1;
    QTest::newRow("last") << 2;
}

void TestLogDataSet::deleteGoesToLastRow() {
    QFETCH(int, deleteAt);
    QVERIFY(OpenWithFlights({1000, 2000, 3000}));
    LogDataSet& flights = session_->Flights();
    QVERIFY(flights.MoveTo(deleteAt));
    const qint64 gone = flights.Current().Id();
    QCOMPARE(InsertRow(session_->Db(), "Tracks", {{"LogID", gone}, {"StartTime", 1000.5}}), QString());
    QCOMPARE(InsertRow(session_->Db(), "BaroData", {{"LogID", gone}, {"TIME", 1000.5}, {"height", 400}}),
             QString());
    QString error;

    QVERIFY2(flights.DeleteCurrent(&error), qPrintable(error));
    QCOMPARE(flights.RecordCount(), 2);
    QVERIFY(flights.IsLast());
    QVERIFY(flights.Current().Id() != gone);
    QVERIFY(!IdsInOrder().contains(gone));
    QVERIFY(!ReadFlight(session_->Db(), gone).has_value());
    QCOMPARE(Scalar(session_->Db(), "SELECT COUNT(*) FROM Tracks WHERE LogID = ?", {gone}).toInt(), 1);
    QCOMPARE(Scalar(session_->Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {gone}).toInt(), 1);

    // Down to an empty logbook.
    QVERIFY(flights.DeleteCurrent(&error));
    QVERIFY(flights.DeleteCurrent(&error));
    QCOMPARE(flights.RecordCount(), 0);
    QCOMPARE(flights.AbsolutePosition(), -1);
    QVERIFY(!flights.DeleteCurrent(&error));
}

// Saving the flight shown writes the fields the pilot changed and nothing
// else: a field another part wrote meanwhile (the 3D view's offsets, the
// conditions window) keeps its new value.
void TestLogDataSet::saveWritesOnlyChangedFields_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("comments") << "Comments" << QVariant(QStringLiteral("Pilot's best day"));
    QTest::newRow("comments cleared") << "Comments" << QVariant();
    QTest::newRow("start height") << "StartHeight" << QVariant(qint64(450));
    QTest::newRow("glider") << "Glider" << QVariant(qint64(3));
    QTest::newRow("time offset") << "TimeOffset" << QVariant(-30.0 / 1440);
    QTest::newRow("landing time") << "EndTime" << QVariant(37045.55);
}

void TestLogDataSet::saveWritesOnlyChangedFields() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QVERIFY(OpenWithFlights({37045.4}));
    LogDataSet& flights = session_->Flights();
    const qint64 id = flights.Current().Id();
    QCOMPARE(
        Exec(session_->Db(), "UPDATE LogData SET Comments = 'old', StartHeight = 300 WHERE ID = ?", {id}),
        QString());
    flights.ReloadCurrent();

    FlightRecord edited = flights.Current();
    edited.SetValue(field, value);
    // Meanwhile the 3D view stores the landscape offsets of this flight.
    QCOMPARE(
        Exec(session_->Db(), "UPDATE LogData SET LatOffset = 12.5, HeightOffset = -40 WHERE ID = ?", {id}),
        QString());

    QString error;
    QVERIFY2(flights.SaveCurrent(edited, &error), qPrintable(error));
    const std::optional<FlightRecord> stored = ReadFlight(session_->Db(), id);
    QVERIFY(stored.has_value());
    if (value.isNull())
        QVERIFY(stored->Value(field).isNull());
    else
        QCOMPARE(stored->Value(field).toString(), value.toString());
    QCOMPARE(stored->Value("LatOffset").toDouble(), 12.5);
    QCOMPARE(stored->Value("HeightOffset").toDouble(), -40.0);
    // The set shows what is stored now.
    QCOMPARE(flights.Current(), *stored);
}

// "Find Baro Links" for a flight from 10:00 to 12:00: the caller passes the
// landing time plus one minute, and every sample from 10:00 up to and
// including 12:01 goes to the flight, also samples of another flight inside
// that range; samples outside it are left alone. Several days, as the
// comparison of day numbers must hold on any date.
void TestLogDataSet::assignBaroToFlight_data() {
    QTest::addColumn<QDate>("date");
    QTest::newRow("3 June 2001") << QDate(2001, 6, 3);
    QTest::newRow("14 August 2023") << QDate(2023, 8, 14);
    QTest::newRow("31 December 1999") << QDate(1999, 12, 31);
    QTest::newRow("29 February 2024") << QDate(2024, 2, 29);
    QTest::newRow("1 May 2087") << QDate(2087, 5, 1);
}

void TestLogDataSet::assignBaroToFlight() {
    QFETCH(QDate, date);
    QVERIFY(OpenWithFlights({}));
    QSqlDatabase db = session_->Db();
    QString error;
    const std::optional<qint64> flight =
        InsertFlight(db, DayNumber(date, 10, 0), DayNumber(date, 12, 0), &error);
    QVERIFY(flight.has_value());
    const qint64 other = *flight + 100;

    struct Sample {
        int hour, minute, second;
        qint64 logId;
        bool assigned;
    };
    const QList<Sample> samples = {
        {9, 59, 59, -1, false},   {10, 0, 0, -1, true},    {10, 0, 1, -1, true}, {11, 0, 0, other, true},
        {12, 0, 0, -1, true},     {12, 0, 30, -1, true},   {12, 1, 0, -1, true}, {12, 1, 1, -1, false},
        {13, 0, 0, other, false}, {9, 0, 0, other, false},
    };
    // Samples as the barograph download stores them: the trace's start plus
    // whole intervals.
    const double traceStart = DayNumber(date, 9, 0, 0);
    for (const Sample& s : samples) {
        const int offset = (s.hour - 9) * 3600 + s.minute * 60 + s.second;
        QCOMPARE(
            InsertRow(
                db, "BaroData",
                {{"LogID", s.logId}, {"TIME", traceStart + offset * kOneSecond}, {"height", 300 + offset}}),
            QString());
    }

    // The day numbers as the window reads them back from the fields' texts.
    const std::optional<FlightRecord> record = ReadFlight(db, *flight);
    const std::optional<double> start =
        ParseDayNumber(FieldText(FieldType::DateTime, record->Value("StartTime")));
    const std::optional<double> end =
        ParseDayNumber(FieldText(FieldType::DateTime, record->Value("EndTime")));
    QVERIFY(start && end);
    const int assigned = AssignBaroToFlight(db, *flight, *start, *end + kOneMinute, &error);
    QVERIFY2(assigned >= 0, qPrintable(error));

    int expectedCount = 0;
    for (const Sample& s : samples) {
        const int offset = (s.hour - 9) * 3600 + s.minute * 60 + s.second;
        const qint64 logId =
            Scalar(db, "SELECT LogID FROM BaroData WHERE height = ?", {300 + offset}).toLongLong();
        const QString label = QStringLiteral("%1:%2:%3").arg(s.hour).arg(s.minute).arg(s.second);
        QVERIFY2(logId == (s.assigned ? *flight : s.logId), qPrintable(label));
        expectedCount += s.assigned;
    }
    QCOMPARE(assigned, expectedCount);
}

// The 3D button follows whether the flight has a linked track.
void TestLogDataSet::flightHasTracks() {
    QVERIFY(OpenWithFlights({1000, 2000, 3000}));
    QSqlDatabase db = session_->Db();
    QCOMPARE(InsertRow(db, "Tracks", {{"LogID", ids_[1]}, {"StartTime", 2000.4}, {"EndTime", 2000.5}}),
             QString());
    QCOMPARE(InsertRow(db, "Tracks", {{"LogID", QVariant()}, {"StartTime", 3000.4}}),
             QString()); // not linked
    QVERIFY(!FlightHasTracks(db, ids_[0]));
    QVERIFY(FlightHasTracks(db, ids_[1]));
    QVERIFY(!FlightHasTracks(db, ids_[2]));
    QVERIFY(!FlightHasTracks(db, -1));
}

QTEST_GUILESS_MAIN(TestLogDataSet)
#include "tst_logdataset.moc"
