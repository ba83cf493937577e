// The frame decoder fed any bytes: it never reads past what it was given,
// and every frame it returns frames and decodes back to itself.

#include "gps/garminpacket.h"

#include <cstdint>
#include <cstdlib>

using namespace soarnote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GarminFrameDecoder decoder;
    for (std::size_t i = 0; i < size; ++i) {
        const std::optional<GarminFrame> frame = decoder.Feed(data[i]);
        if (!frame) continue;
        if (frame->data.size() > 255) std::abort(); // the size byte cannot say more
        if (!frame->checksumOk) continue;
        const QByteArray wire = FramePacket(MakePacket(frame->id, frame->data));
        GarminFrameDecoder again;
        std::optional<GarminFrame> back;
        for (char c : wire)
            if (auto f = again.Feed(static_cast<std::uint8_t>(c))) back = f;
        if (!back || back->id != frame->id || back->data != frame->data || !back->checksumOk) std::abort();
    }
    return 0;
}
