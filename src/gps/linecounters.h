#pragma once
// Line errors counted by the serial driver (framing, overrun, parity, break,
// driver buffer overrun) turned into the link's line event codes.

#include <cstdint>
#include <vector>

namespace soarnote {

struct LineErrorCounts {
    std::uint64_t frame = 0;
    std::uint64_t overrun = 0;
    std::uint64_t parity = 0;
    std::uint64_t brk = 0;
    std::uint64_t bufferOverrun = 0;
};

// One event code (1001 break, 1004 framing, 1006 overrun, 1008 receive
// buffer overflow, 1009 parity) for each kind of counter that went up.
std::vector<int> LineEventsBetween(const LineErrorCounts& before, const LineErrorCounts& after);

} // namespace soarnote
