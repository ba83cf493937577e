#pragma once
// What one run of the program holds, with a window or without one (the
// script commands): the language table, the settings and the logbook
// session. It is made first and let go last; the windows and commands only
// borrow from it, so none of them decides when the logbook goes.

#include "core/logbooksession.h"
#include "settings/settingsstore.h"

#include <QString>

namespace soarnote {

class ProgramSession {
public:
    // Opens the language table (the application's names must be set: they
    // name the settings).
    ProgramSession();
    // Closes the logbook, then the language table.
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    SettingsStore& Settings() { return settings_; }
    LogbookSession& Logbook() { return logbook_; }

    // The logbook the program had open last, or the one named on the
    // command line.
    QString LogbookPath(const QString& named = {}) const;

    // Opens a logbook to write to without asking anything (a script has no
    // one to ask: an older time offset layout is left as it is). False when
    // the file is missing, is not a logbook or cannot be written.
    bool OpenForWriting(const QString& path);

private:
    SettingsStore settings_;
    LogbookSession logbook_;
};

} // namespace soarnote
