#pragma once
// Geometry handed from the scene builders (track ribbon, grounds, landscapes,
// clouds) to the 3D scene layer. Plain data with no GL and no Qt GUI types, so
// the builders stay pure functions that tests can check number by number.

#include <cstdint>
#include <vector>

namespace soarnote {

// A point in scene coordinates, metres: x = minus the easting, y = the
// northing, z = the height. Together the axes form a left-handed system.
struct Vertex3 {
    float x = 0;
    float y = 0;
    float z = 0;
    friend bool operator==(const Vertex3&, const Vertex3&) = default;
};

// Vertices and faces of one mesh. The face list is a run of records, each a
// vertex count n followed by n zero-based vertex indices, ended by a 0. Front
// faces are the ones whose vertices run clockwise seen from the front in the
// left-handed scene frame. No normals: the scene layer generates them.
struct MeshGeometry {
    std::vector<Vertex3> vertices;
    std::vector<std::int32_t> faceList{0};
};

// A regular grid of vertices stored row by row (index = row * columns +
// column). A vertex whose z is exactly 0 is "no data": no face uses it, so a
// real height of 0 is stored just off 0 by whoever fills the grid.
struct VertexGrid {
    int rows = 0;
    int columns = 0;
    std::vector<Vertex3> vertices;
};

} // namespace soarnote
