#pragma once
// The flat projection the 3D view, its landscapes and the instrument panel
// work in: latitude and longitude to metres on a plane and back, on the WGS84
// ellipsoid. It is cheap and good enough for the few tens of kilometres a
// flight covers; it is not a conformal map projection.
//
// The origin is the point where the equator meets the Greenwich meridian;
// there is no reference point to set, every call stands alone.

#include "geo/geoposition.h"

namespace soarnote {

// Northing: the straight-line distance from the point on the equator of the
// same meridian, negative south of the equator. Easting: the longitude times
// the length of a degree on a circle whose radius is the mean of the
// equatorial radius and the point's distance from the axis.
PlanePosition LatLngToPlane(GeoPosition position);

// The inverse, found by iteration from (0, 0) to within one metre. The
// longitude steps overshoot more the further north or south the target: up to
// about 68 degrees of latitude the walk settles within the step limit, beyond
// about 70.5 degrees it swings ever wider. Then the last finite estimate is
// returned, its latitude right but its longitude not.
GeoPosition PlaneToLatLng(PlanePosition position);

} // namespace soarnote
