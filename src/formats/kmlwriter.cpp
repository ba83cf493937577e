#include "flightwriters.h"
#include "trackfix.h"

#include <QDateTime>
#include <QXmlStreamWriter>

namespace soarnote {

namespace {

QString Coordinates(const ExportPoint& p, const QChar separator) {
    return QString::number(p.lng, 'f', 9) + separator + QString::number(p.lat, 'f', 9) + separator +
           QString::number(DisplayHeight(p).value_or(0), 'f', 1);
}

void Marker(QXmlStreamWriter& xml, const QString& name, const ExportPoint& p) {
    xml.writeStartElement(QStringLiteral("Placemark"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeStartElement(QStringLiteral("TimeStamp"));
    xml.writeTextElement(QStringLiteral("when"), UtcDateTimeOfDayNumber(p.time).toString(Qt::ISODate));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("Point"));
    xml.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("absolute"));
    xml.writeTextElement(QStringLiteral("coordinates"), Coordinates(p, QLatin1Char(',')));
    xml.writeEndElement();
    xml.writeEndElement();
}

} // namespace

QByteArray WriteKml(const ExportFlight& flight) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    xml.writeNamespace(QStringLiteral("http://www.google.com/kml/ext/2.2"), QStringLiteral("gx"));
    xml.writeStartElement(QStringLiteral("Document"));
    xml.writeTextElement(QStringLiteral("name"),
                         flight.name.isEmpty() ? QStringLiteral("Flight") : flight.name);
    xml.writeStartElement(QStringLiteral("Style"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("flight"));
    xml.writeStartElement(QStringLiteral("LineStyle"));
    xml.writeTextElement(QStringLiteral("color"), QStringLiteral("ff0000ff"));
    xml.writeTextElement(QStringLiteral("width"), QStringLiteral("2"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("PolyStyle"));
    xml.writeTextElement(QStringLiteral("color"), QStringLiteral("400000ff"));
    xml.writeEndElement();
    xml.writeEndElement(); // Style

    xml.writeStartElement(QStringLiteral("Placemark"));
    xml.writeTextElement(QStringLiteral("name"),
                         flight.name.isEmpty() ? QStringLiteral("Flight") : flight.name);
    if (!flight.glider.isEmpty()) xml.writeTextElement(QStringLiteral("description"), flight.glider);
    xml.writeTextElement(QStringLiteral("styleUrl"), QStringLiteral("#flight"));
    xml.writeStartElement(QStringLiteral("gx:Track"));
    xml.writeTextElement(QStringLiteral("extrude"), QStringLiteral("1"));
    xml.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("absolute"));
    for (const ExportPoint& p : flight.points)
        xml.writeTextElement(QStringLiteral("when"),
                             UtcDateTimeOfDayNumber(p.time).toString(Qt::ISODateWithMs));
    for (const ExportPoint& p : flight.points)
        xml.writeTextElement(QStringLiteral("gx:coord"), Coordinates(p, QLatin1Char(' ')));
    xml.writeEndElement(); // gx:Track
    xml.writeEndElement(); // Placemark

    if (!flight.points.empty()) {
        Marker(xml, flight.takeOffLabel, flight.points.front());
        Marker(xml, flight.landingLabel, flight.points.back());
    }
    xml.writeEndElement(); // Document
    xml.writeEndElement(); // kml
    xml.writeEndDocument();
    return out;
}

} // namespace soarnote
