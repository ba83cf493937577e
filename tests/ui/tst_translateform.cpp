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
        // Each text is named for where it sits; the contents of lists and
        // text boxes are data and stay as they are.
        Fill({"Caption",  "Label",      "Label tip", "File",           "Open",      "Combo tip",
              "Item",     "Frame",      "Edit tip",  "Text",           "Check",     "Check tip",
              "Option",   "Option tip", "Button",    "Button tip",     "Panel",     "Panel tip",
              "Tool tip", "Tab",        "Tab tip",   "Log navigation", "Window tip"});
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
        window.statusBar()->addWidget(panel);
        auto* label = new QLabel(QStringLiteral("Label"));
        auto* combo = new QComboBox;
        combo->addItem(QStringLiteral("Item"));
        auto* frame = new QGroupBox(QStringLiteral("Frame"));
        auto* edit = new QLineEdit(QStringLiteral("Text"));
        auto* check = new QCheckBox(QStringLiteral("Check"));
        auto* option = new QRadioButton(QStringLiteral("Option"));
        auto* push = new QPushButton(QStringLiteral("Button"));
        auto* tabs = new QTabBar;
        tabs->addTab(QStringLiteral("Tab"));
        tabs->setTabToolTip(0, QStringLiteral("Tab tip"));
        auto* nav = new NavigationBar;
        auto* central = new QWidget(&window);
        auto* layout = new QVBoxLayout(central);
        const QList<std::pair<QWidget*, const char*>> tipped = {
            {label, "Label tip"},   {combo, "Combo tip"}, {edit, "Edit tip"},  {check, "Check tip"},
            {option, "Option tip"}, {push, "Button tip"}, {panel, "Panel tip"}};
        for (const auto& [w, tip] : tipped) {
            w->setToolTip(QString::fromLatin1(tip));
            if (w != panel) layout->addWidget(w);
        }
        layout->addWidget(frame);
        layout->addWidget(tabs);
        layout->addWidget(nav);
        window.setCentralWidget(central);

        TranslateForm(&window, false);
        for (const auto& [w, tip] : tipped)
            QCOMPARE(w->toolTip(), QStringLiteral("[%1]").arg(QLatin1String(tip)));
        const QStringList shown = {window.windowTitle(), label->text(),       menu->title(),
                                   open->text(),         combo->itemText(0),  frame->title(),
                                   edit->text(),         check->text(),       option->text(),
                                   push->text(),         panel->text(),       button->toolTip(),
                                   tabs->tabText(0),     tabs->tabToolTip(0), nav->Caption()};
        QCOMPARE(shown, (QStringList{"Caption", "[Label]", "[File]", "[Open]", "Item", "[Frame]", "Text",
                                     "[Check]", "[Option]", "[Button]", "[Panel]", "[Tool tip]", "[Tab]",
                                     "[Tab tip]", "[Log navigation]"})); // the main window keeps its caption

        // A second pass must not translate translations.
        TranslateForm(&window, true);
        QCOMPARE(window.windowTitle(), QStringLiteral("[Caption]"));
        QCOMPARE(label->text(), QStringLiteral("[Label]"));
        CloseLanguageTable();

        // The separator's "-" was looked up (and so added) like any other text.
        QCOMPARE(testlogbook::ScalarOnFile(
                     table_, QStringLiteral("SELECT COUNT(*) FROM \"Table\" WHERE English = '-'"))
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
