#include "gpsreplies.h"

#include "core/daynumber.h"

#include <QDate>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace soarnote {

ReplyBuffer::ReplyBuffer(const GarminFrame& frame)
    : bytes_(frame.data), size_(static_cast<int>(frame.data.size())) {
    bytes_.append(static_cast<char>(frame.checksum));
    bytes_.append(static_cast<char>(garmin::DLE));
    bytes_.append('\0');
}

std::optional<std::uint8_t> ReplyBuffer::Byte(int pos) const {
    if (pos < 0 || pos >= bytes_.size()) return std::nullopt;
    return static_cast<std::uint8_t>(bytes_[pos]);
}

namespace {
template <typename T> std::optional<T> ReadLittleEndian(const QByteArray& bytes, int pos) {
    if (pos < 0 || pos + static_cast<int>(sizeof(T)) > bytes.size()) return std::nullopt;
    return qFromLittleEndian<T>(bytes.constData() + pos);
}
} // namespace

std::optional<std::int16_t> ReplyBuffer::Int16(int pos) const {
    return ReadLittleEndian<std::int16_t>(bytes_, pos);
}
std::optional<std::int32_t> ReplyBuffer::Int32(int pos) const {
    return ReadLittleEndian<std::int32_t>(bytes_, pos);
}
std::optional<float> ReplyBuffer::Float32(int pos) const {
    return ReadLittleEndian<float>(bytes_, pos);
}
std::optional<double> ReplyBuffer::Float64(int pos) const {
    return ReadLittleEndian<double>(bytes_, pos);
}

QString ReplyBuffer::Text(int pos, int maxBytes) const {
    QByteArray text;
    for (int i = pos; i >= 0 && i < bytes_.size() && i < pos + maxBytes; ++i) {
        if (bytes_[i] == '\0') break;
        text.append(bytes_[i]);
    }
    return QString::fromLatin1(text);
}

std::optional<GeoPoint> SemicirclePosition(const ReplyBuffer& b, int pos) {
    const auto lat = b.Int32(pos);
    const auto lng = b.Int32(pos + 4);
    if (!lat || !lng) return std::nullopt;
    return GeoPoint{*lat / kSemicirclesPerDegree, *lng / kSemicirclesPerDegree};
}

std::optional<GeoPoint> RadianPosition(const ReplyBuffer& b, int pos) {
    const auto lat = b.Float64(pos);
    const auto lng = b.Float64(pos + 8);
    if (!lat || !lng) return std::nullopt;
    return GeoPoint{*lat * kDegreesPerRadian, *lng * kDegreesPerRadian};
}

double GarminTimeToDayNumber(std::int32_t seconds) {
    return kGarminEpochDay + seconds / kSecondsPerDay;
}

std::optional<double> GarminTime(const ReplyBuffer& b, int pos) {
    const auto seconds = b.Int32(pos);
    if (!seconds) return std::nullopt;
    return GarminTimeToDayNumber(*seconds);
}

std::optional<TrackPointRecord> DecodeTrackPoint(const ReplyBuffer& b) {
    // Position, time and the flag are the least a point has.
    if (b.Size() < 13) return std::nullopt;
    const int flagAt = b.Usable() >= 26 ? 20 : b.Usable() - 4;
    const auto position = SemicirclePosition(b, 0);
    const auto time = GarminTime(b, 8);
    const auto flag = b.Byte(flagAt);
    if (!position || !time || !flag) return std::nullopt;
    TrackPointRecord record{*time, *position, *flag != 0};
    // Receivers write 1.0e25 for an altitude they do not know.
    if (flagAt == 20)
        if (const auto altitude = b.Float32(12);
            altitude && std::isfinite(*altitude) && std::fabs(*altitude) < 1.0e24f)
            record.height = *altitude;
    return record;
}

std::optional<double> DecodeDateTime(const ReplyBuffer& b) {
    const auto month = b.Byte(0), day = b.Byte(1), minute = b.Byte(6), second = b.Byte(7);
    const auto year = b.Int16(2), hour = b.Int16(4);
    if (!month || !day || !year || !hour || !minute || !second) return std::nullopt;
    const QDate date(*year, *month, *day);
    if (!date.isValid() || *hour < 0 || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return DayNumber(date, *hour, *minute, *second);
}

std::optional<ProductData> DecodeProductData(const ReplyBuffer& b) {
    const auto id = b.Int16(0);
    const auto version = b.Int16(2);
    if (!id || !version) return std::nullopt;
    return ProductData{*id, *version, b.Text(4, b.Usable() - 7)};
}

std::optional<PvtRecord> DecodePvt(const ReplyBuffer& b) {
    const auto altitude = b.Float32(0);
    const auto mslHeight = b.Float32(54);
    const auto position = RadianPosition(b, 26);
    if (!altitude || !mslHeight || !position) return std::nullopt;
    return PvtRecord{*altitude + *mslHeight, *position};
}

QString UnknownPacketText(const ReplyBuffer& b, std::uint8_t id) {
    QString text = QStringLiteral("ID: ") + QString::number(id, 16).toUpper() + QStringLiteral(" Data: ");
    const int usable = std::min<int>(b.Usable(), static_cast<int>(b.Bytes().size()));
    for (int i = 0; i < usable; ++i)
        text += QString::number(static_cast<std::uint8_t>(b.Bytes()[i]), 16).toUpper() + QLatin1Char(' ');
    return text;
}

} // namespace soarnote
