#include "linecounters.h"

namespace soarnote {

std::vector<int> LineEventsBetween(const LineErrorCounts& before, const LineErrorCounts& after) {
    std::vector<int> events;
    if (after.brk > before.brk) events.push_back(1001);
    if (after.frame > before.frame) events.push_back(1004);
    if (after.overrun > before.overrun) events.push_back(1006);
    if (after.bufferOverrun > before.bufferOverrun) events.push_back(1008);
    if (after.parity > before.parity) events.push_back(1009);
    return events;
}

} // namespace soarnote
