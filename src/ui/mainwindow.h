#pragma once
// The main window: shows one flight of the open logbook at a time, moves
// between flights, and starts every command from its menus and toolbar.

#include "core/logbooksession.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPrinter;
class QPushButton;
class QTimer;

namespace soarnote {

class CustomToolBar;
class FlightForm;
class InputPrompt;
class NavigationBar;
class Plot3DWindow;
class Prompts;
class SettingsStore;
class ShortcutGuard;
class StatusPanel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The logbook session, settings and prompts are borrowed and must outlive
    // the window: the program's start-up owns them.
    MainWindow(LogbookSession& session, SettingsStore* settings, Prompts* prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Translates the window, restores its height and toolbar, and opens the
    // logbook of the last run (or creates one when that file is gone).
    void Startup();

    // File commands.
    void OpenDatabaseCommand();
    void NewDatabaseCommand();
    void ArchiveDatabaseCommand();
    void CompactDatabaseCommand();
    // Opens a logbook, asking the upgrade question when it has one.
    OpenOutcome OpenLogbook(const QString& path);

    // Flight commands.
    void ToggleEditMode();
    void NewEntry();
    void DeleteEntry();
    void AssignBaroToFlight();
    void TogglePlotOffsets();

    // Printing: the log after the printer dialog, the two previews, and the
    // log to a PDF file without a dialog.
    void PrintLogCommand();
    void PreviewLogCommand();
    void PreviewFlightCommand();
    void ExportPdfCommand();
    // "&3D Plot": the current flight in the 3D view (one view at a time).
    void Plot3DCommand();
    // The open 3D view, or null.
    Plot3DWindow* Plot3D() const;
    // The box the 3D view asks its typed answers with (the real dialog
    // unless a test hands in its own).
    void SetInputPrompt(InputPrompt* input) { input_ = input; }
    // The printer and page chosen with Printer Setup (the default printer
    // until then).
    QPrinter* Printer();
    // Saves the flight's edited fields; false (after telling the user) when
    // they cannot be saved and the flight must stay on show.
    bool CommitEdits();

    LogbookSession& Session() { return session_; }
    FlightForm* Form() const { return form_; }
    NavigationBar* Navigation() const { return nav_; }
    StatusPanel* Info() const { return info_; }
    CustomToolBar* Toolbar() const { return toolbar_; }
    // A menu item by its caption ("&Enable Edit", "&3D Plot").
    QAction* MenuItem(const QString& caption) const { return menuItems_.value(caption); }
    QPushButton* NewButton() const { return newButton_; }
    QPushButton* DeleteButton() const { return deleteButton_; }

    // A part of the program that works on the open logbook beside this
    // window (device commands, companion windows). It is deleted with the
    // window, first, while the logbook is still open.
    void Attach(QObject* part) { attached_.push_back(part); }

    // A transfer that must end before the logbook may be closed or changed,
    // and how to stop it (Escape, the cancel button, or Exit).
    void AddTransferCheck(std::function<bool()> busy, std::function<void()> cancel);
    // A transfer's progress bar, placed before the cancel button.
    void AddProgressBar(QWidget* bar);
    // True (after telling the user) while a transfer runs.
    bool TransferRunning();
    // A read-only logbook takes no edits and no downloads: says so and
    // returns true.
    bool RefuseReadOnly();
    // Offers the 3D view when the flight on show has a track (a download may
    // just have linked one).
    void RefreshPlotCommand();
    // Stops every running transfer; false when one is still running after.
    bool CancelTransfers();
    QPushButton* CancelButton() const { return cancelButton_; }

    static int TwipsToPixels(int twips, const QWidget* widget);
    static int PixelsToTwips(int pixels, const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildCentral();
    QAction* AddItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut = {},
                     void (MainWindow::*slot)() = nullptr);
    void ApplyEditMode(bool on);
    void OnLogbookOpened(const QString& path);
    void OnReposition();
    void OnPositionEntered(const QString& text);
    void ReloadLookups();
    bool HandleNavigationKey(int key);
    Answer AskConvertTimeOffset();
    void ShowFileError(const QString& title, const LogbookProblem& problem);
    bool AskReplace(const QString& name);
    void ShowHelpContents();
    void PrinterSetup();
    void FitWidth();

    SettingsStore* settings_;
    Prompts* prompts_;
    LogbookSession& session_;
    std::unique_ptr<QPrinter> printer_;

    FlightForm* form_ = nullptr;
    NavigationBar* nav_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    StatusPanel* info_ = nullptr;
    CustomToolBar* toolbar_ = nullptr;
    ShortcutGuard* shortcuts_ = nullptr;
    QHash<QString, QAction*> menuItems_;
    struct Transfer {
        std::function<bool()> busy;
        std::function<void()> cancel;
    };
    bool AnyTransferBusy() const;
    void FollowTransfers();

    std::vector<Transfer> transfers_;
    QPushButton* cancelButton_ = nullptr;
    QTimer* transferWatch_ = nullptr;
    std::vector<QPointer<QObject>> attached_;
    bool committing_ = false;
    QPointer<Plot3DWindow> plot3d_;
    InputPrompt* input_ = nullptr;
};

} // namespace soarnote
