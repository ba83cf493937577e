// The link state machine fed any bytes and timer ticks. Input: a command
// byte, a chunk size, a tick period, then the receiver's bytes, handed over
// in chunks with a timer tick every few chunks; an unknown packet's question
// is answered from the chunk that follows it. Whatever comes, the link must
// end once the line goes quiet, with the port closed, nothing left
// uncommitted and exactly one finished command.

#include "gps/memorysink.h"

#include "gps/gpslink.h"

#include <cstdint>
#include <cstdlib>

using namespace soarnote;

namespace {

class QuietIo : public GpsLinkIo {
public:
    bool open = false;
    bool timer = false;
    int finished = 0;
    bool OpenPort(QString*) override { return open = true; }
    void ClosePort() override { open = false; }
    bool IsPortOpen() const override { return open; }
    void Write(const QByteArray&) override {}
    void StartTimer(int) override { timer = true; }
    void StopTimer() override { timer = false; }
    void Status(const GpsStatusEvent&) override {}
    void AskUnknownPacket(const QString&) override {}
    double Now() const override { return 45000.5; }
    void CommandFinished(GpsCommand, bool) override { ++finished; }
};

bool Start(GpsLink& link, gpstest::MemoryTrackSink& sink, std::uint8_t which) {
    switch (which % 6) {
    case 0:
        return link.DownloadGpsTracks(&sink, true);
    case 1:
        return link.DownloadGpsTracks(&sink, false);
    case 2:
        return link.RequestGpsTracks(&sink);
    case 3:
        return link.RequestGpsTime(which & 0x80);
    case 4:
        return link.RequestGpsProduct();
    default:
        return link.RequestGpsPosition();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    QuietIo io;
    gpstest::MemoryTrackSink sink;
    GpsLink link(io);
    if (!Start(link, sink, data[0])) std::abort();
    const std::size_t chunk = std::size_t{data[1]} + 1;
    const int tickEvery = data[2];
    int chunks = 0;
    for (std::size_t i = 3; i < size && link.Busy(); i += chunk) {
        const std::size_t n = std::min(chunk, size - i);
        if (link.AwaitingAnswer()) link.AnswerUnknownPacket(static_cast<UnknownPacketAnswer>(data[i] % 3));
        link.OnBytesReceived(QByteArray(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(n)));
        if (tickEvery && ++chunks % tickEvery == 0 && io.timer) {
            io.timer = false; // single shot: it fired
            link.OnTimer();
        }
    }
    // The line goes quiet.
    if (link.AwaitingAnswer()) link.AnswerUnknownPacket(UnknownPacketAnswer::Ignore);
    for (int tick = 0; tick < 8 && link.Busy(); ++tick) {
        io.timer = false;
        link.OnTimer();
    }
    if (link.Busy() || io.open || io.timer || !sink.pending.empty() || io.finished != 1) std::abort();
    return 0;
}
