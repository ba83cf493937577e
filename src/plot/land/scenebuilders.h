#pragma once
// The pure geometry of the 3D view's own objects: the track ribbon, the flat
// reference ground, the cloud layer, the triangle rule every ground grid goes
// through, and the colour and wrap arithmetic the scene applies to them.
// Values in, MeshGeometry / VertexGrid out: no GL, no settings, no clock, so
// each builder can be checked vertex by vertex.

#include "plot/meshgeometry.h"
#include "plot/plotdata.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace soarnote {

// The ribbon along the flight path: a triangular cross-section lying 5 m above
// each point, joined section to section by quadrilaterals and closed by a cap
// at both ends. Needs at least three points (lastIndex >= 2); fewer give an
// empty geometry.
MeshGeometry ConstructTrackGeometry(const PlotData& plot);

// The flat reference ground: a 100 m grid one cell wider than the flight on
// every side, at the given height (exactly 0 is moved just below, since a
// height of 0 means "no data" to the grid builder).
VertexGrid ConstructLandRefGrid(const PlotData& plot, float height);

// The faces of a ground grid: per inner cell two triangles, left out where a
// vertex has z == 0. windingFlag true is the order used for grids stored from
// north to south, false the mirrored order for grids stored south to north;
// both show their upper side.
std::vector<std::int32_t> GridFaceList(const VertexGrid& grid, bool windingFlag);

// A ground grid made ready for the scene: its vertices, the faces of the
// triangle rule and the flat wrap that spans the bitmap once over the grid
// (origin at the first vertex, scales from the first to the last vertex).
struct GridMesh {
    MeshGeometry mesh;
    Vertex3 wrapOrigin;
    float scaleU = 1;
    float scaleV = 1;
};
GridMesh BuildGridMeshGeometry(const VertexGrid& grid, bool windingFlag);

// Texture scale that makes a bitmap span an extent once. A zero (or not
// finite) extent, such as a grid of one row, gives 1 rather than an infinite
// scale, so no texture coordinate becomes infinite or NaN.
float WrapScale(double extent);

// A mesh colour from a 0x00BBGGRR setting and an alpha. Each channel is the
// setting modulo 256, 65536 and 16777216 divided by the same number, so the
// lower bytes fall into the fraction (255 gives red 255/256, green
// 255/65536): that is how the program has always tinted its meshes.
struct MeshColour {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
    // The same, 0..255 per channel (clamped, rounded to nearest).
    std::uint8_t red8 = 0;
    std::uint8_t green8 = 0;
    std::uint8_t blue8 = 0;
    std::uint8_t alpha8 = 0;
};
MeshColour MeshColourFromSetting(std::int64_t colour, float alpha);

// One cloud of the cloud layer: a square patch whose triangles are written in
// both windings so it shows from above and from below, the bitmap it wears
// ("cloud1.bmp" or "cloud2.bmp") and the wrap scales that fit the bitmap
// onto it once.
struct CloudPatch {
    MeshGeometry mesh;
    QString bitmapName;
    float scaleU = 1;
    float scaleV = 1;
};

// The clouds over a flight: amount (in eighths of sky, as logged) x area /
// size^2 / 20 patches, each placed and sized from five draws of the random
// source (uniform in [0, 1)). The source is a parameter so that the window
// can seed it from the clock and tests can replay fixed draws.
std::vector<CloudPatch> ConstructCloudLayerGeometry(const PlotData& plot, float height, std::int32_t amount,
                                                    float size, const std::function<double()>& random);

} // namespace soarnote
