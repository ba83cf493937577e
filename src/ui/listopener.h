#pragma once
// How a lookup list (glider, location, weather, ...) tells opening its
// drop-down from editing its table. A combo box opens its drop-down on the
// first press, so the second click of a double-click lands in the drop-down
// and the table editor is never reached. The opener holds the drop-down back
// until the double-click interval has passed without a second click; a
// second click in time asks for the editor instead. The list's context menu
// offers "Edit list..." as a route a pilot can find.

#include <QObject>
#include <QTimer>
#include <functional>

class QComboBox;

namespace soarnote {

class ListOpener : public QObject {
    Q_OBJECT
public:
    // Watches list (and is owned by it); editList runs on a double-click or
    // the context menu's item.
    static ListOpener* Attach(QComboBox* list, std::function<void()> editList);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListOpener(QComboBox* list, std::function<void()> editList);
    void AskForEditor();
    void ShowContextMenu(const QPoint& at);

    QComboBox* list_;
    std::function<void()> editList_;
    QTimer dropDown_;
    bool secondClickTaken_ = false; // the double-click that follows is the same request
};

} // namespace soarnote
