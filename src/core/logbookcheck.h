#pragma once
// Deciding that a file is a logbook before anything is written to it, and the
// typed faults of opening and the file commands. Core hands out the fault and
// its facts (file, table, field, the engine's own text); the window builds the
// translated message from them.

#include <QString>
#include <functional>

namespace soarnote {

enum class LogbookFault {
    None,
    NotFound,         // no file of that name
    EmptyFile,        // 0 bytes: nothing a logbook could be read from
    NotADatabase,     // no SQLite header, or a damaged one
    Unreadable,       // the engine could not read it (detail: its text)
    MissingTable,     // a database, but without a table a logbook has (detail: table)
    MissingField,     // a logbook table without one of its fields (detail: Table.Field)
    ReadOnlyOlder,    // read-only and of a layout that must be upgraded first
    UpgradeFailed,    // the upgrade of an older layout failed (detail: engine text)
    PendingEdits,     // the flight on show could not be saved before leaving
    TemplateMissing,  // the empty logbook to copy is not in the program folder
    CopyFailed,       // a file could not be copied (detail: system text)
    DeleteFailed,     // a file could not be deleted (detail: system text)
    CompactFailed,    // the compaction failed (detail: engine text)
    NoLogbook,        // the command needs an open logbook
    ArchiveOntoItself // the archive name is the open logbook
};

struct LogbookProblem {
    LogbookFault fault = LogbookFault::None;
    QString file;   // the file concerned, shown whole
    QString detail; // table, field, or the engine's or system's text (untranslated)
    bool Ok() const { return fault == LogbookFault::None; }
};

// The English text of a fault, a key for Translate(). Where a detail
// belongs to it, the detail follows it after a blank.
const char* LogbookFaultText(LogbookFault fault);

// The whole message: the file on the first line, then the translated fault
// and its detail. translate is the language table's Translate().
QString LogbookProblemText(const LogbookProblem& problem,
                           const std::function<QString(const char*)>& translate);

struct LogbookInspection {
    LogbookProblem problem;   // None when the file is a logbook
    bool writable = false;    // the file and its folder can be written (journal side files)
    bool needsFields = false; // fields the upgrade adds are missing
};

// Looks at a file without writing a byte to it or beside it: size, header,
// then the tables and fields a logbook has, through a read-only connection.
// Fields the upgrade adds to older files may be missing.
LogbookInspection InspectLogbookFile(const QString& path);

} // namespace soarnote
