#pragma once
// The instrument's side of the Sol protocol, without I/O: handed the bytes
// the host writes, it returns the replies to send, one byte string per
// reply. Commands it does not know, and commands it has no answer for, get
// silence, which is what makes the host's tries run out where they should.

#include "solmemory.h"

#include <QByteArray>
#include <vector>

namespace solemu {

// Faults, each counted in commands understood (0 for the first).
struct SolFaults {
    bool silent = false;      // never answers: no instrument on the line
    int silentAfter = -1;     // answers this many commands, then nothing (switched off)
    int silentAtNext = -1;    // switched off when asked for the next block the n-th time (1 the first)
    int dropInReply = -1;     // the reply to this command loses one byte on the line
    int dropInBlock = -1;     // or the data of this block sent (0 for the first trace's header block)
    int dropAt = -1;          // which byte of that reply (from 0); -1 its middle
    int garbageForReply = -1; // this command is lost in line noise: noise comes back instead
    QByteArray garbage = QByteArray("\x55\xAA\x0F", 3);
};

class SolDevice {
public:
    explicit SolDevice(SolMemory memory = {}, int samplesPerBlock = 64);

    std::vector<QByteArray> Receive(const QByteArray& bytes);

    SolFaults& Faults() { return faults_; }
    SolMemory& Memory() { return memory_; }
    int CommandsSeen() const { return commands_; }
    int WakeUpsSeen() const { return wakeUps_; }
    int NextsSeen() const { return nexts_; }

private:
    std::vector<QByteArray> Answer(const QByteArray& command);
    std::vector<QByteArray> Next();

    SolMemory memory_;
    int samplesPerBlock_;
    SolFaults faults_;
    QByteArray pending_;
    int commands_ = 0;
    int wakeUps_ = 0;
    int nexts_ = 0;
    int blocksSent_ = 0;
    bool blockData_ = false; // the last answer was a block's data
    // The trace being sent.
    int trace_ = 0; // 1-based, 0 none
    std::vector<StreamBlock> blocks_;
    std::size_t block_ = 0;
    bool dataSent_ = false; // the current block's data went out (its marker was echoed)
};

} // namespace solemu
