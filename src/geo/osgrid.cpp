#include "geo/osgrid.h"

#include "geo/inverseiteration.h"

#include <charconv>
#include <cmath>
#include <string>

namespace soarnote {

namespace {

// Airy 1830 as single-precision values: 6377563.396 rounds to 6377563.5 in
// single precision, and the scale factor is the round 0.9996.
constexpr float kSemiMajorAxis = 6377563.5f;
constexpr float kEccentricity2 = 0.0066705346f;
constexpr float kSecondEccentricity2 = 0.0067153294f;
constexpr float kScaleFactor = 0.9996f;
constexpr double kCentralMeridian = -2;
// Meridian arc: the series in latitude times a(1 - e²).
constexpr float kArcFactor = 6335021.5f;
constexpr double kArc0 = 1.0050342082977295;
constexpr double kArc2 = 0.0025224601849913597;
constexpr double kArc4 = 2.6376242203696165e-6;
constexpr double kFalseEasting = 400000;
// The scaled meridian arc from the equator to the true origin at 49N, plus the
// 100 km by which the true origin lies north of the grid's false origin.
constexpr double kNorthingShift = 5527056;

// 100 km (and 500 km) squares, west to east and south to north, five a row.
constexpr std::string_view kGridLetters = "VWXYZQRSTULMNOPFGHJKABCDE";

double DigitsValue(std::string_view digits) {
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

} // namespace

PlanePosition LatLngToOsGrid(GeoPosition position) {
    const double k = InverseRadiansPerDegree();
    const double dLambda = (position.longitude - kCentralMeridian) * k;
    const double phi = position.latitude * k;
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);

    // Each of these is rounded to single precision when stored; the arithmetic
    // that produces it follows the usual promotions (float with double gives
    // double, float with float stays float).
    const float t = static_cast<float>(std::tan(phi));
    const float T = t * t;
    const float L = static_cast<float>(dLambda * cosPhi);
    const float eta2 = static_cast<float>(cosPhi * cosPhi * kSecondEccentricity2);
    const float nu = static_cast<float>(kSemiMajorAxis / std::sqrt(1 - kEccentricity2 * sinPhi * sinPhi));

    const float c3 = (1 - T + eta2) / 6;
    const float c5 = (5 - (18 - T) * T + (14 - 58 * T) * eta2) / 120;
    const float c7 = (61 - (479 - 179 * T + T * T) * T) / 5040;
    const float c4 = ((4 * eta2 + 9) * eta2 + (5 - T)) / 12;
    const float c6 = (61 - (58 - T) * T + (270 - 330 * T) * eta2) / 360;

    // Eastings and northings themselves are double: only the terms above are
    // rounded.
    const double k0 = kScaleFactor;
    const double m = (kArc0 * phi - kArc2 * std::sin(2 * phi) + kArc4 * std::sin(4 * phi)) * kArcFactor;
    // Within a few metres of a pole tan φ is so large that its cube overflows
    // single precision and the series gives infinity or NaN. The terms in L
    // all vanish towards the pole, which lies on the central meridian: use
    // that limit.
    if (!std::isfinite(c5) || !std::isfinite(c6) || !std::isfinite(c7))
        return {kFalseEasting, m * k0 - kNorthingShift};
    const double L2 = static_cast<double>(L) * L;
    const double easting = k0 * nu * L * (1 + L2 * (c3 + L2 * (c5 + L2 * c7))) + kFalseEasting;
    const double northing = (k0 * nu * t / 2) * L2 * (1 + L2 * (c4 + L2 * c6)) + m * k0 - kNorthingShift;
    return {easting, northing};
}

GeoPosition OsGridToLatLng(PlanePosition position) {
    const float s = static_cast<float>(1 / (InverseRadiansPerDegree() * kSemiMajorAxis));
    return SolveInverse(&LatLngToOsGrid, position, s, GeoPosition{52, -3}).position;
}

PlanePosition GridRefToOsGrid(std::string_view text) {
    int letters = 0;
    std::size_t first = 0;  // 500 km square
    std::size_t second = 0; // 100 km square within it
    std::string digits;
    for (const char c : text) {
        // Case matters: only capitals are grid letters.
        const std::size_t index = kGridLetters.find(c);
        if (index != std::string_view::npos) {
            if (letters++ == 0)
                first = index;
            else
                second = index;
        } else if (c >= '0' && c <= '9') {
            digits += c;
        }
    }

    // Half the digits each way, a half count rounded to the even number.
    const std::size_t count = digits.size();
    std::size_t n = count / 2;
    if (count % 2 == 1 && n % 2 == 1) ++n;
    const double unit = std::pow(10.0, 5 - static_cast<double>(n)); // metres per last digit
    const double eastDigits = DigitsValue(std::string_view(digits).substr(0, n)) * unit;
    const double northDigits = DigitsValue(std::string_view(digits).substr(count - n)) * unit;

    double easting = static_cast<double>(second % 5) * 100000 + eastDigits;
    if (letters > 0) easting += (static_cast<double>(first % 5) - 2) * 500000;
    const double northing = static_cast<double>((first / 5) * 5 + second / 5) * 100000 + northDigits - 500000;
    return {easting, northing};
}

} // namespace soarnote
