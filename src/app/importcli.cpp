#include "importcli.h"

#include "programsession.h"

#include "core/flightimport.h"
#include "i18n/languagetable.h"

#include <QCoreApplication>
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
    ProgramSession program;
    logbook = program.LogbookPath(logbook);
    // The logbook is checked and upgraded as the window would.
    if (!program.OpenForWriting(logbook)) {
        err << "soarnote: " << Translate("The logbook cannot be written") << ": " << logbook << "\n";
        return 2;
    }
    int result = 0;
    for (const QString& file : files) {
        const FlightImportResult r = ImportFlightFile(program.Logbook().Db(), file);
        out << r.Text() << "\n";
        if (r.Refused()) result = 1;
    }
    return result;
}

} // namespace soarnote
