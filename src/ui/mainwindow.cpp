#include "mainwindow.h"

#include "customtoolbar.h"
#include "flightform.h"
#include "kit/helpwindow.h"
#include "kit/prompts.h"
#include "kit/statuspanel.h"
#include "kit/twips.h"
#include "navigationbar.h"
#include "plot3dwindow.h"
#include "shortcutguard.h"
#include "toolbaricons.h"
#include "translateform.h"

#include "core/logbookfiles.h"
#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace soarnote {

namespace {
// The smallest sizes the window keeps, in twips.
constexpr int kWindowWidthTwips = 6495;
constexpr int kMinimumHeightTwips = 5000;
} // namespace

MainWindow::MainWindow(LogbookSession& session, SettingsStore* settings, Prompts* prompts, QWidget* parent)
    : QMainWindow(parent), settings_(settings), prompts_(prompts), session_(session) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Soarnote"));
    setWindowIcon(ToolbarIcon(QStringLiteral("Soarnote")));
    shortcuts_ = new ShortcutGuard(this);

    BuildCentral();
    BuildMenus();
    BuildToolbar();

    info_ = new StatusPanel(this);
    statusBar()->addWidget(info_, 1);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    // Beside the progress bars; shown while a transfer runs.
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("CancelTransfer"));
    cancelButton_->setToolTip(QStringLiteral("Stop the transfer (Esc)"));
    cancelButton_->setFocusPolicy(Qt::NoFocus);
    cancelButton_->hide();
    statusBar()->addPermanentWidget(cancelButton_);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelTransfers(); });
    // The transfers run on events of their own; the button follows them.
    transferWatch_ = new QTimer(this);
    transferWatch_->setInterval(200);
    connect(transferWatch_, &QTimer::timeout, this, &MainWindow::FollowTransfers);

    LogDataSet& flights = session_.Flights();
    flights.SetMoveGuard([this] { return CommitEdits(); });
    connect(&flights, &LogDataSet::Repositioned, this, &MainWindow::OnReposition);
    connect(&session_, &LogbookSession::LogbookOpened, this, &MainWindow::OnLogbookOpened);

    qApp->installEventFilter(this);
    ApplyEditMode(false);
    OnReposition();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // What was attached uses the logbook (and may still store what a transfer
    // brought): it goes first, while the logbook is open.
    for (auto it = attached_.rbegin(); it != attached_.rend(); ++it)
        delete it->data();
    attached_.clear();
    transfers_.clear();
    // The logbook stays open for its owner; what was typed into the flight
    // on show goes into it before the form does.
    session_.Flights().CommitPending();
    session_.Flights().SetMoveGuard({});
    session_.Flights().disconnect(this);
    session_.disconnect(this);
}

int MainWindow::TwipsToPixels(int twips, const QWidget* widget) {
    return soarnote::TwipsToPixels(twips, widget);
}

int MainWindow::PixelsToTwips(int pixels, const QWidget* widget) {
    return soarnote::PixelsToTwips(pixels, widget);
}

QAction* MainWindow::AddItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut,
                             void (MainWindow::*slot)()) {
    QAction* action = menu->addAction(caption);
    action->setShortcut(shortcut);
    if (!shortcut.isEmpty()) shortcuts_->Watch(action);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    else
        action->setEnabled(false); // comes with a later version
    menuItems_.insert(caption, action);
    return action;
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddItem(file, QStringLiteral("&Open Database"), {}, &MainWindow::OpenDatabaseCommand);
    AddItem(file, QStringLiteral("&New Database"), {}, &MainWindow::NewDatabaseCommand);
    AddItem(file, QStringLiteral("&Archive Database"), {}, &MainWindow::ArchiveDatabaseCommand);
    AddItem(file, QStringLiteral("&Compact Database"), {}, &MainWindow::CompactDatabaseCommand);
    file->addSeparator();
    // Joined to the import commands by the program's start-up.
    AddItem(file, QStringLiteral("&Import Flights..."));
    AddItem(file, QStringLiteral("E&xport Flight"));
    file->addSeparator();
    AddItem(file, QStringLiteral("Printer &Setup"), {}, &MainWindow::PrinterSetup);
    AddItem(file, QStringLiteral("&Print"), {}, &MainWindow::PrintLogCommand);
    AddItem(file, QStringLiteral("Pre&view"), {}, &MainWindow::PreviewLogCommand);
    AddItem(file, QStringLiteral("Export PDF..."), {}, &MainWindow::ExportPdfCommand);
    file->addSeparator();
    QAction* exit = AddItem(file, QStringLiteral("&Exit"));
    exit->setEnabled(true);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* enable = AddItem(edit, QStringLiteral("&Enable Edit"), QKeySequence(Qt::CTRL | Qt::Key_E));
    enable->setEnabled(true);
    enable->setCheckable(true);
    connect(enable, &QAction::toggled, this, &MainWindow::ApplyEditMode);
    AddItem(edit, QStringLiteral("&New Entry"), QKeySequence(Qt::CTRL | Qt::Key_N), &MainWindow::NewEntry);
    AddItem(edit, QStringLiteral("&Delete Entry"), QKeySequence(Qt::CTRL | Qt::Key_D),
            &MainWindow::DeleteEntry);

    QMenu* vario = menuBar()->addMenu(QStringLiteral("&Vario"));
    AddItem(vario, QStringLiteral("&Update Log"), QKeySequence(Qt::CTRL | Qt::Key_U));
    AddItem(vario, QStringLiteral("Get &All Entry"));
    AddItem(vario, QStringLiteral("Get &Barograph"));
    AddItem(vario, QStringLiteral("Find Baro &Links"), {}, &MainWindow::AssignBaroToFlight);
    vario->addSeparator();
    // The variometer's file import is shown but never offered.
    menuItems_.insert(QStringLiteral("Vario/File &Import"), vario->addAction(QStringLiteral("File &Import")));
    menuItems_.value(QStringLiteral("Vario/File &Import"))->setEnabled(false);

    QMenu* gps = menuBar()->addMenu(QStringLiteral("&GPS"));
    AddItem(gps, QStringLiteral("Get &Track"), QKeySequence(Qt::CTRL | Qt::Key_G));
    AddItem(gps, QStringLiteral("Link &Tracks"), QKeySequence(Qt::CTRL | Qt::Key_L));
    gps->addSeparator();
    AddItem(gps, QStringLiteral("Get &Time"));
    AddItem(gps, QStringLiteral("Get_ID"));
    AddItem(gps, QStringLiteral("Get &Position"));
    gps->addSeparator();
    AddItem(gps, QStringLiteral("File &Import"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    AddItem(view, QStringLiteral("&Totals"), QKeySequence(Qt::CTRL | Qt::Key_T))->setCheckable(true);
    AddItem(view, QStringLiteral("Conditions"))->setCheckable(true);
    view->addSeparator();
    AddItem(view, QStringLiteral("&3D Plot"), QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::Plot3DCommand);
    AddItem(view, QStringLiteral("&Flight Plot"), QKeySequence(Qt::CTRL | Qt::Key_F),
            &MainWindow::PreviewFlightCommand);
    QAction* offsets = AddItem(view, QStringLiteral("Plot &Offsets"));
    offsets->setEnabled(true);
    offsets->setCheckable(true);
    connect(offsets, &QAction::toggled, form_, &FlightForm::ShowOffsets);
    // The extra frame needs room: the window grows rather than squeezing
    // the flight's fields.
    connect(offsets, &QAction::toggled, this, [this] {
        FitWidth();
        if (height() < minimumHeight()) resize(width(), minimumHeight());
    });
    view->addSeparator();
    QMenu* tables = view->addMenu(QStringLiteral("&Edit Tables"));
    for (const char* caption :
         {"&Gliders", "&Weather Conditions", "W&ind Conditions", "&Locations", "&XC Types", "Flight &Type"})
        AddItem(tables, QString::fromUtf8(caption));
    QMenu* data = view->addMenu(QStringLiteral("Edit &Data"));
    for (const char* caption : {"&LogData", "&GPS Tracks", "GPS Track&Data", "Vario BaroData"})
        AddItem(data, QString::fromUtf8(caption));
    view->addSeparator();
    AddItem(view, QStringLiteral("&Options"), QKeySequence(Qt::CTRL | Qt::Key_O));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddItem(help, QStringLiteral("Help Contents"), QKeySequence::HelpContents, &MainWindow::ShowHelpContents);
    AddItem(help, QStringLiteral("&About"));
}

void MainWindow::BuildToolbar() {
    toolbar_ = new CustomToolBar(this);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    struct Button {
        const char* key;
        const char* tip;
        const char* menu;
    };
    const Button buttons[] = {
        {"EditEnable", "Enable Edit", "&Enable Edit"},
        {nullptr, nullptr, nullptr},
        {"FileOpen", "Open Database", "&Open Database"},
        {"FileNew", "New Database", "&New Database"},
        {"FileArchive", "Archive Database", "&Archive Database"},
        {"FileCompact", "Compress Database", "&Compact Database"},
        {nullptr, nullptr, nullptr},
        {"VarioUpdate", "Update Vario", "&Update Log"},
        {"BaroUpdate", "Update Barograph", "Get &Barograph"},
        {"GPSUpdate", "Update Tracks", "Get &Track"},
        {"LinkTracks", "Link Tracks", "Link &Tracks"},
        {nullptr, nullptr, nullptr},
        {"PrintPreview", "View Log", "Pre&view"},
        {"FlightPlot", "View Flight", "&Flight Plot"},
        {"3DPlot", "3D Plot", "&3D Plot"},
    };
    for (const Button& b : buttons) {
        if (!b.key) {
            toolbar_->AddDefaultSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        auto* action = new QAction(ToolbarIcon(key), QString::fromLatin1(b.tip), toolbar_);
        action->setToolTip(QString::fromLatin1(b.tip));
        QAction* item = menuItems_.value(QString::fromLatin1(b.menu));
        // A button does what its menu item does and is offered when it is.
        connect(action, &QAction::triggered, item, &QAction::trigger);
        action->setEnabled(item->isEnabled());
        connect(item, &QAction::enabledChanged, action, &QAction::setEnabled);
        if (item->isCheckable()) {
            action->setCheckable(true);
            connect(item, &QAction::toggled, action, &QAction::setChecked);
        }
        toolbar_->AddButton(key, action);
    }
    connect(toolbar_, &CustomToolBar::ArrangementChanged, this,
            [this](const QString& arrangement) { settings_->Write(keys::GeneralToolbar, arrangement); });
}

void MainWindow::BuildCentral() {
    auto* central = new QWidget(this);
    form_ = new FlightForm(central);
    nav_ = new NavigationBar(central);
    newButton_ = new QPushButton(central);
    newButton_->setObjectName(QStringLiteral("LogdataNew"));
    newButton_->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    newButton_->setToolTip(QStringLiteral("Add new log"));
    deleteButton_ = new QPushButton(central);
    deleteButton_->setObjectName(QStringLiteral("LogdataAdd"));
    deleteButton_->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    deleteButton_->setToolTip(QStringLiteral("Delete log"));
    newButton_->setEnabled(false);
    deleteButton_->setEnabled(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(nav_, 1);
    bottom->addWidget(newButton_);
    bottom->addWidget(deleteButton_);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->addWidget(form_, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);

    LogDataSet& flights = session_.Flights();
    connect(nav_, &NavigationBar::FirstRequested, &flights, &LogDataSet::MoveFirst);
    connect(nav_, &NavigationBar::PreviousRequested, &flights, &LogDataSet::MovePrevious);
    connect(nav_, &NavigationBar::NextRequested, &flights, &LogDataSet::MoveNext);
    connect(nav_, &NavigationBar::LastRequested, &flights, &LogDataSet::MoveLast);
    connect(nav_, &NavigationBar::PositionEntered, this, &MainWindow::OnPositionEntered);
    connect(newButton_, &QPushButton::clicked, this, &MainWindow::NewEntry);
    connect(deleteButton_, &QPushButton::clicked, this, &MainWindow::DeleteEntry);
}

void MainWindow::FitWidth() {
    // The window keeps one width; only its height follows the user.
    const int width = std::max(TwipsToPixels(kWindowWidthTwips, this), minimumSizeHint().width());
    setFixedWidth(width);
    setMinimumHeight(std::max(TwipsToPixels(kMinimumHeightTwips, this), minimumSizeHint().height()));
}

void MainWindow::Startup() {
    TranslateForm(this, false);
    FitWidth();
    resize(width(), std::max(minimumHeight(), TwipsToPixels(settings_->Int(keys::MainHeight), this)));
    toolbar_->SetArrangement(settings_->Text(keys::GeneralToolbar));

    const QString name = settings_->Text(keys::DatabaseName);
    const auto translate = [](const char* key) { return Translate(key); };
    if (!QFileInfo::exists(name)) {
        // Say which logbook went missing before asking for a new one.
        prompts_->Inform(this, Translate("Database Open Error"),
                         LogbookProblemText({LogbookFault::NotFound, name, {}}, translate),
                         QMessageBox::Warning);
        NewDatabaseCommand();
        return;
    }
    const OpenOutcome outcome = OpenLogbook(name);
    if (outcome.kind == OpenOutcome::Kind::Failed) {
        const auto answer = prompts_->Ask(this, QString(),
                                          LogbookProblemText(outcome.problem, translate) + QLatin1Char(' ') +
                                              Translate("Create a new file"),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Critical);
        if (answer == QMessageBox::Yes) NewDatabaseCommand();
    }
}

void MainWindow::OnLogbookOpened(const QString& path) {
    QString caption = QStringLiteral("Soarnote - ") + LogbookCaptionName(path);
    if (session_.IsReadOnly()) {
        caption += QLatin1Char(' ') + Translate("(read-only)");
        info_->setText(Translate("The logbook is read-only: it cannot be changed."));
    }
    setWindowTitle(caption);
    settings_->Write(keys::DatabaseName, path);
    ReloadLookups();
}

void MainWindow::ReloadLookups() {
    const QSqlDatabase db = session_.Db();
    for (const char* table : {"Glider", "Locations", "XCType", "Type"})
        form_->SetLookup(QString::fromLatin1(table), ReadLookup(db, QString::fromLatin1(table)));
}

void MainWindow::OnReposition() {
    LogDataSet& flights = session_.Flights();
    nav_->ShowPosition(flights.AbsolutePosition(), flights.RecordCount());
    form_->Load(flights.Current());
    RefreshPlotCommand();
}

void MainWindow::RefreshPlotCommand() {
    LogDataSet& flights = session_.Flights();
    const bool hasTrack = flights.HasCurrent() && FlightHasTracks(session_.Db(), flights.Current().Id());
    menuItems_.value(QStringLiteral("&3D Plot"))->setEnabled(hasTrack);
}

void MainWindow::OnPositionEntered(const QString& text) {
    LogDataSet& flights = session_.Flights();
    bool ok = false;
    const qint64 position = text.trimmed().toLongLong(&ok);
    // Not a number, or outside the logbook: the flight shown stays.
    if (!ok || position < 1 || position > flights.RecordCount() || !flights.MoveTo(int(position - 1)))
        nav_->ShowPosition(flights.AbsolutePosition(), flights.RecordCount());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Page Up/Down, Home and End move between flights wherever the focus is.
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Escape stops a running transfer, wherever the focus is.
            if (key == Qt::Key_Escape && AnyTransferBusy()) {
                CancelTransfers();
                return true;
            }
            if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home ||
                 key == Qt::Key_End) &&
                static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier)
                return HandleNavigationKey(key);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::HandleNavigationKey(int key) {
    LogDataSet& flights = session_.Flights();
    if (flights.HasCurrent()) {
        switch (key) {
        case Qt::Key_PageUp: // the next flight, a later start
            if (!flights.IsLast()) flights.MoveNext();
            break;
        case Qt::Key_PageDown:
            if (!flights.IsFirst()) flights.MovePrevious();
            break;
        case Qt::Key_Home:
            if (!flights.IsFirst()) flights.MoveFirst();
            break;
        case Qt::Key_End:
            if (!flights.IsLast()) flights.MoveLast();
            break;
        }
    }
    return true; // consumed
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (AnyTransferBusy()) {
        // Exit must not be silently ignored: the pilot decides.
        const auto answer = prompts_->Ask(this, QString(),
                                          Translate("A transfer is running.") + QLatin1Char(' ') +
                                              Translate("Stop it and exit?"),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
        if (answer != QMessageBox::Yes || !CancelTransfers()) {
            event->ignore();
            return;
        }
    }
    if (!CommitEdits()) {
        event->ignore();
        return;
    }
    // The 3D view may ask about its offsets; Cancel keeps both open.
    if (plot3d_ && !plot3d_->close()) {
        event->ignore();
        return;
    }
    settings_->Write(keys::MainHeight, PixelsToTwips(height(), this));
    settings_->Sync();
    // The logbook and the language table are closed by the program's
    // start-up, which owns them, once the window and its parts are gone.
    event->accept();
}

void MainWindow::ShowHelpContents() {
    HelpWindow::ShowTopic(this, QStringLiteral("index.html"));
}

} // namespace soarnote
