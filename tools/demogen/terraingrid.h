#pragma once
// A terrain height grid in the plain raster layout (a headerless file of
// 16-bit samples, row by row from the north, described by a ".HDR" file of
// KEY value lines beside it). The header's ULXMAP/ULYMAP give the centre of
// the north-west sample, XDIM/YDIM the spacing, in degrees.

#include <QString>
#include <cstdint>
#include <vector>

namespace demogen {

class TerrainGrid {
public:
    // Reads the samples and the header of the same name with ".HDR" (or
    // ".hdr") in place of the extension.
    bool Load(const QString& path, QString* error);

    // Ground height in metres at a point, interpolated between the four
    // surrounding samples. Samples without data count as sea level; points
    // off the grid take the height of its nearest edge.
    double HeightAt(double lat, double lng) const;

    // True when the point lies inside the grid with at least margin degrees
    // to spare on every side.
    bool Contains(double lat, double lng, double margin = 0.0) const;

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    int NoDataCount() const;

private:
    double Sample(int row, int col) const;

    int rows_ = 0;
    int cols_ = 0;
    double ulx_ = 0; // longitude of the centre of the first sample
    double uly_ = 0; // latitude of the centre of the first sample
    double xdim_ = 0;
    double ydim_ = 0;
    int noData_ = -9999;
    std::vector<std::int16_t> heights_;
};

} // namespace demogen
