// The receiver emulator's device model on its own: replies, stop-and-wait,
// resends, faults and line pacing.

#include "garminemulator.h"

#include "gps/garminpacket.h"

#include <QtTest>

using namespace soarnote;
using namespace soarnote::emu;

namespace {

std::vector<GarminFrame> Frames(const QByteArray& bytes) {
    GarminFrameDecoder d;
    std::vector<GarminFrame> out;
    for (char c : bytes)
        if (auto f = d.Feed(static_cast<std::uint8_t>(c)))
            out.push_back(*f);
    return out;
}

QByteArray Ack(std::uint8_t id) { return FramePacket(MakeAck(id)); }

// Acknowledges every data packet until the emulator stops sending; returns the IDs seen.
std::vector<int> RunTransfer(GarminEmulator& e, std::int64_t& now) {
    std::vector<int> ids;
    for (int guard = 0; guard < 10000; ++guard) {
        e.Tick(now);
        const QByteArray out = e.TakeOutput(now);
        bool any = false;
        for (const GarminFrame& f : Frames(out)) {
            if (f.id == garmin::PidAck || f.id == garmin::PidNak)
                continue;
            ids.push_back(f.id);
            any = true;
            e.Receive(Ack(f.id), now);
        }
        if (!any) {
            const std::int64_t next = e.NextDeadlineUs();
            if (next < 0)
                break;
            now = std::max(now + 1, next);
        }
    }
    return ids;
}

} // namespace

class TestGarminEmulator : public QObject {
    Q_OBJECT
private slots:
    void identification() {
        EmulatorConfig c;
        c.sendExtendedProduct = true;
        GarminEmulator e(c);
        std::int64_t now = 0;
        e.Receive(FramePacket(MakeProductRequest()), now);
        const auto first = Frames(e.TakeOutput(now));
        QCOMPARE(first.size(), size_t(2));
        QCOMPARE(first[0].id, std::uint8_t(garmin::PidAck));
        QCOMPARE(first[1].id, std::uint8_t(garmin::PidProductData));
        e.Receive(Ack(255), now);
        QVERIFY(e.TakeOutput(now).isEmpty());
        // Capabilities follow shortly after the product data is acknowledged.
        QCOMPARE(e.NextDeadlineUs(), 50000);
        now = 50000;
        e.Tick(now);
        const auto later = Frames(e.TakeOutput(now));
        QCOMPARE(later.size(), size_t(1));
        QCOMPARE(later[0].id, std::uint8_t(garmin::PidExtProductData));
        e.Receive(Ack(248), now);
        QCOMPARE(Frames(e.TakeOutput(now))[0].id, std::uint8_t(garmin::PidProtocolArray));
    }

    void trackLog() {
        EmulatorConfig c;
        c.points = SyntheticTracks(2, 3, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
        GarminEmulator e(c);
        std::int64_t now = 0;
        e.Receive(FramePacket(MakeCommandPacket(6)), now);
        const std::vector<int> ids = RunTransfer(e, now);
        QCOMPARE(ids, (std::vector<int>{27, 99, 34, 34, 34, 99, 34, 34, 34, 12}));
        QCOMPARE(e.Stats().pointsSent, std::uint64_t(6));
        QCOMPARE(e.Stats().resends, std::uint64_t(0));
    }

    void nakAndMissingAckResend() {
        EmulatorConfig c;
        c.resendTimeoutMs = 100;
        c.resendLimit = 2;
        GarminEmulator e(c);
        std::int64_t now = 0;
        e.Receive(FramePacket(MakeCommandPacket(5)), now);
        QCOMPARE(Frames(e.TakeOutput(now)).size(), size_t(2));
        e.Receive(FramePacket(MakeNak(14)), now);
        QCOMPARE(Frames(e.TakeOutput(now))[0].id, std::uint8_t(garmin::PidDateTime));
        // No ACK: resent after the timeout until two resends are spent, then given up.
        now = e.NextDeadlineUs();
        e.Tick(now);
        QCOMPARE(Frames(e.TakeOutput(now)).size(), size_t(1));
        now = e.NextDeadlineUs();
        e.Tick(now);
        QVERIFY(e.TakeOutput(now).isEmpty());
        QCOMPARE(e.NextDeadlineUs(), -1);
        QCOMPARE(e.Stats().resends, std::uint64_t(2));
        // A damaged host packet is answered with a NAK.
        QByteArray bad = FramePacket(MakeCommandPacket(2));
        bad[3] = 3;
        e.Receive(bad, now);
        QCOMPARE(Frames(e.TakeOutput(now))[0].id, std::uint8_t(garmin::PidNak));
    }

    void faults() {
        EmulatorConfig c;
        c.faults = {*ParseFault(QStringLiteral("corrupt@1"))};
        GarminEmulator e(c);
        e.Receive(FramePacket(MakeCommandPacket(5)), 0);
        const auto f = Frames(e.TakeOutput(0));
        QCOMPARE(f.size(), size_t(2));
        QVERIFY(f[0].checksumOk);
        QVERIFY(!f[1].checksumOk);
        e.Receive(FramePacket(MakeNak(14)), 0);
        QVERIFY(Frames(e.TakeOutput(0))[0].checksumOk);

        EmulatorConfig s;
        s.faults = {*ParseFault(QStringLiteral("stall@1"))};
        GarminEmulator stall(s);
        stall.Receive(FramePacket(MakeCommandPacket(5)), 0);
        const QByteArray half = stall.TakeOutput(0);
        QCOMPARE(Frames(half).size(), size_t(1)); // the ACK only
        stall.Receive(FramePacket(MakeNak(14)), 0);
        QVERIFY(stall.TakeOutput(0).isEmpty());

        EmulatorConfig v;
        v.faults = {*ParseFault(QStringLiteral("vanish@1"))};
        GarminEmulator vanish(v);
        vanish.Receive(FramePacket(MakeCommandPacket(5)), 0);
        QVERIFY(vanish.Vanished());

        EmulatorConfig q;
        q.faults = {*ParseFault(QStringLiteral("silence@0"))};
        GarminEmulator silent(q);
        silent.Receive(FramePacket(MakeProductRequest()), 0);
        QVERIFY(silent.TakeOutput(0).isEmpty());

        QVERIFY(!ParseFault(QStringLiteral("melt@3")));
        QVERIFY(!ParseFault(QStringLiteral("corrupt")));
    }

    // At 9600 baud a byte takes 10 bits: 1041 microseconds.
    void pacing() {
        EmulatorConfig c;
        c.baud = 9600;
        GarminEmulator e(c);
        const QByteArray cmd = FramePacket(MakeCommandPacket(5)); // 8 bytes
        e.Receive(cmd, 0);
        const std::int64_t arrives = 8 * 10'000'000LL / 9600;
        QVERIFY(e.TakeOutput(arrives - 1).isEmpty());
        e.Tick(arrives);
        // ACK (8 bytes), then the 14-byte date and time frame, back to back.
        QVERIFY(e.TakeOutput(arrives + 8 * 10'000'000LL / 9600 - 1).isEmpty());
        QCOMPARE(Frames(e.TakeOutput(arrives + 8 * 10'000'000LL / 9600)).size(), size_t(1));
        const QByteArray rest = e.TakeOutput(arrives + 30 * 10'000'000LL / 9600);
        QCOMPARE(Frames(rest)[0].id, std::uint8_t(garmin::PidDateTime));
        QCOMPARE(e.WireTimeUs(), (8 + 8 + rest.size()) * 10'000'000LL / 9600);
    }
};

QTEST_GUILESS_MAIN(TestGarminEmulator)
#include "tst_garminemulator.moc"
