#include "plot/land/scenebuilders.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soarnote {

namespace {

constexpr double kPi = std::numbers::pi;
// A reference ground or a cloud larger than this would be a corrupt plot, not
// a flight; building it would only exhaust memory.
constexpr double kMaxGridVertices = 4.0e6;
constexpr double kMaxClouds = 20000;

// Heading of the segment from a to b, between -pi/2 and pi/2. A segment with
// no change of X takes a huge ratio instead of dividing by zero.
double SegmentAngle(const PlotPoint& a, const PlotPoint& b) {
    const double dx = static_cast<double>(a.x - b.x);
    const double ratio = dx == 0 ? 1e23 : static_cast<double>(a.y - b.y) / dx;
    return std::atan(ratio);
}

void AddSection(MeshGeometry& mesh, const PlotPoint& p, double angle) {
    const double s = 0.5 * std::sin(angle);
    const double c = 0.5 * std::cos(angle);
    auto add = [&](double x, double y, double z) {
        mesh.vertices.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    };
    add(p.x - s, p.y + c, p.z + 5.0);
    add(p.x + s, p.y - c, p.z + 5.0);
    add(p.x, p.y, p.z + 4.75);
    const auto n = static_cast<std::int32_t>(mesh.vertices.size());
    if (n < 6) return;
    auto& f = mesh.faceList;
    f.insert(f.end(), {4, n - 5, n - 2, n - 3, n - 6});
    f.insert(f.end(), {4, n - 4, n - 1, n - 2, n - 5});
    f.insert(f.end(), {4, n - 6, n - 3, n - 1, n - 4});
}

void AddTriangle(std::vector<std::int32_t>& faces, std::int32_t a, std::int32_t b, std::int32_t c) {
    faces.push_back(3);
    faces.push_back(a);
    faces.push_back(b);
    faces.push_back(c);
}

// Calls cell(p, left, below, belowLeft) for every cell the triangle rule
// builds: rows and columns from 1 while below rows - 1 and columns - 1, each
// loop running at least once, so the last row and column of cells of a grid
// of three or more are not built while a 2 x 2 grid builds its one cell.
template <typename Cell> void ForEachGridCell(const VertexGrid& grid, Cell cell) {
    const int rows = grid.rows;
    const int columns = grid.columns;
    if (rows < 2 || columns < 2) return;
    if (grid.vertices.size() < static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns)) return;
    for (int r = 1;; ++r) {
        for (int c = 1;; ++c) {
            const std::int32_t p = r * columns + c;
            cell(p, p - 1, p - columns, p - columns - 1);
            if (c + 1 >= columns - 1) break;
        }
        if (r + 1 >= rows - 1) break;
    }
}

} // namespace

MeshGeometry ConstructTrackGeometry(const PlotData& plot) {
    MeshGeometry mesh;
    const int last = plot.lastIndex;
    if (last < 2 || plot.points.size() < static_cast<std::size_t>(last) + 1) return mesh;
    const auto& p = plot.points;
    mesh.vertices.reserve(static_cast<std::size_t>(last) * 3 + 3);
    mesh.faceList.clear();
    mesh.faceList.reserve(static_cast<std::size_t>(last) * 15 + 8);
    for (int k = 1; k < last; ++k) {
        const double a1 = SegmentAngle(p[k - 1], p[k]);
        const double a2 = SegmentAngle(p[k], p[k + 1]);
        if (k == 1) {
            AddSection(mesh, p[0], a1 < 0 ? a1 + kPi : a1);
            AddTriangle(mesh.faceList, 2, 1, 0);
        }
        // A turn of more than a right angle between the two headings would
        // make the plain mean point along the track instead of across it.
        const double a = std::abs(a1 - a2) > kPi / 2 ? (a1 + a2 + kPi) / 2 : (a1 + a2) / 2;
        AddSection(mesh, p[k], a);
        if (k == last - 1) {
            AddSection(mesh, p[k + 1], a2 < 0 ? a2 + kPi : a2);
            const auto n = static_cast<std::int32_t>(mesh.vertices.size());
            AddTriangle(mesh.faceList, n - 3, n - 2, n - 1);
        }
    }
    mesh.faceList.push_back(0);
    return mesh;
}

VertexGrid ConstructLandRefGrid(const PlotData& plot, float height) {
    VertexGrid grid;
    if (height == 0) height = -0.0001f;
    const double nx = std::nearbyint(static_cast<double>(plot.max.x - plot.min.x) / 100.0);
    const double ny = std::nearbyint(static_cast<double>(plot.max.y - plot.min.y) / 100.0);
    if (!std::isfinite(nx) || !std::isfinite(ny) || nx < 0 || ny < 0 ||
        (nx + 3) * (ny + 3) > kMaxGridVertices)
        return grid;
    grid.columns = static_cast<int>(nx) + 3;
    grid.rows = static_cast<int>(ny) + 3;
    grid.vertices.reserve(static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns));
    for (int j = 0; j < grid.rows; ++j)
        for (int i = 0; i < grid.columns; ++i)
            grid.vertices.push_back({static_cast<float>(plot.min.x + i * 100.0 - 50.0),
                                     static_cast<float>(plot.min.y + j * 100.0 - 50.0), height});
    return grid;
}

std::vector<std::int32_t> GridFaceList(const VertexGrid& grid, bool windingFlag) {
    std::vector<std::int32_t> faces;
    // Two triangles of four numbers per cell at most: one allocation for a
    // landscape of a million vertices instead of a run of regrowths.
    if (grid.rows > 1 && grid.columns > 1)
        faces.reserve(
            static_cast<std::size_t>(grid.rows - 1) * static_cast<std::size_t>(grid.columns - 1) * 8 + 1);
    const auto& v = grid.vertices;
    auto hasData = [&](std::int32_t a, std::int32_t b, std::int32_t c) {
        return v[static_cast<std::size_t>(a)].z != 0 && v[static_cast<std::size_t>(b)].z != 0 &&
               v[static_cast<std::size_t>(c)].z != 0;
    };
    ForEachGridCell(grid, [&](std::int32_t p, std::int32_t left, std::int32_t below, std::int32_t belowLeft) {
        if (hasData(p, left, below)) {
            if (windingFlag)
                AddTriangle(faces, p, left, below);
            else
                AddTriangle(faces, left, p, below);
        }
        if (hasData(left, belowLeft, below)) {
            if (windingFlag)
                AddTriangle(faces, left, belowLeft, below);
            else
                AddTriangle(faces, left, below, belowLeft);
        }
    });
    faces.push_back(0);
    return faces;
}

GridMesh BuildGridMeshGeometry(const VertexGrid& grid, bool windingFlag) {
    GridMesh result;
    result.mesh.faceList = GridFaceList(grid, windingFlag);
    if (!grid.vertices.empty()) {
        const Vertex3& first = grid.vertices.front();
        const Vertex3& last = grid.vertices.back();
        result.wrapOrigin = first;
        result.scaleU = WrapScale(static_cast<double>(last.x) - first.x);
        result.scaleV = WrapScale(static_cast<double>(last.y) - first.y);
    }
    result.mesh.vertices = grid.vertices;
    return result;
}

float WrapScale(double extent) {
    const double size = std::abs(extent);
    if (!std::isfinite(size) || size < 1e-6) return 1.0f;
    return static_cast<float>(1.0 / size);
}

MeshColour MeshColourFromSetting(std::int64_t colour, float alpha) {
    MeshColour m;
    m.red = static_cast<float>(static_cast<double>(colour % 256) / 256.0);
    m.green = static_cast<float>(static_cast<double>(colour % 65536) / 65536.0);
    m.blue = static_cast<float>(static_cast<double>(colour % 16777216) / 16777216.0);
    m.alpha = alpha;
    auto to8 = [](float f) {
        const double clamped = std::isfinite(f) ? std::clamp(static_cast<double>(f), 0.0, 1.0) : 0.0;
        return static_cast<std::uint8_t>(std::lround(clamped * 255.0));
    };
    m.red8 = to8(m.red);
    m.green8 = to8(m.green);
    m.blue8 = to8(m.blue);
    m.alpha8 = to8(m.alpha);
    return m;
}

std::vector<CloudPatch> ConstructCloudLayerGeometry(const PlotData& plot, float height, std::int32_t amount,
                                                    float size, const std::function<double()>& random) {
    std::vector<CloudPatch> clouds;
    if (height == 0) height = -0.0001f;
    const float w = (plot.max.x - plot.min.x) + 2000.0f;
    const float h = (plot.max.y - plot.min.y) + 2000.0f;
    const double count = std::nearbyint(static_cast<double>(amount) * (static_cast<double>(h) / size) *
                                        (static_cast<double>(w) / size) / 20.0);
    // A zero or negative size, or an absurd count, is not a sky to draw.
    if (!std::isfinite(count) || count < 1 || count > kMaxClouds) return clouds;
    clouds.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < static_cast<int>(count); ++i) {
        const double r1 = random();
        const double r2 = random();
        const double r3 = random();
        const double r4 = random();
        const auto x0 = static_cast<float>(r1 * w + plot.min.x - 1000.0);
        const auto y0 = static_cast<float>(r2 * h + plot.min.y - 1000.0);
        const auto z = static_cast<float>(r3 * 50.0 + height);
        const auto s = static_cast<float>((r4 + 0.5) * size);
        const bool second = random() >= 0.5;

        VertexGrid grid{2, 2, {{x0, y0, z}, {x0 + s, y0, z}, {x0, y0 + s, z}, {x0 + s, y0 + s, z}}};
        CloudPatch patch;
        patch.bitmapName = second ? QStringLiteral("cloud2.bmp") : QStringLiteral("cloud1.bmp");
        // Each triangle in both windings, so the patch shows from below too.
        const std::vector<std::int32_t> up = GridFaceList(grid, true);
        const std::vector<std::int32_t> down = GridFaceList(grid, false);
        patch.mesh.faceList.clear();
        for (std::size_t f = 0; f + 3 < up.size() && f + 3 < down.size(); f += 4) {
            patch.mesh.faceList.insert(patch.mesh.faceList.end(), up.begin() + static_cast<std::ptrdiff_t>(f),
                                       up.begin() + static_cast<std::ptrdiff_t>(f + 4));
            patch.mesh.faceList.insert(patch.mesh.faceList.end(),
                                       down.begin() + static_cast<std::ptrdiff_t>(f),
                                       down.begin() + static_cast<std::ptrdiff_t>(f + 4));
        }
        patch.mesh.faceList.push_back(0);
        patch.scaleU = WrapScale(static_cast<double>(grid.vertices.back().x - grid.vertices.front().x));
        patch.scaleV = WrapScale(static_cast<double>(grid.vertices.back().y - grid.vertices.front().y));
        patch.mesh.vertices = std::move(grid.vertices);
        clouds.push_back(std::move(patch));
    }
    return clouds;
}

} // namespace soarnote
