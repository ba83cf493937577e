#include "texture.h"

#include <QImageReader>

namespace soarnote::scene {

Texture::Texture(const QImage& picture, bool decal) : decal_(decal) {
    if (picture.isNull()) return;
    picture_ = picture.convertToFormat(QImage::Format_RGBA8888);
    if (!decal) return;
    if (picture.format() == QImage::Format_Indexed8 || picture.format() == QImage::Format_Mono ||
        picture.format() == QImage::Format_MonoLSB) {
        const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
        for (int y = 0; y < indexed.height(); ++y) {
            const uchar* in = indexed.constScanLine(y);
            uchar* out = picture_.scanLine(y);
            for (int x = 0; x < indexed.width(); ++x)
                if (in[x] == 0) out[4 * x + 3] = 0;
        }
        return;
    }
    const QRgb key = picture_.pixel(0, 0) & 0x00FFFFFF;
    for (int y = 0; y < picture_.height(); ++y) {
        uchar* out = picture_.scanLine(y);
        for (int x = 0; x < picture_.width(); ++x)
            if ((qRgb(out[4 * x], out[4 * x + 1], out[4 * x + 2]) & 0x00FFFFFF) == key) out[4 * x + 3] = 0;
    }
}

Texture Texture::FromFile(const QString& path, bool decal) {
    QImageReader reader(path);
    // Bitmaps are read as they are stored: no automatic colour conversion that
    // would lose the palette the decal rule looks at.
    reader.setAutoTransform(false);
    return Texture(reader.read(), decal);
}

} // namespace soarnote::scene
