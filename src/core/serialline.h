#pragma once

#include <QString>

namespace soarnote {

// The device a port setting names: "COMn" (any case, blanks allowed) is the
// n-th serial device, /dev/ttyS(n-1), as the port names of older set-ups
// count them; a path or device name is used as it is. Empty for a COM name
// without a usable number.
QString SerialDeviceOfPortName(const QString& portName);

// The text of a serial line event or error by its classic event number
// (1001 "Break Received", 1004 "Framing Error", ...); empty for the plain
// send and receive events that need no report.
QString CommEventText(int code);

} // namespace soarnote
