#include "offsetsclose.h"

#include "i18n/languagetable.h"

namespace soarnote {

bool OffsetsChanged(QVector3D landscapePosition, QVector3D openingOffsets) {
    // Exact: both are read back from the same single-precision frame.
    return landscapePosition.x() != openingOffsets.x() || landscapePosition.y() != openingOffsets.y() ||
           landscapePosition.z() != openingOffsets.z();
}

QString OffsetsQuestionText() {
    return Translate("Position offsets have changed.") + QLatin1Char(' ') +
           Translate("Do you want to save the values?");
}

FlightOffsets OffsetsForStorage(QVector3D landscapePosition, float unitsFactor) {
    return {static_cast<double>(landscapePosition.x() * unitsFactor),
            static_cast<double>(landscapePosition.y() * unitsFactor),
            static_cast<double>(landscapePosition.z() * unitsFactor)};
}

OffsetsCloseOutcome ResolveOffsetsOnClose(const QSqlDatabase& db, qint64 logId, QVector3D landscapePosition,
                                          QVector3D openingOffsets, float unitsFactor,
                                          const std::function<OffsetsAnswer(const QString& question)>& ask) {
    OffsetsCloseOutcome outcome;
    if (!OffsetsChanged(landscapePosition, openingOffsets)) return outcome;
    outcome.asked = true;
    switch (ask(OffsetsQuestionText())) {
    case OffsetsAnswer::Cancel:
        outcome.close = false;
        break;
    case OffsetsAnswer::No:
        break;
    case OffsetsAnswer::Yes:
        outcome.saved =
            SaveFlightOffsets(db, logId, OffsetsForStorage(landscapePosition, unitsFactor), &outcome.error);
        outcome.close = outcome.saved;
        break;
    }
    return outcome;
}

} // namespace soarnote
