#include "importcli.h"

#include "core/flightimport.h"
#include "core/logbooksession.h"
#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace soarnote {

int ImportCli(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Soarnote"));
    QCoreApplication::setApplicationName(QStringLiteral("Soarnote"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    QStringList files;
    QString logbook;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--logbook")) {
            if (i + 1 >= args.size()) {
                files.clear();
                break;
            }
            logbook = args.at(++i);
            continue;
        }
        files << args.at(i);
    }
    if (files.isEmpty()) {
        err << "usage: soarnote --import FILE... [--logbook LOGBOOK]\n";
        return 2;
    }
    OpenLanguageTable(ProgramFolder::WritableFile(QStringLiteral("translate.mdl")));
    if (logbook.isEmpty()) logbook = SettingsStore().Text(keys::DatabaseName);
    int result = 0;
    {
        LogbookSession session;
        // The logbook is checked and upgraded as the window would; an older
        // time offset layout is left as it is (no one to ask).
        const OpenOutcome opened = QFileInfo(logbook).isFile() ? session.OpenLogbook(logbook) : OpenOutcome{};
        if (!QFileInfo(logbook).isFile() || !opened.Ok() || session.IsReadOnly()) {
            err << "soarnote: " << Translate("The logbook cannot be written") << ": " << logbook << "\n";
            result = 2;
        } else {
            for (const QString& file : files) {
                const FlightImportResult r = ImportFlightFile(session.Db(), file);
                out << r.Text() << "\n";
                if (r.Refused()) result = 1;
            }
        }
        session.CloseLogbook();
    }
    CloseLanguageTable();
    return result;
}

} // namespace soarnote
