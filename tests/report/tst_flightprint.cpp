// The flight page: which plots it holds and where, the plan view's fit and
// tint, the speed curve at the top edge, labels in metres, the text block,
// read back from images and PDF files.

#include "pdfwords.h"

#include "common/testlogbook.h"

#include "core/daynumber.h"
#include "report/drawsurface.h"
#include "report/flightprint.h"
#include "report/previewpages.h"
#include "report/printjobs.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace reporttest;

namespace {

// Times a power of two apart, so that the rates come out exact.
constexpr double kStep = 1.0 / 1024; // days

// A plot from (x, y, z) triples one step apart, closed by the repeated last
// time as the merge leaves it.
PlotData MakePlot(const std::vector<std::array<float, 3>>& xyz) {
    PlotData plot;
    for (std::size_t i = 0; i < xyz.size(); ++i)
        plot.points.push_back(PlotPoint{xyz[i][0], xyz[i][1], xyz[i][2], 1000 + kStep * double(i)});
    PlotPoint last = plot.points.back();
    plot.points.push_back(last);
    plot.lastIndex = static_cast<int>(plot.points.size()) - 1;
    plot.min = plot.max = plot.points.front();
    for (const PlotPoint& p : plot.points) {
        plot.min = {std::min(plot.min.x, p.x), std::min(plot.min.y, p.y), std::min(plot.min.z, p.z),
                    plot.min.time};
        plot.max = {std::max(plot.max.x, p.x), std::max(plot.max.y, p.y), std::max(plot.max.z, p.z), p.time};
    }
    return plot;
}

QPoint Pixel(double xMm, double yMm) {
    return QPoint(int(xMm * 4), int(yMm * 4));
}

FlightPageFields Fields(qint64 id) {
    FlightPageFields f;
    f.id = id;
    f.location = QStringLiteral("Mam Tor");
    f.xcType = QStringLiteral("Open");
    f.comments = QStringLiteral("Thermals to cloudbase over the ridge.");
    f.startTime = QStringLiteral("2015-06-01 12:00:00");
    f.endTime = QStringLiteral("2015-06-01 12:10:00");
    f.flightTime = QStringLiteral("00:10");
    f.maxHeight = QStringLiteral("2100");
    f.minHeight = QStringLiteral("900");
    f.maxGain = QStringLiteral("1100");
    f.minGain = QStringLiteral("-100");
    f.distance = QStringLiteral("4.5");
    return f;
}

} // namespace

class TestFlightPrint : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // A track of a point every hundredth of a millimetre is drawn with few
    // vertices, but every turn and every far end is still reached.
    void denseTrackKeepsItsShape_data() {
        QTest::addColumn<QList<QPointF>>("corners"); // mm; the track runs straight between them
        QTest::addColumn<QPointF>("tip");            // a point the line must reach
        QTest::newRow("right angle") << QList<QPointF>{{10, 50}, {60, 50}, {60, 20}} << QPointF(60, 35);
        QTest::newRow("hairpin back over itself")
            << QList<QPointF>{{10, 50}, {60, 50}, {30, 50}} << QPointF(59.5, 50);
        QTest::newRow("shallow kink") << QList<QPointF>{{10, 50}, {60, 50}, {110, 48}} << QPointF(110, 48);
    }
    void denseTrackKeepsItsShape() {
        QFETCH(QList<QPointF>, corners);
        QFETCH(QPointF, tip);
        QImage image = PageImage();
        {
            DrawSurface surface(&image, 287, 200);
            surface.SetCurrentX(corners[0].x());
            surface.SetCurrentY(corners[0].y());
            for (int c = 1; c < corners.size(); ++c) {
                const QPointF from = corners[c - 1];
                const QPointF step = corners[c] - from;
                const int n = int(std::hypot(step.x(), step.y()) / 0.01);
                for (int i = 1; i <= n; ++i)
                    surface.Line(from.x() + step.x() * i / n, from.y() + step.y() * i / n, Qt::black);
            }
        }
        const QPoint p = Pixel(tip.x(), tip.y());
        int ink = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                ink += image.pixel(p + QPoint(dx, dy)) != qRgb(255, 255, 255);
        QVERIFY(ink > 0);
    }

    void frames_data() {
        QTest::addColumn<QString>("track");
        QTest::addColumn<bool>("plan");
        QTest::addColumn<bool>("profile");
        QTest::addColumn<QRect>("planFrame"); // x, y, w, h; null when none
        QTest::addColumn<QRect>("profileFrame");
        const QRect none;
        QTest::newRow("both") << "xy" << true << true << QRect(70, 30, 190, 110) << QRect(10, 150, 250, 40);
        QTest::newRow("plan only") << "xy" << true << false << QRect(70, 30, 190, 160) << none;
        QTest::newRow("profile only") << "xy" << false << true << none << QRect(10, 60, 250, 130);
        QTest::newRow("both off") << "xy" << false << false << none << none;
        QTest::newRow("no GPS track: profile alone in its frame")
            << "none" << true << true << none << QRect(10, 60, 250, 130);
        QTest::newRow("east-west track has no plan view")
            << "x" << true << true << none << QRect(10, 60, 250, 130);
        QTest::newRow("north-south track")
            << "y" << true << true << QRect(70, 30, 190, 110) << QRect(10, 150, 250, 40);
    }
    void frames() {
        QFETCH(QString, track);
        QFETCH(bool, plan);
        QFETCH(bool, profile);
        QFETCH(QRect, planFrame);
        QFETCH(QRect, profileFrame);
        const float dx = track.contains(QLatin1Char('x')) ? -500 : 0;
        const float dy = track.contains(QLatin1Char('y')) ? 700 : 0;
        const PlotData data = MakePlot({{0, 0, 300}, {dx, dy, 350}, {2 * dx, 2 * dy, 320}});
        const PlotFrames frames = ChoosePlotFrames(data, plan, profile);
        QCOMPARE(frames.plan.has_value(), !planFrame.isNull());
        QCOMPARE(frames.profile.has_value(), !profileFrame.isNull());
        if (frames.plan)
            QCOMPARE(QRect(frames.plan->x, frames.plan->y, frames.plan->w, frames.plan->h), planFrame);
        if (frames.profile)
            QCOMPARE(QRect(frames.profile->x, frames.profile->y, frames.profile->w, frames.profile->h),
                     profileFrame);
    }

    void northSouthTrackFitsByHeight() {
        const PlotData data = MakePlot({{0, 0, 300}, {0, 800, 350}, {0, 1600, 320}});
        QImage image = PageImage();
        DrawSurface surface(&image, 287, 200);
        int w = 190;
        int h = 160;
        DrawPlanView(surface, data, 70, 30, w, h, 15, 2000);
        QCOMPARE(w, 0);
        QCOMPARE(h, 160);
    }

    void tint_data() {
        QTest::addColumn<float>("climb"); // height units per step
        QTest::addColumn<int>("show");
        QTest::addColumn<QColor>("band");
        QTest::addColumn<bool>("onPaper"); // drawn into a PDF, which takes no blend mode
        // 255 units per step at gain 1024 is exactly 255 x gain per day.
        QTest::newRow("exactly saturated climb") << 255.f << 15 << QColor(255, 0, 0) << false;
        QTest::newRow("on paper") << 255.f << 15 << QColor(255, 0, 0) << true;
        QTest::newRow("beyond saturation") << 1000.f << 15 << QColor(255, 0, 0) << false;
        QTest::newRow("half climb") << 127.5f << 15 << QColor(255, 128, 128) << false;
        QTest::newRow("saturated sink") << -255.f << 15 << QColor(0, 0, 255) << false;
        QTest::newRow("level flight leaves the paper") << 0.f << 15 << QColor(Qt::white) << false;
        QTest::newRow("show 0: no tint") << 255.f << 0 << QColor(Qt::white) << false;
        QTest::newRow("climb tint off") << 255.f << 2 << QColor(Qt::white) << false;
        QTest::newRow("sink tint off") << -255.f << 1 << QColor(Qt::white) << false;
    }
    void tint() {
        QFETCH(float, climb);
        QFETCH(int, show);
        QFETCH(bool, onPaper);
        const PlotData data =
            MakePlot({{0, 0, 1000}, {-1000, 0, 1000 + climb}, {-2000, 0, 1000 + 2 * climb}});
        auto draw = [&](DrawSurface& surface) {
            surface.SetDrawWidth(int(10 * surface.PixelsPerMm())); // a band 10 mm wide
            const qint16 width = surface.DrawWidth();
            int w = 190;
            int h = 160;
            DrawPlanView(surface, data, 20, 100, w, h, show, 1024);
            QCOMPARE(surface.DrawWidth(), width); // restored
            QCOMPARE(surface.Mode(), DrawMode::Copy);
        };
        QImage image = PageImage();
        if (onPaper) {
            if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
                QSKIP("pdftoppm is needed");
            const QString pdf = dir_.filePath(QStringLiteral("mask.pdf"));
            {
                QPdfWriter writer(pdf);
                writer.setResolution(kPdfResolution);
                writer.setPageLayout(
                    QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
                DrawSurface surface(&writer);
                draw(surface);
                QVERIFY(surface.EndDoc());
            }
            QProcess p;
            p.start(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("101.6"),
                     QStringLiteral("-singlefile"), pdf, dir_.filePath(QStringLiteral("mask"))});
            QVERIFY(p.waitForFinished(60000));
            image = QImage(dir_.filePath(QStringLiteral("mask.png")));
        } else {
            DrawSurface surface(&image, 287, 200);
            draw(surface);
        }
        // 2.5 mm beside the first segment: in the band, off the track line.
        QTEST(image.pixelColor(Pixel(60, 102.5)), "band");
        // The track line stays black under the band.
        const QColor line = image.pixelColor(Pixel(60, 100));
        QVERIFY2(line.red() < 80 && line.green() < 80 && line.blue() < 80, qPrintable(line.name()));
    }

    void speedCurve_data() {
        QTest::addColumn<int>("show");
        QTest::addColumn<bool>("blueAtTop");
        QTest::newRow("speed above 100 at the top edge") << 4 << true;
        QTest::newRow("show 0: no speed curve") << 0 << false;
    }
    void speedCurve() {
        QFETCH(int, show);
        // 150 km/h: 150 km per hour of steps.
        const float stepMetres = float(150000.0 * kStep * 24);
        const PlotData data = MakePlot(
            {{0, 0, 300}, {-stepMetres, 0, 400}, {-2 * stepMetres, 0, 500}, {-3 * stepMetres, 0, 450}});
        QImage image = PageImage();
        {
            DrawSurface surface(&image, 287, 200);
            DrawProfile(surface, data, 10, 60, 250, 130, show);
        }
        // Between the third and fourth point, on the frame's top edge.
        const double x = 10 + 250 * 2.5 / 3;
        bool blue = false;
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor c = image.pixelColor(Pixel(x, 60) + QPoint(0, dy));
            blue = blue || (c.blue() > 200 && c.red() < 100 && c.green() < 100);
        }
        QTEST(blue, "blueAtTop");
    }

    void pageTextAndLabels_data() {
        QTest::addColumn<bool>("samples");
        QTest::newRow("with track and barograph") << true;
        QTest::newRow("no samples: text block only") << false;
    }
    void pageTextAndLabels() {
        QFETCH(bool, samples);
        if (!HavePdfToText()) QSKIP("pdftotext (poppler-utils) is needed to read the page back");
        const double noon = DayNumber(QDate(2015, 6, 1), 12);
        auto at = [noon](int seconds) { return noon + seconds * kOneSecond; };
        testlogbook::Builder builder(dir_.filePath(QStringLiteral("flight.mdb")));
        builder.Flight({{"StartTime", at(0)}, {"EndTime", at(600)}, {"TimeOffset", 0.0}});
        if (samples) {
            builder.Row("Tracks", {{"LogID", 1}, {"TimeOffset", 0.0}});
            for (int i = 0; i <= 10; ++i)
                builder
                    .Row("TrackData", {{"TrackID", 1},
                                       {"TIME", at(i * 60)},
                                       {"LAT", 53.35 + i * 0.002},
                                       {"LNG", -1.8 + i * 0.003}})
                    .Row("BaroData",
                         {{"LogID", 1}, {"TIME", at(i * 60 + 30)}, {"height", 3000 + 300 * (i % 4)}});
        }
        QVERIFY(builder.Build());
        LogbookDatabase logbook;
        QVERIFY(logbook.Open(builder.Path(), nullptr));
        const qint64 id = 1;
        FlightPageOptions options;
        options.plot.units = QStringLiteral("Feet");
        const QString path = dir_.filePath(QStringLiteral("flight.pdf"));
        const PrintOutcome outcome = ExportFlightPdf(path, logbook.Db(), Fields(id), options);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        const QVector<PdfWord> words = ReadPdfWords(path);
        QCOMPARE(PageCount(words), 1);
        // Heading at 16 points, the four lines at 10.4 points.
        const PdfWord* heading = FindWord(words, QStringLiteral("Mam"));
        QVERIFY(heading);
        QVERIFY2(heading->Height() > 16 && heading->Height() < 20,
                 qPrintable(QString::number(heading->Height())));
        const PdfWord* flight = FindWord(words, QStringLiteral("Flight"));
        QVERIFY(flight);
        QVERIFY2(flight->Height() > 10.4 && flight->Height() < 13,
                 qPrintable(QString::number(flight->Height())));
        QCOMPARE(WordAfter(words, QStringLiteral("Time:")), QStringLiteral("00:10"));
        QCOMPARE(WordAfter(words, QStringLiteral("Type:")), QStringLiteral("4.5km"));

        static const QRegularExpression metres(QStringLiteral(R"(^-?\d+m$)"));
        int labels = 0;
        for (const PdfWord& w : words) {
            QVERIFY2(!w.text.endsWith(QLatin1String("ft")), qPrintable(w.text));
            if (metres.match(w.text).hasMatch()) ++labels;
        }
        // Four plan-view labels and two height labels, in metres even with feet.
        QCOMPARE(labels, samples ? 6 : 0);
        QCOMPARE(words.end() !=
                     std::find_if(words.begin(), words.end(),
                                  [](const PdfWord& w) { return w.text.endsWith(QLatin1String("kph")); }),
                 samples);
    }

    void flightPageGolden() {
        PreviewPages pages;
        PrinterPage printer;
        printer.fontSize = 8;
        printer.drawWidth = ReferenceDrawWidth(printer.twipsPerPixel);
        pages.SetPrinterPage(printer);
        pages.SetFit(FitPreview(printer, QSize(1200, 880), 15));
        pages.SetPageSize(0);
        std::vector<std::array<float, 3>> xyz;
        for (int i = 0; i < 200; ++i) {
            const double a = i * 0.08;
            xyz.push_back({float(-i * 40 - 900 * std::sin(a)), float(1200 * std::cos(a) + i * 15),
                           float(600 + 400 * std::sin(a * 0.7) + i * 2)});
        }
        const PlotData data = MakePlot(xyz);
        {
            std::unique_ptr<DrawSurface> surface = pages.Surface(0);
            surface->Cls();
            DrawFlightDetails(*surface, Fields(1), &data, FlightPageOptions());
        }
        CompareWithGolden(pages.Image(0), QStringLiteral("flight_page.png"), 0.02);
    }
};

QTEST_MAIN(TestFlightPrint)
#include "tst_flightprint.moc"
