// Typed numbers: any text is read or refused, a number read shows in the
// logbook's plain form and that text reads back as the same number.

#include "core/numbertext.h"

#include <QString>
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<double> value = soarnote::ParseNumber(text); value && std::isfinite(*value)) {
        const std::optional<double> again = soarnote::ParseNumber(soarnote::PlainNumberText(*value));
        if (!again || std::fabs(*again - *value) > std::fabs(*value) * 1e-14) std::abort();
        (void)soarnote::NumberText(*value);
        (void)soarnote::FixedNumberText(*value, 3);
    }
    (void)soarnote::WholeNumber(text);
    return 0;
}
