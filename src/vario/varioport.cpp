#include "varioport.h"

#include "core/daynumber.h"
#include "settings/settingsstore.h"

#include <cmath>

namespace soarnote {

SerialSettings ReadVarioPortSettings(const SettingsStore& settings) {
    return ParseSerialSettings(settings.Text(keys::VarioPort), settings.Text(keys::VarioSpeed),
                               settings.Text(keys::VarioParity), settings.Text(keys::VarioBit),
                               settings.Text(keys::VarioEnd));
}

std::optional<double> VarioTimeOffset(const QString& displayTime, double now) {
    std::optional<double> shown = ParseDayNumber(displayTime);
    if (!shown) return std::nullopt;
    if (*shown < 1) *shown += std::floor(now);
    return now - *shown;
}

} // namespace soarnote
