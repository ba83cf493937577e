#pragma once
// Lets the program's own shortcuts win over the editing keys of text boxes.
// A line edit claims Ctrl+U (delete the line), Ctrl+E (end of line) and more
// before the menus see them, so a pilot who types Ctrl+U to download the log
// would instead erase the field and save the loss. Installed once on the
// application, the guard hands every key that is one of the watched actions'
// shortcuts to the shortcut system, and never lets such a key reach a text
// box, also while its action is disabled.

#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QKeyEvent;

namespace soarnote {

class ShortcutGuard : public QObject {
    Q_OBJECT
public:
    explicit ShortcutGuard(QObject* parent = nullptr);
    ~ShortcutGuard() override;

    // The action's shortcuts are ours wherever the focus is in the program.
    void Watch(QAction* action);
    // True when the key event is the shortcut of a watched action.
    bool IsOurs(const QKeyEvent* event) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QPointer<QAction>> actions_;
};

} // namespace soarnote
