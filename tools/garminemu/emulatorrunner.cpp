#include "emulatorrunner.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace soarnote::emu {

EmulatorRunner::EmulatorRunner(GarminEmulator& emulator) : emulator_(emulator) {
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe_[0] = stopPipe_[1] = -1;
}

EmulatorRunner::~EmulatorRunner() {
    Stop();
    Join();
    CloseAll();
    for (int& fd : stopPipe_)
        if (fd >= 0) ::close(fd), fd = -1;
}

void EmulatorRunner::CloseAll() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

bool EmulatorRunner::OpenPty(QString* error) {
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = QString::fromLocal8Bit(name);
    return true;
}

std::int64_t EmulatorRunner::NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void EmulatorRunner::Run() {
    running_ = true;
    char buffer[4096];
    for (;;) {
        std::int64_t now = NowUs();
        emulator_.Tick(now);
        QByteArray out = emulator_.TakeOutput(now);
        while (!out.isEmpty() && master_ >= 0) {
            const ssize_t n = ::write(master_, out.constData(), static_cast<size_t>(out.size()));
            if (n > 0) {
                out.remove(0, n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd w{master_, POLLOUT, 0};
                ::poll(&w, 1, 10);
            } else if (n < 0 && errno != EINTR) {
                break;
            }
        }
        if (emulator_.Vanished() || master_ < 0) break;

        const std::int64_t deadline = emulator_.NextDeadlineUs();
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (deadline >= 0) {
            const std::int64_t wait = std::max<std::int64_t>(0, deadline - NowUs());
            timeout.tv_sec = static_cast<time_t>(wait / 1'000'000);
            timeout.tv_nsec = static_cast<long>((wait % 1'000'000) * 1000);
            timeoutPtr = &timeout;
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        const int ready = ::ppoll(fds, stopPipe_[0] >= 0 ? 2 : 1, timeoutPtr, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (fds[1].revents & POLLIN)) break;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) emulator_.Receive(QByteArray(buffer, static_cast<qsizetype>(n)), NowUs());
        }
    }
    // A vanished line: both ends go, so the host's port fails.
    if (emulator_.Vanished()) CloseAll();
    running_ = false;
}

void EmulatorRunner::Start() {
    if (thread_.joinable()) return;
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void EmulatorRunner::Stop() {
    if (stopPipe_[1] >= 0) {
        const char c = 's';
        [[maybe_unused]] ssize_t n = ::write(stopPipe_[1], &c, 1);
    }
}

void EmulatorRunner::Join() {
    if (thread_.joinable()) thread_.join();
}

} // namespace soarnote::emu
