#pragma once
// The scene on screen: a QOpenGLWidget that draws a root frame through one
// viewport with the scene renderer. Every resize fits the viewport to the
// widget's size in pixels and draws again, as the 3D window needs.

#include "sceneengine.h"
#include "scenerenderer.h"

#include <QOpenGLWidget>
#include <QSurfaceFormat>

namespace soarnote::scene {

class SceneView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit SceneView(QWidget* parent = nullptr);
    ~SceneView() override;

    // The context every scene drawing asks for: OpenGL 3.3 core, a 24-bit
    // depth buffer.
    static QSurfaceFormat SurfaceFormat();

    // Draws root seen from camera; both belong to an engine that outlives the
    // view (or SetScene(nullptr, nullptr) is called before it goes).
    void SetScene(const Frame* root, Frame* camera);
    Viewport& SceneViewport() { return viewport_; }
    // Empty until the first paint has set up GL.
    QString RendererName() const { return rendererName_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void ReleaseGl();

    const Frame* root_ = nullptr;
    Viewport viewport_;
    SceneRenderer renderer_;
    QString rendererName_;
};

} // namespace soarnote::scene
