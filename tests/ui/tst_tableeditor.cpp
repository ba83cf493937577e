// The table editor, opened from the main window as the pilot opens it: the
// delete questions and a track's points, link mode, the land file of a
// track, the geometry kept per table, one view at a time, and what the main
// window shows after an editor closes.

#include "windowfixture.h"

#include "core/tableaccess.h"

#include <QHeaderView>
#include <QMenu>

using namespace soarnote;

namespace {

int TrackPoints(const QSqlDatabase& db, int trackId) {
    return Scalar(db, QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = ?"), {trackId}).toInt();
}

} // namespace

class TestTableEditor : public WindowFixture {
    Q_OBJECT

    TableEditor* Editor() { return companions_->TableView(); }
    LogbookTableModel* Model() { return Editor()->Model(); }
    int RowOfId(qint64 id) {
        for (int row = 0; row < Model()->rowCount(); ++row)
            if (Model()->Stored(row, QStringLiteral("ID")).toLongLong() == id) return row;
        return -1;
    }
    void Choose(const char* item) { main_->MenuItem(QString::fromLatin1(item))->trigger(); }
    // The editor's OK button pressed; true once the editor is gone.
    bool CloseEditor() {
        ClickAt(Editor()->OkButton());
        return QTest::qWaitFor([this] { return !Editor(); });
    }
    void SelectCell(int row, int column) {
        QTableView* grid = Editor()->Grid();
        grid->setCurrentIndex(Model()->index(row, column));
    }
    void ClickRow(int row) {
        QTableView* grid = Editor()->Grid();
        const QRect cell = grid->visualRect(Model()->index(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Three flights; four tracks, none linked, the first two with points;
    // two gliders; two weather and two wind rows.
    QString MakeLogbook() {
        testlogbook::Builder logbook(Path(QStringLiteral("tables.mdb")));
        for (int i = 0; i < 3; ++i)
            logbook.Flight({{"StartTime", Day(2025, 5, 1 + i, 10)},
                            {"EndTime", Day(2025, 5, 1 + i, 12)},
                            {"Comments", QStringLiteral("flight %1").arg(i + 1)}});
        for (int t = 0; t < 4; ++t)
            logbook.Row("Tracks", {{"StartTime", Day(2025, 5, 1 + t, 10, 5)},
                                   {"EndTime", Day(2025, 5, 1 + t, 11, 55)}});
        for (int p = 0; p < 5; ++p) // three points of track 1, two of track 2
            logbook.Row("TrackData",
                        {{"TrackID", p < 3 ? 1 : 2},
                         {"TIME", p < 3 ? Day(2025, 5, 1, 10, 5 + p) : Day(2025, 5, 2, 10, 2 + p)},
                         {"LAT", p < 3 ? 53.3 + p * 0.001 : 53.2 + (p - 3) * 0.001},
                         {"LNG", p < 3 ? -1.7 : -1.8}});
        logbook.Row("Glider", {{"MakeModel", "Gin Bonanza 3"}})
            .Row("Glider", {{"MakeModel", "Ozone Buzz Z7"}});
        return logbook.Build() ? logbook.Path() : QString();
    }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        OpenMain(MakeLogbook());
    }
    void cleanup() { TearDown(); }

    void menuItemsOpenTheirTables_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("firstShown"); // the first visible column
        // A lookup, the flights and a table of samples; the others open alike.
        const char* rows[][3] = {{"&Gliders", "Glider", "MakeModel"},
                                 {"&LogData", "LogData", "StartTime"},
                                 {"Vario BaroData", "BaroData", "LogID"}};
        for (const auto& [item, table, first] : rows)
            QTest::newRow(item) << QString(item) << QString(table) << QString(first);
    }

    void menuItemsOpenTheirTables() {
        QFETCH(QString, item);
        QFETCH(QString, table);
        QAction* action = main_->MenuItem(item);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QVERIFY(Editor() && Editor()->isVisible());
        QCOMPARE(Editor()->Table(), table);
        QCOMPARE(Editor()->Navigation()->Caption(), table);
        QCOMPARE(Editor()->windowModality(), Qt::ApplicationModal);
        QVERIFY(!Editor()->CancelButton()->isVisible() && !Editor()->ApplyButton()->isVisible());
        int first = 0;
        while (Editor()->Grid()->isColumnHidden(first))
            ++first;
        QTEST(Model()->headerData(first, Qt::Horizontal).toString(), "firstShown");
        QVERIFY(CloseEditor());
    }

    // The lists of the main window and of the conditions window.
    QComboBox* List(const QString& name) {
        if (!name.startsWith(QLatin1String("Conditions/"))) return main_->Form()->Combo(name);
        companions_->ShowConditions(true);
        return companions_->Conditions()->findChild<QComboBox*>(name.mid(11));
    }

    void listsOpenTheirEditorOnADoubleClick_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("table");
        for (auto [list, table] : {std::pair{"Combo1_1", "Glider"},
                                   {"Combo1_6", "Type"},
                                   {"Conditions/Combo1_0", "Weather"},
                                   {"Conditions/Combo1_1", "Wind"}})
            QTest::newRow(list) << QString(list) << QString(table);
    }

    void listsOpenTheirEditorOnADoubleClick() {
        QFETCH(QString, list);
        QFETCH(QString, table);
        QComboBox* combo = List(list);
        QVERIFY(combo && combo->isVisible());
        DoubleClickAt(combo);
        QVERIFY(Editor() && Editor()->isVisible());
        QCOMPARE(Editor()->Table(), table);
        QVERIFY(!combo->view()->isVisible());
        QVERIFY(CloseEditor());

        // A single click opens the drop-down, once no second click came.
        ClickAt(combo);
        QVERIFY(!combo->view()->isVisible());
        QTRY_VERIFY(combo->view()->isVisible());
        QVERIFY(!Editor());
        combo->hidePopup();

        // The context menu offers the editor too.
        ClickAt(combo, Qt::RightButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction* edit = menu->actions().value(0);
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("Edit list..."));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(edit).center());
        QTRY_VERIFY(Editor());
        QCOMPARE(Editor()->Table(), table);
        QVERIFY(CloseEditor());
    }

    void datesShownAsDatesNewestFirst() {
        Choose("&GPS Tracks");
        const int start = Model()->ColumnOf(QStringLiteral("StartTime"));
        QCOMPARE(Model()->data(Model()->index(0, start)).toString(), QStringLiteral("2025-05-04 10:05:00"));
        QCOMPARE(Model()->data(Model()->index(3, start)).toString(), QStringLiteral("2025-05-01 10:05:00"));
        // A text that is no date is refused and said so; the stored time stays.
        QVERIFY(!Model()->setData(Model()->index(0, start), QStringLiteral("yesterday")));
        QCOMPARE(prompts_.asked.size(), 1);
        QVERIFY(prompts_.asked.first().text.contains(QStringLiteral("yesterday")));
        // Editing a cell without changing it never rounds what is stored.
        QVERIFY(
            Model()->setData(Model()->index(0, start), Model()->data(Model()->index(0, start)).toString()));
        QVERIFY(!Model()->isDirty());
    }

    void deletingATrack_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("rowKept");
        QTest::addColumn<bool>("pointsKept");
        QTest::newRow("OK, OK: row and points go")
            << int(QMessageBox::Ok) << int(QMessageBox::Ok) << false << false;
        QTest::newRow("Cancel, OK: row stays, points go")
            << int(QMessageBox::Cancel) << int(QMessageBox::Ok) << true << false;
        QTest::newRow("OK, Cancel: row goes, points stay")
            << int(QMessageBox::Ok) << int(QMessageBox::Cancel) << false << true;
    }

    void deletingATrack() {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, rowKept);
        QFETCH(bool, pointsKept);
        Choose("&GPS Tracks");
        SelectCell(RowOfId(1), Model()->ColumnOf(QStringLiteral("StartTime")));
        Answers({first, second});
        QTest::keyClick(Editor()->Grid(), Qt::Key_Delete);
        QCOMPARE(AskedTexts(), (QStringList{"Delete selected lines?", "Delete linked lines?"}));
        for (const AskedQuestion& q : prompts_.asked)
            QCOMPARE(q.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT COUNT(*) FROM Tracks WHERE ID = 1")).toInt(),
                 rowKept ? 1 : 0);
        QCOMPARE(TrackPoints(Db(), 1), pointsKept ? 3 : 0);
        QCOMPARE(Model()->rowCount(), rowKept ? 4 : 3);
        // Only the track asked about lost anything.
        QCOMPARE(TrackPoints(Db(), 2), 2);
        QCOMPARE(testlogbook::RowCount(Db(), QStringLiteral("Tracks")), rowKept ? 4 : 3);
    }

    void deletingGliders_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("cancelled") << int(QMessageBox::Cancel);
        QTest::newRow("confirmed") << int(QMessageBox::Ok);
    }

    void deletingGliders() {
        QFETCH(int, answer);
        const QString inUse = QStringLiteral("Delete selected lines?\n\nFlights using them: 2\n"
                                             "These flights will show an empty field.");
        testlogbook::Exec(Db(), QStringLiteral("UPDATE LogData SET Glider = 1 WHERE ID IN (1, 3)"));
        Choose("&Gliders");
        SelectCell(RowOfId(1), 1);
        Answers({answer});
        QTest::keyClick(Editor()->Grid(), Qt::Key_Delete);
        QCOMPARE(AskedTexts(), QStringList{inUse});
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT COUNT(*) FROM Glider WHERE ID = 1")).toInt(),
                 answer == QMessageBox::Ok ? 0 : 1);
        // Every line left selected goes after one question, which names the
        // flights only when some use them.
        prompts_.asked.clear();
        Answers({QMessageBox::Ok});
        Editor()->Grid()->selectAll();
        QTest::keyClick(Editor()->Grid(), Qt::Key_Delete);
        QCOMPARE(AskedTexts(),
                 QStringList{answer == QMessageBox::Ok ? QStringLiteral("Delete selected lines?") : inUse});
        QCOMPARE(testlogbook::RowCount(Db(), QStringLiteral("Glider")), 0);
        QCOMPARE(Model()->rowCount(), 0);
    }

    // TrackData has no key of its own: a point is found by its values.
    void deletingATrackPoint() {
        Choose("GPS Track&Data");
        QCOMPARE(Model()->rowCount(), 5);
        SelectCell(0, 1); // the newest point: track 2's second
        Answers({QMessageBox::Ok});
        QTest::keyClick(Editor()->Grid(), Qt::Key_Delete);
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(TrackPoints(Db(), 2), 1);
        QCOMPARE(TrackPoints(Db(), 1), 3);
    }

    void ctrlEndReachesTheLastOfManyRows() {
        // More points than are read in one portion.
        testlogbook::Exec(Db(),
                          QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                         "WHERE i < 700) INSERT INTO TrackData (TrackID, TIME, LAT, LNG) "
                                         "SELECT 3, 45800 + i / 1440.0, 46.5, 7.9 FROM n"));
        Choose("GPS Track&Data");
        ClickRow(0);
        QTest::keyClick(Editor()->Grid(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(Editor()->Grid()->currentIndex().row(), 704);
        QCOMPARE(Editor()->Navigation()->PositionBox()->text(), QStringLiteral("705"));
        QTest::keyClick(Editor()->Grid(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(Editor()->Navigation()->PositionBox()->text(), QStringLiteral("1"));
    }

    void columnsFirstOpenAsWideAsTheirContent() {
        Choose("&GPS Tracks");
        QTableView* grid = Editor()->Grid();
        const int start = Model()->ColumnOf(QStringLiteral("StartTime"));
        const QString shown = Model()->data(Model()->index(0, start)).toString();
        QVERIFY(grid->columnWidth(start) > grid->fontMetrics().horizontalAdvance(shown));
        // Once set by the pilot, the stored width wins.
        grid->horizontalHeader()->resizeSection(start, 60);
        QVERIFY(CloseEditor());
        Choose("&GPS Tracks");
        QCOMPARE(Editor()->Grid()->columnWidth(start), 60);
    }

    void linkModeLinksSelectedTracks() {
        // The current flight is the newest, ID 3; move to flight 2.
        main_->Session().Flights().MoveToId(2);
        QVERIFY(!main_->MenuItem(QStringLiteral("&3D Plot"))->isEnabled());
        QCOMPARE(main_->MenuItem(QStringLiteral("Link &Tracks"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_L));
        main_->Toolbar()->Button(QStringLiteral("LinkTracks"))->trigger();
        TableEditor* editor = Editor();
        QVERIFY(editor && editor->LinkMode());
        QCOMPARE(editor->Table(), QStringLiteral("Tracks"));
        QCOMPARE(editor->windowModality(), Qt::NonModal);
        QVERIFY(editor->CancelButton()->isVisible() && editor->ApplyButton()->isVisible());
        // "Weather Conditions" and "Wind Conditions" stay as they are in the main window.
        QVERIFY(!main_->MenuItem(QStringLiteral("&Weather Conditions"))->isEnabled());
        QCOMPARE(editor->Grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
        // Neither adding nor deleting lines.
        QTest::keyClick(editor->Grid(), Qt::Key_Delete);
        QTest::keyClick(editor->Grid(), Qt::Key_Insert);
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(Model()->rowCount(), 4);
        // Clicking rows one after another builds the selection.
        ClickRow(RowOfId(4));
        ClickRow(RowOfId(2));
        ClickRow(RowOfId(1));
        QCOMPARE(editor->SelectedRows().size(), 3);
        const QString position = editor->Navigation()->PositionBox()->text();
        ClickAt(editor->ApplyButton());
        // The line the pilot was on stays current.
        QCOMPARE(editor->Navigation()->PositionBox()->text(), position);
        QCOMPARE(editor->Grid()->currentIndex().row(), RowOfId(1));
        QCOMPARE(
            Scalar(Db(), QStringLiteral("SELECT group_concat(ID) FROM Tracks WHERE LogID = 2")).toString(),
            QStringLiteral("1,2,4"));
        QVERIFY(Scalar(Db(), QStringLiteral("SELECT LogID FROM Tracks WHERE ID = 3")).isNull());
        // The grid shows the links and the main window knows the flight has tracks.
        QCOMPARE(Model()->Stored(RowOfId(2), QStringLiteral("LogID")).toInt(), 2);
        QVERIFY(main_->MenuItem(QStringLiteral("&3D Plot"))->isEnabled());
        // Nothing is selected any more: closing asks nothing.
        QVERIFY(CloseEditor());
        QVERIFY(prompts_.asked.isEmpty());
    }

    void closingWithASelectionAsks_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("linked");
        QTest::newRow("yes links and closes") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("no closes") << int(QMessageBox::No) << true << false;
        QTest::newRow("cancel stays") << int(QMessageBox::Cancel) << false << false;
    }

    void closingWithASelectionAsks() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, linked);
        companions_->LinkTracks();
        ClickRow(RowOfId(3));
        Answers({answer});
        Editor()->close(); // the close box
        QCOMPARE(AskedTexts(), QStringList{"Change link of current selected line"});
        QCOMPARE(prompts_.asked.first().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT LogID FROM Tracks WHERE ID = 3")).toInt(),
                 linked ? 3 : 0);
        if (closed)
            QTRY_VERIFY(!Editor());
        else
            QVERIFY(Editor()->isVisible());
    }

    void oneTableViewAtATime() {
        companions_->LinkTracks(); // modeless: the main window stays usable
        Choose("&Gliders");
        QCOMPARE(AskedTexts(), QStringList{"Close the current table view first"});
        QCOMPARE(prompts_.asked.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(Editor()->Table(), QStringLiteral("Tracks"));
        // Double-clicking a list of the main window: the same answer.
        emit main_->Form()->LookupEditRequested(QStringLiteral("Glider"));
        QCOMPARE(prompts_.asked.size(), 2);
        QCOMPARE(Editor()->Table(), QStringLiteral("Tracks"));
    }

    void landFileOfATrack_data() {
        QTest::addColumn<QString>("chosen"); // relative to the test folder; "!" for outside it
        QTest::addColumn<QString>("stored");
        for (auto [chosen, stored] : {std::pair{"terrain/peak.xyz", "terrain/peak.xyz"},
                                      {"!/maps/kinder.xyz", "/maps/kinder.xyz"}, // elsewhere: full path
                                      {"!+", "+"},            // a folder whose name only starts alike
                                      {"", "old/edale.xyz"}}) // dialog cancelled
            QTest::newRow(*chosen ? chosen : "cancelled") << QString(chosen) << QString(stored);
    }

    void landFileOfATrack() {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        const QString folder = ProgramFolder::Path();
        // "+" stands for a sibling folder named like the program folder with a suffix.
        const QString sibling = folder + QStringLiteral("2/peak.xyz");
        auto resolve = [&](const QString& s) {
            if (s == QLatin1String("!+") || s == QLatin1String("+")) return sibling;
            if (s.startsWith(QLatin1Char('!'))) return s.mid(1);
            return s.isEmpty() ? s : folder + QLatin1Char('/') + s;
        };
        testlogbook::Exec(Db(), QStringLiteral("UPDATE Tracks SET LandFile = 'old/edale.xyz' WHERE ID = 2"));
        Choose("&GPS Tracks");
        prompts_.fileNames = {resolve(chosen)};
        const int row = RowOfId(2);
        QTableView* grid = Editor()->Grid();
        const QRect cell =
            grid->visualRect(Model()->index(row, Model()->ColumnOf(QStringLiteral("LandFile"))));
        QVERIFY(cell.isValid());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(prompts_.dialogTitles, QStringList{QStringLiteral("Attach Land File")});
        QCOMPARE(prompts_.startPaths, QStringList{ProgramFolder::File(QStringLiteral("old/edale.xyz"))});
        const QString expected = stored == QLatin1String("+") ? sibling : stored;
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT LandFile FROM Tracks WHERE ID = 2")).toString(),
                 expected);
        QCOMPARE(Model()->Stored(row, QStringLiteral("LandFile")).toString(), expected);
        // No cell editor was opened by the double-click.
        QVERIFY(grid->viewport()->findChildren<QLineEdit*>().isEmpty());
    }

    void geometryRememberedPerTable() {
        auto px = [this](int twips) { return MainWindow::TwipsToPixels(twips, main_.get()); };
        Choose("&Gliders");
        TableEditor* editor = Editor();
        QTableView* grid = editor->Grid();
        // First time: 5800 x 2200 twips (or as wide as the buttons need), columns 2000 twips.
        QCOMPARE(editor->height(), std::max(px(2200), editor->minimumSizeHint().height()));
        QCOMPARE(editor->width(), std::max(px(5800), editor->minimumSizeHint().width()));
        QVERIFY(grid->isColumnHidden(0)); // the ID
        QCOMPARE(grid->horizontalHeader()->sectionSize(1), px(2000));
        editor->resize(editor->width() + 120, editor->height() + 80);
        const QSize chosen = editor->size();
        grid->horizontalHeader()->resizeSection(1, 250);
        QVERIFY(CloseEditor());
        const int widthTwips = MainWindow::PixelsToTwips(chosen.width(), main_.get());
        QCOMPARE(settings_->Text(QStringLiteral("Glider"), QStringLiteral("Width"), QString()),
                 QStringLiteral(" %1").arg(widthTwips)); // written as Str writes numbers
        QCOMPARE(settings_->Int(TableHeightKey(QStringLiteral("Glider"))),
                 MainWindow::PixelsToTwips(chosen.height(), main_.get()));
        QCOMPARE(settings_->Int(TableColumnWidthKey(QStringLiteral("Glider"), 1)),
                 MainWindow::PixelsToTwips(250, main_.get()));
        // The hidden column keeps its width.
        QCOMPARE(settings_->Text(QStringLiteral("Glider"), QStringLiteral("ColWidth 0"), QString()),
                 QStringLiteral(" 2000"));

        // Another table keeps its own geometry, written back exactly when unchanged.
        Choose("&XC Types");
        QCOMPARE(Editor()->Grid()->horizontalHeader()->sectionSize(1), px(2000));
        QVERIFY(CloseEditor());
        QCOMPARE(settings_->Text(QStringLiteral("XCType"), QStringLiteral("Height"), QString()),
                 QStringLiteral(" 2200"));
        QCOMPARE(settings_->Text(QStringLiteral("XCType"), QStringLiteral("ColWidth 1"), QString()),
                 QStringLiteral(" 2000"));

        // The gliders again: as they were left.
        Choose("&Gliders");
        QCOMPARE(Editor()->Grid()->horizontalHeader()->sectionSize(1), 250);
        QCOMPARE(Editor()->height(), chosen.height());
        QCOMPARE(Editor()->width(), chosen.width());
    }

    // A lookup edited from the main window's list shows in that list; a new
    // line left empty is dropped without a question.
    void editedLookupShowsInTheMainWindow() {
        Choose("&Gliders");
        QTest::keyClick(Editor()->Grid(), Qt::Key_Insert);
        QCOMPARE(Model()->rowCount(), 3);
        QVERIFY(CloseEditor());
        QCOMPARE(testlogbook::RowCount(Db(), QStringLiteral("Glider")), 2);

        emit main_->Form()->LookupEditRequested(QStringLiteral("Glider"));
        QVERIFY(Editor());
        QCOMPARE(Editor()->windowModality(), Qt::ApplicationModal);
        QTest::keyClick(Editor()->Grid(), Qt::Key_Insert);
        auto* cellEditor = Editor()->Grid()->viewport()->findChild<QLineEdit*>();
        QVERIFY(cellEditor);
        QTest::keyClicks(cellEditor, QStringLiteral("Advance Sigma 10"));
        QTest::keyClick(cellEditor, Qt::Key_Return);
        QTRY_VERIFY(!Model()->isDirty()); // Enter wrote the line
        QVERIFY(CloseEditor());
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT MakeModel FROM Glider WHERE ID = 3")).toString(),
                 QStringLiteral("Advance Sigma 10"));
        QVERIFY(
            main_->Form()->Combo(QStringLiteral("Combo1_1"))->findText(QStringLiteral("Advance Sigma 10")) >
            0);
    }

    void aLineTheDatabaseRefusesKeepsTheWindowOpen() {
        Choose("GPS Track&Data");
        // Track 1's second point made the same point as its first: the database refuses a repeat.
        int row = -1;
        const int time = Model()->ColumnOf(QStringLiteral("TIME"));
        for (int r = 0; r < Model()->rowCount(); ++r)
            if (Model()->data(Model()->index(r, time)).toString() == QLatin1String("2025-05-01 10:06:00"))
                row = r;
        QVERIFY(row >= 0);
        QVERIFY(Model()->setData(Model()->index(row, time), QStringLiteral("2025-05-01 10:05:00")));
        QVERIFY(Model()->setData(Model()->index(row, Model()->ColumnOf(QStringLiteral("LAT"))),
                                 QStringLiteral("53.3")));
        Answers({QMessageBox::Ok, QMessageBox::Discard});
        Editor()->OkButton()->click();
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked.first().title, QStringLiteral("Line not saved"));
        QCOMPARE(prompts_.asked.first().buttons, QMessageBox::Ok | QMessageBox::Discard);
        QVERIFY(Editor()->isVisible()); // OK: to correct it
        Editor()->OkButton()->click();
        QCOMPARE(prompts_.asked.size(), 2);
        QTRY_VERIFY(!Editor()); // Discard: closed, nothing written
        QCOMPARE(
            Scalar(Db(), QStringLiteral("SELECT COUNT(*) FROM TrackData WHERE TrackID = 1 AND LAT = 53.3"))
                .toInt(),
            1);
        QCOMPARE(TrackPoints(Db(), 1), 3);
    }

    void logDataEditorResortsTheFlights() {
        // Unsaved edits of the flight on show are saved before the editor shows it.
        main_->Form()->Comments()->setPlainText(QStringLiteral("thermals over Mam Tor"));
        Choose("&LogData");
        QVERIFY(Editor());
        const int comments = Model()->ColumnOf(QStringLiteral("Comments"));
        QCOMPARE(Model()->data(Model()->index(0, comments)).toString(),
                 QStringLiteral("thermals over Mam Tor"));
        QVERIFY(Model()->setData(Model()->index(0, comments), QStringLiteral("thermals, then a long glide")));
        Editor()->OkButton()->click(); // the edited line is saved on closing
        QTRY_VERIFY(!Editor());
        QCOMPARE(Scalar(Db(), QStringLiteral("SELECT Comments FROM LogData WHERE ID = 3")).toString(),
                 QStringLiteral("thermals, then a long glide"));
        // The main window now moves through the flights newest first.
        QCOMPARE(main_->Form()->Comments()->toPlainText(), QStringLiteral("thermals, then a long glide"));
        QCOMPARE(main_->Navigation()->PositionBox()->text(), QStringLiteral("1"));
        main_->Session().Flights().MoveNext();
        QCOMPARE(main_->Form()->Comments()->toPlainText(), QStringLiteral("flight 2"));
    }

    void closingTheLogbookClosesTheView() {
        companions_->LinkTracks();
        ClickRow(0);
        QVERIFY(Editor()->isVisible());
        main_->Session().CloseLogbook();
        QTRY_VERIFY(!Editor());
        QVERIFY(prompts_.asked.isEmpty()); // nothing to ask about a logbook that is gone
    }
};

QTEST_MAIN(TestTableEditor)
#include "tst_tableeditor.moc"
