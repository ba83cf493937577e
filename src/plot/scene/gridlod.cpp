#include "gridlod.h"

#include <algorithm>
#include <cmath>

namespace soarnote::scene {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct Builder {
    const std::vector<QVector3D>& positions;
    const GridLayout& layout;

    std::uint32_t At(int r, int c) const {
        return layout.first + static_cast<std::uint32_t>(r) * static_cast<std::uint32_t>(layout.stride) +
               static_cast<std::uint32_t>(c);
    }
    float Z(int r, int c) const { return positions[At(r, c)].z(); }

    // Greatest height difference between the full grid and the level's
    // surface over a tile. Each coarse cell is cut along the diagonal from
    // (rb, ca) to (ra, cb), as the triangle rule cuts it; a grid vertex at
    // (u, v) across the cell lies on the lower triangle when u + v <= 1.
    float LevelError(const LodTile& t, int level) const {
        const std::vector<int> rows = LevelLines(t.row0, t.row1, level);
        const std::vector<int> columns = LevelLines(t.column0, t.column1, level);
        float worst = 0;
        for (std::size_t i = 0; i + 1 < rows.size(); ++i)
            for (std::size_t j = 0; j + 1 < columns.size(); ++j) {
                const int ra = rows[i], rb = rows[i + 1], ca = columns[j], cb = columns[j + 1];
                const float z00 = Z(ra, ca), z10 = Z(ra, cb), z01 = Z(rb, ca), z11 = Z(rb, cb);
                const float du = 1.0f / float(cb - ca);
                const float dv = 1.0f / float(rb - ra);
                for (int r = ra; r <= rb; ++r) {
                    const float v = float(r - ra) * dv;
                    const QVector3D* row = &positions[At(r, ca)];
                    for (int c = 0; c <= cb - ca; ++c) {
                        const float u = float(c) * du;
                        const float surface = u + v <= 1.0f
                                                  ? z00 + u * (z10 - z00) + v * (z01 - z00)
                                                  : z11 + (1.0f - u) * (z01 - z11) + (1.0f - v) * (z10 - z11);
                        worst = std::max(worst, std::abs(row[c].z() - surface));
                    }
                }
            }
        return worst;
    }

    void AddCells(const LodTile& t, int level, std::vector<std::uint32_t>& out) const {
        const std::vector<int> rows = LevelLines(t.row0, t.row1, level);
        const std::vector<int> columns = LevelLines(t.column0, t.column1, level);
        const auto triangle = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
            // Only the full level can meet a vertex without data (tiles with
            // holes have no other).
            if (positions[a].z() == 0 || positions[b].z() == 0 || positions[c].z() == 0) return;
            out.insert(out.end(), {a, b, c});
        };
        for (std::size_t i = 1; i < rows.size(); ++i)
            for (std::size_t j = 1; j < columns.size(); ++j) {
                const std::uint32_t p = At(rows[i], columns[j]);
                const std::uint32_t left = At(rows[i], columns[j - 1]);
                const std::uint32_t below = At(rows[i - 1], columns[j]);
                const std::uint32_t belowLeft = At(rows[i - 1], columns[j - 1]);
                if (layout.windingFlag) {
                    triangle(p, left, below);
                    triangle(left, belowLeft, below);
                } else {
                    triangle(left, p, below);
                    triangle(left, below, belowLeft);
                }
            }
    }
};

} // namespace

bool GridLayout::Valid(std::size_t vertexCount) const {
    if (rows < 2 || columns < 2 || stride < columns) return false;
    const std::size_t last =
        std::size_t(first) + std::size_t(rows - 1) * std::size_t(stride) + std::size_t(columns);
    return last <= vertexCount && last < kNone;
}

std::vector<int> LevelLines(int start, int end, int level) {
    std::vector<int> lines;
    const int step = 1 << level;
    for (int x = start; x < end; x += step)
        lines.push_back(x);
    lines.push_back(end);
    return lines;
}

float DistanceToBox(const QVector3D& point, const QVector3D& lo, const QVector3D& hi) {
    const auto gap = [](float p, float a, float b) { return p < a ? a - p : p > b ? p - b : 0.0f; };
    return QVector3D(gap(point.x(), lo.x(), hi.x()), gap(point.y(), lo.y(), hi.y()),
                     gap(point.z(), lo.z(), hi.z()))
        .length();
}

int ChooseLevel(const std::vector<float>& error, float distance, float pixelsPerUnit, float tolerance) {
    for (int level = static_cast<int>(error.size()) - 1; level > 0; --level)
        if (error[static_cast<std::size_t>(level)] * pixelsPerUnit <= tolerance * distance) return level;
    return 0;
}

GridLod BuildGridLod(const std::vector<QVector3D>& positions, const GridLayout& layout, int tileCells) {
    GridLod lod;
    if (!layout.Valid(positions.size()) || tileCells < 1) return lod;
    int top = 0;
    while ((2 << top) <= tileCells)
        ++top;
    const int side = 1 << top;
    lod.levels = top + 1;
    const Builder b{positions, layout};

    for (int r0 = 0; r0 < layout.rows - 1; r0 += side)
        for (int c0 = 0; c0 < layout.columns - 1; c0 += side) {
            LodTile t;
            t.row0 = r0;
            t.column0 = c0;
            t.row1 = std::min(r0 + side, layout.rows - 1);
            t.column1 = std::min(c0 + side, layout.columns - 1);
            bool hole = false;
            t.lo = t.hi = positions[b.At(r0, c0)];
            for (int r = t.row0; r <= t.row1; ++r)
                for (int c = t.column0; c <= t.column1; ++c) {
                    const QVector3D& p = positions[b.At(r, c)];
                    hole = hole || p.z() == 0;
                    t.lo = QVector3D(std::min(t.lo.x(), p.x()), std::min(t.lo.y(), p.y()),
                                     std::min(t.lo.z(), p.z()));
                    t.hi = QVector3D(std::max(t.hi.x(), p.x()), std::max(t.hi.y(), p.y()),
                                     std::max(t.hi.z(), p.z()));
                }
            t.error.push_back(0);
            for (int level = 1; !hole && level < lod.levels; ++level)
                t.error.push_back(std::max(t.error.back(), b.LevelError(t, level)));
            lod.skirtDepth = std::max(lod.skirtDepth, t.error.back());
            lod.tiles.push_back(std::move(t));
        }
    // Two neighbours may each be off by their own error, in opposite ways
    // (and a little more, for rounding).
    lod.skirtDepth *= 2.02f;

    // Skirt vertices are made for the grid vertices of the inner tile edges
    // as the edges ask for them.
    std::vector<std::uint32_t> skirtOf(std::size_t(layout.rows) * std::size_t(layout.columns), kNone);
    const auto skirt = [&](int r, int c) {
        std::uint32_t& k = skirtOf[std::size_t(r) * std::size_t(layout.columns) + std::size_t(c)];
        if (k == kNone) {
            k = static_cast<std::uint32_t>(positions.size() + lod.skirtSource.size());
            lod.skirtSource.push_back(b.At(r, c));
        }
        return k;
    };
    // A wall under the grid edge from (ra, ca) to (rb, cb), its front facing
    // away from the tile's middle; left out where the edge meets a vertex
    // without data, so a hole is not walled in.
    const auto wall = [&](const LodTile& t, int ra, int ca, int rb, int cb, std::vector<std::uint32_t>& out) {
        if (lod.skirtDepth <= 0) return; // a flat grid has no level that could crack
        for (int r = ra; r <= rb; ++r)
            for (int c = ca; c <= cb; ++c)
                if (b.Z(r, c) == 0) return;
        std::uint32_t q[4] = {b.At(ra, ca), b.At(rb, cb), skirt(rb, cb), skirt(ra, ca)};
        const QVector3D pa = positions[q[0]];
        const QVector3D pb = positions[q[1]];
        const QVector3D middle = (t.lo + t.hi) / 2;
        const QVector3D outward((pa.x() + pb.x()) / 2 - middle.x(), (pa.y() + pb.y()) / 2 - middle.y(), 0);
        // The front of (a, b, b - up) is where (b - a) x (-up) points.
        const QVector3D front = QVector3D::crossProduct(pb - pa, QVector3D(0, 0, -1));
        if (QVector3D::dotProduct(front, outward) < 0) {
            std::swap(q[0], q[1]);
            std::swap(q[2], q[3]);
        }
        out.insert(out.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
    };

    const std::size_t tiles = lod.tiles.size();
    lod.ranges.resize(std::size_t(lod.levels) * tiles);
    for (int level = 0; level < lod.levels; ++level)
        for (std::size_t i = 0; i < tiles; ++i) {
            const LodTile& t = lod.tiles[i];
            if (level >= static_cast<int>(t.error.size())) continue;
            GridLod::Range& range = lod.ranges[std::size_t(level) * tiles + i];
            range.first = static_cast<std::uint32_t>(lod.indices.size());
            b.AddCells(t, level, lod.indices);
            const std::vector<int> rows = LevelLines(t.row0, t.row1, level);
            const std::vector<int> columns = LevelLines(t.column0, t.column1, level);
            for (std::size_t j = 1; j < columns.size(); ++j) {
                if (t.row0 > 0) wall(t, t.row0, columns[j - 1], t.row0, columns[j], lod.indices);
                if (t.row1 < layout.rows - 1)
                    wall(t, t.row1, columns[j - 1], t.row1, columns[j], lod.indices);
            }
            for (std::size_t j = 1; j < rows.size(); ++j) {
                if (t.column0 > 0) wall(t, rows[j - 1], t.column0, rows[j], t.column0, lod.indices);
                if (t.column1 < layout.columns - 1)
                    wall(t, rows[j - 1], t.column1, rows[j], t.column1, lod.indices);
            }
            range.count = static_cast<std::uint32_t>(lod.indices.size()) - range.first;
        }
    return lod;
}

} // namespace soarnote::scene
