#pragma once
// What the screenshot tools share: a working copy of the demo logbook,
// settings of their own, silent prompts and the main window on the copy.
// The one place these tools make the main window.

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "sessionwindow.h"
#include "settings/settingsstore.h"
#include "silentprompts.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <memory>

struct ShotRig {
    QTemporaryDir work;
    std::unique_ptr<soarnote::SettingsStore> settings;
    std::unique_ptr<SilentPrompts> prompts;
    std::unique_ptr<soarnote::MainWindow> main;

    // Copies the demo logbook into the working folder, which becomes the
    // program folder (with a copy of the template) unless the build's own
    // folder is asked for; false, said on stderr, when the demo is not built.
    bool Prepare(bool buildFolder = false, QMessageBox::StandardButton answer = QMessageBox::Cancel) {
        using namespace soarnote;
        const QString logbook = work.filePath(QStringLiteral("demo.mdb"));
        const QString templateName = QString::fromLatin1(kTemplateFileName);
        if (!QFile::copy(QStringLiteral(SOARNOTE_BIN_DIR "/demo.mdb"), logbook) ||
            (!buildFolder && !QFile::copy(QStringLiteral(SOARNOTE_BIN_DIR "/") + templateName,
                                          work.filePath(templateName)))) {
            QTextStream(stderr) << "build the demo logbook first\n";
            return false;
        }
        ProgramFolder::SetPath(buildFolder ? QStringLiteral(SOARNOTE_BIN_DIR) : work.path());
        settings = std::make_unique<SettingsStore>(work.filePath(QStringLiteral("settings.ini")));
        settings->Write(keys::DatabaseName, logbook);
        prompts = std::make_unique<SilentPrompts>(answer);
        return true;
    }

    soarnote::MainWindow& OpenMain() {
        main = std::make_unique<SessionMainWindow>(settings.get(), prompts.get());
        main->Startup();
        return *main;
    }

    static bool Save(const QImage& image, const QDir& folder, const QString& name) {
        const QString path = folder.filePath(name + QStringLiteral(".png"));
        if (!image.save(path)) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            return false;
        }
        QTextStream(stdout) << path << '\n';
        return true;
    }
};
