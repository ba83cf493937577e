#include "instrumentpanel.h"

#include "mainwindow.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace soarnote {

namespace {

constexpr double kMargin = 10;
constexpr double kGap = 8;
constexpr double kCaptionHeight = 16;
constexpr double kValueHeight = 32;

const QColor kBackground(0x1f, 0x26, 0x2c);
const QColor kBoxFill(0x0a, 0x0e, 0x0c);
const QColor kBoxEdge(0x46, 0x56, 0x5e);
const QColor kValueColour(0x8c, 0xf5, 0xa6);
const QColor kCaptionColour(0xcf, 0xd7, 0xdc);
const QColor kDialFace(0x11, 0x16, 0x1b);
const QColor kTickColour(0xe6, 0xea, 0xed);
const QColor kNeedleColour(0xff, 0xb4, 0x2e);

// Whole numbers for height, tenths for the rest: more digits than these only
// flicker at playback speed.
QString Signed(double value, int decimals) {
    const QString text = FixedNumberText(value, decimals);
    return value > 0 && text != FixedNumberText(0, decimals) ? QLatin1Char('+') + text : text;
}

} // namespace

InstrumentPanel::InstrumentPanel(SettingsStore& settings, QWidget* owner)
    : QWidget(owner, Qt::Tool), settings_(settings) {
    setObjectName(QStringLiteral("frmInstr"));
    setWindowTitle(Translate("Instruments"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    setMinimumSize(sizeHint() * 0.8);
    move(MainWindow::TwipsToPixels(settings_.Int(keys::PlotInstrLeft), this),
         MainWindow::TwipsToPixels(settings_.Int(keys::PlotInstrTop), this));
}

InstrumentPanel::~InstrumentPanel() {
    SavePlacement();
}

void InstrumentPanel::SavePlacement() {
    settings_.Write(keys::PlotInstrLeft, MainWindow::PixelsToTwips(x(), this));
    settings_.Write(keys::PlotInstrTop, MainWindow::PixelsToTwips(y(), this));
}

QSize InstrumentPanel::sizeHint() const {
    return {320, 400};
}

void InstrumentPanel::ShowReadings(const InstrumentReadings& r) {
    height_ = FixedNumberText(r.height, 0);
    time_ = ShortTimeText(r.time);
    if (r.speedKmh) speed_ = FixedNumberText(*r.speedKmh, 1);
    if (r.climbPerSecond) {
        climb_ = *r.climbPerSecond;
        climbText_ = Signed(climb_, 1);
    }
    if (r.heading) {
        const int degrees = HeadingDegrees(*r.heading);
        heading_ = degrees;
        headingText_ = QStringLiteral("%1").arg(degrees, 3, 10, QLatin1Char('0'));
    }
    glide_ = r.glide == kLevelGlide ? QStringLiteral("999") : FixedNumberText(r.glide, 1);
    if (r.x && r.y) {
        const LatLngText position = PositionText(*r.x, *r.y);
        latitude_ = position.latitude;
        longitude_ = position.longitude;
    }
    update();
}

QString InstrumentPanel::Text(Reading reading) const {
    switch (reading) {
    case Reading::Height:
        return height_;
    case Reading::Time:
        return time_;
    case Reading::Speed:
        return speed_;
    case Reading::Climb:
        return climbText_;
    case Reading::Heading:
        return headingText_;
    case Reading::Glide:
        return glide_;
    case Reading::Latitude:
        return latitude_;
    case Reading::Longitude:
        return longitude_;
    }
    return {};
}

double InstrumentPanel::ClimbNeedleAngle() const {
    return soarnote::ClimbNeedleAngle(climb_);
}

void InstrumentPanel::PaintValue(QPainter& p, const QRectF& box, const QString& caption, const QString& value,
                                 const QString& unit) const {
    QFont captionFont = font();
    captionFont.setPixelSize(12);
    p.setFont(captionFont);
    p.setPen(kCaptionColour);
    p.drawText(QRectF(box.left() + 2, box.top(), box.width(), kCaptionHeight),
               Qt::AlignLeft | Qt::AlignVCenter, caption);
    const QRectF frame(box.left(), box.top() + kCaptionHeight, box.width(), kValueHeight);
    p.setPen(QPen(kBoxEdge, 1));
    p.setBrush(kBoxFill);
    p.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    double right = frame.right() - 8;
    if (!unit.isEmpty()) {
        p.setFont(captionFont);
        p.setPen(kCaptionColour);
        const double w = QFontMetricsF(captionFont).horizontalAdvance(unit);
        p.drawText(QRectF(right - w, frame.top(), w, frame.height() - 7), Qt::AlignRight | Qt::AlignBottom,
                   unit);
        right -= w + 5;
    }
    QFont valueFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    valueFont.setPixelSize(20);
    valueFont.setBold(true);
    p.setFont(valueFont);
    p.setPen(kValueColour);
    p.drawText(QRectF(frame.left() + 6, frame.top(), right - frame.left() - 6, frame.height()),
               Qt::AlignRight | Qt::AlignVCenter, value);
}

void InstrumentPanel::PaintClimbDial(QPainter& p, const QRectF& dial) const {
    p.setPen(QPen(kBoxEdge, 2));
    p.setBrush(kDialFace);
    p.drawEllipse(dial.adjusted(1, 1, -1, -1));
    // Climb from level (pointing left) up to +9, sink down to -9.
    const QRectF arc = dial.adjusted(7, 7, -7, -7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x3c, 0xb4, 0x5a), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arc, 90 * 16, 90 * 16);
    p.setPen(QPen(QColor(0xd2, 0x46, 0x3c), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arc, 180 * 16, 90 * 16);
    QFont labelFont = font();
    labelFont.setPixelSize(11);
    p.setFont(labelFont);
    for (int v = -9; v <= 9; ++v) {
        const double a = soarnote::ClimbNeedleAngle(v);
        const bool major = v % 5 == 0;
        p.setPen(QPen(kTickColour, major ? 2 : 1));
        p.drawLine(
            NeedleEnd(dial.adjusted(10, 10, -10, -10), a),
            NeedleEnd(dial.adjusted(major ? 20 : 16, major ? 20 : 16, major ? -20 : -16, major ? -20 : -16),
                      a));
        if (major) {
            const QPointF at = NeedleEnd(dial.adjusted(32, 32, -32, -32), a);
            p.setPen(kCaptionColour);
            p.drawText(QRectF(at.x() - 12, at.y() - 8, 24, 16), Qt::AlignCenter,
                       v > 0 ? QStringLiteral("+%1").arg(v) : QString::number(v));
        }
    }
    const QRectF reach = dial.adjusted(14, 14, -14, -14);
    p.setPen(QPen(kNeedleColour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial.center(), NeedleEnd(reach, ClimbNeedleAngle()));
    p.setPen(Qt::NoPen);
    p.setBrush(kNeedleColour);
    p.drawEllipse(dial.center(), 5, 5);
}

void InstrumentPanel::PaintCompass(QPainter& p, const QRectF& dial) const {
    p.setPen(QPen(kBoxEdge, 2));
    p.setBrush(kDialFace);
    p.drawEllipse(dial.adjusted(1, 1, -1, -1));
    for (int d = 0; d < 360; d += 10) {
        const bool major = d % 30 == 0;
        p.setPen(QPen(kTickColour, major ? 2 : 1));
        const double inset = major ? 18 : 14;
        p.drawLine(NeedleEnd(dial.adjusted(8, 8, -8, -8), d),
                   NeedleEnd(dial.adjusted(inset, inset, -inset, -inset), d));
    }
    QFont letterFont = font();
    letterFont.setPixelSize(13);
    letterFont.setBold(true);
    p.setFont(letterFont);
    const char* letters[] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; ++i) {
        const QPointF at = NeedleEnd(dial.adjusted(30, 30, -30, -30), i * 90);
        p.setPen(i == 0 ? QColor(0xff, 0x5a, 0x4a) : kCaptionColour);
        p.drawText(QRectF(at.x() - 10, at.y() - 9, 20, 18), Qt::AlignCenter, QString::fromLatin1(letters[i]));
    }
    // An arrow along the heading with a short tail behind the hub.
    const QPointF tip = NeedleEnd(dial.adjusted(14, 14, -14, -14), heading_);
    const QPointF tail = NeedleEnd(
        dial.adjusted(dial.width() * 0.36, dial.height() * 0.36, -dial.width() * 0.36, -dial.height() * 0.36),
        heading_ + 180);
    p.setPen(QPen(kNeedleColour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tail, tip);
    p.setPen(Qt::NoPen);
    p.setBrush(kNeedleColour);
    p.drawEllipse(dial.center(), 5, 5);
}

void InstrumentPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(rect(), kBackground);

    const double w = width();
    const double column = (w - 3 * kMargin) / 2;
    const double left = kMargin;
    const double right = 2 * kMargin + column;
    const double row = kCaptionHeight + kValueHeight;
    double y = kMargin;
    PaintValue(p, QRectF(left, y, column, row), Translate("Height"), height_, {});
    PaintValue(p, QRectF(right, y, column, row), Translate("Time"), time_, {});
    y += row + kGap;
    PaintValue(p, QRectF(left, y, column, row), Translate("Speed"), speed_, Translate("kph"));
    PaintValue(p, QRectF(right, y, column, row), Translate("Glide"), glide_, {});
    y += row + kGap;

    // The dials take what height is left above the position row.
    const double bottomRows = row + kGap + row + kMargin;
    const double dialSize = std::max(60.0, std::min(column, height() - y - kCaptionHeight - 4 - bottomRows));
    const double dialTop = y + kCaptionHeight;
    QFont captionFont = font();
    captionFont.setPixelSize(12);
    p.setFont(captionFont);
    p.setPen(kCaptionColour);
    p.drawText(QRectF(left + 2, y, column, kCaptionHeight), Qt::AlignLeft | Qt::AlignVCenter,
               Translate("Ascent"));
    p.drawText(QRectF(right + 2, y, column, kCaptionHeight), Qt::AlignLeft | Qt::AlignVCenter,
               Translate("Direction"));
    PaintClimbDial(p, QRectF(left + (column - dialSize) / 2, dialTop, dialSize, dialSize));
    PaintCompass(p, QRectF(right + (column - dialSize) / 2, dialTop, dialSize, dialSize));
    y = dialTop + dialSize + 4 - kCaptionHeight;
    PaintValue(p, QRectF(left, y, column, row), QString(), climbText_, {});
    PaintValue(p, QRectF(right, y, column, row), QString(), headingText_, QStringLiteral("\u00b0"));
    y += row + kGap;
    const QString latLng = Translate("Lat / Long");
    PaintValue(p, QRectF(left, y, column, row), latLng, latitude_, {});
    PaintValue(p, QRectF(right, y, column, row), QString(), longitude_, {});
}

void InstrumentPanel::closeEvent(QCloseEvent* event) {
    SavePlacement();
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace soarnote
