#include "garminemulator.h"

#include "gps/gpsreplies.h"
#include "gps/waypointplusimport.h"

#include "core/daynumber.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace soarnote::emu {

using namespace soarnote::garmin;

namespace {

void PutInt16(QByteArray& b, std::int16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}
void PutInt32(QByteArray& b, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}
void PutFloat(QByteArray& b, float v) {
    std::uint32_t raw;
    std::memcpy(&raw, &v, 4);
    PutInt32(b, static_cast<std::int32_t>(raw));
}
void PutDouble(QByteArray& b, double v) {
    std::uint64_t raw;
    std::memcpy(&raw, &v, 8);
    for (int i = 0; i < 8; ++i)
        b.append(static_cast<char>((raw >> (8 * i)) & 0xFF));
}
std::int32_t Semicircles(double degrees) {
    return static_cast<std::int32_t>(std::llround(degrees * 2147483648.0 / 180.0));
}

// Line noise, with a stray end-of-frame in it.
const QByteArray kGarbage("\x00\x55\xAA\x10\x03\xFE\x7F", 7);

} // namespace

std::optional<Fault> ParseFault(const QString& text) {
    static const QRegularExpression re(QStringLiteral(R"(^(\w+)@(\d+)$)"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const QString name = m.captured(1).toLower();
    Fault f;
    f.packet = m.captured(2).toInt();
    for (Fault::Kind k : {Fault::Kind::Corrupt, Fault::Kind::Nak, Fault::Kind::Stall, Fault::Kind::Garbage,
                          Fault::Kind::Silence, Fault::Kind::Vanish, Fault::Kind::Unknown}) {
        if (FaultKindName(k) == name) {
            f.kind = k;
            return f;
        }
    }
    return std::nullopt;
}

QString FaultKindName(Fault::Kind kind) {
    switch (kind) {
    case Fault::Kind::Corrupt:
        return QStringLiteral("corrupt");
    case Fault::Kind::Nak:
        return QStringLiteral("nak");
    case Fault::Kind::Stall:
        return QStringLiteral("stall");
    case Fault::Kind::Garbage:
        return QStringLiteral("garbage");
    case Fault::Kind::Silence:
        return QStringLiteral("silence");
    case Fault::Kind::Vanish:
        return QStringLiteral("vanish");
    case Fault::Kind::Unknown:
        return QStringLiteral("unknown");
    }
    return {};
}

std::int32_t GarminSecondsOfDayNumber(double dayNumber) {
    return static_cast<std::int32_t>(std::llround((dayNumber - kGarminEpochDay) * kSecondsPerDay));
}

std::vector<EmulatedPoint> SyntheticTracks(int tracks, int pointsPerTrack, const QDateTime& startUtc,
                                           double lat, double lng) {
    std::vector<EmulatedPoint> points;
    points.reserve(static_cast<size_t>(std::max(0, tracks * pointsPerTrack)));
    const double startDay = DayNumberFromDateTime(startUtc);
    for (int t = 0; t < tracks; ++t) {
        // Tracks a day apart, one fix a second.
        const std::int32_t t0 = GarminSecondsOfDayNumber(startDay + t);
        for (int i = 0; i < pointsPerTrack; ++i) {
            const double a = i * 0.01 + t;
            EmulatedPoint p;
            p.lat = lat + 0.01 * std::sin(a) + 0.00001 * i;
            p.lng = lng + 0.015 * std::cos(a);
            p.garminTime = t0 + i;
            p.altitude = static_cast<float>(400 + 300 * std::sin(a / 3));
            p.newTrack = i == 0;
            points.push_back(p);
        }
    }
    return points;
}

std::vector<EmulatedPoint> TracksFromWaypointPlus(const QString& path) {
    std::vector<EmulatedPoint> points;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return points;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        WaypointPlusProblem problem = WaypointPlusProblem::None;
        const std::optional<WaypointPlusPoint> p = ParseWaypointPlusLine(line, &problem);
        if (!p) continue;
        EmulatedPoint e;
        e.lat = p->lat;
        e.lng = p->lng;
        e.garminTime = GarminSecondsOfDayNumber(p->time);
        e.newTrack = p->newTrack || points.empty();
        points.push_back(e);
    }
    return points;
}

GarminEmulator::GarminEmulator(EmulatorConfig config) : config_(std::move(config)) {
    for (Fault& f : config_.faults)
        if (f.kind == Fault::Kind::Silence && f.packet <= 0) silent_ = true;
}

std::int64_t GarminEmulator::ByteTimeUs(qsizetype bytes) const {
    return config_.baud > 0 ? static_cast<std::int64_t>(bytes) * 10'000'000 / config_.baud : 0;
}

std::int64_t GarminEmulator::WireTimeUs() const {
    return ByteTimeUs(wireBytes_) + deviceDelayUs_;
}

Fault* GarminEmulator::FaultAt(Fault::Kind kind, int packet) {
    for (Fault& f : config_.faults)
        if (f.kind == kind && f.packet == packet && !f.used) return &f;
    return nullptr;
}

void GarminEmulator::Receive(const QByteArray& bytes, std::int64_t nowUs) {
    if (bytes.isEmpty()) return;
    stats_.bytesReceived += bytes.size();
    if (stats_.firstByteUs < 0) stats_.firstByteUs = nowUs;
    stats_.lastByteUs = std::max(stats_.lastByteUs, nowUs);
    if (lastReleaseUs_ >= 0) {
        stats_.hostReactionUs += nowUs - lastReleaseUs_;
        ++stats_.hostReactions;
        lastReleaseUs_ = -1;
    }
    if (hung_ || vanished_) return;
    wireBytes_ += bytes.size();
    if (config_.baud > 0) {
        // The bytes reach the device when their last bit has crossed the line.
        const std::int64_t at = std::max(nowUs, rxFreeUs_) + ByteTimeUs(bytes.size());
        rxFreeUs_ = at;
        pendingInput_.push_back({at, bytes});
    } else {
        ProcessInput(bytes, nowUs);
    }
    Tick(nowUs);
}

void GarminEmulator::ProcessInput(const QByteArray& bytes, std::int64_t atUs) {
    for (char c : bytes) {
        if (hung_ || vanished_) return;
        if (std::optional<GarminFrame> f = decoder_.Feed(static_cast<std::uint8_t>(c)))
            HandleHostFrame(f->id, f->data, f->checksumOk, atUs);
    }
}

void GarminEmulator::Tick(std::int64_t nowUs) {
    while (!pendingInput_.empty() && pendingInput_.front().atUs <= nowUs) {
        const Timed in = pendingInput_.front();
        pendingInput_.pop_front();
        ProcessInput(in.bytes, in.atUs);
    }
    if (hung_ || silent_ || vanished_) return;
    if (capabilitiesAtUs_ >= 0 && capabilitiesAtUs_ <= nowUs) {
        const std::int64_t at = capabilitiesAtUs_;
        capabilitiesAtUs_ = -1;
        if (config_.sendExtendedProduct)
            Queue(MakePacket(PidExtProductData, QByteArray("GPS firmware 2.60\0", 18)));
        if (config_.sendCapabilities) Queue(CapabilityPacket());
        SendNext(at);
    }
    if (resendAtUs_ >= 0 && resendAtUs_ <= nowUs && !outstanding_.isEmpty()) {
        if (outstandingTries_ < config_.resendLimit) {
            Retransmit(resendAtUs_);
        } else {
            // The host has gone: give the transfer up.
            outstanding_.clear();
            queue_.clear();
            resendAtUs_ = -1;
        }
    }
}

QByteArray GarminEmulator::TakeOutput(std::int64_t nowUs) {
    QByteArray out;
    while (!output_.empty() && output_.front().atUs <= nowUs) {
        out.append(output_.front().bytes);
        output_.pop_front();
    }
    if (!out.isEmpty()) {
        stats_.lastByteUs = std::max(stats_.lastByteUs, nowUs);
        lastReleaseUs_ = nowUs;
    }
    return out;
}

std::int64_t GarminEmulator::NextDeadlineUs() const {
    std::int64_t next = -1;
    auto consider = [&next](std::int64_t t) {
        if (t >= 0 && (next < 0 || t < next)) next = t;
    };
    if (!pendingInput_.empty()) consider(pendingInput_.front().atUs);
    if (!output_.empty()) consider(output_.front().atUs);
    if (!hung_ && !silent_ && !vanished_) {
        consider(capabilitiesAtUs_);
        if (!outstanding_.isEmpty()) consider(resendAtUs_);
    }
    return next;
}

void GarminEmulator::HandleHostFrame(std::uint8_t id, const QByteArray& data, bool checksumOk,
                                     std::int64_t nowUs) {
    if (silent_) return;
    if (!checksumOk) {
        ++stats_.badFramesReceived;
        ++stats_.naksSent;
        SendLinkPacket(MakeNak(id), nowUs);
        return;
    }
    switch (id) {
    case PidAck: {
        ++stats_.acksReceived;
        if (outstanding_.isEmpty()) return;
        if (Fault* f = FaultAt(Fault::Kind::Nak, outstandingNumber_)) {
            f->used = true;
            ++stats_.naksSent;
            SendLinkPacket(MakeNak(PidAck), nowUs);
            return;
        }
        const auto ackedId = static_cast<std::uint8_t>(outstanding_[0]);
        if (ackedId == PidTrackPoint) ++stats_.pointsSent;
        outstanding_.clear();
        resendAtUs_ = -1;
        if (ackedId == PidProductData && (config_.sendCapabilities || config_.sendExtendedProduct)) {
            capabilitiesAtUs_ = nowUs + config_.capabilityDelayMs * 1000LL;
            deviceDelayUs_ += config_.capabilityDelayMs * 1000LL;
        }
        SendNext(nowUs);
        return;
    }
    case PidNak:
        ++stats_.naksReceived;
        if (!outstanding_.isEmpty()) Retransmit(nowUs);
        return;
    case PidProductRequest:
        SendLinkPacket(MakeAck(id), nowUs);
        queue_.clear();
        outstanding_.clear();
        resendAtUs_ = -1;
        capabilitiesAtUs_ = -1;
        Queue(ProductPacket());
        SendNext(nowUs);
        return;
    case PidCommand:
        SendLinkPacket(MakeAck(id), nowUs);
        if (data.size() >= 2)
            HandleCommand(static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[0]) |
                                                     (static_cast<std::uint8_t>(data[1]) << 8)),
                          nowUs);
        return;
    default:
        SendLinkPacket(MakeAck(id), nowUs);
        return;
    }
}

void GarminEmulator::HandleCommand(std::uint16_t command, std::int64_t nowUs) {
    queue_.clear();
    outstanding_.clear();
    resendAtUs_ = -1;
    switch (command) {
    case CmdTransferTime:
        Queue(DateTimePacket());
        break;
    case CmdTransferPosition:
        Queue(PositionPacket());
        break;
    case CmdTransferTrackLog: {
        std::vector<QByteArray> records;
        for (size_t i = 0; i < config_.points.size(); ++i) {
            const EmulatedPoint& p = config_.points[i];
            if (p.newTrack || i == 0) {
                QByteArray header;
                header.append('\x01'); // shown
                header.append('\xFF'); // default colour
                header.append("ACTIVE LOG");
                header.append('\0');
                records.push_back(MakePacket(PidTrackHeader, header));
            }
            records.push_back(PointPacket(p));
        }
        QByteArray count;
        PutInt16(count, static_cast<std::int16_t>(std::min<size_t>(records.size(), 65535)));
        Queue(MakePacket(PidRecords, count));
        for (QByteArray& r : records)
            Queue(r);
        QByteArray done;
        PutInt16(done, CmdTransferTrackLog);
        Queue(MakePacket(PidTransferComplete, done));
        break;
    }
    default:
        break; // abort transfer and the rest: nothing to send
    }
    SendNext(nowUs);
}

void GarminEmulator::Queue(const QByteArray& packet) {
    queue_.push_back(packet);
}

void GarminEmulator::SendNext(std::int64_t nowUs) {
    if (!outstanding_.isEmpty() || queue_.empty() || hung_ || silent_ || vanished_) return;
    const int number = dataCount_ + 1;
    if (Fault* f = FaultAt(Fault::Kind::Unknown, number)) {
        f->used = true;
        // A satellite record: nothing the host asked for.
        queue_.push_front(MakePacket(0x72, QByteArray("\x01\x02\x10\x03\xAB", 5)));
    }
    const QByteArray packet = queue_.front();
    queue_.pop_front();
    dataCount_ = number;
    ++stats_.packetsSent;
    if (Fault* f = FaultAt(Fault::Kind::Silence, number)) {
        f->used = true;
        silent_ = true;
        return;
    }
    if (Fault* f = FaultAt(Fault::Kind::Vanish, number)) {
        f->used = true;
        vanished_ = true;
        return;
    }
    if (Fault* f = FaultAt(Fault::Kind::Garbage, number)) {
        f->used = true;
        Transmit(kGarbage, nowUs);
    }
    QByteArray frame = FramePacket(packet);
    if (Fault* f = FaultAt(Fault::Kind::Stall, number)) {
        f->used = true;
        Transmit(frame.left(frame.size() / 2), nowUs);
        hung_ = true;
        return;
    }
    if (Fault* f = FaultAt(Fault::Kind::Corrupt, number)) {
        f->used = true;
        // A flipped bit in the first data byte that stays clear of DLE (the
        // framing survives; only the checksum tells).
        QByteArray bad = packet;
        if (bad.size() > 2) {
            char flipped = static_cast<char>(bad[2] ^ 0x01);
            if (static_cast<std::uint8_t>(flipped) == DLE || static_cast<std::uint8_t>(bad[2]) == DLE)
                flipped = static_cast<char>(bad[2] ^ 0x40);
            bad[2] = flipped;
        }
        frame = FramePacket(bad);
        // Keep the original checksum: the one of the damaged bytes would match.
        const std::uint8_t cs = PacketChecksum(packet);
        const std::uint8_t badCs = PacketChecksum(bad);
        const int csAt = static_cast<int>(frame.size()) - 3 - (badCs == DLE ? 1 : 0);
        frame = frame.left(csAt);
        frame.append(static_cast<char>(cs));
        if (cs == DLE) frame.append(static_cast<char>(DLE));
        frame.append(static_cast<char>(DLE));
        frame.append(static_cast<char>(ETX));
    }
    outstanding_ = packet;
    outstandingNumber_ = number;
    outstandingTries_ = 0;
    Transmit(frame, nowUs);
    resendAtUs_ = txFreeUs_ + config_.resendTimeoutMs * 1000LL;
}

void GarminEmulator::Retransmit(std::int64_t nowUs) {
    ++stats_.resends;
    ++outstandingTries_;
    Transmit(FramePacket(outstanding_), nowUs);
    resendAtUs_ = txFreeUs_ + config_.resendTimeoutMs * 1000LL;
}

void GarminEmulator::Transmit(const QByteArray& frame, std::int64_t nowUs) {
    if (vanished_) return;
    const std::int64_t start = std::max(nowUs, txFreeUs_);
    const std::int64_t end = start + ByteTimeUs(frame.size());
    txFreeUs_ = end;
    output_.push_back({config_.baud > 0 ? end : nowUs, frame});
    wireBytes_ += frame.size();
    stats_.bytesSent += frame.size();
}

void GarminEmulator::SendLinkPacket(const QByteArray& packet, std::int64_t nowUs) {
    Transmit(FramePacket(packet), nowUs);
}

QByteArray GarminEmulator::ProductPacket() const {
    QByteArray d;
    PutInt16(d, static_cast<std::int16_t>(config_.productId));
    PutInt16(d, static_cast<std::int16_t>(config_.softwareVersion));
    d.append(config_.description.toLatin1());
    d.append('\0');
    return MakePacket(PidProductData, d);
}

QByteArray GarminEmulator::CapabilityPacket() const {
    // What a handheld of the late 1990s reports: link, command, waypoint,
    // route, track (A301 with D310 headers), almanac, date, position, PVT.
    const char* const tags[] = {"P000", "L001", "A010", "A100", "D108", "A201",
                                "D202", "D108", "D210", "A301", "D310", config_.d300 ? "D300" : "D301",
                                "A500", "D501", "A600", "D600", "A700", "D700",
                                "A800", "D800"};
    QByteArray d;
    for (const char* t : tags) {
        d.append(t[0]);
        PutInt16(d, static_cast<std::int16_t>(std::atoi(t + 1)));
    }
    return MakePacket(PidProtocolArray, d);
}

QByteArray GarminEmulator::DateTimePacket() const {
    const QDateTime t = config_.fixedTime ? *config_.fixedTime
                                          : QDateTime::currentDateTime().addSecs(-config_.clockBehindSeconds);
    QByteArray d;
    d.append(static_cast<char>(t.date().month()));
    d.append(static_cast<char>(t.date().day()));
    PutInt16(d, static_cast<std::int16_t>(t.date().year()));
    PutInt16(d, static_cast<std::int16_t>(t.time().hour()));
    d.append(static_cast<char>(t.time().minute()));
    d.append(static_cast<char>(t.time().second()));
    return MakePacket(PidDateTime, d);
}

QByteArray GarminEmulator::PositionPacket() const {
    QByteArray d;
    PutDouble(d, config_.positionLat * M_PI / 180.0);
    PutDouble(d, config_.positionLng * M_PI / 180.0);
    return MakePacket(PidPosition, d);
}

QByteArray GarminEmulator::PointPacket(const EmulatedPoint& p) const {
    QByteArray d;
    PutInt32(d, Semicircles(p.lat));
    PutInt32(d, Semicircles(p.lng));
    PutInt32(d, p.garminTime);
    if (!config_.d300) {
        PutFloat(d, p.altitude);
        PutFloat(d, 1.0e25f); // no depth
    }
    d.append(p.newTrack ? '\x01' : '\x00');
    return MakePacket(PidTrackPoint, d);
}

} // namespace soarnote::emu
