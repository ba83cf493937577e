#pragma once
// Joins the GPS link to a real serial port (QSerialPort), a QTimer and a
// status line, where the link's status events become translated texts. Everything runs on the thread of the
// event loop; the port is open only while a transfer runs.

#include "gpslink.h"
#include "gpsportsettings.h"
#include "linecounters.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <functional>
#include <optional>

namespace soarnote {

class GpsPortAdapter : public QObject, private GpsLinkIo {
    Q_OBJECT
public:
    // portSettings is read each time the port opens.
    explicit GpsPortAdapter(std::function<SerialSettings()> portSettings, GpsLinkSettings linkSettings = {},
                            QObject* parent = nullptr);
    ~GpsPortAdapter() override;

    GpsLink& Link() { return link_; }
    const GpsLink& Link() const { return link_; }
    bool Busy() const { return link_.Busy(); }
    QSerialPort& Port() { return port_; }

    // Where status texts go; by default they are only kept here.
    void SetStatusSink(std::function<QString()> read, std::function<void(const QString&)> write);
    // Asks the user about an unknown packet; without one, unknown packets are ignored.
    void SetUnknownPacketAsker(std::function<UnknownPacketAnswer(const QString&)> asker);
    QString Status() const { return readStatus_ ? readStatus_() : status_; }
    void SetStatusText(const QString& text);

signals:
    void CommandEnded(soarnote::GpsCommand command, bool ok);
    void TransferProgress(qint64 received, qint64 expected);
    void StatusChanged(const QString& text);

private:
    // GpsLinkIo
    bool OpenPort(QString* error) override;
    void ClosePort() override;
    bool IsPortOpen() const override { return port_.isOpen(); }
    void Write(const QByteArray& bytes) override;
    void StartTimer(int milliseconds) override;
    void StopTimer() override;
    void Status(const GpsStatusEvent& event) override;
    void AskUnknownPacket(const QString& text) override;
    double Now() const override;
    void TrackProgress(qint64 received, qint64 expected) override;
    void CommandFinished(GpsCommand command, bool ok) override;

    void OnReadyRead();
    void OnPortError(QSerialPort::SerialPortError error);
    void CheckLineErrors();
    void PortLost(const QString& text);

    std::function<SerialSettings()> portSettings_;
    QSerialPort port_;
    QTimer timer_;
    GpsLink link_;
    std::function<QString()> readStatus_;
    std::function<void(const QString&)> writeStatus_;
    QString status_;
    std::function<UnknownPacketAnswer(const QString&)> asker_;
    std::optional<LineErrorCounts> lineCounts_;
    bool losing_ = false;
};

} // namespace soarnote
