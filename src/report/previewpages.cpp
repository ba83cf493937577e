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
    pages_.resize(1); // the first page is always there
    SetPageSize(0);
    created_ = 0;
}

PreviewPages::~PreviewPages() = default;

void PreviewPages::Create() {
    pages_.emplace_back();
    ++created_;
    SetPageSize(Count() - 1);
}

QSize PreviewPages::PictureSize() const {
    return QSize(std::max(1, static_cast<int>(std::lround(fit_.pageRect.width()))),
                 std::max(1, static_cast<int>(std::lround(fit_.pageRect.height()))));
}

void PreviewPages::SetPageSize(int i) {
    Page& page = pages_[i];
    page.fontSize = fit_.fontSize;
    page.drawWidth = fit_.drawWidth;
    // A picture drawn at another scale is drawn afresh when it is shown.
    std::erase_if(pictures_,
                  [&](const Picture& p) { return p.page == i && p.image->size() != PictureSize(); });
}

void PreviewPages::SetDrawer(Drawer drawer, std::vector<std::size_t> firstRows) {
    drawer_ = std::move(drawer);
    firstRows_ = std::move(firstRows);
    pictures_.clear();
}

QImage& PreviewPages::NewPicture(int i) const {
    // The shown page, the one before it and the one after it are enough to
    // page back and forth without drawing again.
    constexpr std::size_t kKeptPictures = 3;
    std::erase_if(pictures_, [i](const Picture& p) { return p.page == i; });
    if (pictures_.size() >= kKeptPictures) pictures_.erase(pictures_.begin());
    auto image = std::make_unique<QImage>(PictureSize(), QImage::Format_RGB32);
    image->fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(kScreenDpi / 0.0254));
    image->setDotsPerMeterX(dotsPerMeter);
    image->setDotsPerMeterY(dotsPerMeter);
    pictures_.push_back(Picture{i, std::move(image)});
    return *pictures_.back().image;
}

const QImage& PreviewPages::Image(int i) const {
    for (const Picture& p : pictures_)
        if (p.page == i) return *p.image;
    QImage& image = NewPicture(i);
    const std::size_t drawnPages = drawer_ ? std::max<std::size_t>(1, firstRows_.size()) : 0;
    if (i >= 0 && static_cast<std::size_t>(i) < drawnPages) {
        const Page& page = pages_[i];
        DrawSurface surface(&image, printer_.widthMm, printer_.heightMm);
        surface.SetFontSize(page.fontSize);
        surface.SetDrawWidth(page.drawWidth);
        surface.Cls();
        drawer_(surface, i);
    }
    return image;
}

std::unique_ptr<DrawSurface> PreviewPages::Surface(int i) {
    QImage* image = nullptr;
    for (const Picture& p : pictures_)
        if (p.page == i) image = p.image.get();
    if (!image) image = &NewPicture(i);
    const Page& page = pages_[i];
    auto surface = std::make_unique<DrawSurface>(image, printer_.widthMm, printer_.heightMm);
    surface->SetFontSize(page.fontSize);
    surface->SetDrawWidth(page.drawWidth);
    return surface;
}

} // namespace soarnote
