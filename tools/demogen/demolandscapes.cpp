#include "demolandscapes.h"

#include "terraingrid.h"

#include "geo/planeprojection.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <algorithm>
#include <cmath>

namespace demogen {

namespace {

// 200 m keeps each file near 200 kB while following the grid's own 30
// arc-second (500 to 900 m) spacing closely.
constexpr int kStep = 200;
// Ground around the flights: the ridge behind a take-off and the valley in
// front stay in view.
constexpr double kMargin = 3000.0;

struct Extent {
    double west = 1e300;
    double south = 1e300;
    double east = -1e300;
    double north = -1e300;
};

} // namespace

QString SiteLandscapeName(const QString& siteName) {
    QString name;
    for (const QChar c : siteName)
        if (c.isLetterOrNumber()) name += c.toLower();
    return name + QStringLiteral(".xyz");
}

bool WriteSiteLandscapes(const TerrainGrid& terrain, const DemoSeason& season, const QString& folder,
                         QHash<QString, QString>* landFiles, QString* error) {
    // Extent of each site's flights on the flat projection the 3D view uses.
    QMap<QString, Extent> extents;
    for (const DemoFlight& flight : season.Flights()) {
        if (flight.recorded.track.empty()) continue;
        Extent& e = extents[flight.location];
        for (const TrackPoint& p : flight.recorded.track) {
            const soarnote::PlanePosition plane = soarnote::LatLngToPlane({p.lat, p.lng});
            e.west = std::min(e.west, plane.easting);
            e.east = std::max(e.east, plane.easting);
            e.south = std::min(e.south, plane.northing);
            e.north = std::max(e.north, plane.northing);
        }
    }
    for (auto it = extents.cbegin(); it != extents.cend(); ++it) {
        const Extent& e = it.value();
        // The south-west corner, on a whole step, is the file's origin.
        const double east0 = std::floor((e.west - kMargin) / kStep) * kStep;
        const double north0 = std::floor((e.south - kMargin) / kStep) * kStep;
        const int columns = static_cast<int>(std::ceil((e.east + kMargin - east0) / kStep));
        const int rows = static_cast<int>(std::ceil((e.north + kMargin - north0) / kStep));
        const soarnote::GeoPosition origin = soarnote::PlaneToLatLng({east0, north0});
        // The origin line states the corner to the 1e-7 degree (about 1 cm).
        const soarnote::PlanePosition o = soarnote::LatLngToPlane(
            {std::round(origin.latitude * 1e7) / 1e7, std::round(origin.longitude * 1e7) / 1e7});

        const QString name = SiteLandscapeName(it.key());
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error) *error = QStringLiteral("Cannot write %1").arg(file.fileName());
            return false;
        }
        QByteArray text;
        text += QStringLiteral("\"%1\",0,0,%2,%3,%4,%4\n")
                    .arg(it.key())
                    .arg(columns * kStep)
                    .arg(rows * kStep)
                    .arg(kStep)
                    .toUtf8();
        text += QByteArray::number(origin.latitude, 'f', 7) + ',' +
                QByteArray::number(origin.longitude, 'f', 7) + '\n';
        text += "2\nPeak District ground from the 30 arc-second terrain grid, heights in metres\n";
        for (int r = 0; r <= rows; ++r) {
            for (int c = 0; c <= columns; ++c) {
                const double x = c * kStep;
                const double y = r * kStep;
                const soarnote::GeoPosition p = soarnote::PlaneToLatLng({o.easting + x, o.northing + y});
                const double height = terrain.HeightAt(p.latitude, p.longitude);
                text += QByteArray::number(c * kStep) + ',' + QByteArray::number(r * kStep) + ',' +
                        QByteArray::number(height, 'f', 1) + '\n';
            }
        }
        if (file.write(text) != text.size()) {
            if (error) *error = QStringLiteral("Cannot write %1").arg(file.fileName());
            return false;
        }
        landFiles->insert(it.key(), name);
    }
    return true;
}

} // namespace demogen
