// The values derived from a flight's fields and the time offset's hours:minutes:seconds form, on the texts
// the fields show.

#include "core/daynumber.h"
#include "core/flightfields.h"
#include "core/flightstore.h"
#include "core/numbertext.h"

#include <QtTest>
#include <cmath>

using namespace soarnote;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// A row of two texts in and an optional text out; nullptr for "nothing".
void Row(const char* name, const char* a, const char* b, const char* result) {
    QTest::newRow(name) << QString::fromLatin1(a) << QString::fromLatin1(b)
                        << (result ? std::optional(QString::fromLatin1(result)) : std::nullopt);
}

} // namespace

class TestFlightFields : public QObject {
    Q_OBJECT
private slots:
    void flightTime_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<std::optional<QString>>("flightTime");
        Row("10:00 to 12:35", "2001-06-03 10:00:00", "2001-06-03 12:35:00", "02:35");
        Row("new entry: start = end", "2001-06-03 10:00:00", "2001-06-03 10:00:00", "00:00");
        Row("over midnight", "2001-06-03 23:30:00", "2001-06-04 01:15:00", "01:45");
        Row("59 min 30 s", "2001-06-03 10:00:00", "2001-06-03 10:59:30", "00:59");
        Row("over a day, not wrapped", "2001-06-03 10:00:00", "2001-06-04 11:00:00", "25:00");
        Row("landing before take-off", "2001-06-03 10:00:00", "2001-06-03 09:00:00", "-01:00");
        Row("end not a date", "2001-06-03 10:00:00", "31/02/2001 12:00", nullptr);
        Row("start empty", "", "2001-06-03 12:35:00", nullptr);
    }
    void flightTime() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QTEST(FlightTimeText(start, end), "flightTime");
    }

    // A typed duration sets the landing time; the flight time computed back from it is the duration typed.
    void endTime_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<std::optional<QString>>("end");
        Row("1:45 after 10:00", "2001-06-03 10:00:00", "1:45", "2001-06-03 11:45:00");
        Row("over midnight", "2001-06-03 22:00:00", "2:30", "2001-06-04 00:30:00");
        Row("landing at midnight", "2001-06-03 22:00:00", "2:00", "2001-06-04");
        Row("duration not a time", "2001-06-03 10:00:00", "long", nullptr);
        Row("duration 25 hours", "2001-06-03 10:00:00", "25:00", nullptr);
        Row("start not a date", "31/02/2001 10:00", "1:45", nullptr);
    }
    void endTime() {
        QFETCH(QString, start);
        QFETCH(QString, duration);
        const std::optional<QString> landing = EndTimeText(start, duration);
        QTEST(landing, "end");
        if (landing) QCOMPARE(FlightTimeText(start, *landing), ShortTimeText(*ParseDayNumber(duration)));
    }

    // A landing typed before the take-off is refused; empty or equal times are not.
    void landingBeforeTakeOff_data() {
        QTest::addColumn<QVariant>("start");
        QTest::addColumn<QVariant>("end");
        QTest::addColumn<bool>("refused");
        QTest::newRow("an hour before") << QVariant(37045.5) << QVariant(37045.5 - 1.0 / 24) << true;
        QTest::newRow("a second before") << QVariant(37045.5) << QVariant(37045.5 - 1.0 / 86400) << true;
        QTest::newRow("new entry, equal") << QVariant(37045.5) << QVariant(37045.5) << false;
        QTest::newRow("next day") << QVariant(37045.9) << QVariant(37046.1) << false;
        QTest::newRow("no landing") << QVariant(37045.5) << QVariant() << false;
    }
    void landingBeforeTakeOff() {
        QFETCH(QVariant, start);
        QFETCH(QVariant, end);
        QTEST(LandingBeforeTakeOff(start, end), "refused");
    }

    void heightDifference_data() {
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("startHeight");
        QTest::addColumn<std::optional<QString>>("difference");
        Row("gain 1450 - 300", "1450", "300", "1150");
        Row("loss 250 - 300", "250", "300", "-50");
        Row("half rounds to even (down)", "1450.5", "300", "1150");
        Row("half rounds to even (up)", "1451.5", "300", "1152");
        Row("difference beyond 32 bits", "2147483647", "-2147483648", "4294967295");
        Row("height too large", "3000000000", "0", nullptr);
        Row("start height empty", "1450", "", nullptr);
    }
    void heightDifference() {
        QFETCH(QString, height);
        QFETCH(QString, startHeight);
        QTEST(HeightDifferenceText(height, startHeight), "difference");
    }

    // The offset in days shown as hours:minutes:seconds.
    void offsetDisplay_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* days, const char* shown) {
            QTest::newRow(days) << QString::fromLatin1(days) << QString::fromLatin1(shown);
        };
        row("-0.0625", "-01:30:00");
        row("1.5", "36:00:00");
        row("0.999994", "23:59:59");
        row("0.9999999", "24:00:00");
        row(" 0.25", "06:00:00");
        row("abc", "00:00:00");
    }
    void offsetDisplay() {
        QFETCH(QString, days);
        QTEST(OffsetDisplayText(days), "shown");
    }

    // What the pilot types into the "Time" box, in days; leaving the box unchanged must store the value it
    // showed, so the offset shown reads back to the same days.
    void offsetEntry_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("days");
        QTest::newRow("-0:30") << "-0:30" << -30.0 / 1440;
        QTest::newRow("-00:30:00") << "-00:30:00" << -30.0 / 1440;
        QTest::newRow("90 is minutes") << "90" << 0.0625;
        QTest::newRow("-90 minutes") << "-90" << -0.0625;
        QTest::newRow("1:30:30") << "1:30:30" << (3600.0 + 1800 + 30) / 86400;
        QTest::newRow("-3:25:45") << "-3:25:45" << -(3 * 3600.0 + 25 * 60 + 45) / 86400;
        QTest::newRow("36 hours") << "36:00" << 1.5;
        QTest::newRow("-1:30 negates the minutes too") << "-1:30" << -0.0625;
        QTest::newRow("no hours") << ":30" << 30.0 / 1440;
        QTest::newRow("only a minus for hours") << "-:30" << -30.0 / 1440;
        QTest::newRow("minutes not numeric") << "1:xx:30" << (3600.0 + 30) / 86400;
        QTest::newRow("too many parts") << "1:2:3:4" << (60.0 + 2) / 1440;
        QTest::newRow("words") << "abc" << 0.0;
        const double refused = qQNaN();
        QTest::newRow("1e300 minutes") << "1e300" << refused;
        QTest::newRow("1e300 hours") << "1e300:00" << refused;
        QTest::newRow("longer than the calendar") << "-87600000:00" << refused;
    }
    void offsetEntry() {
        QFETCH(QString, typed);
        QFETCH(double, days);
        const std::optional<double> v = ParseOffsetEntry(typed);
        QVERIFY2(v.has_value() != qIsNaN(days), qPrintable(PlainNumberText(v.value_or(0))));
        if (!v) return;
        QVERIFY2(std::fabs(*v - days) < 1e-12, qPrintable(PlainNumberText(*v)));
        // The field holds its value as a number text.
        const QString shown = OffsetDisplayText(NumberText(*v));
        const double entered = ParseOffsetEntry(shown).value_or(qQNaN());
        QVERIFY2(std::fabs(entered - days) < 1e-12, qPrintable(shown));
    }

    // What is typed into a bound field, as stored and as shown afterwards; the text shown, read back, stores
    // the same value again.
    void fieldTyped_data() {
        QTest::addColumn<int>("type"); // FieldType
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("shown");
        const int dateTime = int(FieldType::DateTime), single = int(FieldType::Single),
                  dbl = int(FieldType::Double), integer = int(FieldType::Integer),
                  text = int(FieldType::Text);
        QTest::newRow("date typed d/m/y") << dateTime << "3/6/2001 10:00" << true << "2001-06-03 10:00:00";
        QTest::newRow("date alone") << dateTime << "2001-06-03" << true << "2001-06-03";
        QTest::newRow("31 February refused") << dateTime << "31/02/2001" << false << "";
        QTest::newRow("empty date") << dateTime << "" << true << "";
        QTest::newRow("single keeps its digits") << single << "0.1" << true << "0.1";
        QTest::newRow("single not numeric") << single << "fast" << false << "";
        QTest::newRow("offset in days") << dbl << "-0.0208333333333333" << true << "-0.0208333333333333";
        QTest::newRow("height rounded half to even") << integer << "1450.5" << true << "1450";
        QTest::newRow("height too large") << integer << "3000000000" << false << "";
        QTest::newRow("empty height") << integer << "  " << true << "";
        QTest::newRow("comments") << text << "Pilot's best, 2:35 h" << true << "Pilot's best, 2:35 h";
    }
    void fieldTyped() {
        QFETCH(int, type);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, shown);
        const auto fieldType = FieldType(type);
        QString problem;
        const std::optional<QVariant> stored = ParseFieldText(fieldType, typed, &problem);
        QCOMPARE(stored.has_value(), accepted);
        QCOMPARE(problem.isEmpty(), accepted);
        if (!accepted) return;
        QCOMPARE(FieldText(fieldType, *stored), shown);
        const std::optional<QVariant> again = ParseFieldText(fieldType, shown);
        QVERIFY(again.has_value());
        QCOMPARE(again->isNull(), stored->isNull());
        QCOMPARE(FieldText(fieldType, *again), shown);
        if (fieldType != FieldType::DateTime) QCOMPARE(*again, *stored);
    }
};

QTEST_GUILESS_MAIN(TestFlightFields)
#include "tst_flightfields.moc"
