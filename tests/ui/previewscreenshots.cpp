// Pictures of the print preview for the help pages: the log of the demo
// logbook and the flight page of one of its flights. Run by hand after
// changing the preview or the printed pages:
//
//   QT_QPA_PLATFORM=offscreen build/tests/soarnote-previewshots resources/help/images

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "settings/settingsstore.h"
#include "silentprompts.h"
#include "ui/mainwindow.h"
#include "ui/printpreview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

using namespace soarnote;

namespace {

bool Shoot(MainWindow& main, SettingsStore& settings, SilentPrompts& prompts, PrintPreview::Mode mode,
           const QDir& folder, const QString& name) {
    PrintPreview preview(&main, main.Session(), &settings, &prompts, main.Printer());
    preview.Prepare(mode);
    preview.resize(900, 680);
    preview.show();
    QApplication::processEvents();
    preview.FitAndRender();
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!preview.grab().save(path)) {
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
        QTextStream(stderr) << "usage: soarnote-previewshots <images folder>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    const QString logbook = work.filePath(QStringLiteral("demo.mdb"));
    if (!QFile::copy(QStringLiteral(SOARNOTE_BIN_DIR "/demo.mdb"), logbook) ||
        !QFile::copy(QStringLiteral(SOARNOTE_BIN_DIR "/") + QString::fromLatin1(kTemplateFileName),
                     work.filePath(QString::fromLatin1(kTemplateFileName)))) {
        QTextStream(stderr) << "build the demo logbook first\n";
        return 1;
    }
    ProgramFolder::SetPath(work.path());
    SettingsStore settings(work.filePath(QStringLiteral("settings.ini")));
    settings.Write(keys::DatabaseName, logbook);
    SilentPrompts prompts;
    LogbookSession session;
    MainWindow main(session, &settings, &prompts);
    main.Startup();
    main.show();
    bool ok = Shoot(main, settings, prompts, PrintPreview::LogMode, out, QStringLiteral("preview-log"));
    ok &= Shoot(main, settings, prompts, PrintPreview::FlightMode, out, QStringLiteral("preview-flight"));
    return ok ? 0 : 1;
}
