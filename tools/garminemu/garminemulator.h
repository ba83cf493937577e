#pragma once
// A Garmin receiver on the far end of a serial line, for trying the download
// without a receiver and for end-to-end tests. The device model is handed the
// bytes the host writes and the time, and says what it writes back and when;
// EmulatorRunner (emulatorrunner.h) joins it to a pseudo-terminal.
//
// It answers the product request (product data, then after a short delay the
// protocol capability array, optionally extended product data), the date and
// time, position and track log commands, in stop-and-wait with ACK/NAK and
// resends, optionally paced at a baud rate, with faults injected at chosen
// packets.

#include "gps/garminpacket.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace soarnote::emu {

struct EmulatedPoint {
    double lat = 0;
    double lng = 0;
    std::int32_t garminTime = 0; // seconds since 31/12/1989 00:00
    float altitude = 0;
    bool newTrack = false;
};

struct Fault {
    enum class Kind {
        Corrupt, // packet N goes out once with a wrong checksum
        Nak,     // the host's acknowledgement of packet N is answered with a NAK once
        Stall,   // packet N stops half way and the device hangs
        Garbage, // line noise before packet N
        Silence, // from packet N on the device says nothing (0: never answers)
        Vanish,  // at packet N the line goes away (the runner closes the port)
        Unknown, // a packet the host does not know goes out before packet N
    };
    Kind kind = Kind::Corrupt;
    int packet = 1; // 1-based count of the data packets the device sends (not ACK/NAK)
    bool used = false;
};

// "corrupt@5" -> a fault; empty for an unreadable text.
std::optional<Fault> ParseFault(const QString& text);
QString FaultKindName(Fault::Kind kind);

struct EmulatorConfig {
    int productId = 130;
    int softwareVersion = 310;
    QString description = QStringLiteral("eTrex Summit Software Version 3.10");
    bool sendCapabilities = true;
    bool sendExtendedProduct = false;
    int capabilityDelayMs = 50;
    bool d300 = false; // 13-byte track points (else 21-byte D301 with altitude)
    std::vector<EmulatedPoint> points;
    double positionLat = 53.3498;
    double positionLng = -1.8147;
    float positionAlt = 420.f;
    // The receiver's clock: the host's clock minus this many seconds...
    int clockBehindSeconds = 0;
    // ...or a fixed time.
    std::optional<QDateTime> fixedTime;
    int baud = 0; // 0: as fast as the line takes it
    int resendTimeoutMs = 2000;
    int resendLimit = 3;
    std::vector<Fault> faults;
};

// Tracks of points one second apart, drifting in a circle near (lat, lng).
std::vector<EmulatedPoint> SyntheticTracks(int tracks, int pointsPerTrack, const QDateTime& startUtc,
                                           double lat = 53.35, double lng = -1.81);
// The points of a Waypoint+ text file; empty when it cannot be read.
std::vector<EmulatedPoint> TracksFromWaypointPlus(const QString& path);
std::int32_t GarminSecondsOfDayNumber(double dayNumber);

struct EmulatorStats {
    std::uint64_t packetsSent = 0; // data packets, first transmissions
    std::uint64_t resends = 0;     // after a NAK or a missing ACK
    std::uint64_t naksSent = 0;
    std::uint64_t naksReceived = 0;
    std::uint64_t acksReceived = 0;
    std::uint64_t badFramesReceived = 0;
    std::uint64_t pointsSent = 0; // track points acknowledged by the host
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesReceived = 0;
    std::int64_t firstByteUs = -1; // first byte received from the host
    std::int64_t lastByteUs = -1;  // last byte exchanged either way
    // The host's reaction: from our bytes leaving to its answer arriving.
    std::int64_t hostReactionUs = 0;
    std::uint64_t hostReactions = 0;
};

class GarminEmulator {
public:
    explicit GarminEmulator(EmulatorConfig config);

    // Bytes from the host, arriving at nowUs (microseconds on any steady clock).
    void Receive(const QByteArray& bytes, std::int64_t nowUs);
    // Runs what is due at nowUs.
    void Tick(std::int64_t nowUs);
    // Bytes due on the line by nowUs.
    QByteArray TakeOutput(std::int64_t nowUs);
    // When Tick or TakeOutput next has something to do; -1 for nothing pending.
    std::int64_t NextDeadlineUs() const;

    bool Vanished() const { return vanished_; }
    const EmulatorStats& Stats() const { return stats_; }
    // Wire time of every byte exchanged, at the configured baud (10 bits a
    // byte), plus the device's own deliberate delays: how long the exchange
    // takes when neither end loses any time.
    std::int64_t WireTimeUs() const;
    const EmulatorConfig& Config() const { return config_; }

private:
    struct Timed {
        std::int64_t atUs;
        QByteArray bytes;
    };
    void HandleHostFrame(std::uint8_t id, const QByteArray& data, bool checksumOk, std::int64_t nowUs);
    void HandleCommand(std::uint16_t command, std::int64_t nowUs);
    void Queue(const QByteArray& packet);
    void SendNext(std::int64_t nowUs);
    void Transmit(const QByteArray& frame, std::int64_t nowUs);
    void Retransmit(std::int64_t nowUs);
    void ProcessInput(const QByteArray& bytes, std::int64_t atUs);
    void SendLinkPacket(const QByteArray& packet, std::int64_t nowUs);
    Fault* FaultAt(Fault::Kind kind, int packet);
    QByteArray DateTimePacket() const;
    QByteArray PositionPacket() const;
    QByteArray ProductPacket() const;
    QByteArray CapabilityPacket() const;
    QByteArray PointPacket(const EmulatedPoint& p) const;
    std::int64_t ByteTimeUs(qsizetype bytes) const;

    EmulatorConfig config_;
    EmulatorStats stats_;
    GarminFrameDecoder decoder_;
    int dataCount_ = 0;
    std::int64_t deviceDelayUs_ = 0;

    std::deque<QByteArray> queue_; // data packets still to send
    QByteArray outstanding_;       // sent, waiting for its ACK
    int outstandingNumber_ = 0;    // its 1-based number
    int outstandingTries_ = 0;
    std::int64_t resendAtUs_ = -1;
    std::int64_t capabilitiesAtUs_ = -1;
    bool productAcked_ = false;

    std::deque<Timed> pendingInput_; // host bytes still on the wire
    std::deque<Timed> output_;       // our bytes on the wire
    std::int64_t txFreeUs_ = 0;
    std::int64_t rxFreeUs_ = 0;
    std::int64_t wireBytes_ = 0;
    std::int64_t lastReleaseUs_ = -1;

    bool hung_ = false;
    bool silent_ = false;
    bool vanished_ = false;
};

} // namespace soarnote::emu
