#pragma once
// A receiver emulator on a pseudo-terminal in a thread of its own, and the
// real port adapter pointed at it.

#include "gpstesthelpers.h"

#include "emulatorrunner.h"
#include "gps/gpsportadapter.h"

#include <QSignalSpy>
#include <memory>

namespace gpstest {

// The emulator on a pseudo-terminal, in a thread of its own until stopped.
struct EmulatorOnPty {
    emu::GarminEmulator emulator;
    emu::EmulatorRunner runner{emulator};
    bool ok = false;
    explicit EmulatorOnPty(emu::EmulatorConfig config) : emulator(std::move(config)) {
        ok = runner.OpenPty(nullptr);
        runner.Start();
    }
    ~EmulatorOnPty() { Stop(); }
    // The emulator's counts; stops it first.
    const emu::EmulatorStats& Stop() {
        runner.Stop();
        runner.Join();
        return emulator.Stats();
    }
};

// The real port adapter pointed at the emulator.
class EmulatorRig {
public:
    explicit EmulatorRig(emu::EmulatorConfig config) : device_(std::move(config)) {
        adapter_ = std::make_unique<GpsPortAdapter>([this] {
            return ParseSerialSettings(device_.runner.SlavePath(), QStringLiteral("115200"),
                                       QStringLiteral("NONE"), QStringLiteral("8"), QStringLiteral("1"));
        });
    }
    ~EmulatorRig() { adapter_.reset(); }
    bool Ok() const { return device_.ok; }
    GpsPortAdapter& Adapter() { return *adapter_; }
    GpsLink& Link() { return adapter_->Link(); }
    const emu::EmulatorStats& StopEmulator() { return device_.Stop(); }

private:
    EmulatorOnPty device_;
    std::unique_ptr<GpsPortAdapter> adapter_;
};

// Waits on the event loop for the command under way to end.
inline bool WaitForEnd(QSignalSpy& spy) {
    return spy.count() > 0 || spy.wait(15000);
}

inline emu::EmulatorConfig TwoTracks(int points = 50) {
    emu::EmulatorConfig c;
    c.points = emu::SyntheticTracks(2, points, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    return c;
}

} // namespace gpstest
