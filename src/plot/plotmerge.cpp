#include "plot/plotmerge.h"

#include "geo/planeprojection.h"

#include <algorithm>
#include <cmath>

namespace soarnote {

double PlotTimeKey(double time) {
    return std::floor(time * 86399) / 86399;
}

PlotMerge::PlotMerge(double plotTimeOffset, float unitsFactor)
    : plotTimeOffset_(plotTimeOffset), unitsFactor_(unitsFactor) {}

void PlotMerge::AdvanceTrack(TrackSelection& track, bool start) {
    trackPrev_ = trackNext_;
    time_ = trackPrev_.time;
    if (!start) track.MoveNext();
    if (track.AtEnd()) return;
    const TrackSample& sample = track.Current();
    trackNext_.time = sample.time - plotTimeOffset_;
    const PlanePosition plane = LatLngToPlane({sample.latitude, sample.longitude});
    trackNext_.x = static_cast<float>(-plane.easting);
    trackNext_.y = static_cast<float>(plane.northing);
}

void PlotMerge::AdvanceBaro(BaroSelection& baro, bool start) {
    baroPrev_ = baroNext_;
    time_ = baroPrev_.time;
    if (!start) baro.MoveNext();
    if (baro.AtEnd()) return;
    const BaroSample& sample = baro.Current();
    baroNext_.time = sample.time;
    baroNext_.z = static_cast<float>(sample.height / static_cast<double>(unitsFactor_));
}

PlotPoint PlotMerge::NextPlotPoint(BaroSelection& baro, TrackSelection& track, PlotStep mode) {
    if (mode == PlotStep::Start) {
        track.MoveFirst();
        baro.MoveFirst();
        const PlotPoint origin{0, 0, 0, plotTimeOffset_};
        trackPrev_ = trackNext_ = baroPrev_ = baroNext_ = origin;
        // Whether a barograph sample is read must be asked of the selection:
        // without one the window keeps the time offset as its time, which is
        // no sample's time.
        const bool baroRead = !baro.AtEnd();
        AdvanceTrack(track, true);
        AdvanceBaro(baro, true);
        // The plot starts at the earlier of the two first samples; at the
        // track's when both fall in one unit.
        if (baroRead && PlotTimeKey(trackNext_.time) > PlotTimeKey(baroNext_.time))
            time_ = baroNext_.time;
        else if (PlotTimeKey(trackNext_.time) != PlotTimeKey(plotTimeOffset_))
            time_ = trackNext_.time;
        else
            time_ = baroNext_.time;
        trackPrev_ = trackNext_;
        baroPrev_ = baroNext_;
    } else {
        const bool baroEnd = baro.AtEnd();
        const bool trackEnd = track.AtEnd();
        const double tb = baroEnd ? 0 : PlotTimeKey(baro.Current().time);
        const double tt = trackEnd ? 0 : PlotTimeKey(track.Current().time - plotTimeOffset_);
        bool advanceTrack = baroEnd || (!trackEnd && tb >= tt);
        bool advanceBaro = trackEnd || (!baroEnd && tt >= tb);
        // Times that do not compare (not numbers) would stall the walk.
        if (!advanceTrack && !advanceBaro) advanceTrack = advanceBaro = true;
        // The barograph goes second, so its time wins when both move.
        if (advanceTrack) AdvanceTrack(track, false);
        if (advanceBaro) AdvanceBaro(baro, false);
    }
    PlotPoint point;
    point.time = time_;
    InterpolatePlotPoint(point, trackPrev_, trackNext_, PlotAxes::XY);
    InterpolatePlotPoint(point, baroPrev_, baroNext_, PlotAxes::Z);
    return point;
}

bool AssemblePlotData(PlotData& plot, BaroSelection& baro, TrackSelection& track, double plotTimeOffset,
                      float unitsFactor) {
    if (baro.Count() == 0 && track.Count() == 0) return false;
    PlotMerge merge(plotTimeOffset, unitsFactor);
    PlotData result;
    // Every step before both sources run out takes at least one sample, and
    // once both have, the second step repeats the first one's time: there are
    // never more than count + 2 points. The room for one more only guards
    // against times that never compare equal.
    const std::size_t capacity = baro.Count() + track.Count() + 3;
    result.points.resize(capacity);
    const PlotPoint start = merge.NextPlotPoint(baro, track, PlotStep::Start);
    result.min = start;
    result.max = start;
    double previousTime = 0;
    for (;;) {
        if (result.lastIndex >= 0) previousTime = result.points[result.lastIndex].time;
        ++result.lastIndex;
        const PlotPoint p = merge.NextPlotPoint(baro, track, PlotStep::Advance);
        result.points[result.lastIndex] = p;
        result.max.x = std::max(result.max.x, p.x);
        result.max.y = std::max(result.max.y, p.y);
        result.max.z = std::max(result.max.z, p.z);
        result.max.time = std::max(result.max.time, p.time);
        result.min.x = std::min(result.min.x, p.x);
        result.min.y = std::min(result.min.y, p.y);
        result.min.z = std::min(result.min.z, p.z);
        if (p.time == previousTime || static_cast<std::size_t>(result.lastIndex) + 1 >= capacity) break;
    }
    result.points.resize(static_cast<std::size_t>(result.lastIndex) + 1);
    plot = std::move(result);
    return true;
}

} // namespace soarnote
