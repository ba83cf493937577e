#include "gpsportsettings.h"

#include "settings/settingsstore.h"

namespace soarnote {

SerialSettings ReadGpsPortSettings(const SettingsStore& settings) {
    return ParseSerialSettings(settings.Text(keys::GpsPort), settings.Text(keys::GpsSpeed),
                               settings.Text(keys::GpsParity), settings.Text(keys::GpsBit),
                               settings.Text(keys::GpsEnd));
}

} // namespace soarnote
