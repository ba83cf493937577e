// The barograph stream through the link: a wake-up answer and a details
// reply naming one trace come first, so every input is read as the trace's
// markers, headers, samples and footer, with a tick between the replies.
// Whatever the bytes, each stored sample is one whole block's, and the link
// ends with the port closed.

#include "memoryvariostore.h"
#include "vario/variolink.h"

#include <cstdlib>

using namespace soarnote;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryVarioStore store;
    VarioLink link;
    int closes = 0;
    auto take = [&] {
        for (const VarioAction& a : link.TakeActions()) {
            if (a.kind == VarioAction::Kind::ClosePort) ++closes;
            if (a.kind == VarioAction::Kind::AskCreateFlight) link.AnswerCreateFlight(true);
        }
    };
    link.StartBarographDownload(&store);
    take();
    link.OnBytes(QByteArray(24, '\0'));
    take();
    const char details[] = {char(170), 1, 0, 0};
    link.OnBytes(QByteArray(details, 4));
    take();
    // Replies of up to 130 bytes, each preceded by its length byte.
    size_t i = 0;
    while (i < size && link.Active()) {
        // The length byte is read before what is left is counted: in one
        // expression the two would be unsequenced.
        const size_t length = data[i++] % 131;
        const size_t n = std::min<size_t>(length, size - i);
        link.OnBytes(QByteArray(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(n)));
        take();
        i += n;
    }
    for (int t = 0; t < 20000 && link.Active(); ++t) {
        link.OnTimerTick();
        take();
    }
    if (link.Active() || closes != 1) std::abort();
    const int samplesStored = static_cast<int>(store.samples.size());
    if (samplesStored > static_cast<int>(size)) std::abort();
    return 0;
}
