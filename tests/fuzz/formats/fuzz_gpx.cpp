// The GPX reader fed random bytes (see fuzz_trackfile.h).

#include "formats/gpxreader.h"
#include "fuzz_trackfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzztrack::Check<soarnote::GpxReader>(data, size);
}
