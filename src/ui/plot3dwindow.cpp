#include "plot3dwindow.h"

#include "core/daynumber.h"
#include "core/defaultlandscape.h"
#include "core/logbooksession.h"
#include "core/programfolder.h"
#include "i18n/languagetable.h"
#include "instrumentpanel.h"
#include "kit/inputprompt.h"
#include "kit/prompts.h"
#include "kit/twips.h"
#include "optionsdialog.h"
#include "plot/land/demlandscape.h"
#include "plot/land/xyzlandscape.h"
#include "plot/loadplotdata.h"
#include "plot/playback/instrumentreadings.h"
#include "plot/playback/offsetsclose.h"
#include "plot/playback/playbacktiming.h"
#include "plot/playback/virtualkeys.h"
#include "sceneview.h"
#include "settings/settingsstore.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <cmath>

namespace soarnote {

namespace {

// Placement of the window, in twips as the main window keeps its own.
const SettingKey kWidth{QStringLiteral("Plot"), QStringLiteral("Width"), 9600, {}, false};
const SettingKey kHeight{QStringLiteral("Plot"), QStringLiteral("Height"), 7200, {}, false};
const SettingKey kTop{QStringLiteral("Plot"), QStringLiteral("Top"), 600, {}, false};
const SettingKey kLeft{QStringLiteral("Plot"), QStringLiteral("Left"), 600, {}, false};
const SettingKey kState{QStringLiteral("Plot"), QStringLiteral("State"), 0, {}, false};
constexpr int kStateMaximised = 2;

// The speed slider: s x s times real time (each of fps x s ticks a second
// adds s / fps seconds of flight). 10 replays an hour's flight in 36 s.
constexpr int kSliderMin = kSpeedSliderMinimum;
constexpr int kSliderMax = kSpeedSliderMaximum;
constexpr int kSliderStart = kSpeedSliderInitial;

const QString kOrientationItems[] = {QStringLiteral("Normal"), QStringLiteral("Follow"),
                                     QStringLiteral("Horizontal"), QStringLiteral("Off")};

QVector3D AxisVector(FrameAxis axis) {
    switch (axis) {
    case FrameAxis::X:
        return {1, 0, 0};
    case FrameAxis::Y:
        return {0, 1, 0};
    case FrameAxis::Z:
        return {0, 0, 1};
    }
    return {0, 0, 1};
}

// A scene frame as the key and mouse flying moves it: turns about its own
// axes, moves along them within its parent.
class FrameMover : public MovableFrame {
public:
    FrameMover(scene::Frame* frame, const scene::Frame* world) : frame_(frame), world_(world) {}
    void RotateOwn(FrameAxis axis, double radians) override {
        frame_->AddRotation(scene::Combine::Before, AxisVector(axis), static_cast<float>(radians));
    }
    void MoveOwn(FrameAxis axis, double distance) override {
        const int column = axis == FrameAxis::X ? 0 : axis == FrameAxis::Y ? 1 : 2;
        const QVector3D own = frame_->Local().column(column).toVector3D();
        const QVector3D at = frame_->Position(frame_->Parent()) + own * static_cast<float>(distance);
        frame_->SetPosition(frame_->Parent(), at.x(), at.y(), at.z());
    }
    QVector3D Position() const override { return frame_->Position(world_); }

private:
    scene::Frame* frame_;
    const scene::Frame* world_;
};

double NumberOr(const QVariant& value, bool* ok) {
    const double number = value.toDouble(ok);
    if (value.isNull()) *ok = false;
    return number;
}

} // namespace

Plot3DWindow::Plot3DWindow(QWidget* owner, LogbookSession& session, SettingsStore* settings, Prompts* prompts,
                           InputPrompt* input)
    : QMainWindow(owner, Qt::Window), owner_(owner), session_(session), settings_(settings),
      prompts_(prompts), input_(input), random_(std::random_device{}()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmDX"));
    view_ = new scene::SceneView(this);
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->installEventFilter(this);
    view_->setMouseTracking(false);
    setCentralWidget(view_);
    slider_ = new QSlider(Qt::Horizontal, view_);
    slider_->setObjectName(QStringLiteral("Slider1"));
    slider_->setRange(kSliderMin, kSliderMax);
    slider_->setValue(kSliderStart);
    slider_->setFixedWidth(240);
    slider_->move(8, 8);
    slider_->hide();
    connect(slider_, &QSlider::valueChanged, this, &Plot3DWindow::ApplySpeed);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { Step(StepMode::Tick); });
    keys_ = new KeyMoveLoop(this);
    connect(keys_, &KeyMoveLoop::Stepped, this, [this](const std::vector<FrameMove>& moves) {
        ApplyMoves(moves);
        RenderFrame();
    });
    BuildMenus();
}

Plot3DWindow::~Plot3DWindow() {
    timer_->stop();
    keys_->ClearKeys();
    // The view draws from the scene: let it go first.
    view_->SetScene(nullptr, nullptr);
}

QAction* Plot3DWindow::AddItem(QMenu* menu, const QString& caption, void (Plot3DWindow::*slot)()) {
    QAction* action = menu->addAction(Translate(caption));
    items_.insert(caption, action);
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
}

QAction* Plot3DWindow::Item(const QString& caption) const {
    return items_.value(caption);
}

void Plot3DWindow::BuildMenus() {
    QMenu* view = menuBar()->addMenu(Translate(QStringLiteral("&View")));
    AddItem(view, QStringLiteral("&Play"), &Plot3DWindow::PlayCommand)->setCheckable(true);
    AddItem(view, QStringLiteral("P&ause"), &Plot3DWindow::PauseCommand)->setCheckable(true);
    view->addSeparator();
    AddItem(view, QStringLiteral("&Sun Position"), &Plot3DWindow::SunPositionCommand);
    AddItem(view, QStringLiteral("&Instruments"), &Plot3DWindow::InstrumentsCommand)->setCheckable(true);
    view->addSeparator();
    AddItem(view, QStringLiteral("&Options"), &Plot3DWindow::OptionsCommand);
    view->addSeparator();
    AddItem(view, QStringLiteral("&Exit"), nullptr);
    connect(Item(QStringLiteral("&Exit")), &QAction::triggered, this, &QWidget::close);

    QMenu* mode = menuBar()->addMenu(Translate(QStringLiteral("&Mode")));
    AddItem(mode, QStringLiteral("&Offset"), &Plot3DWindow::OffsetCommand)->setCheckable(true);
    mode->addSeparator();
    const std::pair<const char*, CameraMode> cameraModes[] = {
        {"&Fixed", CameraMode::Fixed}, {"&Behind", CameraMode::Behind}, {"&Overhead", CameraMode::Overhead},
        {"&High", CameraMode::High},   {"&Start", CameraMode::Start},   {"&End", CameraMode::End}};
    for (const auto& [caption, cameraMode] : cameraModes) {
        QAction* item = AddItem(mode, QString::fromLatin1(caption), nullptr);
        connect(item, &QAction::triggered, this, [this, m = cameraMode] { CameraModeCommand(m); });
    }
    mode->addSeparator();
    orientationMenu_ = mode->addMenu(Translate(QStringLiteral("O&rientation")));
    positionMenu_ = mode->addMenu(Translate(QStringLiteral("&Position")));
    orientationGroup_ = new QActionGroup(this);
    positionGroup_ = new QActionGroup(this);
    for (int i = 0; i < 4; ++i) {
        QAction* o = orientationMenu_->addAction(Translate(kOrientationItems[i]));
        o->setCheckable(true);
        o->setData(i);
        orientationGroup_->addAction(o);
        QAction* p = positionMenu_->addAction(Translate(kOrientationItems[i]));
        p->setCheckable(true);
        p->setData(i);
        positionGroup_->addAction(p);
        connect(o, &QAction::triggered, this, [this] { UpdateViewFrame(); });
        connect(p, &QAction::triggered, this, [this] { UpdateViewFrame(); });
    }

    QAction* speed = menuBar()->addAction(Translate(QStringLiteral("&Speed")));
    items_.insert(QStringLiteral("&Speed"), speed);
    connect(speed, &QAction::triggered, this, [this] {
        slider_->show();
        slider_->raise();
    });

    QMenu* land = menuBar()->addMenu(Translate(QStringLiteral("&Landscape")));
    AddItem(land, QStringLiteral("Draw &Ref"), &Plot3DWindow::DrawRefCommand);
    land->addSeparator();
    AddItem(land, QStringLiteral("Load &XYZ"), &Plot3DWindow::LoadXyzCommand);
    AddItem(land, QStringLiteral("Load &DEM"), &Plot3DWindow::LoadDemCommand);
    land->addSeparator();
    AddItem(land, QStringLiteral("Set &Overlay"), &Plot3DWindow::OverlayCommand)->setCheckable(true);

    for (QMenu* menu : {view, mode, land})
        connect(menu, &QMenu::aboutToShow, this, &Plot3DWindow::HideSlider);
}

void Plot3DWindow::HideSlider() {
    slider_->hide();
}

void Plot3DWindow::RestorePlacement() {
    const int width = TwipsToPixels(settings_->Int(kWidth), this);
    const int height = TwipsToPixels(settings_->Int(kHeight), this);
    const int left = TwipsToPixels(settings_->Int(kLeft), this);
    const int top = TwipsToPixels(settings_->Int(kTop), this);
    resize(std::max(width, 320), std::max(height, 240));
    move(left, top);
    if (settings_->Int(kState) == kStateMaximised) setWindowState(windowState() | Qt::WindowMaximized);
}

void Plot3DWindow::SavePlacement() {
    if (!isMaximized()) {
        settings_->Write(kWidth, PixelsToTwips(width(), this));
        settings_->Write(kHeight, PixelsToTwips(height(), this));
        settings_->Write(kTop, PixelsToTwips(y(), this));
        settings_->Write(kLeft, PixelsToTwips(x(), this));
    }
    settings_->Write(kState, isMaximized() ? kStateMaximised : 0);
    settings_->Write(keys::PlotInstrState, Item(QStringLiteral("&Instruments"))->isChecked());
}

bool Plot3DWindow::Open() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setWindowTitle(Translate(QStringLiteral("3D Plot")));
    RestorePlacement();

    LogbookSession& session = session_;
    const FlightRecord& flight = session.Flights().Current();
    unitsFactor_ = UnitsFactor(*settings_);
    logId_ = flight.Id();
    PlotLoadResult loaded;
    if (session.IsOpen() && session.Flights().HasCurrent())
        loaded = LoadPlotData(plot_, session.Db(), PlotFlight::FromRecord(flight), *settings_, false);
    landFile_ = loaded.text;

    if (!loaded.Ok() || plot_.lastIndex < 2 || landFile_ == kNoPlotData) {
        QApplication::restoreOverrideCursor();
        const QString text = Translate(QStringLiteral("No data assigned to this flight")) + QLatin1Char(' ') +
                             Translate(QStringLiteral("or you have selected 'Limit View' mode")) +
                             QLatin1Char(' ') +
                             Translate(QStringLiteral("and no data exist for the specified flight time"));
        prompts_->Inform(owner_, Translate(QStringLiteral("3D Plot")),
                         loaded.status == PlotLoadResult::Status::Failed ? loaded.error : text);
        close();
        return false;
    }

    scene_ = std::make_unique<FlightScene>(plot_, FlightSceneOptions::Read(*settings_));
    bool ok = false;
    const double east = NumberOr(flight.Value(QStringLiteral("LatOffset")), &ok);
    openingOffsets_.setX(ok ? static_cast<float>(east / unitsFactor_) : 0.0f);
    const double north = NumberOr(flight.Value(QStringLiteral("LngOffset")), &ok);
    openingOffsets_.setY(ok ? static_cast<float>(north / unitsFactor_) : 0.0f);
    const double up = NumberOr(flight.Value(QStringLiteral("HeightOffset")), &ok);
    openingOffsets_.setZ(ok ? static_cast<float>(up / unitsFactor_) : 0.0f);
    scene_->LandscapeFrame()->SetPosition(scene_->WorldFrame(), openingOffsets_.x(), openingOffsets_.y(),
                                          openingOffsets_.z());
    // Read back, so that the closing question compares like with like.
    openingOffsets_ = LandscapeOffsets();

    framesPerSecond_ = std::max(1.0, settings_->Number(keys::PlotFps));
    keys_->SetSteps(KeySteps{8.0 / framesPerSecond_, std::sin(M_PI / 180.0)});
    playback_ = std::make_unique<PlaybackModel>(plot_);
    control_ = std::make_unique<PlaybackControl>(*playback_);
    ApplySpeed();

    scene_->PlaceSun(plot_.points.front().time);
    if (scene_->Options().trackView) scene_->ConstructTrack();
    if (scene_->Options().gliderView) scene_->ConstructGlider();
    QString landPath = landFile_;
    if (!landPath.isEmpty() && QFileInfo(landPath).isRelative()) landPath = ProgramFolder::File(landPath);
    bool grounded = !landPath.isEmpty() && QFileInfo::exists(landPath) && LoadXyzFile(landPath);
    // Without a landscape of its own the flight stands on the terrain tiles
    // of the terrain folder that cover it, when there are any.
    const QString terrainFolder = settings_->Text(keys::PlotTerrainFolder);
    if (!grounded && landFile_.isEmpty() && !terrainFolder.isEmpty()) {
        const RasterResult terrain = LoadTerrainForFlight(terrainFolder, plot_);
        if (!terrain.grid.vertices.empty()) {
            scene_->BuildGridMesh(terrain.grid, true, QString());
            grounded = true;
        }
    }
    if (!grounded) scene_->ConstructLandRef(plot_.min.z - 50.0f);
    if (settings_->Int(keys::PlotCloud) == 1) {
        bool amountOk = false;
        bool baseOk = false;
        const double amount = NumberOr(flight.Value(QStringLiteral("CloudCover")), &amountOk);
        const double base = NumberOr(flight.Value(QStringLiteral("CloudBase")), &baseOk);
        if (amountOk && baseOk) {
            std::uniform_real_distribution<double> uniform(0.0, 1.0);
            scene_->ConstructCloudLayer(static_cast<float>(base / unitsFactor_),
                                        static_cast<std::int32_t>(amount), 600.0f,
                                        [this, &uniform] { return uniform(random_); });
        }
    }

    // The first view: from the south-east of the take-off and above the
    // highest point of the flight (so above the ground it flew over), turned
    // towards the glider and left there.
    const PlotPoint& start = plot_.points.front();
    const float reach =
        std::clamp(std::max(plot_.max.x - plot_.min.x, plot_.max.y - plot_.min.y) * 0.4f, 150.0f, 3000.0f);
    scene_->CameraFrame()->SetPosition(scene_->WorldFrame(), start.x - reach * 0.5f, start.y - reach,
                                       plot_.max.z + reach * 0.25f);
    SetFollowModes(FollowMode::Follow, FollowMode::Off);
    view_->SetScene(scene_->SceneFrame(), scene_->CameraFrame());
    open_ = true;
    Step(StepMode::Start);
    show();
    view_->setFocus();
    if (settings_->Int(keys::PlotInstrState) != 0) InstrumentsCommand();
    QApplication::restoreOverrideCursor();
    return true;
}

QVector3D Plot3DWindow::LandscapeOffsets() const {
    if (!scene_) return {};
    return scene_->LandscapeFrame()->Position(scene_->WorldFrame());
}

void Plot3DWindow::ApplySpeed() {
    const PlaybackTiming timing = PlaybackTimingFor(framesPerSecond_, slider_->value());
    timer_->setInterval(timing.intervalMs);
    if (playback_) playback_->SetPlaySpeed(timing.playSpeed);
    slider_->setToolTip(SpeedToolTip(slider_->value()));
}

void Plot3DWindow::Step(StepMode mode) {
    if (!control_) return;
    control_->Step(mode);
    AfterStep();
}

void Plot3DWindow::AfterStep() {
    SyncPlaybackChecks();
    UpdateViewFrame();
    if (panel_) panel_->ShowReadings(ReadInstruments(playback_->Trail()));
}

void Plot3DWindow::SyncPlaybackChecks() {
    Item(QStringLiteral("&Play"))->setChecked(control_->PlayChecked());
    Item(QStringLiteral("P&ause"))->setChecked(control_->PauseChecked());
    if (control_->TimerRunning() && !timer_->isActive())
        timer_->start();
    else if (!control_->TimerRunning())
        timer_->stop();
}

FollowMode Plot3DWindow::OrientationMode() const {
    QAction* checked = orientationGroup_->checkedAction();
    return checked ? static_cast<FollowMode>(checked->data().toInt()) : FollowMode::Off;
}

FollowMode Plot3DWindow::PositionMode() const {
    QAction* checked = positionGroup_->checkedAction();
    return checked ? static_cast<FollowMode>(checked->data().toInt()) : FollowMode::Off;
}

void Plot3DWindow::SetFollowModes(FollowMode orientation, FollowMode position) {
    orientationGroup_->actions().at(static_cast<int>(orientation))->setChecked(true);
    positionGroup_->actions().at(static_cast<int>(position))->setChecked(true);
}

void Plot3DWindow::UpdateViewFrame() {
    if (!scene_ || !playback_) return;
    scene::Frame* camera = scene_->CameraFrame();
    scene::Frame* world = scene_->WorldFrame();
    QVector3D direction;
    QVector3D up;
    camera->Orientation(world, &direction, &up);
    const ViewFrame frame = soarnote::UpdateViewFrame(playback_->Trail(), camera->Position(world), direction,
                                                      OrientationMode(), PositionMode());
    if (frame.cameraPosition) {
        const QVector3D at = *frame.cameraPosition;
        camera->SetPosition(world, at.x(), at.y(), at.z());
    }
    if (frame.cameraOrientation)
        camera->SetOrientation(world, frame.cameraOrientation->direction, frame.cameraOrientation->up);
    setWindowTitle(PlotCaption(frame.captionTime));
    scene::Frame* glider = scene_->GliderFrame();
    glider->SetPosition(world, frame.gliderPosition.x(), frame.gliderPosition.y(), frame.gliderPosition.z());
    if (frame.gliderOrientation)
        glider->SetOrientation(world, frame.gliderOrientation->direction, frame.gliderOrientation->up);
    if (!keys_->Moving()) RenderFrame();
}

void Plot3DWindow::RenderFrame() {
    if (!scene_) return;
    if (Item(QStringLiteral("&Offset"))->isChecked())
        setWindowTitle(OffsetCaption(LandscapeOffsets(), unitsFactor_));
    view_->update();
}

void Plot3DWindow::ApplyMoves(const std::vector<FrameMove>& moves) {
    if (!scene_) return;
    FrameMover camera(scene_->CameraFrame(), scene_->WorldFrame());
    FrameMover landscape(scene_->LandscapeFrame(), scene_->WorldFrame());
    soarnote::ApplyMoves(moves, camera, landscape);
}

void Plot3DWindow::PlayCommand() {
    if (!control_) return;
    control_->Play();
    AfterStep();
}

void Plot3DWindow::PauseCommand() {
    if (!control_) return;
    control_->Pause();
    SyncPlaybackChecks();
}

void Plot3DWindow::SunPositionCommand() {
    if (!playback_) return;
    const double now = playback_->Trail()[0].time;
    const std::optional<QString> answer =
        input_->AskTextWithDefault(this, Translate(QStringLiteral("Sun Position")),
                                   Translate(QStringLiteral("Enter Time of Day")), SunPositionDefault(now));
    if (answer) {
        if (const std::optional<double> time = SunPositionTime(now, *answer)) scene_->PlaceSun(*time);
    }
    RenderFrame();
}

void Plot3DWindow::InstrumentsCommand() {
    QAction* item = Item(QStringLiteral("&Instruments"));
    if (!panel_) {
        panel_ = new InstrumentPanel(*settings_, this);
        panel_->setAttribute(Qt::WA_DeleteOnClose);
        connect(panel_, &InstrumentPanel::Closed, this, [item] { item->setChecked(false); });
        item->setChecked(true);
        if (playback_) panel_->ShowReadings(ReadInstruments(playback_->Trail()));
        panel_->show();
    } else {
        item->setChecked(false);
        panel_->close();
    }
}

void Plot3DWindow::OptionsCommand() {
    OptionsDialog options(*settings_, *prompts_, this);
    if (QTabWidget* tabs = options.Tabs()) {
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i).remove(QLatin1Char('&')) ==
                Translate(QStringLiteral("Plot")).remove(QLatin1Char('&')))
                tabs->setCurrentIndex(i);
    }
    options.exec();
    // The new settings take effect at the next opening.
    close();
}

void Plot3DWindow::OffsetCommand() {
    keys_->SetOffsetMode(Item(QStringLiteral("&Offset"))->isChecked());
    UpdateViewFrame();
}

void Plot3DWindow::CameraModeCommand(CameraMode mode) {
    if (!scene_ || !playback_) return;
    const CameraModeChoice choice = ChooseCameraMode(mode, playback_->Trail(), plot_);
    scene::Frame* camera = scene_->CameraFrame();
    if (choice.cameraPosition) {
        const QVector3D at = *choice.cameraPosition;
        camera->SetPosition(scene_->WorldFrame(), at.x(), at.y(), at.z());
    }
    if (choice.cameraOrientation)
        camera->SetOrientation(scene_->WorldFrame(), choice.cameraOrientation->direction,
                               choice.cameraOrientation->up);
    SetFollowModes(choice.orientation, choice.position);
    UpdateViewFrame();
}

void Plot3DWindow::DrawRefCommand() {
    if (!scene_) return;
    scene_->ConstructLandRef(plot_.min.z - 5.0f);
    RenderFrame();
}

void Plot3DWindow::ShowLandscapeError(const QString& title, LandscapeError error) {
    prompts_->Inform(this, title, Translate(QString::fromLatin1(LandscapeErrorText(error))),
                     QMessageBox::Warning);
}

bool Plot3DWindow::LoadXyzFile(const QString& path) {
    XyzResult result = LoadXyzLandscapeGrid(path);
    if (result.error == LandscapeError::NeedGridReference) {
        const std::optional<QString> reference =
            input_->AskText(this, Translate(QStringLiteral("XYZ landscape Co-Ordinates")),
                            Translate(QStringLiteral("Enter OS Grid ref for bottom left corner")));
        if (!reference) return false;
        result = LoadXyzLandscapeGrid(path, *reference);
    }
    if (result.grid.vertices.empty()) {
        if (result.error != LandscapeError::None)
            ShowLandscapeError(QFileInfo(path).fileName(), result.error);
        return false;
    }
    if (scene_->BuildGridMesh(result.grid, false, path))
        Item(QStringLiteral("Set &Overlay"))->setEnabled(true);
    return true;
}

void Plot3DWindow::LoadXyzCommand() {
    if (!scene_) return;
    HideSlider();
    QString path =
        prompts_->OpenFileName(this, Translate(QStringLiteral("Open XYZ Landscape File")),
                               FileDialogFilter(Translate(QStringLiteral("Visual Explorer XYZ Files")) +
                                                QStringLiteral(" (*.xyz)|*.xyz|All Files (*.*)|*.*")));
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    // Landscapes kept beside the program are stored by name only, so the
    // logbook still finds them when the program moves.
    const QString folder = QDir::cleanPath(ProgramFolder::Path()) + QLatin1Char('/');
    const QString stored = path.startsWith(folder) ? path.mid(folder.size()) : path;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool built = LoadXyzFile(path);
    QApplication::restoreOverrideCursor();
    RenderFrame();
    if (!built) return;
    const QMessageBox::StandardButton answer =
        prompts_->Ask(this, Translate(QStringLiteral("3D Plot")),
                      Translate(QStringLiteral("Use this landscape as the default for this record?")),
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer != QMessageBox::Yes) return;
    QString error;
    if (!SetDefaultLandscape(session_.Db(), logId_, stored, &error)) {
        prompts_->Inform(this, Translate(QStringLiteral("3D Plot")), error, QMessageBox::Warning);
        return;
    }
    landFile_ = stored;
}

void Plot3DWindow::LoadDemCommand() {
    if (!scene_) return;
    HideSlider();
    const QString path = prompts_->OpenFileName(
        this, Translate(QStringLiteral("Open DEM Landscape File")),
        FileDialogFilter(Translate(QStringLiteral("Standard DEMEFS Files")) +
                         QStringLiteral(" (*.demefs)|*.demefs|") +
                         Translate(QStringLiteral("SRTM and ESRI Grids")) +
                         QStringLiteral(" (*.hgt *.bil *.dem)|*.hgt;*.bil;*.dem|All Files (*.*)|*.*")));
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RasterResult result = LoadDemLandscapeGrid(path, plot_);
    if (!result.grid.vertices.empty()) scene_->BuildGridMesh(result.grid, true, QString());
    RenderFrame();
    QApplication::restoreOverrideCursor();
    if (result.error == LandscapeError::NoHeaderFile)
        prompts_->Inform(this, QString(), Translate(QStringLiteral("No Header File")), QMessageBox::Warning);
    else if (result.error != LandscapeError::None)
        ShowLandscapeError(QFileInfo(path).fileName(), result.error);
}

void Plot3DWindow::OverlayCommand() {
    QAction* item = Item(QStringLiteral("Set &Overlay"));
    if (!scene_) return;
    // The item checks itself when triggered: its state before is the opposite.
    if (!item->isChecked()) {
        scene_->ClearOverlay();
        RenderFrame();
        return;
    }
    item->setChecked(false);
    const QString path =
        prompts_->OpenFileName(this, Translate(QStringLiteral("Open Landscape Overlay File")),
                               FileDialogFilter(Translate(QStringLiteral("Overlay Files")) +
                                                QStringLiteral(" (*.bmp)|*.bmp|All Files (*.*)|*.*")));
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    if (scene_->SetOverlay(path)) item->setChecked(true);
    RenderFrame();
}

void Plot3DWindow::CloseForLogbookChange() {
    if (!close()) {
        // Cancel cannot keep a logbook that is going: close without storing.
        open_ = false;
        close();
    }
}

void Plot3DWindow::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    const int key = VirtualKeyFromQt(event->key());
    switch (CommandForKey(key)) {
    case KeyCommand::Close:
        close();
        return;
    case KeyCommand::LookDown:
        if (scene_) {
            const FrameOrientation down = LookStraightDown();
            scene_->CameraFrame()->SetOrientation(scene_->WorldFrame(), down.direction, down.up);
            RenderFrame();
        }
        return;
    case KeyCommand::StepNext:
        Step(StepMode::Next);
        return;
    case KeyCommand::StepPrevious:
        Step(StepMode::Previous);
        return;
    case KeyCommand::Hold:
        keys_->SetOffsetMode(Item(QStringLiteral("&Offset"))->isChecked());
        keys_->KeyPressed(key, event->modifiers());
        return;
    }
}

void Plot3DWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    keys_->KeyReleased(VirtualKeyFromQt(event->key()));
}

void Plot3DWindow::focusOutEvent(QFocusEvent* event) {
    keys_->ClearKeys();
    QMainWindow::focusOutEvent(event);
}

void Plot3DWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) keys_->ClearKeys();
    QMainWindow::changeEvent(event);
}

bool Plot3DWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && scene_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            HideSlider();
            break;
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const MouseTurner::Result result =
                mouse_.Move(mouse->buttons(), mouse->position(), QSizeF(view_->size()));
            if (result.orientationOff) SetFollowModes(FollowMode::Off, PositionMode());
            if (!result.turns.empty()) {
                ApplyMoves(result.turns);
                RenderFrame();
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            mouse_.Release();
            break;
        case QEvent::MouseButtonDblClick:
            if (control_) {
                control_->DoubleClick();
                if (control_->PlayChecked() && !control_->PauseChecked() && playback_->CurrentIndex() == 0)
                    AfterStep();
                else
                    SyncPlaybackChecks();
            }
            return true;
        case QEvent::FocusOut:
            keys_->ClearKeys();
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Plot3DWindow::closeEvent(QCloseEvent* event) {
    // Nothing may tick into a scene that is about to go.
    timer_->stop();
    keys_->ClearKeys();
    if (open_) {
        SavePlacement();
        const OffsetsCloseOutcome outcome = ResolveOffsetsOnClose(
            session_.Db(), logId_, LandscapeOffsets(), openingOffsets_, unitsFactor_,
            [this](const QString& question) {
                switch (prompts_->Ask(this, Translate(QStringLiteral("3D Plot")), question,
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                      QMessageBox::Question)) {
                case QMessageBox::Yes:
                    return OffsetsAnswer::Yes;
                case QMessageBox::No:
                    return OffsetsAnswer::No;
                default:
                    return OffsetsAnswer::Cancel;
                }
            });
        if (!outcome.error.isEmpty())
            prompts_->Inform(this, Translate(QStringLiteral("3D Plot")), outcome.error, QMessageBox::Warning);
        if (!outcome.close) {
            event->ignore();
            // Playback stays stopped; the pilot starts it again.
            if (control_) {
                control_->Stop();
                SyncPlaybackChecks();
            }
            return;
        }
        if (outcome.saved) {
            LogDataSet& flights = session_.Flights();
            if (flights.HasCurrent() && flights.Current().Id() == logId_) flights.ReloadCurrent();
        }
        open_ = false;
    }
    if (control_) control_->Stop();
    if (panel_) panel_->close();
    event->accept();
}

} // namespace soarnote
