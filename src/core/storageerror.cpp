#include "storageerror.h"

#include <QSqlError>

namespace soarnote {

namespace {
// SQLite primary result codes and the extended constraint codes we tell apart.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteNotADb = 26;
constexpr int kConstraintPrimaryKey = 1555;
constexpr int kConstraintUnique = 2067;
} // namespace

StorageError ClassifySqlError(const QSqlError& error) {
    if (error.type() == QSqlError::NoError) return StorageError::None;
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (!ok) return StorageError::Other;
    if (code == kConstraintUnique || code == kConstraintPrimaryKey) return StorageError::Duplicate;
    switch (code & 0xff) {
    case kSqliteConstraint:
        // The driver may hand over the primary code only; SQLite's own message
        // is then the one place that tells a unique key from the others.
        if (code == kSqliteConstraint &&
            error.databaseText().startsWith(QLatin1String("UNIQUE constraint"), Qt::CaseInsensitive))
            return StorageError::Duplicate;
        return StorageError::Constraint;
    case kSqliteBusy:
    case kSqliteLocked:
        return StorageError::Busy;
    case kSqliteReadOnly:
        return StorageError::ReadOnly;
    case kSqliteFull:
        return StorageError::DiskFull;
    case kSqliteCorrupt:
    case kSqliteNotADb:
        return StorageError::Corrupt;
    case kSqliteCantOpen:
        return StorageError::CannotOpen;
    case kSqliteIoErr:
        return StorageError::Io;
    default:
        return StorageError::Other;
    }
}

QString StorageErrorText(StorageError kind) {
    switch (kind) {
    case StorageError::None:
        return QString();
    case StorageError::Duplicate:
        return QStringLiteral("Already stored");
    case StorageError::Constraint:
        return QStringLiteral("A value does not fit the logbook");
    case StorageError::Busy:
        return QStringLiteral("The logbook is in use by another program");
    case StorageError::ReadOnly:
        return QStringLiteral("The logbook cannot be written");
    case StorageError::DiskFull:
        return QStringLiteral("The disk is full");
    case StorageError::Corrupt:
        return QStringLiteral("The logbook file is damaged or not a logbook");
    case StorageError::CannotOpen:
        return QStringLiteral("The logbook file cannot be opened");
    case StorageError::Io:
        return QStringLiteral("The logbook file could not be read or written");
    case StorageError::Other:
        break;
    }
    return QStringLiteral("The logbook reported an error");
}

} // namespace soarnote
