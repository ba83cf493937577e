#pragma once
// The Ordnance Survey National Grid: Transverse Mercator on the Airy 1830
// ellipsoid, central meridian 2 degrees west, and the lettered grid references
// British landscape files and pilots use.
//
// Several constants are single precision and the series' intermediate terms
// are rounded to single precision; those roundings are part of the results and
// keep grid positions identical to those the program has always produced.
// Against the Ordnance Survey's own transformation the results differ by up
// to about 2 m over Britain (the scale factor is 0.9996 rather than
// 0.9996012717, and the series is shorter).

#include "geo/geoposition.h"

#include <string_view>

namespace soarnote {

PlanePosition LatLngToOsGrid(GeoPosition position);

// The inverse, found by iteration from 52N 3W to within one metre of grid
// distance; after the step limit the last (finite) estimate is returned.
GeoPosition OsGridToLatLng(PlanePosition position);

// Reads a grid reference such as "TQ 300 800", "SU4012" or "NN1234567890":
// up to two capital letters from the 5 x 5 letter table (a third replaces the
// second; lowercase letters are not grid letters) and the digits, half of them
// easting and half northing (for an odd count the half is rounded to the even
// number, so the two halves overlap or leave the middle digit out).
// Everything else is ignored. Text without letters or digits gives
// (0, -500000), which callers take as "no reference".
PlanePosition GridRefToOsGrid(std::string_view text);

} // namespace soarnote
