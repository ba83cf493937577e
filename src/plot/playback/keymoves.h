#pragma once
// What held keys and mouse drags do to the camera and the landscape, as
// lists of turns and moves the window applies to its scene frames.
//
// Sign convention the scene layer must honour (MovableFrame below). The
// scene is left-handed: X is minus the easting, Y the northing, Z up. A
// frame's own axes are X (right), Y (up) and Z (the way it looks), left-handed
// like the world. RotateOwn(axis, angle) turns the frame about its own axis,
// and a positive angle turns the next axis towards the one after it:
//     about Z: X towards Y;   about X: Y towards Z;   about Y: Z towards X.
// These are the textbook rotation matrices applied in the frame's own axes;
// in a left-handed frame such a turn looks clockwise from the axis tip
// (counter-clockwise to someone looking along the axis from behind), the
// Direct3D convention. With it the key and mouse tables feel right:
//   - Left (about Z by +turn) with the camera looking straight down, north at
//     the top, swings the top of the view to the west: the view turns left.
//   - Ctrl+Left (about Y by -turn) swings the view direction to the left.
//   - Up (about X by +turn) tips the view direction down and Down tips it
//     up, like a stick pushed forward; dragging the mouse down looks down,
//     dragging it right looks right.
// MoveOwn(axis, distance) moves the frame along its own axis: +Z is forward
// for the camera, up for the (unrotated) landscape.

#include "virtualkeys.h"

#include <QPointF>
#include <QSizeF>
#include <QVector3D>
#include <optional>
#include <vector>

namespace soarnote {

enum class FrameAxis { X, Y, Z };
enum class MoveTarget { Camera, Landscape };
enum class MoveKind { Rotate, Move };

struct FrameMove {
    MoveTarget target = MoveTarget::Camera;
    MoveKind kind = MoveKind::Rotate;
    FrameAxis axis = FrameAxis::Z;
    double amount = 0; // radians for a turn, scene units for a move
    bool operator==(const FrameMove&) const = default;
};

// A scene frame the keys and the mouse can fly, as the window's scene layer
// provides it (see the sign convention above).
class MovableFrame {
public:
    virtual ~MovableFrame() = default;
    virtual void RotateOwn(FrameAxis axis, double radians) = 0;
    virtual void MoveOwn(FrameAxis axis, double distance) = 0;
    // Relative to the world frame.
    virtual QVector3D Position() const = 0;
};

void ApplyMoves(const std::vector<FrameMove>& moves, MovableFrame& camera, MovableFrame& landscape);

struct KeySteps {
    double move = 1.6;          // scene units per step: 8 / frames per second
    double turn = 0.0174524064; // radians per step: the sine of one degree
};

// One step of flying for the held keys, in the order Left, A, Right, Z, Up,
// Down. Held Shift moves five times and turns twice as far. In offset mode
// the moves go to the landscape, otherwise to the camera; turns are always
// the camera's.
std::vector<FrameMove> KeyMoves(const HeldKeys& held, int modifierMode, bool offsetMode, KeySteps steps);

// Turning the camera by dragging the mouse. The first move after a press only
// remembers the pointer (and switches the orientation mode off, so a
// following camera does not snap back); each later move turns the camera by
// the pointer's travel: 20 radians for a whole window width or height.
class MouseTurner {
public:
    struct Result {
        std::vector<FrameMove> turns;
        bool orientationOff = false;
    };
    Result Move(Qt::MouseButtons buttons, QPointF position, QSizeF windowSize);
    // A press starts afresh too: its release may have gone to another window.
    void Press() { last_.reset(); }
    void Release() { last_.reset(); }

private:
    std::optional<QPointF> last_;
};

} // namespace soarnote
