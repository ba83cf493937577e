#pragma once
// The instruments' port settings in QSerialPort's terms. Header only: used by
// the port adapters, which link Qt SerialPort themselves.

#include <QChar>
#include <QSerialPort>
#include <QString>

namespace soarnote {

// The first letter of a parity name: N(one), E(ven), O(dd), M(ark), S(pace).
inline QSerialPort::Parity SerialParity(QChar letter) {
    switch (letter.toUpper().unicode()) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

// "1", "1.5" or "2".
inline QSerialPort::StopBits SerialStopBits(const QString& text) {
    if (text == QLatin1String("2")) return QSerialPort::TwoStop;
    if (text == QLatin1String("1.5")) return QSerialPort::OneAndHalfStop;
    return QSerialPort::OneStop;
}

} // namespace soarnote
