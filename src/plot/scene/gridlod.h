#pragma once
// Level of detail for meshes built from a regular grid (the landscapes).
//
// A llvmpipe-class rasteriser pays per triangle and per vertex, and a
// landscape of a million vertices seen from a glider has most of its cells far
// away, where each covers a fraction of a pixel. So the grid is cut into
// square tiles, and every tile gets index lists at coarser levels that take
// every 2nd, 4th, 8th ... row and column. The renderer draws each tile at the
// coarsest level whose error, seen from the camera, stays within a pixel or so.
//
// The vertices stay those of the full grid (the coarse levels pick a subset),
// so positions and normals, and with them the shading, are the same at every
// level. Where tiles of different levels meet, a coarse edge skips vertices
// the fine neighbour uses; the tiles hang skirts (narrow vertical walls of
// extra vertices just below their inner edges, facing outwards) that fill
// those slits. A skirt lies under the neighbouring ground, so it shows only
// where there would have been a crack.
//
// Tiles holding a vertex without data (z == 0) keep their full detail, so
// holes stay exactly where the grid has them. Pure arithmetic, no GL.

#include <QVector3D>
#include <cstdint>
#include <vector>

namespace soarnote::scene {

// Where a grid lies in a mesh: rows x columns vertices, row r and column c at
// vertex first + r * stride + c, with two triangles in every cell, written as
// the landscape builder writes them (windingFlag true: (p, left, below) and
// (left, belowLeft, below), false: the other winding), leaving out triangles
// that touch a vertex with z == 0.
struct GridLayout {
    std::uint32_t first = 0;
    int stride = 0;
    int rows = 0;
    int columns = 0;
    bool windingFlag = true;

    bool Valid(std::size_t vertexCount) const;
};

struct LodTile {
    int row0 = 0, column0 = 0; // first vertex row and column of the tile
    int row1 = 0, column1 = 0; // last ones (shared with the next tile)
    // Greatest height difference between the full grid and each level's
    // surface over the tile; never decreasing with the level. One entry when
    // the tile stays at full detail.
    std::vector<float> error;
    // Bounds of the tile's ground (skirts not included).
    QVector3D lo;
    QVector3D hi;
};

struct GridLod {
    std::vector<LodTile> tiles;
    // Triangle indices of every level of every tile, level by level and tile
    // by tile inside a level, so that neighbouring tiles at one level are
    // neighbours in the list too and can be drawn together.
    std::vector<std::uint32_t> indices;
    // Where tile t's triangles (skirts included) of level l start in indices
    // and how many there are: range[l * tiles.size() + t] (count 0 where the
    // tile has no such level).
    struct Range {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    std::vector<Range> ranges;
    int levels = 1;
    // Skirt vertices, appended after the mesh's own: vertex
    // vertexCount + k is a copy of skirtSource[k] lowered by skirtDepth.
    std::vector<std::uint32_t> skirtSource;
    float skirtDepth = 0;

    const Range& At(int level, std::size_t tile) const {
        return ranges[static_cast<std::size_t>(level) * tiles.size() + tile];
    }
};

// Builds the tiles (tileCells cells a side, a power of two) and their levels
// (each level doubling the step, up to the tile's side) over a grid in
// positions. Returns an empty result (no tiles) for a layout that does not fit.
GridLod BuildGridLod(const std::vector<QVector3D>& positions, const GridLayout& layout, int tileCells = 64);

// The vertex rows (or columns) of a tile of span cells at a level: every
// 2^level-th from the tile's start, and always its last one.
std::vector<int> LevelLines(int start, int end, int level);

// Distance from a point to a box (0 inside).
float DistanceToBox(const QVector3D& point, const QVector3D& lo, const QVector3D& hi);

// The coarsest level whose error, at the given distance and seen with
// pixelsPerUnit pixels per unit of size at distance 1, stays within
// tolerance pixels. error is never decreasing.
int ChooseLevel(const std::vector<float>& error, float distance, float pixelsPerUnit, float tolerance);

} // namespace soarnote::scene
