#include "geo/inverseiteration.h"

#include <cmath>

namespace soarnote {

namespace {

bool IsFinite(GeoPosition p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude);
}

} // namespace

double InverseRadiansPerDegree() {
    return std::atan(1.0) / 45;
}

InverseSolution SolveInverse(ForwardProjection forward, PlanePosition target, float degreesPerMetre,
                             GeoPosition start) {
    const double k = InverseRadiansPerDegree();
    const float s = degreesPerMetre;
    InverseSolution solution{start, 0, false};
    GeoPosition& p = solution.position;
    while (solution.steps < kInverseStepLimit) {
        const PlanePosition at = forward(p);
        ++solution.steps;
        // The residuals are single precision on purpose; so are the products
        // with s below (float times float), before they join the doubles.
        const float dE = static_cast<float>(target.easting - at.easting);
        const float dN = static_cast<float>(target.northing - at.northing);
        GeoPosition next;
        next.latitude = p.latitude + dN * s;
        // The longitude step uses the cosine of the latitude just updated.
        next.longitude = p.longitude + s * dE / std::cos(next.latitude * k);
        // A diverging walk (a target beyond the projection's reach) can overflow;
        // the last finite estimate is a better answer than infinity or NaN.
        if (!IsFinite(next)) return solution;
        p = next;
        if (std::abs(dN) + std::abs(dE) < 1.0f) {
            solution.converged = true;
            return solution;
        }
    }
    return solution;
}

} // namespace soarnote
