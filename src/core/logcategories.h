#pragma once
// Logging categories for fault reports. Debug output is off by default; turn
// it on with QT_LOGGING_RULES, for example
//   QT_LOGGING_RULES="soarnote.gps.debug=true;soarnote.serial.debug=true"
// (soarnote.serial carries a hex dump of every byte read and written).

#include <QLoggingCategory>

namespace soarnote {
Q_DECLARE_LOGGING_CATEGORY(lcGps)
Q_DECLARE_LOGGING_CATEGORY(lcVario)
Q_DECLARE_LOGGING_CATEGORY(lcStorage)
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
} // namespace soarnote
