#pragma once
// A node of the scene's transform tree. Every frame holds a rigid transform
// (rotation and translation, no scale) relative to its parent, the meshes and
// lights attached to it, and the texture and material mode handed down to
// everything below it. The root frame also carries the scene-wide settings
// (background, fog, depth sorting) that the renderer reads when it draws that
// root.
//
// Coordinates are the scene's own: x = minus the easting, y = the northing,
// z = the height, a left-handed system. The matrices below are plain numeric
// ones; only the renderer cares about the handedness (see scenerenderer.cpp).

#include <QColor>
#include <QMatrix4x4>
#include <QVector3D>
#include <vector>

namespace soarnote::scene {

class Mesh;
class Texture;
struct Light;

// How a rotation is combined with the frame's transform: Before turns the
// frame about its own axes (its origin stays where it is); After turns it about
// the parent's axes, so its origin is carried round the parent's origin too.
enum class Combine { Before, After };

// Where the meshes below a frame take their material from: their own colour
// and texture, or the frame's (the landscape overlay bitmap).
enum class MaterialMode { FromMesh, FromFrame };

// Scene-wide settings; only the root frame's are used.
struct SceneSettings {
    QColor background = QColor(0, 0, 0);
    // The depth test is always on (the device the scene was designed for had a
    // depth buffer); the flag is kept so the window can report what it asked.
    bool zBuffer = false;
    // Draw see-through meshes from the farthest to the nearest so they blend.
    bool sortBackToFront = false;
    bool fog = false;
    QColor fogColour = QColor(255, 255, 255);
    float fogStart = 0;
    float fogEnd = 1;
    float fogDensity = 1; // kept; linear fog does not use it
};

class Frame {
public:
    explicit Frame(Frame* parent);
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    Frame* Parent() const { return parent_; }
    const std::vector<Frame*>& Children() const { return children_; }

    // Places the origin at (x, y, z) of the reference frame (nullptr: the
    // scene's root coordinates).
    void SetPosition(const Frame* reference, float x, float y, float z);
    QVector3D Position(const Frame* reference) const;

    // Points the frame's +Z along direction and its +Y as near to up as
    // possible, both given in the reference frame. A zero or parallel pair
    // leaves the orientation as it was rather than producing NaNs.
    void SetOrientation(const Frame* reference, const QVector3D& direction, const QVector3D& up);
    // The frame's +Z (direction) and +Y (up) in the reference frame.
    void Orientation(const Frame* reference, QVector3D* direction, QVector3D* up) const;

    // Rotates by angle radians about axis (a zero axis is ignored).
    void AddRotation(Combine combine, const QVector3D& axis, float angle);

    void AddVisual(Mesh* mesh);
    const std::vector<Mesh*>& Visuals() const { return visuals_; }
    void AddLight(Light* light);
    const std::vector<Light*>& Lights() const { return lights_; }

    void SetTexture(Texture* texture) { texture_ = texture; }
    Texture* FrameTexture() const { return texture_; }
    void SetMaterialMode(MaterialMode mode) { materialMode_ = mode; }
    MaterialMode Mode() const { return materialMode_; }
    // The colour meshes take when the material comes from the frame.
    void SetColour(const QColor& colour) { colour_ = colour; }
    QColor Colour() const { return colour_; }

    // Root frame settings.
    SceneSettings& Settings() { return settings_; }
    const SceneSettings& Settings() const { return settings_; }
    void SetSceneBackground(const QColor& colour) { settings_.background = colour; }
    void SetZBufferEnabled(bool on) { settings_.zBuffer = on; }
    void SetSortBackToFront(bool on) { settings_.sortBackToFront = on; }
    void SetFogEnabled(bool on) { settings_.fog = on; }
    void SetFogColour(const QColor& colour) { settings_.fogColour = colour; }
    void SetLinearFog(float start, float end, float density);

    // The transform from this frame's coordinates to its parent's, and to the
    // root's.
    const QMatrix4x4& Local() const { return local_; }
    QMatrix4x4 World() const;

private:
    Frame* parent_ = nullptr;
    std::vector<Frame*> children_;
    std::vector<Mesh*> visuals_;
    std::vector<Light*> lights_;
    QMatrix4x4 local_;
    Texture* texture_ = nullptr;
    MaterialMode materialMode_ = MaterialMode::FromMesh;
    QColor colour_ = QColor(255, 255, 255);
    SceneSettings settings_;
};

} // namespace soarnote::scene
