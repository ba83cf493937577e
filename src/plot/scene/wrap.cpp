#include "wrap.h"

#include "mesh.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace soarnote::scene {

namespace {

float FiniteOr(float value, float fallback) {
    return std::isfinite(value) ? value : fallback;
}

} // namespace

Wrap::Wrap(WrapType type, const Frame* reference, const QVector3D& origin, const QVector3D& direction,
           const QVector3D& up, float offsetU, float offsetV, float scaleU, float scaleV)
    : type_(type), reference_(reference), origin_(origin), offsetU_(FiniteOr(offsetU, 0)),
      offsetV_(FiniteOr(offsetV, 0)), scaleU_(FiniteOr(scaleU, 1)), scaleV_(FiniteOr(scaleV, 1)) {
    const QVector3D z = direction.normalized();
    const QVector3D x = QVector3D::crossProduct(up, z).normalized();
    // A zero or parallel direction and up keep the reference frame's own axes.
    if (!z.isNull() && !x.isNull()) {
        z_ = z;
        x_ = x;
        y_ = QVector3D::crossProduct(z, x);
    }
}

void Wrap::Apply(Mesh& mesh) const {
    std::vector<QVector2D> uvs;
    uvs.reserve(mesh.VertexCount());
    for (const QVector3D& p : mesh.Positions()) {
        const QVector3D d = p - origin_;
        const float dx = QVector3D::dotProduct(d, x_);
        const float dy = QVector3D::dotProduct(d, y_);
        float u = 0;
        float v = 0;
        if (type_ == WrapType::Flat) {
            u = dx * scaleU_ + offsetU_;
            v = dy * scaleV_ + offsetV_;
        } else {
            float a = std::atan2(dx, dy);
            if (a < 0) a += 2 * std::numbers::pi_v<float>;
            u = a / (2 * std::numbers::pi_v<float>)*scaleU_ + offsetU_;
            v = QVector3D::dotProduct(d, z_) * scaleV_ + offsetV_;
        }
        uvs.emplace_back(FiniteOr(u, 0), FiniteOr(v, 0));
    }
    mesh.SetTextureCoordinates(std::move(uvs));
}

float SpanScale(float first, float last) {
    const float scale = 1 / std::abs(last - first);
    return std::isfinite(scale) ? scale : 1;
}

} // namespace soarnote::scene
