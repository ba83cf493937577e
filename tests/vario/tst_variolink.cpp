// The Sol link state machine, driven by hand or by the emulated instrument
// without any port: try budgets and retry ticks, replies in parts, the wake-up
// exchange, both downloads, barograph linking and the mended faults.

#include "core/daynumber.h"
#include "linkharness.h"
#include "solmemory.h"

#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

namespace {

double At(int y, int mo, int d, int h, int mi, int s = 0) {
    return DayNumber(QDate(y, mo, d), h, mi, s);
}

solemu::SolFlight Flight(QDate date, int sh, int sm, int eh, int em, int startHeight = 400) {
    solemu::SolFlight f;
    f.date = date;
    f.startHour = sh;
    f.startMinute = sm;
    f.endHour = eh;
    f.endMinute = em;
    f.maxHeight = 1500;
    f.minHeight = 200;
    f.startHeight = startHeight;
    f.maxAscentTenths = 25;
    f.maxDescentTenths = 31;
    f.minTempTenths = -25;
    f.maxTempTenths = 215;
    f.aveSpeed = 33;
    return f;
}

solemu::SolTrace Trace(QDate date, int h, int m, int interval, int samples, int firstHeight = 500) {
    solemu::SolTrace t;
    t.date = date;
    t.startHour = h;
    t.startMinute = m;
    t.intervalSeconds = interval;
    for (int i = 0; i < samples; ++i)
        t.heights.push_back(firstHeight + (i % 7) * 10 + i);
    return t;
}

const QByteArray kNext(6, static_cast<char>(172));
const QByteArray kWakeUp = Bytes({204, 0});
const QByteArray kDetails = Bytes({170, 170});

// Feeds a barograph download by hand up to the samples of a trace of one
// log: wake-up, details (1 trace), marker, headers, next.
void ToSamples(LinkHarness& h, int interval = 10) {
    h.StartBaro();
    h.Feed(QByteArray(24, '\0'));
    h.Feed(Bytes({170, 1, 0, 0}));
    h.Feed(Bytes({213, 8}));
    h.Feed(Bytes({0, interval}));
    h.Feed(Bytes({12, 0, 0, 5, 6, 24}));
}

} // namespace

class TestVarioLink : public QObject {
    Q_OBJECT
private slots:
    void tryBudgets_data();
    void tryBudgets();
    void replyInTwoParts();
    void partialReplyIsAskedAgain();
    void partialRepliesUseUpTheBudget();
    void twoRepliesInOneEvent();
    void logDownloadEndsAtUnusedSlot();
    void repeatedRecord_data();
    void repeatedRecord();
    void emptyEntriesAreListed();
    void secondStartRefused();
    void noBarographs();
    void tracesFetchedHighestFirst();
    void tenSecondTrace();
    void traceLinking_data();
    void traceLinking();
    void createFlightFromTrace();
    void wrongDetailsReplyClosesPort();
    void wakeUpAnswersDrained_data();
    void wakeUpAnswersDrained();
    void footerFiveMinuteRule();
    void repeatedSamples();
    void rowsKeptAfterBreak_data();
    void rowsKeptAfterBreak();
};

void TestVarioLink::tryBudgets_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("finalStatus");
    QTest::newRow("log record 0, no instrument")
        << "none" << Bytes({204, 0}) << 20 << "ERROR - (Vario)Failed to get response";
    QTest::newRow("log record 1") << "log1" << Bytes({204, 1}) << 5
                                  << "ERROR - (Vario)Failed to get response";
    QTest::newRow("wake-up before the details")
        << "baro-none" << kWakeUp << 25 << "ERROR - (Vario)Failed to get response";
    QTest::newRow("barograph log 3, then 2 and 1")
        << "baro3" << Bytes({170, 3}) << 25 << "Baro Download Complete";
    QTest::newRow("next with no traces") << "baro0" << kNext << 10 << "Baro Download Complete";
}

void TestVarioLink::tryBudgets() {
    QFETCH(QString, setup);
    QFETCH(QByteArray, command);
    QFETCH(int, sends);
    QFETCH(QString, finalStatus);
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory = solemu::MakeDemoMemory({.flights = 3, .traces = 3, .samplesPerTrace = 5});
    if (setup == "log1") {
        h.UseDevice(memory);
        h.device->Faults().silentAfter = 1;
    } else if (setup == "baro3") {
        h.UseDevice(memory);
        h.device->Faults().silentAfter = 2;
    } else if (setup == "baro0") {
        h.UseDevice(solemu::SolMemory{});
    }
    if (setup.startsWith("baro"))
        h.StartBaro();
    else
        h.StartLog(false);
    const int ticksBefore = h.ticks;
    h.Run();
    QCOMPARE(h.WritesOf(command), sends);
    QCOMPARE(h.LastStatus(), finalStatus);
    QCOMPARE(h.closes, 1);
    QCOMPARE(h.finished, 1);
    QVERIFY(!h.link.Active());
    if (setup == "none") {
        // Sent at once, then on 19 ticks 50 ms apart; the 20th tick gives up.
        QCOMPARE(h.ticks - ticksBefore, 20);
        QCOMPARE(h.writes.size(), 20);
    }
    if (setup == "baro3") {
        QCOMPARE(h.WritesOf(Bytes({170, 2})), 25);
        QCOMPARE(h.WritesOf(Bytes({170, 1})), 25);
    }
}

void TestVarioLink::replyInTwoParts() {
    LinkHarness h;
    QVERIFY(h.Open());
    const QByteArray record = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 5), 12, 0, 13, 30));
    h.StartLog(false);
    QCOMPARE(h.writes.size(), 1);
    h.Feed(record.left(10));
    QCOMPARE(RowCount(h.Db(), "LogData"), 0);
    QCOMPARE(h.writes.size(), 1);
    h.Feed(record.mid(10));
    QCOMPARE(RowCount(h.Db(), "LogData"), 1);
    QCOMPARE(h.writes.size(), 2);
    QCOMPARE(h.writes.last(), Bytes({204, 1}));
    QCOMPARE(h.LastStatus(), "Requesting Log Record 1");
}

void TestVarioLink::partialReplyIsAskedAgain() {
    LinkHarness h;
    QVERIFY(h.Open());
    const QByteArray record = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 5), 12, 0, 13, 30));
    h.StartLog(false);
    h.Feed(record.left(10)); // the other 14 bytes never come
    QVERIFY(h.timerOn);
    QVERIFY(h.Tick());
    QCOMPARE(h.writes.size(), 1); // one quiet tick is not yet a lost reply
    QVERIFY(h.Tick());
    QCOMPARE(h.writes.size(), 2);
    QCOMPARE(h.writes.last(), Bytes({204, 0}));
    // The part is gone: the whole record answering the new request is read
    // as it is, not shifted by ten bytes.
    h.Feed(record);
    QCOMPARE(RowCount(h.Db(), "LogData"), 1);
    QCOMPARE(Scalar(h.Db(), "SELECT MaxHeight FROM LogData").toInt(), 1500);
    QCOMPARE(h.writes.last(), Bytes({204, 1}));
}

void TestVarioLink::partialRepliesUseUpTheBudget() {
    LinkHarness h;
    QVERIFY(h.Open());
    h.StartLog(false);
    for (int i = 0; i < 100 && h.link.Active(); ++i) {
        h.Feed(QByteArray(10, '\1'));
        h.TickOut(3);
    }
    QCOMPARE(h.writes.size(), 20);
    QCOMPARE(h.LastStatus(), "ERROR - (Vario)Failed to get response");
    QCOMPARE(h.closes, 1);
}

void TestVarioLink::twoRepliesInOneEvent() {
    LinkHarness h;
    QVERIFY(h.Open());
    ToSamples(h);
    QCOMPARE(h.writes.last(), kNext);
    h.Feed(Bytes({213, 4}));
    QCOMPARE(h.writes.last(), Bytes({213, 4})); // the marker goes back unchanged
    const int writes = int(h.writes.size());
    h.Feed(Bytes({0x05, 0xDC, 0x05, 0xE6}));
    QCOMPARE(RowCount(h.Db(), "BaroData"), 2);
    QCOMPARE(
        Scalar(h.Db(), "SELECT height FROM BaroData WHERE ABS(TIME - ?) < 1e-8", {At(2024, 6, 5, 12, 0, 10)})
            .toInt(),
        1510);
    QCOMPARE(h.writes.size(), writes + 1); // the block is done: next
    QCOMPARE(h.writes.last(), kNext);
    QCOMPARE(h.LastStatus(), "Downloading Baro Log 1 -2024-06-05 12:00:20");
}

void TestVarioLink::logDownloadEndsAtUnusedSlot() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    memory.records[0] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 5), 12, 0, 13, 30));
    memory.records[1] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 4), 23, 50, 0, 40));
    memory.records[2] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 3), 11, 0, 12, 0, -30));
    h.UseDevice(memory);
    h.link.SetTimeOffset(0.25);
    h.StartLog(false);
    h.Run();
    QCOMPARE(h.statuses.first(), "Requesting Log Record 0");
    QCOMPARE(h.statuses.at(h.statuses.size() - 2), "ERROR - (Vario)DataAccess error");
    QCOMPARE(h.LastStatus(), "Successfully Received 3 Log Records");
    QCOMPARE(RowCount(h.Db(), "LogData"), 3);
    QCOMPARE(h.WritesOf(Bytes({204, 3})), 1);
    QCOMPARE(h.WritesOf(Bytes({204, 4})), 0);
    QCOMPARE(h.closes, 1);
    QCOMPARE(h.flightsChanged, 1);
    QVERIFY(h.messages.isEmpty());
    QCOMPARE(Scalar(h.Db(), "SELECT EndTime FROM LogData WHERE StartTime = ?", {At(2024, 6, 4, 23, 50)})
                 .toDouble(),
             At(2024, 6, 5, 0, 40));
    QCOMPARE(Scalar(h.Db(), "SELECT StartHeight FROM LogData WHERE StartTime = ?", {At(2024, 6, 3, 11, 0)})
                 .toInt(),
             -30);
    QCOMPARE(Scalar(h.Db(), "SELECT MIN(TimeOffset) FROM LogData").toDouble(), 0.25);
    QCOMPARE(Scalar(h.Db(), "SELECT MaxDescent FROM LogData WHERE StartTime = ?", {At(2024, 6, 5, 12, 0)})
                 .toDouble(),
             double(3.1f));
}

void TestVarioLink::repeatedRecord_data() {
    QTest::addColumn<bool>("allEntries");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("lastRequested");
    QTest::addColumn<QString>("status");
    QTest::newRow("Update Log stops at record 3") << false << 4 << 3 << "Successfully Received 3 Log Records";
    QTest::newRow("Get All Entry skips it") << true << 6 << 100 << "Successfully Received 100 Log Records";
}

void TestVarioLink::repeatedRecord() {
    QFETCH(bool, allEntries);
    QFETCH(int, rows);
    QFETCH(int, lastRequested);
    QFETCH(QString, status);
    LinkHarness h;
    QVERIFY(h.Open());
    const solemu::SolMemory memory = solemu::MakeDemoMemory({.flights = 6, .traces = 0});
    // Record 3 was stored by an earlier download.
    QVERIFY(h.store->StoreLogRecord(*DecodeLogRecord(memory.records[3]), 0, nullptr));
    h.store->Commit();
    h.UseDevice(memory);
    h.StartLog(allEntries);
    h.Run();
    QCOMPARE(RowCount(h.Db(), "LogData"), rows);
    QCOMPARE(h.WritesOf(Bytes({204, lastRequested})), 1);
    QCOMPARE(h.WritesOf(Bytes({204, lastRequested + 1})), 0);
    QCOMPARE(h.LastStatus(), status);
    QCOMPARE(h.closes, 1);
}

void TestVarioLink::emptyEntriesAreListed() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    memory.records[0] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 5), 12, 0, 13, 30));
    memory.records[1] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 4), 0, 0, 14, 30, 0));
    memory.records[2] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 3), 0, 0, 15, 0, 0));
    memory.records[3] = solemu::EncodeLogRecord(Flight(QDate(2024, 6, 2), 0, 0, 15, 0, 120)); // has a height
    h.UseDevice(memory);
    h.StartLog(false);
    h.Run();
    QCOMPARE(RowCount(h.Db(), "LogData"), 4); // the entries stay stored
    QCOMPARE(h.link.EmptyEntries(), " 2 3");
    QCOMPARE(h.messages, QStringList{"The following Log entries had errors - 2 3.(See Readme.txt)"});
    QCOMPARE(Scalar(h.Db(), "SELECT StartTime FROM LogData WHERE ID = 2").toDouble(), At(2024, 6, 4, 14, 30));
}

void TestVarioLink::secondStartRefused() {
    LinkHarness h;
    QVERIFY(h.Open());
    QVERIFY(h.StartLog(false));
    QVERIFY(!h.StartLog(true));
    QVERIFY(!h.StartBaro());
    QCOMPARE(h.writes.size(), 1);
}

void TestVarioLink::noBarographs() {
    LinkHarness h;
    QVERIFY(h.Open());
    h.UseDevice(solemu::SolMemory{});
    h.StartBaro();
    h.Run();
    QVERIFY(h.statuses.contains("No Barographs Available"));
    QCOMPARE(h.LastStatus(), "Baro Download Complete");
    QCOMPARE(h.WritesOf(kNext), 10);
    QCOMPARE(h.ticks, 10); // half a second of silence
    QCOMPARE(h.closes, 1);
    QCOMPARE(h.finished, 1);
    QCOMPARE(h.flightsChanged, 0);
}

void TestVarioLink::tracesFetchedHighestFirst() {
    LinkHarness h;
    QVERIFY(h.Open());
    const solemu::SolMemory memory =
        solemu::MakeDemoMemory({.flights = 3, .traces = 3, .samplesPerTrace = 150});
    for (int slot = 0; slot < 3; ++slot)
        QVERIFY(h.store->StoreLogRecord(*DecodeLogRecord(memory.records[slot]), 0, nullptr));
    h.store->Commit();
    h.UseDevice(memory);
    h.StartBaro();
    h.Run();
    QList<int> requested;
    for (const QByteArray& w : h.writes)
        if (w.size() == 2 && quint8(w[0]) == 170 && quint8(w[1]) != 170) requested << quint8(w[1]);
    QCOMPARE(requested, (QList<int>{3, 2, 1}));
    QVERIFY(h.statuses.contains("Requesting Baro Log  3"));
    QVERIFY(h.statuses.contains("Downloading Baro Log 2 - Header"));
    QVERIFY(h.statuses.contains("Downloading Baro Log 2 - Footer"));
    QVERIFY(h.statuses.contains("Baro Log  1 Complete"));
    QCOMPARE(h.LastStatus(), "Baro Download Complete");
    QVERIFY(h.asks.isEmpty());
    QCOMPARE(RowCount(h.Db(), "BaroData"), 450);
    // Each trace went to its own flight.
    for (int slot = 0; slot < 3; ++slot) {
        const double start = DecodeLogRecord(memory.records[slot])->startTime;
        const qint64 id = Scalar(h.Db(), "SELECT ID FROM LogData WHERE StartTime = ?", {start}).toLongLong();
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {id}).toInt(), 150);
    }
    QCOMPARE(h.flightsChanged, 1);
}

void TestVarioLink::tenSecondTrace() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    memory.traces.push_back(Trace(QDate(2024, 6, 5), 12, 0, 10, 5));
    h.UseDevice(memory);
    h.answerYes = false;
    h.StartBaro();
    h.Run();
    QCOMPARE(RowCount(h.Db(), "BaroData"), 5);
    const double third =
        Scalar(h.Db(), "SELECT TIME FROM BaroData ORDER BY TIME LIMIT 1 OFFSET 2").toDouble();
    QCOMPARE(GeneralDateText(third), "2024-06-05 12:00:20");
    QVERIFY(std::abs(third - At(2024, 6, 5, 12, 0, 20)) < 1e-9);
    QCOMPARE(Scalar(h.Db(), "SELECT height FROM BaroData ORDER BY TIME LIMIT 1 OFFSET 2").toInt(), 522);
}

void TestVarioLink::traceLinking_data() {
    // A trace from 12:58:00, one sample a minute, ending at 15:00:00.
    QTest::addColumn<double>("flightStart");
    QTest::addColumn<double>("flightEnd");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<double>("startAfter");
    const QDate d(2024, 6, 5);
    auto at = [d](int h, int m, int s = 0) { return DayNumber(d, h, m, s); };
    QTest::newRow("ended 90 s before the trace") << at(12, 58) << at(14, 58, 30) << true << at(12, 58);
    QTest::newRow("ended 119 s before") << at(12, 58) << at(14, 58, 1) << true << at(12, 58);
    QTest::newRow("ended 120 s before") << at(12, 58) << at(14, 58) << false << at(12, 58);
    QTest::newRow("started at the trace's end") << at(15, 0) << at(16, 0) << true << at(12, 58);
    QTest::newRow("started after it") << at(15, 1) << at(16, 0) << false << at(15, 1);
    QTest::newRow("started later than the trace: 13:05") << at(13, 5) << at(15, 0) << true << at(12, 58);
}

void TestVarioLink::traceLinking() {
    QFETCH(double, flightStart);
    QFETCH(double, flightEnd);
    QFETCH(bool, matches);
    QFETCH(double, startAfter);
    LinkHarness h;
    QVERIFY(h.Open());
    QCOMPARE(
        InsertRow(
            h.Db(), "LogData",
            {{"StartTime", flightStart}, {"EndTime", flightEnd}, {"StartHeight", 777}, {"MaxHeight", 1900}}),
        QString());
    solemu::SolMemory memory;
    memory.traces.push_back(Trace(QDate(2024, 6, 5), 12, 58, 60, 122, 640));
    h.UseDevice(memory);
    h.StartBaro();
    h.Run();
    QCOMPARE(h.LastStatus(), "Baro Download Complete");
    QCOMPARE(RowCount(h.Db(), "BaroData"), 122);
    if (matches) {
        QVERIFY(h.asks.isEmpty());
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 1").toInt(), 122);
    } else {
        QCOMPARE(h.asks, QStringList{"No LogData record matches this Barograph. Create it?"});
        QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 0").toInt(), 122);
        QCOMPARE(RowCount(h.Db(), "LogData"), 1);
    }
    QCOMPARE(Scalar(h.Db(), "SELECT StartTime FROM LogData WHERE ID = 1").toDouble(), startAfter);
    const bool moved = startAfter != flightStart;
    QCOMPARE(Scalar(h.Db(), "SELECT StartHeight FROM LogData WHERE ID = 1").toInt(), moved ? 640 : 777);
    QCOMPARE(Scalar(h.Db(), "SELECT MaxHeight FROM LogData WHERE ID = 1").toInt(), 1900); // kept
}

void TestVarioLink::createFlightFromTrace() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    memory.traces.push_back(Trace(QDate(2024, 6, 5), 12, 58, 60, 122, 640));
    h.UseDevice(memory);
    h.answerYes = true;
    h.StartBaro();
    h.Run();
    QCOMPARE(h.asks.size(), 1);
    QCOMPARE(RowCount(h.Db(), "LogData"), 1);
    QVariantList row = {Scalar(h.Db(), "SELECT StartTime FROM LogData").toDouble(),
                        Scalar(h.Db(), "SELECT EndTime FROM LogData").toDouble(),
                        Scalar(h.Db(), "SELECT StartHeight FROM LogData").toInt(),
                        Scalar(h.Db(), "SELECT MaxHeight FROM LogData").toInt(),
                        Scalar(h.Db(), "SELECT MinHeight FROM LogData").toInt()};
    const auto& heights = memory.traces[0].heights;
    QVERIFY(std::abs(row[1].toDouble() - At(2024, 6, 5, 15, 0)) < 1e-9);
    row[1] = At(2024, 6, 5, 15, 0);
    QCOMPARE(row, (QVariantList{At(2024, 6, 5, 12, 58), At(2024, 6, 5, 15, 0), 640,
                                *std::max_element(heights.begin(), heights.end()),
                                *std::min_element(heights.begin(), heights.end())}));
    const qint64 id = Scalar(h.Db(), "SELECT ID FROM LogData").toLongLong();
    QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {id}).toInt(), 122);
    QCOMPARE(h.flightsChanged, 1);
}

void TestVarioLink::wrongDetailsReplyClosesPort() {
    LinkHarness h;
    QVERIFY(h.Open());
    h.StartBaro();
    h.Feed(QByteArray(24, '\0'));
    QCOMPARE(h.writes.last(), kDetails);
    h.Feed(Bytes({171, 1, 0, 0}));
    QCOMPARE(h.LastStatus(), "ERROR - (Vario)DataAccess error");
    QCOMPARE(h.closes, 1);
    QCOMPARE(h.finished, 1);
    QVERIFY(!h.link.Active());
    QVERIFY(!h.timerOn);
}

void TestVarioLink::wakeUpAnswersDrained_data() {
    QTest::addColumn<QList<int>>("parts"); // sizes of what arrives after the second wake-up went out
    QTest::addColumn<int>("quietTicks");   // ticks of silence before the details are asked for
    QTest::newRow("both wake-ups answered") << QList<int>{24, 24} << 0;
    QTest::newRow("the second answer arrives with the first") << QList<int>{30, 18} << 0;
    QTest::newRow("only one answered") << QList<int>{24} << 2;
    QTest::newRow("one answered, a few stray bytes") << QList<int>{27} << 2;
}

void TestVarioLink::wakeUpAnswersDrained() {
    QFETCH(QList<int>, parts);
    QFETCH(int, quietTicks);
    LinkHarness h;
    QVERIFY(h.Open());
    h.StartBaro();
    QVERIFY(h.Tick()); // the first answer is still on the line: a second wake-up
    QCOMPARE(h.writes, (QList<QByteArray>{kWakeUp, kWakeUp}));
    for (int size : parts)
        h.Feed(QByteArray(size, '\x11'));
    QCOMPARE(h.WritesOf(kDetails), quietTicks ? 0 : 1);
    for (int i = 0; i < quietTicks; ++i) {
        QCOMPARE(h.WritesOf(kDetails), 0);
        QVERIFY(h.Tick());
    }
    QCOMPARE(h.WritesOf(kDetails), 1);
    QCOMPARE(h.writes.last(), kDetails);
    QCOMPARE(h.link.TriesLeft(), 4);
    // Nothing of the wake-up answers is taken for the details.
    h.Feed(Bytes({170, 0, 0, 0}));
    QCOMPARE(h.LastStatus(), "No Barographs Available");
}

void TestVarioLink::footerFiveMinuteRule() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    solemu::SolTrace t = Trace(QDate(2024, 6, 5), 12, 0, 10, 6); // ends 12:01:00
    t.footerHour = 12;
    t.footerMinute = 7;
    memory.traces.push_back(t);
    h.UseDevice(memory);
    h.StartBaro();
    h.Run();
    QCOMPARE(h.LastStatus(), "Baro Download Complete");
    QVERIFY(h.asks.isEmpty()); // no footer, no link
    QVERIFY(!h.statuses.contains("Downloading Baro Log 1 - Footer"));
    QCOMPARE(RowCount(h.Db(), "BaroData"), 9);
    QCOMPARE(Scalar(h.Db(), "SELECT height FROM BaroData WHERE ABS(TIME - ?) < 1e-8", {At(2024, 6, 5, 12, 1)})
                 .toInt(),
             12 * 256 + 7);
    QCOMPARE(Scalar(h.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = -1").toInt(), 9);
}

void TestVarioLink::repeatedSamples() {
    LinkHarness h;
    QVERIFY(h.Open());
    solemu::SolMemory memory;
    memory.traces.push_back(Trace(QDate(2024, 6, 5), 12, 0, 10, 100));
    h.UseDevice(memory);
    h.answerYes = true;
    h.StartBaro();
    h.Run();
    QCOMPARE(RowCount(h.Db(), "BaroData"), 100);
    h.statuses.clear();
    h.UseDevice(memory);
    h.StartBaro();
    h.Run();
    QCOMPARE(RowCount(h.Db(), "BaroData"), 100);
    QCOMPARE(RowCount(h.Db(), "LogData"), 1); // the trace matches the flight made the first time
    QVERIFY(h.statuses.contains("Downloading Baro Log 1 -2024-06-05 12:00:10 (Repeat)"));
    QCOMPARE(h.LastStatus(), "Baro Download Complete");
}

void TestVarioLink::rowsKeptAfterBreak_data() {
    QTest::addColumn<bool>("barograph");
    QTest::addColumn<int>("silentAfter");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows");
    QTest::newRow("log download, instrument off after 3 records") << false << 3 << "LogData" << 3;
    // Wake-up, details, log 1, header, next, first block of 64 samples; the next is not answered.
    QTest::newRow("barograph, off after the first block") << true << 6 << "BaroData" << 64;
}

void TestVarioLink::rowsKeptAfterBreak() {
    QFETCH(bool, barograph);
    QFETCH(int, silentAfter);
    QFETCH(QString, table);
    QFETCH(int, rows);
    LinkHarness h;
    QVERIFY(h.Open());
    h.UseDevice(solemu::MakeDemoMemory({.flights = 10, .traces = 1, .samplesPerTrace = 300}));
    h.device->Faults().silentAfter = silentAfter;
    if (barograph)
        h.StartBaro();
    else
        h.StartLog(true);
    h.Run();
    QVERIFY(!h.link.Active());
    QCOMPARE(h.closes, 1);
    // Another connection sees only what was committed.
    LogbookDatabase other;
    QVERIFY(other.Open(h.dir.filePath("vario.mdb"), nullptr));
    QCOMPARE(RowCount(other.Db(), table), rows);
}

QTEST_GUILESS_MAIN(TestVarioLink)
#include "tst_variolink.moc"
