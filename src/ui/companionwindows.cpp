#include "companionwindows.h"

#include "aboutbox.h"
#include "conditionswindow.h"
#include "flightform.h"
#include "kit/prompts.h"
#include "mainwindow.h"
#include "optionsdialog.h"
#include "tableeditor.h"
#include "totalswindow.h"

#include "core/flightstore.h"
#include "core/logbooksession.h"
#include "i18n/languagetable.h"

#include <QAction>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

namespace soarnote {

namespace {

const QString kTotalsItem = QStringLiteral("&Totals");
const QString kConditionsItem = QStringLiteral("Conditions");

bool IsMainWindowLookup(const QString& table) {
    return table == QLatin1String("Glider") || table == QLatin1String("Locations") ||
           table == QLatin1String("XCType") || table == QLatin1String("Type");
}

} // namespace

void PlaceCompanion(QWidget* companion, QWidget* main, QWidget* otherCompanionOrNull) {
    if (!companion || !main) return;
    const QRect mainFrame = main->frameGeometry();
    int top = mainFrame.top();
    QWidget* other = otherCompanionOrNull;
    if (other && other != companion && other->isVisible() && other->frameGeometry().top() == mainFrame.top())
        top = other->frameGeometry().bottom() + 1;
    companion->move(mainFrame.right() + 1, top);
}

CompanionWindows::CompanionWindows(MainWindow& main, LogbookSession& session, SettingsStore& settings,
                                   Prompts& prompts, QObject* parent)
    : QObject(parent), main_(main), session_(session), settings_(settings), prompts_(prompts) {
    connect(&session_.Flights(), &LogDataSet::Repositioned, this, &CompanionWindows::OnReposition);
    connect(&session_, &LogbookSession::LogbookOpened, this, &CompanionWindows::OnLogbookOpened);
    // A table shown from a logbook that is no longer open cannot be edited.
    connect(&session_, &LogbookSession::LogbookClosing, this, [this] {
        if (tableEditor_) tableEditor_->CloseQuietly();
    });
    main_.installEventFilter(this);
}

CompanionWindows::~CompanionWindows() {
    // The main window may be going itself (this object its child): touch
    // nothing of it or of the session, only the windows still there.
    delete tableEditor_.data();
    delete options_.data();
    delete about_.data();
    delete conditions_.data();
    delete totals_.data();
}

TotalsWindow* CompanionWindows::Totals() const {
    return totals_;
}
ConditionsWindow* CompanionWindows::Conditions() const {
    return conditions_;
}
TableEditor* CompanionWindows::TableView() const {
    return tableEditor_;
}
OptionsDialog* CompanionWindows::Options() const {
    return options_;
}
AboutBox* CompanionWindows::About() const {
    return about_;
}

void CompanionWindows::ConnectMenus() {
    auto item = [this](const QString& caption) {
        QAction* action = main_.MenuItem(caption);
        if (action) action->setEnabled(true);
        return action;
    };
    auto connectItem = [this, &item](const char* caption, void (CompanionWindows::*slot)()) {
        if (QAction* action = item(QString::fromUtf8(caption)))
            connect(action, &QAction::triggered, this, slot);
    };
    if (QAction* totals = item(kTotalsItem)) {
        totals->setCheckable(true);
        connect(totals, &QAction::triggered, this, &CompanionWindows::ShowTotals);
    }
    if (QAction* conditions = item(kConditionsItem)) {
        conditions->setCheckable(true);
        connect(conditions, &QAction::triggered, this, &CompanionWindows::ShowConditions);
    }
    connectItem("&Gliders", &CompanionWindows::EditGliders);
    connectItem("&Locations", &CompanionWindows::EditLocations);
    connectItem("&XC Types", &CompanionWindows::EditXcTypes);
    connectItem("Flight &Type", &CompanionWindows::EditFlightTypes);
    connectItem("&LogData", &CompanionWindows::EditLogData);
    connectItem("&GPS Tracks", &CompanionWindows::EditTracks);
    connectItem("GPS Track&Data", &CompanionWindows::EditTrackData);
    connectItem("Vario BaroData", &CompanionWindows::EditBaroData);
    connectItem("Link &Tracks", &CompanionWindows::LinkTracks); // the toolbar button follows its item
    connectItem("&Options", &CompanionWindows::ShowOptions);
    connectItem("&About", &CompanionWindows::ShowAbout);

    FlightForm* form = main_.Form();
    form->ConditionsButton()->setEnabled(true);
    // Another flight on show, or this one's edits dropped.
    connect(form, &FlightForm::Loaded, this, &CompanionWindows::ShowFlightConditions);
    connect(form, &FlightForm::ConditionsRequested, this, &CompanionWindows::ToggleConditions);
    connect(form, &FlightForm::LookupEditRequested, this, &CompanionWindows::EditLookupTable);
}

// --- Totals and conditions beside the main window ----------------------------

void CompanionWindows::ShowTotals(bool show) {
    QAction* item = main_.MenuItem(kTotalsItem);
    if (!show) {
        if (totals_)
            totals_->close(); // clears the check mark
        else if (item)
            item->setChecked(false);
        return;
    }
    if (!totals_) {
        totals_ = new TotalsWindow(session_, &main_);
        connect(totals_, &TotalsWindow::Closed, this, &CompanionWindows::OnTotalsClosed);
    }
    const bool placeIt = !totals_->isVisible();
    if (placeIt) PlaceCompanion(totals_, &main_, conditions_);
    totals_->show();
    // Once shown the window manager's frame is known: place it again so that
    // frames, not client areas, line up.
    if (placeIt) PlaceCompanion(totals_, &main_, conditions_);
    totals_->raise();
    if (item) item->setChecked(true);
}

void CompanionWindows::OnTotalsClosed() {
    if (QAction* item = main_.MenuItem(kTotalsItem)) item->setChecked(false);
    if (totals_) totals_->deleteLater();
    totals_ = nullptr;
}

void CompanionWindows::ShowConditions(bool show) {
    QAction* item = main_.MenuItem(kConditionsItem);
    if (!show) {
        if (conditions_)
            conditions_->close();
        else if (item)
            item->setChecked(false);
        return;
    }
    if (!conditions_) {
        conditions_ = new ConditionsWindow(&main_);
        // Into the conditions of the flight being edited: the main window
        // saves them with the flight.
        connect(conditions_, &ConditionsWindow::ConditionEdited, main_.Form(), &FlightForm::SetCondition);
        connect(conditions_, &ConditionsWindow::TableEditRequested, this,
                [this](const QString& table, const QString& caption) {
                    ViewTable(table, caption, QString(), false, true);
                });
        connect(conditions_, &ConditionsWindow::Closed, this, &CompanionWindows::OnConditionsClosed);
        FillConditionsLists();
    }
    ShowFlightConditions();
    const bool placeIt = !conditions_->isVisible();
    if (placeIt) PlaceCompanion(conditions_, &main_, totals_);
    conditions_->show();
    // Once shown the window manager's frame is known: place it again so that
    // frames, not client areas, line up.
    if (placeIt) PlaceCompanion(conditions_, &main_, totals_);
    conditions_->raise();
    if (item) item->setChecked(true);
}

void CompanionWindows::ToggleConditions() {
    ShowConditions(!(conditions_ && conditions_->isVisible()));
}

void CompanionWindows::OnConditionsClosed() {
    if (QAction* item = main_.MenuItem(kConditionsItem)) item->setChecked(false);
    if (conditions_) conditions_->deleteLater();
    conditions_ = nullptr;
}

void CompanionWindows::FillConditionsLists() {
    if (!conditions_) return;
    const QSqlDatabase db = session_.IsOpen() ? session_.Db() : QSqlDatabase();
    conditions_->SetWeatherItems(db.isValid() ? ReadLookup(db, QStringLiteral("Weather"))
                                              : std::vector<LookupItem>{});
    conditions_->SetWindItems(db.isValid() ? ReadLookup(db, QStringLiteral("Wind"))
                                           : std::vector<LookupItem>{});
}

void CompanionWindows::ShowFlightConditions() {
    if (!conditions_) return;
    conditions_->ShowConditions(main_.Form()->Conditions());
    conditions_->SetFlightShown(session_.Flights().HasCurrent());
}

void CompanionWindows::OnReposition() {
    // The flights were let go: the logbook is about to close, and a table
    // shown from it must let go of it first.
    if (!session_.Flights().IsBound() && tableEditor_) tableEditor_->CloseQuietly();
    ShowFlightConditions();
    if (totals_ && totals_->isVisible()) totals_->RefreshTotals();
}

void CompanionWindows::OnLogbookOpened() {
    FillConditionsLists();
}

// --- Table editor -------------------------------------------------------------

bool CompanionWindows::ViewTable(const QString& table, const QString& caption, const QString& sort,
                                 bool editButtons, bool modal) {
    if (tableEditor_ && tableEditor_->isVisible()) {
        prompts_.Ask(&main_, QString(), Translate("Close the current table view first"), QMessageBox::Ok,
                     QMessageBox::Information);
        return false;
    }
    // The grid writes to the logbook a download is writing to.
    if (!session_.IsOpen() || main_.TransferRunning()) return false;
    // The flight on show is saved first: the editor may show it too.
    if (!session_.Flights().Refresh()) return false;
    delete tableEditor_.data();
    auto* editor = new TableEditor(session_, settings_, prompts_, &main_);
    tableEditor_ = editor;
    connect(editor, &QDialog::finished, this, [this, editor, table, sort] {
        RereadSource(table, sort);
        editor->deleteLater();
    });
    connect(editor, &TableEditor::TracksLinked, this, [this] { session_.Flights().Refresh(); });
    if (!editor->Open(table, caption, sort, editButtons, modal)) {
        editor->disconnect(this);
        editor->deleteLater();
        tableEditor_ = nullptr;
        return false;
    }
    if (!modal) RereadSource(table, sort);
    return true;
}

void CompanionWindows::RereadSource(const QString& table, const QString& sort) {
    if (!session_.IsOpen() || !session_.Flights().IsBound()) return;
    LogDataSet& flights = session_.Flights();
    if (table == QLatin1String("LogData")) {
        if (sort.isEmpty())
            flights.Refresh();
        else
            flights.SortDataSet(sort);
        return;
    }
    if (IsMainWindowLookup(table)) main_.Form()->SetLookup(table, ReadLookup(session_.Db(), table));
    if (table == QLatin1String("Weather") || table == QLatin1String("Wind")) FillConditionsLists();
    // What the editor changed may touch the flight on show (its tracks, its lists).
    flights.Refresh();
}

void CompanionWindows::EditLookupTable(const QString& table) {
    ViewTable(table, table, table == QLatin1String("Locations") ? QStringLiteral("Type") : QString(), false,
              true);
}

void CompanionWindows::EditGliders() {
    EditLookupTable(QStringLiteral("Glider"));
}
void CompanionWindows::EditLocations() {
    EditLookupTable(QStringLiteral("Locations"));
}
void CompanionWindows::EditXcTypes() {
    EditLookupTable(QStringLiteral("XCType"));
}
void CompanionWindows::EditFlightTypes() {
    EditLookupTable(QStringLiteral("Type"));
}
void CompanionWindows::EditWeather() {
    ViewTable(QStringLiteral("Weather"), QStringLiteral("Weather Conditions"), QString(), false, true);
}
void CompanionWindows::EditWind() {
    ViewTable(QStringLiteral("Wind"), QStringLiteral("Wind Details"), QString(), false, true);
}
void CompanionWindows::EditLogData() {
    ViewTable(QStringLiteral("LogData"), QStringLiteral("LogData"), QStringLiteral("StartTime DESC"), false,
              true);
}
void CompanionWindows::EditTracks() {
    ViewTable(QStringLiteral("Tracks"), QStringLiteral("Tracks"), QStringLiteral("StartTime DESC"), false,
              true);
}
void CompanionWindows::EditTrackData() {
    ViewTable(QStringLiteral("TrackData"), QStringLiteral("TrackData"), QStringLiteral("Time DESC"), false,
              true);
}
void CompanionWindows::EditBaroData() {
    ViewTable(QStringLiteral("BaroData"), QStringLiteral("BaroData"), QStringLiteral("Time DESC"), false,
              true);
}
void CompanionWindows::LinkTracks() {
    ViewTable(QStringLiteral("Tracks"), QStringLiteral("Tracks"), QStringLiteral("StartTime DESC"), true,
              false);
}

// --- Options and about ----------------------------------------------------------

void CompanionWindows::ShowOptions() {
    if (!options_) {
        options_ = new OptionsDialog(settings_, prompts_, &main_);
        options_->setAttribute(Qt::WA_DeleteOnClose);
        options_->setWindowModality(Qt::ApplicationModal);
    }
    options_->show();
    options_->raise();
    options_->activateWindow();
}

void CompanionWindows::ShowAbout() {
    if (!about_) {
        about_ = new AboutBox(session_.IsOpen() ? session_.Path() : QString(), &main_);
        about_->setAttribute(Qt::WA_DeleteOnClose);
        about_->setWindowModality(Qt::ApplicationModal);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void CompanionWindows::CloseAll() {
    if (tableEditor_ && tableEditor_->isVisible()) tableEditor_->close();
    if (tableEditor_ && tableEditor_->isVisible()) tableEditor_->CloseQuietly();
    for (QWidget* w : std::initializer_list<QWidget*>{options_, about_, conditions_, totals_})
        if (w) w->close();
}

bool CompanionWindows::eventFilter(QObject* watched, QEvent* event) {
    // When the main window has really closed, its companions go with it.
    if (watched == &main_ && event->type() == QEvent::Close)
        QTimer::singleShot(0, this, [this] {
            if (!main_.isVisible()) CloseAll();
        });
    return QObject::eventFilter(watched, event);
}

} // namespace soarnote
