#pragma once
// The status texts, questions and messages of the variometer link's events,
// fixed pieces translated.

#include "variostatus.h"

#include <QString>

namespace soarnote {

// "ERROR - (Vario)", translated.
QString VarioErrorPrefix();
// The text an event shows: the status line, or the question or message it asks.
QString VarioStatusText(const VarioStatusEvent& event);

} // namespace soarnote
