#pragma once
// The GPS menu's commands: track download ("Get &Track", toolbar "Update
// Tracks"), the receiver's time, product data and position, and the
// Waypoint+ file import. Reports on the "Info" panel and a progress bar; one
// transfer at a time.

#include "gps/gpsportadapter.h"

#include <QObject>
#include <memory>

class QLabel;
class QProgressBar;
class QWidget;

namespace soarnote {

class LogbookSession;
class LogbookTrackStorage;
class Prompts;
class SettingsStore;

class GpsCommands : public QObject {
    Q_OBJECT
public:
    // Everything is borrowed and must outlive this object.
    GpsCommands(LogbookSession& session, SettingsStore& settings, Prompts& prompts, QLabel* infoPanel,
                QWidget* window, GpsLinkSettings linkSettings = {});
    ~GpsCommands() override;

    // For the window's status bar; shown while tracks are downloaded.
    QProgressBar* ProgressBar() const { return progress_; }
    bool Busy() const;
    GpsPortAdapter& Adapter() { return *adapter_; }

public slots:
    // Stops a running transfer: the port is closed, what was stored stays
    // stored, and the status says it was cancelled.
    void CancelTransfer();
    void DownloadGpsTracks();
    void RequestGpsTime();
    void RequestGpsProduct();
    void RequestGpsPosition();
    void ImportWaypointPlusFile();
    // Ends a running Waypoint+ import after the chunk being stored: what was
    // stored stays stored and the status says the import was cancelled.
    void CancelImport();

signals:
    // Tracks were stored or linked (emitted when a track transfer or an
    // import ends): the window re-reads what depends on them, such as the 3D
    // button of the flight on show.
    void TracksChanged();
    // A GPS command has ended.
    void Finished(bool ok);

private:
    void OnCommandFinished(GpsCommand command, bool ok);
    void OnTrackProgress();
    UnknownPacketAnswer AskUnknownPacket(const QString& text);

    LogbookSession& session_;
    SettingsStore& settings_;
    Prompts& prompts_;
    QLabel* info_;
    QWidget* window_;
    QProgressBar* progress_;
    std::unique_ptr<GpsPortAdapter> adapter_;
    std::unique_ptr<LogbookTrackStorage> storage_;
    bool importing_ = false;
    bool importCancelled_ = false;
};

} // namespace soarnote
