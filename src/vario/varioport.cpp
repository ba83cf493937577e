#include "varioport.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "core/serialline.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <cmath>

namespace soarnote {

QString VarioPortSettings::SettingsString() const {
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(parity).arg(dataBits).arg(stopBits);
}

bool VarioPortSettings::IsValid() const {
    return !device.isEmpty() && baud > 0 && QStringLiteral("NEOMS").contains(parity) && dataBits >= 5 &&
           dataBits <= 8 &&
           (stopBits == QLatin1String("1") || stopBits == QLatin1String("1.5") ||
            stopBits == QLatin1String("2"));
}

VarioPortSettings MakeVarioPortSettings(const QString& port, const QString& speed, const QString& parity,
                                        const QString& bits, const QString& stop) {
    VarioPortSettings s;
    s.device = SerialDeviceOfPortName(port);
    s.baud = WholeNumber(speed).value_or(0);
    const QString p = parity.trimmed();
    s.parity = p.isEmpty() ? QChar() : p.at(0).toUpper();
    s.dataBits = WholeNumber(bits).value_or(0);
    const std::optional<double> stopValue = ParseNumber(stop);
    s.stopBits = stopValue ? PlainNumberText(*stopValue) : stop.trimmed();
    return s;
}

VarioPortSettings ReadVarioPortSettings(const SettingsStore& settings) {
    return MakeVarioPortSettings(settings.Text(keys::VarioPort), settings.Text(keys::VarioSpeed),
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
