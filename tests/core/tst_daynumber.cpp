// Day numbers and their texts, number texts and whole numbers.

#include "core/daynumber.h"
#include "core/numbertext.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace soarnote;

Q_DECLARE_METATYPE(std::optional<double>)

namespace {

constexpr double kHalfSecond = 0.5 / 86400.0;

double Day(int y, int m, int d, int h = 0, int mi = 0, double s = 0) {
    return DayNumber(QDate(y, m, d), h, mi, s);
}

} // namespace

class TestDayNumber : public QObject {
    Q_OBJECT
private slots:
    // Day 0 is 30/12/1899, a time is the fraction, counting away from zero before day 0. The text shown reads
    // back to the same second, or every flight would drift when edited.
    void calendarReference_data() {
        QTest::addColumn<double>("day");
        QTest::addColumn<QString>("general");
        auto row = [](const char* name, double day, const char* text) {
            QTest::newRow(name) << day << QString::fromLatin1(text);
        };
        row("day 0", 0.0, "00:00:00");
        row("1/1/1900", 2.0, "1900-01-01");
        row("noon of 3/6/2001", 37045.5, "2001-06-03 12:00:00");
        row("one second", 1.0 / 86400, "00:00:01");
        row("29/12/1899 06:00", -1.25, "1899-12-29 06:00:00");
        row("1/1/1800", -36522.0, "1800-01-01");
        row("31/12/9999 23:59:59", 2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59");
        row("fraction of a second", Day(2010, 7, 1, 10, 20, 30.3), "2010-07-01 10:20:30");
        row("half a second before midnight", Day(2001, 6, 3) + 1 - 0.4 / 86400, "2001-06-04");
        row("just below day 1 is midnight of day 1", 1.0 - 1e-7, "1899-12-31");
        row("just below day -1", -1.0 - 1e-7, "1899-12-29");
    }
    void calendarReference() {
        QFETCH(double, day);
        QFETCH(QString, general);
        QCOMPARE(GeneralDateText(day), general);
        const std::optional<double> parsed = ParseDayNumber(general);
        QVERIFY(parsed.has_value());
        QVERIFY2(std::fabs(*parsed - day) <= kHalfSecond + 1e-9,
                 qPrintable(QString::number(*parsed, 'f', 12)));
        QCOMPARE(GeneralDateText(*parsed), general);
    }

    // Values outside the calendar or not numbers (a damaged file, a typed "1e300") show empty.
    void outOfRange_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("general");  // as a date
        QTest::addColumn<QString>("duration"); // as hours:minutes
        QTest::addColumn<QString>("offset");   // as hours:minutes:seconds
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        auto row = [](const char* name, double value, const char* general, const char* duration,
                      const char* offset) {
            QTest::newRow(name) << value << QString(general) << QString(duration) << QString(offset);
        };
        for (auto [name, value] : {std::pair{"9e42", 9e42},
                                   {"-9e42", -9e42},
                                   {"NaN", nan},
                                   {"infinity", inf},
                                   {"minus infinity", -inf},
                                   {"typed offset 1e300", 1e300 / 1440}})
            row(name, value, "", "", "");
        row("past 31/12/9999", 2958466.0, "", "71003184:00", "71003184:00:00");
        row("rounds past 31/12/9999", 2958466.0 - 0.1 / 86400, "", "71003184:00", "71003184:00:00");
        row("1/1/100", -657434.0, "0100-01-01", "-15778416:00", "-15778416:00:00");
        // 29/12/1899 23:59:59.99 is midnight of the next day, day 0.
        row("just above day -2", -1.9999999, "00:00:00", "-48:00", "-48:00:00");
        row("-0.0625", -0.0625, "01:30:00", "-01:30", "-01:30:00");
        row("36 h 5 min", 1.5 + 5.0 / 1440, "1899-12-31 12:05:00", "36:05", "36:05:00");
        row("59 min 30 s", 59.5 / 1440, "00:59:30", "00:59", "00:59:30");
    }
    void outOfRange() {
        QFETCH(double, value);
        QFETCH(QString, general);
        QCOMPARE(GeneralDateText(value), general);
        QCOMPARE(SplitDayNumber(value).date.isValid(), !general.isEmpty());
        QCOMPARE(ShortTimeText(value).isEmpty(), general.isEmpty());
        QTEST(DurationText(value), "duration");
        QTEST(DurationSecondsText(value), "offset");
    }

    // Years 100 to 9999; -1..0 name the same times as their positive counterparts.
    void generalDateRoundTripSweep() {
        QRandomGenerator random(20010603);
        for (int i = 0; i < 20000; ++i) {
            double day = -657434.0 + random.generateDouble() * (2958465.0 + 657434.0);
            if (i % 4 == 0)
                day = std::round(day * 86400) / 86400; // exact seconds
            else if (i % 4 == 1)
                day = std::round(day); // midnight
            if (day > -1 && day < 0) continue;
            const QString text = GeneralDateText(day);
            const std::optional<double> parsed = ParseDayNumber(text);
            QVERIFY2(parsed && std::fabs(*parsed - day) <= kHalfSecond + 1e-9,
                     qPrintable(QStringLiteral("%1 -> %2").arg(day, 0, 'f', 10).arg(text)));
        }
    }

    // "Short Time": hours and minutes of the time of day, read back unchanged.
    void shortTimeRoundTrip_data() {
        QTest::addColumn<double>("day");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("readBack");
        QTest::newRow("2:35") << 155.0 / 1440 << "02:35" << 155.0 / 1440;
        QTest::newRow("seconds dropped") << Day(2001, 6, 3, 17, 45, 59) << "17:45" << 1065.0 / 1440;
        QTest::newRow("59.6 s rounds to the next minute")
            << (10 * 3600 + 59.6) / 86400 << "10:01" << 601.0 / 1440;
        QTest::newRow("negative day") << -1.25 << "06:00" << 0.25;
    }
    void shortTimeRoundTrip() {
        QFETCH(double, day);
        QFETCH(QString, text);
        QFETCH(double, readBack);
        QCOMPARE(ShortTimeText(day), text);
        const std::optional<double> parsed = ParseDayNumber(text);
        QVERIFY(parsed && std::fabs(*parsed - readBack) < 1e-9);
    }

    // What a person types into a date field.
    void parseTyped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> invalid;
        QTest::newRow("ISO date") << "2001-06-03" << std::optional(Day(2001, 6, 3));
        QTest::newRow("ISO with T") << "2001-06-03T10:15:30" << std::optional(Day(2001, 6, 3, 10, 15, 30));
        QTest::newRow("blanks around and between")
            << "  2001-06-03   10:15  " << std::optional(Day(2001, 6, 3, 10, 15));
        QTest::newRow("d.m.y") << "3.6.2001" << std::optional(Day(2001, 6, 3));
        QTest::newRow("two-digit year 29") << "1/1/29" << std::optional(Day(2029, 1, 1));
        QTest::newRow("two-digit year 30") << "1/1/30" << std::optional(Day(1930, 1, 1));
        QTest::newRow("time alone") << "10:15" << std::optional(Day(1899, 12, 30, 10, 15));
        QTest::newRow("fractional seconds") << "00:00:01.5" << std::optional(1.5 / 86400);
        QTest::newRow("pm without blank") << "1:05pm" << std::optional(Day(1899, 12, 30, 13, 5));
        QTest::newRow("12 AM is midnight") << "12:30 AM" << std::optional(Day(1899, 12, 30, 0, 30));
        QTest::newRow("12 PM is noon") << "12:30 PM" << std::optional(Day(1899, 12, 30, 12, 30));
        QTest::newRow("date and PM time") << "3/6/2001 10:15 PM" << std::optional(Day(2001, 6, 3, 22, 15));
        QTest::newRow("29 February of 1900") << "29/2/1900" << invalid;
        QTest::newRow("month 13") << "1/13/2001" << invalid;
        QTest::newRow("hour 24") << "24:00" << invalid;
        QTest::newRow("second 60") << "10:15:60" << invalid;
        QTest::newRow("13 PM") << "13:00 PM" << invalid;
        QTest::newRow("0 AM") << "0:30 AM" << invalid;
        QTest::newRow("date with bad time") << "2001-06-03 25:00" << invalid;
        QTest::newRow("bare number") << "10" << invalid;
        QTest::newRow("empty") << "" << invalid;
    }
    void parseTyped() {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        const std::optional<double> parsed = ParseDayNumber(text);
        QCOMPARE(parsed.has_value(), expected.has_value());
        if (expected)
            QVERIFY2(std::fabs(*parsed - *expected) < 1e-9, qPrintable(QString::number(*parsed, 'f', 10)));
    }

    // Numbers in status texts and statements: a point, a blank before non-negatives, no exponent.
    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, double value, const char* plain, const char* text) {
            QTest::newRow(name) << value << QString::fromLatin1(plain) << QString::fromLatin1(text);
        };
        row("minus zero", -0.0, "0", " 0");
        row("negative whole", -3.0, "-3", "-3");
        row("half", 12.5, "12.5", " 12.5");
        row("minus thirty minutes", -30.0 / 1440, "-0.0208333333333333", "-0.0208333333333333");
        row("binary noise dropped", 0.1 + 0.2, "0.3", " 0.3");
        row("day number of 3/6/2001 12:01", Day(2001, 6, 3, 12, 1), "37045.5006944444", " 37045.5006944444");
        row("tiny", 1e-20, "0.00000000000000000001", " 0.00000000000000000001");
        row("large", 1e20, "100000000000000000000", " 100000000000000000000");
    }
    void numberText() {
        QFETCH(double, value);
        QTEST(PlainNumberText(value), "plain");
        QTEST(NumberText(value), "text");
    }

    // Any magnitude: no exponent, read back to 15 significant digits.
    void numberTextReadsBack() {
        QRandomGenerator random(1450);
        for (int i = 0; i < 5000; ++i) {
            const double mantissa = (1.0 + 9.0 * random.generateDouble()) * (i % 2 ? -1 : 1);
            const double value = mantissa * std::pow(10.0, random.bounded(-300, 300));
            const QString text = NumberText(value);
            QVERIFY2(!text.contains(QLatin1Char('e')) && !text.contains(QLatin1Char('E')), qPrintable(text));
            QCOMPARE(text.startsWith(QLatin1Char(' ')), value >= 0);
            const std::optional<double> back = ParseNumber(text);
            QVERIFY2(back && std::fabs(*back - value) <= std::fabs(value) * 1e-14, qPrintable(text));
        }
    }

    void parseNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> invalid;
        QTest::newRow("blanks around") << " 12 " << std::optional(12.0);
        QTest::newRow("comma as separator") << "1,5" << std::optional(1.5);
        QTest::newRow("exponent") << "1.5e3" << std::optional(1500.0);
        QTest::newRow("point first") << ".5" << std::optional(0.5);
        QTest::newRow("thousands separator") << "1,000.5" << invalid;
        QTest::newRow("comma then three digits is ambiguous") << "1,000" << invalid;
        QTest::newRow("double sign") << "--1" << invalid;
        QTest::newRow("overflow") << "1e999" << invalid;
        QTest::newRow("inf") << "inf" << invalid;
        QTest::newRow("time") << "1:30" << invalid;
    }
    void parseNumber() {
        QFETCH(QString, text);
        QTEST(ParseNumber(text), "expected");
    }

    // Heights are converted to 32-bit integers, halves to the even neighbour.
    void wholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("1.5") << "1.5" << true << 2;
        QTest::newRow("2.5") << "2.5" << true << 2;
        QTest::newRow("2.51") << "2.51" << true << 3;
        QTest::newRow("-2.5") << "-2.5" << true << -2;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("largest + 0.5 rounds out of range") << "2147483647.5" << false << 0;
        QTest::newRow("smallest - 0.5 rounds to even, in range")
            << "-2147483648.5" << true << int(std::numeric_limits<int>::min());
        QTest::newRow("one too small") << "-2147483649" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
    }
    void wholeNumber() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        const std::optional<std::int32_t> n = WholeNumber(text);
        QCOMPARE(n.has_value(), valid);
        if (valid) QCOMPARE(*n, expected);
    }

    // English names whatever the machine's language; no leading zero in the short day.
    void printFormats_data() {
        QTest::addColumn<double>("day");
        QTest::addColumn<QString>("shortForm");
        QTest::addColumn<QString>("longForm");
        auto row = [](const char* name, double day, const char* shortForm, const char* longForm) {
            QTest::newRow(name) << day << QString::fromLatin1(shortForm) << QString::fromLatin1(longForm);
        };
        row("3 May 2025", Day(2025, 5, 3, 14, 5), "Sat, 3 May 2025", "Saturday, 03 May 2025");
        row("day zero", 0.0, "Sat, 30 Dec 1899", "Saturday, 30 December 1899");
        row("late evening stays on its day", Day(2026, 9, 25, 23, 59, 59.4), "Fri, 25 Sep 2026",
            "Friday, 25 September 2026");
    }
    void printFormats() {
        QFETCH(double, day);
        QTEST(PrintDateText(day), "shortForm");
        QTEST(LongPrintDateText(day), "longForm");
    }

    void fixedNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("half up") << 1.5 << 0 << "2";
        QTest::newRow("half away from zero") << -2.5 << 0 << "-3";
        QTest::newRow("binary 0.15 shows 0.2") << 0.15 << 1 << "0.2";
        QTest::newRow("negative zero") << -0.04 << 1 << "0.0";
        QTest::newRow("coordinates") << -1.8123456789 << 8 << "-1.81234568";
    }
    void fixedNumber() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QTEST(FixedNumberText(value, decimals), "text");
    }
};

QTEST_GUILESS_MAIN(TestDayNumber)
#include "tst_daynumber.moc"
