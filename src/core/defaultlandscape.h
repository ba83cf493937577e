#pragma once
// The landscape a flight's 3D view loads when it opens, kept with every
// track of the flight (Tracks.LandFile).

#include "storageerror.h"

#include <QSqlDatabase>
#include <QString>

namespace soarnote {

// Stores landFile as it stands (any character, apostrophes too) in every
// track of the flight. False, with the reason, when the statement fails.
bool SetDefaultLandscape(const QSqlDatabase& db, qint64 logId, const QString& landFile, QString* error,
                         StorageError* kind = nullptr);

} // namespace soarnote
