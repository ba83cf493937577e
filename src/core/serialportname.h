#pragma once

#include <QString>

namespace soarnote {

// The device a port setting names: "COMn" (any case, blanks allowed) is the
// n-th serial device, /dev/ttyS(n-1), as the port names of older set-ups
// count them; a path or device name is used as it is. Empty for a COM name
// without a usable number.
QString SerialDeviceOfPortName(const QString& portName);

} // namespace soarnote
