#pragma once
// Where the camera and the glider go after a playback step, as a pure
// function of the glider's trail, the camera's current placement and the two
// follow modes of the Mode menu. The window applies the result to its scene
// frames (all relative to the world frame) and sets the caption.

#include "playbackmodel.h"

#include <QString>
#include <QVector3D>
#include <optional>

namespace soarnote {

// The items of the Orientation and Position submenus, in menu order.
enum class FollowMode { Normal = 0, Follow = 1, Horizontal = 2, Off = 3 };

// A frame's +Z points along direction, its +Y as near to up as the direction allows.
struct FrameOrientation {
    QVector3D direction;
    QVector3D up;
};

struct ViewFrame {
    // Nothing means: leave the camera's position (orientation) as it is.
    std::optional<QVector3D> cameraPosition;
    std::optional<FrameOrientation> cameraOrientation;
    QVector3D gliderPosition;
    // Nothing while the glider has not moved horizontally over its trail
    // (at the start every entry is the first point): it keeps its heading.
    std::optional<FrameOrientation> gliderOrientation;
    // The time the caption shows: the trail's oldest entry, where the
    // following camera is.
    double captionTime = 0;
};

ViewFrame UpdateViewFrame(const GliderTrail& trail, QVector3D cameraPosition, QVector3D cameraDirection,
                          FollowMode orientation, FollowMode position);

// Points a frame along direction with world up (0, 0, 1). A direction of no
// length gives nothing (the frame keeps its orientation); a vertical one takes
// north (0, 1, 0) as up, since up cannot lie along the direction itself.
std::optional<FrameOrientation> UprightOrientation(QVector3D direction);

// "3D Plot - " and the time as date and time.
QString PlotCaption(double time);
// The caption while the landscape is being moved: the landscape's offsets
// (metres) in the user's units, rounded to whole numbers.
QString OffsetCaption(QVector3D landscapePosition, float unitsFactor);

// "&Sun Position": the time of day the pilot typed, on the glider's day.
// Nothing when the answer is not a time (the sun then stays). A date typed
// with the time is not added to the flight's date: only its time counts.
std::optional<double> SunPositionTime(double gliderTime, const QString& answer);
// The answer the question starts with: the glider's time of day.
QString SunPositionDefault(double gliderTime);

} // namespace soarnote
