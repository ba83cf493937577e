#pragma once
// Closing the 3D view after the landscape was moved against the track: ask
// whether to keep the new offsets, and store them in the flight when the
// pilot says yes.

#include "core/flightoffsets.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector3D>
#include <functional>

namespace soarnote {

enum class OffsetsAnswer { Yes, No, Cancel };

// True when the landscape stands anywhere but at the offsets it opened with
// (both in metres).
bool OffsetsChanged(QVector3D landscapePosition, QVector3D openingOffsets);

// The question, translated.
QString OffsetsQuestionText();

// The landscape's position (metres) in the user's units, as stored.
FlightOffsets OffsetsForStorage(QVector3D landscapePosition, float unitsFactor);

struct OffsetsCloseOutcome {
    bool close = true;  // the window may close
    bool asked = false; // the question was shown
    bool saved = false; // the offsets were written
    QString error;      // why saving failed (the window then stays open)
};

// The closing step: nothing is asked when the landscape was not moved. Yes
// saves and closes, No closes without saving, Cancel keeps the window open.
// A failed save keeps the window open too, so the moved landscape is not lost
// without the pilot knowing.
OffsetsCloseOutcome ResolveOffsetsOnClose(const QSqlDatabase& db, qint64 logId, QVector3D landscapePosition,
                                          QVector3D openingOffsets, float unitsFactor,
                                          const std::function<OffsetsAnswer(const QString& question)>& ask);

} // namespace soarnote
