#pragma once
// Where the sun stands, for lighting the 3D view at the time and place of a
// flight. A short low-precision almanac: good to a few tenths of a degree,
// which is far more than a shaded landscape needs.
//
// Times are day numbers (days since 30 December 1899, the time of day as the
// fraction) taken as Universal Time, to the nearest second. All angles are
// degrees except where a name says radians.

#include "geo/geoposition.h"

namespace soarnote {

struct SunHourAngle {
    double declination = 0;
    double greenwichHourAngle = 0; // [0, 360)
};

struct SunDirection {
    double azimuth = 0;   // [0, 360), clockwise from north
    double elevation = 0; // above the horizon
};

// A day number outside the years 100 to 9999 (or not a number) has no sun:
// both angles are NaN.
SunHourAngle SunDeclinationAndHourAngle(double dateTime);

SunDirection SunAzimuthElevation(GeoPosition observer, double dateTime);
// The same from a declination and Greenwich hour angle already known.
SunDirection SunAzimuthElevation(GeoPosition observer, SunHourAngle sun);

// Arcsine in radians through the arctangent; at (and, by rounding, beyond)
// -1 and 1 it gives -pi/2 and pi/2 instead of dividing by zero.
double ArcSine(double x);

} // namespace soarnote
