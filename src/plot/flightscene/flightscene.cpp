#include "flightscene.h"

#include "core/programfolder.h"
#include "geo/planeprojection.h"
#include "geo/sunposition.h"
#include "land/demlandscape.h"
#include "land/scenebuilders.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QtMath>

namespace soarnote {

namespace {

constexpr float kTrackAlpha = 0.6f;
constexpr float kGliderAlpha = 0.95f;
constexpr float kCloudAlpha = 0.8f;
constexpr std::int64_t kWhite = 0xFFFFFF;
// The sun is a point light this far away: its rays are parallel over any
// flight.
constexpr float kSunDistance = 1e12f;

QVector3D ToVector(const PlotPoint& p) {
    return {p.x, p.y, p.z};
}

QVector3D ToVector(const Vertex3& v) {
    return {v.x, v.y, v.z};
}

} // namespace

FlightSceneOptions FlightSceneOptions::Read(const SettingsStore& settings) {
    FlightSceneOptions o;
    o.perspective = settings.Int(keys::PlotFlag0) != 0;
    o.depthSort = settings.Int(keys::PlotFlag1) != 0;
    o.fog = settings.Int(keys::PlotFlag2) != 0;
    o.trackView = settings.Int(keys::PlotTrackView) != 0;
    o.gliderView = settings.Int(keys::PlotGliderView) != 0;
    o.trackColour = static_cast<std::int64_t>(settings.Number(keys::PlotTrackColor));
    o.trackTexture = settings.Text(keys::PlotTrackTexture);
    o.gliderColour = static_cast<std::int64_t>(settings.Number(keys::PlotGliderColor3D));
    o.gliderTexture = settings.Text(keys::PlotGliderTexture);
    o.gliderMesh = settings.Text(keys::PlotGlider);
    o.pilotMesh = settings.Text(keys::PlotPilot);
    o.landscapeColour = static_cast<std::int64_t>(settings.Number(keys::PlotLandscapeColor));
    o.landscapeTexture = settings.Text(keys::PlotLandscapeTexture);
    o.overlay = settings.Int(keys::PlotOverlay) == 1;
    o.bitmapFolder = ProgramFolder::Path();
    return o;
}

FlightScene::FlightScene(const PlotData& plot, FlightSceneOptions options)
    : plot_(plot), options_(std::move(options)) {
    sceneFrame_ = engine_.CreateFrame(nullptr);
    sceneFrame_->SetSceneBackground(QColor(0xC0, 0xFF, 0xFF));
    if (options_.depthSort) {
        sceneFrame_->SetZBufferEnabled(true);
        sceneFrame_->SetSortBackToFront(true);
    }
    if (options_.fog) {
        sceneFrame_->SetFogEnabled(true);
        sceneFrame_->SetFogColour(QColor(0xC8, 0xFF, 0xFF));
        sceneFrame_->SetLinearFog(0.0f, 5000.0f, 0.8f);
    }
    worldFrame_ = engine_.CreateFrame(sceneFrame_);
    cameraFrame_ = engine_.CreateFrame(worldFrame_);
    landscapeFrame_ = engine_.CreateFrame(worldFrame_);
    cloudFrame_ = engine_.CreateFrame(landscapeFrame_);
    gliderFrame_ = engine_.CreateFrame(worldFrame_);
    sceneFrame_->AddLight(engine_.CreateLight(scene::LightType::Ambient, 0.4f, 0.4f, 0.4f));
    lightFrame_ = engine_.CreateFrame(worldFrame_);
    lightFrame_->AddLight(engine_.CreateLight(scene::LightType::Point, 1.0f, 0.75f, 0.75f));
    lightFrame_->SetPosition(worldFrame_, 50000.0f, 100000.0f, 100000.0f);
}

QString FlightScene::ProgramPath(const QString& path) const {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) return path;
    return QDir(options_.bitmapFolder).filePath(path);
}

scene::Texture* FlightScene::LoadTexture(const QString& path, bool decal) {
    return engine_.LoadTexture(ProgramPath(path), decal);
}

void FlightScene::SetMeshColour(scene::Mesh* mesh, std::int64_t colour, float alpha) const {
    const MeshColour c = MeshColourFromSetting(colour, alpha);
    mesh->SetColour(QColor(c.red8, c.green8, c.blue8, c.alpha8));
}

void FlightScene::PlaceSun(double time) {
    if (plot_.points.empty()) return;
    const PlotPoint& first = plot_.points.front();
    const GeoPosition where = PlaneToLatLng({-static_cast<double>(first.x), static_cast<double>(first.y)});
    const SunDirection sun = SunAzimuthElevation(where, time);
    lightFrame_->SetPosition(worldFrame_, 0.0f, kSunDistance, 0.0f);
    // Due north on the horizon, raised to the sun's elevation, then swung
    // round clockwise (seen from above) to its azimuth.
    lightFrame_->AddRotation(scene::Combine::After, QVector3D(1, 0, 0),
                             static_cast<float>(qDegreesToRadians(sun.elevation)));
    lightFrame_->AddRotation(scene::Combine::After, QVector3D(0, 0, 1),
                             static_cast<float>(qDegreesToRadians(sun.azimuth)));
}

void FlightScene::ConstructTrack() {
    const MeshGeometry geometry = ConstructTrackGeometry(plot_);
    if (geometry.vertices.empty()) return;
    scene::Mesh* mesh = engine_.CreateMesh();
    mesh->AddFaces(geometry);
    mesh->SetPerspective(options_.perspective);
    mesh->GenerateNormals(90.0f, scene::kNormalsPrecompact);
    scene::Texture* texture =
        options_.trackTexture.isEmpty() ? nullptr : LoadTexture(options_.trackTexture, false);
    if (!texture) {
        SetMeshColour(mesh, options_.trackColour, kTrackAlpha);
    } else {
        SetMeshColour(mesh, kWhite, kTrackAlpha);
        const int last = plot_.lastIndex;
        const QVector3D origin = ToVector(plot_.points[static_cast<std::size_t>(last)]);
        const QVector3D direction = origin - ToVector(plot_.points[static_cast<std::size_t>(last - 1)]);
        scene::Wrap(scene::WrapType::Flat, worldFrame_, origin, direction, QVector3D(0, 0, 1), 0, 0, 0.1f,
                    0.1f)
            .Apply(*mesh);
        mesh->SetTexture(texture);
    }
    worldFrame_->AddVisual(mesh);
    ++trackMeshes_;
}

void FlightScene::ConstructGlider() {
    auto load = [this](const QString& setting) {
        scene::Mesh* mesh = engine_.CreateMesh();
        const QString path = ProgramPath(setting);
        const QFileInfo info(path);
        engine_.AddSearchPath(info.absolutePath());
        // A missing or unreadable model leaves the mesh empty; the flight
        // still shows.
        if (info.exists()) engine_.LoadMesh(mesh, path);
        mesh->SetPerspective(options_.perspective);
        return mesh;
    };
    scene::Mesh* wing = load(options_.gliderMesh);
    wing->GenerateNormals(45.0f, scene::kNormalsPrecompact);
    scene::Texture* texture =
        options_.gliderTexture.isEmpty() ? nullptr : LoadTexture(options_.gliderTexture, false);
    if (texture) {
        scene::Wrap(scene::WrapType::Cylindrical, gliderFrame_, QVector3D(0, 0, 0), QVector3D(0, 0, 1),
                    QVector3D(1, 0, 0), 0, 0, 1.0f, 0.2f)
            .Apply(*wing);
        SetMeshColour(wing, kWhite, kGliderAlpha);
        wing->SetTexture(texture);
    } else {
        SetMeshColour(wing, options_.gliderColour, kGliderAlpha);
    }
    gliderFrame_->AddVisual(wing);
    gliderFrame_->AddVisual(load(options_.pilotMesh));
}

void FlightScene::ConstructLandRef(float height) {
    BuildGridMesh(ConstructLandRefGrid(plot_, height), true, QString());
}

void FlightScene::ConstructCloudLayer(float height, std::int32_t amount, float size,
                                      const std::function<double()>& random) {
    const std::vector<CloudPatch> patches = ConstructCloudLayerGeometry(plot_, height, amount, size, random);
    if (patches.empty()) return;
    scene::Texture* cloud1 = LoadTexture(QStringLiteral("cloud1.bmp"), true);
    scene::Texture* cloud2 = LoadTexture(QStringLiteral("cloud2.bmp"), true);
    for (const CloudPatch& patch : patches) {
        scene::Mesh* mesh = engine_.CreateMesh();
        mesh->AddFaces(patch.mesh);
        mesh->SetPerspective(options_.perspective);
        mesh->GenerateNormals(45.0f, scene::kNormalsPrecompact);
        const QVector3D origin =
            patch.mesh.vertices.empty() ? QVector3D() : ToVector(patch.mesh.vertices.front());
        scene::Wrap(scene::WrapType::Flat, worldFrame_, origin, QVector3D(0, 0, 1), QVector3D(0, -1, 0), 0, 0,
                    patch.scaleU, patch.scaleV)
            .Apply(*mesh);
        SetMeshColour(mesh, kWhite, kCloudAlpha);
        mesh->SetTexture(patch.bitmapName == QLatin1String("cloud2.bmp") ? cloud2 : cloud1);
        cloudFrame_->AddVisual(mesh);
        ++cloudMeshes_;
    }
}

bool FlightScene::BuildGridMesh(const VertexGrid& grid, bool windingFlag, const QString& overlayName) {
    MeshGeometry geometry;
    geometry.vertices = grid.vertices;
    geometry.faceList = GridFaceList(grid, windingFlag);
    scene::Mesh* mesh = engine_.CreateMesh();
    mesh->AddFaces(geometry);
    mesh->SetPerspective(options_.perspective);
    mesh->GenerateNormals(0.0f, scene::kNormalsPrecompact);
    // The triangle rule covers every row and column but the last of a grid
    // of three or more (two of a grid of two): far parts of that may be drawn
    // coarser.
    const auto used = [](int n) { return n >= 3 ? n - 1 : n; };
    mesh->SetGridLayout(scene::GridLayout{0, grid.columns, used(grid.rows), used(grid.columns), windingFlag});
    bool overlaid = false;
    scene::Texture* texture =
        options_.landscapeTexture.isEmpty() ? nullptr : LoadTexture(options_.landscapeTexture, false);
    if (texture) {
        // The bitmap repeats every 100 m from the flight's lowest corner.
        scene::Wrap(scene::WrapType::Flat, worldFrame_, ToVector(plot_.min), QVector3D(0, 0, 1),
                    QVector3D(0, -1, 0), 0, 0, 0.01f, 0.01f)
            .Apply(*mesh);
        SetMeshColour(mesh, kWhite, 1.0f);
        mesh->SetTexture(texture);
    } else if (!grid.vertices.empty()) {
        const Vertex3& first = grid.vertices.front();
        const Vertex3& last = grid.vertices.back();
        // The bitmap spans the grid once.
        scene::Wrap(scene::WrapType::Flat, worldFrame_, ToVector(first), QVector3D(0, 0, 1),
                    QVector3D(0, -1, 0), 0, 0, WrapScale(static_cast<double>(last.x) - first.x),
                    WrapScale(static_cast<double>(last.y) - first.y))
            .Apply(*mesh);
        SetMeshColour(mesh, options_.landscapeColour, 1.0f);
        if (!overlayName.isEmpty() && options_.overlay) {
            const QString bitmap = FindOverlayBitmap(overlayName);
            scene::Texture* overlay = bitmap.isEmpty() ? nullptr : engine_.LoadTexture(bitmap, false);
            if (overlay) {
                SetMeshColour(mesh, kWhite, 1.0f);
                mesh->SetTexture(overlay);
                overlaid = true;
            }
        }
    }
    landscapeFrame_->AddVisual(mesh);
    ++landscapeMeshes_;
    return overlaid;
}

bool FlightScene::SetOverlay(const QString& bitmapPath) {
    scene::Texture* texture = engine_.LoadTexture(bitmapPath, false);
    if (!texture) return false;
    landscapeFrame_->SetTexture(texture);
    landscapeFrame_->SetMaterialMode(scene::MaterialMode::FromFrame);
    return true;
}

void FlightScene::ClearOverlay() {
    landscapeFrame_->SetTexture(nullptr);
    landscapeFrame_->SetMaterialMode(scene::MaterialMode::FromMesh);
}

} // namespace soarnote
