#pragma once
// The 3D view of one flight ("3D Plot"): the flight's scene on screen, its
// playback, camera modes, key and mouse flying, the landscape menu and the
// instrument panel. Opened by the main window's "&3D Plot"; one at a time.

#include "plot/flightscene/flightscene.h"
#include "plot/playback/cameramodes.h"
#include "plot/playback/keymoveloop.h"
#include "plot/playback/playbackcontrol.h"
#include "plot/playback/playbackmodel.h"
#include "plot/playback/viewframe.h"
#include "plot/plotdata.h"
#include "ui/instrumentpanel.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <random>

class QAction;
class QActionGroup;
class QMenu;
class QSlider;
class QTimer;

namespace soarnote {

namespace scene {
class SceneView;
}
class InputPrompt;
class LogbookSession;
class Prompts;
class SettingsStore;

class Plot3DWindow : public QMainWindow {
    Q_OBJECT
public:
    // A window of its own, owned by owner (the main window). The session,
    // settings and prompts are borrowed and outlive the window.
    Plot3DWindow(QWidget* owner, LogbookSession& session, SettingsStore* settings, Prompts* prompts,
                 InputPrompt* input);
    ~Plot3DWindow() override;

    // Builds the scene of the main window's current flight and shows it.
    // False (after telling the pilot) when the flight has nothing to show;
    // the window is then closed.
    bool Open();

    // Menu items by caption ("&Play", "&Offset", "Draw &Ref", ...).
    QAction* Item(const QString& caption) const;
    scene::SceneView* View() const { return view_; }
    FlightScene* Scene() const { return scene_.get(); }
    const PlaybackModel* Playback() const { return playback_.get(); }
    const PlaybackControl* Control() const { return control_.get(); }
    InstrumentPanel* Instruments() const { return panel_; }
    QSlider* SpeedSlider() const { return slider_; }
    const PlotData& Plot() const { return plot_; }
    // Where the landscape stands against the track, metres.
    QVector3D LandscapeOffsets() const;

    // Menu commands (public for the main window's tests and the help's
    // screenshots).
    void PlayCommand();
    void PauseCommand();
    void SunPositionCommand();
    void InstrumentsCommand();
    void OptionsCommand();
    void OffsetCommand();
    void CameraModeCommand(CameraMode mode);
    void DrawRefCommand();
    void LoadXyzCommand();
    void LoadDemCommand();
    void OverlayCommand();

    // The logbook is about to close: the pilot may still keep moved offsets
    // (Yes/No), but the view goes whatever the answer.
    void CloseForLogbookChange();

    // One frame drawn now (after a change outside the playback).
    void RenderFrame();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const QString& caption, void (Plot3DWindow::*slot)());
    void RestorePlacement();
    void SavePlacement();
    void ApplySpeed();
    void Step(StepMode mode);
    void AfterStep();
    void UpdateViewFrame();
    void SyncPlaybackChecks();
    void ApplyMoves(const std::vector<FrameMove>& moves);
    void SetFollowModes(FollowMode orientation, FollowMode position);
    FollowMode OrientationMode() const;
    FollowMode PositionMode() const;
    bool LoadXyzFile(const QString& path);
    void ShowLandscapeError(const QString& title, LandscapeError error);
    void HideSlider();

    QWidget* owner_;
    LogbookSession& session_;
    SettingsStore* settings_;
    Prompts* prompts_;
    InputPrompt* input_;
    scene::SceneView* view_ = nullptr;
    QSlider* slider_ = nullptr;
    QTimer* timer_ = nullptr;
    KeyMoveLoop* keys_ = nullptr;
    QPointer<InstrumentPanel> panel_;
    QHash<QString, QAction*> items_;
    QActionGroup* orientationGroup_ = nullptr;
    QActionGroup* positionGroup_ = nullptr;
    QMenu* orientationMenu_ = nullptr;
    QMenu* positionMenu_ = nullptr;

    PlotData plot_;
    std::unique_ptr<FlightScene> scene_;
    std::unique_ptr<PlaybackModel> playback_;
    std::unique_ptr<PlaybackControl> control_;
    MouseTurner mouse_;
    std::mt19937 random_;

    qint64 logId_ = 0;
    QString landFile_;
    float unitsFactor_ = 1;
    double framesPerSecond_ = 5;
    QVector3D openingOffsets_;
    bool open_ = false;
};

} // namespace soarnote
