#pragma once
// The playback clock: how often the timer ticks and how much flight time one
// tick adds, from the frames per second setting and the speed slider.

#include <QString>

namespace soarnote {

// The speed slider s plays the flight at s x s times real time: the timer
// ticks fps x s times a second and each tick adds s / fps seconds of flight.
// 1 replays the flight in real time; a new view starts at 10, a hundred times
// real time (an hour's flight in 36 s); the top end, 120, runs some three
// hours of flight a second once the timer is down to its 2 ms at 5 fps.
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
