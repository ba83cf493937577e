// The landscape readers fed random bytes. The first byte picks the reader:
// even, an XYZ landscape (with a grid reference offered for a file whose
// origin holds none); odd, a raster header, a NUL byte and the samples, read
// as a DEMEFS file (as an ESRI grid when the header starts with BYTEORDER).
// Whatever the bytes, the grid must hold exactly rows x columns vertices and
// a header the parser accepts must give a positive size and spacing.

#include "plot/land/demlandscape.h"
#include "plot/land/xyzlandscape.h"

#include <QBuffer>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace soarnote;

namespace {

// Small enough that a fuzzed extent cannot make one input slow.
constexpr std::int64_t kFuzzVertices = 200'000;

void CheckGrid(const VertexGrid& grid) {
    if (grid.vertices.size() != static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns))
        std::abort();
}

void FuzzXyz(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const XyzResult result = ReadXyzLandscape(buffer, QStringLiteral("SK 000 000"), kFuzzVertices);
    if (result.error == LandscapeError::None) {
        CheckGrid(result.grid);
        if (result.grid.rows < 2 || result.grid.columns < 2) std::abort();
    } else if (!result.grid.vertices.empty()) {
        std::abort();
    }
}

void FuzzRaster(const QByteArray& bytes) {
    // Header and samples are split at the first NUL byte.
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray header = split < 0 ? bytes : bytes.left(split);
    RasterHeader parsed;
    if (ParseRasterHeader(header, &parsed) == LandscapeError::None) {
        if (parsed.rows <= 0 || parsed.columns <= 0 || !(parsed.xdim > 0) || !(parsed.ydim > 0)) std::abort();
    } else {
        return;
    }
    // The samples come from memory, as the file's bytes would.
    const QByteArray samples = split < 0 ? QByteArray() : bytes.mid(split + 1);
    const RasterTile tile =
        TileFromHeader(parsed, QStringLiteral("fuzz.demefs"), !header.startsWith("BYTEORDER"));
    // A window over the first samples, as a flight at the grid's corner gets.
    const RasterWindow window{0, std::min(tile.rows, 40) - 1, 0, std::min(tile.columns, 40) - 1};
    const RasterResult result =
        ReadRasterWindow({tile}, window, kFuzzVertices, [&samples](const RasterTile&) {
            auto buffer = std::make_unique<QBuffer>();
            buffer->setData(samples);
            buffer->open(QIODevice::ReadOnly);
            return std::unique_ptr<QIODevice>(std::move(buffer));
        });
    CheckGrid(result.grid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] % 2 == 0)
        FuzzXyz(bytes);
    else
        FuzzRaster(bytes);
    return 0;
}
