#include "tableeditor.h"

#include "kit/prompts.h"
#include "mainwindow.h"
#include "navigationbar.h"

#include "core/logbooksession.h"
#include "core/numbertext.h"
#include "core/programfolder.h"
#include "core/tableaccess.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSqlError>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace soarnote {

namespace {

// The least height of the window, in twips.
constexpr int kMinimumHeightTwips = 2000;

// Significant digits of a number shown in the grid.
constexpr int kShownDigits = 9;
// A column sized to its content on first opening grows no wider than this.
constexpr int kWidestColumnTwips = 6000;

// A cell is edited in the form it is shown in (a date as a date), not as stored.
class ShownTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setText(index.data(Qt::DisplayRole).toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            model->setData(index, line->text(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
    // A number is shown with the digits that mean something (a latitude
    // converted from the receiver's units has 13 decimals of noise); the
    // editor still starts from the full value.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* model = qobject_cast<const LogbookTableModel*>(index.model());
        if (!model) return;
        const FieldType type = model->TypeOf(index.column());
        if (type != FieldType::Double && type != FieldType::Single) return;
        const QVariant stored = index.data(Qt::EditRole);
        bool ok = false;
        const double value = stored.toDouble(&ok);
        if (ok && !stored.isNull()) option->text = PlainNumberText(value, kShownDigits);
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        // Every field is typed as text, numbers and dates too.
        Q_UNUSED(option);
        Q_UNUSED(index);
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        return line;
    }
};

} // namespace

TableEditor::TableEditor(LogbookSession& session, SettingsStore& settings, Prompts& prompts, QWidget* parent)
    : QDialog(parent), session_(session), settings_(settings), prompts_(prompts) {
    setObjectName(QStringLiteral("frmTable"));
    setWindowTitle(QStringLiteral("Table Data Editor"));
    if (parent) setWindowIcon(parent->windowIcon());
    setSizeGripEnabled(true);

    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("DBGrid1"));
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->setItemDelegate(new ShownTextDelegate(grid_));

    navigation_ = new NavigationBar(this);
    navigation_->setObjectName(QStringLiteral("Data1"));
    const char* buttons[][2] = {{"LogDataFirst", "First line"},
                                {"LogDataPrevious", "Previous line"},
                                {"LogDataNext", "Next line"},
                                {"LogDataLast", "Last line"}};
    for (const auto& b : buttons)
        if (auto* button = navigation_->findChild<QToolButton*>(QString::fromLatin1(b[0])))
            button->setToolTip(QString::fromLatin1(b[1]));
    navigation_->PositionBox()->setToolTip(
        QStringLiteral("Position of the line; type a number and press Enter to go there"));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("Command1"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("Command2"));
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setObjectName(QStringLiteral("Command3"));
    apply_->setToolTip(QStringLiteral("Link the selected lines to the current flight"));
    // Enter belongs to the grid's cells, not to a button.
    for (QPushButton* b : {ok_, cancel_, apply_})
        b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(navigation_);
    bottom->addStretch(1);
    bottom->addWidget(apply_);
    bottom->addWidget(cancel_);
    bottom->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);
    setMinimumHeight(MainWindow::TwipsToPixels(kMinimumHeightTwips, this));

    auto* addAction = new QAction(QStringLiteral("Add line"), grid_);
    addAction->setShortcut(QKeySequence(Qt::Key_Insert));
    addAction->setShortcutContext(Qt::WidgetShortcut); // the keys are handled by the grid itself
    auto* deleteAction = new QAction(QStringLiteral("Delete selected lines"), grid_);
    deleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    grid_->addAction(addAction);
    grid_->addAction(deleteAction);
    connect(addAction, &QAction::triggered, this, &TableEditor::AddRow);
    connect(deleteAction, &QAction::triggered, this, &TableEditor::DeleteSelectedRows);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &TableEditor::LinkSelectedRows);
    connect(navigation_, &NavigationBar::FirstRequested, this, [this] { GoToRow(0); });
    connect(navigation_, &NavigationBar::PreviousRequested, this,
            [this] { GoToRow(std::max(0, grid_->currentIndex().row() - 1)); });
    connect(navigation_, &NavigationBar::NextRequested, this,
            [this] { GoToRow(grid_->currentIndex().row() + 1); });
    connect(navigation_, &NavigationBar::LastRequested, this, [this] {
        while (model_ && model_->canFetchMore())
            model_->fetchMore();
        GoToRow(model_ ? model_->rowCount() - 1 : -1);
    });
    connect(navigation_, &NavigationBar::PositionEntered, this, [this](const QString& text) {
        bool ok = false;
        const int position = text.trimmed().toInt(&ok);
        if (ok) GoToRow(position - 1);
        ShowPosition();
    });
}

TableEditor::~TableEditor() = default;

bool TableEditor::Open(const QString& table, const QString& caption, const QString& sort, bool linkMode,
                       bool modal) {
    if (!session_.IsOpen()) return false;
    table_ = table;
    sort_ = sort;
    linkMode_ = linkMode;
    quiet_ = false;

    auto* model = new LogbookTableModel(session_.Db(), this);
    QString error;
    if (!model->Open(table, sort, &error)) {
        delete model;
        prompts_.Inform(parentWidget(), QString(), error, QMessageBox::Warning);
        return false;
    }
    grid_->setModel(model);
    delete model_;
    model_ = model;
    connect(model_, &LogbookTableModel::WriteFailed, this, &TableEditor::ShowWriteError);
    connect(model_, &LogbookTableModel::ValueRefused, this,
            [this](const QString& field, const QString& text, const QString& reason) {
                prompts_.Inform(this, QString(),
                                Translate("This value does not fit its field:") + QLatin1Char('\n') +
                                    QStringLiteral("%1: \"%2\" - %3").arg(field, text, Translate(reason)),
                                QMessageBox::Warning);
            });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TableEditor::ShowPosition);
    connect(model_, &QAbstractItemModel::modelReset, this, &TableEditor::ShowPosition);

    navigation_->SetCaption(caption);
    setWindowTitle(QStringLiteral("Table Data Editor - ") + caption);
    cancel_->setVisible(linkMode);
    apply_->setVisible(linkMode);
    if (linkMode) {
        // Clicking rows one after another builds the selection to link.
        grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid_->setSelectionMode(QAbstractItemView::MultiSelection);
    } else {
        grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
        grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
        grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    for (QAction* action : grid_->actions())
        action->setEnabled(!linkMode);

    RestoreGeometry();
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    show();
    raise();
    activateWindow();
    ShowPosition();
    return true;
}

void TableEditor::RestoreGeometry() {
    const QSize twips(settings_.Int(TableWidthKey(table_)), settings_.Int(TableHeightKey(table_)));
    restoredSizeTwips_ = twips;
    if (layout()) layout()->activate(); // the least size the controls need
    resize(MainWindow::TwipsToPixels(twips.width(), this), MainWindow::TwipsToPixels(twips.height(), this));
    restoredSize_ = size();

    QHeaderView* header = grid_->horizontalHeader();
    const int columns = model_ ? model_->columnCount() : 0;
    restoredColumns_.assign(columns, 0);
    restoredColumnsTwips_.assign(columns, 0);
    for (int i = 0; i < columns; ++i) {
        grid_->setColumnHidden(i, false);
        const SettingKey key = TableColumnWidthKey(table_, i);
        int width = settings_.Int(key);
        if (!settings_.Contains(key.section, key.key)) {
            // Never set by the pilot: at least as wide as what it shows
            // (a whole date and time), kept from then on.
            const int content = std::max(ContentWidth(i), header->sectionSizeHint(i));
            width = std::max(width, std::min(MainWindow::PixelsToTwips(content, this), kWidestColumnTwips));
        }
        restoredColumnsTwips_[i] = width;
        header->resizeSection(i, MainWindow::TwipsToPixels(width, this));
        restoredColumns_[i] = header->sectionSize(i);
    }
    // The row identifier is the database's business, not the pilot's.
    if (columns > 0 && model_->TypeOf(0) == FieldType::AutoNumber) grid_->setColumnHidden(0, true);
}

int TableEditor::ContentWidth(int column) const {
    // The rows read so far stand for the rest.
    const int margin =
        2 * (grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1) + 8;
    const QFontMetrics metrics = grid_->fontMetrics();
    int widest = 0;
    for (int row = 0; row < std::min(model_->rowCount(), 200); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(model_->index(row, column).data().toString()));
    return widest + margin;
}

void TableEditor::SaveGeometry() {
    if (table_.isEmpty()) return;
    const int width = size().width() == restoredSize_.width()
                          ? restoredSizeTwips_.width()
                          : MainWindow::PixelsToTwips(size().width(), this);
    const int height = size().height() == restoredSize_.height()
                           ? restoredSizeTwips_.height()
                           : MainWindow::PixelsToTwips(size().height(), this);
    settings_.Write(TableWidthKey(table_), NumberText(width));
    settings_.Write(TableHeightKey(table_), NumberText(height));
    QHeaderView* header = grid_->horizontalHeader();
    for (int i = 0; i < static_cast<int>(restoredColumns_.size()); ++i) {
        // A hidden column keeps the width it had.
        const int pixels = grid_->isColumnHidden(i) ? restoredColumns_[i] : header->sectionSize(i);
        const int twips = pixels == restoredColumns_[i] ? restoredColumnsTwips_[i]
                                                        : MainWindow::PixelsToTwips(pixels, this);
        settings_.Write(TableColumnWidthKey(table_, i), NumberText(twips));
    }
    settings_.Sync();
}

QList<int> TableEditor::SelectedRows() const {
    QList<int> rows;
    if (!grid_->selectionModel()) return rows;
    const QModelIndexList indexes =
        linkMode_ ? grid_->selectionModel()->selectedRows() : grid_->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : indexes)
        if (!rows.contains(index.row())) rows << index.row();
    return rows;
}

void TableEditor::ShowPosition() {
    navigation_->ShowPosition(model_ ? grid_->currentIndex().row() : -1, model_ ? model_->rowCount() : 0);
}

void TableEditor::GoToRow(int row) {
    if (!model_ || row < 0) return;
    while (row >= model_->rowCount() && model_->canFetchMore())
        model_->fetchMore();
    if (row >= model_->rowCount()) return;
    int column = grid_->currentIndex().isValid() ? grid_->currentIndex().column() : 0;
    while (column < model_->columnCount() - 1 && grid_->isColumnHidden(column))
        ++column;
    const QModelIndex index = model_->index(row, column);
    // Moving through the lines never disturbs the selection to link.
    grid_->selectionModel()->setCurrentIndex(index, linkMode_ ? QItemSelectionModel::NoUpdate
                                                              : QItemSelectionModel::ClearAndSelect);
    grid_->scrollTo(index);
}

void TableEditor::DeleteSelectedRows() {
    if (linkMode_ || !model_) return;
    QList<int> rows = SelectedRows();
    if (rows.isEmpty() && grid_->currentIndex().isValid()) rows << grid_->currentIndex().row();
    if (rows.isEmpty()) return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());

    // A glider, site or type still used by flights leaves them blank when it
    // goes: the pilot is told how many before deciding.
    QList<qint64> ids;
    for (int row : rows) {
        const QVariant id = model_->Stored(row, QStringLiteral("ID"));
        if (!id.isNull()) ids << id.toLongLong();
    }
    QString countError;
    const int users = FlightsUsingLookup(session_.Db(), table_, ids, &countError);
    QString question = Translate("Delete selected lines?");
    QMessageBox::Icon icon = QMessageBox::Question;
    if (users != 0) {
        icon = QMessageBox::Warning;
        question +=
            QStringLiteral("\n\n") +
            (users > 0
                 ? Translate("Flights using them:") + QLatin1Char(' ') + QString::number(users) +
                       QLatin1Char('\n') + Translate("These flights will show an empty field.")
                 : Translate("Could not count the flights using them:") + QLatin1Char(' ') + countError);
    }
    const bool remove = prompts_.Ask(this, QString(), question, QMessageBox::Ok | QMessageBox::Cancel,
                                     icon) == QMessageBox::Ok;
    // A track's points may go with it, and may go even when the track stays;
    // tracks and points go in one transaction.
    if (table_ == QLatin1String("Tracks")) {
        TrackDeletion what;
        what.tracks = remove;
        what.points =
            prompts_.Ask(this, QString(), Translate("Delete linked lines?"),
                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) == QMessageBox::Ok;
        QString error;
        if ((what.tracks || what.points) && DeleteTracks(session_.Db(), ids, what, &error) < 0)
            ShowWriteError(error);
        model_->select();
        ShowPosition();
        return;
    }
    if (!remove) return;
    for (int row : rows) {
        if (!model_->removeRow(row)) {
            ShowWriteError(model_->lastError().text());
            break;
        }
    }
    model_->select();
    ShowPosition();
}

void TableEditor::AddRow() {
    if (linkMode_ || !model_) return;
    while (model_->canFetchMore())
        model_->fetchMore();
    const int row = model_->rowCount();
    if (!model_->insertRow(row)) {
        ShowWriteError(model_->lastError().text());
        return;
    }
    int column = 0;
    while (column < model_->columnCount() - 1 && grid_->isColumnHidden(column))
        ++column;
    // Edited where it is: making it the current row would write it before
    // anything is typed into it.
    const QModelIndex index = model_->index(row, column);
    grid_->scrollTo(index);
    grid_->edit(index);
}

void TableEditor::LinkSelectedRows() {
    if (!model_ || table_ != QLatin1String("Tracks")) return;
    const QList<int> rows = SelectedRows();
    LogDataSet& flights = session_.Flights();
    if (rows.isEmpty() || !flights.HasCurrent()) return;
    QList<qint64> ids;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const QVariant id = model_->Stored(*it, QStringLiteral("ID"));
        if (!id.isNull()) ids << id.toLongLong();
    }
    QString error;
    if (LinkTracksToFlight(session_.Db(), ids, flights.Current().Id(), &error) < 0) {
        ShowWriteError(error);
        return;
    }
    // Shows the new links; the line the pilot was on stays current.
    const QVariant currentId = grid_->currentIndex().isValid()
                                   ? model_->Stored(grid_->currentIndex().row(), QStringLiteral("ID"))
                                   : QVariant();
    model_->select();
    if (!currentId.isNull()) GoToRow(RowOfId(currentId.toLongLong()));
    ShowPosition();
    emit TracksLinked();
}

int TableEditor::RowOfId(qint64 id) {
    for (int row = 0;; ++row) {
        if (row >= model_->rowCount()) {
            if (!model_->canFetchMore()) return -1;
            model_->fetchMore();
            if (row >= model_->rowCount()) return -1;
        }
        if (model_->Stored(row, QStringLiteral("ID")).toLongLong() == id) return row;
    }
}

void TableEditor::AttachLandFile(int row) {
    if (!model_) return;
    const int column = model_->ColumnOf(QStringLiteral("LandFile"));
    if (column < 0 || row < 0 || row >= model_->rowCount()) return;
    const QString stored = model_->Stored(row, QStringLiteral("LandFile")).toString();
    const QString start = stored.isEmpty()                 ? QString()
                          : QFileInfo(stored).isRelative() ? ProgramFolder::File(stored)
                                                           : stored;
    const QString chosen = prompts_.OpenFileNameAt(
        this, Translate("Attach Land File"),
        Translate("XYZ Files") + QStringLiteral(" (*.xyz)|*.xyz|All Files (*.*)|*.*"), start);
    if (chosen.isEmpty()) return;
    const QString reference = LandFileReference(chosen, ProgramFolder::Path());
    if (model_->setData(model_->index(row, column), reference)) model_->submit();
}

void TableEditor::ShowWriteError(const QString& error) {
    prompts_.Inform(this, QString(), Translate("The change could not be saved.") + QLatin1Char('\n') + error,
                    QMessageBox::Warning);
}

void TableEditor::CloseQuietly() {
    quiet_ = true;
    if (isVisible()) done(QDialog::Rejected);
    // Let go of the logbook at once: it is being closed.
    grid_->setModel(nullptr);
    delete model_;
    model_ = nullptr;
}

void TableEditor::done(int result) {
    if (!quiet_ && model_) {
        if (linkMode_ && !SelectedRows().isEmpty()) {
            const auto answer =
                prompts_.Ask(this, QString(), Translate("Change link of current selected line"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
            if (answer == QMessageBox::Yes)
                LinkSelectedRows();
            else if (answer != QMessageBox::No)
                return; // stays open
        }
        // A cell still being edited belongs to the row it was typed in.
        if (QWidget* focus = QApplication::focusWidget(); focus && grid_->viewport()->isAncestorOf(focus))
            grid_->setFocus();
        model_->DropEmptyNewRow();
        if (model_->isDirty() && !model_->submitAll()) {
            const auto answer =
                prompts_.Ask(this, Translate("Line not saved"),
                             Translate("The change could not be saved.") + QLatin1Char('\n') +
                                 model_->lastError().text() + QStringLiteral("\n\n") +
                                 Translate("Press OK to correct it, or Discard to drop your changes."),
                             QMessageBox::Ok | QMessageBox::Discard, QMessageBox::Warning);
            if (answer != QMessageBox::Discard) return;
            model_->revertAll();
        }
    }
    SaveGeometry();
    QDialog::done(result);
}

bool TableEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress && model_) {
        // The rows are read in portions: the last line is the table's last,
        // not the last one read so far.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_End) {
            while (model_->canFetchMore())
                model_->fetchMore();
            GoToRow(model_->rowCount() - 1);
            return true;
        }
        if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_Home) {
            GoToRow(0);
            return true;
        }
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress && !linkMode_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            DeleteSelectedRows();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Insert) {
            AddRow();
            return true;
        }
    }
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonDblClick && model_) {
        const QModelIndex index = grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (index.isValid() &&
            model_->headerData(index.column(), Qt::Horizontal).toString() == QLatin1String("LandFile")) {
            AttachLandFile(index.row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace soarnote
