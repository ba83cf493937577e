#include "mesh.h"

#include "texture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numeric>

namespace soarnote::scene {

int NextRevision() {
    static std::atomic<int> last{0};
    return ++last;
}

void Mesh::Touch() {
    revision_ = NextRevision();
}

int Mesh::AddFaces(const MeshGeometry& geometry) {
    hasGrid_ = false;
    const auto base = static_cast<std::int64_t>(positions_.size());
    const auto count = static_cast<std::int64_t>(geometry.vertices.size());
    for (const Vertex3& v : geometry.vertices)
        positions_.emplace_back(v.x, v.y, v.z);
    normals_.resize(positions_.size());
    uvs_.resize(positions_.size());
    if (!colours_.empty()) colours_.resize(positions_.size(), colour_);

    int added = 0;
    const std::vector<std::int32_t>& list = geometry.faceList;
    std::size_t i = 0;
    while (i < list.size() && list[i] > 0) {
        const auto n = static_cast<std::size_t>(list[i]);
        const std::size_t end = i + 1 + n;
        if (end > list.size()) break; // a cut-off record: nothing after it can be trusted
        const bool valid = n >= 3 && std::all_of(list.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                 list.begin() + static_cast<std::ptrdiff_t>(end),
                                                 [count](std::int32_t k) { return k >= 0 && k < count; });
        if (valid) {
            for (std::size_t k = i + 1; k < end; ++k)
                faceIndices_.push_back(static_cast<std::uint32_t>(base + list[k]));
            faceStarts_.push_back(static_cast<std::uint32_t>(faceIndices_.size()));
            ++added;
        }
        i = end;
    }
    Touch();
    return added;
}

bool Mesh::AddFace(const std::vector<std::int32_t>& corners) {
    if (corners.size() < 3) return false;
    hasGrid_ = false;
    for (std::int32_t k : corners)
        if (k < 0 || static_cast<std::size_t>(k) >= positions_.size()) return false;
    for (std::int32_t k : corners)
        faceIndices_.push_back(static_cast<std::uint32_t>(k));
    faceStarts_.push_back(static_cast<std::uint32_t>(faceIndices_.size()));
    Touch();
    return true;
}

int Mesh::AddVertex(const QVector3D& position, const QVector3D& normal, const QVector2D& uv,
                    const QColor& colour) {
    hasGrid_ = false;
    if (colours_.empty()) colours_.assign(positions_.size(), colour_);
    positions_.push_back(position);
    normals_.resize(positions_.size() - 1);
    normals_.push_back(normal);
    uvs_.resize(positions_.size() - 1);
    uvs_.push_back(uv);
    colours_.push_back(colour);
    Touch();
    return static_cast<int>(positions_.size()) - 1;
}

QVector3D Mesh::FaceNormal(std::size_t face) const {
    // Newell's sum: sound for polygons of any count, also slightly bent ones.
    QVector3D n;
    const std::uint32_t begin = faceStarts_[face];
    const std::uint32_t end = faceStarts_[face + 1];
    for (std::uint32_t i = begin; i < end; ++i) {
        const QVector3D& a = positions_[faceIndices_[i]];
        const QVector3D& b = positions_[faceIndices_[i + 1 < end ? i + 1 : begin]];
        n += QVector3D((a.y() - b.y()) * (a.z() + b.z()), (a.z() - b.z()) * (a.x() + b.x()),
                       (a.x() - b.x()) * (a.y() + b.y()));
    }
    // Newell's sum points along (b - a) x (c - a): a face seen clockwise in
    // the left-handed frame has that product pointing at the one who sees it.
    return n.normalized();
}

void Mesh::GenerateNormals(float creaseDegrees, unsigned flags) {
    const std::size_t faces = FaceCount();
    std::vector<QVector3D> faceNormals(faces);
    for (std::size_t f = 0; f < faces; ++f)
        faceNormals[f] = FaceNormal(f);

    // Faces around each vertex (compressed rows).
    const std::size_t vertices = positions_.size();
    std::vector<std::uint32_t> start(vertices + 1, 0);
    for (std::uint32_t k : faceIndices_)
        ++start[k + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<std::uint32_t> around(faceIndices_.size());
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t f = 0; f < faces; ++f)
        for (std::uint32_t i = faceStarts_[f]; i < faceStarts_[f + 1]; ++i)
            around[fill[faceIndices_[i]]++] = static_cast<std::uint32_t>(f);

    normals_.assign(vertices, QVector3D());
    if (!(flags & kNormalsUseCreaseAngle)) {
        for (std::size_t v = 0; v < vertices; ++v) {
            QVector3D sum;
            for (std::uint32_t i = start[v]; i < start[v + 1]; ++i)
                sum += faceNormals[around[i]];
            normals_[v] = sum.normalized();
        }
        Touch();
        return;
    }

    // Vertices split at creases no longer form the grid.
    hasGrid_ = false;
    // With a crease angle each corner averages only the faces within the angle
    // of its own face; corners of one vertex that end with different normals
    // get a vertex of their own.
    const float limit = std::cos(std::clamp(creaseDegrees, 0.0f, 180.0f) * float(M_PI) / 180.0f) - 1e-5f;
    std::vector<std::vector<std::pair<QVector3D, std::uint32_t>>> made(vertices);
    for (std::size_t f = 0; f < faces; ++f) {
        for (std::uint32_t i = faceStarts_[f]; i < faceStarts_[f + 1]; ++i) {
            const std::uint32_t v = faceIndices_[i];
            QVector3D sum;
            for (std::uint32_t j = start[v]; j < start[v + 1]; ++j)
                if (QVector3D::dotProduct(faceNormals[around[j]], faceNormals[f]) >= limit)
                    sum += faceNormals[around[j]];
            const QVector3D n = sum.normalized();
            auto& list = made[v];
            auto same = std::find_if(list.begin(), list.end(), [&n](const auto& p) {
                return QVector3D::dotProduct(p.first, n) > 0.99999f;
            });
            if (same != list.end()) {
                faceIndices_[i] = same->second;
                continue;
            }
            std::uint32_t index = v;
            if (!list.empty()) {
                index = static_cast<std::uint32_t>(positions_.size());
                positions_.push_back(positions_[v]);
                normals_.push_back(n);
                uvs_.push_back(v < uvs_.size() ? uvs_[v] : QVector2D());
                if (!colours_.empty()) colours_.push_back(colours_[v]);
            } else {
                normals_[v] = n;
            }
            list.emplace_back(n, index);
            faceIndices_[i] = index;
        }
    }
    uvs_.resize(positions_.size());
    Touch();
}

void Mesh::SetColour(const QColor& colour) {
    colour_ = colour;
    colours_.clear();
    Touch();
}

void Mesh::SetTexture(Texture* texture) {
    texture_ = texture;
    Touch();
}

bool Mesh::SeeThrough() const {
    if (colour_.alpha() < 255 && colours_.empty()) return true;
    return std::any_of(colours_.begin(), colours_.end(), [](const QColor& c) { return c.alpha() < 255; });
}

void Mesh::SetTextureCoordinates(std::vector<QVector2D> uvs) {
    uvs.resize(positions_.size());
    uvs_ = std::move(uvs);
    Touch();
}

void Mesh::SetGridLayout(const GridLayout& layout) {
    grid_ = layout;
    hasGrid_ = layout.Valid(positions_.size());
    Touch();
}

const GridLayout* Mesh::Grid() const {
    return hasGrid_ && colours_.empty() ? &grid_ : nullptr;
}

QVector3D Mesh::Centre() const {
    if (positions_.empty()) return {};
    QVector3D lo = positions_.front();
    QVector3D hi = lo;
    for (const QVector3D& p : positions_) {
        lo = QVector3D(std::min(lo.x(), p.x()), std::min(lo.y(), p.y()), std::min(lo.z(), p.z()));
        hi = QVector3D(std::max(hi.x(), p.x()), std::max(hi.y(), p.y()), std::max(hi.z(), p.z()));
    }
    return (lo + hi) / 2;
}

} // namespace soarnote::scene
