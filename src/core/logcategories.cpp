#include "logcategories.h"

namespace soarnote {
Q_LOGGING_CATEGORY(lcGps, "soarnote.gps", QtInfoMsg)
Q_LOGGING_CATEGORY(lcVario, "soarnote.vario", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStorage, "soarnote.storage", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSerial, "soarnote.serial", QtInfoMsg)
} // namespace soarnote
