#pragma once
// The table editor: one table of the logbook in an editable grid. In normal
// mode rows can be added, edited and deleted (deleting a track can take its
// points with it); in link mode the grid is read-only and the selected rows
// (tracks) are linked to the main window's current flight. The window's size
// and every column width are remembered per table.

#include <QDialog>
#include <QList>
#include <QSize>
#include <QString>
#include <vector>

class QPushButton;
class QTableView;

namespace soarnote {

class LogbookSession;
class LogbookTableModel;
class NavigationBar;
class Prompts;
class SettingsStore;

class TableEditor : public QDialog {
    Q_OBJECT
public:
    // session, settings and prompts are borrowed and must outlive the window.
    TableEditor(LogbookSession& session, SettingsStore& settings, Prompts& prompts,
                QWidget* parent = nullptr);
    ~TableEditor() override;

    // Shows a table of the open logbook: caption names it, sort orders it
    // ("StartTime DESC"; empty for the stored order), link mode shows Cancel
    // and Apply and makes the grid read-only. False (and nothing shown) when
    // the table cannot be read.
    bool Open(const QString& table, const QString& caption, const QString& sort, bool linkMode, bool modal);

    const QString& Table() const { return table_; }
    const QString& Sort() const { return sort_; }
    bool LinkMode() const { return linkMode_; }

    // The grid's delete request: asks, deletes the selected rows (or the
    // current one) and, for tracks, their points when the pilot agrees.
    void DeleteSelectedRows();
    // Adds an empty row at the end and starts editing it.
    void AddRow();
    // Apply: links the selected rows to the current flight.
    void LinkSelectedRows();
    // Double-click on a LandFile cell: choose the landscape of that track.
    void AttachLandFile(int row);
    // Closes without questions and without saving edits (the logbook went away).
    void CloseQuietly();

    // Rows selected in the grid, in the order they were selected.
    QList<int> SelectedRows() const;

    QTableView* Grid() const { return grid_; }
    LogbookTableModel* Model() const { return model_; }
    NavigationBar* Navigation() const { return navigation_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* ApplyButton() const { return apply_; }

signals:
    // Tracks were given to a flight.
    void TracksLinked();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row of a line by its ID, reading further rows as needed; -1 when none.
    int RowOfId(qint64 id);
    void RestoreGeometry();
    // Pixels a column needs for its shown texts.
    int ContentWidth(int column) const;
    void SaveGeometry();
    void ShowPosition();
    void GoToRow(int row);
    void ShowWriteError(const QString& error);

    LogbookSession& session_;
    SettingsStore& settings_;
    Prompts& prompts_;
    QString table_;
    QString sort_;
    bool linkMode_ = false;
    bool quiet_ = false;

    LogbookTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    NavigationBar* navigation_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;

    // The stored sizes as read (twips) and what they came to in pixels, so
    // that an unchanged size is written back exactly as it was read.
    QSize restoredSize_;
    QSize restoredSizeTwips_;
    std::vector<int> restoredColumns_;
    std::vector<int> restoredColumnsTwips_;
};

} // namespace soarnote
