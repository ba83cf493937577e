#pragma once
// A flight written out for other programs: IGC (as a logger that is not
// approved, manufacturer "XXX", so nobody mistakes it for a signed log), GPX
// 1.1 and KML 2.2. Pure functions: a flight in, the file's bytes out.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace soarnote {

struct ExportPoint {
    double time = 0; // UTC day number
    double lat = 0;
    double lng = 0;
    std::optional<double> gnssHeight;     // GPS height, metres
    std::optional<double> pressureHeight; // barometric height, metres
};

struct ExportFlight {
    QString pilot;
    QString glider;
    QString name;                         // the flight's title in GPX and KML
    std::optional<double> utcOffsetHours; // local time minus UTC
    std::vector<ExportPoint> points;      // in time order
    // The KML markers' names, in the user's language.
    QString takeOffLabel = QStringLiteral("Take-off");
    QString landingLabel = QStringLiteral("Landing");
};

// B records with LAD/LOD extensions, so positions keep a tenth of a
// thousandth of a minute (two decimetres); heights in whole metres.
QByteArray WriteIgc(const ExportFlight& flight);
// One trk with one trkseg; ele is the GPS height, else the barometric one.
QByteArray WriteGpx(const ExportFlight& flight);
// A gx:Track in absolute altitudes extruded to the ground (the flight as a
// curtain in a globe viewer), with take-off and landing markers.
QByteArray WriteKml(const ExportFlight& flight);

// The height a format with one height field shows: GPS, else barometric.
std::optional<double> DisplayHeight(const ExportPoint& point);

} // namespace soarnote
