#include "plot/land/demlandscape.h"

#include "geo/planeprojection.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace soarnote {

namespace {

// The numeric value at the start of a text, as a person reading the header
// would take it: optional sign, digits, fraction, exponent; anything after is
// ignored and a text without a number gives 0.
double LeadingNumber(const QByteArray& text) {
    int i = 0;
    const int n = static_cast<int>(text.size());
    auto digitsFrom = [&](int at) {
        while (at < n && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at;
    };
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const int intEnd = digitsFrom(i);
    int end = intEnd;
    bool any = intEnd > i;
    if (end < n && text[end] == '.') {
        const int fracEnd = digitsFrom(end + 1);
        any = any || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!any) return 0;
    if (end < n && (text[end] == 'e' || text[end] == 'E')) {
        int e = end + 1;
        if (e < n && (text[e] == '+' || text[e] == '-')) ++e;
        const int expEnd = digitsFrom(e);
        if (expEnd > e) end = expEnd;
    }
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : 0;
}

bool WholeNumber(double value, double low, double high, long long* out) {
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);
    if (rounded < low || rounded > high) return false;
    *out = static_cast<long long>(rounded);
    return true;
}

// A file of the folder whose name matches in any case, the exact spelling
// first: the program's own files were made where case did not matter.
QString FindAnyCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return {};
}

// Cuts a file name after its first full stop (a name without one gets one)
// and appends the extension; the folder part of the path is never cut.
QString FirstStopName(const QString& path, const QString& extension) {
    const QString name = QFileInfo(path).fileName();
    const auto stop = name.indexOf(QLatin1Char('.'));
    return (stop < 0 ? name + QLatin1Char('.') : name.left(stop + 1)) + extension;
}

bool SrtmCorner(const QString& fileName, int* latitude, int* longitude) {
    if (fileName.size() < 7) return false;
    const QChar ns = fileName[0].toUpper();
    const QChar ew = fileName[3].toUpper();
    if ((ns != QLatin1Char('N') && ns != QLatin1Char('S')) ||
        (ew != QLatin1Char('E') && ew != QLatin1Char('W')))
        return false;
    bool latOk = false;
    bool lonOk = false;
    const int lat = fileName.mid(1, 2).toInt(&latOk);
    const int lon = fileName.mid(4, 3).toInt(&lonOk);
    if (!latOk || !lonOk || !fileName[1].isDigit() || !fileName[4].isDigit() || lat > 90 || lon > 180)
        return false;
    *latitude = ns == QLatin1Char('S') ? -lat : lat;
    *longitude = ew == QLatin1Char('W') ? -lon : lon;
    return true;
}

LandscapeError SrtmTile(const QString& path, RasterTile* tile) {
    int lat = 0;
    int lon = 0;
    if (!SrtmCorner(QFileInfo(path).fileName(), &lat, &lon)) return LandscapeError::BadHeader;
    const QFileInfo info(path);
    if (!info.isFile()) return LandscapeError::CannotOpen;
    // A square of n x n 16-bit samples: 1201 for 3 arc-seconds, 3601 for 1.
    const qint64 bytes = info.size();
    const auto n = static_cast<qint64>(std::llround(std::sqrt(static_cast<double>(bytes / 2))));
    if (n < 2 || n > 20001 || n * n * 2 != bytes) return LandscapeError::BadHeader;
    tile->path = path;
    tile->rows = static_cast<int>(n);
    tile->columns = static_cast<int>(n);
    tile->north = lat + 1.0;
    tile->west = lon;
    tile->latStep = 1.0 / static_cast<double>(n - 1);
    tile->lonStep = tile->latStep;
    tile->bigEndian = true;
    tile->dataOffset = 0;
    tile->noData = -32768;
    tile->noDataAsMinusOne = false;
    return LandscapeError::None;
}

LandscapeError HeaderTile(const QString& path, const QString& headerPath, bool demefs, RasterTile* tile) {
    QFile file(headerPath);
    if (!file.open(QIODevice::ReadOnly)) return LandscapeError::NoHeaderFile;
    // A header is a few hundred bytes; anything past 64 kB is not one.
    const QByteArray text = file.read(64 * 1024);
    RasterHeader header;
    const LandscapeError error = ParseRasterHeader(text, &header);
    if (error != LandscapeError::None) return error;
    *tile = TileFromHeader(header, path, demefs);
    return LandscapeError::None;
}

bool Overlaps(const RasterTile& tile, const GeoBox& box) {
    const double south = tile.north - (tile.rows - 1) * tile.latStep;
    const double east = tile.west + (tile.columns - 1) * tile.lonStep;
    return tile.west <= box.east && east >= box.west && south <= box.north && tile.north >= box.south;
}

} // namespace

LandscapeError ParseRasterHeader(const QByteArray& text, RasterHeader* header) {
    bool hasRows = false;
    bool hasColumns = false;
    bool hasX = false;
    bool hasY = false;
    long long whole = 0;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        qsizetype blank = 0;
        while (blank < line.size() && !std::isspace(static_cast<unsigned char>(line[blank])))
            ++blank;
        const QByteArray key = line.left(blank).toUpper();
        const QByteArray value = line.mid(blank).trimmed();
        const double number = LeadingNumber(value);
        if (key == "NROWS") {
            if (!WholeNumber(number, 1, 1e6, &whole)) return LandscapeError::BadHeader;
            header->rows = static_cast<int>(whole);
            hasRows = true;
        } else if (key == "NCOLS") {
            if (!WholeNumber(number, 1, 1e6, &whole)) return LandscapeError::BadHeader;
            header->columns = static_cast<int>(whole);
            hasColumns = true;
        } else if (key == "ULXMAP") {
            header->ulxmap = number;
        } else if (key == "ULYMAP") {
            header->ulymap = number;
        } else if (key == "XDIM") {
            header->xdim = number;
            hasX = true;
        } else if (key == "YDIM") {
            header->ydim = number;
            hasY = true;
        } else if (key == "BYTEORDER") {
            header->byteOrder = value.isEmpty() ? '\0' : static_cast<char>(std::toupper(value[0]));
        } else if (key == "NODATA") {
            if (WholeNumber(number, -2147483648.0, 2147483647.0, &whole)) {
                header->noData = static_cast<int>(whole);
                header->hasNoData = true;
            }
        } else if (key == "NBITS") {
            header->bits = static_cast<int>(std::clamp(number, -1.0, 1e3));
        } else if (key == "NBANDS") {
            header->bands = static_cast<int>(std::clamp(number, -1.0, 1e3));
        } else if (key == "SKIPBYTES") {
            if (!WholeNumber(number, 0, 1e15, &whole)) return LandscapeError::BadHeader;
            header->skipBytes = whole;
        } else if (key == "TOTALROWBYTES") {
            if (WholeNumber(number, 0, 1e15, &whole)) header->rowBytes = whole;
        }
    }
    auto spacing = [](double d) { return std::isfinite(d) && d > 0 && d <= 360; };
    if (!hasRows || !hasColumns || !hasX || !hasY || !spacing(header->xdim) || !spacing(header->ydim) ||
        !std::isfinite(header->ulxmap) || !std::isfinite(header->ulymap))
        return LandscapeError::BadHeader;
    // Only single bands of 16-bit samples, rows packed one after the other.
    if (header->bits != 16 || header->bands != 1 ||
        (header->rowBytes >= 0 && header->rowBytes != 2LL * header->columns))
        return LandscapeError::BadHeader;
    return LandscapeError::None;
}

RasterTile TileFromHeader(const RasterHeader& header, const QString& path, bool demefs) {
    RasterTile tile;
    tile.path = path;
    tile.rows = header.rows;
    tile.columns = header.columns;
    tile.north = header.ulymap;
    tile.west = header.ulxmap;
    tile.latStep = header.ydim;
    tile.lonStep = header.xdim;
    tile.dataOffset = header.skipBytes;
    if (demefs) {
        tile.bigEndian = false;
        tile.noData = -9999;
        tile.noDataAsMinusOne = true;
    } else {
        // GTOPO30 and most .bil files come from big-endian machines.
        tile.bigEndian = header.byteOrder != 'I';
        tile.noData = header.hasNoData ? header.noData : -32768;
        tile.noDataAsMinusOne = false;
    }
    return tile;
}

QString FindDemHeader(const QString& dataPath) {
    return FindAnyCase(QFileInfo(dataPath).path(), FirstStopName(dataPath, QStringLiteral("HDR")));
}

QString FindOverlayBitmap(const QString& landscapePath) {
    return FindAnyCase(QFileInfo(landscapePath).path(), FirstStopName(landscapePath, QStringLiteral("BMP")));
}

LandscapeError RasterTileFromFile(const QString& path, RasterTile* tile) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("hgt")) return SrtmTile(path, tile);
    if (suffix == QLatin1String("bil") || suffix == QLatin1String("dem")) {
        const QString header = FindAnyCase(info.path(), info.completeBaseName() + QStringLiteral(".hdr"));
        if (header.isEmpty()) return LandscapeError::NoHeaderFile;
        return HeaderTile(path, header, false, tile);
    }
    const QString header = FindDemHeader(path);
    if (header.isEmpty()) return LandscapeError::NoHeaderFile;
    return HeaderTile(path, header, true, tile);
}

GeoBox FlightBox(const PlotData& plot) {
    const GeoPosition southEast = PlaneToLatLng({-static_cast<double>(plot.min.x), plot.min.y});
    const GeoPosition northWest = PlaneToLatLng({-static_cast<double>(plot.max.x), plot.max.y});
    return {southEast.latitude, northWest.longitude, northWest.latitude, southEast.longitude};
}

RasterResult LoadDemLandscapeGrid(const QString& path, const PlotData& plot) {
    RasterResult result;
    RasterTile tile;
    result.error = RasterTileFromFile(path, &tile);
    if (result.error != LandscapeError::None) return result;
    const GeoBox box = FlightBox(plot);
    const std::vector<RasterTile> tiles{tile};
    const RasterWindow window = WindowOfBox(tiles, box.south, box.west, box.north, box.east, 10);
    return ReadRasterWindow(tiles, window);
}

std::vector<RasterTile> TerrainTilesCovering(const QString& folder, const GeoBox& box) {
    std::vector<RasterTile> tiles;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString& entry : entries) {
        const QString suffix = QFileInfo(entry).suffix().toLower();
        RasterTile tile;
        if (suffix == QLatin1String("hgt")) {
            // Judge by the name before reading the size of every tile of a
            // continent-sized folder.
            int lat = 0;
            int lon = 0;
            if (!SrtmCorner(entry, &lat, &lon) || lat > box.north || lat + 1 < box.south || lon > box.east ||
                lon + 1 < box.west)
                continue;
        } else if (suffix != QLatin1String("bil") && suffix != QLatin1String("dem")) {
            continue;
        }
        if (RasterTileFromFile(dir.filePath(entry), &tile) != LandscapeError::None) continue;
        if (Overlaps(tile, box)) tiles.push_back(tile);
        if (tiles.size() > 64) break;
    }
    std::stable_sort(tiles.begin(), tiles.end(),
                     [](const RasterTile& a, const RasterTile& b) { return a.latStep < b.latStep; });
    return tiles;
}

RasterResult LoadTerrainForFlight(const QString& folder, const PlotData& plot) {
    const GeoBox box = FlightBox(plot);
    // The window adds 10 samples round the flight, which may reach into the
    // tile next door: 0.1 degree covers 10 samples of grids as coarse as 30
    // arc-seconds.
    const GeoBox search{box.south - 0.1, box.west - 0.1, box.north + 0.1, box.east + 0.1};
    const std::vector<RasterTile> tiles = TerrainTilesCovering(folder, search);
    if (tiles.empty()) return {{}, LandscapeError::NoTerrain};
    const RasterWindow window = WindowOfBox(tiles, box.south, box.west, box.north, box.east, 10);
    return ReadRasterWindow(tiles, window);
}

} // namespace soarnote
