#pragma once
// Elevation grids loaded as landscapes: the DEMEFS files the program has
// always read ("area.demefs" with its "area.HDR" header), SRTM ".hgt" tiles
// and ESRI/GTOPO30 ".bil"/".dem" grids with their ".hdr" header.
//
// Each file becomes a RasterTile; the landscape is the window of the flight's
// extent plus 10 samples on every side, read from the file row by row.

#include "plot/land/rasterwindow.h"
#include "plot/plotdata.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace soarnote {

// The keys of a raster header: one "KEY value" per line, keys in any case.
struct RasterHeader {
    int rows = 0;       // NROWS
    int columns = 0;    // NCOLS
    double ulxmap = 0;  // longitude of the first column
    double ulymap = 0;  // latitude of the first row
    double xdim = 0;    // degrees between columns
    double ydim = 0;    // degrees between rows
    char byteOrder = 0; // BYTEORDER: 'M' (big-endian), 'I' (little-endian) or 0 when not given
    bool hasNoData = false;
    int noData = 0;          // NODATA
    int bits = 16;           // NBITS
    int bands = 1;           // NBANDS
    long long skipBytes = 0; // SKIPBYTES
    long long rowBytes = -1; // TOTALROWBYTES, -1 when not given
};

// Reads the header text. Returns None, or BadHeader when a size or spacing is
// missing, zero, negative or not a number, or the samples are not single
// 16-bit heights.
LandscapeError ParseRasterHeader(const QByteArray& text, RasterHeader* header);

// The tile a parsed header describes. DEMEFS files are little-endian and show
// -9999 a metre below the rest; ESRI grids follow BYTEORDER (big-endian
// unless "I") and leave their NODATA samples as holes.
RasterTile TileFromHeader(const RasterHeader& header, const QString& path, bool demefs);

// The header of a DEMEFS file: the file's name cut after its first full stop,
// plus "HDR" ("my.area.demefs" -> "my.HDR"), in the file's own folder. On a
// case-sensitive file system "HDR" is matched in any case. Empty when there
// is none.
QString FindDemHeader(const QString& dataPath);

// The overlay bitmap of an XYZ landscape: the name cut after its first full
// stop plus "BMP", in any case. Empty when there is none.
QString FindOverlayBitmap(const QString& landscapePath);

// Describes a landscape file as a tile: ".hgt" as SRTM (size from the file's
// length, corner from its name), ".bil" and ".dem" through their ".hdr",
// anything else as DEMEFS.
LandscapeError RasterTileFromFile(const QString& path, RasterTile* tile);

// Latitude/longitude box of a flight: its plot corners through the inverse
// flat projection.
struct GeoBox {
    double south = 0;
    double west = 0;
    double north = 0;
    double east = 0;
};
GeoBox FlightBox(const PlotData& plot);

// The landscape of one file under a flight: vertices (-easting, northing,
// height - 100.00001), rows from north to south (build with winding flag
// true). A DEMEFS no-data sample (-9999) is drawn at -101.00001; SRTM and
// ESRI no-data samples are left as holes.
RasterResult LoadDemLandscapeGrid(const QString& path, const PlotData& plot);

// The ground from a folder of terrain tiles: the tiles (SRTM names such as
// N57E011.hgt, or ESRI grids) that cover the flight with a margin of 10
// samples, joined into one grid. NoTerrain when none covers it.
RasterResult LoadTerrainForFlight(const QString& folder, const PlotData& plot);

// The tiles of the folder that touch the box, the finest spacing first.
std::vector<RasterTile> TerrainTilesCovering(const QString& folder, const GeoBox& box);

} // namespace soarnote
