#pragma once
// The GPS port as the stored settings name it: a device path ("/dev/ttyUSB0")
// or "COMn", the n-th serial device (/dev/ttyS(n-1)), with speed, parity,
// data bits and stop bits.

#include "core/serialline.h"

#include <QString>
#include <optional>

namespace soarnote {

class SettingsStore;

struct SerialSettings {
    QString portSetting; // as stored: "COM2", "/dev/ttyUSB0"
    QString device;      // the device to open; empty when the name gives none
    int baudRate = 9600;
    char parity = 'N'; // first letter of the parity name: N, E, O, M, S
    int dataBits = 8;
    QString stopBits = QStringLiteral("1"); // "1", "1.5" or "2"

    // "9600,N,8,1"
    QString SettingsString() const;
    // Empty when every value can be used; otherwise what is wrong.
    QString Problem() const;
};

// Reads the "GPS" section: Port, Speed, Parity, Bit, End.
SerialSettings ReadGpsPortSettings(const SettingsStore& settings);
// The same from the five texts.
SerialSettings MakeSerialSettings(const QString& port, const QString& speed, const QString& parity,
                                  const QString& bits, const QString& stopBits);

} // namespace soarnote
