#include "flightwriters.h"
#include "trackfix.h"

#include <QDateTime>
#include <QXmlStreamWriter>

namespace soarnote {

std::optional<double> DisplayHeight(const ExportPoint& point) {
    return point.gnssHeight ? point.gnssHeight : point.pressureHeight;
}

namespace {
QString UtcText(double day) {
    const QDateTime t = UtcDateTimeOfDayNumber(day);
    return t.time().msec() != 0 ? t.toString(Qt::ISODateWithMs) : t.toString(Qt::ISODate);
}
} // namespace

QByteArray WriteGpx(const ExportFlight& flight) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("Soarnote"));
    xml.writeStartElement(QStringLiteral("metadata"));
    if (!flight.name.isEmpty()) xml.writeTextElement(QStringLiteral("name"), flight.name);
    if (!flight.pilot.isEmpty()) {
        xml.writeStartElement(QStringLiteral("author"));
        xml.writeTextElement(QStringLiteral("name"), flight.pilot);
        xml.writeEndElement();
    }
    if (!flight.points.empty())
        xml.writeTextElement(QStringLiteral("time"), UtcText(flight.points.front().time));
    xml.writeEndElement(); // metadata
    xml.writeStartElement(QStringLiteral("trk"));
    if (!flight.name.isEmpty()) xml.writeTextElement(QStringLiteral("name"), flight.name);
    if (!flight.glider.isEmpty()) xml.writeTextElement(QStringLiteral("desc"), flight.glider);
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const ExportPoint& p : flight.points) {
        xml.writeStartElement(QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), QString::number(p.lat, 'f', 9));
        xml.writeAttribute(QStringLiteral("lon"), QString::number(p.lng, 'f', 9));
        if (const std::optional<double> h = DisplayHeight(p))
            xml.writeTextElement(QStringLiteral("ele"), QString::number(*h, 'f', 1));
        xml.writeTextElement(QStringLiteral("time"), UtcText(p.time));
        xml.writeEndElement();
    }
    xml.writeEndElement(); // trkseg
    xml.writeEndElement(); // trk
    xml.writeEndElement(); // gpx
    xml.writeEndDocument();
    return out;
}

} // namespace soarnote
