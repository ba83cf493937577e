#pragma once
// The pictures of the print preview: one image per page, each standing for
// the printer's page in the printer's own millimetres, with the fonts and
// line widths scaled to the size the page is shown at.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <memory>
#include <vector>

class QPagedPaintDevice;

namespace soarnote {

class DrawSurface;

// What the preview needs to know of the printer's page.
struct PrinterPage {
    double widthMm = 287; // printable area
    double heightMm = 200;
    double leftMm = 0; // ScaleLeft / ScaleTop: the printable area's own origin
    double topMm = 0;
    double paperWidthTwips = 297 / 25.4 * 1440; // the whole sheet's width
    double twipsPerPixel = 1.2;                 // 1200 dpi
    float fontSize = 6;                         // set by SetupPrintPage
    int drawWidth = 1;
};
// The page of a printer or PDF writer as it is set up now.
PrinterPage PrinterPageOf(const QPagedPaintDevice& device);
// The reference line width of the flight page: 300 twips in printer pixels,
// rounded halves to even.
int ReferenceDrawWidth(double twipsPerPixel);

// The paper area's fit: the printer page enlarged by 4 % fits the area and
// sits in its middle; each page picture gets the printer's size in those
// millimetres and font sizes and line widths scaled by the zoom.
struct PreviewFit {
    double mmPerPixel = 1; // of the paper area
    QPointF originMm;      // paper-area millimetres at its top-left pixel
    QRectF pageRect;       // the page picture, in paper-area pixels
    double zoom = 1;       // screen twips per paper twip
    float fontSize = 1;
    qint16 drawWidth = 1;
};
// areaPx: the paper area's size in pixels; twipsPerScreenPixel: 15 at 96 dpi.
PreviewFit FitPreview(const PrinterPage& printer, QSize areaPx, double twipsPerScreenPixel);

class PreviewPages {
public:
    PreviewPages();
    ~PreviewPages();

    void SetPrinterPage(const PrinterPage& printer) { printer_ = printer; }
    const PrinterPage& Printer() const { return printer_; }
    void SetFit(const PreviewFit& fit) { fit_ = fit; }
    const PreviewFit& Fit() const { return fit_; }

    int Count() const { return static_cast<int>(pages_.size()); }
    // Adds the next picture (blank, the size of the current fit).
    void Create();
    // Places and scales picture i by the current fit.
    void SetPageSize(int i);
    const QImage& Image(int i) const { return pages_[i].image; }
    // A drawing surface on picture i with its scaled font and line width.
    std::unique_ptr<DrawSurface> Surface(int i);
    // Pictures made so far (the test of reuse counts them).
    int Created() const { return created_; }

private:
    struct Page {
        QImage image;
        float fontSize = 1;
        qint16 drawWidth = 1;
    };
    PrinterPage printer_;
    PreviewFit fit_;
    std::vector<Page> pages_;
    int created_ = 0;
};

} // namespace soarnote
