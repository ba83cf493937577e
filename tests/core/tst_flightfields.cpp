// The values derived from a flight's fields and the time offset's
// hours:minutes:seconds form, on the texts the fields show.

#include "core/daynumber.h"
#include "core/flightfields.h"
#include "core/flightstore.h"
#include "core/numbertext.h"

#include <QtTest>
#include <cmath>

using namespace soarnote;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {
const std::optional<QString> kNothing;
std::optional<QString> Text(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

class TestFlightFields : public QObject {
    Q_OBJECT
private slots:
    void flightTime_data();
    void flightTime();
    void endTime_data();
    void endTime();
    void heightDifference_data();
    void heightDifference();
    void offsetDisplay_data();
    void offsetDisplay();
    void offsetEntry_data();
    void offsetEntry();
    void offsetShownAndEnteredAgain_data();
    void offsetShownAndEnteredAgain();
    void fieldTyped_data();
    void fieldTyped();
};

void TestFlightFields::flightTime_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<std::optional<QString>>("flightTime");

    QTest::newRow("10:00 to 12:35") << "2001-06-03 10:00:00"
                                    << "2001-06-03 12:35:00" << Text("02:35");
    QTest::newRow("typed forms mixed") << "3/6/2001 10:00"
                                       << "2001-06-03 12:35" << Text("02:35");
    QTest::newRow("new entry: start = end") << "2001-06-03 10:00:00"
                                            << "2001-06-03 10:00:00" << Text("00:00");
    QTest::newRow("over midnight") << "2001-06-03 23:30:00"
                                   << "2001-06-04 01:15:00" << Text("01:45");
    QTest::newRow("seconds below a minute") << "2001-06-03 10:00:00"
                                            << "2001-06-03 10:00:59" << Text("00:00");
    QTest::newRow("59 min 30 s") << "2001-06-03 10:00:00"
                                 << "2001-06-03 10:59:30" << Text("00:59");
    QTest::newRow("end not a date") << "2001-06-03 10:00:00"
                                    << "31/02/2001 12:00" << kNothing;
    QTest::newRow("start empty") << ""
                                 << "2001-06-03 12:35:00" << kNothing;
    QTest::newRow("start text") << "morning"
                                << "2001-06-03 12:35:00" << kNothing;
}

void TestFlightFields::flightTime() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(std::optional<QString>, flightTime);
    QCOMPARE(FlightTimeText(start, end), flightTime);
}

// A typed duration sets the landing time; the flight time computed back from
// it is the duration typed.
void TestFlightFields::endTime_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<std::optional<QString>>("end");

    QTest::newRow("1:45 after 10:00") << "2001-06-03 10:00:00"
                                      << "1:45" << Text("2001-06-03 11:45:00");
    QTest::newRow("with seconds") << "2001-06-03 10:00:00"
                                  << "01:45:30" << Text("2001-06-03 11:45:30");
    QTest::newRow("start typed d/m/y") << "3/6/2001 10:00"
                                       << "0:05" << Text("2001-06-03 10:05:00");
    QTest::newRow("over midnight") << "2001-06-03 22:00:00"
                                   << "2:30" << Text("2001-06-04 00:30:00");
    QTest::newRow("landing at midnight") << "2001-06-03 22:00:00"
                                         << "2:00" << Text("2001-06-04");
    QTest::newRow("zero duration") << "2001-06-03 10:00:00"
                                   << "0:00" << Text("2001-06-03 10:00:00");
    QTest::newRow("duration not a time") << "2001-06-03 10:00:00"
                                         << "long" << kNothing;
    QTest::newRow("duration 25 hours") << "2001-06-03 10:00:00"
                                       << "25:00" << kNothing;
    QTest::newRow("start not a date") << "31/02/2001 10:00"
                                      << "1:45" << kNothing;
}

void TestFlightFields::endTime() {
    QFETCH(QString, start);
    QFETCH(QString, duration);
    QFETCH(std::optional<QString>, end);
    const std::optional<QString> landing = EndTimeText(start, duration);
    QCOMPARE(landing, end);
    if (landing) {
        const std::optional<double> typed = ParseDayNumber(duration);
        QCOMPARE(FlightTimeText(start, *landing), ShortTimeText(*typed));
    }
}

void TestFlightFields::heightDifference_data() {
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("startHeight");
    QTest::addColumn<std::optional<QString>>("difference");

    QTest::newRow("gain 1450 - 300") << "1450"
                                     << "300" << Text("1150");
    QTest::newRow("loss 250 - 300") << "250"
                                    << "300" << Text("-50");
    QTest::newRow("no change") << "300"
                               << "300" << Text("0");
    QTest::newRow("half rounds to even (down)") << "1450.5"
                                                << "300" << Text("1150");
    QTest::newRow("half rounds to even (up)") << "1451.5"
                                              << "300" << Text("1152");
    QTest::newRow("start height halves") << "1450"
                                         << "300.5" << Text("1150");
    QTest::newRow("blanks") << " 1450 "
                            << " 300" << Text("1150");
    QTest::newRow("difference beyond 32 bits") << "2147483647"
                                               << "-2147483648" << Text("4294967295");
    QTest::newRow("height too large") << "3000000000"
                                      << "0" << kNothing;
    QTest::newRow("height empty") << ""
                                  << "300" << kNothing;
    QTest::newRow("start height empty") << "1450"
                                        << "" << kNothing;
    QTest::newRow("not numeric") << "high"
                                 << "300" << kNothing;
}

void TestFlightFields::heightDifference() {
    QFETCH(QString, height);
    QFETCH(QString, startHeight);
    QFETCH(std::optional<QString>, difference);
    QCOMPARE(HeightDifferenceText(height, startHeight), difference);
}

// The offset in days shown as hours:minutes:seconds.
void TestFlightFields::offsetDisplay_data() {
    QTest::addColumn<QString>("days");
    QTest::addColumn<QString>("shown");

    QTest::newRow("-0.0625") << "-0.0625"
                             << "-01:30:00";
    QTest::newRow("1.5 days") << "1.5"
                              << "36:00:00";
    QTest::newRow("zero") << "0"
                          << "00:00:00";
    QTest::newRow("minus thirty minutes") << "-0.0208333333333333"
                                          << "-00:30:00";
    QTest::newRow("one second") << "0.0000115740740740741"
                                << "00:00:01";
    QTest::newRow("rounded to the second") << "0.999994"
                                           << "23:59:59";
    QTest::newRow("rounds up to 24 hours") << "0.9999999"
                                           << "24:00:00";
    QTest::newRow("ten days") << "10"
                              << "240:00:00";
    QTest::newRow("number text with blank") << " 0.25"
                                            << "06:00:00";
    QTest::newRow("not numeric") << "abc"
                                 << "00:00:00";
    QTest::newRow("empty") << ""
                           << "00:00:00";
}

void TestFlightFields::offsetDisplay() {
    QFETCH(QString, days);
    QFETCH(QString, shown);
    QCOMPARE(OffsetDisplayText(days), shown);
}

// What the pilot types into the "Time" box, in days.
void TestFlightFields::offsetEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("days");

    QTest::newRow("-0:30") << "-0:30" << -30.0 / 1440;
    QTest::newRow("-00:30:00") << "-00:30:00" << -30.0 / 1440;
    QTest::newRow("90 is minutes") << "90" << 0.0625;
    QTest::newRow("-90 minutes") << "-90" << -0.0625;
    QTest::newRow("1:30:30") << "1:30:30" << (3600.0 + 1800 + 30) / 86400;
    QTest::newRow("-1:30 negates the minutes too") << "-1:30" << -0.0625;
    QTest::newRow("36:00:00") << "36:00:00" << 1.5;
    QTest::newRow("trailing colon") << "1:30:" << 0.0625;
    QTest::newRow("no hours") << ":30" << 30.0 / 1440;
    QTest::newRow("only a minus for hours") << "-:30" << -30.0 / 1440;
    QTest::newRow("minutes not numeric") << "1:xx:30" << (3600.0 + 30) / 86400;
    QTest::newRow("too many parts") << "1:2:3:4" << (60.0 + 2) / 1440;
    QTest::newRow("fractional minutes") << "0:1.5" << 90.0 / 86400;
    QTest::newRow("words") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestFlightFields::offsetEntry() {
    QFETCH(QString, typed);
    QFETCH(double, days);
    const double v = ParseOffsetEntry(typed);
    QVERIFY2(std::fabs(v - days) < 1e-12, qPrintable(PlainNumberText(v)));
}

// Leaving the box without a change must store the value it showed: the offset
// as stored, shown, read back and stored again.
void TestFlightFields::offsetShownAndEnteredAgain_data() {
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("shown");

    QTest::newRow("-30 minutes") << -30.0 / 1440 << "-00:30:00";
    QTest::newRow("-0.0625") << -0.0625 << "-01:30:00";
    QTest::newRow("1.5 days") << 1.5 << "36:00:00";
    QTest::newRow("zero") << 0.0 << "00:00:00";
    QTest::newRow("one second") << 1.0 / 86400 << "00:00:01";
    QTest::newRow("-3 h 25 min 45 s") << -(3 * 3600.0 + 25 * 60 + 45) / 86400 << "-03:25:45";
    QTest::newRow("two days and a bit") << 2.0 + 61.0 / 86400 << "48:01:01";
}

void TestFlightFields::offsetShownAndEnteredAgain() {
    QFETCH(double, days);
    QFETCH(QString, shown);
    // The field holds its value as a number text.
    QCOMPARE(OffsetDisplayText(NumberText(days)), shown);
    const double entered = ParseOffsetEntry(shown);
    QVERIFY2(std::fabs(entered - days) < 1e-12, qPrintable(PlainNumberText(entered)));
    QCOMPARE(OffsetDisplayText(NumberText(entered)), shown);
    QCOMPARE(OffsetDisplayText(entered), shown);
}

// What is typed into a bound field, as stored and as shown afterwards; the
// text shown, read back, stores the same value again.
void TestFlightFields::fieldTyped_data() {
    QTest::addColumn<int>("type"); // FieldType
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("shown");

    const int dateTime = int(FieldType::DateTime), single = int(FieldType::Single),
              dbl = int(FieldType::Double), integer = int(FieldType::Integer), text = int(FieldType::Text);
    QTest::newRow("date typed d/m/y") << dateTime << "3/6/2001 10:00" << true << "2001-06-03 10:00:00";
    QTest::newRow("date alone") << dateTime << "2001-06-03" << true << "2001-06-03";
    QTest::newRow("31 February refused") << dateTime << "31/02/2001" << false << "";
    QTest::newRow("empty date") << dateTime << "" << true << "";
    QTest::newRow("climb rate") << single << "3.5" << true << "3.5";
    QTest::newRow("single keeps its digits") << single << "0.1" << true << "0.1";
    QTest::newRow("single negative") << single << "-2.7" << true << "-2.7";
    QTest::newRow("single not numeric") << single << "fast" << false << "";
    QTest::newRow("distance") << dbl << "12.5" << true << "12.5";
    QTest::newRow("offset in days") << dbl << "-0.0208333333333333" << true << "-0.0208333333333333";
    QTest::newRow("height") << integer << "1450" << true << "1450";
    QTest::newRow("height rounded half to even") << integer << "1450.5" << true << "1450";
    QTest::newRow("height too large") << integer << "3000000000" << false << "";
    QTest::newRow("height not numeric") << integer << "high" << false << "";
    QTest::newRow("empty height") << integer << "  " << true << "";
    QTest::newRow("comments") << text << "Pilot's best, 2:35 h" << true << "Pilot's best, 2:35 h";
}

void TestFlightFields::fieldTyped() {
    QFETCH(int, type);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, shown);
    const auto fieldType = FieldType(type);
    QString problem;
    const std::optional<QVariant> stored = ParseFieldText(fieldType, typed, &problem);
    QCOMPARE(stored.has_value(), accepted);
    if (!accepted) {
        QVERIFY(!problem.isEmpty());
        return;
    }
    QCOMPARE(FieldText(fieldType, *stored), shown);
    const std::optional<QVariant> again = ParseFieldText(fieldType, shown);
    QVERIFY(again.has_value());
    QCOMPARE(again->isNull(), stored->isNull());
    QCOMPARE(FieldText(fieldType, *again), shown);
    if (fieldType != FieldType::DateTime) QCOMPARE(*again, *stored);
}

QTEST_GUILESS_MAIN(TestFlightFields)
#include "tst_flightfields.moc"
