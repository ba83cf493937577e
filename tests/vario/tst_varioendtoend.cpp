// The real adapter (QSerialPort, QTimer) against the emulated Sol on a
// pseudo-terminal: both downloads, replies in parts, every fault mode, one
// case paced at 4800 baud, and the port that cannot be opened.

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/testlogbook.h"
#include "settings/settingsstore.h"
#include "solemulator.h"
#include "vario/varioconnection.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

namespace {

enum class Fault { None, Split, Silent, SilentAfter, Drop, Garbage };

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
    void SetFault(Fault fault, int command) {
        solemu::SolFaults& f = emulator->Device().Faults();
        switch (fault) {
        case Fault::None:
            break;
        case Fault::Split:
            emulator->SetSplit(2, 5);
            break;
        case Fault::Silent:
            f.silent = true;
            break;
        case Fault::SilentAfter:
            f.silentAfter = command;
            break;
        case Fault::Drop:
            f.dropInReply = command;
            break;
        case Fault::Garbage:
            f.garbageForReply = command;
            break;
        }
    }
    // Waits for the transfer to end; false on timeout.
    bool Wait(int ms = 30000) {
        QElapsedTimer t;
        t.start();
        while (connection->Busy() && t.elapsed() < ms)
            QTest::qWait(5);
        return !connection->Busy();
    }
    QString LastStatus() const { return statuses.isEmpty() ? QString() : statuses.last(); }
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestVarioEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void logDownload_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("status");
        const QString done = "Successfully Received 6 Log Records";
        const QString failed = "ERROR - (Vario)Failed to get response";
        QTest::newRow("clean line") << Fault::None << 0 << 6 << done;
        QTest::newRow("replies in two parts") << Fault::Split << 0 << 6 << done;
        QTest::newRow("a byte of record 2 lost") << Fault::Drop << 2 << 6 << done;
        QTest::newRow("record 1 asked in line noise") << Fault::Garbage << 1 << 6 << done;
        QTest::newRow("unused slot loses a byte") << Fault::Drop << 6 << 6 << done;
        QTest::newRow("no instrument") << Fault::Silent << 0 << 0 << failed;
        QTest::newRow("switched off after 3 records") << Fault::SilentAfter << 3 << 3 << failed;
    }

    void logDownload() {
        QFETCH(Fault, fault);
        QFETCH(int, command);
        QFETCH(int, rows);
        QFETCH(QString, status);
        Bench b;
        const solemu::SolMemory memory = solemu::MakeDemoMemory({.flights = 6, .traces = 0});
        QVERIFY(b.Open(memory));
        b.SetFault(fault, command);
        QSignalSpy finished(b.connection.get(), &VarioConnection::Finished);
        QSignalSpy changed(b.connection.get(), &VarioConnection::FlightsChanged);
        QVERIFY(b.connection->StartLogDownload(b.file.Db(), false));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), status);
        QCOMPARE(RowCount(b.file.Db(), "LogData"), rows);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(changed.count(), rows > 0 ? 1 : 0);
        QVERIFY(!b.connection->Port().isOpen());
        // What was stored is what the instrument holds, record for record.
        for (int slot = 0; slot < rows; ++slot) {
            const LogRecord r = *DecodeLogRecord(memory.records[slot]);
            QCOMPARE(Scalar(b.file.Db(), "SELECT MaxHeight FROM LogData WHERE StartTime = ?", {r.startTime})
                         .toInt(),
                     r.maxHeight);
        }
    }

    void barographDownload_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("samples");
        QTest::addColumn<QString>("status");
        // Commands: 0 wake-up, 1 details, 2 log 2, 3 its marker echoed, 4 next, 5 the first sample block's
        // echo...
        const QString done = "Baro Download Complete";
        QTest::newRow("clean line") << Fault::None << 0 << 300 << done;
        QTest::newRow("replies in two parts") << Fault::Split << 0 << 300 << done;
        QTest::newRow("a byte of the details lost") << Fault::Drop << 1 << 300 << done;
        QTest::newRow("a byte of sample data lost") << Fault::Drop << 5 << 300 << done;
        QTest::newRow("the details asked in line noise") << Fault::Garbage << 1 << 300 << done;
        QTest::newRow("no instrument") << Fault::Silent << 0 << 0 << "ERROR - (Vario)Failed to get response";
        // Log 2 stops after its first block; log 1 is not answered either.
        QTest::newRow("switched off in a trace") << Fault::SilentAfter << 6 << 64 << done;
    }

    void barographDownload() {
        QFETCH(Fault, fault);
        QFETCH(int, command);
        QFETCH(int, samples);
        QFETCH(QString, status);
        Bench b;
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 2, .traces = 2, .samplesPerTrace = 150});
        QVERIFY(b.Open(memory));
        {
            // The flights are in the logbook already.
            SqlVarioStore store(b.file.Db());
            for (int slot = 0; slot < 2; ++slot)
                QVERIFY(store.StoreLogRecord(*DecodeLogRecord(memory.records[slot]), 0, nullptr));
        }
        b.SetFault(fault, command);
        QVERIFY(b.connection->StartBarographDownload(b.file.Db()));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), status);
        QCOMPARE(RowCount(b.file.Db(), "BaroData"), samples);
        QVERIFY(!b.connection->Port().isOpen());
        if (samples == 300) {
            QVERIFY(b.asks.isEmpty());
            QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 1").toInt(), 150);
            QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 2").toInt(), 150);
        }
        if (fault == Fault::None || fault == Fault::Split) {
            // Every height as recorded.
            const solemu::SolTrace& t = memory.traces[1];
            QSqlQuery q(b.file.Db());
            QVERIFY(q.exec("SELECT height FROM BaroData WHERE LogID = 2 ORDER BY TIME"));
            std::vector<int> heights;
            while (q.next())
                heights.push_back(q.value(0).toInt());
            QCOMPARE(heights, t.heights);
        }
    }

    void pacedAt4800Baud() {
        Bench b;
        const solemu::SolMemory memory =
            solemu::MakeDemoMemory({.flights = 2, .traces = 1, .samplesPerTrace = 60});
        QVERIFY(b.Open(memory));
        b.emulator->SetPacing(4800);
        QVERIFY(b.connection->StartLogDownload(b.file.Db(), false));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), "Successfully Received 2 Log Records");
        QVERIFY(b.connection->StartBarographDownload(b.file.Db()));
        QVERIFY(b.Wait());
        QCOMPARE(b.LastStatus(), "Baro Download Complete");
        // A wake-up answer takes as long as the retry, so the wake-up usually
        // went out again; its second answer was drained, not read as the details.
        if (b.emulator->Device().WakeUpsSeen() < 3)
            qInfo("the wake-up was answered before the retry: no second answer to drain this time");
        QCOMPARE(RowCount(b.file.Db(), "BaroData"), 60);
        QCOMPARE(Scalar(b.file.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = 1").toInt(), 60);
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
