#pragma once
// The print preview: what the printer would print, at a size that fits the
// window. Log mode shows the pages of the log with page navigation; flight
// mode shows the flight page of the main window's current flight, its
// arrows step between flights, and F12 turns on the time-offset mode in
// which the arrow keys shift the GPS-to-barograph offset and the plots are
// redrawn at once.

#include "report/flightprint.h"
#include "report/previewpages.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QPrinter;
class QPushButton;

namespace soarnote {

class LogbookSession;
class MainWindow;
class Prompts;
class SettingsStore;
class PaperArea;

// The flight page's texts as the main window shows them now (edits included).
FlightPageFields FlightPageFieldsOf(const MainWindow& window);

class PrintPreview : public QDialog {
    Q_OBJECT
public:
    enum Mode { LogMode = 0, FlightMode = 1 };

    // The flight page shows the main window's fields; the logbook session,
    // settings, prompts and printer are borrowed.
    PrintPreview(MainWindow* window, LogbookSession& session, SettingsStore* settings, Prompts* prompts,
                 QPrinter* printer);
    ~PrintPreview() override;

    // Sets the window up for the mode; Init then shows it modally.
    void Prepare(Mode mode);
    int Init(Mode mode);

    void RenderPreview();
    void ShowCurrentPage();
    void SetPageSize(int i);
    // step in days; 0 toggles the offset mode.
    void AdjustOffset(double step);
    // Fits the page to the paper area and redraws (Z-Fit, double-click, showing).
    void FitAndRender();
    // Prints what the preview shows, after the printer dialog.
    void PrintCurrent();
    // Writes what the preview shows to a PDF file chosen by the user.
    void ExportPdf();

    Mode CurrentMode() const { return mode_; }
    int CurrentPage() const { return currentPage_; }
    bool OffsetMode() const { return offsetMode_; }
    const PreviewPages& Pages() const { return pages_; }
    PaperArea* Paper() const { return paper_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void PageUpClick();
    void PageDownClick();
    void LayoutControls();
    std::vector<LogbookRow> ReadRows();

    MainWindow* window_;
    LogbookSession& session_;
    SettingsStore* settings_;
    Prompts* prompts_;
    QPrinter* printer_;
    Mode mode_ = LogMode;
    int currentPage_ = 1;
    bool offsetMode_ = false;
    bool fitted_ = false;
    QString savedCaption_;
    PreviewPages pages_;

    QPushButton* pageDown_ = nullptr;
    QPushButton* pageUp_ = nullptr;
    QPushButton* zoom_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* xyPlot_ = nullptr;
    QCheckBox* dzPlot_ = nullptr;
    PaperArea* paper_ = nullptr;
};

// The paper area: grey, with the current page picture where the fit puts it.
class PaperArea : public QWidget {
    Q_OBJECT
public:
    explicit PaperArea(QWidget* parent = nullptr);
    // The picture is kept (its pixels are shared, not copied) so that the
    // preview may drop its own while this one is shown.
    void SetPage(const QImage& image, const QRectF& rect);
    QRectF PageRect() const { return rect_; }

signals:
    void DoubleClicked();
    void ExportRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QImage image_;
    QRectF rect_;
};

} // namespace soarnote
