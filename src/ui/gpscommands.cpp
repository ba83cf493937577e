#include "gpscommands.h"

#include "kit/prompts.h"

#include "core/logbooksession.h"
#include "core/trackstore.h"
#include "gps/gpsstatustext.h"
#include "gps/waypointplusimport.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>

#include <climits>

namespace soarnote {

GpsCommands::GpsCommands(LogbookSession& session, SettingsStore& settings, Prompts& prompts,
                         QLabel* infoPanel, QWidget* window, GpsLinkSettings linkSettings)
    : QObject(window), session_(session), settings_(settings), prompts_(prompts), info_(infoPanel),
      window_(window), progress_(new QProgressBar(window)) {
    progress_->setObjectName(QStringLiteral("GpsProgress"));
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(160);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->hide();

    adapter_ =
        std::make_unique<GpsPortAdapter>([this] { return ReadGpsPortSettings(settings_); }, linkSettings);
    adapter_->SetStatusSink([this] { return info_ ? info_->text() : QString(); },
                            [this](const QString& text) {
                                if (info_) info_->setText(text);
                            });
    adapter_->SetUnknownPacketAsker([this](const QString& text) { return AskUnknownPacket(text); });
    connect(adapter_.get(), &GpsPortAdapter::CommandEnded, this, &GpsCommands::OnCommandFinished);
    connect(adapter_.get(), &GpsPortAdapter::TransferProgress, this, &GpsCommands::OnTrackProgress);

    // The download writes into the open logbook: it ends (keeping what was
    // stored) when that logbook is closed, and the next logbook's tracks do
    // not go on with this one's track number.
    connect(&session_, &LogbookSession::LogbookClosing, this, [this] {
        CancelImport();
        adapter_->Link().Abort();
        storage_.reset();
    });
    connect(&session_, &LogbookSession::LogbookOpened, this,
            [this] { adapter_->Link().Tracks().currentTrackId = 0; });
}

GpsCommands::~GpsCommands() {
    adapter_->Link().Abort();
    adapter_.reset();
    storage_.reset();
}

bool GpsCommands::Busy() const {
    return importing_ || adapter_->Busy();
}

void GpsCommands::DownloadGpsTracks() {
    if (Busy() || !session_.IsOpen()) return;
    storage_ = std::make_unique<LogbookTrackStorage>(session_.Db());
    const bool synchronise = settings_.Int(keys::GeneralSync) == 1;
    progress_->setRange(0, 0);
    progress_->show();
    if (!adapter_->Link().DownloadGpsTracks(storage_.get(), synchronise)) progress_->hide();
}

void GpsCommands::RequestGpsTime() {
    if (!Busy()) adapter_->Link().RequestGpsTime(true);
}

void GpsCommands::RequestGpsProduct() {
    if (!Busy()) adapter_->Link().RequestGpsProduct();
}

void GpsCommands::RequestGpsPosition() {
    if (!Busy()) adapter_->Link().RequestGpsPosition();
}

void GpsCommands::ImportWaypointPlusFile() {
    if (Busy() || !session_.IsOpen()) return;
    const QString filter =
        Translate("Waypoint+ Text Files") + QStringLiteral(" (*.txt)|*.txt|All Files (*.*)|*.*");
    const QString path = prompts_.OpenFileName(window_, Translate("Import Waypoint+ Text File"), filter);
    if (path.isEmpty()) return;
    importing_ = true;
    importCancelled_ = false;
    // The file is read in chunks; between them the window answers, the bar
    // shows the share of the file read, and Cancel (or CancelImport) ends the
    // import keeping what was stored.
    QProgressDialog dialog(Translate("Importing Waypoint+ Text File"), Translate("Cancel"), 0, 100, window_);
    dialog.setObjectName(QStringLiteral("ImportProgress"));
    dialog.setWindowTitle(Translate("Import Waypoint+ Text File"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(500);
    connect(&dialog, &QProgressDialog::canceled, this, &GpsCommands::CancelImport);
    const auto progress = [this, &dialog](qint64 done, qint64 total) {
        if (total > 0) dialog.setValue(static_cast<int>(std::min<qint64>(100, done * 100 / total)));
        QCoreApplication::processEvents();
        return !importCancelled_;
    };
    ImportResult result;
    {
        LogbookTrackStorage storage(session_.Db());
        GpsLink& link = adapter_->Link();
        result =
            soarnote::ImportWaypointPlusFile(storage, link.Tracks(), link.GpsTimeOffset(), path, progress);
    }
    dialog.close();
    importing_ = false;
    if (info_) info_->setText(result.status);
    if (result.pointsStored > 0) emit TracksChanged();
    emit Finished(result.ok);
}

void GpsCommands::OnCommandFinished(GpsCommand command, bool ok) {
    if (command == GpsCommand::Download || command == GpsCommand::Tracks) {
        progress_->hide();
        storage_.reset();
        // Beside the status the transfer ended with, what it added.
        const TrackState& tracks = adapter_->Link().Tracks();
        if (adapter_->Link().RecordsReceived() > 0)
            adapter_->SetStatusText(adapter_->Status() + QStringLiteral(" - ") +
                                    TracksAddedText(tracks.tracksAdded, tracks.pointsStored));
        emit TracksChanged();
    }
    emit Finished(ok);
}

void GpsCommands::OnTrackProgress() {
    const auto [received, expected] = adapter_->Link().Progress();
    if (expected <= 0) {
        progress_->setRange(0, 0); // busy until the receiver says how many
        return;
    }
    if (progress_->maximum() != expected)
        progress_->setRange(0, static_cast<int>(std::min<qint64>(expected, INT_MAX)));
    progress_->setValue(static_cast<int>(std::min(received, expected)));
}

UnknownPacketAnswer GpsCommands::AskUnknownPacket(const QString& text) {
    const QMessageBox::StandardButton answer =
        prompts_.Ask(window_, QString(), text, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                     QMessageBox::Warning);
    if (answer == QMessageBox::Abort) return UnknownPacketAnswer::Abort;
    return answer == QMessageBox::Retry ? UnknownPacketAnswer::Retry : UnknownPacketAnswer::Ignore;
}

void GpsCommands::CancelTransfer() {
    // Escape or the window's stop button: whichever of the two runs.
    CancelImport();
    adapter_->Link().Cancel();
}

void GpsCommands::CancelImport() {
    if (importing_) importCancelled_ = true;
}

} // namespace soarnote
