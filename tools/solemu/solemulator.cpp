#include "solemulator.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace solemu {

SolEmulator::SolEmulator(SolMemory memory, QObject* parent) : QObject(parent), device_(std::move(memory)) {
    pump_.setTimerType(Qt::PreciseTimer);
    pump_.setInterval(1);
    connect(&pump_, &QTimer::timeout, this, &SolEmulator::Pump);
    clock_.start();
}

SolEmulator::~SolEmulator() {
    Vanish();
}

void SolEmulator::SetSamplesPerBlock(int samples) {
    device_ = SolDevice(device_.Memory(), samples);
}

bool SolEmulator::Open(QString* error) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The slave stays open here too, so the master never sees the line hang
    // up while the program opens and closes its side.
    termios raw{};
    if (::tcgetattr(slave_, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    devicePath_ = QString::fromLocal8Bit(name);
    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &SolEmulator::OnReadable);
    return true;
}

void SolEmulator::OnReadable() {
    QByteArray bytes;
    char chunk[512];
    for (;;) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, static_cast<qsizetype>(n));
            continue;
        }
        break;
    }
    if (bytes.isEmpty()) return;
    bytesReceived_ += bytes.size();
    emit CommandBytes(bytes);
    const qint64 now = clock_.nsecsElapsed();
    // A paced command is heard once its last byte has crossed the line.
    const qint64 heard = now + bytes.size() * ByteNs() + latencyMs_ * 1'000'000LL;
    const std::vector<QByteArray> replies = device_.Receive(bytes);
    if (vanishAtNext_ > 0 && device_.NextsSeen() >= vanishAtNext_) {
        Vanish();
        return;
    }
    for (const QByteArray& reply : replies)
        Queue(reply, heard);
    Pump();
}

void SolEmulator::Vanish() {
    delete readNotifier_;
    readNotifier_ = nullptr;
    pump_.stop();
    queue_.clear();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

void SolEmulator::Queue(const QByteArray& reply, qint64 notBeforeNs) {
    if (reply.isEmpty()) return;
    const int parts = std::max(1, std::min<int>(splitParts_, static_cast<int>(reply.size())));
    qsizetype from = 0;
    for (int p = 0; p < parts; ++p) {
        // The first part a little shorter than the rest: 24 bytes come as 10 + 14.
        const qsizetype to = p == parts - 1 ? reply.size() : reply.size() * (p + 1) * 10 / (parts * 12);
        const qsizetype end = std::max(to, from + 1);
        queue_.push_back({reply.mid(from, end - from), notBeforeNs + p * splitGapMs_ * 1'000'000LL});
        from = end;
        if (from >= reply.size()) break;
    }
}

void SolEmulator::Pump() {
    const qint64 now = clock_.nsecsElapsed();
    const qint64 byteNs = ByteNs();
    QByteArray out;
    while (!queue_.empty()) {
        Segment& seg = queue_.front();
        if (seg.notBeforeNs > now) break;
        if (byteNs > 0) {
            qint64 t = std::max(lineFreeAtNs_, seg.notBeforeNs);
            qsizetype n = 0;
            while (n < seg.bytes.size() && t <= now) {
                ++n;
                t += byteNs;
            }
            if (n > 0) {
                out += seg.bytes.left(n);
                seg.bytes.remove(0, n);
                lineFreeAtNs_ = t;
            }
            if (!seg.bytes.isEmpty()) break;
        } else {
            out += seg.bytes;
        }
        queue_.pop_front();
    }
    unwritten_ += out;
    while (!unwritten_.isEmpty() && master_ >= 0) {
        const ssize_t n = ::write(master_, unwritten_.constData(), static_cast<size_t>(unwritten_.size()));
        if (n <= 0) break; // the line is full: the next pump goes on
        bytesSent_ += n;
        unwritten_.remove(0, static_cast<qsizetype>(n));
    }
    if (queue_.empty() && unwritten_.isEmpty())
        pump_.stop();
    else if (!pump_.isActive())
        pump_.start();
}

} // namespace solemu
