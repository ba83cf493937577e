// The about box: the version from the build, the system information a bug
// report needs, and its Copy button; opened from the Help menu.

#include "windowfixture.h"

#include "ui/aboutbox.h"
#include "ui/optionsdialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QSerialPortInfo>

using namespace soarnote;

class TestAboutBox : public WindowFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(PrepareFolder()); }
    void cleanup() { TearDown(); }

    void versionText_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("leading zeros dropped") << "01.02.030"
                                               << "Version 1.2.30";
        QTest::newRow("two parts") << "2.1"
                                   << "Version 2.1.0";
    }
    void versionText() {
        QFETCH(QString, version);
        QTEST(AboutBox::VersionText(version), "text");
    }

    void systemInformationForABugReport() {
        const QString logbook = Path(QStringLiteral("mine.mdb"));
        QVERIFY(testlogbook::CreateLogbookFile(logbook));
        AboutBox about(logbook);
        about.show();
        QCOMPARE(about.Version()->text(), QStringLiteral("Version " SOARNOTE_VERSION));
        QTest::mouseClick(about.SystemInfoButton(), Qt::LeftButton);
        QDialog* info = about.SystemInformationDialog();
        QVERIFY(info && info->isVisible());
        const QString facts = info->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY(facts.contains(QStringLiteral("Program: Soarnote Version " SOARNOTE_VERSION)));
        QVERIFY(facts.contains(QStringLiteral("Qt: ") + QString::fromLatin1(qVersion())));
        QVERIFY(facts.contains(QStringLiteral("Operating system: ") + QSysInfo::prettyProductName()));
        // No GL context is made without a display.
        QVERIFY(facts.contains(QStringLiteral("OpenGL renderer: unknown")));
        for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
            QVERIFY(facts.contains(port.systemLocation()));
        QVERIFY(facts.contains(QStringLiteral("Logbook: ") + QFileInfo(logbook).absoluteFilePath()));
        QVERIFY(facts.contains(QStringLiteral("Logbook size: %1 bytes").arg(QFileInfo(logbook).size())));
        QVERIFY(AboutBox::SystemInformation(QString()).contains(QStringLiteral("Logbook: none open")));
        // Every line shows whole: nothing to scroll sideways for.
        QTRY_VERIFY(!info->findChild<QPlainTextEdit*>()->horizontalScrollBar()->isVisible());

        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(info->findChild<QPushButton*>(QStringLiteral("Copy")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), facts);
        // A second press shows the same window again rather than another.
        QTest::mouseClick(about.SystemInfoButton(), Qt::LeftButton);
        QCOMPARE(about.SystemInformationDialog(), info);
        QCOMPARE(about.findChildren<QPlainTextEdit*>().size(), 1);
        QTest::mouseClick(about.OkButton(), Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void helpAndViewMenusOpenAboutAndOptions() {
        const QString logbook = Path(QStringLiteral("menus.mdb"));
        QVERIFY(testlogbook::CreateLogbookFile(logbook));
        OpenMain(logbook);
        main_->MenuItem(QStringLiteral("&About"))->trigger();
        AboutBox* about = companions_->About();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowModality(), Qt::ApplicationModal);
        QTest::mouseClick(about->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(!companions_->About());

        QAction* options = main_->MenuItem(QStringLiteral("&Options"));
        QCOMPARE(options->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        options->trigger();
        OptionsDialog* dialog = companions_->Options();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        dialog->Check(QStringLiteral("Enable Fog"))->setChecked(true);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(!companions_->Options());
        QCOMPARE(settings_->Int(keys::PlotFlag2), 1);
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
