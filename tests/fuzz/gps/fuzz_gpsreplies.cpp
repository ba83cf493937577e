// The reply decoders over any packet: the first byte is the packet ID, the
// rest its data (at most 255 bytes, as on the wire).

#include "gps/gpsreplies.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace soarnote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 256) return 0;
    GarminFrame frame;
    frame.id = data[0];
    frame.data = QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    frame.checksum = PacketChecksum(MakePacket(frame.id, frame.data));
    const ReplyBuffer buffer(frame);
    if (const auto point = DecodeTrackPoint(buffer)) {
        if (std::fabs(point->position.lat) > 180.0001 || std::fabs(point->position.lng) > 180.0001)
            std::abort();
    }
    if (const auto time = DecodeDateTime(buffer)) {
        if (!std::isfinite(*time)) std::abort();
    }
    if (const auto product = DecodeProductData(buffer)) {
        if (product->description.size() > buffer.Size()) std::abort();
    }
    (void)DecodePvt(buffer);
    (void)RadianPosition(buffer, 0);
    (void)UnknownPacketText(buffer, frame.id);
    return 0;
}
