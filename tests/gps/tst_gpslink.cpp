// The link state machine driven directly: requests and their endings, budgets,
// failures, line events, track transfers and downloads, cut at every byte.

#include "gpstesthelpers.h"
#include "memorysink.h"

#include "core/trackstore.h"
#include "garminemulator.h"
#include "gps/gpsreplies.h"

#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

const QByteArray kProductRequest = Bytes({16, 254, 0, 2, 16, 3});
const QByteArray kTrackCommand = Bytes({16, 10, 2, 6, 0, 238, 16, 3});
const QByteArray kTimeCommand = Bytes({16, 10, 2, 5, 0, 239, 16, 3});
const QByteArray kCapabilities = Framed(garmin::PidProtocolArray, Bytes({'P', 0, 0, 'L', 1, 0, 'A', 10, 0}));
const QString kNoResponse = QStringLiteral("ERROR - (GPS)Failed to get response");
const QString kUnknown = QStringLiteral("ERROR - (GPS)Unknown reply");
const QByteArray kDate = DateTimeFrame(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
const QString kDateText = QStringLiteral("Current Time: 2024-01-02 03:04:05");
constexpr int kNothing = -1, kTick = 3; // after the bytes: no step, the timer fires
using Chunks = QList<QByteArray>;

QByteArray Ack(int id) {
    return FramePacket(MakeAck(static_cast<std::uint8_t>(id)));
}
using Finished = QList<QPair<GpsCommand, bool>>;

// Points of one track, a second apart.
QByteArray TrackFrames(int count, double start, double lat) {
    QByteArray frames;
    for (int i = 0; i < count; ++i)
        frames += PointFrame(lat + i * 0.0001, -1.8 - i * 0.0001, start + i / 86400.0, i == 0);
    return frames;
}

// The receiver emulator's side of one whole download (identification,
// capabilities, record count, two tracks, transfer complete), recorded on a
// simulated clock.
struct Recording {
    QByteArray received;              // everything the receiver sent, in order
    std::vector<qsizetype> pointEnds; // offset just past each track point frame
    std::vector<emu::EmulatedPoint> points;
    QList<QPair<qint64, qint64>> progress; // as the link reported it
};

Recording Record() {
    Recording r;
    emu::EmulatorConfig config;
    config.points = emu::SyntheticTracks(2, 4, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    config.sendExtendedProduct = true;
    r.points = config.points;
    emu::GarminEmulator device(config);
    FakeLinkIo io;
    GpsLink link(io);
    MemoryTrackSink sink;
    link.DownloadGpsTracks(&sink, false);
    std::int64_t now = 0;
    qsizetype written = 0;
    for (int step = 0; step < 10000 && link.Busy(); ++step) {
        for (; written < io.writes.size(); ++written)
            device.Receive(io.writes[written], now);
        const std::int64_t next = device.NextDeadlineUs();
        if (next < 0) {
            io.timerMs = -1;
            link.OnTimer(); // the device has nothing more to say
            continue;
        }
        now = std::max(now, next);
        device.Tick(now);
        const QByteArray out = device.TakeOutput(now);
        r.received += out;
        link.OnBytesReceived(out);
    }
    GarminFrameDecoder decoder;
    for (qsizetype i = 0; i < r.received.size(); ++i)
        if (auto f = decoder.Feed(static_cast<std::uint8_t>(r.received[i]));
            f && f->id == garmin::PidTrackPoint)
            r.pointEnds.push_back(i + 1);
    r.progress = io.progress;
    return r;
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
    static void VerifyEnded(GpsLink& link, FakeLinkIo& io, const Finished& finished) {
        QVERIFY(!link.Busy());
        QVERIFY(!io.open);
        QCOMPARE(io.timerMs, -1);
        QCOMPARE(io.finished, finished);
    }

private slots:
    // One request from start to end: what the receiver sends, call by call,
    // then the timer firing or the user's answer to the unknown packet; what
    // the link wrote, its timer starts and the status line, text by text.
    // Bytes after the end belong to nobody.
    void requestEnds_data() {
        QTest::addColumn<int>("command"); // GpsCommand; a time request identifies first when negative
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<int>("then"); // kTick, kNothing or an UnknownPacketAnswer
        QTest::addColumn<Chunks>("writes");
        QTest::addColumn<int>("timerStarts"); // -1: any
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<bool>("ok");
        auto row = [](const char* name, GpsCommand command, bool identify, const Chunks& chunks, int then,
                      const Chunks& writes, int timerStarts, const QStringList& statuses, bool ok) {
            QTest::newRow(name) << (identify ? -1 : 1) * int(command) << chunks << then << writes
                                << timerStarts << statuses << ok;
        };
        const GpsCommand time = GpsCommand::Time;
        const QString product = QStringLiteral("GPS 12  ver: 3.1"), unknown = kUnknown;
        const QByteArray ack10 = Framed(garmin::PidAck, Bytes({10, 0}));
        row("product", GpsCommand::Product, false, {ProductFrame()}, kNothing, {kProductRequest, Ack(255)}, 1,
            {product}, true);
        // A product reply repeated because our acknowledgement crossed it does not end the request.
        row("identified, then the time", time, true,
            {ProductFrame(), kCapabilities, ProductFrame(), ack10 + kDate}, kNothing,
            {kProductRequest, Ack(255), Ack(253), kTimeCommand, Ack(255), Ack(14)}, -1, {product, kDateText},
            true);
        row("silent at identification", time, true, {}, kTick, {kProductRequest}, 1, {kNoResponse}, false);
        // Noise is no answer: the timer is not restarted.
        row("noise", time, false, {Bytes({0, 0x55, 0xAA, 0xFE})}, kTick, {kTimeCommand}, 1, {kNoResponse},
            false);
        row("ACK then silence", time, false, {ack10}, kTick, {kTimeCommand}, 2, {kNoResponse}, false);
        // Without the receiver's clock a download's tracks could not be linked.
        row("download's clock", GpsCommand::Download, false, {}, kTick, {kTimeCommand}, 1, {kNoResponse},
            false);
        row("NAK resent once", time, false, {Framed(garmin::PidNak, Bytes({10, 0}))}, kTick,
            {kTimeCommand, kTimeCommand}, 2, {kNoResponse}, false);
        row("packet stalls", time, false, {kDate.left(5)}, kTick, {kTimeCommand}, 2,
            {QStringLiteral("ERROR - (GPS)Receive timeout")}, false);
        // A date the receiver cannot have ends the request without a message.
        row("impossible date", time, false,
            {Framed(garmin::PidDateTime, Bytes({13, 40, 0xE8, 0x07, 1, 0, 2, 3}))}, kNothing,
            {kTimeCommand, Ack(14)}, 1, {}, false);
        // Packets real receivers send unasked, and screen lines: acknowledged, not unknown.
        QByteArray unasked;
        for (int id : {253, 248, 69, 99})
            unasked += Framed(static_cast<std::uint8_t>(id), Bytes({1, 2, 3, 4}));
        row("unasked packets", time, false, {unasked}, kTick,
            {kTimeCommand, Ack(253), Ack(248), Ack(69), Ack(99)}, 2, {kNoResponse}, false);
        // The reply that arrives while the user is asked waits for the answer.
        const Chunks asked{Framed(0x72, Bytes({1, 2, 0xAB})) + kDate.left(4), kDate.mid(4)};
        row("unknown, abort", time, false, asked, int(UnknownPacketAnswer::Abort), {kTimeCommand, Ack(0x72)},
            1, {unknown}, false);
        for (auto answer : {UnknownPacketAnswer::Retry, UnknownPacketAnswer::Ignore})
            row(answer == UnknownPacketAnswer::Retry ? "unknown, retry" : "unknown, ignore", time, false,
                asked, int(answer), {kTimeCommand, Ack(0x72), Ack(14)}, 1, {unknown, kDateText}, true);
    }
    void requestEnds() {
        QFETCH(int, command);
        QFETCH(Chunks, chunks);
        QFETCH(int, then);
        QFETCH(Chunks, writes);
        QFETCH(int, timerStarts);
        QFETCH(QStringList, statuses);
        QFETCH(bool, ok);
        FakeLinkIo io;
        GpsLink link(io);
        MemoryTrackSink sink;
        const auto what = GpsCommand(std::abs(command));
        QVERIFY(what == GpsCommand::Download  ? link.DownloadGpsTracks(&sink, true)
                : what == GpsCommand::Product ? link.RequestGpsProduct()
                                              : link.RequestGpsTime(command < 0));
        QCOMPARE(io.timerMs, 1000);
        for (const QByteArray& chunk : chunks)
            link.OnBytesReceived(chunk);
        QCOMPARE(io.questions.size(), then == kTick || then == kNothing ? 0 : 1);
        if (then == kTick) {
            io.timerMs = -1; // a single-shot timer that fired
            link.OnTimer();
        } else if (then != kNothing) {
            QVERIFY(io.questions[0].startsWith(QStringLiteral("ID: 72 Data: 1 2 AB ")));
            QCOMPARE(io.timerMs, -1); // no timeout while the user thinks
            link.AnswerUnknownPacket(static_cast<UnknownPacketAnswer>(then));
        }
        QCOMPARE(io.writes, writes);
        if (timerStarts >= 0) QCOMPARE(io.timerStarts, timerStarts);
        QCOMPARE(io.statusHistory, statuses);
        QCOMPARE(io.opens, 1);
        VerifyEnded(link, io, {{what, ok}});
        // The workstation's clock against the receiver's.
        QCOMPARE(link.GpsTimeOffset(),
                 statuses.contains(kDateText) ? io.now - Day(2024, 1, 2, 3, 4, 5) : 0.0);
        link.OnBytesReceived(ProductFrame() + kDate);
        QCOMPARE(io.writes, writes);
        QCOMPARE(io.statusHistory, statuses);
    }

    // While the receiver may still send its capability list, line noise does
    // not stretch the wait; an extended product reply does.
    void capabilityWait() {
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTime(true));
        link.OnBytesReceived(Framed(garmin::PidAck, Bytes({254, 0})) + ProductFrame());
        const int starts = io.timerStarts;
        QCOMPARE(io.timerMs, 300);
        link.OnBytesReceived(Bytes({0, 0x55, 0xAA}));
        QCOMPARE(io.timerStarts, starts);
        link.OnBytesReceived(Framed(garmin::PidExtProductData, Bytes({'x', 0})));
        QCOMPARE(io.timerStarts, starts + 1);
        io.timerMs = -1;
        link.OnTimer();
        QCOMPARE(io.writes.last(), kTimeCommand);
    }

    // A port that will not open, at the first or at the second opening of a
    // download, and a logbook that refuses a write part way: the command ends
    // as failed, once, with the port closed and the points before kept.
    void failuresEndTheCommand_data() {
        QTest::addColumn<int>("opensAllowed");
        QTest::addColumn<int>("failAt");
        QTest::addColumn<QString>("status");
        const QString refused = QStringLiteral("ERROR - (GPS) Unable to Open Connection: No such device");
        QTest::newRow("port refused") << 0 << 0 << refused;
        QTest::newRow("refused after the clock") << 1 << 0 << refused;
        QTest::newRow("logbook full") << 9 << 3 << QStringLiteral("ERROR - (GPS)disk full");
    }
    void failuresEndTheCommand() {
        QFETCH(int, opensAllowed);
        QFETCH(int, failAt);
        QFETCH(QString, status);
        FakeLinkIo io;
        io.opensAllowed = opensAllowed;
        GpsLink link(io);
        MemoryTrackSink sink;
        sink.failAt = failAt;
        QCOMPARE(link.DownloadGpsTracks(&sink, true), opensAllowed > 0);
        if (link.Busy()) link.OnBytesReceived(DateTimeFrame(QDateTime(QDate(2024, 5, 1), QTime(9, 0))));
        if (link.Busy()) {
            Identify(link, io);
            link.OnBytesReceived(TrackFrames(6, Day(2024, 5, 1, 10), 53) + CompleteFrame());
        }
        QCOMPARE(io.status, status);
        VerifyEnded(link, io, {{GpsCommand::Download, false}});
        QCOMPARE(int(sink.committed.size()), failAt);
        for (int i = 0; i < failAt; ++i)
            QVERIFY(std::fabs(sink.committed[i].lat - (53 + i * 0.0001)) < 1e-7);
    }

    // A line that only ever refuses or damages packets ends the transfer
    // within its budgets; the points acknowledged before stay stored.
    void endlessRefusalsEndTheTransfer_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>(
            "writes"); // resends and NAKs within the budgets, 3 resends and 32 damaged frames
        const QString damaged = QStringLiteral("ERROR - (GPS)Too many damaged packets");
        QTest::newRow("alternating NAK / bad checksum") << "nb" << damaged << 65;
        QTest::newRow("NAK only") << "n" << QStringLiteral("ERROR - (GPS)Too many resends") << 3;
        QTest::newRow("broken / bad checksum") << "xb" << damaged << 16;
    }
    void endlessRefusalsEndTheTransfer() {
        QFETCH(QString, pattern);
        QFETCH(QString, status);
        QFETCH(int, writes);
        TempLogbook log;
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(link.RequestGpsTracks(&storage));
        Identify(link, io);
        link.OnBytesReceived(TrackFrames(3, Day(2024, 5, 1, 10), 53));
        const QByteArray nak = Framed(garmin::PidNak, Bytes({6, 0}));
        const QByteArray point = PointFrame(53.1, -1.9, Day(2024, 5, 1, 11), false);
        QByteArray bad = point;
        bad[5] = static_cast<char>(bad[5] ^ 0x04);
        QByteArray flood;
        for (int i = 0; i < 10000; ++i) {
            const QChar c = pattern.at(i % pattern.size());
            flood += c == QLatin1Char('n') ? nak : c == QLatin1Char('b') ? bad : point.left(9);
        }
        const qsizetype writesBefore = io.writes.size();
        link.OnBytesReceived(flood);
        QCOMPARE(io.writes.size() - writesBefore, writes);
        QCOMPARE(io.status, status);
        VerifyEnded(link, io, {{GpsCommand::Tracks, false}});
        QVERIFY(std::fabs(log.Committed(QStringLiteral("SELECT SUM(LAT) FROM TrackData")).toDouble() -
                          (53 * 3 + 0.0003)) < 1e-6);
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
        QVERIFY(link.Busy() && io.open);
    }

    // Counters and track numbers go past 32767; the same log again is all repeats.
    void trackTransfer() {
        FakeLinkIo io;
        GpsLink link(io);
        MemoryTrackSink sink;
        sink.nextTrackId = 70000;
        QByteArray frames = RecordsFrame(40040);
        for (int i = 0; i < 40000; ++i) {
            if (i % 1000 == 0) frames += Framed(garmin::PidTrackHeader, Bytes({1, 255, 0}));
            frames += PointFrame(50 + (i % 1000) * 1e-4, 7, Day(2024, 5, 1) + i / 86400.0, i % 1000 == 0);
        }
        for (int round = 0; round < 2; ++round) {
            io.writes.clear();
            QVERIFY(link.RequestGpsTracks(&sink));
            Identify(link, io);
            QCOMPARE(io.status, QStringLiteral("Requesting Track Records"));
            link.OnBytesReceived(frames);
            QCOMPARE(io.status, QStringLiteral("Receiving Track Records - 40000") +
                                    (round == 0 ? QString() : QStringLiteral(" (Repeat)")));
            QCOMPARE(io.writes.count(Ack(garmin::PidTrackPoint)), 40000);
            link.OnBytesReceived(CompleteFrame());
            QCOMPARE(io.status, QStringLiteral("Received 40000 Records [%1 Added]").arg(round == 0 ? 40 : 0));
            QCOMPARE(io.LastWrite(), Ack(garmin::PidTransferComplete));
            QCOMPARE(link.Tracks().currentTrackId, qint64(70039));
        }
        VerifyEnded(link, io, {{GpsCommand::Tracks, true}, {GpsCommand::Tracks, true}});
        QCOMPARE(sink.committed.size(), size_t(40000));
    }

    // "Sync" 1: the clock first (no identification), then the track log, and
    // the track is linked; "Sync" 0: the old offset stays, nothing is linked,
    // the track is closed all the same; cancelled, what was stored stays.
    void download_data() {
        QTest::addColumn<bool>("sync");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Sync 1") << true << false;
        QTest::newRow("Sync 0") << false << false;
        QTest::newRow("cancelled") << true << true;
    }
    void download() {
        QFETCH(bool, sync);
        QFETCH(bool, cancel);
        TempLogbook log;
        const qint64 flight = log.AddFlight(Day(2024, 5, 1, 10), Day(2024, 5, 1, 12));
        LogbookTrackStorage storage(log.Db());
        FakeLinkIo io;
        GpsLink link(io);
        QVERIFY(!link.Cancel());
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
        const int points = cancel ? 5 : 50;
        if (cancel) {
            link.OnBytesReceived(RecordsFrame(12) + TrackFrames(5, Day(2024, 5, 1, 11, 30), 53));
            QCOMPARE(link.Progress().received, 5);
            QCOMPARE(link.Progress().expected, 12);
            QVERIFY(link.Cancel());
            QCOMPARE(io.status, QStringLiteral("Transfer cancelled"));
            const qsizetype writes = io.writes.size();
            link.OnBytesReceived(TrackFrames(5, Day(2024, 5, 1, 11, 31), 53.5) + CompleteFrame());
            QCOMPARE(io.writes.size(), writes);
        } else {
            link.OnBytesReceived(TrackFrames(50, Day(2024, 5, 1, 11, 30), 53) + CompleteFrame());
        }
        VerifyEnded(link, io, {{GpsCommand::Download, !cancel}});
        QCOMPARE(link.GpsTimeOffset(), sync ? 0.0 : 0.25);
        QCOMPARE(log.Committed(QStringLiteral("SELECT COUNT(*) FROM TrackData")).toInt(), points);
        QCOMPARE(log.Committed(QStringLiteral("SELECT TimeOffset FROM Tracks")).toDouble(),
                 sync ? 0.0 : 0.25);
        const QVariant logId = log.Committed(QStringLiteral("SELECT LogID FROM Tracks"));
        QVERIFY(sync ? logId.toLongLong() == flight : logId.isNull());
        QVERIFY(std::fabs(log.Committed(QStringLiteral("SELECT EndTime FROM Tracks")).toDouble() -
                          Day(2024, 5, 1, 11, 30, points - 1)) < 1e-8);
    }

    // The first k bytes of a whole download, then silence or a vanished port:
    // for every k the link ends cleanly, once, having stored exactly the
    // points whose frames arrived whole, as the receiver sent them.
    void cutAtEveryByte_data() {
        QTest::addColumn<bool>("vanish");
        QTest::newRow("then silence") << false;
        QTest::newRow("then the port vanishes") << true;
    }
    void cutAtEveryByte() {
        QFETCH(bool, vanish);
        static const Recording r = Record();
        QCOMPARE(r.pointEnds.size(), r.points.size()); // the recording is a whole download
        // Progress: nothing known, the count announced, then a step for each header and point.
        QList<QPair<qint64, qint64>> progress{{0, 0}, {0, 10}};
        for (qint64 n = 1; n <= 10; ++n)
            progress.append({n, 10});
        QCOMPARE(r.progress, progress);
        for (qsizetype k = 0; k <= r.received.size(); ++k) {
            FakeLinkIo io;
            GpsLink link(io);
            MemoryTrackSink sink;
            QVERIFY(link.DownloadGpsTracks(&sink, false));
            for (qsizetype i = 0; i < k && link.Busy(); ++i)
                link.OnBytesReceived(r.received.mid(i, 1));
            if (vanish && link.Busy()) {
                io.open = false;
                link.OnPortLost(QStringLiteral("Input/output error"));
            }
            for (int tick = 0; tick < 4 && link.Busy(); ++tick) {
                io.timerMs = -1; // a single-shot timer that fired
                link.OnTimer();
            }
            const QByteArray where = "cut after " + QByteArray::number(k) + " bytes";
            QVERIFY2(!link.Busy(), where);
            QVERIFY2(!io.open, where);
            QVERIFY2(io.timerMs == -1, where);
            QVERIFY2(sink.pending.empty(), where);
            QVERIFY2(io.finished.size() == 1, where);
            QVERIFY2(io.finished[0].first == GpsCommand::Download, where);
            QVERIFY2(io.finished[0].second == (k == r.received.size()), where);
            const auto whole = std::count_if(r.pointEnds.begin(), r.pointEnds.end(),
                                             [k](qsizetype end) { return end <= k; });
            QVERIFY2(qsizetype(sink.committed.size()) == whole, where);
            for (size_t i = 0; i < sink.committed.size(); ++i) {
                const StoredPoint& got = sink.committed[i];
                const emu::EmulatedPoint& sent = r.points[i];
                QVERIFY2(got.time == GarminTimeToDayNumber(sent.garminTime), where);
                QVERIFY2(std::fabs(got.lat - sent.lat) < 1e-7 && std::fabs(got.lng - sent.lng) < 1e-7, where);
                QVERIFY2(got.trackId == (i < 4 ? 1 : 2), where);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestGpsLink)
#include "tst_gpslink.moc"
