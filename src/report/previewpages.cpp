#include "previewpages.h"

#include "drawsurface.h"

#include <QPagedPaintDevice>
#include <algorithm>
#include <cmath>

namespace soarnote {

namespace {
constexpr double kTwipsPerMm = 1440 / 25.4;
// The screen resolution the scaled font sizes are meant for.
constexpr double kScreenDpi = 96;
} // namespace

PrinterPage PrinterPageOf(const QPagedPaintDevice& device) {
    PrinterPage page;
    const double pxPerMm = device.logicalDpiX() / 25.4;
    page.widthMm = device.width() / pxPerMm;
    page.heightMm = device.height() / pxPerMm;
    page.paperWidthTwips = device.pageLayout().fullRect(QPageLayout::Millimeter).width() * kTwipsPerMm;
    page.twipsPerPixel = 1440.0 / device.logicalDpiX();
    return page;
}

int ReferenceDrawWidth(double twipsPerPixel) {
    return static_cast<int>(std::nearbyint(300 / twipsPerPixel));
}

PreviewFit FitPreview(const PrinterPage& printer, QSize areaPx, double twipsPerScreenPixel) {
    PreviewFit fit;
    const double areaW = std::max(1, areaPx.width()) * twipsPerScreenPixel;
    const double areaH = std::max(1, areaPx.height()) * twipsPerScreenPixel;
    // Twips of the area per millimetre of paper along each direction; the
    // tighter one, with the 4 % margin, sets the scale.
    const double a = areaH / printer.heightMm;
    const double b = areaW / printer.widthMm;
    const double s = std::min(a, b) / 1.04;
    const double scaleWidth = printer.widthMm * b / s;
    const double scaleHeight = printer.heightMm * a / s;
    const double scaleLeft = printer.leftMm - (scaleWidth - printer.widthMm) / 2;
    const double scaleTop = printer.topMm - (scaleHeight - printer.heightMm) / 2;
    fit.mmPerPixel = scaleWidth / std::max(1, areaPx.width());
    fit.originMm = QPointF(scaleLeft, scaleTop);
    fit.pageRect =
        QRectF((printer.leftMm - scaleLeft) / fit.mmPerPixel, (printer.topMm - scaleTop) / fit.mmPerPixel,
               printer.widthMm / fit.mmPerPixel, printer.heightMm / fit.mmPerPixel);
    fit.zoom = (printer.widthMm / scaleWidth) * areaW / std::floor(printer.paperWidthTwips);
    fit.fontSize = static_cast<float>(std::trunc(printer.fontSize * fit.zoom) + 1);
    fit.drawWidth = static_cast<qint16>(
        std::clamp(std::trunc(printer.drawWidth * fit.zoom * printer.twipsPerPixel / 14) + 1, 1.0, 32767.0));
    return fit;
}

PreviewPages::PreviewPages() {
    pages_.resize(1); // the first picture is always there
    SetPageSize(0);
    created_ = 0;
}

PreviewPages::~PreviewPages() = default;

void PreviewPages::Create() {
    pages_.emplace_back();
    ++created_;
    SetPageSize(Count() - 1);
}

void PreviewPages::SetPageSize(int i) {
    Page& page = pages_[i];
    const QSize size(std::max(1, static_cast<int>(std::lround(fit_.pageRect.width()))),
                     std::max(1, static_cast<int>(std::lround(fit_.pageRect.height()))));
    if (page.image.size() != size) {
        page.image = QImage(size, QImage::Format_RGB32);
        page.image.fill(Qt::white);
        const int dotsPerMeter = static_cast<int>(std::lround(kScreenDpi / 0.0254));
        page.image.setDotsPerMeterX(dotsPerMeter);
        page.image.setDotsPerMeterY(dotsPerMeter);
    }
    page.fontSize = fit_.fontSize;
    page.drawWidth = fit_.drawWidth;
}

std::unique_ptr<DrawSurface> PreviewPages::Surface(int i) {
    Page& page = pages_[i];
    auto surface = std::make_unique<DrawSurface>(&page.image, printer_.widthMm, printer_.heightMm);
    surface->SetFontSize(page.fontSize);
    surface->SetDrawWidth(page.drawWidth);
    return surface;
}

} // namespace soarnote
