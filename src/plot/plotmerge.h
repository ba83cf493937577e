#pragma once
// The merge behind the plot data: GPS track points (position) and barograph
// samples (height) of one flight walked side by side in time order. Each
// step takes the earlier of the two next samples, or both when they fall in
// the same time unit, and fills the other source's values by interpolation.

#include "plot/plotdata.h"

#include <cstddef>
#include <vector>

namespace soarnote {

// A stored track point: GPS time and position in degrees.
struct TrackSample {
    double time = 0;
    double latitude = 0;
    double longitude = 0;
};

// A stored barograph sample: log time and height as stored.
struct BaroSample {
    double time = 0;
    double height = 0;
};

// The rows of one source in time order and the position of the current row.
template <typename Sample> class PlotSelection {
public:
    PlotSelection() = default;
    explicit PlotSelection(std::vector<Sample> rows) : rows_(std::move(rows)) {}

    std::size_t Count() const { return rows_.size(); }
    bool AtEnd() const { return pos_ >= rows_.size(); }
    const Sample& Current() const { return rows_[pos_]; }
    void MoveFirst() { pos_ = 0; }
    // Moving on from the end stays at the end.
    void MoveNext() {
        if (!AtEnd()) ++pos_;
    }

private:
    std::vector<Sample> rows_;
    std::size_t pos_ = 0;
};

using TrackSelection = PlotSelection<TrackSample>;
using BaroSelection = PlotSelection<BaroSample>;

// The time unit the merge compares in: a day number cut down to whole
// 1/86399 day (a little over a second). A track point and a barograph sample
// in the same unit count as simultaneous. Stored times are never cut.
double PlotTimeKey(double time);

enum class PlotStep {
    Start = -1,  // read the first row of each source; gives the plot's start point
    Advance = 1, // move on to the next sample in time
};

// One merge in progress: the time offset applied to track times, the units
// factor applied to heights, and the window of the samples before and after
// the current time on each source.
class PlotMerge {
public:
    // plotTimeOffset is subtracted from every GPS time to bring it into the
    // barograph's time base; heights are divided by unitsFactor.
    PlotMerge(double plotTimeOffset, float unitsFactor);

    // One step. Start positions both selections on their first rows and gives
    // the point whose time starts the plot: the earlier of the two first
    // samples, the track's when both fall in one unit. Advance gives
    // the next point in time: the time of the sample taken (the barograph's
    // when both are taken), the position interpolated along the track and the
    // height along the barograph. Once a source is exhausted its last value
    // holds; once both are, every step gives the last barograph time (the
    // time offset when there were no barograph samples).
    PlotPoint NextPlotPoint(BaroSelection& baro, TrackSelection& track, PlotStep mode);

private:
    void AdvanceTrack(TrackSelection& track, bool start);
    void AdvanceBaro(BaroSelection& baro, bool start);

    double plotTimeOffset_;
    float unitsFactor_;
    PlotPoint trackPrev_;
    PlotPoint trackNext_;
    PlotPoint baroPrev_;
    PlotPoint baroNext_;
    double time_ = 0; // time of the point being produced
};

// Merges both selections into plot, from their first rows. The merge ends at
// the first point whose time repeats the time of the point before it; that
// point is stored too. Returns false and leaves plot as it was when both
// selections are empty.
bool AssemblePlotData(PlotData& plot, BaroSelection& baro, TrackSelection& track, double plotTimeOffset,
                      float unitsFactor);

} // namespace soarnote
