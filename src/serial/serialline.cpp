#include "serialline.h"

namespace soarnote {

QString CommEventText(int code) {
    switch (static_cast<SerialLineEvent>(code)) {
    case SerialLineEvent::Send:
    case SerialLineEvent::Receive:
    case SerialLineEvent::CtsChange:
    case SerialLineEvent::DsrChange:
    case SerialLineEvent::CdChange:
    case SerialLineEvent::Ring:
    case SerialLineEvent::EndOfFile:
        return {};
    case SerialLineEvent::Break:
        return QStringLiteral("Break Received");
    case SerialLineEvent::CtsTimeout:
        return QStringLiteral("CTS Timeout");
    case SerialLineEvent::DsrTimeout:
        return QStringLiteral("DSR Timeout");
    case SerialLineEvent::FramingError:
        return QStringLiteral("Framing Error");
    case SerialLineEvent::Overrun:
        return QStringLiteral("Overrun Error");
    case SerialLineEvent::CarrierDetectTimeout:
        return QStringLiteral("Carrier Detect Timeout");
    case SerialLineEvent::ReceiveBufferOverflow:
        return QStringLiteral("Receive Buffer Overflow");
    case SerialLineEvent::ParityError:
        return QStringLiteral("Parity Error");
    case SerialLineEvent::TransmitBufferFull:
        return QStringLiteral("Transmit Buffer Full");
    case SerialLineEvent::ControlBlockError:
        return QStringLiteral("Error retrieving DCB");
    }
    return QStringLiteral("Unknown error or event");
}

QString PortLostText(const QString& translatedLead, const QString& systemText) {
    const QString detail = systemText.trimmed();
    if (detail.isEmpty()) return translatedLead;
    return translatedLead + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace soarnote
