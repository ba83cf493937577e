#pragma once
// The inverse of a forward projection, found by walking towards the target.
// Both inverses the program needs (flat plane and National Grid) use this one
// iteration; they differ only in the forward function, the step scale and the
// first guess.

#include "geo/geoposition.h"

namespace soarnote {

// Targets far outside a projection's useful range may never come within a
// metre; after this many steps the last estimate is taken as the answer.
inline constexpr int kInverseStepLimit = 100;

using ForwardProjection = PlanePosition (*)(GeoPosition);

struct InverseSolution {
    GeoPosition position;
    int steps = 0;          // forward evaluations made
    bool converged = false; // the last residual was below one metre
};

// degreesPerMetre scales a residual in metres to a step in degrees of latitude
// (and, divided by the cosine of the latitude, of longitude). It is kept in
// single precision, as are the residuals: those roundings belong to the results.
InverseSolution SolveInverse(ForwardProjection forward, PlanePosition target, float degreesPerMetre,
                             GeoPosition start);

// Radians per degree, as the inverses compute it (arctangent(1) / 45).
double InverseRadiansPerDegree();

} // namespace soarnote
