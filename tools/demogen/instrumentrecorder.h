#pragma once
// What the pilot's instruments make of a simulated flight: the GPS track
// log (a point every 5 to 10 seconds, switched on before take-off and off
// after landing, on the GPS clock), the variometer's barograph (a whole-metre
// height every 10 seconds from take-off to landing, on the variometer's
// clock) and the variometer's log record of the flight.

#include <QDate>
#include <vector>

namespace demogen {

class DemoRandom;
struct SimulatedFlight;

struct TrackPoint {
    double time = 0; // day number, GPS time
    double lat = 0;
    double lng = 0;
};

struct BaroSample {
    double time = 0; // day number, log time
    int height = 0;
};

// The variometer's summary of one flight: the fields it fills in LogData.
struct LogRecord {
    double startTime = 0;
    double endTime = 0;
    int startHeight = 0;
    int maxHeight = 0;
    int minHeight = 0;
    double maxAscent = 0;  // m/s, best 10-second climb
    double maxDescent = 0; // m/s, worst 10-second sink, positive
    int aveSpeed = 0;      // km/h, mean airspeed
    double minTemp = 0;
    double maxTemp = 0;
};

struct RecordingSetup {
    QDate date;
    int takeOffSecond = 0;      // log time of take-off, seconds after midnight
    int clockOffsetSeconds = 0; // the variometer's clock minus the GPS clock
    double surfaceTemp = 15.0;  // air temperature at referenceHeight, degrees C
    double referenceHeight = 150.0;
    double lapseRate = 0.0075; // degrees per metre of height
};

struct RecordedFlight {
    LogRecord log;
    std::vector<BaroSample> baro;
    std::vector<TrackPoint> track;
};

class InstrumentRecorder {
public:
    explicit InstrumentRecorder(DemoRandom& random) : random_(random) {}

    RecordedFlight Record(const SimulatedFlight& flight, const RecordingSetup& setup);

private:
    std::vector<BaroSample> RecordBarograph(const SimulatedFlight& flight, const RecordingSetup& setup);
    std::vector<TrackPoint> RecordTrack(const SimulatedFlight& flight, const RecordingSetup& setup);
    LogRecord Summarise(const SimulatedFlight& flight, const RecordingSetup& setup,
                        const std::vector<BaroSample>& baro);

    DemoRandom& random_;
};

} // namespace demogen
