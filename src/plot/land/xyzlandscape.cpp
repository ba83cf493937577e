#include "plot/land/xyzlandscape.h"

#include "geo/osgrid.h"
#include "geo/planeprojection.h"

#include <QFile>
#include <cmath>
#include <vector>

namespace soarnote {

namespace {

// Longest line worth reading; the rest of a longer line is passed over.
constexpr qint64 kLineLimit = 1024;

bool ReadLine(QIODevice& in, QByteArray* line) {
    if (in.atEnd()) return false;
    *line = in.readLine(kLineLimit);
    while (!line->endsWith('\n') && !in.atEnd()) {
        // Passes over the rest of an overlong line in bounded pieces.
        const QByteArray rest = in.readLine(kLineLimit);
        if (rest.isEmpty() || rest.endsWith('\n')) break;
    }
    while (line->endsWith('\n') || line->endsWith('\r'))
        line->chop(1);
    return true;
}

// Fields separated by commas and blanks; a quoted field keeps its blanks.
std::vector<QByteArray> Fields(const QByteArray& line) {
    std::vector<QByteArray> fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t'; };
    while (i < n) {
        while (i < n && separator(line[i]))
            ++i;
        if (i >= n) break;
        qsizetype end = i;
        if (line[i] == '"') {
            end = line.indexOf('"', i + 1);
            if (end < 0) end = n;
            fields.push_back(line.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        while (end < n && !separator(line[end]))
            ++end;
        fields.push_back(line.mid(i, end - i));
        i = end;
    }
    return fields;
}

bool Number(const QByteArray& text, double* value) {
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

bool WholeField(const QByteArray& text, double low, double high, double* value) {
    if (!Number(text, value)) return false;
    *value = std::nearbyint(*value);
    return *value >= low && *value <= high;
}

bool IsNoReference(const PlanePosition& grid) {
    return grid.easting == 0 && grid.northing == -500000;
}

PlanePosition GridOrigin(const PlanePosition& grid) {
    return LatLngToPlane(OsGridToLatLng(grid));
}

} // namespace

XyzResult ReadXyzLandscape(QIODevice& in, const QString& gridReference, std::int64_t maxVertices) {
    XyzResult result;
    QByteArray line;
    if (!ReadLine(in, &line)) {
        result.error = LandscapeError::BadXyzHeader;
        return result;
    }
    const std::vector<QByteArray> header = Fields(line);
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0, xstep = 0, ystep = 0;
    constexpr double kLong = 2147483647.0;
    if (header.size() < 7 || !WholeField(header[1], -kLong, kLong, &xmin) ||
        !WholeField(header[2], -kLong, kLong, &ymin) || !WholeField(header[3], -kLong, kLong, &xmax) ||
        !WholeField(header[4], -kLong, kLong, &ymax) || !WholeField(header[5], 1, 32767, &xstep) ||
        !WholeField(header[6], 1, 32767, &ystep) || xmax < xmin || ymax < ymin) {
        result.error = LandscapeError::BadXyzHeader;
        return result;
    }

    // Origin: "latitude,longitude" when the first comma comes at the third
    // character or later, else an OS grid reference.
    QByteArray origin;
    ReadLine(in, &origin);
    PlanePosition o;
    const qsizetype comma = origin.indexOf(',');
    if (comma >= 2) {
        double latitude = 0;
        double longitude = 0;
        if (!Number(origin.left(comma).trimmed(), &latitude) ||
            !Number(Fields(origin.mid(comma + 1)).empty() ? QByteArray() : Fields(origin.mid(comma + 1))[0],
                    &longitude)) {
            result.error = LandscapeError::BadXyzHeader;
            return result;
        }
        o = LatLngToPlane({latitude, longitude});
    } else {
        PlanePosition grid = GridRefToOsGrid(std::string_view(origin.constData(), origin.size()));
        if (IsNoReference(grid)) {
            const QByteArray answer = gridReference.toLatin1();
            grid = GridRefToOsGrid(std::string_view(answer.constData(), answer.size()));
            if (IsNoReference(grid)) {
                result.error = LandscapeError::NeedGridReference;
                return result;
            }
        }
        o = GridOrigin(grid);
    }

    // The count line, then count - 1 further lines passed over.
    QByteArray countLine;
    double count = 0;
    if (ReadLine(in, &countLine)) {
        const std::vector<QByteArray> fields = Fields(countLine);
        if (fields.empty() || !Number(fields[0], &count)) count = 0;
    }
    for (double skipped = 1; skipped < count && ReadLine(in, &line); ++skipped) {
    }

    const double columnsF = std::nearbyint((xmax - xmin) / xstep) + 2;
    const double rowsF = std::nearbyint((ymax - ymin) / ystep) + 2;
    if (columnsF * rowsF > static_cast<double>(maxVertices)) {
        result.error = LandscapeError::TooLarge;
        return result;
    }
    VertexGrid& grid = result.grid;
    grid.columns = static_cast<int>(columnsF);
    grid.rows = static_cast<int>(rowsF);
    grid.vertices.assign(static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns), {});
    grid.vertices.front() = {static_cast<float>(-o.easting), static_cast<float>(o.northing), 0};
    grid.vertices.back() = {static_cast<float>(-(xstep * grid.columns + o.easting)),
                            static_cast<float>(ystep * grid.rows + o.northing), 0};

    while (ReadLine(in, &line)) {
        const std::vector<QByteArray> fields = Fields(line);
        double x = 0, y = 0, z = 0;
        if (fields.size() < 3 || !Number(fields[0], &x) || !Number(fields[1], &y) || !Number(fields[2], &z)) {
            if (!line.trimmed().isEmpty()) ++result.recordsSkipped;
            continue;
        }
        x = std::floor(x / xstep) * xstep;
        y = std::floor(y / ystep) * ystep;
        const double column = (x - xmin) / xstep;
        const double row = (y - ymin) / ystep;
        // A record beyond the header's extent would land in another row, or
        // past the grid: it is left out.
        const double c = std::nearbyint(column);
        const double r = std::nearbyint(row);
        if (c < 0 || c >= grid.columns || r < 0 || r >= grid.rows) {
            ++result.recordsSkipped;
            continue;
        }
        const double index = std::nearbyint(row * grid.columns + column);
        if (index < 0 || index >= static_cast<double>(grid.vertices.size())) {
            ++result.recordsSkipped;
            continue;
        }
        grid.vertices[static_cast<std::size_t>(index)] = {static_cast<float>(-(o.easting + x)),
                                                          static_cast<float>(o.northing + y),
                                                          static_cast<float>(z - 0.00001)};
    }
    return result;
}

XyzResult LoadXyzLandscapeGrid(const QString& path, const QString& gridReference) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {{}, LandscapeError::CannotOpen, 0};
    return ReadXyzLandscape(file, gridReference);
}

} // namespace soarnote
