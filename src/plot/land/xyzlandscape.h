#pragma once
// Visual Explorer XYZ landscapes: a header line (name, Xmin, Ymin, Xmax, Ymax,
// Xstep, Ystep), an origin line (latitude,longitude or an OS grid reference
// of the south-west corner), a count of lines to skip, then x, y, z records
// in metres east and north of the origin.

#include "plot/land/rasterwindow.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace soarnote {

struct XyzResult {
    // Rows from south to north (build with winding flag false). Positions no
    // record fills stay (0, 0, 0): no data. Vertex 0 and the last vertex carry
    // the corners so that a wrap can span the grid.
    VertexGrid grid;
    LandscapeError error = LandscapeError::None;
    int recordsSkipped = 0; // records outside the grid or not numbers
};

// Reads an XYZ landscape. When the origin line holds no grid reference the
// result is NeedGridReference and nothing is built; the caller asks the
// pilot for the reference of the bottom left corner and calls again with it
// as gridReference.
XyzResult ReadXyzLandscape(QIODevice& in, const QString& gridReference = {},
                           std::int64_t maxVertices = kMaxLandscapeVertices);

XyzResult LoadXyzLandscapeGrid(const QString& path, const QString& gridReference = {});

} // namespace soarnote
