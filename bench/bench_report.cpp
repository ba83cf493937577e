// Printing figures: a 5,000-flight log to a PDF file and to the preview's
// pictures, and one flight page with 100,000 track points, to PDF and to a
// preview picture. Run by hand; prints the wall and processor times and the
// peak resident memory so far. One part alone: bench_report pdf|preview|flight
// [flights] (the peak memory is then that part's own).

#include "core/daynumber.h"
#include "report/drawsurface.h"
#include "report/flightprint.h"
#include "report/previewpages.h"
#include "report/printjobs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <ctime>
#include <sys/resource.h>

using namespace soarnote;

namespace {

std::vector<LogbookRow> Log(int flights) {
    std::vector<LogbookRow> rows;
    rows.reserve(flights);
    for (int i = 0; i < flights; ++i) {
        LogbookRow r;
        r.type = QStringLiteral("Hill");
        r.startTime = DayNumber(QDate(2000, 1, 1).addDays(i), 11 + i % 5, i % 60);
        r.makeModel = QStringLiteral("Rush 5");
        r.location = QStringLiteral("Mam Tor");
        r.flightTime =
            QStringLiteral("%1:%2").arg(i % 4, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
        r.startHeight = 300 + i % 200;
        r.maxGain = 1000 + i % 700;
        r.maxLoss = -(i % 50);
        r.maxDescent = -2.5;
        r.maxAscent = 3.7;
        r.xcType = QStringLiteral("Open");
        r.distance = (i % 90) / 2.0;
        if (i % 3 == 0)
            r.comments =
                QStringLiteral("Strong thermals on the ridge, cloudbase at 1800 m, landed in the usual field "
                               "beside the road after a long glide into wind.");
        rows.push_back(std::move(r));
    }
    return rows;
}

PlotData BigTrack(int points) {
    PlotData plot;
    plot.points.reserve(points + 1);
    for (int i = 0; i < points; ++i) {
        const double a = i * 0.001;
        plot.points.push_back(PlotPoint{float(-i * 0.4 - 2000 * std::sin(a)), float(3000 * std::cos(a * 1.3)),
                                        float(800 + 500 * std::sin(a * 3)), 45000 + i / 86400.0});
    }
    plot.points.push_back(plot.points.back());
    plot.lastIndex = points;
    plot.min = plot.max = plot.points.front();
    for (const PlotPoint& p : plot.points) {
        plot.min.x = std::min(plot.min.x, p.x);
        plot.min.y = std::min(plot.min.y, p.y);
        plot.min.z = std::min(plot.min.z, p.z);
        plot.max.x = std::max(plot.max.x, p.x);
        plot.max.y = std::max(plot.max.y, p.y);
        plot.max.z = std::max(plot.max.z, p.z);
        plot.max.time = std::max(plot.max.time, p.time);
    }
    return plot;
}

long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const QString part = args.size() > 1 ? args[1] : QStringLiteral("all");
    auto wanted = [&part](const char* name) {
        return part == QLatin1String("all") || part == QLatin1String(name);
    };
    const int flights = args.size() > 2 ? args[2].toInt() : 5000;
    QTemporaryDir dir;
    const std::vector<LogbookRow> rows = Log(flights);
    QElapsedTimer timer;
    // The processor time too: on a shared machine the wall clock says little.
    std::clock_t cpu = 0;
    auto cpuMs = [&cpu] { return (std::clock() - cpu) * 1000 / CLOCKS_PER_SEC; };
    auto start = [&] {
        timer.start();
        cpu = std::clock();
    };
    auto figures = [&] {
        return QStringLiteral("%1 ms (cpu %2 ms, peak RSS %3 MB)")
            .arg(timer.elapsed())
            .arg(cpuMs())
            .arg(PeakRssMb());
    };

    if (wanted("pdf")) {
        start();
        const PrintOutcome pdf =
            ExportLogPdf(dir.filePath(QStringLiteral("log.pdf")), rows, QStringLiteral("Soarnote - bench"));
        out << flights << "-flight log to PDF: " << figures() << ", " << pdf.pages << " pages"
            << (pdf.ok ? "" : " FAILED") << Qt::endl;
    }

    if (wanted("preview")) {
        PreviewPages pages;
        pages.SetFit(FitPreview(pages.Printer(), QSize(1200, 880), 15));
        pages.SetPageSize(0);
        start();
        const int count = PrintLog(pages, rows, QStringLiteral("Soarnote - bench"));
        qint64 ink = pages.Image(0).pixel(0, 0); // the first page as the preview shows it
        out << flights << "-flight log to the preview (first page shown): " << figures() << ", " << count
            << " pages" << Qt::endl;
        start();
        for (int i = 0; i < pages.Count(); ++i)
            ink += pages.Image(i).pixel(0, 0);
        out << "  paging through every page: " << figures() << Qt::endl;
        start();
        PrintLog(pages, rows, QStringLiteral("Soarnote - bench"));
        ink += pages.Image(0).pixel(0, 0);
        out << "  again, reusing the pages: " << figures() << (ink ? "" : " ") << Qt::endl;
    }

    if (wanted("flight")) {
        const PlotData plot = BigTrack(100000);
        FlightPageFields fields;
        fields.location = QStringLiteral("Mam Tor");
        fields.startTime = QStringLiteral("2023-03-15 12:00:00");
        start();
        {
            QPdfWriter writer(dir.filePath(QStringLiteral("flight.pdf")));
            writer.setResolution(kPdfResolution);
            writer.setPageOrientation(QPageLayout::Landscape);
            DrawSurface surface(&writer);
            SetupPrintPage(surface, 8, ReferenceDrawWidth(1440.0 / kPdfResolution));
            DrawFlightDetails(surface, fields, &plot, FlightPageOptions());
            surface.EndDoc();
        }
        out << "flight page, 100000 points, to PDF: " << figures() << Qt::endl;

        PreviewPages flightPages;
        PrinterPage printer;
        printer.fontSize = 8;
        printer.drawWidth = ReferenceDrawWidth(printer.twipsPerPixel);
        flightPages.SetPrinterPage(printer);
        flightPages.SetFit(FitPreview(printer, QSize(1200, 880), 15));
        flightPages.SetPageSize(0);
        start();
        {
            std::unique_ptr<DrawSurface> surface = flightPages.Surface(0);
            surface->Cls();
            DrawFlightDetails(*surface, fields, &plot, FlightPageOptions());
        }
        out << "flight page, 100000 points, to a preview picture: " << figures() << Qt::endl;
    }
    return 0;
}
