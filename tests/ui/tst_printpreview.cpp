// The print preview window: paging through the log, stepping between
// flights, the plot check boxes, the time-offset mode and the fit of the
// page into a window of any shape, driven by clicks and keys.

#include "windowfixture.h"

#include "core/numbertext.h"
#include "ui/printpreview.h"

#include <QCheckBox>

using namespace soarnote;

class TestPrintPreview : public WindowFixture {
    Q_OBJECT

    // A logbook of n flights a day apart; with samples, each flight has a
    // track and barograph samples.
    QString Logbook(int flights, bool samples = false) {
        testlogbook::Builder logbook(Path(QStringLiteral("log.mdb")));
        for (int i = 0; i < flights; ++i) {
            const double start = DayNumber(QDate(2020, 4, 1).addDays(i), 12);
            logbook.Flight({{"StartTime", start},
                            {"EndTime", start + 0.02},
                            {"Distance", 5.5},
                            {"Comments", "Ridge soaring"}});
            if (!samples) continue;
            const int id = i + 1; // flight and track
            logbook.Row("Tracks", {{"LogID", id}, {"TimeOffset", 0.0}});
            for (int k = 0; k < 20; ++k) {
                const double t = start + k * 60 * kOneSecond;
                logbook
                    .Row(
                        "TrackData",
                        {{"TrackID", id}, {"TIME", t}, {"LAT", 53.3 + k * 0.001}, {"LNG", -1.8 + k * 0.0015}})
                    .Row("BaroData",
                         {{"LogID", id}, {"TIME", t + 30 * kOneSecond}, {"height", 1000 + 50 * (k % 5)}});
            }
        }
        return logbook.Build() ? logbook.Path() : QString();
    }

    std::unique_ptr<PrintPreview> Preview(PrintPreview::Mode mode, QSize size = QSize(1000, 720)) {
        auto preview = std::make_unique<PrintPreview>(main_.get(), main_->Session(), settings_.get(),
                                                      &prompts_, main_->Printer());
        preview->Prepare(mode);
        preview->resize(size);
        preview->show();
        preview->activateWindow();
        if (!QTest::qWaitForWindowExposed(preview.get())) return nullptr;
        return preview;
    }

    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    static void Key(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == window ? focus : window, Qt::Key(key), modifiers);
    }
    template <typename T> static T* Child(QWidget* window, const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // Share of non-white pixels in a part of the page (millimetres).
    static bool AnyInk(const PrintPreview& preview, const QRectF& mm) {
        const QImage& image = preview.Pages().Image(0);
        const double scale = image.width() / preview.Pages().Printer().widthMm;
        const QRect r(int(mm.x() * scale), int(mm.y() * scale), int(mm.width() * scale),
                      int(mm.height() * scale));
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
        return false;
    }

private slots:
    void init() { QVERIFY(PrepareFolder()); }
    void cleanup() { TearDown(); }

    void logPagesStepAndStop() {
        OpenMain(Logbook(100));
        auto preview = Preview(PrintPreview::LogMode);
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QStringLiteral("Log Print"));
        QVERIFY(!Child<QCheckBox>(preview.get(), "Check1_0")->isVisible());
        QCOMPARE(preview->Pages().Count(), 3);
        auto* next = Child<QPushButton>(preview.get(), "PageUp");
        auto* previous = Child<QPushButton>(preview.get(), "PageDown");
        const QList<std::pair<QWidget*, int>> steps = {{next, 2},     {next, 3},     {next, 3},
                                                       {previous, 2}, {previous, 1}, {previous, 1}};
        for (const auto& [button, page] : steps) {
            Click(button);
            QCOMPARE(preview->CurrentPage(), page);
        }
        Key(preview.get(), Qt::Key_PageUp);
        QCOMPARE(preview->CurrentPage(), 2);
        Key(preview.get(), Qt::Key_PageDown);
        QCOMPARE(preview->CurrentPage(), 1);
        Key(preview.get(), Qt::Key_Escape);
        QVERIFY(!preview->isVisible());
    }

    void flightsStepAndStopAtTheEnds() {
        OpenMain(Logbook(3));
        LogDataSet& flights = main_->Session().Flights();
        QCOMPARE(flights.AbsolutePosition(), 2); // the latest flight
        auto preview = Preview(PrintPreview::FlightMode);
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QStringLiteral("Flight Details"));
        auto* next = Child<QPushButton>(preview.get(), "PageUp");
        auto* previous = Child<QPushButton>(preview.get(), "PageDown");
        Click(next);
        QCOMPARE(flights.AbsolutePosition(), 2);
        Click(previous);
        QCOMPARE(flights.AbsolutePosition(), 1);
        Key(preview.get(), Qt::Key_PageDown);
        QCOMPARE(flights.AbsolutePosition(), 0);
        Click(previous);
        QCOMPARE(flights.AbsolutePosition(), 0);
        Key(preview.get(), Qt::Key_PageUp);
        QCOMPARE(flights.AbsolutePosition(), 1);
    }

    void bothBoxesOffLeaveTheTextBlock() {
        OpenMain(Logbook(1, true));
        auto preview = Preview(PrintPreview::FlightMode);
        QVERIFY(preview);
        const QRectF plots(70, 30, 190, 160);
        QVERIFY(AnyInk(*preview, plots));
        Click(Child<QCheckBox>(preview.get(), "Check1_0"));
        QVERIFY(AnyInk(*preview, plots)); // the profile alone
        Click(Child<QCheckBox>(preview.get(), "Check1_1"));
        QVERIFY(!AnyInk(*preview, plots));
        QVERIFY(AnyInk(*preview, QRectF(0, 0, 200, 25))); // the text block stays
    }

    void offsetModeCaptionAndSteps() {
        OpenMain(Logbook(1, true));
        auto preview = Preview(PrintPreview::FlightMode);
        QVERIFY(preview);
        QLineEdit* offset = main_->Form()->Edit(QStringLiteral("OffsetT"));
        QLineEdit* offsetText = main_->Form()->Edit(QStringLiteral("OffsetTDate"));
        const QString unshifted = offset->text();
        Key(preview.get(), Qt::Key_Left); // not in offset mode: nothing
        QCOMPARE(offset->text(), unshifted);
        Key(preview.get(), Qt::Key_F12);
        QVERIFY(preview->OffsetMode());
        QCOMPARE(preview->windowTitle(),
                 QStringLiteral("Flight Details - [OFFSET MODE: ") + offsetText->text() + QLatin1Char(']'));
        const QImage before = preview->Pages().Image(0);
        Key(preview.get(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(ParseNumber(offset->text()).value_or(0) * 144, 1.0);
        QCOMPARE(offsetText->text(), QStringLiteral("00:10:00"));
        QCOMPARE(preview->windowTitle(), QStringLiteral("Flight Details - [OFFSET MODE: 00:10:00]"));
        QVERIFY(preview->Pages().Image(0) != before); // the plots moved
        Key(preview.get(), Qt::Key_Right);
        QCOMPARE(offsetText->text(), QStringLiteral("00:09:45"));
        Key(preview.get(), Qt::Key_F12);
        QVERIFY(!preview->OffsetMode());
        QCOMPARE(preview->windowTitle(), QStringLiteral("Flight Details"));
    }

    void exportPdfFromTheFileMenu() {
        OpenMain(Logbook(5));
        const QString pdf = dir_->filePath(QStringLiteral("log.pdf"));
        const QString unwritable = dir_->filePath(QStringLiteral("no such folder/log.pdf"));
        prompts_.fileNames << pdf << unwritable;
        QAction* item = main_->MenuItem(QStringLiteral("Export PDF..."));
        QVERIFY(item && item->isEnabled());
        item->trigger();
        QVERIFY(QFileInfo(pdf).size() > 1000);
        QVERIFY(prompts_.asked.isEmpty());
        item->trigger();
        QCOMPARE(prompts_.asked.size(), 1); // the failure is told, naming the file
        QVERIFY2(prompts_.asked[0].text.contains(QStringLiteral("no such folder")),
                 qPrintable(prompts_.asked[0].text));
        QVERIFY(!QFile::exists(unwritable));
    }

    void pageFitsAnyWindowShape_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("much wider than the paper") << QSize(1800, 500);
        QTest::newRow("much taller than the paper") << QSize(600, 1000);
    }
    void pageFitsAnyWindowShape() {
        QFETCH(QSize, size);
        OpenMain(Logbook(2));
        auto preview = Preview(PrintPreview::LogMode, size);
        QVERIFY(preview);
        QTest::mouseDClick(preview->Paper(), Qt::LeftButton);
        const QRectF page = preview->Paper()->PageRect();
        const QSizeF area = preview->Paper()->size();
        // Centred, with the 4 % margin along the tighter direction.
        QVERIFY(std::abs(page.left() - (area.width() - page.right())) < 1.5);
        QVERIFY(std::abs(page.top() - (area.height() - page.bottom())) < 1.5);
        const double share = std::max(page.width() / area.width(), page.height() / area.height());
        QVERIFY2(std::abs(share - 1 / 1.04) < 0.01, qPrintable(QString::number(share)));
        QCOMPARE(preview->Pages().Image(0).size(), page.size().toSize());
    }
};

QTEST_MAIN(TestPrintPreview)
#include "tst_printpreview.moc"
