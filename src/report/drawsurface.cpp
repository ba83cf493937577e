#include "drawsurface.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPen>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soarnote {

namespace {
// How far a long polyline may stray from the points it was given: far less
// than a line's width on paper (a fine printer pen is about 0.1 mm), and
// a quarter of a pixel on a coarse picture.
constexpr double kPathToleranceMm = 0.02;
constexpr double kPathTolerancePx = 0.25;
// Widths kept per font before the cache starts afresh (a log of many
// different comments would otherwise hold every word of it).
constexpr qsizetype kMaxCachedWidths = 8192;
} // namespace

DrawSurface::DrawSurface(QPagedPaintDevice* device) : paged_(device) {
    painter_.begin(device);
    pxPerMm_ = device->logicalDpiX() / 25.4;
    widthMm_ = device->width() / pxPerMm_;
    heightMm_ = device->height() / pxPerMm_;
    UpdateFont();
}

DrawSurface::DrawSurface(QImage* image, double widthMm, double heightMm)
    : image_(image), widthMm_(widthMm), heightMm_(heightMm) {
    pxPerMm_ = widthMm > 0 ? image->width() / widthMm : 1;
    painter_.begin(image);
    UpdateFont();
}

DrawSurface::DrawSurface(double widthMm, double heightMm, double dotsPerInch)
    : measure_(1, 1, QImage::Format_RGB32), widthMm_(widthMm), heightMm_(heightMm) {
    const int dotsPerMeter = static_cast<int>(std::lround(dotsPerInch / 0.0254));
    measure_.setDotsPerMeterX(dotsPerMeter);
    measure_.setDotsPerMeterY(dotsPerMeter);
    pxPerMm_ = dotsPerInch / 25.4;
    UpdateFont();
}

DrawSurface::~DrawSurface() {
    FlushMasked();
    if (painter_.isActive()) painter_.end();
}

void DrawSurface::SetFontName(const QString& name) {
    fontName_ = name;
    UpdateFont();
}

void DrawSurface::SetFontSize(float points) {
    fontSize_ = points;
    UpdateFont();
}

void DrawSurface::SetFontBold(bool bold) {
    fontBold_ = bold;
    UpdateFont();
}

void DrawSurface::SetDrawWidth(int pixels) {
    drawWidth_ = static_cast<qint16>(std::clamp(pixels, 1, 32767));
}

QPaintDevice* DrawSurface::MetricsDevice() {
    if (paged_) return paged_;
    if (image_) return image_;
    return &measure_;
}

void DrawSurface::UpdateFont() {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        const FontEntry& f = fonts_[i];
        if (f.size == fontSize_ && f.bold == fontBold_ && f.name == fontName_) {
            font_ = static_cast<int>(i);
            return;
        }
    }
    QFont font(fontName_);
    // Where Arial is not installed its metric-compatible faces keep the
    // column widths the pages were laid out for.
    if (fontName_ == QLatin1String("Arial"))
        font.setFamilies({fontName_, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    font.setPointSizeF(std::max(0.5f, fontSize_));
    font.setBold(fontBold_);
    // Unhinted metrics: a preview picture then measures text as the printer does.
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font, MetricsDevice());
    fonts_.push_back(FontEntry{fontName_,
                               fontSize_,
                               fontBold_,
                               font,
                               metrics,
                               metrics.ascent() / pxPerMm_,
                               metrics.height() / pxPerMm_,
                               {},
                               {}});
    font_ = static_cast<int>(fonts_.size()) - 1;
}

void DrawSurface::SetDrawMode(DrawMode mode) {
    FlushPending();
    if (mode_ == DrawMode::Mask && mode != DrawMode::Mask) FlushMasked();
    mode_ = mode;
}

bool DrawSurface::ExtendPending(const QPointF& a, const QPointF& b, const QColor& color) {
    if (!pending_ || pending_->points.constLast() != a || pending_->pen != LinePen(color)) return false;
    QPolygonF& points = pending_->points;
    if (straight_.Continues(points[points.size() - 2], a, b,
                            std::max(kPathToleranceMm * pxPerMm_, kPathTolerancePx)))
        points.last() = b; // a stays within the tolerance of the straight line to b
    else
        points << b;
    return true;
}

bool DrawSurface::StraightRun::Continues(const QPointF& anchor, const QPointF& end, const QPointF& next,
                                         double tolerance) {
    // Every point passed over must lie within the tolerance of the line from
    // the anchor to the new end: seen from the anchor, a point at distance d
    // allows the directions within asin(tolerance / d) of its own. What the
    // points passed over allow together is kept as one range of directions.
    const QPointF toEnd = end - anchor;
    const double endDistance = std::hypot(toEnd.x(), toEnd.y());
    double low = low_;
    double high = high_;
    bool bounded = bounded_;
    if (endDistance > tolerance) {
        const double direction = std::atan2(toEnd.y(), toEnd.x());
        if (!bounded) reference_ = direction;
        const double offset = std::remainder(direction - reference_, 2 * std::numbers::pi);
        const double spread = std::asin(tolerance / endDistance);
        low = bounded ? std::max(low, offset - spread) : offset - spread;
        high = bounded ? std::min(high, offset + spread) : offset + spread;
        bounded = true;
    }
    const double reach = std::max(reach_, endDistance);
    const QPointF toNext = next - anchor;
    const double nextDistance = std::hypot(toNext.x(), toNext.y());
    bool fits = nextDistance >= reach;
    if (fits && bounded) {
        const double offset =
            std::remainder(std::atan2(toNext.y(), toNext.x()) - reference_, 2 * std::numbers::pi);
        fits = low <= offset && offset <= high;
    }
    if (fits) {
        low_ = low;
        high_ = high;
        bounded_ = bounded;
        reach_ = reach;
    } else {
        Restart();
    }
    return fits;
}

void DrawSurface::Draw(Item item) {
    FlushPending();
    if (item.kind == Item::Kind::Line) {
        pending_ = std::move(item);
        straight_.Restart();
    } else
        Emit(item);
}

void DrawSurface::FlushPending() {
    if (!pending_) return;
    const Item item = std::move(*pending_);
    pending_.reset();
    Emit(item);
}

void DrawSurface::Emit(const Item& item) {
    if (!painter_.isActive()) return;
    if (HoldsMasked()) {
        masked_.push_back(item);
        return;
    }
    painter_.setCompositionMode(mode_ == DrawMode::Mask ? QPainter::CompositionMode_Darken
                                                        : QPainter::CompositionMode_SourceOver);
    Paint(item);
}

void DrawSurface::Paint(const Item& item) {
    // The painter compares pens itself and skips one that does not change.
    painter_.setPen(item.pen);
    switch (item.kind) {
    case Item::Kind::Line:
        if (item.points.size() == 2)
            painter_.drawLine(item.points[0], item.points[1]);
        else
            painter_.drawPolyline(item.points);
        break;
    case Item::Kind::Box:
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(QRectF(item.points[0], item.points[1]).normalized());
        break;
    case Item::Kind::Point:
        painter_.drawPoint(item.at);
        break;
    case Item::Kind::Text: {
        // The glyphs of a text are found (shaped) once per font: a log
        // prints the same names, numbers and words on every page.
        const ShapedText& shaped = Shaped(fonts_[item.font], item.text);
        const QPointF topLeft = item.at - QPointF(0, shaped.ascent);
        for (const QGlyphRun& run : shaped.runs)
            painter_.drawGlyphRun(topLeft, run);
        break;
    }
    }
}

void DrawSurface::FlushMasked() {
    FlushPending();
    if (masked_.empty() || !painter_.isActive()) {
        masked_.clear();
        return;
    }
    std::vector<Item> items;
    items.swap(masked_);
    auto lightness = [](const Item& item) {
        const QColor c = item.pen.color();
        return c.red() + c.green() + c.blue();
    };
    std::stable_sort(items.begin(), items.end(),
                     [&](const Item& a, const Item& b) { return lightness(a) > lightness(b); });
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const Item& item : items) {
        // White leaves the paper as it is.
        if (lightness(item) != 3 * 255) Paint(item);
    }
}

void DrawSurface::Print(const QString& text, bool lineEnd) {
    if (!text.isEmpty() && painter_.isActive()) {
        Draw(Item{Item::Kind::Text, QPen(foreColor_), QPolygonF(),
                  QPointF(Px(currentX_), Px(currentY_ + fonts_[font_].ascent)), font_, text});
    }
    if (lineEnd) {
        currentX_ = 0;
        currentY_ += fonts_[font_].lineHeight;
    } else {
        currentX_ += TextWidth(text);
    }
}

double DrawSurface::TextWidth(const QString& text) const {
    if (text.isEmpty()) return 0;
    const FontEntry& f = fonts_[font_];
    const auto known = f.widths.constFind(text);
    if (known != f.widths.constEnd()) return *known;
    if (f.widths.size() >= kMaxCachedWidths) f.widths.clear();
    const double width = f.metrics.horizontalAdvance(text) / pxPerMm_;
    f.widths.insert(text, width);
    return width;
}

const DrawSurface::ShapedText& DrawSurface::Shaped(const FontEntry& f, const QString& text) {
    const auto known = f.shaped.constFind(text);
    if (known != f.shaped.constEnd()) return *known;
    if (f.shaped.size() >= kMaxCachedWidths) f.shaped.clear();
    QTextLayout layout(text, f.font, MetricsDevice());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    return *f.shaped.insert(text, ShapedText{layout.glyphRuns(), line.ascent()});
}

double DrawSurface::TextHeight() const {
    return fonts_[font_].lineHeight;
}

const QPen& DrawSurface::LinePen(const QColor& given) {
    // A track draws a hundred thousand lines with a few pens: the last pen
    // is kept while colour, width and style stay the same.
    const QColor color = given.isValid() ? given : foreColor_;
    if (penWidth_ == drawWidth_ && penStyle_ == style_ && penColor_ == color) return pen_;
    penColor_ = color;
    penWidth_ = drawWidth_;
    penStyle_ = style_;
    QPen pen(color);
    pen.setWidthF(drawWidth_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (style_ == DrawStyle::Dotted) {
        // Dots a pixel long, as a printer's dotted pen draws them, at least
        // half a millimetre apart so that they show on a fine device.
        pen.setCapStyle(Qt::FlatCap);
        const double gap = std::max(2.0, Px(0.5) / drawWidth_);
        pen.setDashPattern({std::max(1.0, gap / 2), gap});
    }
    pen_ = pen;
    return pen_;
}

void DrawSurface::Line(double x2, double y2, const QColor& color) {
    Line(currentX_, currentY_, x2, y2, color, false);
}

void DrawSurface::Line(double x1, double y1, double x2, double y2, const QColor& color, bool box) {
    if (painter_.isActive()) {
        const QPointF a(Px(x1), Px(y1));
        const QPointF b(Px(x2), Px(y2));
        const auto kind = box ? Item::Kind::Box : a == b ? Item::Kind::Point : Item::Kind::Line;
        if (kind != Item::Kind::Line || !ExtendPending(a, b, color)) {
            Item item{kind, LinePen(color), QPolygonF(), a, 0, QString()};
            if (kind != Item::Kind::Point) item.points = QPolygonF{a, b};
            Draw(std::move(item));
        }
    }
    currentX_ = x2;
    currentY_ = y2;
}

void DrawSurface::Cls() {
    pending_.reset();
    masked_.clear();
    if (image_) {
        if (painter_.isActive()) painter_.end();
        image_->fill(Qt::white);
        painter_.begin(image_);
    }
    currentX_ = 0;
    currentY_ = 0;
}

bool DrawSurface::NewPage() {
    FlushMasked();
    currentX_ = 0;
    currentY_ = 0;
    return paged_ && paged_->newPage();
}

bool DrawSurface::EndDoc() {
    FlushMasked();
    return !painter_.isActive() || painter_.end();
}

} // namespace soarnote
