#include "playbackcontrol.h"

namespace soarnote {

void PlaybackControl::Play() {
    play_ = true;
    pause_ = false;
    timer_ = true;
    Step(StepMode::Start);
}

void PlaybackControl::Pause() {
    if (!play_) return;
    timer_ = pause_;
    pause_ = !pause_;
}

void PlaybackControl::DoubleClick() {
    if (play_)
        Pause();
    else
        Play();
}

void PlaybackControl::Step(StepMode mode) {
    if (model_.StepPlayback(mode) && play_) Stop();
}

void PlaybackControl::Stop() {
    play_ = false;
    pause_ = false;
    timer_ = false;
}

} // namespace soarnote
