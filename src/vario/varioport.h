#pragma once
// The variometer port as the settings name it, and the small pure helpers
// around the link: the display-time offset.

#include "serial/serialsettings.h"

#include <QString>
#include <optional>

namespace soarnote {

class SettingsStore;

// From the "Vario" section: Port, Speed, Parity (first letter), Bit, End.
SerialSettings ReadVarioPortSettings(const SettingsStore& settings);

// Workstation clock minus the instrument's clock, in days, from the time the
// instrument shows as a person types it ("14:05", "5/6/24 14:05"). A time
// without date is a time of today. Nothing when the text is no date or time.
std::optional<double> VarioTimeOffset(const QString& displayTime, double now);

} // namespace soarnote
