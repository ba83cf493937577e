#include "flightoffsets.h"

#include "logcategories.h"

#include <QSqlError>
#include <QSqlQuery>

namespace soarnote {

bool SaveFlightOffsets(const QSqlDatabase& db, qint64 logId, const FlightOffsets& offsets, QString* error,
                       StorageError* kind) {
    auto fail = [&](const QString& text, StorageError what) {
        if (error) *error = text;
        if (kind) *kind = what;
        qCWarning(lcStorage) << "saving offsets of flight" << logId << "failed:" << text;
        return false;
    };
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("UPDATE LogData SET LatOffset = ?, LngOffset = ?, HeightOffset = ? WHERE ID = ?")))
        return fail(q.lastError().text(), ClassifySqlError(q.lastError()));
    q.addBindValue(offsets.east);
    q.addBindValue(offsets.north);
    q.addBindValue(offsets.height);
    q.addBindValue(logId);
    if (!q.exec()) return fail(q.lastError().text(), ClassifySqlError(q.lastError()));
    if (q.numRowsAffected() < 1)
        return fail(QStringLiteral("the flight is no longer in the logbook"), StorageError::Other);
    if (kind) *kind = StorageError::None;
    return true;
}

} // namespace soarnote
