#pragma once
// The playback clock: how often the timer ticks and how much flight time one
// tick adds, from the frames per second setting and the speed slider.

#include <QString>

namespace soarnote {

// The speed slider: 1 replays the flight in real time, the top end two
// minutes of flight per second; a new view starts at ten times real time.
inline constexpr int kSpeedSliderMinimum = 1;
inline constexpr int kSpeedSliderMaximum = 120;
inline constexpr int kSpeedSliderInitial = 10;

struct PlaybackTiming {
    int intervalMs = 1;
    // Days of flight time added per tick, in single precision as the glider's
    // clock has always stepped.
    float playSpeed = 0;
};

// fps frames per second of real time, each showing slider / fps seconds of
// flight. A fast slider would ask for a sub-millisecond timer: 1 ms is the floor.
PlaybackTiming PlaybackTimingFor(double framesPerSecond, int slider);

// The slider's tooltip: its value and one blank.
QString SpeedToolTip(int slider);

} // namespace soarnote
