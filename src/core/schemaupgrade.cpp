#include "schemaupgrade.h"

#include "logbookcheck.h"
#include "logbookdatabase.h"
#include "logbookschema.h"
#include "logcategories.h"
#include "storageerror.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace soarnote {

namespace {

bool HasField(const QSqlDatabase& db, const QString& table, const QString& field) {
    // Names are compared exactly as stored.
    for (const StoredField& f : StoredFields(db, table))
        if (f.name == field) return true;
    return false;
}

bool Exec(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    *error = q.lastError().text();
    return false;
}

bool AddField(QSqlDatabase& db, const QString& qualified, UpgradeResult& result) {
    const QString table = qualified.section(QLatin1Char('.'), 0, 0);
    const QString field = qualified.section(QLatin1Char('.'), 1);
    if (HasField(db, table, field)) return true;
    const FieldDef* def = LogbookTable(table).Field(field);
    const QString sql =
        QStringLiteral("ALTER TABLE \"%1\" ADD COLUMN \"%2\" %3").arg(table, field, DeclaredType(def->type));
    if (!Exec(db, sql, &result.error)) return false;
    result.addedFields << qualified;
    return true;
}

// Rebuilds LogData with TimeOffset as DOUBLE DEFAULT 0. The old values are
// times of day, not offsets: rows that existed keep an empty offset.
bool ConvertTimeOffset(QSqlDatabase& db, QString* error) {
    QStringList kept;
    QStringList columns;
    for (const StoredField& f : StoredFields(db, QStringLiteral("LogData"))) {
        if (f.name == QLatin1String("TimeOffset")) continue;
        const QString quoted = QLatin1Char('"') + f.name + QLatin1Char('"');
        kept << quoted;
        columns << (f.name == QLatin1String("ID")
                        ? quoted + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT")
                        : quoted + QLatin1Char(' ') + f.declaredType);
    }
    columns << QStringLiteral("\"TimeOffset\" DOUBLE DEFAULT 0");
    const QString keptList = kept.join(QStringLiteral(", "));
    const QStringList statements = {
        QStringLiteral("DROP VIEW IF EXISTS Logbook"),
        QStringLiteral("CREATE TABLE LogData_upgrade (%1)").arg(columns.join(QStringLiteral(", "))),
        // The offset is named with NULL: the column's default is for new rows only.
        QStringLiteral("INSERT INTO LogData_upgrade (%1, \"TimeOffset\") SELECT %1, NULL FROM LogData")
            .arg(keptList),
        QStringLiteral("DROP TABLE LogData"),
        QStringLiteral("ALTER TABLE LogData_upgrade RENAME TO LogData"),
    };
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    for (const QString& sql : statements) {
        if (!Exec(db, sql, error)) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

// The unique keys an older file may not get because it holds repeated rows:
// the statement deleting all but one of each repeat. Rows with an empty key
// field never collide in a unique index and are kept. Of repeated samples the
// one already given to a flight stays.
struct DuplicateRule {
    const char* table;
    const char* index;
    const char* removeRepeats;
};
constexpr DuplicateRule kDuplicateRules[] = {
    {"TrackData", "TrackDataPoint",
     "DELETE FROM TrackData WHERE rowid IN (SELECT rowid FROM (SELECT rowid, ROW_NUMBER() OVER "
     "(PARTITION BY TIME, LAT, LNG ORDER BY rowid) AS n FROM TrackData WHERE TIME IS NOT NULL AND "
     "LAT IS NOT NULL AND LNG IS NOT NULL) WHERE n > 1)"},
    {"BaroData", "BaroDataSample",
     "DELETE FROM BaroData WHERE rowid IN (SELECT rowid FROM (SELECT rowid, ROW_NUMBER() OVER "
     "(PARTITION BY TIME, height ORDER BY LogID IS NULL OR LogID = -1, rowid) AS n FROM BaroData "
     "WHERE TIME IS NOT NULL AND height IS NOT NULL) WHERE n > 1)"},
};

const DuplicateRule* RuleOfIndex(const QString& statement) {
    for (const DuplicateRule& rule : kDuplicateRules)
        if (statement.contains(QLatin1String(rule.index) + QLatin1Char(' '))) return &rule;
    return nullptr;
}

// Runs one step in one transaction and stores the version it reaches.
bool RunStep(QSqlDatabase& db, int version, const std::function<bool()>& step, UpgradeResult& result) {
    if (!db.transaction()) {
        result.error = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    if (!step() || !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)) || !db.commit()) {
        if (result.error.isEmpty()) result.error = q.lastError().text();
        if (result.error.isEmpty()) result.error = db.lastError().text();
        db.rollback();
        qCWarning(lcStorage) << "logbook upgrade to version" << version << "failed:" << result.error;
        return false;
    }
    return true;
}

bool BuildKeys(QSqlDatabase& db, UpgradeResult& result) {
    // An earlier key of log records included the take-off time.
    if (!Exec(db, QStringLiteral("DROP INDEX IF EXISTS LogDataLogRecord"), &result.error)) return false;
    for (const QString& sql : IndexStatements()) {
        QSqlQuery q(db);
        if (q.exec(sql)) continue;
        const DuplicateRule* rule = RuleOfIndex(sql);
        if (!rule || ClassifySqlError(q.lastError()) != StorageError::Duplicate) {
            result.error = q.lastError().text();
            return false;
        }
        QSqlQuery remove(db);
        if (!remove.exec(QString::fromLatin1(rule->removeRepeats)) || !q.exec(sql)) {
            result.error = remove.lastError().isValid() ? remove.lastError().text() : q.lastError().text();
            return false;
        }
        const int rows = remove.numRowsAffected();
        qCInfo(lcStorage) << "removed" << rows << "repeated rows of" << rule->table << "to build its key";
        result.removedDuplicates.append({QString::fromLatin1(rule->table), rows});
    }
    return true;
}

bool RebuildView(QSqlDatabase& db, UpgradeResult& result) {
    return Exec(db, QStringLiteral("DROP VIEW IF EXISTS Logbook"), &result.error) &&
           Exec(db, LogbookViewStatement(), &result.error);
}

} // namespace

int StoredSchemaVersion(const QSqlDatabase& db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : 0;
}

UpgradeResult UpgradeLogbook(QSqlDatabase& db, const std::function<Answer()>& askConvertTimeOffset) {
    UpgradeResult result;
    result.versionBefore = StoredSchemaVersion(db);

    for (const StoredField& f : StoredFields(db, QStringLiteral("LogData"))) {
        if (f.name == QLatin1String("TimeOffset") &&
            FieldTypeOfDeclared(f.declaredType) == FieldType::DateTime) {
            result.timeOffsetAsked = true;
            if (askConvertTimeOffset && askConvertTimeOffset() == Answer::Yes) {
                if (!ConvertTimeOffset(db, &result.error)) {
                    result.ok = false;
                    return result;
                }
                result.timeOffsetConverted = true;
            }
            break;
        }
    }

    // The fields are checked at every open, whatever the stored version: a
    // file may have been written by an older copy after a newer one.
    bool missing = false;
    for (const QString& qualified : UpgradeAddedFields()) {
        const QString table = qualified.section(QLatin1Char('.'), 0, 0);
        missing = missing || !HasField(db, table, qualified.section(QLatin1Char('.'), 1));
    }
    const int version = std::max(result.versionBefore, 1);
    if (missing || result.versionBefore < 1) {
        const bool done = RunStep(
            db, version,
            [&] {
                for (const QString& qualified : UpgradeAddedFields())
                    if (!AddField(db, qualified, result)) return false;
                return true;
            },
            result);
        if (!done) {
            result.addedFields.clear();
            result.ok = false;
            return result;
        }
    }
    // The converted table lost its indexes and the view that reads it.
    if (result.versionBefore < 2 || result.timeOffsetConverted) {
        if (!RunStep(
                db, std::max(result.versionBefore, 2), [&] { return BuildKeys(db, result); }, result)) {
            result.removedDuplicates.clear();
            result.ok = false;
            return result;
        }
    }
    if (result.versionBefore < 3 || result.timeOffsetConverted) {
        if (!RunStep(
                db, std::max(result.versionBefore, 3), [&] { return RebuildView(db, result); }, result)) {
            result.ok = false;
            return result;
        }
    }
    return result;
}

UpgradeResult CheckAndUpgradeLogbook(const QString& path,
                                     const std::function<Answer()>& askConvertTimeOffset) {
    UpgradeResult result;
    if (!QFileInfo(path).isFile()) return result;
    const LogbookInspection look = InspectLogbookFile(path);
    if (!look.problem.Ok()) {
        result.ok = false;
        result.error = QString::fromLatin1(LogbookFaultText(look.problem.fault)) + QLatin1Char(' ') +
                       look.problem.detail;
        return result;
    }
    LogbookDatabase file;
    if (!file.Open(path, &result.error)) {
        result.ok = false;
        return result;
    }
    QSqlDatabase db = file.Db();
    return UpgradeLogbook(db, askConvertTimeOffset);
}

} // namespace soarnote
