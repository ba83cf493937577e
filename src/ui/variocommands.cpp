#include "variocommands.h"

#include "core/daynumber.h"
#include "core/logbooksession.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "kit/inputprompt.h"
#include "kit/prompts.h"
#include "settings/settingsstore.h"
#include "vario/varioconnection.h"
#include "vario/varioport.h"

#include <QLabel>
#include <QProgressBar>

namespace soarnote {

VarioCommands::VarioCommands(LogbookSession& session, SettingsStore& settings, Prompts& prompts,
                             QLabel* infoPanel, QWidget* window)
    : QObject(window), session_(session), settings_(settings), prompts_(prompts), info_(infoPanel),
      window_(window), connection_(std::make_unique<VarioConnection>(settings)),
      dialogInput_(std::make_unique<DialogInputPrompt>()), input_(dialogInput_.get()) {
    connection_->SetStatusSink([this](const QString& text) { ReportStatus(text); });
    connection_->SetCreateFlightQuestion([this](const QString& text) {
        return prompts_.Ask(window_, QString(), text,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                            QMessageBox::Question) == QMessageBox::Yes;
    });
    connection_->SetMessageSink(
        [this](const QString& text) { prompts_.Inform(window_, QString(), text, QMessageBox::Information); });
    connect(connection_.get(), &VarioConnection::FlightsChanged, this, &VarioCommands::FlightsChanged);
    connect(connection_.get(), &VarioConnection::Finished, this, [this] {
        if (progress_) progress_->hide();
        // Beside the status the end of a download gives: what it added.
        if (info_) info_->setText(info_->text() + QStringLiteral(" - ") + AddedText());
        emit Finished();
    });
    // The rows belong to the logbook the download started on.
    auto abandon = [this] {
        if (connection_->Busy()) connection_->Abort();
    };
    connect(&session_, &LogbookSession::LogbookClosing, this, abandon);
    connect(&session_, &LogbookSession::LogbookOpened, this, abandon);
}

VarioCommands::~VarioCommands() = default;

bool VarioCommands::Busy() const {
    return starting_ || connection_->Busy();
}

void VarioCommands::SetInputPrompt(InputPrompt* prompt) {
    input_ = prompt ? prompt : dialogInput_.get();
}

QProgressBar* VarioCommands::ProgressBar() {
    if (!progress_) {
        progress_ = new QProgressBar(window_);
        progress_->setObjectName(QStringLiteral("VarioProgress"));
        progress_->setMaximumWidth(160);
        progress_->setTextVisible(false);
        progress_->hide();
    }
    return progress_;
}

void VarioCommands::ReportStatus(const QString& text) {
    if (info_) info_->setText(text);
    UpdateProgress();
}

void VarioCommands::UpdateProgress() {
    if (!progress_ || !connection_->Busy()) return;
    const VarioLink::Progress p = connection_->Link().TransferProgress();
    progress_->setRange(0, p.maximum); // 0: busy, length unknown
    progress_->setValue(p.value);
    progress_->show();
}

QString VarioCommands::AddedText() const {
    const VarioLink& link = connection_->Link();
    QStringList parts;
    const int flights = link.FlightsAdded();
    const int traces = link.TracesAdded();
    if (flights > 0 || traces == 0)
        parts << NumberText(flights).trimmed() + QLatin1Char(' ') +
                     Translate(flights == 1 ? "flight" : "flights");
    if (traces > 0)
        parts << NumberText(traces).trimmed() + QLatin1Char(' ') +
                     Translate(traces == 1 ? "barograph trace" : "barograph traces");
    return parts.join(QStringLiteral(", ")) + QLatin1Char(' ') + Translate("added");
}

bool VarioCommands::AskVarioDisplayTime() {
    const std::optional<QString> typed = input_->AskText(
        window_, QString(), Translate("Enter Vario Display Time"), QStringLiteral("vario.html#display-time"));
    const std::optional<double> offset = typed ? VarioTimeOffset(*typed, DayNumberNow()) : std::nullopt;
    if (!offset) {
        ReportStatus(Translate("ERROR - (Vario)") + Translate("Valid Vario Time Not Entered"));
        return false;
    }
    connection_->Link().SetTimeOffset(*offset);
    return true;
}

void VarioCommands::DownloadVarioLog() {
    StartLogDownload(false);
}

void VarioCommands::DownloadAllVarioLog() {
    if (Busy()) return;
    ReportStatus(QString());
    const QString text = Translate("This option downloads all log entries.") + QLatin1Char(' ') +
                         Translate("Use Update Log in normal conditions.") + Translate("OK to contrinue?");
    starting_ = true;
    const QMessageBox::StandardButton answer =
        prompts_.Ask(window_, QString(), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question);
    starting_ = false;
    if (answer == QMessageBox::Cancel) return;
    StartLogDownload(true);
}

void VarioCommands::StartLogDownload(bool allEntries) {
    if (Busy()) return;
    if (!session_.IsOpen()) {
        ReportStatus(Translate("ERROR - (Vario)") + Translate("No logbook is open."));
        return;
    }
    if (settings_.Int(keys::GeneralSync) == 1) {
        starting_ = true;
        const bool entered = AskVarioDisplayTime();
        starting_ = false;
        if (!entered) return;
    }
    connection_->StartLogDownload(session_.Db(), allEntries);
}

void VarioCommands::DownloadBarographs() {
    if (Busy()) return;
    if (!session_.IsOpen()) {
        ReportStatus(Translate("ERROR - (Vario)") + Translate("No logbook is open."));
        return;
    }
    connection_->StartBarographDownload(session_.Db());
}

void VarioCommands::CancelTransfer() {
    if (connection_->Busy()) connection_->Cancel();
}

} // namespace soarnote
