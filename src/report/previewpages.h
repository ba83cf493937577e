#pragma once
// The pages of the print preview: one per printed page, each standing for
// the printer's page in the printer's own millimetres, with the fonts and
// line widths scaled to the size the page is shown at. A page is kept as a
// description (where it starts and how it is scaled) and drawn into a
// picture only when it is shown: a long log then costs the memory of a few
// pictures, not of all of them.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <functional>
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
    // Adds the next page (blank, the size of the current fit).
    void Create();
    // Places and scales page i by the current fit.
    void SetPageSize(int i);

    // Draws page number page (0-based) on a surface that has been cleared
    // and given the page's scaled font and line width.
    using Drawer = std::function<void(DrawSurface& surface, int page)>;
    // How the pages of a run are drawn, and the first row of each (a log's
    // page breaks); the pictures drawn before are dropped. Pages past the
    // run's stay blank.
    void SetDrawer(Drawer drawer, std::vector<std::size_t> firstRows = {});
    // The first row of page i of the run, as its description holds it.
    std::size_t FirstRow(int i) const { return firstRows_.at(static_cast<std::size_t>(i)); }

    // The picture of page i, drawn now when it is not at hand. It stays
    // valid until a further page is drawn, the drawer changes or the fit
    // changes; keep a copy (QImage shares its pixels) to hold it longer.
    const QImage& Image(int i) const;
    // A drawing surface straight on the picture of page i (blank when it
    // was not drawn), with its scaled font and line width.
    std::unique_ptr<DrawSurface> Surface(int i);
    // Pages made so far (the test of reuse counts them).
    int Created() const { return created_; }
    // Pictures drawn and kept now.
    int Drawn() const { return static_cast<int>(pictures_.size()); }

private:
    struct Page {
        float fontSize = 1;
        qint16 drawWidth = 1;
    };
    struct Picture {
        int page = 0;
        std::unique_ptr<QImage> image; // stays where it is while others come and go
    };
    QSize PictureSize() const;
    QImage& NewPicture(int i) const;

    PrinterPage printer_;
    PreviewFit fit_;
    std::vector<Page> pages_;
    int created_ = 0;
    Drawer drawer_;
    std::vector<std::size_t> firstRows_;
    // The pictures drawn lately, the latest last.
    mutable std::vector<Picture> pictures_;
};

} // namespace soarnote
