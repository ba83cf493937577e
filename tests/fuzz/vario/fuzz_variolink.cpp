// The link state machine fed any mix of bytes and timer ticks in either
// download: it never crashes, stores only through the sink's rules, and
// always ends (at the latest when aborted) with the port closed and one
// finished command.

#include "memoryvariostore.h"
#include "vario/variolink.h"

#include <cstdlib>

using namespace soarnote;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    MemoryVarioStore store;
    VarioLink link;
    const uint8_t mode = data[0];
    if (mode & 1)
        link.StartBarographDownload(&store);
    else
        link.StartLogDownload(&store, (mode & 2) != 0);
    int closes = 0;
    int finished = 0;
    auto take = [&] {
        for (const VarioAction& a : link.TakeActions()) {
            if (a.kind == VarioAction::Kind::ClosePort) ++closes;
            if (a.kind == VarioAction::Kind::Finished) ++finished;
            if (a.kind == VarioAction::Kind::AskCreateFlight) link.AnswerCreateFlight((mode & 4) != 0);
        }
    };
    take();
    // Each control byte: top bit set, that many ticks (low 7 bits); else the
    // next (byte) bytes arrive in one read.
    size_t i = 1;
    while (i < size && link.Active()) {
        const uint8_t control = data[i++];
        if (control & 0x80) {
            for (int t = 0; t < (control & 0x7F) && link.Active(); ++t) {
                link.OnTimerTick();
                take();
            }
            continue;
        }
        const size_t n = std::min<size_t>(control, size - i);
        link.OnBytes(QByteArray(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(n)));
        take();
        i += n;
    }
    // Silence: every budget must run out.
    for (int t = 0; t < 20000 && link.Active(); ++t) {
        link.OnTimerTick();
        take();
    }
    if (link.Active()) std::abort();
    if (closes != 1 || finished != 1) std::abort();
    return 0;
}
