#pragma once
// Reading a window of 16-bit height samples out of one or more raster files
// (DEMEFS, SRTM .hgt, ESRI/GTOPO30 .bil/.dem) into one vertex grid in scene
// coordinates. Tiles that share a sample spacing are joined on one lattice:
// the edge rows and columns neighbouring tiles both hold land on the same
// lattice point, so the join has neither a gap nor a doubled row.
//
// Files are read one row segment at a time (one read per row and tile), so
// memory is the output grid and one row, whatever the size of the files.

#include "plot/meshgeometry.h"

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace soarnote {

// Why a landscape could not be built, or was built only in part. The window
// turns each into a translated message (LandscapeErrorText gives its source
// text).
enum class LandscapeError {
    None,
    NoHeaderFile,      // the DEM's header file was not found
    BadHeader,         // a size or spacing in the header is missing, zero or absurd
    CannotOpen,        // the data file could not be opened
    ShortDataFile,     // the data file is shorter than its header says; what exists was read
    OutsideGrid,       // the flight lies outside the landscape
    TooLarge,          // the window would exceed the vertex budget
    BadXyzHeader,      // the XYZ file's first line is not a name, extent and steps
    NeedGridReference, // the XYZ file's origin holds no grid reference: ask for one
    NoTerrain,         // no terrain tile covers the flight
};

// English source text of an error, for the caller to pass through Translate().
const char* LandscapeErrorText(LandscapeError error);

// How one raster file lays out its samples.
struct RasterTile {
    QString path;
    int rows = 0;
    int columns = 0;
    double north = 0;   // latitude of row 0 (the northern row), degrees
    double west = 0;    // longitude of column 0, degrees
    double latStep = 0; // degrees between rows
    double lonStep = 0; // degrees between columns
    bool bigEndian = false;
    std::int64_t dataOffset = 0;
    // Samples of this value are not heights.
    std::int32_t noData = -32768;
    // DEMEFS files show their no-data samples as ground a metre below the
    // others' base (-9999 counts as -1); the other formats leave a hole.
    bool noDataAsMinusOne = false;
};

// A window of lattice rows and columns, counted on the lattice of the first
// tile (row 0 / column 0 is its first sample; negative values lie north or
// west of it).
struct RasterWindow {
    int firstRow = 0;
    int lastRow = -1;
    int firstColumn = 0;
    int lastColumn = -1;
};

struct RasterResult {
    VertexGrid grid;
    LandscapeError error = LandscapeError::None;
};

// Height of a stored sample in the scene: the sample less 100.00001 m, the
// base every DEM landscape of the program has been drawn at (never exactly 0).
float DemSampleToZ(int sample);

// Vertex budget of one landscape: about 200 MB of vertices.
constexpr std::int64_t kMaxLandscapeVertices = 16'000'000;

// Opens a tile's samples for reading; by default the file at its path.
using RasterOpener = std::function<std::unique_ptr<QIODevice>(const RasterTile&)>;

// Reads the window from the tiles. Lattice points no tile holds, void samples
// and samples past the end of a short file stay z == 0 (no data); a short
// file reports ShortDataFile with everything it does hold read.
RasterResult ReadRasterWindow(const std::vector<RasterTile>& tiles, const RasterWindow& window,
                              std::int64_t maxVertices = kMaxLandscapeVertices,
                              const RasterOpener& open = {});

// Which lattice rows and columns cover a latitude/longitude box with a
// margin of samples on every side, cut to the union of the tiles. Rows and
// columns are rounded half to even, as the DEM window has always been.
// Returns an empty window (lastRow < firstRow) when the box misses them all.
RasterWindow WindowOfBox(const std::vector<RasterTile>& tiles, double south, double west, double north,
                         double east, int margin);

} // namespace soarnote
