#pragma once
// Schema check and upgrade, run every time a logbook file is opened, before
// anything reads it: adds the fields older files lack, offers to convert a
// time offset stored as a time of day into a number of days, and builds the
// keys and the stored query of the current version. The version reached is
// kept in the file (PRAGMA user_version); each step runs in one transaction,
// so a failed step leaves the file as the step found it.

#include "logbookschema.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

namespace soarnote {

enum class Answer { Yes, No, Cancel };

struct RemovedDuplicates {
    QString table; // "TrackData" or "BaroData"
    int rows = 0;  // repeated rows deleted so that the unique key could be built
};

struct UpgradeResult {
    bool ok = true;
    QString error;                // the engine's text of a failed step
    QStringList addedFields;      // "Table.Field", in the order they were added
    bool timeOffsetAsked = false; // the conversion question was asked
    bool timeOffsetConverted = false;
    QList<RemovedDuplicates> removedDuplicates;
    int versionBefore = 0;
};

// Upgrades the logbook open on db (a writable connection).
// askConvertTimeOffset is called when LogData.TimeOffset is declared DATETIME;
// only Yes converts.
UpgradeResult UpgradeLogbook(QSqlDatabase& db, const std::function<Answer()>& askConvertTimeOffset);

// Checks that path is a logbook (without writing to it when it is not), opens
// it and upgrades it. A path that does not exist is left alone (ok, nothing done).
UpgradeResult CheckAndUpgradeLogbook(const QString& path,
                                     const std::function<Answer()>& askConvertTimeOffset);

// The stored layout version of the logbook open on db.
int StoredSchemaVersion(const QSqlDatabase& db);

} // namespace soarnote
