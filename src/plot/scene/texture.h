#pragma once
// A texture read from a bitmap file, kept as an RGBA picture for the renderer
// to upload. Decal transparency makes one colour of the bitmap see-through, the
// way the old cloud bitmaps were drawn: for a palette bitmap every pixel of
// palette entry 0, for a true-colour bitmap every pixel of the colour of its
// first pixel (top left as the picture is seen). That colour is the bitmap's
// "background", whichever colour its painter chose.

#include <QImage>
#include <QString>

namespace soarnote::scene {

int NextRevision();

class Texture {
public:
    Texture() = default;
    explicit Texture(const QImage& picture, bool decal = false);

    // A null texture when the file cannot be read.
    static Texture FromFile(const QString& path, bool decal = false);

    bool IsNull() const { return picture_.isNull(); }
    // RGBA8888, rows from the top; texture coordinate v = 0 is the top row.
    const QImage& Picture() const { return picture_; }
    bool Decal() const { return decal_; }
    // Never shared with another texture or mesh (see Mesh::Revision).
    int Revision() const { return revision_; }

private:
    QImage picture_;
    bool decal_ = false;
    int revision_ = NextRevision();
};

} // namespace soarnote::scene
