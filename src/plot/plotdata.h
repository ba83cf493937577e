#pragma once
// A flight's plot data: one time-ordered list of points in space, merged from
// the GPS track (position) and the barograph (height). The 3D view, the
// instrument panel and the printed flight plot all draw from it.

#include <vector>

namespace soarnote {

// One point of the plot. Coordinates are single precision, as the scene and
// the printed plot use them; the time is a day number in the flight's own
// (barograph) time base.
struct PlotPoint {
    float x = 0;     // minus the easting of the flat projection, metres
    float y = 0;     // the northing, metres
    float z = 0;     // the barograph height divided by the units factor
    double time = 0; // day number
};

struct PlotData {
    // Index of the last stored point, -1 while there is none. The last point
    // repeats the time of the one before it (that repeat ends the merge), so
    // drawing and playback go up to lastIndex - 1.
    int lastIndex = -1;
    // points.size() is always lastIndex + 1.
    std::vector<PlotPoint> points;
    // Smallest x, y, z over the stored points; time is the plot's start time
    // and is never lowered by a later point.
    PlotPoint min;
    // Largest x, y, z and the latest time over the stored points.
    PlotPoint max;
};

// Which coordinates InterpolatePlotPoint fills.
enum class PlotAxes { XY = 0, Z = 1, All = 2 };

// Fills the chosen coordinates of point at its time, on the straight line
// from earlier to later. Times outside the two are extrapolated, not clamped.
// When the two share one time, or the point sits at the earlier one's time,
// the earlier point's coordinates are copied.
void InterpolatePlotPoint(PlotPoint& point, const PlotPoint& earlier, const PlotPoint& later, PlotAxes axes);

} // namespace soarnote
