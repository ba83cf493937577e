// The link state machine driven directly: requests, identification, ACK and
// NAK and their budgets, the timers, unknown packets, line events, cancel,
// and the track transfer into a real logbook file. Cuts at every byte and
// vanished ports are in tst_gpscut.

#include "gpstesthelpers.h"
#include "memorysink.h"

#include "core/trackstore.h"
#include "gps/gpslink.h"

#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

const QByteArray kProductRequest = Bytes({16, 254, 0, 2, 16, 3});
const QByteArray kTrackCommand = Bytes({16, 10, 2, 6, 0, 238, 16, 3});
const QByteArray kTimeCommand = Bytes({16, 10, 2, 5, 0, 239, 16, 3});
const QByteArray kAckTrackPoint = Bytes({16, 6, 2, 34, 0, 214, 16, 3});
const QByteArray kCapabilities = Framed(garmin::PidProtocolArray, Bytes({'P', 0, 0, 'L', 1, 0, 'A', 10, 0}));

// Points of one track, a second apart.
QByteArray TrackFrames(int count, double start, double lat, bool flagFirst = true) {
    QByteArray frames;
    for (int i = 0; i < count; ++i)
        frames += PointFrame(lat + i * 0.0001, -1.8 - i * 0.0001, start + i / 86400.0, flagFirst && i == 0);
    return frames;
}

} // namespace

class TestGpsLink : public QObject {
    Q_OBJECT

    // Brings an identifying request to the point where the request itself is sent.
    static void Identify(GpsLink& link, FakeLinkIo& io) {
        QCOMPARE(io.LastWrite(), kProductRequest);
        link.OnBytesReceived(Framed(garmin::PidAck, Bytes({254, 0})) + ProductFrame());
        QCOMPARE(link.Identifying(), 17);
        QCOMPARE(io.timerMs, 300);
        link.OnBytesReceived(kCapabilities);
    }

private slots:
    void productRequest() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsProduct());
        QCOMPARE(io.writes, QList<QByteArray>{kProductRequest});
        QCOMPARE(io.timerMs, 1000);
        QVERIFY(!link.TransferDone());
        link.OnBytesReceived(ProductFrame(17, 310, "GPS 12"));
        QCOMPARE(io.status, QStringLiteral("GPS 12  ver: 3.1"));
        // The reply that ends the transfer is acknowledged too.
        QCOMPARE(io.LastWrite(), FramePacket(MakeAck(255)));
        QVERIFY(!io.open);
        QCOMPARE(io.timerMs, -1);
        QVERIFY(link.TransferDone());
        QVERIFY(!link.Busy());
        QCOMPARE(io.finished, (QList<QPair<GpsCommand, bool>>{{GpsCommand::Product, true}}));
    }

    void identificationThenTime() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(true));
        Identify(link, io);
        // Capabilities acknowledged, then the request.
        QCOMPARE(io.writes.mid(io.writes.size() - 2),
                 (QList<QByteArray>{FramePacket(MakeAck(garmin::PidProtocolArray)), kTimeCommand}));
        QCOMPARE(io.timerMs, 1000);
        QVERIFY(io.questions.isEmpty());
        // The receiver's clock is 30 seconds behind the workstation's.
        const QDateTime gps(QDate(2024, 6, 30), QTime(14, 5, 9));
        io.now = DayNumberFromDateTime(gps) + 30 / 86400.0;
        link.OnBytesReceived(Framed(garmin::PidAck, Bytes({10, 0})) + DateTimeFrame(gps));
        QVERIFY(std::fabs(link.GpsTimeOffset() - 30 / 86400.0) < 1e-9);
        QCOMPARE(io.status, QStringLiteral("Current Time: 2024-06-30 14:05:09"));
        QCOMPARE(io.LastWrite(), FramePacket(MakeAck(garmin::PidDateTime)));
        QVERIFY(!io.open);
        QCOMPARE(io.opens, 1);
    }

    // A response timer that runs out ends the request, whatever came before:
    // nothing during identification (the request itself is never sent), noise
    // (no answer, so the timer is not restarted), or an ACK and then silence.
    void responseTimeout_data() {
        QTest::addColumn<bool>("identify");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("timerStarts"); // -1: any
        QTest::newRow("identification") << true << QByteArray() << 1;
        QTest::newRow("noise") << false << Bytes({0, 0x55, 0xAA, 0xFE}) << 1;
        QTest::newRow("ACK then silence") << false << Framed(garmin::PidAck, Bytes({10, 0})) << -1;
    }
    void responseTimeout() {
        QFETCH(bool, identify);
        QFETCH(QByteArray, received);
        QFETCH(int, timerStarts);
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(identify));
        link.OnBytesReceived(received);
        QCOMPARE(io.writes, QList<QByteArray>{identify ? kProductRequest : kTimeCommand});
        if (timerStarts >= 0) QCOMPARE(io.timerStarts, timerStarts);
        QCOMPARE(io.timerMs, 1000);
        link.OnTimer();
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Failed to get response"));
        QVERIFY(!io.open);
        QVERIFY(!link.Busy());
        QCOMPARE(io.finished.size(), 1);
        QVERIFY(!io.finished[0].second);
    }

    void nakResendsOnce() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(false));
        QCOMPARE(io.writes, QList<QByteArray>{kTimeCommand});
        const int starts = io.timerStarts;
        link.OnBytesReceived(Framed(garmin::PidNak, Bytes({10, 0})));
        QCOMPARE(io.writes, (QList<QByteArray>{kTimeCommand, kTimeCommand}));
        QCOMPARE(io.timerStarts, starts + 1);
        QCOMPARE(io.timerMs, 1000);
    }

    // A line that only ever refuses or damages packets ends the transfer
    // within its budgets; the points acknowledged before stay stored.
    void endlessRefusalsEndTheTransfer_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("status");
        QTest::newRow("alternating NAK / bad checksum")
            << QStringLiteral("nb") << QStringLiteral("ERROR - (GPS)Too many damaged packets");
        QTest::newRow("NAK only") << QStringLiteral("n") << QStringLiteral("ERROR - (GPS)Too many resends");
        QTest::newRow("broken frames")
            << QStringLiteral("x") << QStringLiteral("ERROR - (GPS)Too many damaged packets");
    }
    void endlessRefusalsEndTheTransfer() {
        QFETCH(QString, pattern);
        QFETCH(QString, status);
        TempLogbook log;
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTracks(&storage));
        Identify(link, io);
        link.OnBytesReceived(TrackFrames(3, Day(2024, 5, 1, 10), 53));
        QByteArray bad = PointFrame(53.1, -1.9, Day(2024, 5, 1, 11), false);
        bad[5] = static_cast<char>(bad[5] ^ 0x04);
        const QByteArray nak = Framed(garmin::PidNak, Bytes({6, 0}));
        const QByteArray broken = PointFrame(53.1, -1.9, Day(2024, 5, 1, 11), false).left(9);
        QByteArray flood;
        for (int i = 0; i < 10000; ++i) {
            const QChar c = pattern.at(i % pattern.size());
            flood += c == QLatin1Char('n') ? nak : c == QLatin1Char('b') ? bad : broken;
        }
        const qsizetype writesBefore = io.writes.size();
        link.OnBytesReceived(flood);
        QVERIFY(io.writes.size() - writesBefore < 100);
        QCOMPARE(io.status, status);
        QVERIFY(!link.Busy());
        QVERIFY(!io.open);
        QCOMPARE(io.timerMs, -1);
        QCOMPARE(io.finished.size(), 1);
        QVERIFY(!io.finished[0].second);
        // Committed: another connection sees the three points.
        LogbookDatabase second;
        QString error;
        QVERIFY(second.Open(log.Path(), &error));
        const double sum =
            testlogbook::Scalar(second.Db(), QStringLiteral("SELECT SUM(LAT) FROM TrackData")).toDouble();
        QVERIFY(std::fabs(sum - (53 * 3 + 0.0003)) < 1e-6);
    }

    void badChecksumIsNakedAndNeverStored() {
        TempLogbook log;
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTracks(&storage));
        Identify(link, io);
        QCOMPARE(io.LastWrite(), kTrackCommand);
        QByteArray bad = PointFrame(53.1, -1.9, Day(2024, 5, 1, 10), true);
        bad[5] = static_cast<char>(bad[5] ^ 0x04);
        link.OnBytesReceived(bad);
        QCOMPARE(io.LastWrite(), FramePacket(MakeNak(34)));
        QCOMPARE(link.RecordsReceived(), 0);
        QCOMPARE(link.ChecksumErrors(), 1);
        link.OnBytesReceived(PointFrame(53.1, -1.9, Day(2024, 5, 1, 10), true) + CompleteFrame());
        QCOMPARE(io.status, QStringLiteral("Received 1 Records [1 Added]"));
        QCOMPARE(log.Count(QStringLiteral("TrackData")), 1);
        QVERIFY(std::fabs(log.Scalar(QStringLiteral("SELECT LAT FROM TrackData")).toDouble() - 53.1) < 1e-7);
    }

    void receiveTimeout() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(false));
        const QByteArray frame = DateTimeFrame(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
        link.OnBytesReceived(frame.left(5));
        QCOMPARE(io.timerMs, 1000);
        QVERIFY(link.Decoder().InFrame());
        link.OnTimer();
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Receive timeout"));
        QVERIFY(!io.open);
        QVERIFY(!link.Busy());
        // The rest of the packet arrives too late and changes nothing.
        link.OnBytesReceived(frame.mid(5));
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Receive timeout"));
    }

    void unknownPacket_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("abort") << int(UnknownPacketAnswer::Abort) << false;
        QTest::newRow("retry") << int(UnknownPacketAnswer::Retry) << true;
        QTest::newRow("ignore") << int(UnknownPacketAnswer::Ignore) << true;
    }
    void unknownPacket() {
        QFETCH(int, answer);
        QFETCH(bool, goesOn);
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(false));
        const QByteArray unknown = Framed(0x72, Bytes({1, 2, 0xAB}));
        const QByteArray reply = DateTimeFrame(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
        // The reply arrives while the user is being asked: it waits.
        link.OnBytesReceived(unknown + reply.left(4));
        QCOMPARE(io.LastWrite(), FramePacket(MakeAck(0x72)));
        QCOMPARE(io.questions.size(), 1);
        QVERIFY(io.questions[0].startsWith(QStringLiteral("ID: 72 Data: 1 2 AB ")));
        QCOMPARE(io.timerMs, -1);
        QVERIFY(link.AwaitingAnswer());
        link.OnBytesReceived(reply.mid(4));
        QVERIFY(link.Busy());
        link.AnswerUnknownPacket(static_cast<UnknownPacketAnswer>(answer));
        if (goesOn) {
            QCOMPARE(io.status, QStringLiteral("Current Time: 2024-01-02 03:04:05"));
            QCOMPARE(io.statusHistory.at(io.statusHistory.size() - 2),
                     QStringLiteral("ERROR - (GPS)Unknown reply"));
        } else {
            QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Unknown reply"));
        }
        QVERIFY(!link.Busy());
        QVERIFY(!io.open);
    }

    // Packets real receivers send unasked, and screen lines: acknowledged, not unknown.
    void unaskedPacketsAreAcknowledged_data() {
        QTest::addColumn<int>("id");
        QTest::newRow("capabilities") << 253;
        QTest::newRow("extended product data") << 248;
        QTest::newRow("screen line") << 69;
        QTest::newRow("track header") << 99;
    }
    void unaskedPacketsAreAcknowledged() {
        QFETCH(int, id);
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(false));
        link.OnBytesReceived(Framed(static_cast<std::uint8_t>(id), Bytes({1, 2, 3, 4})));
        QCOMPARE(io.LastWrite(), FramePacket(MakeAck(static_cast<std::uint8_t>(id))));
        QVERIFY(io.questions.isEmpty());
        QVERIFY(link.Busy());
        QCOMPARE(io.timerMs, 1000);
    }

    void lineEventsLeaveTheTransfer() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(false));
        link.OnGpsCommEvent(1004);
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Framing Error"));
        link.OnGpsCommEvent(2);
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Framing Error"));
        link.OnGpsCommEvent(4242);
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Unknown error or event"));
        QVERIFY(link.Busy());
        QVERIFY(io.open);
    }

    void trackTransferTexts() {
        TempLogbook log;
        for (int round = 0; round < 2; ++round) {
            LogbookTrackStorage storage(log.Db());
            FakeLinkIo io;
            GpsLink link(io);
            QVERIFY(link.RequestGpsTracks(&storage));
            Identify(link, io);
            QCOMPARE(io.status, QStringLiteral("Requesting Track Records"));
            link.OnBytesReceived(Framed(garmin::PidAck, Bytes({10, 0})) + RecordsFrame(122));
            link.OnBytesReceived(Framed(99, Bytes({1, 255, 0})) + TrackFrames(60, Day(2024, 5, 1, 10), 53.0));
            link.OnBytesReceived(Framed(99, Bytes({1, 255, 0})) + TrackFrames(60, Day(2024, 5, 2, 10), 54.0));
            QCOMPARE(io.status, round == 0 ? QStringLiteral("Receiving Track Records - 120")
                                           : QStringLiteral("Receiving Track Records - 120 (Repeat)"));
            QCOMPARE(io.CountWrites(kAckTrackPoint), 120);
            link.OnBytesReceived(CompleteFrame());
            QCOMPARE(io.status, round == 0 ? QStringLiteral("Received 120 Records [2 Added]")
                                           : QStringLiteral("Received 120 Records [0 Added]"));
            QCOMPARE(io.LastWrite(), FramePacket(MakeAck(garmin::PidTransferComplete)));
            QVERIFY(!io.open);
        }
        QCOMPARE(log.Count(QStringLiteral("TrackData")), 120);
        QCOMPARE(log.Count(QStringLiteral("Tracks")), 2);
    }

    // Counters and track numbers go past 32767.
    void countersAreNotSixteenBit() {
        FakeLinkIo io;
        GpsLink link(io);
        MemoryTrackSink storage;
        storage.nextTrackId = 70000;
        QVERIFY(link.RequestGpsTracks(&storage));
        Identify(link, io);
        QByteArray frames;
        for (int i = 0; i < 40000; ++i)
            frames += PointFrame(50 + (i % 1000) * 1e-4, 7, Day(2024, 5, 1) + i / 86400.0, i % 1000 == 0);
        link.OnBytesReceived(frames);
        QCOMPARE(link.RecordsReceived(), qint64(40000));
        QCOMPARE(link.Tracks().currentTrackId, qint64(70039));
        link.OnBytesReceived(CompleteFrame());
        QCOMPARE(io.status, QStringLiteral("Received 40000 Records [40 Added]"));
    }

    // With "Sync" the clock comes first, on a port opened without
    // identification, then the track log with identification, and the new
    // track is linked to the flight it overlaps. With "Sync" 0 no time request
    // is sent, the old offset stays, and no flight is linked; the track is
    // closed all the same.
    void download_data() {
        QTest::addColumn<bool>("sync");
        QTest::newRow("Sync 1") << true;
        QTest::newRow("Sync 0") << false;
    }
    void download() {
        QFETCH(bool, sync);
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12));
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        link.SetGpsTimeOffset(0.25);
        QVERIFY(link.DownloadGpsTracks(&storage, sync));
        if (sync) {
            QCOMPARE(io.writes, QList<QByteArray>{kTimeCommand});
            const QDateTime gps(QDate(2024, 5, 1), QTime(9, 0, 0));
            io.now = DayNumberFromDateTime(gps); // no offset
            link.OnBytesReceived(DateTimeFrame(gps));
            QCOMPARE(io.opens, 2);
        }
        Identify(link, io);
        QCOMPARE(io.LastWrite(), kTrackCommand);
        QCOMPARE(io.writes.count(kTimeCommand), sync ? 1 : 0);
        link.OnBytesReceived(TrackFrames(50, Day(2024, 5, 1, 11, 30), 53) + CompleteFrame());
        QVERIFY(!link.Busy());
        QCOMPARE(io.finished, (QList<QPair<GpsCommand, bool>>{{GpsCommand::Download, true}}));
        QCOMPARE(link.GpsTimeOffset(), sync ? 0.0 : 0.25);
        QCOMPARE(log.Scalar(QStringLiteral("SELECT TimeOffset FROM Tracks")).toDouble(), sync ? 0.0 : 0.25);
        const QVariant logId = log.Scalar(QStringLiteral("SELECT LogID FROM Tracks"));
        QVERIFY(sync ? logId.toLongLong() == flight : logId.isNull());
        QVERIFY(std::fabs(log.Scalar(QStringLiteral("SELECT EndTime FROM Tracks")).toDouble() -
                          Day(2024, 5, 1, 11, 30, 49)) < 1e-8);
    }

    // Cancelling part way keeps what was stored, committed, and still closes
    // and links the new track; nothing after it is stored or answered.
    void cancelKeepsWhatWasStored() {
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12));
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(!link.Cancel());
        QVERIFY(link.DownloadGpsTracks(&storage, true));
        const QDateTime gps(QDate(2024, 5, 1), QTime(9, 0, 0));
        io.now = DayNumberFromDateTime(gps);
        link.OnBytesReceived(DateTimeFrame(gps));
        Identify(link, io);
        link.OnBytesReceived(RecordsFrame(12) + TrackFrames(5, Day(2024, 5, 1, 11), 53));
        QCOMPARE(link.Progress().received, 5);
        QCOMPARE(link.Progress().expected, 12);
        QVERIFY(link.Cancel());
        QCOMPARE(io.status, QStringLiteral("Transfer cancelled"));
        QVERIFY(!link.Busy());
        QVERIFY(!io.open);
        QCOMPARE(io.timerMs, -1);
        QCOMPARE(io.finished, (QList<QPair<GpsCommand, bool>>{{GpsCommand::Download, false}}));
        const qsizetype writes = io.writes.size();
        link.OnBytesReceived(TrackFrames(5, Day(2024, 5, 1, 11, 1), 53.5) + CompleteFrame());
        QCOMPARE(io.writes.size(), writes);
        LogbookDatabase second;
        QString error;
        QVERIFY(second.Open(log.Path(), &error));
        QCOMPARE(testlogbook::RowCount(second.Db(), QStringLiteral("TrackData")), 5);
        QCOMPARE(testlogbook::Scalar(second.Db(), QStringLiteral("SELECT LogID FROM Tracks")).toLongLong(),
                 flight);
        QVERIFY(
            std::fabs(
                testlogbook::Scalar(second.Db(), QStringLiteral("SELECT EndTime FROM Tracks")).toDouble() -
                Day(2024, 5, 1, 11, 0, 4)) < 1e-8);
    }

    // Without the receiver's clock the download stops: its tracks could not be linked.
    void downloadStopsWhenTheClockFails() {
        MemoryTrackSink storage;
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.DownloadGpsTracks(&storage, true));
        link.OnTimer();
        QCOMPARE(io.status, QStringLiteral("ERROR - (GPS)Failed to get response"));
        QVERIFY(!link.Busy());
        QCOMPARE(io.opens, 1);
        QCOMPARE(io.finished, (QList<QPair<GpsCommand, bool>>{{GpsCommand::Download, false}}));
    }

    // A date the receiver cannot have ends the request without a message.
    void impossibleDateEndsQuietly() {
        FakeLinkIo io;
        GpsLink link(io);
        io.status = QStringLiteral("before");
        QVERIFY(link.RequestGpsTime(false));
        link.OnBytesReceived(Framed(garmin::PidDateTime, Bytes({13, 40, 0xE8, 0x07, 1, 0, 2, 3})));
        QCOMPARE(io.status, QStringLiteral("before"));
        QVERIFY(!link.Busy());
        QVERIFY(!io.open);
    }

    // A product reply repeated because our acknowledgement crossed it does
    // not end the request that follows identification.
    void repeatedProductReplyDuringRequest() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(true));
        Identify(link, io);
        link.OnBytesReceived(ProductFrame());
        QVERIFY(link.Busy());
        QVERIFY(io.open);
        QCOMPARE(io.LastWrite(), FramePacket(MakeAck(255)));
    }
};

QTEST_GUILESS_MAIN(TestGpsLink)
#include "tst_gpslink.moc"
