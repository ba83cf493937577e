#include "serialportname.h"

#include "numbertext.h"

namespace soarnote {

QString SerialDeviceOfPortName(const QString& portName) {
    const QString name = portName.trimmed();
    if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !name.contains(QLatin1Char('/'))) {
        const std::optional<double> n = ParseNumber(name.mid(3));
        if (!n || *n < 1 || *n > 4096 || *n != static_cast<int>(*n))
            return {};
        return QStringLiteral("/dev/ttyS%1").arg(static_cast<int>(*n) - 1);
    }
    return name;
}

} // namespace soarnote
