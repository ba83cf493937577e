#include "sceneview.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace soarnote::scene {

SceneView::SceneView(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(SurfaceFormat());
}

SceneView::~SceneView() {
    // The base class destroys the context after this object's members are
    // gone: release now and do not listen for that.
    if (context()) disconnect(context(), nullptr, this, nullptr);
    ReleaseGl();
}

QSurfaceFormat SceneView::SurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    return format;
}

void SceneView::SetScene(const Frame* root, Frame* camera) {
    root_ = root;
    viewport_.camera = camera;
    update();
}

void SceneView::initializeGL() {
    // A context that goes away (the widget moved to another window) takes
    // its buffers with it; the renderer must forget them.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &SceneView::ReleaseGl,
            Qt::UniqueConnection);
    if (renderer_.Initialize()) rendererName_ = renderer_.RendererName();
}

void SceneView::ReleaseGl() {
    makeCurrent();
    renderer_.Release();
    doneCurrent();
}

void SceneView::resizeGL(int width, int height) {
    viewport_.x = 0;
    viewport_.y = 0;
    viewport_.width = width;
    viewport_.height = height;
}

void SceneView::paintGL() {
    if (!root_) {
        context()->functions()->glClearColor(0, 0, 0, 1);
        context()->functions()->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    renderer_.Render(*root_, viewport_, viewport_.height);
}

} // namespace soarnote::scene
