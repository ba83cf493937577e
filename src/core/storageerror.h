#pragma once
// What went wrong in a logbook statement, decided once from SQLite's result
// code so that no caller reads the engine's message text to find out.

#include <QString>

class QSqlError;

namespace soarnote {

enum class StorageError {
    None,
    Duplicate,  // a unique key refused the row: it is stored already
    Constraint, // NOT NULL, CHECK or foreign key: the row itself is wrong
    Busy,       // another connection or program holds the file
    ReadOnly,   // the file or its folder cannot be written
    DiskFull,
    Corrupt, // damaged file, or not a database at all
    CannotOpen,
    Io,
    Other,
};

// Classifies by the native (primary or extended) result code; a driver error
// without a code is Other.
StorageError ClassifySqlError(const QSqlError& error);

// The short English description of a kind, for Translate() and the log.
QString StorageErrorText(StorageError kind);

inline bool IsDuplicate(const QSqlError& error) {
    return ClassifySqlError(error) == StorageError::Duplicate;
}

} // namespace soarnote
