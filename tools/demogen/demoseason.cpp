#include "demoseason.h"

#include "seededlookups.h"
#include "terraingrid.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace demogen {

namespace {

// Kinds of flying day, one letter each:
//   R  ridge soaring under an overcast sky, no thermals
//   T  local thermal flight
//   L  long local thermal flight
//   S  short flight between showers
//   B  blue thermals in light wind
//   X  cross-country, open distance downwind
//   O  out and return along the edges
// A season's string lists its flying days in date order.
constexpr const char* kSeason2025 = "RTSTXLOXTBXTSLR";
constexpr const char* kSeason2026 = "TRTXLXSOTXBLTRT";

constexpr int kMinFlightSeconds = 20 * 60;
constexpr int kMaxFlightSeconds = 3 * 3600;
constexpr int kAttempts = 12;

double Normalized(double bearing) {
    const double b = std::fmod(bearing, 360.0);
    return b < 0 ? b + 360.0 : b;
}

double OneDecimal(double value) {
    return std::round(value * 10.0) / 10.0;
}

QString WindName(double windFrom, double speedKmh) {
    if (speedKmh < 6.0) return QString::fromLatin1(kWinds[0]);
    const int point = static_cast<int>(std::lround(Normalized(windFrom) / 45.0)) % 8;
    return QString::fromLatin1(kWinds[static_cast<std::size_t>(point) + 1]);
}

int Oktas(const QString& weather) {
    for (const WeatherRow& row : kWeather)
        if (weather == QLatin1String(row.type)) return row.cloudCover;
    return 0;
}

double MonthTemperature(int month) {
    static const double kByMonth[13] = {0, 4, 5, 7, 11, 14, 17, 20, 19, 16, 12, 8, 5};
    return kByMonth[std::clamp(month, 1, 12)];
}

const QStringList& CommentsFor(char kind) {
    static const QStringList ridge = {
        QStringLiteral("Smooth ridge lift, boated up and down the edge and top landed"),
        QStringLiteral("Strong wind, short soar and top landed before it got silly"),
        QStringLiteral("Ridge working all afternoon under the grey"),
    };
    static const QStringList local = {
        QStringLiteral("Couldn't find the climb at first"),
        QStringLiteral("Punchy climbs, took a few turns to centre them"),
        QStringLiteral("Scratched low in front of the hill, then got away"),
        QStringLiteral("Nice climbs to base, busy sky"),
        QStringLiteral("Weak and broken, drifted back and landed in the valley"),
        QStringLiteral("Got to base twice, lovely day"),
    };
    static const QStringList longLocal = {
        QStringLiteral("Stayed up for ages, cold hands at base"),
        QStringLiteral("Long flight, kept going back to the same house thermal"),
    };
    static const QStringList showers = {
        QStringLiteral("Short hop between showers"),
        QStringLiteral("Sneaked a flight in before the rain"),
    };
    static const QStringList blue = {
        QStringLiteral("Blue day, climbs smooth but hard to find"),
        QStringLiteral("Light wind, thermals going straight up"),
    };
    static const QStringList distance = {
        QStringLiteral("First XC of the year!"),
        QStringLiteral("Went over the back at base, landed in a farmer's field"),
        QStringLiteral("Long final glide, easy retrieve by bus"),
        QStringLiteral("New personal best"),
        QStringLiteral("Low save halfway, then kept going"),
    };
    static const QStringList outAndReturn = {
        QStringLiteral("Out and return along the edges"),
        QStringLiteral("Turned at the far end and made it back against the wind"),
    };
    switch (kind) {
    case 'R':
        return ridge;
    case 'L':
        return longLocal;
    case 'S':
        return showers;
    case 'B':
        return blue;
    case 'X':
        return distance;
    case 'O':
        return outAndReturn;
    default:
        return local;
    }
}

} // namespace

DemoSeason::DemoSeason(const TerrainGrid& terrain, std::uint32_t seed)
    : terrain_(terrain), random_(seed), siteUses_(Sites().size(), 0) {}

const std::vector<DemoSite>& DemoSeason::Sites() {
    // Take-offs of the Peak District with the way each faces on the terrain grid.
    static const std::vector<DemoSite> sites = {
        {"Mam Tor", 53.349, -1.812, 90.0},        {"Lose Hill", 53.372, -1.760, 225.0},
        {"Bradwell Edge", 53.326, -1.745, 315.0}, {"Stanage Edge", 53.355, -1.633, 225.0},
        {"Eyam Edge", 53.293, -1.690, 180.0},     {"Curbar Edge", 53.273, -1.613, 260.0},
    };
    return sites;
}

const std::vector<DemoGlider>& DemoSeason::Gliders() {
    static const std::vector<DemoGlider> gliders = {
        {"Advance Epsilon 9", QDate(2025, 1, 1)},
        {"Ozone Rush 6", QDate(2025, 7, 20)},
        {"Gin Bonanza 3", QDate(2026, 6, 10)},
    };
    return gliders;
}

bool DemoSeason::Plan(QString* error) {
    flights_.clear();
    std::fill(siteUses_.begin(), siteUses_.end(), 0);
    return PlanSeason(2025, kSeason2025, error) && PlanSeason(2026, kSeason2026, error);
}

bool DemoSeason::PlanSeason(int year, const char* kinds, QString* error) {
    // One flying day in each stretch of the season, often at a weekend.
    const QDate first(year, 4, 1);
    const int seasonDays = static_cast<int>(first.daysTo(QDate(year, 9, 30))) + 1;
    const int count = static_cast<int>(std::char_traits<char>::length(kinds));
    for (int i = 0; i < count; ++i) {
        const int slotStart = i * seasonDays / count;
        const int slotEnd = (i + 1) * seasonDays / count - 1;
        int day = slotStart + random_.Int(0, slotEnd - slotStart);
        if (random_.Chance(0.65)) {
            int weekend = day;
            while (weekend <= slotEnd && first.addDays(weekend).dayOfWeek() < 6)
                ++weekend;
            if (weekend <= slotEnd) day = weekend;
        }
        if (!PlanFlight(first.addDays(day), kinds[i], error)) return false;
    }
    return true;
}

QString DemoSeason::WeatherFor(char kind) {
    switch (kind) {
    case 'R':
        return QStringLiteral("Overcast");
    case 'S':
        return QStringLiteral("Showers");
    case 'B':
        return QStringLiteral("Blue thermals");
    case 'T': {
        const double roll = random_.Uniform(0.0, 1.0);
        return roll < 0.4   ? QStringLiteral("Fair weather cumulus")
               : roll < 0.7 ? QStringLiteral("Cumulus")
                            : QStringLiteral("Clear");
    }
    default:
        return random_.Chance(0.5) ? QStringLiteral("Cumulus") : QStringLiteral("Fair weather cumulus");
    }
}

QString DemoSeason::NextComment(char kind) {
    const QStringList& pool = CommentsFor(kind);
    int& used = commentsUsed_[static_cast<unsigned char>(kind) & 127];
    return pool[used++ % pool.size()];
}

// The course of a cross-country flight; false when it would leave the grid.
bool DemoSeason::SetUpCourse(char kind, const DemoSite& site, double windFrom, FlightPlan* plan) {
    const LocalFrame frame(site.lat, site.lng);
    auto fits = [&](double bearing, double distance) {
        const double rad = bearing * kPi / 180.0;
        return terrain_.Contains(frame.Lat(distance * std::cos(rad)), frame.Lng(distance * std::sin(rad)),
                                 0.03);
    };
    if (kind == 'X') {
        plan->task = FlightTask::OpenDistance;
        plan->taskDistance = random_.Uniform(10500.0, 40000.0);
        plan->taskBearing = Normalized(windFrom + 180.0 + random_.Uniform(-15.0, 15.0));
        return fits(plan->taskBearing, plan->taskDistance + 10000.0);
    }
    if (kind == 'O') {
        plan->task = FlightTask::OutAndReturn;
        plan->taskDistance = random_.Uniform(5000.0, 9000.0);
        plan->taskBearing = Normalized(site.facing + 90.0 * random_.Sign());
        return fits(plan->taskBearing, plan->taskDistance + 5000.0);
    }
    plan->task = FlightTask::Local;
    return true;
}

// Any site, but the pilot gets round them all: none is flown twice more
// often than the least flown one.
std::size_t DemoSeason::PickSite() {
    const int least = *std::min_element(siteUses_.begin(), siteUses_.end());
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < Sites().size(); ++i)
        if (siteUses_[i] <= least + 1) candidates.push_back(i);
    return candidates[static_cast<std::size_t>(random_.Int(0, static_cast<int>(candidates.size()) - 1))];
}

bool DemoSeason::PlanFlight(const QDate& date, char kind, QString* error) {
    const bool crossCountry = kind == 'X' || kind == 'O';
    QString lastProblem;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const DemoSite& site = Sites()[PickSite()];
        DemoFlight demo;
        demo.location = QString::fromLatin1(site.name);
        demo.type = QString::fromLatin1(kLaunchMethods[0]);
        demo.weather = WeatherFor(kind);

        FlightPlan plan;
        plan.launchLat = site.lat;
        plan.launchLng = site.lng;
        plan.facing = site.facing;
        plan.windFrom = Normalized(site.facing + random_.Uniform(-25.0, 25.0));
        if (!SetUpCourse(kind, site, plan.windFrom, &plan)) {
            lastProblem = QStringLiteral("no room for the course");
            continue;
        }

        // Wind (km/h) and flight length by the kind of day.
        double windKmh = 0;
        switch (kind) {
        case 'R':
            windKmh = random_.Uniform(18.0, 28.0);
            plan.plannedSeconds = random_.Int(22, 50) * 60;
            break;
        case 'S':
            windKmh = random_.Uniform(10.0, 20.0);
            plan.plannedSeconds = random_.Int(22, 35) * 60;
            break;
        case 'B':
            windKmh = random_.Uniform(3.0, 14.0);
            plan.plannedSeconds = random_.Int(40, 100) * 60;
            break;
        case 'L':
            windKmh = random_.Uniform(10.0, 20.0);
            plan.plannedSeconds = random_.Int(100, 165) * 60;
            break;
        case 'X':
        case 'O':
            windKmh = random_.Uniform(kind == 'X' ? 14.0 : 8.0, kind == 'X' ? 25.0 : 14.0);
            plan.plannedSeconds = random_.Int(150, 165) * 60;
            break;
        default:
            windKmh = random_.Uniform(8.0, 20.0);
            plan.plannedSeconds = random_.Int(35, 90) * 60;
            break;
        }
        plan.windSpeed = windKmh / 3.6;

        // Thermals and cloud by the weather.
        const QString& w = demo.weather;
        double climbLo = 1.0, climbHi = 1.6, topLo = 950, topHi = 1200;
        bool cloud = true;
        if (w == QLatin1String("Fair weather cumulus")) {
            climbLo = 1.4, climbHi = 2.2, topLo = 1150, topHi = 1550;
        } else if (w == QLatin1String("Cumulus")) {
            climbLo = 1.8, climbHi = 2.8, topLo = 1300, topHi = 1800;
        } else if (w == QLatin1String("Showers")) {
            climbLo = 1.5, climbHi = 2.4, topLo = 950, topHi = 1250;
        } else if (w == QLatin1String("Overcast")) {
            topLo = 650, topHi = 900;
        } else if (w == QLatin1String("Blue thermals")) {
            climbLo = 1.2, climbHi = 2.0, topLo = 1000, topHi = 1350, cloud = false;
        } else {
            cloud = false; // clear: thermals under an inversion
        }
        const double base = random_.Uniform(topLo, topHi);
        plan.thermals = w != QLatin1String("Overcast");
        plan.climbRate = random_.Uniform(climbLo, climbHi);
        plan.thermalTop = cloud ? base - random_.Uniform(80.0, 180.0) : base;
        plan.ridgeBand = kind == 'R' ? random_.Uniform(80.0, 160.0) : random_.Uniform(50.0, 120.0);
        plan.ridgeSeconds = random_.Int(120, crossCountry ? 400 : 600);

        FlightSimulator simulator(terrain_, random_);
        std::optional<SimulatedFlight> flown = simulator.Fly(plan, &lastProblem);
        if (!flown) continue;
        const int duration = flown->DurationSeconds();
        if (duration < kMinFlightSeconds || duration > kMaxFlightSeconds) {
            lastProblem = QStringLiteral("a flight of %1 minutes").arg(duration / 60);
            continue;
        }
        if (kind == 'X' && flown->landingDistance < 10000.0) {
            lastProblem = QStringLiteral("only %1 km flown").arg(flown->landingDistance / 1000.0, 0, 'f', 1);
            continue;
        }
        if (kind == 'O' &&
            (flown->furthestDistance < plan.taskDistance - 500.0 || flown->landingDistance > 3000.0)) {
            lastProblem = QStringLiteral("the out and return was not completed");
            continue;
        }

        demo.flight = std::move(*flown);
        demo.wind = WindName(plan.windFrom, windKmh);
        demo.windSpeed = std::round(windKmh);
        if (cloud) demo.cloudBase = std::round(base / 10.0) * 10.0;
        demo.cloudCover = Oktas(w);
        if (w == QLatin1String("Cumulus") || w == QLatin1String("Fair weather cumulus"))
            demo.cloudCover += random_.Int(-1, 1);
        demo.xcType = QString::fromLatin1(kind == 'X'   ? kXCTypes[1]
                                          : kind == 'O' ? kXCTypes[2]
                                                        : kXCTypes[0]);
        demo.distance = OneDecimal(
            (kind == 'O' ? 2.0 * demo.flight.furthestDistance : demo.flight.landingDistance) / 1000.0);
        for (const DemoGlider& glider : Gliders())
            if (date >= glider.from) demo.glider = QString::fromLatin1(glider.makeModel);
        demo.comments = NextComment(kind);

        // A few flights where the variometer's clock had drifted from GPS time.
        if (flights_.size() % 7 == 3) demo.clockOffsetSeconds = random_.Sign() * random_.Int(60, 300);

        RecordingSetup setup;
        setup.date = date;
        setup.takeOffSecond = crossCountry  ? random_.Int(11 * 3600, 12 * 3600 + 1800)
                              : kind == 'L' ? random_.Int(11 * 3600 + 1800, 13 * 3600 + 1800)
                                            : random_.Int(11 * 3600, 15 * 3600 + 1800);
        setup.clockOffsetSeconds = demo.clockOffsetSeconds;
        setup.surfaceTemp =
            MonthTemperature(date.month()) + random_.Uniform(-2.5, 2.5) - (kind == 'S' ? 2.0 : 0.0);
        setup.lapseRate = random_.Uniform(0.0065, 0.0090);
        InstrumentRecorder recorder(random_);
        demo.recorded = recorder.Record(demo.flight, setup);

        ++siteUses_[static_cast<std::size_t>(&site - Sites().data())];
        flights_.push_back(std::move(demo));
        return true;
    }
    if (error)
        *error = QStringLiteral("Cannot fly the %1 flight of %2: %3")
                     .arg(QLatin1Char(kind))
                     .arg(date.toString(Qt::ISODate), lastProblem);
    return false;
}

} // namespace demogen
