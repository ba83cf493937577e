#pragma once
// The logbook file commands: new (a copy of the template), archive (a byte
// copy of the open logbook) and compact. Each leaves the logbook that was
// open when it began open again when it fails.

#include "logbooksession.h"

#include <QString>

namespace soarnote {

inline constexpr char kTemplateFileName[] = "~logbook.$$$";
inline constexpr char kDemoFileName[] = "demo.mdb";

struct FileCommandResult {
    bool ok = true;
    LogbookProblem problem; // what went wrong, for the command's message box
};

// The name shown in the window caption: the file name without folder, up to
// its first "." (the whole name when it has none).
QString LogbookCaptionName(const QString& path);

// Copies the template over name (replacing it) and opens the copy.
FileCommandResult NewLogbook(LogbookSession& session, const QString& templatePath, const QString& name,
                             const std::function<Answer()>& ask = {});

// Copies the open logbook, byte for byte, to name (replacing it).
FileCommandResult ArchiveLogbook(LogbookSession& session, const QString& name,
                                 const std::function<Answer()>& ask = {});

// Moves the open logbook aside to "<path>.tmp" and compacts that copy back
// into path. The .tmp file stays as the state before compaction. When the
// compaction fails the logbook is put back from the copy.
// compact does the engine's compaction from one closed file into a new one;
// by default SQLite's VACUUM INTO.
using Compactor = std::function<bool(const QString& from, const QString& to, QString* error)>;
bool VacuumInto(const QString& from, const QString& to, QString* error);
FileCommandResult CompactLogbook(LogbookSession& session, const std::function<Answer()>& ask = {},
                                 const Compactor& compact = VacuumInto);

} // namespace soarnote
