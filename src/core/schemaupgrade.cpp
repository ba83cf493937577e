#include "schemaupgrade.h"

#include "logbookdatabase.h"
#include "logbookschema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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

void EnsureIndexesAndView(QSqlDatabase& db) {
    // Best effort: a file holding rows that an index would refuse still opens.
    QString ignored;
    // An earlier key of log records included the take-off time.
    Exec(db, QStringLiteral("DROP INDEX IF EXISTS LogDataRecord"), &ignored);
    for (const QString& sql : IndexStatements())
        Exec(db, sql, &ignored);
    Exec(db, LogbookViewStatement(), &ignored);
}

} // namespace

UpgradeResult CheckAndUpgradeLogbook(const QString& path,
                                     const std::function<Answer()>& askConvertTimeOffset) {
    UpgradeResult result;
    if (!QFileInfo(path).isFile()) return result;

    LogbookDatabase file;
    if (!file.Open(path, &result.error)) {
        result.ok = false;
        return result;
    }
    QSqlDatabase db = file.Db();

    const QList<StoredField> logFields = StoredFields(db, QStringLiteral("LogData"));
    if (logFields.isEmpty()) {
        result.ok = false;
        result.error = QStringLiteral("The file is not a logbook: it has no table LogData.");
        return result;
    }
    for (const StoredField& f : logFields) {
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

    for (const QString& qualified : UpgradeAddedFields()) {
        if (!AddField(db, qualified, result)) {
            result.ok = false;
            return result;
        }
    }
    EnsureIndexesAndView(db);
    return result;
}

} // namespace soarnote
