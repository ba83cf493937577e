#pragma once
// The open logbook: its file, its flights as a positioned set, and the
// commands that bind the program to another file. One logbook is open at a
// time; windows follow it through the signals.

#include "logbookcheck.h"
#include "logbookdatabase.h"
#include "logdataset.h"
#include "schemaupgrade.h"

#include <QObject>
#include <functional>
#include <memory>

namespace soarnote {

struct OpenOutcome {
    enum class Kind { Opened, NotFound, Failed };
    Kind kind = Kind::Opened;
    LogbookProblem problem; // what went wrong, for the window's message
    UpgradeResult upgrade;
    bool readOnly = false; // opened, but nothing can be written to it
    bool Ok() const { return kind == Kind::Opened; }
};

class LogbookSession : public QObject {
    Q_OBJECT
public:
    explicit LogbookSession(QObject* parent = nullptr);
    ~LogbookSession() override;

    // Checks, upgrades and binds a logbook, then moves to its latest flight.
    // A path that does not exist changes nothing. The file is first looked at
    // read-only: one that is not a logbook is left as it was. A file or folder
    // that cannot be written opens read-only. The connection the checks and
    // the upgrade ran on is the one kept. On failure the logbook that was open
    // stays open.
    OpenOutcome OpenLogbook(const QString& path, const std::function<Answer()>& askConvertTimeOffset = {});
    // Releases the file (for copying or compacting it).
    void CloseLogbook();

    bool IsOpen() const { return database_.IsOpen(); }
    // The open logbook cannot be written: edits, new entries and downloads
    // are refused before they start.
    bool IsReadOnly() const { return database_.IsReadOnly(); }
    QString Path() const { return database_.Path(); }
    QSqlDatabase Db() const { return database_.Db(); }
    LogDataSet& Flights() { return flights_; }

signals:
    void LogbookOpened(const QString& path);
    // The file is about to be let go: last chance to write to it.
    void LogbookClosing();
    void LogbookClosed();

private:
    LogbookDatabase database_;
    LogDataSet flights_;
};

} // namespace soarnote
