// The real adapter (QSerialPort, QTimer) against the emulated Sol on a
// pseudo-terminal: both downloads, replies in parts, paced at 4800 baud,
// every fault mode, and the port that cannot be opened.

#include "linkharness.h"
#include "settings/settingsstore.h"
#include "solemulator.h"
#include "vario/varioconnection.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

namespace {

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<solemu::SolEmulator> emulator;
    std::unique_ptr<SettingsStore> settings;
    LogbookDatabase file;
    std::unique_ptr<VarioConnection> connection;
    QStringList statuses;
    QStringList asks;
    bool answerYes = true;

    bool Open(const solemu::SolMemory& memory) {
        emulator = std::make_unique<solemu::SolEmulator>(memory);
        if (!emulator->Open()) return false;
        settings = std::make_unique<SettingsStore>(dir.filePath("settings.ini"));
        settings->Write(keys::VarioPort, emulator->DevicePath());
        const QString path = dir.filePath("vario.mdb");
        if (!CreateLogbookFile(path) || !file.Open(path, nullptr)) return false;
        connection = std::make_unique<VarioConnection>(*settings);
        connection->SetStatusSink([this](const QString& t) { statuses << t; });
        connection->SetCreateFlightQuestion([this](const QString& t) {
            asks << t;
            return answerYes;
        });
        return true;
    }
    // "kind n": the fault and the command (or milliseconds) it applies to.
    void SetFault(const QString& fault) {
        const QString kind = fault.section(QLatin1Char(' '), 0, 0);
        const int n = fault.section(QLatin1Char(' '), 1).toInt();
        solemu::SolFaults& f = emulator->Device().Faults();
        if (kind == "split") emulator->SetSplit(2, 5);
        if (kind == "slow") emulator->SetLatency(n);
        if (kind == "paced") emulator->SetPacing(n);
        if (kind == "silent") f.silent = true;
        if (kind == "silentAfter") f.silentAfter = n;
        if (kind == "silentAtNext") f.silentAtNext = n;
        if (kind == "drop") f.dropInReply = n;
        if (kind == "garbage") f.garbageForReply = n;
    }
    // Waits for the transfer to end; false on timeout.
    bool Wait() {
        // Short waits: the emulated instrument answers from this thread's event loop.
        QElapsedTimer t;
        t.start();
        while (connection->Busy() && t.elapsed() < 30000)
            QTest::qWait(5);
        return !connection->Busy();
    }
    QString LastStatus() const { return statuses.isEmpty() ? QString() : statuses.last(); }
};

} // namespace

class TestVarioEndToEnd : public QObject {
    Q_OBJECT
private slots:
    // Both downloads over the port: every stored record and sample holds
    // what the instrument sent, each sample on its own flight. (A byte lost
    // inside a block is the link's matter, tried at every byte without a port.)
    void download_data() {
        QTest::addColumn<bool>("barograph");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("rows"); // records, or samples (trace 2 is read first)
        QTest::addColumn<QString>("status");
        const QString done = "Successfully Received 6 Log Records";
        const QString failed = "ERROR - (Vario)Failed to get response";
        QTest::newRow("log, clean line") << false << "" << 6 << done;
        QTest::newRow("log, replies in two parts") << false << "split" << 6 << done;
        QTest::newRow("log, a byte of record 2 lost") << false << "drop 2" << 6 << done;
        QTest::newRow("log, record 1 asked in line noise") << false << "garbage 1" << 6 << done;
        QTest::newRow("log, unused slot loses a byte") << false << "drop 6" << 6 << done;
        QTest::newRow("log, replies 300 ms late") << false << "slow 300" << 6 << done;
        QTest::newRow("log, paced at 4800 baud") << false << "paced 4800" << 6 << done;
        QTest::newRow("log, no instrument") << false << "silent" << 0 << failed;
        QTest::newRow("log, switched off after 3 records") << false << "silentAfter 3" << 3 << failed;
        const QString baroDone = "Baro Download Complete";
        QTest::newRow("barograph, clean line") << true << "" << 300 << baroDone;
        QTest::newRow("barograph, replies in two parts") << true << "split" << 300 << baroDone;
        QTest::newRow("barograph, paced at 4800 baud") << true << "paced 4800" << 300 << baroDone;
        QTest::newRow("barograph, a byte of the details lost") << true << "drop 1" << 300 << baroDone;
        QTest::newRow("barograph, the details asked in line noise") << true << "garbage 1" << 300 << baroDone;
        QTest::newRow("barograph, no instrument") << true << "silent" << 0 << failed;
        // Log 2 stops after its first block of 64 samples; log 1 is not answered either.
        QTest::newRow("barograph, switched off in a trace")
            << true << "silentAtNext 2" << 64
            << "Baro Download Incomplete - Baro Log 2 ended early - Baro Log 1 ended early";
    }
    void download() {
        QFETCH(bool, barograph);
        QFETCH(QString, fault);
        QFETCH(int, rows);
        QFETCH(QString, status);
        Bench b;
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 6, .traces = 2, .samplesPerTrace = 150});
        QVERIFY(b.Open(memory));
        if (barograph) {
            // The flights are in the logbook already.
            SqlVarioStore store(b.file.Db());
            for (int slot = 0; slot < 2; ++slot)
                QVERIFY(store.StoreLogRecord(*DecodeLogRecord(memory.records[slot]), 0, nullptr));
        }
        b.SetFault(fault);
        QSignalSpy finished(b.connection.get(), &VarioConnection::Finished);
        QSignalSpy changed(b.connection.get(), &VarioConnection::FlightsChanged);
        QVERIFY(barograph ? b.connection->StartBarographDownload(b.file.Db())
                          : b.connection->StartLogDownload(b.file.Db(), false));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), status);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(changed.count(), rows > 0 ? 1 : 0);
        QVERIFY(!b.connection->Port().isOpen());
        QVERIFY(b.asks.isEmpty());
        QCOMPARE(RowCount(b.file.Db(), barograph ? "BaroData" : "LogData"), rows);
        for (int n = 1; barograph && n <= 2; ++n) {
            const int kept = n == 2 ? std::min(rows, 150) : std::max(0, rows - 150);
            CompareTrace(b.file.Db(), memory.traces[n - 1], n, [kept](int i) { return i >= kept; });
        }
        for (int slot = 0; !barograph && slot < rows; ++slot) {
            const LogRecord r = *DecodeLogRecord(memory.records[slot]);
            QCOMPARE(Scalar(b.file.Db(), "SELECT MaxHeight FROM LogData WHERE StartTime = ?", {r.startTime})
                         .toInt(),
                     r.maxHeight);
        }
    }

    // The cable pulled in the middle of a trace, then a download of another
    // day: no sample ends on a flight whose time does not hold it; those of
    // the broken trace go to their own flight when it is there, or stay
    // unlinked and are named.
    void portVanishesMidTrace_data() {
        QTest::addColumn<bool>("firstFlightStored");
        QTest::newRow("its flight in the logbook") << true;
        QTest::newRow("its flight not in the logbook") << false;
    }
    void portVanishesMidTrace() {
        QFETCH(bool, firstFlightStored);
        Bench b;
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 2, .traces = 2, .samplesPerTrace = 150});
        QVERIFY(b.Open(memory));
        {
            SqlVarioStore store(b.file.Db());
            QVERIFY(store.StoreLogRecord(*DecodeLogRecord(memory.records[0]), 0, nullptr)); // the later day
            if (firstFlightStored)
                QVERIFY(store.StoreLogRecord(*DecodeLogRecord(memory.records[1]), 0, nullptr));
        }
        // Trace 2 (the earlier day) first: gone after its first sample block.
        b.emulator->SetVanishAtNext(2);
        QVERIFY(b.connection->StartBarographDownload(b.file.Db()));
        QVERIFY(b.Wait());
        QVERIFY2(b.LastStatus().startsWith("ERROR - (Vario)The device or port was disconnected"),
                 qPrintable(b.LastStatus()));
        QVERIFY(!b.connection->Port().isOpen());
        QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = -1").toInt(), 64);

        // The instrument again, now holding only the later day.
        solemu::SolMemory later;
        later.traces.push_back(memory.traces[0]);
        b.emulator = std::make_unique<solemu::SolEmulator>(later);
        QVERIFY(b.emulator->Open());
        b.settings->Write(keys::VarioPort, b.emulator->DevicePath());
        QVERIFY(b.connection->StartBarographDownload(b.file.Db()));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), firstFlightStored
                                     ? QString("Baro Download Complete")
                                     : QString("Baro Download Complete - 64 samples not linked to a flight"));
        QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 1").toInt(), 150);
        QCOMPARE(
            Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {firstFlightStored ? 2 : -1})
                .toInt(),
            64);
        QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData b JOIN LogData l ON b.LogID = l.ID "
                                     "WHERE b.TIME < l.StartTime OR b.TIME > l.EndTime + 60.0 / 86400")
                     .toInt(),
                 0);
    }

    void portCannotBeOpened() {
        Bench b;
        QVERIFY(b.Open({}));
        b.settings->Write(keys::VarioPort, b.dir.filePath("no-such-port"));
        QVERIFY(!b.connection->StartLogDownload(b.file.Db(), false));
        QCOMPARE(b.LastStatus(), "ERROR - (Vario)Unable to Open Port");
        QVERIFY(!b.connection->Busy());
    }
};

QTEST_GUILESS_MAIN(TestVarioEndToEnd)
#include "tst_varioendtoend.moc"
