#include "playbacktiming.h"

#include "core/daynumber.h"

#include <algorithm>
#include <cmath>

namespace soarnote {

PlaybackTiming PlaybackTimingFor(double framesPerSecond, int slider) {
    PlaybackTiming timing;
    const double ticksPerSecond = framesPerSecond * slider;
    if (!(ticksPerSecond > 0) || !std::isfinite(ticksPerSecond)) {
        // No usable rate (FPS 0 in the settings, a zero slider): a slow, harmless clock.
        timing.intervalMs = 1000;
        timing.playSpeed = 0;
        return timing;
    }
    const double interval = std::round(1000.0 / ticksPerSecond);
    timing.intervalMs = static_cast<int>(std::clamp(interval, 1.0, 1.0e9));
    timing.playSpeed = static_cast<float>(kOneSecond / framesPerSecond * slider);
    return timing;
}

QString SpeedToolTip(int slider) {
    return QString::number(slider) + QLatin1Char(' ');
}

} // namespace soarnote
