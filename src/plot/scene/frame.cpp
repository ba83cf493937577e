#include "frame.h"

#include <cmath>

namespace soarnote::scene {

namespace {

QMatrix4x4 WorldOf(const Frame* frame) {
    return frame ? frame->World() : QMatrix4x4();
}

// The rotation part of a rigid transform; its inverse is its transpose.
QMatrix4x4 RotationOf(const QMatrix4x4& m) {
    QMatrix4x4 r = m;
    r.setColumn(3, QVector4D(0, 0, 0, 1));
    return r;
}

bool Finite(const QVector3D& v) {
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

} // namespace

Frame::Frame(Frame* parent) : parent_(parent) {
    if (parent_) parent_->children_.push_back(this);
}

QMatrix4x4 Frame::World() const {
    QMatrix4x4 m = local_;
    for (const Frame* f = parent_; f; f = f->parent_)
        m = f->local_ * m;
    return m;
}

void Frame::SetPosition(const Frame* reference, float x, float y, float z) {
    const QVector3D inRoot = WorldOf(reference).map(QVector3D(x, y, z));
    const QVector3D inParent = WorldOf(parent_).inverted().map(inRoot);
    local_.setColumn(3, QVector4D(inParent, 1));
}

QVector3D Frame::Position(const Frame* reference) const {
    const QVector3D inRoot = World().map(QVector3D());
    return WorldOf(reference).inverted().map(inRoot);
}

void Frame::SetOrientation(const Frame* reference, const QVector3D& direction, const QVector3D& up) {
    const QVector3D z = direction.normalized();
    // The frame's axes must keep the parent's handedness: for any such basis
    // x = y cross z, whatever way the axes are drawn.
    const QVector3D x = QVector3D::crossProduct(up, z).normalized();
    if (z.isNull() || x.isNull() || !Finite(z) || !Finite(x)) return;
    const QVector3D y = QVector3D::crossProduct(z, x);
    QMatrix4x4 inReference;
    inReference.setColumn(0, QVector4D(x, 0));
    inReference.setColumn(1, QVector4D(y, 0));
    inReference.setColumn(2, QVector4D(z, 0));
    const QMatrix4x4 inRoot = RotationOf(WorldOf(reference)) * inReference;
    const QMatrix4x4 inParent = RotationOf(WorldOf(parent_)).transposed() * inRoot;
    const QVector4D position = local_.column(3);
    local_ = inParent;
    local_.setColumn(3, position);
}

void Frame::Orientation(const Frame* reference, QVector3D* direction, QVector3D* up) const {
    const QMatrix4x4 relative = RotationOf(WorldOf(reference)).transposed() * RotationOf(World());
    if (direction) *direction = relative.map(QVector3D(0, 0, 1));
    if (up) *up = relative.map(QVector3D(0, 1, 0));
}

void Frame::AddRotation(Combine combine, const QVector3D& axis, float angle) {
    if (axis.isNull() || !Finite(axis) || !std::isfinite(angle)) return;
    // A numeric right-hand-rule rotation; drawn in the left-handed scene it
    // turns clockwise when seen from the tip of the axis, so a positive turn
    // about Z takes north (+Y) to east (-X), as a compass heading does.
    QMatrix4x4 r;
    r.rotate(qRadiansToDegrees(angle), axis.normalized());
    local_ = combine == Combine::Before ? local_ * r : r * local_;
}

void Frame::AddVisual(Mesh* mesh) {
    if (mesh) visuals_.push_back(mesh);
}

void Frame::AddLight(Light* light) {
    if (light) lights_.push_back(light);
}

void Frame::SetLinearFog(float start, float end, float density) {
    settings_.fogStart = start;
    settings_.fogEnd = end;
    settings_.fogDensity = density;
}

} // namespace soarnote::scene
