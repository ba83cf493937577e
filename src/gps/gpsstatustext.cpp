#include "gpsstatustext.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "serial/serialline.h"

namespace soarnote {

QString GpsErrorPrefix() {
    return Translate("ERROR - (GPS)");
}

namespace {

QString Count(qint64 n) {
    return NumberText(static_cast<double>(n));
}

QString Plain(qint64 n) {
    return PlainNumberText(static_cast<double>(n));
}

} // namespace

QString GpsStatusText(const GpsStatusEvent& e) {
    switch (e.kind) {
    case GpsStatus::OpenFailed: {
        // The reason (no such port, no permission) is what the pilot can act on.
        QString text = GpsErrorPrefix() + QLatin1Char(' ') + Translate("Unable to Open Connection");
        if (!e.text.isEmpty()) text += QStringLiteral(": ") + e.text;
        return text;
    }
    case GpsStatus::RequestingTracks:
        return Translate("Requesting Track Records");
    case GpsStatus::ReceivingTracks:
        return Translate("Receiving Track Records -") + Count(e.count);
    case GpsStatus::Repeat:
        return QLatin1Char(' ') + Translate("(Repeat)");
    case GpsStatus::TransferComplete:
        return Translate("Received") + Count(e.count) + QStringLiteral(" Records [") + Plain(e.total) +
               QStringLiteral(" Added]");
    case GpsStatus::CurrentTime:
        return Translate("Current Time: ") + GeneralDateText(e.time);
    case GpsStatus::CurrentPosition:
        return Translate("Current position: ") + FixedNumberText(e.position.lat, 8) + QStringLiteral(", ") +
               FixedNumberText(e.position.lng, 8);
    case GpsStatus::Product:
        return e.product.description + QStringLiteral("  ver:") + NumberText(e.product.version / 100.0);
    case GpsStatus::Pvt:
        return Translate("Height:") + NumberText(e.height, 7) + QLatin1Char(' ') + Translate("Position:") +
               QLatin1Char(' ') + FixedNumberText(e.position.lat, 5) + QStringLiteral(", ") +
               FixedNumberText(e.position.lng, 5);
    case GpsStatus::ResponseTimeout:
        return GpsErrorPrefix() + Translate("Failed to get response");
    case GpsStatus::ReceiveTimeout:
        return GpsErrorPrefix() + Translate("Receive timeout");
    case GpsStatus::LineEvent: {
        const QString text = CommEventText(e.code);
        return text.isEmpty() ? QString() : GpsErrorPrefix() + text;
    }
    case GpsStatus::PortLost:
    case GpsStatus::StorageFailed:
        return GpsErrorPrefix() + e.text;
    case GpsStatus::UnknownReply:
        return GpsErrorPrefix() + Translate("Unknown reply");
    case GpsStatus::TooManyResends:
        return GpsErrorPrefix() + Translate("Too many resends");
    case GpsStatus::TooManyDamaged:
        return GpsErrorPrefix() + Translate("Too many damaged packets");
    case GpsStatus::Cancelled:
        return Translate("Transfer cancelled");
    }
    return QString();
}

QString ApplyGpsStatus(const QString& current, const GpsStatusEvent& event) {
    const QString text = GpsStatusText(event);
    if (text.isEmpty()) return current; // a line event that needs no report
    return event.kind == GpsStatus::Repeat ? current + text : text;
}

QString TracksAddedText(qint64 tracks, qint64 points) {
    return Plain(tracks) + QLatin1Char(' ') + Translate(tracks == 1 ? "track" : "tracks") +
           QStringLiteral(", ") + Plain(points) + QLatin1Char(' ') +
           Translate(points == 1 ? "point added" : "points added");
}

} // namespace soarnote
