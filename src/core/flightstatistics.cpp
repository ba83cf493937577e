#include "flightstatistics.h"

#include <algorithm>
#include <cmath>

namespace soarnote {

namespace {
constexpr double kEarthRadiusKm = 6371.0;
constexpr double kSecondsPerDay = 86400.0;

double Rounded(double value, double step) {
    return std::round(value / step) * step;
}
} // namespace

double FlightStatistics::DistanceKm(double lat1, double lng1, double lat2, double lng2) {
    const double rad = M_PI / 180.0;
    const double dLat = (lat2 - lat1) * rad;
    const double dLng = (lng2 - lng1) * rad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

void FlightStatistics::Add(double time, std::optional<double> lat, std::optional<double> lng,
                           std::optional<double> height) {
    if (count_++ == 0) startTime_ = time;
    endTime_ = std::max(endTime_, time);
    if (height) {
        if (!startHeight_) startHeight_ = height;
        maxHeight_ = maxHeight_ ? std::max(*maxHeight_, *height) : *height;
        minHeight_ = minHeight_ ? std::min(*minHeight_, *height) : *height;
        window_.push_back({time, *height});
        const double span = kRateWindowSeconds / kSecondsPerDay;
        // Keep the latest sample that lies a whole window back, no older one.
        while (window_.size() > 2 && time - window_[1].time >= span)
            window_.pop_front();
        const Sample& first = window_.front();
        const double dt = (time - first.time) * kSecondsPerDay;
        if (dt >= kRateWindowSeconds) {
            const double rate = (*height - first.height) / dt;
            maxAscent_ = std::max(maxAscent_, Rounded(rate, 0.1));
            maxDescent_ = std::max(maxDescent_, Rounded(-rate, 0.1));
        }
    }
    if (lat && lng) {
        if (!havePosition_) {
            havePosition_ = true;
            startLat_ = lastLat_ = *lat;
            startLng_ = lastLng_ = *lng;
        }
        trackKm_ += DistanceKm(lastLat_, lastLng_, *lat, *lng);
        farthestKm_ = std::max(farthestKm_, DistanceKm(startLat_, startLng_, *lat, *lng));
        lastLat_ = *lat;
        lastLng_ = *lng;
    }
}

int FlightStatistics::AveSpeed() const {
    const double hours = (endTime_ - startTime_) * 24.0;
    if (hours <= 0) return 0;
    return static_cast<int>(std::lround(trackKm_ / hours));
}

} // namespace soarnote
