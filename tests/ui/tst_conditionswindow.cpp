// The conditions window beside the real main window: every change goes into
// the current flight and travels with its other edits, the window follows
// the current flight and its lists open the table editor.

#include "windowfixture.h"

#include "core/tableaccess.h"

using namespace soarnote;

class TestConditionsWindow : public WindowFixture {
    Q_OBJECT

    ConditionsWindow* Window() { return companions_->Conditions(); }
    void PageDown() { QTest::keyClick(main_->Form()->Comments(), Qt::Key_PageDown); }
    void PageUp() { QTest::keyClick(main_->Form()->Comments(), Qt::Key_PageUp); }

    // Two flights (the second with conditions already stored, one of them a
    // weather row that is gone), two weather and two wind rows.
    QString MakeLogbook() {
        testlogbook::Builder logbook(Path(QStringLiteral("conditions.mdb")));
        logbook
            .Flight(
                {{"StartTime", Day(2025, 5, 1, 10)}, {"EndTime", Day(2025, 5, 1, 12)}, {"Comments", "first"}})
            .Flight({{"StartTime", Day(2025, 5, 2, 10)},
                     {"EndTime", Day(2025, 5, 2, 12)},
                     {"Comments", "second"},
                     {"Weather", 99},
                     {"Wind", 1},
                     {"WindSpeed", 12.5},
                     {"CloudBase", 1800},
                     {"CloudCover", 0.5}})
            .Row("Weather", {{"Type", "Sunny"}, {"CloudCover", 0.1}})
            .Row("Weather", {{"Type", "Overcast"}, {"CloudCover", 0.9}})
            .Row("Wind", {{"Type", "Light"}})
            .Row("Wind", {{"Type", "Strong"}});
        return logbook.Build() ? logbook.Path() : QString();
    }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        OpenMain(MakeLogbook());
    }
    void cleanup() { TearDown(); }

    void menuItemAndButtonToggleTheWindow() {
        QAction* item = main_->MenuItem(QStringLiteral("Conditions"));
        QPushButton* button = main_->Form()->ConditionsButton();
        QVERIFY(item->isEnabled() && button->isEnabled());
        item->trigger();
        QVERIFY(Window() && Window()->isVisible());
        QVERIFY(item->isChecked());
        QCOMPARE(Window()->windowTitle(), QStringLiteral("Conditions"));
        QCOMPARE(Window()->parentWidget(), main_.get());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!item->isChecked());
        QTRY_VERIFY(!Window());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(Window() && Window()->isVisible());
        QVERIFY(item->isChecked());
        Window()->close(); // the close box
        QVERIFY(!item->isChecked());
        QTRY_VERIFY(!Window());
    }

    void showsTheCurrentFlight() {
        companions_->ShowConditions(true);                           // on the newest flight, the second
        QCOMPARE(Window()->WeatherList()->currentText(), QString()); // its weather row is gone
        QCOMPARE(Window()->WindList()->currentText(), QStringLiteral("Light"));
        QCOMPARE(Window()->Box(FlightConditions::WindSpeed)->text(), QStringLiteral("12.5"));
        QCOMPARE(Window()->Box(FlightConditions::CloudBase)->text(), QStringLiteral("1800"));
        QCOMPARE(Window()->Box(FlightConditions::CloudCover)->text(), QStringLiteral("0.5"));
        QCOMPARE(Window()->WeatherList()->count(), 3); // no choice, Sunny, Overcast
        PageDown();
        QCOMPARE(main_->Form()->Comments()->toPlainText(), QStringLiteral("first"));
        QVERIFY(Window()->Conditions() == FlightConditions());
        PageUp();
        QCOMPARE(Window()->WindList()->currentText(), QStringLiteral("Light"));
        // Showing a flight wrote nothing back, not even the weather row that is gone.
        QCOMPARE(Stored("Weather", 2).toInt(), 99);
        QVERIFY(!main_->Form()->IsModified());
    }

    // Every change goes into the flight at once and travels with the
    // flight's other edits: saved together, or dropped together when the
    // pilot discards a value the flight refuses.
    void everyChangeTravelsWithTheFlight_data() {
        QTest::addColumn<QString>("windSpeed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved with the comment") << QStringLiteral("25") << true;
        QTest::newRow("dropped with it") << QStringLiteral("fast") << false;
    }

    void everyChangeTravelsWithTheFlight() {
        QFETCH(QString, windSpeed);
        QFETCH(bool, saved);
        Answers({QMessageBox::Discard});
        PageDown(); // the first flight, no conditions yet
        ClickAt(main_->Form()->ConditionsButton());
        ConditionsWindow* w = Window();
        QVERIFY(w && Activate(w));
        ClickAt(w->Box(FlightConditions::CloudCover));
        Type(QStringLiteral("0.75"));
        QCOMPARE(main_->Form()->Conditions().Text(FlightConditions::CloudCover), QStringLiteral("0.75"));
        // Back through the wind list to the weather list; Down picks the next row.
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), w->WeatherList());
        Press(Qt::Key_Down);
        Press(Qt::Key_Down);
        QCOMPARE(w->WeatherList()->currentText(), QStringLiteral("Overcast"));
        QCOMPARE(main_->Form()->Conditions().Text(FlightConditions::Weather),
                 QStringLiteral("2")); // the row's ID
        Press(Qt::Key_Tab);
        Press(Qt::Key_Down);
        Press(Qt::Key_Down);
        QCOMPARE(main_->Form()->Conditions().Text(FlightConditions::Wind), QStringLiteral("2"));
        ClickAt(w->Box(FlightConditions::CloudBase));
        Type(QStringLiteral("1500"));
        ClickAt(w->Box(FlightConditions::WindSpeed));
        Type(windSpeed);
        QVERIFY(main_->Form()->IsModified());

        QVERIFY(Activate(main_.get()));
        ClickAt(main_->Form()->Comments());
        Press(Qt::Key_End, Qt::ControlModifier);
        Type(QStringLiteral(", cumulus"));
        QVERIFY(Stored("Weather", 1).isNull()); // nothing before the flight is left
        Press(Qt::Key_PageUp);                  // the first flight is saved or its edits dropped
        QCOMPARE(prompts_.asked.size(), saved ? 0 : 1);
        QCOMPARE(Stored("Comments", 1).toString(),
                 saved ? QStringLiteral("first, cumulus") : QStringLiteral("first"));
        QCOMPARE(Stored("Weather", 1).toInt(), saved ? 2 : 0);
        QCOMPARE(Stored("CloudCover", 1).toDouble(), saved ? 0.75 : 0.0);
        QCOMPARE(Stored("CloudBase", 1).toDouble(), saved ? 1500.0 : 0.0);
        QCOMPARE(Stored("Wind", 1).toInt(), saved ? 2 : 0);
        QCOMPARE(Stored("WindSpeed", 1).toDouble(), saved ? 25.0 : 0.0);
        QCOMPARE(Stored("Wind", 2).toInt(), 1); // the other flight kept its own
        QCOMPARE(w->WindList()->currentText(), QStringLiteral("Light"));

        Press(Qt::Key_PageDown); // back: the window shows what is stored
        QCOMPARE(w->WeatherList()->currentText(), saved ? QStringLiteral("Overcast") : QString());
        QCOMPARE(w->WindList()->currentText(), saved ? QStringLiteral("Strong") : QString());
        QCOMPARE(w->Box(FlightConditions::WindSpeed)->text(), saved ? windSpeed : QString());
        QCOMPARE(w->Box(FlightConditions::CloudCover)->text(), saved ? QStringLiteral("0.75") : QString());
        QVERIFY(!main_->Form()->IsModified());
        // Choosing no entry empties the field.
        w->WeatherList()->setCurrentIndex(0);
        Press(Qt::Key_PageUp);
        QVERIFY(Stored("Weather", 1).isNull());
    }

    void doubleClickEditsTheList() {
        companions_->ShowConditions(true);
        ConditionsWindow* w = Window();
        w->WindList()->setCurrentIndex(w->WindList()->findText(QStringLiteral("Strong")));
        DoubleClickAt(w->WeatherList());
        TableEditor* editor = companions_->TableView();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->Table(), QStringLiteral("Weather"));
        QCOMPARE(editor->windowModality(), Qt::ApplicationModal);
        QVERIFY(!editor->LinkMode());
        QVERIFY(editor->Sort().isEmpty());
        QCOMPARE(editor->Navigation()->Caption(), QStringLiteral("Weather Conditions"));
        // The pending choice was saved before the editor showed the logbook.
        QCOMPARE(Stored("Wind", 2).toInt(), 2);
        LogbookTableModel* model = editor->Model();
        QVERIFY(model->setData(model->index(0, model->ColumnOf(QStringLiteral("Type"))),
                               QStringLiteral("Sunny spells")));
        editor->OkButton()->click();
        QTRY_VERIFY(!companions_->TableView());
        QCOMPARE(w->WeatherList()->itemText(1), QStringLiteral("Sunny spells"));
        QCOMPARE(w->WindList()->currentText(), QStringLiteral("Strong"));

        DoubleClickAt(w->WindList());
        QCOMPARE(companions_->TableView()->Table(), QStringLiteral("Wind"));
        QCOMPARE(companions_->TableView()->Navigation()->Caption(), QStringLiteral("Wind Details"));
        companions_->TableView()->OkButton()->click();
        QTRY_VERIFY(!companions_->TableView());
    }

    void closedAndDestroyedWithTheMainWindow_data() {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("closed, then destroyed") << true;
        QTest::newRow("destroyed while open") << false;
    }

    void closedAndDestroyedWithTheMainWindow() {
        QFETCH(bool, closeFirst);
        companions_.reset();
        // As the program keeps it: a child of the main window.
        QPointer<CompanionWindows> owned =
            new CompanionWindows(*main_, main_->Session(), *settings_, prompts_, main_.get());
        owned->ConnectMenus();
        owned->ShowTotals(true);
        owned->ShowConditions(true);
        owned->LinkTracks();
        QVERIFY(owned->TableView() && owned->Totals() && owned->Conditions());
        if (closeFirst) {
            owned->Conditions()->close();
            owned->ShowConditions(true);
            main_->close();
            QTRY_VERIFY(!owned->Totals() && !owned->Conditions() && !owned->TableView());
        }
        main_.reset();
        QVERIFY(!owned);
    }
};

QTEST_MAIN(TestConditionsWindow)
#include "tst_conditionswindow.moc"
