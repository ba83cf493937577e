#pragma once
// The two kinds of position the program moves between: geographic positions from
// the GPS and landscape files, and plane positions in metres for the 3D view,
// the landscapes and the National Grid.

namespace soarnote {

// Degrees, north and east positive.
struct GeoPosition {
    double latitude = 0;
    double longitude = 0;
};

// Metres: easting, then northing.
struct PlanePosition {
    double easting = 0;
    double northing = 0;
};

} // namespace soarnote
