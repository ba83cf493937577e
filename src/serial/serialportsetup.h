#pragma once
// Serial settings in QSerialPort's terms, and opening a port with them: the
// one place both instrument adapters set a port up.

#include "serialsettings.h"

#include <QSerialPort>

namespace soarnote {

QSerialPort::Parity SerialParity(char letter);
QSerialPort::StopBits SerialStopBits(int stopBitsTimesTwo);

// Opens settings.device read-write with the settings, no flow control, and
// drops whatever was waiting in the input. The settings must be valid. On
// failure the port is closed, its error cleared, and *error (when given)
// holds the system's text.
bool OpenSerialPort(QSerialPort& port, const SerialSettings& settings, QString* error);

} // namespace soarnote
