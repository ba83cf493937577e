#include "logbookcheck.h"

#include "logbookdatabase.h"
#include "logbookschema.h"
#include "logcategories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace soarnote {

namespace {

constexpr char kSqliteHeader[] = "SQLite format 3"; // followed by a zero byte
constexpr qint64 kSqliteHeaderSize = 100;

// Write permission as the file's mode says, also for a user (root) whom the
// system would let write anyway: a file marked read-only is kept read-only.
bool MarkedWritable(const QFileInfo& info) {
    // The User flags come from the system's access check; the mode bits are
    // Owner, Group and Other.
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

LogbookProblem Problem(LogbookFault fault, const QString& path, const QString& detail = {}) {
    return {fault, path, detail};
}

} // namespace

const char* LogbookFaultText(LogbookFault fault) {
    switch (fault) {
    case LogbookFault::None:
        return "";
    case LogbookFault::NotFound:
        return "File not found.";
    case LogbookFault::EmptyFile:
        return "The file is empty: it is not a logbook.";
    case LogbookFault::NotADatabase:
        return "The file is not a logbook database.";
    case LogbookFault::Unreadable:
        return "The logbook could not be read:";
    case LogbookFault::MissingTable:
        return "The file is not a logbook. It has no table";
    case LogbookFault::MissingField:
        return "The file is not a logbook. It has no field";
    case LogbookFault::ReadOnlyOlder:
        return "The logbook is read-only and of an older version that must be updated first.";
    case LogbookFault::UpgradeFailed:
        return "The logbook could not be updated to this version:";
    case LogbookFault::PendingEdits:
        return "The current flight could not be saved.";
    case LogbookFault::TemplateMissing:
        return "The empty logbook of the program folder is missing.";
    case LogbookFault::CopyFailed:
        return "The file could not be copied:";
    case LogbookFault::DeleteFailed:
        return "The file could not be deleted:";
    case LogbookFault::CompactFailed:
        return "The logbook could not be compacted:";
    case LogbookFault::NoLogbook:
        return "No logbook is open.";
    case LogbookFault::ArchiveOntoItself:
        return "A logbook cannot be archived onto itself.";
    }
    return "";
}

QString LogbookProblemText(const LogbookProblem& problem,
                           const std::function<QString(const char*)>& translate) {
    if (problem.Ok()) return {};
    QString text = translate(LogbookFaultText(problem.fault));
    if (!problem.detail.isEmpty()) text += QLatin1Char(' ') + problem.detail;
    return problem.file.isEmpty() ? text : QDir::toNativeSeparators(problem.file) + QLatin1Char('\n') + text;
}

LogbookInspection InspectLogbookFile(const QString& path) {
    LogbookInspection result;
    const QFileInfo info(path);
    if (!info.isFile()) {
        result.problem = Problem(LogbookFault::NotFound, path);
        return result;
    }
    result.writable = MarkedWritable(info) && MarkedWritable(QFileInfo(info.absolutePath()));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.problem = Problem(LogbookFault::Unreadable, path, file.errorString());
        return result;
    }
    const QByteArray header = file.read(kSqliteHeaderSize);
    file.close();
    if (header.isEmpty()) {
        result.problem = Problem(LogbookFault::EmptyFile, path);
        return result;
    }
    if (header.size() < kSqliteHeaderSize ||
        !header.startsWith(QByteArray(kSqliteHeader, sizeof kSqliteHeader))) {
        result.problem = Problem(LogbookFault::NotADatabase, path);
        return result;
    }

    LogbookDatabase look;
    QString error;
    if (!look.Open(path, &error, LogbookDatabase::Mode::ReadOnly)) {
        result.problem = Problem(LogbookFault::Unreadable, path, error);
        return result;
    }
    const QSqlDatabase db = look.Db();
    QSqlQuery q(db);
    QStringList tables;
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        result.problem = Problem(LogbookFault::Unreadable, path, q.lastError().text());
        return result;
    }
    while (q.next())
        tables << q.value(0).toString();

    const QStringList& added = UpgradeAddedFields();
    for (const TableDef& table : LogbookTables()) {
        if (!tables.contains(table.name)) {
            result.problem = Problem(LogbookFault::MissingTable, path, table.name);
            return result;
        }
        QStringList stored;
        for (const StoredField& f : StoredFields(db, table.name))
            stored << f.name;
        for (const FieldDef& f : table.fields) {
            const QString qualified = table.name + QLatin1Char('.') + f.name;
            if (stored.contains(f.name)) continue;
            if (added.contains(qualified)) {
                result.needsFields = true;
                continue;
            }
            result.problem = Problem(LogbookFault::MissingField, path, qualified);
            return result;
        }
    }
    return result;
}

} // namespace soarnote
