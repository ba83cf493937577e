#include "serialline.h"

#include "numbertext.h"

namespace soarnote {

QString SerialDeviceOfPortName(const QString& portName) {
    const QString name = portName.trimmed();
    if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !name.contains(QLatin1Char('/'))) {
        const std::optional<double> n = ParseNumber(name.mid(3));
        if (!n || *n < 1 || *n > 4096 || *n != static_cast<int>(*n)) return {};
        return QStringLiteral("/dev/ttyS%1").arg(static_cast<int>(*n) - 1);
    }
    return name;
}

QString CommEventText(int code) {
    switch (code) {
    case 1: // send
    case 2: // receive
    case 3: // CTS, DSR and CD changes, ring, end of file
    case 4:
    case 5:
    case 6:
    case 7:
        return {};
    case 1001:
        return QStringLiteral("Break Received");
    case 1002:
        return QStringLiteral("CTS Timeout");
    case 1003:
        return QStringLiteral("DSR Timeout");
    case 1004:
        return QStringLiteral("Framing Error");
    case 1006:
        return QStringLiteral("Overrun Error");
    case 1007:
        return QStringLiteral("Carrier Detect Timeout");
    case 1008:
        return QStringLiteral("Receive Buffer Overflow");
    case 1009:
        return QStringLiteral("Parity Error");
    case 1010:
        return QStringLiteral("Transmit Buffer Full");
    case 1011:
        return QStringLiteral("Error retrieving DCB");
    default:
        return QStringLiteral("Unknown error or event");
    }
}

} // namespace soarnote
