// The Sol link state machine, driven by hand or by the emulated instrument
// without any port: try budgets and retry ticks, replies in parts, the wake-up
// exchange, both downloads, barograph linking and the mended faults.

#include "linkharness.h"

#include <memory>

using namespace soarnote;
using namespace testlogbook;

namespace {

const QDate kDay(2024, 6, 5);

double At(int h, int mi, int s = 0) {
    return DayNumber(kDay, h, mi, s);
}

QByteArray Record(QDate date, int sh, int sm, int eh, int em, int startHeight = 400) {
    return solemu::EncodeLogRecord({.date = date,
                                    .startHour = sh,
                                    .startMinute = sm,
                                    .endHour = eh,
                                    .endMinute = em,
                                    .maxHeight = 1500,
                                    .minHeight = 200,
                                    .startHeight = startHeight,
                                    .maxDescentTenths = 31});
}

solemu::SolMemory OneTrace(int h, int m, int interval, int samples, int firstHeight = 500) {
    solemu::SolMemory memory;
    memory.traces.push_back(
        {.date = kDay, .startHour = h, .startMinute = m, .intervalSeconds = interval, .heights = {}});
    for (int i = 0; i < samples; ++i)
        memory.traces[0].heights.push_back(firstHeight + (i % 7) * 10 + i);
    return memory;
}

const QByteArray kNext(6, static_cast<char>(172));
const QByteArray kWakeUp = Bytes({204, 0});
const QByteArray kDetails = Bytes({170, 170});
const QString kNoResponse = QStringLiteral("ERROR - (Vario)Failed to get response");

} // namespace

class TestVarioLink : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h_; // a fresh link and logbook for each test

private slots:
    void init() {
        h_ = std::make_unique<LinkHarness>();
        QVERIFY(h_->Open());
    }
    // Each command is sent at once and again on every 50 ms tick until its
    // try budget is spent; parts of replies that never complete use it up too.
    void tryBudgets_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QString>("finalStatus");
        QTest::newRow("log record 0, no instrument") << "none" << Bytes({204, 0}) << 20 << kNoResponse;
        QTest::newRow("log record 0, only parts") << "parts" << Bytes({204, 0}) << 20 << kNoResponse;
        QTest::newRow("log record 1") << "log1" << Bytes({204, 1}) << 5 << kNoResponse;
        QTest::newRow("wake-up before the details") << "baro-none" << kWakeUp << 25 << kNoResponse;
        QTest::newRow("barograph log 3, then 2 and 1") << "baro3" << Bytes({170, 3}) << 25
                                                       << "Baro Download Incomplete - Baro Log 3 ended early "
                                                          "- Baro Log 2 ended early - Baro Log 1 ended early";
        // No traces: "next" asked ten times, half a second of silence, and done.
        QTest::newRow("next, no traces") << "baro, no traces" << kNext << 10 << "Baro Download Complete";
    }
    void tryBudgets() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, command);
        QFETCH(int, sends);
        QFETCH(QString, finalStatus);
        LinkHarness& h = *h_;
        if (setup == "log1" || setup == "baro3") {
            h.UseDevice(solemu::MakeDemoMemory({.flights = 3, .traces = 3, .samplesPerTrace = 5}));
            h.device->Faults().silentAfter = setup == "log1" ? 1 : 2;
        }
        if (setup == "baro, no traces") h.UseDevice(solemu::SolMemory{});
        if (setup.startsWith("baro"))
            h.StartBaro();
        else
            h.StartLog(false);
        for (int i = 0; setup == "parts" && i < 100 && h.link.Active(); ++i) {
            h.Feed(QByteArray(10, '\1'));
            h.Wait(150);
        }
        h.Run();
        QCOMPARE(h.WritesOf(command), sends);
        QCOMPARE(h.LastStatus(), finalStatus);
        QCOMPARE(h.closes, 1);
        QCOMPARE(h.finished, 1);
        QVERIFY(!h.link.Active());
        if (setup == "none" || setup == "parts") QCOMPARE(h.writes.size(), 20); // nothing else asked
        // Sent at once, then on 19 ticks 50 ms apart; the 20th tick gives up.
        if (setup == "none" || setup == "baro, no traces") QCOMPARE(h.ticks, sends);
        QCOMPARE(h.flightsChanged, setup == "log1" ? 1 : 0);
        if (setup == "baro3") {
            QCOMPARE(h.WritesOf(Bytes({170, 2})) + h.WritesOf(Bytes({170, 1})), 50);
            QCOMPARE(h.progress, (QList<QPair<int, int>>{{0, 0}, {0, 3}, {1, 3}, {2, 3}, {0, 0}}));
        }
    }

    // A 24-byte reply arriving as 10 + 14 bytes is one reply. When the 14
    // never come, the part is dropped after a quiet tick and the request sent
    // again; the whole record answering it is read as it is, not shifted.
    void replyInParts_data() {
        QTest::addColumn<bool>("restLost");
        QTest::newRow("10 + 14 bytes") << false;
        QTest::newRow("14 bytes lost") << true;
    }
    void replyInParts() {
        QFETCH(bool, restLost);
        LinkHarness& h = *h_;
        const QByteArray record = Record(kDay, 12, 0, 13, 30);
        h.StartLog(false);
        h.Feed(record.left(10));
        QCOMPARE(RowCount(h.Db(), "LogData"), 0);
        if (restLost) {
            QVERIFY(h.Tick());
            QCOMPARE(h.writes.size(), 1); // one quiet tick is not yet a lost reply
            QVERIFY(h.Tick());
            QCOMPARE(h.writes, (QList<QByteArray>{kWakeUp, kWakeUp}));
            h.Feed(record);
        } else {
            QCOMPARE(h.writes.size(), 1);
            h.Feed(record.mid(10));
        }
        QCOMPARE(RowCount(h.Db(), "LogData"), 1);
        QCOMPARE(Scalar(h.Db(), "SELECT MaxHeight FROM LogData").toInt(), 1500);
        QCOMPARE(h.writes.last(), Bytes({204, 1}));
        QCOMPARE(h.LastStatus(), "Requesting Log Record 1");
    }

    // The barograph stream by hand: two replies in one event, the marker
    // echoed, a marker repeated before any data, a slow instrument, and a
    // block whose rest never comes.
    void barographStreamByHand() {
        LinkHarness& h = *h_;
        h.StartBaro();
        for (const QByteArray& reply : {QByteArray(24, '\0'), Bytes({170, 1, 0, 0}), Bytes({213, 8}),
                                        Bytes({0, 10}), Bytes({12, 0, 0, 5, 6, 24})})
            h.Feed(reply);
        QCOMPARE(h.writes.last(), kNext);
        h.Feed(Bytes({213, 4}));
        QCOMPARE(h.writes.last(), Bytes({213, 4})); // the marker goes back unchanged
        const int writes = int(h.writes.size());
        h.Feed(Bytes({0x05, 0xDC, 0x05, 0xE6}));
        QCOMPARE(
            Scalar(h.Db(), "SELECT height FROM BaroData WHERE ABS(TIME - ?) < 1e-8", {At(12, 0, 10)}).toInt(),
            1510);
        QCOMPARE(h.writes.size(), writes + 1);
        QCOMPARE(h.writes.last(), kNext);
        QCOMPARE(h.LastStatus(), "Downloading Baro Log 1 -2024-06-05 12:00:20");
        // "next" went out twice before its answer came: the marker arrives
        // twice, and the second is not a sample.
        h.Feed(Bytes({213, 4}));
        h.Feed(Bytes({213, 4}));
        h.Feed(Bytes({0x05, 0xF0}));
        h.Wait(90); // a slow instrument, not a lost byte
        h.Feed(Bytes({0x05, 0xFA}));
        QCOMPARE(Scalar(h.Db(), "SELECT group_concat(height) FROM BaroData").toString(),
                 "1500,1510,1520,1530");
        // The rest of a block never comes: it is given up after two whole ticks of silence.
        h.Feed(Bytes({213, 4}));
        h.Feed(Bytes({0x06, 0x04}));
        const int quietFrom = h.nowMs;
        while (h.writes.last() != kNext && h.Tick()) {
        }
        QCOMPARE(h.nowMs - quietFrom, 100);
        QCOMPARE(RowCount(h.Db(), "BaroData"), 4);
        QCOMPARE(h.LastStatus(), "Downloading Baro Log 1 -2024-06-05 12:01:00 (Block lost)");
    }

    // An unused slot answers with zeros, an impossible date: the normal end
    // of "Update Log", as is a record stored before, which "Get All Entry"
    // skips. Replies 300 ms late still give every flight; a garbled record
    // stops the download and says which; flights without a take-off are
    // listed. Every field is stored as the instrument sent it.
    void logDownload_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("delayTicks");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lastAsked");      // the last record asked for...
        QTest::addColumn<int>("lastAskedTimes"); // ...this many times, -1 any
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("messages");
        const QString three = "Successfully Received 3 Log Records";
        QTest::newRow("unused slot") << "3 flights" << 0 << 3 << 3 << 1 << three << QStringList();
        QTest::newRow("replies 300 ms late") << "3 flights" << 6 << 3 << 3 << -1 << three << QStringList();
        QTest::newRow("record 1 garbled")
            << "record 1 garbled" << 0 << 1 << 1 << -1
            << "Log Download Stopped Early - Log Record 1 could not be read - 1 Log Records received"
            << QStringList();
        QTest::newRow("Update Log stops at a stored record")
            << "record 3 stored" << 0 << 4 << 3 << 1 << three << QStringList();
        QTest::newRow("Get All Entry skips it") << "record 3 stored, all" << 0 << 6 << 100 << 1
                                                << "Successfully Received 100 Log Records" << QStringList();
        QTest::newRow("every slot holds a flight")
            << "101 flights" << 0 << 101 << 100 << 1 << "Successfully Received 101 Log Records"
            << QStringList();
        QTest::newRow("flights without a take-off")
            << "empty entries" << 0 << 5 << 5 << 1 << "Successfully Received 5 Log Records"
            << QStringList{"The following Log entries had errors - 2 3.(See Readme.txt)"};
    }
    void logDownload() {
        QFETCH(QString, setup);
        QFETCH(int, delayTicks);
        QFETCH(int, rows);
        QFETCH(int, lastAsked);
        QFETCH(int, lastAskedTimes);
        QFETCH(QString, status);
        QFETCH(QStringList, messages);
        LinkHarness& h = *h_;
        solemu::SolMemory memory = solemu::MakeDemoMemory({.flights = setup.startsWith("record 3") ? 6
                                                                      : setup == "101 flights"     ? 101
                                                                                                   : 3,
                                                           .traces = 0});
        if (setup == "record 1 garbled") memory.records[1][18] = char(31); // an hour that does not exist
        if (setup.startsWith("record 3 stored")) {
            QVERIFY(h.store->StoreLogRecord(*DecodeLogRecord(memory.records[3]), 0.25, nullptr));
            h.store->Commit();
        }
        if (setup == "empty entries") {
            memory.records[1] = Record(kDay.addDays(-1), 0, 0, 14, 30, 0);
            memory.records[2] = Record(kDay.addDays(-2), 0, 0, 15, 0, 0);
            memory.records[3] = Record(kDay.addDays(-3), 0, 0, 15, 0, 120); // has a height
            memory.records[4] = Record(kDay.addDays(-4), 10, 0, 15, 0, 0);  // has a start
        }
        h.UseDevice(memory);
        h.replyDelayTicks = delayTicks;
        h.link.SetTimeOffset(0.25);
        h.StartLog(setup.endsWith("all"));
        h.Run();
        QCOMPARE(h.statuses.first(), "Requesting Log Record 0");
        // Every end but the last slot is an unreadable record.
        QCOMPARE(h.statuses.at(h.statuses.size() - 2) == "ERROR - (Vario)DataAccess error", rows < 101);
        QCOMPARE(h.LastStatus(), status);
        QCOMPARE(h.messages, messages);
        QCOMPARE(h.closes, 1);
        QCOMPARE(h.finished, 1);
        QCOMPARE(h.flightsChanged, 1);
        QVERIFY(h.WritesOf(Bytes({204, lastAsked})) > 0);
        if (lastAskedTimes >= 0) QCOMPARE(h.WritesOf(Bytes({204, lastAsked})), lastAskedTimes);
        QCOMPARE(h.WritesOf(Bytes({204, lastAsked + 1})), 0);
        QList<QPair<int, int>> progress; // record by record, then none
        for (int n = 0; n <= lastAsked; ++n)
            progress << qMakePair(n, 101);
        QCOMPARE(h.progress, progress << qMakePair(0, 0));
        QSqlQuery q(h.Db());
        QVERIFY(q.exec("SELECT StartTime, EndTime, MaxHeight, MinHeight, MaxAscent, MaxDescent, MinTemp, "
                       "AveSpeed, MaxTemp, StartHeight, TimeOffset FROM LogData ORDER BY EndTime DESC"));
        for (int slot = 0; slot < rows; ++slot) {
            QVERIFY(q.next());
            const LogRecord r = *DecodeLogRecord(memory.records[slot]);
            const QVariantList sent{r.startTime, r.endTime,     r.maxHeight, r.minHeight,
                                    r.maxAscent, r.maxDescent,  r.minTemp,   r.aveSpeed,
                                    r.maxTemp,   r.startHeight, 0.25};
            for (int column = 0; column < sent.size(); ++column)
                QCOMPARE(q.value(column).toDouble(), sent[column].toDouble());
        }
        QVERIFY(!q.next());
    }

    void secondStartRefused() {
        LinkHarness& h = *h_;
        QVERIFY(h.StartLog(false));
        QVERIFY(!h.StartLog(true));
        QVERIFY(!h.StartBaro());
        QCOMPARE(h.writes.size(), 1);
    }

    // A logbook that stops taking rows (locked, disk full) ends the download
    // with its error instead of showing every further sample as a repeat.
    void writeFailureEndsTheDownload() {
        LinkHarness& h = *h_;
        QCOMPARE(Exec(h.Db(), "CREATE TRIGGER Full BEFORE INSERT ON BaroData WHEN NEW.height > 515 "
                              "BEGIN SELECT RAISE(FAIL, 'database or disk is full'); END"),
                 QString());
        h.UseDevice(OneTrace(12, 0, 10, 5));
        h.StartBaro();
        h.Run();
        QVERIFY2(h.LastStatus().startsWith("ERROR - (Vario)") && h.LastStatus().contains("disk is full"),
                 qPrintable(h.LastStatus()));
        QVERIFY(h.closes >= 1);
        QVERIFY(RowCount(h.Db(), "BaroData") < 5);
    }

    // A trace from 12:58:00, one sample a minute, ending at 15:00:00, goes to
    // the flight that started no later than its end and ended no earlier than
    // 119 seconds before it; a flight that started later takes the trace's
    // start. Without one, "Create it?" answered Yes makes the flight of the trace.
    void traceLinking_data() {
        QTest::addColumn<double>("flightStart"); // -1 no flight
        QTest::addColumn<double>("flightEnd");
        QTest::addColumn<bool>("matches");
        QTest::addColumn<double>("startAfter");
        QTest::newRow("ended 119 s before") << At(12, 58) << At(14, 58, 1) << true << At(12, 58);
        QTest::newRow("ended 120 s before") << At(12, 58) << At(14, 58) << false << At(12, 58);
        QTest::newRow("started at the trace's end") << At(15, 0) << At(16, 0) << true << At(12, 58);
        QTest::newRow("started after it") << At(15, 1) << At(16, 0) << false << At(15, 1);
        QTest::newRow("started later than the trace: 13:05") << At(13, 5) << At(15, 0) << true << At(12, 58);
        QTest::newRow("no flight, created") << -1.0 << 0.0 << false << At(12, 58);
    }
    void traceLinking() {
        QFETCH(double, flightStart);
        QFETCH(double, flightEnd);
        QFETCH(bool, matches);
        QFETCH(double, startAfter);
        LinkHarness& h = *h_;
        const bool created = flightStart < 0;
        if (!created)
            QCOMPARE(InsertRow(h.Db(), "LogData",
                               {{"StartTime", flightStart},
                                {"EndTime", flightEnd},
                                {"StartHeight", 777},
                                {"MaxHeight", 1900}}),
                     QString());
        h.UseDevice(OneTrace(12, 58, 60, 122, 640)); // heights 640 to 818
        h.answerYes = created;
        h.StartBaro();
        h.Run();
        QCOMPARE(h.LastStatus(), "Baro Download Complete");
        QCOMPARE(h.asks, matches ? QStringList()
                                 : QStringList{"No LogData record matches this Barograph. Create it?"});
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {matches || created ? 1 : 0})
                     .toInt(),
                 122);
        QCOMPARE(RowCount(h.Db(), "LogData"), 1);
        QCOMPARE(Scalar(h.Db(), "SELECT StartTime FROM LogData WHERE ID = 1").toDouble(), startAfter);
        QCOMPARE(Scalar(h.Db(), "SELECT StartHeight FROM LogData WHERE ID = 1").toInt(),
                 startAfter != flightStart ? 640 : 777);
        QCOMPARE(Scalar(h.Db(), "SELECT MaxHeight FROM LogData WHERE ID = 1").toInt(), created ? 818 : 1900);
        if (created) {
            QCOMPARE(Scalar(h.Db(), "SELECT MinHeight FROM LogData").toInt(), 640);
            QVERIFY(std::abs(Scalar(h.Db(), "SELECT EndTime FROM LogData").toDouble() - At(15, 0)) < 1e-9);
        }
        QCOMPARE(h.flightsChanged, 1);
        for (const char* status : {"Requesting Baro Log  1", "Downloading Baro Log 1 - Header",
                                   "Downloading Baro Log 1 - Footer", "Baro Log  1 Complete"})
            QVERIFY2(h.statuses.contains(status), status);
    }

    // The first wake-up answer is still on the line when the retry sends a
    // second wake-up: what is left of the answers is drained, never read as
    // the details. Details that are not the barograph's close the port.
    void wakeUpAnswersDrained_data() {
        QTest::addColumn<QList<int>>("parts"); // sizes of what arrives after the second wake-up went out
        QTest::addColumn<int>("quietMs");      // silence after them before the details are asked for
        QTest::addColumn<QByteArray>("details");
        QTest::addColumn<QString>("status");
        const QByteArray none = Bytes({170, 0, 0, 0});
        const QString noBarographs = "No Barographs Available";
        QTest::newRow("both wake-ups answered") << QList<int>{24, 24} << 0 << none << noBarographs;
        QTest::newRow("the second answer arrives with the first")
            << QList<int>{30, 18} << 0 << none << noBarographs;
        QTest::newRow("one answered, a few stray bytes") << QList<int>{27} << 100 << none << noBarographs;
        QTest::newRow("not the barograph's details")
            << QList<int>{24, 24} << 0 << Bytes({171, 1, 0, 0}) << "ERROR - (Vario)DataAccess error";
    }
    void wakeUpAnswersDrained() {
        QFETCH(QList<int>, parts);
        QFETCH(int, quietMs);
        QFETCH(QByteArray, details);
        QFETCH(QString, status);
        LinkHarness& h = *h_;
        h.StartBaro();
        QVERIFY(h.Tick());
        QCOMPARE(h.writes, (QList<QByteArray>{kWakeUp, kWakeUp}));
        QCOMPARE(h.statuses, QStringList{"Requesting Baro Data Details"});
        h.Wait(20); // the answers come between two ticks
        for (int size : parts)
            h.Feed(QByteArray(size, '\x11'));
        const int quietFrom = h.nowMs;
        while (h.WritesOf(kDetails) == 0 && h.Tick()) {
        }
        QCOMPARE(h.nowMs - quietFrom, quietMs);
        QCOMPARE(h.WritesOf(kDetails), 1);
        QCOMPARE(h.writes.last(), kDetails);
        QCOMPARE(h.link.TriesLeft(), 4);
        h.Feed(details);
        QCOMPARE(h.LastStatus(), status);
        const bool closed = status.startsWith("ERROR");
        QCOMPARE(h.closes, int(closed));
        QCOMPARE(h.finished, int(closed));
        QCOMPARE(h.link.Active(), !closed);
        QCOMPARE(h.timerOn, !closed);
    }

    // A footer more than five minutes from the last sample's time is a
    // sample: no footer, no link.
    void footerFiveMinuteRule() {
        LinkHarness& h = *h_;
        solemu::SolMemory memory = OneTrace(12, 0, 10, 6); // ends 12:01:00
        memory.traces[0].footerHour = 12;
        memory.traces[0].footerMinute = 7;
        h.UseDevice(memory);
        h.StartBaro();
        h.Run();
        // Without its footer the trace is not taken as whole; its samples go
        // to no flight, since none holds them.
        QCOMPARE(h.LastStatus(),
                 "Baro Download Incomplete - Baro Log 1 ended early - 9 samples not linked to a flight");
        QVERIFY(h.asks.isEmpty());
        QVERIFY(!h.statuses.contains("Downloading Baro Log 1 - Footer"));
        QCOMPARE(
            Scalar(h.Db(), "SELECT height FROM BaroData WHERE ABS(TIME - ?) < 1e-8", {At(12, 1)}).toInt(),
            12 * 256 + 7);
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = -1").toInt(), 9);
    }

    // A second download on the same link counts only what it adds.
    void countsPerDownload() {
        LinkHarness& h = *h_;
        h.answerYes = true;
        for (int round = 0; round < 2; ++round) {
            h.UseDevice(solemu::MakeDemoMemory({.flights = 3, .traces = 0}));
            h.StartLog(false);
            h.Run();
            QCOMPARE(h.link.FlightsAdded(), round == 0 ? 3 : 0);
        }
    }

    // The same trace twice, the first time with a block lost: the second
    // download adds what is missing, repeats the rest, and loses nothing.
    void repeatedSamples() {
        LinkHarness& h = *h_;
        const solemu::SolMemory memory = OneTrace(12, 0, 10, 100);
        h.answerYes = true;
        for (int round = 0; round < 2; ++round) {
            h.statuses.clear();
            h.UseDevice(memory);
            h.device->Faults().dropInBlock = round == 0 ? 1 : -1;
            h.StartBaro();
            h.Run();
            QCOMPARE(RowCount(h.Db(), "BaroData"), round == 0 ? 36 : 100);
            QCOMPARE(h.link.TracesAdded(), 1); // the second time for the block lost the first
        }
        QCOMPARE(RowCount(h.Db(), "LogData"), 1); // the trace matches the flight made the first time
        QVERIFY(h.statuses.contains("Downloading Baro Log 1 -2024-06-05 12:10:40"));
        QVERIFY(h.statuses.contains("Downloading Baro Log 1 -2024-06-05 12:16:40 (Repeat)"));
        QCOMPARE(h.LastStatus(), "Baro Download Complete");
    }

    // A byte lost anywhere in a block: the block is dropped whole, every
    // other sample is stored with its true height and time on its flight,
    // and the end says how many samples were lost and which trace broke off.
    void lostByteInBlock_data() {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("block"); // 0 the header
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("status");
        // Blocks of 8 samples; the last one holds the footer, alone in a trace without samples.
        const QString incomplete = QStringLiteral("Baro Download Incomplete");
        const QString broken = QStringLiteral(" - Baro Log 1 ended early");
        for (int samples : {20, 0}) {
            const QList<int> sizes = samples ? QList<int>{8, 16, 16, 14} : QList<int>{8, 6};
            for (int b = 0; b < sizes.size(); ++b) {
                const int lost = b == 0 ? 0 : std::min(8, samples - 8 * (b - 1));
                const QString status = incomplete +
                                       (lost ? QStringLiteral(" - %1 samples lost").arg(lost) : QString()) +
                                       (b == 0 || b == sizes.size() - 1 ? broken : QString());
                for (int at = 0; at < sizes[b]; ++at)
                    QTest::addRow("%d samples, block %d byte %d", samples, b, at)
                        << samples << b << at << status;
            }
        }
    }
    void lostByteInBlock() {
        QFETCH(int, samples);
        QFETCH(int, block);
        QFETCH(int, at);
        QFETCH(QString, status);
        LinkHarness& h = *h_;
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 1, .traces = 1, .samplesPerTrace = samples});
        QVERIFY(h.store->StoreLogRecord(*DecodeLogRecord(memory.records[0]), 0, nullptr));
        h.store->Commit();
        h.UseDevice(memory, 8);
        h.device->Faults().dropInBlock = block;
        h.device->Faults().dropAt = at;
        h.StartBaro();
        h.Run();
        QVERIFY(!h.link.Active());
        QCOMPARE(h.closes, 1);
        CompareTrace(h.Db(), memory.traces[0], 1,
                     [block](int i) { return block == 0 || i / 8 == block - 1; });
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID <> 1").toInt(), 0);
        QCOMPARE(h.LastStatus(), status);
    }

    // A header without a sample interval, on the hour: the trace's start is
    // unknown, and no later block is read as its header, however much its
    // samples look like one.
    void traceWithoutInterval() {
        LinkHarness& h = *h_;
        solemu::SolMemory memory = OneTrace(12, 0, 0, 0);
        memory.traces[0].heights = {10, 12 * 256, 5, 6 * 256 + 24, 600, 610};
        h.UseDevice(memory);
        h.StartBaro();
        h.Run();
        QCOMPARE(h.LastStatus(), "Baro Download Incomplete - Baro Log 1 ended early");
        QCOMPARE(RowCount(h.Db(), "BaroData"), 0);
    }

    // A download cut after each byte of a real one, then silence or a port
    // that is gone: the link ends once with the port closed and no
    // transaction open, and exactly the rows of the whole replies before the
    // cut are stored, with the values sent.
    void cutAtEveryByte_data() {
        QTest::addColumn<bool>("barograph");
        QTest::addColumn<bool>("vanish");
        QTest::newRow("log, then silence") << false << false;
        QTest::newRow("log, then the port gone") << false << true;
        QTest::newRow("barograph, then silence") << true << false;
        QTest::newRow("barograph, then the port gone") << true << true;
    }
    void cutAtEveryByte() {
        QFETCH(bool, barograph);
        QFETCH(bool, vanish);
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 3, .traces = 1, .samplesPerTrace = 20});
        const QString table = barograph ? "BaroData" : "LogData";
        // The whole download, for its replies and the rows after each.
        QList<int> replySizes, rowsAfter;
        {
            LinkHarness full;
            QVERIFY(full.Open());
            full.UseDevice(memory, 8);
            full.recordRows = table;
            barograph ? full.StartBaro() : full.StartLog(false);
            full.Run();
            rowsAfter = full.rowsAfterReply;
            replySizes = full.replySizes;
            QVERIFY(RowCount(full.Db(), table) > 0);
        }
        QCOMPARE(replySizes.size(), rowsAfter.size());
        int total = 0;
        for (int n : replySizes)
            total += n;
        LinkHarness h;
        QVERIFY(h.Open());
        for (int k = 0; k < total; ++k) {
            h.Reset();
            h.UseDevice(memory, 8);
            h.byteBudget = k;
            h.vanishAtCut = vanish;
            barograph ? h.StartBaro() : h.StartLog(false);
            h.Run();
            QVERIFY2(!h.link.Active(), qPrintable(QString::number(k)));
            QCOMPARE(h.closes, 1);
            QCOMPARE(h.finished, 1);
            QVERIFY(h.Db().transaction()); // none was left open
            h.Db().rollback();
            int whole = 0, bytes = 0;
            for (int i = 0; i < replySizes.size() && bytes + replySizes[i] <= k; ++i) {
                bytes += replySizes[i];
                whole = rowsAfter[i];
            }
            QCOMPARE(RowCount(h.Db(), table), whole);
            if (barograph) {
                CompareTrace(h.Db(), memory.traces[0], std::nullopt, [whole](int i) { return i >= whole; });
                continue;
            }
            QSqlQuery q(h.Db());
            QVERIFY(q.exec("SELECT StartTime, MaxHeight FROM LogData ORDER BY ID"));
            for (int slot = 0; q.next(); ++slot) {
                const LogRecord r = *DecodeLogRecord(memory.records[slot]);
                QCOMPARE(q.value(0).toDouble(), r.startTime);
                QCOMPARE(q.value(1).toInt(), r.maxHeight);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestVarioLink)
#include "tst_variolink.moc"
