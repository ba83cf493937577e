#include "translateform.h"

#include "i18n/languagetable.h"
#include "navigationbar.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace soarnote {

namespace {

template <typename Get, typename Set> void TranslateProperty(Get get, Set set) {
    const QString text = get();
    if (!text.isEmpty()) set(Translate(text));
}

void TranslateToolTip(QWidget* w) {
    TranslateProperty([w] { return w->toolTip(); }, [w](const QString& t) { w->setToolTip(t); });
}

void TranslateMenu(QMenu* menu, QSet<QObject*>& done) {
    if (done.contains(menu)) return;
    done.insert(menu);
    TranslateProperty([menu] { return menu->title(); }, [menu](const QString& t) { menu->setTitle(t); });
    done.insert(menu->menuAction());
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            TranslateMenu(sub, done);
            continue;
        }
        if (done.contains(action)) continue;
        done.insert(action);
        // A separator's caption is "-", looked up like any other.
        const QString text = action->isSeparator() ? QStringLiteral("-") : action->text();
        const QString translated = Translate(text);
        if (!action->isSeparator()) action->setText(translated);
    }
}

void TranslateToolBar(QToolBar* bar, QSet<QObject*>& done) {
    // Every button the bar may show, also those the user took off it.
    QList<QAction*> actions = bar->actions();
    for (QAction* a : bar->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        if (!actions.contains(a)) actions << a;
    for (QAction* action : actions) {
        if (action->isSeparator() || done.contains(action)) continue;
        done.insert(action);
        const QString caption = action->property("caption").toString();
        if (!caption.isEmpty()) action->setProperty("caption", Translate(caption));
        TranslateProperty([action] { return action->toolTip(); },
                          [action](const QString& t) {
                              action->setToolTip(t);
                              action->setText(t);
                          });
    }
}

void TranslateWidget(QWidget* w, QSet<QObject*>& done) {
    if (done.contains(w)) return;
    done.insert(w);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        // A translation is text: markup in it ("<b>", "a < b") is shown as
        // typed, never interpreted. A label meant for rich text says so.
        if (label->textFormat() == Qt::AutoText) label->setTextFormat(Qt::PlainText);
        TranslateProperty([label] { return label->text(); },
                          [label](const QString& t) { label->setText(t); });
        TranslateToolTip(w);
    } else if (auto* menuBar = qobject_cast<QMenuBar*>(w)) {
        for (QAction* action : menuBar->actions())
            if (QMenu* menu = action->menu()) TranslateMenu(menu, done);
    } else if (auto* menu = qobject_cast<QMenu*>(w)) {
        TranslateMenu(menu, done);
    } else if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
               qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w)) {
        TranslateToolTip(w);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        TranslateProperty([group] { return group->title(); },
                          [group](const QString& t) { group->setTitle(t); });
    } else if (auto* nav = qobject_cast<NavigationBar*>(w)) {
        TranslateProperty([nav] { return nav->Caption(); }, [nav](const QString& t) { nav->SetCaption(t); });
    } else if (auto* tool = qobject_cast<QToolButton*>(w)) {
        if (!tool->defaultAction()) // buttons of a toolbar are translated with its actions
            TranslateToolTip(w);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // Push buttons, check boxes and radio buttons.
        TranslateProperty([button] { return button->text(); },
                          [button](const QString& t) { button->setText(t); });
        TranslateToolTip(w);
    } else if (auto* bar = qobject_cast<QToolBar*>(w)) {
        TranslateToolBar(bar, done);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) {
            TranslateProperty([tabs, i] { return tabs->tabText(i); },
                              [tabs, i](const QString& t) { tabs->setTabText(i, t); });
            TranslateProperty([tabs, i] { return tabs->tabToolTip(i); },
                              [tabs, i](const QString& t) { tabs->setTabToolTip(i, t); });
        }
    }
    // Status bar panels are labels and are met as such.
}

} // namespace

void TranslateForm(QWidget* window, bool withCaption) {
    if (!window) return;
    if (withCaption && !window->windowTitle().isEmpty())
        window->setWindowTitle(Translate(window->windowTitle()));
    QSet<QObject*> done;
    for (QWidget* w : window->findChildren<QWidget*>())
        TranslateWidget(w, done);
}

} // namespace soarnote
