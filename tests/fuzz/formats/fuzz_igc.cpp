// The IGC reader fed random bytes (see fuzz_trackfile.h).

#include "formats/igcreader.h"
#include "fuzz_trackfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzztrack::Check<soarnote::IgcReader>(data, size);
}
