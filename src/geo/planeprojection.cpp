#include "geo/planeprojection.h"

#include "geo/inverseiteration.h"

#include <cmath>

namespace soarnote {

namespace {

// WGS84: a, a² and b² (b = 6356752.3142), written out as the program has
// always used them.
constexpr double kA = 6378137.0;
constexpr double kA2 = 40680631590769.0;
constexpr double kB2 = 40408299984087.055;
// The forward formula's own π and 2π, kept as written so that positions
// agree with those the program has always drawn; the inverse computes its
// own from arctangent(1).
constexpr double kPi = 3.1415927;
constexpr double kTwoPi = 6.2831854;

} // namespace

PlanePosition LatLngToPlane(GeoPosition position) {
    const double phi = position.latitude * kPi / 180;
    // Geocentric latitude, then the radius of the meridian ellipse there.
    const double psi = std::atan(kB2 / kA2 * std::tan(phi));
    const double cosPsi = std::cos(psi);
    const double sinPsi = std::sin(psi);
    const double r = std::pow(cosPsi * cosPsi / kA2 + sinPsi * sinPsi / kB2, -0.5);
    const double x = r * cosPsi; // distance from the axis
    const double z = r * sinPsi; // height above the equatorial plane
    double northing = std::sqrt((x - kA) * (x - kA) + z * z);
    if (position.latitude < 0) northing = -northing;
    const double easting = position.longitude * kTwoPi * ((x + kA) / 2) / 360;
    return {easting, northing};
}

GeoPosition PlaneToLatLng(PlanePosition position) {
    const float s = static_cast<float>(1 / (InverseRadiansPerDegree() * kA));
    return SolveInverse(&LatLngToPlane, position, s, GeoPosition{0, 0}).position;
}

} // namespace soarnote
