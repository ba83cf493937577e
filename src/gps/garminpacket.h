#pragma once
// Garmin binary serial packets: building them, framing them for the wire and
// reading frames back out of a byte stream. Pure functions and a byte-fed
// decoder; no port, no timer.
//
// An unframed packet is: packet ID, size, size data bytes. On the wire it is
// DLE, ID, size, data, checksum, DLE, ETX, where every DLE from the ID up to
// and including the checksum is sent twice.

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace soarnote {

namespace garmin {
inline constexpr std::uint8_t DLE = 16;
inline constexpr std::uint8_t ETX = 3;

// Packet IDs of the link layer and of the replies the program knows.
enum PacketId : std::uint8_t {
    PidAck = 6,
    PidNak = 21,
    PidCommand = 10,
    PidTransferComplete = 12,
    PidDateTime = 14,
    PidPosition = 17,
    PidRecords = 27,
    PidRouteHeader = 29,
    PidRouteWaypoint = 30,
    PidTrackPoint = 34,
    PidWaypoint = 35,
    PidPvt = 51,
    PidScreenLine = 69,
    PidTrackHeader = 99,
    PidExtProductData = 248,
    PidProtocolArray = 253,
    PidProductRequest = 254,
    PidProductData = 255,
};

// Command numbers sent in a command packet.
enum Command : std::uint16_t {
    CmdTransferPosition = 2,
    CmdTransferTime = 5,
    CmdTransferTrackLog = 6,
};
} // namespace garmin

// Unframed packets.
QByteArray MakePacket(std::uint8_t id, const QByteArray& data = {});
QByteArray MakeCommandPacket(std::uint16_t command);
QByteArray MakeProductRequest();
// The acknowledgement of a received packet carries that packet's ID.
QByteArray MakeAck(std::uint8_t acknowledgedId);
QByteArray MakeNak(std::uint8_t rejectedId);

// Two's complement of the low 8 bits of the sum of the given bytes.
std::uint8_t PacketChecksum(const QByteArray& packet);

// Frames an unframed packet for the wire.
QByteArray FramePacket(const QByteArray& packet);

// One frame read from the wire.
struct GarminFrame {
    std::uint8_t id = 0;
    QByteArray data;
    std::uint8_t checksum = 0; // as received
    bool checksumOk = true;
};

// Reads frames out of a byte stream fed in pieces of any size. Bytes outside
// a frame are dropped; a frame whose stuffing or end is broken is dropped and
// counted, and the decoder looks for the next frame start at once, so a
// frame cut short by a resend or by line noise costs only that frame.
class GarminFrameDecoder {
public:
    // Feeds one byte; returns a frame when this byte completed one.
    std::optional<GarminFrame> Feed(std::uint8_t byte);

    // True while a frame has started (DLE and ID seen) and not yet ended.
    bool InFrame() const { return state_ != State::Idle && state_ != State::AfterDle; }
    // Drops a partly read frame (after a receive timeout).
    void Reset();

    // Frames dropped for broken framing.
    std::uint64_t BrokenFrames() const { return brokenFrames_; }

private:
    enum class State { Idle, AfterDle, Size, SizeDle, Body, BodyDle, EndDle, EndEtx };
    void Broken();
    void StartFrame(std::uint8_t id);
    void AcceptBodyByte(std::uint8_t byte);

    State state_ = State::Idle;
    GarminFrame frame_;
    int size_ = 0;
    std::uint64_t brokenFrames_ = 0;
};

} // namespace soarnote
