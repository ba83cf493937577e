// The real port adapter against the receiver emulator on a pseudo-terminal:
// downloads with every fault the line and the receiver can show, and the
// emulator as a program of its own (its line pacing is measured in
// bench_gpsdownload). The single requests run end to end in tst_gpscommands.

#include "emulatorrig.h"

#include "core/trackstore.h"
#include "garminemulator.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

// Data packets of a synchronised download of two 50-point tracks, as the
// emulator numbers them: 1 time, 2 product data, 3 capabilities, 4 record
// count, 5 header, 6-55 points, 56 header, 57-106 points, 107 complete.
constexpr int kPointsPacket1 = 6;

// Every stored point is one the receiver sent, unchanged.
void VerifyStoredPoints(const TempLogbook& log, const std::vector<emu::EmulatedPoint>& sent,
                        int expectedCount) {
    QSqlQuery q(log.Db());
    QVERIFY(q.exec(QStringLiteral("SELECT \"TIME\", LAT, LNG FROM TrackData ORDER BY rowid")));
    int i = 0;
    while (q.next()) {
        QVERIFY(i < int(sent.size()));
        const emu::EmulatedPoint& p = sent[i];
        QCOMPARE(GarminSeconds(q.value(0).toDouble()), p.garminTime);
        QVERIFY(std::fabs(q.value(1).toDouble() - p.lat) < 1e-6);
        QVERIFY(std::fabs(q.value(2).toDouble() - p.lng) < 1e-6);
        ++i;
    }
    QCOMPARE(i, expectedCount);
}

} // namespace

class TestGpsEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void download_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("questions");
        const QString done = QStringLiteral("Received 100 Records [2 Added]");
        QTest::newRow("clean") << "" << done << 100 << 0;
        // Older units: 13-byte points, and identification waits for capabilities that never come.
        QTest::newRow("older unit") << "D300" << done << 100 << 0;
        QTest::newRow("corrupted point") << "corrupt@20" << done << 100 << 0;
        QTest::newRow("corrupted product data") << "corrupt@2" << done << 100 << 0;
        QTest::newRow("corrupted transfer complete") << "corrupt@107" << done << 100 << 0;
        QTest::newRow("our ACK refused") << "nak@30" << done << 100 << 0;
        QTest::newRow("noise between packets") << "garbage@40" << done << 100 << 0;
        QTest::newRow("unknown packet") << "unknown@50" << done << 100 << 1;
        QTest::newRow("stall mid-packet") << "stall@30"
                                          << "ERROR - (GPS)Receive timeout" << 30 - kPointsPacket1 << 0;
        QTest::newRow("no receiver") << "silence@0"
                                     << "ERROR - (GPS)Failed to get response" << 0 << 0;
        QTest::newRow("port vanishes") << "vanish@30"
                                       << "ERROR - (GPS)" << 30 - kPointsPacket1 << 0;
    }
    void download() {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        QFETCH(int, stored);
        QFETCH(int, questions);
        emu::EmulatorConfig config = TwoTracks();
        config.d300 = fault == QLatin1String("D300");
        config.sendCapabilities = !config.d300;
        if (!fault.isEmpty() && !config.d300) config.faults.push_back(*emu::ParseFault(fault));
        const std::vector<emu::EmulatedPoint> sent = config.points;
        EmulatorRig rig(config);
        QVERIFY(rig.Ok());
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 9, 50), Day(2024, 5, 1, 11));
        LogbookTrackStorage storage(log.Db());
        QStringList asked;
        rig.Adapter().SetUnknownPacketAsker([&asked](const QString& text) {
            asked << text;
            return UnknownPacketAnswer::Ignore;
        });
        // The event loop keeps running through the download.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);

        QSignalSpy ended(&rig.Adapter(), &GpsPortAdapter::CommandEnded);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.Link().DownloadGpsTracks(&storage, true));
        QVERIFY(!rig.Link().DownloadGpsTracks(&storage, true)); // one transfer at a time
        QVERIFY(WaitForEnd(ended));
        QVERIFY(clock.elapsed() < 700 || ticks > 0);
        QCOMPARE(ended.count(), 1);
        QVERIFY2(rig.Adapter().Status().startsWith(status), qPrintable(rig.Adapter().Status()));
        QVERIFY(!rig.Adapter().Port().isOpen());
        QVERIFY(!rig.Link().Busy());
        QCOMPARE(asked.size(), questions);
        VerifyStoredPoints(log, sent, stored);
        if (stored > 0) {
            // The first track was closed and linked to the flight.
            QCOMPARE(log.Scalar(QStringLiteral("SELECT LogID FROM Tracks ORDER BY ID LIMIT 1")).toLongLong(),
                     flight);
            QCOMPARE(log.Scalar(QStringLiteral("SELECT COUNT(*) FROM Tracks WHERE EndTime IS NULL")).toInt(),
                     0);
        }
        const emu::EmulatorStats& s = rig.StopEmulator();
        QCOMPARE(s.naksReceived, std::uint64_t(fault.startsWith(QLatin1String("corrupt"))));
        if (fault.startsWith(QLatin1String("nak"))) QCOMPARE(s.naksSent, std::uint64_t(1));
    }

    // The emulator as its own program, as a user runs it.
    void standaloneEmulator() {
        QProcess emulator;
        emulator.start(QStringLiteral(SOARNOTE_GARMINEMU),
                       {QStringLiteral("--tracks"), QStringLiteral("1"), QStringLiteral("--points"),
                        QStringLiteral("25")});
        QVERIFY(emulator.waitForStarted(5000));
        QVERIFY(emulator.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(emulator.readLine()).trimmed();
        QVERIFY2(device.startsWith(QStringLiteral("/dev/")), qPrintable(device));
        GpsPortAdapter adapter([device] {
            return ParseSerialSettings(device, QStringLiteral("9600"), QStringLiteral("NONE"),
                                       QStringLiteral("8"), QStringLiteral("1"));
        });
        TempLogbook log;
        LogbookTrackStorage storage(log.Db());
        QSignalSpy ended(&adapter, &GpsPortAdapter::CommandEnded);
        QVERIFY(adapter.Link().DownloadGpsTracks(&storage, true));
        QVERIFY(ended.wait(15000));
        QCOMPARE(adapter.Status(), QStringLiteral("Received 25 Records [1 Added]"));
        emulator.terminate();
        QVERIFY(emulator.waitForFinished(5000));
        const QString report = QString::fromLocal8Bit(emulator.readAllStandardError());
        QVERIFY2(report.contains(QStringLiteral("track points taken 25")), qPrintable(report));
    }
};

QTEST_GUILESS_MAIN(TestGpsEndToEnd)
#include "tst_gpsendtoend.moc"
