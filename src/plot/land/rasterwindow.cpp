#include "plot/land/rasterwindow.h"

#include "geo/planeprojection.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>

namespace soarnote {

namespace {

// Lattice numbers are worked out in double and only then made integers, so a
// corrupt header or a flight at the far side of the world cannot overflow.
constexpr double kLatticeLimit = 1.0e8;

int ToLattice(double value) {
    if (!std::isfinite(value))
        return value < 0 ? -static_cast<int>(kLatticeLimit) : static_cast<int>(kLatticeLimit);
    return static_cast<int>(std::clamp(std::nearbyint(value), -kLatticeLimit, kLatticeLimit));
}

bool SameStep(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

// Where a tile's first sample lies on the lattice of the reference tile, or
// false when the tile's samples fall between the reference's lattice points.
bool TileOffset(const RasterTile& ref, const RasterTile& tile, int* rowOffset, int* columnOffset) {
    if (!SameStep(ref.latStep, tile.latStep) || !SameStep(ref.lonStep, tile.lonStep)) return false;
    const double rows = (ref.north - tile.north) / ref.latStep;
    const double columns = (tile.west - ref.west) / ref.lonStep;
    if (!std::isfinite(rows) || !std::isfinite(columns) || std::abs(rows) > kLatticeLimit ||
        std::abs(columns) > kLatticeLimit)
        return false;
    *rowOffset = static_cast<int>(std::nearbyint(rows));
    *columnOffset = static_cast<int>(std::nearbyint(columns));
    return std::abs(rows - *rowOffset) < 1e-3 && std::abs(columns - *columnOffset) < 1e-3;
}

bool UsableTile(const RasterTile& tile) {
    return tile.rows > 0 && tile.columns > 0 && tile.latStep > 0 && tile.lonStep > 0 &&
           std::isfinite(tile.north) && std::isfinite(tile.west) && std::isfinite(tile.latStep) &&
           std::isfinite(tile.lonStep) && tile.dataOffset >= 0;
}

} // namespace

const char* LandscapeErrorText(LandscapeError error) {
    switch (error) {
    case LandscapeError::None:
        return "";
    case LandscapeError::NoHeaderFile:
        return "No Header File";
    case LandscapeError::BadHeader:
        return "The landscape's header gives no usable size or spacing";
    case LandscapeError::CannotOpen:
        return "The landscape file cannot be read";
    case LandscapeError::ShortDataFile:
        return "The landscape file is shorter than its header says; only the heights it holds are shown";
    case LandscapeError::OutsideGrid:
        return "The flight lies outside this landscape";
    case LandscapeError::TooLarge:
        return "The landscape is too large to show";
    case LandscapeError::BadXyzHeader:
        return "The file is not a Visual Explorer XYZ landscape";
    case LandscapeError::NeedGridReference:
        return "Enter OS Grid ref for bottom left corner";
    case LandscapeError::NoTerrain:
        return "No terrain tile covers this flight";
    }
    return "";
}

float DemSampleToZ(int sample) {
    return static_cast<float>(sample - 100.00001);
}

RasterWindow WindowOfBox(const std::vector<RasterTile>& tiles, double south, double west, double north,
                         double east, int margin) {
    RasterWindow window;
    if (tiles.empty() || !UsableTile(tiles.front())) return window;
    const RasterTile& ref = tiles.front();
    // The union of the tiles on the reference lattice bounds the window.
    int top = std::numeric_limits<int>::max();
    int bottom = std::numeric_limits<int>::min();
    int left = std::numeric_limits<int>::max();
    int right = std::numeric_limits<int>::min();
    for (const RasterTile& tile : tiles) {
        int r0 = 0;
        int c0 = 0;
        if (!UsableTile(tile) || !TileOffset(ref, tile, &r0, &c0)) continue;
        top = std::min(top, r0);
        bottom = std::max(bottom, r0 + tile.rows - 1);
        left = std::min(left, c0);
        right = std::max(right, c0 + tile.columns - 1);
    }
    if (top > bottom) return window;
    const int westColumn = ToLattice((west - ref.west) / ref.lonStep);
    const int eastColumn = ToLattice((east - ref.west) / ref.lonStep);
    const int northRow = ToLattice((ref.north - north) / ref.latStep);
    const int southRow = ToLattice((ref.north - south) / ref.latStep);
    window.firstColumn = std::max(westColumn - margin, left);
    window.lastColumn = std::min(eastColumn + margin, right);
    window.firstRow = std::max(northRow - margin, top);
    window.lastRow = std::min(southRow + margin, bottom);
    if (window.firstColumn > window.lastColumn || window.firstRow > window.lastRow) return RasterWindow{};
    return window;
}

RasterResult ReadRasterWindow(const std::vector<RasterTile>& tiles, const RasterWindow& window,
                              std::int64_t maxVertices, const RasterOpener& open) {
    RasterResult result;
    if (tiles.empty()) {
        result.error = LandscapeError::NoTerrain;
        return result;
    }
    const RasterTile& ref = tiles.front();
    if (!UsableTile(ref)) {
        result.error = LandscapeError::BadHeader;
        return result;
    }
    const std::int64_t rows = std::int64_t{window.lastRow} - window.firstRow + 1;
    const std::int64_t columns = std::int64_t{window.lastColumn} - window.firstColumn + 1;
    if (rows <= 0 || columns <= 0) {
        result.error = LandscapeError::OutsideGrid;
        return result;
    }
    if (rows * columns > maxVertices) {
        result.error = LandscapeError::TooLarge;
        return result;
    }
    VertexGrid& grid = result.grid;
    grid.rows = static_cast<int>(rows);
    grid.columns = static_cast<int>(columns);
    grid.vertices.resize(static_cast<std::size_t>(rows * columns));
    for (int r = 0; r < grid.rows; ++r) {
        const double latitude = ref.north - (window.firstRow + r) * ref.latStep;
        for (int c = 0; c < grid.columns; ++c) {
            const double longitude = (window.firstColumn + c) * ref.lonStep + ref.west;
            const PlanePosition p = LatLngToPlane({latitude, longitude});
            grid.vertices[static_cast<std::size_t>(r) * grid.columns + c] = {
                static_cast<float>(-p.easting), static_cast<float>(p.northing), 0.0f};
        }
    }

    QByteArray row;
    for (const RasterTile& tile : tiles) {
        int rowOffset = 0;
        int columnOffset = 0;
        if (!UsableTile(tile) || !TileOffset(ref, tile, &rowOffset, &columnOffset)) continue;
        const int from = std::max(window.firstRow, rowOffset);
        const int to = std::min(window.lastRow, rowOffset + tile.rows - 1);
        const int left = std::max(window.firstColumn, columnOffset);
        const int right = std::min(window.lastColumn, columnOffset + tile.columns - 1);
        if (from > to || left > right) continue;
        std::unique_ptr<QIODevice> device = open ? open(tile) : std::make_unique<QFile>(tile.path);
        if (!device || (!device->isOpen() && !device->open(QIODevice::ReadOnly))) {
            result.error = LandscapeError::CannotOpen;
            continue;
        }
        QIODevice& file = *device;
        if (file.size() < tile.dataOffset + 2 * std::int64_t{tile.rows} * tile.columns)
            result.error = LandscapeError::ShortDataFile;
        const int count = right - left + 1;
        row.resize(2 * count);
        for (int r = from; r <= to; ++r) {
            const std::int64_t offset =
                tile.dataOffset + 2 * (std::int64_t{r - rowOffset} * tile.columns + (left - columnOffset));
            if (!file.seek(offset)) break;
            const qint64 got = file.read(row.data(), row.size());
            if (got <= 0) break;
            const auto* bytes = reinterpret_cast<const unsigned char*>(row.constData());
            Vertex3* out = &grid.vertices[static_cast<std::size_t>(r - window.firstRow) * grid.columns +
                                          static_cast<std::size_t>(left - window.firstColumn)];
            for (int i = 0; i < got / 2; ++i) {
                const unsigned hi = tile.bigEndian ? bytes[2 * i] : bytes[2 * i + 1];
                const unsigned lo = tile.bigEndian ? bytes[2 * i + 1] : bytes[2 * i];
                int sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(hi << 8 | lo));
                if (sample == tile.noData) {
                    if (!tile.noDataAsMinusOne) continue;
                    sample = -1;
                }
                out[i].z = DemSampleToZ(sample);
            }
            if (got < row.size()) break;
        }
    }
    return result;
}

} // namespace soarnote
