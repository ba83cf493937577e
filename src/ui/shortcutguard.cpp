#include "shortcutguard.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

namespace soarnote {

ShortcutGuard::ShortcutGuard(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

ShortcutGuard::~ShortcutGuard() {
    qApp->removeEventFilter(this);
}

void ShortcutGuard::Watch(QAction* action) {
    // The menus belong to the main window, but the pilot types into the
    // conditions window and the table views too.
    action->setShortcutContext(Qt::ApplicationShortcut);
    actions_.emplace_back(action);
}

bool ShortcutGuard::IsOurs(const QKeyEvent* event) const {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    // Plain typing is never one of ours: every menu shortcut has a modifier
    // or is a function key.
    const int key = event->key();
    const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F35;
    if (!functionKey && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QKeySequence typed(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
    for (const QPointer<QAction>& action : actions_) {
        if (!action) continue;
        for (const QKeySequence& shortcut : action->shortcuts())
            if (shortcut == typed) return true;
    }
    return false;
}

bool ShortcutGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Left unaccepted, the key goes on to the shortcut; consumed, the
        // focused box never gets to claim it.
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsOurs(key)) {
            key->ignore();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        // Reaches a widget only when the shortcut did not fire (its command is
        // not offered just now): it must still not edit the text.
        if (watched->isWidgetType() && IsOurs(static_cast<QKeyEvent*>(event))) return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace soarnote
