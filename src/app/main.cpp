// Soarnote: a flight logbook and instrument data logger for paraglider and
// hang-glider pilots.

#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"
#include "ui/mainwindow.h"
#include "ui/prompts.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationName(QStringLiteral("Soarnote"));
    QApplication::setApplicationVersion(QStringLiteral(SOARNOTE_VERSION));

    soarnote::OpenLanguageTable(soarnote::ProgramFolder::WritableFile(QStringLiteral("translate.mdl")));
    soarnote::SettingsStore settings;
    soarnote::DialogPrompts prompts;
    soarnote::MainWindow window(&settings, &prompts);
    window.Startup();
    window.show();
    const int result = app.exec();
    soarnote::CloseLanguageTable();
    return result;
}
