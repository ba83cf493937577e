#pragma once
// The printed log: the flights of the Logbook query as a ruled landscape
// table of fourteen columns, one flight per row, with a title, page numbers
// and, on the last page, the totals of flight time and distance. The same
// page drawing serves the printer, a PDF file and the preview's pictures.

#include "core/reportdata.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace soarnote {

class DrawSurface;
class PreviewPages;
struct PrinterPage;

// The flights of one print run and the row the next page starts at.
struct LogRecords {
    const std::vector<LogbookRow>* rows = nullptr;
    std::size_t position = 0;
    // The row the page ends before, when the page breaks are known already;
    // without it the page ends where it is full.
    std::optional<std::size_t> pageEnd;
    bool Eof() const { return !rows || position >= rows->size(); }
    bool Bof() const { return position == 0; }
    const LogbookRow& Current() const { return (*rows)[position]; }
};

// What one print run counts. The distance total is wider than a 16-bit
// field so that a long log does not wrap; its text is the same below 32,768.
struct LogPrintState {
    int pageNumber = 0;
    double totalFlightTime = 0; // days
    qint64 totalDistance = 0;
};

// The left edges of the fourteen columns and the table's right edge, in
// percent of the page width.
inline constexpr std::array<float, 15> kLogColumnPercent = {
    1.0f, 3.5f, 11.5f, 18.5f, 31.0f, 34.0f, 37.0f, 40.0f, 43.2f, 46.4f, 49.0f, 51.6f, 58.0f, 60.5f, 98.5f};
// Where the footer stands on a landscape page, in millimetres.
inline constexpr double kFooterX = 250;
inline constexpr double kFooterY = 196;

// Where each page of a print run starts: its first row and what the run has
// counted by then. Any page can be drawn from that alone.
struct LogPageStart {
    std::size_t firstRow = 0;
    LogPrintState state; // page number of the page before, totals before its first row
};
// The page breaks of the whole log on the printer's page, found once with
// the printer's page size, resolution and fonts. The printer, the PDF file
// and the preview all break the log where this says.
std::vector<LogPageStart> PaginateLog(const PrinterPage& printer, const std::vector<LogbookRow>& rows,
                                      const QString& caption);

// Sets the page up for a print: the base font size and draw width. A paged
// device is turned to landscape separately (before painting starts).
void SetupPrintPage(DrawSurface& surface, float baseFontSize, int drawWidth);
// Turns a printer or PDF writer to landscape.
void SetLandscape(QPagedPaintDevice& device);

// Prints a blank and the text at x, without line end.
// rightX, when given, is the next column's rule: the text is cut to fit
// before it (headings and totals are printed whole).
void PrintCell(DrawSurface& surface, const QString& text, double x, double rightX = 0);
// Prints the text word by word from leftX, starting a new line before a word
// that would reach rightX; a carriage return ends a line. The current y is
// left on the last line printed.
void PrintWrapped(DrawSurface& surface, const QString& text, double leftX, double rightX);
// Draws one page from the current record on, up to the page end when one is
// given, otherwise until the page is full; true when the records are
// exhausted. caption is the title line (the main window's caption).
bool PrintLogPage(DrawSurface& surface, LogRecords& records, LogPrintState& state, const QString& caption);

// The cells of one row as the log prints them (columns 0 to 12).
std::array<QString, 13> LogCells(const LogbookRow& row);
// "Dur." and the flight time total read the Logbook query's "HH:mm" text;
// nothing when it is empty or not a duration.
std::optional<double> DurationDays(const QVariant& flightTime);
// The flight time total as printed: whole hours (days x 24 + hours) written
// with a leading blank, ":", two-digit minutes.
QString TotalFlightTimeText(double days);

struct PrintOutcome {
    bool ok = true;
    int pages = 0;
    QString error; // when !ok: what the device or file reported
};

// Prints the whole log on a printer or PDF writer, which must not be painting
// yet: landscape, base font 6 points, draw width 1. An empty log draws
// nothing and starts no document.
PrintOutcome PrintLog(QPagedPaintDevice& device, const std::vector<LogbookRow>& rows, const QString& caption);
// Draws the page that starts at start (from PaginateLog) and ends where the
// next one starts.
void PrintLogPage(DrawSurface& surface, const std::vector<LogbookRow>& rows,
                  const std::vector<LogPageStart>& starts, std::size_t page, const QString& caption);
// The same into the preview's pages: one page per printed page, reusing
// those made by an earlier run; returns the number of pages. The pages keep
// the rows and are drawn when they are shown.
int PrintLog(PreviewPages& pages, std::vector<LogbookRow> rows, const QString& caption);

} // namespace soarnote
