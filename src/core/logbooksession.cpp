#include "logbooksession.h"

#include "logcategories.h"

#include <QFileInfo>

namespace soarnote {

LogbookSession::LogbookSession(QObject* parent) : QObject(parent) {}

LogbookSession::~LogbookSession() {
    flights_.SetMoveGuard({});
    flights_.blockSignals(true);
    flights_.Unbind();
}

OpenOutcome LogbookSession::OpenLogbook(const QString& path,
                                        const std::function<Answer()>& askConvertTimeOffset) {
    OpenOutcome outcome;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto fail = [&](LogbookFault fault, const QString& detail) {
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.problem = {fault, absolute, detail};
        qCWarning(lcStorage) << "open" << absolute << "failed:" << LogbookFaultText(fault) << detail;
        return outcome;
    };
    if (!QFileInfo(path).isFile()) {
        outcome.kind = OpenOutcome::Kind::NotFound;
        outcome.problem = {LogbookFault::NotFound, absolute, {}};
        return outcome;
    }
    // Pending edits of the flight shown belong to the logbook being left.
    if (!flights_.CommitPending()) return fail(LogbookFault::PendingEdits, {});

    // Nothing is written before the file is known to be a logbook.
    const LogbookInspection look = InspectLogbookFile(absolute);
    if (!look.problem.Ok()) return fail(look.problem.fault, look.problem.detail);
    if (!look.writable && look.needsFields) return fail(LogbookFault::ReadOnlyOlder, {});

    // Opened once: the connection upgraded and probed is the one bound. The
    // logbook that is open stays open until then (the journal lets a second
    // connection in when both name the same file).
    LogbookDatabase opened;
    QString error;
    const auto mode = look.writable ? LogbookDatabase::Mode::ReadWrite : LogbookDatabase::Mode::ReadOnly;
    if (!opened.Open(absolute, &error, mode)) return fail(LogbookFault::Unreadable, error);
    if (look.writable) {
        QSqlDatabase db = opened.Db();
        outcome.upgrade = UpgradeLogbook(db, askConvertTimeOffset);
        if (!outcome.upgrade.ok) return fail(LogbookFault::UpgradeFailed, outcome.upgrade.error);
    }
    // Make sure the flights can be read before letting go of the old file.
    {
        LogDataSet probe;
        if (!probe.Bind(opened.Db(), &error)) return fail(LogbookFault::Unreadable, error);
        probe.Unbind();
    }

    CloseLogbook();
    database_.Swap(opened);
    if (!flights_.Bind(database_.Db(), &error)) {
        // Read a moment ago on this very connection; should it fail now, the
        // file is let go rather than half bound.
        database_.Close();
        return fail(LogbookFault::Unreadable, error);
    }
    outcome.readOnly = database_.IsReadOnly();
    emit LogbookOpened(absolute);
    if (flights_.RecordCount() > 0)
        flights_.MoveLast();
    else
        emit flights_.Repositioned();
    return outcome;
}

void LogbookSession::CloseLogbook() {
    if (!database_.IsOpen()) return;
    flights_.CommitPending();
    emit LogbookClosing();
    flights_.Unbind();
    database_.Close();
    emit LogbookClosed();
}

} // namespace soarnote
