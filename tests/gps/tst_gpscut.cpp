// A real download cut at every byte. The receiver emulator's side of one
// whole download (identification, capabilities, record count, two tracks,
// transfer complete) is recorded once; then for each k the link is handed the
// first k bytes followed by silence or by a port that vanished. Whatever k,
// the link must end, close the port, leave nothing uncommitted, report one
// finished command, and have stored exactly the points whose frames arrived
// whole, with the values the receiver sent.

#include "gpstesthelpers.h"
#include "memorysink.h"

#include "garminemulator.h"
#include "gps/gpsreplies.h"

#include <QtTest>

using namespace soarnote;
using namespace gpstest;

namespace {

struct Recording {
    QByteArray received;              // everything the receiver sent, in order
    std::vector<qsizetype> pointEnds; // offset just past each track point frame
    std::vector<emu::EmulatedPoint> points;
};

// Runs the link against the emulator on a simulated clock.
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
    return r;
}

} // namespace

class TestGpsCut : public QObject {
    Q_OBJECT
private slots:
    void cutAtEveryByte_data() {
        QTest::addColumn<bool>("vanish");
        QTest::newRow("then silence") << false;
        QTest::newRow("then the port vanishes") << true;
    }
    void cutAtEveryByte() {
        QFETCH(bool, vanish);
        static const Recording r = Record();
        QCOMPARE(r.pointEnds.size(), r.points.size()); // the recording is a whole download
        qInfo("cut after each of %lld bytes", static_cast<long long>(r.received.size()));
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

QTEST_GUILESS_MAIN(TestGpsCut)
#include "tst_gpscut.moc"
