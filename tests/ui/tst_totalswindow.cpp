// Totals: the query for all flights, the last 12 months and a year, the
// hours:minutes text, the window's options and year spinner, and its place
// beside the main window with the conditions window.

#include "windowfixture.h"

#include "core/daynumber.h"
#include "core/logbooksession.h"
#include "core/totals.h"

#include <QRadioButton>
#include <QToolButton>

using namespace soarnote;

namespace {

// "Now" for every test: 15 June 2025, noon. 365 days earlier is 15 June 2024, noon.
const double kNow = Day(2025, 6, 15, 12, 0);

struct Flight {
    double start;
    double end;
    QVariant distance;
};

// Flights of four seasons, one on each side of the 365-day boundary, one that
// lands before it took off and one of more than 99 hours.
const QList<Flight>& Flights() {
    static const QList<Flight> flights = {
        {Day(2025, 6, 1, 10, 0), Day(2025, 6, 1, 12, 30), 12.5},     // 2:30
        {Day(2025, 3, 10, 9, 0), Day(2025, 3, 10, 9, 45), 3.2},      // 0:45
        {Day(2024, 6, 15, 13, 0), Day(2024, 6, 15, 14, 0), 20.0},    // 1:00, an hour after the boundary
        {Day(2024, 6, 15, 11, 0), Day(2024, 6, 15, 11, 30), 1.0},    // 0:30, an hour before it
        {Day(2023, 5, 1, 10, 0), Day(2023, 5, 1, 13, 0), 5.0},       // 3:00
        {Day(2023, 8, 1, 10, 0), Day(2023, 8, 1, 9, 0), QVariant()}, // -1:00, no distance
        {Day(2022, 7, 1, 0, 0), Day(2022, 7, 6, 3, 45), 100.0},      // 123:45
    };
    return flights;
}

} // namespace

class TestTotals : public WindowFixture {
    Q_OBJECT

    QString logbook_;

    QString MakeLogbook(const QString& name, const QList<Flight>& flights) {
        testlogbook::Builder logbook(Path(name));
        for (const Flight& f : flights)
            logbook.Flight({{"StartTime", f.start}, {"EndTime", f.end}, {"Distance", f.distance}});
        return logbook.Build() ? logbook.Path() : QString();
    }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        logbook_ = MakeLogbook(QStringLiteral("seasons.mdb"), Flights());
        QVERIFY(!logbook_.isEmpty());
    }
    void cleanup() { TearDown(); }

    void totalsQuery_data() {
        QTest::addColumn<int>("span");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("distance");
        // The seasons' totals (both sides of the 365-day boundary, a flight
        // landing before take-off, more than 99 hours, a year without flights)
        // are read through the window below; here the year texts that are no
        // plain year, and the edge of the last 12 months.
        for (auto [year, hours, distance] :
             {std::tuple{" 2025 ", "03:15", "15.7"}, {"2025'", "00:00", ""}, {"", "00:00", ""}})
            QTest::newRow(year) << int(TotalsSpan::Year) << QString(year) << QString(hours)
                                << QString(distance);
        // A flight that started at exactly this moment 365 days ago is not counted; one a minute later is.
        QTest::newRow("edge") << int(TotalsSpan::Last12Months) << QString() << "01:59"
                              << "2";
    }

    void totalsQuery() {
        QFETCH(int, span);
        QFETCH(QString, year);
        const QString path = span == int(TotalsSpan::Year)
                                 ? logbook_
                                 : MakeLogbook(QStringLiteral("edge.mdb"),
                                               {{kNow - 365.0, kNow - 365.0 + 1.0 / 24, 1.0},
                                                {kNow - 365.0 + kOneMinute, kNow - 365.0 + 2.0 / 24, 2.0}});
        LogbookDatabase db;
        QString error;
        QVERIFY(db.Open(path, &error));
        const std::optional<Totals> totals =
            ReadTotals(db.Db(), static_cast<TotalsSpan>(span), kNow, year, &error);
        QVERIFY2(totals, qPrintable(error));
        QTEST(TotalTimeText(totals->flightTime), "hours");
        QTEST(TotalDistanceText(totals->distance), "distance");
    }

    void timeText_data() {
        QTest::addColumn<QVariant>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("1.5 days and 7 minutes") << QVariant(1.5 + 7.0 / 1440) << "36:07";
        QTest::newRow("nothing") << QVariant() << "00:00";
        QTest::newRow("not a number") << QVariant(QStringLiteral("x")) << "00:00";
        QTest::newRow("seconds dropped") << QVariant((3600 + 59 * 60 + 59.4) / 86400.0) << "01:59";
        QTest::newRow("a second short of two hours rounds up") << QVariant((7200 - 0.4) / 86400.0) << "02:00";
        QTest::newRow("negative") << QVariant(-0.5 / 24) << "-00:30";
        QTest::newRow("under a minute below zero") << QVariant(-10.0 / 86400) << "00:00";
    }

    void timeText() {
        QFETCH(QVariant, days);
        QTEST(TotalTimeText(days), "text");
    }

    void windowOptionsAndYearSpinner() {
        LogbookSession session;
        QVERIFY(session.OpenLogbook(logbook_).Ok());
        TotalsWindow window(session, nullptr);
        window.SetClock([] { return kNow; });
        QCOMPARE(window.HoursText()->text(), QStringLiteral("000:00")); // before the first query
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Totals"));
        QVERIFY(window.Option(0)->isChecked());
        QCOMPARE(window.YearBox()->text(), QStringLiteral("2025"));
        QCOMPARE(window.HoursText()->text(), QStringLiteral("130:30"));
        QCOMPARE(window.DistanceText()->text(), QStringLiteral("141.7"));
        // The figures say their units; the year buttons are big enough for their signs.
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Unit0"))->text(), QStringLiteral("h:mm"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Unit1"))->text(), QStringLiteral("km"));
        for (QToolButton* step : window.findChildren<QToolButton*>())
            QVERIFY(step->width() >= step->sizeHint().width() && step->height() >= step->sizeHint().height());

        ClickAt(window.Option(1));
        QCOMPARE(window.SelectedOption(), 1);
        QCOMPARE(window.HoursText()->text(), QStringLiteral("04:15"));
        ClickAt(window.Option(2));
        QCOMPARE(window.HoursText()->text(), QStringLiteral("03:15"));
        QCOMPARE(window.DistanceText()->text(), QStringLiteral("15.7"));
        QVERIFY(!window.Option(0)->isChecked() && !window.Option(1)->isChecked());

        // Every showing starts again from all flights and this year.
        window.YearBox()->setText(QStringLiteral("2022"));
        window.hide();
        window.show();
        QVERIFY(window.Option(0)->isChecked());
        QCOMPARE(window.YearBox()->text(), QStringLiteral("2025"));
        QCOMPARE(window.HoursText()->text(), QStringLiteral("130:30"));

        // The spinner steps the year and selects it.
        struct Step {
            int button;
            const char* year;
            const char* hours;
            const char* distance;
        };
        const Step steps[] = {{0, "2024", "01:30", "21"},
                              {0, "2023", "02:00", "5"},
                              {0, "2022", "123:45", "100"},
                              {0, "2021", "00:00", ""},
                              {1, "2022", "123:45", "100"}};
        for (const Step& s : steps) {
            ClickAt(window.YearButton(s.button));
            QCOMPARE(window.YearBox()->text(), QString::fromLatin1(s.year));
            QCOMPARE(window.SelectedOption(), 2);
            QVERIFY(window.Option(2)->isChecked());
            QCOMPARE(window.HoursText()->text(), QString::fromLatin1(s.hours));
            QCOMPARE(window.DistanceText()->text(), QString::fromLatin1(s.distance));
        }
        // A year typed by hand is used when the Year option is clicked (or Enter pressed).
        window.YearBox()->setText(QStringLiteral("2023"));
        QTest::keyClick(window.YearBox(), Qt::Key_Return);
        QCOMPARE(window.HoursText()->text(), QStringLiteral("02:00"));
        // Text that is not a year: the spinner does nothing, the query shows empty totals.
        window.YearBox()->setText(QStringLiteral("next"));
        ClickAt(window.YearButton(1));
        QCOMPARE(window.YearBox()->text(), QStringLiteral("next"));
        QCOMPARE(window.HoursText()->text(), QStringLiteral("02:00"));
        ClickAt(window.Option(2));
        QCOMPARE(window.HoursText()->text(), QStringLiteral("00:00"));
        QCOMPARE(window.DistanceText()->text(), QString());
    }

    void menuItemPlacesAndChecks() {
        MainWindow& main = *OpenMain(logbook_);
        CompanionWindows& companions = *companions_;
        QAction* item = main.MenuItem(QStringLiteral("&Totals"));
        QVERIFY(item->isEnabled() && item->isCheckable());
        QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));

        item->trigger();
        TotalsWindow* totals = companions.Totals();
        QVERIFY(totals && totals->isVisible());
        QVERIFY(item->isChecked());
        QCOMPARE(totals->parentWidget(), &main); // owned by the main window
        QCOMPARE(totals->HoursText()->text(), QStringLiteral("130:30"));

        // The totals follow the logbook's flights.
        main.ToggleEditMode();
        main.NewEntry();
        QCOMPARE(totals->HoursText()->text(), QStringLiteral("130:30")); // a new entry lasts no time
        main.Session().Flights().MoveTo(0);                              // the 123-hour flight
        main.DeleteEntry();
        QCOMPARE(totals->HoursText()->text(), QStringLiteral("06:45"));

        // Toggled off: closed and unloaded, check mark gone.
        item->trigger();
        QVERIFY(!item->isChecked());
        QTRY_VERIFY(!companions.Totals());
        // The window's own close box clears the check mark too.
        item->trigger();
        QVERIFY(item->isChecked());
        companions.Totals()->close();
        QVERIFY(!item->isChecked());
        QTRY_VERIFY(!companions.Totals());
    }

    void placementBesideTheMainWindow() {
        MainWindow& main = *OpenMain(logbook_);
        main.move(20, 10);
        const int right = main.frameGeometry().right() + 1;
        // Totals first, then conditions: the conditions window goes below the totals.
        companions_->ShowTotals(true);
        companions_->ShowConditions(true);
        QCOMPARE(companions_->Totals()->frameGeometry().topLeft(), QPoint(right, main.frameGeometry().top()));
        QCOMPARE(companions_->Conditions()->frameGeometry().topLeft(),
                 QPoint(right, companions_->Totals()->frameGeometry().bottom() + 1));
        QVERIFY(main.MenuItem(QStringLiteral("Conditions"))->isChecked());
    }

    void placeCompanionRule() {
        QWidget main;
        main.setGeometry(100, 50, 300, 400);
        main.show();
        QWidget other(&main, Qt::Window);
        other.setGeometry(500, 50, 120, 80);
        QWidget companion(&main, Qt::Window);
        companion.resize(100, 60);
        // The other one hidden: at the top.
        PlaceCompanion(&companion, &main, &other);
        QCOMPARE(companion.frameGeometry().topLeft(),
                 QPoint(main.frameGeometry().right() + 1, main.frameGeometry().top()));
        // The other one shown at the main window's top: below it.
        other.move(main.frameGeometry().right() + 1, main.frameGeometry().top());
        other.show();
        PlaceCompanion(&companion, &main, &other);
        QCOMPARE(companion.frameGeometry().top(), other.frameGeometry().bottom() + 1);
        // The other one moved away by the pilot: at the top again.
        other.move(other.x(), other.y() + 200);
        PlaceCompanion(&companion, &main, &other);
        QCOMPARE(companion.frameGeometry().top(), main.frameGeometry().top());
        PlaceCompanion(&companion, &main, nullptr);
        QCOMPARE(companion.frameGeometry().top(), main.frameGeometry().top());
    }
};

QTEST_MAIN(TestTotals)
#include "tst_totalswindow.moc"
