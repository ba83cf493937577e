#pragma once
// Draws a scene (a root frame's subtree) into the current OpenGL 3.3 core
// context: vertex buffers and shaders, Gouraud shading (lighting per vertex),
// linear fog, textures with mipmaps, and see-through meshes blended after the
// solid ones. The same renderer serves the 3D window (a QOpenGLWidget) and the
// offscreen path of the tests and benchmarks.
//
// Meshes and textures are uploaded on first use and again only when their
// revision changes, so a frame of an unchanged scene sends only matrices.

#include <QMatrix4x4>
#include <QString>
#include <cstddef>
#include <memory>

namespace soarnote::scene {

class Frame;
struct Viewport;

class SceneRenderer {
public:
    SceneRenderer();
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Compiles the shaders in the current context. False when the context
    // cannot run them (no GL 3.3); Render then does nothing.
    bool Initialize();
    bool IsReady() const;
    // Frees the GL objects; the context used by Initialize must be current.
    void Release();

    // Clears the viewport's rectangle of the bound framebuffer (targetHeight
    // pixels high) to the root's background and draws the subtree seen from
    // the viewport's camera.
    void Render(const Frame& root, const Viewport& viewport, int targetHeight);

    // The projection and view the last Render used (scene coordinates to clip
    // coordinates), for picking and tests.
    QMatrix4x4 ViewProjection(const Viewport& viewport) const;

    // Grid meshes (landscapes) are drawn tile by tile at the coarsest level
    // whose error stays within this many pixels on the screen; 0 draws every
    // tile at full detail. Default 1.
    void SetDetailTolerance(float pixels);
    float DetailTolerance() const;
    // Triangles sent by the last Render (skirts included).
    std::size_t LastTriangleCount() const;

    // How many mesh uploads have been made so far.
    int UploadCount() const;
    // GL_RENDERER and GL_VERSION of the context, for the benchmark's figures.
    QString RendererName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace soarnote::scene
