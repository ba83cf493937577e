#pragma once
// Two seasons of flying in the Peak District, as a pilot would have logged
// them: thirty-odd days from April to September at the local sites, mostly
// local soaring, some cross-country flights, three gliders over the years.
// Every flight is flown by the simulator over the terrain grid and recorded
// by the instruments.

#include "demorandom.h"
#include "flightsimulator.h"
#include "instrumentrecorder.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace demogen {

class TerrainGrid;

struct DemoSite {
    const char* name;
    double lat;
    double lng;
    double facing; // compass bearing the take-off faces
};

struct DemoGlider {
    const char* makeModel;
    QDate from; // flown from this date until the next glider's
};

// One flight with everything the logbook holds about it. The lookup fields
// are the texts of the lookup rows.
struct DemoFlight {
    QString location;
    QString glider;
    QString type;
    QString xcType;
    QString weather;
    QString wind;
    QString comments;
    double windSpeed = 0;            // km/h
    std::optional<double> cloudBase; // m; none under a cloudless sky
    double cloudCover = 0;           // oktas
    double distance = 0;             // km, one decimal
    int clockOffsetSeconds = 0;      // variometer clock minus GPS clock
    SimulatedFlight flight;
    RecordedFlight recorded;
};

class DemoSeason {
public:
    DemoSeason(const TerrainGrid& terrain, std::uint32_t seed);

    // Plans and flies every flight; false and a reason when one cannot be flown.
    bool Plan(QString* error);

    static const std::vector<DemoSite>& Sites();
    static const std::vector<DemoGlider>& Gliders();
    const std::vector<DemoFlight>& Flights() const { return flights_; }

private:
    bool PlanSeason(int year, const char* kinds, QString* error);
    bool PlanFlight(const QDate& date, char kind, QString* error);
    bool SetUpCourse(char kind, const DemoSite& site, double windFrom, FlightPlan* plan);
    QString WeatherFor(char kind);
    QString NextComment(char kind);
    std::size_t PickSite();

    const TerrainGrid& terrain_;
    DemoRandom random_;
    std::vector<DemoFlight> flights_;
    int commentsUsed_[128] = {};
    std::vector<int> siteUses_; // flights so far at each site
};

} // namespace demogen
