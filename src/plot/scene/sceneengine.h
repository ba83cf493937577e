#pragma once
// The retained-mode engine: one object that owns every frame, mesh, light and
// texture of a scene, so the window that builds a scene releases all of it by
// releasing the engine. Objects are handed out as plain pointers that stay
// valid as long as the engine lives.

#include "frame.h"
#include "light.h"
#include "mesh.h"
#include "texture.h"
#include "wrap.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace soarnote::scene {

// What a camera sees: a rectangle of the picture, the camera frame (looking
// along its +Z with +Y up) and the clipping planes. The field is the half
// height of the view at distance 1 (0.5: about 53 degrees from top to bottom).
struct Viewport {
    Frame* camera = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float front = 1.0f;
    float back = 75000.0f;
    float field = 0.5f;
};

class SceneEngine {
public:
    SceneEngine();
    ~SceneEngine();
    SceneEngine(const SceneEngine&) = delete;
    SceneEngine& operator=(const SceneEngine&) = delete;

    // A frame under parent; nullptr makes a root.
    Frame* CreateFrame(Frame* parent);
    Mesh* CreateMesh();
    Light* CreateLight(LightType type, float red, float green, float blue);
    // nullptr when the bitmap cannot be read (the caller leaves it out).
    Texture* LoadTexture(const QString& path, bool decal = false);
    Texture* CreateTexture(const QImage& picture, bool decal = false);

    // Folders tried, in the order added, for a mesh file given by a relative
    // path or not found where it was named.
    void AddSearchPath(const QString& folder);
    const QStringList& SearchPaths() const { return searchPaths_; }
    // Loads a .x file into mesh; false leaves the mesh as it was.
    bool LoadMesh(Mesh* mesh, const QString& path) const;

    Viewport* CreateViewport(Frame* camera, int x, int y, int width, int height);

private:
    std::vector<std::unique_ptr<Frame>> frames_;
    std::vector<std::unique_ptr<Mesh>> meshes_;
    std::vector<std::unique_ptr<Light>> lights_;
    std::vector<std::unique_ptr<Texture>> textures_;
    std::vector<std::unique_ptr<Viewport>> viewports_;
    QStringList searchPaths_;
};

} // namespace soarnote::scene
