// The main window's commands: the logbook file commands and the flight
// editing commands.

#include "mainwindow.h"

#include "customtoolbar.h"
#include "flightform.h"
#include "kit/prompts.h"
#include "kit/statuspanel.h"

#include "core/daynumber.h"
#include "core/logbookfiles.h"
#include "core/numbertext.h"
#include "core/programfolder.h"
#include "core/storageerror.h"
#include "i18n/languagetable.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace soarnote {

namespace {

QString DatabaseFilter() {
    return Translate("Database Files") + QStringLiteral(" (*.mdb)|*.mdb|All Files (*.*)|*.*");
}

// The hourglass while a command works on files.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

Answer MainWindow::AskConvertTimeOffset() {
    const QString text = Translate("This database Time Offset Value is from an older version.") +
                         QLatin1Char(' ') + Translate("Do you want to update it?") + QLatin1Char(' ') +
                         Translate("NOTE:") + QLatin1Char(' ') +
                         Translate("Manually updating database prevents loss of data.");
    const auto answer =
        prompts_->Ask(this, QString(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                      QMessageBox::Question, QStringLiteral("logbooks.html#older-files"));
    return answer == QMessageBox::Yes ? Answer::Yes : answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

OpenOutcome MainWindow::OpenLogbook(const QString& path) {
    OpenOutcome outcome;
    {
        BusyCursor busy;
        outcome = session_.OpenLogbook(path, [this] { return AskConvertTimeOffset(); });
    }
    // An older file held rows twice that the logbook's keys now refuse.
    QString removed;
    for (const RemovedDuplicates& r : outcome.upgrade.removedDuplicates)
        removed +=
            QLatin1Char('\n') +
            Translate(r.table == QLatin1String("TrackData") ? "Track points stored twice, removed:"
                                                            : "Barograph samples stored twice, removed:") +
            NumberText(r.rows);
    if (!removed.isEmpty())
        prompts_->Inform(this, QString(), session_.Path() + removed, QMessageBox::Information);
    return outcome;
}

void MainWindow::ShowFileError(const QString& title, const LogbookProblem& problem) {
    const QString text = LogbookProblemText(problem, [](const char* key) { return Translate(key); });
    prompts_->Inform(this, Translate(title), text, QMessageBox::Critical);
}

bool MainWindow::RefuseReadOnly() {
    if (!session_.IsReadOnly()) return false;
    const QString text = Translate("The logbook is read-only: it cannot be changed.");
    info_->setText(text);
    prompts_->Inform(this, QString(), text + QLatin1Char('\n') + session_.Path(), QMessageBox::Information);
    return true;
}

bool MainWindow::AskReplace(const QString& name) {
    if (!QFileInfo::exists(name)) return true;
    const auto answer = prompts_->Ask(
        this, QString(), Translate("Replace existing file") + QStringLiteral(" - ") + name + QLatin1Char('?'),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    // Only Yes replaces a file.
    return answer == QMessageBox::Yes;
}

void MainWindow::AddTransferCheck(std::function<bool()> busy, std::function<void()> cancel) {
    transfers_.push_back({std::move(busy), std::move(cancel)});
    transferWatch_->start();
}

void MainWindow::AddProgressBar(QWidget* bar) {
    // Permanent widgets keep their order: the bars go before the button.
    statusBar()->removeWidget(cancelButton_);
    statusBar()->addPermanentWidget(bar);
    statusBar()->addPermanentWidget(cancelButton_);
    cancelButton_->setVisible(AnyTransferBusy());
}

bool MainWindow::AnyTransferBusy() const {
    for (const Transfer& transfer : transfers_)
        if (transfer.busy && transfer.busy()) return true;
    return false;
}

void MainWindow::FollowTransfers() {
    const bool busy = AnyTransferBusy();
    if (cancelButton_->isVisible() != busy) cancelButton_->setVisible(busy);
}

bool MainWindow::TransferRunning() {
    if (!AnyTransferBusy()) return false;
    info_->setText(Translate("Wait for the download to finish first."));
    return true;
}

bool MainWindow::CancelTransfers() {
    for (const Transfer& transfer : transfers_)
        if (transfer.busy && transfer.busy() && transfer.cancel) transfer.cancel();
    const bool stopped = !AnyTransferBusy();
    FollowTransfers();
    return stopped;
}

void MainWindow::OpenDatabaseCommand() {
    if (TransferRunning()) return;
    const QString name =
        prompts_->OpenFileName(this, Translate("Open Soarnote Database File"), DatabaseFilter());
    if (name.isEmpty()) return;
    const OpenOutcome outcome = OpenLogbook(name);
    if (outcome.kind == OpenOutcome::Kind::Failed)
        ShowFileError(QStringLiteral("Database Open Error"), outcome.problem);
}

void MainWindow::NewDatabaseCommand() {
    if (TransferRunning()) return;
    const QString name =
        prompts_->SaveFileName(this, Translate("New Soarnote Database File"), DatabaseFilter());
    if (name.isEmpty() || !AskReplace(name)) return;
    FileCommandResult result;
    {
        BusyCursor busy;
        result = NewLogbook(session_, ProgramFolder::File(QString::fromLatin1(kTemplateFileName)), name,
                            [this] { return AskConvertTimeOffset(); });
    }
    if (!result.ok) ShowFileError(QStringLiteral("New Database Error"), result.problem);
}

void MainWindow::ArchiveDatabaseCommand() {
    if (!session_.IsOpen() || TransferRunning()) return;
    const QString name =
        prompts_->SaveFileName(this, Translate("Archive Soarnote Database File As"), DatabaseFilter());
    if (name.isEmpty() || !AskReplace(name)) return;
    FileCommandResult result;
    {
        BusyCursor busy;
        result = ArchiveLogbook(session_, name, [this] { return AskConvertTimeOffset(); });
    }
    if (!result.ok)
        ShowFileError(QStringLiteral("Archive Database Error"), result.problem);
    else
        info_->setText(Translate("Archived to") + QLatin1Char(' ') + name);
}

void MainWindow::CompactDatabaseCommand() {
    if (!session_.IsOpen() || TransferRunning()) return;
    FileCommandResult result;
    {
        BusyCursor busy;
        result = CompactLogbook(session_, [this] { return AskConvertTimeOffset(); });
    }
    if (!result.ok)
        ShowFileError(QStringLiteral("Database Compact Error"), result.problem);
    else
        info_->setText(Translate("Logbook compacted"));
}

bool MainWindow::CommitEdits() {
    // Asked again while its question is open (a download finishing, say):
    // the flight stays until the pilot has answered.
    if (committing_) return false;
    LogDataSet& flights = session_.Flights();
    if (!flights.HasCurrent() || !form_->IsModified()) return true;
    committing_ = true;
    bool saved = false;
    FlightRecord edited;
    QString problem;
    QWidget* badField = nullptr;
    if (!form_->Collect(&edited, &problem, &badField)) {
        problem = Translate("This value does not fit its field:") + QLatin1Char('\n') + problem;
    } else {
        QString error;
        StorageError kind = StorageError::None;
        saved = flights.SaveCurrent(edited, &error, &kind);
        if (!saved)
            problem = (kind == StorageError::Duplicate
                           ? Translate("Another flight has the same take-off, landing and heights.")
                           : Translate("The flight could not be saved.")) +
                      QLatin1Char('\n') + error;
    }
    if (!saved) {
        const auto answer =
            prompts_->Ask(this, Translate("Flight not saved"),
                          problem + QStringLiteral("\n\n") +
                              Translate("Press OK to correct it, or Discard to drop your changes."),
                          QMessageBox::Ok | QMessageBox::Discard, QMessageBox::Warning);
        if (answer == QMessageBox::Discard) {
            form_->Load(flights.Current());
            saved = true;
        } else if (badField) {
            badField->setFocus();
        }
    }
    committing_ = false;
    return saved;
}

void MainWindow::ToggleEditMode() {
    menuItems_.value(QStringLiteral("&Enable Edit"))->toggle();
}

void MainWindow::ApplyEditMode(bool on) {
    if (on && RefuseReadOnly()) {
        menuItems_.value(QStringLiteral("&Enable Edit"))->setChecked(false);
        return;
    }
    form_->SetEditMode(on);
    newButton_->setEnabled(on);
    deleteButton_->setEnabled(on);
    menuItems_.value(QStringLiteral("&New Entry"))->setEnabled(on);
    menuItems_.value(QStringLiteral("&Delete Entry"))->setEnabled(on);
}

void MainWindow::TogglePlotOffsets() {
    menuItems_.value(QStringLiteral("Plot &Offsets"))->toggle();
}

void MainWindow::NewEntry() {
    if (!form_->EditMode()) return;
    const double now = DayNumberNow();
    QString error;
    session_.Flights().AddNew(now, now, &error); // errors end the command quietly
}

void MainWindow::DeleteEntry() {
    if (!form_->EditMode()) return;
    QString error;
    session_.Flights().DeleteCurrent(&error);
}

void MainWindow::AssignBaroToFlight() {
    LogDataSet& flights = session_.Flights();
    if (!flights.HasCurrent()) return;
    const QString question = Translate("This operation will re-assign all baro data") + QLatin1Char(' ') +
                             Translate("between the Start and End date to this flight.") + QLatin1Char(' ') +
                             Translate("OK to Continue?");
    if (prompts_->Ask(this, QString(), question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                      QMessageBox::Question) != QMessageBox::Yes)
        return;
    const std::optional<double> start = ParseDayNumber(form_->Edit(QStringLiteral("StartTime"))->text());
    const std::optional<double> end = ParseDayNumber(form_->Edit(QStringLiteral("EndTime"))->text());
    if (!start || !end) {
        info_->setText(Translate("The take-off and landing times must be valid dates."));
        return;
    }
    QString error;
    const int assigned = soarnote::AssignBaroToFlight(session_.Db(), flights.Current().Id(), *start,
                                                      *end + kOneMinute, &error);
    if (assigned < 0)
        info_->setText(Translate("ERROR") + QStringLiteral(" - ") + error);
    else
        info_->setText(Translate("Barograph samples assigned:") + NumberText(assigned));
}

} // namespace soarnote
