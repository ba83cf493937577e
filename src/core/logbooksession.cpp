#include "logbooksession.h"

#include "i18n/languagetable.h"

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
    if (!QFileInfo(path).isFile()) {
        outcome.kind = OpenOutcome::Kind::NotFound;
        return outcome;
    }
    // Pending edits of the flight shown belong to the logbook being left.
    if (!flights_.CommitPending()) {
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.error = Translate("The current flight could not be saved.");
        return outcome;
    }
    // Opening the logbook that is open checks it through a second connection
    // (the journal allows it), so that a failure leaves it open as it was.
    const QString absolute = QFileInfo(path).absoluteFilePath();

    outcome.upgrade = CheckAndUpgradeLogbook(absolute, askConvertTimeOffset);
    if (!outcome.upgrade.ok) {
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.error = outcome.upgrade.error;
        return outcome;
    }

    auto opened = std::make_unique<LogbookDatabase>();
    QString error;
    if (!opened->Open(absolute, &error)) {
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.error = error;
        return outcome;
    }
    // Make sure the flights can be read before letting go of the old file.
    LogDataSet probe;
    if (!probe.Bind(opened->Db(), &error)) {
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.error = error;
        return outcome;
    }
    probe.Unbind();
    opened->Close();

    CloseLogbook();
    if (!database_.Open(absolute, &error) || !flights_.Bind(database_.Db(), &error)) {
        database_.Close();
        outcome.kind = OpenOutcome::Kind::Failed;
        outcome.error = error;
        return outcome;
    }
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
