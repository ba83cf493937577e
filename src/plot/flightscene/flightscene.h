#pragma once
// The scene of one flight in the 3D view: the frame tree (scene, world,
// camera, light, landscape, clouds, glider), the sky, fog and lights, and the
// objects built from the flight's plot data — the track ribbon, the glider
// with its pilot, the grounds and landscapes, the cloud layer — each built
// from the pure geometry of src/plot/land and dressed with the colours,
// textures and wraps the plot settings ask for.
//
// No widgets: the window shows the scene through a SceneView and asks the
// pilot its questions itself; tests build and render it offscreen.

#include "land/rasterwindow.h"
#include "meshgeometry.h"
#include "plotdata.h"
#include "sceneengine.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace soarnote {

class SettingsStore;

// The plot settings the scene is built with.
struct FlightSceneOptions {
    bool perspective = false; // Flag0: perspective-correct texturing on every mesh
    bool depthSort = false;   // Flag1: see-through meshes sorted back to front
    bool fog = false;         // Flag2
    bool trackView = true;
    bool gliderView = true;
    std::int64_t trackColour = 0xFF0000;
    QString trackTexture;
    std::int64_t gliderColour = 0xFF0000;
    QString gliderTexture;
    QString gliderMesh; // .x file of the wing
    QString pilotMesh;  // .x file of the pilot
    std::int64_t landscapeColour = 0x1C000;
    QString landscapeTexture;
    bool overlay = false;
    // Folder of cloud1.bmp and cloud2.bmp.
    QString bitmapFolder;

    static FlightSceneOptions Read(const SettingsStore& settings);
};

class FlightScene {
public:
    FlightScene(const PlotData& plot, FlightSceneOptions options);
    FlightScene(const FlightScene&) = delete;
    FlightScene& operator=(const FlightScene&) = delete;

    scene::SceneEngine& Engine() { return engine_; }
    scene::Frame* SceneFrame() const { return sceneFrame_; }
    scene::Frame* WorldFrame() const { return worldFrame_; }
    scene::Frame* CameraFrame() const { return cameraFrame_; }
    scene::Frame* LightFrame() const { return lightFrame_; }
    scene::Frame* LandscapeFrame() const { return landscapeFrame_; }
    scene::Frame* CloudFrame() const { return cloudFrame_; }
    scene::Frame* GliderFrame() const { return gliderFrame_; }
    const FlightSceneOptions& Options() const { return options_; }

    // The sun for a moment of the flight: a point light far away in the
    // direction of the sun seen from the first point of the plot.
    void PlaceSun(double time);
    void ConstructTrack();
    void ConstructGlider();
    // A flat ground under the flight at the given height.
    void ConstructLandRef(float height);
    // amount eighths of sky at the given base; random draws uniform in [0, 1).
    void ConstructCloudLayer(float height, std::int32_t amount, float size,
                             const std::function<double()>& random);
    // A ground grid as a landscape mesh under LandscapeFrame (which sits at
    // the position offsets). Returns true when the overlay bitmap of
    // overlayName was found and put on it.
    bool BuildGridMesh(const VertexGrid& grid, bool windingFlag, const QString& overlayName);

    // The landscape overlay ("Set &Overlay"): a bitmap over every landscape,
    // or back to the meshes' own colours. False when the bitmap cannot be read.
    bool SetOverlay(const QString& bitmapPath);
    void ClearOverlay();

    // Meshes added so far (tests and the benchmark count them).
    int TrackMeshes() const { return trackMeshes_; }
    int LandscapeMeshes() const { return landscapeMeshes_; }
    int CloudMeshes() const { return cloudMeshes_; }

private:
    void SetMeshColour(scene::Mesh* mesh, std::int64_t colour, float alpha) const;
    scene::Texture* LoadTexture(const QString& path, bool decal);
    QString ProgramPath(const QString& path) const;

    const PlotData& plot_;
    FlightSceneOptions options_;
    scene::SceneEngine engine_;
    scene::Frame* sceneFrame_ = nullptr;
    scene::Frame* worldFrame_ = nullptr;
    scene::Frame* cameraFrame_ = nullptr;
    scene::Frame* landscapeFrame_ = nullptr;
    scene::Frame* cloudFrame_ = nullptr;
    scene::Frame* gliderFrame_ = nullptr;
    scene::Frame* lightFrame_ = nullptr;
    int trackMeshes_ = 0;
    int landscapeMeshes_ = 0;
    int cloudMeshes_ = 0;
};

} // namespace soarnote
