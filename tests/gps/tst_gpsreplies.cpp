// Decoding the receiver's replies and the texts shown for them; the port
// settings; the line events; UTF-16 track files read in pieces.

#include "gpstesthelpers.h"

#include "gps/gpslink.h"
#include "gps/gpsportsettings.h"
#include "gps/gpsreplies.h"
#include "gps/gpsstatustext.h"
#include "gps/linecounters.h"
#include "gps/waypointplusreader.h"
#include "settings/settingsstore.h"

#include <QtTest>
#include <bit>
#include <cstring>

using namespace soarnote;
using namespace gpstest;

namespace {

GarminFrame Frame(std::uint8_t id, const QByteArray& data) {
    GarminFrame f;
    f.id = id;
    f.data = data;
    f.checksum = PacketChecksum(MakePacket(id, data));
    return f;
}

void PutDouble(QByteArray& b, double v) {
    std::uint64_t raw;
    std::memcpy(&raw, &v, 8);
    for (int i = 0; i < 8; ++i)
        b.append(static_cast<char>((raw >> (8 * i)) & 0xFF));
}

} // namespace

class TestGpsReplies : public QObject {
    Q_OBJECT
private slots:
    void garminTime_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("epoch") << 0 << QDateTime(QDate(1989, 12, 31), QTime(0, 0, 0));
        QTest::newRow("before the epoch") << -3600 << QDateTime(QDate(1989, 12, 30), QTime(23, 0, 0));
        QTest::newRow("2024 flight") << 1083492000 << QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0));
    }
    void garminTime() {
        QFETCH(int, seconds);
        QFETCH(QDateTime, expected);
        QCOMPARE(DateTimeFromDayNumber(GarminTimeToDayNumber(seconds)), expected);
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
            QVERIFY(std::fabs(p->position.lat - 45) < 1e-9);
            QVERIFY(std::fabs(p->position.lng + 45) < 1e-9);
            QCOMPARE(p->time, kGarminEpochDay + 1);
            if (hasHeight)
                QCOMPARE(p->height, double(altitude));
            else
                QVERIFY(std::isnan(p->height));
        }
        QVERIFY(!DecodeTrackPoint(ReplyBuffer(Frame(34, d.left(12)))));
    }

    void productText_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("id");
        QTest::newRow("3.10") << (Bytes({17, 0, 0x36, 1}) + QByteArray("GPS 12XL\0", 9))
                              << "GPS 12XL  ver: 3.1" << 17;
        QTest::newRow("2.50") << (Bytes({130, 0, 250, 0}) + QByteArray("eTrex\0Extra\0", 12))
                              << "eTrex  ver: 2.5" << 130;
        // Without a terminating zero the text stops short of the buffer's end.
        QTest::newRow("unterminated")
            << (Bytes({1, 0, 100, 0}) + QByteArray("ABCDEF")) << "ABCDE  ver: 1" << 1;
    }
    void productText() {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QFETCH(int, id);
        const auto product = DecodeProductData(ReplyBuffer(Frame(255, data)));
        QVERIFY(product);
        GpsStatusEvent event;
        event.kind = GpsStatus::Product;
        event.product = *product;
        QCOMPARE(GpsStatusText(event), text);
        QCOMPARE(product->productId, id);
    }

    void dateTime() {
        // 30 June 2024 14:05:09
        const QByteArray d = Bytes({6, 30, 0xE8, 0x07, 14, 0, 5, 9});
        const auto t = DecodeDateTime(ReplyBuffer(Frame(14, d)));
        QVERIFY(t);
        QCOMPARE(DateTimeFromDayNumber(*t), QDateTime(QDate(2024, 6, 30), QTime(14, 5, 9)));
        GpsStatusEvent event;
        event.kind = GpsStatus::CurrentTime;
        event.time = *t;
        QCOMPARE(GpsStatusText(event), QStringLiteral("Current Time: 2024-06-30 14:05:09"));
        QVERIFY(!DecodeDateTime(ReplyBuffer(Frame(14, Bytes({13, 30, 0xE8, 0x07, 14, 0, 5, 9})))));
        QVERIFY(!DecodeDateTime(ReplyBuffer(Frame(14, Bytes({2, 30, 0xE8, 0x07, 14, 0, 5, 9})))));
        QVERIFY(!DecodeDateTime(ReplyBuffer(Frame(14, Bytes({6, 30, 0xE8, 0x07, 24, 0, 5, 9})))));
    }

    void positionText() {
        QByteArray d;
        PutDouble(d, 0.931);
        PutDouble(d, -0.0316);
        const auto p = RadianPosition(ReplyBuffer(Frame(17, d)), 0);
        QVERIFY(p);
        // The receiver's factor, not 180/pi.
        QCOMPARE(p->lat, 0.931 * 57.2957786666666);
        GpsStatusEvent event;
        event.kind = GpsStatus::CurrentPosition;
        event.position = *p;
        QCOMPARE(GpsStatusText(event), QStringLiteral("Current position: 53.34236994, -1.81054661"));
    }

    void unknownPacketText() {
        // Data 01 02 AB, checksum, trailing DLE: the first size + 3 rounded to even bytes.
        const GarminFrame f = Frame(0x72, Bytes({1, 2, 0xAB}));
        QCOMPARE(
            UnknownPacketText(ReplyBuffer(f), 0x72),
            QStringLiteral("ID: 72 Data: 1 2 AB %1 10 0 ").arg(QString::number(f.checksum, 16).toUpper()));
        const GarminFrame g = Frame(0x1F, Bytes({0, 16}));
        QCOMPARE(UnknownPacketText(ReplyBuffer(g), 0x1F),
                 QStringLiteral("ID: 1F Data: 0 10 %1 10 ").arg(QString::number(g.checksum, 16).toUpper()));
    }

    // A field is read while it lies inside data, checksum, DLE and the zero
    // byte, and refused once it reaches one byte past them: a short reply never
    // gives a value made of memory beyond the packet.
    void shortReplyBounds_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("pos");
        QTest::addColumn<bool>("read");
        // Five data bytes: eight bytes in the buffer.
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
        const ReplyBuffer b(Frame(0x22, Bytes({1, 2, 3, 4, 5})));
        QCOMPARE(b.Bytes().size(), 8);
        const bool got = width == 2   ? b.Int16(pos).has_value()
                         : width == 4 ? b.Int32(pos).has_value() && b.Float32(pos).has_value()
                                      : b.Float64(pos).has_value();
        QCOMPARE(got, read);
        if (width == 2 && read) QCOMPARE(*b.Int16(pos), std::int16_t(0x0010)); // DLE, then the zero byte
    }

    // A UTF-16 file read in two pieces cut at every byte: a character
    // outside the basic plane (two units) comes out whole in the unreadable
    // line, whether the cut falls inside a unit or between the pair's units.
    void utf16CutAtEveryByte_data() {
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("UTF-16LE") << false;
        QTest::newRow("UTF-16BE") << true;
    }
    void utf16CutAtEveryByte() {
        QFETCH(bool, bigEndian);
        const QString bad =
            QStringLiteral("TP,D,45.8,11.7,04/15/2019,08:31:45,") + QString::fromUcs4(U"\U0001F600");
        const QString text =
            QStringLiteral("TP,D,45.8,11.7,04/15/2019,08:31:44,1\r\n") + bad + QStringLiteral("\r\n");
        QByteArray file = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (QChar c : text) {
            const char high = static_cast<char>(c.unicode() >> 8),
                       low = static_cast<char>(c.unicode() & 0xFF);
            file.append(bigEndian ? high : low).append(bigEndian ? low : high);
        }
        for (qsizetype cut = 0; cut <= file.size(); ++cut) {
            WaypointPlusReader reader;
            reader.Feed(QByteArrayView(file).first(cut));
            reader.Feed(QByteArrayView(file).sliced(cut));
            reader.Finish();
            QCOMPARE(reader.TakePoints().size(), size_t(1));
            QCOMPARE(reader.Problem(), WaypointPlusProblem::BadFlag);
            QCOMPARE(QString::fromUtf8(reader.ProblemText()), bad);
        }
    }

    void portSettingsFromTheStore() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
        SerialSettings s = ReadGpsPortSettings(store);
        QCOMPARE(s.device, QStringLiteral("/dev/ttyS1"));
        QCOMPARE(s.SettingsString(), QStringLiteral("9600,N,8,1"));
        store.Write(QStringLiteral("gps"), QStringLiteral("port"), QStringLiteral("COM3"));
        store.Write(QStringLiteral("GPS"), QStringLiteral("Speed"), QStringLiteral("4800"));
        store.Write(QStringLiteral("GPS"), QStringLiteral("Parity"), QStringLiteral("EVEN"));
        s = ReadGpsPortSettings(store);
        QCOMPARE(s.device, QStringLiteral("/dev/ttyS2"));
        QCOMPARE(s.SettingsString(), QStringLiteral("4800,E,8,1"));
    }

    void lineCounters() {
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

QTEST_GUILESS_MAIN(TestGpsReplies)
#include "tst_gpsreplies.moc"
