#include "terraingrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <algorithm>
#include <cmath>

namespace demogen {

namespace {

QString HeaderPath(const QString& path) {
    const QFileInfo info(path);
    const QString base = info.dir().filePath(info.completeBaseName());
    for (const char* ext : {".HDR", ".hdr", ".Hdr"}) {
        const QString candidate = base + QLatin1String(ext);
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return base + QStringLiteral(".HDR");
}

bool Fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

} // namespace

bool TerrainGrid::Load(const QString& path, QString* error) {
    const QString headerPath = HeaderPath(path);
    QFile header(headerPath);
    if (!header.open(QIODevice::ReadOnly | QIODevice::Text))
        return Fail(error, QStringLiteral("Cannot read the terrain header %1").arg(headerPath));

    QHash<QString, QString> keys;
    QTextStream in(&header);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() >= 2) keys.insert(parts[0].toUpper(), parts[1]);
    }

    bool ok = true;
    auto number = [&](const char* key) {
        bool good = false;
        const double value = keys.value(QLatin1String(key)).toDouble(&good);
        ok = ok && good;
        return value;
    };
    rows_ = static_cast<int>(number("NROWS"));
    cols_ = static_cast<int>(number("NCOLS"));
    ulx_ = number("ULXMAP");
    uly_ = number("ULYMAP");
    xdim_ = number("XDIM");
    ydim_ = number("YDIM");
    if (!ok || rows_ < 2 || cols_ < 2 || xdim_ <= 0 || ydim_ <= 0)
        return Fail(error,
                    QStringLiteral("The terrain header %1 lacks NROWS, NCOLS, ULXMAP, ULYMAP, XDIM or YDIM")
                        .arg(headerPath));
    if (keys.contains(QStringLiteral("NODATA"))) noData_ = keys.value(QStringLiteral("NODATA")).toInt();
    if (keys.value(QStringLiteral("NBITS"), QStringLiteral("16")) != QLatin1String("16"))
        return Fail(error, QStringLiteral("Only 16-bit terrain samples are read"));
    const bool bigEndian =
        keys.value(QStringLiteral("BYTEORDER"), QStringLiteral("I")).toUpper() == QLatin1String("M");

    QFile samples(path);
    if (!samples.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("Cannot read the terrain file %1").arg(path));
    const QByteArray bytes = samples.readAll();
    const qsizetype count = static_cast<qsizetype>(rows_) * cols_;
    if (bytes.size() != count * 2)
        return Fail(error, QStringLiteral("The terrain file %1 holds %2 bytes, its header describes %3")
                               .arg(path)
                               .arg(bytes.size())
                               .arg(count * 2));

    heights_.resize(static_cast<std::size_t>(count));
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned lo = raw[2 * i + (bigEndian ? 1 : 0)];
        const unsigned hi = raw[2 * i + (bigEndian ? 0 : 1)];
        heights_[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
    }
    return true;
}

double TerrainGrid::Sample(int row, int col) const {
    row = std::clamp(row, 0, rows_ - 1);
    col = std::clamp(col, 0, cols_ - 1);
    const int value = heights_[static_cast<std::size_t>(row) * cols_ + col];
    return value == noData_ ? 0.0 : value;
}

double TerrainGrid::HeightAt(double lat, double lng) const {
    if (heights_.empty()) return 0.0;
    const double x = std::clamp((lng - ulx_) / xdim_, 0.0, cols_ - 1.0);
    const double y = std::clamp((uly_ - lat) / ydim_, 0.0, rows_ - 1.0);
    const int col = std::min(static_cast<int>(x), cols_ - 2);
    const int row = std::min(static_cast<int>(y), rows_ - 2);
    const double fx = x - col;
    const double fy = y - row;
    const double top = Sample(row, col) * (1 - fx) + Sample(row, col + 1) * fx;
    const double bottom = Sample(row + 1, col) * (1 - fx) + Sample(row + 1, col + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

bool TerrainGrid::Contains(double lat, double lng, double margin) const {
    const double west = ulx_;
    const double east = ulx_ + (cols_ - 1) * xdim_;
    const double north = uly_;
    const double south = uly_ - (rows_ - 1) * ydim_;
    return lng >= west + margin && lng <= east - margin && lat <= north - margin && lat >= south + margin;
}

int TerrainGrid::NoDataCount() const {
    return static_cast<int>(std::count(heights_.begin(), heights_.end(), static_cast<std::int16_t>(noData_)));
}

} // namespace demogen
