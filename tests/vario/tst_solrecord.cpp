// The byte decoders of the Sol link: log records, barograph stream pieces,
// two-digit years, the footer's five-minute rule, and the display-time
// offset.

#include "bytes.h"
#include "core/daynumber.h"
#include "vario/logrecord.h"
#include "vario/varioport.h"

#include <QtTest>

using namespace soarnote;

namespace {

// A log record with the given bytes set over a plain flight on 5 June 2024,
// 12:00 to 13:30.
QByteArray Record(std::initializer_list<std::pair<int, int>> bytes) {
    QByteArray r = QByteArray(16, '\0') + Bytes({12, 0, 13, 30, 5, 6, 24, 0});
    for (auto [at, value] : bytes)
        r[at] = static_cast<char>(value);
    return r;
}

double At(int y, int mo, int d, int h, int mi, int s = 0) {
    return DayNumber(QDate(y, mo, d), h, mi, s);
}

} // namespace

class TestSolRecord : public QObject {
    Q_OBJECT
private slots:
    void signMagnitude_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("value");
        QTest::newRow("0x05 0xDC is 1500") << 0x05 << 0xDC << 1500;
        QTest::newRow("0x81 0x2C is -300") << 0x81 << 0x2C << -300;
        QTest::newRow("0x80 0x19 is -25") << 0x80 << 0x19 << -25;
        QTest::newRow("minus zero") << 0x80 << 0 << 0;
        QTest::newRow("smallest") << 0xFF << 0xFF << -32767;
    }

    void signMagnitude() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(int, value);
        QCOMPARE(SignMagnitude(static_cast<quint8>(high), static_cast<quint8>(low)), value);
        // A barograph sample is the same two bytes.
        QCOMPARE(SampleHeight(Bytes({high, low})), value);
    }

    void solYear_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("year");
        QTest::newRow("0") << 0 << 2000;
        QTest::newRow("89") << 89 << 2089;
        QTest::newRow("90") << 90 << 1990;
        QTest::newRow("99") << 99 << 1999;
    }

    void solYear() {
        QFETCH(int, digits);
        QFETCH(int, year);
        QCOMPARE(SolYear(digits), year);
        QCOMPARE(SplitDayNumber(*SolDate(5, 6, digits)).date, QDate(year, 6, 5));
    }

    void logRecordFields() {
        // Bytes 1 to 15: max height, min height, ascent, descent, two unused,
        // min temperature, speed, max temperature, start height.
        const QByteArray r = Record({}).replace(
            0, 16, Bytes({0, 0x05, 0xDC, 0x81, 0x2C, 25, 31, 0, 0, 0x80, 0x19, 37, 0x00, 0xD7, 0x01, 0x5E}));
        LogRecordError error = LogRecordError::ShortReply;
        const std::optional<LogRecord> rec = DecodeLogRecord(r, &error);
        QVERIFY(rec);
        QCOMPARE(error, LogRecordError::None);
        QCOMPARE(rec->maxHeight, 1500);
        QCOMPARE(rec->minHeight, -300);
        QCOMPARE(rec->maxAscent, double(2.5f));
        QCOMPARE(rec->maxDescent, double(3.1f)); // single precision, as the field keeps it
        QCOMPARE(rec->minTemp, double(-2.5f));
        QCOMPARE(rec->aveSpeed, 37);
        QCOMPARE(rec->maxTemp, double(21.5f));
        QCOMPARE(rec->startHeight, 350);
        QCOMPARE(rec->startTime, At(2024, 6, 5, 12, 0));
        QCOMPARE(rec->endTime, At(2024, 6, 5, 13, 30));
    }

    void logRecordTimes_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<double>("start"); // -1: refused with the error
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("error");
        const int none = int(LogRecordError::None);
        QTest::newRow("plain") << Record({}) << At(2024, 6, 5, 12, 0) << At(2024, 6, 5, 13, 30) << none;
        QTest::newRow("over midnight: 23:50 to 00:40 on 5 June")
            << Record({{16, 23}, {17, 50}, {18, 0}, {19, 40}}) << At(2024, 6, 5, 23, 50)
            << At(2024, 6, 6, 0, 40) << none;
        QTest::newRow("start bytes 0,0 take the end: 14:30")
            << Record({{16, 0}, {17, 0}, {18, 14}, {19, 30}}) << At(2024, 6, 5, 14, 30)
            << At(2024, 6, 5, 14, 30) << none;
        QTest::newRow("equal times stay equal") << Record({{16, 10}, {17, 5}, {18, 10}, {19, 5}})
                                                << At(2024, 6, 5, 10, 5) << At(2024, 6, 5, 10, 5) << none;
        QTest::newRow("29 February of a leap year")
            << Record({{20, 29}, {21, 2}, {22, 24}}) << At(2024, 2, 29, 12, 0) << At(2024, 2, 29, 13, 30)
            << none;
        QTest::newRow("unused slot: all zeros")
            << QByteArray(24, '\0') << -1.0 << -1.0 << int(LogRecordError::ImpossibleDate);
        QTest::newRow("29 February 2023")
            << Record({{20, 29}, {21, 2}, {22, 23}}) << -1.0 << -1.0 << int(LogRecordError::ImpossibleDate);
        QTest::newRow("hour 24") << Record({{18, 24}}) << -1.0 << -1.0 << int(LogRecordError::ImpossibleTime);
        QTest::newRow("23 bytes") << Record({}).left(23) << -1.0 << -1.0 << int(LogRecordError::ShortReply);
    }
    void logRecordTimes() {
        QFETCH(QByteArray, record);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, error);
        // Starts as something else than what is expected, so the decoder must set it.
        LogRecordError got = error == 0 ? LogRecordError::ShortReply : LogRecordError::None;
        const std::optional<LogRecord> rec = DecodeLogRecord(record, &got);
        QCOMPARE(int(got), error);
        QCOMPARE(rec.has_value(), start >= 0);
        if (!rec) return;
        QCOMPARE(rec->startTime, start);
        QCOMPARE(rec->endTime, end);
    }

    void headerStart_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<double>("start"); // -1: refused
        QTest::newRow("12:00 on 5 June 2024") << Bytes({12, 0, 0, 5, 6, 24}) << At(2024, 6, 5, 12, 0);
        QTest::newRow("byte 2 is not used") << Bytes({9, 41, 77, 1, 1, 99}) << At(1999, 1, 1, 9, 41);
        QTest::newRow("no date") << Bytes({12, 0, 0, 0, 0, 0}) << -1.0;
        QTest::newRow("hour 25") << Bytes({25, 0, 0, 5, 6, 24}) << -1.0;
        QTest::newRow("too short") << Bytes({12, 0}) << -1.0;
    }

    void headerStart() {
        QFETCH(QByteArray, header);
        QFETCH(double, start);
        QCOMPARE(BaroHeaderStart(header).value_or(-1), start);
    }

    void footerRule_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<double>("sampleTime");
        QTest::addColumn<bool>("footer");
        const double clock = At(2024, 6, 5, 12, 1, 40); // cut to 12:01
        QTest::newRow("five minutes later") << Bytes({12, 6}) << clock << true;
        QTest::newRow("five minutes earlier") << Bytes({11, 56}) << clock << true;
        QTest::newRow("12:07 against 12:01") << Bytes({12, 7}) << clock << false;
        QTest::newRow("six minutes earlier") << Bytes({11, 55}) << clock << false;
        QTest::newRow("not a time") << Bytes({12, 60}) << clock << false;
        QTest::newRow("a height, not a time") << Bytes({0x05, 0xDC}) << clock << false;
    }

    void footerRule() {
        QFETCH(QByteArray, reply);
        QFETCH(double, sampleTime);
        QFETCH(bool, footer);
        QCOMPARE(IsFooterStart(reply, sampleTime), footer);
    }

    void displayTimeOffset_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("offset"); // -99: refused
        const double now = At(2024, 6, 5, 14, 10);
        QTest::newRow("14:05 is today") << "14:05" << now - At(2024, 6, 5, 14, 5);
        QTest::newRow("date and time") << "4/6/2024 14:05" << now - At(2024, 6, 4, 14, 5);
        QTest::newRow("empty") << "" << -99.0;
        QTest::newRow("25:00") << "25:00" << -99.0;
    }

    void displayTimeOffset() {
        QFETCH(QString, typed);
        QFETCH(double, offset);
        const double got = VarioTimeOffset(typed, At(2024, 6, 5, 14, 10)).value_or(-99);
        QVERIFY2(std::abs(got - offset) < 1e-9, qPrintable(QString::number(got * 86400)));
    }
};

QTEST_GUILESS_MAIN(TestSolRecord)
#include "tst_solrecord.moc"
