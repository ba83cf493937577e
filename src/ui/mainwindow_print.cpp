// The main window's print commands: Printer Setup, Print, the two previews
// and Export PDF.

#include "mainwindow.h"

#include "printpreview.h"
#include "prompts.h"

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

void MainWindow::PrintLogCommand() {
    if (!session_.IsOpen()) return;
    QPrintDialog dialog(Printer(), this);
    dialog.setWindowTitle(Translate("Print"));
    if (dialog.exec() != QDialog::Accepted) return;
    QString error;
    const std::optional<std::vector<LogbookRow>> rows = ReadLogbookRows(session_.Db(), &error);
    PrintOutcome outcome;
    if (!rows) {
        outcome.ok = false;
        outcome.error = error;
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = PrintLog(*Printer(), *rows, windowTitle());
        if (outcome.ok && Printer()->printerState() == QPrinter::Error) {
            outcome.ok = false;
            outcome.error = Translate("The printer reported an error.");
        }
        QApplication::restoreOverrideCursor();
    }
    if (!outcome.ok) prompts_->Inform(this, Translate("Print"), outcome.error, QMessageBox::Warning);
}

void MainWindow::PreviewLogCommand() {
    PrintPreview preview(this, settings_, prompts_, Printer());
    preview.Init(PrintPreview::LogMode);
}

void MainWindow::PreviewFlightCommand() {
    PrintPreview preview(this, settings_, prompts_, Printer());
    preview.Init(PrintPreview::FlightMode);
}

void MainWindow::ExportPdfCommand() {
    if (!session_.IsOpen()) return;
    const QString path = prompts_->SaveFileName(this, Translate("Export PDF"),
                                                FileDialogFilter(QStringLiteral("PDF Files (*.pdf)|*.pdf")));
    if (path.isEmpty()) return;
    QString error;
    const std::optional<std::vector<LogbookRow>> rows = ReadLogbookRows(session_.Db(), &error);
    PrintOutcome outcome;
    if (!rows) {
        outcome.ok = false;
        outcome.error = error;
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = ExportLogPdf(path, *rows, windowTitle());
        QApplication::restoreOverrideCursor();
    }
    if (!outcome.ok) prompts_->Inform(this, Translate("Export PDF"), outcome.error, QMessageBox::Warning);
}

} // namespace soarnote
