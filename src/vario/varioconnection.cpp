#include "varioconnection.h"

#include "serial/serialline.h"
#include "serial/serialportsetup.h"

#include "core/logcategories.h"
#include "core/variostore.h"
#include "settings/settingsstore.h"
#include "varioport.h"
#include "variostatustext.h"

namespace soarnote {

VarioConnection::VarioConnection(SettingsStore& settings, QObject* parent)
    : QObject(parent), settings_(settings) {
    retryTimer_.setInterval(VarioLink::kRetryIntervalMs);
    retryTimer_.setTimerType(Qt::PreciseTimer);
    connect(&retryTimer_, &QTimer::timeout, this, &VarioConnection::OnTick);
    connect(&port_, &QSerialPort::readyRead, this, &VarioConnection::OnReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &VarioConnection::OnVarioCommEvent);
}

VarioConnection::~VarioConnection() {
    retryTimer_.stop();
    if (port_.isOpen()) port_.close();
    store_.reset();
}

void VarioConnection::ReportVarioStatus(const QString& text) {
    if (statusSink_) statusSink_(text);
    emit StatusChanged(text);
}

bool VarioConnection::OpenVarioPort() {
    if (port_.isOpen()) port_.close();
    const SerialSettings s = ReadVarioPortSettings(settings_);
    if (!OpenSerialPort(port_, s, nullptr)) {
        VarioStatusEvent e;
        e.kind = VarioStatus::OpenFailed;
        if (!s.IsValid()) e.text = SerialProblemText(s.problem);
        ReportVarioStatus(VarioStatusText(e));
        return false;
    }
    return true;
}

void VarioConnection::CloseVarioPort() {
    retryTimer_.stop();
    if (port_.isOpen()) port_.close();
}

bool VarioConnection::StartLogDownload(const QSqlDatabase& db, bool allEntries) {
    if (Busy() || !OpenVarioPort()) return false;
    store_ = std::make_unique<SqlVarioStore>(db);
    link_.StartLogDownload(store_.get(), allEntries);
    Perform();
    return true;
}

bool VarioConnection::StartBarographDownload(const QSqlDatabase& db) {
    if (Busy() || !OpenVarioPort()) return false;
    store_ = std::make_unique<SqlVarioStore>(db);
    link_.StartBarographDownload(store_.get());
    Perform();
    return true;
}

void VarioConnection::Abort() {
    link_.Abort();
    Perform();
}

void VarioConnection::Cancel() {
    link_.Cancel();
    Perform();
}

void VarioConnection::OnReadyRead() {
    const QByteArray bytes = port_.readAll();
    qCDebug(lcSerial) << "vario <" << bytes.toHex(' ');
    bytesRead_ += bytes.size();
    link_.OnBytes(bytes);
    Perform();
}

void VarioConnection::OnTick() {
    link_.OnTimerTick();
    Perform();
}

void VarioConnection::OnVarioCommEvent(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || !link_.Active()) return;
    qCWarning(lcSerial) << "variometer port" << port_.portName() << "error" << error << port_.errorString();
    // A port that went away (the cable pulled, the far end of a pseudo-
    // terminal closed) keeps failing: end the transfer.
    const bool vanished = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                          error == QSerialPort::WriteError || error == QSerialPort::NotOpenError;
    VarioStatusEvent e;
    e.kind = vanished ? VarioStatus::PortLost : VarioStatus::PortError;
    e.text = port_.errorString();
    ReportVarioStatus(VarioStatusText(e));
    if (!vanished) return;
    link_.Abort();
    Perform();
}

void VarioConnection::Perform() {
    // A question or message box runs its own event loop; what the link
    // answers meanwhile is carried out by the outer call.
    if (performing_) return;
    performing_ = true;
    for (std::vector<VarioAction> actions = link_.TakeActions(); !actions.empty();
         actions = link_.TakeActions()) {
        for (const VarioAction& a : actions) {
            switch (a.kind) {
            case VarioAction::Kind::Write:
                if (port_.isOpen()) {
                    qCDebug(lcSerial) << "vario >" << a.bytes.toHex(' ');
                    port_.write(a.bytes);
                    bytesWritten_ += a.bytes.size();
                }
                break;
            case VarioAction::Kind::StartTimer:
                retryTimer_.start();
                break;
            case VarioAction::Kind::StopTimer:
                retryTimer_.stop();
                break;
            case VarioAction::Kind::Status:
                ReportVarioStatus(VarioStatusText(a.event));
                break;
            case VarioAction::Kind::ClosePort:
                CloseVarioPort();
                break;
            case VarioAction::Kind::AskCreateFlight: {
                const bool create = askCreate_ ? askCreate_(VarioStatusText(a.event)) : false;
                link_.AnswerCreateFlight(create);
                break;
            }
            case VarioAction::Kind::Message:
                if (message_) message_(VarioStatusText(a.event));
                break;
            case VarioAction::Kind::FlightsChanged:
                emit FlightsChanged();
                break;
            case VarioAction::Kind::Finished:
                store_.reset();
                emit Finished();
                break;
            }
        }
    }
    performing_ = false;
}

} // namespace soarnote
