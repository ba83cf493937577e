#include "printpreview.h"

#include "flightform.h"
#include "kit/prompts.h"
#include "mainwindow.h"
#include "translateform.h"

#include "core/flightfields.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "report/drawsurface.h"
#include "report/printjobs.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace soarnote {

namespace {

QString WidgetText(const MainWindow& window, const char* name) {
    QWidget* w = window.Form()->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return text->toPlainText();
    return {};
}

// The pointer over the paper area while no page is being drawn.
const Qt::CursorShape kPaperCursor = Qt::CrossCursor;

} // namespace

FlightPageFields FlightPageFieldsOf(const MainWindow& window) {
    FlightPageFields f;
    f.id = WidgetText(window, "RecordID").toLongLong();
    f.location = WidgetText(window, "Combo1_4");
    f.xcType = WidgetText(window, "Combo1_5");
    // The comments box holds line feeds; the page breaks lines at carriage returns.
    f.comments = window.Form()->Comments()->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    f.startTime = WidgetText(window, "StartTime");
    f.endTime = WidgetText(window, "EndTime");
    f.flightTime = WidgetText(window, "FlightTime");
    f.maxHeight = WidgetText(window, "MaxHeight");
    f.minHeight = WidgetText(window, "MinHeight");
    f.maxGain = WidgetText(window, "MaxGain");
    f.minGain = WidgetText(window, "MinGain");
    f.distance = WidgetText(window, "Distance");
    f.timeOffset = WidgetText(window, "OffsetT");
    return f;
}

PaperArea::PaperArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1a"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(kPaperCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaperArea::SetPage(const QImage& image, const QRectF& rect) {
    image_ = image;
    rect_ = rect;
    update();
}

void PaperArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    if (image_.isNull()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect_, image_);
    painter.setPen(Qt::black);
    painter.drawRect(rect_.adjusted(0, 0, -1, -1));
}

void PaperArea::mouseDoubleClickEvent(QMouseEvent*) {
    emit DoubleClicked();
}

void PaperArea::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    connect(menu.addAction(Translate("Export PDF...")), &QAction::triggered, this,
            &PaperArea::ExportRequested);
    menu.exec(event->globalPos());
}

PrintPreview::PrintPreview(MainWindow* window, LogbookSession& session, SettingsStore* settings,
                           Prompts* prompts, QPrinter* printer)
    : QDialog(window), window_(window), session_(session), settings_(settings), prompts_(prompts),
      printer_(printer) {
    setObjectName(QStringLiteral("frmPreview"));
    setModal(true);
    pageDown_ = new QPushButton(QStringLiteral("<"), this);
    pageDown_->setObjectName(QStringLiteral("PageDown"));
    pageUp_ = new QPushButton(QStringLiteral(">"), this);
    pageUp_->setObjectName(QStringLiteral("PageUp"));
    zoom_ = new QPushButton(QStringLiteral("Z-Fit"), this);
    zoom_->setObjectName(QStringLiteral("Zoom"));
    print_ = new QPushButton(QStringLiteral("Print"), this);
    print_->setObjectName(QStringLiteral("Command1"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("Command2"));
    xyPlot_ = new QCheckBox(QStringLiteral("XYPlot"), this);
    xyPlot_->setObjectName(QStringLiteral("Check1_0"));
    dzPlot_ = new QCheckBox(QStringLiteral("DZPlot"), this);
    dzPlot_->setObjectName(QStringLiteral("Check1_1"));
    xyPlot_->setChecked(true);
    dzPlot_->setChecked(true);
    for (QPushButton* b : {pageDown_, pageUp_, zoom_, print_, cancel_})
        b->setAutoDefault(false);
    paper_ = new PaperArea(this);
    TranslateForm(this, false);

    connect(pageUp_, &QPushButton::clicked, this, &PrintPreview::PageUpClick);
    connect(pageDown_, &QPushButton::clicked, this, &PrintPreview::PageDownClick);
    connect(zoom_, &QPushButton::clicked, this, &PrintPreview::FitAndRender);
    connect(paper_, &PaperArea::DoubleClicked, this, &PrintPreview::FitAndRender);
    connect(paper_, &PaperArea::ExportRequested, this, &PrintPreview::ExportPdf);
    connect(print_, &QPushButton::clicked, this, &PrintPreview::PrintCurrent);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(xyPlot_, &QCheckBox::clicked, this, &PrintPreview::RenderPreview);
    connect(dzPlot_, &QCheckBox::clicked, this, &PrintPreview::RenderPreview);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    resize(MainWindow::TwipsToPixels(12000, this), MainWindow::TwipsToPixels(9000, this));
    LayoutControls();
}

PrintPreview::~PrintPreview() = default;

void PrintPreview::Prepare(Mode mode) {
    setWindowIcon(window_->windowIcon());
    currentPage_ = 1;
    mode_ = mode;
    printer_->setPageOrientation(QPageLayout::Landscape);
    PrinterPage printer = PrinterPageOf(*printer_);
    if (mode == LogMode) {
        printer.fontSize = 6;
        printer.drawWidth = 1;
        setWindowTitle(Translate("Log Print"));
    } else {
        printer.fontSize = 8;
        printer.drawWidth = ReferenceDrawWidth(printer.twipsPerPixel);
        setWindowTitle(Translate("Flight Details"));
    }
    pages_.SetPrinterPage(printer);
    xyPlot_->setVisible(mode == FlightMode);
    dzPlot_->setVisible(mode == FlightMode);
    fitted_ = false;
}

int PrintPreview::Init(Mode mode) {
    Prepare(mode);
    return exec();
}

void PrintPreview::LayoutControls() {
    auto place = [this](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(MainWindow::TwipsToPixels(left, this), MainWindow::TwipsToPixels(top, this),
                       MainWindow::TwipsToPixels(width, this), MainWindow::TwipsToPixels(height, this));
    };
    // One row at the top; the buttons keep a usable height on a fine screen.
    const int rowTwips = std::max(255, MainWindow::PixelsToTwips(pageUp_->sizeHint().height(), this));
    place(pageDown_, 0, 0, 255, rowTwips);
    place(pageUp_, 240, 0, 255, rowTwips);
    place(zoom_, 495, 0, 675, rowTwips);
    place(print_, 1170, 0, 855, rowTwips);
    place(cancel_, 2025, 0, 855, rowTwips);
    place(xyPlot_, 3015, 45, 1095, rowTwips - 45);
    place(dzPlot_, 3960, 45, 1095, rowTwips - 45);
    const int top = MainWindow::TwipsToPixels(rowTwips + 15, this);
    paper_->setGeometry(0, top, width(), std::max(1, height() - top));
}

void PrintPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
    // The picture follows the new size at once; it is drawn afresh at the
    // new scale by Z-Fit or a double-click.
    const double twipsPerPixel = 1440.0 / std::max(1, paper_->logicalDpiX());
    const PreviewFit fit = FitPreview(pages_.Printer(), paper_->size(), twipsPerPixel);
    if (fitted_ && currentPage_ - 1 < pages_.Count())
        paper_->SetPage(pages_.Image(currentPage_ - 1), fit.pageRect);
}

void PrintPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!fitted_) FitAndRender();
}

void PrintPreview::FitAndRender() {
    const double twipsPerPixel = 1440.0 / std::max(1, paper_->logicalDpiX());
    pages_.SetFit(FitPreview(pages_.Printer(), paper_->size(), twipsPerPixel));
    for (int i = 0; i < pages_.Count(); ++i)
        SetPageSize(i);
    fitted_ = true;
    RenderPreview();
}

void PrintPreview::SetPageSize(int i) {
    pages_.SetPageSize(i);
}

std::vector<LogbookRow> PrintPreview::ReadRows() {
    QString error;
    std::optional<std::vector<LogbookRow>> rows;
    if (session_.IsOpen()) rows = ReadLogbookRows(session_.Db(), &error);
    if (!rows && !error.isEmpty()) prompts_->Inform(this, Translate("Print"), error, QMessageBox::Warning);
    return rows.value_or(std::vector<LogbookRow>());
}

void PrintPreview::RenderPreview() {
    paper_->setCursor(Qt::WaitCursor);
    if (mode_ == LogMode) {
        PrintLog(pages_, ReadRows(), window_->windowTitle());
    } else if (session_.Flights().HasCurrent()) {
        FlightPageOptions options = ReadFlightPageOptions(*settings_, offsetMode_);
        options.planWanted = xyPlot_->isChecked();
        options.profileWanted = dzPlot_->isChecked();
        PrintFlightDetails(pages_, session_.Db(), FlightPageFieldsOf(*window_), options);
    }
    paper_->setCursor(kPaperCursor);
    ShowCurrentPage();
}

void PrintPreview::ShowCurrentPage() {
    const int i = std::clamp(currentPage_ - 1, 0, pages_.Count() - 1);
    paper_->SetPage(pages_.Image(i), pages_.Fit().pageRect);
}

void PrintPreview::PageUpClick() {
    if (mode_ == LogMode) {
        if (currentPage_ < pages_.Count()) ++currentPage_;
        ShowCurrentPage();
        return;
    }
    LogDataSet& flights = session_.Flights();
    if (flights.AbsolutePosition() < flights.RecordCount() - 1) flights.MoveNext();
    RenderPreview();
}

void PrintPreview::PageDownClick() {
    if (mode_ == LogMode) {
        if (currentPage_ > 1) --currentPage_;
        ShowCurrentPage();
        return;
    }
    LogDataSet& flights = session_.Flights();
    if (flights.AbsolutePosition() > 0) flights.MovePrevious();
    RenderPreview();
}

void PrintPreview::AdjustOffset(double step) {
    if (step != 0) {
        QLineEdit* offset = window_->Form()->Edit(QStringLiteral("OffsetT"));
        const double value = ParseNumber(offset->text()).value_or(0);
        offset->setText(PlainNumberText(value + step));
    } else {
        if (offsetMode_)
            setWindowTitle(savedCaption_);
        else
            savedCaption_ = windowTitle();
        paper_->setFocus();
        offsetMode_ = !offsetMode_;
    }
    if (offsetMode_)
        setWindowTitle(savedCaption_ + QStringLiteral(" - [OFFSET MODE: ") +
                       window_->Form()->Edit(QStringLiteral("OffsetTDate"))->text() + QLatin1Char(']'));
    RenderPreview();
}

bool PrintPreview::HandleKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_PageUp:
        PageUpClick();
        return true;
    case Qt::Key_PageDown:
        PageDownClick();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (!offsetMode_ || mode_ != FlightMode) return false;
        const bool shift = event->modifiers() == Qt::ShiftModifier;
        const double step = shift ? 1.0 / 144 : 1.0 / 5760;
        AdjustOffset(event->key() == Qt::Key_Left ? step : -step);
        return true;
    }
    case Qt::Key_F12:
        if (mode_ != FlightMode) return false;
        AdjustOffset(0);
        return true;
    default:
        return false;
    }
}

bool PrintPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void PrintPreview::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) QDialog::keyPressEvent(event);
}

void PrintPreview::PrintCurrent() {
    QPrintDialog dialog(printer_, this);
    dialog.setWindowTitle(Translate("Print"));
    if (dialog.exec() != QDialog::Accepted) return; // cancelled: nothing printed
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintOutcome outcome;
    if (mode_ == LogMode) {
        outcome = PrintLog(*printer_, ReadRows(), window_->windowTitle());
    } else {
        FlightPageOptions options = ReadFlightPageOptions(*settings_, false);
        options.planWanted = xyPlot_->isChecked();
        options.profileWanted = dzPlot_->isChecked();
        outcome = PrintFlightDetails(*printer_, session_.Db(), FlightPageFieldsOf(*window_), options);
    }
    if (outcome.ok && printer_->printerState() == QPrinter::Error) {
        outcome.ok = false;
        outcome.error = Translate("The printer reported an error.");
    }
    QApplication::restoreOverrideCursor();
    if (!outcome.ok) prompts_->Inform(this, Translate("Print"), outcome.error, QMessageBox::Warning);
}

void PrintPreview::ExportPdf() {
    const QString path = prompts_->SaveFileName(this, Translate("Export PDF"),
                                                FileDialogFilter(QStringLiteral("PDF Files (*.pdf)|*.pdf")));
    if (path.isEmpty()) return;
    PrintOutcome outcome;
    if (mode_ == LogMode) {
        outcome = ExportLogPdf(path, ReadRows(), window_->windowTitle());
    } else {
        FlightPageOptions options = ReadFlightPageOptions(*settings_, offsetMode_);
        options.planWanted = xyPlot_->isChecked();
        options.profileWanted = dzPlot_->isChecked();
        outcome = ExportFlightPdf(path, session_.Db(), FlightPageFieldsOf(*window_), options);
    }
    if (!outcome.ok) prompts_->Inform(this, Translate("Export PDF"), outcome.error, QMessageBox::Warning);
}

} // namespace soarnote
