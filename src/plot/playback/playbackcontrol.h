#pragma once
// Play, pause and double-click: which of "&Play" and "P&ause" are checked and
// whether the playback timer should run. The window keeps its QTimer and its
// menu checks in step with this after every call; the steps themselves go to
// the PlaybackModel.
//
// States: stopped (nothing checked, timer off), playing (Play checked, timer
// on), paused (Play and Pause checked, timer off). Reaching the last point
// returns to stopped.

#include "playbackmodel.h"

namespace soarnote {

class PlaybackControl {
public:
    explicit PlaybackControl(PlaybackModel& model) : model_(model) {}

    // "&Play": back to the first point and run.
    void Play();
    // "P&ause": while playing, stops or resumes the clock. Pause means
    // nothing while stopped: it would otherwise start the timer with Play
    // unchecked, a playback that never ends.
    void Pause();
    // A double click on the view pauses or resumes a playback, and starts one
    // when none is running.
    void DoubleClick();
    // One tick of the timer, and the Page Up / Page Down steps. Reaching the
    // last point stops a playback (and clears a pause).
    void Tick() { Step(StepMode::Tick); }
    void Step(StepMode mode);
    // Closing the view: the timer stops before the scene goes.
    void Stop();

    bool PlayChecked() const { return play_; }
    bool PauseChecked() const { return pause_; }
    bool TimerRunning() const { return timer_; }

private:
    PlaybackModel& model_;
    bool play_ = false;
    bool pause_ = false;
    bool timer_ = false;
};

} // namespace soarnote
