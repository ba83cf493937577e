#include "programsession.h"

#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingkeys.h"

namespace soarnote {

ProgramSession::ProgramSession() {
    OpenLanguageTable(ProgramFolder::WritableFile(QStringLiteral("translate.mdl")));
}

ProgramSession::~ProgramSession() {
    // Pending edits and the last writes go in while the texts of any message
    // about them can still be looked up.
    logbook_.CloseLogbook();
    CloseLanguageTable();
}

QString ProgramSession::LogbookPath(const QString& named) const {
    return named.isEmpty() ? settings_.Text(keys::DatabaseName) : named;
}

bool ProgramSession::OpenForWriting(const QString& path) {
    const OpenOutcome opened = logbook_.OpenLogbook(path);
    return opened.Ok() && !logbook_.IsReadOnly();
}

} // namespace soarnote
