#pragma once
// Events of a serial line, numbered as the classic serial controls number
// them (1001 break, 1004 framing error, ...), and the texts the status line
// shows for them. The texts are English; the caller translates what it shows.

#include <QString>

namespace soarnote {

enum class SerialLineEvent {
    Send = 1,
    Receive = 2,
    CtsChange = 3,
    DsrChange = 4,
    CdChange = 5,
    Ring = 6,
    EndOfFile = 7,
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    FramingError = 1004,
    Overrun = 1006,
    CarrierDetectTimeout = 1007,
    ReceiveBufferOverflow = 1008,
    ParityError = 1009,
    TransmitBufferFull = 1010,
    ControlBlockError = 1011,
};

// The text of an event by its number; empty for the plain send and receive
// events and the modem line changes that need no report, "Unknown error or
// event" for a number not listed above.
QString CommEventText(int code);
inline QString CommEventText(SerialLineEvent event) {
    return CommEventText(static_cast<int>(event));
}

// The lead of the status when the port vanished mid-transfer (an adapter
// pulled, the far end of a terminal closed). The system's own text says little
// to a pilot ("Inappropriate ioctl for device"), so it follows this lead.
inline constexpr char kPortDisconnectedText[] = "The device or port was disconnected";

// "<lead> (<system text>)", the lead already translated by the caller; the
// system text is left out when empty.
QString PortLostText(const QString& translatedLead, const QString& systemText);

} // namespace soarnote
