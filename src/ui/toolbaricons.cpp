#include "toolbaricons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace soarnote {

namespace {

const QColor kInk(40, 52, 70);
const QColor kSky(52, 120, 200);
const QColor kPaper(250, 250, 246);
const QColor kAccent(225, 120, 30);
const QColor kGreen(70, 150, 80);

void Page(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 5, r.top());
    path.lineTo(r.right(), r.top() + 5);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Cylinder(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setBrush(fill);
    const double h = r.height() * 0.22;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + h / 2);
    body.lineTo(r.left(), r.bottom() - h / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - h, r.width(), h), 180, 180);
    body.lineTo(r.right(), r.top() + h / 2);
    body.arcTo(QRectF(r.left(), r.top(), r.width(), h), 0, -180);
    p.drawPath(body);
    p.setBrush(fill.lighter(130));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), h));
}

void Wing(QPainter& p, const QPointF& c, double w) {
    // A paraglider canopy seen from the front.
    QPainterPath canopy;
    canopy.moveTo(c.x() - w / 2, c.y());
    canopy.quadTo(c.x(), c.y() - w * 0.45, c.x() + w / 2, c.y());
    canopy.quadTo(c.x(), c.y() - w * 0.25, c.x() - w / 2, c.y());
    p.setBrush(kAccent);
    p.drawPath(canopy);
    p.drawLine(QPointF(c.x() - w / 2, c.y()), QPointF(c.x(), c.y() + w * 0.35));
    p.drawLine(QPointF(c.x() + w / 2, c.y()), QPointF(c.x(), c.y() + w * 0.35));
}

void Draw(QPainter& p, const QString& key) {
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (key == QLatin1String("EditEnable")) {
        p.save();
        p.translate(12, 12);
        p.rotate(45);
        p.setBrush(QColor(245, 200, 60));
        p.drawRect(QRectF(-3, -10, 6, 15));
        p.setBrush(kInk);
        QPolygonF tip({QPointF(-3, 5), QPointF(3, 5), QPointF(0, 10)});
        p.drawPolygon(tip);
        p.restore();
    } else if (key == QLatin1String("FileOpen")) {
        p.setBrush(QColor(240, 200, 90));
        p.drawPolygon(QPolygonF(
            {QPointF(2, 7), QPointF(9, 7), QPointF(11, 9), QPointF(21, 9), QPointF(21, 20), QPointF(2, 20)}));
        p.setBrush(QColor(250, 220, 120));
        p.drawPolygon(QPolygonF({QPointF(5, 12), QPointF(23, 12), QPointF(20, 20), QPointF(2, 20)}));
    } else if (key == QLatin1String("FileNew")) {
        Page(p, QRectF(5, 2, 14, 20));
        p.setPen(QPen(kGreen, 2.2));
        p.drawLine(QPointF(16, 14), QPointF(16, 22));
        p.drawLine(QPointF(12, 18), QPointF(20, 18));
    } else if (key == QLatin1String("FileArchive")) {
        Cylinder(p, QRectF(3, 3, 12, 16), kSky);
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(12, 13, 10, 9));
        p.drawLine(QPointF(12, 16), QPointF(22, 16));
    } else if (key == QLatin1String("FileCompact")) {
        Cylinder(p, QRectF(6, 6, 12, 13), kSky);
        p.setPen(QPen(kAccent, 2));
        p.drawLine(QPointF(12, 1), QPointF(12, 5));
        p.drawLine(QPointF(9, 3), QPointF(12, 5));
        p.drawLine(QPointF(15, 3), QPointF(12, 5));
        p.drawLine(QPointF(12, 23), QPointF(12, 20));
        p.drawLine(QPointF(9, 22), QPointF(12, 20));
        p.drawLine(QPointF(15, 22), QPointF(12, 20));
    } else if (key == QLatin1String("VarioUpdate")) {
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(QPen(kGreen, 2));
        p.drawArc(QRectF(5, 5, 14, 14), 180 * 16, -90 * 16);
        p.setPen(QPen(Qt::red, 2));
        p.drawArc(QRectF(5, 5, 14, 14), 180 * 16, 90 * 16);
        p.setPen(QPen(kInk, 2));
        p.drawLine(QPointF(12, 12), QPointF(17, 7));
    } else if (key == QLatin1String("BaroUpdate")) {
        p.setBrush(kPaper);
        p.drawRect(QRectF(2, 3, 20, 18));
        p.setPen(QPen(kSky, 1.8));
        p.drawPolyline(QPolygonF({QPointF(3, 19), QPointF(6, 11), QPointF(9, 13), QPointF(12, 6),
                                  QPointF(15, 9), QPointF(18, 5), QPointF(21, 18)}));
    } else if (key == QLatin1String("GPSUpdate")) {
        p.setBrush(kSky);
        p.drawRect(QRectF(9, 9, 6, 6));
        p.setBrush(QColor(120, 160, 210));
        p.drawRect(QRectF(1, 10, 7, 4));
        p.drawRect(QRectF(16, 10, 7, 4));
        p.setPen(QPen(kAccent, 1.5));
        p.drawArc(QRectF(13, 16, 8, 8), 90 * 16, 90 * 16);
        p.drawArc(QRectF(10, 13, 14, 14), 90 * 16, 90 * 16);
    } else if (key == QLatin1String("LinkTracks")) {
        p.setPen(QPen(kInk, 2.4));
        p.setBrush(Qt::NoBrush);
        p.save();
        p.translate(12, 12);
        p.rotate(-45);
        p.drawRoundedRect(QRectF(-10, -3.5, 11, 7), 3.5, 3.5);
        p.drawRoundedRect(QRectF(-1, -3.5, 11, 7), 3.5, 3.5);
        p.restore();
    } else if (key == QLatin1String("PrintPreview")) {
        Page(p, QRectF(3, 2, 14, 19));
        p.drawLine(QPointF(6, 7), QPointF(13, 7));
        p.drawLine(QPointF(6, 10), QPointF(13, 10));
        p.setBrush(QColor(200, 225, 250, 200));
        p.drawEllipse(QRectF(10, 10, 9, 9));
        p.setPen(QPen(kInk, 2.4));
        p.drawLine(QPointF(18, 18), QPointF(22, 22));
    } else if (key == QLatin1String("FlightPlot")) {
        p.setBrush(kPaper);
        p.drawRect(QRectF(2, 2, 20, 20));
        p.setPen(QPen(kSky, 1.6));
        QPainterPath path;
        path.moveTo(4, 19);
        path.cubicTo(7, 4, 11, 18, 14, 9);
        path.cubicTo(16, 4, 19, 14, 20, 17);
        p.drawPath(path);
    } else if (key == QLatin1String("3DPlot")) {
        p.setBrush(QColor(140, 190, 120));
        p.drawPolygon(
            QPolygonF({QPointF(1, 20), QPointF(8, 12), QPointF(12, 16), QPointF(17, 9), QPointF(23, 20)}));
        Wing(p, QPointF(12, 7), 12);
    } else {
        // The program's own icon: a canopy over a hill.
        p.setBrush(QColor(200, 230, 250));
        p.drawRoundedRect(QRectF(1, 1, 22, 22), 4, 4);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF(
            {QPointF(1.5, 22), QPointF(9, 14), QPointF(14, 18), QPointF(22.5, 11), QPointF(22.5, 22)}));
        Wing(p, QPointF(12, 8), 14);
    }
}

} // namespace

QIcon ToolbarIcon(const QString& key) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        Draw(p, key);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace soarnote
