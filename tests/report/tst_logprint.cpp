// The printed log: word wrapping on the drawing surface, the cells and totals,
// page breaks, page numbers, the preview's pictures, PDF errors, and the
// positions and font sizes of the text read back from the PDF.

#include "pdfwords.h"

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "report/drawsurface.h"
#include "report/logprint.h"
#include "report/previewpages.h"
#include "report/printjobs.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace reporttest;

namespace {

LogbookRow Flight(int day, const QVariant& flightTime, const QVariant& distance,
                  const QString& comments = {}) {
    LogbookRow r;
    r.type = QStringLiteral("Hill");
    r.startTime = DayNumber(QDate(2024, 5, 1).addDays(day), 12, 30);
    r.makeModel = QStringLiteral("Rush 5");
    r.location = QStringLiteral("Mam Tor");
    r.flightTime = flightTime;
    r.startHeight = 300;
    r.maxGain = 1150;
    r.maxLoss = -20;
    r.maxDescent = -3.25;
    r.maxAscent = 4.5;
    r.xcType = QStringLiteral("Open");
    r.distance = distance;
    r.comments = comments.isEmpty() ? QVariant() : QVariant(comments);
    return r;
}

std::vector<LogbookRow> Flights(int count) {
    std::vector<LogbookRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Flight(i, QStringLiteral("01:15"), 12.5));
    return rows;
}

} // namespace

class TestLogPrint : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QVector<PdfWord> PdfOf(const std::vector<LogbookRow>& rows, const QString& name,
                           PrintOutcome* outcome = nullptr) {
        const QString path = dir_.filePath(name);
        const PrintOutcome result = ExportLogPdf(path, rows, QStringLiteral("Soarnote - test"));
        if (outcome) *outcome = result;
        return ReadPdfWords(path);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        if (!HavePdfToText()) QSKIP("pdftotext (poppler-utils) is needed to read the pages back");
    }

    void wrapping_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("columnFits"); // the text the column is just wide enough for
        QTest::addColumn<int>("lineEnds");
        QTest::addColumn<QString>("lastLine");
        const char* rows[][5] = {
            {"fits", "one two three", "one two three four ", "0", "one two three "},
            {"wraps at words", "one two three four", "one two three ", "1", "four "},
            {"unbreakable word on its own line", "a Llanfairpwllgwyngyll b", "a b c ", "2", "b "},
            {"unbreakable first word runs past the rule", "Llanfairpwllgwyngyll x", "a b ", "2", "x "},
            {"line breaks", "first\r\nsecond\r\nthird", "first second third fourth ", "2", "third "},
            {"two blanks give one blank", "a  b", "a b c d e f ", "0", "a  b "}};
        for (const auto& [name, text, fits, lineEnds, lastLine] : rows)
            QTest::newRow(name) << QString(text) << QString(fits) << QString(lineEnds).toInt()
                                << QString(lastLine);
    }
    void wrapping() {
        QFETCH(QString, text);
        QFETCH(QString, columnFits);
        QFETCH(QString, lastLine);
        QImage image = PageImage();
        DrawSurface surface(&image, 287, 200);
        surface.SetFontSize(6);
        const double left = 170;
        const double right = left + surface.TextWidth(columnFits) + 0.01;
        surface.SetCurrentY(50);
        PrintWrapped(surface, text, left, right);
        QTEST(qRound((surface.CurrentY() - 50) / surface.TextHeight()), "lineEnds");
        QVERIFY2(std::abs(surface.CurrentX() - (left + surface.TextWidth(lastLine))) < 0.01,
                 qPrintable(QString::number(surface.CurrentX() - left)));
    }

    void cells_data() {
        QTest::addColumn<QVariant>("flightTime");
        QTest::addColumn<QVariant>("distance");
        QTest::addColumn<QString>("dur");
        QTest::addColumn<QString>("dst");
        QTest::newRow("ordinary") << QVariant(QStringLiteral("01:15")) << QVariant(12.25) << "01:15"
                                  << "12.3";
        QTest::newRow("past a day shows the time of day")
            << QVariant(QStringLiteral("26:30")) << QVariant(0.0) << "02:30"
            << "0.0";
        QTest::newRow("empty fields are empty cells") << QVariant() << QVariant() << ""
                                                      << "";
    }
    void cells() {
        QFETCH(QVariant, flightTime);
        QFETCH(QVariant, distance);
        const std::array<QString, 13> cells = LogCells(Flight(0, flightTime, distance));
        QCOMPARE(cells[1], QStringLiteral("Wed, 1 May 2024"));
        QCOMPARE(cells[4], QStringLiteral("12:30"));
        QTEST(cells[5], "dur");
        QCOMPARE(cells[8], QStringLiteral("-20"));
        QCOMPARE(cells[9], QStringLiteral("-3.3"));
        QTEST(cells[12], "dst");
    }

    void totals_data() {
        QTest::addColumn<QVariantList>("durations");
        QTest::addColumn<QVariantList>("distances");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("distance");
        QTest::newRow("rounded at every flight")
            << QVariantList(6, QStringLiteral("00:30")) << QVariantList(6, 2.5) << "3:00"
            << "12";
        QTest::newRow("days count in hours") << QVariantList{QStringLiteral("26:30"), QStringLiteral("01:00")}
                                             << QVariantList{1.0, 2.0} << "27:30"
                                             << "3";
        QTest::newRow("wider than 16 bits") << QVariantList{QStringLiteral("01:00"), QStringLiteral("01:00")}
                                            << QVariantList{20000.0, 20000.0} << "2:00"
                                            << "40000";
        QTest::newRow("empty fields add nothing")
            << QVariantList{QVariant(), QStringLiteral("01:15")} << QVariantList{QVariant(), 3.0} << "1:15"
            << "3";
    }
    void totals() {
        QFETCH(QVariantList, durations);
        QFETCH(QVariantList, distances);
        std::vector<LogbookRow> rows;
        for (int i = 0; i < durations.size(); ++i)
            rows.push_back(Flight(i, durations[i], distances[i]));
        PrintOutcome outcome;
        const QVector<PdfWord> words = PdfOf(rows, QStringLiteral("totals.pdf"), &outcome);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QTEST(WordAfter(words, QStringLiteral("Time:")), "time");
        QTEST(WordAfter(words, QStringLiteral("Distance:")), "distance");
    }

    void positionsAndFontSizes() {
        const QVector<PdfWord> words = PdfOf(Flights(1), QStringLiteral("positions.pdf"));
        QCOMPARE(PageCount(words), 1);
        // Printable area: A4 landscape less 5 mm all round.
        const double width = 297 - 2 * kPdfMarginMm;
        QImage image = PageImage();
        DrawSurface surface(&image, 287, 200);
        surface.SetFontSize(6);
        surface.SetFontBold(true);
        const double blank = surface.TextWidth(QStringLiteral(" "));
        const char* headings[] = {"Type", "Start", "Glider", "Launch", "Time", "Dur.", "Start",
                                  "Gain", "Loss",  "Dsc",    "Asc",    "XC",   "Dst.", "Comments"};
        int found = 0;
        for (int c = 0; c < 14; ++c) {
            const double expected =
                (kPdfMarginMm + kLogColumnPercent[c] * width / 100 + blank) * kPointsPerMm;
            for (const PdfWord& w : words)
                if (w.text == QLatin1String(headings[c]) && std::abs(w.xMin - expected) < 0.8) {
                    ++found;
                    // 6 points: Liberation Sans boxes are about 1.15 x the size.
                    QVERIFY2(w.Height() > 6 && w.Height() < 7.6, qPrintable(QString::number(w.Height())));
                    break;
                }
        }
        QCOMPARE(found, 14);
        const PdfWord* title = FindWord(words, QStringLiteral("Soarnote"));
        QVERIFY(title);
        QVERIFY2(title->Height() > 9 && title->Height() < 11.4, qPrintable(QString::number(title->Height())));
        QVERIFY(std::abs(title->xMin - (kPdfMarginMm + 2) * kPointsPerMm) < 1);
        const PdfWord* footer = FindWord(words, QStringLiteral("Page"));
        QVERIFY(footer);
        QVERIFY(std::abs(footer->xMin - (kPdfMarginMm + kFooterX) * kPointsPerMm) < 1);
        QVERIFY(std::abs(footer->yMin - (kPdfMarginMm + kFooterY) * kPointsPerMm) < 2);
    }

    void fullPageEndsAtEndOfLog() {
        // How many rows one page holds, then exactly that many.
        const QVector<PdfWord> many = PdfOf(Flights(120), QStringLiteral("many.pdf"));
        int perPage = 0;
        for (const PdfWord& w : many)
            if (w.page == 1 && w.text == QLatin1String("Hill")) ++perPage;
        QVERIFY(perPage > 20);
        PrintOutcome outcome;
        const QVector<PdfWord> full = PdfOf(Flights(perPage), QStringLiteral("full.pdf"), &outcome);
        QCOMPARE(outcome.pages, 1);
        QCOMPARE(PageCount(full), 1);
        QVERIFY(FindWord(full, QStringLiteral("Distance:"), 1));
        const QVector<PdfWord> more = PdfOf(Flights(perPage + 1), QStringLiteral("more.pdf"), &outcome);
        QCOMPARE(outcome.pages, 2);
        QVERIFY(!FindWord(more, QStringLiteral("Distance:"), 1));
        QVERIFY(FindWord(more, QStringLiteral("Distance:"), 2));
        // Page numbers and totals start again with each run (12.5 a flight,
        // each partial sum rounded halves to even: 12 a flight).
        for (int page = 1; page <= 2; ++page)
            QCOMPARE(WordAfter(more, QStringLiteral("Page"), page), QString::number(page));
        QCOMPARE(WordAfter(more, QStringLiteral("Distance:")), QString::number(12 * (perPage + 1)));
    }

    void previewBreaksWhereThePdfDoes() {
        // Comments of one, several and wrapped lines make rows of different
        // heights; each glider name tells which row a page starts with.
        std::vector<LogbookRow> rows;
        const QString longComment =
            QStringLiteral("Strong thermals on the ridge, cloudbase at 1800 m, landed "
                           "in the usual field beside the road after a long glide "
                           "into wind and a low save over the quarry.");
        for (int i = 0; i < 160; ++i) {
            const QString comment = i % 4 == 0   ? longComment
                                    : i % 4 == 1 ? QStringLiteral("One\r\nTwo\r\nThree")
                                                 : QString();
            LogbookRow row = Flight(i, QStringLiteral("01:15"), 12.5, comment);
            row.makeModel = QStringLiteral("G%1").arg(i);
            rows.push_back(row);
        }
        const QVector<PdfWord> words = PdfOf(rows, QStringLiteral("breaks.pdf"));
        const int pdfPages = PageCount(words);
        QVERIFY(pdfPages >= 4);
        static const QRegularExpression glider(QStringLiteral(R"(^G(\d+)$)"));
        std::vector<std::size_t> pdfFirstRows;
        for (int page = 1; page <= pdfPages; ++page) {
            const PdfWord* top = nullptr;
            for (const PdfWord& w : words)
                if (w.page == page && glider.match(w.text).hasMatch() && (!top || w.yMin < top->yMin))
                    top = &w;
            QVERIFY(top);
            pdfFirstRows.push_back(glider.match(top->text).captured(1).toULongLong());
        }

        // The preview of the same page (A4 landscape less 5 mm, 1200 dpi).
        PreviewPages pages;
        pages.SetFit(FitPreview(pages.Printer(), QSize(900, 650), 15));
        pages.SetPageSize(0);
        QCOMPARE(PrintLog(pages, rows, QStringLiteral("Soarnote - test")), pdfPages);
        QCOMPARE(pages.Count(), pdfPages);
        for (int page = 0; page < pdfPages; ++page) {
            QCOMPARE(pages.FirstRow(page), pdfFirstRows[std::size_t(page)]);
            // Paging through keeps a few pictures, never one per page.
            QVERIFY(!pages.Image(page).isNull());
            QVERIFY(pages.Drawn() <= 3);
        }
    }

    void previewReusesItsPictures() {
        PreviewPages pages;
        pages.SetFit(FitPreview(pages.Printer(), QSize(900, 650), 15));
        pages.SetPageSize(0);
        const std::vector<LogbookRow> rows = Flights(100);
        QCOMPARE(PrintLog(pages, rows, QStringLiteral("Soarnote - test")), 3);
        QCOMPARE(pages.Count(), 3);
        QCOMPARE(pages.Created(), 2);
        const QImage first = pages.Image(0);
        QCOMPARE(PrintLog(pages, rows, QStringLiteral("Soarnote - test")), 3);
        QCOMPARE(pages.Created(), 2);
        QCOMPARE(pages.Image(0), first);
    }

    void emptyLogDrawsNothing() {
        PreviewPages pages;
        pages.SetFit(FitPreview(pages.Printer(), QSize(900, 650), 15));
        pages.SetPageSize(0);
        QCOMPARE(PrintLog(pages, {}, QStringLiteral("x")), 0);
        QCOMPARE(pages.Count(), 1);
        QImage white(pages.Image(0).size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(pages.Image(0), white);
        const QString path = dir_.filePath(QStringLiteral("empty.pdf"));
        const PrintOutcome outcome = ExportLogPdf(path, {}, QStringLiteral("x"));
        QVERIFY(!outcome.ok);
        QVERIFY(!QFile::exists(path));
    }

    void demoLogbookFirstPage() {
        const QString demo = QStringLiteral(SOARNOTE_BIN_DIR "/demo.mdb");
        if (!QFile::exists(demo)) QSKIP("the demo logbook is built with the program");
        const QString copy = dir_.filePath(QStringLiteral("demo.mdb"));
        QFile::remove(copy);
        QVERIFY(QFile::copy(demo, copy));
        LogbookDatabase logbook;
        QString error;
        QVERIFY2(logbook.Open(copy, &error), qPrintable(error));
        const std::optional<std::vector<LogbookRow>> rows = ReadLogbookRows(logbook.Db(), &error);
        QVERIFY2(rows && !rows->empty(), qPrintable(error));
        PreviewPages pages;
        pages.SetFit(FitPreview(pages.Printer(), QSize(1200, 880), 15));
        pages.SetPageSize(0);
        PrintLog(pages, *rows, QStringLiteral("Soarnote - demo"));
        CompareWithGolden(pages.Image(0), QStringLiteral("demo_log_page1.png"), 0.02);
    }
};

QTEST_MAIN(TestLogPrint)
#include "tst_logprint.moc"
