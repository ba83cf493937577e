#pragma once
// Joins the variometer link to a serial port and its 50 ms retry timer:
// opens the port the settings name, feeds received bytes and timer ticks to
// the link and carries out what it answers. Questions, messages and the
// status line are handed to whoever shows them.

#include "variolink.h"

#include <QObject>
#include <QSerialPort>
#include <QSqlDatabase>
#include <QTimer>
#include <functional>
#include <memory>

namespace soarnote {

class SettingsStore;

class VarioConnection : public QObject {
    Q_OBJECT
public:
    explicit VarioConnection(SettingsStore& settings, QObject* parent = nullptr);
    ~VarioConnection() override;

    // Where the status texts go (the "Info" panel).
    void SetStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }
    // Asks "Create it?"; true for Yes.
    void SetCreateFlightQuestion(std::function<bool(const QString&)> ask) { askCreate_ = std::move(ask); }
    // Shows a message with an OK button.
    void SetMessageSink(std::function<void(const QString&)> show) { message_ = std::move(show); }

    // Opens the port of the "Vario" settings; on failure reports
    // "Unable to Open Port" and returns false.
    bool OpenVarioPort();
    void CloseVarioPort();

    // Open the port and start a download into a logbook. False when a
    // transfer runs or the port cannot be opened.
    bool StartLogDownload(const QSqlDatabase& db, bool allEntries);
    bool StartBarographDownload(const QSqlDatabase& db);
    // Ends a running transfer, keeping what was stored.
    void Abort();
    // The user stopped the transfer: ends it, keeping what was stored, and
    // says it was cancelled.
    void Cancel();

    bool Busy() const { return link_.Active(); }
    VarioLink& Link() { return link_; }
    QSerialPort& Port() { return port_; }
    void ReportVarioStatus(const QString& text);

    // Bytes exchanged since the connection was made.
    qint64 BytesWritten() const { return bytesWritten_; }
    qint64 BytesRead() const { return bytesRead_; }

signals:
    void StatusChanged(const QString& text);
    void FlightsChanged();
    void Finished();

private:
    void OnVarioCommEvent(QSerialPort::SerialPortError error);
    void OnReadyRead();
    void OnTick();
    void Perform();

    SettingsStore& settings_;
    QSerialPort port_;
    QTimer retryTimer_;
    VarioLink link_;
    std::unique_ptr<VarioStore> store_;
    std::function<void(const QString&)> statusSink_;
    std::function<bool(const QString&)> askCreate_;
    std::function<void(const QString&)> message_;
    bool performing_ = false;
    qint64 bytesWritten_ = 0;
    qint64 bytesRead_ = 0;
};

} // namespace soarnote
