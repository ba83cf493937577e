#include "logprint.h"

#include "drawsurface.h"
#include "previewpages.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <QPagedPaintDevice>
#include <QRegularExpression>
#include <cmath>

namespace soarnote {

namespace {
// Kilometres; far beyond any logbook, and exact as a double and a qint64.
constexpr double kLargestDistanceTotal = 1e15;
} // namespace

namespace {

constexpr float kLogBaseFont = 6;
// Rows start on a new page once the row top lies below this share of the page.
constexpr double kPageFull = 0.92;

const char* const kHeadings[14] = {
    "Type", "Start Date", "Glider", "Launch Location", "Time", "Dur.",    "Start", "Gain",
    "Loss", "Dsc",        "Asc",    "XC Type",         "Dst.", "Comments"};

QString NumberCell(const QVariant& value, int decimals) {
    if (value.isNull()) return {};
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? FixedNumberText(v, decimals) : value.toString();
}

QString DateCell(const QVariant& value, QString (*format)(double)) {
    if (value.isNull()) return {};
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? format(v) : value.toString();
}

} // namespace

void SetLandscape(QPagedPaintDevice& device) {
    device.setPageOrientation(QPageLayout::Landscape);
}

void SetupPrintPage(DrawSurface& surface, float baseFontSize, int drawWidth) {
    surface.SetDrawWidth(drawWidth);
    surface.SetFontSize(baseFontSize);
}

void PrintCell(DrawSurface& surface, const QString& text, double x, double rightX) {
    surface.SetCurrentX(x);
    // A page only measured for its breaks needs no cell widths: a cell
    // never wraps, so it cannot change the row's height.
    if (!surface.IsActive()) return;
    QString shown = QLatin1Char(' ') + text;
    // A long site or launch name would run across the next column's rule and
    // over its text: it is cut to its own column, with a dot for what is left out.
    if (rightX > x && surface.TextWidth(shown) > rightX - x) {
        const QString more = QStringLiteral(".");
        while (shown.size() > 1 && surface.TextWidth(shown + more) > rightX - x)
            shown.chop(1);
        shown = shown.trimmed().isEmpty() ? shown : shown + more;
    }
    surface.Print(shown, false);
}

void PrintWrapped(DrawSurface& surface, const QString& text, double leftX, double rightX) {
    surface.SetCurrentX(leftX);
    QString rest = text;
    while (!rest.isEmpty()) {
        qsizetype p = rest.indexOf(QLatin1Char(' ')) + 1; // 1-based, 0 when none
        if (p == 0) p = rest.size() + 1;
        const qsizetype q = rest.indexOf(QChar(13)) + 1;
        const bool lineBreak = q >= 1 && q < p;
        if (lineBreak) p = q + 1;
        const QString word = rest.left(p - 1).trimmed();
        // The character after a carriage return (its line feed) goes with it.
        rest = rest.mid(p);
        const QString printed = word + QLatin1Char(' ');
        if (surface.CurrentX() + surface.TextWidth(printed) >= rightX) {
            surface.EndLine();
            surface.SetCurrentX(leftX);
        }
        surface.Print(printed, false);
        if (lineBreak) {
            surface.EndLine();
            surface.SetCurrentX(leftX);
        }
    }
}

std::optional<double> DurationDays(const QVariant& flightTime) {
    if (flightTime.isNull()) return std::nullopt;
    static const QRegularExpression form(QStringLiteral(R"(^\s*(-?)(\d+):(\d{1,2})(?::(\d{1,2}))?\s*$)"));
    const QRegularExpressionMatch m = form.match(flightTime.toString());
    if (!m.hasMatch()) return std::nullopt;
    const double minutes =
        m.captured(2).toDouble() * 60 + m.captured(3).toDouble() + m.captured(4).toDouble() / 60;
    return (m.captured(1).isEmpty() ? 1 : -1) * minutes / 1440;
}

QString TotalFlightTimeText(double days) {
    const qint64 seconds = std::llround(std::abs(days) * kSecondsPerDay);
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QString hoursText =
        days < 0 && seconds >= 60 ? QStringLiteral("-%1").arg(hours) : QStringLiteral(" %1").arg(hours);
    return hoursText + QStringLiteral(":%1").arg(minutes, 2, 10, QLatin1Char('0'));
}

std::array<QString, 13> LogCells(const LogbookRow& row) {
    std::array<QString, 13> cells;
    cells[0] = row.type.toString();
    cells[1] = DateCell(row.startTime, &PrintDateText);
    cells[2] = row.makeModel.toString();
    cells[3] = row.location.toString();
    cells[4] = DateCell(row.startTime, &ShortTimeText);
    // A duration past 24 hours shows its time of day only, as a time does.
    const std::optional<double> duration = DurationDays(row.flightTime);
    cells[5] = duration ? ShortTimeText(*duration) : row.flightTime.toString();
    cells[6] = NumberCell(row.startHeight, 0);
    cells[7] = NumberCell(row.maxGain, 0);
    cells[8] = NumberCell(row.maxLoss, 0);
    cells[9] = NumberCell(row.maxDescent, 1);
    cells[10] = NumberCell(row.maxAscent, 1);
    cells[11] = row.xcType.toString();
    cells[12] = NumberCell(row.distance, 1);
    return cells;
}

bool PrintLogPage(DrawSurface& surface, LogRecords& records, LogPrintState& state, const QString& caption) {
    std::array<double, 15> x{};
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(kLogColumnPercent[i] * surface.ScaleWidth() / 100);

    const float base = surface.FontSize();
    surface.SetDrawWidth(1);
    surface.SetCurrentX(2);
    surface.SetCurrentY(2);
    surface.SetFontName(QStringLiteral("Arial"));
    surface.SetFontSize(base * 1.5f);
    surface.SetFontBold(true);
    surface.Print(caption, true);
    surface.EndLine();

    surface.SetFontSize(base);
    const double tableTop = surface.CurrentY();
    surface.Line(x[0], tableTop, x[14], tableTop);
    surface.SetCurrentY(surface.CurrentY() + 1);
    for (int c = 0; c < 14; ++c)
        PrintCell(surface, QString::fromLatin1(kHeadings[c]), x[c]);
    surface.EndLine();
    surface.SetFontBold(false);
    double rowTop = surface.CurrentY();

    while (!records.Eof()) {
        const LogbookRow& row = records.Current();
        surface.Line(x[0], rowTop, x[14], rowTop);
        surface.SetCurrentY(surface.CurrentY() + 1);
        const std::array<QString, 13> cells = LogCells(row);
        for (int c = 0; c < 13; ++c)
            PrintCell(surface, cells[c], x[c], x[c + 1]);

        // An empty duration or distance adds nothing to the totals.
        if (const std::optional<double> duration = DurationDays(row.flightTime))
            state.totalFlightTime += *duration;
        bool ok = false;
        const double distance = row.distance.isNull() ? 0 : row.distance.toDouble(&ok);
        // Rounded at every flight, halves to even: the total is the sum of
        // rounded partial sums. A distance no flight can have (a typing slip
        // of 1e300) is left out rather than overflowing the total.
        const double total = std::nearbyint(static_cast<double>(state.totalDistance) + distance);
        if (ok && std::abs(total) < kLargestDistanceTotal) state.totalDistance = static_cast<qint64>(total);

        const QString comments = row.comments.toString();
        if (!comments.isEmpty()) PrintWrapped(surface, comments, x[13], x[14]);
        surface.EndLine();
        surface.SetCurrentY(surface.CurrentY() + 1);
        ++records.position;
        rowTop = surface.CurrentY();
        if (records.pageEnd ? records.position >= *records.pageEnd
                            : rowTop > kPageFull * surface.ScaleHeight())
            break;
    }

    if (records.Eof()) {
        surface.SetFontBold(true);
        surface.SetCurrentY(surface.CurrentY() + 1);
        PrintCell(surface, Translate("Total Flight Time") + QLatin1Char(':'), x[3]);
        PrintCell(surface, TotalFlightTimeText(state.totalFlightTime), x[4]);
        PrintCell(surface, Translate("Total Distance") + QLatin1Char(':'), x[7]);
        PrintCell(surface, NumberText(static_cast<double>(state.totalDistance)), x[10]);
        surface.SetFontBold(false);
    }

    surface.Line(x[0], rowTop, x[14], rowTop);
    for (double edge : x)
        surface.Line(edge, tableTop, edge, rowTop);

    surface.SetCurrentX(kFooterX);
    surface.SetCurrentY(kFooterY);
    surface.Print(Translate("Page") + NumberText(state.pageNumber), true);
    return records.Eof();
}

std::vector<LogPageStart> PaginateLog(const PrinterPage& printer, const std::vector<LogbookRow>& rows,
                                      const QString& caption) {
    std::vector<LogPageStart> starts;
    if (rows.empty()) return starts;
    // The page as the printer has it, drawing nothing: only where the rows
    // end matters here.
    DrawSurface surface(printer.widthMm, printer.heightMm, 1440.0 / printer.twipsPerPixel);
    SetupPrintPage(surface, kLogBaseFont, 1);
    LogPrintState state;
    LogRecords records{&rows, 0, std::nullopt};
    for (;;) {
        starts.push_back(LogPageStart{records.position, state});
        ++state.pageNumber;
        const bool done = PrintLogPage(surface, records, state, caption);
        surface.SetFontSize(kLogBaseFont);
        if (done) break;
    }
    return starts;
}

void PrintLogPage(DrawSurface& surface, const std::vector<LogbookRow>& rows,
                  const std::vector<LogPageStart>& starts, std::size_t page, const QString& caption) {
    const std::size_t end = page + 1 < starts.size() ? starts[page + 1].firstRow : rows.size();
    LogRecords records{&rows, starts[page].firstRow, end};
    LogPrintState state = starts[page].state;
    ++state.pageNumber;
    PrintLogPage(surface, records, state, caption);
}

PrintOutcome PrintLog(QPagedPaintDevice& device, const std::vector<LogbookRow>& rows,
                      const QString& caption) {
    PrintOutcome outcome;
    if (rows.empty()) return outcome; // nothing to print: no document either
    SetLandscape(device);
    PrinterPage printer = PrinterPageOf(device);
    printer.fontSize = kLogBaseFont;
    const std::vector<LogPageStart> starts = PaginateLog(printer, rows, caption);
    DrawSurface surface(&device);
    if (!surface.IsActive()) {
        outcome.ok = false;
        outcome.error = Translate("The printer or file could not be opened.");
        return outcome;
    }
    SetupPrintPage(surface, kLogBaseFont, 1);
    for (std::size_t page = 0; page < starts.size(); ++page) {
        if (page > 0 && !surface.NewPage()) {
            outcome.ok = false;
            outcome.error = Translate("The printer did not accept a new page.");
            surface.EndDoc();
            return outcome;
        }
        PrintLogPage(surface, rows, starts, page, caption);
        // Each page starts from the base font the set-up gave.
        surface.SetFontSize(kLogBaseFont);
    }
    outcome.pages = static_cast<int>(starts.size());
    if (!surface.EndDoc()) {
        outcome.ok = false;
        outcome.error = Translate("The printer or file reported an error at the end of the document.");
    }
    return outcome;
}

int PrintLog(PreviewPages& pages, std::vector<LogbookRow> rows, const QString& caption) {
    if (rows.empty()) {
        pages.SetDrawer(nullptr);
        return 0;
    }
    auto shared = std::make_shared<const std::vector<LogbookRow>>(std::move(rows));
    auto starts =
        std::make_shared<const std::vector<LogPageStart>>(PaginateLog(pages.Printer(), *shared, caption));
    const int count = static_cast<int>(starts->size());
    std::vector<std::size_t> firstRows;
    firstRows.reserve(starts->size());
    for (const LogPageStart& start : *starts)
        firstRows.push_back(start.firstRow);
    // One page per printed page, each placed and scaled like a printer page;
    // a page is only a description until it is shown.
    for (int page = 1; page < count; ++page) {
        if (pages.Count() < page + 1) pages.Create();
        pages.SetPageSize(page);
    }
    pages.SetDrawer(
        [shared, starts, caption](DrawSurface& surface, int page) {
            PrintLogPage(surface, *shared, *starts, static_cast<std::size_t>(page), caption);
        },
        std::move(firstRows));
    return count;
}

} // namespace soarnote
