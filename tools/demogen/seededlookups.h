#pragma once
// The rows every new logbook starts with in its lookup tables, so that a
// pilot has launch methods, cross-country types and conditions to choose
// from before adding any of their own. Sites and gliders are the pilot's.

#include <array>

namespace demogen {

struct WeatherRow {
    const char* type;
    int cloudCover; // oktas
};

inline constexpr std::array<const char*, 4> kLaunchMethods = {"Foot launch", "Winch tow", "Aerotow",
                                                              "Hill launch (tandem)"};

inline constexpr std::array<const char*, 5> kXCTypes = {"Local", "Open distance", "Out and return",
                                                        "Flat triangle", "FAI triangle"};

inline constexpr std::array<WeatherRow, 6> kWeather = {{
    {"Clear", 0},
    {"Fair weather cumulus", 3},
    {"Cumulus", 5},
    {"Overcast", 8},
    {"Blue thermals", 0},
    {"Showers", 6},
}};

// "Calm" first, then the eight points of the compass the wind blows from.
inline constexpr std::array<const char*, 9> kWinds = {"Calm", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};

} // namespace demogen
