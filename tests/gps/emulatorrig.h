#pragma once
// A receiver emulator on a pseudo-terminal in a thread of its own, and the
// real port adapter pointed at it.

#include "gpstesthelpers.h"

#include "emulatorrunner.h"
#include "gps/gpsportadapter.h"

#include <QSignalSpy>
#include <memory>

namespace gpstest {

class EmulatorRig {
public:
    explicit EmulatorRig(emu::EmulatorConfig config, GpsLinkSettings timings = {},
                         const QString& speed = QStringLiteral("115200"))
        : emulator_(std::make_unique<emu::GarminEmulator>(std::move(config))),
          runner_(std::make_unique<emu::EmulatorRunner>(*emulator_)) {
        QString error;
        ok_ = runner_->OpenPty(&error);
        device_ = runner_->SlavePath();
        runner_->Start();
        adapter_ = std::make_unique<GpsPortAdapter>(
            [this, speed] {
                return ParseSerialSettings(device_, speed, QStringLiteral("NONE"), QStringLiteral("8"),
                                           QStringLiteral("1"));
            },
            timings);
    }
    ~EmulatorRig() {
        adapter_.reset();
        StopEmulator();
    }
    bool Ok() const { return ok_; }
    GpsPortAdapter& Adapter() { return *adapter_; }
    GpsLink& Link() { return adapter_->Link(); }
    // The emulator's counts; stops it first.
    const emu::EmulatorStats& StopEmulator() {
        runner_->Stop();
        runner_->Join();
        return emulator_->Stats();
    }

    // Waits on the event loop for the command under way to end.
    bool WaitForEnd(QSignalSpy& spy, int timeoutMs = 15000) { return spy.count() > 0 || spy.wait(timeoutMs); }

private:
    std::unique_ptr<emu::GarminEmulator> emulator_;
    std::unique_ptr<emu::EmulatorRunner> runner_;
    std::unique_ptr<GpsPortAdapter> adapter_;
    QString device_;
    bool ok_ = false;
};

inline emu::EmulatorConfig TwoTracks(int points = 50) {
    emu::EmulatorConfig c;
    c.points = emu::SyntheticTracks(2, points, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    return c;
}

} // namespace gpstest
