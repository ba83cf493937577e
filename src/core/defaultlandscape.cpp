#include "defaultlandscape.h"

#include "logcategories.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace soarnote {

bool SetDefaultLandscape(const QSqlDatabase& db, qint64 logId, const QString& landFile, QString* error,
                         StorageError* kind) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE Tracks SET LandFile = ? WHERE LogID = ?"));
    q.addBindValue(landFile);
    q.addBindValue(logId);
    if (q.exec()) return true;
    const StorageError failure = ClassifySqlError(q.lastError());
    qCWarning(lcStorage) << "Storing the default landscape failed:" << q.lastError().text();
    if (kind) *kind = failure;
    if (error) *error = q.lastError().text();
    return false;
}

} // namespace soarnote
