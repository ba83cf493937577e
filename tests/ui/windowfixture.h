#pragma once
// The rig of every window suite: a program folder with the empty logbook in
// it, settings of the test's own and scripted prompts; on request the main
// window with its companion windows on a logbook. How the windows are made
// is written here only.

#include "common/testlogbook.h"
#include "fakeprompts.h"
#include "sessionwindow.h"

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"
#include "ui/companionwindows.h"
#include "ui/conditionswindow.h"
#include "ui/customtoolbar.h"
#include "ui/flightform.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"
#include "ui/tableeditor.h"
#include "ui/totalswindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using testlogbook::Day;
using testlogbook::Scalar;

// The gestures of a person, one helper each. Clicks come as the window
// system delivers them, at the middle of a visible widget (a double-click is
// press, release, press with the double-click, release); keys go to the
// focused widget, or to the active window when nothing has the focus.
inline QPoint WindowPointOf(QWidget* w) {
    return w->mapTo(w->window(), w->rect().center());
}
inline void ClickAt(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w->window()->windowHandle(), button, {}, WindowPointOf(w));
}
inline void DoubleClickAt(QWidget* w) {
    QTest::mouseDClick(w->window()->windowHandle(), Qt::LeftButton, {}, WindowPointOf(w));
}
inline QWidget* KeyTarget() {
    return QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
}
inline void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(KeyTarget(), Qt::Key(key), modifiers);
}
inline void Type(const QString& text) {
    QTest::keyClicks(KeyTarget(), text);
}
// Brings a window to the front as the pilot's click on it does.
inline bool Activate(QWidget* w) {
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

class WindowFixture : public QObject {
protected:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<soarnote::SettingsStore> settings_;
    FakePrompts prompts_;
    std::unique_ptr<soarnote::MainWindow> main_;
    std::unique_ptr<soarnote::CompanionWindows> companions_;

    QString Path(const QString& name) const { return dir_->filePath(name); }
    QSqlDatabase Db() const { return main_->Session().Db(); }
    QVariant Stored(const char* field, qint64 id) const {
        return Scalar(
            Db(), QStringLiteral("SELECT \"%1\" FROM LogData WHERE ID = ?").arg(QLatin1String(field)), {id});
    }
    // The answers the next questions get, in order.
    void Answers(std::initializer_list<int> answers) {
        prompts_.answers.clear();
        for (int a : answers)
            prompts_.answers << QMessageBox::StandardButton(a);
    }
    QStringList AskedTexts() const {
        QStringList texts;
        for (const AskedQuestion& q : prompts_.asked)
            texts << q.text;
        return texts;
    }

    // A fresh program folder (with the template) and settings.
    bool PrepareFolder() {
        dir_ = std::make_unique<QTemporaryDir>();
        soarnote::ProgramFolder::SetPath(dir_->path());
        settings_ = std::make_unique<soarnote::SettingsStore>(Path(QStringLiteral("settings.ini")));
        prompts_ = FakePrompts();
        return testlogbook::CreateLogbookFile(Path(QString::fromLatin1(soarnote::kTemplateFileName)));
    }

    // The main window started on a logbook (the one open before is closed
    // first, as at the end of a run), its companions joined to the menus.
    soarnote::MainWindow* OpenMain(const QString& logbook) {
        companions_.reset();
        main_.reset();
        if (!logbook.isEmpty()) settings_->Write(soarnote::keys::DatabaseName, logbook);
        main_ = std::make_unique<SessionMainWindow>(settings_.get(), &prompts_);
        main_->Startup();
        main_->show();
        companions_ =
            std::make_unique<soarnote::CompanionWindows>(*main_, main_->Session(), *settings_, prompts_);
        companions_->ConnectMenus();
        return main_.get();
    }

    void TearDown() {
        companions_.reset();
        main_.reset();
        settings_.reset();
        soarnote::CloseLanguageTable();
        dir_.reset();
    }
};
