#pragma once
// The variometer port as the settings name it, and the small pure helpers
// around the link: the display-time offset and the port's event texts.

#include <QString>
#include <optional>

namespace soarnote {

class SettingsStore;

struct VarioPortSettings {
    QString device;
    int baud = 4800;
    QChar parity = QLatin1Char('N'); // N, E, O, M or S
    int dataBits = 8;
    QString stopBits = QStringLiteral("1"); // "1", "1.5" or "2"

    // "4800,N,8,1"
    QString SettingsString() const;
    bool IsValid() const;
};

// From the "Vario" section: Port, Speed, Parity (first letter), Bit, End.
VarioPortSettings ReadVarioPortSettings(const SettingsStore& settings);
VarioPortSettings MakeVarioPortSettings(const QString& port, const QString& speed, const QString& parity,
                                        const QString& bits, const QString& stop);

// Workstation clock minus the instrument's clock, in days, from the time the
// instrument shows as a person types it ("14:05", "5/6/24 14:05"). A time
// without date is a time of today. Nothing when the text is no date or time.
std::optional<double> VarioTimeOffset(const QString& displayTime, double now);

// The port's event codes and what the status line says about them (empty
// for the codes that are not errors).

} // namespace soarnote
