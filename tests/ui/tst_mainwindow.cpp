// The main window driven as a user drives it: keys, the position box, the
// edit commands, the file commands and the toolbar, on real logbook files.

#include "windowfixture.h"

#include "ui/kit/statuspanel.h"

#include <QListWidget>

using namespace soarnote;

namespace {

// Flights from 10:00 to 11:00 on 1, 2, ... May 2025.
QList<QPair<double, double>> Daily(int count) {
    QList<QPair<double, double>> flights;
    for (int i = 1; i <= count; ++i)
        flights.append({Day(2025, 5, i, 10), Day(2025, 5, i, 11)});
    return flights;
}

} // namespace

class TestMainWindow : public WindowFixture {
    Q_OBJECT

    // Flights given as (start, end), inserted in this order and commented
    // "flight 0", "flight 1", ...; the second gets a linked track.
    QString MakeLogbook(const QString& name, const QList<QPair<double, double>>& flights) {
        testlogbook::Builder logbook(Path(name));
        for (int i = 0; i < flights.size(); ++i)
            logbook.Flight({{"StartTime", flights[i].first},
                            {"EndTime", flights[i].second},
                            {"StartHeight", 300 + i},
                            {"MaxHeight", 1450},
                            {"MinHeight", 250},
                            {"Comments", QStringLiteral("flight %1").arg(i)}});
        if (flights.size() > 1) logbook.Row("Tracks", {{"LogID", 2}, {"StartTime", flights[1].first}});
        return logbook.Build() ? logbook.Path() : QString();
    }

    static QString CurrentComment(MainWindow& w) { return w.Form()->Comments()->toPlainText(); }

private slots:
    void init() { QVERIFY(PrepareFolder()); }
    void cleanup() { TearDown(); }

    void navigationKeys_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("position");
        QTest::addColumn<bool>("plot"); // only the second flight has a track
        // Page Up is the later flight, Page Down the earlier one.
        QTest::newRow("page up on last does nothing") << QList<int>{Qt::Key_PageUp} << "4" << false;
        QTest::newRow("page down") << QList<int>{Qt::Key_PageDown} << "3" << false;
        QTest::newRow("page down on first does nothing")
            << QList<int>{Qt::Key_Home, Qt::Key_PageDown} << "1" << false;
        QTest::newRow("home then page up") << QList<int>{Qt::Key_Home, Qt::Key_PageUp} << "2" << true;
        QTest::newRow("on past the track")
            << QList<int>{Qt::Key_Home, Qt::Key_PageUp, Qt::Key_PageUp} << "3" << false;
        QTest::newRow("end after home") << QList<int>{Qt::Key_Home, Qt::Key_End} << "4" << false;
    }

    void navigationKeys() {
        QFETCH(QList<int>, keys);
        QFETCH(QString, position);
        QFETCH(bool, plot);
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("nav.mdb"), Daily(4)));
        // The keys work wherever the focus is, and never reach the focused box.
        QLineEdit* distance = w->Form()->Edit(QStringLiteral("Distance"));
        distance->setText(QStringLiteral("12.5"));
        distance->setCursorPosition(2);
        for (int key : keys)
            QTest::keyClick(distance, static_cast<Qt::Key>(key));
        QCOMPARE(w->Navigation()->PositionBox()->text(), position);
        QCOMPARE(distance->cursorPosition(), position == QLatin1String("4") && keys.size() == 1 ? 2 : 0);
        QCOMPARE(w->MenuItem(QStringLiteral("&3D Plot"))->isEnabled(), plot);
        QCOMPARE(w->Toolbar()->Button(QStringLiteral("3DPlot"))->isEnabled(), plot);
    }

    void menuShortcutsWinOverTextBoxes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("offered");
        QTest::newRow("Ctrl+U in Distance") << "Distance" << int(Qt::Key_U) << "&Update Log" << true;
        QTest::newRow("Ctrl+E in Distance") << "Distance" << int(Qt::Key_E) << "&Enable Edit" << true;
        QTest::newRow("Ctrl+U in position box") << "Position" << int(Qt::Key_U) << "&Update Log" << true;
        // A command not offered just now still leaves the text alone.
        QTest::newRow("Ctrl+U, download not offered")
            << "Distance" << int(Qt::Key_U) << "&Update Log" << false;
    }

    void menuShortcutsWinOverTextBoxes() {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(QString, item);
        QFETCH(bool, offered);
        const QString path = MakeLogbook(QStringLiteral("keys.mdb"), Daily(2));
        QCOMPARE(testlogbook::ExecOnFile(path, QStringLiteral("UPDATE LogData SET Distance = 2.2")),
                 QString());
        MainWindow* w = OpenMain(path);
        QAction* command = w->MenuItem(item);
        command->setEnabled(offered);
        QSignalSpy triggered(command, &QAction::triggered);
        QVERIFY(Activate(w));
        QLineEdit* edit =
            box == QLatin1String("Position") ? w->Navigation()->PositionBox() : w->Form()->Edit(box);
        const QString before = edit->text();
        ClickAt(edit);
        QCOMPARE(QApplication::focusWidget(), edit);
        Press(key, Qt::ControlModifier);
        QCOMPARE(triggered.size(), offered ? 1 : 0);
        QCOMPARE(edit->text(), before);
        // Moving on saves nothing changed; coming back shows the stored value.
        Press(Qt::Key_PageDown);
        Press(Qt::Key_PageUp);
        QCOMPARE(Stored("Distance", 2).toDouble(), 2.2);
        QCOMPARE(w->Form()->Edit(QStringLiteral("Distance"))->text(), QStringLiteral("2.2"));
    }

    void runningTransferCanBeStopped_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("Escape") << "Escape" << 0 << true;
        QTest::newRow("cancel button") << "button" << 0 << true;
        QTest::newRow("Exit, stop it") << "Exit" << int(QMessageBox::Yes) << true;
        QTest::newRow("Exit, keep it") << "Exit" << int(QMessageBox::No) << false;
    }

    void runningTransferCanBeStopped() {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, stopped);
        bool busy = true; // outlives the window that asks about it
        int cancels = 0;
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("transfer.mdb"), Daily(1)));
        w->AddTransferCheck([&busy] { return busy; },
                            [&busy, &cancels] {
                                ++cancels;
                                busy = false;
                            });
        QVERIFY(Activate(w));
        QTRY_VERIFY(w->CancelButton()->isVisible());
        if (how == QLatin1String("Escape")) {
            w->Form()->Comments()->setFocus();
            Press(Qt::Key_Escape);
        } else if (how == QLatin1String("button")) {
            ClickAt(w->CancelButton());
        } else {
            Answers({answer});
            w->MenuItem(QStringLiteral("&Exit"))->trigger();
            QCOMPARE(prompts_.asked.size(), 1);
            QCOMPARE(prompts_.asked[0].text, QStringLiteral("A transfer is running. Stop it and exit?"));
            QCOMPARE(w->isVisible(), !stopped);
        }
        QCOMPARE(cancels, stopped ? 1 : 0);
        QCOMPARE(busy, !stopped);
        if (how != QLatin1String("Exit")) QTRY_VERIFY(!w->CancelButton()->isVisible());
        busy = false; // the transfer ends by itself
    }

    void plotOffsetsMakeRoomForThemselves() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("offsets.mdb"), Daily(1)));
        w->resize(w->width(), w->minimumHeight()); // as small as the pilot can make it
        w->MenuItem(QStringLiteral("Plot &Offsets"))->trigger();
        QVERIFY(w->Form()->OffsetsShown());
        // No field of any frame is squeezed below the height it needs.
        QTRY_VERIFY(w->height() >= w->minimumSizeHint().height());
        QCoreApplication::processEvents();
        for (QLineEdit* edit : w->Form()->findChildren<QLineEdit*>()) {
            if (!edit->isVisible()) continue;
            QVERIFY2(edit->height() >= edit->minimumSizeHint().height(), qPrintable(edit->objectName()));
        }
    }

    void helpWindowBesideTheMainWindowAndClosesWithEscape() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("help.mdb"), Daily(1)));
        w->move(0, 0);
        QVERIFY(Activate(w));
        Press(Qt::Key_F1);
        auto* help = w->findChild<QMainWindow*>(QStringLiteral("HelpWindow"));
        QVERIFY(help && help->isVisible());
        QVERIFY(help->frameGeometry().topLeft() != w->frameGeometry().topLeft());
        help->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), help);
        Press(Qt::Key_Escape);
        QTRY_VERIFY(!help->isVisible());
    }

    void customizeToolbarRowsStayApartWhenMoving() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("toolbar.mdb"), Daily(1)));
        ToolbarCustomizeDialog dialog(w->Toolbar(), w);
        dialog.show();
        QListWidget* current = dialog.Current();
        int separator = -1;
        for (int row = current->count() - 1; row > 0 && separator < 0; --row)
            if (current->item(row)->data(Qt::UserRole).toString() == QLatin1String("-")) separator = row;
        QVERIFY(separator >= 2);
        current->setCurrentRow(separator);
        QPushButton* up = nullptr;
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Move &Up")) up = b;
        QVERIFY(up);
        ClickAt(up);
        ClickAt(up);
        QCOMPARE(current->item(separator - 2)->data(Qt::UserRole).toString(), QStringLiteral("-"));
        QCoreApplication::processEvents();
        // Each row is drawn below the one before it, none over another.
        for (int row = 1; row < current->count(); ++row)
            QVERIFY2(current->visualItemRect(current->item(row)).top() >=
                         current->visualItemRect(current->item(row - 1)).bottom(),
                     qPrintable(QString::number(row)));
    }

    void positionBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("comment");
        // By start time the flights are 2, 0, 1; the newest (1) is shown first.
        for (auto [typed, comment] : {std::pair{"", "flight 1"},
                                      {"1", "flight 2"},
                                      {"2", "flight 0"},
                                      {"x", "flight 1"},
                                      {"9", "flight 1"},
                                      {"0", "flight 1"}})
            QTest::newRow(*typed ? typed : "opened") << QString(typed) << QString(comment);
    }

    void positionBox() {
        QFETCH(QString, typed);
        const QString path =
            MakeLogbook(QStringLiteral("pos.mdb"), {{Day(2025, 5, 1, 10), Day(2025, 5, 1, 11)},
                                                    {Day(2025, 5, 2, 10), Day(2025, 5, 2, 11)},
                                                    {Day(2025, 4, 1, 10), Day(2025, 4, 1, 11)}});
        MainWindow* w = OpenMain(path);
        QCOMPARE(w->windowTitle(), QStringLiteral("Soarnote - pos"));
        QCOMPARE(settings_->Text(keys::DatabaseName), QFileInfo(path).absoluteFilePath());
        QLineEdit* box = w->Navigation()->PositionBox();
        QCOMPARE(box->text(), QStringLiteral("3"));
        if (!typed.isEmpty()) {
            box->selectAll();
            QTest::keyClicks(box, typed);
            QTest::keyClick(box, Qt::Key_Return);
        }
        QTEST(CurrentComment(*w), "comment");
    }

    void emptyLogbook() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("empty.mdb"), {}));
        QCOMPARE(w->Navigation()->PositionBox()->text(), QStringLiteral("0"));
        QTest::keyClick(w->Form()->Edit(QStringLiteral("Distance")), Qt::Key_PageDown);
        QCOMPARE(w->Navigation()->PositionBox()->text(), QStringLiteral("0"));
        QVERIFY(!w->MenuItem(QStringLiteral("&3D Plot"))->isEnabled());
        // No flight to hold what is typed: the fields take no input; deleting does nothing.
        QLineEdit* distance = w->Form()->Edit(QStringLiteral("Distance"));
        QVERIFY(!distance->isEnabled());
        QVERIFY(!w->Form()->Comments()->isEnabled());
        QVERIFY(!w->Form()->Combo(QStringLiteral("Combo1_1"))->isEnabled());
        w->ToggleEditMode();
        QVERIFY(!w->Form()->Edit(QStringLiteral("StartTime"))->isEnabled());
        w->DeleteEntry();
        QCOMPARE(w->Session().Flights().RecordCount(), 0);
        w->NewEntry();
        QVERIFY(distance->isEnabled() && w->Form()->Edit(QStringLiteral("StartTime"))->isEnabled());
    }

    // Edit mode opens the instrument's fields and the commands that add and
    // delete flights.
    void editModeNewAndDeleteEntry() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("edit.mdb"), Daily(2)));
        const QList<QWidget*> sol = w->Form()->SolControls();
        QCOMPARE(sol.size(), 11);
        auto allEnabled = [&](bool on) {
            for (QWidget* c : sol)
                if (c->isEnabled() != on) return false;
            return w->NewButton()->isEnabled() == on && w->DeleteButton()->isEnabled() == on &&
                   w->MenuItem(QStringLiteral("&New Entry"))->isEnabled() == on &&
                   w->MenuItem(QStringLiteral("&Delete Entry"))->isEnabled() == on &&
                   w->Toolbar()->Button(QStringLiteral("EditEnable"))->isChecked() == on &&
                   w->MenuItem(QStringLiteral("&Enable Edit"))->isChecked() == on;
        };
        QVERIFY(allEnabled(false));
        QVERIFY(
            w->Form()->Edit(QStringLiteral("Distance"))->isEnabled()); // the pilot's own fields always are
        w->NewEntry();                                                 // not in edit mode: nothing
        QCOMPARE(w->Session().Flights().RecordCount(), 2);
        w->Toolbar()->Button(QStringLiteral("EditEnable"))->trigger();
        QVERIFY(allEnabled(true));
        w->NewEntry();
        w->NewEntry(); // two in the same second are both kept
        QCOMPARE(w->Session().Flights().RecordCount(), 4);
        QCOMPARE(w->Navigation()->PositionBox()->text(), QStringLiteral("4"));
        QCOMPARE(w->Form()->Edit(QStringLiteral("FlightTime"))->text(), QStringLiteral("00:00"));
        w->DeleteEntry();
        w->DeleteEntry();
        w->DeleteEntry();
        QCOMPARE(w->Session().Flights().RecordCount(), 1);
        QCOMPARE(CurrentComment(*w), QStringLiteral("flight 0"));
        QVERIFY(Activate(w));
        Press(Qt::Key_E, Qt::ControlModifier);
        QVERIFY(allEnabled(false));
    }

    void editsSavedWhenFlightChanges() {
        const QString path = MakeLogbook(QStringLiteral("save.mdb"), Daily(2));
        QCOMPARE(testlogbook::ExecOnFile(path, "INSERT INTO Glider (MakeModel) VALUES ('Ozone Rush 6')"),
                 QString());
        MainWindow* w = OpenMain(path);
        w->Form()->Comments()->setPlainText(QStringLiteral("Couldn't find the climb at first"));
        w->Form()->Edit(QStringLiteral("Distance"))->setText(QStringLiteral("23.4"));
        w->Form()->Combo(QStringLiteral("Combo1_1"))->setCurrentIndex(1);
        QTest::keyClick(w->Form()->Comments(), Qt::Key_Home);
        QCOMPARE(CurrentComment(*w), QStringLiteral("flight 0"));
        QCOMPARE(Stored("Comments", 2).toString(), QStringLiteral("Couldn't find the climb at first"));
        QCOMPARE(Stored("Distance", 2).toDouble(), 23.4);
        QCOMPARE(Stored("Glider", 2).toInt(), 1);
        // Fields not touched keep their stored values exactly.
        QCOMPARE(Stored("StartTime", 2).toDouble(), Day(2025, 5, 2, 10));
    }

    void badValueKeepsFlightUntilCorrectedOrDiscarded_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("position");
        QTest::newRow("ok: stay and correct") << int(QMessageBox::Ok) << "2";
        QTest::newRow("discard: move on") << int(QMessageBox::Discard) << "1";
    }

    void badValueKeepsFlightUntilCorrectedOrDiscarded() {
        QFETCH(int, answer);
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("bad.mdb"), Daily(2)));
        w->ToggleEditMode();
        w->Form()->Comments()->setPlainText(QStringLiteral("Big day"));
        w->Form()->Edit(QStringLiteral("StartHeight"))->setText(QStringLiteral("abc"));
        Answers({answer});
        // A download ending while the question is open re-reads the flights:
        // the pilot's edits must still be there to correct.
        prompts_.whileAsking = [&w] { w->Session().Flights().Refresh(); };
        QTest::keyClick(w->Form()->Comments(), Qt::Key_PageDown);
        prompts_.whileAsking = nullptr;
        QCOMPARE(prompts_.asked.size(), 1);
        QVERIFY(prompts_.asked.first().text.contains(QStringLiteral("abc")));
        QTEST(w->Navigation()->PositionBox()->text(), "position");
        QCOMPARE(Stored("StartHeight", 2).toInt(), 301);
        if (answer == QMessageBox::Ok) {
            QCOMPARE(CurrentComment(*w), QStringLiteral("Big day"));
            QCOMPARE(w->Form()->Edit(QStringLiteral("StartHeight"))->text(), QStringLiteral("abc"));
        }
    }

    void derivedValuesFollowFields() {
        const QString path =
            MakeLogbook(QStringLiteral("derived.mdb"), {{Day(2025, 5, 1, 10), Day(2025, 5, 1, 12, 35)}});
        MainWindow* w = OpenMain(path);
        FlightForm* f = w->Form();
        QCOMPARE(f->Edit(QStringLiteral("FlightTime"))->text(), QStringLiteral("02:35"));
        QCOMPARE(f->Label(QStringLiteral("MaxGain"))->text(), QStringLiteral("1150"));
        QCOMPARE(f->Label(QStringLiteral("MinGain"))->text(), QStringLiteral("-50"));
        w->ToggleEditMode();
        // Passing through the duration box leaves the landing time alone.
        QLineEdit* duration = f->Edit(QStringLiteral("FlightTime"));
        duration->setFocus();
        f->Comments()->setFocus();
        QCOMPARE(f->Edit(QStringLiteral("EndTime"))->text(), QStringLiteral("2025-05-01 12:35:00"));
        // Typing a duration moves it.
        duration->selectAll();
        QTest::keyClicks(duration, QStringLiteral("1:45"));
        QTest::keyClick(duration, Qt::Key_Return);
        QCOMPARE(f->Edit(QStringLiteral("EndTime"))->text(), QStringLiteral("2025-05-01 11:45:00"));
        // The offset typed as h:m:s is stored in days.
        QLineEdit* offset = f->Edit(QStringLiteral("OffsetTDate"));
        w->TogglePlotOffsets();
        offset->selectAll();
        QTest::keyClicks(offset, QStringLiteral("-0:30"));
        QTest::keyClick(offset, Qt::Key_Return);
        QCOMPARE(f->Edit(QStringLiteral("OffsetT"))->text().toDouble(), -30.0 / 1440);
        QCOMPARE(offset->text(), QStringLiteral("-00:30:00"));
        QVERIFY(w->CommitEdits());
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT TimeOffset FROM LogData")).toDouble(), -30.0 / 1440);
    }

    // The window's height and the toolbar's arrangement come back at the next run.
    void layoutComesBack() {
        const QString path = MakeLogbook(QStringLiteral("bar.mdb"), {});
        {
            MainWindow* w = OpenMain(path);
            QCOMPARE(w->width(), w->minimumWidth());
            QCOMPARE(w->width(), w->maximumWidth()); // one width only
            w->resize(w->width(), w->minimumHeight() + 150);
            QStringList items = w->Toolbar()->ArrangementItems();
            QCOMPARE(items.first(), QStringLiteral("EditEnable"));
            items.removeAll(QStringLiteral("FileCompact"));
            items.move(items.indexOf(QStringLiteral("3DPlot")), 0);
            w->Toolbar()->SetItems(items, true); // as the customise dialog does
            QCOMPARE(settings_->Text(keys::GeneralToolbar), items.join(QLatin1Char(',')));
            w->close();
        }
        const int twips = settings_->Int(keys::MainHeight);
        MainWindow* again = OpenMain(path);
        QCOMPARE(MainWindow::PixelsToTwips(again->height(), again), twips);
        const QStringList restored = again->Toolbar()->ArrangementItems();
        QCOMPARE(restored.first(), QStringLiteral("3DPlot"));
        QVERIFY(!restored.contains(QStringLiteral("FileCompact")));
    }

    // Every caption of the main window and its companions passes through the
    // language table, which fills itself with each text once.
    void captionsPassThroughLanguageTable() {
        const QString table = Path(QStringLiteral("translate.mdl"));
        QVERIFY(LanguageTable::Create(table, nullptr));
        QCOMPARE(testlogbook::ExecOnFile(table,
                                         "INSERT INTO \"Table\" (English, Language) VALUES "
                                         "('Open Database', 'Logbuch öffnen'), "
                                         "('Cloud Base', 'Wolkenbasis'), ('Conditions', 'Bedingungen')"),
                 QString());
        OpenLanguageTable(table);
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("lang.mdb"), {}));
        QCOMPARE(w->Toolbar()->Button(QStringLiteral("FileOpen"))->toolTip(),
                 QStringLiteral("Logbuch öffnen"));
        companions_->ShowConditions(true);
        QCOMPARE(companions_->Conditions()->windowTitle(), QStringLiteral("Bedingungen"));
        QStringList labels;
        for (QLabel* label : companions_->Conditions()->findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("Wolkenbasis")) &&
                labels.contains(QStringLiteral("Wind Speed")));
        w->close();
        CloseLanguageTable();
        auto count = [&table](const char* sql) { return testlogbook::ScalarOnFile(table, sql).toInt(); };
        QVERIFY(count("SELECT COUNT(*) FROM \"Table\"") > 60);
        QCOMPARE(count("SELECT COUNT(*) - COUNT(DISTINCT English) FROM \"Table\""), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM \"Table\" WHERE English = 'Sol Log Details'"), 1);
    }

    void newDatabaseOverExistingFile_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("yes replaces") << int(QMessageBox::Yes) << true;
        QTest::newRow("no keeps") << int(QMessageBox::No) << false;
    }

    void newDatabaseOverExistingFile() {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        const QString current = MakeLogbook(QStringLiteral("current.mdb"), Daily(1));
        const QString other = MakeLogbook(QStringLiteral("other.mdb"), Daily(2));
        MainWindow* w = OpenMain(current);
        prompts_.fileNames = {other};
        Answers({answer});
        w->NewDatabaseCommand();
        QCOMPARE(prompts_.dialogTitles, QStringList{QStringLiteral("New Soarnote Database File")});
        QVERIFY(prompts_.asked.first().text.startsWith(QStringLiteral("Replace existing file - ")));
        QCOMPARE(w->windowTitle(),
                 replaced ? QStringLiteral("Soarnote - other") : QStringLiteral("Soarnote - current"));
        QCOMPARE(w->Session().Flights().RecordCount(), replaced ? 0 : 1);
        QVERIFY(!replaced || w->Session().Path() == QFileInfo(other).absoluteFilePath());
        if (!replaced) QCOMPARE(testlogbook::ScalarOnFile(other, "SELECT COUNT(*) FROM LogData").toInt(), 2);
    }

    void openErrorsAndChoosingNothing() {
        const QString current = MakeLogbook(QStringLiteral("current.mdb"), Daily(1));
        const QString garbage = Path(QStringLiteral("garbage.mdb"));
        QVERIFY(testlogbook::WriteBytes(garbage, QByteArray(4096, 'x')));
        MainWindow* w = OpenMain(current);
        prompts_.fileNames = {QString(), Path(QStringLiteral("missing.mdb")), garbage};
        w->OpenDatabaseCommand(); // no file chosen
        w->OpenDatabaseCommand(); // a name that does not exist
        QVERIFY(prompts_.asked.isEmpty());
        w->OpenDatabaseCommand();
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked.first().title, QStringLiteral("Database Open Error"));
        QVERIFY(
            prompts_.asked.first().text.startsWith(QDir::toNativeSeparators(garbage) + QLatin1Char('\n')));
        QCOMPARE(w->windowTitle(), QStringLiteral("Soarnote - current"));
        QCOMPARE(w->Session().Flights().RecordCount(), 1);
        QCOMPARE(testlogbook::FileBytes(garbage), QByteArray(4096, 'x'));
    }

    void olderLayoutAsksWithHelp() {
        const QString path = Path(QStringLiteral("old.mdb"));
        SchemaLayout layout;
        layout.timeOffsetAsDateTime = true;
        QVERIFY(testlogbook::CreateLogbookFile(path, layout));
        prompts_.answers = {QMessageBox::Cancel};
        OpenMain(path);
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked.first().text,
                 QStringLiteral(
                     "This database Time Offset Value is from an older version. Do you want to update it? "
                     "NOTE: Manually updating database prevents loss of data."));
        QVERIFY(!prompts_.asked.first().helpTopic.isEmpty());
        QCOMPARE(testlogbook::DeclaredTypeOf(Db(), QStringLiteral("LogData"), QStringLiteral("TimeOffset")),
                 QStringLiteral("DATETIME"));
    }

    void startWithoutAUsableLogbook_data() {
        QTest::addColumn<QString>("file"); // the logbook named in the settings
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("caption");
        QTest::newRow("missing: a new one") << "gone.mdb" << int(QMessageBox::Ok) << "Soarnote - fresh";
        QTest::newRow("broken, yes creates one")
            << "broken.mdb" << int(QMessageBox::Yes) << "Soarnote - fresh";
        QTest::newRow("broken, no leaves none open") << "broken.mdb" << int(QMessageBox::No) << "Soarnote";
    }

    void startWithoutAUsableLogbook() {
        QFETCH(QString, file);
        QFETCH(int, answer);
        const QString path = Path(file);
        const bool broken = file == QLatin1String("broken.mdb");
        if (broken) QVERIFY(testlogbook::WriteBytes(path, QByteArray("not a logbook at all")));
        Answers({answer});
        prompts_.fileNames = {Path(QStringLiteral("fresh.mdb"))};
        MainWindow* w = OpenMain(path);
        // The pilot learns which logbook is unusable before choosing a new one.
        QCOMPARE(prompts_.asked.size(), 1);
        QVERIFY(prompts_.asked.first().text.startsWith(path + QLatin1Char('\n')));
        QTEST(w->windowTitle(), "caption");
        QCOMPARE(QFileInfo::exists(Path(QStringLiteral("fresh.mdb"))), answer != QMessageBox::No);
        if (answer != QMessageBox::No)
            QCOMPARE(prompts_.dialogTitles, QStringList{QStringLiteral("New Soarnote Database File")});
        if (!broken) return;
        QVERIFY(prompts_.asked.first().text.endsWith(QStringLiteral(" Create a new file")));
        QCOMPARE(prompts_.asked.first().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(testlogbook::FileBytes(path), QByteArray("not a logbook at all"));
    }

    void fileCommandErrorsNameTheCommand() {
        const QString current = MakeLogbook(QStringLiteral("current.mdb"), Daily(1));
        MainWindow* w = OpenMain(current);
        // A folder where the archive should go cannot be replaced by a file.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("afolder.mdb")));
        prompts_.fileNames = {Path(QStringLiteral("afolder.mdb"))};
        prompts_.answers = {QMessageBox::Yes};
        w->ArchiveDatabaseCommand();
        QCOMPARE(prompts_.asked.last().title, QStringLiteral("Archive Database Error"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Soarnote - current"));
        QCOMPARE(w->Session().Flights().RecordCount(), 1);
        // Archiving and compacting leave the logbook open and whole.
        prompts_.fileNames = {Path(QStringLiteral("copy.mdb"))};
        w->ArchiveDatabaseCommand();
        w->CompactDatabaseCommand();
        QCOMPARE(prompts_.asked.size(), 2);
        QCOMPARE(w->Session().Flights().RecordCount(), 1);
        QVERIFY(QFileInfo::exists(current + QStringLiteral(".tmp")));
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("copy.mdb"))));
    }

    // Which samples a link takes is tst_logdataset's; here the question and its answers.
    void baroLinksAskFirst() {
        const QString path =
            MakeLogbook(QStringLiteral("baro.mdb"), {{Day(2025, 5, 1, 10), Day(2025, 5, 1, 12)}});
        for (int minute : {-1, 0, 60, 120, 121, 122})
            QCOMPARE(testlogbook::ExecOnFile(path,
                                             "INSERT INTO BaroData (LogID, TIME, height) VALUES (-1, ?, 1)",
                                             {Day(2025, 5, 1, 10) + minute / 1440.0}),
                     QString());
        MainWindow* w = OpenMain(path);
        const QString linked = QStringLiteral("SELECT COUNT(*) FROM BaroData WHERE LogID = 1");
        prompts_.answers = {QMessageBox::No, QMessageBox::Yes};
        w->AssignBaroToFlight();
        QCOMPARE(Scalar(Db(), linked).toInt(), 0);
        w->AssignBaroToFlight();
        QCOMPARE(prompts_.asked.last().text,
                 QStringLiteral("This operation will re-assign all baro data between the "
                                "Start and End date to this flight. OK to Continue?"));
        QCOMPARE(Scalar(Db(), linked).toInt(), 4); // 10:00 up to and including 12:01
    }

    // The window borrows the logbook: letting the window go stores what was
    // typed and leaves the logbook open for its owner.
    void windowLeavesTheLogbookToItsOwner() {
        settings_->Write(keys::DatabaseName, MakeLogbook(QStringLiteral("owner.mdb"), Daily(2)));
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
        QCOMPARE(Scalar(session.Db(), QStringLiteral("SELECT Comments FROM LogData WHERE ID = 2")).toString(),
                 QStringLiteral("flight 1, ridge"));
        QVERIFY(session.Flights().MoveFirst());
        QCOMPARE(session.Flights().Current().Value(QStringLiteral("Comments")).toString(),
                 QStringLiteral("flight 0"));
        session.CloseLogbook();
    }

    void statusPanelClearsOnDoubleClick() {
        MainWindow* w = OpenMain(MakeLogbook(QStringLiteral("info.mdb"), {}));
        w->Info()->setText(QStringLiteral("ERROR - (GPS) Port not open"));
        QTest::mouseDClick(w->Info(), Qt::LeftButton);
        QVERIFY(w->Info()->text().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
