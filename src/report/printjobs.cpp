#include "printjobs.h"

#include "core/logbookdatabase.h"
#include "core/logbookfiles.h"
#include "i18n/languagetable.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include <functional>

namespace soarnote {

namespace {

PrintOutcome WritePdf(const QString& pdfPath, const std::function<PrintOutcome(QPagedPaintDevice&)>& draw,
                      bool* drewNothing = nullptr) {
    PrintOutcome outcome;
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly)) {
        outcome.ok = false;
        outcome.error = Translate("Cannot write the file") + QStringLiteral(" ") +
                        QFileInfo(pdfPath).absoluteFilePath() + QStringLiteral(": ") + file.errorString();
        return outcome;
    }
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Soarnote"));
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                         QPageLayout::Millimeter));
        outcome = draw(writer);
    }
    if (outcome.ok && outcome.pages == 0 && drewNothing) *drewNothing = true;
    if (!outcome.ok) {
        file.cancelWriting();
        return outcome;
    }
    if (!file.commit()) {
        outcome.ok = false;
        outcome.error = Translate("Cannot write the file") + QStringLiteral(" ") +
                        QFileInfo(pdfPath).absoluteFilePath() + QStringLiteral(": ") + file.errorString();
    }
    return outcome;
}

} // namespace

PrintOutcome ExportLogPdf(const QString& pdfPath, const std::vector<LogbookRow>& rows,
                          const QString& caption) {
    if (rows.empty()) {
        // An empty log prints nothing; as a file that would be no PDF at all.
        PrintOutcome outcome;
        outcome.ok = false;
        outcome.error = Translate("The logbook holds no flights to print.");
        return outcome;
    }
    return WritePdf(pdfPath, [&](QPagedPaintDevice& device) { return PrintLog(device, rows, caption); });
}

PrintOutcome ExportFlightPdf(const QString& pdfPath, const QSqlDatabase& db, const FlightPageFields& fields,
                             const FlightPageOptions& options) {
    return WritePdf(
        pdfPath, [&](QPagedPaintDevice& device) { return PrintFlightDetails(device, db, fields, options); });
}

PrintOutcome ExportLogbookPdf(const QString& pdfPath, const QString& logbookPath) {
    PrintOutcome outcome;
    outcome.ok = false;
    if (!QFileInfo(logbookPath).isFile()) {
        outcome.error = Translate("Logbook not found") + QStringLiteral(": ") + logbookPath;
        return outcome;
    }
    LogbookDatabase logbook;
    QString error;
    if (!logbook.Open(logbookPath, &error)) {
        outcome.error = logbookPath + QStringLiteral(": ") + error;
        return outcome;
    }
    const std::optional<std::vector<LogbookRow>> rows = ReadLogbookRows(logbook.Db(), &error);
    if (!rows) {
        outcome.error = logbookPath + QStringLiteral(": ") + error;
        return outcome;
    }
    return ExportLogPdf(pdfPath, *rows, QStringLiteral("Soarnote - ") + LogbookCaptionName(logbookPath));
}

} // namespace soarnote
