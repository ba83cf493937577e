#include "instrumentrecorder.h"

#include "demorandom.h"
#include "flightsimulator.h"

#include "core/daynumber.h"

#include <algorithm>
#include <cmath>

namespace demogen {

namespace {

constexpr int kBaroInterval = 10;

double OneDecimal(double value) {
    return std::round(value * 10.0) / 10.0;
}

// The GPS sends positions as 32-bit semicircles; store what it would send.
double Semicircles(double degrees) {
    constexpr double kPerDegree = 2147483648.0 / 180.0;
    return std::round(degrees * kPerDegree) / kPerDegree;
}

double LogTime(const RecordingSetup& setup, int secondAfterTakeOff) {
    return soarnote::DayNumber(setup.date, 0, 0, setup.takeOffSecond + secondAfterTakeOff);
}

} // namespace

RecordedFlight InstrumentRecorder::Record(const SimulatedFlight& flight, const RecordingSetup& setup) {
    RecordedFlight recorded;
    recorded.baro = RecordBarograph(flight, setup);
    recorded.track = RecordTrack(flight, setup);
    recorded.log = Summarise(flight, setup, recorded.baro);
    return recorded;
}

std::vector<BaroSample> InstrumentRecorder::RecordBarograph(const SimulatedFlight& flight,
                                                            const RecordingSetup& setup) {
    std::vector<BaroSample> baro;
    const int duration = flight.DurationSeconds();
    for (int s = 0; s <= duration; s += kBaroInterval) {
        const FlightState& state = flight.states[static_cast<std::size_t>(s)];
        double height = state.height;
        // A metre or so of sensor noise in the air; near the ground it reads the ground.
        if (state.clearance > 5.0) height += random_.Uniform(-0.8, 0.8);
        baro.push_back({LogTime(setup, s), static_cast<int>(std::lround(height))});
    }
    return baro;
}

std::vector<TrackPoint> InstrumentRecorder::RecordTrack(const SimulatedFlight& flight,
                                                        const RecordingSetup& setup) {
    std::vector<TrackPoint> track;
    const int duration = flight.DurationSeconds();
    const FlightState& landing = flight.states.back();
    // Switched on while laying out the wing, off once the wing is packed.
    const int first = -random_.Int(60, 180);
    const int last = duration + random_.Int(30, 120);
    for (int s = first; s <= last; s += random_.Int(5, 10)) {
        double east = 0;
        double north = 0;
        if (s >= 0 && s <= duration) {
            east = flight.states[static_cast<std::size_t>(s)].east;
            north = flight.states[static_cast<std::size_t>(s)].north;
        } else if (s > duration) {
            east = landing.east;
            north = landing.north;
        }
        // A couple of metres of position noise.
        east += random_.Uniform(-2.0, 2.0);
        north += random_.Uniform(-2.0, 2.0);
        const double gpsTime =
            soarnote::DayNumber(setup.date, 0, 0, setup.takeOffSecond + s - setup.clockOffsetSeconds);
        track.push_back({gpsTime, Semicircles(flight.frame.Lat(north)), Semicircles(flight.frame.Lng(east))});
    }
    return track;
}

LogRecord InstrumentRecorder::Summarise(const SimulatedFlight& flight, const RecordingSetup& setup,
                                        const std::vector<BaroSample>& baro) {
    LogRecord log;
    const int duration = flight.DurationSeconds();
    log.startTime = LogTime(setup, 0);
    log.endTime = LogTime(setup, duration);
    log.startHeight = baro.front().height;
    log.maxHeight = log.minHeight = baro.front().height;
    double ascent = 0;
    double descent = 0;
    for (std::size_t i = 0; i < baro.size(); ++i) {
        log.maxHeight = std::max(log.maxHeight, baro[i].height);
        log.minHeight = std::min(log.minHeight, baro[i].height);
        if (i > 0) {
            const double rate = static_cast<double>(baro[i].height - baro[i - 1].height) / kBaroInterval;
            ascent = std::max(ascent, rate);
            descent = std::max(descent, -rate);
        }
    }
    log.maxAscent = OneDecimal(ascent);
    log.maxDescent = OneDecimal(descent);

    double airspeed = 0;
    for (int s = 1; s <= duration; ++s)
        airspeed += flight.states[static_cast<std::size_t>(s)].airspeed;
    log.aveSpeed = duration > 0 ? static_cast<int>(std::lround(airspeed / duration * 3.6)) : 0;

    // The air cools with height; the sensor reads to a tenth of a degree.
    double minTemp = 1e9;
    double maxTemp = -1e9;
    for (const BaroSample& sample : baro) {
        const double temp = setup.surfaceTemp - setup.lapseRate * (sample.height - setup.referenceHeight) +
                            random_.Uniform(-0.15, 0.15);
        minTemp = std::min(minTemp, temp);
        maxTemp = std::max(maxTemp, temp);
    }
    log.minTemp = OneDecimal(minTemp);
    log.maxTemp = OneDecimal(maxTemp);
    return log;
}

} // namespace demogen
