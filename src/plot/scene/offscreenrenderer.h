#pragma once
// The scene renderer without a window: an OpenGL 3.3 core context on an
// offscreen surface drawing into a framebuffer object, read back as a QImage.
// Tests and benchmarks use it; it needs a QGuiApplication on a platform with
// GL (under X, or xvfb-run for headless runs).

#include "scenerenderer.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

namespace soarnote::scene {

class Frame;
struct Viewport;

class OffscreenRenderer {
public:
    OffscreenRenderer();
    ~OffscreenRenderer();
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    // Creates the context and the shaders; false (with ErrorText) when the
    // platform has no GL 3.3.
    bool Initialize();
    QString ErrorText() const { return error_; }

    // Draws the scene into a picture of the viewport's size (the viewport's
    // own x and y are kept: the picture is x + width by y + height) and waits
    // for the GPU to finish.
    void RenderFrame(const Frame& root, const Viewport& viewport);
    // The last frame drawn.
    QImage Grab();
    // Both of the above.
    QImage Render(const Frame& root, const Viewport& viewport);

    SceneRenderer& Renderer() { return renderer_; }
    QString RendererName() const { return renderer_.RendererName(); }

private:
    bool MakeCurrent();

    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    SceneRenderer renderer_;
    QString error_;
};

} // namespace soarnote::scene
