#pragma once
// The figures a variometer log gives a flight, worked out from a stream of
// fixes: take-off and landing time, take-off height, greatest and least
// height, best climb and sink, average speed and distance. Fed one fix at a
// time with bounded memory.

#include <deque>
#include <optional>

namespace soarnote {

class FlightStatistics {
public:
    // Climb and sink are measured over at least this span, as a variometer's
    // averaged needle does, so one noisy fix gives no absurd rate.
    static constexpr double kRateWindowSeconds = 10.0;

    // A fix: time in days, position in degrees (when the fix has one) and
    // height in metres (when it has one).
    void Add(double time, std::optional<double> lat, std::optional<double> lng, std::optional<double> height);

    bool Any() const { return count_ > 0; }
    double StartTime() const { return startTime_; }
    double EndTime() const { return endTime_; }
    std::optional<double> StartHeight() const { return startHeight_; }
    std::optional<double> MaxHeight() const { return maxHeight_; }
    std::optional<double> MinHeight() const { return minHeight_; }
    // m/s, both positive, one decimal; 0 when the flight is too short to say.
    double MaxAscent() const { return maxAscent_; }
    double MaxDescent() const { return maxDescent_; }
    // Kilometres flown along the track, over the time from first to last fix.
    double TrackLength() const { return trackKm_; }
    int AveSpeed() const;
    // The greatest straight distance from the take-off point, kilometres.
    double Distance() const { return farthestKm_; }

    // Great-circle distance in kilometres.
    static double DistanceKm(double lat1, double lng1, double lat2, double lng2);

private:
    struct Sample {
        double time;
        double height;
    };
    long long count_ = 0;
    double startTime_ = 0;
    double endTime_ = 0;
    std::optional<double> startHeight_, maxHeight_, minHeight_;
    double maxAscent_ = 0;
    double maxDescent_ = 0;
    std::deque<Sample> window_;
    bool havePosition_ = false;
    double startLat_ = 0, startLng_ = 0, lastLat_ = 0, lastLng_ = 0;
    double trackKm_ = 0;
    double farthestKm_ = 0;
};

} // namespace soarnote
