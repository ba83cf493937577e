#include "cameramodes.h"

namespace soarnote {

FrameOrientation LookStraightDown() {
    return {QVector3D(0, 0, -1.0f), QVector3D(0, 1.0f, 0)};
}

CameraModeChoice ChooseCameraMode(CameraMode mode, const GliderTrail& trail, const PlotData& plot) {
    const PlotPoint& now = trail[0];
    CameraModeChoice choice;
    switch (mode) {
    case CameraMode::Fixed:
        choice.orientation = FollowMode::Follow;
        choice.position = FollowMode::Off;
        break;
    case CameraMode::Behind:
        choice.orientation = FollowMode::Follow;
        choice.position = FollowMode::Follow;
        break;
    case CameraMode::Overhead:
        choice.cameraPosition = QVector3D(now.x, now.y, now.z + 50.0f);
        choice.cameraOrientation = LookStraightDown();
        choice.orientation = FollowMode::Off;
        choice.position = FollowMode::Normal;
        break;
    case CameraMode::High:
        choice.cameraPosition = QVector3D(now.x, now.y, now.z + 500.0f);
        choice.cameraOrientation = LookStraightDown();
        choice.orientation = FollowMode::Follow;
        choice.position = FollowMode::Horizontal;
        break;
    case CameraMode::Start:
    case CameraMode::End: {
        const int last = plot.lastIndex - 1;
        const int index = mode == CameraMode::Start || last < 0 ? 0 : last;
        if (index < static_cast<int>(plot.points.size())) {
            const PlotPoint& p = plot.points[index];
            choice.cameraPosition = QVector3D(p.x, p.y, p.z);
        }
        choice.orientation = FollowMode::Follow;
        choice.position = FollowMode::Off;
        break;
    }
    }
    return choice;
}

} // namespace soarnote
