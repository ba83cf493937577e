#include "twips.h"

#include <QWidget>
#include <algorithm>

namespace soarnote {

namespace {

qint64 DotsPerInch(const QWidget* widget) {
    return widget && widget->logicalDpiY() > 0 ? widget->logicalDpiY() : 96;
}

} // namespace

int TwipsToPixels(int twips, const QWidget* widget) {
    // A hand-edited setting may hold anything: keep to what a screen can show.
    return static_cast<int>(std::clamp<qint64>(qint64{twips} * DotsPerInch(widget) / 1440, 0, 100000));
}

int PixelsToTwips(int pixels, const QWidget* widget) {
    return static_cast<int>(qint64{pixels} * 1440 / DotsPerInch(widget));
}

} // namespace soarnote
