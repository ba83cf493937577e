#include "gpsportadapter.h"

#include "serial/serialportsetup.h"

#include "gpsstatustext.h"

#include "core/daynumber.h"
#include "core/logcategories.h"
#include "i18n/languagetable.h"
#include "serial/serialline.h"

#include <QDateTime>

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace soarnote {

namespace {

std::optional<LineErrorCounts> ReadLineCounts(int fd) {
#ifdef TIOCGICOUNT
    serial_icounter_struct c{};
    if (fd >= 0 && ::ioctl(fd, TIOCGICOUNT, &c) == 0)
        return LineErrorCounts{static_cast<std::uint64_t>(c.frame), static_cast<std::uint64_t>(c.overrun),
                               static_cast<std::uint64_t>(c.parity), static_cast<std::uint64_t>(c.brk),
                               static_cast<std::uint64_t>(c.buf_overrun)};
#else
    Q_UNUSED(fd);
#endif
    return std::nullopt; // not a UART (pseudo-terminals, many USB adapters)
}

} // namespace

GpsPortAdapter::GpsPortAdapter(std::function<SerialSettings()> portSettings, GpsLinkSettings linkSettings,
                               QObject* parent)
    : QObject(parent), portSettings_(std::move(portSettings)), link_(*this, linkSettings) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { link_.OnTimer(); });
    connect(&port_, &QSerialPort::readyRead, this, &GpsPortAdapter::OnReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &GpsPortAdapter::OnPortError);
}

GpsPortAdapter::~GpsPortAdapter() {
    link_.Abort();
    if (port_.isOpen()) port_.close();
}

void GpsPortAdapter::SetStatusSink(std::function<QString()> read, std::function<void(const QString&)> write) {
    readStatus_ = std::move(read);
    writeStatus_ = std::move(write);
}

void GpsPortAdapter::SetUnknownPacketAsker(std::function<UnknownPacketAnswer(const QString&)> asker) {
    asker_ = std::move(asker);
}

bool GpsPortAdapter::OpenPort(QString* error) {
    const SerialSettings s = portSettings_ ? portSettings_() : SerialSettings{};
    if (!s.IsValid()) {
        if (error) *error = Translate(SerialProblemText(s.problem));
        return false;
    }
    // Nothing left over from before this transfer is read.
    if (!OpenSerialPort(port_, s, error)) return false;
    lineCounts_ = ReadLineCounts(static_cast<int>(port_.handle()));
    return true;
}

void GpsPortAdapter::ClosePort() {
    if (!port_.isOpen()) return;
    // The last acknowledgement goes out before the port is let go.
    port_.flush();
    if (port_.bytesToWrite() > 0) port_.waitForBytesWritten(100);
    ::tcdrain(static_cast<int>(port_.handle()));
    port_.close();
    port_.clearError();
    lineCounts_.reset();
}

void GpsPortAdapter::Write(const QByteArray& bytes) {
    if (!port_.isOpen()) return;
    qCDebug(lcSerial) << "gps out" << bytes.toHex(' ');
    if (port_.write(bytes) != bytes.size()) {
        QMetaObject::invokeMethod(
            this,
            [this, text = PortLostText(Translate(kPortDisconnectedText), port_.errorString())] {
                PortLost(text);
            },
            Qt::QueuedConnection);
        return;
    }
    // Out at once: the receiver waits for each acknowledgement.
    port_.flush();
}

void GpsPortAdapter::StartTimer(int milliseconds) {
    timer_.start(milliseconds);
}

void GpsPortAdapter::StopTimer() {
    timer_.stop();
}

void GpsPortAdapter::Status(const GpsStatusEvent& event) {
    const QString current = Status();
    const QString text = ApplyGpsStatus(current, event);
    if (text != current || event.kind != GpsStatus::LineEvent) SetStatusText(text);
}

void GpsPortAdapter::SetStatusText(const QString& text) {
    if (writeStatus_)
        writeStatus_(text);
    else
        status_ = text;
    emit StatusChanged(text);
}

void GpsPortAdapter::AskUnknownPacket(const QString& text) {
    // Asked from the event loop, never from inside the link's own handling.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            const UnknownPacketAnswer answer = asker_ ? asker_(text) : UnknownPacketAnswer::Ignore;
            link_.AnswerUnknownPacket(answer);
        },
        Qt::QueuedConnection);
}

double GpsPortAdapter::Now() const {
    return DayNumberFromDateTime(QDateTime::currentDateTime());
}

void GpsPortAdapter::TrackProgress(qint64 received, qint64 expected) {
    emit TransferProgress(received, expected);
}

void GpsPortAdapter::CommandFinished(GpsCommand command, bool ok) {
    emit CommandEnded(command, ok);
}

void GpsPortAdapter::OnReadyRead() {
    if (!port_.isOpen()) return;
    const QByteArray bytes = port_.readAll();
    qCDebug(lcSerial) << "gps in" << bytes.toHex(' ');
    CheckLineErrors();
    link_.OnBytesReceived(bytes);
}

void GpsPortAdapter::CheckLineErrors() {
    if (!lineCounts_) return;
    const std::optional<LineErrorCounts> now = ReadLineCounts(static_cast<int>(port_.handle()));
    if (!now) return;
    const std::vector<int> events = LineEventsBetween(*lineCounts_, *now);
    lineCounts_ = now;
    for (int code : events)
        link_.OnGpsCommEvent(code);
}

void GpsPortAdapter::OnPortError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The device went away (adapter unplugged, far end closed): a closed
        // port raises no more errors, and the transfer ends with one status.
        if (port_.isOpen()) PortLost(PortLostText(Translate(kPortDisconnectedText), port_.errorString()));
        break;
    default:
        break;
    }
}

void GpsPortAdapter::PortLost(const QString& text) {
    if (losing_) return;
    losing_ = true;
    if (port_.isOpen()) {
        port_.close();
        port_.clearError();
    }
    link_.OnPortLost(text);
    losing_ = false;
}

} // namespace soarnote
