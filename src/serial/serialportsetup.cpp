#include "serialportsetup.h"

namespace soarnote {

QSerialPort::Parity SerialParity(char letter) {
    switch (letter) {
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

QSerialPort::StopBits SerialStopBits(int stopBitsTimesTwo) {
    switch (stopBitsTimesTwo) {
    case 3:
        return QSerialPort::OneAndHalfStop;
    case 4:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

bool OpenSerialPort(QSerialPort& port, const SerialSettings& settings, QString* error) {
    if (port.isOpen()) port.close();
    if (!settings.IsValid()) {
        if (error) *error = QString();
        return false;
    }
    port.setPortName(settings.device);
    bool ok = port.open(QIODevice::ReadWrite);
    if (ok) {
        ok = port.setBaudRate(settings.baudRate) && port.setParity(SerialParity(settings.parity)) &&
             port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
             port.setStopBits(SerialStopBits(settings.stopBitsTimesTwo)) &&
             port.setFlowControl(QSerialPort::NoFlowControl);
        if (!ok) port.close();
    }
    if (!ok) {
        if (error) *error = port.errorString();
        port.clearError();
        return false;
    }
    port.clear(QSerialPort::Input);
    return true;
}

} // namespace soarnote
