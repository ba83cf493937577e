#pragma once
// Where the glider is during playback: the index of the plot point at or
// before it and its trail of the last six positions.

#include "plot/plotdata.h"

#include <array>

namespace soarnote {

// Entry 0 is the glider's current position and time; entries 1..5 are where
// it was at the previous five steps (5 the oldest). The camera modes that
// follow the glider trail it from entry 5, and the instruments measure speed,
// climb and heading over the whole trail.
using GliderTrail = std::array<PlotPoint, 6>;

enum class StepMode {
    Previous = -1, // Page Down
    Tick = 0,      // the playback timer
    Next = 1,      // Page Up
    Start = 2,     // back to the first point
};

class PlaybackModel {
public:
    // The plot must outlive the model and hold at least three points
    // (lastIndex >= 2), as the 3D view requires before it shows a flight.
    explicit PlaybackModel(const PlotData& plot);

    void SetPlaySpeed(float daysPerTick) { playSpeed_ = daysPerTick; }
    float PlaySpeed() const { return playSpeed_; }

    // One step. Returns true when the glider stands at the last point that
    // playback uses (lastIndex - 1): there it stays, and a running playback
    // ends. A timer tick moves on by at most one plot point, however far the
    // clock ran past the next ones.
    bool StepPlayback(StepMode mode);

    int CurrentIndex() const { return currentIndex_; }
    int LastPlayIndex() const { return plot_.lastIndex - 1; }
    const GliderTrail& Trail() const { return trail_; }
    const PlotData& Plot() const { return plot_; }

private:
    const PlotData& plot_;
    GliderTrail trail_{};
    int currentIndex_ = 0;
    float playSpeed_ = 0;
};

} // namespace soarnote
