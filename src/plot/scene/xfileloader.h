#pragma once
// Reads a DirectX .x mesh file (text or binary, through assimp) into a mesh,
// with the coordinates and face order exactly as the file states them: the
// file's left-handed frame is the scene's, so nothing is mirrored.

#include <QString>

namespace soarnote::scene {

class Mesh;

// Appends every mesh of the file (node transforms applied) to mesh: vertices,
// normals when the file has them (otherwise smooth normals are generated),
// texture coordinates and the diffuse colour of each face's material. Returns
// false and leaves mesh unchanged when the file cannot be read.
bool LoadXFile(Mesh& mesh, const QString& path);

} // namespace soarnote::scene
