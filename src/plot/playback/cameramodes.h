#pragma once
// The camera items of the Mode menu: where each puts the camera and which
// Orientation and Position items it checks. The window then runs
// UpdateViewFrame, so a following mode takes effect at once.

#include "playbackmodel.h"
#include "viewframe.h"

namespace soarnote {

// In menu order.
enum class CameraMode { Fixed, Behind, Overhead, High, Start, End };

struct CameraModeChoice {
    std::optional<QVector3D> cameraPosition;
    std::optional<FrameOrientation> cameraOrientation;
    FollowMode orientation = FollowMode::Normal;
    FollowMode position = FollowMode::Normal;
};

CameraModeChoice ChooseCameraMode(CameraMode mode, const GliderTrail& trail, const PlotData& plot);

// Looking straight down with north at the top: the End key, Overhead, High.
FrameOrientation LookStraightDown();

} // namespace soarnote
