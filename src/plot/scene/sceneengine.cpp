#include "sceneengine.h"

#include "xfileloader.h"

#include <QDir>
#include <QFileInfo>

namespace soarnote::scene {

SceneEngine::SceneEngine() = default;
SceneEngine::~SceneEngine() = default;

Frame* SceneEngine::CreateFrame(Frame* parent) {
    frames_.push_back(std::make_unique<Frame>(parent));
    return frames_.back().get();
}

Mesh* SceneEngine::CreateMesh() {
    meshes_.push_back(std::make_unique<Mesh>());
    return meshes_.back().get();
}

Light* SceneEngine::CreateLight(LightType type, float red, float green, float blue) {
    lights_.push_back(std::make_unique<Light>(Light{type, red, green, blue}));
    return lights_.back().get();
}

Texture* SceneEngine::LoadTexture(const QString& path, bool decal) {
    Texture t = Texture::FromFile(path, decal);
    if (t.IsNull()) return nullptr;
    textures_.push_back(std::make_unique<Texture>(std::move(t)));
    return textures_.back().get();
}

Texture* SceneEngine::CreateTexture(const QImage& picture, bool decal) {
    if (picture.isNull()) return nullptr;
    textures_.push_back(std::make_unique<Texture>(picture, decal));
    return textures_.back().get();
}

void SceneEngine::AddSearchPath(const QString& folder) {
    if (!folder.isEmpty() && !searchPaths_.contains(folder)) searchPaths_.append(folder);
}

bool SceneEngine::LoadMesh(Mesh* mesh, const QString& path) const {
    if (!mesh || path.isEmpty()) return false;
    QString found = path;
    if (!QFileInfo::exists(found)) {
        const QString name = QFileInfo(path).isRelative() ? path : QFileInfo(path).fileName();
        for (const QString& folder : searchPaths_) {
            const QString candidate = QDir(folder).filePath(name);
            if (QFileInfo::exists(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    return LoadXFile(*mesh, found);
}

Viewport* SceneEngine::CreateViewport(Frame* camera, int x, int y, int width, int height) {
    viewports_.push_back(std::make_unique<Viewport>(Viewport{camera, x, y, width, height}));
    return viewports_.back().get();
}

} // namespace soarnote::scene
