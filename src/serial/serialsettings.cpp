#include "serialsettings.h"

#include <QSerialPortInfo>

#include <cmath>
#include <optional>

namespace soarnote {

namespace {

// A plain decimal number with blanks around it; nothing for anything else
// (no exponent, no thousands separator: these are short settings texts).
std::optional<double> PlainDecimal(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 20) return std::nullopt;
    int digits = 0;
    int points = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            ++digits;
        } else if (c == QLatin1Char('.')) {
            ++points;
        } else if (!(i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-')))) {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> WholeInRange(const QString& text, int low, int high) {
    const std::optional<double> v = PlainDecimal(text);
    if (!v || *v != std::floor(*v) || *v < low || *v > high) return std::nullopt;
    return static_cast<int>(*v);
}

} // namespace

QString SerialSettings::StopBitsText() const {
    switch (stopBitsTimesTwo) {
    case 3:
        return QStringLiteral("1.5");
    case 4:
        return QStringLiteral("2");
    default:
        return QStringLiteral("1");
    }
}

QString SerialSettings::SettingsString() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate)
        .arg(QLatin1Char(parity))
        .arg(dataBits)
        .arg(StopBitsText());
}

QString SerialDeviceOfPortName(const QString& portName) {
    const QString name = portName.trimmed();
    if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !name.contains(QLatin1Char('/'))) {
        const std::optional<int> n = WholeInRange(name.mid(3), 1, 4096);
        if (!n) return {};
        return QStringLiteral("/dev/ttyS%1").arg(*n - 1);
    }
    return name;
}

SerialSettings ParseSerialSettings(const QString& port, const QString& speed, const QString& parity,
                                   const QString& dataBits, const QString& stopBits) {
    SerialSettings s;
    s.portSetting = port;
    s.device = SerialDeviceOfPortName(port);

    // Standard and odd rates alike ("56660" is in the classic list); 4 Mbit/s
    // is beyond any serial adapter an instrument is plugged into.
    const std::optional<int> baud = WholeInRange(speed, 1, 4000000);
    s.baudRate = baud.value_or(0);

    const QString p = parity.trimmed();
    const char letter = p.isEmpty() ? '?' : p.at(0).toUpper().toLatin1();
    s.parity = QByteArrayView("NEOMS").contains(letter) ? letter : '?';

    s.dataBits = WholeInRange(dataBits, 5, 8).value_or(0);

    const std::optional<double> stop = PlainDecimal(stopBits);
    s.stopBitsTimesTwo = 0;
    if (stop && (*stop == 1 || *stop == 1.5 || *stop == 2)) s.stopBitsTimesTwo = static_cast<int>(*stop * 2);

    if (s.device.isEmpty())
        s.problem = SerialProblem::NoDevice;
    else if (s.baudRate == 0)
        s.problem = SerialProblem::BadSpeed;
    else if (s.parity == '?')
        s.problem = SerialProblem::BadParity;
    else if (s.dataBits == 0)
        s.problem = SerialProblem::BadDataBits;
    else if (s.stopBitsTimesTwo == 0)
        s.problem = SerialProblem::BadStopBits;
    return s;
}

QString SerialProblemText(SerialProblem problem) {
    switch (problem) {
    case SerialProblem::None:
        return {};
    case SerialProblem::NoDevice:
        return QStringLiteral("The port setting names no serial device");
    case SerialProblem::BadSpeed:
        return QStringLiteral("The port speed is not a whole number");
    case SerialProblem::BadParity:
        return QStringLiteral("The parity is not NONE, ODD, EVEN, MARK or SPACE");
    case SerialProblem::BadDataBits:
        return QStringLiteral("The data bits are not 5, 6, 7 or 8");
    case SerialProblem::BadStopBits:
        return QStringLiteral("The stop bits are not 1, 1.5 or 2");
    }
    return {};
}

QStringList SerialPortChoices() {
    QStringList names;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        if (!names.contains(port.systemLocation())) names << port.systemLocation();
    names.sort();
    for (int i = 1; i <= 16; ++i)
        names << QStringLiteral("COM%1").arg(i);
    return names;
}

} // namespace soarnote
