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
    void calendarReference_data();
    void calendarReference();
    void generalDateRoundTrip_data();
    void generalDateRoundTrip();
    void generalDateRoundTripSweep();
    void shortTimeRoundTrip_data();
    void shortTimeRoundTrip();
    void parseTyped_data();
    void parseTyped();
    void numberText_data();
    void numberText();
    void numberTextReadsBack();
    void parseNumber_data();
    void parseNumber();
    void wholeNumber_data();
    void wholeNumber();
    void printFormats_data();
    void printFormats();
    void fixedNumber_data();
    void fixedNumber();
};

// Day numbers of known dates: day 0 is 30/12/1899, 1/1/1900 is day 2, a time is
// the fraction, and before day 0 the time counts away from zero (-1.25 is
// 29/12/1899 06:00), as the logbooks written by the original program hold them.
void TestDayNumber::calendarReference_data() {
    QTest::addColumn<double>("day");
    QTest::addColumn<QString>("general");

    QTest::newRow("day 0") << 0.0 << "00:00:00";
    QTest::newRow("1/1/1900") << 2.0 << "1900-01-01";
    QTest::newRow("1/1/2000") << 36526.0 << "2000-01-01";
    QTest::newRow("noon of 3/6/2001") << 37045.5 << "2001-06-03 12:00:00";
    QTest::newRow("time alone") << 0.75 << "18:00:00";
    QTest::newRow("one second") << 1.0 / 86400 << "00:00:01";
    QTest::newRow("29/12/1899 06:00") << -1.25 << "1899-12-29 06:00:00";
    QTest::newRow("29/12/1899") << -1.0 << "1899-12-29";
    QTest::newRow("1/1/1800") << -36522.0 << "1800-01-01";
    QTest::newRow("31/12/9999 23:59:59") << 2958465.0 + 86399.0 / 86400 << "9999-12-31 23:59:59";
}

void TestDayNumber::calendarReference() {
    QFETCH(double, day);
    QFETCH(QString, general);
    QCOMPARE(GeneralDateText(day), general);
    const std::optional<double> parsed = ParseDayNumber(general);
    QVERIFY(parsed.has_value());
    QVERIFY2(std::fabs(*parsed - day) < 1e-9, qPrintable(QString::number(*parsed, 'f', 12)));
}

// The text shown in a field is read back when the field is left: it must give
// the same day number to the second, or every flight would drift when edited.
void TestDayNumber::generalDateRoundTrip_data() {
    QTest::addColumn<double>("day");

    QTest::newRow("midnight") << Day(2001, 6, 3);
    QTest::newRow("one second past midnight") << Day(2001, 6, 3, 0, 0, 1);
    QTest::newRow("one second before midnight") << Day(2001, 6, 3, 23, 59, 59);
    QTest::newRow("half a second before midnight") << Day(2001, 6, 3) + 1 - 0.4 / 86400;
    QTest::newRow("just below day 1") << 1.0 - 1e-7;
    QTest::newRow("just below day 40000") << 40000.0 - 1e-7;
    QTest::newRow("day 0") << 0.0;
    QTest::newRow("time on day 0") << 0.6180339;
    QTest::newRow("leap day") << Day(2000, 2, 29, 13, 14, 15);
    QTest::newRow("fraction of a second") << Day(2010, 7, 1, 10, 20, 30.3);
    QTest::newRow("negative day") << -2.5;
    QTest::newRow("negative whole day") << -400.0;
    QTest::newRow("just below day -1") << -1.0 - 1e-7;
    QTest::newRow("far past") << Day(1700, 3, 1, 8, 0, 0);
    QTest::newRow("far future") << Day(2999, 12, 31, 23, 59, 59);
}

void TestDayNumber::generalDateRoundTrip() {
    QFETCH(double, day);
    const QString text = GeneralDateText(day);
    const std::optional<double> parsed = ParseDayNumber(text);
    QVERIFY2(parsed.has_value(), qPrintable(text));
    QVERIFY2(
        std::fabs(*parsed - day) <= kHalfSecond + 1e-9,
        qPrintable(QStringLiteral("%1 -> %2 -> %3").arg(day, 0, 'f', 10).arg(text).arg(*parsed, 0, 'f', 10)));
    QCOMPARE(GeneralDateText(*parsed), text);
}

// Many day numbers over the range a logbook can hold (years 100 to 9999).
// Numbers between -1 and 0 are left out: they name the same calendar time as
// their positive counterpart.
void TestDayNumber::generalDateRoundTripSweep() {
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
        if (!parsed || std::fabs(*parsed - day) > kHalfSecond + 1e-9)
            QFAIL(
                qPrintable(QStringLiteral("%1 -> %2 -> %3")
                               .arg(day, 0, 'f', 10)
                               .arg(text)
                               .arg(parsed ? QString::number(*parsed, 'f', 10) : QStringLiteral("nothing"))));
    }
}

// "Short Time" shows hours and minutes of the time of day; a duration or time
// of whole minutes reads back unchanged.
void TestDayNumber::shortTimeRoundTrip_data() {
    QTest::addColumn<double>("day");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("readBack");

    QTest::newRow("midnight") << 0.0 << "00:00" << 0.0;
    QTest::newRow("2:35") << 155.0 / 1440 << "02:35" << 155.0 / 1440;
    QTest::newRow("23:59") << 1439.0 / 1440 << "23:59" << 1439.0 / 1440;
    QTest::newRow("date dropped") << Day(2001, 6, 3, 17, 45) << "17:45" << 1065.0 / 1440;
    QTest::newRow("seconds dropped") << Day(2001, 6, 3, 17, 45, 59) << "17:45" << 1065.0 / 1440;
    QTest::newRow("59.6 s rounds to the next minute")
        << (10 * 3600 + 59.6) / 86400 << "10:01" << 601.0 / 1440;
    QTest::newRow("negative day") << -1.25 << "06:00" << 0.25;
}

void TestDayNumber::shortTimeRoundTrip() {
    QFETCH(double, day);
    QFETCH(QString, text);
    QFETCH(double, readBack);
    QCOMPARE(ShortTimeText(day), text);
    const std::optional<double> parsed = ParseDayNumber(text);
    QVERIFY(parsed.has_value());
    QVERIFY(std::fabs(*parsed - readBack) < 1e-9);
}

// What a person types into a date field.
void TestDayNumber::parseTyped_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");
    const std::optional<double> invalid;

    QTest::newRow("ISO date") << "2001-06-03" << std::optional(Day(2001, 6, 3));
    QTest::newRow("ISO date and time") << "2001-06-03 10:15:30" << std::optional(Day(2001, 6, 3, 10, 15, 30));
    QTest::newRow("ISO with T") << "2001-06-03T10:15" << std::optional(Day(2001, 6, 3, 10, 15));
    QTest::newRow("blanks around and between")
        << "  2001-06-03   10:15  " << std::optional(Day(2001, 6, 3, 10, 15));
    QTest::newRow("d/m/y") << "3/6/2001" << std::optional(Day(2001, 6, 3));
    QTest::newRow("dd/mm/yyyy hh:mm") << "03/06/2001 10:15" << std::optional(Day(2001, 6, 3, 10, 15));
    QTest::newRow("d.m.y") << "3.6.2001" << std::optional(Day(2001, 6, 3));
    QTest::newRow("two-digit year 01") << "03/06/01" << std::optional(Day(2001, 6, 3));
    QTest::newRow("two-digit year 29") << "1/1/29" << std::optional(Day(2029, 1, 1));
    QTest::newRow("two-digit year 30") << "1/1/30" << std::optional(Day(1930, 1, 1));
    QTest::newRow("two-digit year 99") << "31.12.99" << std::optional(Day(1999, 12, 31));
    QTest::newRow("time alone") << "10:15" << std::optional(Day(1899, 12, 30, 10, 15));
    QTest::newRow("time alone, one digit hour") << "1:45" << std::optional(105.0 / 1440);
    QTest::newRow("time with seconds") << "10:15:30" << std::optional((10 * 3600 + 15 * 60 + 30) / 86400.0);
    QTest::newRow("fractional seconds") << "00:00:01.5" << std::optional(1.5 / 86400);
    QTest::newRow("PM") << "10:15 PM" << std::optional(Day(1899, 12, 30, 22, 15));
    QTest::newRow("pm without blank") << "1:05pm" << std::optional(Day(1899, 12, 30, 13, 5));
    QTest::newRow("12 AM is midnight") << "12:30 AM" << std::optional(Day(1899, 12, 30, 0, 30));
    QTest::newRow("12 PM is noon") << "12:30 PM" << std::optional(Day(1899, 12, 30, 12, 30));
    QTest::newRow("date and PM time") << "3/6/2001 10:15 PM" << std::optional(Day(2001, 6, 3, 22, 15));
    QTest::newRow("29 February of a leap year") << "29/02/2000" << std::optional(Day(2000, 2, 29));
    QTest::newRow("before day 0") << "1899-12-29 06:00:00" << std::optional(-1.25);

    QTest::newRow("31 February") << "31/02/2001" << invalid;
    QTest::newRow("30 February ISO") << "2001-02-30" << invalid;
    QTest::newRow("29 February of 1900") << "29/2/1900" << invalid;
    QTest::newRow("month 13") << "1/13/2001" << invalid;
    QTest::newRow("hour 24") << "24:00" << invalid;
    QTest::newRow("minute 60") << "10:60" << invalid;
    QTest::newRow("second 60") << "10:15:60" << invalid;
    QTest::newRow("13 PM") << "13:00 PM" << invalid;
    QTest::newRow("0 AM") << "0:30 AM" << invalid;
    QTest::newRow("date with bad time") << "2001-06-03 25:00" << invalid;
    QTest::newRow("bare number") << "10" << invalid;
    QTest::newRow("words") << "yesterday" << invalid;
    QTest::newRow("empty") << "" << invalid;
    QTest::newRow("blanks") << "   " << invalid;
}

void TestDayNumber::parseTyped() {
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    const std::optional<double> parsed = ParseDayNumber(text);
    QCOMPARE(parsed.has_value(), expected.has_value());
    if (expected)
        QVERIFY2(std::fabs(*parsed - *expected) < 1e-9,
                 qPrintable(
                     QStringLiteral("%1 instead of %2").arg(*parsed, 0, 'f', 10).arg(*expected, 0, 'f', 10)));
}

// Numbers written into status texts and statements: plain decimals, a point,
// a blank before numbers that are not negative, never an exponent.
void TestDayNumber::numberText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << "0"
                          << " 0";
    QTest::newRow("minus zero") << -0.0 << "0"
                                << " 0";
    QTest::newRow("whole") << 12.0 << "12"
                           << " 12";
    QTest::newRow("negative whole") << -3.0 << "-3"
                                    << "-3";
    QTest::newRow("half") << 12.5 << "12.5"
                          << " 12.5";
    QTest::newRow("minus thirty minutes") << -30.0 / 1440 << "-0.0208333333333333"
                                          << "-0.0208333333333333";
    QTest::newRow("one minute") << 1.0 / 1440 << "0.000694444444444444"
                                << " 0.000694444444444444";
    QTest::newRow("binary noise dropped") << 0.1 + 0.2 << "0.3"
                                          << " 0.3";
    QTest::newRow("day number of 3/6/2001 12:01") << Day(2001, 6, 3, 12, 1) << "37045.5006944444"
                                                  << " 37045.5006944444";
    QTest::newRow("tiny") << 1e-20 << "0.00000000000000000001"
                          << " 0.00000000000000000001";
    QTest::newRow("tiny negative") << -1.5e-7 << "-0.00000015"
                                   << "-0.00000015";
    QTest::newRow("large") << 1e20 << "100000000000000000000"
                           << " 100000000000000000000";
    QTest::newRow("largest 32-bit") << 2147483647.0 << "2147483647"
                                    << " 2147483647";
}

void TestDayNumber::numberText() {
    QFETCH(double, value);
    QFETCH(QString, plain);
    QFETCH(QString, text);
    QCOMPARE(PlainNumberText(value), plain);
    QCOMPARE(NumberText(value), text);
}

// Whatever the magnitude, the text has no exponent and reads back to the same
// number to 15 significant digits.
void TestDayNumber::numberTextReadsBack() {
    QRandomGenerator random(1450);
    for (int i = 0; i < 5000; ++i) {
        const double mantissa = (1.0 + 9.0 * random.generateDouble()) * (i % 2 ? -1 : 1);
        const int exponent = static_cast<int>(random.bounded(-300, 300));
        const double value = mantissa * std::pow(10.0, exponent);
        const QString text = NumberText(value);
        QVERIFY2(!text.contains(QLatin1Char('e')) && !text.contains(QLatin1Char('E')), qPrintable(text));
        QCOMPARE(text.startsWith(QLatin1Char(' ')), value >= 0);
        const std::optional<double> back = ParseNumber(text);
        QVERIFY2(back.has_value(), qPrintable(text));
        QVERIFY2(std::fabs(*back - value) <= std::fabs(value) * 1e-14, qPrintable(text));
    }
}

void TestDayNumber::parseNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");
    const std::optional<double> invalid;

    QTest::newRow("blanks around") << " 12 " << std::optional(12.0);
    QTest::newRow("leading blank of a number text") << " 0.5" << std::optional(0.5);
    QTest::newRow("comma as separator") << "1,5" << std::optional(1.5);
    QTest::newRow("exponent") << "1.5e3" << std::optional(1500.0);
    QTest::newRow("plus sign") << "+3" << std::optional(3.0);
    QTest::newRow("point first") << ".5" << std::optional(0.5);
    QTest::newRow("point last") << "5." << std::optional(5.0);
    QTest::newRow("minus") << "-0.0208333" << std::optional(-0.0208333);
    QTest::newRow("thousands separator") << "1,000.5" << invalid;
    QTest::newRow("two commas") << "1,2,3" << invalid;
    QTest::newRow("comma then three digits is ambiguous") << "1,000" << invalid;
    QTest::newRow("double sign") << "--1" << invalid;
    QTest::newRow("overflow") << "1e999" << invalid;
    QTest::newRow("hex") << "0x10" << invalid;
    QTest::newRow("nan") << "nan" << invalid;
    QTest::newRow("inf") << "inf" << invalid;
    QTest::newRow("words") << "abc" << invalid;
    QTest::newRow("empty") << "" << invalid;
    QTest::newRow("time") << "1:30" << invalid;
}

void TestDayNumber::parseNumber() {
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    QCOMPARE(ParseNumber(text), expected);
}

// Heights are converted to 32-bit integers, halves to the even neighbour.
void TestDayNumber::wholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expected");

    QTest::newRow("0.5") << "0.5" << true << 0;
    QTest::newRow("1.5") << "1.5" << true << 2;
    QTest::newRow("2.5") << "2.5" << true << 2;
    QTest::newRow("3.5") << "3.5" << true << 4;
    QTest::newRow("2.51") << "2.51" << true << 3;
    QTest::newRow("-0.5") << "-0.5" << true << 0;
    QTest::newRow("-1.5") << "-1.5" << true << -2;
    QTest::newRow("-2.5") << "-2.5" << true << -2;
    QTest::newRow("blanks") << " 300 " << true << 300;
    QTest::newRow("exponent") << "1e3" << true << 1000;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("largest + 0.4") << "2147483647.4" << true << 2147483647;
    QTest::newRow("largest + 0.5 rounds out of range") << "2147483647.5" << false << 0;
    QTest::newRow("half below largest") << "2147483646.5" << true << 2147483646;
    QTest::newRow("one too large") << "2147483648" << false << 0;
    QTest::newRow("smallest") << "-2147483648" << true << int(std::numeric_limits<int>::min());
    QTest::newRow("smallest - 0.5 rounds to even, in range")
        << "-2147483648.5" << true << int(std::numeric_limits<int>::min());
    QTest::newRow("one too small") << "-2147483649" << false << 0;
    QTest::newRow("far too large") << "1e12" << false << 0;
    QTest::newRow("not numeric") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void TestDayNumber::wholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, expected);
    const std::optional<std::int32_t> n = WholeNumber(text);
    QCOMPARE(n.has_value(), valid);
    if (valid) QCOMPARE(*n, expected);
}

QTEST_GUILESS_MAIN(TestDayNumber)

void TestDayNumber::printFormats_data() {
    QTest::addColumn<double>("day");
    QTest::addColumn<QString>("shortForm");
    QTest::addColumn<QString>("longForm");
    // English names whatever the machine's language; no leading zero in the short day.
    QTest::newRow("3 May 2025") << DayNumber(QDate(2025, 5, 3), 14, 5) << "Sat, 3 May 2025" << "Saturday, 03 May 2025";
    QTest::newRow("day zero") << 0.0 << "Sat, 30 Dec 1899" << "Saturday, 30 December 1899";
    QTest::newRow("late evening stays on its day") << DayNumber(QDate(2026, 9, 25), 23, 59, 59.4)
                                                   << "Fri, 25 Sep 2026" << "Friday, 25 September 2026";
}

void TestDayNumber::printFormats() {
    QFETCH(double, day);
    QFETCH(QString, shortForm);
    QFETCH(QString, longForm);
    QCOMPARE(PrintDateText(day), shortForm);
    QCOMPARE(LongPrintDateText(day), longForm);
}

void TestDayNumber::fixedNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("half up") << 1.5 << 0 << "2";
    QTest::newRow("half away from zero") << -2.5 << 0 << "-3";
    QTest::newRow("binary 0.15 shows 0.2") << 0.15 << 1 << "0.2";
    QTest::newRow("negative zero") << -0.04 << 1 << "0.0";
    QTest::newRow("coordinates") << -1.8123456789 << 8 << "-1.81234568";
    QTest::newRow("large") << 123456.789 << 1 << "123456.8";
}

void TestDayNumber::fixedNumber() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FixedNumberText(value, decimals), text);
}

#include "tst_daynumber.moc"
