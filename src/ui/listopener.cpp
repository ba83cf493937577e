#include "listopener.h"

#include "i18n/languagetable.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMouseEvent>

namespace soarnote {

ListOpener* ListOpener::Attach(QComboBox* list, std::function<void()> editList) {
    return new ListOpener(list, std::move(editList));
}

ListOpener::ListOpener(QComboBox* list, std::function<void()> editList)
    : QObject(list), list_(list), editList_(std::move(editList)) {
    dropDown_.setSingleShot(true);
    connect(&dropDown_, &QTimer::timeout, list_, [this] {
        if (list_->isEnabled() && list_->isVisible()) list_->showPopup();
    });
    list_->installEventFilter(this);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &ListOpener::ShowContextMenu);
}

bool ListOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        // The right button brings up the context menu only.
        if (button == Qt::RightButton) return true;
        if (button != Qt::LeftButton || !list_->isEnabled()) break;
        if (dropDown_.isActive()) {
            // The second click in time: the pilot wants the table.
            AskForEditor();
        } else {
            secondClickTaken_ = false;
            dropDown_.start(QApplication::doubleClickInterval());
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // The window system's word for the second press of a double-click.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && list_->isEnabled() &&
            !secondClickTaken_)
            AskForEditor();
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) return true;
        break;
    case QEvent::Hide:
    case QEvent::EnabledChange:
        dropDown_.stop();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void ListOpener::AskForEditor() {
    dropDown_.stop();
    secondClickTaken_ = true;
    editList_();
}

void ListOpener::ShowContextMenu(const QPoint& at) {
    auto* menu = new QMenu(list_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* edit = menu->addAction(Translate("Edit list..."));
    edit->setEnabled(list_->isEnabled());
    connect(edit, &QAction::triggered, this, [this] { editList_(); });
    menu->popup(list_->mapToGlobal(at));
}

} // namespace soarnote
