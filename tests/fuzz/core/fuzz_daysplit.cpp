// Day numbers as a logbook file may hold them, any 8 bytes: splitting and
// showing them never reaches undefined behaviour, and what is out of range
// shows as nothing.

#include "core/daycount.h"
#include "core/daynumber.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double day = 0;
    std::memcpy(&day, data, sizeof day);
    const soarnote::DayParts parts = soarnote::SplitDayNumber(day);
    const QString general = soarnote::GeneralDateText(day);
    if (parts.date.isValid() == general.isEmpty()) std::abort();
    (void)soarnote::PrintDateText(day);
    (void)soarnote::ShortTimeText(day);
    const QString duration = soarnote::DurationText(day);
    const QString offset = soarnote::DurationSecondsText(day);
    if (duration.isEmpty() != offset.isEmpty()) std::abort();
    if (const auto split = soarnote::daycount::Split(day)) {
        if (split->secondOfDay < 0 || split->secondOfDay >= soarnote::daycount::kSecondsPerDay) std::abort();
        if (split->day < soarnote::daycount::kFirstDay || split->day > soarnote::daycount::kLastDay)
            std::abort();
    }
    return 0;
}
