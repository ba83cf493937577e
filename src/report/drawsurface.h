#pragma once
// The drawing surface the printed pages are drawn on: a printer, a PDF
// writer or one picture of the print preview. Every position is in
// millimetres from the top-left corner of the printable area. Text is drawn
// with its top-left corner at the current position; fonts are given in
// points and line widths in device pixels, as on a printer.
//
// The painter always works in device pixels with no transform: a scaled
// painter would scale the font's point size too, so the millimetres are
// turned into pixels here instead.

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace soarnote {

enum class DrawStyle { Solid, Dotted };
// Mask combines what is drawn with what is on the page by a bitwise AND:
// white leaves the page unchanged, black stays black, colours darken each
// other, and drawing a colour twice changes nothing. The darker of the two
// in each channel gives all of that (a multiply blend would darken where a
// broad line's round ends overlap).
enum class DrawMode { Copy, Mask };

class DrawSurface {
public:
    // A printer or PDF writer. Painting starts here (the first page is open
    // at once); check IsActive().
    explicit DrawSurface(QPagedPaintDevice* device);
    // One preview picture that stands for a page of widthMm x heightMm. Its
    // fonts are drawn at the image's own resolution (dotsPerMeter), so the
    // preview gives them its scaled sizes.
    DrawSurface(QImage* image, double widthMm, double heightMm);
    // A page of widthMm x heightMm that is only measured, at the given
    // resolution: it draws nothing, but positions, text widths and line
    // heights are those of a device of that resolution. The page breaks of
    // the log are found on one.
    DrawSurface(double widthMm, double heightMm, double dotsPerInch);
    ~DrawSurface();
    DrawSurface(const DrawSurface&) = delete;
    DrawSurface& operator=(const DrawSurface&) = delete;

    bool IsActive() const { return painter_.isActive(); }
    bool IsPaged() const { return paged_ != nullptr; }

    double ScaleWidth() const { return widthMm_; }
    double ScaleHeight() const { return heightMm_; }
    // Device pixels per millimetre.
    double PixelsPerMm() const { return pxPerMm_; }

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void SetCurrentX(double x) { currentX_ = x; }
    void SetCurrentY(double y) { currentY_ = y; }

    const QString& FontName() const { return fontName_; }
    float FontSize() const { return fontSize_; }
    bool FontBold() const { return fontBold_; }
    void SetFontName(const QString& name);
    void SetFontSize(float points);
    void SetFontBold(bool bold);

    qint16 DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int pixels);
    DrawStyle Style() const { return style_; }
    void SetDrawStyle(DrawStyle style) { style_ = style; }
    DrawMode Mode() const { return mode_; }
    void SetDrawMode(DrawMode mode);
    QColor ForeColor() const { return foreColor_; }
    void SetForeColor(const QColor& color) { foreColor_ = color; }

    // Draws text at the current position. Without line end the current x
    // moves right by its width; with line end x returns to 0 and y moves
    // down one line of the current font.
    void Print(const QString& text, bool lineEnd);
    void EndLine() { Print(QString(), true); }
    double TextWidth(const QString& text) const;
    double TextHeight() const;

    // A line from the current position, or from (x1, y1), to (x2, y2) in the
    // fore colour (or the given one); afterwards the current position is
    // (x2, y2). With box the outline of the rectangle is drawn instead.
    void Line(double x2, double y2, const QColor& color = QColor());
    void Line(double x1, double y1, double x2, double y2, const QColor& color = QColor(), bool box = false);

    // Clears the picture to white and puts the position at the top-left.
    void Cls();
    // Finishes the page and starts the next one (paged devices).
    bool NewPage();
    // Finishes the document; false when the device reports a failure.
    bool EndDoc();

    // The font the drawing uses: "Arial" where it is installed, otherwise the
    // metric-compatible face fontconfig gives for it.
    QFont CurrentFont() const { return fonts_[font_].font; }

private:
    // A text's glyphs, and the ascent that puts their baseline under the
    // current position.
    struct ShapedText {
        QList<QGlyphRun> runs;
        double ascent = 0; // device pixels
    };
    // A font in use with its metrics and the widths measured in it: the log
    // measures every cell before it draws it, and the same texts come back
    // on every row and page.
    struct FontEntry {
        QString name;
        float size = 0;
        bool bold = false;
        QFont font;
        QFontMetricsF metrics;
        double ascent = 0;     // mm
        double lineHeight = 0; // mm
        mutable QHash<QString, double> widths;
        mutable QHash<QString, ShapedText> shaped; // the texts drawn in it
    };
    void UpdateFont();
    QPaintDevice* MetricsDevice();
    const ShapedText& Shaped(const FontEntry& font, const QString& text);
    // One drawing operation. Lines that continue each other with the same
    // pen are joined into one polyline before they are drawn: a long track
    // is then one path, not a hundred thousand.
    struct Item {
        enum class Kind { Line, Box, Point, Text } kind;
        QPen pen;
        QPolygonF points; // Line: the polyline; Box: two corners
        QPointF at;       // Point, Text
        int font = 0;     // Text: index into fonts_
        QString text;
    };
    void Draw(Item item);
    // Continues the pending polyline from a to b when it ends at a with the
    // pen the current settings give; false when a new line must start.
    bool ExtendPending(const QPointF& a, const QPointF& b, const QColor& color);
    void FlushPending();
    void Emit(const Item& item);
    void Paint(const Item& item);
    // Printers and PDF files take no blend modes: what is drawn under the
    // mask there is held back and drawn lightest first when the mask ends,
    // so at every spot the darkest colour stays on top.
    void FlushMasked();
    bool HoldsMasked() const { return paged_ && mode_ == DrawMode::Mask; }
    std::optional<Item> pending_;
    // The last straight stretch of the pending polyline: a new point that
    // keeps every point since its anchor within a tolerance of one straight
    // line moves its end instead of adding a vertex. A long track is then a
    // few thousand vertices, not a hundred thousand, and stays where it was
    // to a fraction of a pixel.
    class StraightRun {
    public:
        void Restart() {
            bounded_ = false;
            reach_ = 0;
        }
        // Whether next can replace end as the end of the stretch from anchor.
        bool Continues(const QPointF& anchor, const QPointF& end, const QPointF& next, double tolerance);

    private:
        bool bounded_ = false;
        double reference_ = 0; // direction the range is measured from
        double low_ = 0;
        double high_ = 0;
        double reach_ = 0; // farthest point passed over from the anchor
    };
    StraightRun straight_;
    std::vector<Item> masked_;
    const QPen& LinePen(const QColor& color);
    double Px(double mm) const { return mm * pxPerMm_; }

    QPagedPaintDevice* paged_ = nullptr;
    QImage* image_ = nullptr;
    QImage measure_; // the stand-in device of a measuring surface
    QPainter painter_;
    double widthMm_ = 0;
    double heightMm_ = 0;
    double pxPerMm_ = 1;
    double currentX_ = 0;
    double currentY_ = 0;
    QString fontName_ = QStringLiteral("Arial");
    float fontSize_ = 8;
    bool fontBold_ = false;
    qint16 drawWidth_ = 1;
    DrawStyle style_ = DrawStyle::Solid;
    DrawMode mode_ = DrawMode::Copy;
    QColor foreColor_ = Qt::black;
    std::vector<FontEntry> fonts_;
    int font_ = 0; // the current font, index into fonts_
    QPen pen_;     // the last line pen made, and what it was made of
    QColor penColor_;
    qint16 penWidth_ = -1;
    DrawStyle penStyle_ = DrawStyle::Solid;
};

} // namespace soarnote
