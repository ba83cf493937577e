// The main window's print commands: Printer Setup, Print, the two previews
// and Export PDF.

#include "mainwindow.h"

#include "kit/prompts.h"
#include "printpreview.h"

#include "core/reportdata.h"
#include "i18n/languagetable.h"
#include "report/printjobs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace soarnote {

QPrinter* MainWindow::Printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageOrientation(QPageLayout::Landscape);
    }
    return printer_.get();
}

void MainWindow::PrinterSetup() {
    // The printer dialog chooses the printer and (under Properties) the page;
    // here it only chooses, so its button reads OK. Cancel keeps the choice
    // made before.
    QPrintDialog dialog(Printer(), this);
    dialog.setWindowTitle(Translate("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(Translate("OK"));
    }
    dialog.exec();
}

namespace {
// Reads the log's rows and hands them to a print or export under the wait
// cursor; a failed read is the outcome's error.
template <typename Job> PrintOutcome WithLogbookRows(const QSqlDatabase& db, Job job) {
    QString error;
    const std::optional<std::vector<LogbookRow>> rows = ReadLogbookRows(db, &error);
    if (!rows) {
        PrintOutcome failed;
        failed.ok = false;
        failed.error = error;
        return failed;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintOutcome outcome = job(*rows);
    QApplication::restoreOverrideCursor();
    return outcome;
}
} // namespace

void MainWindow::PrintLogCommand() {
    if (!session_.IsOpen()) return;
    QPrintDialog dialog(Printer(), this);
    dialog.setWindowTitle(Translate("Print"));
    if (dialog.exec() != QDialog::Accepted) return;
    PrintOutcome outcome = WithLogbookRows(session_.Db(), [this](const std::vector<LogbookRow>& rows) {
        PrintOutcome printed = PrintLog(*Printer(), rows, windowTitle());
        if (printed.ok && Printer()->printerState() == QPrinter::Error) {
            printed.ok = false;
            printed.error = Translate("The printer reported an error.");
        }
        return printed;
    });
    if (!outcome.ok) prompts_->Inform(this, Translate("Print"), outcome.error, QMessageBox::Warning);
}

void MainWindow::PreviewLogCommand() {
    PrintPreview preview(this, session_, settings_, prompts_, Printer());
    preview.Init(PrintPreview::LogMode);
}

void MainWindow::PreviewFlightCommand() {
    PrintPreview preview(this, session_, settings_, prompts_, Printer());
    preview.Init(PrintPreview::FlightMode);
}

void MainWindow::ExportPdfCommand() {
    if (!session_.IsOpen()) return;
    const QString path = prompts_->SaveFileName(this, Translate("Export PDF"),
                                                FileDialogFilter(QStringLiteral("PDF Files (*.pdf)|*.pdf")));
    if (path.isEmpty()) return;
    const PrintOutcome outcome =
        WithLogbookRows(session_.Db(), [this, &path](const std::vector<LogbookRow>& rows) {
            return ExportLogPdf(path, rows, windowTitle());
        });
    if (!outcome.ok) prompts_->Inform(this, Translate("Export PDF"), outcome.error, QMessageBox::Warning);
}

} // namespace soarnote
