// Pictures of the options dialog, the totals and conditions windows, the
// table editor and the about box for the help pages, taken on a copy of the
// demo logbook. Run by hand after changing one of those windows:
//
//   QT_QPA_PLATFORM=offscreen build/tests/soarnote-helpshots resources/help/images

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "settings/settingsstore.h"
#include "silentprompts.h"
#include "ui/aboutbox.h"
#include "ui/companionwindows.h"
#include "ui/conditionswindow.h"
#include "ui/mainwindow.h"
#include "ui/optionsdialog.h"
#include "ui/tableeditor.h"
#include "ui/totalswindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

using namespace soarnote;

namespace {

bool Save(QWidget* window, const QDir& folder, const QString& name) {
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: soarnote-helpshots <images folder>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    const QString demo = QStringLiteral(SOARNOTE_BIN_DIR "/demo.mdb");
    const QString logbook = work.filePath(QStringLiteral("demo.mdb"));
    if (!QFile::copy(demo, logbook) ||
        !QFile::copy(QStringLiteral(SOARNOTE_BIN_DIR "/") + QString::fromLatin1(kTemplateFileName),
                     work.filePath(QString::fromLatin1(kTemplateFileName)))) {
        QTextStream(stderr) << "build the demo logbook first (" << demo << ")\n";
        return 1;
    }
    ProgramFolder::SetPath(work.path());
    SettingsStore settings(work.filePath(QStringLiteral("settings.ini")));
    settings.Write(keys::DatabaseName, logbook);
    SilentPrompts prompts;

    LogbookSession session;
    MainWindow main(session, &settings, &prompts);
    main.Startup();
    main.move(0, 0);
    main.show();
    CompanionWindows companions(main, main.Session(), settings, prompts);
    companions.ConnectMenus();
    bool ok = true;

    companions.ShowTotals(true);
    companions.Totals()->Option(0)->click();
    ok &= Save(companions.Totals(), out, QStringLiteral("totals"));
    companions.ShowConditions(true);
    ok &= Save(companions.Conditions(), out, QStringLiteral("conditions"));
    companions.ShowTotals(false);
    companions.ShowConditions(false);

    companions.LinkTracks();
    TableEditor* tracks = companions.TableView();
    tracks->resize(820, 300);
    for (int column = 2; column <= 3; ++column) // room for whole dates, as a pilot would widen them
        tracks->Grid()->horizontalHeader()->resizeSection(column, 160);
    tracks->Grid()->selectRow(1);
    tracks->Grid()->selectRow(2);
    ok &= Save(tracks, out, QStringLiteral("tables"));
    tracks->CloseQuietly();

    companions.ShowOptions();
    OptionsDialog* options = companions.Options();
    ok &= Save(options, out, QStringLiteral("options"));
    options->Tabs()->setCurrentIndex(3);
    ok &= Save(options, out, QStringLiteral("options-plot"));
    options->Tabs()->setCurrentIndex(1);
    ok &= Save(options, out, QStringLiteral("options-vario"));
    options->close();

    companions.ShowAbout();
    ok &= Save(companions.About(), out, QStringLiteral("about"));
    companions.About()->ShowSystemInformation();
    ok &= Save(companions.About()->SystemInformationDialog(), out, QStringLiteral("systeminfo"));
    return ok ? 0 : 1;
}
