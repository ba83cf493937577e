#pragma once
// The receiver's replies: field readers over a packet's bytes, the records
// the program decodes (track points, date and time, product data, positions).
// Status texts are built from these by gpsstatustext.h.

#include "garminpacket.h"

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

namespace soarnote {

// Garmin semicircles per degree (2^31 / 180) and the radians-to-degrees factor
// the receiver's positions are read with.
inline constexpr double kSemicirclesPerDegree = 11930464.7111111;
inline constexpr double kDegreesPerRadian = 57.2957786666666;
// Day number of 31 December 1989 00:00, where Garmin time counts from.
inline constexpr double kGarminEpochDay = 32873.0;

// A reply as the dispatcher reads it: the data bytes followed by the
// checksum, the trailing DLE and one zero byte. Usable() is size + 3 rounded
// down to an even count; a few layouts are read relative to it.
class ReplyBuffer {
public:
    explicit ReplyBuffer(const GarminFrame& frame);
    int Size() const { return size_; }
    int Usable() const { return (size_ + 3) & ~1; }
    const QByteArray& Bytes() const { return bytes_; }

    // Readers; empty when the field reaches past the buffer.
    std::optional<std::uint8_t> Byte(int pos) const;
    std::optional<std::int16_t> Int16(int pos) const;
    std::optional<std::int32_t> Int32(int pos) const;
    std::optional<float> Float32(int pos) const;
    std::optional<double> Float64(int pos) const;
    // Characters from pos up to the first zero byte, at most maxBytes.
    QString Text(int pos, int maxBytes) const;

private:
    QByteArray bytes_;
    int size_ = 0;
};

struct GeoPoint {
    double lat = 0;
    double lng = 0;
};

std::optional<GeoPoint> SemicirclePosition(const ReplyBuffer& b, int pos);
std::optional<GeoPoint> RadianPosition(const ReplyBuffer& b, int pos);
// Garmin time (signed seconds since 31/12/1989) as a day number.
double GarminTimeToDayNumber(std::int32_t seconds);
std::optional<double> GarminTime(const ReplyBuffer& b, int pos);

struct TrackPointRecord {
    double time = 0; // day number, receiver time
    GeoPoint position;
    bool newTrack = false;
    // The 21-byte layout's altitude in metres; NaN in the 13-byte layout or
    // when the receiver marks it unknown.
    double height = std::numeric_limits<double>::quiet_NaN();
};
// Track point (ID 34) in the 13-byte (position, time, flag) and 21-byte
// (position, time, altitude, depth, flag) layouts; empty when too short.
std::optional<TrackPointRecord> DecodeTrackPoint(const ReplyBuffer& b);

// Date and time (ID 14) as a day number; empty when the fields give no valid date.
std::optional<double> DecodeDateTime(const ReplyBuffer& b);

struct ProductData {
    int productId = 0;
    int version = 0;
    QString description;
};
std::optional<ProductData> DecodeProductData(const ReplyBuffer& b);

struct PvtRecord {
    float height = 0; // above mean sea level: ellipsoid altitude + its MSL height
    GeoPoint position;
};
// Position, velocity and time (ID 51); empty when too short.
std::optional<PvtRecord> DecodePvt(const ReplyBuffer& b);

// An unknown packet for the user: "ID: 72 Data: 1 2 AB ".
QString UnknownPacketText(const ReplyBuffer& b, std::uint8_t id);

} // namespace soarnote
