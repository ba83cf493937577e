#pragma once
// The main toolbar: icon buttons, each with a key, that the user can take
// off, put back and reorder (double-click the bar or use its context menu).
// The arrangement is a text of button keys, "-" for a separator, and is
// reported after every change so that it can be saved.

#include <QDialog>
#include <QMap>
#include <QToolBar>

class QListWidget;

namespace soarnote {

class CustomToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CustomToolBar(QWidget* parent = nullptr);

    // Registers a button; the default arrangement shows buttons in the order
    // they are added, with separators where AddDefaultSeparator was called.
    void AddButton(const QString& key, QAction* action);
    void AddDefaultSeparator();
    QAction* Button(const QString& key) const { return buttons_.value(key); }
    QStringList Keys() const { return order_; }

    QString Arrangement() const;
    static QString DefaultArrangementOf(const QStringList& items);
    QString DefaultArrangement() const { return DefaultArrangementOf(defaultItems_); }
    // Unknown keys are skipped; an empty text gives the default arrangement.
    void SetArrangement(const QString& arrangement);
    QStringList ArrangementItems() const;
    // Shows exactly these items (keys and "-"); notify reports the change.
    void SetItems(const QStringList& items, bool notify);

    void Customize();

signals:
    void ArrangementChanged(const QString& arrangement);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QMap<QString, QAction*> buttons_;
    QStringList order_;
    QStringList defaultItems_;
};

// The "Customize Toolbar" dialog: available buttons and the bar's buttons
// side by side; every change is applied to the bar at once.
class ToolbarCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ToolbarCustomizeDialog(CustomToolBar* bar, QWidget* parent = nullptr);
    QListWidget* Available() const { return available_; }
    QListWidget* Current() const { return current_; }

    void AddSelected();
    void RemoveSelected();
    void MoveSelected(int step);
    void ResetToDefault();

private:
    void Fill(const QStringList& items, int selectRow);
    void ApplyList();
    void Change(const QStringList& items, int selectRow);

    CustomToolBar* bar_;
    QListWidget* available_;
    QListWidget* current_;
    bool filling_ = false;
};

} // namespace soarnote
