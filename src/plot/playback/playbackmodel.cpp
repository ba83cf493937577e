#include "playbackmodel.h"

namespace soarnote {

PlaybackModel::PlaybackModel(const PlotData& plot) : plot_(plot) {
    if (!plot_.points.empty()) trail_.fill(plot_.points.front());
}

bool PlaybackModel::StepPlayback(StepMode mode) {
    // Too few points to play: nothing moves, and playback never starts.
    if (plot_.lastIndex < 2 || static_cast<int>(plot_.points.size()) <= plot_.lastIndex) return true;
    const int lastPlay = plot_.lastIndex - 1;
    const int entryIndex = currentIndex_;
    PlotPoint& glider = trail_[0];
    switch (mode) {
    case StepMode::Previous:
        if (currentIndex_ > 0) --currentIndex_;
        break;
    case StepMode::Tick:
        if (glider.time < plot_.max.time) glider.time += static_cast<double>(playSpeed_);
        if (currentIndex_ < lastPlay && glider.time > plot_.points[currentIndex_ + 1].time) ++currentIndex_;
        break;
    case StepMode::Next:
        if (currentIndex_ < lastPlay) ++currentIndex_;
        break;
    case StepMode::Start:
        currentIndex_ = 0;
        trail_.fill(plot_.points[0]);
        break;
    }
    for (int i = 5; i >= 1; --i)
        trail_[i] = trail_[i - 1];
    if (currentIndex_ != entryIndex) glider = plot_.points[currentIndex_];
    if (currentIndex_ == lastPlay) return true;
    InterpolatePlotPoint(glider, plot_.points[currentIndex_], plot_.points[currentIndex_ + 1], PlotAxes::All);
    return false;
}

} // namespace soarnote
