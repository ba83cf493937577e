// The seams between the main window and what it borrows: the conditions of
// the flight being edited travel with its other edits (saved together,
// dropped together), and the logbook session outlives the window.

#include "core/testlogbook.h"
#include "windowfixture.h"

#include "core/daynumber.h"
#include "core/flightconditions.h"
#include "ui/conditionswindow.h"
#include "ui/flightform.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace soarnote;
using testlogbook::Scalar;

class TestSeams : public WindowFixture {
    Q_OBJECT

    QString path_;

    QVariant Stored(const QSqlDatabase& db, const char* field, int id) {
        return Scalar(
            db, QStringLiteral("SELECT \"%1\" FROM LogData WHERE ID = ?").arg(QString::fromLatin1(field)),
            {id});
    }
    static void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        path_ = dir_->filePath(QStringLiteral("seams.mdb"));
        const double day = DayNumber(QDate(2025, 5, 1), 10, 0, 0);
        QVERIFY(testlogbook::Builder(path_)
                    .Flight({{"StartTime", day}, {"EndTime", day + 0.1}, {"Comments", "first"}})
                    .Flight({{"StartTime", day + 1}, {"EndTime", day + 1.1}, {"Comments", "second"}})
                    .Row(QStringLiteral("Weather"), {{"Type", "Sunny"}})
                    .Row(QStringLiteral("Weather"), {{"Type", "Overcast"}})
                    .Build());
    }
    void cleanup() { TearDown(); }

    void conditionsTravelWithTheFlightsEdits_data() {
        QTest::addColumn<QString>("windSpeed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved with the comment") << QStringLiteral("25") << true;
        QTest::newRow("dropped with it") << QStringLiteral("fast") << false; // refused; the pilot discards
    }
    void conditionsTravelWithTheFlightsEdits() {
        QFETCH(QString, windSpeed);
        QFETCH(bool, saved);
        OpenMain(path_);
        prompts_.answers = {QMessageBox::Discard};
        ClickAt(main_->Form()->ConditionsButton()); // on the newest flight, the second
        ConditionsWindow* window = companions_->Conditions();
        QVERIFY(window && window->isVisible());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));

        ClickAt(window->Box(FlightConditions::CloudCover));
        Type(QStringLiteral("0.75"));
        // Back through the wind list to the weather list; Down picks its first row.
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->WeatherList());
        Press(Qt::Key_Down);
        QCOMPARE(window->WeatherList()->currentText(), QStringLiteral("Sunny"));
        ClickAt(window->Box(FlightConditions::WindSpeed));
        Type(windSpeed);
        QVERIFY(main_->Form()->IsModified());

        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
        ClickAt(main_->Form()->Comments());
        Press(Qt::Key_End, Qt::ControlModifier);
        Type(QStringLiteral(", cumulus"));
        QVERIFY(Stored(main_->Session().Db(), "Weather", 2).isNull()); // nothing before the flight is left
        Press(Qt::Key_PageDown); // to the first flight: the second is saved or its edits dropped
        QCOMPARE(main_->Form()->Comments()->toPlainText(), QStringLiteral("first"));
        QCOMPARE(prompts_.asked.size(), saved ? 0 : 1);

        const QSqlDatabase db = main_->Session().Db();
        QCOMPARE(Stored(db, "Comments", 2).toString(),
                 saved ? QStringLiteral("second, cumulus") : QStringLiteral("second"));
        QCOMPARE(Stored(db, "Weather", 2).toInt(), saved ? 1 : 0); // the first row, or none
        QCOMPARE(Stored(db, "CloudCover", 2).toDouble(), saved ? 0.75 : 0.0);
        QCOMPARE(Stored(db, "WindSpeed", 2).toDouble(), saved ? 25.0 : 0.0);
        QVERIFY(window->Conditions() == FlightConditions()); // the first flight has none

        Press(Qt::Key_PageUp); // back: the window shows what is stored
        QCOMPARE(window->WeatherList()->currentText(), saved ? QStringLiteral("Sunny") : QString());
        QCOMPARE(window->Box(FlightConditions::WindSpeed)->text(), saved ? windSpeed : QString());
        QVERIFY(!main_->Form()->IsModified());
    }

    // The window borrows the logbook: letting the window go stores what was
    // typed and leaves the logbook open for its owner.
    void windowLeavesTheLogbookToItsOwner() {
        settings_->Write(keys::DatabaseName, path_);
        LogbookSession session;
        {
            MainWindow window(session, settings_.get(), &prompts_);
            window.Startup();
            window.show();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            ClickAt(window.Form()->Comments());
            Press(Qt::Key_End, Qt::ControlModifier);
            Type(QStringLiteral(", ridge"));
        }
        QVERIFY(session.IsOpen());
        QCOMPARE(Stored(session.Db(), "Comments", 2).toString(), QStringLiteral("second, ridge"));
        QVERIFY(session.Flights().MoveFirst());
        QCOMPARE(session.Flights().Current().Value(QStringLiteral("Comments")).toString(),
                 QStringLiteral("first"));
        session.CloseLogbook();
    }
};

QTEST_MAIN(TestSeams)
#include "tst_seams.moc"
