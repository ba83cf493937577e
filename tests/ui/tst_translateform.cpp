// Which properties of which kinds of control a window's translation touches.

#include "core/testlogbook.h"

#include "i18n/languagetable.h"
#include "ui/customtoolbar.h"
#include "ui/kit/statuspanel.h"
#include "ui/navigationbar.h"
#include "ui/translateform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using namespace soarnote;

class TestTranslateForm : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString table_;

    // Every text translates to itself in brackets, so what was translated shows.
    void Fill(const QStringList& texts) {
        LogbookDatabase db;
        QString error;
        QVERIFY(db.Open(table_, &error));
        for (const QString& t : texts)
            testlogbook::InsertRow(db.Db(), QStringLiteral("Table"),
                                   {{"English", t}, {"Language", QLatin1Char('[') + t + QLatin1Char(']')}});
    }

private slots:
    void init() {
        table_ = dir_.filePath(QStringLiteral("translate-%1.mdl").arg(QDateTime::currentMSecsSinceEpoch()));
        QString error;
        QVERIFY(LanguageTable::Create(table_, &error));
    }
    void cleanup() { CloseLanguageTable(); }

    void eachKindItsProperties() {
        Fill({"Caption",  "Label",      "Label tip", "File",           "Open",    "Combo tip",
              "Item",     "Frame",      "Edit tip",  "Text",           "Check",   "Check tip",
              "Option",   "Option tip", "Button",    "Button tip",     "Panel",   "Panel tip",
              "Tool tip", "Tab",        "Tab tip",   "Log navigation", "Nav tip", "Window tip"});
        OpenLanguageTable(table_);

        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Caption"));
        window.setToolTip(QStringLiteral("Window tip"));
        QMenu* menu = window.menuBar()->addMenu(QStringLiteral("File"));
        QAction* open = menu->addAction(QStringLiteral("Open"));
        menu->addSeparator();
        auto* bar = new CustomToolBar(&window);
        window.addToolBar(bar);
        auto* button = new QAction(QStringLiteral("Tool tip"), bar);
        button->setToolTip(QStringLiteral("Tool tip"));
        bar->AddButton(QStringLiteral("Key"), button);
        auto* panel = new StatusPanel(&window);
        panel->setText(QStringLiteral("Panel"));
        panel->setToolTip(QStringLiteral("Panel tip"));
        window.statusBar()->addWidget(panel);

        auto* central = new QWidget(&window);
        auto* layout = new QVBoxLayout(central);
        auto* label = new QLabel(QStringLiteral("Label"));
        label->setToolTip(QStringLiteral("Label tip"));
        auto* combo = new QComboBox;
        combo->setToolTip(QStringLiteral("Combo tip"));
        combo->addItem(QStringLiteral("Item"));
        auto* frame = new QGroupBox(QStringLiteral("Frame"));
        auto* edit = new QLineEdit(QStringLiteral("Text"));
        edit->setToolTip(QStringLiteral("Edit tip"));
        auto* check = new QCheckBox(QStringLiteral("Check"));
        check->setToolTip(QStringLiteral("Check tip"));
        auto* option = new QRadioButton(QStringLiteral("Option"));
        option->setToolTip(QStringLiteral("Option tip"));
        auto* push = new QPushButton(QStringLiteral("Button"));
        push->setToolTip(QStringLiteral("Button tip"));
        auto* tabs = new QTabBar;
        tabs->addTab(QStringLiteral("Tab"));
        tabs->setTabToolTip(0, QStringLiteral("Tab tip"));
        auto* nav = new NavigationBar;
        nav->setToolTip(QStringLiteral("Nav tip"));
        for (QWidget* w :
             std::initializer_list<QWidget*>{label, combo, frame, edit, check, option, push, tabs, nav})
            layout->addWidget(w);
        window.setCentralWidget(central);

        TranslateForm(&window, false);
        QCOMPARE(window.windowTitle(), QStringLiteral("Caption")); // the main window keeps its own
        QCOMPARE(label->text(), QStringLiteral("[Label]"));
        QCOMPARE(label->toolTip(), QStringLiteral("[Label tip]"));
        QCOMPARE(menu->title(), QStringLiteral("[File]"));
        QCOMPARE(open->text(), QStringLiteral("[Open]"));
        QCOMPARE(combo->toolTip(), QStringLiteral("[Combo tip]"));
        QCOMPARE(combo->itemText(0), QStringLiteral("Item")); // list contents are data
        QCOMPARE(frame->title(), QStringLiteral("[Frame]"));
        QCOMPARE(edit->toolTip(), QStringLiteral("[Edit tip]"));
        QCOMPARE(edit->text(), QStringLiteral("Text")); // a text box's contents are data
        QCOMPARE(check->text(), QStringLiteral("[Check]"));
        QCOMPARE(check->toolTip(), QStringLiteral("[Check tip]"));
        QCOMPARE(option->text(), QStringLiteral("[Option]"));
        QCOMPARE(option->toolTip(), QStringLiteral("[Option tip]"));
        QCOMPARE(push->text(), QStringLiteral("[Button]"));
        QCOMPARE(push->toolTip(), QStringLiteral("[Button tip]"));
        QCOMPARE(panel->text(), QStringLiteral("[Panel]"));
        QCOMPARE(panel->toolTip(), QStringLiteral("[Panel tip]"));
        QCOMPARE(button->toolTip(), QStringLiteral("[Tool tip]"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("[Tab]"));
        QCOMPARE(tabs->tabToolTip(0), QStringLiteral("[Tab tip]"));
        QCOMPARE(nav->Caption(), QStringLiteral("[Log navigation]"));

        // A second pass must not translate translations.
        TranslateForm(&window, true);
        QCOMPARE(window.windowTitle(), QStringLiteral("[Caption]"));
        QCOMPARE(label->text(), QStringLiteral("[Label]"));
        CloseLanguageTable();

        // The separator's "-" was looked up (and so added) like any other text.
        LogbookDatabase db;
        QString error;
        QVERIFY(db.Open(table_, &error));
        QCOMPARE(
            testlogbook::Scalar(db.Db(), QStringLiteral("SELECT COUNT(*) FROM \"Table\" WHERE English = '-'"))
                .toInt(),
            1);
    }

    void toolbarButtonsOffTheBarAreTranslatedToo() {
        Fill({"Hidden"});
        OpenLanguageTable(table_);
        QMainWindow window;
        auto* bar = new CustomToolBar(&window);
        window.addToolBar(bar);
        auto* hidden = new QAction(QStringLiteral("Hidden"), bar);
        hidden->setToolTip(QStringLiteral("Hidden"));
        bar->AddButton(QStringLiteral("HiddenKey"), hidden);
        bar->SetArrangement(QStringLiteral(","));
        TranslateForm(&window, false);
        QCOMPARE(hidden->toolTip(), QStringLiteral("[Hidden]"));
    }
};

QTEST_MAIN(TestTranslateForm)
#include "tst_translateform.moc"
