// Log records and the barograph stream's pieces decoded from any bytes: no
// crash, no undefined behaviour, and what decodes lies in range.

#include "vario/logrecord.h"

#include <cmath>
#include <cstdlib>

using namespace soarnote;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    LogRecordError error = LogRecordError::None;
    if (const std::optional<LogRecord> r = DecodeLogRecord(bytes, &error)) {
        // A flight over midnight ends on the next day, never later.
        if (!(r->startTime <= r->endTime && r->endTime - r->startTime <= 1.0)) std::abort();
        if (r->maxHeight < -32767 || r->maxHeight > 32767) std::abort();
    } else if (error == LogRecordError::None) {
        std::abort();
    }
    (void)IsUnusedLogSlot(bytes);
    (void)SampleHeight(bytes);
    if (const std::optional<double> start = BaroHeaderStart(bytes)) {
        if (!std::isfinite(*start)) std::abort();
        (void)IsFooterStart(bytes.mid(6), *start);
    }
    return 0;
}
