#pragma once
// The GPS port as the "GPS" section of the settings names it.

#include "serial/serialsettings.h"

namespace soarnote {

class SettingsStore;

// Reads the "GPS" section: Port, Speed, Parity, Bit, End.
SerialSettings ReadGpsPortSettings(const SettingsStore& settings);

} // namespace soarnote
