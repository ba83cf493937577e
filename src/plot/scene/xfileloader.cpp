#include "xfileloader.h"

#include "mesh.h"

#include <QFile>
#include <QLoggingCategory>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace soarnote::scene {

namespace {

Q_LOGGING_CATEGORY(lcScene, "soarnote.scene")

QColor DiffuseOf(const aiMaterial* material) {
    aiColor4D c(1, 1, 1, 1);
    if (material) material->Get(AI_MATKEY_COLOR_DIFFUSE, c);
    float opacity = 1;
    if (material && material->Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS) c.a = std::min(c.a, opacity);
    return QColor::fromRgbF(std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f),
                            std::clamp(c.b, 0.0f, 1.0f), std::clamp(c.a, 0.0f, 1.0f));
}

} // namespace

bool LoadXFile(Mesh& mesh, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcScene) << "cannot open mesh file" << path;
        return false;
    }
    const QByteArray bytes = file.readAll();
    Assimp::Importer importer;
    // The importer turns the file's left-handed data into assimp's right-handed
    // convention (z mirrored, faces reversed); MakeLeftHanded and
    // FlipWindingOrder undo exactly that, giving the file's own numbers.
    const unsigned steps =
        aiProcess_PreTransformVertices | aiProcess_MakeLeftHanded | aiProcess_FlipWindingOrder;
    const aiScene* s =
        importer.ReadFileFromMemory(bytes.constData(), static_cast<size_t>(bytes.size()), steps, "x");
    if (!s || (s->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        qCWarning(lcScene) << "cannot read mesh file" << path << importer.GetErrorString();
        return false;
    }
    bool missingNormals = false;
    for (unsigned m = 0; m < s->mNumMeshes; ++m) {
        const aiMesh* in = s->mMeshes[m];
        const QColor colour =
            DiffuseOf(in->mMaterialIndex < s->mNumMaterials ? s->mMaterials[in->mMaterialIndex] : nullptr);
        missingNormals = missingNormals || !in->HasNormals();
        const int base = static_cast<int>(mesh.VertexCount());
        for (unsigned v = 0; v < in->mNumVertices; ++v) {
            const aiVector3D& p = in->mVertices[v];
            const QVector3D n = in->HasNormals()
                                    ? QVector3D(in->mNormals[v].x, in->mNormals[v].y, in->mNormals[v].z)
                                    : QVector3D();
            const QVector2D uv = in->HasTextureCoords(0)
                                     ? QVector2D(in->mTextureCoords[0][v].x, in->mTextureCoords[0][v].y)
                                     : QVector2D();
            mesh.AddVertex(QVector3D(p.x, p.y, p.z), n, uv, colour);
        }
        for (unsigned f = 0; f < in->mNumFaces; ++f) {
            std::vector<std::int32_t> corners;
            for (unsigned k = 0; k < in->mFaces[f].mNumIndices; ++k)
                corners.push_back(base + static_cast<std::int32_t>(in->mFaces[f].mIndices[k]));
            mesh.AddFace(corners);
        }
    }
    if (missingNormals) mesh.GenerateNormals(0, kNormalsPrecompact);
    return true;
}

} // namespace soarnote::scene
