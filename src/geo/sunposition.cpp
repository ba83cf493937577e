#include "geo/sunposition.h"

#include "core/daycount.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace soarnote {

namespace {

// The almanac's own π, kept as written: the angles it gives are those the
// program has always lit its scenes with.
constexpr double kPi = 3.1415927;
constexpr double kTwoPi = 6.2831854;

// Mean anomaly: degrees per day and its value at the start of the year.
constexpr double kAnomalyPerDay = 0.9856;
constexpr double kAnomalyAtYearStart = -3.1265;
// Equation of centre.
constexpr double kCentre1 = 1.916;
constexpr double kCentre2 = 0.02;
// Subtracted from the anomaly to give the sun's longitude.
constexpr double kPerihelionOffset = 77.1257;
// Cosine and sine of the obliquity of the ecliptic.
constexpr double kCosObliquity = 0.9175;
constexpr double kSinObliquity = 0.3978;

struct DayAndHour {
    int dayOfYear; // 0 on 1 January
    double hours;  // hour + minute / 60 + second / 3600
};

// Calendar day and time of a day number, split as everywhere else in the
// logbook (to the nearest second; before day zero the fraction is still the
// time of that day).
std::optional<DayAndHour> SplitDateTime(double dateTime) {
    const std::optional<daycount::DayAndTime> split = daycount::Split(dateTime);
    if (!split) return std::nullopt;
    const daycount::CivilDate civil = daycount::CivilOfDay(split->day);
    const std::optional<std::int64_t> newYear = daycount::DayOfCivil(civil.year, 1, 1);
    if (!newYear) return std::nullopt;
    const std::int32_t seconds = split->secondOfDay;
    return DayAndHour{static_cast<int>(split->day - *newYear),
                      seconds / 3600 + seconds / 60 % 60 / 60.0 + seconds % 60 / 3600.0};
}

// Into [0, 360). The loops are how the angles have always been brought into
// range; reducing first keeps absurd inputs (a longitude of 1e300, infinity)
// from spinning them for ever, and gives NaN for those that are not numbers.
double ReduceDegrees(double degrees) {
    if (!(std::fabs(degrees) < 3600)) degrees = std::fmod(degrees, 360);
    while (degrees < 0)
        degrees += 360;
    while (degrees >= 360)
        degrees -= 360;
    return degrees;
}

} // namespace

double ArcSine(double x) {
    // The arctangent's own limit; sqrt(1 - x²) would be zero here, or the
    // square root of a negative number when rounding has taken x past 1.
    if (x >= 1) return std::numbers::pi / 2;
    if (x <= -1) return -std::numbers::pi / 2;
    return std::atan(x / std::sqrt(1 - x * x));
}

SunHourAngle SunDeclinationAndHourAngle(double dateTime) {
    const std::optional<DayAndHour> when = SplitDateTime(dateTime);
    if (!when) {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan};
    }
    const double n = when->dayOfYear;
    const double h = when->hours;

    const double meanAnomaly = kAnomalyPerDay * (n + h / 24) + kAnomalyAtYearStart;
    const double m = meanAnomaly * kPi / 180;
    const double longitude =
        meanAnomaly + kCentre1 * std::sin(m) + kCentre2 * std::sin(2 * m) - kPerihelionOffset;
    const double l = longitude * kPi / 180;
    const double rightAscension = std::atan(kCosObliquity * std::tan(l)) * 180 / kPi;

    // Mean longitude less right ascension is the equation of time; the sun is
    // on the Greenwich meridian at 12:00 give or take that.
    double gha = meanAnomaly + 15 * h - rightAscension - kPerihelionOffset - 180;
    const double declination = ArcSine(kSinObliquity * std::sin(l)) * 180 / kPi;
    // The arctangent gives the right ascension in the half circle either side
    // of zero; when the sun is in the other half, turn the hour angle round.
    if (std::sin(l) * std::sin(std::atan(kCosObliquity * std::tan(l))) < 0) gha += 180;
    return {declination, ReduceDegrees(gha)};
}

SunDirection SunAzimuthElevation(GeoPosition observer, double dateTime) {
    return SunAzimuthElevation(observer, SunDeclinationAndHourAngle(dateTime));
}

SunDirection SunAzimuthElevation(GeoPosition observer, SunHourAngle sun) {
    double lha = sun.greenwichHourAngle + observer.longitude;
    if (lha < -3600) // see ReduceDegrees
        lha = std::fmod(lha, 360);
    while (lha < 0)
        lha += 360;

    const double h = lha * kPi / 180;
    const double phi = observer.latitude * kPi / 180;
    const double delta = sun.declination * kPi / 180;
    const double cosPhi = std::cos(phi);
    const double sinH = std::sin(h);

    // The azimuth from south, westward, is arctangent(sin h / D cos φ); the
    // signs of D and of the arctangent choose the quadrant. At a pole cos φ is
    // tiny but never zero in doubles, so only D = 0 divides by zero.
    const double d = std::tan(phi) * std::cos(h) - std::tan(delta);
    const double denominator = d * std::fabs(cosPhi);
    double a;
    if (denominator == 0) {
        // Due west (afternoon) or due east (morning): the limit of the formula
        // from either side of D = 0. With sin h = 0 as well the sun stands at
        // the zenith, where every azimuth is right; take south.
        a = sinH > 0 ? 1.5 * kPi : sinH < 0 ? 0.5 * kPi : kPi;
    } else {
        a = std::atan(sinH / denominator);
        if (d < 0 || a < 0) a += kTwoPi;
        if (d > 0) a += kPi;
    }

    const double s = cosPhi * std::cos(h) * std::cos(delta) + std::sin(phi) * std::sin(delta);
    const double e = ArcSine(s);
    return {ReduceDegrees(a * 180 / kPi), e * 180 / kPi};
}

} // namespace soarnote
