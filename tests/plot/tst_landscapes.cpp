// Landscapes from files: DEM, XYZ, SRTM and ESRI grids, and tiles joined at their edges.

#include "geo/osgrid.h"
#include "geo/planeprojection.h"
#include "plot/land/demlandscape.h"
#include "plot/land/scenebuilders.h"
#include "plot/land/xyzlandscape.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace soarnote;

Q_DECLARE_METATYPE(soarnote::LandscapeError)

namespace {

const QString kTerrain = QStringLiteral(SOARNOTE_TEST_DATA "/terrain");

// A plot of one place: the flight's extent is a point.
PlotData PlotAt(double latitude, double longitude) {
    const PlanePosition p = LatLngToPlane({latitude, longitude});
    PlotData plot;
    plot.points.push_back({static_cast<float>(-p.easting), static_cast<float>(p.northing), 500, 0});
    plot.lastIndex = 0;
    plot.min = plot.max = plot.points.front();
    return plot;
}

// Height of the grid vertex nearest a place, and how far that vertex lies.
float HeightNear(const VertexGrid& grid, double latitude, double longitude, double* distance = nullptr) {
    const PlanePosition p = LatLngToPlane({latitude, longitude});
    double best = 1e30;
    float z = -12345;
    for (const Vertex3& v : grid.vertices) {
        const double d = std::hypot(v.x + p.easting, v.y - p.northing);
        if (d < best) {
            best = d;
            z = v.z;
        }
    }
    if (distance) *distance = best;
    return z;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Samples(const QList<int>& values, bool bigEndian) {
    QByteArray bytes;
    for (int v : values) {
        const auto u = static_cast<quint16>(static_cast<qint16>(v));
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

QByteArray Header(int rows, int columns, double ulx, double uly, double step, const QByteArray& extra = {}) {
    return "NROWS " + QByteArray::number(rows) + "\nNCOLS " + QByteArray::number(columns) + "\nULXMAP " +
           QByteArray::number(ulx, 'g', 17) + "\nULYMAP " + QByteArray::number(uly, 'g', 17) + "\nXDIM " +
           QByteArray::number(step, 'g', 17) + "\nYDIM " + QByteArray::number(step, 'g', 17) + "\n" + extra;
}

XyzResult ReadXyz(const QByteArray& text, const QString& answer = {}) {
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadXyzLandscape(buffer, answer);
}

} // namespace

class TestLandscapes : public QObject {
    Q_OBJECT
private slots:
    // The file found beside a data file: the DEM header, or the overlay bitmap of an XYZ landscape.
    void CompanionFile_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("companion"); // file that exists
        QTest::addColumn<bool>("found");
        const char* rows[][4] = {{"area", "area.demefs", "area.HDR", "y"},
                                 {"cut at the first stop", "my.area.demefs", "my.HDR", "y"},
                                 {"not at the last stop", "my.area.demefs", "my.area.HDR", ""},
                                 {"stop in a folder", "v1.2/area.demefs", "v1.2/area.HDR", "y"},
                                 {"hidden folder", ".terrain/area.demefs", ".terrain/area.HDR", "y"},
                                 {"lower-case hdr", "area.demefs", "area.hdr", "y"},
                                 {"bitmap, upper case", "area.xyz", "area.BMP", "y"},
                                 {"bitmap, lower case", "area.xyz", "area.bmp", "y"},
                                 {"bitmap, cut at the first stop", "my.area.xyz", "my.bmp", "y"},
                                 {"bitmap, stop in a folder", "v1.2/area.xyz", "v1.2/area.bmp", "y"},
                                 {"bitmap, another name", "area.xyz", "other.bmp", ""}};
        for (const auto& [name, data, companion, found] : rows)
            QTest::newRow(name) << QString(data) << QString(companion) << (*found != 0);
    }

    void CompanionFile() {
        QFETCH(QString, data);
        QFETCH(QString, companion);
        QFETCH(bool, found);
        QTemporaryDir dir;
        const QString dataPath = dir.filePath(data);
        QVERIFY(QDir().mkpath(QFileInfo(dataPath).path()));
        Write(dataPath, Samples({1}, false));
        Write(dir.filePath(companion), Header(1, 1, 0, 0, 1));
        const QString expected = found ? dir.filePath(companion) : QString();
        if (data.endsWith(QLatin1String(".xyz"))) {
            QCOMPARE(FindOverlayBitmap(dataPath), expected);
            return;
        }
        QCOMPARE(FindDemHeader(dataPath), expected);
        RasterTile tile;
        QCOMPARE(RasterTileFromFile(dataPath, &tile),
                 found ? LandscapeError::None : LandscapeError::NoHeaderFile);
    }

    void DemSamples_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<float>("z");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        // peak.demefs: 240 x 240 samples from 53.99583 N 1.99583 W, 1/120 degree
        // apart. Sample (120, 120) is 31 m, (60, 200) 76 m (read with od).
        QTest::newRow("peak middle") << "peak.demefs" << 52.995833 << -0.995833 << float(31 - 100.00001) << 21
                                     << 21;
        QTest::newRow("peak east") << "peak.demefs" << 53.495833 << -0.329167 << float(76 - 100.00001) << 21
                                   << 21;
        // (0, 214) is -9999: drawn at -101.00001; the window is cut at row 0.
        QTest::newRow("peak no data") << "peak.demefs" << 53.995833 << -0.212500 << -101.00001f << 11 << 21;
    }

    void DemSamples() {
        QFETCH(QString, file);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        const RasterResult result =
            LoadDemLandscapeGrid(kTerrain + QLatin1Char('/') + file, PlotAt(latitude, longitude));
        QCOMPARE(result.error, LandscapeError::None);
        QTEST(result.grid.rows, "rows");
        QTEST(result.grid.columns, "columns");
        QTEST(HeightNear(result.grid, latitude, longitude), "z");
    }

    void DemBadFiles_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("samples");
        QTest::addColumn<LandscapeError>("error");
        QTest::addColumn<int>("filled"); // vertices with a height
        QTest::newRow("whole") << Header(3, 3, 10, 50, 0.01) << 9 << LandscapeError::None << 9;
        QTest::newRow("short file") << Header(3, 3, 10, 50, 0.01) << 5 << LandscapeError::ShortDataFile << 5;
        QTest::newRow("zero rows") << Header(0, 3, 10, 50, 0.01) << 9 << LandscapeError::BadHeader << 0;
        QTest::newRow("zero spacing") << Header(3, 3, 10, 50, 0) << 9 << LandscapeError::BadHeader << 0;
        QTest::newRow("no spacing") << QByteArray("NROWS 3\nNCOLS 3\nULXMAP 10\nULYMAP 50\n") << 9
                                    << LandscapeError::BadHeader << 0;
        QTest::newRow("not 16-bit") << Header(3, 3, 10, 50, 0.01, "NBITS 32\n") << 9
                                    << LandscapeError::BadHeader << 0;
    }

    void DemBadFiles() {
        QFETCH(QByteArray, header);
        QFETCH(int, samples);
        QTemporaryDir dir;
        QList<int> values;
        for (int i = 0; i < samples; ++i)
            values.append(200 + i);
        Write(dir.filePath(QStringLiteral("area.demefs")), Samples(values, false));
        Write(dir.filePath(QStringLiteral("area.HDR")), header);
        const RasterResult result =
            LoadDemLandscapeGrid(dir.filePath(QStringLiteral("area.demefs")), PlotAt(49.99, 10.01));
        QTEST(result.error, "error");
        int withHeight = 0;
        for (std::size_t i = 0; i < result.grid.vertices.size(); ++i) {
            if (result.grid.vertices[i].z == 0) continue;
            QCOMPARE(result.grid.vertices[i].z, float(200 + static_cast<int>(i) - 100.00001));
            ++withHeight;
        }
        QTEST(withHeight, "filled");
    }

    void Xyz_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("east"); // metres from the origin, 0 for an unfilled position
        QTest::addColumn<double>("north");
        QTest::addColumn<float>("z");
        const QByteArray head =
            "\"Test Edge\",0,0,200,200,100,100,rest ignored\n53.2,-1.8\n3\n1,1,999\n250,150,999\n";
        const QByteArray records = "0,0,250\n150,0,7 rest\n100 100 0\n950,50,10\n-100,0,10\n";
        QTest::newRow("record") << head + records << 0 << 0.0 << 0.0 << float(250 - 0.00001);
        QTest::newRow("snapped down to its step")
            << head + records << 1 << 100.0 << 0.0 << float(7 - 0.00001);
        QTest::newRow("z 0 is drawn") << head + records << 5 << 100.0 << 100.0 << -0.00001f;
        QTest::newRow("unfilled stays 0") << head + records << 2 << 0.0 << 0.0 << 0.0f;
        // 950 m east lies beyond the 4 columns; it would have run into row 2.
        QTest::newRow("outside the extent") << head + records << 9 << 0.0 << 0.0 << 0.0f;
        QTest::newRow("skipped lines are not records") << head + records << 6 << 0.0 << 0.0 << 0.0f;
    }

    void Xyz() {
        QFETCH(QByteArray, text);
        QFETCH(int, index);
        QFETCH(double, east);
        QFETCH(double, north);
        QFETCH(float, z);
        const XyzResult result = ReadXyz(text);
        QCOMPARE(result.error, LandscapeError::None);
        QCOMPARE(result.grid.columns, 4);
        QCOMPARE(result.grid.rows, 4);
        QCOMPARE(result.recordsSkipped, 2);
        const PlanePosition o = LatLngToPlane({53.2, -1.8});
        const Vertex3 v = result.grid.vertices[static_cast<std::size_t>(index)];
        QCOMPARE(v.z, z);
        if (z != 0)
            QCOMPARE(v, (Vertex3{static_cast<float>(-(o.easting + east)),
                                 static_cast<float>(o.northing + north), z}));
        QCOMPARE(result.grid.vertices.front().x, static_cast<float>(-o.easting));
        QCOMPARE(result.grid.vertices.back(),
                 (Vertex3{static_cast<float>(-(400 + o.easting)), static_cast<float>(400 + o.northing), 0}));
    }

    void XyzGridReference() {
        const QByteArray noReference = "peak 0 0 100 100 50 50\n\n1\n0,0,300\n";
        QCOMPARE(ReadXyz(noReference).error, LandscapeError::NeedGridReference);
        const XyzResult answered = ReadXyz(noReference, QStringLiteral("SK 0000 6000"));
        QCOMPARE(answered.error, LandscapeError::None);
        const PlanePosition o = LatLngToPlane(OsGridToLatLng(GridRefToOsGrid("SK 0000 6000")));
        QCOMPARE(
            answered.grid.vertices.front(),
            (Vertex3{static_cast<float>(-o.easting), static_cast<float>(o.northing), float(300 - 0.00001)}));
        // The reference in the file itself needs no question.
        QCOMPARE(ReadXyz("peak 0 0 100 100 50 50\nSK 0000 6000\n1\n0,0,300\n").grid.vertices.front(),
                 answered.grid.vertices.front());
        QCOMPARE(ReadXyz("peak 0 0 100 100 0 50\n53,-1\n1\n").error, LandscapeError::BadXyzHeader);
    }

    void DemoSiteLandscape() {
        // The demo landscape of Mam Tor: every record in the grid, the take-off (517 m) on ground.
        const QString path = QStringLiteral(SOARNOTE_BIN_DIR "/mamtor.xyz");
        if (!QFileInfo::exists(path)) QSKIP("the demo landscapes are made by the full build");
        const XyzResult result = LoadXyzLandscapeGrid(path);
        QCOMPARE(result.error, LandscapeError::None);
        QCOMPARE(result.recordsSkipped, 0);
        double best = 0;
        const float z = HeightNear(result.grid, 53.349, -1.812, &best);
        QVERIFY2(best < 150, qPrintable(QString::number(best)));

        QVERIFY2(z > 350 && z < 560, qPrintable(QString::number(z)));
    }

    void SrtmKnownSamples_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("height");
        // Big-endian samples of N57E011.hgt read with
        // od -t d2 --endian=big -j $((2*(row*1201+column))) -N 2
        QTest::newRow("north-east land") << 11 << 1200 << 163;
        QTest::newRow("inland") << 146 << 948 << 77;
        QTest::newRow("below sea level") << 332 << 1187 << -6;
        QTest::newRow("coast") << 742 << 1191 << 54;
    }

    void SrtmKnownSamples() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, height);
        const double latitude = 58.0 - row / 1200.0;
        const double longitude = 11.0 + column / 1200.0;
        const RasterResult result =
            LoadDemLandscapeGrid(kTerrain + QStringLiteral("/N57E011.hgt"), PlotAt(latitude, longitude));
        QCOMPARE(result.error, LandscapeError::None);
        QCOMPARE(HeightNear(result.grid, latitude, longitude), DemSampleToZ(height));
    }

    void EsriByteOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("bil, Intel") << "grid.bil" << QByteArray("BYTEORDER I\nNODATA -9999\n") << false;
        QTest::newRow("GTOPO30 dem, Motorola")
            << "grid.DEM" << QByteArray("byteorder m\nnodata -9999\n") << true;
        QTest::newRow("no byte order") << "grid.bil" << QByteArray("NODATA -9999\n") << true;
    }

    void EsriByteOrder() {
        QFETCH(QString, name);
        QFETCH(QByteArray, keys);
        QFETCH(bool, bigEndian);
        QTemporaryDir dir;
        // 3 x 3 samples round 50 N 10 E; the middle one is no data.
        Write(dir.filePath(name),
              Samples({1200, 1201, 1202, 1203, -9999, 1205, 1206, 1207, 1208}, bigEndian));
        Write(dir.filePath(QStringLiteral("grid.hdr")), Header(3, 3, 9.99, 50.01, 0.01, keys));
        const RasterResult result = LoadDemLandscapeGrid(dir.filePath(name), PlotAt(50, 10));
        QCOMPARE(result.error, LandscapeError::None);
        QCOMPARE(result.grid.vertices.size(), std::size_t(9));
        QCOMPARE(result.grid.vertices[1].z, DemSampleToZ(1201));
        QCOMPARE(result.grid.vertices[4].z, 0.0f);
        // A flight far from the grid builds nothing.
        QCOMPARE(LoadDemLandscapeGrid(dir.filePath(name), PlotAt(52, 10)).error, LandscapeError::OutsideGrid);
    }

    void TilesJoinWithoutSeam() {
        // Two 11 x 11 tiles side by side share the column at 11 E, an ESRI grid below them the
        // row at 10 N; heights are a function of the place.

        QTemporaryDir dir;
        auto heightAt = [](int globalRow, int globalColumn) { return 300 + 7 * globalRow + globalColumn; };
        auto tile = [&](int rowOffset, int columnOffset, bool bigEndian, QList<int> voids) {
            QList<int> values;
            for (int r = 0; r < 11; ++r)
                for (int c = 0; c < 11; ++c)
                    values.append(voids.contains(r * 11 + c) ? -32768
                                                             : heightAt(r + rowOffset, c + columnOffset));
            return Samples(values, bigEndian);
        };
        Write(dir.filePath(QStringLiteral("N10E010.hgt")), tile(0, 0, true, {}));
        Write(dir.filePath(QStringLiteral("n10e011.HGT")), tile(0, 10, true, {5 * 11 + 5}));
        Write(dir.filePath(QStringLiteral("south.bil")), tile(10, 0, false, {}));
        Write(dir.filePath(QStringLiteral("south.HDR")),
              Header(11, 11, 10, 10, 0.1, "byteorder i\nnodata -32768\n").replace("XDIM", "xdim"));
        const PlotData plot = PlotAt(10.005, 10.95);
        const RasterResult result = LoadTerrainForFlight(dir.path(), plot);
        QCOMPARE(result.error, LandscapeError::None);
        // 21 columns, not 22; 21 rows, not 22.
        QCOMPARE(result.grid.columns, 21);
        QCOMPARE(result.grid.rows, 21);
        for (int r = 0; r < result.grid.rows; ++r) {
            for (int c = 0; c < result.grid.columns; ++c) {
                const Vertex3& v = result.grid.vertices[static_cast<std::size_t>(r * 21 + c)];
                // The south-east quarter has no tile; the void stays a hole.
                const bool hole = (r > 10 && c > 10) || (r == 5 && c == 15);
                const float expected = hole ? 0.0f : DemSampleToZ(heightAt(r, c));
                QVERIFY2(v.z == expected,
                         qPrintable(QStringLiteral("row %1 column %2: %3").arg(r).arg(c).arg(v.z)));
                if (c > 0) QVERIFY(v.x < result.grid.vertices[static_cast<std::size_t>(r * 21 + c - 1)].x);
            }
        }
        // Far away from every tile.
        QCOMPARE(LoadTerrainForFlight(dir.path(), PlotAt(40, 40)).error, LandscapeError::NoTerrain);
    }
};

QTEST_APPLESS_MAIN(TestLandscapes)
#include "tst_landscapes.moc"
