#include "customtoolbar.h"

#include "i18n/languagetable.h"
#include "translateform.h"

#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace soarnote {

namespace {
const QString kSeparator = QStringLiteral("-");
}

CustomToolBar::CustomToolBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("Toolbar1"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(24, 24));
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void CustomToolBar::AddButton(const QString& key, QAction* action) {
    action->setParent(this);
    action->setObjectName(key);
    buttons_.insert(key, action);
    order_ << key;
    defaultItems_ << key;
    addAction(action);
}

void CustomToolBar::AddDefaultSeparator() {
    defaultItems_ << kSeparator;
    addSeparator();
}

QString CustomToolBar::DefaultArrangementOf(const QStringList& items) {
    return items.join(QLatin1Char(','));
}

QStringList CustomToolBar::ArrangementItems() const {
    QStringList items;
    for (QAction* a : actions())
        items << (a->isSeparator() ? kSeparator : a->objectName());
    return items;
}

QString CustomToolBar::Arrangement() const {
    // An empty bar is kept as "," so that it is not mistaken for no setting.
    const QStringList items = ArrangementItems();
    return items.isEmpty() ? QStringLiteral(",") : items.join(QLatin1Char(','));
}

void CustomToolBar::SetArrangement(const QString& arrangement) {
    if (arrangement.trimmed().isEmpty()) {
        SetItems(defaultItems_, false);
        return;
    }
    QStringList items;
    for (const QString& raw : arrangement.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = raw.trimmed();
        if (key == kSeparator || (buttons_.contains(key) && !items.contains(key))) items << key;
    }
    SetItems(items, false);
}

void CustomToolBar::SetItems(const QStringList& items, bool notify) {
    for (QAction* a : actions()) {
        removeAction(a);
        if (a->isSeparator()) delete a; // made by addSeparator, owned by the bar
    }
    for (const QString& key : items) {
        if (key == kSeparator)
            addSeparator();
        else if (QAction* a = buttons_.value(key))
            addAction(a);
    }
    if (notify) emit ArrangementChanged(Arrangement());
}

void CustomToolBar::Customize() {
    ToolbarCustomizeDialog dialog(this, window());
    dialog.exec();
}

void CustomToolBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QToolBar::mouseDoubleClickEvent(event);
    Customize();
}

void CustomToolBar::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(Translate("Customize Toolbar..."), this, &CustomToolBar::Customize);
    menu.addAction(Translate("Reset Toolbar"), this, [this] { SetItems(defaultItems_, true); });
    menu.exec(event->globalPos());
}

ToolbarCustomizeDialog::ToolbarCustomizeDialog(CustomToolBar* bar, QWidget* parent)
    : QDialog(parent), bar_(bar), available_(new QListWidget(this)), current_(new QListWidget(this)) {
    setObjectName(QStringLiteral("ToolbarCustomize"));
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    available_->setObjectName(QStringLiteral("AvailableButtons"));
    current_->setObjectName(QStringLiteral("ToolbarButtons"));
    current_->setDragDropMode(QAbstractItemView::InternalMove);
    available_->setIconSize(bar->iconSize());
    current_->setIconSize(bar->iconSize());

    auto* add = new QPushButton(QStringLiteral("&Add ->"), this);
    auto* remove = new QPushButton(QStringLiteral("<- &Remove"), this);
    auto* up = new QPushButton(QStringLiteral("Move &Up"), this);
    auto* down = new QPushButton(QStringLiteral("Move &Down"), this);
    auto* reset = new QPushButton(QStringLiteral("Rese&t"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addSpacing(12);
    middle->addWidget(up);
    middle->addWidget(down);
    middle->addSpacing(12);
    middle->addWidget(reset);
    middle->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Available buttons:"), this));
    left->addWidget(available_);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Toolbar buttons:"), this));
    right->addWidget(current_);

    auto* lists = new QHBoxLayout;
    lists->addLayout(left);
    lists->addLayout(middle);
    lists->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(buttons);

    connect(add, &QPushButton::clicked, this, &ToolbarCustomizeDialog::AddSelected);
    connect(available_, &QListWidget::itemDoubleClicked, this, &ToolbarCustomizeDialog::AddSelected);
    connect(remove, &QPushButton::clicked, this, &ToolbarCustomizeDialog::RemoveSelected);
    connect(current_, &QListWidget::itemDoubleClicked, this, &ToolbarCustomizeDialog::RemoveSelected);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(reset, &QPushButton::clicked, this, &ToolbarCustomizeDialog::ResetToDefault);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(current_->model(), &QAbstractItemModel::rowsMoved, this, &ToolbarCustomizeDialog::ApplyList);

    TranslateForm(this, true);
    Fill(bar_->ArrangementItems(), 0);
    resize(520, 420);
}

void ToolbarCustomizeDialog::Fill(const QStringList& items, int selectRow) {
    // The lists' views must hear of every change (a blocked model leaves
    // them drawing rows over each other); only the re-arranging is held.
    const QScopedValueRollback<bool> filling(filling_, true);
    available_->clear();
    current_->clear();
    auto makeItem = [this](const QString& key) {
        auto* item = new QListWidgetItem;
        item->setData(Qt::UserRole, key);
        if (key == kSeparator) {
            item->setText(Translate("Separator"));
        } else {
            QAction* a = bar_->Button(key);
            item->setText(a->toolTip());
            item->setIcon(a->icon());
        }
        return item;
    };
    // A separator can always be added again.
    available_->addItem(makeItem(kSeparator));
    for (const QString& key : bar_->Keys())
        if (!items.contains(key)) available_->addItem(makeItem(key));
    for (const QString& key : items)
        current_->addItem(makeItem(key));
    if (current_->count() > 0) current_->setCurrentRow(std::clamp(selectRow, 0, current_->count() - 1));
    available_->setCurrentRow(0);
}

void ToolbarCustomizeDialog::Change(const QStringList& items, int selectRow) {
    bar_->SetItems(items, true);
    Fill(bar_->ArrangementItems(), selectRow);
}

void ToolbarCustomizeDialog::ApplyList() {
    if (filling_) return;
    QStringList items;
    for (int i = 0; i < current_->count(); ++i)
        items << current_->item(i)->data(Qt::UserRole).toString();
    bar_->SetItems(items, true);
}

void ToolbarCustomizeDialog::AddSelected() {
    QListWidgetItem* item = available_->currentItem();
    if (!item) return;
    QStringList items = bar_->ArrangementItems();
    const int at = current_->currentRow() < 0 ? int(items.size()) : current_->currentRow() + 1;
    items.insert(std::min<qsizetype>(at, items.size()), item->data(Qt::UserRole).toString());
    Change(items, at);
}

void ToolbarCustomizeDialog::RemoveSelected() {
    const int row = current_->currentRow();
    QStringList items = bar_->ArrangementItems();
    if (row < 0 || row >= items.size()) return;
    items.removeAt(row);
    Change(items, row);
}

void ToolbarCustomizeDialog::MoveSelected(int step) {
    const int row = current_->currentRow();
    QStringList items = bar_->ArrangementItems();
    if (row < 0 || row + step < 0 || row + step >= items.size()) return;
    items.move(row, row + step);
    Change(items, row + step);
}

void ToolbarCustomizeDialog::ResetToDefault() {
    bar_->SetArrangement(QString());
    Change(bar_->ArrangementItems(), 0);
}

} // namespace soarnote
