#include "plot/plotdata.h"

namespace soarnote {

namespace {

// The difference is taken in single precision, as the coordinates are held;
// the rest of the sum in double, rounded once when it is stored.
float Between(float earlier, float later, double f) {
    const float difference = later - earlier;
    return static_cast<float>(difference * f + earlier);
}

} // namespace

void InterpolatePlotPoint(PlotPoint& point, const PlotPoint& earlier, const PlotPoint& later, PlotAxes axes) {
    const bool xy = axes == PlotAxes::XY || axes == PlotAxes::All;
    const bool z = axes == PlotAxes::Z || axes == PlotAxes::All;
    const double dt = later.time - earlier.time;
    if (dt != 0 && point.time != earlier.time) {
        const double f = (point.time - earlier.time) / dt;
        if (xy) {
            point.x = Between(earlier.x, later.x, f);
            point.y = Between(earlier.y, later.y, f);
        }
        if (z) point.z = Between(earlier.z, later.z, f);
    } else {
        if (xy) {
            point.x = earlier.x;
            point.y = earlier.y;
        }
        if (z) point.z = earlier.z;
    }
}

} // namespace soarnote
