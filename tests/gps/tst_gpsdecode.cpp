// Framing, the byte-fed frame decoder and the reply decoders: the link's
// byte vectors, DLE stuffing, resynchronisation, damage at every byte, a real
// receiver capture, the reply layouts and their texts, short replies, the
// port settings and the line events.

#include "gpstesthelpers.h"

#include "gps/gpsportsettings.h"
#include "gps/gpsreplies.h"
#include "gps/linecounters.h"
#include "settings/settingsstore.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>
#include <bit>

using namespace soarnote;
using namespace gpstest;

namespace {

std::vector<GarminFrame> DecodeAll(const QByteArray& stream, int chunk = 1, bool* inFrame = nullptr) {
    GarminFrameDecoder d;
    std::vector<GarminFrame> frames;
    for (int i = 0; i < stream.size(); i += chunk)
        for (char c : stream.mid(i, chunk))
            if (auto f = d.Feed(static_cast<std::uint8_t>(c))) frames.push_back(*f);
    if (inFrame) *inFrame = d.InFrame();
    return frames;
}

GarminFrame Frame(std::uint8_t id, const QByteArray& data) {
    GarminFrame f;
    f.id = id;
    f.data = data;
    f.checksum = PacketChecksum(MakePacket(id, data));
    return f;
}

QString EventText(GpsStatusEvent event, GpsStatus kind) {
    event.kind = kind;
    return GpsStatusText(event);
}

} // namespace

class TestGpsDecode : public QObject {
    Q_OBJECT
private slots:
    void framesOnTheWire_data() {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("product request") << MakeProductRequest() << Bytes({16, 254, 0, 2, 16, 3});
        QTest::newRow("ack of a track point") << MakeAck(34) << Bytes({16, 6, 2, 34, 0, 214, 16, 3});
        QTest::newRow("track log command") << MakeCommandPacket(6) << Bytes({16, 10, 2, 6, 0, 238, 16, 3});
        QTest::newRow("nak") << MakeNak(34) << Bytes({16, 21, 2, 34, 0, 199, 16, 3});
        QTest::newRow("DLE as size") << MakePacket(1, QByteArray(16, '\0'))
                                     << (Bytes({16, 1, 16, 16}) + QByteArray(16, '\0') + Bytes({239, 16, 3}));
        QTest::newRow("DLE in data") << MakePacket(34, Bytes({16, 1}))
                                     << Bytes({16, 34, 2, 16, 16, 1, 203, 16, 3});
        QTest::newRow("DLE as checksum") << MakePacket(240) << Bytes({16, 240, 0, 16, 16, 16, 3});
        QTest::newRow("DLE as ID") << MakePacket(16, Bytes({1})) << Bytes({16, 16, 16, 1, 1, 238, 16, 3});
    }
    void framesOnTheWire() {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, frame);
        QCOMPARE(FramePacket(packet), frame);
        bool inFrame = true;
        const auto frames = DecodeAll(frame, 1, &inFrame);
        QVERIFY(!inFrame);
        // An ID of DLE cannot be told from a stuffed byte; receivers never send one.
        QCOMPARE(frames.size(), size_t(static_cast<std::uint8_t>(packet[0]) == garmin::DLE ? 0 : 1));
        for (const auto& f : frames) {
            QCOMPARE(MakePacket(f.id, f.data), packet);
            QVERIFY(f.checksumOk);
        }
    }

    // No damaged frame ever passes as sound, and after damage at any byte, or
    // noise, or a cut frame, the next whole frame always arrives.
    void damageAtEveryOffset() {
        const std::vector<QByteArray> packets = {
            MakePacket(99, Bytes({1, 255, 65, 0})),
            MakePacket(34, Bytes({16, 0, 0, 64, 16, 16, 0, 128, 1, 2, 3, 4, 1})),
            MakePacket(12, Bytes({6, 0}))};
        QByteArray stream;
        for (const auto& p : packets)
            stream += FramePacket(p);
        std::vector<QByteArray> damaged;
        for (int offset = 0; offset < stream.size(); ++offset)
            for (int flip : {0x01, 0x10, 0x13, 0xFF}) {
                damaged.push_back(stream);
                damaged.back()[offset] = static_cast<char>(stream[offset] ^ flip);
            }
        const QByteArray cut = FramePacket(packets[1]);
        for (const QByteArray& before : {Bytes({0, 0x55, 0xAA, 0xFE}), Bytes({7, 16, 3}),
                                         Bytes({9, 16, 16, 8}), cut.left(6), cut.chopped(1), Bytes({16, 3})})
            damaged.push_back(before + FramePacket(packets.back())); // that first frame may be lost
        for (const QByteArray& bytes : damaged) {
            bool lastSeen = false;
            for (const auto& f : DecodeAll(bytes + FramePacket(packets.back()))) {
                if (!f.checksumOk) continue;
                const QByteArray got = MakePacket(f.id, f.data);
                QVERIFY2(std::find(packets.begin(), packets.end(), got) != packets.end(),
                         bytes.toHex().constData());
                lastSeen = lastSeen || got == packets.back();
            }
            QVERIFY2(lastSeen, bytes.toHex().constData());
        }
    }

    // A real receiver's capture; its position packets read as San Antonio, TX
    // (the log's own note: 29.445570713 N, 98.606643073 W).
    void realCapture() {
        QFile file(QStringLiteral(SOARNOTE_TEST_DATA "/garmin/garmin18x-bin.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray capture = file.readAll();
        for (int chunk : {1, 7, int(capture.size())}) {
            const auto frames = DecodeAll(capture, chunk);
            int pvt = 0, satellites = 0;
            for (const auto& f : frames) {
                QVERIFY(f.checksumOk);
                satellites += f.id == 0x72;
                if (f.id != garmin::PidPvt) continue;
                ++pvt;
                const auto record = DecodePvt(ReplyBuffer(f));
                QVERIFY(record);
                QVERIFY(std::fabs(record->position.lat - 29.44557) < 0.001 &&
                        std::fabs(record->position.lng + 98.60664) < 0.001);
                GpsStatusEvent event;
                event.height = record->height;
                event.position = record->position;
                const QString text = EventText(event, GpsStatus::Pvt);
                QVERIFY2(text.startsWith(QStringLiteral("Height: ")) &&
                             text.contains(QStringLiteral(" Position: 29.44")) &&
                             text.contains(QStringLiteral(", -98.606")),
                         qPrintable(text));
            }
            QCOMPARE(pvt, 29);
            QCOMPARE(satellites, 29);
            QCOMPARE(int(frames.size()), 58);
        }
    }

    // The flag sits at byte 12 of the 13-byte layout and byte 20 of the 21-byte
    // one, which has the altitude at byte 12 (1.0e25 when unknown).
    void trackPointLayouts_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("flagAt");
        QTest::addColumn<float>("altitude");
        QTest::addColumn<bool>("hasHeight");
        QTest::newRow("D300, 13 bytes") << 13 << 12 << 0.0f << false;
        QTest::newRow("D301, 21 bytes") << 21 << 20 << 1234.5f << true;
        QTest::newRow("D301, unknown altitude") << 21 << 20 << 1.0e25f << false;
        QTest::newRow("D302, 25 bytes") << 25 << 20 << -12.25f << true;
    }
    void trackPointLayouts() {
        QFETCH(int, size);
        QFETCH(int, flagAt);
        QFETCH(float, altitude);
        QFETCH(bool, hasHeight);
        QByteArray d;
        Put32(d, 1073741824 / 2);
        Put32(d, -536870912);
        Put32(d, 86400);
        if (size > 13) Put32(d, static_cast<qint32>(std::bit_cast<quint32>(altitude)));
        d.append(QByteArray(size - d.size(), '\0'));
        for (bool flag : {false, true}) {
            d[flagAt] = flag ? 1 : 0;
            const auto p = DecodeTrackPoint(ReplyBuffer(Frame(34, d)));
            QVERIFY(p);
            QCOMPARE(p->newTrack, flag);
            QVERIFY(std::fabs(p->position.lat - 45) < 1e-9 && std::fabs(p->position.lng + 45) < 1e-9);
            QCOMPARE(p->time, kGarminEpochDay + 1);
            QVERIFY(hasHeight ? p->height == double(altitude) : std::isnan(p->height));
        }
        QVERIFY(!DecodeTrackPoint(ReplyBuffer(Frame(34, d.left(12)))));
    }

    void replyTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text"); // empty: refused
        QTest::newRow("product 3.10")
            << 255 << (Bytes({17, 0, 0x36, 1}) + QByteArray("GPS 12XL\0", 9)) << "GPS 12XL  ver: 3.1";
        QTest::newRow("product 2.50, two texts")
            << 255 << (Bytes({130, 0, 250, 0}) + QByteArray("eTrex\0Extra\0", 12)) << "eTrex  ver: 2.5";
        // Without a terminating zero the text stops short of the buffer's end.
        QTest::newRow("product unterminated")
            << 255 << (Bytes({1, 0, 100, 0}) + QByteArray("ABCDEF")) << "ABCDE  ver: 1";
        QTest::newRow("30 June 2024 14:05:09")
            << 14 << Bytes({6, 30, 0xE8, 0x07, 14, 0, 5, 9}) << "Current Time: 2024-06-30 14:05:09";
        QTest::newRow("month 13") << 14 << Bytes({13, 30, 0xE8, 0x07, 14, 0, 5, 9}) << "";
        QTest::newRow("30 February") << 14 << Bytes({2, 30, 0xE8, 0x07, 14, 0, 5, 9}) << "";
        QTest::newRow("hour 24") << 14 << Bytes({6, 30, 0xE8, 0x07, 24, 0, 5, 9}) << "";
        QByteArray position;
        for (double radians : {0.931, -0.0316}) {
            const quint64 raw = qToLittleEndian(std::bit_cast<quint64>(radians));
            position.append(reinterpret_cast<const char*>(&raw), 8);
        }
        // The receiver's factor, not 180/pi.
        QTest::newRow("position") << 17 << position << "Current position: 53.34236994, -1.81054661";
    }
    void replyTexts() {
        QFETCH(int, id);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        const ReplyBuffer b(Frame(static_cast<std::uint8_t>(id), data));
        GpsStatusEvent event;
        if (id == 255) {
            const auto product = DecodeProductData(b);
            QVERIFY(product);
            QCOMPARE(product->productId, int(quint8(data[0])));
            event.product = *product;
            QCOMPARE(EventText(event, GpsStatus::Product), text);
        } else if (id == 14) {
            const auto t = DecodeDateTime(b);
            QCOMPARE(t.has_value(), !text.isEmpty());
            if (t) event.time = *t;
            if (t) QCOMPARE(EventText(event, GpsStatus::CurrentTime), text);
        } else {
            const auto p = RadianPosition(b, 0);
            QVERIFY(p);
            QCOMPARE(p->lat, 0.931 * 57.2957786666666);
            event.position = *p;
            QCOMPARE(EventText(event, GpsStatus::CurrentPosition), text);
        }
    }

    // Data, checksum, trailing DLE: the first size + 3 bytes rounded to even.
    void unknownPacketText() {
        const GarminFrame f = Frame(0x72, Bytes({1, 2, 0xAB}));
        const QString sum = QString::number(f.checksum, 16).toUpper();
        QCOMPARE(UnknownPacketText(ReplyBuffer(f), 0x72),
                 QStringLiteral("ID: 72 Data: 1 2 AB %1 10 0 ").arg(sum));
        const GarminFrame g = Frame(0x1F, Bytes({0, 16}));
        QCOMPARE(UnknownPacketText(ReplyBuffer(g), 0x1F),
                 QStringLiteral("ID: 1F Data: 0 10 %1 10 ").arg(QString::number(g.checksum, 16).toUpper()));
    }

    // A field is read while it lies inside data, checksum, DLE and the zero
    // byte, and refused once it reaches one byte past them.
    void shortReplyBounds_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("pos");
        QTest::addColumn<bool>("read");
        QTest::newRow("int16 at the end") << 2 << 6 << true;
        QTest::newRow("int16 one past") << 2 << 7 << false;
        QTest::newRow("int32 at the end") << 4 << 4 << true;
        QTest::newRow("int32 one past") << 4 << 5 << false;
        QTest::newRow("double fills it") << 8 << 0 << true;
        QTest::newRow("double one past") << 8 << 1 << false;
        QTest::newRow("before the start") << 2 << -1 << false;
    }
    void shortReplyBounds() {
        QFETCH(int, width);
        QFETCH(int, pos);
        QFETCH(bool, read);
        const ReplyBuffer b(Frame(0x22, Bytes({1, 2, 3, 4, 5}))); // eight bytes in the buffer
        QCOMPARE(b.Bytes().size(), 8);
        const bool got = width == 2   ? b.Int16(pos).has_value()
                         : width == 4 ? b.Int32(pos).has_value() && b.Float32(pos).has_value()
                                      : b.Float64(pos).has_value();
        QCOMPARE(got, read);
        if (width == 2 && read) QCOMPARE(*b.Int16(pos), std::int16_t(0x0010)); // DLE, then the zero byte
    }

    void portSettingsAndLineEvents() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
        SerialSettings s = ReadGpsPortSettings(store);
        QCOMPARE(s.device + s.SettingsString(), QStringLiteral("/dev/ttyS19600,N,8,1"));
        store.Write(QStringLiteral("gps"), QStringLiteral("port"), QStringLiteral("COM3"));
        store.Write(QStringLiteral("GPS"), QStringLiteral("Speed"), QStringLiteral("4800"));
        store.Write(QStringLiteral("GPS"), QStringLiteral("Parity"), QStringLiteral("EVEN"));
        s = ReadGpsPortSettings(store);
        QCOMPARE(s.device + s.SettingsString(), QStringLiteral("/dev/ttyS24800,E,8,1"));

        LineErrorCounts a, b;
        QVERIFY(LineEventsBetween(a, b).empty());
        b.frame = 2;
        b.parity = 1;
        b.brk = 5;
        b.overrun = 1;
        b.bufferOverrun = 3;
        QCOMPARE(LineEventsBetween(a, b), (std::vector<int>{1001, 1004, 1006, 1008, 1009}));
        QVERIFY(LineEventsBetween(b, b).empty());
    }
};

QTEST_GUILESS_MAIN(TestGpsDecode)
#include "tst_gpsdecode.moc"
