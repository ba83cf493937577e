// The about box: title and version from the build, the system information
// a bug report needs, and its Copy button; opened from the Help menu.

#include "core/testlogbook.h"
#include "fakeprompts.h"
#include "sessionwindow.h"

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "settings/settingsstore.h"
#include "ui/aboutbox.h"
#include "ui/companionwindows.h"
#include "ui/mainwindow.h"
#include "ui/optionsdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace soarnote;

class TestAboutBox : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void versionText_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("three parts") << "1.4.2"
                                     << "Version 1.4.2";
        QTest::newRow("leading zeros dropped") << "01.02.030"
                                               << "Version 1.2.30";
        QTest::newRow("two parts") << "2.1"
                                   << "Version 2.1.0";
    }

    void versionText() {
        QFETCH(QString, version);
        QFETCH(QString, text);
        QCOMPARE(AboutBox::VersionText(version), text);
    }

    void titleAndVersion() {
        AboutBox about{QString()};
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("About Soarnote"));
        QCOMPARE(about.Title()->text(), QStringLiteral("Soarnote"));
        QCOMPARE(about.Version()->text(), QStringLiteral("Version " SOARNOTE_VERSION));
        QTest::mouseClick(about.OkButton(), Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void systemInformationForABugReport() {
        const QString logbook = dir_.filePath(QStringLiteral("mine.mdb"));
        QVERIFY(testlogbook::CreateLogbookFile(logbook));
        AboutBox about(logbook);
        about.show();
        QTest::mouseClick(about.SystemInfoButton(), Qt::LeftButton);
        QDialog* info = about.SystemInformationDialog();
        QVERIFY(info && info->isVisible());
        const QString facts = info->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY(facts.contains(QStringLiteral("Program: Soarnote Version " SOARNOTE_VERSION)));
        QVERIFY(facts.contains(QStringLiteral("Qt: ") + QString::fromLatin1(qVersion())));
        QVERIFY(facts.contains(QStringLiteral("Operating system: ") + QSysInfo::prettyProductName()));
        // No GL context is made without a display.
        QVERIFY(facts.contains(QStringLiteral("OpenGL renderer: unknown")));
        QVERIFY(facts.contains(QStringLiteral("Serial ports: ")));
        for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
            QVERIFY(facts.contains(port.systemLocation()));
        QVERIFY(facts.contains(QStringLiteral("Logbook: ") + QFileInfo(logbook).absoluteFilePath()));
        QVERIFY(facts.contains(QStringLiteral("Logbook size: %1 bytes").arg(QFileInfo(logbook).size())));
        // Every line shows whole: nothing to scroll sideways for.
        QTRY_VERIFY(!info->findChild<QPlainTextEdit*>()->horizontalScrollBar()->isVisible());

        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(info->findChild<QPushButton*>(QStringLiteral("Copy")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), facts);
        // A second press shows the same window again rather than another.
        QTest::mouseClick(about.SystemInfoButton(), Qt::LeftButton);
        QCOMPARE(about.SystemInformationDialog(), info);
        QCOMPARE(about.findChildren<QPlainTextEdit*>().size(), 1);
    }

    void withoutALogbook() {
        const QString facts = AboutBox::SystemInformation(QString());
        QVERIFY(facts.contains(QStringLiteral("Logbook: none open")));
    }

    void helpAndViewMenusOpenAboutAndOptions() {
        QTemporaryDir dir;
        ProgramFolder::SetPath(dir.path());
        QVERIFY(testlogbook::CreateLogbookFile(dir.filePath(QString::fromLatin1(kTemplateFileName))));
        const QString logbook = dir.filePath(QStringLiteral("menus.mdb"));
        QVERIFY(testlogbook::CreateLogbookFile(logbook));
        SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
        settings.Write(keys::DatabaseName, logbook);
        FakePrompts prompts;
        SessionMainWindow main(&settings, &prompts);
        main.Startup();
        main.show();
        CompanionWindows companions(main, main.Session(), settings, prompts);
        companions.ConnectMenus();

        main.MenuItem(QStringLiteral("&About"))->trigger();
        AboutBox* about = companions.About();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowModality(), Qt::ApplicationModal);
        QTest::mouseClick(about->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(!companions.About());

        QAction* options = main.MenuItem(QStringLiteral("&Options"));
        QCOMPARE(options->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        options->trigger();
        OptionsDialog* dialog = companions.Options();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        dialog->Check(QStringLiteral("Enable Fog"))->setChecked(true);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(!companions.Options());
        QCOMPARE(settings.Int(keys::PlotFlag2), 1);
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
