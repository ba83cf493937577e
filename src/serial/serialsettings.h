#pragma once
// A serial port as the stored settings name it: the port ("COM2" or a device
// path such as "/dev/ttyUSB0"), speed, parity, data bits and stop bits, all
// stored as texts. One parser and one validation for both instruments and the
// options dialog, so a setting is read the same way wherever it is used.

#include <QString>
#include <QStringList>

namespace soarnote {

// What makes a setting unusable; the first found wins, in this order.
enum class SerialProblem {
    None,
    NoDevice,    // "COM" without a usable number, or an empty port
    BadSpeed,    // not a whole number of 1 or more
    BadParity,   // not NONE, ODD, EVEN, MARK or SPACE (first letter counts)
    BadDataBits, // not 5, 6, 7 or 8
    BadStopBits, // not 1, 1.5 or 2
};

struct SerialSettings {
    QString portSetting; // as stored: "COM2", "/dev/ttyUSB0"
    QString device;      // the device to open; empty when the name gives none
    int baudRate = 9600;
    char parity = 'N'; // first letter of the parity name: N, E, O, M or S
    int dataBits = 8;
    int stopBitsTimesTwo = 2; // 2, 3 or 4: one, one and a half or two stop bits
    SerialProblem problem = SerialProblem::None;

    // "1", "1.5" or "2".
    QString StopBitsText() const;
    // "9600,N,8,1", the settings string of the classic serial controls.
    QString SettingsString() const;
    bool IsValid() const { return problem == SerialProblem::None; }
};

// Reads the five stored texts. The rules, the same for every port:
// - numbers are plain decimals with blanks around them allowed ("9600",
//   " 8 ", "2.0"); a number with a fraction where a whole one is needed is
//   refused rather than rounded or cut ("4800.6", "7.6"), since either guess
//   opens the port at a rate or frame the instrument does not use;
// - stop bits are 1, 1.5 or 2 by value ("2.0" is 2);
// - parity is taken from its first letter, in any case.
SerialSettings ParseSerialSettings(const QString& port, const QString& speed, const QString& parity,
                                   const QString& dataBits, const QString& stopBits);

// The device a port setting names: "COMn" (any case, blanks allowed) is the
// n-th serial device, /dev/ttyS(n-1), as the port names of older set-ups
// count them; a path or device name is used as it is. Empty for a COM name
// without a usable number.
QString SerialDeviceOfPortName(const QString& portName);

// The one message for each problem, in English; the caller translates it.
// Empty for SerialProblem::None.
QString SerialProblemText(SerialProblem problem);

// The ports the options dialog offers: the serial devices found on this
// machine (sorted), then the classic names COM1 to COM16.
QStringList SerialPortChoices();

} // namespace soarnote
