// The meshes and cloud bitmaps the program folder ships, read as the 3D view reads them.

#include <QImage>
#include <QtTest>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace {

const QString kAssets = QStringLiteral(SOARNOTE_TEST_DATA "/../../assets");

struct Bounds {
    aiVector3D min{1e9f, 1e9f, 1e9f};
    aiVector3D max{-1e9f, -1e9f, -1e9f};
    unsigned faces = 0;
};

bool Load(const QString& name, Bounds* bounds) {
    Assimp::Importer importer;
    // MakeLeftHanded keeps the .x file's own (and the scene's) frame.

    const aiScene* scene = importer.ReadFile((kAssets + QLatin1Char('/') + name).toStdString(),
                                             aiProcess_Triangulate | aiProcess_MakeLeftHanded);
    if (!scene || scene->mNumMeshes == 0) return false;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        bounds->faces += mesh->mNumFaces;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D& p = mesh->mVertices[v];
            bounds->min = {std::min(bounds->min.x, p.x), std::min(bounds->min.y, p.y),
                           std::min(bounds->min.z, p.z)};
            bounds->max = {std::max(bounds->max.x, p.x), std::max(bounds->max.y, p.y),
                           std::max(bounds->max.z, p.z)};
        }
    }
    return true;
}

} // namespace

class TestMeshAssets : public QObject {
    Q_OBJECT
private slots:
    void GliderAndPilot() {
        Bounds wing;
        Bounds pilot;
        QVERIFY(Load(QStringLiteral("para.x"), &wing));
        QVERIFY(Load(QStringLiteral("parapilot.x"), &pilot));
        QVERIFY(wing.faces > 1000);
        QVERIFY(pilot.faces > 100);
        // An 11 m wing arched to about 9.6 m across, symmetric about X = 0.
        const float span = wing.max.x - wing.min.x;
        QVERIFY2(span > 9.0f && span < 11.0f, qPrintable(QString::number(span)));
        QVERIFY(std::abs(wing.max.x + wing.min.x) < 0.01f);
        // The canopy's top 7 m above the risers; the pilot below them, the legs
        // pointing forward (+Z).
        QVERIFY(wing.max.y > 6.5f && wing.max.y < 7.5f);
        QVERIFY(pilot.max.y < 0.5f);
        QVERIFY(pilot.max.z > 0.8f && pilot.min.z > -0.5f);
    }

    void CloudBitmaps_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("cloud1") << "cloud1.bmp";
        QTest::newRow("cloud2") << "cloud2.bmp";
    }

    void CloudBitmaps() {
        QFETCH(QString, name);
        QImage image;
        QVERIFY(image.load(kAssets + QLatin1Char('/') + name, "BMP"));
        QCOMPARE(image.depth(), 32); // 24-bit files are read into RGB32
        QVERIFY(!image.hasAlphaChannel());
        // Black, the colour the scene keys out, round the edge; cloud in the middle.
        QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 0));
        const QRgb middle = image.pixel(image.width() / 2, image.height() / 2);
        QVERIFY(qGray(middle) > 150);
    }
};

QTEST_APPLESS_MAIN(TestMeshAssets)
#include "tst_meshassets.moc"
