// The flights of the open logbook as a positioned set: navigation, the move guard, sorting, deleted entries,
// saving edits, and the barograph and track links of a flight. Opening on the newest flight and new entries
// are driven through the window in tst_mainwindow.

#include "common/testlogbook.h"
#include "core/daynumber.h"
#include "core/flightfields.h"
#include "core/flightstore.h"
#include "core/logbooksession.h"
#include "core/tableaccess.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace soarnote;
using namespace testlogbook;

class TestLogDataSet : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<LogbookSession> session_;
    QList<qint64> ids_; // IDs of the flights made, in the order of starts

    LogDataSet& Flights() { return session_->Flights(); }

    // A logbook whose flights start at the given day numbers, in this ID order.
    bool OpenWithFlights(const QList<double>& starts) {
        Builder logbook(dir_->filePath("flights.mdb"));
        for (double start : starts)
            logbook.Flight({{"StartTime", start}, {"EndTime", start + 0.1}});
        return logbook.Build(&ids_) && session_->OpenLogbook(logbook.Path()).Ok();
    }

    // The IDs as the set walks them from first to last (ending on the last row).
    QList<qint64> IdsInOrder() {
        QList<qint64> ids;
        if (!Flights().MoveFirst()) return ids;
        do
            ids << Flights().Current().Id();
        while (Flights().MoveNext());
        return ids;
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        session_ = std::make_unique<LogbookSession>();
        ids_.clear();
    }
    void cleanup() {
        session_.reset();
        dir_.reset();
    }

    void emptyLogbook() {
        QSignalSpy repositioned(&Flights(), &LogDataSet::Repositioned);
        QVERIFY(OpenWithFlights({}));
        QCOMPARE(Flights().RecordCount(), 0);
        QCOMPARE(Flights().AbsolutePosition(), -1);
        QVERIFY(!Flights().HasCurrent() && Flights().Current().IsEmpty());
        QVERIFY(repositioned.count() >= 1); // the window clears its fields
        QVERIFY(!Flights().MoveFirst() && !Flights().MoveNext());
        QString error;
        QVERIFY(!Flights().DeleteCurrent(&error));
        QVERIFY(Flights().SortDataSet("StartTime DESC"));
    }

    void moveTo_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<int>("position");
        QTest::newRow("before the first") << -1 << false << 2;
        QTest::newRow("first") << 0 << true << 0;
        QTest::newRow("same") << 2 << true << 2;
        QTest::newRow("last") << 4 << true << 4;
        QTest::newRow("past the last") << 5 << false << 2;
    }
    void moveTo() {
        QFETCH(int, target);
        QFETCH(bool, moved);
        QFETCH(int, position);
        QVERIFY(OpenWithFlights({1000, 2000, 3000, 4000, 5000}));
        QVERIFY(Flights().MoveTo(2));
        QSignalSpy repositioned(&Flights(), &LogDataSet::Repositioned);
        QCOMPARE(Flights().MoveTo(target), moved);
        QCOMPARE(Flights().AbsolutePosition(), position);
        QCOMPARE(Flights().Current().Id(), ids_.at(position));
        QCOMPARE(repositioned.count(), moved ? 1 : 0);
        QCOMPARE(Flights().IsFirst(), position == 0);
        QCOMPARE(Flights().IsLast(), position == 4);
    }

    // When the edits of the flight shown cannot be saved, the set stays where it is.
    void moveGuardRefuses() {
        QVERIFY(OpenWithFlights({1000, 2000, 3000}));
        QVERIFY(Flights().MoveTo(1));
        int asked = 0;
        Flights().SetMoveGuard([&asked] { return ++asked, false; });
        QSignalSpy repositioned(&Flights(), &LogDataSet::Repositioned);
        QString error;
        QVERIFY(!Flights().MoveFirst());
        QVERIFY(!Flights().MoveLast());
        QVERIFY(!Flights().MoveNext());
        QVERIFY(!Flights().MovePrevious());
        QVERIFY(!Flights().MoveTo(0));
        QVERIFY(!Flights().MoveToId(ids_.at(2)));
        QVERIFY(!Flights().SortDataSet("StartTime DESC"));
        QVERIFY(!Flights().AddNew(4000, 4000, &error));
        QVERIFY(asked >= 8);
        QCOMPARE(Flights().Current().Id(), ids_.at(1));
        QCOMPARE(repositioned.count(), 0);
        QCOMPARE(RowCount(session_->Db(), "LogData"), 3);
        Flights().SetMoveGuard([] { return true; });
        QVERIFY(Flights().MoveNext());
    }

    // Flights entered in any order walk by start time; sorting keeps the flight shown.
    void sortDescending() {
        QVERIFY(OpenWithFlights({3000, 1000, 5000, 2000, 4000}));
        const QList<qint64> ascending = IdsInOrder();
        QCOMPARE(ascending, (QList<qint64>{ids_[1], ids_[3], ids_[0], ids_[4], ids_[2]}));
        QVERIFY(Flights().MoveTo(1));
        QVERIFY(Flights().SortDataSet("StartTime DESC"));
        QCOMPARE(Flights().Current().Id(), ids_[3]);
        QCOMPARE(Flights().AbsolutePosition(), 3);
        QList<qint64> descending = IdsInOrder();
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(descending, ascending);
    }

    // "Delete Entry" removes the flight shown and shows the last one, not its neighbour; the flight's tracks
    // and barograph samples stay.
    void deleteGoesToLastRow_data() {
        QTest::addColumn<int>("deleteAt");
        QTest::newRow("first") << 0;
        QTest::newRow("middle") << 1;
    }
    void deleteGoesToLastRow() {
        QFETCH(int, deleteAt);
        QVERIFY(OpenWithFlights({1000, 2000, 3000}));
        QVERIFY(Flights().MoveTo(deleteAt));
        const qint64 gone = Flights().Current().Id();
        QCOMPARE(InsertRow(session_->Db(), "Tracks", {{"LogID", gone}, {"StartTime", 1000.5}}), QString());
        QCOMPARE(InsertRow(session_->Db(), "BaroData", {{"LogID", gone}, {"TIME", 1000.5}, {"height", 400}}),
                 QString());
        QString error;
        QVERIFY2(Flights().DeleteCurrent(&error), qPrintable(error));
        QCOMPARE(Flights().RecordCount(), 2);
        QVERIFY(Flights().IsLast());
        QCOMPARE(Flights().Current().Id(), ids_[2]);
        QVERIFY(!ReadFlight(session_->Db(), gone).has_value());
        QCOMPARE(Scalar(session_->Db(), "SELECT COUNT(*) FROM Tracks WHERE LogID = ?", {gone}).toInt(), 1);
        QCOMPARE(Scalar(session_->Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {gone}).toInt(), 1);
    }

    // Saving the flight shown writes the fields the pilot changed and nothing else: a field another part
    // wrote meanwhile (the 3D view's offsets, the conditions window) keeps its new value.
    void saveWritesOnlyChangedFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("comments") << "Comments" << QVariant(QStringLiteral("Pilot's best day"));
        QTest::newRow("comments cleared") << "Comments" << QVariant();
        QTest::newRow("time offset") << "TimeOffset" << QVariant(-30.0 / 1440);
    }
    void saveWritesOnlyChangedFields() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QVERIFY(OpenWithFlights({37045.4}));
        const qint64 id = Flights().Current().Id();
        QCOMPARE(Exec(session_->Db(), "UPDATE LogData SET Comments = 'old' WHERE ID = ?", {id}), QString());
        Flights().ReloadCurrent();
        FlightRecord edited = Flights().Current();
        edited.SetValue(field, value);
        // Meanwhile the 3D view stores the landscape offsets of this flight.
        QCOMPARE(Exec(session_->Db(), "UPDATE LogData SET LatOffset = 12.5 WHERE ID = ?", {id}), QString());

        QString error;
        QVERIFY2(Flights().SaveCurrent(edited, &error), qPrintable(error));
        const std::optional<FlightRecord> stored = ReadFlight(session_->Db(), id);
        QVERIFY(stored.has_value());
        QCOMPARE(stored->Value(field).isNull(), value.isNull());
        QCOMPARE(stored->Value(field).toString(), value.toString());
        QCOMPARE(stored->Value("LatOffset").toDouble(), 12.5);
        QCOMPARE(Flights().Current(), *stored); // the set shows what is stored now
    }

    // "Find Baro Links" for a flight from 10:00 to 12:00: the caller passes the landing time plus one minute,
    // and every sample from 10:00 up to and including 12:01 goes to the flight, also samples of another
    // flight inside that range; samples outside it are left alone. On several days, as the comparison of day
    // numbers read back from the texts must hold on any date.
    void assignBaroToFlight_data() {
        QTest::addColumn<QDate>("date");
        QTest::newRow("3 June 2001") << QDate(2001, 6, 3);
        QTest::newRow("31 December 1999") << QDate(1999, 12, 31);
        QTest::newRow("1 May 2087") << QDate(2087, 5, 1);
    }
    void assignBaroToFlight() {
        QFETCH(QDate, date);
        QVERIFY(OpenWithFlights({DayNumber(date, 10, 0)}));
        QSqlDatabase db = session_->Db();
        QCOMPARE(Exec(db, "UPDATE LogData SET EndTime = ?", {DayNumber(date, 12, 0)}), QString());
        const qint64 flight = ids_[0], other = flight + 100;
        // Seconds after 9:00, as the barograph download stores them (the trace's start plus whole intervals),
        // with the flight they belong to.
        const QList<std::tuple<int, qint64, bool>> samples = {
            {3599, -1, false}, {3600, -1, true},  {3601, -1, true},   {7200, other, true},
            {10800, -1, true}, {10860, -1, true}, {10861, -1, false}, {0, other, false},
        };
        const double traceStart = DayNumber(date, 9, 0, 0);
        for (const auto& [offset, logId, assigned] : samples)
            QCOMPARE(
                InsertRow(db, "BaroData",
                          {{"LogID", logId}, {"TIME", traceStart + offset * kOneSecond}, {"height", offset}}),
                QString());
        const std::optional<FlightRecord> record = ReadFlight(db, flight);
        const std::optional<double> start =
            ParseDayNumber(FieldText(FieldType::DateTime, record->Value("StartTime")));
        const std::optional<double> end =
            ParseDayNumber(FieldText(FieldType::DateTime, record->Value("EndTime")));
        QVERIFY(start && end);
        QString error;
        QCOMPARE(AssignBaroToFlight(db, flight, *start, *end + kOneMinute, &error), 5);
        for (const auto& [offset, logId, assigned] : samples)
            QVERIFY2(Scalar(db, "SELECT LogID FROM BaroData WHERE height = ?", {offset}).toLongLong() ==
                         (assigned ? flight : logId),
                     qPrintable(QString::number(offset)));
    }

    // The 3D button follows whether the flight has a linked track.
    void flightHasTracks() {
        QVERIFY(OpenWithFlights({1000, 2000}));
        QSqlDatabase db = session_->Db();
        QCOMPARE(InsertRow(db, "Tracks", {{"LogID", ids_[1]}, {"StartTime", 2000.4}}), QString());
        QCOMPARE(InsertRow(db, "Tracks", {{"LogID", QVariant()}, {"StartTime", 1000.4}}),
                 QString()); // not linked
        QVERIFY(!FlightHasTracks(db, ids_[0]));
        QVERIFY(FlightHasTracks(db, ids_[1]));
        QVERIFY(!FlightHasTracks(db, -1));
    }

    // A lookup table opens in the order of its sort text, also by its first column.
    void tableSort_data() {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("as stored") << "" << QStringList{"Mentor", "Alpina", "Rush"};
        QTest::newRow("first column, descending") << "ID DESC" << QStringList{"Rush", "Alpina", "Mentor"};
        QTest::newRow("by name, any case") << "makemodel" << QStringList{"Alpina", "Mentor", "Rush"};
    }
    void tableSort() {
        QFETCH(QString, sort);
        QFETCH(QStringList, shown);
        QVERIFY(OpenWithFlights({}));
        for (const char* name : {"Mentor", "Alpina", "Rush"})
            QCOMPARE(InsertRow(session_->Db(), "Glider", {{"MakeModel", name}}), QString());
        LogbookTableModel model(session_->Db());
        QVERIFY(model.Open("Glider", sort));
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names << model.Stored(row, "MakeModel").toString();
        QCOMPARE(names, shown);
    }

    // Deleting tracks with their points is one transaction: when a part of it fails, every track and point is
    // still there and the failure is told.
    void deleteTracksAllOrNothing_data() {
        QTest::addColumn<bool>("tracks");
        QTest::addColumn<bool>("points");
        QTest::addColumn<bool>("refused");    // the engine refuses deleting a track row
        QTest::addColumn<QList<int>>("left"); // tracks, points of track 1, points of track 2
        QTest::newRow("tracks and points") << true << true << false << QList<int>{0, 0, 0};
        QTest::newRow("points only") << false << true << false << QList<int>{2, 0, 0};
        QTest::newRow("track rows only") << true << false << false << QList<int>{0, 2, 1};
        QTest::newRow("track row refused") << true << true << true << QList<int>{2, 2, 1};
    }
    void deleteTracksAllOrNothing() {
        QFETCH(bool, tracks);
        QFETCH(bool, points);
        QFETCH(bool, refused);
        QFETCH(QList<int>, left);
        QVERIFY(OpenWithFlights({1000}));
        QSqlDatabase db = session_->Db();
        for (int id : {1, 2})
            QCOMPARE(InsertRow(db, "Tracks", {{"ID", id}, {"StartTime", 1000.4}}), QString());
        for (double t : {1000.41, 1000.42})
            QCOMPARE(InsertRow(db, "TrackData", {{"TrackID", 1}, {"TIME", t}, {"LAT", 53.0}, {"LNG", -1.0}}),
                     QString());
        QCOMPARE(
            InsertRow(db, "TrackData", {{"TrackID", 2}, {"TIME", 1000.43}, {"LAT", 53.0}, {"LNG", -1.0}}),
            QString());
        if (refused)
            QCOMPARE(Exec(db, "CREATE TRIGGER keep BEFORE DELETE ON Tracks WHEN OLD.ID = 2 "
                              "BEGIN SELECT RAISE(ABORT, 'kept'); END"),
                     QString());
        QString error;
        const int deleted = DeleteTracks(db, {1, 2}, TrackDeletion{tracks, points}, &error);
        QCOMPARE(deleted, refused ? -1 : (points ? 3 : 0));
        QCOMPARE(error.contains("kept"), refused);
        QCOMPARE(RowCount(db, "Tracks"), left[0]);
        QCOMPARE(Scalar(db, "SELECT COUNT(*) FROM TrackData WHERE TrackID = 1").toInt(), left[1]);
        QCOMPARE(Scalar(db, "SELECT COUNT(*) FROM TrackData WHERE TrackID = 2").toInt(), left[2]);
    }
};

QTEST_GUILESS_MAIN(TestLogDataSet)
#include "tst_logdataset.moc"
