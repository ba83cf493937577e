#include "flightwriters.h"
#include "trackfix.h"

#include <QDateTime>
#include <cmath>
#include <cstdlib>

namespace soarnote {

namespace {

// Degrees as whole degrees, minutes in thousandths and the LAD/LOD digit.
QByteArray Coordinate(double degrees, int degreeDigits, char positive, char negative, char& extra) {
    const long long tenThousandths = std::llround(std::fabs(degrees) * 60.0 * 10000.0);
    const long long whole = tenThousandths / 600000;
    const long long rest = tenThousandths % 600000;
    extra = static_cast<char>('0' + rest % 10);
    return QByteArray::number(whole).rightJustified(degreeDigits, '0') +
           QByteArray::number(rest / 10).rightJustified(5, '0') + (degrees < 0 ? negative : positive);
}

// Five bytes: 00123, or -0012 below the reference.
QByteArray Altitude(const std::optional<double>& metres) {
    if (!metres) return "00000";
    const long long m = std::clamp<long long>(std::llround(*metres), -9999, 99999);
    if (m < 0) return '-' + QByteArray::number(-m).rightJustified(4, '0');
    return QByteArray::number(m).rightJustified(5, '0');
}

QByteArray HeaderText(const QString& text) {
    // IGC lines are plain text: no line breaks inside a value.
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.trimmed().toUtf8();
}

} // namespace

QByteArray WriteIgc(const ExportFlight& flight) {
    QByteArray out;
    const auto line = [&out](const QByteArray& text) { out += text + "\r\n"; };
    line("AXXXSNT Soarnote logbook export");
    if (!flight.points.empty()) {
        const QDate date = UtcDateTimeOfDayNumber(flight.points.front().time).date();
        line("HFDTE" + date.toString(QStringLiteral("ddMMyy")).toLatin1());
    }
    line("HFFXA035");
    line("HFPLTPILOTINCHARGE:" + HeaderText(flight.pilot));
    line("HFGTYGLIDERTYPE:" + HeaderText(flight.glider));
    line("HFDTM100GPSDATUM:WGS-1984");
    line("HFFTYFRTYPE:Soarnote,logbook export");
    line("HFALGALTGPS:GEO");
    line("HFALPALTPRESSURE:ISA");
    if (flight.utcOffsetHours) {
        const double h = *flight.utcOffsetHours;
        line("HFTZNTIMEZONE:" + QByteArray(h < 0 ? "-" : "+") + QByteArray::number(std::fabs(h), 'f', 2));
    }
    line("I023636LAD3737LOD");
    for (const ExportPoint& p : flight.points) {
        const QDateTime t = UtcDateTimeOfDayNumber(p.time);
        char lad = '0', lod = '0';
        QByteArray b = "B" + t.time().toString(QStringLiteral("HHmmss")).toLatin1();
        b += Coordinate(p.lat, 2, 'N', 'S', lad);
        b += Coordinate(p.lng, 3, 'E', 'W', lod);
        // "V": no GPS height for this fix (a 2D fix); the position stands.
        b += p.gnssHeight ? 'A' : 'V';
        b += Altitude(p.pressureHeight);
        b += Altitude(p.gnssHeight);
        b += lad;
        b += lod;
        line(b);
    }
    return out;
}

} // namespace soarnote
