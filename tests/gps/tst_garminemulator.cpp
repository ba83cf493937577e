// The receiver emulator's device model on its own where the end-to-end
// downloads (tst_gpsendtoend) cannot show it: resends of packets the host
// does not acknowledge, and the line pacing the benchmarks compare against.

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
        if (auto f = d.Feed(static_cast<std::uint8_t>(c))) out.push_back(*f);
    return out;
}

} // namespace

class TestGarminEmulator : public QObject {
    Q_OBJECT
private slots:
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
