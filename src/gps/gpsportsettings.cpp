#include "gpsportsettings.h"

#include "core/numbertext.h"
#include "settings/settingsstore.h"

namespace soarnote {

QString SerialSettings::SettingsString() const {
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

QString SerialSettings::Problem() const {
    if (device.isEmpty()) return QStringLiteral("no serial device in port name \"%1\"").arg(portSetting);
    if (baudRate <= 0) return QStringLiteral("bad speed");
    if (!QByteArrayLiteral("NEOMS").contains(parity)) return QStringLiteral("bad parity");
    if (dataBits < 5 || dataBits > 8) return QStringLiteral("bad data bits");
    if (stopBits != QLatin1String("1") && stopBits != QLatin1String("1.5") && stopBits != QLatin1String("2"))
        return QStringLiteral("bad stop bits");
    return {};
}

SerialSettings MakeSerialSettings(const QString& port, const QString& speed, const QString& parity,
                                  const QString& bits, const QString& stopBits) {
    SerialSettings s;
    s.portSetting = port;
    s.device = SerialDeviceOfPortName(port);
    const std::optional<double> baud = ParseNumber(speed);
    s.baudRate = baud && *baud >= 1 && *baud < 1e8 ? static_cast<int>(*baud) : 0;
    const QString p = parity.trimmed();
    s.parity = p.isEmpty() ? '?' : p.at(0).toUpper().toLatin1();
    const std::optional<double> b = ParseNumber(bits);
    s.dataBits = b ? static_cast<int>(*b) : 0;
    s.stopBits = stopBits.trimmed();
    return s;
}

SerialSettings ReadGpsPortSettings(const SettingsStore& settings) {
    return MakeSerialSettings(settings.Text(keys::GpsPort), settings.Text(keys::GpsSpeed),
                              settings.Text(keys::GpsParity), settings.Text(keys::GpsBit),
                              settings.Text(keys::GpsEnd));
}

} // namespace soarnote
