#include "meshclusters.h"

#include <algorithm>
#include <cmath>

namespace soarnote::scene {

std::vector<MeshCluster> ClusterTriangles(const std::vector<QVector3D>& positions,
                                          std::vector<std::uint32_t>& indices, int trianglesPerCluster) {
    const std::size_t triangles = indices.size() / 3;
    const auto boxOf = [&](std::size_t first, std::size_t count) {
        MeshCluster c{static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count), {}, {}};
        for (std::size_t i = first; i < first + count; ++i) {
            const QVector3D& p = positions[indices[i]];
            if (i == first) {
                c.lo = c.hi = p;
                continue;
            }
            c.lo = QVector3D(std::min(c.lo.x(), p.x()), std::min(c.lo.y(), p.y()), std::min(c.lo.z(), p.z()));
            c.hi = QVector3D(std::max(c.hi.x(), p.x()), std::max(c.hi.y(), p.y()), std::max(c.hi.z(), p.z()));
        }
        return c;
    };
    const auto per = static_cast<std::size_t>(std::max(1, trianglesPerCluster));
    if (triangles <= per) return {boxOf(0, triangles * 3)};

    // Tiles over the ground plan (x, y): a landscape spreads there.
    const MeshCluster all = boxOf(0, triangles * 3);
    const int side = static_cast<int>(std::ceil(std::sqrt(double(triangles) / double(per))));
    const float w = std::max(all.hi.x() - all.lo.x(), 1e-6f);
    const float h = std::max(all.hi.y() - all.lo.y(), 1e-6f);
    std::vector<int> tileOf(triangles);
    std::vector<std::size_t> start(static_cast<std::size_t>(side * side) + 1, 0);
    for (std::size_t t = 0; t < triangles; ++t) {
        const QVector3D centre =
            (positions[indices[3 * t]] + positions[indices[3 * t + 1]] + positions[indices[3 * t + 2]]) / 3;
        // side is the square root of a triangle count: exact as a float.
        const auto tiles = static_cast<float>(side);
        const int tx = std::clamp(static_cast<int>((centre.x() - all.lo.x()) / w * tiles), 0, side - 1);
        const int ty = std::clamp(static_cast<int>((centre.y() - all.lo.y()) / h * tiles), 0, side - 1);
        tileOf[t] = ty * side + tx;
        ++start[static_cast<std::size_t>(tileOf[t]) + 1];
    }
    for (std::size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<std::uint32_t> sorted(indices.size());
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t t = 0; t < triangles; ++t) {
        const std::size_t at = 3 * fill[static_cast<std::size_t>(tileOf[t])]++;
        std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(3 * t), 3,
                    sorted.begin() + static_cast<std::ptrdiff_t>(at));
    }
    indices.swap(sorted);
    std::vector<MeshCluster> clusters;
    for (std::size_t tile = 0; tile + 1 < start.size(); ++tile)
        if (start[tile + 1] > start[tile])
            clusters.push_back(boxOf(3 * start[tile], 3 * (start[tile + 1] - start[tile])));
    return clusters;
}

bool OutsideView(const QMatrix4x4& clip, const QVector3D& lo, const QVector3D& hi) {
    QVector4D corners[8];
    for (int i = 0; i < 8; ++i)
        corners[i] =
            clip.map(QVector4D(i & 1 ? hi.x() : lo.x(), i & 2 ? hi.y() : lo.y(), i & 4 ? hi.z() : lo.z(), 1));
    // Planes -w <= x, y, z <= w.
    for (int axis = 0; axis < 3; ++axis) {
        bool allBelow = true;
        bool allAbove = true;
        for (const QVector4D& c : corners) {
            allBelow = allBelow && c[axis] < -c.w();
            allAbove = allAbove && c[axis] > c.w();
        }
        if (allBelow || allAbove) return true;
    }
    return false;
}

} // namespace soarnote::scene
