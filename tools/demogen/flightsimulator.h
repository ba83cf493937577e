#pragma once
// Flies a paraglider over the terrain grid, one second at a time: a take-off
// into wind, beats along the ridge, thermals climbed in drifting circles,
// glides between them, and an approach and landing in the lowest ground
// within reach. The pilot looks ahead and never flies lower than a safe
// clearance over the grid except on the final approach.

#include "localframe.h"

#include <QString>
#include <optional>
#include <vector>

namespace demogen {

class DemoRandom;
class TerrainGrid;

enum class FlightTask { Local, OpenDistance, OutAndReturn };

struct FlightPlan {
    double launchLat = 0;
    double launchLng = 0;
    double facing = 0;        // compass bearing the launch slope faces
    double windFrom = 0;      // compass bearing the wind blows from
    double windSpeed = 0;     // m/s
    bool thermals = true;     // false: ridge lift only
    double climbRate = 2.0;   // typical climb in a thermal, m/s
    double thermalTop = 1200; // height at which the thermals die, m
    double ridgeBand = 100;   // height over the launch the ridge lift gives, m
    int ridgeSeconds = 300;   // time on the ridge before going for a thermal
    int plannedSeconds = 3600;
    FlightTask task = FlightTask::Local;
    double taskDistance = 0; // m: distance to fly, or the leg of an out and return
    double taskBearing = 0;  // compass bearing of the course
};

struct FlightState {
    double east = 0; // metres from the launch
    double north = 0;
    double height = 0;    // metres above sea level
    double clearance = 0; // metres above the ground below
    double airspeed = 0;  // m/s
};

struct SimulatedFlight {
    LocalFrame frame; // centred on the launch
    // One state a second: the first at take-off, the last at touchdown.
    std::vector<FlightState> states;
    double landingDistance = 0;  // straight line launch to landing, m
    double furthestDistance = 0; // greatest distance from the launch, m
    double minClearance = 0;     // least height over the grid away from the launch and the landing, m
    int thermals = 0;

    int DurationSeconds() const { return static_cast<int>(states.size()) - 1; }
};

class FlightSimulator {
public:
    FlightSimulator(const TerrainGrid& terrain, DemoRandom& random) : terrain_(terrain), random_(random) {}

    // The flight, or nothing and a reason when the pilot could not finish it
    // (left the grid, or never found a way down).
    std::optional<SimulatedFlight> Fly(const FlightPlan& plan, QString* error);

private:
    enum class Mode { Ridge, Thermal, Glide, ToLanding, Approach, Final };

    double Ground(double east, double north) const;
    bool OnGrid(double east, double north) const;
    double HeadingForTrack(double track) const;
    double GroundSpeedAlong(double track) const;
    void SteerTo(double heading);
    void UpdateTurbulence(double strength);
    bool ShouldLand() const;

    void EnterThermal();
    void EnterGlide();
    bool ChooseLandingField();
    bool Reachable(double east, double north) const;
    void NewLocalWaypoint();

    double StepRidge();
    double StepThermal();
    double StepGlide();
    double StepToLanding();
    double StepApproach();

    const TerrainGrid& terrain_;
    DemoRandom& random_;
    FlightPlan plan_;
    LocalFrame frame_;

    double windEast_ = 0;
    double windNorth_ = 0;
    double launchGround_ = 0;

    // The pilot.
    double east_ = 0;
    double north_ = 0;
    double height_ = 0;
    double heading_ = 0;
    double airspeed_ = 0;
    int t_ = 0;
    Mode mode_ = Mode::Ridge;
    int modeStart_ = 0;
    int nextLandingTry_ = 0;
    double turbulence_ = 0;
    double sinkAir_ = 0;

    // Ridge beats.
    double ridgeEast_ = 0;
    double ridgeNorth_ = 0;
    double beatHalf_ = 400;
    int beatSide_ = 1;
    double ridgeExtra_ = 0;

    // The current thermal.
    int turnDirection_ = 1;
    double turnPeriod_ = 26;
    double climb_ = 2;
    double top_ = 1000;
    double phase_ = 0;
    int thermalLimit_ = 600;
    int thermalCount_ = 0;

    // The current glide and where it goes.
    double targetEast_ = 0;
    double targetNorth_ = 0;
    double glideLength_ = 0;
    double glided_ = 0;
    double lowClearance_ = 200;
    bool turnpointReached_ = false;

    // The landing.
    double fieldEast_ = 0;
    double fieldNorth_ = 0;
    bool returning_ = false; // flying back over the field after drifting off it
    double finalClearance_ = 0;
    int finalStart_ = 0;
    int finalSeconds_ = 40;
};

} // namespace demogen
