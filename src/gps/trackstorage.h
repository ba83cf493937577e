#pragma once
// The track sink interface and the logbook's track store under their older
// names, for the file importers that still use them.

#include "core/trackstore.h"
#include "gps/tracksink.h"

namespace soarnote {
using TrackStorage = TrackSink;
} // namespace soarnote
