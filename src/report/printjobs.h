#pragma once
// Whole print jobs into PDF files, without a dialog: the log of a logbook
// (File > Export PDF... and the --print-pdf command line) and one flight
// page. The file is written through a save file, so a failure (no space, a
// folder that cannot be written) leaves no half-written file and is
// reported, never taken for a success.

#include "flightprint.h"
#include "logprint.h"

#include <QString>

namespace soarnote {

// Landscape A4, 5 mm margins, 1200 dpi: the page a PDF of the log is made on.
inline constexpr double kPdfMarginMm = 5;
inline constexpr int kPdfResolution = 1200;

PrintOutcome ExportLogPdf(const QString& pdfPath, const std::vector<LogbookRow>& rows,
                          const QString& caption);
PrintOutcome ExportFlightPdf(const QString& pdfPath, const QSqlDatabase& db, const FlightPageFields& fields,
                             const FlightPageOptions& options);
// Opens the logbook file (read only use) and writes its log; the title line
// is the main window's caption for it.
PrintOutcome ExportLogbookPdf(const QString& pdfPath, const QString& logbookPath);

} // namespace soarnote
