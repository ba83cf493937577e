// "File > Import Flights..." and "File > Export Flight" used as a pilot uses them: the main window on a
// scratch logbook, the menu opened from the keyboard, the file names typed into the program's own file
// dialog, the summary read and closed with a key. What the logbook then holds is compared with the file's
// fixes, and each exported file, read back, with the logbook.

#include "core/flightimport.h"
#include "igcexpect.h"
#include "ui/importcommands.h"
#include "ui/kit/prompts.h"
#include "ui/windowfixture.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <functional>
#include <set>

using namespace soarnote;
using namespace igcexpect;

namespace {

// What a person at the screen does with each dialog as it comes up: one answer per dialog, in order, checked
// every few milliseconds while the dialogs' own event loops run.
class Person : public QObject {
public:
    using Answer = std::function<bool(QWidget* dialog)>; // true: answered
    std::deque<Answer> answers;

    Person() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!answers.empty() && dialog && dialog->isVisible() && answers.front()(dialog))
                answers.pop_front();
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

// Types a name into the file dialog's name box and presses Enter; a completion list the typing opened is
// closed first, as a person would.
bool TypeFileName(QWidget* dialog, const QString& typed) {
    auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
    auto* box = fileDialog ? fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (!box || !box->isVisible()) return false;
    ClickAt(box);
    QTest::keyClicks(box, typed);
    if (QWidget* popup = QApplication::activePopupWidget()) QTest::keyClick(popup, Qt::Key_Escape);
    QTest::keyClick(box, Qt::Key_Return);
    return true;
}

// Moves with Tab from the name box to the type list and picks an entry with the arrow keys.
bool ChooseFileType(QWidget* dialog, int index) {
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!combo || !box || !combo->isVisible() || !box->isVisible()) return false;
    ClickAt(box);
    for (int i = 0; i < 20 && QApplication::focusWidget() != combo; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (QApplication::focusWidget() != combo) return false;
    for (int i = combo->currentIndex(); i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    return combo->currentIndex() == index;
}

} // namespace

class TestImportDialogs : public WindowFixture {
    Q_OBJECT

    DialogPrompts dialogs_;
    QString logbook_;

    // The program's own main window with the real dialogs, joined to the import commands as the program joins
    // them.
    void OpenWindow() {
        settings_->Write(keys::DatabaseName, logbook_);
        main_ = std::make_unique<SessionMainWindow>(settings_.get(), &dialogs_);
        ImportCommands::ConnectTo(*main_, dialogs_);
        main_->Startup();
        main_->show();
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    }

    // Alt+F opens the File menu; the item's underlined letter chooses it.
    void ChooseFileItem(Qt::Key letter) {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : main_.get();
        QTest::keyClick(focus, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), letter);
    }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        logbook_ = dir_->filePath(QStringLiteral("scratch.mdb"));
        QVERIFY(testlogbook::CreateLogbookFile(logbook_));
    }
    void cleanup() { TearDown(); }

    void importThroughMenu() {
        // An IGC file with extra decimals (LAD/LOD) and a hand-made GPX file, chosen together.
        const QString igc = IgcPath(QStringLiteral("aerofiles-xctrack-2020-09-04.igc"));
        const QString gpx = dir_->filePath(QStringLiteral("walk.gpx"));
        QVERIFY(testlogbook::WriteBytes(
            gpx,
            "<gpx version=\"1.1\"><trk><trkseg>"
            "<trkpt lat=\"46.123456789\" lon=\"7.5\"><ele>900</ele><time>2024-05-01T10:00:00Z</time></trkpt>"
            "<trkpt lat=\"46.1235\" lon=\"7.500123\"><ele>905</ele><time>2024-05-01T10:00:05Z</time></trkpt>"
            "</trkseg></trk></gpx>"));
        OpenWindow();
        Person person;
        QString summary;
        person.answers.push_back(
            [&](QWidget* d) { return TypeFileName(d, QStringLiteral("\"%1\" \"%2\"").arg(igc, gpx)); });
        person.answers.push_back([&](QWidget* d) {
            auto* box = qobject_cast<QMessageBox*>(d);
            if (!box) return false;
            summary = box->text();
            QTest::keyClick(box, Qt::Key_Return);
            return true;
        });
        ChooseFileItem(Qt::Key_I);
        QTRY_VERIFY(person.answers.empty());
        QTRY_VERIFY(!QApplication::activeModalWidget());

        QVERIFY2(summary.contains(QLatin1String("aerofiles-xctrack-2020-09-04.igc: added as flight")),
                 qPrintable(summary));
        QVERIFY2(summary.contains(QLatin1String("walk.gpx: added as flight")), qPrintable(summary));
        QVERIFY2(summary.contains(QLatin1String("refused: 0")), qPrintable(summary));

        // Every fix of both files, in time order, at the file's time and position (the file's fifth decimal
        // of a minute kept).
        std::vector<Point> expected;
        std::set<std::tuple<double, double, double>> seen;
        for (const igcexpect::Fix& f : igcexpect::Read(igc).fixes)
            if ((f.valid || f.lat != 0 || f.lng != 0) && seen.insert({f.time, f.lat, f.lng}).second)
                expected.push_back({f.time, f.lat, f.lng});
        const QDate day(2024, 5, 1);
        expected.push_back({UtcDayNumber(day, 36000 * 1000LL), 46.123456789, 7.5});
        expected.push_back({UtcDayNumber(day, 36005 * 1000LL), 46.1235, 7.500123});
        std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.time < b.time; });
        const std::vector<Point> stored = TrackPoints(main_->Session().Db());
        QCOMPARE(stored.size(), expected.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i].time, expected[i].time);
            QVERIFY(std::fabs(stored[i].lat - expected[i].lat) < 1e-9);
            QVERIFY(std::fabs(stored[i].lng - expected[i].lng) < 1e-9);
        }
        // The window shows the newest flight, the GPX walk.
        QCOMPARE(main_->Session().Flights().Current().Id(), qint64(2));
    }

    void exportThroughMenu_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<double>("precision"); // degrees the format keeps
        QTest::newRow("IGC") << 0 << "igc" << 1e-4 / 60;
        QTest::newRow("GPX") << 1 << "gpx" << 1e-9;
        QTest::newRow("KML") << 2 << "kml" << 0.0;
    }

    void exportThroughMenu() {
        QFETCH(int, filter);
        QFETCH(QString, suffix);
        QFETCH(double, precision);
        {
            LogbookDatabase db;
            QVERIFY(db.Open(logbook_, nullptr));
            QCOMPARE(ImportFlightFile(db.Db(), IgcPath(QStringLiteral("igcparser-lad_lod_extensions.igc")))
                         .outcome,
                     FlightImportResult::Outcome::Added);
        }
        OpenWindow();
        const std::vector<Point> stored = TrackPoints(main_->Session().Db());
        QVERIFY(!stored.empty());
        const QString typed = dir_->filePath(QStringLiteral("out"));
        Person person;
        person.answers.push_back([&](QWidget* d) { return ChooseFileType(d, filter); });
        person.answers.push_back([&](QWidget* d) { return TypeFileName(d, typed); });
        ChooseFileItem(Qt::Key_X);
        QTRY_VERIFY(person.answers.empty());
        QTRY_VERIFY(!QApplication::activeModalWidget());

        // The chosen type names the file and its format.
        const QString written = typed + QLatin1Char('.') + suffix;
        QVERIFY(QFileInfo::exists(written));
        // KML is read back by an independent reader in tst_flightexport.
        if (suffix == QLatin1String("kml")) {
            QVERIFY(testlogbook::FileBytes(written).contains("<kml"));
            return;
        }
        Logbook again;
        QCOMPARE(ImportFlightFile(again.Db(), written).outcome, FlightImportResult::Outcome::Added);
        const std::vector<Point> back = TrackPoints(again.Db());
        QCOMPARE(back.size(), stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            QVERIFY2(std::fabs(back[i].time - stored[i].time) < 0.5 / 86400e3,
                     qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(back[i].lat - stored[i].lat) <= precision, qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(back[i].lng - stored[i].lng) <= precision, qPrintable(QString::number(i)));
        }
    }
};

QTEST_MAIN(TestImportDialogs)
#include "tst_importdialogs.moc"
