#pragma once
// Texture coordinates computed from vertex positions. A wrap has its own axes,
// given in a reference frame: z along direction, y as near to up as possible,
// x = y cross z (the reference frame's handedness). For a vertex p, with
// d = p - origin expressed in those axes:
//   flat (type 0):        u = d.x * scaleU + offsetU,  v = d.y * scaleV + offsetV
//   cylindrical (type 1): u = a / 2pi * scaleU + offsetU, v = d.z * scaleV + offsetV,
//                         a = the angle of (d.x, d.y) from the y axis, 0 .. 2pi.
// Texture v = 0 is the top row of the bitmap, so a flat wrap whose up points
// south shows a bitmap with its top to the north.
//
// Mesh vertices are taken as coordinates of the wrap's reference frame (the
// scene builders state the frame their vertices are in). Scales and offsets
// that are not finite (1 / 0 for a patch without extent) are taken as 1 and 0:
// such a mesh has no extent along that axis, so any finite scale draws it
// alike, and no infinite or NaN coordinate reaches the renderer.

#include <QVector3D>

namespace soarnote::scene {

class Frame;
class Mesh;

enum class WrapType { Flat = 0, Cylindrical = 1 };

class Wrap {
public:
    Wrap(WrapType type, const Frame* reference, const QVector3D& origin, const QVector3D& direction,
         const QVector3D& up, float offsetU, float offsetV, float scaleU, float scaleV);

    // Computes the texture coordinates of every vertex of the mesh.
    void Apply(Mesh& mesh) const;

    WrapType Type() const { return type_; }
    const Frame* Reference() const { return reference_; }
    float ScaleU() const { return scaleU_; }
    float ScaleV() const { return scaleV_; }

private:
    WrapType type_;
    const Frame* reference_;
    QVector3D origin_;
    QVector3D x_{1, 0, 0};
    QVector3D y_{0, 1, 0};
    QVector3D z_{0, 0, 1};
    float offsetU_;
    float offsetV_;
    float scaleU_;
    float scaleV_;
};

// 1 / abs(last - first), the scale that spans a bitmap once over an extent;
// 1 for an extent of 0 (or one that is not finite).
float SpanScale(float first, float last);

} // namespace soarnote::scene
