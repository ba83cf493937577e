#pragma once
// Large meshes (a landscape of a million vertices) are drawn in spatial
// clusters: the triangles are sorted into tiles over the mesh's ground plan,
// each tile with its bounding box, so the renderer skips the tiles outside the
// view and the triangles of a tile reuse each other's vertices (a rasteriser
// shades a vertex once per batch that uses it).

#include <QMatrix4x4>
#include <QVector3D>
#include <cstdint>
#include <vector>

namespace soarnote::scene {

struct MeshCluster {
    std::uint32_t first = 0; // first index of the cluster's triangles
    std::uint32_t count = 0; // number of indices (three per triangle)
    QVector3D lo;
    QVector3D hi;
};

// Reorders the triangles of indices (three per triangle) tile by tile, about
// trianglesPerCluster to a tile, and returns the tiles in that order. Every
// triangle keeps its corners and their order. A small mesh is one cluster.
std::vector<MeshCluster> ClusterTriangles(const std::vector<QVector3D>& positions,
                                          std::vector<std::uint32_t>& indices,
                                          int trianglesPerCluster = 2048);

// True when the box lies wholly outside one plane of the view volume of
// clip (model to clip coordinates); false when it may show.
bool OutsideView(const QMatrix4x4& clip, const QVector3D& lo, const QVector3D& hi);

} // namespace soarnote::scene
