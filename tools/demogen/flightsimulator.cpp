#include "flightsimulator.h"

#include "demorandom.h"
#include "terraingrid.h"

#include <algorithm>
#include <cmath>

namespace demogen {

namespace {

// A mid-range paraglider and a pilot who flies it conservatively.
constexpr double kTrimSpeed = 10.0;        // m/s, 36 km/h
constexpr double kCirclingSink = 1.25;     // m/s
constexpr double kPlanningSink = 1.35;     // what the pilot allows for on a glide to land
constexpr double kMaxTurnRate = 15.0;      // degrees a second
constexpr double kClearance = 20.0;        // never lower over the ground except when landing
constexpr double kPathClearance = 45.0;    // wanted over every point of a glide to the landing field
constexpr double kArrivalClearance = 60.0; // wanted over the landing field on arrival
constexpr double kFinalClearance = 70.0;   // height of the final approach
constexpr double kLandingSearch = 3500.0;  // radius searched for a landing field, m
constexpr int kOvertime = 2400;            // seconds past the plan before giving up

double Rad(double deg) {
    return deg * kPi / 180.0;
}
double Normalized(double bearing) {
    const double b = std::fmod(bearing, 360.0);
    return b < 0 ? b + 360.0 : b;
}
// The turn from one bearing to another, -180 to 180, right positive.
double Turn(double from, double to) {
    const double d = Normalized(to - from);
    return d > 180.0 ? d - 360.0 : d;
}
double BearingOf(double east, double north) {
    return Normalized(std::atan2(east, north) * 180.0 / kPi);
}

// Sink rate of the glider at an airspeed on a straight glide.
double PolarSink(double airspeed) {
    return 0.95 + 0.1 * (airspeed - 9.5) * (airspeed - 9.5) + 0.01 * airspeed;
}

} // namespace

double FlightSimulator::Ground(double east, double north) const {
    return terrain_.HeightAt(frame_.Lat(north), frame_.Lng(east));
}

bool FlightSimulator::OnGrid(double east, double north) const {
    return terrain_.Contains(frame_.Lat(north), frame_.Lng(east), 0.02);
}

// The heading that makes good a track over the ground against the wind.
double FlightSimulator::HeadingForTrack(double track) const {
    const double cross = windEast_ * std::cos(Rad(track)) - windNorth_ * std::sin(Rad(track));
    const double crab = std::asin(std::clamp(cross / std::max(airspeed_, 1.0), -0.9, 0.9)) * 180.0 / kPi;
    return Normalized(track - crab);
}

double FlightSimulator::GroundSpeedAlong(double track) const {
    const double cross = windEast_ * std::cos(Rad(track)) - windNorth_ * std::sin(Rad(track));
    const double along = windEast_ * std::sin(Rad(track)) + windNorth_ * std::cos(Rad(track));
    const double v = kTrimSpeed;
    return std::sqrt(std::max(0.0, v * v - cross * cross)) + along;
}

void FlightSimulator::SteerTo(double heading) {
    heading_ = Normalized(heading_ + std::clamp(Turn(heading_, heading), -kMaxTurnRate, kMaxTurnRate));
}

// Gusts: a slowly wandering vertical air movement of about the given size.
void FlightSimulator::UpdateTurbulence(double strength) {
    turbulence_ = 0.85 * turbulence_ + random_.Uniform(-strength, strength) * 0.55;
}

bool FlightSimulator::ShouldLand() const {
    // Time to come down from here, at the pace of a pilot heading for the field.
    const double clearance = std::max(0.0, height_ - Ground(east_, north_));
    const bool timeUp = t_ + static_cast<int>(clearance / 1.6) + 90 >= plan_.plannedSeconds;
    const double fromLaunch = std::hypot(east_, north_);
    switch (plan_.task) {
    case FlightTask::Local:
        return timeUp;
    case FlightTask::OpenDistance:
        return timeUp || fromLaunch >= plan_.taskDistance;
    case FlightTask::OutAndReturn:
        return timeUp || (turnpointReached_ && fromLaunch < 1500.0);
    }
    return timeUp;
}

void FlightSimulator::EnterThermal() {
    mode_ = Mode::Thermal;
    modeStart_ = t_;
    turnDirection_ = random_.Sign();
    turnPeriod_ = random_.Uniform(24.0, 30.0);
    airspeed_ = random_.Uniform(10.4, 11.4);
    climb_ = std::clamp(plan_.climbRate * random_.Uniform(0.75, 1.25), 1.0, 3.0);
    top_ = std::max(plan_.thermalTop - random_.Uniform(0.0, 200.0), height_ + 250.0);
    phase_ = random_.Uniform(0.0, 2 * kPi);
    thermalLimit_ = random_.Int(300, 1100);
    ++thermalCount_;
}

void FlightSimulator::NewLocalWaypoint() {
    // Somewhere over the site, mostly out in front of the hill.
    const double bearing = plan_.facing + random_.Uniform(-110.0, 110.0);
    const double distance = random_.Uniform(400.0, 2500.0);
    targetEast_ = distance * std::sin(Rad(bearing));
    targetNorth_ = distance * std::cos(Rad(bearing));
}

void FlightSimulator::EnterGlide() {
    mode_ = Mode::Glide;
    modeStart_ = t_;
    airspeed_ = random_.Uniform(9.5, 10.8);
    glided_ = 0;
    lowClearance_ = random_.Uniform(180.0, 300.0);
    switch (plan_.task) {
    case FlightTask::Local:
        glideLength_ = random_.Uniform(600.0, 2200.0);
        NewLocalWaypoint();
        break;
    case FlightTask::OpenDistance: {
        glideLength_ = random_.Uniform(1500.0, 5000.0);
        const double beyond = plan_.taskDistance + 5000.0;
        targetEast_ = beyond * std::sin(Rad(plan_.taskBearing));
        targetNorth_ = beyond * std::cos(Rad(plan_.taskBearing));
        break;
    }
    case FlightTask::OutAndReturn:
        glideLength_ = random_.Uniform(1500.0, 4000.0);
        targetEast_ = turnpointReached_ ? 0.0 : plan_.taskDistance * std::sin(Rad(plan_.taskBearing));
        targetNorth_ = turnpointReached_ ? 0.0 : plan_.taskDistance * std::cos(Rad(plan_.taskBearing));
        break;
    }
}

// A straight glide from here reaches the point high enough, clearing the
// ground all the way.
bool FlightSimulator::Reachable(double east, double north) const {
    const double de = east - east_;
    const double dn = north - north_;
    const double distance = std::hypot(de, dn);
    const double groundSpeed = distance < 1.0 ? kTrimSpeed : GroundSpeedAlong(BearingOf(de, dn));
    if (groundSpeed < 2.0) return false;
    const double lossPerMetre = kPlanningSink / groundSpeed;
    const int steps = static_cast<int>(distance / 100.0);
    for (int i = 1; i <= steps; ++i) {
        const double f = i * 100.0 / distance;
        const double h = height_ - i * 100.0 * lossPerMetre;
        if (h - Ground(east_ + de * f, north_ + dn * f) < kPathClearance) return false;
    }
    return height_ - distance * lossPerMetre - Ground(east, north) >= kArrivalClearance;
}

// The lowest ground within reach, a little in favour of the nearer fields:
// pilots land in the valley bottom. Away from a cross-country course they
// look first round the site, where the usual bottom landing fields are.
bool FlightSimulator::ChooseLandingField() {
    bool found = false;
    double bestScore = 0;
    const bool nearSite = plan_.task != FlightTask::OpenDistance;
    for (int centre = 0; centre < (nearSite ? 2 : 1); ++centre) {
        const double ce = centre == 0 ? east_ : 0.0;
        const double cn = centre == 0 ? north_ : 0.0;
        for (double r = 0; r <= kLandingSearch; r += 250.0) {
            const int directions = r == 0 ? 1 : 18;
            for (int k = 0; k < directions; ++k) {
                const double e = ce + r * std::sin(Rad(k * 20.0));
                const double n = cn + r * std::cos(Rad(k * 20.0));
                if (!OnGrid(e, n)) continue;
                const double score = Ground(e, n) + 0.015 * std::hypot(e - east_, n - north_);
                if ((!found || score < bestScore) && Reachable(e, n)) {
                    found = true;
                    bestScore = score;
                    fieldEast_ = e;
                    fieldNorth_ = n;
                }
            }
        }
    }
    if (found) {
        mode_ = Mode::ToLanding;
        modeStart_ = t_;
        airspeed_ = kTrimSpeed;
    }
    return found;
}

double FlightSimulator::StepRidge() {
    airspeed_ = 9.8;
    if (t_ > 12) {
        // Beat up and down a line a little out in front of the take-off.
        const double along = Rad(plan_.facing + 90.0);
        const double ax = std::sin(along);
        const double ay = std::cos(along);
        const double offset = (east_ - ridgeEast_) * ax + (north_ - ridgeNorth_) * ay;
        if (beatSide_ > 0 && offset >= beatHalf_ - 30.0)
            beatSide_ = -1;
        else if (beatSide_ < 0 && offset <= -beatHalf_ + 30.0)
            beatSide_ = 1;
        const double te = ridgeEast_ + beatSide_ * beatHalf_ * ax;
        const double tn = ridgeNorth_ + beatSide_ * beatHalf_ * ay;
        SteerTo(HeadingForTrack(BearingOf(te - east_, tn - north_)));
    }
    UpdateTurbulence(0.3);
    // The ridge lift holds the glider in a band over the hill.
    const double band = (plan_.ridgeBand + ridgeExtra_) * std::min(1.0, t_ / 120.0);
    const double wanted = std::max(Ground(east_, north_), launchGround_) + band;
    const double vz = std::clamp(0.05 * (wanted - height_) + turbulence_, -1.3, 2.0);

    if (plan_.thermals && t_ >= plan_.ridgeSeconds) {
        EnterThermal();
    } else if (ShouldLand() && t_ >= nextLandingTry_ && !ChooseLandingField()) {
        // Not high enough to reach the bottom yet: work the ridge harder.
        ridgeExtra_ += 40.0;
        nextLandingTry_ = t_ + 60;
    }
    return vz;
}

double FlightSimulator::StepThermal() {
    const int s = t_ - modeStart_;
    heading_ = Normalized(heading_ + turnDirection_ * 360.0 / turnPeriod_);
    UpdateTurbulence(0.35);
    // Stronger on one side of the circle, dying away under the top.
    const double wave = 1.0 + 0.3 * std::sin(2 * kPi * s / turnPeriod_ + phase_);
    const double fade = std::clamp((top_ - height_) / 150.0, 0.08, 1.0);
    const double full = climb_ * wave * fade + turbulence_;
    // The first turns are spent centring.
    const double centred = std::min(1.0, s / 10.0);
    const double vz = -0.6 * (1.0 - centred) + full * centred;

    if (ShouldLand() && t_ >= nextLandingTry_) {
        if (ChooseLandingField()) return vz;
        nextLandingTry_ = t_ + 30;
    }
    const double clearance = height_ - Ground(east_, north_);
    // On a local flight the pilot leaves a good climb rather than drift far from the site.
    const bool driftedOff = plan_.task == FlightTask::Local && std::hypot(east_, north_) > 2500.0;
    if (height_ >= top_ - 15.0 || ((s > thermalLimit_ || driftedOff) && clearance > 500.0)) EnterGlide();
    return vz;
}

double FlightSimulator::StepGlide() {
    if (plan_.task == FlightTask::Local && std::hypot(targetEast_ - east_, targetNorth_ - north_) < 200.0)
        NewLocalWaypoint();
    if (plan_.task == FlightTask::OutAndReturn && !turnpointReached_ &&
        std::hypot(targetEast_ - east_, targetNorth_ - north_) < 400.0) {
        turnpointReached_ = true;
        targetEast_ = 0;
        targetNorth_ = 0;
    }
    const double track = BearingOf(targetEast_ - east_, targetNorth_ - north_);
    SteerTo(HeadingForTrack(track));
    // Patches of sinking air between the thermals.
    sinkAir_ = std::clamp(0.96 * sinkAir_ + 0.04 * 0.15 + random_.Uniform(-0.08, 0.08), -0.15, 0.4);
    const double vz = -(PolarSink(airspeed_) + sinkAir_);
    glided_ += std::hypot(airspeed_ * std::sin(Rad(heading_)) + windEast_,
                          airspeed_ * std::cos(Rad(heading_)) + windNorth_);

    if (ShouldLand() && t_ >= nextLandingTry_) {
        if (ChooseLandingField()) return vz;
        nextLandingTry_ = t_ + 30;
    }
    // Look ahead: too low over what is coming means stopping in the next climb.
    const double aheadEast = east_ + 400.0 * std::sin(Rad(track));
    const double aheadNorth = north_ + 400.0 * std::cos(Rad(track));
    const double clearance = height_ - std::max(Ground(east_, north_), Ground(aheadEast, aheadNorth));
    if (clearance < lowClearance_ || glided_ >= glideLength_) EnterThermal();
    return vz;
}

double FlightSimulator::StepToLanding() {
    const double distance = std::hypot(fieldEast_ - east_, fieldNorth_ - north_);
    if (distance < 300.0) {
        mode_ = Mode::Approach;
        modeStart_ = t_;
        turnDirection_ = random_.Sign();
        returning_ = false;
        return StepApproach();
    }
    SteerTo(HeadingForTrack(BearingOf(fieldEast_ - east_, fieldNorth_ - north_)));
    sinkAir_ = std::clamp(0.96 * sinkAir_ + 0.04 * 0.1 + random_.Uniform(-0.06, 0.06), -0.1, 0.3);
    return -(PolarSink(airspeed_) + sinkAir_);
}

// Losing the height over the field: back towards it with big ears when the
// drift has carried the glider off, turns over it otherwise.
double FlightSimulator::StepApproach() {
    const double clearance = height_ - Ground(east_, north_);
    if (clearance <= kFinalClearance) {
        mode_ = Mode::Final;
        finalStart_ = t_;
        finalClearance_ = std::max(clearance, 0.0);
        // Touch down on a whole ten seconds, where the barograph takes a sample.
        finalSeconds_ = 35 + (10 - (t_ + 35) % 10) % 10;
        airspeed_ = 9.3;
        return 0.0;
    }
    UpdateTurbulence(0.3);
    const double distance = std::hypot(fieldEast_ - east_, fieldNorth_ - north_);
    if (distance > 400.0)
        returning_ = true;
    else if (distance < 80.0)
        returning_ = false;
    if (returning_) {
        airspeed_ = 9.2;
        SteerTo(HeadingForTrack(BearingOf(fieldEast_ - east_, fieldNorth_ - north_)));
        return clearance > 200.0 ? -(1.8 + 0.5 * turbulence_) : -1.2;
    }
    airspeed_ = 11.0;
    heading_ = Normalized(heading_ + turnDirection_ * 18.0);
    return clearance > 150.0 ? -(2.4 + turbulence_) : -1.5;
}

std::optional<SimulatedFlight> FlightSimulator::Fly(const FlightPlan& plan, QString* error) {
    plan_ = plan;
    frame_ = LocalFrame(plan.launchLat, plan.launchLng);
    windEast_ = -plan.windSpeed * std::sin(Rad(plan.windFrom));
    windNorth_ = -plan.windSpeed * std::cos(Rad(plan.windFrom));
    launchGround_ = Ground(0, 0);
    east_ = north_ = 0;
    height_ = launchGround_;
    heading_ = plan.facing;
    airspeed_ = 9.8;
    t_ = 0;
    mode_ = Mode::Ridge;
    modeStart_ = 0;
    nextLandingTry_ = 0;
    turbulence_ = sinkAir_ = 0;
    ridgeEast_ = 120.0 * std::sin(Rad(plan.facing));
    ridgeNorth_ = 120.0 * std::cos(Rad(plan.facing));
    beatHalf_ = random_.Uniform(300.0, 600.0);
    beatSide_ = random_.Sign();
    ridgeExtra_ = 0;
    thermalCount_ = 0;
    turnpointReached_ = false;

    SimulatedFlight flight;
    flight.frame = frame_;
    flight.minClearance = 1e9;
    flight.states.push_back({0, 0, height_, 0, 0});

    for (;;) {
        ++t_;
        const Mode mode = mode_;
        double vz = 0;
        switch (mode) {
        case Mode::Ridge:
            vz = StepRidge();
            break;
        case Mode::Thermal:
            vz = StepThermal();
            break;
        case Mode::Glide:
            vz = StepGlide();
            break;
        case Mode::ToLanding:
            vz = StepToLanding();
            break;
        case Mode::Approach:
            vz = StepApproach();
            break;
        case Mode::Final:
            if (plan.windSpeed > 1.5) SteerTo(plan.windFrom);
            break;
        }

        // The air carries the glider along with the wind.
        east_ += airspeed_ * std::sin(Rad(heading_)) + windEast_;
        north_ += airspeed_ * std::cos(Rad(heading_)) + windNorth_;
        const double ground = Ground(east_, north_);
        bool landed = false;
        if (mode == Mode::Final) {
            // Down the approach over the ground to touch down on time.
            const int s = t_ - finalStart_;
            landed = s >= finalSeconds_;
            height_ = ground + finalClearance_ * std::max(0.0, 1.0 - static_cast<double>(s) / finalSeconds_);
        } else {
            height_ += vz;
            // Near the hill the ridge lift carries the glider up the slope.
            const double floor = mode == Mode::Ridge ? std::min(kClearance, 0.5 * t_) : kClearance;
            height_ = std::max(height_, ground + floor);
            if (mode == Mode::Thermal || mode == Mode::Glide || mode == Mode::ToLanding)
                flight.minClearance = std::min(flight.minClearance, height_ - ground);
        }
        flight.states.push_back({east_, north_, height_, height_ - ground, landed ? 0.0 : airspeed_});
        flight.furthestDistance = std::max(flight.furthestDistance, std::hypot(east_, north_));

        if (landed) break;
        if (!OnGrid(east_, north_)) {
            if (error) *error = QStringLiteral("the flight left the terrain grid");
            return std::nullopt;
        }
        if (t_ > plan.plannedSeconds + kOvertime) {
            if (error) *error = QStringLiteral("the pilot found no way down");
            return std::nullopt;
        }
    }
    flight.landingDistance = std::hypot(east_, north_);
    flight.thermals = thermalCount_;
    if (flight.minClearance > 1e8) flight.minClearance = 0;
    return flight;
}

} // namespace demogen
