#include "instrumentreadings.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "geo/planeprojection.h"

#include <cmath>
#include <numbers>

namespace soarnote {

InstrumentReadings ReadInstruments(const GliderTrail& trail) {
    const PlotPoint& now = trail[0];
    const PlotPoint& then = trail[5];
    InstrumentReadings r;
    r.height = now.z;
    r.time = now.time;
    const double dt = now.time - then.time;
    const double dx = static_cast<double>(now.x) - then.x;
    const double dy = static_cast<double>(now.y) - then.y;
    const double dz = static_cast<double>(now.z) - then.z;
    double dist = 0;
    if (dt != 0) {
        dist = std::sqrt(dx * dx + dy * dy);
        // Metres per thousandth of an hour are kilometres per hour.
        r.speedKmh = dist / (dt * 24000);
        r.climbPerSecond = dz / (dt * kSecondsPerDay);
        r.x = now.x;
        r.y = now.y;
    }
    const double toDegrees = 180 / std::numbers::pi;
    // X is minus the easting, so -dx is the eastward change: a bearing from north.
    if (dy > 0)
        r.heading = std::atan(-dx / dy) * toDegrees;
    else if (dy < 0)
        r.heading = std::atan(-dx / dy) * toDegrees + 180;
    if (dz != 0) r.glide = -(dist / dz) + 0.0; // + 0.0: no "-0" when nothing was covered
    return r;
}

int HeadingDegrees(double heading) {
    double d = heading;
    if (d < 0) d += 360;
    const int whole = static_cast<int>(std::floor(d));
    return whole >= 360 ? whole - 360 : whole;
}

double ClimbNeedleAngle(double climbPerSecond) {
    return climbPerSecond * 10 - 90;
}

QPointF NeedleEnd(const QRectF& dial, double angleDegrees) {
    const double w = std::round(dial.width() / 2);
    const double h = std::round(dial.height() / 2);
    const double a = angleDegrees * std::numbers::pi / 180;
    return {dial.left() + w + w * std::sin(a), dial.top() + h - h * std::cos(a)};
}

LatLngText PositionText(double sceneX, double sceneY) {
    const GeoPosition p = PlaneToLatLng(PlanePosition{-sceneX, sceneY});
    return {FixedNumberText(p.latitude, 4), FixedNumberText(p.longitude, 4)};
}

} // namespace soarnote
