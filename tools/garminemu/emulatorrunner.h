#pragma once
// Runs a GarminEmulator on the master side of a pseudo-terminal: the host
// (Soarnote) opens the slave side as its serial port. The loop polls with
// microsecond timeouts so that a paced line keeps its baud rate.

#include "garminemulator.h"

#include <QString>
#include <atomic>
#include <thread>

namespace soarnote::emu {

class EmulatorRunner {
public:
    explicit EmulatorRunner(GarminEmulator& emulator);
    ~EmulatorRunner();
    EmulatorRunner(const EmulatorRunner&) = delete;
    EmulatorRunner& operator=(const EmulatorRunner&) = delete;

    // Opens a pseudo-terminal pair in raw mode. The slave side stays open here
    // too, so the line lives while the host closes and reopens its port.
    bool OpenPty(QString* error);
    QString SlavePath() const { return slavePath_; }

    // Runs until Stop() or until the emulated line vanishes.
    void Run();
    // In a thread of its own (tests); Join() waits for it to end.
    void Start();
    void Stop();
    void Join();
    bool Running() const { return running_; }

private:
    static std::int64_t NowUs();
    void CloseAll();

    GarminEmulator& emulator_;
    int master_ = -1;
    int slave_ = -1;
    int stopPipe_[2] = {-1, -1};
    QString slavePath_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace soarnote::emu
