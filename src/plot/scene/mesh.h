#pragma once
// An editable mesh: vertices, polygon faces, per-vertex normals and texture
// coordinates, one colour with alpha (or per-vertex colours from a loaded
// file) and at most one texture. Faces are kept as polygons and split into
// triangles only when the renderer uploads them.
//
// Front faces are the ones whose vertices run clockwise seen from the front in
// the left-handed scene frame. In numbers that means the front side is the one
// (b - a) x (c - a) points to, for a face's first three vertices a, b, c.

#include "gridlod.h"
#include "meshgeometry.h"

#include <QColor>
#include <QVector2D>
#include <QVector3D>
#include <cstdint>
#include <vector>

namespace soarnote::scene {

class Texture;

// A number not handed out before (thread-safe).
int NextRevision();

// Flags of GenerateNormals.
enum NormalFlags : unsigned {
    // Kept for the callers that state it; normals are always stored compactly.
    kNormalsPrecompact = 1,
    // Faces meeting at more than the crease angle keep their own normals; when
    // the flag is absent every vertex gets one normal averaged over all its
    // faces, as the old engine did with the flag 1 the scene passes.
    kNormalsUseCreaseAngle = 2,
};

class Mesh {
public:
    // Appends the vertices and the faces of the face-list form (count,
    // indices..., ended by 0). A face with an index outside its own vertices
    // or fewer than three corners is left out; the list stops at its 0 or at
    // its end. Returns the number of faces added.
    int AddFaces(const MeshGeometry& geometry);
    // Appends one polygon over existing vertices (indices checked).
    bool AddFace(const std::vector<std::int32_t>& corners);
    // Appends a vertex with its normal, texture coordinates and colour (used
    // by the file loader).
    int AddVertex(const QVector3D& position, const QVector3D& normal, const QVector2D& uv,
                  const QColor& colour);

    // Smooth normals. Faces whose normals differ by more than creaseDegrees
    // split a shared vertex when flags hold kNormalsUseCreaseAngle.
    void GenerateNormals(float creaseDegrees, unsigned flags);

    void SetPerspective(bool on) { perspective_ = on; } // texturing is perspective-correct anyway
    bool Perspective() const { return perspective_; }

    // One colour for the whole mesh; replaces colours loaded from a file.
    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }
    void SetTexture(Texture* texture);
    Texture* MeshTexture() const { return texture_; }
    // True when the mesh blends with what lies behind it.
    bool SeeThrough() const;

    void SetTextureCoordinates(std::vector<QVector2D> uvs);

    // Says that the mesh's faces are those of a regular grid (a landscape),
    // so the renderer may draw far parts of it with fewer triangles. Adding
    // faces or vertices, or normals that split vertices, forgets it.
    void SetGridLayout(const GridLayout& layout);
    // The grid, when one was set and still fits the vertices.
    const GridLayout* Grid() const;

    std::size_t VertexCount() const { return positions_.size(); }
    std::size_t FaceCount() const { return faceStarts_.size() - 1; }
    const std::vector<QVector3D>& Positions() const { return positions_; }
    const std::vector<QVector3D>& Normals() const { return normals_; }
    const std::vector<QVector2D>& TextureCoordinates() const { return uvs_; }
    const std::vector<QColor>& VertexColours() const { return colours_; }
    // Corners of face f are FaceIndices()[FaceStarts()[f] .. FaceStarts()[f + 1]).
    const std::vector<std::uint32_t>& FaceStarts() const { return faceStarts_; }
    const std::vector<std::uint32_t>& FaceIndices() const { return faceIndices_; }
    // The normal of face f: unit length, pointing to its front side.
    QVector3D FaceNormal(std::size_t face) const;
    // Centre of the bounding box, for sorting see-through meshes.
    QVector3D Centre() const;

    // Changes with every change of geometry or material so the renderer
    // uploads again; a mesh that does not change is uploaded once. Numbers are
    // never reused, not even by another mesh, so a renderer that outlives a
    // scene never mistakes a new mesh for an old one.
    int Revision() const { return revision_; }

private:
    void Touch();

    std::vector<QVector3D> positions_;
    std::vector<QVector3D> normals_; // one per vertex, empty until generated or loaded
    std::vector<QVector2D> uvs_;     // one per vertex, zero until a wrap computes them
    std::vector<QColor> colours_;    // one per vertex when loaded with materials, else empty
    std::vector<std::uint32_t> faceStarts_{0};
    std::vector<std::uint32_t> faceIndices_;
    QColor colour_ = QColor(255, 255, 255);
    Texture* texture_ = nullptr;
    bool perspective_ = false;
    GridLayout grid_;
    bool hasGrid_ = false;
    int revision_ = NextRevision();
};

} // namespace soarnote::scene
