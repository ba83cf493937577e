// Framing and the byte-fed frame decoder: the link's byte vectors, DLE
// stuffing in size, data and checksum, resynchronisation after noise and cut
// frames, damage at every byte offset, and a real receiver capture.

#include "gpstesthelpers.h"

#include "gps/garminpacket.h"
#include "gps/gpsreplies.h"
#include "gps/gpsstatustext.h"

#include <QFile>
#include <QtTest>

using namespace soarnote;
using gpstest::Bytes;

namespace {

std::vector<GarminFrame> DecodeAll(GarminFrameDecoder& d, const QByteArray& stream) {
    std::vector<GarminFrame> frames;
    for (char c : stream)
        if (auto f = d.Feed(static_cast<std::uint8_t>(c))) frames.push_back(*f);
    return frames;
}

QByteArray CaptureBytes() {
    QFile f(QStringLiteral(SOARNOTE_TEST_DATA "/garmin/garmin18x-bin.log"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

} // namespace

class TestGarminFrame : public QObject {
    Q_OBJECT
private slots:
    void framesOnTheWire_data() {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("product request") << MakeProductRequest() << Bytes({16, 254, 0, 2, 16, 3});
        QTest::newRow("ack of a track point") << MakeAck(34) << Bytes({16, 6, 2, 34, 0, 214, 16, 3});
        QTest::newRow("track log command") << MakeCommandPacket(6) << Bytes({16, 10, 2, 6, 0, 238, 16, 3});
        QTest::newRow("nak") << MakeNak(34) << Bytes({16, 21, 2, 34, 0, 199, 16, 3});
        // size 16 -> DLE DLE; checksum: 256 - (1 + 16 + 16) = 223
        QTest::newRow("DLE as size") << MakePacket(1, QByteArray(16, '\0'))
                                     << (Bytes({16, 1, 16, 16}) + QByteArray(16, '\0') + Bytes({239, 16, 3}));
        QTest::newRow("DLE in data") << MakePacket(34, Bytes({16, 1}))
                                     << Bytes({16, 34, 2, 16, 16, 1, 203, 16, 3});
        // 240 + 0 = 240 -> checksum 16, doubled
        QTest::newRow("DLE as checksum") << MakePacket(240) << Bytes({16, 240, 0, 16, 16, 16, 3});
        QTest::newRow("DLE as ID") << MakePacket(16, Bytes({1})) << Bytes({16, 16, 16, 1, 1, 238, 16, 3});
    }
    void framesOnTheWire() {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, frame);
        QCOMPARE(FramePacket(packet), frame);
        // ...and read back, whole and one byte at a time.
        GarminFrameDecoder d;
        const auto frames = DecodeAll(d, frame);
        if (static_cast<std::uint8_t>(packet[0]) == garmin::DLE) {
            // An ID of DLE cannot be told from a stuffed byte; receivers never send one.
            QCOMPARE(frames.size(), size_t(0));
            return;
        }
        QCOMPARE(frames.size(), size_t(1));
        QCOMPARE(MakePacket(frames[0].id, frames[0].data), packet);
        QVERIFY(frames[0].checksumOk);
        QVERIFY(!d.InFrame());
    }

    void resynchronises_data() {
        QTest::addColumn<QByteArray>("before");
        const QByteArray cut = FramePacket(MakePacket(34, Bytes({1, 2, 3, 4, 5, 6})));
        QTest::newRow("noise") << Bytes({0, 0x55, 0xAA, 0xFE});
        QTest::newRow("end of a frame") << Bytes({7, 16, 3});
        QTest::newRow("stuffed DLE of a frame") << Bytes({9, 16, 16, 8});
        QTest::newRow("frame cut in its data") << cut.left(6);
        QTest::newRow("frame cut before its ETX") << cut.left(cut.size() - 1);
        QTest::newRow("bare DLE ETX") << Bytes({16, 3});
    }
    void resynchronises() {
        QFETCH(QByteArray, before);
        const QByteArray good = MakePacket(27, Bytes({100, 0}));
        GarminFrameDecoder d;
        const auto frames = DecodeAll(d, before + FramePacket(good) + FramePacket(good));
        // The first good frame may be lost to a cut frame before it; the second never is.
        QVERIFY(!frames.empty());
        QVERIFY(frames.size() <= 2);
        for (const auto& f : frames) {
            QVERIFY(f.checksumOk);
            QCOMPARE(MakePacket(f.id, f.data), good);
        }
    }

    // Damage one byte at every offset of a stream of three frames: no damaged
    // frame ever passes as sound, and the last frame always arrives.
    void damageAtEveryOffset() {
        const std::vector<QByteArray> packets = {
            MakePacket(99, Bytes({1, 255, 65, 0})),
            MakePacket(34, Bytes({16, 0, 0, 64, 16, 16, 0, 128, 1, 2, 3, 4, 1})),
            MakePacket(12, Bytes({6, 0}))};
        QByteArray stream;
        for (const auto& p : packets)
            stream += FramePacket(p);
        for (int offset = 0; offset < stream.size(); ++offset) {
            for (int flip : {0x01, 0x10, 0x13, 0xFF}) {
                QByteArray damaged = stream;
                damaged[offset] = static_cast<char>(damaged[offset] ^ flip);
                GarminFrameDecoder d;
                const auto frames = DecodeAll(d, damaged + FramePacket(packets.back()));
                bool lastSeen = false;
                for (const auto& f : frames) {
                    if (!f.checksumOk) continue;
                    const QByteArray got = MakePacket(f.id, f.data);
                    const bool known = std::find(packets.begin(), packets.end(), got) != packets.end();
                    if (!known) {
                        // A flip that turns a byte into DLE can only shift
                        // framing; whatever it yields must fail its checksum
                        // or be one of the frames sent.
                        QFAIL(qPrintable(QStringLiteral("damaged frame passed at offset %1 flip %2")
                                             .arg(offset)
                                             .arg(flip)));
                    }
                    lastSeen = lastSeen || got == packets.back();
                }
                QVERIFY2(lastSeen, qPrintable(QStringLiteral("offset %1 flip %2").arg(offset).arg(flip)));
            }
        }
    }

    // A real receiver's capture, fed byte by byte, in pieces and whole. Its
    // position packets read as San Antonio, TX (the log's own note:
    // 29.445570713 N, 98.606643073 W).
    void realCapture() {
        const QByteArray capture = CaptureBytes();
        QVERIFY2(!capture.isEmpty(), "tests/data/garmin/garmin18x-bin.log is missing");
        for (int chunk : {1, 7, int(capture.size())}) {
            GarminFrameDecoder d;
            std::vector<GarminFrame> frames;
            for (int i = 0; i < capture.size(); i += chunk)
                for (char c : capture.mid(i, chunk))
                    if (auto f = d.Feed(static_cast<std::uint8_t>(c))) frames.push_back(*f);
            int pvt = 0, satellites = 0;
            for (const auto& f : frames) {
                QVERIFY(f.checksumOk);
                satellites += f.id == 0x72;
                if (f.id != garmin::PidPvt) continue;
                ++pvt;
                const ReplyBuffer b(f);
                const auto pos = RadianPosition(b, 26);
                QVERIFY(pos && std::fabs(pos->lat - 29.44557) < 0.001 &&
                        std::fabs(pos->lng + 98.60664) < 0.001);
                const auto record = DecodePvt(b);
                QVERIFY(record);
                GpsStatusEvent event;
                event.kind = GpsStatus::Pvt;
                event.height = record->height;
                event.position = record->position;
                const QString text = GpsStatusText(event);
                QVERIFY(text.startsWith(QStringLiteral("Height: ")));
                QVERIFY2(text.contains(QStringLiteral(" Position: 29.44")) &&
                             text.contains(QStringLiteral(", -98.606")),
                         qPrintable(text));
            }
            QCOMPARE(pvt, 29);
            QCOMPARE(satellites, 29);
            QCOMPARE(int(frames.size()), 58);
        }
    }
};

QTEST_GUILESS_MAIN(TestGarminFrame)
#include "tst_garminframe.moc"
