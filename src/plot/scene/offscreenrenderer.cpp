#include "offscreenrenderer.h"

#include "frame.h"
#include "sceneengine.h"
#include "sceneview.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

namespace soarnote::scene {

OffscreenRenderer::OffscreenRenderer() = default;

OffscreenRenderer::~OffscreenRenderer() {
    if (context_ && MakeCurrent()) {
        renderer_.Release();
        fbo_.reset();
        context_->doneCurrent();
    }
}

bool OffscreenRenderer::Initialize() {
    const QSurfaceFormat format = SceneView::SurfaceFormat();
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format);
    if (!context_->create()) {
        error_ = QStringLiteral("cannot create an OpenGL context");
        return false;
    }
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(context_->format());
    surface_->create();
    if (!MakeCurrent()) {
        error_ = QStringLiteral("cannot make the OpenGL context current");
        return false;
    }
    const QSurfaceFormat got = context_->format();
    if (got.majorVersion() * 10 + got.minorVersion() < 33 || !renderer_.Initialize()) {
        error_ = QStringLiteral("OpenGL 3.3 core shaders are not available");
        return false;
    }
    return true;
}

bool OffscreenRenderer::MakeCurrent() {
    return context_ && surface_ && context_->makeCurrent(surface_.get());
}

void OffscreenRenderer::RenderFrame(const Frame& root, const Viewport& viewport) {
    if (!MakeCurrent()) return;
    const QSize size(viewport.x + viewport.width, viewport.y + viewport.height);
    if (!fbo_ || fbo_->size() != size) {
        fbo_.reset();
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::Depth);
    }
    fbo_->bind();
    renderer_.Render(root, viewport, size.height());
    context_->functions()->glFinish();
}

QImage OffscreenRenderer::Grab() {
    if (!fbo_ || !MakeCurrent()) return {};
    return fbo_->toImage(true).convertToFormat(QImage::Format_RGB32);
}

QImage OffscreenRenderer::Render(const Frame& root, const Viewport& viewport) {
    RenderFrame(root, viewport);
    return Grab();
}

} // namespace soarnote::scene
