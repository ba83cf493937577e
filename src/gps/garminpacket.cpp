#include "garminpacket.h"

namespace soarnote {

using namespace garmin;

QByteArray MakePacket(std::uint8_t id, const QByteArray& data) {
    QByteArray packet;
    packet.reserve(data.size() + 2);
    packet.append(static_cast<char>(id));
    packet.append(static_cast<char>(static_cast<std::uint8_t>(data.size())));
    packet.append(data);
    return packet;
}

QByteArray MakeCommandPacket(std::uint16_t command) {
    QByteArray data;
    data.append(static_cast<char>(command & 0xFF));
    data.append(static_cast<char>(command >> 8));
    return MakePacket(PidCommand, data);
}

QByteArray MakeProductRequest() {
    return MakePacket(PidProductRequest);
}

namespace {
// The acknowledged packet's ID as a 16-bit number.
QByteArray IdData(std::uint8_t id) {
    QByteArray data(2, '\0');
    data[0] = static_cast<char>(id);
    return data;
}
} // namespace

QByteArray MakeAck(std::uint8_t acknowledgedId) {
    return MakePacket(PidAck, IdData(acknowledgedId));
}

QByteArray MakeNak(std::uint8_t rejectedId) {
    return MakePacket(PidNak, IdData(rejectedId));
}

std::uint8_t PacketChecksum(const QByteArray& packet) {
    unsigned sum = 0;
    for (char c : packet)
        sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF);
}

QByteArray FramePacket(const QByteArray& packet) {
    QByteArray frame;
    frame.reserve(packet.size() * 2 + 5);
    frame.append(static_cast<char>(DLE));
    auto put = [&frame](std::uint8_t b) {
        frame.append(static_cast<char>(b));
        if (b == DLE) frame.append(static_cast<char>(DLE));
    };
    for (char c : packet)
        put(static_cast<std::uint8_t>(c));
    put(PacketChecksum(packet));
    frame.append(static_cast<char>(DLE));
    frame.append(static_cast<char>(ETX));
    return frame;
}

void GarminFrameDecoder::Reset() {
    state_ = State::Idle;
    frame_ = {};
    size_ = 0;
}

void GarminFrameDecoder::Broken() {
    ++brokenFrames_;
    Reset();
}

void GarminFrameDecoder::StartFrame(std::uint8_t id) {
    frame_ = {};
    frame_.id = id;
    size_ = 0;
    state_ = State::Size;
}

void GarminFrameDecoder::AcceptBodyByte(std::uint8_t byte) {
    if (frame_.data.size() < size_) {
        frame_.data.append(static_cast<char>(byte));
        state_ = State::Body;
    } else {
        frame_.checksum = byte;
        state_ = State::EndDle;
    }
}

std::optional<GarminFrame> GarminFrameDecoder::Feed(std::uint8_t byte) {
    switch (state_) {
    case State::Idle:
        if (byte == DLE) state_ = State::AfterDle;
        return std::nullopt;
    case State::AfterDle:
        // DLE DLE is a stuffed data byte of a frame we did not see start;
        // DLE ETX is the end of one.
        if (byte == DLE || byte == ETX) {
            state_ = State::Idle;
        } else {
            StartFrame(byte);
        }
        return std::nullopt;
    case State::Size:
        if (byte == DLE) {
            state_ = State::SizeDle;
        } else {
            size_ = byte;
            state_ = State::Body;
        }
        return std::nullopt;
    case State::SizeDle:
    case State::BodyDle:
        if (byte == DLE) {
            if (state_ == State::SizeDle) {
                size_ = DLE;
                state_ = State::Body;
            } else {
                AcceptBodyByte(DLE);
            }
            return std::nullopt;
        }
        // A lone DLE inside a frame: the frame was cut short and this is the
        // start (or the end) of another one.
        Broken();
        if (byte != ETX) StartFrame(byte);
        return std::nullopt;
    case State::Body:
        if (byte == DLE)
            state_ = State::BodyDle;
        else
            AcceptBodyByte(byte);
        return std::nullopt;
    case State::EndDle:
        if (byte == DLE) {
            state_ = State::EndEtx;
        } else {
            Broken();
        }
        return std::nullopt;
    case State::EndEtx:
        if (byte == ETX) {
            GarminFrame done = std::move(frame_);
            QByteArray unframed = MakePacket(done.id, done.data);
            done.checksumOk = PacketChecksum(unframed) == done.checksum;
            Reset();
            return done;
        }
        // Not the end: a damaged ETX (the DLE that may follow is taken as the
        // next frame's start) or a frame longer than its size said.
        Broken();
        if (byte != DLE) StartFrame(byte);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace soarnote
