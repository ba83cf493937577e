#pragma once
// The instrument panel's readings after a playback step, measured over the
// glider's trail: from its oldest entry (five steps back) to its newest.

#include "playbackmodel.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace soarnote {

// The glide ratio shown in level flight, where there is no ratio.
inline constexpr double kLevelGlide = 999;

struct InstrumentReadings {
    double height = 0; // scene Z of the glider
    double time = 0;   // day number
    // Nothing when the trail's two ends share one time (no speed can be
    // measured): the panel keeps what it showed.
    std::optional<double> speedKmh;
    std::optional<double> climbPerSecond; // height units per second
    std::optional<double> x;              // scene X and Y of the glider
    std::optional<double> y;
    // Bearing from north, degrees, before normalising (-90..270); nothing
    // when the glider did not move north or south, as no bearing follows.
    std::optional<double> heading;
    // Distance over height lost; kLevelGlide in level flight.
    double glide = kLevelGlide;
};

InstrumentReadings ReadInstruments(const GliderTrail& trail);

// The heading as the panel shows it: whole degrees, 0..359.
int HeadingDegrees(double heading);

// The climb needle's angle in degrees, 0 pointing up: 10 degrees per unit of
// climb, so level flight points left, +9 straight up and -9 straight down.
double ClimbNeedleAngle(double climbPerSecond);

// The end of a needle from the dial's centre at an angle in degrees, 0 up,
// clockwise, reaching the dial's rim (half its width and height, rounded).
QPointF NeedleEnd(const QRectF& dial, double angleDegrees);

// Latitude and longitude of the glider (scene X is minus the easting) as
// "0.0000" degree texts.
struct LatLngText {
    QString latitude;
    QString longitude;
};
LatLngText PositionText(double sceneX, double sceneY);

} // namespace soarnote
