#include "logbookfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace soarnote {

namespace {

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

bool RemoveFile(const QString& path, LogbookProblem* error) {
    QFile file(path);
    if (!file.exists() || file.remove()) return true;
    *error = {LogbookFault::DeleteFailed, path, file.errorString()};
    return false;
}

// A logbook goes with its journals: a write-ahead log left behind (after a
// crash) would be replayed into whatever file next takes the name.
bool RemoveLogbookFile(const QString& path, LogbookProblem* error) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (!RemoveFile(path + QLatin1String(suffix), error)) return false;
    return RemoveFile(path, error);
}

bool CopyFile(const QString& from, const QString& to, LogbookProblem* error) {
    QFile source(from);
    if (source.copy(to)) return true;
    *error = {LogbookFault::CopyFailed, to, source.errorString()};
    return false;
}

// Opens the logbook that was current again and returns the failure.
FileCommandResult Fail(LogbookSession& session, const QString& current, const LogbookProblem& error,
                       const std::function<Answer()>& ask) {
    if (!current.isEmpty() && !SameFile(session.Path(), current)) session.OpenLogbook(current, ask);
    return {false, error};
}

} // namespace

QString LogbookCaptionName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

FileCommandResult NewLogbook(LogbookSession& session, const QString& templatePath, const QString& name,
                             const std::function<Answer()>& ask) {
    const QString current = session.Path();
    LogbookProblem error;
    if (!QFileInfo(templatePath).isFile())
        return Fail(session, current, {LogbookFault::TemplateMissing, templatePath, {}}, ask);
    // The copy is made beside the target first, so that a failed copy never
    // leaves the user without the file being replaced.
    const QString staged = name + QStringLiteral(".new");
    if (!RemoveFile(staged, &error) || !CopyFile(templatePath, staged, &error)) {
        QFile::remove(staged);
        return Fail(session, current, error, ask);
    }
    if (SameFile(current, name)) session.CloseLogbook();
    if (!RemoveLogbookFile(name, &error) || !QFile::rename(staged, name)) {
        if (error.Ok()) error = {LogbookFault::CopyFailed, name, {}};
        QFile::remove(staged);
        return Fail(session, current, error, ask);
    }
    // The template may be read-only in an installed program folder.
    QFile(name).setPermissions(QFile(name).permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    const OpenOutcome outcome = session.OpenLogbook(name, ask);
    if (!outcome.Ok()) return Fail(session, current, outcome.problem, ask);
    return {};
}

FileCommandResult ArchiveLogbook(LogbookSession& session, const QString& name,
                                 const std::function<Answer()>& ask) {
    const QString current = session.Path();
    LogbookProblem error;
    if (current.isEmpty()) return {false, {LogbookFault::NoLogbook, {}, {}}};
    if (SameFile(current, name)) return {false, {LogbookFault::ArchiveOntoItself, name, {}}};
    if (!session.Flights().CommitPending()) return {false, {LogbookFault::PendingEdits, current, {}}};
    if (!RemoveLogbookFile(name, &error)) return Fail(session, current, error, ask);
    session.CloseLogbook(); // releases the file and folds its journal into it
    if (!CopyFile(current, name, &error)) return Fail(session, current, error, ask);
    const OpenOutcome outcome = session.OpenLogbook(current, ask);
    if (!outcome.Ok()) return {false, outcome.problem};
    return {};
}

bool VacuumInto(const QString& from, const QString& to, QString* error) {
    LogbookDatabase source;
    if (!source.Open(from, error, LogbookDatabase::Mode::ReadOnly)) return false;
    QSqlQuery q(source.Db());
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(to);
    if (q.exec()) return true;
    *error = q.lastError().text();
    return false;
}

FileCommandResult CompactLogbook(LogbookSession& session, const std::function<Answer()>& ask,
                                 const Compactor& compact) {
    const QString current = session.Path();
    const QString moved = current + QStringLiteral(".tmp");
    LogbookProblem error;
    if (current.isEmpty()) return {false, {LogbookFault::NoLogbook, {}, {}}};
    if (!session.Flights().CommitPending()) return {false, {LogbookFault::PendingEdits, current, {}}};
    session.CloseLogbook();
    if (!RemoveLogbookFile(moved, &error) || !CopyFile(current, moved, &error))
        return Fail(session, current, error, ask);
    if (!RemoveLogbookFile(current, &error)) return Fail(session, current, error, ask);

    QString engineError;
    if (!compact(moved, current, &engineError)) {
        error = {LogbookFault::CompactFailed, current, engineError};
        // Put the logbook back: nothing may be lost because compaction failed.
        LogbookProblem ignored;
        RemoveLogbookFile(current, &ignored);
        LogbookProblem restoreError;
        if (!CopyFile(moved, current, &restoreError))
            error.detail += QLatin1Char('\n') + restoreError.detail + QLatin1Char(' ') + moved;
        return Fail(session, current, error, ask);
    }
    const OpenOutcome outcome = session.OpenLogbook(current, ask);
    if (!outcome.Ok()) return {false, outcome.problem};
    return {};
}

} // namespace soarnote
