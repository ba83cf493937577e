#pragma once
// The windows the main window opens besides itself: the totals and
// conditions windows beside it, the table editor, the options dialog and the
// about box. One object owns them for the main window, follows the open
// logbook and the current flight for them, and offers a slot for each menu
// item that opens one.

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace soarnote {

class AboutBox;
class ConditionsWindow;
class LogbookSession;
class MainWindow;
class OptionsDialog;
class Prompts;
class SettingsStore;
class TableEditor;
class TotalsWindow;

// Places a companion window beside the main window: its left edge at the
// main window's right edge and its top at the main window's top, or, when
// the other companion is shown there already, just below that one.
void PlaceCompanion(QWidget* companion, QWidget* main, QWidget* otherCompanionOrNull);

class CompanionWindows : public QObject {
    Q_OBJECT
public:
    // All four are borrowed: settings and prompts must outlive this object;
    // it may be a child of the main window (parent).
    CompanionWindows(MainWindow& main, LogbookSession& session, SettingsStore& settings, Prompts& prompts,
                     QObject* parent = nullptr);
    ~CompanionWindows() override;

    // Connects the main window's menu items, the toolbar button that follows
    // "Link &Tracks", the "Conditions" button and the double-click on its
    // lists to the slots below, and enables them.
    void ConnectMenus();

    // The windows now open (null when closed).
    TotalsWindow* Totals() const;
    ConditionsWindow* Conditions() const;
    TableEditor* TableView() const;
    OptionsDialog* Options() const;
    AboutBox* About() const;

public slots:
    // "&Totals" and "Conditions": show (placed beside the main window) or close.
    void ShowTotals(bool show);
    void ShowConditions(bool show);
    // The "Conditions" button: as the menu item.
    void ToggleConditions();

    // Shows the table editor on a table of the logbook; editButtons shows
    // Cancel and Apply and links instead of editing. When an editor is
    // already open says so and opens nothing. Once a modal editor is closed
    // (a modeless one: at once, and again when it closes) the main window's
    // data is read again: the flights re-sorted by sort after LogData, a
    // lookup list after its table. False when nothing was opened.
    bool ViewTable(const QString& table, const QString& caption, const QString& sort, bool editButtons,
                   bool modal);
    // Double-click on one of the main window's lookup lists ("Glider", "Locations", "XCType", "Type").
    void EditLookupTable(const QString& table);
    void EditGliders();
    void EditLocations();
    void EditXcTypes();
    void EditFlightTypes();
    void EditWeather(); // not on the menu: the conditions window's list does it
    void EditWind();
    void EditLogData();
    void EditTracks();
    void EditTrackData();
    void EditBaroData();
    // "Link &Tracks": the tracks, to link the selected ones to the current flight.
    void LinkTracks();

    // "&Options" and "&About": modal.
    void ShowOptions();
    void ShowAbout();

    // Closes every window (the main window is closing). Call before the
    // logbook is closed.
    void CloseAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnReposition();
    void OnLogbookOpened();
    void FillConditionsLists();
    void ShowFlightConditions();
    void RereadSource(const QString& table, const QString& sort);
    void OnTotalsClosed();
    void OnConditionsClosed();

    MainWindow& main_;
    LogbookSession& session_;
    SettingsStore& settings_;
    Prompts& prompts_;
    QPointer<TotalsWindow> totals_;
    QPointer<ConditionsWindow> conditions_;
    QPointer<TableEditor> tableEditor_;
    QPointer<OptionsDialog> options_;
    QPointer<AboutBox> about_;
};

} // namespace soarnote
