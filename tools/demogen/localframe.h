#pragma once
// A flat east/north frame in metres around one point. Over the few tens of
// kilometres of a flight the error against a proper projection is well below
// the size of a terrain cell.

#include <cmath>

namespace demogen {

inline constexpr double kPi = 3.14159265358979323846;
// Metres per degree of latitude on a sphere of radius 6371 km.
inline constexpr double kMetresPerDegree = 6371000.0 * kPi / 180.0;

struct LocalFrame {
    double lat0 = 0;
    double lng0 = 0;

    LocalFrame() = default;
    LocalFrame(double lat, double lng) : lat0(lat), lng0(lng) {}

    double MetresPerDegreeLng() const { return kMetresPerDegree * std::cos(lat0 * kPi / 180.0); }
    double Lat(double north) const { return lat0 + north / kMetresPerDegree; }
    double Lng(double east) const { return lng0 + east / MetresPerDegreeLng(); }
    double East(double lng) const { return (lng - lng0) * MetresPerDegreeLng(); }
    double North(double lat) const { return (lat - lat0) * kMetresPerDegree; }
};

} // namespace demogen
