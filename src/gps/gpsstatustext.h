#pragma once
// The status texts of the GPS link's events, fixed pieces translated.

#include "gpsstatus.h"

#include <QString>

namespace soarnote {

// "ERROR - (GPS)", translated.
QString GpsErrorPrefix();
// The text an event writes on its own.
QString GpsStatusText(const GpsStatusEvent& event);
// The status line after the event: most events replace the text, a repeat
// is appended to it.
QString ApplyGpsStatus(const QString& current, const GpsStatusEvent& event);
// What a track transfer added, "2 tracks, 600 points added".
QString TracksAddedText(qint64 tracks, qint64 points);

} // namespace soarnote
